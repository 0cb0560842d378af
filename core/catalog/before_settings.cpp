#include "core/catalog/before_settings.h"

#include <zlib.h>

#include <algorithm>
#include <chrono>

#include "core/base/uuid.h"
#include "core/catalog/catalog_writer.h"
#include "core/photo/libraw_support.h"

namespace orvane::CatalogWriter {

namespace {

constexpr std::uint32_t maxHistoryLength = 7'999'999;

std::optional<std::int64_t> entityCounter(const Sqlite::Connection& db) {
    auto q = db.prepare("select cast(value as integer) from Adobe_variablesTable where name = 'Adobe_entityIDCounter'");
    if (q.step() != Sqlite::Step::row || q.isNull(0)) return std::nullopt;
    return q.int64(0);
}

// The counter stays ahead of every identifier taken from it; Lightroom stores it as a real.
void raiseEntityCounter(const Sqlite::Connection& db, std::int64_t used) {
    db.prepare("update Adobe_variablesTable set value = ?1 where name = 'Adobe_entityIDCounter'")
        .bind(1, static_cast<double>(used))
        .run();
}

// Seconds since 2001-01-01 00:00:00 UTC.
double referenceSeconds() {
    using namespace std::chrono;
    const double unix = duration<double>(system_clock::now().time_since_epoch()).count();
    return unix - 978'307'200.0;
}

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    for (auto& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

}  // namespace

std::optional<std::string> inflateHistory(std::string_view bytes) {
    if (bytes.size() < 8) return std::nullopt;
    const auto byte = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])); };
    const std::uint32_t n = byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
    if (n == 0 || n > maxHistoryLength || byte(4) != 0x78) return std::nullopt;

    // One raw-DEFLATE stream per thread, reset for every step: setting one up costs more than
    // decoding a typical history text.
    struct Inflater {
        z_stream zs{};
        bool ready = inflateInit2(&zs, -15) == Z_OK;
        ~Inflater() {
            if (ready) inflateEnd(&zs);
        }
    };
    thread_local Inflater inflater;
    if (!inflater.ready || inflateReset(&inflater.zs) != Z_OK) return std::nullopt;
    z_stream& zs = inflater.zs;
    std::string out(static_cast<std::size_t>(n) + 64, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data() + 6));
    zs.avail_in = static_cast<uInt>(bytes.size() - 6);
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&zs, Z_FINISH);
    const std::size_t produced = out.size() - zs.avail_out;
    // Only a stream that ends inside the buffer is whole; anything else is a cut text.
    if (rc != Z_STREAM_END || produced == 0) return std::nullopt;
    out.resize(produced);
    // Lightroom's texts are mostly ASCII, which needs no repair.
    if (std::all_of(out.begin(), out.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) return out;
    return photo_detail::sanitizeUtf8(out);
}

std::string genealogy(std::string_view parent, std::int64_t id) {
    const std::string digits = std::to_string(id);
    return std::string(parent) + "/" + std::to_string(digits.size()) + digits;
}

BeforeSettings::BeforeSettings(const Sqlite::Connection& db) : db_(db) {
    writing([&] {
        oldestStep_ = db.prepare(
            "select text from Adobe_libraryImageDevelopHistoryStep where image = ?1 order by dateCreated, id_local "
            "limit 1");
        beforeRow_ = db.prepare("select id_local from Adobe_imageDevelopBeforeSettings where developSettings = ?1");
        counter_ = db.prepare(
            "select cast(value as integer) from Adobe_variablesTable where name = 'Adobe_entityIDCounter'");
        insert_ = db.prepare(
            "insert into Adobe_imageDevelopBeforeSettings (id_local, beforeDigest, beforeHasDevelopAdjustments, "
            "beforePresetID, beforeText, developSettings, hasBigData)\nvalues (?1, ?2, 1.0, 'default', ?3, ?4, 0)");
        cache_ = db.prepare("update Adobe_imageDevelopSettings set beforeSettingsIDCache = ?1 where id_local = ?2");
        raiseCounter_ = db.prepare("update Adobe_variablesTable set value = ?1 where name = 'Adobe_entityIDCounter'");
        beforeText_ = db.prepare("select beforeText from Adobe_imageDevelopBeforeSettings where id_local = ?1");
        update_ = db.prepare(
            "update Adobe_imageDevelopBeforeSettings set beforeText = ?1, beforeDigest = ?2 where id_local = ?3");
    });
}

std::optional<std::int64_t> BeforeSettings::fix(std::int64_t imageID, std::int64_t settingsID, bool updateCache) {
    return writing([&]() -> std::optional<std::int64_t> {
        std::optional<std::string> history;
        oldestStep_.reset();
        oldestStep_.bind(1, imageID);
        if (oldestStep_.step() != Sqlite::Step::row || oldestStep_.isNull(0)) return std::nullopt;
        history = inflateHistory(oldestStep_.blob(0).value_or(std::string_view()));
        oldestStep_.reset();
        if (!history || history->rfind("s = {", 0) != 0) return std::nullopt;
        const std::string fresh = newDigest();

        std::optional<std::int64_t> beforeID;
        beforeRow_.reset();
        beforeRow_.bind(1, settingsID);
        if (beforeRow_.step() == Sqlite::Step::row && !beforeRow_.isNull(0)) beforeID = beforeRow_.int64(0);
        beforeRow_.reset();
        if (!beforeID) {
            if (!lastID_) {
                counter_.reset();
                if (counter_.step() != Sqlite::Step::row || counter_.isNull(0)) return std::nullopt;
                lastID_ = counter_.int64(0);
                counter_.reset();
            }
            const std::int64_t id = *lastID_ + 1;
            insert_.reset();
            insert_.bind(1, id).bind(2, fresh).bind(3, *history).bind(4, settingsID).run();
            lastID_ = id;
            taken_ = true;
            if (updateCache) {
                cache_.reset();
                cache_.bind(1, id).bind(2, settingsID).run();
            }
            return id;
        }
        beforeText_.reset();
        beforeText_.bind(1, *beforeID);
        const bool same = beforeText_.step() == Sqlite::Step::row &&
                          beforeText_.text(0) == std::optional<std::string_view>(*history);
        beforeText_.reset();
        if (same) return std::nullopt;
        update_.reset();
        update_.bind(1, *history).bind(2, fresh).bind(3, *beforeID).run();
        return std::nullopt;
    });
}

void BeforeSettings::finish() {
    if (!taken_) return;
    // The counter stays ahead of every identifier taken from it; Lightroom stores it as a real.
    writing([&] {
        raiseCounter_.reset();
        raiseCounter_.bind(1, static_cast<double>(*lastID_)).run();
    });
    taken_ = false;
}

void fixBeforeSettings(const Sqlite::Connection& db, std::int64_t imageID, std::int64_t settingsID) {
    BeforeSettings before(db);
    before.fix(imageID, settingsID);
    before.finish();
}

void tag(const std::vector<std::int64_t>& imageIDs, const Sqlite::Connection& db) {
    if (imageIDs.empty()) return;
    writing([&] {
        auto counter = entityCounter(db);
        if (!counter) return;
        const std::string lc = lowerAscii(reviewKeyword);

        std::optional<std::int64_t> keyword;
        {
            auto q = db.prepare("select id_local from AgLibraryKeyword where lc_name = ?1 and id_local <> 0 limit 1");
            q.bind(1, lc);
            if (q.step() == Sqlite::Step::row && !q.isNull(0)) keyword = q.int64(0);
        }
        if (!keyword) {
            std::int64_t root = 0;
            std::string rootGenealogy;
            {
                auto q = db.prepare(
                    "select id_local, genealogy from AgLibraryKeyword where parent is null and name is null limit 1");
                if (q.step() != Sqlite::Step::row || q.isNull(0) || q.isNull(1)) return;
                root = q.int64(0);
                rootGenealogy = std::string(*q.text(1));
            }
            const std::int64_t id = ++*counter;
            db.prepare(
                  "insert into AgLibraryKeyword (id_local, id_global, dateCreated, genealogy, includeOnExport, "
                  "includeParents, includeSynonyms, lc_name, name, parent)\nvalues (?1, ?2, ?3, ?4, 1, 1, 1, ?5, ?6, ?7)")
                .bind(1, id)
                .bind(2, Uuid::random().text())
                .bind(3, referenceSeconds())
                .bind(4, genealogy(rootGenealogy, id))
                .bind(5, lc)
                .bind(6, reviewKeyword)
                .bind(7, root)
                .run();
            raiseEntityCounter(db, id);
            keyword = id;
        }

        auto exists = db.prepare("select 1 from AgLibraryKeywordImage where image = ?1 and tag = ?2 limit 1");
        auto insert = db.prepare("insert into AgLibraryKeywordImage (id_local, image, tag) values (?1, ?2, ?3)");
        for (const auto image : imageIDs) {
            exists.reset();
            exists.bind(1, image).bind(2, *keyword);
            if (exists.step() == Sqlite::Step::row) continue;
            const std::int64_t id = ++*counter;
            insert.reset();
            insert.bind(1, id).bind(2, image).bind(3, *keyword).run();
            raiseEntityCounter(db, id);
        }
    });
}

}  // namespace orvane::CatalogWriter

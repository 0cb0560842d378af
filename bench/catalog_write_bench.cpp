// CatalogWriter::apply over a generated catalog, next to two bare SQLite references on copies of the
// same catalog in the same run:
// - the plain update loop: every settings row's text, digest and flags by its id, in one transaction;
// - the honest floor: the work a write must do, with bare SQLite and nothing of ours: per photo its
//   settings text read (the write merges into it), its oldest history step read and decompressed, a
//   before-settings row inserted with that text and the settings row updated (text, digest, flags,
//   before-settings link), the entity counter raised once, all in one transaction, then one integrity
//   check. It prints each part's share.
// The backup copy and its compression are left out of apply's time: the clock starts at its first
// write report, after the opening integrity check; what it covers matches the floor, plus the reading
// and merging of each photo's settings text, whose cost is printed on its own. Texts for both
// references are made beforehand. Every time is the median of rounds, each round on fresh copies.
//
//   catalog_write_bench [photos] [settings bytes] [rounds]   defaults: 10000 photos, 4096 bytes, 5 rounds
#include <sqlite3.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "core/base/atomic_file.h"
#include "core/base/defaults.h"
#include "core/base/processors.h"
#include "core/catalog/catalog_backups.h"
#include "core/catalog/catalog_writer.h"
#include "testing/catalog_builder.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;
using orvane::bench::median;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void check(int rc, sqlite3* db, const char* what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
        std::exit(1);
    }
}

struct Row {
    std::int64_t settingsID = 0;
    std::int64_t imageID = 0;
    std::string text;  // the settings text to write, made beforehand
};

// One transaction updating every settings row's text, digest and flags by its id, texts made beforehand.
double bareLoop(const fs::path& file, const std::vector<Row>& rows) {
    sqlite3* db = nullptr;
    check(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), db, "open");
    sqlite3_stmt* stmt = nullptr;
    check(sqlite3_prepare_v2(db,
                             "update Adobe_imageDevelopSettings set text = ?1, digest = ?2, hasDevelopAdjustmentsEx = 1, "
                             "whiteBalance = 'Custom', hasMasks = ?3 where id_local = ?4",
                             -1, &stmt, nullptr),
          db, "prepare");
    const auto start = Clock::now();
    check(sqlite3_exec(db, "begin immediate", nullptr, nullptr, nullptr), db, "begin");
    for (const auto& row : rows) {
        sqlite3_reset(stmt);
        sqlite3_bind_text(stmt, 1, row.text.data(), static_cast<int>(row.text.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(stmt, 2, "0123456789abcdef0123456789abcdef", 32, SQLITE_STATIC);
        sqlite3_bind_int(stmt, 3, 1);
        sqlite3_bind_int64(stmt, 4, row.settingsID);
        check(sqlite3_step(stmt), db, "update");
    }
    check(sqlite3_exec(db, "commit", nullptr, nullptr, nullptr), db, "commit");
    const double seconds = secondsSince(start);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return seconds;
}

// The floor's time and its parts, in seconds.
struct Floor {
    double total = 0, read = 0, history = 0, before = 0, update = 0, commit = 0, integrity = 0;
};

// The work every write must do, with bare SQLite: see the top of the file.
Floor honestFloor(const fs::path& file, const std::vector<Row>& rows) {
    sqlite3* db = nullptr;
    check(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), db, "open");
    auto prepare = [&](const char* sql) {
        sqlite3_stmt* stmt = nullptr;
        check(sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr), db, "prepare");
        return stmt;
    };
    sqlite3_stmt* current = prepare("select text from Adobe_imageDevelopSettings where id_local = ?1");
    sqlite3_stmt* history = prepare(
        "select text from Adobe_libraryImageDevelopHistoryStep where image = ?1 order by dateCreated, id_local limit 1");
    sqlite3_stmt* insert = prepare(
        "insert into Adobe_imageDevelopBeforeSettings (id_local, beforeDigest, beforeHasDevelopAdjustments, "
        "beforePresetID, beforeText, developSettings, hasBigData) values (?1, ?2, 1.0, 'default', ?3, ?4, 0)");
    sqlite3_stmt* update = prepare(
        "update Adobe_imageDevelopSettings set text = ?1, digest = ?2, hasDevelopAdjustmentsEx = 1, whiteBalance = "
        "'Custom', hasMasks = ?3, beforeSettingsIDCache = ?5 where id_local = ?4");
    sqlite3_stmt* counter =
        prepare("select cast(value as integer) from Adobe_variablesTable where name = 'Adobe_entityIDCounter'");
    sqlite3_stmt* raise = prepare("update Adobe_variablesTable set value = ?1 where name = 'Adobe_entityIDCounter'");
    constexpr const char* digest = "0123456789abcdef0123456789abcdef";

    Floor floor;
    std::string text;
    const auto start = Clock::now();
    check(sqlite3_exec(db, "begin immediate", nullptr, nullptr, nullptr), db, "begin");
    check(sqlite3_step(counter), db, "counter");
    std::int64_t id = sqlite3_column_int64(counter, 0);
    sqlite3_reset(counter);
    std::size_t readBytes = 0;
    for (const auto& row : rows) {
        auto part = Clock::now();
        sqlite3_reset(current);
        sqlite3_bind_int64(current, 1, row.settingsID);
        check(sqlite3_step(current), db, "read");
        if (sqlite3_column_text(current, 0)) readBytes += static_cast<std::size_t>(sqlite3_column_bytes(current, 0));
        floor.read += secondsSince(part);

        part = Clock::now();
        sqlite3_reset(history);
        sqlite3_bind_int64(history, 1, row.imageID);
        check(sqlite3_step(history), db, "history");
        const auto* blob = static_cast<const unsigned char*>(sqlite3_column_blob(history, 0));
        const auto size = static_cast<std::size_t>(sqlite3_column_bytes(history, 0));
        const uLong length = size >= 4 ? uLong{blob[0]} << 24 | uLong{blob[1]} << 16 | uLong{blob[2]} << 8 | blob[3] : 0;
        text.resize(length);
        uLongf produced = length;
        if (length == 0 || uncompress(reinterpret_cast<Bytef*>(text.data()), &produced, blob + 4, size - 4) != Z_OK) {
            std::fprintf(stderr, "history step of image %lld does not decode\n", static_cast<long long>(row.imageID));
            std::exit(1);
        }
        floor.history += secondsSince(part);

        part = Clock::now();
        ++id;
        sqlite3_reset(insert);
        sqlite3_bind_int64(insert, 1, id);
        sqlite3_bind_text(insert, 2, digest, 32, SQLITE_STATIC);
        sqlite3_bind_text(insert, 3, text.data(), static_cast<int>(produced), SQLITE_STATIC);
        sqlite3_bind_int64(insert, 4, row.settingsID);
        check(sqlite3_step(insert), db, "insert");
        floor.before += secondsSince(part);

        part = Clock::now();
        sqlite3_reset(update);
        sqlite3_bind_text(update, 1, row.text.data(), static_cast<int>(row.text.size()), SQLITE_STATIC);
        sqlite3_bind_text(update, 2, digest, 32, SQLITE_STATIC);
        sqlite3_bind_int(update, 3, 1);
        sqlite3_bind_int64(update, 4, row.settingsID);
        sqlite3_bind_int64(update, 5, id);
        check(sqlite3_step(update), db, "update");
        floor.update += secondsSince(part);
    }
    auto part = Clock::now();
    sqlite3_bind_double(raise, 1, static_cast<double>(id));
    check(sqlite3_step(raise), db, "raise");
    floor.before += secondsSince(part);

    part = Clock::now();
    check(sqlite3_exec(db, "commit", nullptr, nullptr, nullptr), db, "commit");
    floor.commit = secondsSince(part);
    part = Clock::now();
    sqlite3_stmt* integrity = prepare("pragma integrity_check");
    check(sqlite3_step(integrity), db, "integrity");
    const auto* answer = reinterpret_cast<const char*>(sqlite3_column_text(integrity, 0));
    if (!answer || std::string(answer) != "ok") {
        std::fprintf(stderr, "integrity check: %s\n", answer ? answer : "no answer");
        std::exit(1);
    }
    sqlite3_finalize(integrity);
    floor.integrity = secondsSince(part);
    floor.total = secondsSince(start);
    if (readBytes == 0) std::fprintf(stderr, "no settings text read\n");  // keeps the reads observable
    for (sqlite3_stmt* stmt : {current, history, insert, update, counter, raise}) sqlite3_finalize(stmt);
    sqlite3_close(db);
    return floor;
}

// A copy whose bytes are on disk before any clock starts: otherwise the first commit that syncs the
// file also writes the whole copy out.
void copySynced(const fs::path& from, const fs::path& to) {
    fs::copy_file(from, to);
    orvane::syncFile(to);
}

}  // namespace

int main(int argc, char** argv) {
    const long photos = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 10000;
    const long settingsBytes = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 4096;
    const long rounds = argc > 3 ? std::strtol(argv[3], nullptr, 10) : 5;
    if (photos <= 0 || settingsBytes <= 0 || rounds <= 0) {
        std::fprintf(stderr, "usage: %s [photos] [settings bytes] [rounds]\n", argv[0]);
        return 2;
    }
    orvane::keepFreedMemoryForReuse();  // as the application starts
    const fs::path dataDir = orvane::testing::freshDataDir();
    orvane::setUserDefaults(std::make_shared<orvane::FileDefaults>());

    orvane::testing::TempDir dir;
    const auto file = dir / "Bench.lrcat";
    std::vector<orvane::CatalogWriter::Edit> edits;
    std::vector<Row> bareRows;
    auto start = Clock::now();
    {
        orvane::testing::CatalogBuilder b(file);
        b.begin();
        for (long i = 0; i < photos; ++i) {
            const std::string text = orvane::testing::realisticDevelopText(static_cast<std::uint64_t>(i),
                                                                            static_cast<std::size_t>(settingsBytes));
            orvane::testing::CatalogBuilder::Photo p{.root = "/home/ana/Poze/",
                                                     .folder = "Sesiune " + std::to_string(i / 500) + "/",
                                                     .baseName = "IMG_" + std::to_string(100000 + i),
                                                     .settings = text};
            const auto ids = b.photo(p);
            b.historyStep(ids.image, "Import", 700000000.0 + static_cast<double>(i),
                          orvane::testing::realisticDevelopText(static_cast<std::uint64_t>(i), 1500, false));
            const std::string path = p.root + p.folder + p.baseName + "." + p.extension;
            orvane::CatalogWriter::Attributes attributes = {{"Exposure2012", i % 2 ? "+0.35" : "-0.20"},
                                                            {"WhiteBalance", "Custom"},
                                                            {"Temperature", std::to_string(4800 + i % 900)},
                                                            {"Tint", "+6"},
                                                            {"Contrast2012", "+12"},
                                                            {"HasSettings", "True"}};
            edits.push_back({path, attributes, {{"ToneCurvePV2012", {{0, 0}, {128, 140}, {255, 255}}}}, std::nullopt});
        }
        b.commit();
        auto q = b.connection().prepare("select id_local, image, text from Adobe_imageDevelopSettings order by id_local");
        while (q.step() == orvane::Sqlite::Step::row)
            bareRows.push_back({q.int64(0), q.int64(1), std::string(*q.text(2)) + " "});
    }
    std::printf("generated %ld photos with history steps, catalog %.1f MB, in %.1f s\n", photos,
                static_cast<double>(fs::file_size(file)) / 1e6, secondsSince(start));

    // The text work alone, for reading the ratio: parse, merge and render every photo's settings.
    start = Clock::now();
    std::size_t merged = 0;
    for (std::size_t i = 0; i < edits.size(); ++i)
        merged += orvane::CatalogWriter::merge(bareRows[i].text, edits[i].attributes, edits[i].curves, std::nullopt)
                      .value_or("")
                      .size();
    const double textWork = secondsSince(start);

    std::vector<double> bares, applieds, totals, fileCopies;
    std::vector<Floor> floors;
    orvane::CatalogWriter::Outcome outcome;
    for (long round = 0; round < rounds; ++round) {
        // Fresh copies each round, named apart so that two backups never share a name.
        const auto bareFile = dir / ("Bare-" + std::to_string(round) + ".lrcat");
        const auto floorFile = dir / ("Floor-" + std::to_string(round) + ".lrcat");
        const auto applyFile = dir / ("Bench-" + std::to_string(round) + ".lrcat");
        for (const auto& copy : {bareFile, floorFile}) copySynced(file, copy);
        // What the backup is weighed against: a plain copy of the same catalog file, flushed.
        start = Clock::now();
        copySynced(file, applyFile);
        fileCopies.push_back(secondsSince(start));

        auto writeWithApply = [&] {
            Clock::time_point writeStart{};
            start = Clock::now();
            outcome = orvane::CatalogWriter::apply(
                edits, applyFile, std::chrono::system_clock::now(), false, {edits[0].path, edits[1].path},
                [&](const std::string&, double fraction) {
                    if (fraction >= 0.45 && writeStart == Clock::time_point{}) writeStart = Clock::now();
                });
            totals.push_back(secondsSince(start));
            applieds.push_back(std::chrono::duration<double>(Clock::now() - writeStart).count());
            orvane::CatalogWriter::drainBackups();  // the compression must not run into the next measurement
        };
        // The order turns each round, so a drift in the machine's speed does not favour one of them.
        const std::function<void()> measurements[] = {[&] { bares.push_back(bareLoop(bareFile, bareRows)); },
                                                      [&] { floors.push_back(honestFloor(floorFile, bareRows)); },
                                                      writeWithApply};
        for (int k = 0; k < 3; ++k) measurements[(k + round) % 3]();
        for (const auto& copy : {bareFile, floorFile, applyFile}) fs::remove(copy);
    }

    const double bare = median(bares), applied = median(applieds), total = median(totals);
    const double fileCopy = median(fileCopies);
    auto floorPart = [&](double Floor::*part) {
        std::vector<double> v;
        for (const auto& f : floors) v.push_back(f.*part);
        return median(v);
    };
    const double floor = floorPart(&Floor::total);
    const double ratio = applied / bare;
    std::printf("rounds: %ld (medians)\n", rounds);
    std::printf("bare update loop, one transaction:     %zu rows, %.3f s\n", bareRows.size(), bare);
    std::printf("CatalogWriter::apply (without backup): %lld written, %.3f s (%.3f s with the backup copy)\n",
                static_cast<long long>(outcome.written), applied, total);
    std::printf("of which settings-text merging alone:  %.3f s (%zu bytes)\n", textWork, merged);
    std::printf("apply with its backup / bare loop: %.2fx (%.3f s before the first write; a plain file copy: %.3f s)\n",
                total / bare, total - applied, fileCopy);
    std::printf("ratio apply / bare loop: %.2fx (aim 2x: %s)\n", ratio, ratio <= 2.0 ? "within" : "EXCEEDED");

    std::printf("honest floor (bare SQLite, the required work): %.3f s, %.2fx the bare update loop\n", floor, floor / bare);
    const std::pair<const char*, double Floor::*> parts[] = {
        {"settings texts read", &Floor::read},
        {"history steps read and decompressed", &Floor::history},
        {"before-settings rows inserted", &Floor::before},
        {"settings rows updated", &Floor::update},
        {"commit", &Floor::commit},
        {"integrity check", &Floor::integrity},
    };
    for (const auto& [name, part] : parts)
        std::printf("  %-38s %.3f s (%4.1f %%)\n", name, floorPart(part), 100 * floorPart(part) / floor);
    const double floorRatio = applied / floor;
    std::printf("ratio apply / honest floor: %.2fx (limit 1.3x: %s)\n", floorRatio, floorRatio <= 1.3 ? "within" : "EXCEEDED");
    std::printf("the required work alone is %.2fx the bare loop: the 2x aim over it leaves %.2fx the floor for the rest\n",
                floor / bare, 2.0 * bare / floor);

    fs::remove_all(dataDir);  // the backups made by apply
    return outcome.written == photos && floorRatio <= 1.3 ? 0 : 1;
}

#include "core/catalog/before_settings.h"

#include <gtest/gtest.h>

#include <regex>

#include "core/catalog/catalog_writer.h"
#include "testing/catalog_builder.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"
#include "core/store/store.h"

namespace orvane::CatalogWriter {
namespace {

using testing::CatalogBuilder;
using testing::compressHistoryText;

std::string withLength(std::uint32_t n, std::string blob) {
    blob[0] = static_cast<char>(n >> 24);
    blob[1] = static_cast<char>(n >> 16);
    blob[2] = static_cast<char>(n >> 8);
    blob[3] = static_cast<char>(n);
    return blob;
}

TEST(InflateHistory, readsCompressedStepsAndRefusesOtherForms) {
    const std::string text = testing::realisticDevelopText(7, 6000);
    const std::string blob = compressHistoryText(text);
    ASSERT_EQ(static_cast<unsigned char>(blob[4]), 0x78);
    EXPECT_EQ(inflateHistory(blob), text);
    // A length field above the text is fine: what the stream holds is used.
    EXPECT_EQ(inflateHistory(withLength(static_cast<std::uint32_t>(text.size() + 500), blob)), text);

    std::string badHeader = blob;
    badHeader[4] = 0x58;
    const std::vector<std::pair<const char*, std::string>> refused = {
        {"fewer than eight bytes", blob.substr(0, 7)},
        {"length 0", withLength(0, blob)},
        {"length 8,000,000", withLength(8'000'000, blob)},
        {"byte 4 not 0x78", badHeader},
        {"uncompressed text", text},
        {"truncated stream", blob.substr(0, blob.size() / 2)},
        {"text longer than the length field allows", withLength(static_cast<std::uint32_t>(text.size() - 100), blob)},
        {"garbage after the header", std::string("\0\0\0\x10\x78\x9c\xff\xff\xff\xff", 10)},
    };
    for (const auto& [name, bytes] : refused) EXPECT_FALSE(inflateHistory(bytes)) << name;
}

TEST(InflateHistory, replacesInvalidUtf8) {
    EXPECT_EQ(inflateHistory(compressHistoryText("s = { A = \"\xff\" }")), "s = { A = \"\xEF\xBF\xBD\" }");
}

struct Photo {
    std::int64_t image = 0;
    std::int64_t settings = 0;
};

Photo photoWithSettings(CatalogBuilder& b, const std::string& name) {
    CatalogBuilder::Photo p;
    p.baseName = name;
    const auto ids = b.photo(p);
    return {ids.image, b.developSettings(ids.image, "s = { Exposure2012 = 1 }")};
}

struct BeforeRow {
    std::int64_t id = 0;
    std::optional<std::string> text, digest;
    std::int64_t count = 0;
};

BeforeRow beforeRow(const Sqlite::Connection& db, std::int64_t settings) {
    auto q = db.prepare(
        "select id_local, beforeText, beforeDigest, beforeHasDevelopAdjustments, beforePresetID, hasBigData, "
        "(select count(*) from Adobe_imageDevelopBeforeSettings where developSettings = ?1) "
        "from Adobe_imageDevelopBeforeSettings where developSettings = ?1");
    q.bind(1, settings);
    BeforeRow row;
    if (q.step() != Sqlite::Step::row) return row;
    row.id = q.int64(0);
    if (auto t = q.text(1)) row.text = std::string(*t);
    if (auto t = q.text(2)) row.digest = std::string(*t);
    EXPECT_EQ(q.real(3), 1.0);
    EXPECT_EQ(q.text(4), std::optional<std::string_view>("default"));
    EXPECT_EQ(q.int64(5), 0);
    row.count = q.int64(6);
    return row;
}

std::optional<std::int64_t> cachedBeforeID(const Sqlite::Connection& db, std::int64_t settings) {
    auto q = db.prepare("select beforeSettingsIDCache from Adobe_imageDevelopSettings where id_local = ?1");
    q.bind(1, settings);
    if (q.step() != Sqlite::Step::row || q.isNull(0)) return std::nullopt;
    return q.int64(0);
}

TEST(FixBeforeSettings, insertsOnceFromTheOldestStepAndIsIdempotent) {
    testing::TempDir dir;
    CatalogBuilder b(dir / "c.lrcat");
    const auto photo = photoWithSettings(b, "IMG_1");
    // The oldest step wins whatever its id; two steps at the same time go by the smaller id_local.
    b.historyStep(photo.image, "Edit", 700000100, "s = { Step = 3 }");
    b.historyStep(photo.image, "Import", 700000000, "s = { Step = 1 }");
    b.historyStep(photo.image, "Tie", 700000000, "s = { Step = 2 }");
    const auto counter = b.entityCounter();

    fixBeforeSettings(b.connection(), photo.image, photo.settings);
    const auto first = beforeRow(b.connection(), photo.settings);
    EXPECT_EQ(first.id, counter + 1);
    EXPECT_EQ(first.text, "s = { Step = 1 }");
    ASSERT_TRUE(first.digest);
    EXPECT_TRUE(std::regex_match(*first.digest, std::regex("[0-9a-f]{32}")));
    EXPECT_EQ(cachedBeforeID(b.connection(), photo.settings), first.id);
    EXPECT_EQ(b.entityCounter(), counter + 1);

    fixBeforeSettings(b.connection(), photo.image, photo.settings);
    const auto second = beforeRow(b.connection(), photo.settings);
    EXPECT_EQ(second.count, 1);
    EXPECT_EQ(second.digest, first.digest);
    EXPECT_EQ(b.entityCounter(), counter + 1);
}

TEST(FixBeforeSettings, overwritesANullOrDifferentBeforeText) {
    testing::TempDir dir;
    CatalogBuilder b(dir / "c.lrcat");
    for (const std::optional<std::string>& old : {std::optional<std::string>(), std::optional<std::string>("s = { Old = 1 }")}) {
        const auto photo = photoWithSettings(b, "IMG_" + std::to_string(old.has_value()));
        b.historyStep(photo.image, "Import", 700000000, "s = { New = 1 }");
        const auto id = b.beforeSettings(photo.settings, old);
        const auto counter = b.entityCounter();
        fixBeforeSettings(b.connection(), photo.image, photo.settings);
        const auto row = beforeRow(b.connection(), photo.settings);
        EXPECT_EQ(row.id, id);
        EXPECT_EQ(row.text, "s = { New = 1 }");
        EXPECT_NE(row.digest, "b0");
        EXPECT_EQ(b.entityCounter(), counter);
    }
}

TEST(FixBeforeSettings, leavesThePhotoAloneWhenThereIsNothingToUse) {
    struct Case {
        const char* name;
        std::function<void(CatalogBuilder&, const Photo&)> setUp;
    };
    const std::vector<Case> cases = {
        {"no history step", [](CatalogBuilder&, const Photo&) {}},
        {"uncompressed history text",
         [](CatalogBuilder& b, const Photo& p) { b.historyBlob(p.image, "Import", 1, "s = { A = 1 }"); }},
        {"truncated history stream",
         [](CatalogBuilder& b, const Photo& p) {
             const auto blob = compressHistoryText(testing::realisticDevelopText(3));
             b.historyBlob(p.image, "Import", 1, blob.substr(0, blob.size() - 40));
         }},
        {"history text that is not a table",
         [](CatalogBuilder& b, const Photo& p) { b.historyStep(p.image, "Import", 1, "return {}"); }},
        {"no entity counter",
         [](CatalogBuilder& b, const Photo& p) {
             b.historyStep(p.image, "Import", 1, "s = { A = 1 }");
             b.removeEntityCounter();
         }},
    };
    for (const auto& c : cases) {
        testing::TempDir dir;
        CatalogBuilder b(dir / "c.lrcat");
        const auto photo = photoWithSettings(b, "IMG");
        c.setUp(b, photo);
        EXPECT_NO_THROW(fixBeforeSettings(b.connection(), photo.image, photo.settings)) << c.name;
        EXPECT_EQ(beforeRow(b.connection(), photo.settings).count, 0) << c.name;
        EXPECT_FALSE(cachedBeforeID(b.connection(), photo.settings)) << c.name;
    }
}

TEST(FixBeforeSettings, aFailingWriteIsNotWritable) {
    testing::TempDir dir;
    CatalogBuilder b(dir / "c.lrcat");
    const auto photo = photoWithSettings(b, "IMG");
    b.historyStep(photo.image, "Import", 1, "s = { A = 1 }");
    b.connection().exec("create trigger refuse before insert on Adobe_imageDevelopBeforeSettings "
                        "begin select raise(abort, 'read-only table'); end");
    try {
        fixBeforeSettings(b.connection(), photo.image, photo.settings);
        FAIL() << "no error";
    } catch (const WriteError& e) {
        EXPECT_EQ(e.kind(), WriteError::Kind::notWritable);
        EXPECT_EQ(e.errorDescription(), "Catalogul nu se poate scrie: read-only table");
    }
}

// ---- review keyword ----

struct KeywordState {
    std::vector<std::tuple<std::int64_t, std::string, std::string, std::int64_t>> keywords;  // id, name, genealogy, parent
    std::vector<std::tuple<std::int64_t, std::int64_t, std::int64_t>> links;                 // id, image, tag
};

KeywordState keywordState(const Sqlite::Connection& db) {
    KeywordState s;
    auto k = db.prepare(
        "select id_local, name, genealogy, parent, id_global, dateCreated from AgLibraryKeyword where lc_name = "
        "'vendrel: de verificat' order by id_local");
    while (k.step() == Sqlite::Step::row) {
        s.keywords.emplace_back(k.int64(0), std::string(k.text(1).value_or("")), std::string(k.text(2).value_or("")),
                                k.int64(3));
        if (k.int64(0) == 0) continue;  // the odd row a test puts in
        EXPECT_TRUE(std::regex_match(std::string(k.text(4).value_or("")),
                                     std::regex("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}")));
        EXPECT_GT(k.real(5), 700'000'000.0);
    }
    auto l = db.prepare("select id_local, image, tag from AgLibraryKeywordImage order by id_local");
    while (l.step() == Sqlite::Step::row) s.links.emplace_back(l.int64(0), l.int64(1), l.int64(2));
    return s;
}

TEST(Tag, createsTheKeywordUnderTheRootAndLinksEachPhotoOnce) {
    testing::TempDir dir;
    CatalogBuilder b(dir / "c.lrcat");
    const std::vector<std::int64_t> images = {photoWithSettings(b, "A").image, photoWithSettings(b, "B").image,
                                              photoWithSettings(b, "C").image};
    const auto counter = b.entityCounter();
    tag({images[0], images[1], images[2], images[1]}, b.connection());

    const auto s = keywordState(b.connection());
    ASSERT_EQ(s.keywords.size(), 1u);
    const auto [id, name, genealogy, parent] = s.keywords[0];
    EXPECT_EQ(id, counter + 1);
    EXPECT_EQ(name, "Vendrel: de verificat");
    EXPECT_EQ(parent, b.rootKeyword());
    const std::string root = std::to_string(b.rootKeyword());
    EXPECT_EQ(genealogy, "/" + std::to_string(root.size()) + root + "/" + std::to_string(std::to_string(id).size()) +
                             std::to_string(id));
    ASSERT_EQ(s.links.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(s.links[i], std::make_tuple(counter + 2 + static_cast<std::int64_t>(i), images[i], id));
    EXPECT_EQ(b.entityCounter(), counter + 4);

    tag(images, b.connection());
    const auto again = keywordState(b.connection());
    EXPECT_EQ(again.keywords, s.keywords);
    EXPECT_EQ(again.links, s.links);
    EXPECT_EQ(b.entityCounter(), counter + 4);
}

TEST(Tag, reusesAnExistingKeywordButNotOneWithIdZero) {
    testing::TempDir dir;
    CatalogBuilder b(dir / "c.lrcat");
    const auto image = photoWithSettings(b, "A").image;
    b.keywordRow(0, "Vendrel: de verificat");
    tag({image}, b.connection());
    auto s = keywordState(b.connection());
    ASSERT_EQ(s.keywords.size(), 2u);
    const auto made = std::get<0>(s.keywords[1]);
    EXPECT_NE(made, 0);
    ASSERT_EQ(s.links.size(), 1u);
    EXPECT_EQ(std::get<2>(s.links[0]), made);

    const auto other = photoWithSettings(b, "B").image;
    tag({other}, b.connection());
    s = keywordState(b.connection());
    EXPECT_EQ(s.keywords.size(), 2u);
    ASSERT_EQ(s.links.size(), 2u);
    EXPECT_EQ(std::get<2>(s.links[1]), made);
}

TEST(Tag, doesNothingWithoutPhotosCounterOrRoot) {
    struct Case {
        const char* name;
        std::function<void(CatalogBuilder&)> setUp;
        bool empty;
    };
    const std::vector<Case> cases = {
        {"empty list", [](CatalogBuilder&) {}, true},
        {"no entity counter", [](CatalogBuilder& b) { b.removeEntityCounter(); }, false},
        {"no root keyword",
         [](CatalogBuilder& b) { b.connection().exec("delete from AgLibraryKeyword where parent is null"); }, false},
    };
    for (const auto& c : cases) {
        testing::TempDir dir;
        CatalogBuilder b(dir / "c.lrcat");
        const auto image = photoWithSettings(b, "A").image;
        c.setUp(b);
        EXPECT_NO_THROW(tag(c.empty ? std::vector<std::int64_t>{} : std::vector<std::int64_t>{image}, b.connection()))
            << c.name;
        const auto s = keywordState(b.connection());
        EXPECT_TRUE(s.keywords.empty()) << c.name;
        EXPECT_TRUE(s.links.empty()) << c.name;
    }
}

// ---- write basics ----

TEST(CatalogWriterBasics, lockAndUsableSource) {
    testing::freshDataDir();
    testing::TempDir dir;
    const auto catalog = dir / "Foto.lrcat";
    EXPECT_FALSE(isLocked(catalog));
    testing::writeLockFile(catalog);
    EXPECT_TRUE(isLocked(catalog));

    const std::vector<std::pair<std::string, bool>> sources = {
        {"/home/ana/.local/share/Vendrel/Catalogs/X/catalog.lrcat", false},
        {"/home/ana/.local/share/OrvaneStudio/Catalogs/X/catalog.lrcat", false},
        {"/home/ana/Pictures/Nunta.bak-Vendrel.lrcat", false},
        {"/home/ana/Pictures/Nunta.bak-OrvaneStudio.lrcat", false},
        {"/home/ana/Pictures/Lightroom/Nunta.lrcat", true},
        {"/data/vendrel/Catalogs/X/catalog.lrcat", true},  // another folder of that name is a user's folder
        {(Store::root() / "Catalogs" / "X" / "catalog.lrcat").string(), false},  // the data directory in use
        {(Store::root() / "Catalogs" / ".." / "catalog.lrcat").string(), false},
        {(Store::root().parent_path() / "elsewhere" / "Foto.lrcat").string(), true},
    };
    for (const auto& [path, usable] : sources) EXPECT_EQ(isUsableSource(path), usable) << path;
}

TEST(CatalogWriterBasics, execAndScalar) {
    testing::TempDir dir;
    CatalogBuilder b(dir / "c.lrcat");
    const auto& db = b.connection();
    exec(db, "create table t (a); insert into t values (null), (42)");
    try {
        exec(db, "insert into missing values (1)");
        FAIL() << "no error";
    } catch (const WriteError& e) {
        EXPECT_EQ(e.kind(), WriteError::Kind::notWritable);
        EXPECT_EQ(e.errorDescription(), "Catalogul nu se poate scrie: no such table: missing");
    }
    EXPECT_EQ(scalar(db, "select a from t where a is not null"), "42");
    EXPECT_EQ(scalar(db, "select a from t where rowid = 1"), std::nullopt);  // NULL
    EXPECT_EQ(scalar(db, "select a from t where 0"), std::nullopt);          // no row
    EXPECT_EQ(scalar(db, "select from nowhere"), std::nullopt);              // cannot be prepared
    EXPECT_EQ(WriteError::integrity("x").errorDescription(), "Verificarea catalogului a eșuat: x");
    EXPECT_EQ(WriteError::lightroomOpen().errorDescription(), "Închide Lightroom Classic înainte de a scrie în catalog.");
}

}  // namespace
}  // namespace orvane::CatalogWriter

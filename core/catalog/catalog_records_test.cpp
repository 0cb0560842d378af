#include "core/catalog/catalog_records.h"

#include <gtest/gtest.h>

#include "core/store/store.h"
#include "testing/temp_dir.h"

namespace orvane {
namespace {

CatalogPhoto photoAt(std::string path, std::optional<std::string> captureTime) {
    CatalogPhoto p;
    p.path = std::move(path);
    p.captureTime = std::move(captureTime);
    return p;
}

TEST(CatalogPhoto, identityIsLowerCasedNameAndCaptureTimeElseThePath) {
    struct Case {
        const char* name;
        CatalogPhoto photo;
        std::string identity;
    };
    const Case cases[] = {
        {"with capture time", photoAt("/Photos/IMG_0001.CR3", "2021-07-03T10:12:44.10"),
         "img_0001.cr3|2021-07-03T10:12:44.10"},
        {"absent capture time", photoAt("/Photos/IMG_0001.CR3", std::nullopt), "/Photos/IMG_0001.CR3"},
        {"empty capture time", photoAt("/Photos/IMG_0001.CR3", ""), "/Photos/IMG_0001.CR3"},
        {"folders do not count", photoAt("/A/B/DSC_9.NEF", "2020-01-01"), "dsc_9.nef|2020-01-01"},
        {"full Unicode lower-casing", photoAt("/Poze/ŞTEFAN_ÄÖ_ΣΑΣ.NEF", "t"), "ştefan_äö_σασ.nef|t"},
        {"dotted capital I becomes i and a combining dot", photoAt("/x/İ.CR2", "t"), "i\u0307.cr2|t"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.photo.identity(), c.identity) << c.name;
}

TEST(CatalogPhoto, usableNeedsExposureTemperatureEditedAndColour) {
    CatalogPhoto base;
    base.path = "/p.CR3";
    base.exposure = 0.3;
    base.temperature = 5200;
    base.edited = true;
    struct Case {
        const char* name;
        void (*change)(CatalogPhoto&);
        bool usable;
    };
    const Case cases[] = {
        {"black and white absent", [](CatalogPhoto&) {}, true},
        {"black and white false", [](CatalogPhoto& p) { p.blackAndWhite = false; }, true},
        {"tint missing does not matter", [](CatalogPhoto& p) { p.tint.reset(); }, true},
        {"black and white", [](CatalogPhoto& p) { p.blackAndWhite = true; }, false},
        {"not edited", [](CatalogPhoto& p) { p.edited = false; }, false},
        {"no exposure", [](CatalogPhoto& p) { p.exposure.reset(); }, false},
        {"no temperature", [](CatalogPhoto& p) { p.temperature.reset(); }, false},
    };
    for (const auto& c : cases) {
        CatalogPhoto p = base;
        c.change(p);
        EXPECT_EQ(p.usable(), c.usable) << c.name;
    }
}

TEST(CatalogPhoto, jsonFormLeavesAbsentFieldsOutAndReadsBack) {
    CatalogPhoto p = photoAt("/Photos/a.CR3", std::nullopt);
    EXPECT_EQ(Store::encode(p), R"({"edited":false,"path":"/Photos/a.CR3"})");
    p.exposure = 0.35;
    p.extras = SettingValues{{"Contrast2012", 12}, {"Dehaze", 0}};
    p.blackAndWhite = false;
    p.fileID = "ABC";
    EXPECT_EQ(json::decode<CatalogPhoto>(json::parse(Store::encode(p))), p);
    EXPECT_EQ(hashOf(json::decode<CatalogPhoto>(json::parse(Store::encode(p)))), hashOf(p));
}

TEST(SettingValues, keepsInsertionOrderButComparesAndHashesAsAMap) {
    SettingValues a{{"Whites2012", 1}, {"Blacks2012", -2}};
    a.set("Whites2012", 3);
    ASSERT_EQ(a.size(), 2u);
    EXPECT_EQ(a.entries()[0], SettingValues::Entry("Whites2012", 3));
    const SettingValues b{{"Blacks2012", -2}, {"Whites2012", 3}};
    EXPECT_EQ(a, b);
    EXPECT_EQ(hashOf(a), hashOf(b));
    EXPECT_NE(a, (SettingValues{{"Blacks2012", -2}, {"Whites2012", 4}}));
    EXPECT_NE(a, (SettingValues{{"Blacks2012", -2}}));
    EXPECT_EQ(a.get("Blacks2012"), -2);
    EXPECT_EQ(a.get("Dehaze"), std::nullopt);
}

TrainingCatalog sampleCatalog() {
    TrainingCatalog c;
    c.id = *Uuid::parse("0b9e3c52-4f0e-4d5e-9f3b-1c2d3e4f5a6b");
    c.name = "Nunți 2024";
    c.source = "/home/ana/Pictures/Lightroom/Nunți 2024.lrcat";
    c.imported = *IsoDate::parse("2026-03-01T10:20:30Z");
    c.photos = 120;
    c.usable = 40;
    c.rawMissing = 3;
    return c;
}

TEST(TrainingCatalog, roundTripsThroughTheStoreWithOptionalKeysLeftOut) {
    testing::TempDir dir;
    TrainingCatalog c = sampleCatalog();
    const auto file = dir / "catalog.json";
    Store::save(c, file);
    const std::string text = testing::readText(file);
    EXPECT_EQ(text,
              R"({"id":"0B9E3C52-4F0E-4D5E-9F3B-1C2D3E4F5A6B","imported":"2026-03-01T10:20:30Z","name":"Nunți 2024",)"
              R"("photos":120,"rawMissing":3,"source":"/home/ana/Pictures/Lightroom/Nunți 2024.lrcat","usable":40})");
    const auto back = Store::load<TrainingCatalog>(file);
    EXPECT_EQ(back, c);
    EXPECT_FALSE(back.previews.has_value());
    EXPECT_FALSE(back.onlyPaths.has_value());
    EXPECT_EQ(Store::encode(back), text);

    c.previews = 55;
    c.onlyPaths = std::vector<std::string>{"/a.CR3", "/b.NEF"};
    Store::save(c, file);
    EXPECT_EQ(Store::load<TrainingCatalog>(file), c);
    EXPECT_EQ(hashOf(Store::load<TrainingCatalog>(file)), hashOf(c));
}

TEST(TrainingCatalog, missingOrMistypedRequiredKeysMakeTheRecordUnreadable) {
    const std::string full = Store::encode(sampleCatalog());
    for (const char* key : {"id", "name", "source", "imported", "photos", "usable", "rawMissing"}) {
        Json j = json::parse(full);
        j.erase(key);
        EXPECT_THROW(json::decode<TrainingCatalog>(j), json::DecodeError) << key;
        j = json::parse(full);
        j[key] = nullptr;
        EXPECT_THROW(json::decode<TrainingCatalog>(j), json::DecodeError) << key << " null";
    }
    Json j = json::parse(full);
    j["previews"] = "55";
    EXPECT_THROW(json::decode<TrainingCatalog>(j), json::DecodeError);
    j = json::parse(full);
    j["previews"] = nullptr;
    j["unknown"] = 1;
    EXPECT_EQ(json::decode<TrainingCatalog>(j), sampleCatalog());

    // The store's listing skips the broken one and keeps the good one.
    testing::TempDir dir;
    Store::save(sampleCatalog(), dir / "A" / "catalog.json");
    testing::writeText(dir / "B" / "catalog.json", R"({"id":"0B9E3C52-4F0E-4D5E-9F3B-1C2D3E4F5A6B"})");
    const auto all = Store::all<TrainingCatalog>(dir.path(), "catalog.json");
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0], sampleCatalog());
}

TEST(TrainingCatalog, pathsLieInTheDataDirectoryUnderTheUpperCaseID) {
    const TrainingCatalog c = sampleCatalog();
    const auto dir = Store::root() / "Catalogs" / "0B9E3C52-4F0E-4D5E-9F3B-1C2D3E4F5A6B";
    EXPECT_EQ(c.dir(), dir);
    EXPECT_EQ(c.lrcat(), dir / "catalog.lrcat");
    EXPECT_EQ(c.file(), dir / "catalog.json");
}

struct FakeProfile {
    std::optional<std::string> engine;
};

TEST(TrainingCatalog, trainableCountsPreviewsOnlyForThePreviewEngine) {
    struct Case {
        const char* name;
        std::optional<std::string> engine;
        bool profile;
        std::optional<std::int64_t> previews;
        std::int64_t expected;
    };
    const Case cases[] = {
        {"preview, more previews", "preview", true, 55, 55},
        {"preview, fewer previews", "preview", true, 12, 40},
        {"preview, previews absent", "preview", true, std::nullopt, 40},
        {"fast engine", "fast", true, 55, 40},
        {"no engine", std::nullopt, true, 55, 40},
        {"no profile", std::nullopt, false, 55, 40},
        {"engine compared exactly", "Preview", true, 55, 40},
        {"engine compared exactly, blank", "preview ", true, 55, 40},
    };
    for (const auto& c : cases) {
        TrainingCatalog t = sampleCatalog();
        t.usable = 40;
        t.previews = c.previews;
        const FakeProfile profile{c.engine};
        EXPECT_EQ(t.trainable(c.profile ? &profile : nullptr), c.expected) << c.name;
        if (c.profile) { EXPECT_EQ(t.trainable(c.engine), c.expected) << c.name; }
    }
}

TEST(CatalogStats, rawMissingIsEditedLessValid) {
    const CatalogStats s{.photos = 20, .edited = 10, .valid = 7, .previews = 0};
    EXPECT_EQ(s.rawMissing(), 3);
    EXPECT_EQ(CatalogStats{}.previews, 0);
    EXPECT_EQ(hashOf(s), hashOf(CatalogStats{20, 10, 7, 0}));
    EXPECT_NE(hashOf(s), hashOf(CatalogStats{20, 10, 7, 1}));
}

TEST(CatalogError, messagesAreTheRomanianPrefixAndThePayload) {
    const auto checksum = CatalogError::checksum("Foto.lrcat-wal");
    EXPECT_EQ(std::string(checksum.what()), "Copia nu corespunde originalului (SHA-256): Foto.lrcat-wal");
    EXPECT_EQ(checksum.kind(), CatalogError::Kind::checksum);
    EXPECT_EQ(checksum.detail(), "Foto.lrcat-wal");
    const auto sqlite = CatalogError::sqlite("file is not a database");
    EXPECT_EQ(sqlite.message(), "Catalogul nu se poate citi: file is not a database");
    EXPECT_EQ(sqlite.kind(), CatalogError::Kind::sqlite);
}

}  // namespace
}  // namespace orvane

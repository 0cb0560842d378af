#include "core/catalog/catalog_import.h"

#include <gtest/gtest.h>
#include <openssl/sha.h>

#include "core/catalog/sqlite.h"

#include "core/store/store.h"
#include "testing/catalog_builder.h"
#include "testing/dng_writer.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using orvane::testing::CatalogBuilder;
using orvane::testing::DevelopText;
using orvane::testing::TempDir;
using orvane::testing::writeText;

std::string editedText(double exposure) {
    return DevelopText().number("Exposure2012", exposure).number("Temperature", 5200).number("Tint", 2).str();
}

struct Built {
    fs::path catalog;
    std::vector<std::string> usablePaths;
};

// Ten usable photos: 3 with missing raw files, 4 with smart previews (one of them among the missing),
// plus an unedited photo and a black and white one that are not usable.
Built tenUsable(const TempDir& dir, bool wal = false) {
    Built out;
    out.catalog = dir / "User" / "Nunta.lrcat";
    fs::create_directories(out.catalog.parent_path());
    CatalogBuilder b(out.catalog, CatalogBuilder::Options{.wal = wal});
    const std::string root = (dir / "raws").string() + "/";
    for (int i = 0; i < 10; ++i) {
        const std::string base = "IMG_" + std::to_string(i);
        auto ids = b.photo({.root = root, .folder = "2024/", .baseName = base, .extension = "NEF",
                            .settings = editedText(0.1 * (i + 1))});
        const std::string path = root + "2024/" + base + ".NEF";
        out.usablePaths.push_back(path);
        if (i >= 3) writeText(path, "raw");
        if (i >= 2 && i < 6) writeText(orvane::testing::writeCatalogSmartPreview(out.catalog, ids.fileID, {}), "");
    }
    b.photo({.root = root, .folder = "2024/", .baseName = "plain", .extension = "NEF", .settings = DevelopText().str()});
    b.photo({.root = root, .folder = "2024/", .baseName = "bw", .extension = "NEF",
             .settings = DevelopText().number("Exposure2012", 1).number("Temperature", 5000).boolean("ConvertToGrayscale", true).str()});
    if (!wal) b.close();
    return out;
}

TEST(CatalogImport, countsWhatACatalogOffers) {
    orvane::testing::freshDataDir();
    TempDir dir;
    auto built = tenUsable(dir);
    auto stats = Catalog::analyze(built.catalog);
    ASSERT_TRUE(stats);
    EXPECT_EQ(stats->photos, 12);
    EXPECT_EQ(stats->edited, 10);
    EXPECT_EQ(stats->valid, 7);
    EXPECT_EQ(stats->previews, 4);
    EXPECT_EQ(stats->rawMissing(), 3);

    auto t = Catalog::importCatalog(built.catalog);
    EXPECT_EQ(t.name, "Nunta");
    EXPECT_EQ(t.source, built.catalog.string());
    EXPECT_EQ(t.photos, 12);
    EXPECT_EQ(t.usable, 7);
    EXPECT_EQ(t.rawMissing, 3);
    EXPECT_EQ(t.previews, 4);
    EXPECT_FALSE(t.onlyPaths);
    EXPECT_EQ(t.dir(), Store::catalogs() / t.id.text());
    EXPECT_TRUE(fs::exists(t.lrcat()));
    EXPECT_FALSE(fs::exists(t.dir() / "catalog.lrcat-wal"));
    EXPECT_EQ(Catalog::sha256(t.lrcat()), Catalog::sha256(built.catalog));

    EXPECT_FALSE(Catalog::analyze(dir / "missing.lrcat"));
    CatalogBuilder empty(dir / "empty.lrcat");
    empty.close();
    EXPECT_EQ(Catalog::analyze(dir / "empty.lrcat"), CatalogStats{});
}

TEST(CatalogImport, onlySelectedPathsCount) {
    orvane::testing::freshDataDir();
    TempDir dir;
    auto built = tenUsable(dir);
    auto none = Catalog::importCatalog(built.catalog, std::set<std::string>{});
    EXPECT_EQ(none.photos, 12);
    EXPECT_EQ(none.usable, 0);
    EXPECT_EQ(none.rawMissing, 0);
    EXPECT_EQ(none.previews, 0);
    ASSERT_TRUE(none.onlyPaths);
    EXPECT_TRUE(none.onlyPaths->empty());

    auto some = Catalog::importCatalog(built.catalog, std::set<std::string>{built.usablePaths[2], built.usablePaths[5], "/other"});
    EXPECT_EQ(some.usable, 1);
    EXPECT_EQ(some.rawMissing, 1);
    EXPECT_EQ(some.previews, 2);
    EXPECT_NE(some.id, none.id);  // every import is its own copy
}

TEST(CatalogImport, copiesAndVerifiesTheWriteAheadLog) {
    orvane::testing::freshDataDir();
    TempDir dir;
    fs::path catalog = dir / "Live.lrcat";
    CatalogBuilder b(catalog, CatalogBuilder::Options{.wal = true});
    b.photo({.settings = editedText(0.5)});
    ASSERT_TRUE(fs::exists(dir / "Live.lrcat-wal"));
    std::vector<std::string> copied;
    Catalog::ImportHooks hooks;
    hooks.afterCopy = [&](const fs::path& source) { copied.push_back(source.filename().string()); };
    auto t = Catalog::importCatalog(catalog, std::nullopt, hooks);
    EXPECT_EQ(copied, (std::vector<std::string>{"Live.lrcat", "Live.lrcat-wal", "Live.lrcat-shm"}));
    EXPECT_EQ(t.photos, 1);  // the photo lives only in the log until a checkpoint
}

TEST(CatalogImport, aSourceChangedDuringTheCopyIsRetried) {
    orvane::testing::freshDataDir();
    TempDir dir;
    auto built = tenUsable(dir);
    std::vector<std::chrono::milliseconds> pauses;
    int copies = 0;
    Catalog::ImportHooks hooks;
    hooks.sleep = [&](std::chrono::milliseconds d) { pauses.push_back(d); };
    hooks.afterCopy = [&](const fs::path& source) {
        // Lightroom writes to the catalog right after the first copy: only the first attempt sees it.
        if (++copies == 1) {
            Sqlite::Connection db = Sqlite::Connection::open(source.string(), SQLITE_OPEN_READWRITE);
            db.exec("update Adobe_variablesTable set value = value + 1");
        }
    };
    auto t = Catalog::importCatalog(built.catalog, std::nullopt, hooks);
    EXPECT_EQ(pauses, (std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(1500)}));
    EXPECT_EQ(Catalog::sha256(t.lrcat()), Catalog::sha256(built.catalog));
}

TEST(CatalogImport, threeFailuresRemoveTheFolderAndReport) {
    orvane::testing::freshDataDir();
    TempDir dir;
    writeText(dir / "fake.lrcat", "not a catalog at all");
    int pauses = 0;
    Catalog::ImportHooks hooks;
    hooks.sleep = [&](std::chrono::milliseconds) { ++pauses; };
    try {
        Catalog::importCatalog(dir / "fake.lrcat", std::nullopt, hooks);
        FAIL();
    } catch (const CatalogError& e) {
        EXPECT_EQ(e.kind(), CatalogError::Kind::sqlite);
        EXPECT_EQ(std::string(e.what()).rfind("Catalogul nu se poate citi: ", 0), 0u);
    }
    EXPECT_EQ(pauses, 2);
    EXPECT_TRUE(Store::entries(Store::catalogs()).empty());

    // A source that never settles fails with the checksum error naming the file.
    auto built = tenUsable(dir);
    int writes = 0;
    hooks.afterCopy = [&](const fs::path& source) {
        // Lightroom keeps changing its shared-memory file while it is copied.
        if (source == built.catalog || source.string() == built.catalog.string() + "-shm")
            writeText(built.catalog.string() + "-shm", "changed " + std::to_string(++writes));
    };
    try {
        Catalog::importCatalog(built.catalog, std::nullopt, hooks);
        FAIL();
    } catch (const CatalogError& e) {
        EXPECT_EQ(e.kind(), CatalogError::Kind::checksum);
        EXPECT_EQ(e.detail(), "Nunta.lrcat-shm");
    }
    EXPECT_TRUE(Store::entries(Store::catalogs()).empty());
}

TEST(CatalogImport, sha256ReadsInBlocks) {
    TempDir dir;
    writeText(dir / "empty", "");
    auto hex = [](const std::array<std::uint8_t, 32>& d) {
        std::string s;
        char buf[3];
        for (auto b : d) {
            std::snprintf(buf, sizeof buf, "%02x", b);
            s += buf;
        }
        return s;
    };
    EXPECT_EQ(hex(Catalog::sha256(dir / "empty")), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    writeText(dir / "block", std::string(8 * 1024 * 1024, 'a'));
    const std::string block(8 * 1024 * 1024, 'a');
    std::array<std::uint8_t, 32> whole{};
    SHA256(reinterpret_cast<const unsigned char*>(block.data()), block.size(), whole.data());
    EXPECT_EQ(Catalog::sha256(dir / "block"), whole);
}

}  // namespace
}  // namespace orvane

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "core/catalog/catalog.h"
#include "core/catalog/sqlite.h"
#include "core/store/preset_keys.h"
#include "core/store/store.h"
#include "testing/catalog_builder.h"
#include "testing/temp_dir.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using testing::CatalogBuilder;
using testing::DevelopText;

SettingValues extrasWith(std::initializer_list<SettingValues::Entry> set) {
    SettingValues v;
    for (const auto& key : Model::extraKeys()) v.set(key, 0);
    for (const auto& [key, value] : set) v.set(key, value);
    return v;
}

CatalogPhoto expected(std::string path, std::optional<double> exposure, std::optional<double> temperature,
                      std::optional<double> tint, bool edited, std::optional<double> cropAngle,
                      std::optional<std::string> captureTime, std::optional<std::string> fileID, SettingValues extras,
                      bool blackAndWhite) {
    CatalogPhoto p;
    p.path = std::move(path);
    p.exposure = exposure;
    p.temperature = temperature;
    p.tint = tint;
    p.edited = edited;
    p.cropAngle = cropAngle;
    p.captureTime = std::move(captureTime);
    p.fileID = std::move(fileID);
    p.extras = std::move(extras);
    p.blackAndWhite = blackAndWhite;
    return p;
}

// About twenty images covering what real catalogs hold: masters and virtual copies, every file format,
// missing settings rows and NULL path parts. Returns the photos a read must give, in row order.
std::vector<CatalogPhoto> buildMixedCatalog(CatalogBuilder& b) {
    std::vector<CatalogPhoto> want;
    const std::string root = "/home/ana/Poze/";

    // An edited raw with curves, a nested mask and a crop.
    auto edited = DevelopText()
                      .number("Exposure2012", 0.35)
                      .number("Contrast2012", 20)
                      .number("Highlights2012", -45)
                      .number("CropAngle", -1.25)
                      .number("Temperature", 5400)
                      .number("Tint", 3)
                      .curve("ToneCurvePV2012", {0, 0, 64, 58, 192, 200, 255, 255})
                      .list("MaskGroupBasedCorrections",
                            {DevelopText().number("LocalExposure2012", 0.4).text("CorrectionName", "Dinți")})
                      .text("WhiteBalance", "Custom");
    const auto a = b.photo({.root = root, .folder = "2024/Nunta/", .baseName = "IMG_0001", .extension = "CR3",
                            .captureTime = "2024-06-01T10:00:00.10", .settings = edited.str()});
    want.push_back(expected(root + "2024/Nunta/IMG_0001.CR3", 0.35, 5400, 3, true, -1.25, "2024-06-01T10:00:00.10",
                            a.fileID, extrasWith({{"Contrast2012", 20}, {"Highlights2012", -45}}), false));
    // Its virtual copies are never returned.
    b.virtualCopy(a.file, "Copy 1", DevelopText().number("Exposure2012", 2).str());
    b.virtualCopy(a.file, "Alb-negru", DevelopText().boolean("ConvertToGrayscale", true).str());

    // "As Shot" only: not edited, no values.
    const auto asShot = b.photo({.root = root, .folder = "2024/Nunta/", .baseName = "IMG_0002", .extension = "CR3",
                                 .captureTime = "2024-06-01T10:00:05",
                                 .settings = DevelopText().text("WhiteBalance", "As Shot").boolean("AutoGrayscaleMix", true).str()});
    want.push_back(expected(root + "2024/Nunta/IMG_0002.CR3", std::nullopt, std::nullopt, std::nullopt, false,
                            std::nullopt, "2024-06-01T10:00:05", asShot.fileID, extrasWith({}), false));

    // Black and white by the grayscale flag, and by the treatment.
    const auto bw = b.photo({.root = root, .folder = "2024/Nunta/", .baseName = "IMG_0003", .extension = "NEF",
                             .settings = DevelopText()
                                             .number("Exposure2012", 0.5)
                                             .number("Temperature", 5000)
                                             .boolean("ConvertToGrayscale", true)
                                             .number("Whites2012", 12)
                                             .str()});
    want.push_back(expected(root + "2024/Nunta/IMG_0003.NEF", 0.5, 5000, std::nullopt, true, std::nullopt,
                            std::nullopt, bw.fileID, extrasWith({{"Whites2012", 12}}), true));
    const auto treatment = b.photo({.root = root, .folder = "2024/Nunta/", .baseName = "IMG_0004", .extension = "CR3",
                                    .settings = DevelopText()
                                                    .number("Exposure2012", -0.2)
                                                    .number("Temperature", 4800)
                                                    .text("Treatment", "grayscale")
                                                    .str()});
    want.push_back(expected(root + "2024/Nunta/IMG_0004.CR3", -0.2, 4800, std::nullopt, true, std::nullopt,
                            std::nullopt, treatment.fileID, extrasWith({}), true));

    // A JPG master is not a raw photo.
    b.photo({.root = root, .folder = "2024/Nunta/", .baseName = "IMG_0005", .extension = "JPG", .fileFormat = "JPG",
             .settings = DevelopText().number("Exposure2012", 1).str()});

    // A DNG master is.
    const auto dng = b.photo({.root = root, .folder = "2024/Botez/", .baseName = "DSC_0100", .extension = "dng",
                              .fileFormat = "DNG", .captureTime = "2024-07-10T12:00:00",
                              .settings = DevelopText()
                                              .number("Exposure2012", 1.1)
                                              .number("Temperature", 6100)
                                              .number("Tint", -7)
                                              .number("Vibrance", 15)
                                              .number("Saturation", -5)
                                              .number("Texture", 10)
                                              .number("Dehaze", 8)
                                              .str()});
    want.push_back(expected(root + "2024/Botez/DSC_0100.dng", 1.1, 6100, -7, true, std::nullopt,
                            "2024-07-10T12:00:00", dng.fileID,
                            extrasWith({{"Vibrance", 15}, {"Saturation", -5}, {"Texture", 10}, {"Dehaze", 8}}), false));

    // No develop-settings row, and a row whose text is NULL.
    const auto bare = b.photo({.root = root, .folder = "2024/Botez/", .baseName = "DSC_0101", .extension = "ARW"});
    want.push_back(expected(root + "2024/Botez/DSC_0101.ARW", std::nullopt, std::nullopt, std::nullopt, false,
                            std::nullopt, std::nullopt, bare.fileID, extrasWith({}), false));
    const auto nullText = b.photo({.root = root, .folder = "2024/Botez/", .baseName = "DSC_0102", .extension = "ARW"});
    b.developSettings(nullText.image, std::nullopt);
    want.push_back(expected(root + "2024/Botez/DSC_0102.ARW", std::nullopt, std::nullopt, std::nullopt, false,
                            std::nullopt, std::nullopt, nullText.fileID, extrasWith({}), false));

    // Each NULL path part drops the row.
    const auto nullRoot = b.rootFolder(std::nullopt);
    b.image(b.file(b.folder(nullRoot, "x/"), "N1", "CR3"));
    const auto goodRoot = b.rootFolder("/mnt/disc/");
    b.image(b.file(b.folder(goodRoot, std::nullopt), "N2", "CR3"));
    const auto goodFolder = b.folder(goodRoot, "");
    b.image(b.file(goodFolder, std::nullopt, "CR3"));
    b.image(b.file(goodFolder, "N4", std::nullopt));

    // Neither file identifier nor capture time; an empty folder path; white balance only, not "As Shot".
    const auto noID = b.file(goodFolder, "N5", "RAF", std::nullopt, /*nullID=*/true);
    const auto noIDImage = b.image(noID);
    b.developSettings(noIDImage, DevelopText().text("WhiteBalance", "Daylight").number("Temperature", 5500).str());
    want.push_back(expected("/mnt/disc/N5.RAF", std::nullopt, 5500, std::nullopt, true, std::nullopt, std::nullopt,
                            std::nullopt, extrasWith({}), false));

    // Tone values too small to count, and CRLF lines that give no numbers.
    const auto tiny = b.photo({.root = "/mnt/disc/", .folder = "", .baseName = "N6", .extension = "CR2",
                               .settings = "s = { Exposure2012 = 1e-10,\nClarity2012 = -1e-9,\nTemperature = 4000 }"});
    want.push_back(expected("/mnt/disc/N6.CR2", 1e-10, 4000, std::nullopt, false, std::nullopt, std::nullopt,
                            tiny.fileID, extrasWith({{"Clarity2012", -1e-9}}), false));
    const auto crlf = b.photo({.root = "/mnt/disc/", .folder = "", .baseName = "N7", .extension = "CR2",
                               .settings = "s = { Exposure2012 = 0.7,\r\nShadows2012 = 30,\r\nWhiteBalance = \"As Shot\" }"});
    want.push_back(expected("/mnt/disc/N7.CR2", std::nullopt, std::nullopt, std::nullopt, false, std::nullopt,
                            std::nullopt, crlf.fileID, extrasWith({}), false));

    // A JPG virtual copy of a JPG, and a DNG virtual copy: neither is a master.
    const auto dngCopy = b.image(dng.file, "DNG", "Copy 2");
    b.developSettings(dngCopy, DevelopText().number("Exposure2012", 3).str());

    // Folders with blanks and non-ASCII names come through as the catalog stores them.
    const auto unicode = b.photo({.root = "/home/ana/My Photos/", .folder = "Nuntă Ioana & Radu/",
                                  .baseName = "Ştefan 01", .extension = "CR3", .captureTime = "",
                                  .settings = DevelopText().number("Blacks2012", -8).str()});
    want.push_back(expected("/home/ana/My Photos/Nuntă Ioana & Radu/Ştefan 01.CR3", std::nullopt, std::nullopt,
                            std::nullopt, true, std::nullopt, "", unicode.fileID, extrasWith({{"Blacks2012", -8}}),
                            false));
    return want;
}

void expectSamePhotos(const std::vector<CatalogPhoto>& got, const std::vector<CatalogPhoto>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i], want[i]) << i << ": " << Store::encode(got[i]) << "\nwanted " << Store::encode(want[i]);
        ASSERT_TRUE(got[i].extras);
        std::vector<std::string> keys;
        for (const auto& [key, value] : *got[i].extras) keys.push_back(key);
        EXPECT_EQ(keys, Model::extraKeys()) << i;
    }
}

TEST(CatalogRead, mixedCatalogGivesExactlyTheMasterRawPhotos) {
    testing::TempDir dir;
    const auto file = dir / "Foto.lrcat";
    std::vector<CatalogPhoto> want;
    {
        CatalogBuilder b(file);
        want = buildMixedCatalog(b);
    }
    expectSamePhotos(Catalog::read(file, true), want);
    expectSamePhotos(Catalog::read(file, false), want);
}

TEST(CatalogRead, emptyCatalogGivesNoPhotosAndNoFailure) {
    testing::TempDir dir;
    const auto file = dir / "Gol.lrcat";
    { CatalogBuilder b(file); }
    EXPECT_TRUE(Catalog::read(file, true).empty());
    EXPECT_TRUE(Catalog::read(file, false).empty());
}

TEST(CatalogRead, filesThatAreNotCatalogsFailWithSqlitesMessage) {
    testing::TempDir dir;
    testing::writeText(dir / "notes.lrcat", std::string(4096, 'x'));
    {
        const auto db = Sqlite::Connection::open((dir / "other.db").string(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        db.exec("create table t (a)");
    }
    struct Case {
        const char* name;
        fs::path file;
        std::string message;
    };
    const Case cases[] = {
        {"not a database", dir / "notes.lrcat", "Catalogul nu se poate citi: file is not a database"},
        {"a database without the tables", dir / "other.db", "Catalogul nu se poate citi: no such table: Adobe_images"},
        {"missing file", dir / "missing.lrcat", "Catalogul nu se poate citi: unable to open database file"},
    };
    for (const auto& c : cases) {
        for (const bool immutable : {true, false}) {
            try {
                (void)Catalog::read(c.file, immutable);
                ADD_FAILURE() << c.name << " read without failure";
            } catch (const CatalogError& e) {
                EXPECT_EQ(e.kind(), CatalogError::Kind::sqlite) << c.name;
                EXPECT_EQ(std::string(e.what()), c.message) << c.name << (immutable ? " immutable" : "");
            }
        }
    }
    EXPECT_FALSE(fs::exists(dir / "missing.lrcat"));  // reading never creates a file
}

TEST(CatalogRead, immutableReadDoesNotWaitForAWriterAndAPlainReadFailsInsteadOfReturningNothing) {
    testing::TempDir dir;
    const auto file = dir / "Deschis.lrcat";
    std::vector<CatalogPhoto> want;
    {
        CatalogBuilder b(file);
        want = buildMixedCatalog(b);
    }
    // Another program holds the write lock in the middle of a change, as Lightroom Classic does.
    const auto other = Sqlite::Connection::open(file.string(), SQLITE_OPEN_READWRITE);
    other.exec("begin exclusive");
    other.exec("update Adobe_imageDevelopSettings set text = 'Exposure2012 = 9' where id_local > 0");

    // The lock is held until the end of the test: a read that waited for it could only fail.
    expectSamePhotos(Catalog::read(file, true), want);

    try {
        (void)Catalog::read(file, false);
        FAIL() << "a locked catalog read as if complete";
    } catch (const CatalogError& e) {
        EXPECT_EQ(std::string(e.what()), "Catalogul nu se poate citi: database is locked");
    }
    other.exec("rollback");
}

// Byte content and modification time of every file in a folder.
std::map<std::string, std::pair<std::string, fs::file_time_type>> snapshot(const fs::path& folder) {
    std::map<std::string, std::pair<std::string, fs::file_time_type>> out;
    for (const auto& e : fs::directory_iterator(folder))
        out[e.path().filename().string()] = {testing::readText(e.path()), fs::last_write_time(e.path())};
    return out;
}

TEST(CatalogRead, immutableReadLeavesEveryFileOfAWalCatalogUntouched) {
    testing::TempDir dir;
    // A folder name that a URL must encode.
    const auto folder = dir / "Lightroom #2 ?100% Nuntă";
    const auto file = folder / "Foto.lrcat";
    CatalogBuilder b(file, {.wal = true});
    const auto want = buildMixedCatalog(b);
    b.connection().exec("pragma wal_checkpoint(passive)");
    testing::writeLockFile(file);
    ASSERT_TRUE(fs::exists(folder / "Foto.lrcat-wal"));
    ASSERT_TRUE(fs::exists(folder / "Foto.lrcat-shm"));
    ASSERT_TRUE(fs::exists(folder / "Foto.lrcat.lock"));

    const auto before = snapshot(folder);
    expectSamePhotos(Catalog::read(file, true), want);
    EXPECT_EQ(snapshot(folder), before);
}

TEST(CatalogRead, immutableReadWorksOnAReadOnlyCatalog) {
    if (::geteuid() == 0) GTEST_SKIP() << "root ignores file permissions";
    testing::TempDir dir;
    const auto file = dir / "Arhiva.lrcat";
    std::vector<CatalogPhoto> want;
    {
        CatalogBuilder b(file);
        want = buildMixedCatalog(b);
    }
    fs::permissions(file, fs::perms::owner_read);
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    const auto before = snapshot(dir.path());
    expectSamePhotos(Catalog::read(file, true), want);
    EXPECT_EQ(snapshot(dir.path()), before);
    fs::permissions(dir.path(), fs::perms::owner_all);
}

TEST(CatalogRead, corruptPageMetHalfwayFailsInsteadOfReturningTheRowsSoFar) {
    testing::TempDir dir;
    const auto file = dir / "Stricat.lrcat";
    {
        CatalogBuilder b(file);
        b.begin();
        for (int i = 0; i < 60; ++i)
            b.photo({.baseName = "IMG_" + std::to_string(1000 + i), .settings = testing::realisticDevelopText(i)});
        b.commit();
    }
    const auto leaves = testing::pagesOf(file, "Adobe_imageDevelopSettings", /*leavesOnly=*/true);
    ASSERT_GE(leaves.size(), 4u);
    testing::corruptPage(file, leaves[leaves.size() / 2]);

    // The bare query does yield rows before it meets the page: a reader that stopped quietly would
    // hand back a short list.
    {
        const auto db = Sqlite::Connection::open(file.string(), SQLITE_OPEN_READONLY);
        auto q = db.prepare(Catalog::query());
        int rows = 0;
        EXPECT_THROW(
            {
                while (q.step() == Sqlite::Step::row) ++rows;
            },
            Sqlite::SqliteError);
        EXPECT_GT(rows, 0);
        EXPECT_LT(rows, 60);
    }
    for (const bool immutable : {true, false}) {
        try {
            (void)Catalog::read(file, immutable);
            ADD_FAILURE() << "a corrupt catalog read as if complete";
        } catch (const CatalogError& e) {
            EXPECT_EQ(std::string(e.what()), "Catalogul nu se poate citi: database disk image is malformed");
        }
    }
}

TEST(CatalogBuilderFixture, historyStepsEntityCounterAndLockFileLookLikeLightroomsOwn) {
    testing::TempDir dir;
    const auto file = dir / "Foto.lrcat";
    CatalogBuilder b(file, {.wal = true, .firstEntityID = 500});
    const auto ids = b.photo({.settings = testing::realisticDevelopText(1)});
    const std::string text = testing::realisticDevelopText(1);
    b.historyStep(ids.image, "Export - JPEG", 700000000.5, text);

    std::string blob;
    {
        auto q = b.connection().prepare("select text from Adobe_libraryImageDevelopHistoryStep");
        ASSERT_EQ(q.step(), Sqlite::Step::row);
        blob = std::string(q.blob(0).value());
    }
    ASSERT_GT(blob.size(), 6u);
    const auto u = [&](std::size_t i) { return static_cast<unsigned char>(blob[i]); };
    EXPECT_EQ(std::uint32_t(u(0)) << 24 | u(1) << 16 | u(2) << 8 | u(3), text.size());
    EXPECT_EQ(u(4), 0x78);
    EXPECT_EQ(u(5), 0x9C);
    EXPECT_EQ(testing::decompressHistoryText(blob), text);
    EXPECT_EQ(testing::decompressHistoryText(blob.substr(0, blob.size() - 3)), std::nullopt);

    {
        auto maxID = b.connection().prepare(
            "select max(id) from (select max(id_local) id from Adobe_images union all select max(id_local) from "
            "AgLibraryFile union all select max(id_local) from Adobe_libraryImageDevelopHistoryStep union all "
            "select max(id_local) from Adobe_imageDevelopSettings)");
        ASSERT_EQ(maxID.step(), Sqlite::Step::row);
        EXPECT_EQ(b.entityCounter(), maxID.int64(0));
    }
    EXPECT_GT(b.entityCounter(), 500);

    EXPECT_TRUE(fs::exists(dir / "Foto.lrcat-wal"));
    EXPECT_EQ(testing::writeLockFile(file), dir / "Foto.lrcat.lock");
    b.close();
    EXPECT_FALSE(fs::exists(dir / "Foto.lrcat-wal"));
}

}  // namespace
}  // namespace orvane

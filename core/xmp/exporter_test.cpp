#include "core/xmp/exporter.h"

#include <gtest/gtest.h>

#include "core/base/defaults.h"
#include "core/base/numbers.h"
#include "core/catalog/catalog_backups.h"
#include "core/catalog/sqlite.h"
#include "core/photo/raw_image.h"
#include "core/xmp/xmp_merge.h"
#include "core/xmp/xmp_test_support.h"
#include "testing/catalog_builder.h"
#include "testing/dng_writer.h"
#include "testing/exiftool.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

PhotoItem donePhoto(const fs::path& path, double exposure = 0.5, double temperature = 5200) {
    PhotoItem p(path.string());
    p.status = PhotoItem::Status::done;
    p.exposure = exposure;
    p.temperature = temperature;
    return p;
}

// exiftool gives numbers, or texts such as "+18" for the signed settings it does not type.
double number(const nlohmann::json& value) {
    if (value.is_number()) return value.get<double>();
    std::string_view text = value.is_string() ? value.get_ref<const std::string&>() : std::string_view("?");
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const auto parsed = Numbers::parseDouble(text);
    EXPECT_TRUE(parsed) << value.dump();
    return parsed.value_or(std::nan(""));
}

// The ExportError an export stops with.
std::optional<ExportError> stopOf(const std::function<void()>& exportNow) {
    try {
        exportNow();
    } catch (const ExportError& e) {
        return e;
    }
    ADD_FAILURE() << "the export did not stop";
    return std::nullopt;
}

const std::string kCurvePreset = testing::presetText(
    "crs:Exposure2012=\"+0.20\" crs:Clarity2012=\"+10\" crs:Tint=\"+4\"",
    "<crs:ToneCurvePV2012><rdf:Seq><rdf:li>0, 0</rdf:li><rdf:li>128, 140</rdf:li><rdf:li>255, 255</rdf:li>"
    "</rdf:Seq></crs:ToneCurvePV2012>");

TEST(ExporterValues, exposureTemperatureTintAndOverrides) {
    const std::string path = "/nonexistent/Nunta/IMG_1.dng";  // the as-shot tint is known: no file is read
    struct Case {
        const char* name;
        std::function<void(Project&)> setUp;
        double exposure, temperature, tint;
    };
    const Case cases[] = {
        {"fixed exposure plus face delta; global and tuning ignored",
         [](Project& p) {
             p.fixedExposure = 0.5;
             p.globalExposure = 0.3;
             p.profileTuning = ProfileTuning{{0, 0}, 0.4, {}};
         },
         0.7, 5200, 10},
        {"prediction plus global, tuning and face delta",
         [](Project& p) {
             p.globalExposure = 0.25;
             p.profileTuning = ProfileTuning{{0, 0}, -0.1, {}};
         },
         0.85, 5200, 10},
        {"5200 K + basic 300 - tuning 100",
         [](Project& p) {
             p.basic = BasicAdjustments{300, 0};
             p.profileTuning = ProfileTuning{{-100, 0}, 0, {}};
         },
         0.7, 5400, 10},
        {"fixed 6000 K ignores the offsets, the tint offsets still apply",
         [](Project& p) {
             p.fixedTemperature = 6000;
             p.basic = BasicAdjustments{300, 20};
             p.profileTuning = ProfileTuning{{-100, -5}, 0, {}};
         },
         0.7, 6000, 25},
        {"as shot 10, basic +130, tuning +20: held at 150",
         [](Project& p) {
             p.basic = BasicAdjustments{0, 130};
             p.profileTuning = ProfileTuning{{0, 20}, 0, {}};
         },
         0.7, 5200, 150},
        {"as shot 10, basic -170: held at -150", [](Project& p) { p.basic = BasicAdjustments{0, -170}; }, 0.7, 5200, -150},
        {"as shot 10, basic +140: exactly 150", [](Project& p) { p.basic = BasicAdjustments{0, 140}; }, 0.7, 5200, 150},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Project project;
        project.folder = "/nonexistent/Nunta";
        auto photo = donePhoto(path);
        photo.asShotTint = 10;
        project.photos = {photo};
        c.setUp(project);
        const auto v = Exporter::finalValues(project, photo, testing::neutralPreset(), {{path, 0.2}}, false);
        EXPECT_NEAR(v.exposure, c.exposure, 1e-12);
        EXPECT_DOUBLE_EQ(v.temperature, c.temperature);
        EXPECT_DOUBLE_EQ(v.tint, c.tint);
        EXPECT_EQ(v.file, fs::path(path));
    }

    // Overrides: the project's win over the tuning's, then the photo's own predicted extras; skipped keys as a set.
    Project project;
    project.folder = "/nonexistent/Nunta";
    auto photo = donePhoto(path);
    photo.asShotTint = -3;
    photo.extras = std::map<std::string, double>{{"Contrast2012", 7.5}, {"Vibrance", -4.5}};
    project.photos = {photo};
    project.presetOverrides = std::map<std::string, std::int64_t>{{"Vibrance", 12}};
    project.profileTuning = ProfileTuning{{0, 0}, 0, {{"Vibrance", 30}, {"Clarity2012", 5}}};
    project.untouchedKeys = std::vector<std::string>{"Sharpness", "Dehaze"};
    const auto v = Exporter::finalValues(project, photo, testing::neutralPreset(), {}, false);
    EXPECT_EQ(v.overrides, (DevelopPreset::Overrides{{"Clarity2012", 5}, {"Vibrance", 12}, {"Contrast2012", 8}}));
    EXPECT_EQ(v.skipping, (std::set<std::string, std::less<>>{"Dehaze", "Sharpness"}));
    EXPECT_DOUBLE_EQ(v.exposure, 0.5);  // no face delta for this photo
    EXPECT_DOUBLE_EQ(v.tint, -3);
}


TEST(ExporterPlaces, besideTheRawOrMirroredByPathComponents) {
    struct Case {
        const char* projectFolder;
        const char* photo;
        const char* destination;
        const char* folder;
    };
    const Case cases[] = {
        {"/a", "/a/b/c/x.CR3", "/out", "/out/b/c"},
        {"/a", "/a/x.CR3", "/out", "/out"},
        {"/a", "/elsewhere/x.CR3", "/out", "/out"},
        {"/a/b", "/a/bc/x.CR3", "/out", "/out"},  // "/a/bc" does not lie in "/a/b"
        {"/a/b", "/a/b/../bc/x.CR3", "/out", "/out"},
        {"/a/", "/a/./b/x.CR3", "/out/", "/out/b"},
        {"/a", "/a/b/c/x.CR3", "/a", "/a/b/c"},  // into the project folder: beside the raw file
        {"/a", "/elsewhere/x.CR3", "/a/", "/elsewhere"},
        {"/a", "/a/b/x.CR3", "/a/b/..", "/a/b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.photo) + " into " + c.destination);
        Project project;
        project.folder = c.projectFolder;
        EXPECT_EQ(Exporter::sidecarFolder(project, PhotoItem(c.photo), c.destination), fs::path(c.folder));
    }
}

class ExporterFiles : public ::testing::Test {
protected:
    TempDir dir;
    fs::path root = dir / "Nunta";

    // Done photos in the project folder, a sub-folder, a sub-sub-folder and a sibling folder whose name
    // starts with the project folder's; one pending photo; one whose raw file is gone but whose smart
    // preview is there.
    Project project() {
        Project p;
        p.folder = root.string();
        const fs::path files[] = {root / "IMG_1.dng", root / "Ceremonie" / "IMG_2.dng",
                                  root / "Ceremonie" / "Intrare" / "IMG_3.dng", dir / "Nunta2" / "IMG_4.dng"};
        double exposure = -0.4;
        testing::DngSpec highISO;
        highISO.iso = 3200;
        for (const auto& f : files) {
            if (!fs::exists(f)) testing::writeDng(f, highISO);
            p.photos.push_back(donePhoto(f, exposure += 0.3, 5000));
            p.photos.back().extras = std::map<std::string, double>{{"Vibrance", exposure * 10}};
        }
        p.photos.emplace_back((root / "IMG_5.dng").string());  // pending
        const fs::path preview = dir / "previews" / "A1B2.dng";
        if (!fs::exists(preview)) {
            fs::create_directories(preview.parent_path());
            testing::SmartPreviewSpec spec;
            spec.iso = 3200;
            testing::writeSmartPreview(preview, spec);
        }
        auto gone = donePhoto(root / "Ceremonie" / "IMG_6.dng", 1.1, 4800);
        gone.previewPath = preview.string();
        p.photos.push_back(gone);
        p.basic = BasicAdjustments{200, 5};
        p.presetOverrides = std::map<std::string, std::int64_t>{{"Contrast2012", 15}};
        p.noiseReduction = true;
        return p;
    }

    static std::vector<fs::path> relative(const std::vector<fs::path>& files, const fs::path& base) {
        std::vector<fs::path> out;
        for (const auto& f : files) out.push_back(f.lexically_relative(base));
        return out;
    }
};

TEST_F(ExporterFiles, intoTheProjectFolderAndIntoAMirroredTree) {
    testing::RomanianLocale ro;
    const auto p = project();
    const auto preset = testing::presetFrom(kCurvePreset);
    const std::vector<fs::path> beside = {"Nunta/IMG_1.xmp", "Nunta/Ceremonie/IMG_2.xmp",
                                          "Nunta/Ceremonie/Intrare/IMG_3.xmp", "Nunta2/IMG_4.xmp",
                                          "Nunta/Ceremonie/IMG_6.xmp"};

    // Another program's sidecar beside one raw file: merged, with its one-time backup.
    EXPECT_TRUE(Exporter::conflicts(p, root).empty());
    testing::writeText(root / "Ceremonie" / "IMG_2.xmp",
                       "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"" + testing::kRdf +
                           "\"><rdf:Description rdf:about=\"\" xmlns:crs=\"" + testing::kCrs +
                           "\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" xmp:Rating=\"4\" crs:Vibrance=\"+8\"/>"
                           "</rdf:RDF></x:xmpmeta>");
    EXPECT_EQ(relative(Exporter::conflicts(p, root), dir.path()), std::vector<fs::path>{"Nunta/Ceremonie/IMG_2.xmp"});
    EXPECT_EQ(Exporter::write(p, preset, root), (Exporter::SidecarCounts{4, 1, 1}));
    EXPECT_EQ(relative(Exporter::conflicts(p, root), dir.path()), beside);
    EXPECT_TRUE(fs::exists(root / "Ceremonie" / "IMG_2.xmp.bak-original"));
    EXPECT_FALSE(fs::exists(dir / "previews" / "A1B2.xmp"));  // named after the raw path, not the preview
    // Again: every sidecar is ours now, so all are merged and none needs a new backup.
    EXPECT_EQ(Exporter::write(p, preset, root), (Exporter::SidecarCounts{0, 5, 0}));

    // Into another folder (with a trailing separator): the tree below the project folder is mirrored.
    const fs::path out = dir / "Export";
    EXPECT_TRUE(Exporter::conflicts(p, out.string() + "/").empty());
    EXPECT_EQ(Exporter::write(p, preset, out.string() + "/"), (Exporter::SidecarCounts{5, 0, 0}));
    const std::vector<fs::path> mirrored = {"IMG_1.xmp", "Ceremonie/IMG_2.xmp", "Ceremonie/Intrare/IMG_3.xmp",
                                            "IMG_4.xmp", "Ceremonie/IMG_6.xmp"};
    EXPECT_EQ(relative(Exporter::conflicts(p, out), out), mirrored);
    EXPECT_FALSE(fs::exists(out / "IMG_5.xmp"));  // pending photos are not exported

    // An independent reader finds the final values in every sidecar.
    const auto program = testing::exiftoolPath();
    if (!program) GTEST_SKIP() << "exiftool is not installed";
    const auto deltas = p.faceDeltas();
    std::size_t i = 0;
    for (const auto& photo : p.photos) {
        if (photo.status != PhotoItem::Status::done) continue;
        const auto v = Exporter::finalValues(p, photo, preset, deltas, false);
        for (const fs::path& sidecar : {dir / beside[i], out / mirrored[i]}) {
            SCOPED_TRACE(sidecar.string());
            const auto record = testing::exiftool(*program, sidecar);
            ASSERT_FALSE(record.is_null());
            EXPECT_DOUBLE_EQ(number(record["Exposure2012"]), std::round(v.exposure * 100) / 100);
            EXPECT_EQ(number(record["ColorTemperature"]), std::round(v.temperature));
            EXPECT_EQ(number(record["Tint"]), std::round(v.tint));
            EXPECT_EQ(record["WhiteBalance"], "Custom");
            ASSERT_FALSE(v.overrides.empty());
            for (const auto& [key, value] : v.overrides) EXPECT_EQ(number(record[key]), value) << key;
            // The preset's own settings, the further attributes (noise reduction from the file's ISO) and its curve.
            EXPECT_EQ(number(record["Clarity2012"]), 10);
            EXPECT_EQ(number(record["LuminanceSmoothing"]), 23);  // 18 and 25 grown for ISO 3200
            EXPECT_EQ(number(record["ColorNoiseReduction"]), 28);
            EXPECT_EQ(record["ToneCurvePV2012"], (nlohmann::json{"0, 0", "128, 140", "255, 255"}));
        }
        ++i;
    }
    EXPECT_EQ(i, beside.size());
    // The merged sidecar kept the other program's rating.
    EXPECT_EQ(testing::exiftool(*program, root / "Ceremonie" / "IMG_2.xmp")["Rating"], 4);
}

TEST_F(ExporterFiles, anExportStopsAtTheFailingPhotoNamesItAndCountsWhatWasWritten) {
    auto p = project();
    // The second photo's file states no white balance and the project knows no as-shot tint for it.
    testing::DngSpec noWhite;
    noWhite.asShotNeutral.reset();
    testing::writeDng(p.photos[1].path, noWhite);
    const auto preset = testing::neutralPreset();
    {
        const auto e = stopOf([&] { Exporter::write(p, preset, root); });
        ASSERT_TRUE(e);
        EXPECT_EQ(e->kind(), ExportError::Kind::noTint);
        EXPECT_STREQ(e->what(), "Nu pot calcula Tint-ul din cameră pentru IMG_2.dng; exportul s-a oprit.");
        EXPECT_EQ(e->file(), "IMG_2.dng");
        EXPECT_EQ(e->before(), (Exporter::SidecarCounts{1, 0, 0}));
        EXPECT_EQ(e->cause(), nullptr);
    }
    EXPECT_EQ(relative(Exporter::conflicts(p, root), dir.path()), std::vector<fs::path>{"Nunta/IMG_1.xmp"});

    // With the tint known from processing, the file is not asked.
    p.photos[1].asShotTint = 12;
    EXPECT_EQ(Exporter::write(p, preset, root), (Exporter::SidecarCounts{4, 1, 0}));

    // Any other failure names the photo too and keeps the original error: a sidecar that cannot be merged.
    testing::writeText(root / "Ceremonie" / "Intrare" / "IMG_3.xmp", "<x:xmpmeta");
    {
        const auto e = stopOf([&] { Exporter::write(p, preset, root); });
        ASSERT_TRUE(e);
        EXPECT_EQ(e->kind(), ExportError::Kind::failed);
        EXPECT_EQ(e->file(), "IMG_3.dng");
        EXPECT_EQ(e->before(), (Exporter::SidecarCounts{0, 2, 0}));
        EXPECT_THROW(std::rethrow_exception(e->cause()), MergeError);
        EXPECT_EQ(std::string(e->what()).rfind("Exportul s-a oprit la IMG_3.dng: XMP-ul existent nu se poate îmbina", 0), 0u)
            << e->what();
    }

    // A file that cannot be read at all: the reader's error is the cause.
    fs::remove(root / "Ceremonie" / "Intrare" / "IMG_3.xmp");
    p.photos[2].asShotTint.reset();
    testing::writeText(p.photos[2].path, "not a raw file");
    {
        const auto e = stopOf([&] { Exporter::write(p, preset, root); });
        ASSERT_TRUE(e);
        EXPECT_EQ(e->kind(), ExportError::Kind::failed);
        EXPECT_EQ(e->file(), "IMG_3.dng");
        EXPECT_THROW(std::rethrow_exception(e->cause()), RawError);
    }
}

TEST(ExporterEmpty, aProjectWithoutDonePhotosWritesNothing) {
    TempDir dir;
    Project p;
    p.folder = dir.path().string();
    p.photos.emplace_back((dir / "IMG_1.dng").string());
    EXPECT_EQ(Exporter::write(p, testing::neutralPreset(), dir / "out"), (Exporter::SidecarCounts{}));
    EXPECT_FALSE(fs::exists(dir / "out"));
    EXPECT_TRUE(Exporter::conflicts(p, dir.path()).empty());
}

class ExporterCatalog : public ::testing::Test {
protected:
    void SetUp() override {
        testing::freshDataDir();
        setUserDefaults(std::make_shared<FileDefaults>());
    }
    void TearDown() override { CatalogWriter::drainBackups(); }

    TempDir dir;
    const fs::path catalog = dir / "Nunta.lrcat";
    Project p = [] {
        Project project;
        project.folder = "/Photos/2024";
        return project;
    }();
};

using testing::settingsTexts;

TEST_F(ExporterCatalog, sixtyPhotosWithProgressFlagsAndCurves) {
    {
        testing::CatalogBuilder b(catalog);
        b.begin();
        for (int i = 0; i < 62; ++i) {
            testing::CatalogBuilder::Photo photo;
            photo.baseName = "IMG_" + std::to_string(1000 + i);
            photo.settings = testing::realisticDevelopText(static_cast<std::uint64_t>(i + 1));
            b.photo(photo);
            // Photo 2 is pending and photo 5 failed: neither is written. The others are done (raw files gone,
            // their tint known), every tenth corrected by 1 EV or more.
            auto item = donePhoto(photo.root + photo.folder + photo.baseName + "." + photo.extension,
                                  i % 10 == 0 ? (i % 20 == 0 ? 1.0 : -1.6) : 0.01 * i, 5000 + i);
            item.asShotTint = i - 30;
            if (i == 2) item.status = PhotoItem::Status::pending;
            if (i == 5) item.status = PhotoItem::Status::failed;
            p.photos.push_back(item);
        }
        b.commit();
    }
    const auto before = settingsTexts(catalog);
    const auto preset = testing::presetFrom(kCurvePreset);

    std::vector<std::pair<std::string, double>> reports;
    const auto outcome = Exporter::writeToCatalog(p, preset, catalog, false,
                                                  [&](const std::string& m, double f) { reports.emplace_back(m, f); });
    EXPECT_EQ(outcome.written, 60);
    EXPECT_EQ(outcome.notFound, 0);
    ASSERT_GE(reports.size(), 4u);
    const std::vector<std::pair<std::string, double>> preparing = {{"Se pregătesc setările fotografiilor…", 0.05},
                                                                   {"Se pregătesc setările fotografiilor…", 0.175},
                                                                   {"Se pregătesc setările fotografiilor…", 0.3}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(reports[i].first, preparing[i].first);
        EXPECT_NEAR(reports[i].second, preparing[i].second, 1e-12);
    }
    EXPECT_NE(reports[3].first, preparing[0].first);  // then the catalog writer reports

    // Each done photo got its own values, in project order, with the preset's curve.
    const auto after = settingsTexts(catalog);
    ASSERT_EQ(after.size(), 62u);
    const auto deltas = p.faceDeltas();
    for (std::size_t i = 0; i < after.size(); ++i) {
        SCOPED_TRACE("photo " + std::to_string(i));
        const auto& photo = p.photos[i];
        if (photo.status != PhotoItem::Status::done) {
            EXPECT_EQ(after[i], before[i]);
            continue;
        }
        const auto v = Exporter::finalValues(p, photo, preset, deltas, true);
        const auto expected = CatalogWriter::merge(
            before[i], preset.resolvedAttributes(v.exposure, v.temperature, v.tint, v.overrides, v.extra, v.skipping),
            {{"ToneCurvePV2012", {{0, 0}, {128, 140}, {255, 255}}}}, v.masks);
        ASSERT_TRUE(expected);
        EXPECT_EQ(after[i], *expected);
    }

    // The review mark went to the seven photos corrected by 1 EV or more.
    const auto db = Sqlite::Connection::open(catalog.string(), SQLITE_OPEN_READONLY);
    auto k = db.prepare(
        "select f.baseName from AgLibraryKeywordImage ki join AgLibraryKeyword k on k.id_local = ki.tag "
        "join Adobe_images i on i.id_local = ki.image join AgLibraryFile f on f.id_local = i.rootFile "
        "where k.name = 'Vendrel: de verificat' order by f.baseName");
    std::vector<std::string> flagged;
    while (k.step() == Sqlite::Step::row) flagged.emplace_back(*k.text(0));
    EXPECT_EQ(flagged, (std::vector<std::string>{"IMG_1000", "IMG_1010", "IMG_1020", "IMG_1030", "IMG_1040",
                                                 "IMG_1050", "IMG_1060"}));
}

TEST_F(ExporterCatalog, aMissingTintLeavesTheCatalogUntouchedAndNoPhotosStillCallsTheWriter) {
    {
        testing::CatalogBuilder b(catalog);
        testing::CatalogBuilder::Photo photo;
        photo.settings = testing::realisticDevelopText(1);
        b.photo(photo);
    }
    // The photo's raw file is not on disk and its tint unknown: the reader fails before the catalog is opened.
    p.photos.push_back(donePhoto("/Photos/2024/IMG_0001.CR3"));
    const auto before = settingsTexts(catalog);
    {
        const auto e = stopOf([&] { Exporter::writeToCatalog(p, testing::neutralPreset(), catalog, false); });
        ASSERT_TRUE(e);
        EXPECT_EQ(e->kind(), ExportError::Kind::failed);
        EXPECT_EQ(e->file(), "IMG_0001.CR3");
    }
    EXPECT_EQ(settingsTexts(catalog), before);
    EXPECT_FALSE(fs::exists(CatalogWriter::backupDirectory()));

    p.photos.front().status = PhotoItem::Status::pending;
    const auto outcome = Exporter::writeToCatalog(p, testing::neutralPreset(), catalog, false);
    EXPECT_EQ(outcome.written, 0);
    EXPECT_TRUE(fs::exists(outcome.backup));  // the writer ran: it backs up even an empty batch
}

}  // namespace
}  // namespace orvane

#include <gtest/gtest.h>

#include "core/store/preset_keys.h"
#include "core/store/project.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

namespace orvane {
namespace {

using Overrides = std::vector<std::pair<std::string, std::int64_t>>;

PhotoItem donePhoto(const std::string& path) {
    PhotoItem p(path);
    p.status = PhotoItem::Status::done;
    return p;
}

TEST(ProjectQueries, faceDeltasMoveTheTypicalFaceTowardTheTarget) {
    // E = 0: the face luminance after exposure is the median face luminance itself.
    auto withFaces = [](const std::string& path, std::vector<double> lums) {
        PhotoItem p = donePhoto(path);
        p.exposure = 0;
        std::vector<SkinRegion> skin;
        for (double lum : lums) {
            SkinRegion r;
            r.right = 0.1;
            r.bottom = 0.1;
            r.lum = lum;
            skin.push_back(r);
        }
        p.skin = skin;
        return p;
    };
    Project p;
    p.photos = {withFaces("/dark.nef", {0.06}), withFaces("/close.nef", {0.11}),
                withFaces("/bright.nef", {0.2, 0.9, 0.24}), withFaces("/none.nef", {}),
                withFaces("/lifted.nef", {0.06})};
    p.photos[4].exposure = 1;  // 2^1 × 0.06 = 0.12: on target
    PhotoItem pending = withFaces("/pending.nef", {0.06});
    pending.status = PhotoItem::Status::pending;
    PhotoItem failed = withFaces("/failed.nef", {0.06});
    failed.status = PhotoItem::Status::failed;
    PhotoItem noExposure = withFaces("/noexp.nef", {0.06});
    noExposure.exposure.reset();
    PhotoItem noSkin = withFaces("/noskin.nef", {});
    noSkin.skin.reset();
    for (auto& photo : {pending, failed, noExposure, noSkin}) p.photos.push_back(photo);

    EXPECT_TRUE(p.faceDeltas().empty());  // no amount
    p.faceLevelAmount = 0;
    EXPECT_TRUE(p.faceDeltas().empty());
    p.faceLevelAmount = 70;
    const auto deltas = p.faceDeltas();
    ASSERT_EQ(deltas.size(), 2u);
    EXPECT_NEAR(deltas.at("/dark.nef"), 0.35, 1e-12);    // one stop, clamped to 0.5, at 70 %
    EXPECT_NEAR(deltas.at("/bright.nef"), -0.35, 1e-12);  // median 0.24: −1 stop
}

TEST(ProjectQueries, effectiveExposureAndTemperature) {
    Project p;
    PhotoItem item("/a.nef");
    EXPECT_FALSE(p.exposure(item));
    p.fixedExposure = 1.0;
    EXPECT_FALSE(p.exposure(item));  // no prediction: nothing, even when fixed
    item.exposure = 0.5;
    p.globalExposure = 0.25;
    ProfileTuning t;
    t.exposure = -0.125;
    t.basic.temperature = 100;
    t.basic.tint = 9;
    p.profileTuning = t;
    EXPECT_EQ(p.exposure(item), 1.0);  // fixed wins over everything else
    p.fixedExposure.reset();
    EXPECT_EQ(p.exposure(item), 0.625);

    EXPECT_FALSE(p.temperature(item));
    item.temperature = 5000;
    EXPECT_EQ(p.temperature(item), 5100);
    p.basic = BasicAdjustments{-300, 5};
    EXPECT_EQ(p.temperature(item), 4800);
    p.fixedTemperature = 6500;
    EXPECT_EQ(p.temperature(item), 6500);
    EXPECT_EQ(p.adjustments(), (BasicAdjustments{-300, 5}));
    EXPECT_TRUE(Project().adjustments().isZero());
}

TEST(ProjectQueries, bigCorrectionPhotosLargestFirst) {
    Project p;
    for (auto [name, ev] : std::vector<std::pair<std::string, double>>{{"a", 1.5}, {"b", -2.0}, {"c", 0.99}, {"d", 1.0}}) {
        auto photo = donePhoto("/x/" + name);
        photo.exposure = ev;
        p.photos.push_back(photo);
    }
    PhotoItem failed("/x/failed");
    failed.status = PhotoItem::Status::failed;
    failed.exposure = 3;
    p.photos.push_back(failed);
    p.photos.push_back(donePhoto("/x/unpredicted"));  // counts as 0
    auto paths = [](const std::vector<PhotoItem>& photos) {
        std::vector<std::string> out;
        for (const auto& photo : photos) out.push_back(photo.path);
        return out;
    };
    EXPECT_EQ(paths(p.bigCorrectionPhotos(12, 1.0)), (std::vector<std::string>{"/x/b", "/x/a", "/x/d"}));
    EXPECT_EQ(paths(p.bigCorrectionPhotos(1, 1.0)), (std::vector<std::string>{"/x/b"}));
    // With a fixed exposure every predicted photo has the same correction: project order.
    p.fixedExposure = -1.2;
    EXPECT_EQ(paths(p.bigCorrectionPhotos(12, 1.0)), (std::vector<std::string>{"/x/a", "/x/b", "/x/c", "/x/d"}));
}

std::vector<std::string> pathsOf(const std::vector<PhotoItem>& photos) {
    std::vector<std::string> out;
    for (const auto& photo : photos) out.push_back(photo.path);
    return out;
}

// Done photos "/p<i>" (portrait) or "/l<i>" (landscape) whose exposure is their sorted position,
// stored in reverse so that sorting matters; a failed and an unpredicted photo that never count.
Project previewProject(int portraits, int landscapes) {
    Project p;
    const int n = portraits + landscapes;
    for (int i = n - 1; i >= 0; --i) {
        const bool portrait = i < portraits;
        auto photo = donePhoto((portrait ? "/p" : "/l") + std::to_string(i));
        photo.exposure = i;
        if (portrait) photo.aspect = 0.75;
        else if (i % 2) photo.aspect = 1.5;  // the others have no aspect: landscape too
        p.photos.push_back(photo);
    }
    PhotoItem failed("/failed");
    failed.status = PhotoItem::Status::failed;
    failed.exposure = 0.5;
    failed.aspect = 0.75;
    p.photos.push_back(failed);
    p.photos.push_back(donePhoto("/unpredicted"));
    return p;
}

TEST(ProjectQueries, samplePhotosSpreadOverTheExposureRange) {
    using Paths = std::vector<std::string>;
    const Project p = previewProject(9, 0);
    EXPECT_EQ(pathsOf(p.samplePhotos(5)), (Paths{"/p0", "/p2", "/p4", "/p6", "/p8"}));
    EXPECT_EQ(pathsOf(p.samplePhotos(9)).size(), 9u);
    EXPECT_EQ(pathsOf(p.samplePhotos(20)).size(), 9u);
    EXPECT_EQ(pathsOf(p.samplePhotos(2)), (Paths{"/p0", "/p8"}));
    EXPECT_EQ(pathsOf(p.samplePhotos(1)), (Paths{"/p4"})) << "a single sample is the middle one";
    EXPECT_TRUE(p.samplePhotos(0).empty());
    EXPECT_TRUE(Project().samplePhotos(3).empty());
    EXPECT_EQ(pathsOf(previewProject(2, 0).samplePhotos(1)), (Paths{"/p0"}));
}

TEST(ProjectQueries, previewTrioTakesSliceMiddlesAndFillsFromTheRest) {
    using Paths = std::vector<std::string>;
    // 10 portraits at 1, 5, 8; both landscapes; then the middle of the 7 portraits left (sorted
    // positions 0, 2, 3, 4, 6, 7, 9): position 3 of them, /p4.
    EXPECT_EQ(pathsOf(previewProject(10, 2).previewTrio(3, 3)), (Paths{"/p1", "/p5", "/p8", "/l10", "/l11", "/p4"}));
    // Fewer than six candidates: all of them, portraits first.
    EXPECT_EQ(pathsOf(previewProject(2, 3).previewTrio(3, 3)), (Paths{"/p0", "/p1", "/l2", "/l3", "/l4"}));
    EXPECT_EQ(pathsOf(previewProject(0, 4).previewTrio(0, 2)), (Paths{"/l1", "/l3"}));
    EXPECT_TRUE(previewProject(3, 3).previewTrio(0, 0).empty());
    EXPECT_TRUE(Project().previewTrio(3, 3).empty());
}

TEST(ProjectQueries, statusCountsAndDir) {
    // The data folder is decided once per process, so the test takes the one every test shares.
    const auto& data = orvane::testing::freshDataDir();
    Project p;
    p.id = *Uuid::parse("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d");
    p.photos = {donePhoto("/1"), PhotoItem("/2"), PhotoItem("/3"), donePhoto("/4")};
    p.photos[2].status = PhotoItem::Status::failed;
    EXPECT_EQ(p.pending(), 1u);
    EXPECT_EQ(p.done(), 2u);
    EXPECT_EQ(p.failed(), 1u);
    EXPECT_EQ(p.dir(), data / "Projects" / "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D");
}

TEST(ProjectQueries, straightenNeeds) {
    struct Case {
        const char* name;
        std::optional<bool> requested;
        bool analysed;
        std::optional<std::int64_t> version;
        bool needed;
    };
    const Case cases[] = {
        {"notRequested", std::nullopt, false, std::nullopt, false},
        {"requestedOff", false, false, std::nullopt, false},
        {"neverAnalysed", true, false, 4, true},
        {"noVersion", true, true, std::nullopt, true},
        {"oldVersion", true, true, 3, true},
        {"oldVersionNotRequested", std::nullopt, true, 3, false},
        {"current", true, true, 4, false},
        {"newer", true, true, 5, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Project p;
        p.straightenRequested = c.requested;
        if (c.analysed) p.straightenedAt = Date{};
        p.straightenVersion = c.version;
        EXPECT_EQ(p.needsStraightenAnalysis(), c.needed);
    }
}

TEST(ProjectQueries, layoutNeeds) {
    auto current = PersonLayout::make({}, std::vector<PersonRegion>{}, std::vector<PersonRegion>{}, true);
    auto noBodies = current;
    noBodies.bodies.reset();
    auto oldVersion = current;
    oldVersion.version = 1;
    auto incomplete = current;
    incomplete.protectionComplete = false;

    struct Case {
        const char* name;
        std::optional<CropSettings::Mode> crop;
        bool smart;
        bool straighten;
        bool analysed;
        std::optional<PersonLayout> doneLayout;
        bool needed;
    };
    using M = CropSettings::Mode;
    const Case cases[] = {
        {"nothingAsksForIt", M::none, false, false, false, std::nullopt, false},
        {"noCropNothingAsks", std::nullopt, false, false, false, std::nullopt, false},
        {"cropNeverAnalysed", M::ratio, false, false, false, current, true},
        {"smartNeverAnalysed", std::nullopt, true, false, false, current, true},
        {"straightenNeverAnalysed", std::nullopt, false, true, false, current, true},
        {"analysedAndCurrent", M::bottom, false, false, true, current, false},
        {"doneWithoutBodies", M::bottom, false, false, true, noBodies, true},
        {"doneOldVersion", std::nullopt, true, false, true, oldVersion, true},
        {"doneIncomplete", std::nullopt, true, false, true, incomplete, true},
        {"doneWithoutLayout", std::nullopt, true, false, true, std::nullopt, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Project p;
        if (c.crop) p.crop = CropSettings{*c.crop, "3:2", 3, 2};
        if (c.smart) p.smartReframe = true;
        if (c.straighten) p.straightenRequested = true;
        if (c.analysed) p.layoutAnalyzedAt = Date{};
        PhotoItem d = donePhoto("/d");
        d.layout = c.doneLayout;
        PhotoItem pendingWithout("/p");  // never looked at
        p.photos = {d, pendingWithout};
        EXPECT_EQ(p.needsLayoutAnalysis(), c.needed);
    }
}

TEST(ProjectQueries, skinAndSubjectNeeds) {
    SkinRegion fresh{0, 0, 1, 1, {}, 0.004, 0.5, 2};
    SkinRegion noLum = fresh;
    noLum.lum.reset();
    SkinRegion oldV = fresh;
    oldV.v = 1;
    struct Case {
        const char* name;
        std::optional<std::int64_t> skin;
        std::optional<std::int64_t> faceLevel;
        bool analysed;
        std::vector<SkinRegion> regions;
        bool needed;
    };
    const Case cases[] = {
        {"offAbsentAndZero", std::nullopt, 0, false, {}, false},
        {"skinNeverAnalysed", 30, std::nullopt, false, {}, true},
        {"faceLevelNeverAnalysed", std::nullopt, 1, false, {}, true},
        {"analysedFresh", 30, std::nullopt, true, {fresh}, false},
        {"analysedNoLum", 30, std::nullopt, true, {fresh, noLum}, true},
        {"analysedOldVersion", 0, 70, true, {oldV}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Project p;
        p.skinAmount = c.skin;
        p.faceLevelAmount = c.faceLevel;
        if (c.analysed) p.skinAnalyzedAt = Date{};
        PhotoItem d = donePhoto("/d");
        d.skin = c.regions;
        PhotoItem pending("/p");
        pending.skin = std::vector<SkinRegion>{noLum};  // pending photos do not count
        p.photos = {d, pending};
        EXPECT_EQ(p.needsSkinAnalysis(), c.needed);
    }

    Project p;
    p.photos = {donePhoto("/d"), PhotoItem("/p")};
    EXPECT_FALSE(p.needsSubjectAnalysis());
    p.subjectMaskAmount = 20;
    EXPECT_TRUE(p.needsSubjectAnalysis());
    p.photos[0].subject = fresh;
    EXPECT_FALSE(p.needsSubjectAnalysis());  // the pending photo without one does not count
}

TEST(ProjectQueries, versionsCompareSettingsOnly) {
    Project p;
    p.straightenRequested = true;
    p.crop = CropSettings{};
    p.globalExposure = 0.5;
    p.presetOverrides = std::map<std::string, std::int64_t>{{"Dehaze", 3}};
    p.profileTuning = ProfileTuning{};
    auto a = p.currentVersion();
    auto b = p.currentVersion();
    EXPECT_EQ(a.straighten, true);
    EXPECT_FALSE(a.name);
    EXPECT_NE(a.id, b.id);
    b.name = "numită";
    b.date = Date{};
    EXPECT_TRUE(a.sameSettings(b));
    EXPECT_NE(a, b);
    b.globalExposure.reset();
    EXPECT_FALSE(a.sameSettings(b));
    p.globalExposure = 0;
    auto zero = p.currentVersion();
    EXPECT_FALSE(zero.sameSettings(b));  // 0 is not absent
    b.globalExposure = 0.5;
    b.untouchedKeys = std::vector<std::string>{};
    EXPECT_FALSE(a.sameSettings(b));
}

TEST(ProjectQueries, overridesLetTheProjectWinThenAddPredictions) {
    Project p;
    EXPECT_TRUE(p.effectiveOverrides().empty());
    ProfileTuning t;
    t.overrides = {{"Dehaze", 5}, {"Contrast2012", 10}};
    p.profileTuning = t;
    p.presetOverrides = std::map<std::string, std::int64_t>{{"Dehaze", 12}};
    EXPECT_EQ(p.effectiveOverrides(), (Overrides{{"Contrast2012", 10}, {"Dehaze", 12}}));

    PhotoItem item("/a");
    EXPECT_EQ(p.overrides(item), p.effectiveOverrides());
    item.extras = std::map<std::string, double>{{"Vibrance", 7.5}, {"Dehaze", 30.2}, {"Clarity2012", -2.5}};
    EXPECT_EQ(p.overrides(item), (Overrides{{"Contrast2012", 10}, {"Dehaze", 12}, {"Clarity2012", -3}, {"Vibrance", 8}}));
    // Plain byte order: upper case before lower case.
    p.profileTuning.reset();
    p.presetOverrides = std::map<std::string, std::int64_t>{{"b", 1}, {"B", 2}};
    EXPECT_EQ(p.effectiveOverrides(), (Overrides{{"B", 2}, {"b", 1}}));
}

TEST(ProjectQueries, sourceFallsBackToThePreviewWhileTheRawIsGone) {
    orvane::testing::TempDir dir;
    PhotoItem item((dir / "IMG_1.CR3").string());
    EXPECT_EQ(sourceURL(item), dir / "IMG_1.CR3");  // no preview: the raw path, present or not
    item.previewPath = (dir / "preview.dng").string();
    EXPECT_EQ(sourceURL(item), dir / "preview.dng");
    orvane::testing::writeText(dir / "IMG_1.CR3", "raw");
    EXPECT_EQ(sourceURL(item), dir / "IMG_1.CR3");
}

TEST(PresetKeys, tableOrder) {
    const auto& all = PresetKeys::all();
    ASSERT_EQ(all.size(), 10u);
    EXPECT_EQ(all[0].key, "Contrast2012");
    EXPECT_EQ(all[5].title, "Textură");
    EXPECT_EQ(all[7].title, "Eliminare ceață");
    EXPECT_EQ(all[9].key, "Saturation");
}

}  // namespace
}  // namespace orvane

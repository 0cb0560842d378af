#include "core/xmp/photo_attributes.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/vision/layout_fixtures.h"
#include "core/xmp/xmp_test_support.h"
#include "testing/dng_writer.h"
#include "testing/temp_dir.h"

namespace orvane {
namespace {

using Pairs = DevelopPreset::Pairs;
using Mode = CropSettings::Mode;
using testing::layoutOf;
using testing::person;

const Pairs lensOn = {{"LensProfileEnable", "1"}, {"LensProfileSetup", "LensDefaults"}};

// A DNG whose header says the given ISO and orientation (TIFF 6 is LibRaw flip 6; 64 × 48 stored).
std::filesystem::path rawFile(const testing::TempDir& dir, const std::string& name, double iso, int orientation) {
    testing::DngSpec spec;
    spec.iso = iso;
    spec.orientation = orientation;
    const auto file = dir / name;
    testing::writeDng(file, spec);
    return file;
}

CropSettings cropMode(Mode m) {
    CropSettings s;
    s.mode = m;
    return s;
}

// ---- noise ----

TEST(NoiseRule, growsWithTheSquareRootOfTheISOUpToTheCaps) {
    struct Case {
        const char* name;
        float iso;
        std::optional<NoiseRule::Base> base;
        Pairs want;
    };
    const Case cases[] = {
        {"below the threshold", 1599, std::nullopt, {}},
        {"at the threshold", 1600, std::nullopt, {{"LuminanceSmoothing", "18"}, {"ColorNoiseReduction", "25"}}},
        {"ISO 8000, half rounded up", 8000, std::nullopt,
         {{"LuminanceSmoothing", "36"}, {"ColorNoiseReduction", "38"}}},
        {"low preset base raised", 3200, NoiseRule::Base{5, 40},
         {{"LuminanceSmoothing", "13"}, {"ColorNoiseReduction", "45"}}},
        {"colour base raised to 15", 1600, NoiseRule::Base{20, 3},
         {{"LuminanceSmoothing", "20"}, {"ColorNoiseReduction", "15"}}},
        {"capped", 1'000'000, std::nullopt, {{"LuminanceSmoothing", "70"}, {"ColorNoiseReduction", "60"}}},
        {"capped with a base", 51200, NoiseRule::Base{60, 55},
         {{"LuminanceSmoothing", "70"}, {"ColorNoiseReduction", "60"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(NoiseRule::attributes(c.iso, c.base), c.want);
    }
}

// ---- lens, noise and crop pairs ----

class CropAttributes : public ::testing::Test {
protected:
    testing::TempDir dir;
    std::filesystem::path file = rawFile(dir, "IMG_1.dng", 3200, 6);
    PhotoItem photo{file.string()};
    Project project;
    DevelopPreset plain = testing::presetFrom(testing::presetText("crs:Exposure2012=\"0\""));
};

TEST_F(CropAttributes, writeTheLensListsFromTheProjectAndThePreset) {
    const auto ownLens = testing::presetFrom(testing::presetText("crs:LensProfileEnable=\"1\""));
    EXPECT_EQ(cropAttributes(photo, project, file, plain, false), Pairs{});
    project.profileCorrection = true;
    EXPECT_EQ(cropAttributes(photo, project, file, plain, false), lensOn);
    project.profileCorrection = false;
    EXPECT_EQ(cropAttributes(photo, project, file, plain, false), (Pairs{{"LensProfileEnable", "0"}}));
    EXPECT_EQ(cropAttributes(photo, project, file, ownLens, false), (Pairs{{"LensProfileEnable", "1"}}));
}

TEST_F(CropAttributes, writeNoiseFromTheISOOrThePresetsOwnValues) {
    const auto low = testing::presetFrom(
        testing::presetText("crs:LuminanceSmoothing=\"5\" crs:ColorNoiseReduction=\"40\""));
    project.noiseReduction = true;
    EXPECT_EQ(cropAttributes(photo, project, file, low, false),
              (Pairs{{"LuminanceSmoothing", "13"}, {"ColorNoiseReduction", "45"}}));
    EXPECT_EQ(cropAttributes(photo, project, file, plain, false),
              (Pairs{{"LuminanceSmoothing", "23"}, {"ColorNoiseReduction", "28"}}));
    // An ISO that cannot be read writes nothing.
    EXPECT_EQ(cropAttributes(photo, project, dir / "missing.dng", low, false), Pairs{});

    project.noiseReduction = false;
    EXPECT_EQ(cropAttributes(photo, project, file, plain, false),
              (Pairs{{"LuminanceSmoothing", "0"}, {"ColorNoiseReduction", "25"}}));
    EXPECT_EQ(cropAttributes(photo, project, file, low, false),
              (Pairs{{"LuminanceSmoothing", "5"}, {"ColorNoiseReduction", "40"}}));
}

TEST_F(CropAttributes, resetAnEarlierCropOnlyWhereOneMayBe) {
    // Sidecar, crop off, never written: nothing.
    EXPECT_EQ(cropAttributes(photo, project, file, plain, false), Pairs{});
    // Once a crop was written, every later export clears it.
    project.cropWritten = true;
    EXPECT_EQ(cropAttributes(photo, project, file, plain, false), cropResetAttributes());
    // A catalog keeps crops of its own: clear one whenever crop options are on.
    project.cropWritten.reset();
    project.straightenRequested = true;  // but no straighten result
    EXPECT_EQ(cropAttributes(photo, project, file, plain, false), Pairs{});
    EXPECT_EQ(cropAttributes(photo, project, file, plain, true), cropResetAttributes());
    EXPECT_EQ(cropResetAttributes(), (Pairs{{"CropAngle", "0.00"},
                                            {"CropLeft", "0.000000"},
                                            {"CropTop", "0.000000"},
                                            {"CropRight", "1.000000"},
                                            {"CropBottom", "1.000000"},
                                            {"HasCrop", "False"}}));
}

TEST_F(CropAttributes, mapTheDecisionToTheStoredOrientation) {
    testing::RomanianLocale romanian;
    if (!romanian.active()) GTEST_SKIP() << "ro_RO.UTF-8 is not installed";
    project.crop = cropMode(Mode::ratio);
    double seenAspect = 0;
    CropServices fake;
    fake.rectAndSource = [&](const CropSettings&, double aspect, double, std::optional<double>, const PersonLayout*) {
        seenAspect = aspect;
        return CropPlanner::Planned{NormRect{0.1, 0.2, 0.9, 0.7}, false};
    };
    EXPECT_EQ(cropAttributes(photo, project, file, plain, false, fake), (Pairs{{"CropAngle", "0.00"},
                                                                               {"CropLeft", "0.200000"},
                                                                               {"CropTop", "0.100000"},
                                                                               {"CropRight", "0.700000"},
                                                                               {"CropBottom", "0.900000"},
                                                                               {"HasCrop", "True"}}));
    EXPECT_DOUBLE_EQ(seenAspect, 48.0 / 64.0);  // turned a quarter: displayed upright

    // Unreadable file: the photo's own aspect, else its straighten result's.
    photo.straighten = StraightenResult{1.0, 0.9, 1.25};
    cropAttributes(photo, project, dir / "missing.dng", plain, false, fake);
    EXPECT_DOUBLE_EQ(seenAspect, 1.25);
    photo.aspect = 1.5;
    cropAttributes(photo, project, dir / "missing.dng", plain, false, fake);
    EXPECT_DOUBLE_EQ(seenAspect, 1.5);
}

TEST_F(CropAttributes, carryTheDecisionsAngle) {
    project.straightenRequested = true;
    photo.straighten = StraightenResult{2.0, 0.9, 1.5};
    CropServices fake;
    NormRect given{0.1, 0.1, 0.8, 0.8};
    fake.rectAndSource = [&](const CropSettings&, double, double, std::optional<double>, const PersonLayout*) {
        return CropPlanner::Planned{given, false};
    };
    const auto plainFile = rawFile(dir, "IMG_2.dng", 100, 1);
    project.crop = cropMode(Mode::original);
    const auto pairs = cropAttributes(photo, project, plainFile, plain, false, fake);
    ASSERT_EQ(pairs.size(), 6u);
    EXPECT_EQ(pairs[0], (std::pair<std::string, std::string>{"CropAngle", "2.00"}));
}

// ---- the crop decision ----

class CropDecisionTest : public ::testing::Test {
protected:
    Project project;
    PhotoItem photo{"/photos/IMG_1.dng"};
    std::vector<double> askedAngles;
    std::vector<std::optional<double>> askedFeet;
    CropServices fake;

    // The planner gives `rect` at every angle; protection holds only at the given angles.
    void plan(std::optional<NormRect> rect, std::vector<double> protectedAngles = {}) {
        fake.rectAndSource = [this, rect](const CropSettings&, double, double angle, std::optional<double> feet,
                                          const PersonLayout*) {
            askedAngles.push_back(angle);
            askedFeet.push_back(feet);
            return CropPlanner::Planned{rect, false};
        };
        fake.protects = [protectedAngles](const PersonLayout&, const NormRect&, double angle, double) {
            for (double a : protectedAngles)
                if (std::fabs(a - angle) < 1e-12) return true;
            return false;
        };
    }
};

TEST_F(CropDecisionTest, givesUpAngleInQuarterStepsUntilThePeopleAreKept) {
    project.smartReframe = true;
    project.straightenRequested = true;
    photo.straighten = StraightenResult{4.0, 0.9, 1.5};
    photo.layout = testing::singleStanding();
    plan(NormRect{0, 0, 1, 1}, {2.0});
    const auto d = cropDecision(photo, project, 1.5, fake);
    ASSERT_TRUE(d);
    EXPECT_DOUBLE_EQ(d->angle, 2.0);
    EXPECT_EQ(askedAngles, (std::vector<double>{4.0, 3.0, 2.0}));
}

TEST_F(CropDecisionTest, refusesWithoutAUsableRequest) {
    plan(NormRect{0, 0, 1, 1}, {0.0});
    // Smart reframing with a layout of version 1.
    project.smartReframe = true;
    auto old = testing::singleStanding();
    old.version = 1;
    photo.layout = old;
    EXPECT_EQ(cropDecision(photo, project, 1.5, fake), std::nullopt);
    // Nothing asked for: no angle, mode none, no smart reframing.
    project.smartReframe.reset();
    EXPECT_EQ(cropDecision(photo, project, 1.5, fake), std::nullopt);
    EXPECT_TRUE(askedAngles.empty());
    // A non-positive or non-finite aspect.
    project.crop = cropMode(Mode::ratio);
    EXPECT_EQ(cropDecision(photo, project, 0, fake), std::nullopt);
    EXPECT_EQ(cropDecision(photo, project, NAN, fake), std::nullopt);
    // No people and no rect: no decision, and the search stops at once.
    photo.layout.reset();
    plan(std::nullopt);
    EXPECT_EQ(cropDecision(photo, project, 1.5, fake), std::nullopt);
    EXPECT_EQ(askedAngles.size(), 1u);
}

TEST_F(CropDecisionTest, movesACropOntoThePeopleAtAngleZero) {
    project.crop = cropMode(Mode::ratio);
    photo.layout = testing::singleStanding();  // zone (0.38, 0.172, 0.57, 0.928)
    plan(NormRect{0.5, 0.0, 1.0, 0.8});
    const auto d = cropDecision(photo, project, 1.5, fake);
    ASSERT_TRUE(d);
    testing::expectRect(d->rect, {0.38, 0.128, 0.88, 0.928});
    EXPECT_EQ(d->angle, 0);
}

TEST_F(CropDecisionTest, recentresARatioCropThatCannotBeShiftedOntoThePeople) {
    project.crop = cropMode(Mode::ratio);
    // Two people far apart: zone (0.06, 0.38, 0.94, 0.725), wider than the planner's crop.
    photo.layout = layoutOf({person(0.1, 0.4, 0.4, 0.7), person(0.6, 0.4, 0.9, 0.7)});
    plan(NormRect{0.0, 0.0, 0.5, 0.8});
    const auto d = cropDecision(photo, project, 1.5, fake);
    ASSERT_TRUE(d);
    const double top = 0.38 - 0.65 * (0.8 - (0.725 - 0.38));  // 65 % of the spare height above the zone
    testing::expectRect(d->rect, {0.25, top, 0.75, top + 0.8});

    // Other modes are not re-centred: no decision.
    project.crop = cropMode(Mode::bottom);
    EXPECT_EQ(cropDecision(photo, project, 1.5, fake), std::nullopt);
}

TEST_F(CropDecisionTest, passesTheFeetLineOnlyInBottomMode) {
    photo.layout = layoutOf({person(0.2, 0.2, 0.4, 0.75), person(0.5, 0.25, 0.7, 0.8)});
    plan(NormRect{0, 0, 1, 1});
    project.crop = cropMode(Mode::bottom);
    ASSERT_TRUE(cropDecision(photo, project, 1.5, fake));
    EXPECT_EQ(askedFeet.back(), 0.8);  // two subjects clear of the bottom edge: the lowest one
    photo.feetBottom = 0.7;
    ASSERT_TRUE(cropDecision(photo, project, 1.5, fake));
    EXPECT_EQ(askedFeet.back(), 0.7);
    project.crop = cropMode(Mode::ratio);
    ASSERT_TRUE(cropDecision(photo, project, 1.5, fake));
    EXPECT_EQ(askedFeet.back(), std::nullopt);
    // A subject reaching the bottom edge: no feet line from the layout.
    photo.feetBottom.reset();
    photo.layout = layoutOf({person(0.2, 0.2, 0.4, 0.75), person(0.5, 0.25, 0.7, 0.99)});
    project.crop = cropMode(Mode::bottom);
    cropDecision(photo, project, 1.5, fake);
    EXPECT_EQ(askedFeet.back(), std::nullopt);
}

TEST_F(CropDecisionTest, triesTheNextAngleWhenACropLosesThePhotosRatio) {
    project.straightenRequested = true;
    photo.straighten = StraightenResult{4.0, 0.9, 1.5};
    fake.rectAndSource = [](const CropSettings&, double, double angle, std::optional<double>, const PersonLayout*) {
        // Only the half angle gives a crop of the photo's ratio.
        if (angle == 2.0) return CropPlanner::Planned{NormRect{0.1, 0.1, 0.9, 0.9}, false};
        return CropPlanner::Planned{NormRect{0.1, 0.1, 0.9, 0.8}, false};
    };
    const auto d = cropDecision(photo, project, 1.5, fake);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->angle, 2.0);
}

TEST_F(CropDecisionTest, worksWithTheRealPlanner) {
    project.smartReframe = true;
    photo.layout = testing::singleStanding();
    const auto d = cropDecision(photo, project, 1.5);
    ASSERT_TRUE(d);
    EXPECT_NEAR(d->rect.left, 0.04625, 1e-9);
    EXPECT_NEAR(d->rect.bottom, 0.9385, 1e-9);
}

// ---- masks ----

class TeethSpec : public ::testing::Test {
protected:
    testing::TempDir dir;
    Project project;
    PhotoItem photo{(dir / "missing.dng").string()};

    static TeethRegion teethAt(double x, double y) {
        TeethRegion r;
        r.left = 0.1;
        r.top = 0.2;
        r.right = 0.3;
        r.bottom = 0.4;
        r.dabs = {{x, y, 5.0}};
        r.coarse = {{x, y}};
        return r;
    }
};

TEST_F(TeethSpec, isAbsentWhenNothingIsAskedFor) {
    photo.teeth = std::vector<TeethRegion>{teethAt(0.1, 0.2)};
    EXPECT_EQ(Exporter::teethSpec(project, photo), std::nullopt);
}

TEST_F(TeethSpec, decidesEachPart) {
    project.teethAmount = 40;
    project.skinAmount = 20;         // no skin regions
    project.subjectMaskAmount = 30;  // the placeholder subject: no dabs
    project.faceLevelAmount = 50;
    photo.teeth = std::vector<TeethRegion>{teethAt(0.1, 0.2)};
    photo.subject = SkinRegion{};
    const auto spec = Exporter::teethSpec(project, photo);
    ASSERT_TRUE(spec);
    EXPECT_EQ(spec->teeth.kind, TeethMask::Spec::Part<TeethRegion>::Kind::set);
    EXPECT_EQ(spec->teeth.amount, 40);
    EXPECT_EQ(spec->teeth.regions.at(0).dabs, (DabList{{0.1, 0.2, 5.0}}));  // flip 0: unchanged
    EXPECT_EQ(spec->skin.kind, TeethMask::Spec::Part<SkinRegion>::Kind::remove);
    EXPECT_EQ(spec->subject.kind, TeethMask::Spec::Part<SkinRegion>::Kind::remove);
    EXPECT_EQ(spec->faceLevel.kind, TeethMask::Spec::Part<FaceLevel>::Kind::remove);
    EXPECT_EQ(spec->skinParams, SkinParams{});

    project.teethAmount = 0;
    SkinRegion subject;
    subject.dabs = {{0.5, 0.5}};
    photo.subject = subject;
    project.skinParams = SkinParams{20, 30, 40};
    const auto second = Exporter::teethSpec(project, photo);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->teeth.kind, TeethMask::Spec::Part<TeethRegion>::Kind::remove);
    EXPECT_EQ(second->subject.kind, TeethMask::Spec::Part<SkinRegion>::Kind::set);
    EXPECT_EQ(second->subject.amount, 30);
    EXPECT_EQ(second->skinParams, (SkinParams{20, 30, 40}));

    // Only the face level asked for: still a spec, to take its mask out.
    Project onlyFace;
    onlyFace.faceLevelAmount = 0;
    const auto third = Exporter::teethSpec(onlyFace, photo);
    ASSERT_TRUE(third);
    EXPECT_EQ(third->faceLevel.kind, TeethMask::Spec::Part<FaceLevel>::Kind::remove);
    EXPECT_TRUE(third->teeth.isUntouched());
}

TEST_F(TeethSpec, mapsDabsToTheStoredOrientationOfTheFileThatExists) {
    // The raw file is gone; its smart preview is turned a quarter (flip 6).
    photo.previewPath = rawFile(dir, "preview.dng", 100, 6).string();
    project.teethAmount = 40;
    project.skinAmount = 20;
    photo.teeth = std::vector<TeethRegion>{teethAt(0.1, 0.2)};
    SkinRegion skin;
    skin.dabs = {{0.3, 0.6, 1.0}};
    photo.skin = std::vector<SkinRegion>{skin};
    const auto spec = Exporter::teethSpec(project, photo);
    ASSERT_TRUE(spec);
    const auto& teeth = spec->teeth.regions.at(0);
    EXPECT_EQ(teeth.dabs, (DabList{{0.2, 0.9}}));  // (y, 1 − x), first two numbers only
    EXPECT_EQ(teeth.coarse, (DabList{{0.2, 0.9}}));
    EXPECT_EQ(spec->skin.regions.at(0).dabs, (DabList{{0.6, 0.7}}));
}

}  // namespace
}  // namespace orvane

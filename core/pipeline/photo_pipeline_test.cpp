#include "core/pipeline/photo_pipeline.h"

#include <gtest/gtest.h>

#include "core/photo/raw_image.h"
#include "core/photo/smart_preview.h"
#include "core/style/model_error.h"
#include "testing/dng_writer.h"
#include "testing/model_fixtures.h"
#include "testing/temp_dir.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using orvane::testing::TempDir;

RawImage image(int w, int h, int flip, double kelvin) {
    RawImage img;
    img.w = w;
    img.h = h;
    img.flip = flip;
    img.lin.assign(static_cast<std::size_t>(w * h * 3), 0.2f);
    img.iso = 100;
    img.aperture = 4;
    img.shutter = 0.01f;
    img.focal = 50;
    img.asShot = AsShotWB{kelvin, 1};
    return img;
}

// Decoders that count their calls and tell their images apart by size and as-shot temperature.
struct Counting {
    int embedded = 0, smart = 0, raw = 0, asShot = 0, smartAsShot = 0;
    std::optional<bool> fullLuma;
    bool hasEmbedded = true;
    bool readAsShotThrows = false;
    bool imagesLackAsShot = false;                        // decoded images carry no as-shot white balance
    std::optional<AsShotWB> fileAsShot = AsShotWB{5400, 2};  // what readAsShot finds
    std::optional<AsShotWB> smartFileAsShot = AsShotWB{5500, 3};
    RawImage decoded(int w, int h, int flip, double kelvin) const {
        RawImage img = image(w, h, flip, kelvin);
        if (imagesLackAsShot) img.asShot.reset();
        return img;
    }
    PhotoDecoders decoders() {
        return {
            [this](const fs::path&, int maxSide) {
                ++embedded;
                EXPECT_EQ(maxSide, 1616);
                if (!hasEmbedded) throw RawError(-2, "no preview");
                return decoded(40, 30, 0, 5100);
            },
            [this](const fs::path&, float exposure) {
                ++smart;
                EXPECT_EQ(exposure, 0.0f);
                return decoded(50, 25, 3, 5300);  // its as-shot balance read from the same opening
            },
            [this](const fs::path&) -> std::optional<AsShotWB> {
                ++asShot;
                if (readAsShotThrows) throw RawError(-2, "unreadable");
                return fileAsShot;
            },
            [this](const fs::path&) -> std::optional<AsShotWB> {
                ++smartAsShot;
                return smartFileAsShot;
            },
            [this](const fs::path&, bool luma) {
                ++raw;
                fullLuma = luma;
                return decoded(60, 40, 6, 5200);
            },
        };
    }
};

struct PredictorFixture {
    TempDir dir;
    std::optional<Predictor> faces, noFaces, base;  // base: the temperature follows the as-shot one
    PredictorFixture() {
        orvane::testing::writeModelFolder(dir / "faces", 0.5f, 200.0f, {{"Contrast2012", 150.0f}});
        for (const char* name : {"plain", "base"}) {
            orvane::testing::writeConstantModel(dir / name, "exp", 0.25f, 61);
            orvane::testing::writeConstantModel(dir / name, "mired", 250.0f, 61);
        }
        orvane::testing::markTemperatureFollowsAsShot(dir / "base");
        faces.emplace(Predictor::openModelDirectory(dir / "faces"));
        noFaces.emplace(Predictor::openModelDirectory(dir / "plain"));
        base.emplace(Predictor::openModelDirectory(dir / "base"));
    }
};

TEST(PhotoPipeline, decodesTheRightImageForEachMode) {
    PredictorFixture models;
    ASSERT_TRUE(models.faces->usesFaces());
    ASSERT_FALSE(models.noFaces->usesFaces());
    const AnalysisRequest none{}, straighten{.straighten = true}, teeth{.teeth = true};
    struct Case {
        const char* name;
        bool preview, fast, hasEmbedded;
        AnalysisRequest request;
        bool faces;
        int embedded, smart, raw;  // decoder calls
        std::optional<bool> fullLuma;
        double aspect;
        double asShotKelvin;
    };
    const Case cases[] = {
        {"smartPreview", true, false, true, none, false, 0, 1, 0, std::nullopt, 2.0, 5300},
        {"smartPreviewFastNeverTriesEmbedded", true, true, true, straighten, false, 0, 1, 0, std::nullopt, 2.0, 5300},
        {"fastEmbeddedOnly", false, true, true, none, false, 1, 0, 0, std::nullopt, 40.0 / 30, 5100},
        {"fastEmbeddedWithAnalysis", false, true, true, straighten, false, 1, 0, 1, false, 40.0 / 60, 5200},
        {"fastWithoutEmbedded", false, true, false, none, false, 1, 0, 1, false, 40.0 / 60, 5200},
        {"fastWithoutEmbeddedFaces", false, true, false, none, true, 1, 0, 1, true, 40.0 / 60, 5200},
        {"fastEmbeddedFacesNoLuma", false, true, true, straighten, true, 1, 0, 1, false, 40.0 / 60, 5200},
        {"raw", false, false, true, none, false, 0, 0, 1, false, 40.0 / 60, 5200},
        {"rawFaces", false, false, true, none, true, 0, 0, 1, true, 40.0 / 60, 5200},
        {"rawTeeth", false, false, true, teeth, false, 0, 0, 1, true, 40.0 / 60, 5200},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Counting counting;
        counting.hasEmbedded = c.hasEmbedded;
        const Predictor& predictor = c.faces ? *models.faces : *models.noFaces;
        auto r = processPhoto("/photos/a.nef", predictor, c.request, c.preview, c.fast, counting.decoders(), {});
        EXPECT_EQ(counting.embedded, c.embedded);
        EXPECT_EQ(counting.smart, c.smart);
        EXPECT_EQ(counting.raw, c.raw);
        EXPECT_EQ(counting.asShot, 0);  // every decode brought its own as-shot balance: no second unpack
        EXPECT_EQ(counting.fullLuma, c.fullLuma);
        EXPECT_DOUBLE_EQ(r.aspect, c.aspect);
        ASSERT_TRUE(r.asShot);
        EXPECT_EQ(r.asShot->kelvin, c.asShotKelvin);
        EXPECT_DOUBLE_EQ(r.exposure, c.faces ? 0.5 : 0.25);
        EXPECT_DOUBLE_EQ(r.temperature, c.faces ? 5000 : 4000);
        // A base model's temperature is the as-shot temperature of the image this mode reads it from.
        Counting again;
        again.hasEmbedded = c.hasEmbedded;
        const auto b = processPhoto("/photos/a.nef", *models.base, c.request, c.preview, c.fast, again.decoders(), {});
        EXPECT_DOUBLE_EQ(b.temperature, c.asShotKelvin);
        EXPECT_DOUBLE_EQ(b.exposure, 0.25);
    }
}

TEST(PhotoPipeline, smartPreviewAsShotFallsBack) {
    PredictorFixture models;
    Counting counting;
    counting.imagesLackAsShot = true;
    auto r = processPhoto("/x/C Smart Previews.lrdata/A/ABCD/ABCD.dng", *models.noFaces, {}, true, false,
                          counting.decoders(), {});
    EXPECT_EQ(counting.smart, 1);
    EXPECT_EQ(counting.asShot, 0);
    EXPECT_EQ(counting.smartAsShot, 1);
    EXPECT_EQ(r.asShot, (AsShotWB{5500, 3}));
}

// In preview mode one opening of the file gives both the image and the as-shot white balance, the
// same answer readAsShot gives, for a raw file and for a catalog smart preview alike.
TEST(PhotoPipeline, previewModeReadsTheAsShotBalanceFromItsOwnDecode) {
    PredictorFixture models;
    TempDir dir;
    orvane::testing::DngSpec rawSpec;  // 64 x 48
    rawSpec.asShotNeutral = orvane::testing::neutralForXY(0.4476, 0.4074);
    orvane::testing::writeDng(dir / "raw.dng", rawSpec);
    orvane::testing::SmartPreviewSpec previewSpec;
    previewSpec.asShotNeutral = orvane::testing::neutralForXY(0.3324, 0.3474);
    const auto preview = orvane::testing::writeCatalogSmartPreview(dir / "Cat.lrcat", "ABCD1234", previewSpec);
    for (const auto& file : {dir / "raw.dng", preview}) {
        SCOPED_TRACE(file.string());
        int smartAsShotCalls = 0;
        PhotoDecoders decoders = PhotoDecoders::standard();
        decoders.smartPreviewAsShot = [&](const fs::path& f) {
            ++smartAsShotCalls;
            return SmartPreview::asShot(f);
        };
        const auto r = processPhoto(file, *models.noFaces, {}, true, false, decoders, {});
        ASSERT_TRUE(r.asShot);
        EXPECT_EQ(r.asShot, readAsShot(file));
        EXPECT_EQ(smartAsShotCalls, 0);
    }
}

TEST(PhotoPipeline, analysesFillOnlyWhatWasAsked) {
    PredictorFixture models;
    PhotoAnalyzers analyzers;
    int faceCalls = 0;
    std::vector<bool> teethFlags;
    analyzers.faces = [&](const RawImage&, bool teeth, bool skin) {
        ++faceCalls;
        teethFlags.push_back(teeth);
        EXPECT_TRUE(skin);
        FaceRegions f;
        if (teeth) f.teeth.push_back(TeethRegion{0.4, 0.5, 0.5, 0.55, {}, 0.002, {}, 0});
        f.skin.push_back(SkinRegion{0.3, 0.2, 0.6, 0.6, {}, 0.004, 0.4, 2});
        return f;
    };
    analyzers.lowestEdge = [](const RawImage&, int minPeople) -> std::optional<double> {
        EXPECT_EQ(minPeople, 2);
        return std::nullopt;  // one person only: nothing
    };
    analyzers.straighten = [](const RawImage&) -> std::optional<StraightenResult> { throw std::runtime_error("boom"); };
    analyzers.subject = [](const RawImage&) { return std::optional<SkinRegion>(SkinRegion{}); };

    Counting counting;
    auto teethOnly = processPhoto("/a.nef", *models.noFaces, {.teeth = true}, false, false,
                                  counting.decoders(), analyzers);
    ASSERT_TRUE(teethOnly.teeth);
    EXPECT_EQ(teethOnly.teeth->size(), 1u);
    EXPECT_FALSE(teethOnly.skin);
    auto skinOnly = processPhoto("/a.nef", *models.noFaces, {.skin = true}, false, false, counting.decoders(), analyzers);
    EXPECT_FALSE(skinOnly.teeth);
    ASSERT_TRUE(skinOnly.skin);
    EXPECT_EQ(teethFlags, (std::vector<bool>{true, false}));

    auto others = processPhoto("/a.nef", *models.noFaces, {.straighten = true, .feet = true, .layout = true, .subject = true},
                               false, false, counting.decoders(), analyzers);
    EXPECT_FALSE(others.straighten);  // a failing analysis is an absent result
    EXPECT_FALSE(others.feetBottom);
    EXPECT_FALSE(others.layout);      // no layout analysis in this set
    EXPECT_TRUE(others.subject);
    EXPECT_FALSE(others.teeth);
    EXPECT_FALSE(others.skin);

    // The face features come from the image they describe: with the embedded preview feeding the
    // features and the raw file decoded for analyses, the preview gets its own face analysis.
    faceCalls = 0;
    processPhoto("/a.nef", *models.faces, {.skin = true}, false, true, counting.decoders(), analyzers);
    EXPECT_EQ(faceCalls, 2);
    faceCalls = 0;
    processPhoto("/a.nef", *models.faces, {}, false, false, counting.decoders(), analyzers);
    EXPECT_EQ(faceCalls, 1);
    faceCalls = 0;
    processPhoto("/a.nef", *models.noFaces, {}, false, false, counting.decoders(), analyzers);
    EXPECT_EQ(faceCalls, 0);
}

TEST(PhotoPipeline, predictionsAndExtrasOnARealRawFile) {
    PredictorFixture models;
    TempDir dir;
    orvane::testing::DngSpec spec;
    spec.width = 64;
    spec.height = 48;
    spec.orientation = 6;
    orvane::testing::writeDng(dir / "a.dng", spec);
    auto r = processPhoto(dir / "a.dng", *models.faces, {}, false, false);
    EXPECT_DOUBLE_EQ(r.exposure, 0.5);
    EXPECT_DOUBLE_EQ(r.temperature, 5000);
    EXPECT_DOUBLE_EQ(r.aspect, 48.0 / 64);
    ASSERT_TRUE(r.extras);
    EXPECT_EQ(r.extras->at("Contrast2012"), 100);  // clamped
    ASSERT_TRUE(r.asShot);
    EXPECT_GT(r.asShot->kelvin, 2000);

    orvane::testing::writeText(dir / "broken.nef", "not a raw file");
    try {
        processPhoto(dir / "broken.nef", *models.faces, {}, false, false);
        FAIL();
    } catch (const RawError& e) {
        EXPECT_EQ(e.cause(), RawError::Cause::notRaw);
    }
}

// A photo whose as-shot tint cannot be computed fails with the tint refusal, after every way of
// finding its white balance was tried; an embedded preview's missing one is asked of the raw data.
TEST(PhotoPipeline, aPhotoWithoutAsShotWhiteBalanceFails) {
    PredictorFixture models;
    const std::optional<AsShotWB> none;
    const struct {
        const char* name;
        bool preview, fast;
        std::optional<AsShotWB> fileAsShot, smartFileAsShot;
        std::optional<double> kelvin;  // absent: refused
        int asShotReads;
    } cases[] = {
        {"raw", false, false, AsShotWB{5400, 2}, none, std::nullopt, 0},
        {"embedded, the raw data has it", false, true, AsShotWB{5400, 2}, none, 5400, 1},
        {"embedded, nor the raw data", false, true, none, none, std::nullopt, 1},
        {"smart preview, its header has it", true, false, none, AsShotWB{5500, 3}, 5500, 0},
        {"smart preview, nowhere", true, false, none, none, std::nullopt, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Counting counting;
        counting.imagesLackAsShot = true;
        counting.fileAsShot = c.fileAsShot;
        counting.smartFileAsShot = c.smartFileAsShot;
        try {
            auto r = processPhoto("/photos/IMG_7.nef", *models.noFaces, {}, c.preview, c.fast, counting.decoders(), {});
            ASSERT_TRUE(c.kelvin) << "not refused";
            ASSERT_TRUE(r.asShot);
            EXPECT_EQ(r.asShot->kelvin, *c.kelvin);
        } catch (const NoTintError& e) {
            EXPECT_FALSE(c.kelvin) << "refused";
            EXPECT_STREQ(e.what(), "Nu pot calcula Tint-ul din cameră pentru IMG_7.nef.");
        }
        EXPECT_EQ(counting.asShot, c.asShotReads);
    }
    // A raw file that cannot be read for it refuses with the decoder's error.
    Counting unreadable;
    unreadable.imagesLackAsShot = true;
    unreadable.readAsShotThrows = true;
    EXPECT_THROW(processPhoto("/photos/IMG_7.nef", *models.noFaces, {}, false, true, unreadable.decoders(), {}),
                 RawError);
}

TEST(PhotoPipeline, anImageWithoutSignalFailsThePhoto) {
    PredictorFixture models;
    TempDir dir;
    // What a raw whose image data was stripped decodes to: every pixel zero.
    orvane::testing::DngSpec spec;
    spec.scene = [](int, int, int, int) { return std::array<double, 3>{0, 0, 0}; };
    orvane::testing::writeDng(dir / "empty.dng", spec);
    auto failsWithoutSignal = [&](const std::function<void()>& run) {
        try {
            run();
            ADD_FAILURE() << "no error";
        } catch (const RawError& e) {
            EXPECT_EQ(e.code(), -2);
            EXPECT_EQ(e.cause(), RawError::Cause::noImageData);
            EXPECT_STREQ(e.what(), RawError::sentence(RawError::Cause::noImageData));
        }
    };
    failsWithoutSignal([&] { processPhoto(dir / "empty.dng", *models.faces, {}, false, false); });

    // A black frame (a shot with the lens cap on): a black level and a faint noise floor above it,
    // nowhere reaching 1/255 of white. Lit in one small corner, the same frame is a photo.
    orvane::testing::DngSpec frame;
    frame.width = 96;
    frame.height = 64;
    frame.blackLevel = 256;
    frame.whiteLevel = 16383;
    auto noise = [](int x, int y) { return 0.0008 * ((x * 7 + y * 13) % 17) / 16.0; };
    frame.scene = [&](int x, int y, int, int) { return std::array<double, 3>{noise(x, y), noise(y, x), noise(x + 3, y)}; };
    orvane::testing::writeDng(dir / "black.dng", frame);
    failsWithoutSignal([&] { processPhoto(dir / "black.dng", *models.noFaces, {}, false, false); });
    frame.scene = [&](int x, int y, int, int) {
        const double lamp = x < 6 && y < 6 ? 0.05 : 0.0;
        return std::array<double, 3>{noise(x, y) + lamp, noise(y, x) + lamp, noise(x + 3, y) + lamp};
    };
    orvane::testing::writeDng(dir / "night.dng", frame);
    EXPECT_NO_THROW(processPhoto(dir / "night.dng", *models.noFaces, {}, false, false));

    // The same from the smart preview and from a black embedded preview.
    Counting counting;
    PhotoDecoders black = counting.decoders();
    black.smartPreview = [](const fs::path&, float) {
        RawImage img = image(50, 25, 0, 5300);
        std::fill(img.lin.begin(), img.lin.end(), 0.0f);
        return img;
    };
    black.embeddedPreview = [](const fs::path&, int) { return RawImage{}; };
    failsWithoutSignal([&] { processPhoto("/p.dng", *models.faces, {}, true, false, black); });
    failsWithoutSignal([&] { processPhoto("/a.nef", *models.noFaces, {}, false, true, black); });
    // One lit pixel is a signal.
    black.smartPreview = [](const fs::path&, float) {
        RawImage img = image(50, 25, 0, 5300);
        std::fill(img.lin.begin(), img.lin.end(), 0.0f);
        img.lin[7] = 0.01f;
        return img;
    };
    EXPECT_NO_THROW(processPhoto("/p.dng", *models.faces, {}, true, false, black));
}

}  // namespace
}  // namespace orvane

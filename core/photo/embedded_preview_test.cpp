#include "core/photo/embedded_preview.h"

#include <gtest/gtest.h>

#include "testing/debian_raw.h"
#include "testing/dng_writer.h"
#include "testing/temp_dir.h"

namespace orvane {
namespace {

using testing::DngPreview;
using testing::DngSpec;
using testing::TempDir;

DngPreview preview(DngPreview::Kind kind, int w, int h, bool corrupt = false) {
    DngPreview p;
    p.kind = kind;
    p.width = w;
    p.height = h;
    p.corrupt = corrupt;
    return p;
}

DngSpec withPreview(DngPreview::Kind kind, int w, int h, int orientation = 1) {
    DngSpec spec;
    spec.orientation = orientation;
    DngPreview p;
    p.kind = kind;
    p.width = w;
    p.height = h;
    spec.preview = p;
    return spec;
}

TEST(EmbeddedPreview, fitsThePreviewIntoTheLongestSide) {
    struct Case {
        const char* name;
        DngPreview::Kind kind;
        int pw, ph, maxSide, w, h;
    } cases[] = {
        {"one pixel over the fast limit", DngPreview::Kind::jpeg, 1617, 1078, 1616, 1616, 1077},
        {"at the fast limit", DngPreview::Kind::jpeg, 1616, 1077, 1616, 1616, 1077},
        {"one pixel over the large limit", DngPreview::Kind::jpeg, 1618, 1000, 1617, 1617, 999},
        {"at the large limit", DngPreview::Kind::jpeg, 1617, 1078, 1617, 1617, 1078},
        {"portrait preview scaled", DngPreview::Kind::jpeg, 900, 1800, 1616, 808, 1616},
        {"small preview kept", DngPreview::Kind::jpeg, 160, 120, 1616, 160, 120},
        {"small preview on the large way", DngPreview::Kind::jpeg, 160, 120, 2000, 160, 120},
        {"bitmap preview on the fast way", DngPreview::Kind::bitmap, 200, 100, 100, 100, 50},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto file = dir / "p.dng";
        testing::writeDng(file, withPreview(c.kind, c.pw, c.ph));
        RawImage img = EmbeddedPreview::load(file, c.maxSide);
        EXPECT_EQ(img.w, c.w);
        EXPECT_EQ(img.h, c.h);
        EXPECT_LE(std::max(img.w, img.h), c.maxSide);
        EXPECT_EQ(img.lumaW, img.w);
        EXPECT_EQ(img.lumaH, img.h);
        EXPECT_EQ(img.lin.size(), std::size_t(img.w) * img.h * 3);
        EXPECT_EQ(img.luma.size(), std::size_t(img.w) * img.h);
    }
}

TEST(EmbeddedPreview, failsWithItsOwnTexts) {
    struct Case {
        const char* name;
        std::optional<DngPreview> preview;
        int maxSide;
        const char* text;
    } cases[] = {
        {"no preview, fast way", std::nullopt, 1616, "LibRaw -2: fotografia nu are previzualizare încorporată"},
        {"no preview, large way", std::nullopt, 1617, "LibRaw -2: fără JPEG încorporat"},
        {"bitmap, large way", preview(DngPreview::Kind::bitmap, 64, 48), 1617, "LibRaw -2: fără JPEG încorporat"},
        // LibRaw checks a DNG's JPEG preview itself and reports a broken one as no JPEG.
        {"broken JPEG, large way", preview(DngPreview::Kind::jpeg, 64, 48, true), 1617,
         "LibRaw -2: fără JPEG încorporat"},
        {"broken JPEG, fast way", preview(DngPreview::Kind::jpeg, 64, 48, true), 1616,
         "LibRaw -2: fotografia nu are previzualizare încorporată"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DngSpec spec;
        spec.preview = c.preview;
        testing::writeDng(dir / "p.dng", spec);
        try {
            EmbeddedPreview::load(dir / "p.dng", c.maxSide);
            ADD_FAILURE() << "loaded";
        } catch (const RawError& e) {
            EXPECT_EQ(e.code(), -2);
            EXPECT_EQ(e.details(), c.text);
        }
    }
    try {
        EmbeddedPreview::load(dir / "missing.dng", 1616);
        ADD_FAILURE() << "loaded";
    } catch (const RawError& e) {
        EXPECT_EQ(e.details(), "LibRaw -100009: Input/output error");
        EXPECT_EQ(e.cause(), RawError::Cause::unreadable);
    }
}

TEST(EmbeddedPreview, convertsBytesThroughTheSrgbCurve) {
    // A bitmap preview carries exact bytes: 10, 255 (white), 0 (black) and red in four-pixel columns.
    // (LibRaw ignores bitmap previews of fewer than about 128 pixels.)
    TempDir dir;
    DngSpec spec = withPreview(DngPreview::Kind::bitmap, 16, 16);
    spec.preview->pixel = [](int x, int) -> std::array<std::uint8_t, 3> {
        switch (x / 4) {
        case 0: return {10, 10, 10};
        case 1: return {255, 255, 255};
        case 2: return {0, 0, 0};
        default: return {255, 0, 0};
        }
    };
    testing::writeDng(dir / "p.dng", spec);
    RawImage img = EmbeddedPreview::load(dir / "p.dng", 1616);
    ASSERT_EQ(img.w, 16);
    ASSERT_EQ(img.h, 16);
    auto at = [&](int x) { return &img.lin[std::size_t(5 * 16 + x) * 3]; };
    auto luma = [&](int x) { return int(img.luma[5 * 16 + x]); };
    EXPECT_NEAR(at(0)[0], 10 / 255.0 / 12.92, 1e-7);
    EXPECT_NEAR(at(0)[2], 0.003035, 1e-6);
    EXPECT_EQ(at(4)[1], 1.0f);
    EXPECT_EQ(at(8)[0], 0.0f);
    EXPECT_EQ(at(12)[0], 1.0f);
    EXPECT_EQ(at(12)[1], 0.0f);
    EXPECT_EQ(luma(4), 255);
    EXPECT_EQ(luma(8), 0);
    EXPECT_EQ(luma(12), int(255 * std::sqrt(0.2126f)));
}

TEST(EmbeddedPreview, carriesTheCameraDataOfTheFile) {
    TempDir dir;
    DngSpec spec = withPreview(DngPreview::Kind::jpeg, 160, 120, 6);
    spec.asShotNeutral = testing::neutralForXY(0.3324, 0.3474);
    testing::writeDng(dir / "p.dng", spec);
    RawImage preview = EmbeddedPreview::load(dir / "p.dng", 1616);
    RawImage raw = loadRaw(dir / "p.dng", false);
    // Stored unrotated: a portrait photo keeps its landscape preview and says how to turn it.
    EXPECT_GT(preview.w, preview.h);
    EXPECT_EQ(preview.flip, 6);
    EXPECT_LT(preview.displayAspect(), 1);
    EXPECT_EQ(preview.iso, raw.iso);
    EXPECT_EQ(preview.aperture, raw.aperture);
    EXPECT_EQ(preview.shutter, raw.shutter);
    EXPECT_EQ(preview.focal, raw.focal);
    EXPECT_EQ(preview.model, raw.model);
    EXPECT_EQ(preview.wb, raw.wb);
    EXPECT_EQ(preview.asShot, raw.asShot);
    EXPECT_TRUE(preview.asShot);
}

TEST(EmbeddedPreview, loadsWithoutAsShotWhenTheFileHasNoNeutral) {
    TempDir dir;
    DngSpec spec = withPreview(DngPreview::Kind::jpeg, 160, 120);
    spec.asShotNeutral.reset();
    testing::writeDng(dir / "p.dng", spec);
    RawImage img = EmbeddedPreview::load(dir / "p.dng", 1616);
    EXPECT_EQ(img.w, 160);
    // LibRaw reports multipliers [0, 1, 0]: no camera white balance, so no as-shot and neutral ratios.
    EXPECT_FALSE(img.asShot);
    EXPECT_EQ(img.wb, (std::array<float, 3>{1, 1, 1}));
}

TEST(EmbeddedPreview, readsTheDebianCameraRawsPreview) {
    TempDir dir;
    auto file = testing::debianCameraRaw(dir);
    if (!file) GTEST_SKIP() << "rawtran-doc is not installed";
    for (int maxSide : {1616, 1617}) {
        SCOPED_TRACE(maxSide);
        RawImage img = EmbeddedPreview::load(*file, maxSide);
        EXPECT_EQ(img.w, std::min(1728, maxSide));
        EXPECT_EQ(img.h, maxSide == 1616 ? 1077 : 1078);
        EXPECT_EQ(img.luma.size(), std::size_t(img.w) * img.h);
        EXPECT_FLOAT_EQ(img.iso, 640);
        EXPECT_EQ(img.model, "EOS 30D");
        EXPECT_EQ(img.flip, 0);
        ASSERT_TRUE(img.asShot);
        EXPECT_GT(img.asShot->kelvin, 4000);
        EXPECT_LT(img.asShot->kelvin, 7500);
    }
    // The preview is far smaller than the sensor: the larger way keeps its own size.
    RawImage large = EmbeddedPreview::load(*file, 4000);
    EXPECT_EQ(large.w, 1728);
    EXPECT_EQ(large.h, 1152);
}

}  // namespace
}  // namespace orvane

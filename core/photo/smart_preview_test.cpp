#include "core/photo/smart_preview.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "testing/dng_writer.h"
#include "testing/temp_dir.h"

namespace orvane {
namespace {

using testing::SmartPreviewSpec;
using testing::TempDir;

TEST(SmartPreview, findsThePreviewBesideTheCatalog) {
    TempDir dir;
    auto catalog = dir / "Wedding.lrcat";
    const std::string id = "3f2a9c1e-7b41-4c2d-9a55-0e6f1d2c3b4a";
    EXPECT_EQ(SmartPreview::path(catalog, id), std::nullopt);  // not written yet

    auto written = testing::writeCatalogSmartPreview(catalog, id, SmartPreviewSpec{});
    auto found = SmartPreview::path(catalog, id);
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, written);
    EXPECT_EQ(*found, dir.path() / "Wedding Smart Previews.lrdata" / "3" / "3F2A" /
                          "3F2A9C1E-7B41-4C2D-9A55-0E6F1D2C3B4A.dng");
    EXPECT_EQ(SmartPreview::path(catalog, "3F2A9C1E-7B41-4C2D-9A55-0E6F1D2C3B4A"), written);
    EXPECT_EQ(SmartPreview::path(catalog, "3f2"), std::nullopt);
    EXPECT_EQ(SmartPreview::path(catalog, ""), std::nullopt);
}

TEST(SmartPreview, recognisesPreviewPaths) {
    struct Case {
        const char* path;
        bool preview;
    } cases[] = {
        {"/x/y.lrdata/1/1ABC/1ABC.DNG", true},
        {"/x/Cat Smart Previews.lrdata/1/1ABC/1abc.dng", true},
        {"/x/y.dng", false},
        {"/x/y.lrdata", false},
        {"/x/y.lrdata/1/1ABC/1ABC.jpg", false},
        {"/x/ylrdata/1ABC.dng", false},
    };
    for (const auto& c : cases) EXPECT_EQ(SmartPreview::isPreview(c.path), c.preview) << c.path;
}

TEST(SmartPreview, readsTheHeaderOrientationAndAspect) {
    struct Case {
        int orientation, flip;
        double aspect;
    } cases[] = {
        {1, 0, 300.0 / 200}, {2, 0, 300.0 / 200}, {3, 3, 300.0 / 200}, {5, 0, 300.0 / 200},
        {6, 6, 200.0 / 300}, {7, 0, 300.0 / 200}, {8, 5, 200.0 / 300},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.orientation);
        SmartPreviewSpec spec;
        spec.orientation = c.orientation;
        auto file = dir / "c.lrdata" / "1" / "1ABC" / "1ABC.dng";
        testing::writeSmartPreview(file, spec);
        auto h = SmartPreview::header(file);
        EXPECT_EQ(h.flip, c.flip);
        ASSERT_TRUE(h.aspect);
        EXPECT_DOUBLE_EQ(*h.aspect, c.aspect);
        EXPECT_EQ(h.iso, 400.0f);
        EXPECT_EQ(readFlip(file), c.flip);
        EXPECT_DOUBLE_EQ(readDisplayAspect(file), c.aspect);
        EXPECT_EQ(readISO(file), 400.0f);
    }
    EXPECT_EQ(SmartPreview::header(dir / "missing.lrdata/1/1ABC/1ABC.dng"), SmartPreview::Header{});
}

TEST(SmartPreview, headerReadersNeverAskLibRaw) {
    TempDir dir;
    // Mirrored orientation: LibRaw would answer a flip code of its own, the preview rule says 0.
    SmartPreviewSpec mirrored;
    mirrored.orientation = 2;
    testing::writeSmartPreview(dir / "plain.dng", mirrored);
    testing::writeSmartPreview(dir / "c.lrdata/1/1ABC/1ABC.dng", mirrored);
    EXPECT_NE(readFlip(dir / "plain.dng"), 0);
    EXPECT_EQ(readFlip(dir / "c.lrdata/1/1ABC/1ABC.dng"), 0);

    // A DNG LibRaw cannot unpack: readAsShot throws for it, except as a smart preview.
    testing::DngSpec deflate;
    deflate.deflate = true;
    testing::writeDng(dir / "deflate.dng", deflate);
    testing::writeDng(dir / "c.lrdata/2/2ABC/2ABC.dng", deflate);
    EXPECT_THROW(readAsShot(dir / "deflate.dng"), RawError);
    EXPECT_TRUE(readAsShot(dir / "c.lrdata/2/2ABC/2ABC.dng"));

    // Unreadable previews: no ISO, flip 0, and the aspect fails with the system's own text.
    testing::writeText(dir / "c.lrdata/3/3ABC/3ABC.dng", "not a tiff");
    auto broken = dir / "c.lrdata/3/3ABC/3ABC.dng";
    EXPECT_EQ(readISO(broken), std::nullopt);
    EXPECT_EQ(readFlip(broken), 0);
    EXPECT_FALSE(readAsShot(broken));
    try {
        readDisplayAspect(broken);
        ADD_FAILURE() << "no error";
    } catch (const RawError& e) {
        EXPECT_EQ(e.details(), "LibRaw -2: dimensiuni");
        EXPECT_EQ(e.cause(), RawError::Cause::noImageData);
    }
}

TEST(SmartPreview, givesTheAsShotTemperatureOfItsNeutral) {
    struct Case {
        const char* name;
        double x, y;
    } cases[] = {{"daylight", 0.3324, 0.3474}, {"tungsten", 0.4476, 0.4074}, {"magenta", 0.33, 0.31}};
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SmartPreviewSpec spec;
        spec.asShotNeutral = testing::neutralForXY(c.x, c.y);
        testing::writeSmartPreview(dir / "p.lrdata/1/1ABC/1ABC.dng", spec);
        auto wb = SmartPreview::asShot(dir / "p.lrdata/1/1ABC/1ABC.dng");
        auto expected = temperatureAndTint(c.x, c.y);
        ASSERT_TRUE(wb);
        EXPECT_NEAR(wb->kelvin, expected->kelvin, expected->kelvin * 0.001);
        EXPECT_NEAR(wb->tint, expected->tint, 0.2);
        EXPECT_EQ(readAsShot(dir / "p.lrdata/1/1ABC/1ABC.dng"), wb);
    }
    // Far off the black-body locus on either side: the tint is clamped to -150..150.
    struct Far {
        double x, y, tint;
    } far[] = {{0.33, 0.25, -150}, {0.28, 0.45, 150}};
    for (const auto& f : far) {
        ASSERT_GT(std::fabs(temperatureAndTint(f.x, f.y)->tint), 150);
        SmartPreviewSpec off;
        off.asShotNeutral = testing::neutralForXY(f.x, f.y);
        testing::writeSmartPreview(dir / "off.dng", off);
        EXPECT_EQ(SmartPreview::asShot(dir / "off.dng")->tint, f.tint);
    }

    SmartPreviewSpec none;
    none.asShotNeutral.reset();
    testing::writeSmartPreview(dir / "n.dng", none);
    EXPECT_FALSE(SmartPreview::asShot(dir / "n.dng"));
}

TEST(SmartPreview, decodesLinearWithItsMetadata) {
    TempDir dir;
    SmartPreviewSpec spec;
    spec.orientation = 8;
    spec.asShotNeutral = testing::neutralForXY(0.3324, 0.3474);
    auto n = *spec.asShotNeutral;
    double top = std::max({n[0], n[1], n[2]});
    spec.scene = [n, top](int, int, int, int) {
        return std::array<double, 3>{0.3 * n[0] / top, 0.3 * n[1] / top, 0.3 * n[2] / top};
    };
    auto file = testing::writeCatalogSmartPreview(dir / "Cat.lrcat", "ABCD1234", spec);

    RawImage img = SmartPreview::load(file, 0);
    EXPECT_EQ(img.w, 300);
    EXPECT_EQ(img.h, 200);
    EXPECT_EQ(img.lumaW, 300);
    EXPECT_EQ(img.lumaH, 200);
    ASSERT_EQ(img.lin.size(), std::size_t(300) * 200 * 3);
    ASSERT_EQ(img.luma.size(), std::size_t(300) * 200);
    EXPECT_EQ(img.flip, 5);
    EXPECT_FLOAT_EQ(img.iso, 400);
    EXPECT_NEAR(img.aperture, 2.8, 1e-5);
    EXPECT_NEAR(img.shutter, 1.0 / 60, 1e-6);
    EXPECT_NEAR(img.focal, 85, 1e-4);
    EXPECT_EQ(img.model, "Test Camera");
    EXPECT_FALSE(img.asShot);
    EXPECT_NEAR(img.wb[0], 0.3324 / 0.3474, 1e-4);
    EXPECT_EQ(img.wb[1], 1.0f);
    EXPECT_NEAR(img.wb[2], (1 - 0.3324 - 0.3474) / 0.3474, 1e-4);

    // A grey of the camera comes out neutral: the as-shot balance is applied (JPEG leaves a little chroma).
    const float* mid = &img.lin[(std::size_t(100) * 300 + 150) * 3];
    EXPECT_NEAR(mid[0], mid[1], 0.02);
    EXPECT_NEAR(mid[2], mid[1], 0.02);
    EXPECT_NEAR(mid[1], 0.3, 0.02);
    int lumaByte = img.luma[std::size_t(100) * 300 + 150];
    EXPECT_NEAR(lumaByte, 255 * std::sqrt(0.2126 * mid[0] + 0.7152 * mid[1] + 0.0722 * mid[2]), 1.0);

    // One EV up doubles, two and a half EV up clips at 1.
    RawImage brighter = SmartPreview::load(file, 1);
    EXPECT_NEAR(brighter.lin[(std::size_t(100) * 300 + 150) * 3 + 1], 2 * mid[1], 1e-4);
    RawImage clipped = SmartPreview::load(file, 2.5f);
    EXPECT_EQ(clipped.lin[(std::size_t(100) * 300 + 150) * 3 + 1], 1.0f);
}

TEST(SmartPreview, defaultsAndWhitePointEdges) {
    TempDir dir;
    SmartPreviewSpec spec;
    spec.iso.reset();
    spec.asShotNeutral.reset();
    spec.asShotWhiteXY = std::array<double, 2>{0.31, 0.02};  // y below 0.05 divides by 0.05
    testing::writeSmartPreview(dir / "p.lrdata/1/1ABC/1ABC.dng", spec);
    auto file = dir / "p.lrdata/1/1ABC/1ABC.dng";
    EXPECT_EQ(SmartPreview::header(file).iso, std::nullopt);
    EXPECT_EQ(readISO(file), std::nullopt);
    RawImage img = SmartPreview::load(file, 0);
    EXPECT_FLOAT_EQ(img.iso, 100);
    EXPECT_NEAR(img.wb[0], 0.31 / 0.05, 1e-4);
    EXPECT_NEAR(img.wb[2], (1 - 0.31 - 0.02) / 0.05, 1e-4);
}

TEST(SmartPreview, halvesOnlyWidePreviews) {
    struct Case {
        int width, w, h;
    } cases[] = {{4608, 2304, 16}, {4000, 4000, 32}};
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        SmartPreviewSpec spec;
        spec.width = c.width;
        spec.height = 32;  // LibRaw refuses images under 22 pixels high
        testing::writeSmartPreview(dir / "wide.dng", spec);
        RawImage img = SmartPreview::load(dir / "wide.dng", 0);
        EXPECT_EQ(img.w, c.w);
        EXPECT_EQ(img.h, c.h);
        EXPECT_EQ(img.lin.size(), std::size_t(c.w) * c.h * 3);
    }
}

TEST(SmartPreview, failsWithItsOwnText) {
    TempDir dir;
    testing::writeText(dir / "x.lrdata/1/1ABC/1ABC.dng", "not a tiff");
    const std::pair<std::filesystem::path, RawError::Cause> cases[] = {{dir / "x.lrdata/1/1ABC/1ABC.dng", RawError::Cause::notRaw},
                                                          {dir / "missing.dng", RawError::Cause::unreadable}};
    for (const auto& [file, cause] : cases) {
        try {
            SmartPreview::load(file, 0);
            ADD_FAILURE() << "loaded";
        } catch (const RawError& e) {
            EXPECT_EQ(e.code(), -2);
            EXPECT_EQ(e.details(), "LibRaw -2: Smart Preview nu se poate deschide");
            EXPECT_EQ(e.cause(), cause);
            EXPECT_STREQ(e.what(), RawError::sentence(cause));
        }
    }
}

}  // namespace
}  // namespace orvane

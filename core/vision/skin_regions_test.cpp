#include "core/vision/skin_detector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "core/vision/face_fixtures.h"

namespace orvane {
namespace {

using TeethDetector::Face;

constexpr std::array<float, 3> kSkin{0.40f, 0.28f, 0.22f};
constexpr std::array<float, 3> kEye{0.05f, 0.05f, 0.06f};
constexpr std::array<float, 3> kWall{0.2f, 0.25f, 0.3f};

using testing::ring;

// A skin-coloured oval face (centre (0.5, 0.5), radii 0.2 x 0.3) with dark eyes, on a blue wall; the
// contour runs round the jaw from the left ear to the right one.
struct SkinScene {
    static constexpr int W = 300, H = 300;
    Face face;
    SkinScene() {
        face.box = {0.3, 0.2, 0.7, 0.8};
        for (int i = 0; i <= 16; ++i) {
            const double a = std::numbers::pi * i / 16;  // 0 .. pi: right ear, chin, left ear
            face.contour.push_back({0.5 - 0.2 * std::cos(a), 0.45 + 0.35 * std::sin(a)});
        }
        face.features = {ring(0.42, 0.42, 0.03, 0.015, 6), ring(0.58, 0.42, 0.03, 0.015, 6)};
    }
    // Upright colour at a normalised position.
    static std::array<float, 3> colour(double x, double y) {
        const double dx = (x - 0.5) / 0.2, dy = (y - 0.5) / 0.3;
        if (dx * dx + dy * dy > 1) return kWall;
        for (double ex : {0.42, 0.58}) {
            const double ux = (x - ex) / 0.03, uy = (y - 0.42) / 0.015;
            if (ux * ux + uy * uy <= 1) return kEye;
        }
        return kSkin;
    }
    // The raw image stored for a flip code: its pixels turned away from upright.
    static RawImage raw(int flip) {
        RawImage r;
        r.flip = flip;
        const bool quarter = flip == 5 || flip == 6;
        r.w = quarter ? H : W;
        r.h = quarter ? W : H;
        for (int y = 0; y < r.h; ++y)
            for (int x = 0; x < r.w; ++x) {
                double sx = (x + 0.5) / r.w, sy = (y + 0.5) / r.h, ux, uy;
                switch (flip) {  // stored to upright
                    case 3: ux = 1 - sx, uy = 1 - sy; break;
                    case 6: ux = 1 - sy, uy = sx; break;
                    case 5: ux = sy, uy = 1 - sx; break;
                    default: ux = sx, uy = sy;
                }
                const auto c = colour(ux, uy);
                r.lin.insert(r.lin.end(), c.begin(), c.end());
            }
        return r;
    }
};

TEST(SkinDetector, coversTheSkinOfTheFaceAndLeavesTheEyesOutInEveryOrientation) {
    SkinScene scene;
    for (int flip : {0, 3, 5, 6}) {
        SCOPED_TRACE(flip);
        const auto regions = SkinDetector::regions({scene.face}, SkinScene::raw(flip));
        ASSERT_EQ(regions.size(), 1u);
        const auto& r = regions[0];
        EXPECT_EQ(r.v, SkinRegion::currentVersion);
        ASSERT_TRUE(r.lum);
        EXPECT_FLOAT_EQ(float(*r.lum), 0.2126f * kSkin[0] + 0.7152f * kSkin[1] + 0.0722f * kSkin[2]);
        EXPECT_DOUBLE_EQ(r.radius, 0.012);  // 0.07 x span 0.4, capped
        EXPECT_NEAR(r.left, 0.3, 1e-9);
        EXPECT_NEAR(r.right, 0.7, 1e-9);
        EXPECT_NEAR(r.bottom, 0.8, 1e-9);
        EXPECT_NEAR(r.top, 0.2 + 0.04 * 0.6, 1e-9);  // the forehead arc's top
        EXPECT_GT(r.dabs.size(), 100u);
        EXPECT_LE(r.dabs.size(), 1800u);
        for (const auto& d : r.dabs) {
            EXPECT_EQ(SkinScene::colour(d[0], d[1]), kSkin);
            for (double ex : {0.42, 0.58}) EXPECT_FALSE(std::abs(d[0] - ex) < 0.03 && std::abs(d[1] - 0.42) < 0.015);
        }
    }
}

TEST(SkinDetector, skipsFacesThatCannotCarryARegionAndLeavesNoGap) {
    SkinScene scene;
    Face shortContour = scene.face;
    shortContour.contour.resize(7);
    Face narrow = scene.face;
    narrow.contour.back().x = narrow.contour.front().x + 0.019;
    Face endsAboveBrow = scene.face;
    endsAboveBrow.contour.front().y = endsAboveBrow.contour.back().y = 0.2;  // top is 0.224
    Face noSkin = scene.face;
    noSkin.contour = ring(0.1, 0.1, 0.05, 0.05, 12);  // on the wall
    noSkin.box = {0.05, 0.05, 0.15, 0.15};
    const auto raw = SkinScene::raw(0);
    for (const Face* f : {&shortContour, &narrow, &endsAboveBrow, &noSkin})
        EXPECT_TRUE(SkinDetector::regions({*f}, raw).empty());
    EXPECT_TRUE(SkinDetector::regions({}, raw).empty());
    const auto regions = SkinDetector::regions({narrow, scene.face, shortContour, scene.face}, raw);
    EXPECT_EQ(regions.size(), 2u);
}

TEST(SkinDetector, keepsEveryKthDabAboveEighteenHundred) {
    struct Case {
        std::size_t in, out, secondIndex;
    };
    for (const Case& c : {Case{4000, 1334, 3}, Case{1801, 901, 2}, Case{1800, 1800, 1}}) {
        SCOPED_TRACE(c.in);
        DabList dabs;
        for (std::size_t i = 0; i < c.in; ++i) dabs.push_back({double(i), 0});
        const auto kept = SkinDetector::decimate(dabs);
        ASSERT_EQ(kept.size(), c.out);
        EXPECT_EQ(kept[0][0], 0);
        EXPECT_EQ(kept[1][0], double(c.secondIndex));
    }
}

TEST(SkinDetector, growsAnOutlineAboutItsCentroid) {
    const Outline square{{0, 0}, {2, 0}, {2, 2}, {0, 2}};
    EXPECT_EQ(SkinDetector::grow(square, 1.5), (Outline{{-0.5, -0.5}, {2.5, -0.5}, {2.5, 2.5}, {-0.5, 2.5}}));
}

}  // namespace
}  // namespace orvane

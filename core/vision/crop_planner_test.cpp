#include "core/vision/crop_planner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "core/vision/layout_fixtures.h"
#include "testing/romanian_locale.h"

namespace orvane {
namespace {

using Mode = CropSettings::Mode;
using Pairs = std::vector<std::pair<std::string, std::string>>;

CropSettings settings(Mode mode, std::string ratio = "3:2", double w = 3, double h = 2) {
    CropSettings s;
    s.mode = mode;
    s.ratio = std::move(ratio);
    s.customW = w;
    s.customH = h;
    return s;
}

TEST(CropPlannerRect, followsTheModeRules) {
    const double edge2 = CropPlanner::fitted(1.5, 1.5, 2).left;
    struct Case {
        const char* name;
        CropSettings settings;
        double aspect, angle;
        std::optional<double> feet;
        std::optional<NormRect> want;
    };
    const Case cases[] = {
        {"none, level", settings(Mode::none), 1.5, 0, {}, std::nullopt},
        {"none, 2 degrees", settings(Mode::none), 1.5, 2, {}, NormRect{edge2, edge2, 1 - edge2, 1 - edge2}},
        {"original, 2 degrees", settings(Mode::original), 1.5, 2, {}, NormRect{edge2, edge2, 1 - edge2, 1 - edge2}},
        {"below the angle tolerance", settings(Mode::none), 1.5, 0.0009, {}, std::nullopt},
        {"3:2 on 3:2", settings(Mode::ratio, "3:2"), 1.5, 0, {}, std::nullopt},
        {"3:2 on 2:3", settings(Mode::ratio, "3:2"), 2.0 / 3, 0, {}, std::nullopt},
        {"1:1 on 3:2", settings(Mode::ratio, "1:1"), 1.5, 0, {}, NormRect{1.0 / 6, 0, 5.0 / 6, 1}},
        {"unknown label as none", settings(Mode::ratio, "9:7"), 1.5, 0, {}, std::nullopt},
        {"custom 2:1 on 3:2", settings(Mode::custom, "3:2", 2, 1), 1.5, 0, {}, NormRect{0, 0.125, 1, 0.875}},
        {"custom width 0 as none", settings(Mode::custom, "3:2", 0, 2), 1.5, 0, {}, std::nullopt},
        {"bottom, feet 0.70", settings(Mode::bottom), 1.5, 0, 0.70, NormRect{0.115, 0, 0.885, 0.77}},
        {"bottom, feet 0.80: gap too small", settings(Mode::bottom), 1.5, 0, 0.80, std::nullopt},
        {"bottom, feet 0.50: crop too low", settings(Mode::bottom), 1.5, 0, 0.50, std::nullopt},
        {"bottom without feet as none", settings(Mode::bottom), 1.5, 0, std::nullopt, std::nullopt},
        {"aspect 0", settings(Mode::ratio, "1:1"), 0, 0, {}, std::nullopt},
        {"negative aspect", settings(Mode::ratio, "1:1"), -1.5, 0, {}, std::nullopt},
        {"infinite aspect", settings(Mode::ratio, "1:1"), INFINITY, 0, {}, std::nullopt},
        {"infinite angle", settings(Mode::none), 1.5, INFINITY, {}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto got = CropPlanner::rectAndSource(c.settings, c.aspect, c.angle, c.feet, nullptr);
        EXPECT_FALSE(got.smart);
        ASSERT_EQ(got.rect.has_value(), c.want.has_value());
        if (c.want) testing::expectRect(got.rect, *c.want);
    }
    EXPECT_NEAR(edge2, 0.0246, 0.00005);
}

TEST(CropPlannerRect, fittedCropsStayInsideTheTurnedPhoto) {
    for (double angle : {-5.0, 1.0, 3.0, 8.0}) {
        for (double target : {1.0, 1.5, 2.0 / 3}) {
            const double A = 1.5;
            const auto r = CropPlanner::fitted(target, A, angle);
            EXPECT_NEAR(r.width() * A / r.height(), target, 1e-9);
            // Each corner, turned back, lies inside the unturned photo (true proportions).
            const double a = std::fabs(angle) * std::numbers::pi / 180;
            for (double x : {r.left, r.right}) {
                for (double y : {r.top, r.bottom}) {
                    const double X = A * (x - 0.5), Y = y - 0.5;
                    const double xr = X * std::cos(a) + Y * std::sin(a), yr = -X * std::sin(a) + Y * std::cos(a);
                    EXPECT_LE(std::fabs(xr), A / 2 + 1e-9);
                    EXPECT_LE(std::fabs(yr), 0.5 + 1e-9);
                }
            }
        }
    }
}

TEST(CropPlannerRect, bottomCropUnderRotationKeepsTheTopAndTheRatio) {
    const auto R1 = CropPlanner::fitted(1.5, 1.5, 2);
    const auto got = CropPlanner::rect(settings(Mode::bottom), 1.5, 2, 0.6, nullptr);
    ASSERT_TRUE(got);
    EXPECT_NEAR(got->top, R1.top + 0.004, 1e-9);
    EXPECT_NEAR(got->bottom, 0.67 - 0.004, 1e-9);
    EXPECT_TRUE(CropPlanner::preservesOriginalRatio(*got));
    EXPECT_NEAR((got->left + got->right) / 2, 0.5, 1e-9);
    // Feet too low for a bottom crop: the rotation's own crop.
    EXPECT_EQ(CropPlanner::rect(settings(Mode::bottom), 1.5, 2, 0.85, nullptr), R1);
}

TEST(CropPlannerRect, takesThePersonAwareCropFirst) {
    const auto layout = testing::singleStanding();
    const auto level = CropPlanner::rectAndSource(settings(Mode::none), 1.5, 0, std::nullopt, &layout);
    EXPECT_TRUE(level.smart);
    ASSERT_TRUE(level.rect);
    EXPECT_NEAR(level.rect->left, 0.04625, 1e-9);
    EXPECT_NEAR(level.rect->bottom, 0.9385, 1e-9);
    // Turned: planned inside the rotation's crop, then drawn in by 0.004.
    const auto turned = CropPlanner::rectAndSource(settings(Mode::none), 1.5, 2, std::nullopt, &layout);
    EXPECT_TRUE(turned.smart);
    ASSERT_TRUE(turned.rect);
    EXPECT_NEAR(turned.rect->left, 0.04625 + 0.004, 1e-9);
    EXPECT_NEAR(turned.rect->top, 0.081 + 0.004, 1e-9);
    // A layout the planner cannot use falls back to the mode rules.
    auto old = layout;
    old.version = 1;
    const auto fallback = CropPlanner::rectAndSource(settings(Mode::ratio, "1:1"), 1.5, 0, std::nullopt, &old);
    EXPECT_FALSE(fallback.smart);
    ASSERT_TRUE(fallback.rect);
    EXPECT_NEAR(fallback.rect->left, 1.0 / 6, 1e-9);
}

TEST(CropPlannerFlip, mapsRectsAndPointsToTheStoredOrientationAndBack) {
    const NormRect r{0.1, 0.2, 0.9, 0.7};
    EXPECT_EQ(CropPlanner::sensorRect(r, 6), (NormRect{0.2, 1 - 0.9, 0.7, 1 - 0.1}));
    EXPECT_EQ(CropPlanner::sensorRect(r, 5), (NormRect{1 - 0.7, 0.1, 1 - 0.2, 0.9}));
    EXPECT_EQ(CropPlanner::sensorRect(r, 3), (NormRect{1 - 0.9, 1 - 0.7, 1 - 0.1, 1 - 0.2}));
    for (int flip : {0, 1, 3, 5, 6}) {
        SCOPED_TRACE(flip);
        const auto s = CropPlanner::sensorRect(r, flip);
        EXPECT_LT(s.left, s.right);
        EXPECT_LT(s.top, s.bottom);
        const auto back = CropPlanner::uprightRect(s, flip);
        EXPECT_NEAR(back.left, r.left, 1e-12);
        EXPECT_NEAR(back.top, r.top, 1e-12);
        EXPECT_NEAR(back.right, r.right, 1e-12);
        EXPECT_NEAR(back.bottom, r.bottom, 1e-12);
        const auto up = CropPlanner::sensorRect(CropPlanner::uprightRect(r, flip), flip);
        EXPECT_NEAR(up.left, r.left, 1e-12);
        EXPECT_NEAR(up.bottom, r.bottom, 1e-12);
        // The rect's corners are the mapped points' corners.
        const auto [x1, y1] = CropPlanner::sensorPoint(r.left, r.top, flip);
        const auto [x2, y2] = CropPlanner::sensorPoint(r.right, r.bottom, flip);
        EXPECT_NEAR(std::min(x1, x2), s.left, 1e-12);
        EXPECT_NEAR(std::max(x1, x2), s.right, 1e-12);
        EXPECT_NEAR(std::min(y1, y2), s.top, 1e-12);
        EXPECT_NEAR(std::max(y1, y2), s.bottom, 1e-12);
        const auto [bx, by] = CropPlanner::uprightPoint(x1, y1, flip);
        EXPECT_NEAR(bx, r.left, 1e-12);
        EXPECT_NEAR(by, r.top, 1e-12);
    }
}

TEST(CropPlannerAttributes, writesSnappedValuesWithAPointInAnyLocale) {
    testing::RomanianLocale romanian;
    if (!romanian.active()) GTEST_SKIP() << "ro_RO.UTF-8 is not installed";
    EXPECT_EQ(CropPlanner::attributes({0.1, 0.2, 0.7, 0.8}, -1.234, true),
              (Pairs{{"CropAngle", "-1.23"},
                     {"CropLeft", "0.100000"},
                     {"CropTop", "0.200000"},
                     {"CropRight", "0.700000"},
                     {"CropBottom", "0.800000"},
                     {"HasCrop", "True"}}));
    // Snapping keeps the crop inside: the left would land one millionth too far right.
    const auto snapped = CropPlanner::attributes({0.4000005, 0.2, 1.0, 0.7999995}, 0, true);
    ASSERT_EQ(snapped.size(), 6u);
    EXPECT_EQ(snapped[1], (std::pair<std::string, std::string>{"CropLeft", "0.400000"}));
    EXPECT_EQ(snapped[3], (std::pair<std::string, std::string>{"CropRight", "1.000000"}));
}

TEST(CropPlannerAttributes, keepsOrRefusesCropsOfAnotherRatio) {
    const NormRect wide{0.1, 0.2, 0.7, 0.9};
    EXPECT_EQ(CropPlanner::attributes(wide, 0, true), Pairs{});
    EXPECT_EQ(CropPlanner::attributes(wide, 1.5, false), (Pairs{{"CropAngle", "1.50"},
                                                               {"CropLeft", "0.100000"},
                                                               {"CropTop", "0.200000"},
                                                               {"CropRight", "0.700000"},
                                                               {"CropBottom", "0.900000"},
                                                               {"HasCrop", "True"}}));
    // Side under half a millionth: nothing to write.
    EXPECT_EQ(CropPlanner::attributes({0.5, 0.5, 0.5000004, 0.5000004}, 0, false), Pairs{});
    // Numbers that are not numbers never reach a file.
    EXPECT_EQ(CropPlanner::attributes({NAN, 0.2, 0.7, 0.9}, 0, false), Pairs{});
    EXPECT_EQ(CropPlanner::attributes({0.1, 0.2, 0.7, 0.8}, INFINITY, false), Pairs{});
}

}  // namespace
}  // namespace orvane

#include "core/vision/skin_detector.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orvane {
namespace {

using SkinDetector::Point;
using SkinDetector::Polygon;

// A jaw line from (0.4, 0.5) down round the chin to (0.6, 0.5): `points` points on a half ellipse.
Polygon jaw(int points, double x0 = 0.4, double x1 = 0.6, double y = 0.5) {
    Polygon out;
    for (int i = 0; i < points; ++i) {
        const double a = M_PI * i / (points - 1);
        out.push_back({(x0 + x1) / 2 - (x1 - x0) / 2 * std::cos(a), y + 0.15 * std::sin(a)});
    }
    return out;
}

TEST(SkinDetector, outlineNeedsALongWideJawBelowTheBrow) {
    struct Case {
        const char* label;
        Polygon contour;
        double boxTop;
        bool usable;
    };
    const std::vector<Case> cases = {
        {"17 points", jaw(17), 0.3, true},
        {"8 points", jaw(8), 0.3, true},
        {"7 points", jaw(7), 0.3, false},
        {"ends 0.019 apart", jaw(17, 0.5, 0.519), 0.3, false},
        {"ends 0.02 apart", jaw(17, 0.5, 0.52), 0.3, true},
        {"ends above the top 4 % of the box", jaw(17, 0.4, 0.6, 0.3), 0.3, false},
    };
    for (const auto& c : cases) EXPECT_EQ(SkinDetector::outline(c.contour, c.boxTop, 0.5).has_value(), c.usable) << c.label;

    // The forehead closes the polygon: 13 points on a half ellipse from the last contour end back
    // toward the first, its top 4 % of the box below the box's top.
    const auto o = SkinDetector::outline(jaw(17), 0.3, 0.5);
    ASSERT_TRUE(o);
    EXPECT_DOUBLE_EQ(o->span, 0.2);
    ASSERT_EQ(o->polygon.size(), 17u + 13u);
    const Point top = o->polygon[17 + 6];  // j = 7: straight above the middle
    EXPECT_NEAR(top.x, 0.5, 1e-12);
    EXPECT_NEAR(top.y, 0.32, 1e-12);
    EXPECT_GT(o->polygon[17].x, o->polygon[29].x);  // runs from right to left when the jaw runs left to right
    const Polygon line = jaw(17);  // one vector: both iterators must come from the same one
    const auto mirrored = SkinDetector::outline(Polygon(line.rbegin(), line.rend()), 0.3, 0.5);
    EXPECT_LT(mirrored->polygon[17].x, mirrored->polygon[29].x);
}

TEST(SkinDetector, gridCoversTheFaceAndLeavesHolesOut) {
    const Polygon square = {{0.2, 0.2}, {0.4, 0.2}, {0.4, 0.4}, {0.2, 0.4}};
    const double radius = SkinDetector::dabRadius(0.2);
    EXPECT_DOUBLE_EQ(radius, 0.012);  // 0.07 × 0.2 = 0.014, capped
    EXPECT_DOUBLE_EQ(SkinDetector::dabRadius(0.01), 0.0015);
    EXPECT_DOUBLE_EQ(SkinDetector::dabRadius(0.1), 0.007);

    const Polygon eye = SkinDetector::grow({{0.27, 0.27}, {0.33, 0.27}, {0.3, 0.33}}, SkinDetector::holeGrowth);
    EXPECT_NEAR(eye[0].x, 0.3 - 0.03 * 1.45, 1e-12);
    const auto plain = SkinDetector::grid(square, {}, radius);
    const auto holed = SkinDetector::grid(square, {eye}, radius);
    ASSERT_FALSE(plain.empty());
    EXPECT_LT(holed.size(), plain.size());
    const double margin = 0.8 * radius;
    for (const auto& p : holed) {
        // The whole test cross lies inside the face (its top and left edges count as inside) and
        // outside the hole.
        EXPECT_GE(p.x - margin, 0.2 - 1e-12);
        EXPECT_LT(p.x + margin, 0.4);
        EXPECT_GE(p.y - margin, 0.2 - 1e-12);
        EXPECT_LT(p.y + margin, 0.4);
        EXPECT_FALSE(SkinDetector::inside(p, eye));
    }
    // Grid order: rows from the top, columns from the left.
    for (std::size_t i = 1; i < plain.size(); ++i)
        EXPECT_TRUE(plain[i].y > plain[i - 1].y || (plain[i].y == plain[i - 1].y && plain[i].x > plain[i - 1].x));
    EXPECT_NEAR(plain[1].x - plain[0].x, 0.4 * radius, 1e-12);
}

TEST(SkinDetector, insideFollowsTheEvenOddRule) {
    // A square with a square hole drawn as one polygon through a cut.
    const Polygon ring = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}, {0.25, 0.25}, {0.25, 0.75}, {0.75, 0.75}, {0.75, 0.25}, {0.25, 0.25}};
    EXPECT_TRUE(SkinDetector::inside({0.1, 0.5}, ring));
    EXPECT_FALSE(SkinDetector::inside({0.5, 0.5}, ring));
    EXPECT_FALSE(SkinDetector::inside({1.5, 0.5}, ring));
    EXPECT_FALSE(SkinDetector::inside({0.5, 0.5}, {}));
}

TEST(DabThinning, keepsEveryKthDabFromTheFirst) {
    struct Case {
        std::size_t count;
        std::size_t kept;
        std::size_t step;
    };
    for (const auto& c : std::vector<Case>{{4000, 1334, 3}, {1801, 901, 2}, {1800, 1800, 1}, {5, 5, 1}}) {
        DabList dabs;
        for (std::size_t i = 0; i < c.count; ++i) dabs.push_back({static_cast<double>(i), 0});
        const DabList kept = thinDabs(dabs, SkinDetector::maxDabs);
        ASSERT_EQ(kept.size(), c.kept) << c.count;
        EXPECT_EQ(kept.front()[0], 0);
        EXPECT_EQ(kept[1][0], static_cast<double>(c.step)) << c.count;
    }
}

}  // namespace
}  // namespace orvane

#include "core/vision/line_segment_detector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <string>

#include "core/vision/straighten_scenes.h"

namespace orvane {
namespace {

namespace LSD = LineSegmentDetector;

double lengthOf(const LineSegment& s) { return std::hypot(s.x2 - s.x1, s.y2 - s.y1); }

TEST(LineSegmentDetector, imagesTooSmallMismatchedOrFlatGiveNothing) {
    const auto lines = scenes::draw(scenes::building(100, 100), 100, 100, 0);
    EXPECT_FALSE(LSD::detect(lines, 100, 100).empty());  // the same content does give lines
    const auto narrow = scenes::draw(scenes::building(16, 100), 16, 100, 0);
    EXPECT_TRUE(LSD::detect(narrow, 16, 100).empty());
    EXPECT_TRUE(LSD::detect(narrow, 100, 16).empty());
    EXPECT_TRUE(LSD::detect(lines, 100, 99).empty());  // value count is not width x height
    EXPECT_TRUE(LSD::detect(lines, -100, -100).empty());
    EXPECT_TRUE(LSD::detect(std::vector<float>(100 * 100, 128.0f), 100, 100).empty());
}

TEST(LineSegmentDetector, binomialTail) {
    EXPECT_EQ(LSD::binomialTail(10, 0, 0.3), 1.0);
    EXPECT_EQ(LSD::binomialTail(3, 4, 0.3), 0.0);
    // Beyond the table: 0, so a rectangle that large always passes.
    EXPECT_EQ(LSD::binomialTail(100001, 5, 0.125), 0.0);
    EXPECT_NEAR(LSD::binomialTail(10, 10, 0.5), std::ldexp(1.0, -10), 1e-15);
    EXPECT_NEAR(LSD::binomialTail(10, 5, 0.5), 638.0 / 1024, 1e-12);
    EXPECT_NEAR(LSD::binomialTail(1, 1, 0.125), 0.125, 1e-15);
    // Far in the tail the sum stays in log space and stops at the smallest normal double.
    EXPECT_EQ(LSD::binomialTail(100000, 100000, 0.125), std::numeric_limits<double>::min());
    const double small = LSD::binomialTail(2000, 1000, 0.125);
    EXPECT_GT(small, 0.0);
    EXPECT_LT(small, 1e-200);
}

TEST(LineSegmentDetector, resampleKeepsFlatValuesAndScalesTheSize) {
    const auto s = LSD::resample(std::vector<float>(21 * 17, 77.0f), 21, 17);
    EXPECT_EQ(s.width, 17);   // ceil(16.8)
    EXPECT_EQ(s.height, 14);  // ceil(13.6)
    ASSERT_EQ(s.values.size(), std::size_t(17 * 14));
    for (float v : s.values) EXPECT_NEAR(v, 77.0f, 1e-3f);
}

// A step edge through the image centre at a known direction: one long segment along it, reported in
// input pixels (its end points lie on the drawn edge only with the 1.25 scale back).
TEST(LineSegmentDetector, findsEdgesAtKnownAngles) {
    const int W = 200, H = 150;
    for (double alpha : {0.0, 3.0, 30.0, 45.0, 88.0, 90.0, 135.0, 170.0}) {
        SCOPED_TRACE("angle " + std::to_string(alpha));
        const double a = alpha * std::numbers::pi / 180;
        const double nx = -std::sin(a), ny = std::cos(a);
        // Offset from the centre, so that a wrong scale moves the end points off the edge.
        const double offset = 17;
        const auto gray = scenes::draw(
            [&](double u, double v) { return u * nx + v * ny < offset ? 60.0f : 190.0f; }, W, H, 0);
        const auto segments = LSD::detect(gray, W, H);
        ASSERT_FALSE(segments.empty());
        const LineSegment* best = &segments[0];
        for (const auto& s : segments)
            if (lengthOf(s) > lengthOf(*best)) best = &s;
        double dir = std::atan2(best->y2 - best->y1, best->x2 - best->x1) * 180 / std::numbers::pi;
        double diff = std::fmod(std::fabs(dir - alpha), 180.0);
        diff = std::min(diff, 180 - diff);
        EXPECT_LT(diff, 0.5);
        // Drawn with pixel centres at integers: the edge runs at offset from (W/2 - .5, H/2 - .5).
        const auto distance = [&](double x, double y) {
            return std::fabs((x - (W / 2.0 - 0.5)) * nx + (y - (H / 2.0 - 0.5)) * ny - offset);
        };
        EXPECT_LT(distance(best->x1, best->y1), 1.5);
        EXPECT_LT(distance(best->x2, best->y2), 1.5);
        EXPECT_GT(lengthOf(*best), 100.0);
    }
}

TEST(LineSegmentDetector, reportsScaledImageCoordinatesTimesOnePointTwoFive) {
    const auto gray = scenes::draw(scenes::building(120, 90), 120, 90, 3);
    const auto scaled = LSD::resample(gray, 120, 90);
    const auto small = LSD::detectScaled(scaled.values, scaled.width, scaled.height);
    const auto big = LSD::detect(gray, 120, 90);
    ASSERT_EQ(small.size(), big.size());
    ASSERT_FALSE(big.empty());
    for (std::size_t i = 0; i < big.size(); ++i) {
        EXPECT_DOUBLE_EQ(big[i].x1, small[i].x1 * 1.25);
        EXPECT_DOUBLE_EQ(big[i].y2, small[i].y2 * 1.25);
        EXPECT_DOUBLE_EQ(big[i].width, small[i].width * 1.25);
    }
}

TEST(LineSegmentDetector, noiseAloneFindsNoLongSegment) {
    for (unsigned seed : {1u, 2u, 3u}) {
        const auto gray = scenes::noise(256, 256, seed);
        for (const auto& s : LSD::detect(gray, 256, 256)) EXPECT_LT(lengthOf(s), 20.0) << "seed " << seed;
    }
}

}  // namespace
}  // namespace orvane

#include "core/vision/straighten.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>

#include "core/vision/straighten_scenes.h"
#include "testing/romanian_locale.h"

namespace orvane {
namespace {

// A segment of `length` at `deviation` degrees from its axis, centred at (cx, cy).
LineSegment seg(bool vertical, double deviation, double cx, double cy, double length) {
    const double a = (vertical ? 90 + deviation : deviation) * std::numbers::pi / 180;
    const double dx = std::cos(a) * length / 2, dy = std::sin(a) * length / 2;
    return {cx - dx, cy - dy, cx + dx, cy + dy, 1};
}

// Vertical lines spread across a 600 x 400 image, each `length` long.
std::vector<LineSegment> verticals(std::vector<double> deviations, double length = 120) {
    std::vector<LineSegment> out;
    for (std::size_t i = 0; i < deviations.size(); ++i)
        out.push_back(seg(true, deviations[i], 100 + 400.0 * i / std::max<std::size_t>(1, deviations.size() - 1),
                          200, length));
    return out;
}

std::vector<LineSegment> horizontals(std::vector<double> deviations, double length = 200) {
    std::vector<LineSegment> out;
    for (std::size_t i = 0; i < deviations.size(); ++i)
        out.push_back(seg(false, deviations[i], 300, 60 + 280.0 * i / std::max<std::size_t>(1, deviations.size() - 1),
                          length));
    return out;
}

class FixedHorizon : public HorizonDetector {
public:
    explicit FixedHorizon(std::optional<double> degrees) : degrees_(degrees) {}
    std::optional<double> angle(const cv::Mat&) const override {
        if (!degrees_) return std::nullopt;
        return *degrees_ * std::numbers::pi / 180;
    }

private:
    std::optional<double> degrees_;
};

TEST(StraightenFit, robustAngleSupportAndInliers) {
    auto lines = verticals({1.0, 1.05, 0.95, 1.0, 6.0});  // one outlier at 6 degrees
    const auto fit = Straighten::fitFamily(lines, 600, 400, true, false);
    ASSERT_TRUE(fit);
    EXPECT_NEAR(fit->angle, 1.0, 0.02);
    EXPECT_EQ(fit->inliers, 4);
    EXPECT_EQ(fit->slope, 0);
    // Weights: length times max(1 - 1.5 |p|, 0.25) at positions -1/3, -1/6, 0, 1/6 (the outlier is out).
    const double expected = 120 * ((1 - 0.5) + (1 - 0.25) + 1 + (1 - 0.25)) / 400;
    EXPECT_NEAR(fit->support, expected, 1e-3);
    EXPECT_GT(fit->spread, 0.1);
    // The horizontal family ignores vertical lines.
    EXPECT_FALSE(Straighten::fitFamily(lines, 600, 400, false, false));
}

TEST(StraightenFit, ignoresShortAndSteepLinesAndNeedsThree) {
    // 6 % of 600 is 36 pixels: shorter lines do not count, nor lines more than 8 degrees off.
    auto lines = verticals({2, 2, 2}, 35);
    EXPECT_FALSE(Straighten::fitFamily(lines, 600, 400, true, false));
    lines = verticals({2, 2, 8.5}, 100);
    EXPECT_FALSE(Straighten::fitFamily(lines, 600, 400, true, false));
    lines = verticals({2, 2, 2}, 100);
    const auto three = Straighten::fitFamily(lines, 600, 400, true, false);
    ASSERT_TRUE(three);
    EXPECT_EQ(three->inliers, 3);
    // Exactly three inliers fit, but the decision wants four.
    EXPECT_FALSE(Straighten::decide(verticals({2, 2, 2}, 300), 600, 400, std::nullopt, 1.5));
    EXPECT_TRUE(Straighten::decide(verticals({2, 2, 2, 2, 2, 2}, 300), 600, 400, std::nullopt, 1.5));
}

TEST(StraightenFit, perspectiveFindsTheSlope) {
    std::vector<LineSegment> lines;
    for (int i = 0; i < 9; ++i) {
        const double p = -0.4 + 0.1 * i;
        lines.push_back(seg(true, 1 + 2 * p, (p + 0.5) * 600, 200, 150));
    }
    const auto fit = Straighten::fitFamily(lines, 600, 400, true, true);
    ASSERT_TRUE(fit);
    EXPECT_NEAR(fit->slope, 2, 1e-6);
    EXPECT_NEAR(fit->angle, 1, 1e-6);
    EXPECT_EQ(fit->inliers, 9);
}

TEST(StraightenFit, halvesAgree) {
    EXPECT_TRUE(Straighten::halvesAgree(verticals({1.0, 1.3, 1.0, 1.3, 1.0, 1.3}), 600, 400));
    EXPECT_FALSE(Straighten::halvesAgree(verticals({1.0, 1.7, 1.0, 1.7, 1.0, 1.7}), 600, 400));
    EXPECT_FALSE(Straighten::halvesAgree(verticals({1.0, 1.0, 1.0, 1.0}), 600, 400));  // two a half
}

TEST(StraightenDecide, horizonAndFamilies) {
    auto withVerticals = [](std::vector<LineSegment> h, double v) {
        auto vs = verticals({v, v, v, v, v, v}, 300);
        h.insert(h.end(), vs.begin(), vs.end());
        return h;
    };
    const auto flat = horizontals({1, 1, 1, 1, 1});
    struct Case {
        const char* name;
        std::vector<LineSegment> segments;
        std::optional<double> horizon;
        std::optional<double> angle;
    } cases[] = {
        {"horizonAveragedWithTheFit", flat, 1.7, 1.35},
        {"horizonTooFarLetsVerticalsDecide", withVerticals(flat, 2.5), 1.9, 2.5},
        {"noHorizonLetsVerticalsDecide", withVerticals(flat, -2.5), std::nullopt, -2.5},
        {"averageBelowAFifthGivesNothingWithoutTryingVerticals", withVerticals(horizontals({0.5, 0.5, 0.5, 0.5}), 2),
         -0.3, std::nullopt},
        {"verticalsBelowAFifth", verticals({0.15, 0.15, 0.15, 0.15, 0.15, 0.15}, 300), std::nullopt, std::nullopt},
        {"verticalsBeyondFour", verticals({4.5, 4.5, 4.5, 4.5, 4.5, 4.5}, 300), std::nullopt, std::nullopt},
        {"horizontalsBeyondFourFallThrough", withVerticals(horizontals({4.5, 4.5, 4.5, 4.5}), 1), 4.5, 1.0},
        {"weakVerticalSupport", verticals({2, 2, 2, 2}, 45), std::nullopt, std::nullopt},
        {"nothing", {}, 1.0, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto r = Straighten::decide(c.segments, 600, 400, c.horizon, 1.5);
        ASSERT_EQ(r.has_value(), c.angle.has_value());
        if (!r) continue;
        EXPECT_NEAR(r->angle, *c.angle, 1e-9);
        EXPECT_EQ(r->aspect, 1.5);
        EXPECT_GT(r->confidence, 0);
        EXPECT_LE(r->confidence, 1);
    }
}

TEST(StraightenAnalysisImage, halfSizeMeanOfSquareRoots) {
    RawImage r;
    r.w = 4;
    r.h = 2;
    r.lin = {0.25f, 0.25f, 0.25f, 1, 1, 1, 0, 0, 0, 0, 0, 0,  // top row
             0.25f, 0.25f, 0.25f, 1, 1, 1, 4, 4, 4, 0, 0, 0};
    const auto g = Straighten::analysisImage(r);
    ASSERT_EQ(g.width, 2);
    ASSERT_EQ(g.height, 1);
    EXPECT_NEAR(g.values[0], 255 * 0.75, 1e-3);
    EXPECT_NEAR(g.values[1], 255 * 0.5, 1e-3);  // the root of 4 is 2: the mean 0.5 stays inside 0..255
    r.lin[6] = std::nanf("");
    EXPECT_EQ(Straighten::analysisImage(r).values[1], 0.0f);
    r.lin.pop_back();
    EXPECT_TRUE(Straighten::analysisImage(r).values.empty());
    EXPECT_FALSE(Straighten::detect(r));
}

// Drawn 600 x 400 scenes turned on screen; the angle that levels them has the opposite sign.
TEST(StraightenDetect, buildingTurnedCounterClockwiseByTwoGivesMinusTwo) {
    for (double turn : {2.0, -2.0, 1.0, -3.5}) {
        SCOPED_TRACE("turned " + std::to_string(turn));
        const auto gray = scenes::draw(scenes::building(600, 400), 600, 400, turn);
        const auto r = Straighten::detect(scenes::rawOf(gray, 600, 400), FixedHorizon(std::nullopt));
        ASSERT_TRUE(r);
        EXPECT_NEAR(r->angle, -turn, 0.1);
        EXPECT_NEAR(r->aspect, 1.5, 1e-12);
        EXPECT_GT(r->confidence, 0.5);
    }
}

TEST(StraightenDetect, smallAndLargeTurnsGiveNothing) {
    for (double turn : {0.0, 0.15, -0.15, 4.5, -4.5, 6.0}) {
        SCOPED_TRACE("turned " + std::to_string(turn));
        const auto gray = scenes::draw(scenes::building(600, 400), 600, 400, turn);
        EXPECT_FALSE(Straighten::detect(scenes::rawOf(gray, 600, 400)));
    }
}

TEST(StraightenDetect, uprightAspectForQuarterTurns) {
    // Stored 400 x 600, shown upright as 600 x 400 for codes 5 and 6.
    const auto gray = scenes::draw(scenes::building(400, 600), 400, 600, 2);
    for (int flip : {5, 6}) {
        const auto r = Straighten::detect(scenes::rawOf(gray, 400, 600, flip), FixedHorizon(std::nullopt));
        ASSERT_TRUE(r) << flip;
        EXPECT_DOUBLE_EQ(r->aspect, 1200.0 / 800);
        EXPECT_NEAR(std::fabs(r->angle), 2, 0.1);
    }
    const auto r = Straighten::detect(scenes::rawOf(gray, 400, 600, 3), FixedHorizon(std::nullopt));
    ASSERT_TRUE(r);
    EXPECT_DOUBLE_EQ(r->aspect, 800.0 / 1200);
    EXPECT_NEAR(r->angle, -2, 0.1);  // a half turn keeps the sense of a tilt
}

TEST(StraightenDetect, horizonBranchOnATiltedLandscape) {
    for (double turn : {1.5, -2.5}) {
        SCOPED_TRACE("turned " + std::to_string(turn));
        const auto gray = scenes::draw(scenes::landscape(400), 600, 400, turn);
        const auto horizon = Straighten::horizonAngle(gray, 600, 400);
        ASSERT_TRUE(horizon);
        EXPECT_NEAR(*horizon, -turn, 0.1);
        // No vertical lines here: only the horizon branch can answer.
        const auto raw = scenes::rawOf(gray, 600, 400);
        const auto r = Straighten::detect(raw);
        ASSERT_TRUE(r);
        EXPECT_NEAR(r->angle, -turn, 0.1);
        EXPECT_FALSE(Straighten::detect(raw, FixedHorizon(std::nullopt)));
    }
}

TEST(HorizonDetector, silentOnNoiseFlatAndOtherImages) {
    EXPECT_FALSE(Straighten::horizonAngle(scenes::noise(600, 400, 7), 600, 400));
    EXPECT_FALSE(Straighten::horizonAngle(std::vector<float>(600 * 400, 100.0f), 600, 400));
    EXPECT_FALSE(Straighten::horizonAngle(std::vector<float>(10, 100.0f), 600, 400));
    // Stripes across the whole frame: aligned texture, no sky above ground.
    const auto stripes = scenes::draw([](double, double v) { return std::fmod(v + 1000, 20) < 10 ? 80.0f : 90.0f; },
                                      600, 400, 1);
    EXPECT_FALSE(Straighten::horizonAngle(stripes, 600, 400));
    EXPECT_FALSE(GradientHorizonDetector().angle(cv::Mat(100, 100, CV_8UC3, cv::Scalar::all(0))));
}

TEST(StraightenEstimate, densestDeviation) {
    // Kept: length at least 8 % of 600, deviation within 6 degrees.
    std::vector<LineSegment> lines = verticals({1.0, 1.1, 0.9, 4.0}, 100);
    lines.push_back(seg(true, 1.0, 300, 200, 40));   // too short
    lines.push_back(seg(false, 7.0, 300, 200, 200));  // too steep
    const auto e = Straighten::estimate(lines, 600);
    ASSERT_TRUE(e);
    EXPECT_NEAR(e->angle, 1.0, 1e-6);
    EXPECT_EQ(e->segments, 4);
    EXPECT_NEAR(e->confidence, std::min(300.0 / 1800, 1.0) * (300.0 / 400), 1e-9);
    EXPECT_FALSE(Straighten::estimate(verticals({1, 1}, 100), 600));
}

TEST(StraightenCrop, rectAndAttributes) {
    EXPECT_EQ(Straighten::cropRect(0, 1.5), (NormRect{0, 0, 1, 1}));
    EXPECT_EQ(Straighten::cropRect(std::nan(""), 1.5), (NormRect{0, 0, 1, 1}));
    EXPECT_EQ(Straighten::cropRect(2, 0), (NormRect{0, 0, 1, 1}));
    struct Case {
        double angle, aspect, inset;
    } cases[] = {
        // s = min(1 / (cos t + a sin t), a / (sin t + a cos t)); inset = (1 - s) / 2
        {2, 1.5, 0.0245974},
        {-2, 1.5, 0.0245974},
        {3, 2.0 / 3, 0.0358050},
        {10, 1, 0.0683910},
    };
    for (const auto& c : cases) {
        const double t = std::fabs(c.angle) * std::numbers::pi / 180;
        const double s = std::min(1 / (std::cos(t) + c.aspect * std::sin(t)),
                                  c.aspect / (std::sin(t) + c.aspect * std::cos(t)));
        const auto r = Straighten::cropRect(c.angle, c.aspect);
        EXPECT_NEAR(r.left, (1 - s) / 2, 1e-12);
        EXPECT_NEAR(r.left, c.inset, 1e-6);
        EXPECT_EQ(r.left, r.top);
        EXPECT_EQ(r.right, 1 - r.left);
        EXPECT_EQ(r.bottom, 1 - r.top);
    }
}

TEST(StraightenCrop, xmpAttributesUnderRomanianLocale) {
    char expected[32];
    std::snprintf(expected, sizeof expected, "%.6f", Straighten::cropRect(1.234, 1.5).left);
    testing::RomanianLocale romanian;
    const auto minus = Straighten::xmpAttributes({-1.234, 0.8, 1.5});
    const auto plus = Straighten::xmpAttributes({1.234, 0.8, 1.5});
    ASSERT_EQ(minus.size(), 6u);
    const std::vector<std::string> keys{"CropAngle", "CropLeft", "CropTop", "CropRight", "CropBottom", "HasCrop"};
    for (std::size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(minus[i].first, keys[i]);
    EXPECT_EQ(minus[0].second, "-1.23");
    EXPECT_EQ(plus[0].second, "1.23");
    for (std::size_t i = 1; i < keys.size(); ++i) EXPECT_EQ(minus[i].second, plus[i].second);
    EXPECT_EQ(minus[1].second, expected);
    EXPECT_EQ(minus[5].second, "True");
    EXPECT_TRUE(Straighten::xmpAttributes({std::nan(""), 0.8, 1.5}).empty());
}

}  // namespace
}  // namespace orvane

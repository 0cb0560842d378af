#include "core/vision/subject_detector.h"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

namespace orvane {
namespace {

cv::Mat maskWithRect(int w, int h, cv::Rect subject) {
    cv::Mat m(h, w, CV_8UC1, cv::Scalar(0));
    m(subject).setTo(255);
    return m;
}

TEST(SubjectDetector, regionFromAMaskNeedsAFairShareOfSubject) {
    struct Case {
        const char* label;
        cv::Mat mask;
        bool found;
    };
    const std::vector<Case> cases = {
        {"8 × 100", maskWithRect(8, 100, {0, 0, 4, 100}), false},
        {"100 × 8", maskWithRect(100, 8, {0, 0, 50, 8}), false},
        {"1 % coverage", maskWithRect(100, 100, {0, 0, 10, 10}), false},
        {"90 % coverage", maskWithRect(100, 100, {0, 0, 100, 90}), false},
        {"a quarter", maskWithRect(100, 100, {20, 20, 50, 50}), true},
        {"not 8-bit", cv::Mat(100, 100, CV_16UC1, cv::Scalar(65535)), false},
        {"empty", cv::Mat(), false},
        {"128 is not set", cv::Mat(100, 100, CV_8UC1, cv::Scalar(128)), false},
    };
    for (const auto& c : cases) EXPECT_EQ(SubjectDetector::region(c.mask).has_value(), c.found) << c.label;
}

TEST(SubjectDetector, radiusFollowsCoverageAndDabsStayInside) {
    // 100 × 100 with a 50 × 50 subject: 625 of the 2500 scanned pixels, coverage 0.25.
    const auto r = SubjectDetector::region(maskWithRect(100, 100, {20, 30, 50, 50}));
    ASSERT_TRUE(r);
    EXPECT_DOUBLE_EQ(r->radius, 0.02);
    EXPECT_DOUBLE_EQ(r->left, 0.2);
    EXPECT_DOUBLE_EQ(r->top, 0.3);
    EXPECT_DOUBLE_EQ(r->right, 0.68);  // the last scanned column
    EXPECT_DOUBLE_EQ(r->bottom, 0.78);
    EXPECT_FALSE(r->lum);
    EXPECT_EQ(r->v, SkinRegion::currentVersion);
    EXPECT_GE(r->dabs.size(), 6u);
    const double d = 0.7 * r->radius;
    for (const auto& dab : r->dabs) {
        // Every offset point lies in the subject (columns 20...69, rows 30...79).
        EXPECT_GE(dab[0] - d, 0.2 - 1e-12);
        EXPECT_LT(dab[0] + d, 0.7);
        EXPECT_GE(dab[1] - d, 0.3 - 1e-12);
        EXPECT_LT(dab[1] + d, 0.8);
    }
    EXPECT_NEAR(r->dabs[1][0] - r->dabs[0][0], 0.01, 1e-12);  // grid step radius / 2

    // Coverage 0.02 gives the smallest radius, 0.006.
    const auto small = SubjectDetector::region(maskWithRect(200, 200, {0, 0, 40, 20}));
    ASSERT_TRUE(small);
    EXPECT_DOUBLE_EQ(small->radius, 0.006);
}

TEST(SubjectDetector, aSubjectAtTheMasksEdgeLosesItsEdgeDabs) {
    // Touching the left edge: dabs whose left offset would leave the mask are dropped, not clamped.
    const auto r = SubjectDetector::region(maskWithRect(100, 100, {0, 0, 40, 40}));
    ASSERT_TRUE(r);
    for (const auto& dab : r->dabs) EXPECT_GE(dab[0] - 0.7 * r->radius, 0.0);
    // Thin stripes, 6 columns apart, leave no room for the test cross: too few dabs give nothing.
    cv::Mat stripes(200, 200, CV_8UC1, cv::Scalar(0));
    for (int c = 0; c < 200; c += 6) stripes.col(c).setTo(255);
    EXPECT_FALSE(SubjectDetector::region(stripes));
}

TEST(SubjectDetector, noneHasNoDabs) {
    const SkinRegion n = SubjectDetector::none();
    EXPECT_EQ(n, (SkinRegion{0, 0, 0, 0, {}, 0.004, std::nullopt, std::nullopt}));
}

}  // namespace
}  // namespace orvane

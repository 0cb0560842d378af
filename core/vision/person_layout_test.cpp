#include "core/vision/person_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/vision/fake_person_detector.h"
#include "core/vision/smart_crop.h"

namespace orvane {
namespace {

// A photo whose working image is w × h (small enough that the step is 1).
RawImage photo(int w, int h) {
    RawImage r;
    r.w = w;
    r.h = h;
    r.lin.assign(static_cast<std::size_t>(w) * h * 3, 0.2f);
    return r;
}

cv::Mat maskOf(int w, int h, const std::vector<cv::Rect>& rects, int type, double on = 1.0) {
    cv::Mat m(h, w, CV_32F, cv::Scalar(0));
    for (const auto& r : rects) m(r).setTo(on);
    cv::Mat out;
    if (type == CV_8U) m.convertTo(out, CV_8U, 255);
    else m.convertTo(out, type);
    return out;
}

TEST(PersonLayout, analyzeReadsEveryMaskFormat) {
    for (int type : {CV_32F, CV_16F, CV_8U}) {
        testing::FakePersonDetector detector;
        // 200 × 100: a 40 × 50 person touching the right edge, an empty instance, a one-pixel person.
        detector.detection = PersonDetection{
            std::vector<cv::Mat>{maskOf(200, 100, {{160, 10, 40, 50}}, type), maskOf(200, 100, {}, type),
                                 maskOf(200, 100, {{37, 99, 1, 1}}, type)},
            {DetectedBox{0.1, 0.2, 0.3, 0.6, 0.9f}},
            {DetectedBox{0.7, 0.3, 1.0, 0.95, 0.5f}}};
        const auto layout = SmartCrop::analyze(photo(200, 100), detector);
        ASSERT_TRUE(layout) << type;
        EXPECT_EQ(detector.seen, cv::Size(200, 100));
        EXPECT_TRUE(layout->isCurrent());
        ASSERT_EQ(layout->people.size(), 2u) << "the empty instance is skipped";

        const PersonInfo& big = layout->people[0];
        EXPECT_DOUBLE_EQ(big.left, 0.8);
        EXPECT_DOUBLE_EQ(big.top, 0.1);
        EXPECT_EQ(big.right, 1.0) << "touching the right edge gives exactly 1";
        EXPECT_DOUBLE_EQ(big.bottom, 0.6);
        EXPECT_DOUBLE_EQ(big.area, 2000.0 / 20000);
        ASSERT_EQ(big.cols.size(), 100u);
        for (int s = 0; s < 100; ++s) EXPECT_FLOAT_EQ(big.cols[s], s >= 80 ? 0.05f : 0.f) << "strip " << s;

        const PersonInfo& dot = layout->people[1];
        EXPECT_DOUBLE_EQ(dot.left, 37.0 / 200);
        EXPECT_DOUBLE_EQ(dot.right, 38.0 / 200);
        EXPECT_DOUBLE_EQ(dot.top, 0.99);
        EXPECT_DOUBLE_EQ(dot.bottom, 1.0);
        EXPECT_EQ(dot.cols[37 * 100 / 200], 1.f);

        ASSERT_TRUE(layout->faces && layout->bodies);
        ASSERT_EQ(layout->faces->size(), 1u);
        EXPECT_DOUBLE_EQ((*layout->faces)[0].left, 0.1);
        EXPECT_DOUBLE_EQ((*layout->faces)[0].top, 0.4);
        EXPECT_DOUBLE_EQ((*layout->faces)[0].right, 0.3);
        EXPECT_DOUBLE_EQ((*layout->faces)[0].bottom, 0.8);
        ASSERT_EQ(layout->bodies->size(), 1u);
        EXPECT_DOUBLE_EQ((*layout->bodies)[0].top, 1 - 0.95);
    }
}

TEST(PersonLayout, halfValuesAreNotPeople) {
    testing::FakePersonDetector detector;
    detector.detection = PersonDetection{std::vector<cv::Mat>{maskOf(50, 50, {{0, 0, 50, 50}}, CV_32F, 0.5),
                                                              maskOf(50, 50, {{0, 0, 50, 50}}, CV_8U, 0.5)},
                                         {}, {}};
    const auto layout = SmartCrop::analyze(photo(50, 50), detector);
    ASSERT_TRUE(layout);
    // 0.5 is not above 0.5; the byte 128 (0.502) is.
    ASSERT_EQ(layout->people.size(), 1u);
    EXPECT_DOUBLE_EQ(layout->people[0].area, 1.0);
}

TEST(PersonLayout, analyzeAnswersNothingOnAnyFailure) {
    const RawImage raw = photo(60, 40);
    struct Case {
        const char* label;
        std::optional<PersonDetection> detection;
        std::optional<std::size_t> people;  // absent: no layout
    };
    const std::vector<Case> cases = {
        {"detection failed", std::nullopt, std::nullopt},
        {"no masks at all", PersonDetection{}, std::nullopt},
        {"an unreadable mask", PersonDetection{std::vector<cv::Mat>{maskOf(60, 40, {{0, 0, 9, 9}}, CV_32F), cv::Mat(40, 60, CV_16U, cv::Scalar(1))}, {}, {}}, std::nullopt},
        {"an empty mask", PersonDetection{std::vector<cv::Mat>{cv::Mat()}, {}, {}}, std::nullopt},
        {"every instance empty", PersonDetection{std::vector<cv::Mat>{maskOf(60, 40, {}, CV_8U)}, {}, {}}, 0u},
        {"no instances", PersonDetection{std::vector<cv::Mat>{}, {}, {}}, 0u},
    };
    for (const auto& c : cases) {
        testing::FakePersonDetector detector;
        detector.detection = c.detection;
        const auto layout = SmartCrop::analyze(raw, detector);
        ASSERT_EQ(layout.has_value(), c.people.has_value()) << c.label;
        if (!layout) continue;
        EXPECT_EQ(layout->people.size(), *c.people) << c.label;
        EXPECT_EQ(layout->version, SmartCrop::analysisVersion) << c.label;
        EXPECT_EQ(layout->protectionComplete, true) << c.label;
    }
    testing::FakePersonDetector detector;
    detector.detection = PersonDetection{std::vector<cv::Mat>{}, {}, {}};
    EXPECT_FALSE(SmartCrop::analyze(photo(8, 40), detector)) << "too small for the working image";
    EXPECT_EQ(detector.calls, 0);
}

TEST(PersonLayout, regionsKeepConfidentBoxesInsideTheFrame) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* label;
        DetectedBox box;
        bool kept;
    };
    const std::vector<Case> cases = {
        {"confident", {0.1, 0.1, 0.5, 0.5, 0.9f}, true},
        {"exactly 0.4", {0.1, 0.1, 0.5, 0.5, 0.4f}, true},
        {"0.39", {0.1, 0.1, 0.5, 0.5, 0.39f}, false},
        {"past the top edge", {0.1, 0.5, 0.5, 1.01, 0.9f}, false},
        {"past the left edge", {-0.01, 0.1, 0.5, 0.5, 0.9f}, false},
        {"whole frame", {0, 0, 1, 1, 0.9f}, true},
        {"no width", {0.5, 0.1, 0.5, 0.5, 0.9f}, false},
        {"not a number", {nan, 0.1, 0.5, 0.5, 0.9f}, false},
        {"no confidence", {0.1, 0.1, 0.5, 0.5, std::numeric_limits<float>::quiet_NaN()}, false},
    };
    for (const auto& c : cases) EXPECT_EQ(SmartCrop::regionsOf({c.box}).size(), c.kept ? 1u : 0u) << c.label;

    const auto regions = SmartCrop::regionsOf({{0.125, 0.25, 0.375, 0.625, 0.5f}, {0.5, 0, 0.75, 0.25, 0.8f}});
    ASSERT_EQ(regions.size(), 2u);
    EXPECT_EQ(regions[0], (PersonRegion{0.125, 0.375, 0.375, 0.75}));
    EXPECT_EQ(regions[1], (PersonRegion{0.5, 0.75, 0.75, 1.0}));
    // A box made from top-left coordinates comes back as it was.
    EXPECT_EQ(SmartCrop::regionsOf({DetectedBox::fromTopLeft({0.25, 0.125, 0.5, 0.75}, 1.f)})[0],
              (PersonRegion{0.25, 0.125, 0.5, 0.75}));
}

}  // namespace
}  // namespace orvane

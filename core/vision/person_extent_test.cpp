#include "core/vision/person_extent.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/vision/fake_person_detector.h"

namespace orvane {
namespace {

RawImage rawOf(int h, int w, int flip) {
    RawImage r;
    r.h = h;
    r.w = w;
    r.flip = flip;
    r.lin.resize(static_cast<std::size_t>(h) * w * 3);
    // Each pixel tells its place: red grows with the row, green with the column.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float* p = r.lin.data() + (static_cast<std::size_t>(y) * w + x) * 3;
            p[0] = static_cast<float>(y + 1) / h;
            p[1] = static_cast<float>(x + 1) / w;
            p[2] = 0.25f;
        }
    return r;
}

TEST(PersonExtent, uprightSizeStepsByWholePixels) {
    struct Case {
        const char* label;
        int h, w, flip, maxSide;
        std::optional<PersonExtent::UprightSize> size;
    };
    const std::vector<Case> cases = {
        {"6000 × 4000", 4000, 6000, 0, 1024, PersonExtent::UprightSize{6, 1000, 666}},
        {"turned clockwise", 4000, 6000, 6, 1024, PersonExtent::UprightSize{6, 666, 1000}},
        {"turned anticlockwise", 4000, 6000, 5, 1024, PersonExtent::UprightSize{6, 666, 1000}},
        {"half turn keeps the shape", 4000, 6000, 3, 1024, PersonExtent::UprightSize{6, 1000, 666}},
        {"small enough already", 300, 500, 0, 1024, PersonExtent::UprightSize{1, 500, 300}},
        {"5 × 3 is too small", 40, 60, 0, 5, std::nullopt},
        {"9 pixels is enough", 9, 9, 0, 1024, PersonExtent::UprightSize{1, 9, 9}},
        {"8 rows is not", 8, 90, 0, 1024, std::nullopt},
        {"no pixels", 0, 0, 0, 1024, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(PersonExtent::uprightSize(c.h, c.w, c.flip, c.maxSide), c.size) << c.label;
}

TEST(PersonExtent, uprightImageTurnsThePixels) {
    const auto plain = PersonExtent::uprightImage(rawOf(12, 10, 0), 1024);
    ASSERT_TRUE(plain);
    ASSERT_EQ(plain->size(), cv::Size(10, 12));
    struct Case {
        int flip;
        // Source (row, column) of upright (i, j) in a 12-row, 10-column image.
        std::function<cv::Point(int i, int j)> source;
    };
    const std::vector<Case> cases = {
        {6, [](int i, int j) { return cv::Point(i, 11 - j); }},
        {5, [](int i, int j) { return cv::Point(9 - i, j); }},
        {3, [](int i, int j) { return cv::Point(9 - j, 11 - i); }},
    };
    for (const auto& c : cases) {
        const auto img = PersonExtent::uprightImage(rawOf(12, 10, c.flip), 1024);
        ASSERT_TRUE(img) << c.flip;
        for (int i = 0; i < img->rows; ++i)
            for (int j = 0; j < img->cols; ++j) {
                const cv::Point s = c.source(i, j);  // x = column, y = row
                ASSERT_EQ(img->at<cv::Vec3b>(i, j), plain->at<cv::Vec3b>(s.y, s.x)) << "flip " << c.flip << " at " << i << "," << j;
            }
    }
    EXPECT_FALSE(PersonExtent::uprightImage(rawOf(40, 60, 0), 5));
    RawImage truncated = rawOf(12, 10, 0);
    truncated.lin.pop_back();
    EXPECT_FALSE(PersonExtent::uprightImage(truncated, 1024));
}

TEST(PersonExtent, uprightImageEncodesLikeTheSrgbCurve) {
    // The fast encoder must give the exact code of the curve for every value, halves away from zero.
    auto expected = [](double v) {
        if (!(v > 0)) return 0L;
        v = std::min(v, 1.0);
        const double e = v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
        return std::lround(e * 255);
    };
    RawImage r;
    r.h = 100;
    r.w = 100;
    r.lin.resize(100 * 100 * 3);
    for (std::size_t i = 0; i < r.lin.size(); ++i) r.lin[i] = static_cast<float>(i) / 29000.f - 0.01f;
    r.lin[0] = std::numeric_limits<float>::quiet_NaN();
    r.lin[1] = 0.0031308f;
    r.lin[2] = 0.5f;  // 187.52 → 188
    const auto img = PersonExtent::uprightImage(r, 1024);
    ASSERT_TRUE(img);
    const auto* bytes = img->ptr<std::uint8_t>(0);
    for (std::size_t i = 0; i < r.lin.size(); ++i) ASSERT_EQ(bytes[i], expected(r.lin[i])) << "value " << r.lin[i];
    EXPECT_EQ(bytes[2], 188);
}

cv::Mat rowsMask(int w, int h, int lowestRow, int count, int type = CV_32F) {
    cv::Mat m(h, w, CV_32F, cv::Scalar(0));
    m(cv::Rect(0, h / 4, w / 2, 4)).setTo(1);  // someone higher up
    m(cv::Rect(0, lowestRow, count, 1)).setTo(1);
    cv::Mat out;
    if (type == CV_8U) m.convertTo(out, CV_8U, 255);
    else m.convertTo(out, type);
    return out;
}

TEST(PersonExtent, feetLineIsTheLowestFullEnoughRow) {
    struct Case {
        const char* label;
        cv::Mat mask;
        std::optional<double> line;
    };
    const std::vector<Case> cases = {
        {"row 199", rowsMask(100, 200, 199, 3), 1.0},
        {"row 196 rounds to the bottom", rowsMask(100, 200, 196, 3), 1.0},
        {"row 195", rowsMask(100, 200, 195, 3), 0.98},
        {"row 150", rowsMask(100, 200, 150, 3), 0.755},
        {"too few in the row: the one above counts", rowsMask(100, 200, 150, 2), 54.0 / 200},
        {"1500 wide needs 6", rowsMask(1500, 200, 150, 5), 54.0 / 200},
        {"1500 wide with 6", rowsMask(1500, 200, 150, 6), 0.755},
        {"600 wide needs 3", rowsMask(600, 200, 150, 3), 0.755},
        {"half floats", rowsMask(100, 200, 150, 3, CV_16F), 0.755},
        {"bytes", rowsMask(100, 200, 150, 3, CV_8U), 0.755},
        {"nobody", cv::Mat(200, 100, CV_32F, cv::Scalar(0.5)), std::nullopt},
        {"unreadable format", cv::Mat(200, 100, CV_16U, cv::Scalar(65535)), std::nullopt},
    };
    for (const auto& c : cases) {
        const auto line = PersonExtent::feetLine(c.mask);
        ASSERT_EQ(line.has_value(), c.line.has_value()) << c.label;
        if (line) {
            EXPECT_DOUBLE_EQ(*line, *c.line) << c.label;
        }
    }
}

TEST(PersonExtent, lowestEdgeNeedsEnoughPeople) {
    // Two people at the working size of a 300 × 200 photo; the lower one reaches row 150.
    cv::Mat upper(200, 300, CV_8U, cv::Scalar(0)), lower(200, 300, CV_32F, cv::Scalar(0));
    upper(cv::Rect(10, 20, 30, 100)).setTo(255);
    lower(cv::Rect(100, 50, 30, 101)).setTo(0.9);
    testing::FakePersonDetector detector;
    detector.detection = PersonDetection{std::vector<cv::Mat>{upper, lower}, {}, {}};
    const RawImage raw = rawOf(200, 300, 0);

    auto edge = PersonExtent::lowestEdge(raw, 2, detector);
    ASSERT_TRUE(edge);
    EXPECT_DOUBLE_EQ(*edge, 0.755);
    EXPECT_EQ(detector.seen, cv::Size(300, 200));

    EXPECT_FALSE(PersonExtent::lowestEdge(raw, 3, detector)) << "fewer people than asked";
    detector.detection = PersonDetection{std::vector<cv::Mat>{upper}, {}, {}};
    EXPECT_FALSE(PersonExtent::lowestEdge(raw, 2, detector)) << "one person";
    EXPECT_TRUE(PersonExtent::lowestEdge(raw, 1, detector));
    detector.detection.reset();
    EXPECT_FALSE(PersonExtent::lowestEdge(raw, 1, detector)) << "failed detection";
    detector.detection = PersonDetection{};
    EXPECT_FALSE(PersonExtent::lowestEdge(raw, 0, detector)) << "no masks";
    detector.calls = 0;
    EXPECT_FALSE(PersonExtent::lowestEdge(rawOf(8, 8, 0), 1, detector)) << "photo too small";
    EXPECT_EQ(detector.calls, 0);
}

}  // namespace
}  // namespace orvane

#include "core/vision/horizon_detector.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include <opencv2/imgproc.hpp>

namespace orvane {

namespace {

constexpr int kWorkSide = 256;
constexpr int kMinSide = 16;
constexpr double kSmoothing = 1.5;    // Gaussian sigma, in pixels of the working copy
constexpr float kMinStep = 2.5f;      // weakest column transition, grey levels a pixel
constexpr double kTolerance = 1.0;    // a column agrees when it lies this close to the line, pixels
constexpr double kAgreement = 0.6;    // share of all columns that must agree
constexpr double kMinContrast = 12;   // sky and ground must differ by this much, grey levels
constexpr int kIterations = 400;
constexpr unsigned kSeed = 0x5eed1e5u;  // fixed: the same photo always gives the same answer

struct Point {
    double x, y;
};

struct Line {
    double a = 0, b = 0;  // y = a + b x
    double at(double x) const { return a + b * x; }
};

std::vector<int> agreeing(const std::vector<Point>& pts, const Line& l) {
    std::vector<int> in;
    for (std::size_t i = 0; i < pts.size(); ++i)
        if (std::fabs(pts[i].y - l.at(pts[i].x)) <= kTolerance) in.push_back(int(i));
    return in;
}

std::optional<Line> leastSquares(const std::vector<Point>& pts, const std::vector<int>& idx) {
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (int i : idx) {
        const auto& p = pts[std::size_t(i)];
        n += 1;
        sx += p.x;
        sy += p.y;
        sxx += p.x * p.x;
        sxy += p.x * p.y;
    }
    const double den = n * sxx - sx * sx;
    if (n < 2 || !(std::fabs(den) > 1e-9)) return std::nullopt;
    const double b = (n * sxy - sx * sy) / den;
    return Line{(sy - b * sx) / n, b};
}

}  // namespace

std::optional<double> GradientHorizonDetector::angle(const cv::Mat& gray) const {
    if (gray.empty() || gray.type() != CV_8UC1 || gray.cols < kMinSide || gray.rows < kMinSide) return std::nullopt;

    // One scale for both axes, so slopes keep their value.
    cv::Mat work;
    const double scale = std::min(1.0, double(kWorkSide) / std::max(gray.cols, gray.rows));
    if (scale < 1)
        cv::resize(gray, work, cv::Size(), scale, scale, cv::INTER_AREA);
    else
        work = gray;
    work.convertTo(work, CV_32F);
    cv::GaussianBlur(work, work, cv::Size(0, 0), kSmoothing, kSmoothing, cv::BORDER_REPLICATE);
    cv::Mat gy;
    cv::Sobel(work, gy, CV_32F, 0, 1, 3, 1.0 / 8, 0, cv::BORDER_REPLICATE);
    const int W = work.cols, H = work.rows;
    if (W < kMinSide || H < kMinSide) return std::nullopt;

    // The strongest transition of each column, placed between rows by a parabola through its peak.
    std::vector<Point> pts;
    for (int x = 0; x < W; ++x) {
        int best = -1;
        float strength = kMinStep;
        for (int y = 2; y < H - 2; ++y) {
            const float v = std::fabs(gy.at<float>(y, x));
            if (v > strength) {
                strength = v;
                best = y;
            }
        }
        if (best < 0) continue;
        const double l = std::fabs(gy.at<float>(best - 1, x)), c = strength, r = std::fabs(gy.at<float>(best + 1, x));
        const double den = l - 2 * c + r;
        const double offset = den < 0 ? std::clamp(0.5 * (l - r) / den, -0.5, 0.5) : 0.0;
        pts.push_back({double(x), best + offset});
    }
    const std::size_t needed = std::size_t(std::ceil(kAgreement * W));
    if (pts.size() < needed || pts.size() < 2) return std::nullopt;

    std::mt19937 rng(kSeed);
    std::uniform_int_distribution<std::size_t> pick(0, pts.size() - 1);
    std::size_t bestCount = 0;
    Line bestLine;
    for (int i = 0; i < kIterations; ++i) {
        const Point& p = pts[pick(rng)];
        const Point& q = pts[pick(rng)];
        // Points close together make a poorly defined slope.
        if (std::fabs(q.x - p.x) < W / 8.0) continue;
        const double b = (q.y - p.y) / (q.x - p.x);
        const Line l{p.y - b * p.x, b};
        const std::size_t count = agreeing(pts, l).size();
        if (count > bestCount) {
            bestCount = count;
            bestLine = l;
        }
    }
    if (bestCount < needed) return std::nullopt;
    std::optional<Line> line = bestLine;
    for (int round = 0; round < 2 && line; ++round) line = leastSquares(pts, agreeing(pts, *line));
    if (!line || agreeing(pts, *line).size() < needed) return std::nullopt;

    // Sky and ground must differ, or the line is only texture that happens to align.
    double above = 0, below = 0;
    long long nAbove = 0, nBelow = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const double d = y - line->at(x);
            if (d < -3) {
                above += work.at<float>(y, x);
                ++nAbove;
            } else if (d > 3) {
                below += work.at<float>(y, x);
                ++nBelow;
            }
        }
    const long long minArea = (long long)W * H / 20;
    if (nAbove < minArea || nBelow < minArea) return std::nullopt;
    if (std::fabs(above / double(nAbove) - below / double(nBelow)) < kMinContrast) return std::nullopt;
    return std::atan(line->b);
}

const HorizonDetector& standardHorizonDetector() {
    static const GradientHorizonDetector detector;
    return detector;
}

}  // namespace orvane

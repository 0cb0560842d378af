#include "core/vision/line_segment_detector.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <numbers>
#include <optional>

namespace orvane::LineSegmentDetector {

namespace {

constexpr double kScale = 0.8;
constexpr double kSigmaScale = 0.6;
constexpr int kBins = 1024;
constexpr float kNoAngle = -1024.0f;
// 2 / sin(22.5 degrees): below this the gradient is too weak for its angle to be trusted.
constexpr float kMinMagnitude = 5.226252f;
constexpr double kDensity = 0.7;
constexpr double kLog10Eleven = 1.0413926851582251;
constexpr double kPrecision = std::numbers::pi / 8;
constexpr double kProbability = 0.125;
constexpr int kMinSide = 17;
constexpr long long kTableSize = 100001;

const std::vector<double>& logFact() {
    static const std::vector<double> table = [] {
        std::vector<double> t(kTableSize, 0.0);
        for (long long k = 1; k < kTableSize; ++k) t[std::size_t(k)] = t[std::size_t(k - 1)] + std::log(double(k));
        return t;
    }();
    return table;
}

double angleDiff(double a, double b) {
    double d = std::fmod(std::fabs(a - b), 2 * std::numbers::pi);
    if (d > std::numbers::pi) d = 2 * std::numbers::pi - d;
    return d;
}

struct Rect {
    double x1, y1, x2, y2, width, length, dx, dy, theta;
};

class Detection {
public:
    Detection(const std::vector<float>& img, int w, int h) : img_(img), W_(w), H_(h) {}

    std::vector<LineSegment> run() {
        const std::size_t count = std::size_t(W_) * std::size_t(H_);
        mag_.assign(count, 0.0f);
        angle_.assign(count, kNoAngle);
        used_.assign(count, 1);
        float maxMag = 0;
        bool any = false;
        for (int y = 0; y + 1 < H_; ++y)
            for (int x = 0; x + 1 < W_; ++x) {
                const std::size_t i = std::size_t(y) * W_ + x;
                const float A = img_[i], B = img_[i + 1], C = img_[i + W_], D = img_[i + W_ + 1];
                const float com1 = D - A, com2 = B - C;
                const float gx = com1 + com2, gy = com1 - com2;
                const float m = std::sqrt(gx * gx + gy * gy) / 2.0f;
                mag_[i] = m;
                if (m > kMinMagnitude) {
                    angle_[i] = std::atan2(gx, -gy);
                    used_[i] = 0;
                    maxMag = any ? std::max(maxMag, m) : m;
                    any = true;
                }
            }
        std::vector<LineSegment> out;
        if (!any) return out;

        // Pseudo-ordering: a counting sort into bins, each keeping increasing pixel order.
        std::vector<int> binOf(count, -1);
        std::vector<std::size_t> start(kBins + 1, 0);
        for (std::size_t i = 0; i < count; ++i) {
            if (angle_[i] == kNoAngle) continue;
            const int b = std::min(int(std::floor(double(mag_[i]) * kBins / double(maxMag))), kBins - 1);
            binOf[i] = b;
            ++start[std::size_t(b) + 1];
        }
        for (int b = 0; b < kBins; ++b) start[std::size_t(b) + 1] += start[std::size_t(b)];
        std::vector<int> order(start[kBins]);
        std::vector<std::size_t> fill(start.begin(), start.end() - 1);
        for (std::size_t i = 0; i < count; ++i)
            if (binOf[i] >= 0) order[fill[std::size_t(binOf[i])]++] = int(i);

        logNT_ = 5.0 * (std::log10(double(W_)) + std::log10(double(H_))) / 2.0 + kLog10Eleven;

        for (int b = kBins - 1; b >= 0; --b)
            for (std::size_t j = start[std::size_t(b)]; j < start[std::size_t(b) + 1]; ++j) {
                const int seed = order[j];
                if (used_[std::size_t(seed)]) continue;
                if (auto seg = fromSeed(seed)) out.push_back(*seg);
            }
        return out;
    }

private:
    // Grows, tests and scores the region of one seed; absent when it yields no segment.
    std::optional<LineSegment> fromSeed(int seed) {
        const std::array<double, 3> tolerances{kPrecision, kPrecision / 2, kPrecision / 4};
        for (double tau : tolerances) {
            grow(seed, tau);
            if (region_.size() <= 5) return std::nullopt;  // too small: its pixels stay used
            const Rect r = rectangle();
            const double density = double(region_.size()) / (r.length * r.width);
            if (density < kDensity) {
                for (int p : region_) used_[std::size_t(p)] = 0;
                continue;
            }
            if (!(r.length > 1)) return std::nullopt;
            if (!accepted(r)) return std::nullopt;
            return LineSegment{r.x1, r.y1, r.x2, r.y2, r.width};
        }
        return std::nullopt;
    }

    void grow(int seed, double tau) {
        region_.clear();
        region_.push_back(seed);
        used_[std::size_t(seed)] = 1;
        theta_ = angle_[std::size_t(seed)];
        double sx = std::cos(theta_), sy = std::sin(theta_);
        for (std::size_t i = 0; i < region_.size(); ++i) {
            const int x = region_[i] % W_, y = region_[i] / W_;
            for (int yy = std::max(y - 1, 0); yy <= std::min(y + 1, H_ - 1); ++yy)
                for (int xx = std::max(x - 1, 0); xx <= std::min(x + 1, W_ - 1); ++xx) {
                    const std::size_t n = std::size_t(yy) * W_ + xx;
                    if (used_[n] || angle_[n] == kNoAngle) continue;
                    const double a = angle_[n];
                    if (angleDiff(theta_, a) > tau) continue;
                    used_[n] = 1;
                    region_.push_back(int(n));
                    sx += std::cos(a);
                    sy += std::sin(a);
                    theta_ = std::atan2(sy, sx);
                }
        }
    }

    // The rectangle of the region from its gradient-weighted moments.
    Rect rectangle() const {
        double sw = 0, cx = 0, cy = 0;
        for (int p : region_) {
            const double w = mag_[std::size_t(p)];
            cx += w * (p % W_);
            cy += w * (p / W_);
            sw += w;
        }
        cx /= sw;
        cy /= sw;
        double ixx = 0, iyy = 0, ixy = 0;
        for (int p : region_) {
            const double w = mag_[std::size_t(p)];
            const double ex = (p % W_) - cx, ey = (p / W_) - cy;
            ixx += w * ey * ey;
            iyy += w * ex * ex;
            ixy -= w * ex * ey;
        }
        ixx /= sw;
        iyy /= sw;
        ixy /= sw;
        const double lambda = (ixx + iyy - std::sqrt((ixx - iyy) * (ixx - iyy) + 4 * ixy * ixy)) / 2;
        double theta = std::fabs(iyy) < std::fabs(ixx) ? std::atan2(lambda - ixx, ixy) : std::atan2(ixy, lambda - iyy);
        if (angleDiff(theta, theta_) > kPrecision) theta += std::numbers::pi;
        const double dx = std::cos(theta), dy = std::sin(theta);
        double lMin = 0, lMax = 0, tMin = 0, tMax = 0;
        for (int p : region_) {
            const double ex = (p % W_) - cx, ey = (p / W_) - cy;
            const double l = ex * dx + ey * dy, t = ey * dx - ex * dy;
            lMin = std::min(lMin, l);
            lMax = std::max(lMax, l);
            tMin = std::min(tMin, t);
            tMax = std::max(tMax, t);
        }
        Rect r{};
        r.x1 = cx + lMin * dx;
        r.y1 = cy + lMin * dy;
        r.x2 = cx + lMax * dx;
        r.y2 = cy + lMax * dy;
        r.width = tMax - tMin;
        if (r.width <= 1) r.width = 1;
        r.length = std::hypot(r.x2 - r.x1, r.y2 - r.y1);
        r.dx = dx;
        r.dy = dy;
        r.theta = theta;
        return r;
    }

    // The a-contrario test: aligned pixels in the rectangle too many to be chance.
    bool accepted(const Rect& r) const {
        const double h = r.width / 2;
        const int c0 = std::max(int(std::floor(std::min(r.x1, r.x2) - h)) - 1, 0);
        const int c1 = std::min(int(std::ceil(std::max(r.x1, r.x2) + h)) + 1, W_ - 1);
        const int r0 = std::max(int(std::floor(std::min(r.y1, r.y2) - h)) - 1, 0);
        const int r1 = std::min(int(std::ceil(std::max(r.y1, r.y2) + h)) + 1, H_ - 1);
        long long n = 0, k = 0;
        for (int row = r0; row <= r1; ++row)
            for (int col = c0; col <= c1; ++col) {
                const double along = (col - r.x1) * r.dx + (row - r.y1) * r.dy;
                const double across = std::fabs((row - r.y1) * r.dx - (col - r.x1) * r.dy);
                if (along < -0.5 || along > r.length + 0.5 || across > h + 0.5) continue;
                ++n;
                const float a = angle_[std::size_t(row) * W_ + col];
                if (a != kNoAngle && angleDiff(a, r.theta) <= kPrecision) ++k;
            }
        if (n < 1 || k < 1) return false;
        return -std::log10(binomialTail(n, k, kProbability)) > logNT_;
    }

    const std::vector<float>& img_;
    const int W_, H_;
    std::vector<float> mag_, angle_;
    std::vector<unsigned char> used_;
    std::vector<int> region_;
    double theta_ = 0;
    double logNT_ = 0;
};

bool validSize(std::size_t count, int width, int height) {
    if (width < kMinSide || height < kMinSide) return false;
    return count / std::size_t(width) == std::size_t(height) && count % std::size_t(width) == 0;
}

}  // namespace

Scaled resample(const std::vector<float>& gray, int width, int height) {
    Scaled out;
    if (width <= 0 || height <= 0 || gray.size() != std::size_t(width) * std::size_t(height)) return out;
    const double sigma = kSigmaScale / kScale;
    std::array<float, 7> taps{};
    float sum = 0;
    for (int i = 0; i < 7; ++i) {
        const double x = i - 3;
        taps[std::size_t(i)] = float(std::exp(-x * x / (2 * sigma * sigma)));
        sum += taps[std::size_t(i)];
    }
    for (auto& t : taps) t /= sum;

    // Rows, then columns, edges repeated.
    std::vector<float> rows(gray.size()), blurred(gray.size());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            float v = 0;
            for (int i = -3; i <= 3; ++i)
                v += taps[std::size_t(i + 3)] * gray[std::size_t(y) * width + std::clamp(x + i, 0, width - 1)];
            rows[std::size_t(y) * width + x] = v;
        }
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            float v = 0;
            for (int i = -3; i <= 3; ++i)
                v += taps[std::size_t(i + 3)] * rows[std::size_t(std::clamp(y + i, 0, height - 1)) * width + x];
            blurred[std::size_t(y) * width + x] = v;
        }

    out.width = int(std::ceil(kScale * width));
    out.height = int(std::ceil(kScale * height));
    out.values.resize(std::size_t(out.width) * out.height);
    for (int l = 0; l < out.height; ++l) {
        const double y = std::min(l / kScale, double(height - 1));
        const int y0 = int(std::floor(y)), y1 = std::min(y0 + 1, height - 1);
        const double fy = y - y0;
        for (int m = 0; m < out.width; ++m) {
            const double x = std::min(m / kScale, double(width - 1));
            const int x0 = int(std::floor(x)), x1 = std::min(x0 + 1, width - 1);
            const double fx = x - x0;
            const auto B = [&](int r, int c) { return double(blurred[std::size_t(r) * width + c]); };
            out.values[std::size_t(l) * out.width + m] =
                float((1 - fy) * ((1 - fx) * B(y0, x0) + fx * B(y0, x1)) + fy * ((1 - fx) * B(y1, x0) + fx * B(y1, x1)));
        }
    }
    return out;
}

std::vector<LineSegment> detectScaled(const std::vector<float>& scaled, int width, int height) {
    if (width < 2 || height < 2 || scaled.size() != std::size_t(width) * std::size_t(height)) return {};
    return Detection(scaled, width, height).run();
}

std::vector<LineSegment> detect(const std::vector<float>& gray, int width, int height) {
    if (!validSize(gray.size(), width, height)) return {};
    const Scaled s = resample(gray, width, height);
    auto segments = detectScaled(s.values, s.width, s.height);
    const double up = 1.25;  // back to input pixels
    for (auto& g : segments) {
        g.x1 *= up;
        g.y1 *= up;
        g.x2 *= up;
        g.y2 *= up;
        g.width *= up;
    }
    return segments;
}

double binomialTail(long long n, long long k, double p) {
    if (k < 1) return 1;
    if (k > n || n >= kTableSize) return 0;
    // The log terms below need 0 < p < 1; the ends are exact anyway.
    if (!(p > 0)) return 0;
    if (!(p < 1)) return 1;
    const auto& lf = logFact();
    const double lp = std::log(p), lq = std::log(1 - p);
    auto term = [&](long long j) {
        return lf[std::size_t(n)] - lf[std::size_t(j)] - lf[std::size_t(n - j)] + double(j) * lp + double(n - j) * lq;
    };
    double m = -std::numeric_limits<double>::infinity();
    for (long long j = k; j <= n; ++j) m = std::max(m, term(j));
    double sum = 0;
    for (long long j = k; j <= n; ++j) sum += std::exp(term(j) - m);
    return std::max(std::exp(m) * sum, std::numeric_limits<double>::min());
}

}  // namespace orvane::LineSegmentDetector

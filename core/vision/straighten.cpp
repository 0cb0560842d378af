#include "core/vision/straighten.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/base/numbers.h"
#include "core/vision/crop_planner.h"
#include "core/vision/teeth_detector.h"

namespace orvane::Straighten {

namespace {

constexpr double kDegrees = 180 / std::numbers::pi;
constexpr double kMinAngle = 0.2;        // smaller tilts are left alone
constexpr double kMaxAngle = 4;          // larger ones are more likely intent than error
constexpr double kHorizonAgreement = 0.8;
constexpr int kMinInliers = 4;

// Deviation of a direction from the nearest axis, degrees in -45 .. 45.
double deviation(double degrees) {
    double m = std::fmod(degrees + 45, 90);
    if (m < 0) m += 90;
    return m - 45;
}

double lengthOf(const LineSegment& s) { return std::hypot(s.x2 - s.x1, s.y2 - s.y1); }
double directionOf(const LineSegment& s) { return std::atan2(s.y2 - s.y1, s.x2 - s.x1) * kDegrees; }

// The photo's grey copy turned upright by a LibRaw flip code (3 half turn, 5 and 6 quarter turns).
Gray upright(const Gray& in, int flip) {
    TeethDetector::GrayPlane turned = TeethDetector::upright(in.values, in.width, in.height, flip);
    return {std::move(turned.values), turned.width, turned.height};
}

}  // namespace

Gray analysisImage(const RawImage& image) {
    Gray out;
    if (image.w <= 0 || image.h <= 0 || image.lin.size() != std::size_t(image.w) * std::size_t(image.h) * 3)
        return out;
    out.width = image.w / 2;
    out.height = image.h / 2;
    out.values.resize(std::size_t(out.width) * out.height);
    const auto root = [&](int row, int col) {
        const float* p = &image.lin[(std::size_t(row) * image.w + col) * 3];
        return std::sqrt(0.2126f * p[0] + 0.7152f * p[1] + 0.0722f * p[2]);
    };
    for (int i = 0; i < out.height; ++i)
        for (int j = 0; j < out.width; ++j) {
            const float mean =
                (root(2 * i, 2 * j) + root(2 * i, 2 * j + 1) + root(2 * i + 1, 2 * j) + root(2 * i + 1, 2 * j + 1)) / 4;
            const float v = 255.0f * mean;
            out.values[std::size_t(i) * out.width + j] = std::isnan(v) ? 0.0f : std::clamp(v, 0.0f, 255.0f);
        }
    return out;
}

std::optional<StraightenResult> decide(const std::vector<LineSegment>& segments, int width, int height,
                                       std::optional<double> horizon, double aspect) {
    const auto horizontal = fitFamily(segments, width, height, false, false);
    if (horizontal && horizontal->support >= 0.6 && horizontal->inliers >= kMinInliers &&
        std::fabs(horizontal->angle) <= kMaxAngle && horizon &&
        std::fabs(*horizon - horizontal->angle) <= kHorizonAgreement) {
        const double angle = (horizontal->angle + *horizon) / 2;
        if (std::fabs(angle) < kMinAngle) return std::nullopt;
        return StraightenResult{angle, std::min(horizontal->support, 1.0), aspect};
    }
    const auto vertical = fitFamily(segments, width, height, true, false);
    if (vertical && vertical->support >= 0.5 && vertical->inliers >= kMinInliers) {
        if (std::fabs(vertical->angle) > kMaxAngle) return std::nullopt;
        if (std::fabs(vertical->angle) >= kMinAngle && halvesAgree(segments, width, height))
            return StraightenResult{vertical->angle, std::min(vertical->support, 1.0), aspect};
    }
    return std::nullopt;
}

std::optional<StraightenResult> detect(const RawImage& image, const HorizonDetector& horizon) {
    const Gray gray = upright(analysisImage(image), image.flip);
    if (gray.values.empty()) return std::nullopt;
    const bool quarter = image.flip == 5 || image.flip == 6;
    const double aspect = quarter ? double(image.h) / image.w : double(image.w) / image.h;
    const auto segments = LineSegmentDetector::detect(gray.values, gray.width, gray.height);
    const auto level = horizonAngle(gray.values, gray.width, gray.height, horizon);
    return decide(segments, gray.width, gray.height, level, aspect);
}

std::optional<StraightenResult> detect(const RawImage& image) { return detect(image, standardHorizonDetector()); }

std::optional<double> horizonAngle(const std::vector<float>& gray, int width, int height,
                                   const HorizonDetector& detector) {
    if (width <= 0 || height <= 0 || gray.size() != std::size_t(width) * std::size_t(height)) return std::nullopt;
    cv::Mat bytes(height, width, CV_8UC1);
    for (int y = 0; y < height; ++y) {
        auto* row = bytes.ptr<unsigned char>(y);
        for (int x = 0; x < width; ++x) {
            const float v = gray[std::size_t(y) * width + x];
            row[x] = std::isnan(v) ? 0 : static_cast<unsigned char>(std::clamp(v, 0.0f, 255.0f));
        }
    }
    const auto radians = detector.angle(bytes);
    if (!radians || !std::isfinite(*radians)) return std::nullopt;
    return *radians * kDegrees;
}

std::optional<Fit> fitFamily(const std::vector<LineSegment>& segments, int width, int height, bool vertical,
                             bool perspective) {
    if (width <= 0 || height <= 0) return std::nullopt;
    struct Line {
        double d, p, weight;
    };
    std::vector<Line> lines;
    const double minLength = 0.06 * std::max(width, height);
    for (const auto& s : segments) {
        const double L = lengthOf(s);
        if (!(L >= minLength)) continue;
        const double a = directionOf(s);
        const bool isVertical = std::fabs(std::fabs(a) - 90) < 45;
        if (isVertical != vertical) continue;
        const double d = deviation(a);
        if (std::fabs(d) > 8) continue;
        const double p = vertical ? (s.x1 + s.x2) / 2 / width - 0.5 : (s.y1 + s.y2) / 2 / height - 0.5;
        const double w = perspective ? L : L * std::max(1 - 1.5 * std::fabs(p), 0.25);
        lines.push_back({d, p, w});
    }
    if (lines.size() < 3) return std::nullopt;

    std::vector<Line> sorted = lines;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Line& a, const Line& b) { return a.d < b.d; });
    double total = 0;
    for (const auto& l : sorted) total += l.weight;
    double angle = sorted.back().d, running = 0;
    for (const auto& l : sorted) {
        running += l.weight;
        if (running >= total / 2) {
            angle = l.d;
            break;
        }
    }

    double slope = 0;
    for (int iteration = 0; iteration < 12; ++iteration) {
        double sw = 0, sd = 0, sp = 0, spp = 0, sdp = 0;
        for (const auto& l : lines) {
            const double r = l.d - angle - slope * l.p;
            if (!(std::fabs(r) < 1)) continue;
            const double w = (1 - r * r) * (1 - r * r) * l.weight;
            sw += w;
            sd += w * l.d;
            sp += w * l.p;
            spp += w * l.p * l.p;
            sdp += w * l.d * l.p;
        }
        if (!(sw > 0)) return std::nullopt;
        angle = sd / sw;
        if (perspective) {
            const double m = sp / sw, v = spp / sw - m * m;
            if (v > 0.004) {
                slope = std::clamp((sdp / sw - m * angle) / v, -12.0, 12.0);
                angle -= m * slope;
            } else {
                slope = 0;
            }
        }
    }

    Fit fit;
    fit.angle = angle;
    fit.slope = slope;
    double sw = 0, sp = 0, spp = 0;
    for (const auto& l : lines) {
        if (!(std::fabs(l.d - angle - slope * l.p) < 0.5)) continue;
        ++fit.inliers;
        sw += l.weight;
        sp += l.weight * l.p;
        spp += l.weight * l.p * l.p;
    }
    if (fit.inliers < 3) return std::nullopt;
    fit.support = sw / (vertical ? height : width);
    const double mean = sp / sw;
    fit.spread = std::sqrt(std::max(0.0, spp / sw - mean * mean));
    return fit;
}

bool halvesAgree(const std::vector<LineSegment>& segments, int width, int height) {
    std::vector<LineSegment> even, odd;
    for (std::size_t i = 0; i < segments.size(); ++i) (i % 2 == 0 ? even : odd).push_back(segments[i]);
    const auto a = fitFamily(even, width, height, true, false);
    const auto b = fitFamily(odd, width, height, true, false);
    return a && b && std::fabs(a->angle - b->angle) <= 0.5;
}

std::optional<Estimate> estimate(const std::vector<LineSegment>& segments, double width) {
    struct Line {
        double d, L;
    };
    std::vector<Line> kept;
    for (const auto& s : segments) {
        const double L = lengthOf(s);
        if (!(L >= 0.08 * width)) continue;
        const double d = deviation(directionOf(s));
        if (std::fabs(d) <= 6) kept.push_back({d, L});
    }
    if (kept.size() < 3) return std::nullopt;

    double mode = 0, best = -1;
    for (double g = -6; g <= 6.000000001; g += 0.05) {
        double density = 0;
        for (const auto& l : kept) {
            const double z = 4 * (l.d - g);
            density += l.L * std::exp(-0.5 * z * z);
        }
        if (density > best) {
            best = density;
            mode = g;
        }
    }
    double weight = 0, weighted = 0, all = 0;
    for (const auto& l : kept) {
        all += l.L;
        if (std::fabs(l.d - mode) > 0.6) continue;
        weight += l.L;
        weighted += l.L * l.d;
    }
    if (!(weight > 0)) return std::nullopt;
    return Estimate{weighted / weight, std::min(weight / (3 * width), 1.0) * (weight / all), int(kept.size())};
}

std::optional<Estimate> estimate(const RawImage& image) {
    const Gray gray = analysisImage(image);
    if (gray.values.empty()) return std::nullopt;
    return estimate(LineSegmentDetector::detect(gray.values, gray.width, gray.height), gray.width);
}

NormRect cropRect(double angle, double aspect) {
    if (!std::isfinite(angle) || !std::isfinite(aspect) || !(aspect > 0)) return {0, 0, 1, 1};
    // The photo's own ratio inside itself: its top inset is the common one of both sides.
    const double inset = CropPlanner::fitted(aspect, aspect, angle).top;
    return {inset, inset, 1 - inset, 1 - inset};
}

std::vector<std::pair<std::string, std::string>> xmpAttributes(const StraightenResult& result) {
    if (!std::isfinite(result.angle) || !std::isfinite(result.aspect)) return {};
    const NormRect r = cropRect(result.angle, result.aspect);
    return {{"CropAngle", Numbers::fixed(result.angle, 2)}, {"CropLeft", Numbers::fixed(r.left, 6)},
            {"CropTop", Numbers::fixed(r.top, 6)},          {"CropRight", Numbers::fixed(r.right, 6)},
            {"CropBottom", Numbers::fixed(r.bottom, 6)},    {"HasCrop", "True"}};
}

}  // namespace orvane::Straighten

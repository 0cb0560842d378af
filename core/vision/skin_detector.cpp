#include "core/vision/skin_detector.h"

#include <algorithm>
#include <cmath>
#include <numbers>


namespace orvane::SkinDetector {

namespace {

constexpr std::size_t kMaxDabs = 1800;

std::optional<SkinRegion> region(const TeethDetector::Face& face, const RawImage& raw) {
    const Outline& contour = face.contour;
    if (contour.size() < 8) return std::nullopt;
    const double x0 = contour.front().x, y0 = contour.front().y;
    const double x1 = contour.back().x, y1 = contour.back().y;
    const double span = std::abs(x1 - x0);
    const double ym = (y0 + y1) / 2;
    const double top = face.box.top + 0.04 * face.box.height();
    if (!(span >= 0.02 && top < ym)) return std::nullopt;

    // The contour runs round the jaw; a half ellipse over the brows closes it across the forehead.
    Outline poly = contour;
    for (int j = 1; j <= 13; ++j) {
        const double a = x0 < x1 ? j * std::numbers::pi / 14 : std::numbers::pi - j * std::numbers::pi / 14;
        poly.push_back({(x0 + x1) / 2 + (span / 2) * std::cos(a), ym - (ym - top) * std::sin(a)});
    }
    std::vector<Outline> holes;
    for (const auto& f : face.features) holes.push_back(grow(f, 1.45));

    const double radius = std::clamp(0.07 * span, 0.0015, 0.012);
    const double step = 0.4 * radius;
    const double o = 0.8 * radius;
    const std::array<NormPoint, 5> cross{{{0, 0}, {o, 0}, {-o, 0}, {0, o}, {0, -o}}};

    const NormRect extent = Outlines::bounds(poly);
    const double minX = extent.left, maxX = extent.right, minY = extent.top, maxY = extent.bottom;

    struct Sample {
        double x, y;
        float lum;
    };
    std::vector<Sample> samples;
    const auto sample = TeethDetector::rgbSampler(raw);
    for (double y = minY; y <= maxY; y += step) {
        for (double x = minX; x <= maxX; x += step) {
            const bool candidate = std::all_of(cross.begin(), cross.end(), [&](const NormPoint& d) {
                const double px = x + d.x, py = y + d.y;
                if (!Outlines::contains(poly, px, py)) return false;
                return std::none_of(holes.begin(), holes.end(), [&](const Outline& h) { return Outlines::contains(h, px, py); });
            });
            if (!candidate) continue;
            const auto rgb = sample(x, y);
            if (!rgb) continue;
            const auto [R, G, B] = *rgb;
            if (1.04f * G < R && R < 3 * G && 0.9f * B < G && R > 0.02f)
                samples.push_back({x, y, 0.2126f * R + 0.7152f * G + 0.0722f * B});
        }
    }
    if (samples.size() < 6) return std::nullopt;

    std::vector<float> lums;
    lums.reserve(samples.size());
    for (const auto& s : samples) lums.push_back(s.lum);
    std::sort(lums.begin(), lums.end());
    const float median = lums[lums.size() / 2];
    DabList dabs;
    for (const auto& s : samples)
        if (s.lum > 0.45f * median && s.lum < 2.2f * median) dabs.push_back({s.x, s.y});
    if (dabs.size() < 6) return std::nullopt;

    SkinRegion out;
    out.left = minX;
    out.top = minY;
    out.right = maxX;
    out.bottom = maxY;
    out.dabs = decimate(std::move(dabs));
    out.radius = radius;
    out.lum = median;
    out.v = SkinRegion::currentVersion;
    return out;
}

}  // namespace

Outline grow(const Outline& outline, double factor) { return Outlines::scaled(outline, factor, factor); }

DabList decimate(DabList dabs) {
    if (dabs.size() <= kMaxDabs) return dabs;
    const std::size_t k = dabs.size() / kMaxDabs + 1;
    DabList kept;
    kept.reserve(dabs.size() / k + 1);
    for (std::size_t i = 0; i < dabs.size(); i += k) kept.push_back(std::move(dabs[i]));
    return kept;
}

std::vector<SkinRegion> regions(const std::vector<TeethDetector::Face>& faces, const RawImage& raw) {
    std::vector<SkinRegion> out;
    for (const auto& f : faces)
        if (auto r = region(f, raw)) out.push_back(std::move(*r));
    return out;
}

}  // namespace orvane::SkinDetector

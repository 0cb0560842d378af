#include "core/vision/skin_detector.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace orvane {

DabList thinDabs(DabList dabs, std::size_t limit) {
    if (limit == 0 || dabs.size() <= limit) return dabs;
    const std::size_t k = dabs.size() / limit + 1;
    DabList out;
    out.reserve(dabs.size() / k + 1);
    for (std::size_t i = 0; i < dabs.size(); i += k) out.push_back(std::move(dabs[i]));
    return out;
}

namespace SkinDetector {

std::optional<FaceOutline> outline(const Polygon& contour, double boxTop, double boxHeight) {
    if (contour.size() < 8) return std::nullopt;
    const Point first = contour.front(), last = contour.back();
    const double span = std::fabs(last.x - first.x);
    const double ym = (first.y + last.y) / 2;
    const double top = boxTop + 0.04 * boxHeight;
    if (!(span >= 0.02 && top < ym)) return std::nullopt;
    FaceOutline out{contour, span};
    // The forehead: half an ellipse over the jaw's ends up to just below the box's top.
    for (int j = 1; j <= 13; ++j) {
        const double step = j * std::numbers::pi / 14;
        const double a = first.x < last.x ? step : std::numbers::pi - step;
        out.polygon.push_back({(first.x + last.x) / 2 + span / 2 * std::cos(a), ym - (ym - top) * std::sin(a)});
    }
    return out;
}

Polygon grow(const Polygon& polygon, double factor) { return Outlines::scaled(polygon, factor, factor); }

bool inside(Point p, const Polygon& polygon) { return Outlines::contains(polygon, p.x, p.y); }

double dabRadius(double span) { return std::clamp(0.07 * span, 0.0015, 0.012); }

std::vector<Point> grid(const Polygon& face, const std::vector<Polygon>& holes, double radius) {
    std::vector<Point> out;
    if (face.size() < 3 || !(radius > 0)) return out;
    double minX = face[0].x, maxX = face[0].x, minY = face[0].y, maxY = face[0].y;
    for (const auto& p : face) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    const double step = 0.4 * radius, r = 0.8 * radius;
    const Point cross[] = {{0, 0}, {r, 0}, {-r, 0}, {0, r}, {0, -r}};
    for (double y = minY; y <= maxY; y += step) {
        for (double x = minX; x <= maxX; x += step) {
            const bool skin = std::all_of(std::begin(cross), std::end(cross), [&](Point o) {
                const Point q{x + o.x, y + o.y};
                return inside(q, face) &&
                       std::none_of(holes.begin(), holes.end(), [&](const Polygon& h) { return inside(q, h); });
            });
            if (skin) out.push_back({x, y});
        }
    }
    return out;
}

DabList decimate(DabList dabs) { return thinDabs(std::move(dabs), maxDabs); }

namespace {

std::optional<SkinRegion> region(const TeethDetector::Face& face, const RawImage& raw) {
    const auto shape = outline(face.contour, face.box.top, face.box.height());
    if (!shape) return std::nullopt;
    std::vector<Polygon> holes;
    for (const auto& f : face.features) holes.push_back(grow(f, holeGrowth));
    const double radius = dabRadius(shape->span);

    // Candidates whose colour is skin, with their luminance.
    struct Sample {
        Point at;
        float lum;
    };
    std::vector<Sample> samples;
    const auto sample = TeethDetector::rgbSampler(raw);
    for (const Point& p : grid(shape->polygon, holes, radius)) {
        const auto rgb = sample(p.x, p.y);
        if (!rgb) continue;
        const auto [R, G, B] = *rgb;
        if (1.04f * G < R && R < 3 * G && 0.9f * B < G && R > 0.02f)
            samples.push_back({p, 0.2126f * R + 0.7152f * G + 0.0722f * B});
    }
    if (samples.size() < 6) return std::nullopt;

    // Shadows and highlights far from the face's middle tone are not skin to smooth.
    std::vector<float> lums;
    lums.reserve(samples.size());
    for (const auto& s : samples) lums.push_back(s.lum);
    std::nth_element(lums.begin(), lums.begin() + static_cast<std::ptrdiff_t>(lums.size() / 2), lums.end());
    const float median = lums[lums.size() / 2];
    DabList dabs;
    for (const auto& s : samples)
        if (s.lum > 0.45f * median && s.lum < 2.2f * median) dabs.push_back({s.at.x, s.at.y});
    if (dabs.size() < 6) return std::nullopt;

    const NormRect extent = Outlines::bounds(shape->polygon);
    SkinRegion out;
    out.left = extent.left;
    out.top = extent.top;
    out.right = extent.right;
    out.bottom = extent.bottom;
    out.dabs = decimate(std::move(dabs));
    out.radius = radius;
    out.lum = median;
    out.v = SkinRegion::currentVersion;
    return out;
}

}  // namespace

std::vector<SkinRegion> regions(const std::vector<TeethDetector::Face>& faces, const RawImage& raw) {
    std::vector<SkinRegion> out;
    for (const auto& f : faces)
        if (auto r = region(f, raw)) out.push_back(std::move(*r));
    return out;
}

}  // namespace SkinDetector
}  // namespace orvane

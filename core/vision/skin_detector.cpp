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

std::optional<Outline> outline(const Polygon& contour, double boxTop, double boxHeight) {
    if (contour.size() < 8) return std::nullopt;
    const Point first = contour.front(), last = contour.back();
    const double span = std::fabs(last.x - first.x);
    const double ym = (first.y + last.y) / 2;
    const double top = boxTop + 0.04 * boxHeight;
    if (!(span >= 0.02 && top < ym)) return std::nullopt;
    Outline out{contour, span};
    // The forehead: half an ellipse over the jaw's ends up to just below the box's top.
    for (int j = 1; j <= 13; ++j) {
        const double step = j * std::numbers::pi / 14;
        const double a = first.x < last.x ? step : std::numbers::pi - step;
        out.polygon.push_back({(first.x + last.x) / 2 + span / 2 * std::cos(a), ym - (ym - top) * std::sin(a)});
    }
    return out;
}

Polygon grow(const Polygon& polygon, double factor) {
    if (polygon.empty()) return {};
    Point c;
    for (const auto& p : polygon) {
        c.x += p.x;
        c.y += p.y;
    }
    c.x /= static_cast<double>(polygon.size());
    c.y /= static_cast<double>(polygon.size());
    Polygon out;
    out.reserve(polygon.size());
    for (const auto& p : polygon) out.push_back({c.x + (p.x - c.x) * factor, c.y + (p.y - c.y) * factor});
    return out;
}

bool inside(Point p, const Polygon& polygon) {
    bool in = false;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const Point a = polygon[i], b = polygon[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) in = !in;
    }
    return in;
}

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

}  // namespace SkinDetector
}  // namespace orvane

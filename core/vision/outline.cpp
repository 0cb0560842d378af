#include "core/vision/outline.h"

#include <algorithm>

namespace orvane::Outlines {

bool contains(const Outline& poly, double px, double py) {
    bool in = false;
    const std::size_t n = poly.size();
    for (std::size_t i = 0, j = n ? n - 1 : 0; i < n; j = i++) {
        const double xi = poly[i].x, yi = poly[i].y, xj = poly[j].x, yj = poly[j].y;
        if ((py < yi) != (py < yj) && px < xi + (py - yi) * (xj - xi) / (yj - yi)) in = !in;
    }
    return in;
}

NormPoint centroid(const Outline& points) {
    NormPoint c;
    if (points.empty()) return c;
    for (const auto& p : points) {
        c.x += p.x;
        c.y += p.y;
    }
    c.x /= double(points.size());
    c.y /= double(points.size());
    return c;
}

NormRect bounds(const Outline& points) {
    if (points.empty()) return {};
    NormRect r{points[0].x, points[0].y, points[0].x, points[0].y};
    for (const auto& p : points) {
        r.left = std::min(r.left, p.x);
        r.right = std::max(r.right, p.x);
        r.top = std::min(r.top, p.y);
        r.bottom = std::max(r.bottom, p.y);
    }
    return r;
}

Outline scaled(const Outline& points, double fx, double fy) {
    const NormPoint c = centroid(points);
    Outline out;
    out.reserve(points.size());
    for (const auto& p : points) out.push_back({c.x + (p.x - c.x) * fx, c.y + (p.y - c.y) * fy});
    return out;
}

}  // namespace orvane::Outlines

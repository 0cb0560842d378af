#include "core/vision/safe_zone.h"

#include <algorithm>
#include <vector>

#include "core/vision/smart_crop.h"

namespace orvane::SafeZone {

namespace {

// Where the running share of a person's mask, strip by strip from the left, reaches f.
double quantile(const PersonInfo& p, double f) {
    const std::size_t n = p.cols.size();
    double sum = 0;
    for (std::size_t j = 0; j < n; ++j) {
        const double share = p.cols[j];
        if (share > 0 && sum + share >= f) return (static_cast<double>(j) + (f - sum) / share) / static_cast<double>(n);
        sum += share;
    }
    return 1;
}

}  // namespace

std::optional<NormRect> required(const PersonLayout* layout) {
    if (!layout) return std::nullopt;
    const auto c = SmartCrop::classified(*layout);
    std::vector<PersonInfo> keep;
    for (const auto& p : c.people)
        if (std::find(c.intruders.begin(), c.intruders.end(), p) == c.intruders.end()) keep.push_back(p);
    std::vector<PersonRegion> regions;
    if (layout->faces) regions = *layout->faces;
    if (layout->bodies) regions.insert(regions.end(), layout->bodies->begin(), layout->bodies->end());
    if (keep.empty() && regions.empty()) return std::nullopt;

    double L0 = 0, T0 = 0, R0 = 0, B0 = 0;
    bool first = true;
    auto widen = [&](double l, double t, double r, double b) {
        L0 = first ? l : std::min(L0, l);
        T0 = first ? t : std::min(T0, t);
        R0 = first ? r : std::max(R0, r);
        B0 = first ? b : std::max(B0, b);
        first = false;
    };
    for (const auto& p : keep) widen(p.left, p.top, p.right, p.bottom);
    for (const auto& r : regions) widen(r.left, r.top, r.right, r.bottom);

    double medH = 0;
    if (!keep.empty()) {
        std::vector<double> heights;
        for (const auto& p : keep) heights.push_back(p.height());
        std::sort(heights.begin(), heights.end());
        medH = heights[heights.size() / 2];
    }
    bool tallLeft = false, tallRight = false;
    for (const auto& p : c.intruders) {
        if (!(p.height() >= 0.7 * medH)) continue;
        if (p.clipsLeft()) tallLeft = true;
        if (p.clipsRight()) tallRight = true;
    }

    const double mh = std::max(0.05 * (R0 - L0), 0.02);
    const double mt = std::max(0.04 * (B0 - T0), 0.02);
    const double mb = std::max(0.04 * (B0 - T0), 0.025);
    double marginL = mh, marginR = mh;
    // A tall neighbour cut off at a side: the zone stops at the keep people's own masks on that side.
    if (tallLeft && !keep.empty()) {
        double q = 1;
        for (const auto& p : keep) q = std::min(q, quantile(p, 0.02));
        L0 = std::max(L0, q);
        marginL = 0;
    }
    if (tallRight && !keep.empty()) {
        double q = 0;
        for (const auto& p : keep) q = std::max(q, quantile(p, 0.98));
        R0 = std::min(R0, q);
        marginR = 0;
    }

    NormRect zone{std::max(L0 - marginL, 0.0), std::max(T0 - mt, 0.0), std::min(R0 + marginR, 1.0),
                  std::min(B0 + mb, 1.0)};
    for (const auto& p : keep) {
        if (p.left <= 0.012 && p.left <= L0 + 1e-9) zone.left = 1;
        if (p.right >= 0.988 && p.right >= R0 - 1e-9) zone.right = 0;
        if (p.bottom >= 0.988 && p.bottom >= B0 - 1e-9) zone.bottom = 0;
        if (p.top <= 0.012 && p.top <= T0 + 1e-9) zone.top = 1;
    }
    return zone;
}

bool contains(const NormRect& crop, const NormRect& zone) {
    return crop.left <= zone.left + 0.003 && crop.top <= zone.top + 0.003 && crop.right >= zone.right - 0.003 &&
           crop.bottom >= zone.bottom - 0.003;
}

std::optional<NormRect> shifted(const NormRect& crop, const NormRect& zone) {
    NormRect c = crop;
    auto move = [](double& lo, double& hi, double zoneLo, double zoneHi) {
        if (zoneHi - zoneLo - 1e-9 > hi - lo) return false;
        if (zoneLo < lo) {
            const double d = std::min(lo - zoneLo, lo);
            lo -= d;
            hi -= d;
        }
        if (hi < zoneHi) {
            const double d = std::min(zoneHi - hi, 1 - hi);
            lo += d;
            hi += d;
        }
        return lo <= zoneLo + 0.003 && hi >= zoneHi - 0.003;
    };
    if (!move(c.left, c.right, zone.left, zone.right)) return std::nullopt;
    if (!move(c.top, c.bottom, zone.top, zone.bottom)) return std::nullopt;
    return c;
}

NormRect bestEffort(const NormRect& crop, const NormRect& zone) {
    const double w = crop.width(), h = crop.height();
    double x = (zone.left + zone.right) / 2 - w / 2;
    if (x <= 0) x = 0;
    x = std::min(x, 1 - w);
    const double zh = zone.height();
    double y = zh <= h ? zone.top - 0.65 * (h - zh) : zone.top;
    if (y <= 0) y = 0;
    y = std::min(y, 1 - h);
    return {x, y, x + w, y + h};
}

}  // namespace orvane::SafeZone

#include "core/vision/smart_crop.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace orvane::SmartCrop {

namespace {

constexpr double edgeLow = 0.012;   // a box at or left of this touches the left edge
constexpr double edgeHigh = 0.988;  // a box at or right of this touches the right edge

template <class A, class B>
bool overlaps(const A& a, const B& b) {
    const double w = std::max(0.0, std::min(a.right, b.right) - std::max(a.left, b.left));
    const double h = std::max(0.0, std::min(a.bottom, b.bottom) - std::max(a.top, b.top));
    const double areaA = (a.right - a.left) * (a.bottom - a.top);
    const double areaB = (b.right - b.left) * (b.bottom - b.top);
    return w * h > 0.25 * std::min(areaA, areaB);
}

bool overlapsAny(const PersonInfo& p, const std::vector<PersonRegion>& regions) {
    return std::any_of(regions.begin(), regions.end(), [&](const PersonRegion& r) { return overlaps(p, r); });
}

std::vector<PersonRegion> regionsOf(const PersonLayout& layout) {
    std::vector<PersonRegion> regions;
    if (layout.faces) regions = *layout.faces;
    if (layout.bodies) regions.insert(regions.end(), layout.bodies->begin(), layout.bodies->end());
    return regions;
}

// The element at index n / 2 of the values sorted ascending.
double middle(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

bool contains(const std::vector<PersonInfo>& list, const PersonInfo& p) {
    return std::find(list.begin(), list.end(), p) != list.end();
}

bool isInterior(const PersonInfo& p) { return p.left > edgeLow && p.right < edgeHigh; }

std::vector<PersonInfo> notIntruders(const Classes& c) {
    std::vector<PersonInfo> keep;
    for (const auto& p : c.people)
        if (!contains(c.intruders, p)) keep.push_back(p);
    return keep;
}

bool inFrame(const NormRect& r) {
    return std::isfinite(r.left) && std::isfinite(r.top) && std::isfinite(r.right) && std::isfinite(r.bottom) &&
           r.left >= 0 && r.top >= 0 && r.right <= 1 && r.bottom <= 1 && r.left < r.right && r.top < r.bottom;
}

bool keepsRatio(const NormRect& r) { return inFrame(r) && std::fabs(r.width() - r.height()) <= 1e-9; }

// The person boxes of `keep` keep their masks within `lateral` at each side and their head and feet.
bool wholeInside(const PersonInfo& p, const NormRect& crop, double lateral, bool legsCut) {
    return p.fractionLeft(crop.left) <= lateral && 1 - p.fractionLeft(crop.right) <= lateral &&
           p.top >= crop.top - 0.004 && (legsCut || std::min(p.bottom + 0.03, 1.0) <= crop.bottom + 0.004);
}

}  // namespace

Classes classified(const PersonLayout& layout) {
    Classes out;
    for (const auto& p : layout.people)
        if (p.area > 0.0015) out.people.push_back(p);
    if (out.people.empty()) return out;

    double maxArea = 0;
    for (const auto& p : out.people) maxArea = std::max(maxArea, p.area);
    const auto regions = regionsOf(layout);

    std::vector<PersonInfo> sizable;
    for (const auto& p : out.people)
        if (p.area >= 0.3 * maxArea || overlapsAny(p, regions)) sizable.push_back(p);

    std::vector<double> widths, areas, heights;
    for (const auto& p : sizable) {
        if (!isInterior(p)) continue;
        widths.push_back(p.width());
        areas.push_back(p.area);
        heights.push_back(p.height());
    }
    if (widths.empty()) {
        out.subjects = std::move(sizable);
        return out;
    }
    const double W = middle(widths), A = middle(areas), H = middle(heights);

    for (const auto& p : out.people) {
        if (p.area < 0.01) continue;
        if (!p.clipsLeft() && !p.clipsRight()) continue;
        if (!(p.width() < 0.6 * W && p.area < 0.5 * A)) continue;
        const bool nextTo = std::any_of(sizable.begin(), sizable.end(), [&](const PersonInfo& s) {
            if (s == p) return false;
            if (!(s.top < p.bottom && p.top < s.bottom)) return false;
            return p.clipsRight() ? p.left - 0.03 <= s.right : s.left <= p.right + 0.03;
        });
        if (!nextTo && !(p.height() >= 0.7 * H)) continue;
        if (overlapsAny(p, regions)) continue;
        out.intruders.push_back(p);
    }
    for (const auto& s : sizable)
        if (!contains(out.intruders, s)) out.subjects.push_back(s);
    return out;
}

bool subjectsInside(const std::vector<PersonInfo>& subjects, const NormRect& crop, double lateral, bool legsCut) {
    return std::all_of(subjects.begin(), subjects.end(),
                       [&](const PersonInfo& s) { return wholeInside(s, crop, lateral, legsCut); });
}

bool noSlicedPeople(const std::vector<PersonInfo>& people, const NormRect& crop) {
    return std::all_of(people.begin(), people.end(), [&](const PersonInfo& p) {
        if (!(p.area >= 0.01 && isInterior(p))) return true;
        return p.fractionLeft(crop.left) + (1 - p.fractionLeft(crop.right)) <= 0.03;
    });
}

bool legCutsOK(const std::vector<PersonInfo>& people, const NormRect& crop) {
    const double bottom = crop.bottom;
    return std::all_of(people.begin(), people.end(), [&](const PersonInfo& p) {
        if (!(p.area >= 0.01 && bottom + 0.01 < p.bottom && p.height() > 0)) return true;
        const double at = (bottom - p.top) / p.height();
        return at >= 0.55 && at <= 0.72;
    });
}

std::optional<NormRect> planCandidate(const PersonLayout& layout, double aspect, const NormRect& bounds) {
    const double A = aspect;
    if (!(A > 0)) return std::nullopt;
    const double bl = bounds.left, bt = bounds.top, br = bounds.right, bb = bounds.bottom;
    const Classes c = classified(layout);
    const auto& subjects = c.subjects;
    const auto& intruders = c.intruders;

    // Lateral allowance: a fifth of a typical person's width.
    double lat = 0;
    {
        std::vector<double> widths;
        for (const auto* list : {&subjects, &intruders})
            for (const auto& p : *list)
                if (isInterior(p)) widths.push_back(p.width());
        if (!widths.empty()) lat = 0.2 * middle(widths);
    }

    if (subjects.empty()) return std::nullopt;
    double sL = 1, sR = 0, sT = 1, sB = 0;
    bool first = true;
    for (const auto& s : subjects) {
        sL = first ? s.left : std::min(sL, s.left);
        sR = first ? s.right : std::max(sR, s.right);
        sT = first ? s.top : std::min(sT, s.top);
        sB = first ? s.bottom : std::max(sB, s.bottom);
        first = false;
    }
    const double span = sB - sT, hspan = sR - sL;
    if (span < 0.45) return std::nullopt;

    // Feet line: below the group, or below anyone overlapping its width who reaches lower.
    double lowB = sB;
    bool anyBelow = false;
    for (const auto& p : c.people) {
        if (p.bottom > sB && p.right > sL && p.left < sR) {
            lowB = anyBelow ? std::max(lowB, p.bottom) : p.bottom;
            anyBelow = true;
        }
    }
    double feet = std::max(sB + std::max(0.055 * span, 0.03), lowB + 0.015);

    double othersArea = 0, subjectArea = 0;
    for (const auto& p : c.people)
        if (!contains(subjects, p) && !contains(intruders, p)) othersArea += p.area;
    for (const auto& s : subjects) subjectArea += s.area;

    double maxH = 0.97;
    std::vector<double> factors;
    bool roomy = false;
    if (!intruders.empty()) {
        factors = {0.17, 0.14, 0.1};
    } else if (subjects.size() == 1 || othersArea >= 0.25 * subjectArea) {
        maxH = 0.93;
        factors = {0.17, 0.14};
    } else {
        factors = {0.2, 0.17, 0.14};
        roomy = true;
    }
    double h = factors.back();
    bool fits = false;
    for (double f : factors) {
        const double top = std::max(bt, sT - span * f);
        if (feet - top <= maxH) {
            h = f;
            fits = true;
            break;
        }
    }

    bool allStand = true;
    for (const auto& s : subjects) {
        const double base = std::max(A * s.width(), 0.000001);
        if (s.height() / base < 1.6) allStand = false;
    }
    bool legsAllowed = false, legsCut = false;
    if (!allStand) {
        if (!fits) return std::nullopt;
    } else {
        legsAllowed = span >= 0.5;
        if (!fits) {
            if (!(span >= 0.5 && !roomy && !intruders.empty() && lowB <= sB + 1e-9)) return std::nullopt;
            h = 0.14;
            const double top = std::max(bt, sT - h * span);
            bool found = false;
            for (const auto& [lo, hi] : legCutZones) {
                const double cut = std::min({sT + span * hi, top + maxH, bb});
                if (sT + span * lo <= cut && cut - top >= 0.6) {
                    feet = cut;
                    found = true;
                    break;
                }
            }
            if (!found) return std::nullopt;
            legsCut = true;
            legsAllowed = true;
        }
    }

    double cl = std::max(bl, sL - 0.12 * hspan);
    const double ct = std::max(bt, sT - span * h);
    double cr = std::min(br, sR + 0.12 * hspan);
    const double cb = std::min(bb, feet);

    // Move a side limit in over a cut-off neighbour until at most 35 % of its mask stays inside,
    // never within a quarter of the group's width from the group's far side.
    double limL = bl, limR = br;
    for (const auto& I : intruders) {
        if (I.clipsRight() && I.left > edgeLow) {
            double m = subjects.front().right;
            for (const auto& s : subjects) m = std::max(m, s.right);
            double x = std::min(m + lat / A, limR);
            while (x > m) {
                if (I.fractionLeft(x) <= 0.35) break;
                x -= 0.005;
            }
            if (x >= m - 1e-9 && I.fractionLeft(x) <= 0.35 && x > sL + 0.25 * hspan) limR = std::min(x, limR);
        } else if (I.clipsLeft() && I.right < edgeHigh) {
            double m = subjects.front().left;
            for (const auto& s : subjects) m = std::min(m, s.left);
            double x = std::max(m - lat / A, limL);
            while (x < m) {
                if (1 - I.fractionLeft(x) <= 0.35) break;
                x += 0.005;
            }
            if (x <= m + 1e-9 && 1 - I.fractionLeft(x) <= 0.35 && x < sR - 0.25 * hspan) limL = std::max(limL, x);
        }
    }

    cl = std::max(cl, limL);
    cr = std::min(cr, limR);
    if (!(cl < cr && ct < cb)) return std::nullopt;
    const double w = cr - cl, hgt = cb - ct, need = std::max(w, hgt);
    if (need < (legsCut ? 0.6 : 0.7)) return std::nullopt;
    const bool trimmed = limL > bl + 1e-9 || limR < br - 1e-9;

    const auto others = notIntruders(c);
    const double wAvail = limR - limL, hAvail = bb - bt;
    double s = std::min({std::max(need, 0.55), wAvail, hAvail});
    double rangeL = limL, rangeR = limR;
    bool placed = s >= need - 0.000001;
    if (!placed && trimmed && wAvail >= 0.6) {
        // The content is taller than the trimmed width allows: try squares of the trimmed width.
        const double x0 = limL, x1 = limL + wAvail;
        const double flushTop = bb - wAvail;
        const NormRect flush{x0, flushTop, x1, bb};
        if (sT - flushTop >= 0.1 * span && subjectsInside(subjects, flush, 0.02, false) &&
            noSlicedPeople(others, flush))
            return flush;
        const double top2 = std::min(flushTop, std::max(ct, bt));
        const double bottom2 = top2 + wAvail;
        const bool legs = bottom2 < cb - 0.000001;
        const NormRect raised{x0, top2, x1, bottom2};
        if (subjectsInside(subjects, raised, 0.02, legs) && noSlicedPeople(others, raised) &&
            (bottom2 >= cb - 0.000001 || (legsAllowed && legCutsOK(others, raised))))
            return raised;
    }
    if (!placed) {
        s = std::min({std::max({1.24 * hspan, hgt, 0.55}), 1.0});
        rangeL = bl;
        rangeR = br;
    }

    if (s > maxH) return std::nullopt;
    double x = std::max((cl + cr) / 2 - s / 2, rangeL);
    x = std::min(x, rangeR - s);
    const double extra = std::max(s - hgt, 0.0);
    double y = std::max(ct - 0.65 * extra, bt);
    y = std::min(y, bb - s);
    const NormRect square{x, y, x + s, y + s};

    if (!subjectsInside(subjects, square, 0.02, legsCut)) return std::nullopt;
    if (!noSlicedPeople(others, square)) return std::nullopt;
    if (legsCut && !legCutsOK(others, square)) return std::nullopt;
    return square;
}

std::optional<NormRect> plan(const PersonLayout& layout, double aspect, const NormRect& bounds) {
    if (!layout.isCurrent()) return std::nullopt;
    auto c = planCandidate(layout, aspect, bounds);
    if (!c) return std::nullopt;
    if (!keepsRatio(*c) || !protects(layout, *c, 0, 1)) return std::nullopt;
    return c;
}

bool protects(const PersonLayout& layout, const NormRect& crop, double angle, double aspect) {
    if (!std::isfinite(angle) || !std::isfinite(aspect) || !(aspect > 0) || !layout.isCurrent()) return false;
    const double l = crop.left, t = crop.top, r = crop.right, b = crop.bottom;
    const auto keep = notIntruders(classified(layout));
    for (const auto& p : keep)
        if (!wholeInside(p, crop, 0.02, false)) return false;

    if (std::fabs(angle) >= 0.001) {
        // Corners of every box, turned either way about the centre in true proportions.
        const double a = std::fabs(angle) * std::numbers::pi / 180, cs = std::cos(a), sn = std::sin(a);
        auto cornersInside = [&](double bl, double bt, double br, double bb) {
            for (double x : {bl, br}) {
                for (double y : {bt, bb}) {
                    const double X = aspect * (x - 0.5), Y = y - 0.5;
                    for (double sigma : {-1.0, 1.0}) {
                        const double xr = (X * cs - sigma * Y * sn) / aspect + 0.5;
                        const double yr = Y * cs + sigma * X * sn + 0.5;
                        if (!(l <= xr && xr <= r && t <= yr && yr <= b)) return false;
                    }
                }
            }
            return true;
        };
        for (const auto& p : keep)
            if (!cornersInside(p.left, p.top, p.right, p.bottom)) return false;
        for (const auto& f : *layout.faces)
            if (!cornersInside(f.left, f.top, f.right, f.bottom)) return false;
        for (const auto& f : *layout.bodies)
            if (!cornersInside(f.left, f.top, f.right, f.bottom)) return false;
    }

    auto boxInside = [&](const PersonRegion& q, double m) {
        if (!inFrame(NormRect{q.left, q.top, q.right, q.bottom})) return false;
        const bool okL = q.left - m >= 0 ? l <= q.left - m + 0.003 : l <= 0.003;
        const bool okT = q.top - m >= 0 ? t <= q.top - m + 0.003 : t <= 0.003;
        const bool okR = q.right + m < 1 ? r >= q.right + m - 0.003 : r >= 0.997;
        const bool okB = q.bottom + m < 1 ? b >= q.bottom + m - 0.003 : b >= 0.997;
        return okL && okT && okR && okB;
    };
    for (const auto& f : *layout.faces)
        if (!boxInside(f, 0.01)) return false;
    for (const auto& f : *layout.bodies)
        if (!boxInside(f, 0.005)) return false;
    return true;
}

}  // namespace orvane::SmartCrop

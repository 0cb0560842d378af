#include "core/vision/crop_planner.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/base/numbers.h"
#include "core/vision/smart_crop.h"

namespace orvane::CropPlanner {

namespace {

constexpr double noRotation = 0.001;  // degrees
constexpr double rotatedInset = 0.004;
constexpr double bottomGap = 0.22;  // minGap + feetMargin: least room below the feet for a bottom crop

bool rotated(double angle) { return std::fabs(angle) >= noRotation; }

NormRect drawnIn(const NormRect& r) {
    return {r.left + rotatedInset, r.top + rotatedInset, r.right - rotatedInset, r.bottom - rotatedInset};
}

// Millionths, nearest integer with halves away from zero.
double millionths(double v) { return std::round(v * 1'000'000.0); }

}  // namespace

bool preservesOriginalRatio(const NormRect& r) {
    return std::isfinite(r.left) && std::isfinite(r.top) && std::isfinite(r.right) && std::isfinite(r.bottom) &&
           r.left >= 0 && r.top >= 0 && r.right <= 1 && r.bottom <= 1 && r.left < r.right && r.top < r.bottom &&
           std::fabs(r.width() - r.height()) <= 1e-9;
}

NormRect fitted(double target, double aspect, double angle) {
    const double a = std::fabs(angle) * std::numbers::pi / 180;
    const double c = std::cos(a), s = std::sin(a);
    const double T = target, A = aspect;
    const double k = std::min({1.0, A / T, 1 / (c + T * s), A / (s + T * c)});
    const double left = (1 - T * k / A) / 2, top = (1 - k) / 2;
    return {left, top, 1 - left, 1 - top};
}

Planned rectAndSource(const CropSettings& settings, double aspect, double angle, std::optional<double> feetBottom,
                      const PersonLayout* layout) {
    const double A = aspect;
    if (!std::isfinite(A) || !(A > 0) || !std::isfinite(angle)) return {};

    if (layout) {
        const NormRect bounds = rotated(angle) ? fitted(A, A, angle) : NormRect{0, 0, 1, 1};
        if (auto c = SmartCrop::plan(*layout, A, bounds)) {
            NormRect r = rotated(angle) ? drawnIn(*c) : *c;
            const bool finite = std::isfinite(r.left) && std::isfinite(r.top) && std::isfinite(r.right) &&
                                std::isfinite(r.bottom);
            if (finite && r.right <= 1 && r.bottom <= 1 && r.left < r.right && r.top < r.bottom &&
                std::fabs(r.width() - r.height()) <= 1e-9)
                return {r, true};
        }
    }

    using Mode = CropSettings::Mode;
    auto asNone = [&]() -> Planned {
        if (!rotated(angle)) return {};
        return {fitted(A, A, angle), false};
    };
    switch (settings.mode) {
        case Mode::none:
        case Mode::original: return asNone();
        case Mode::ratio:
        case Mode::custom: {
            const auto r = settings.longShortRatio();
            if (!r) return asNone();
            const double target = A >= 1 ? *r : 1 / *r;
            if (!rotated(angle) && std::fabs(target - A) < 0.005) return {};
            return {fitted(target, A, angle), false};
        }
        case Mode::bottom: {
            if (!feetBottom) return asNone();
            const double F = *feetBottom;
            const double o = std::min(F + feetMargin, 1.0);
            NormRect r;
            if (!rotated(angle)) {
                if (!(F + feetMargin < 1 && 1 - F >= bottomGap && o >= minHeight)) return {};
                r = {0.5 - o / 2, 0, 0.5 + o / 2, o};
            } else {
                const NormRect R1 = fitted(A, A, angle);
                if (1 - F < bottomGap || o >= R1.bottom || o - R1.top < minHeight) {
                    r = R1;
                } else {
                    const double w = R1.width() * (o - R1.top) / (R1.bottom - R1.top);
                    const double cx = (R1.left + R1.right) / 2;
                    r = drawnIn({cx - w / 2, R1.top, cx + w / 2, o});
                }
            }
            if (!preservesOriginalRatio(r)) return {};
            return {r, false};
        }
    }
    return {};
}

std::optional<NormRect> rect(const CropSettings& settings, double aspect, double angle,
                             std::optional<double> feetBottom, const PersonLayout* layout) {
    return rectAndSource(settings, aspect, angle, feetBottom, layout).rect;
}

std::pair<double, double> sensorPoint(double x, double y, int flip) {
    switch (flip) {
        case 3: return {1 - x, 1 - y};
        case 5: return {1 - y, x};
        case 6: return {y, 1 - x};
        default: return {x, y};
    }
}

NormRect sensorRect(const NormRect& r, int flip) {
    switch (flip) {
        case 3: return {1 - r.right, 1 - r.bottom, 1 - r.left, 1 - r.top};
        case 5: return {1 - r.bottom, r.left, 1 - r.top, r.right};
        case 6: return {r.top, 1 - r.right, r.bottom, 1 - r.left};
        default: return r;
    }
}

// The quarter turns undo each other: stored-to-upright for 5 is upright-to-stored for 6.
std::pair<double, double> uprightPoint(double x, double y, int flip) {
    switch (flip) {
        case 5: return sensorPoint(x, y, 6);
        case 6: return sensorPoint(x, y, 5);
        default: return sensorPoint(x, y, flip);
    }
}

NormRect uprightRect(const NormRect& r, int flip) {
    switch (flip) {
        case 5: return sensorRect(r, 6);
        case 6: return sensorRect(r, 5);
        default: return sensorRect(r, flip);
    }
}

std::vector<std::pair<std::string, std::string>> attributes(const NormRect& r, double angle,
                                                            bool preserveOriginalRatio) {
    // A number that is not one must never reach a settings file.
    if (!std::isfinite(angle) || !std::isfinite(r.left) || !std::isfinite(r.top) || !std::isfinite(r.right) ||
        !std::isfinite(r.bottom))
        return {};
    const bool keeps = preservesOriginalRatio(r);
    if (preserveOriginalRatio && !keeps) return {};
    NormRect out = r;
    if (keeps) {
        // Snapped so that width and height stay exactly equal, and the crop stays inside the photo.
        const double side = millionths(r.width());
        if (side <= 0) return {};
        const double l = std::clamp(millionths(r.left), 0.0, 1'000'000.0 - side);
        const double t = std::clamp(millionths(r.top), 0.0, 1'000'000.0 - side);
        out = {l / 1'000'000.0, t / 1'000'000.0, (l + side) / 1'000'000.0, (t + side) / 1'000'000.0};
    }
    return {{"CropAngle", Numbers::fixed(angle, 2)},    {"CropLeft", Numbers::fixed(out.left, 6)},
            {"CropTop", Numbers::fixed(out.top, 6)},    {"CropRight", Numbers::fixed(out.right, 6)},
            {"CropBottom", Numbers::fixed(out.bottom, 6)}, {"HasCrop", "True"}};
}

}  // namespace orvane::CropPlanner

#include "tools/base_model_scenes.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace orvane::base_models {

Scene scene(int index) {
    // One generator per scene, seeded by its index: a scene never depends on how many came before.
    std::mt19937 rng(static_cast<std::uint32_t>(index) * 2654435761u + 17u);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    Scene s;
    s.kelvin = 2600 + 7400 * u(rng);
    s.brightness = 0.18 * std::exp2(-4.0 + 5.5 * u(rng));  // from 4 EV under to 1.5 EV over
    s.contrast = 0.4 + 1.6 * u(rng);
    s.pattern = static_cast<int>(u(rng) * 4);
    s.iso = 100 * std::exp2(std::floor(u(rng) * 6));
    s.shutter = std::exp2(-std::floor(2 + u(rng) * 9));
    s.aperture = std::vector<double>{1.8, 2.8, 4, 5.6, 8, 11}[static_cast<std::size_t>(u(rng) * 6)];
    return s;
}

namespace {

// Reflectance 0…1 at a normalised position: smooth areas and edges, arranged by the pattern.
double reflectance(const Scene& s, double x, double y) {
    double v;
    switch (s.pattern) {
        case 0: v = x; break;                                              // left-to-right ramp
        case 1: v = 1.0 - y; break;                                        // sky over ground
        case 2: v = std::hypot(x - 0.5, y - 0.5) < 0.25 ? 0.85 : 0.2; break;  // bright subject, dark room
        default: v = ((static_cast<int>(x * 4) + static_cast<int>(y * 3)) % 2) ? 0.7 : 0.3; break;  // patches
    }
    // Spread around the middle, in stops, so the median stays near the scene's brightness.
    return std::exp2(s.contrast * 3.0 * (v - 0.5));
}

testing::SceneFn sceneFn(const Scene& s, std::array<double, 3> neutral) {
    return [s, neutral](int x, int y, int w, int h) {
        const double r = reflectance(s, (x + 0.5) / w, (y + 0.5) / h) * s.brightness;
        return std::array<double, 3>{r * neutral[0], r * neutral[1], r * neutral[2]};
    };
}

}  // namespace

namespace {
// Both file kinds describe a scene with the same fields.
template <class Spec>
Spec specOf(const Scene& s) {
    Spec spec;
    spec.width = 96;
    spec.height = 64;
    const auto xy = testing::planckianXY(s.kelvin);
    spec.asShotNeutral = testing::neutralForXY(xy[0], xy[1]);
    spec.iso = s.iso;
    spec.exposureTime = s.shutter;
    spec.fNumber = s.aperture;
    spec.scene = sceneFn(s, *spec.asShotNeutral);
    return spec;
}
}  // namespace

testing::DngSpec dngSpec(const Scene& s) { return specOf<testing::DngSpec>(s); }

testing::SmartPreviewSpec previewSpec(const Scene& s) { return specOf<testing::SmartPreviewSpec>(s); }

double neutralExposure(const RawImage& raw) {
    std::vector<float> y;
    y.reserve(raw.lin.size() / 3);
    for (std::size_t i = 0; i + 2 < raw.lin.size(); i += 3) {
        y.push_back(0.2126f * raw.lin[i] + 0.7152f * raw.lin[i + 1] + 0.0722f * raw.lin[i + 2]);
    }
    if (y.empty()) return 0;
    std::nth_element(y.begin(), y.begin() + y.size() / 2, y.end());
    const double median = std::max<double>(y[y.size() / 2], 1e-4);
    return std::clamp(std::log2(0.18 / median), -5.0, 5.0);
}

}  // namespace orvane::base_models

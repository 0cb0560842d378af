#include "tools/base_model_scenes.h"

#include <libraw/libraw.h>
#include <strings.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <vector>

namespace orvane::base_models {

namespace {

// The camera's response to white light of every temperature the scenes use (and some margin) is
// positive in each channel and within a factor of ten of green: a matrix outside that is a
// placeholder or a sensor no white balance of ours would meet.
bool plausible(const testing::Matrix3d& m) {
    for (double k = 2000; k <= 12000; k += 250) {
        const auto xy = testing::planckianXY(k);
        const double X = xy[0] / xy[1], Z = (1 - xy[0] - xy[1]) / xy[1];
        std::array<double, 3> cam{};
        for (int r = 0; r < 3; ++r) cam[r] = m[r][0] * X + m[r][1] + m[r][2] * Z;
        if (!(cam[0] > 0 && cam[1] > 0 && cam[2] > 0)) return false;
        for (int c : {0, 2})
            if (cam[c] / cam[1] < 0.1 || cam[c] / cam[1] > 10) return false;
    }
    return true;
}

// The maker index of a camera-list entry: the longest maker name that begins it, followed by a space.
unsigned makerOf(const char* entry, std::size_t& nameLength) {
    unsigned found = 0;
    nameLength = 0;
    for (unsigned m = 1; m < LIBRAW_CAMERAMAKER_TheLastOne; ++m) {
        const char* maker = LibRaw::cameramakeridx2maker(m);
        if (!maker || !*maker) continue;
        const std::size_t n = std::strlen(maker);
        if (n > nameLength && strncasecmp(entry, maker, n) == 0 && entry[n] == ' ') {
            found = m;
            nameLength = n;
        }
    }
    return found;
}

// LibRaw's colour matrix for a camera-list entry ("Maker Model"), asked the way the decoder asks for
// a file's; absent for an unknown maker, a camera without a matrix or one of four colours.
std::optional<testing::Matrix3d> libRawMatrix(LibRaw& raw, const char* entry) {
    std::size_t makerLength = 0;
    const unsigned maker = makerOf(entry, makerLength);
    if (maker == 0) return std::nullopt;
    auto& color = raw.imgdata.color;
    std::memset(color.cam_xyz, 0, sizeof color.cam_xyz);
    raw.imgdata.idata.colors = 3;
    raw.adobe_coeff(maker, entry + makerLength + 1, 1);
    const auto& fourth = color.cam_xyz[3];
    if (color.cam_xyz[0][0] == 0 || fourth[0] != 0 || fourth[1] != 0 || fourth[2] != 0) return std::nullopt;
    testing::Matrix3d m{};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) m[r][c] = color.cam_xyz[r][c];
    return m;
}

bool nearlySame(const testing::Matrix3d& a, const testing::Matrix3d& b) {
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            if (std::abs(a[r][c] - b[r][c]) > 0.02) return false;
    return true;
}

}  // namespace

const std::vector<Camera>& libRawCameras() {
    static const std::vector<Camera> cameras = [] {
        auto raw = std::make_unique<LibRaw>();
        std::vector<Camera> out;
        std::set<testing::Matrix3d> seen;
        const char** list = LibRaw::cameraList();
        for (int i = 0; i < LibRaw::cameraCount() && list[i]; ++i) {
            const auto m = libRawMatrix(*raw, list[i]);
            if (m && plausible(*m) && seen.insert(*m).second) out.push_back(Camera{list[i], *m});
        }
        return out;
    }();
    return cameras;
}

const std::vector<Camera>& heldOutCameras() {
    static const std::vector<Camera> cameras = [] {
        static const char* const names[] = {
            "Canon EOS 5D Mark IV",   "Canon EOS 30D",        "Nikon D850",
            "Sony ILCE-7M3 (A7 III)", "FujiFilm X-T3",        "Panasonic DC-G9",
            "Pentax K-1",             "Olympus E-M1 Mark II", "Leica Q2",
        };
        auto raw = std::make_unique<LibRaw>();
        std::vector<Camera> out;
        for (const char* name : names)
            if (const auto m = libRawMatrix(*raw, name)) out.push_back(Camera{name, *m});
        return out;
    }();
    return cameras;
}

const std::vector<Camera>& trainingCameras() {
    static const std::vector<Camera> cameras = [] {
        std::vector<Camera> out;
        for (const auto& c : libRawCameras()) {
            const bool heldOut = std::any_of(heldOutCameras().begin(), heldOutCameras().end(),
                                             [&](const Camera& h) { return nearlySame(h.colorMatrix, c.colorMatrix); });
            if (!heldOut) out.push_back(c);
        }
        return out;
    }();
    return cameras;
}

Scene scene(int index) {
    // One generator per scene, seeded by its index: a scene never depends on how many came before.
    std::mt19937 rng(static_cast<std::uint32_t>(index) * 2654435761u + 17u);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    Scene s;
    // Even in mireds, the unit the temperature model learns in: 2,500 to 10,000 K.
    s.kelvin = 1e6 / (100 + 300 * u(rng));
    s.brightness = 0.18 * std::exp2(-4.0 + 5.5 * u(rng));  // from 4 EV under to 1.5 EV over
    s.contrast = 0.4 + 1.6 * u(rng);
    s.pattern = static_cast<int>(u(rng) * 4);
    s.iso = 100 * std::exp2(std::floor(u(rng) * 6));
    s.shutter = std::exp2(-std::floor(2 + u(rng) * 9));
    s.aperture = std::vector<double>{1.8, 2.8, 4, 5.6, 8, 11}[static_cast<std::size_t>(u(rng) * 6)];
    const auto& cameras = trainingCameras();
    if (!cameras.empty())
        s.colorMatrix = cameras[std::min(cameras.size() - 1, static_cast<std::size_t>(u(rng) * cameras.size()))].colorMatrix;
    s.tint = -10 + 20 * u(rng);
    return s;
}

std::array<double, 2> lightXY(const Scene& s) {
    // In CIE 1960 (u, v), across the locus: the tint scale counts 1/3000 of that distance a unit.
    auto uv = [](double k) {
        const auto xy = testing::planckianXY(k);
        const double d = -2 * xy[0] + 12 * xy[1] + 3;
        return std::array<double, 2>{4 * xy[0] / d, 6 * xy[1] / d};
    };
    const auto at = uv(s.kelvin), ahead = uv(s.kelvin * 1.01);
    const double du = ahead[0] - at[0], dv = ahead[1] - at[1], len = std::hypot(du, dv);
    const double offset = -s.tint / 3000.0;
    const double u = at[0] - dv / len * offset, v = at[1] + du / len * offset;
    const double d = 2 * u - 8 * v + 4;
    return {3 * u / d, 2 * v / d};
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

// Both file kinds describe a scene with the same fields.
template <class Spec>
Spec specOf(const Scene& s) {
    Spec spec;
    spec.width = 96;
    spec.height = 64;
    const auto xy = lightXY(s);
    spec.colorMatrix = s.colorMatrix;
    spec.asShotNeutral = testing::neutralForXY(xy[0], xy[1], s.colorMatrix);
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

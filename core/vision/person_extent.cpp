#include "core/vision/person_extent.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>

namespace orvane {

std::optional<cv::Mat> maskAsFloat(const cv::Mat& mask) {
    if (mask.empty() || mask.channels() != 1) return std::nullopt;
    cv::Mat out;
    switch (mask.depth()) {
        case CV_32F: return mask;
        case CV_16F: mask.convertTo(out, CV_32F); return out;
        case CV_8U: mask.convertTo(out, CV_32F, 1.0 / 255); return out;
        default: return std::nullopt;
    }
}

namespace PersonExtent {
namespace {

// The 8-bit sRGB code of a linear value: clamp, the sRGB curve, × 255, halves away from zero.
std::uint8_t srgbByte(float v) {
    const double c = std::clamp(static_cast<double>(v), 0.0, 1.0);
    const double e = c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1 / 2.4) - 0.055;
    return static_cast<std::uint8_t>(std::lround(e * 255));
}

// The least float giving each code, so that encoding a pixel is a search of 255 floats instead of a
// power per channel; exact because the curve rises monotonically. Found by bisection over the bit
// patterns of the floats in 0..1, which order like the floats themselves.
const std::array<float, 256>& codeThresholds() {
    static const std::array<float, 256> table = [] {
        std::array<float, 256> t{};
        t[0] = 0;
        for (int k = 1; k < 256; ++k) {
            std::uint32_t lo = 0, hi = std::bit_cast<std::uint32_t>(1.0f);
            while (lo < hi) {
                const std::uint32_t mid = lo + (hi - lo) / 2;
                if (srgbByte(std::bit_cast<float>(mid)) >= k) hi = mid;
                else lo = mid + 1;
            }
            t[k] = std::bit_cast<float>(lo);
        }
        return t;
    }();
    return table;
}

// The code at the low end of each of 4096 equal slices of 0..1: a pixel's code is then that start
// plus a step or two along the thresholds.
constexpr int kSlices = 4096;
const std::array<std::uint8_t, kSlices>& sliceStarts() {
    static const std::array<std::uint8_t, kSlices> starts = [] {
        const auto& t = codeThresholds();
        std::array<std::uint8_t, kSlices> s{};
        for (int i = 0; i < kSlices; ++i) {
            const float low = static_cast<float>(i) / kSlices;
            s[i] = static_cast<std::uint8_t>(std::upper_bound(t.begin() + 1, t.end(), low) - t.begin() - 1);
        }
        return s;
    }();
    return starts;
}

std::uint8_t encode(float v, const std::array<float, 256>& t, const std::array<std::uint8_t, kSlices>& starts) {
    if (!(v > 0)) return 0;  // NaN too
    if (v >= 1) return 255;
    int code = starts[std::min(static_cast<int>(v * kSlices), kSlices - 1)];
    while (code < 255 && v >= t[code + 1]) ++code;
    return static_cast<std::uint8_t>(code);
}

}  // namespace

std::optional<UprightSize> uprightSize(int h, int w, int flip, int maxSide) {
    if (h <= 0 || w <= 0 || maxSide <= 0) return std::nullopt;
    const int step = std::max(1, (std::max(h, w) + maxSide - 1) / maxSide);
    const bool turned = flip == 5 || flip == 6;
    const UprightSize s{step, (turned ? h : w) / step, (turned ? w : h) / step};
    if (s.width < 9 || s.height < 9) return std::nullopt;
    return s;
}

std::optional<cv::Mat> uprightImage(const RawImage& raw, int maxSide) {
    const int h = raw.h, w = raw.w, f = raw.flip;
    const auto size = uprightSize(h, w, f, maxSide);
    if (!size || raw.lin.size() < static_cast<std::size_t>(h) * w * 3) return std::nullopt;
    const int step = size->step, W = size->width, H = size->height;

    const auto& t = codeThresholds();
    const auto& starts = sliceStarts();
    cv::Mat out(H, W, CV_8UC3);
    for (int i = 0; i < H; ++i) {
        auto* dst = out.ptr<std::uint8_t>(i);
        for (int j = 0; j < W; ++j) {
            const int a = step * i, b = step * j;
            int row = a, col = b;
            if (f == 6) row = h - 1 - b, col = a;
            else if (f == 5) row = b, col = w - 1 - a;
            else if (f == 3) row = h - 1 - a, col = w - 1 - b;
            row = std::clamp(row, 0, h - 1);
            col = std::clamp(col, 0, w - 1);
            const float* px = raw.lin.data() + (static_cast<std::size_t>(row) * w + col) * 3;
            for (int c = 0; c < 3; ++c) dst[3 * j + c] = encode(px[c], t, starts);
        }
    }
    return out;
}

std::optional<double> feetLine(const cv::Mat& mask) {
    const auto m = maskAsFloat(mask);
    if (!m) return std::nullopt;
    const int need = std::max(3, static_cast<int>(0.004 * m->cols));
    for (int row = m->rows - 1; row >= 0; --row) {
        const float* p = m->ptr<float>(row);
        const auto count = std::count_if(p, p + m->cols, [](float v) { return v > 0.5f; });
        if (count >= need) {
            const double F = static_cast<double>(row + 1) / m->rows;
            return F >= 0.985 ? 1.0 : F;
        }
    }
    return std::nullopt;
}

std::optional<double> lowestEdge(const RawImage& raw, int minPeople, PersonDetector& detector,
                                 const std::vector<DetectedBox>& faces) {
    const auto image = uprightImage(raw, workingSide);
    if (!image) return std::nullopt;
    const auto found = detector.detect(*image, faces);
    if (!found || !found->instances || found->instances->empty()) return std::nullopt;
    const auto& instances = *found->instances;
    if (static_cast<int>(instances.size()) < minPeople) return std::nullopt;
    // One mask of all the people: the highest value of any instance at each pixel.
    cv::Mat all;
    for (const auto& mask : instances) {
        const auto m = maskAsFloat(mask);
        if (!m || (!all.empty() && m->size() != all.size())) return std::nullopt;
        if (all.empty()) all = m->clone();
        else cv::max(all, *m, all);
    }
    return feetLine(all);
}

}  // namespace PersonExtent
}  // namespace orvane

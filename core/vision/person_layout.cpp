#include "core/vision/person_layout.h"

#include <array>
#include <cmath>
#include <limits>

#include "core/vision/person_extent.h"

namespace orvane::SmartCrop {

std::vector<PersonRegion> regionsOf(const std::vector<DetectedBox>& boxes) {
    std::vector<PersonRegion> out;
    for (const auto& b : boxes) {
        if (!(b.confidence >= minRegionConfidence)) continue;
        const PersonRegion r{b.minX, 1 - b.maxY, b.maxX, 1 - b.minY};
        const bool finite = std::isfinite(r.left) && std::isfinite(r.top) && std::isfinite(r.right) && std::isfinite(r.bottom);
        // A box reaching past the frame is dropped, not clipped: its person is not wholly seen.
        if (finite && r.left >= 0 && r.top >= 0 && r.right <= 1 && r.bottom <= 1 && r.left < r.right && r.top < r.bottom)
            out.push_back(r);
    }
    return out;
}

std::optional<PersonInfo> personOf(const cv::Mat& mask, bool* unreadable) {
    const auto m = maskAsFloat(mask);
    if (unreadable) *unreadable = !m;
    if (!m) return std::nullopt;
    const int W = m->cols, H = m->rows;
    std::array<std::int64_t, 100> strips{};
    std::int64_t count = 0;
    int minX = std::numeric_limits<int>::max(), minY = minX, maxX = -1, maxY = -1;
    for (int y = 0; y < H; ++y) {
        const float* p = m->ptr<float>(y);
        for (int x = 0; x < W; ++x) {
            if (!(p[x] > 0.5f)) continue;
            ++count;
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
            ++strips[std::min<std::int64_t>(static_cast<std::int64_t>(x) * 100 / W, 99)];
        }
    }
    if (count == 0) return std::nullopt;
    PersonInfo p;
    p.left = static_cast<double>(minX) / W;
    p.top = static_cast<double>(minY) / H;
    p.right = static_cast<double>(maxX + 1) / W;
    p.bottom = static_cast<double>(maxY + 1) / H;
    p.area = static_cast<double>(count) / (static_cast<double>(W) * H);
    p.cols.reserve(strips.size());
    for (auto s : strips) p.cols.push_back(static_cast<float>(s) / static_cast<float>(count));
    return p;
}

std::optional<PersonLayout> layoutOf(const PersonDetection& detection) {
    if (!detection.instances) return std::nullopt;
    std::vector<PersonInfo> people;
    for (const auto& mask : *detection.instances) {
        bool unreadable = false;
        auto p = personOf(mask, &unreadable);
        if (unreadable) return std::nullopt;
        if (p) people.push_back(std::move(*p));
    }
    return PersonLayout::make(std::move(people), regionsOf(detection.faces), regionsOf(detection.bodies), true);
}

std::optional<PersonLayout> analyze(const RawImage& raw, PersonDetector& detector, const std::vector<DetectedBox>& faces) {
    const auto image = PersonExtent::uprightImage(raw, PersonExtent::workingSide);
    if (!image) return std::nullopt;
    const auto found = detector.detect(*image, faces);
    if (!found) return std::nullopt;
    return layoutOf(*found);
}

}  // namespace orvane::SmartCrop

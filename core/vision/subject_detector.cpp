#include "core/vision/subject_detector.h"

#include <algorithm>
#include <cmath>

#include "core/vision/person_extent.h"
#include "core/vision/skin_detector.h"

namespace orvane::SubjectDetector {

SkinRegion none() {
    SkinRegion r;
    r.radius = SkinRegion::defaultRadius;
    return r;
}

std::optional<SkinRegion> region(const cv::Mat& mask) {
    if (mask.empty() || mask.type() != CV_8UC1 || mask.cols < 9 || mask.rows < 9) return std::nullopt;
    const int w = mask.cols, h = mask.rows;
    const double W = w, H = h;
    auto set = [&](int col, int row) { return mask.ptr<std::uint8_t>(row)[col] > 128; };

    // A quarter of the pixels is enough for the extent and the share of the subject.
    std::size_t count = 0;
    double minX = 1, minY = 1, maxX = 0, maxY = 0;
    for (int row = 0; row < h; row += 2) {
        for (int col = 0; col < w; col += 2) {
            if (!set(col, row)) continue;
            ++count;
            minX = std::min(minX, col / W);
            maxX = std::max(maxX, col / W);
            minY = std::min(minY, row / H);
            maxY = std::max(maxY, row / H);
        }
    }
    const double coverage = 4.0 * static_cast<double>(count) / (W * H);
    if (coverage < 0.02 || coverage > 0.85) return std::nullopt;

    const double radius = std::clamp(2 * std::sqrt(coverage / 2500), 0.006, 0.03);
    const double step = radius / 2, d = 0.7 * radius;
    // Positions left of or above the mask are outside it too, not truncated onto its first column.
    auto setAt = [&](double x, double y) {
        const double cx = x * W, cy = y * H;
        if (!(cx >= 0 && cy >= 0 && cx < W && cy < H)) return false;
        return set(static_cast<int>(cx), static_cast<int>(cy));
    };
    DabList dabs;
    for (double y = minY; y <= maxY; y += step) {
        for (double x = minX; x <= maxX; x += step) {
            if (setAt(x, y) && setAt(x + d, y) && setAt(x - d, y) && setAt(x, y + d) && setAt(x, y - d))
                dabs.push_back({x, y});
        }
    }
    if (dabs.size() < 6) return std::nullopt;
    SkinRegion r;
    r.left = minX;
    r.top = minY;
    r.right = maxX;
    r.bottom = maxY;
    r.dabs = thinDabs(std::move(dabs), maxDabs);
    r.radius = radius;
    r.v = SkinRegion::currentVersion;
    return r;
}

std::optional<SkinRegion> region(const RawImage& raw, PersonDetector& detector, const std::vector<DetectedBox>& faces) {
    const auto image = PersonExtent::uprightImage(raw, PersonExtent::workingSide);
    if (!image) return std::nullopt;
    const auto mask = detector.personMask(*image, faces);
    if (!mask) return std::nullopt;
    return region(*mask);
}

}  // namespace orvane::SubjectDetector

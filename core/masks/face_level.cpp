#include "core/masks/face_level.h"

#include <algorithm>
#include <cmath>

namespace orvane::FaceLevelMask {

std::vector<const SkinRegion*> usableFaces(const std::vector<SkinRegion>& regions) {
    double widest = 0;
    for (const auto& r : regions) widest = std::max(widest, r.right - r.left);
    const double minWidth = std::max(0.5 * widest, 0.04);
    std::vector<const SkinRegion*> out;
    for (const auto& r : regions)
        if (r.right - r.left >= minWidth && r.lum && *r.lum > 0.001) out.push_back(&r);
    return out;
}

double medianLum(const std::vector<const SkinRegion*>& faces) {
    std::vector<double> lums;
    lums.reserve(faces.size());
    for (const auto* f : faces) lums.push_back(*f->lum);
    std::sort(lums.begin(), lums.end());
    return lums[lums.size() / 2];
}

std::vector<FaceLevel> plan(const std::vector<SkinRegion>& regions, double /*exposure*/) {
    const auto faces = usableFaces(regions);
    if (faces.size() < 2) return {};
    const double median = medianLum(faces);
    std::vector<FaceLevel> out;
    for (const auto* f : faces) {
        const double g = std::log2(median / *f->lum);
        // A face far darker than the others is more likely shade or a bad detection than a face to lift.
        if (std::fabs(g) >= 0.15 && g <= 0.9 && *f->lum >= 0.04) out.push_back({*f, std::clamp(g, -0.7, 0.7)});
    }
    return out;
}

LocalSettings locals(const FaceLevel& level) { return {{"LocalExposure2012", level.ev}}; }

std::string correction(const FaceLevel& level, std::int64_t amount) {
    return BrushMask::xml(name, maskName, {level.region}, static_cast<double>(amount) / 100.0, locals(level));
}

}  // namespace orvane::FaceLevelMask

#pragma once
// Face levelling: moving faces toward a common brightness from the median skin luminance of their
// skin regions. The per-photo exposure offset of an export is Project::faceDeltas (store); the
// in-photo form here gives one exposure brush correction per face.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/masks/brush_mask.h"
#include "core/photo/analysis_records.h"

namespace orvane {

// One face of a photo with the exposure change (stops) that levels it.
struct FaceLevel {
    SkinRegion region;
    double ev = 0;

    bool operator==(const FaceLevel&) const = default;
};

namespace FaceLevelMask {

inline constexpr std::string_view name = "Vendrel – Nivel fețe";
inline constexpr std::string_view maskName = "Față";

// Faces worth levelling: at least half as wide as the widest region and at least 0.04 wide, with a
// luminance above 0.001. In region order.
std::vector<const SkinRegion*> usableFaces(const std::vector<SkinRegion>& regions);
// The luminance at position count / 2 of the faces' sorted luminances; `faces` must not be empty.
double medianLum(const std::vector<const SkinRegion*>& faces);

// Levels for the faces that stand out from the median face: none with fewer than two usable faces.
// `exposure` does not enter the result.
std::vector<FaceLevel> plan(const std::vector<SkinRegion>& regions, double exposure);

// LocalExposure2012 = the level's ev.
LocalSettings locals(const FaceLevel& level);
std::string correction(const FaceLevel& level, std::int64_t amount);

}  // namespace FaceLevelMask
}  // namespace orvane

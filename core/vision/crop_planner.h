#pragma once
// Where a photo is cut: the crop rectangle that a project's crop options ask for (person-aware first
// when a layout is given), its mapping to the raw file's stored orientation, and the crop settings
// text written into XMP and catalogs.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/photo/analysis_records.h"
#include "core/vision/norm_rect.h"

namespace orvane::CropPlanner {

inline constexpr double feetMargin = 0.07;  // space kept below the feet line
inline constexpr double minGap = 0.15;      // least free space below the feet, beyond the margin
inline constexpr double minHeight = 0.6;    // least height of a bottom crop

// Inside the frame, not empty, with equal normalised width and height (the photo's own ratio).
bool preservesOriginalRatio(const NormRect& r);

// The largest centred crop of ratio `target` (width over height) inside a photo of ratio `aspect`
// turned by `angle` degrees about its centre.
NormRect fitted(double target, double aspect, double angle);

struct Planned {
    std::optional<NormRect> rect;  // absent: no crop
    bool smart = false;            // the rect came from person-aware framing

    bool operator==(const Planned&) const = default;
};

// The crop for a photo of display ratio `aspect` straightened by `angle` degrees. `feetBottom` is the
// people's lowest point (bottom mode); `layout`, when given, asks for person-aware framing first.
Planned rectAndSource(const CropSettings& settings, double aspect, double angle, std::optional<double> feetBottom,
                      const PersonLayout* layout);
std::optional<NormRect> rect(const CropSettings& settings, double aspect, double angle,
                             std::optional<double> feetBottom, const PersonLayout* layout);

// Upright (displayed) coordinates to the raw file's stored orientation for a LibRaw flip code, and back.
std::pair<double, double> sensorPoint(double x, double y, int flip);
NormRect sensorRect(const NormRect& r, int flip);
std::pair<double, double> uprightPoint(double x, double y, int flip);
NormRect uprightRect(const NormRect& r, int flip);

// The crop settings pairs: CropAngle, CropLeft, CropTop, CropRight, CropBottom, HasCrop. A crop of the
// photo's ratio is snapped to millionths with its sides kept equal. Empty when `preserveOriginalRatio`
// and the rect does not keep the ratio, or when the snapped side is empty.
std::vector<std::pair<std::string, std::string>> attributes(const NormRect& r, double angle,
                                                            bool preserveOriginalRatio);

}  // namespace orvane::CropPlanner

#pragma once
// The develop settings of one exported photo that follow from its project's editing options: lens
// correction, high-ISO noise reduction, the crop with its straighten angle, and the managed masks.
// The same pairs go into sidecars and catalogs; only clearing an earlier crop differs.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

#include "core/masks/teeth_mask.h"
#include "core/store/project.h"
#include "core/vision/crop_planner.h"
#include "core/vision/smart_crop.h"
#include "core/xmp/develop_preset.h"

namespace orvane {

namespace NoiseRule {

struct Base {
    std::int64_t luminance = 0;
    std::int64_t color = 0;

    bool operator==(const Base&) const = default;
};

// LuminanceSmoothing and ColorNoiseReduction for a high ISO (empty below 1600), grown from the
// preset's own values (`base`) or from 18 and 25.
DevelopPreset::Pairs attributes(float iso, std::optional<Base> base);

}  // namespace NoiseRule

// The crop pairs that undo an earlier crop.
const DevelopPreset::Pairs& cropResetAttributes();

struct CropDecision {
    NormRect rect;  // upright photo coordinates
    double angle = 0;

    bool operator==(const CropDecision&) const = default;
};

// The planning the decision asks of the vision code; tests put fakes in its place.
struct CropServices {
    std::function<CropPlanner::Planned(const CropSettings&, double aspect, double angle,
                                       std::optional<double> feetBottom, const PersonLayout* layout)>
        rectAndSource = CropPlanner::rectAndSource;
    std::function<bool(const PersonLayout&, const NormRect& crop, double angle, double aspect)> protects =
        SmartCrop::protects;
};

// The crop and angle for a photo of displayed ratio `aspect`: the full straighten angle when a crop
// at it keeps the people, else the angle given up in quarter steps; at angle 0 the crop is moved or
// re-centred onto the people. Absent when no crop is asked for or none keeps the people.
std::optional<CropDecision> cropDecision(const PhotoItem& photo, const Project& project, double aspect,
                                         const CropServices& services = {});

// Lens, noise and crop pairs in that order. `file` is the photo file that exists (raw or smart
// preview), read for ISO, orientation and aspect; a failing read only degrades the result.
DevelopPreset::Pairs cropAttributes(const PhotoItem& photo, const Project& project, const std::filesystem::path& file,
                                    const DevelopPreset& preset, bool inCatalog, const CropServices& services = {});

namespace Exporter {
// What an export does to the photo's managed masks, dabs in the raw file's stored orientation;
// absent when the project asks for none of them.
std::optional<TeethMask::Spec> teethSpec(const Project& project, const PhotoItem& photo);
}  // namespace Exporter

}  // namespace orvane

#pragma once
// The region of a photo that any crop must contain to keep its people, and how to move a crop onto it.
#include <optional>

#include "core/photo/analysis_records.h"
#include "core/vision/norm_rect.h"

namespace orvane::SafeZone {

// The people who are not intruders plus the faces and bodies, with margins. A side the frame already
// cuts puts no demand on a crop: it holds its neutral value (left 1, top 1, right 0, bottom 0).
// Absent without a layout or when it holds nobody.
std::optional<NormRect> required(const PersonLayout* layout);
// The crop holds the zone, within 0.003.
bool contains(const NormRect& crop, const NormRect& zone);
// The crop moved, at its size and inside the frame, until it holds the zone; absent when it cannot.
std::optional<NormRect> shifted(const NormRect& crop, const NormRect& zone);
// The crop at its size, centred on the zone sideways with 65 % of the spare height above it.
NormRect bestEffort(const NormRect& crop, const NormRect& zone);

}  // namespace orvane::SafeZone

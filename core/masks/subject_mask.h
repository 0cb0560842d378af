#pragma once
// The subject mask: a neutral brush correction over the people of a photo, ready for the user's own
// adjustments.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/masks/brush_mask.h"
#include "core/photo/analysis_records.h"

namespace orvane::SubjectMask {

inline constexpr std::string_view name = "Vendrel – Subiect";
inline constexpr std::string_view maskName = "Subiect";

// LocalExposure2012 = 0: the correction only selects.
const LocalSettings& locals();

std::string correction(const std::vector<SkinRegion>& regions, std::int64_t amount);

}  // namespace orvane::SubjectMask

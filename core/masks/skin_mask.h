#pragma once
// Skin smoothing: a brush correction over the faces' skin that lowers texture, clarity and sharpness.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/masks/brush_mask.h"
#include "core/photo/analysis_records.h"

namespace orvane::SkinMask {

inline constexpr std::string_view name = "Vendrel – Netezire piele";
inline constexpr std::string_view maskName = "Piele";

// LocalTexture, LocalClarity2012 and, only when the sharpness amount is above 0, LocalSharpness:
// the values of `params.local()`, in this order.
LocalSettings locals(const SkinParams& params);

// The skin-smoothing correction painted with the regions' dabs; `amount` in percent.
std::string correction(const std::vector<SkinRegion>& regions, std::int64_t amount, const SkinParams& params);

}  // namespace orvane::SkinMask

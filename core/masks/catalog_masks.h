#pragma once
// Our mask corrections in the catalog's develop-settings text: Lua tables for the value of
// "MaskGroupBasedCorrections". Each table is "{ " + fields joined by ",\n" + " }", one sync
// identifier shared by the correction, its aggregate mask and every stroke.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/masks/brush_mask.h"
#include "core/masks/teeth_mask.h"

namespace orvane::CatalogMasks {

// The teeth-whitening correction (coarse strokes before fine, stroke mask value 0.8).
std::string luaTeethCorrection(const std::vector<TeethRegion>& regions, std::int64_t amount);

// A brush correction painted with the regions' dabs (stroke mask value 1); the locals are written
// sorted by name. `amount` in percent, clamped to 0...100.
std::string luaBrushCorrection(std::string_view name, std::string_view maskName,
                               const std::vector<SkinRegion>& regions, std::int64_t amount,
                               const LocalSettings& locals);

// The corrections a spec asks for, in the order teeth, skin, face levels (one per face), subject;
// the same parts write as in the sidecar form (TeethMask::Spec::xmlItems).
std::vector<std::string> luaCorrections(const TeethMask::Spec& spec);

}  // namespace orvane::CatalogMasks

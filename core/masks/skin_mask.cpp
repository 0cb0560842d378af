#include "core/masks/skin_mask.h"

namespace orvane::SkinMask {

LocalSettings locals(const SkinParams& params) {
    const SkinParams::Local local = params.local();
    LocalSettings out = {{"LocalTexture", local.texture}, {"LocalClarity2012", local.clarity}};
    if (params.sharpness > 0) out.emplace_back("LocalSharpness", local.sharpness);
    return out;
}

std::string correction(const std::vector<SkinRegion>& regions, std::int64_t amount, const SkinParams& params) {
    return BrushMask::xml(name, maskName, regions, static_cast<double>(amount) / 100.0, locals(params));
}

}  // namespace orvane::SkinMask

#include "core/masks/subject_mask.h"

namespace orvane::SubjectMask {

const LocalSettings& locals() {
    static const LocalSettings table = {{"LocalExposure2012", 0.0}};
    return table;
}

std::string correction(const std::vector<SkinRegion>& regions, std::int64_t amount) {
    return BrushMask::xml(name, maskName, regions, static_cast<double>(amount) / 100.0, locals());
}

}  // namespace orvane::SubjectMask

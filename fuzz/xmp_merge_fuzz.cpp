// Merging develop settings into an existing sidecar. The input is "<preset>\0<sidecar>"; without a NUL
// byte the whole input is the sidecar and the neutral preset is merged into it. The input's length picks
// the mask request (none, a teeth mask, removing ours). What merged once must merge again.
#include <cstdint>
#include <optional>

#include "core/masks/teeth_mask.h"
#include "core/xmp/develop_preset.h"
#include "core/xmp/xmp_merge.h"
#include "fuzz/fuzz_support.h"

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzz::text(data, size);
    const auto nul = input.find('\0');
    const std::string_view presetText = nul == std::string_view::npos ? DevelopPreset::neutralXMP() : input.substr(0, nul);
    const std::string_view existing = nul == std::string_view::npos ? input : input.substr(nul + 1);

    std::optional<DevelopPreset> preset;
    try {
        preset = DevelopPreset::parse(presetText, "fuzz.xmp");
    } catch (const PresetReadError&) {
        return 0;
    }

    TeethRegion teeth;
    teeth.dabs = {{0.4, 0.5}, {0.41, 0.5}};
    const TeethMask::Spec set = TeethMask::Spec::set({teeth}, 40), remove = TeethMask::Spec::remove();
    const TeethMask::Spec* masks = size % 3 == 1 ? &set : size % 3 == 2 ? &remove : nullptr;

    std::string once;
    try {
        once = preset->merged(existing, 0.5, 5200, 3.0, {{"Clarity2012", 10}}, {}, masks, {});
    } catch (const MergeError&) {
        return 0;
    }
    (void)preset->merged(once, -0.25, 6100, std::nullopt, {}, {}, masks, {});
    return 0;
}

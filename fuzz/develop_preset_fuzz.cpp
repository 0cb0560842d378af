// Reading a develop preset (or a sidecar read as one) and everything derived from it: the tone curves,
// the resolved settings of a photo and a new sidecar written from it, which must read back as XML.
#include <cstdint>

#include "core/masks/teeth_mask.h"
#include "core/xmp/develop_preset.h"
#include "fuzz/fuzz_support.h"

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzz::text(data, size);
    (void)DevelopPreset::hasForeignData(input);
    try {
        const DevelopPreset preset = DevelopPreset::parse(input, "fuzz.xmp");
        (void)preset.toneCurves();
        (void)preset.resolvedAttributes(0.75, 4800, -4.0, {{"Texture", 120}}, {{"Extra", "1"}}, {"Sharpness"});
        TeethRegion teeth;
        teeth.dabs = {{0.2, 0.3}};
        const TeethMask::Spec masks = TeethMask::Spec::set({teeth}, 25);
        const std::string text = preset.sidecar(0.75, 4800, -4.0, {}, {}, size % 2 ? &masks : nullptr, {});
        (void)DevelopPreset::parse(text, "again.xmp");
    } catch (const PresetReadError&) {
    }
    return 0;
}

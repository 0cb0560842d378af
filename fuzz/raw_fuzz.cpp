// The raw readers on arbitrary files: the full decode, the embedded preview and the smart-preview
// decoder (the input's length picks one, as each decode is slow), then the as-shot white balance.
#include <cstdint>

#include "core/photo/embedded_preview.h"
#include "core/photo/raw_image.h"
#include "core/photo/smart_preview.h"
#include "fuzz/fuzz_support.h"

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto file = fuzz::inputFile(data, size, size % 3 == 2 ? "r.lrdata/1/1ABC/1ABC.dng" : "r.dng");
    try {
        switch (size % 3) {
            case 0: (void)loadRaw(file, size % 2 == 0); break;
            case 1: (void)EmbeddedPreview::load(file, 256); break;
            default: (void)SmartPreview::load(file, 0.5f); break;
        }
    } catch (const RawError&) {
    }
    try {
        (void)readAsShot(file);
    } catch (const RawError&) {
    }
    (void)readISO(file);
    (void)readFlip(file);
    return 0;
}

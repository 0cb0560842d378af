// The DNG header reader, the check of its counted blocks that runs before decoding, and what the
// smart-preview reader answers from it, without decoding.
#include <cstdint>

#include "core/photo/dng_header.h"
#include "core/photo/raw_image.h"
#include "core/photo/smart_preview.h"
#include "fuzz/fuzz_support.h"

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto file = fuzz::inputFile(data, size, "h.lrdata/1/1ABC/1ABC.dng");
    if (auto h = readDngHeader(file)) (void)asShotOf(*h);
    (void)SmartPreview::header(file);
    (void)SmartPreview::asShot(file);
    try {
        requireDngBlocksWithinFile(file);
    } catch (const RawError&) {
    }
    return 0;
}

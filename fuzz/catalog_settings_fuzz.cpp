// A catalog's develop settings text (a Lua table read line by line) turned into a photo record.
#include <cstdint>

#include "core/catalog/catalog.h"
#include "fuzz/fuzz_support.h"

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::text(data, size);
    (void)Catalog::photo("/Photos/IMG_0001.CR3", text, std::string("ABCD-1234"), std::string("2024-05-01T10:00:00"));
    (void)Catalog::whiteBalance(text);
    (void)Catalog::isBlackAndWhite(text);
    return 0;
}

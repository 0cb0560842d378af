// A develop-history step as a catalog stores it (a big-endian length, then a zlib stream): the oldest
// one becomes the photo's before-settings text.
#include <unicode/utf8.h>

#include <cstdint>
#include <string>

#include "core/catalog/before_settings.h"
#include "fuzz/fuzz_support.h"

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto blob = fuzz::text(data, size);
    const auto text = CatalogWriter::inflateHistory(blob);
    if (!text) return 0;
    // A decoded text is whole, no longer than its stated length allows, and valid UTF-8.
    const std::uint32_t stated = std::uint32_t(data[0]) << 24 | std::uint32_t(data[1]) << 16 |
                                 std::uint32_t(data[2]) << 8 | std::uint32_t(data[3]);
    if (text->empty() || text->size() > 3 * (std::size_t(stated) + 64)) __builtin_trap();
    const auto* s = reinterpret_cast<const std::uint8_t*>(text->data());
    const auto n = static_cast<std::int32_t>(text->size());
    for (std::int32_t i = 0; i < n;) {
        UChar32 c;
        U8_NEXT(s, i, n, c);
        if (c < 0) __builtin_trap();
    }
    return 0;
}

// Reading a catalog file: the input is written as a .lrcat and read the way a user's catalog is
// (immutable, read-only).
#include <cstdint>

#include "core/catalog/catalog.h"
#include "fuzz/fuzz_support.h"

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto file = fuzz::inputFile(data, size, "c.lrcat");
    try {
        (void)Catalog::read(file, true);
    } catch (const CatalogError&) {
    }
    return 0;
}

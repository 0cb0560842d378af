// Develop-settings texts come from a photographer's catalog: parse, merge and split whatever arrives.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/catalog/settings_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    namespace CatalogWriter = orvane::CatalogWriter;
    using CatalogWriter::entries;
    using CatalogWriter::render;
    if (const auto table = entries(text)) {
        // Whatever was accepted renders to a text that is accepted again with the same entries.
        const auto again = entries(render(*table));
        if (!again || again->size() != table->size()) __builtin_trap();
    }
    const auto remove = orvane::TeethMask::Spec::remove();
    (void)CatalogWriter::merge(text, {{"Exposure2012", "+0.35"}, {"WhiteBalance", "Custom"}}, {{"ToneCurvePV2012", {{0, 0}, {255, 255}}}},
                remove);
    (void)CatalogWriter::splitTopLevel(text);
    (void)CatalogWriter::luaValue(text, std::nullopt);
    return 0;
}

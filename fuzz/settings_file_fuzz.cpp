// A settings file chosen by the user, imported into an empty store. Whatever the file holds, every
// value the import stores passes its key's checks, and exporting the store gives a file that imports
// to the same values.
#include <cstdint>

#include "app/settings/settings_file.h"
#include "fuzz/fuzz_support.h"

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FileDefaults store;
    settings::importSettings(store, std::string(fuzz::text(data, size)));
    for (const auto& entry : DefaultsKeys::settings())
        if (auto v = store.value(entry.key); v && !settings::refusalReason(entry.key, *v).empty()) __builtin_trap();
    FileDefaults again;
    settings::importSettings(again, settings::exportSettings(store));
    if (settings::exportSettings(again) != settings::exportSettings(store)) __builtin_trap();
    return 0;
}

#pragma once
#include <string>
#include <vector>

namespace orvane::PresetKeys {

// A develop setting beyond temperature, tint and exposure that users see, tune and override.
struct Entry {
    std::string title;  // shown to users
    std::string key;    // Lightroom Classic develop-setting key
};

// The ten settings in the order they are shown.
const std::vector<Entry>& all();

}  // namespace orvane::PresetKeys

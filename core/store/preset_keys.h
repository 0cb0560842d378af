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

// The ten further develop settings the style models learn, in the order that governs model columns,
// presets and a catalog photo's extras. It lives here, below the catalog reader that fills extras in
// this order; the rest of Model is in core/style/model.h.
namespace orvane::Model {
const std::vector<std::string>& extraKeys();
}  // namespace orvane::Model

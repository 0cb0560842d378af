#pragma once
// Creating profiles from develop presets: the profile record reads a preset's own name through the
// develop-preset reader, which lives in this layer.
#include <filesystem>
#include <optional>
#include <string>

#include "core/style/profile.h"

namespace orvane::ProfilePresets {

// The preset's own name (its Name entry, else the file's base name); throws the reader's error.
std::string name(const std::filesystem::path& preset);

// Profile::create and Profile::createInstant with the develop-preset reader.
Profile create(const std::string& name, const std::filesystem::path& preset,
               const std::optional<std::string>& presetName = std::nullopt);
Profile createInstant(const std::string& name, const std::filesystem::path& preset,
                      const std::filesystem::path& baseModel);

}  // namespace orvane::ProfilePresets

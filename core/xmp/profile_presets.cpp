#include "core/xmp/profile_presets.h"

#include "core/xmp/develop_preset.h"

namespace orvane::ProfilePresets {

std::string name(const std::filesystem::path& preset) { return DevelopPreset::load(preset).name(); }

Profile create(const std::string& profileName, const std::filesystem::path& preset,
               const std::optional<std::string>& presetName) {
    return Profile::create(profileName, preset, presetName, &ProfilePresets::name);
}

Profile createInstant(const std::string& profileName, const std::filesystem::path& preset,
                      const std::filesystem::path& baseModel) {
    return Profile::createInstant(profileName, preset, baseModel, &ProfilePresets::name);
}

}  // namespace orvane::ProfilePresets

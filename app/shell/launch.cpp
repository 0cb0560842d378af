#include "app/shell/launch.h"

#include <cstring>

#include "app/kit/palette.h"

namespace orvane::shell {

namespace {
int albastruIndex() {
    for (std::size_t i = 0; i < kit::accentPalette.size(); ++i)
        if (std::strcmp(kit::accentPalette[i].name, "Albastru") == 0) return int(i);
    return 0;
}
}  // namespace

void ensureLanguage(Defaults& defaults) {
    if (!defaults.textValue("language")) defaults.set("language", "ro");
}

void migrateSettings(Defaults& defaults) {
    if (!defaults.boolValue("defaultsClassicAuto").value_or(false)) {
        defaults.set("style", "glass");
        defaults.set("appearance", "auto");
        defaults.set("accentIndex", albastruIndex());
        defaults.set("defaultsClassicAuto", true);
    }
    if (!defaults.boolValue("defaultsDayNightV1").value_or(false)) {
        defaults.set("style", "glass");
        for (const char* legacy : {"backdropIntensity", "cardTransparency", "backdropLevel"}) defaults.remove(legacy);
        defaults.set("defaultsDayNightV1", true);
    }
}

void prepareSettings(Defaults& defaults) {
    ensureLanguage(defaults);
    migrateSettings(defaults);
}

}  // namespace orvane::shell

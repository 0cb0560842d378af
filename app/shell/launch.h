#pragma once
// What the application does with the stored settings before its first window: the default language
// and the two one-time migrations of the look settings.
#include "core/base/defaults.h"

namespace orvane::shell {

// "language" becomes "ro" when it holds no text; any stored text is left alone.
void ensureLanguage(Defaults& defaults);

// First migration, once per user ("defaultsClassicAuto"): glass style, automatic appearance, the
// "Albastru" accent. Second ("defaultsDayNightV1"): glass style and the legacy single-scheme keys
// removed. Each runs on its own flag, in this order.
void migrateSettings(Defaults& defaults);

// Both of the above, in launch order.
void prepareSettings(Defaults& defaults);

}  // namespace orvane::shell

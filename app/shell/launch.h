#pragma once
// What the application does with the stored settings before its first window: the default language
// and the two one-time migrations of the look settings.
#include <QString>

#include "app/kit/centered_alert.h"
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

// Whether a windowing system can be reached: a Qt platform chosen by name, or an X11 or Wayland display.
bool displayAvailable();

// A launch that cannot go on: "OrvaneStudio: <cause>" on standard error and, when the application has
// its widgets (a display), the kit alert "Vendrel nu poate porni" with the cause and "Închide".
// `runner` replaces running the alert (tests). The caller then exits with status 1.
void reportStartupFailure(const QString& cause, const kit::AlertRunner& runner = {});
inline constexpr const char* startupFailureTitle = "Vendrel nu poate porni";

}  // namespace orvane::shell

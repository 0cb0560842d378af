#include "app/shell/launch.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

#include "app/kit/app_style.h"
#include "app/kit/fonts.h"
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

bool displayAvailable() {
    for (const char* variable : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        if (!qEnvironmentVariableIsEmpty(variable)) return true;
    return false;
}

void reportStartupFailure(const QString& cause, const kit::AlertRunner& runner) {
    std::fprintf(stderr, "OrvaneStudio: %s\n", qPrintable(cause));
    std::fflush(stderr);
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
    kit::installUiFont();
    kit::installApplicationStyle();
    kit::CenteredAlert alert(QString::fromUtf8(startupFailureTitle), cause);
    alert.addChoice(QString::fromUtf8("Închide"));
    if (runner)
        runner(alert);
    else
        alert.runCentered();
}

}  // namespace orvane::shell

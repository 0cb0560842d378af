#include "app/model/app_version.h"

#include <QCoreApplication>
#include <QVariant>

namespace orvane::model {

QString currentShortVersion() {
    const QString version = QCoreApplication::applicationVersion();
    return version.isEmpty() ? QStringLiteral("dev") : version;
}

QString currentBuildNumber() {
    const QCoreApplication* app = QCoreApplication::instance();
    const QString build = app ? app->property("buildNumber").toString() : QString();
    return build.isEmpty() ? QStringLiteral("0") : build;
}

QString appVersionText() { return QCoreApplication::translate("AppVersion", "Versiunea %1").arg(currentShortVersion()); }

}  // namespace orvane::model

#include "app/model/app_version.h"

#include <QCoreApplication>

namespace orvane::model {

QString currentShortVersion() {
    const QString version = QCoreApplication::applicationVersion();
    return version.isEmpty() ? QStringLiteral("dev") : version;
}

QString appVersionText() { return QCoreApplication::translate("AppVersion", "Versiunea %1").arg(currentShortVersion()); }

}  // namespace orvane::model

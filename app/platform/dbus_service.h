#pragma once
// Where a D-Bus service answers: the bus, its name, the object path and the interface.
#include <QDBusConnection>
#include <QString>

namespace orvane::platform {

struct DBusService {
    QDBusConnection bus;
    QString name;
    QString path;
    QString interface;
};

}  // namespace orvane::platform

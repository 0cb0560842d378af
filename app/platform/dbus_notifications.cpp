#include "app/platform/dbus_notifications.h"

#include <QApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QStringList>
#include <QVariantMap>
#include <QWidget>

namespace orvane::platform {

DBusNotificationCenter::Service DBusNotificationCenter::sessionService() {
    return {QDBusConnection::sessionBus(), "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
            "org.freedesktop.Notifications"};
}

DBusNotificationCenter::DBusNotificationCenter(Service service, int timeoutMs)
    : service_(std::move(service)), timeoutMs_(timeoutMs) {}

void DBusNotificationCenter::authorization(std::function<void(Authorization)> done) {
    if (!service_.bus.isConnected()) {
        done(Authorization::notDetermined);
        return;
    }
    const auto message =
        QDBusMessage::createMethodCall(service_.name, service_.path, service_.interface, "GetServerInformation");
    // Asked without blocking: a service that is being started on demand may take a while to answer.
    auto* watcher = new QDBusPendingCallWatcher(service_.bus.asyncCall(message, timeoutMs_));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                     [done = std::move(done)](QDBusPendingCallWatcher* w) {
                         done(w->isError() ? Authorization::notDetermined : Authorization::authorized);
                         w->deleteLater();
                     });
}

void DBusNotificationCenter::add(const Request& request) {
    if (!service_.bus.isConnected()) return;
    auto message = QDBusMessage::createMethodCall(service_.name, service_.path, service_.interface, "Notify");
    QVariantMap hints;
    if (request.sound) hints.insert("sound-name", QString("complete"));
    message << QString(applicationName) << uint(0) << QString() << QString::fromStdString(request.title)
            << QString::fromStdString(request.body) << QStringList() << hints << int(-1);
    // Nothing waits for the answer: a failure is not observed.
    service_.bus.send(message);
}

void WidgetAttention::beep() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) QApplication::beep();
}

void WidgetAttention::requestAttention() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible()) QApplication::alert(window, 0);
    }
}

}  // namespace orvane::platform

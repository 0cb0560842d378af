#pragma once
// Desktop notifications over D-Bus (org.freedesktop.Notifications), and the fallback of the widget
// toolkit's beep and its urgency hint on every top-level window.
#include <QDBusConnection>
#include <QString>

#include "app/platform/dbus_service.h"
#include "app/platform/notifications.h"

namespace orvane::platform {

class DBusNotificationCenter final : public NotificationCenter {
public:
    using Service = DBusService;
    // org.freedesktop.Notifications on the session bus.
    static Service sessionService();
    static constexpr const char* applicationName = "Vendrel";

    // The authorization check waits at most `timeoutMs` for the service's answer, without blocking:
    // the answer comes through the calling thread's event loop.
    explicit DBusNotificationCenter(Service service = sessionService(), int timeoutMs = 1500);

    // Authorized when the service answers GetServerInformation; not determined otherwise.
    void authorization(std::function<void(Authorization)> done) override;
    void add(const Request& request) override;

private:
    Service service_;
    int timeoutMs_;
};

// QApplication's beep and alert; does nothing in a program without a widget application.
class WidgetAttention final : public Attention {
public:
    void beep() override;
    void requestAttention() override;
};

}  // namespace orvane::platform

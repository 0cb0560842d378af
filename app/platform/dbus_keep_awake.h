#pragma once
// Keep-awake over D-Bus: a login1 "idle:sleep" inhibitor (the descriptor it hands back is the token;
// closing it ends the inhibition), else the session's screen-saver inhibition, else nothing.
#include <QDBusConnection>
#include <QString>

#include <optional>

#include "app/platform/dbus_service.h"
#include "app/platform/keep_awake.h"

namespace orvane::platform {

class DBusKeepAwake final : public KeepAwake {
public:
    // Where one of the two services answers.
    using Service = DBusService;
    // org.freedesktop.login1 on the system bus.
    static Service login1();
    // org.freedesktop.ScreenSaver on the session bus.
    static Service screenSaver();

    // Each call waits at most `timeoutMs` for its answer: the check runs on the interface thread.
    explicit DBusKeepAwake(std::optional<Service> login1 = DBusKeepAwake::login1(),
                           std::optional<Service> screenSaver = DBusKeepAwake::screenSaver(), int timeoutMs = 1500);

    std::unique_ptr<Token> begin(const std::string& reason) override;

    // The inhibitor's "who".
    static constexpr const char* applicationName = "Vendrel";

private:
    std::unique_ptr<Token> beginLogin1(const QString& reason) const;
    std::unique_ptr<Token> beginScreenSaver(const QString& reason) const;

    std::optional<Service> login1_;
    std::optional<Service> screenSaver_;
    int timeoutMs_;
};

}  // namespace orvane::platform

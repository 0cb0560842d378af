#include "app/platform/dbus_keep_awake.h"

#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QVariant>

namespace orvane::platform {

namespace {

// Holding the descriptor login1 handed out keeps the inhibitor; its destructor closes it.
class DescriptorToken final : public KeepAwake::Token {
public:
    explicit DescriptorToken(QDBusUnixFileDescriptor fd) : fd_(std::move(fd)) {}

private:
    QDBusUnixFileDescriptor fd_;
};

// A screen-saver inhibition lasts until it is withdrawn by its cookie on the same connection (or the
// connection closes).
class CookieToken final : public KeepAwake::Token {
public:
    CookieToken(DBusKeepAwake::Service service, uint cookie) : service_(std::move(service)), cookie_(cookie) {}
    ~CookieToken() override {
        auto message = QDBusMessage::createMethodCall(service_.name, service_.path, service_.interface, "UnInhibit");
        message << cookie_;
        // Nothing waits for the answer: the inhibition is gone either way once the call arrives.
        service_.bus.send(message);
    }

private:
    DBusKeepAwake::Service service_;
    uint cookie_;
};

}  // namespace

DBusKeepAwake::Service DBusKeepAwake::login1() {
    return {QDBusConnection::systemBus(), "org.freedesktop.login1", "/org/freedesktop/login1",
            "org.freedesktop.login1.Manager"};
}

DBusKeepAwake::Service DBusKeepAwake::screenSaver() {
    return {QDBusConnection::sessionBus(), "org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
            "org.freedesktop.ScreenSaver"};
}

DBusKeepAwake::DBusKeepAwake(std::optional<Service> login1, std::optional<Service> screenSaver, int timeoutMs)
    : login1_(std::move(login1)), screenSaver_(std::move(screenSaver)), timeoutMs_(timeoutMs) {}

std::unique_ptr<KeepAwake::Token> DBusKeepAwake::begin(const std::string& reason) {
    const QString why = QString::fromStdString(reason);
    if (auto token = beginLogin1(why)) return token;
    return beginScreenSaver(why);
}

std::unique_ptr<KeepAwake::Token> DBusKeepAwake::beginLogin1(const QString& reason) const {
    if (!login1_ || !login1_->bus.isConnected()) return nullptr;
    auto message = QDBusMessage::createMethodCall(login1_->name, login1_->path, login1_->interface, "Inhibit");
    message << QString("idle:sleep") << QString(applicationName) << reason << QString("block");
    const QDBusMessage reply = login1_->bus.call(message, QDBus::Block, timeoutMs_);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) return nullptr;
    const auto fd = reply.arguments().constFirst().value<QDBusUnixFileDescriptor>();
    if (!fd.isValid()) return nullptr;
    return std::make_unique<DescriptorToken>(fd);
}

std::unique_ptr<KeepAwake::Token> DBusKeepAwake::beginScreenSaver(const QString& reason) const {
    if (!screenSaver_ || !screenSaver_->bus.isConnected()) return nullptr;
    auto message =
        QDBusMessage::createMethodCall(screenSaver_->name, screenSaver_->path, screenSaver_->interface, "Inhibit");
    message << QString(applicationName) << reason;
    const QDBusMessage reply = screenSaver_->bus.call(message, QDBus::Block, timeoutMs_);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) return nullptr;
    bool ok = false;
    const uint cookie = reply.arguments().constFirst().toUInt(&ok);
    if (!ok) return nullptr;
    return std::make_unique<CookieToken>(*screenSaver_, cookie);
}

}  // namespace orvane::platform

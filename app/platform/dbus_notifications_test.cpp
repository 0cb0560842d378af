#include "app/platform/dbus_notifications.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QEventLoop>
#include <QDBusVariant>
#include <QObject>
#include <QThread>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "app/platform/linux_machine_info.h"
#include "app/testing/stand_in_bus.h"
#include "testing/temp_dir.h"

using orvane::platform::DBusNotificationCenter;
using orvane::platform::LinuxMachineInfo;
using Authorization = orvane::platform::NotificationCenter::Authorization;

namespace {

constexpr const char* kNotificationsName = "org.orvane.test.Notifications";
constexpr const char* kPowerName = "org.orvane.test.PowerProfiles";

// A notification server that records every Notify call.
class RecordingNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call {
        QString app, icon, summary, body;
        uint replaces;
        QStringList actions;
        QVariantMap hints;
        int timeout;
    };
    std::vector<Call> calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }

public slots:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap& hints, int timeout) {
        std::lock_guard lock(mutex_);
        calls_.push_back({app, icon, summary, body, replaces, actions, hints, timeout});
        return static_cast<uint>(calls_.size());
    }
    QString GetServerInformation(QString& vendor, QString& version, QString& spec) {
        vendor = "test";
        version = "1";
        spec = "1.2";
        return "recorder";
    }

private:
    mutable std::mutex mutex_;
    std::vector<Call> calls_;
};

// power-profiles-daemon's one property that matters here.
class FakePowerProfiles : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "net.hadess.PowerProfiles")
    Q_PROPERTY(QString ActiveProfile READ activeProfile)
public:
    QString activeProfile() const {
        std::lock_guard lock(mutex_);
        return profile_;
    }
    void setProfile(const QString& p) {
        std::lock_guard lock(mutex_);
        profile_ = p;
    }

private:
    mutable std::mutex mutex_;
    QString profile_ = "balanced";
};

class NotificationStandIns : public orvane::testing::StandInBus {
protected:
    void offerServer() { offer(server_, kNotificationsName, "/org/freedesktop/Notifications"); }
    void offerPower() {
        offer(power_, kPowerName, "/net/hadess/PowerProfiles", QDBusConnection::ExportAllProperties);
    }
    static DBusNotificationCenter::Service service() {
        return {QDBusConnection::sessionBus(), kNotificationsName, "/org/freedesktop/Notifications",
                "org.freedesktop.Notifications"};
    }
    static std::optional<Authorization> authorizationOf(DBusNotificationCenter& center) {
        auto out = std::make_shared<std::optional<Authorization>>();
        center.authorization([out](Authorization a) { *out = a; });
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!*out && std::chrono::steady_clock::now() < until) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return *out;
    }

    RecordingNotifications server_;
    FakePowerProfiles power_;
};

}  // namespace

TEST_F(NotificationStandIns, aServiceThatAnswersIsAuthorizedAndGetsTheNotification) {
    offerServer();
    DBusNotificationCenter center(service());
    EXPECT_EQ(authorizationOf(center), Authorization::authorized);
    center.add({"id-1", "Nuntă", "Editarea s-a terminat: 12 fotografii.", true});
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (server_.calls().empty() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const auto calls = server_.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].app, "Vendrel");
    EXPECT_EQ(calls[0].summary, QString::fromUtf8("Nuntă"));
    EXPECT_EQ(calls[0].body, QString::fromUtf8("Editarea s-a terminat: 12 fotografii."));
    EXPECT_EQ(calls[0].replaces, 0u);
    EXPECT_EQ(calls[0].timeout, -1);
    EXPECT_TRUE(calls[0].hints.contains("sound-name"));
}

TEST_F(NotificationStandIns, noServiceMeansNotDetermined) {
    DBusNotificationCenter center(service(), 500);
    EXPECT_EQ(authorizationOf(center), Authorization::notDetermined);
    center.add({"id-1", "Nuntă", "text", true});  // goes nowhere, quietly
}

TEST_F(NotificationStandIns, powerSaverFromPowerProfilesDaemon) {
    offerPower();
    orvane::testing::TempDir root;  // no platform profile
    LinuxMachineInfo machine(root.path(),
                             LinuxMachineInfo::PowerProfiles{QDBusConnection::sessionBus(), kPowerName,
                                                             "/net/hadess/PowerProfiles", "net.hadess.PowerProfiles"},
                             std::uint64_t{8} << 30, 8);
    EXPECT_FALSE(machine.lowPowerMode());
    power_.setProfile("power-saver");
    EXPECT_TRUE(machine.lowPowerMode());
}

#include "dbus_notifications_test.moc"

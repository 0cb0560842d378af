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

// Nobody answers here; a recording server answers in the model's test of a finished job.
constexpr const char* kNotificationsName = "org.orvane.test.Notifications";
constexpr const char* kPowerName = "org.orvane.test.PowerProfiles";

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

    FakePowerProfiles power_;
};

}  // namespace

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

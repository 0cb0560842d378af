#include "app/platform/dbus_keep_awake.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QThread>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "app/testing/stand_in_bus.h"

using orvane::platform::DBusKeepAwake;

namespace {

constexpr const char* kLogin1Name = "org.orvane.test.Login1";
constexpr const char* kScreenSaverName = "org.orvane.test.ScreenSaver";

// Stands in for login1's manager: every Inhibit hands out the write end of a fresh pipe and keeps the
// read end, which reaches end-of-file once every copy of the write end is closed.
class FakeLogin1 : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    struct Call {
        QString what, who, why, mode;
        int readEnd;
    };
    ~FakeLogin1() override {
        for (auto& c : calls_) ::close(c.readEnd);
    }
    std::vector<Call> calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why, const QString& mode) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return {};
        {
            std::lock_guard lock(mutex_);
            calls_.push_back({what, who, why, mode, fds[0]});
        }
        QDBusUnixFileDescriptor out(fds[1]);  // holds a copy of its own
        ::close(fds[1]);
        return out;
    }

private:
    mutable std::mutex mutex_;
    std::vector<Call> calls_;
};

class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    std::vector<QString> reasons() const {
        std::lock_guard lock(mutex_);
        return reasons_;
    }
    std::vector<uint> released() const {
        std::lock_guard lock(mutex_);
        return released_;
    }

public slots:
    uint Inhibit(const QString&, const QString& reason) {
        std::lock_guard lock(mutex_);
        reasons_.push_back(reason);
        return 40 + static_cast<uint>(reasons_.size());
    }
    void UnInhibit(uint cookie) {
        std::lock_guard lock(mutex_);
        released_.push_back(cookie);
    }

private:
    mutable std::mutex mutex_;
    std::vector<QString> reasons_;
    std::vector<uint> released_;
};

class StandIns : public orvane::testing::StandInBus {
protected:
    void offerLogin1() { offer(login1_, kLogin1Name, "/org/freedesktop/login1"); }
    void offerScreenSaver() { offer(screenSaver_, kScreenSaverName, "/org/freedesktop/ScreenSaver"); }
    static DBusKeepAwake::Service login1() {
        return {QDBusConnection::sessionBus(), kLogin1Name, "/org/freedesktop/login1", "org.freedesktop.login1.Manager"};
    }
    static DBusKeepAwake::Service screenSaver() {
        return {QDBusConnection::sessionBus(), kScreenSaverName, "/org/freedesktop/ScreenSaver",
                "org.freedesktop.ScreenSaver"};
    }

    FakeLogin1 login1_;
    FakeScreenSaver screenSaver_;
};

// The pipe's read end has reached end-of-file: no write end is open any more.
bool released(int readEnd, std::chrono::milliseconds within) {
    const auto until = std::chrono::steady_clock::now() + within;
    do {
        pollfd p{readEnd, POLLIN, 0};
        if (::poll(&p, 1, 50) > 0 && (p.revents & (POLLHUP | POLLIN))) {
            char byte;
            if (::read(readEnd, &byte, 1) == 0) return true;
        }
    } while (std::chrono::steady_clock::now() < until);
    return false;
}

}  // namespace

TEST_F(StandIns, login1InhibitorIsHeldByItsDescriptorAndReleasedWithTheToken) {
    offerLogin1();
    offerScreenSaver();
    DBusKeepAwake keepAwake(login1(), screenSaver());
    auto token = keepAwake.begin("Vendrel procesează fotografii");
    ASSERT_NE(token, nullptr);
    const auto calls = login1_.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].what, "idle:sleep");
    EXPECT_EQ(calls[0].who, "Vendrel");
    EXPECT_EQ(calls[0].why, QString::fromUtf8("Vendrel procesează fotografii"));
    EXPECT_EQ(calls[0].mode, "block");
    EXPECT_TRUE(screenSaver_.reasons().empty());  // login1 answered: no fallback

    EXPECT_FALSE(released(calls[0].readEnd, std::chrono::milliseconds(200)));  // held
    token.reset();
    EXPECT_TRUE(released(calls[0].readEnd, std::chrono::seconds(5)));
}

TEST_F(StandIns, withoutLogin1TheScreenSaverIsInhibitedAndWithdrawnByCookie) {
    offerScreenSaver();
    DBusKeepAwake keepAwake(login1(), screenSaver(), 500);
    auto token = keepAwake.begin("motiv");
    ASSERT_NE(token, nullptr);
    EXPECT_EQ(screenSaver_.reasons(), std::vector<QString>{"motiv"});
    token.reset();
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (screenSaver_.released().empty() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(screenSaver_.released(), std::vector<uint>{41});
}

TEST_F(StandIns, withNeitherServiceNothingIsHeld) {
    DBusKeepAwake keepAwake(login1(), screenSaver(), 500);
    EXPECT_EQ(keepAwake.begin("motiv"), nullptr);
    DBusKeepAwake none(std::nullopt, std::nullopt);
    EXPECT_EQ(none.begin("motiv"), nullptr);
}

TEST(DBusKeepAwake, realLogin1GrantsAnInhibitor) {
    auto system = QDBusConnection::systemBus();
    if (!system.isConnected()) GTEST_SKIP() << "no system bus here, so no login1 to ask";
    if (!system.interface()->isServiceRegistered("org.freedesktop.login1"))
        GTEST_SKIP() << "the system bus has no org.freedesktop.login1";
    DBusKeepAwake keepAwake(DBusKeepAwake::login1(), std::nullopt);
    auto token = keepAwake.begin("Vendrel: test");
    if (!token) GTEST_SKIP() << "login1 is present but refused an idle:sleep inhibitor to this user";
    SUCCEED();
}

#include "dbus_keep_awake_test.moc"

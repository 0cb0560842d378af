#pragma once
// Test support for D-Bus clients: stand-in services answer on a session-bus connection and a thread
// of their own, so the blocking calls of the code under test are answered while the test's thread
// waits. The tests run under dbus-run-session; without a session bus they skip and say why.
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace orvane::testing {

class StandInBus : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "no session bus: these tests run under dbus-run-session (package dbus-daemon)";
        bus_ = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(QDBusConnection::SessionBus, kName));
        ASSERT_TRUE(bus_->isConnected());
        thread_.start();
    }
    void TearDown() override {
        if (bus_) {
            for (const auto& [name, path] : offered_) {
                bus_->unregisterService(name);
                bus_->unregisterObject(path);
            }
            bus_.reset();
            QDBusConnection::disconnectFromBus(kName);
        }
        thread_.quit();
        thread_.wait();
    }
    // Moves the stand-in to the answering thread and offers it under `name` at `path`.
    void offer(QObject& standIn, const QString& name, const QString& path,
               QDBusConnection::RegisterOptions options = QDBusConnection::ExportAllSlots) {
        standIn.moveToThread(&thread_);
        ASSERT_TRUE(bus_->registerObject(path, &standIn, options));
        ASSERT_TRUE(bus_->registerService(name));
        offered_.emplace_back(name, path);
    }

private:
    static constexpr const char* kName = "stand-ins";
    std::unique_ptr<QDBusConnection> bus_;
    QThread thread_;
    std::vector<std::pair<QString, QString>> offered_;
};

}  // namespace orvane::testing

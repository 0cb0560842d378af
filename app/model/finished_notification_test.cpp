// A finished job announced through a real D-Bus call, to a notification server that records it.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QEventLoop>
#include <QObject>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "app/model/app_model.h"
#include "app/platform/dbus_notifications.h"
#include "app/testing/stand_in_bus.h"
#include "testing/concurrency.h"
#include "testing/job_fixtures.h"

using namespace orvane;
using namespace orvane::model;
using namespace orvane::testing;

namespace {

constexpr const char* kServerName = "org.orvane.test.FinishedNotifications";

class Recorder : public QObject {
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

class FinishedNotification : public StandInBus {
protected:
    Recorder recorder_;
};

struct NoAttention final : platform::Attention {
    int calls = 0;
    void beep() override { ++calls; }
    void requestAttention() override { ++calls; }
};

}  // namespace

TEST_F(FinishedNotification, aFinishedJobIsAnnouncedToTheSessionsNotificationServer) {
    offer(recorder_, kServerName, "/org/freedesktop/Notifications");
    freshDataDir();
    auto main = std::make_shared<ManualExecutor>();
    AppModel model(main, std::make_shared<FileDefaults>(), nullptr);
    auto attention = std::make_shared<NoAttention>();
    model.setNotifications(std::make_shared<platform::DBusNotificationCenter>(platform::DBusService{
                               QDBusConnection::sessionBus(), kServerName, "/org/freedesktop/Notifications",
                               "org.freedesktop.Notifications"}),
                           attention);
    auto job = Job::make(main, projectWith(3, 0, 0, "Nuntă Ana"), 2, false,
                         Job::FileProcess([](const std::filesystem::path& f) { return resultFor(f); }));
    model.registerJob(job);
    model.startJob(job);
    // The authorization's answer arrives through Qt's event loop, the job's work through the manual one.
    ASSERT_TRUE(main->runUntil(
        [&] {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            return !recorder_.calls().empty();
        },
        std::chrono::seconds(10)));
    EXPECT_EQ(job->state(), Job::State::finished);
    const auto calls = recorder_.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].app, "Vendrel");
    EXPECT_EQ(calls[0].summary, QString::fromUtf8("Nuntă Ana"));
    EXPECT_EQ(calls[0].body, QString::fromUtf8("Editarea s-a terminat: 3 fotografii."));
    EXPECT_EQ(calls[0].replaces, 0u);  // a notification of its own, not a replacement
    EXPECT_TRUE(calls[0].actions.isEmpty());
    EXPECT_TRUE(calls[0].hints.contains("sound-name"));
    EXPECT_EQ(calls[0].timeout, -1);  // the server's default
    EXPECT_EQ(attention->calls, 0);
}

#include "finished_notification_test.moc"

#include "app/shell/single_instance.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

#include <csignal>

#include "app/shell/main_window.h"
#include "app/shell/quit_controller.h"
#include "app/shell/shell_fixtures.h"
#include "testing/temp_dir.h"

using namespace orvane;
using namespace orvane::shell;
using namespace std::chrono_literals;

namespace {

// A second launch from another thread: the socket answers only while this thread's loop turns.
SingleInstance::Outcome launchBeside(const std::filesystem::path& dir, const QString& name) {
    std::atomic<bool> done = false;
    SingleInstance::Outcome outcome = SingleInstance::Outcome::failed;
    std::thread second([&] {
        SingleInstance other(dir, name);
        outcome = other.start(3s);
        done = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 10000));
    second.join();
    return outcome;
}

TEST(SingleInstance, aSecondLaunchShowsTheFirstWindowAndDoesNotRun) {
    orvane::testing::TempDir dir;
    const QString name = SingleInstance::defaultServerName(dir.path());
    shell::testing::App app;
    QuitController quit([] {});
    MainWindow window(*app.model, *app.router, quit, [] { return true; });
    SingleInstance first(dir.path(), name);
    ASSERT_EQ(first.start(), SingleInstance::Outcome::primary);
    EXPECT_TRUE(first.canReopen());
    QObject::connect(&first, &SingleInstance::showRequested, &window, &MainWindow::showMainWindow);
    EXPECT_FALSE(window.isVisible());

    EXPECT_EQ(launchBeside(dir.path(), name), SingleInstance::Outcome::handedOver);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(launchBeside(dir.path(), name), SingleInstance::Outcome::handedOver) << "and again";
}

TEST(SingleInstance, theLockGoesWithTheInstanceAndASilentHolderIsNotJoined) {
    orvane::testing::TempDir dir;
    const QString name = SingleInstance::defaultServerName(dir.path());
    {
        SingleInstance first(dir.path(), name);
        ASSERT_EQ(first.start(), SingleInstance::Outcome::primary);
    }
    SingleInstance next(dir.path(), name);
    EXPECT_EQ(next.start(), SingleInstance::Outcome::primary) << "the earlier instance has ended";

    // The holder of the lock does not answer on the socket: the launch fails rather than run twice.
    SingleInstance silent(dir.path(), name + "-other");
    EXPECT_EQ(silent.start(300ms), SingleInstance::Outcome::failed);
    EXPECT_FALSE(silent.errorText().isEmpty());
}

TEST(SingleInstance, namesDifferPerDataFolder) {
    EXPECT_NE(SingleInstance::defaultServerName("/tmp/a"), SingleInstance::defaultServerName("/tmp/b"));
    EXPECT_EQ(SingleInstance::defaultServerName("/tmp/a"), SingleInstance::defaultServerName("/tmp/./a"));
}

// The real program: the first launch runs, a second one hands over and exits, SIGTERM ends the first
// through the quit path; the launch wrote its settings.
TEST(OrvaneStudio, runsOncePerUserAndEndsOnSigterm) {
    orvane::testing::TempDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("ORVANE_DATA_DIR", QString::fromStdString((dir / "data").string()));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString((dir / "config").string()));
    env.insert("XDG_DATA_HOME", QString::fromStdString((dir / "share").string()));
    env.insert("DBUS_SESSION_BUS_ADDRESS", "disabled:");

    QProcess first;
    first.setProcessEnvironment(env);
    first.start(ORVANE_STUDIO_EXE, {});
    ASSERT_TRUE(first.waitForStarted(10000));
    // Up once its window is placed, which comes after it took the lock and listens.
    const auto settings = dir / "config" / "Vendrel" / "defaults.json";
    const auto readSettings = [&] {
        std::ifstream in(settings);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return readSettings().find("window.sizedV1") != std::string::npos; }, 20000));

    QProcess second;
    second.setProcessEnvironment(env);
    second.start(ORVANE_STUDIO_EXE, {});
    ASSERT_TRUE(second.waitForFinished(20000)) << "the second launch must not stay";
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    EXPECT_EQ(first.state(), QProcess::Running);

    ::kill(pid_t(first.processId()), SIGTERM);
    ASSERT_TRUE(first.waitForFinished(20000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);

    const std::string text = readSettings();
    for (const char* key : {"\"language\":\"ro\"", "\"defaultsClassicAuto\":true", "\"defaultsDayNightV1\":true",
                            "\"window.sizedV1\":true"})
        EXPECT_NE(text.find(key), std::string::npos) << key << " in " << text;
}

}  // namespace

#include "app/shell/single_instance.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

#include <csignal>

#include <sys/stat.h>
#include <unistd.h>

#include "app/shell/main_window.h"
#include "app/shell/quit_controller.h"
#include "app/shell/shell_fixtures.h"
#include "testing/temp_dir.h"

using namespace orvane;
using namespace orvane::shell;
using namespace std::chrono_literals;
using orvane::testing::writeText;
namespace fs = std::filesystem;

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
    for (const char* runtime : {static_cast<const char*>(nullptr), "/proc"}) {
        EXPECT_NE(SingleInstance::defaultServerName("/tmp/a", runtime), SingleInstance::defaultServerName("/tmp/b", runtime));
        EXPECT_EQ(SingleInstance::defaultServerName("/tmp/a", runtime), SingleInstance::defaultServerName("/tmp/./a", runtime));
    }
}

// The socket never sits where another user could take its name first: the runtime folder only when
// it is this user's own and closed to others, else a private folder in the data folder.
TEST(SingleInstance, theSocketLivesInAFolderOnlyThisUserCanEnter) {
    orvane::testing::TempDir dir;
    const fs::path data = dir / "data";
    const auto folderOf = [](const QString& name) { return fs::path(name.toStdString()).parent_path(); };
    const auto makeFolder = [&](const char* name, fs::perms perms) {
        fs::create_directories(dir / name);
        fs::permissions(dir / name, perms);
        return (dir / name).string();
    };
    const std::string privateRun = makeFolder("run-private", fs::perms::owner_all);
    const std::string openRun = makeFolder("run-open", fs::perms::owner_all | fs::perms::group_read |
                                                           fs::perms::group_exec | fs::perms::others_read |
                                                           fs::perms::others_exec);
    fs::create_directory_symlink(privateRun, dir / "run-link");
    const std::string linkRun = (dir / "run-link").string();
    std::string foreignRun;
    if (::getuid() == 0) {
        foreignRun = makeFolder("run-foreign", fs::perms::owner_all);
        ASSERT_EQ(::chown(foreignRun.c_str(), 65534, 65534), 0);
    }
    struct Case {
        const char* name;
        const char* runtime;
        fs::path expectedFolder;
    };
    const std::vector<Case> cases = {
        {"a private runtime folder", privateRun.c_str(), privateRun},
        {"no runtime folder", nullptr, data / "run"},
        {"an empty value", "", data / "run"},
        {"a relative path", "run-private", data / "run"},
        {"open to others", openRun.c_str(), data / "run"},
        {"a link to a private folder", linkRun.c_str(), data / "run"},
        {"another user's folder", foreignRun.empty() ? nullptr : foreignRun.c_str(), data / "run"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(folderOf(SingleInstance::defaultServerName(data, c.runtime)), c.expectedFolder) << c.name;

    // The fallback folder is made private, and closed again when it was left open.
    const QString name = SingleInstance::defaultServerName(data, nullptr);
    fs::create_directories(data / "run");
    fs::permissions(data / "run", fs::perms::all);
    {
        SingleInstance first(data, name);
        ASSERT_EQ(first.start(), SingleInstance::Outcome::primary);
        EXPECT_TRUE(first.errorText().isEmpty()) << first.errorText().toStdString();
        EXPECT_TRUE(first.canReopen());
        EXPECT_TRUE(SingleInstance::isPrivateFolder(data / "run"));
        EXPECT_TRUE(fs::is_socket(name.toStdString()));
    }
    // A folder of someone else is never used: the instance runs but cannot be reached again.
    if (::getuid() == 0) {
        ASSERT_EQ(::chown((data / "run").c_str(), 65534, 65534), 0);
        SingleInstance next(data, name);
        EXPECT_EQ(next.start(), SingleInstance::Outcome::primary);
        EXPECT_FALSE(next.canReopen());
        EXPECT_NE(next.errorText().toStdString().find((data / "run").string()), std::string::npos);
    }
}

TEST(SingleInstance, aDataFolderThatCannotBeUsedFailsNamingTheFolder) {
    orvane::testing::TempDir dir;
    struct Case {
        const char* name;
        fs::path data;
        bool skip;
    };
    writeText(dir / "a-file", "");
    fs::create_directories(dir / "closed");
    fs::permissions(dir / "closed", fs::perms::none);
    const Case cases[] = {
        {"a file where the folder should be", dir / "a-file", false},
        {"below a file", dir / "a-file" / "Vendrel", false},
        // Root enters any folder: the closed one is a failure only for everyone else.
        {"a folder closed to its user", dir / "closed", ::getuid() == 0},
    };
    for (const Case& c : cases) {
        if (c.skip) continue;
        SingleInstance instance(c.data, SingleInstance::defaultServerName(c.data, nullptr));
        EXPECT_EQ(instance.start(), SingleInstance::Outcome::failed) << c.name;
        const std::string text = instance.errorText().toStdString();
        EXPECT_NE(text.find(c.data.string()), std::string::npos) << c.name << ": " << text;
        EXPECT_EQ(text.find("blocare"), std::string::npos) << c.name << ": the folder is the cause, not the lock";
    }
    fs::permissions(dir / "closed", fs::perms::owner_all);
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

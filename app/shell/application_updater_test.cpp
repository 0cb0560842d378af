#include "app/shell/application_updater.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "testing/temp_dir.h"
#include "testing/update_fixtures.h"

namespace orvane::shell {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(ApplicationUpdater, TheRunningApplicationsFolderAndVersion) {
    testing::TempDir dir;
    const fs::path folder = dir / "Vendrel.app";
    testing::makeAppFolder(folder, testing::testPki().team, "1.4+12", dir / "marker");
    const auto signed_ = runningApplication(folder / "Contents/bin/vendrel", "0.1.0", "0");
    EXPECT_EQ(signed_.folder, folder);
    EXPECT_EQ(signed_.identifier, testing::testAppIdentifier);
    EXPECT_EQ(signed_.key(), "1.4.12");

    const auto dev = runningApplication(dir / "build/app/OrvaneStudio", "0.1.0", "3");
    EXPECT_TRUE(dev.folder.empty());
    EXPECT_EQ(dev.key(), "0.1.0.3");
}

TEST(ApplicationUpdater, ARelaunchedInstanceWaitsForThePreviousOne) {
    EXPECT_EQ(previousInstance({"OrvaneStudio", "--after-exit=4242"}), 4242);
    EXPECT_EQ(previousInstance({"OrvaneStudio", "--after-exit=1"}), std::nullopt);
    EXPECT_EQ(previousInstance({"OrvaneStudio", "--after-exit=x"}), std::nullopt);
    EXPECT_EQ(previousInstance({"OrvaneStudio"}), std::nullopt);

    const pid_t child = ::fork();
    if (child == 0) {
        ::usleep(300000);
        ::_exit(0);
    }
    EXPECT_FALSE(waitForPreviousInstance(child, 50ms)) << "still running at the deadline";
    EXPECT_TRUE(waitForPreviousInstance(child, 20s));
    ::waitpid(child, nullptr, 0);
}

TEST(ApplicationUpdater, RelaunchStartsTheNewInstanceThenQuits) {
    std::vector<std::string> events;
    QStringList arguments;
    relaunchApplication(
        [&](const QString&, const QStringList& args) {
            events.push_back("start");
            arguments = args;
            return true;
        },
        [&] { events.push_back("quit"); });
    EXPECT_EQ(events, (std::vector<std::string>{"start", "quit"}));
    EXPECT_EQ(previousInstance(arguments), ::getpid());

    events.clear();
    relaunchApplication([&](const QString&, const QStringList&) { return false; }, [&] { events.push_back("quit"); });
    EXPECT_TRUE(events.empty()) << "a failed start keeps the application running";
}

}  // namespace
}  // namespace orvane::shell

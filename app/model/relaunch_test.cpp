#include "app/model/relaunch.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orvane::model {
namespace {

using namespace std::chrono_literals;

TEST(Relaunch, ARelaunchedInstanceWaitsForThePreviousOne) {
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

TEST(Relaunch, RelaunchStartsTheNewInstanceThenQuits) {
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
}  // namespace orvane::model

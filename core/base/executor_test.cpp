#include "core/base/executor.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using namespace orvane;
using namespace std::chrono_literals;

TEST(ManualExecutor, runsPostedTasksInOrderOnlyWhenAsked) {
    ManualExecutor ex;
    std::vector<int> ran;
    ex.post([&] { ran.push_back(1); });
    ex.post([&] {
        ran.push_back(2);
        ex.post([&] { ran.push_back(3); });  // posted while running: runs in the same call
    });
    EXPECT_TRUE(ran.empty());
    EXPECT_EQ(ex.runReady(), 3u);
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
}

TEST(ManualExecutor, firesTimersAtTheirVirtualTimeInDueOrder) {
    ManualExecutor ex;
    const Date start = ex.now();
    std::vector<std::pair<std::string, Date>> fired;
    auto record = [&](std::string name) { return [&, name] { fired.emplace_back(name, ex.now()); }; };
    ex.postAfter(150ms, record("late"));
    ex.postAfter(50ms, record("early"));
    ex.postAfter(50ms, record("early-second"));  // same due time: posting order
    ex.postAfter(0ms, record("now"));

    ex.runReady();
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(fired[0].first, "now");

    ex.advance(149ms);
    ASSERT_EQ(fired.size(), 3u);
    EXPECT_EQ(fired[1].first, "early");
    EXPECT_EQ(fired[1].second - start, 50ms);
    EXPECT_EQ(fired[2].first, "early-second");
    EXPECT_EQ(ex.now() - start, 149ms);

    ex.advance(1ms);
    ASSERT_EQ(fired.size(), 4u);
    EXPECT_EQ(fired[3].second - start, 150ms);
    EXPECT_EQ(ex.pendingTimers(), 0u);
}

TEST(ManualExecutor, timerPostedByATimerIsMeasuredFromItsOwnTime) {
    ManualExecutor ex;
    const Date start = ex.now();
    Date second{};
    ex.postAfter(100ms, [&] { ex.postAfter(100ms, [&] { second = ex.now(); }); });
    ex.advance(250ms);
    EXPECT_EQ(second - start, 200ms);
}

TEST(ManualExecutor, knowsItsMainThreadAndTakesPostsFromOthers) {
    ManualExecutor ex;
    EXPECT_TRUE(ex.isMainThread());
    bool workerSawMain = true;
    bool ranOnMain = false;
    std::thread worker([&] {
        workerSawMain = ex.isMainThread();
        ex.post([&] { ranOnMain = ex.isMainThread(); });
    });
    EXPECT_TRUE(ex.runUntil([&] { return ranOnMain; }, 5s));
    worker.join();
    EXPECT_FALSE(workerSawMain);
}

TEST(ManualExecutor, runUntilMovesTheClockOnlyWhenAllowed) {
    ManualExecutor ex;
    bool fired = false;
    ex.postAfter(10s, [&] { fired = true; });
    EXPECT_FALSE(ex.runUntil([&] { return fired; }, 30ms, /*moveClock=*/false));
    EXPECT_TRUE(ex.runUntil([&] { return fired; }, 5s, /*moveClock=*/true));
    EXPECT_EQ(ex.now() - ManualExecutor::defaultStart(), 10s);
}

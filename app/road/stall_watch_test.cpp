#include "app/road/stall_watch.h"

#include <QTest>

#include <gtest/gtest.h>

#include <thread>

using namespace orvane::road;
using namespace std::chrono_literals;

// A blocked interface thread shows as at least the time it was blocked, under the step it happened in.
TEST(StallWatch, aBlockedThreadCountsAtLeastTheTimeItWasBlocked) {
    StallWatch watch;
    watch.start();
    watch.setStep("liber");
    QTest::qWait(30);
    watch.setStep("blocat");
    std::this_thread::sleep_for(120ms);
    QTest::qWait(30);
    watch.setStep("după");
    EXPECT_GE(watch.longest(), 120ms - StallWatch::tick);
    EXPECT_EQ(watch.longestStep(), "blocat");
    EXPECT_GT(watch.ticks(), 1);

    watch.start();
    EXPECT_EQ(watch.longest(), 0ms) << "a new start forgets the old stalls";
    watch.stop();
}

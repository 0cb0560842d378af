#include "core/base/work_pool.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <future>
#include <latch>
#include <set>
#include <stdexcept>
#include <string>

#include "testing/concurrency.h"

using namespace orvane;
using orvane::testing::HighWater;
using namespace std::chrono_literals;

namespace {

std::string threadName() {
    char name[32] = {};
    pthread_getname_np(pthread_self(), name, sizeof name);
    return name;
}

int threadNice() {
    errno = 0;
    return getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
}

}  // namespace

TEST(WorkPool, runsSubmittedWorkConcurrently) {
    WorkPool pool("test.pool", WorkPool::Priority::normal);
    // Four tasks that can only finish together: they must be running at the same time.
    std::latch together(4);
    std::atomic<int> done{0};
    for (int i = 0; i < 4; ++i) {
        pool.submit([&] {
            together.arrive_and_wait();
            done.fetch_add(1);
        });
    }
    while (done.load() < 4) std::this_thread::sleep_for(1ms);
    EXPECT_GE(pool.threadCount(), 4u);
}

TEST(WorkPool, destructorRunsWhatIsQueuedAndSurvivesAThrowingTask) {
    std::atomic<int> ran{0};
    {
        WorkPool pool("test.drain", WorkPool::Priority::normal, 1);
        pool.submit([] { throw std::runtime_error("boom"); });
        for (int i = 0; i < 20; ++i) pool.submit([&] { ran.fetch_add(1); });
    }
    EXPECT_EQ(ran.load(), 20);
}

TEST(WorkPool, processPoolsAreNamedAndTheNormalOneRunsAtLowerPriority) {
    struct Seen {
        std::string name;
        int nice = 0;
    };
    auto observe = [](WorkPool& pool) {
        std::promise<Seen> seen;
        pool.submit([&] { seen.set_value({threadName(), threadNice()}); });
        return seen.get_future().get();
    };
    const int mine = threadNice();
    Seen high = observe(WorkPool::high());
    Seen normal = observe(WorkPool::normal());
    EXPECT_EQ(WorkPool::high().name(), "orvane.work.high");
    EXPECT_EQ(WorkPool::normal().name(), "orvane.work");
    EXPECT_EQ(high.name, "orvane.work.hig");  // the kernel keeps 15 characters
    EXPECT_EQ(normal.name, "orvane.work");
    EXPECT_EQ(high.nice, mine);
    EXPECT_GT(normal.nice, mine);
    EXPECT_EQ(&WorkPool::of(true), &WorkPool::high());
    EXPECT_EQ(&WorkPool::of(false), &WorkPool::normal());
}

TEST(ParallelFor, visitsEveryIndexOnceWithinTheWorkerBound) {
    struct Case {
        const char* name;
        int workers;
        int bound;
    };
    for (Case c : {Case{"three", 3, 3}, Case{"one", 1, 1}, Case{"zero means one", 0, 1},
                   Case{"negative means one", -4, 1}}) {
        SCOPED_TRACE(c.name);
        WorkPool pool("test.pfor", WorkPool::Priority::normal);
        HighWater hw;
        std::vector<std::atomic<int>> visits(40);
        // Linger until the bound has been reached once, so a slow machine cannot hide it; the one
        // deadline, far off, only ends the wait of a loop that never reaches it.
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        parallelFor(pool, visits.size(), c.workers, [&](std::size_t i) {
            hw.enter();
            while (hw.most() < c.bound && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
            visits[i].fetch_add(1);
            hw.leave();
        });
        for (auto& v : visits) EXPECT_EQ(v.load(), 1);
        EXPECT_EQ(hw.most(), c.bound);
    }
}

TEST(ParallelFor, firstErrorStopsFurtherIndicesAndIsRethrown) {
    WorkPool pool("test.pfor", WorkPool::Priority::normal);
    {
        // One lane: indices run in order, so exactly 0..3 start.
        std::atomic<int> started{0};
        EXPECT_THROW(parallelFor(pool, 100, 1,
                                 [&](std::size_t i) {
                                     started.fetch_add(1);
                                     if (i == 3) throw std::invalid_argument("bad photo");
                                 }),
                     std::invalid_argument);
        EXPECT_EQ(started.load(), 4);
    }
    {
        std::atomic<int> started{0};
        EXPECT_THROW(parallelFor(pool, 1000, 2,
                                 [&](std::size_t i) {
                                     started.fetch_add(1);
                                     if (i == 3) throw std::invalid_argument("bad photo");
                                     std::this_thread::sleep_for(1ms);
                                 }),
                     std::invalid_argument);
        EXPECT_LT(started.load(), 1000);
    }
}

TEST(ParallelFor, cancelTokenStopsFurtherIndices) {
    WorkPool pool("test.pfor", WorkPool::Priority::normal);
    CancelToken token;
    std::atomic<int> started{0};
    parallelFor(
        pool, 1000, 3,
        [&](std::size_t i) {
            started.fetch_add(1);
            if (i == 5) token.cancel();
            std::this_thread::sleep_for(200us);
        },
        &token);
    EXPECT_TRUE(token.isCancelled());
    EXPECT_LT(started.load(), 1000);
    EXPECT_THROW(token.throwIfCancelled(), Cancelled);
}

TEST(Offload, deliversTheValueOrTheErrorOnTheMainThread) {
    auto main = std::make_shared<ManualExecutor>();
    std::optional<int> value;
    std::string error;
    bool valueOnMain = false, errorOnMain = false;
    offload(main, WorkPool::normal(), [] { return 42; }, [&](Outcome<int> o) {
        valueOnMain = main->isMainThread();
        value = o.value();
    });
    offload(main, WorkPool::high(), []() -> int { throw std::runtime_error("decoder failed"); },
            [&](Outcome<int> o) {
                errorOnMain = main->isMainThread();
                EXPECT_FALSE(o.ok());
                try {
                    o.value();
                } catch (const std::exception& e) {
                    error = e.what();
                }
            });
    ASSERT_TRUE(main->runUntil([&] { return value && !error.empty(); }));
    EXPECT_EQ(*value, 42);
    EXPECT_EQ(error, "decoder failed");
    EXPECT_TRUE(valueOnMain);
    EXPECT_TRUE(errorOnMain);
}

// A write under way when the process closes the token ends first; no write begins after.
TEST(CancelToken, closingWaitsForTheWriteUnderWayAndRefusesLaterOnes) {
    CancelToken token;
    std::atomic<bool> closed{false};
    std::atomic<bool> closedDuringWrite{false};
    std::thread closer;
    EXPECT_TRUE(token.commit([&] {
        closer = std::thread([&] {
            token.close();
            closed = true;
        });
        // The closer is running; whatever it does, it cannot return before this write does.
        while (!token.isCancelled()) std::this_thread::yield();
        closedDuringWrite = closed.load();
    }));
    closer.join();
    EXPECT_FALSE(closedDuringWrite);
    EXPECT_TRUE(token.isClosed());
    int writes = 0;
    EXPECT_FALSE(token.commit([&] { ++writes; }));
    EXPECT_EQ(writes, 0);
}

#pragma once
// The main thread, seen from the core. Objects confined to the main thread (a processing job, for
// example) post their continuations here; the application implements it on its event loop, tests
// drive the manual loop below with a virtual clock.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

#include "core/base/iso_date.h"

namespace orvane {

class MainExecutor {
public:
    using Task = std::function<void()>;

    virtual ~MainExecutor() = default;
    // Runs the task later on the main thread, after the tasks posted before it. Safe from any thread.
    virtual void post(Task task) = 0;
    // Runs the task on the main thread once `delay` has passed. Safe from any thread.
    virtual void postAfter(std::chrono::nanoseconds delay, Task task) = 0;
    virtual bool isMainThread() const = 0;
    // The clock the delays above are measured on; the wall clock in the application. Safe from any thread.
    virtual Date now() const = 0;
};

// A main loop run by hand. The thread that creates it is its main thread. Time is virtual: it moves
// only through advance() (or runUntil() when asked), so a 150 ms delay takes no real time and a test
// can tell exactly when a delayed task ran. Other threads may post at any time.
class ManualExecutor final : public MainExecutor {
public:
    // Starts the virtual clock at `start` (a fixed instant by default, so runs are repeatable).
    explicit ManualExecutor(Date start = defaultStart());

    void post(Task task) override;
    void postAfter(std::chrono::nanoseconds delay, Task task) override;
    bool isMainThread() const override;
    Date now() const override;

    // Runs posted tasks, and timers due at the current virtual time, until none is ready. Tasks that
    // those tasks post are run too. Returns how many ran. Main thread only.
    std::size_t runReady();
    // Moves the clock forward by `by`, running each timer at its own due time (in due order, ties in
    // the order posted) and the ready tasks at every step. Main thread only.
    void advance(std::chrono::nanoseconds by);
    // Runs tasks until `done()` holds, waiting in real time for tasks that other threads post. With
    // `moveClock`, a loop that stays quiet for a moment jumps the clock to the next timer, so delayed
    // work does not stall a test that does not care about timing. Returns false when `realTimeout`
    // passes first. Main thread only.
    bool runUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds realTimeout = std::chrono::seconds(20), bool moveClock = true);

    std::size_t pendingTimers() const;
    static Date defaultStart();

private:
    bool takeReady(Task& out);

    const std::thread::id mainThread_;
    std::atomic<std::int64_t> nowNs_;  // virtual time since the epoch, readable from any thread
    mutable std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<Task> ready_;
    std::map<std::pair<std::int64_t, std::uint64_t>, Task> timers_;  // (due, sequence) -> task
    std::uint64_t sequence_ = 0;
};

}  // namespace orvane

#include "core/base/executor.h"

namespace orvane {

namespace {
std::int64_t toNs(Date d) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(d.time_since_epoch()).count();
}
}  // namespace

Date ManualExecutor::defaultStart() {
    // 2026-01-01T00:00:00Z
    return Date(std::chrono::duration_cast<Date::duration>(std::chrono::seconds(1767225600)));
}

ManualExecutor::ManualExecutor(Date start) : mainThread_(std::this_thread::get_id()), nowNs_(toNs(start)) {}

void ManualExecutor::post(Task task) {
    {
        std::lock_guard lock(mutex_);
        ready_.push_back(std::move(task));
    }
    posted_.notify_all();
}

void ManualExecutor::postAfter(std::chrono::nanoseconds delay, Task task) {
    {
        std::lock_guard lock(mutex_);
        auto due = nowNs_.load() + std::max<std::int64_t>(0, delay.count());
        timers_.emplace(std::make_pair(due, sequence_++), std::move(task));
    }
    posted_.notify_all();
}

bool ManualExecutor::isMainThread() const { return std::this_thread::get_id() == mainThread_; }

Date ManualExecutor::now() const {
    return Date(std::chrono::duration_cast<Date::duration>(std::chrono::nanoseconds(nowNs_.load())));
}

bool ManualExecutor::takeReady(Task& out) {
    std::lock_guard lock(mutex_);
    // Timers that have come due join the ready tasks in due order.
    auto now = nowNs_.load();
    while (!timers_.empty() && timers_.begin()->first.first <= now) {
        ready_.push_back(std::move(timers_.begin()->second));
        timers_.erase(timers_.begin());
    }
    if (ready_.empty()) return false;
    out = std::move(ready_.front());
    ready_.pop_front();
    return true;
}

std::size_t ManualExecutor::runReady() {
    std::size_t count = 0;
    Task task;
    while (takeReady(task)) {
        task();
        task = nullptr;  // release captures on the main thread, before the next task runs
        ++count;
    }
    return count;
}

void ManualExecutor::advance(std::chrono::nanoseconds by) {
    const auto target = nowNs_.load() + by.count();
    runReady();
    for (;;) {
        std::int64_t due;
        {
            std::lock_guard lock(mutex_);
            if (timers_.empty() || timers_.begin()->first.first > target) break;
            due = timers_.begin()->first.first;
        }
        if (due > nowNs_.load()) nowNs_.store(due);
        runReady();
    }
    nowNs_.store(target);
    runReady();
}

bool ManualExecutor::runUntil(const std::function<bool()>& done, std::chrono::milliseconds realTimeout,
                              bool moveClock) {
    const auto deadline = std::chrono::steady_clock::now() + realTimeout;
    for (;;) {
        runReady();
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::unique_lock lock(mutex_);
        // A short real wait: long enough for a worker to post, short enough to keep tests quick.
        bool woke = posted_.wait_for(lock, std::chrono::milliseconds(5), [&] { return !ready_.empty(); });
        if (!woke && moveClock && !timers_.empty()) {
            auto due = timers_.begin()->first.first;
            if (due > nowNs_.load()) nowNs_.store(due);
        }
    }
}

std::size_t ManualExecutor::pendingTimers() const {
    std::lock_guard lock(mutex_);
    return timers_.size();
}

}  // namespace orvane

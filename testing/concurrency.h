#pragma once
// Test support for concurrent code: a gate that holds workers until the test lets them through, and
// a high-water mark of calls in flight.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace orvane::testing {

// Workers call pass() and wait there until the test releases a permit (or opens the gate for good).
// Share it through a shared_ptr with the work, so it outlives any worker still inside.
class Gate {
public:
    void pass() {
        std::unique_lock lock(mutex_);
        ++entered_;
        changed_.notify_all();
        changed_.wait(lock, [&] { return open_ || permits_ > 0; });
        if (!open_) --permits_;
        ++passed_;
        changed_.notify_all();
    }
    void release(int n = 1) {
        std::lock_guard lock(mutex_);
        permits_ += n;
        changed_.notify_all();
    }
    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    int entered() const {
        std::lock_guard lock(mutex_);
        return entered_;
    }
    int passed() const {
        std::lock_guard lock(mutex_);
        return passed_;
    }
    // Waits (real time) until `n` workers have arrived at the gate in total.
    bool waitEntered(int n, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return entered_ >= n; });
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    int entered_ = 0;
    int passed_ = 0;
    int permits_ = 0;
    bool open_ = false;
};

// Counts calls in flight and keeps the most seen at once.
class HighWater {
public:
    void enter() {
        const int n = now_.fetch_add(1) + 1;
        int seen = most_.load();
        while (n > seen && !most_.compare_exchange_weak(seen, n)) {
        }
    }
    void leave() { now_.fetch_sub(1); }
    int most() const { return most_.load(); }
    int now() const { return now_.load(); }

private:
    std::atomic<int> now_{0};
    std::atomic<int> most_{0};
};

}  // namespace orvane::testing

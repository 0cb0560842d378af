#pragma once
// Background work: two process-wide pools of worker threads, a cancel token, a bounded parallel loop
// and `offload`, which runs a function on a pool and hands its outcome to the main thread.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/base/executor.h"

namespace orvane {

// A concurrent pool: every submitted function runs on some thread of the pool, without ordering.
// Threads are made on demand (up to `maxThreads`; more work waits its turn) and then kept, so a
// caller bounds its own parallelism, as the processing job does with its worker count.
class WorkPool {
public:
    enum class Priority {
        normal,  // the threads run at the process's priority
        low,     // the threads run at a lower OS priority (nice +10), so the interface stays responsive
    };

    WorkPool(std::string name, Priority priority, std::size_t maxThreads = 64);
    // Runs what is already queued, then joins every thread.
    ~WorkPool();
    WorkPool(const WorkPool&) = delete;
    WorkPool& operator=(const WorkPool&) = delete;

    // Safe from any thread. An exception escaping `work` is swallowed to keep the thread alive:
    // callers that care catch their own (offload does).
    void submit(std::function<void()> work);

    const std::string& name() const { return name_; }
    Priority priority() const { return priority_; }
    std::size_t threadCount() const;

    // The process-wide pools, made on first use and kept to the end of the process.
    static WorkPool& high();    // "orvane.work.high": work the user waits for
    static WorkPool& normal();  // "orvane.work", at lower OS priority
    static WorkPool& of(bool highPriority) { return highPriority ? high() : normal(); }

private:
    void threadMain();

    const std::string name_;
    const Priority priority_;
    const std::size_t maxThreads_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
    std::vector<std::thread> threads_;
    std::size_t idle_ = 0;
    bool stopping_ = false;
};

class Cancelled : public std::runtime_error {
public:
    Cancelled() : std::runtime_error("cancelled") {}
};

// A stop request shared between the one who asks and the work that checks. The flag is an atomic,
// so neither side takes a lock. Closing is the stronger request of a process about to end: work that
// writes its result through commit() either has finished that write when close() returns or never
// begins it.
class CancelToken {
public:
    void cancel() noexcept { cancelled_.store(true, std::memory_order_release); }
    bool isCancelled() const noexcept { return cancelled_.load(std::memory_order_acquire); }
    void throwIfCancelled() const {
        if (isCancelled()) throw Cancelled();
    }
    // Cancels, and waits for a commit in progress: none begins afterwards.
    void close();
    bool isClosed() const;
    // Runs `write` unless the token is closed, holding close() off until it returns; false when closed.
    bool commit(const std::function<void()>& write) const;

private:
    std::atomic<bool> cancelled_{false};
    mutable std::mutex commitMutex_;
    bool closed_ = false;  // under commitMutex_
};

// Calls body(i) for every i in [0, count), at most `workers` at once (0 or less means 1), on the
// calling thread and on threads of `pool`, and returns when every call has returned. After the first
// exception, or once `cancel` is set, no further index is started; the first exception is rethrown
// here (a cancellation alone is not an error: the caller asks its token).
void parallelFor(WorkPool& pool, std::size_t count, int workers, const std::function<void(std::size_t)>& body,
                 const CancelToken* cancel = nullptr);

// The outcome of background work: its value, or the exception it threw.
template <class T>
class Outcome {
public:
    explicit Outcome(T value) : value_(std::move(value)) {}
    explicit Outcome(std::exception_ptr error) : error_(std::move(error)) {}

    bool ok() const { return value_.has_value(); }
    // The value, or the work's exception rethrown.
    T& value() {
        if (!value_) std::rethrow_exception(error_);
        return *value_;
    }
    const std::exception_ptr& error() const { return error_; }

private:
    std::optional<T> value_;
    std::exception_ptr error_;
};

// Runs `work` on `pool` and then `done(Outcome<R>)` on the main thread, exactly once. The executor is
// held until `done` has been posted, so it may not go away under a late result.
template <class Work, class Done>
void offload(const std::shared_ptr<MainExecutor>& main, WorkPool& pool, Work work, Done done) {
    using R = std::invoke_result_t<Work&>;
    pool.submit([main, work = std::move(work), done = std::move(done)]() mutable {
        std::optional<Outcome<R>> outcome;
        try {
            outcome.emplace(work());
        } catch (...) {
            outcome.emplace(std::current_exception());
        }
        // The closures are moved to the main thread whole: what they captured is released there.
        main->post([done = std::move(done), outcome = std::move(*outcome)]() mutable { done(std::move(outcome)); });
    });
}

}  // namespace orvane

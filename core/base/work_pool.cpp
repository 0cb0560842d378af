#include "core/base/work_pool.h"

#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>

namespace orvane {

WorkPool::WorkPool(std::string name, Priority priority, std::size_t maxThreads)
    : name_(std::move(name)), priority_(priority), maxThreads_(std::max<std::size_t>(1, maxThreads)) {}

WorkPool::~WorkPool() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (auto& t : threads_) t.join();
}

void WorkPool::submit(std::function<void()> work) {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(work));
    const std::size_t waiting = queue_.size();
    // A new thread only when the idle ones cannot take everything that waits.
    if (waiting > idle_ && threads_.size() < maxThreads_ && !stopping_) {
        threads_.emplace_back([this] { threadMain(); });
    }
    wake_.notify_one();
}

std::size_t WorkPool::threadCount() const {
    std::lock_guard lock(mutex_);
    return threads_.size();
}

void WorkPool::threadMain() {
    // Thread names are limited to 15 characters.
    pthread_setname_np(pthread_self(), name_.substr(0, 15).c_str());
    if (priority_ == Priority::low) {
        // On Linux the nice value belongs to the thread; failing to lower it is harmless.
        (void)setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
    }
    std::unique_lock lock(mutex_);
    for (;;) {
        ++idle_;
        wake_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
        --idle_;
        if (queue_.empty()) return;  // stopping, and nothing left to run
        auto work = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        try {
            work();
        } catch (...) {
        }
        work = nullptr;  // captures are released before the lock is taken again
        lock.lock();
    }
}

WorkPool& WorkPool::high() {
    // Kept to the end of the process: threads of a destroyed static could still be finishing work.
    static WorkPool* pool = new WorkPool("orvane.work.high", Priority::normal);
    return *pool;
}

WorkPool& WorkPool::normal() {
    static WorkPool* pool = new WorkPool("orvane.work", Priority::low);
    return *pool;
}

void CancelToken::close() {
    cancel();
    std::lock_guard lock(commitMutex_);
    closed_ = true;
}

bool CancelToken::isClosed() const {
    std::lock_guard lock(commitMutex_);
    return closed_;
}

bool CancelToken::commit(const std::function<void()>& write) const {
    std::lock_guard lock(commitMutex_);
    if (closed_) return false;
    write();
    return true;
}

void parallelFor(WorkPool& pool, std::size_t count, int workers, const std::function<void(std::size_t)>& body,
                 const CancelToken* cancel) {
    if (count == 0) return;
    struct Shared {
        std::atomic<std::size_t> next{0};
        std::atomic<bool> stop{false};
        std::mutex mutex;
        std::condition_variable finished;
        std::size_t helpersLeft = 0;
        std::exception_ptr error;
    };
    auto shared = std::make_shared<Shared>();
    auto loop = [shared, &body, count, cancel] {
        for (;;) {
            if (shared->stop.load() || (cancel && cancel->isCancelled())) return;
            const std::size_t i = shared->next.fetch_add(1);
            if (i >= count) return;
            try {
                body(i);
            } catch (...) {
                std::lock_guard lock(shared->mutex);
                if (!shared->error) shared->error = std::current_exception();
                shared->stop.store(true);
            }
        }
    };
    const std::size_t lanes = std::min<std::size_t>(count, static_cast<std::size_t>(std::max(1, workers)));
    // The calling thread is one of the lanes, so a pool that is busy elsewhere cannot stall the loop.
    shared->helpersLeft = lanes - 1;
    for (std::size_t h = 1; h < lanes; ++h) {
        pool.submit([shared, loop] {
            loop();
            std::lock_guard lock(shared->mutex);
            if (--shared->helpersLeft == 0) shared->finished.notify_all();
        });
    }
    loop();
    std::unique_lock lock(shared->mutex);
    shared->finished.wait(lock, [&] { return shared->helpersLeft == 0; });
    if (shared->error) std::rethrow_exception(shared->error);
}

}  // namespace orvane

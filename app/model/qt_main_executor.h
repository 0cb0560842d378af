#pragma once
// The core's main thread on the Qt event loop: posted tasks run as queued calls on the thread of the
// executor's context object, delays through single-shot timers there, the clock is the wall clock.
#include <QObject>
#include <QPointer>

#include "core/base/executor.h"

namespace orvane::model {

class QtMainExecutor final : public MainExecutor {
public:
    // Runs its tasks on the thread the context object lives on (the application's thread by default).
    // Tasks still queued when the context is gone are dropped.
    explicit QtMainExecutor(QObject* context = nullptr);
    ~QtMainExecutor() override;

    void post(Task task) override;
    void postAfter(std::chrono::nanoseconds delay, Task task) override;
    bool isMainThread() const override;
    Date now() const override;

private:
    QPointer<QObject> context_;
    QObject* owned_ = nullptr;
};

}  // namespace orvane::model

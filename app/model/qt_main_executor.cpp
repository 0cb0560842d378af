#include "app/model/qt_main_executor.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <chrono>

namespace orvane::model {

QtMainExecutor::QtMainExecutor(QObject* context) {
    if (!context) {
        // A context of our own on the application's thread, so tasks never outlive the executor.
        owned_ = new QObject;
        if (auto* app = QCoreApplication::instance()) owned_->moveToThread(app->thread());
        context = owned_;
    }
    context_ = context;
}

QtMainExecutor::~QtMainExecutor() {
    // The last task holding this executor can be destroyed by the application's own clean-up of
    // posted events, under the lock a new post needs: then the context goes with the process.
    if (!owned_ || QCoreApplication::closingDown() || !QCoreApplication::instance()) return;
    owned_->deleteLater();
}

void QtMainExecutor::post(Task task) {
    QObject* context = context_.data();
    if (!context) return;
    QMetaObject::invokeMethod(context, std::move(task), Qt::QueuedConnection);
}

void QtMainExecutor::postAfter(std::chrono::nanoseconds delay, Task task) {
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(delay).count();
    // A timer belongs to the thread that starts it: it is started from the main thread.
    post([context = context_, ms, task = std::move(task)]() mutable {
        if (!context) return;
        QTimer::singleShot(std::chrono::milliseconds(ms), context.data(), std::move(task));
    });
}

bool QtMainExecutor::isMainThread() const {
    const QObject* context = context_.data();
    return context && QThread::currentThread() == context->thread();
}

Date QtMainExecutor::now() const { return std::chrono::system_clock::now(); }

}  // namespace orvane::model

#pragma once
// Background work whose result comes back to a QObject on the main thread, or nowhere once that
// object is gone: the result is posted to the application object, which outlives every screen, and
// the receiver is asked for on arrival.
#include <QCoreApplication>
#include <QPointer>

#include <functional>
#include <memory>

namespace orvane::model {

using BackgroundRunner = std::function<void(std::function<void()>)>;

// Runs `work` through `background`, then `done(result)` on the main thread while `receiver` exists
// and `stillWanted(receiver)` holds.
template <class R, class T, class Wanted>
void deliverLater(const BackgroundRunner& background, T* receiver, std::function<R()> work,
                  std::function<void(R)> done, Wanted stillWanted) {
    QPointer<T> self(receiver);
    background([self, work = std::move(work), done = std::move(done), stillWanted]() mutable {
        auto result = std::make_shared<R>(work());
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, done, result, stillWanted] {
                if (self && stillWanted(self.data())) done(std::move(*result));
            },
            Qt::QueuedConnection);
    });
}

}  // namespace orvane::model

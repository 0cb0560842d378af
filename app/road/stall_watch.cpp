#include "app/road/stall_watch.h"

#include <QTimerEvent>

namespace orvane::road {

StallWatch::StallWatch(QObject* parent) : QObject(parent) {}

void StallWatch::start() {
    stop();
    longest_ = std::chrono::milliseconds(0);
    longestStep_.clear();
    steps_.clear();
    ticks_ = 0;
    clock_.start();
    last_ = 0;
    timer_ = startTimer(tick, Qt::PreciseTimer);
}

void StallWatch::stop() {
    if (timer_) killTimer(timer_);
    timer_ = 0;
}

void StallWatch::setStep(const QString& step) {
    step_ = step;
    if (steps_.empty() || steps_.back().first != step) steps_.emplace_back(step, std::chrono::milliseconds(0));
}

void StallWatch::resume() {
    if (timer_) return;
    last_ = clock_.isValid() ? clock_.elapsed() : (clock_.start(), 0);
    timer_ = startTimer(tick, Qt::PreciseTimer);
}

void StallWatch::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timer_) return QObject::timerEvent(event);
    const qint64 now = clock_.elapsed();
    const std::chrono::milliseconds late(now - last_ - tick.count());
    last_ = now;
    ++ticks_;
    if (!steps_.empty() && late > steps_.back().second) steps_.back().second = late;
    if (late > longest_) {
        longest_ = late;
        longestStep_ = step_;
    }
}

}  // namespace orvane::road

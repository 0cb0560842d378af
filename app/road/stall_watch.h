#pragma once
// Measures how long the interface thread goes without handling events: a fine timer on the thread it
// lives on, whose late ticks, read against a monotonic clock, are the stalls. For tests and tools that
// report the figure; it decides nothing by itself.
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <chrono>
#include <utility>
#include <vector>

namespace orvane::road {

class StallWatch final : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds tick{5};

    explicit StallWatch(QObject* parent = nullptr);

    // Starts afresh; the longest stall counts from here.
    void start();
    void stop();
    // Goes on after a stop, keeping the longest stall so far; the stopped time does not count.
    void resume();
    // Measures this part under its own label while it runs; the longest stall keeps its label.
    void setStep(const QString& step);

    // The longest time between two ticks beyond the tick itself.
    std::chrono::milliseconds longest() const { return longest_; }
    // The step during which the longest stall happened.
    const QString& longestStep() const { return longestStep_; }
    qint64 ticks() const { return ticks_; }
    // Each step's longest stall, in the order the steps came.
    const std::vector<std::pair<QString, std::chrono::milliseconds>>& steps() const { return steps_; }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    int timer_ = 0;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 ticks_ = 0;
    std::chrono::milliseconds longest_{0};
    QString step_;
    QString longestStep_;
    std::vector<std::pair<QString, std::chrono::milliseconds>> steps_;
};

}  // namespace orvane::road

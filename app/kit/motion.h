#pragma once
// The kit's shared spring and a small animated value that follows it.
#include <QEasingCurve>
#include <QObject>
#include <QPointer>
#include <QVariantAnimation>

class QWidget;

#include <functional>

namespace orvane::kit {

// The spring of hover effects, bars, rings, sliders and buttons: response 0.2 s, damping 0.85.
struct Spring {
    double response;
    double dampingFraction;
    // Position at `seconds` of a unit step (0 at the start, settling at 1; it may overshoot a little).
    double value(double seconds) const;
    // Time after which the motion stays within 0.1 % of its end.
    double settleSeconds() const;
};
inline constexpr Spring kitSpring{0.2, 0.85};
// kitSpring as an easing curve over its settle time.
QEasingCurve kitSpringCurve();
int kitSpringDurationMs();

// Animations on or off for the whole process: tests and screenshots turn them off so every state
// change lands at once.
void setAnimationsEnabled(bool enabled);
bool animationsEnabled();

// A number that moves to its target along a spring (kitSpring unless given) and reports every step.
class SpringValue : public QObject {
    Q_OBJECT
public:
    explicit SpringValue(std::function<void()> onStep, QObject* parent = nullptr);
    SpringValue(Spring spring, std::function<void()> onStep, QObject* parent = nullptr);
    double value() const { return value_; }
    double target() const { return target_; }
    // Animated along the spring, or at once when `animate` is false or animations are off.
    void setTarget(double target, bool animate = true);
    bool isMoving() const { return animation_.state() == QAbstractAnimation::Running; }

private:
    Spring spring_;
    std::function<void()> onStep_;
    QVariantAnimation animation_;  // the spring's time, 0 to its settle time
    double value_ = 0.0;
    double from_ = 0.0;
    double target_ = 0.0;
};

// Shows and hides a widget by fading it and sliding its height along kitSpring: shown, it appears at
// once and grows in; hidden, it shrinks out and only then hides. Without animations, or while the
// widget's window is not on screen, it shows or hides at once. The widget's graphics effect is the
// reveal's own.
class Reveal : public QObject {
    Q_OBJECT
public:
    explicit Reveal(QWidget* widget);
    void setShown(bool shown);
    bool isShown() const { return shown_; }
    bool isMoving() const { return progress_.isMoving(); }

private:
    void step();

    QPointer<QWidget> widget_;
    bool shown_;
    SpringValue progress_;
};

}  // namespace orvane::kit

#include "app/kit/motion.h"

#include <QGraphicsOpacityEffect>
#include <QWidget>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>

namespace orvane::kit {

double Spring::value(double t) const {
    if (t <= 0) return 0.0;
    const double omega = 2 * std::numbers::pi / response;
    const double zeta = dampingFraction;
    if (zeta >= 1.0) return 1.0 - std::exp(-omega * t) * (1.0 + omega * t);
    const double omegaD = omega * std::sqrt(1.0 - zeta * zeta);
    return 1.0 - std::exp(-zeta * omega * t) * (std::cos(omegaD * t) + zeta * omega / omegaD * std::sin(omegaD * t));
}

double Spring::settleSeconds() const {
    const double omega = 2 * std::numbers::pi / response;
    const double zeta = std::min(dampingFraction, 0.999);
    // The envelope of the underdamped motion is e^(-zeta omega t) / sqrt(1 - zeta^2).
    return std::log(1000.0 / std::sqrt(1.0 - zeta * zeta)) / (zeta * omega);
}

namespace {
qreal kitSpringEasing(qreal progress) {
    if (progress >= 1.0) return 1.0;
    return kitSpring.value(progress * kitSpring.settleSeconds());
}
std::atomic<bool> animationsOn{true};
}  // namespace

QEasingCurve kitSpringCurve() {
    QEasingCurve curve;
    curve.setCustomType(&kitSpringEasing);
    return curve;
}

int kitSpringDurationMs() { return int(std::lround(kitSpring.settleSeconds() * 1000.0)); }

void setAnimationsEnabled(bool enabled) { animationsOn = enabled; }
bool animationsEnabled() { return animationsOn; }

SpringValue::SpringValue(std::function<void()> onStep, QObject* parent) : SpringValue(kitSpring, std::move(onStep), parent) {}

SpringValue::SpringValue(Spring spring, std::function<void()> onStep, QObject* parent)
    : QObject(parent), spring_(spring), onStep_(std::move(onStep)) {
    const double settle = spring_.settleSeconds();
    animation_.setStartValue(0.0);
    animation_.setEndValue(settle);
    animation_.setDuration(int(std::lround(settle * 1000.0)));
    connect(&animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        const double t = v.toDouble();
        value_ = t >= spring_.settleSeconds() ? target_ : from_ + (target_ - from_) * spring_.value(t);
        if (onStep_) onStep_();
    });
}

void SpringValue::setTarget(double target, bool animate) {
    if (target == target_ && animation_.state() != QAbstractAnimation::Running) {
        if (value_ == target) return;
    }
    target_ = target;
    animation_.stop();
    if (!animate || !animationsEnabled()) {
        value_ = target;
        if (onStep_) onStep_();
        return;
    }
    from_ = value_;
    animation_.start();
}

Reveal::Reveal(QWidget* widget)
    : QObject(widget), widget_(widget), shown_(!widget->isHidden()), progress_([this] { step(); }, this) {
    progress_.setTarget(shown_ ? 1.0 : 0.0, false);
}

void Reveal::setShown(bool shown) {
    if (!widget_ || shown == shown_) return;
    shown_ = shown;
    const bool animate = animationsEnabled() && widget_->window()->isVisible();
    if (shown && widget_->isHidden()) {
        if (animate) {
            widget_->setMaximumHeight(0);
            auto* fade = new QGraphicsOpacityEffect(widget_);
            fade->setOpacity(0.0);
            widget_->setGraphicsEffect(fade);
        }
        widget_->show();
    }
    progress_.setTarget(shown ? 1.0 : 0.0, animate);
}

void Reveal::step() {
    if (!widget_) return;
    const double p = std::clamp(progress_.value(), 0.0, 1.0);
    const bool settled = progress_.value() == progress_.target();
    if (settled) {
        // At rest the widget is plain again: no effect, no height bound.
        widget_->setGraphicsEffect(nullptr);
        widget_->setMaximumHeight(QWIDGETSIZE_MAX);
        widget_->setVisible(shown_);
        return;
    }
    if (auto* fade = qobject_cast<QGraphicsOpacityEffect*>(widget_->graphicsEffect())) fade->setOpacity(p);
    else {
        auto* effect = new QGraphicsOpacityEffect(widget_);
        effect->setOpacity(p);
        widget_->setGraphicsEffect(effect);
    }
    widget_->setMaximumHeight(int(std::lround(p * widget_->sizeHint().height())));
}

}  // namespace orvane::kit

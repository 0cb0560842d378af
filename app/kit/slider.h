#pragma once
// The kit's sliders. ModernSlider fills its track from an origin value (usually the neutral value of a
// setting) to the thumb, snaps to a step counted from zero, and tells its owner when an adjustment ends:
// valueEdited() on every write (each pointer move of a drag, each arrow key, each assistive step),
// committed() once at the end of each (the release of a drag, after each key or assistive step).
// The arrow keys step it while the pointer rests on it, ×10 with Shift, unless a text field is being
// edited. SliderRow is a labelled row around one, with a reset to its neutral value.
//
// A slider whose range is empty or whose step is not positive (or not finite) draws its thumb at the left,
// takes no input and writes nothing: its arithmetic would otherwise write NaN into the bound value.
#include <QColor>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <optional>
#include <vector>

#include "app/kit/motion.h"
#include "app/kit/palette.h"

namespace orvane::kit {

class KitLabel;
class SymbolButton;
class SymbolView;

// ---- Geometry and values (pure) ----

inline constexpr double sliderHeight = 24.0;
inline constexpr double sliderInset = 9.0;  // the thumb's centre travels from 9 to W − 9
inline constexpr double thumbDiameter = 22.0;
inline constexpr double thumbDraggingDiameter = 24.0;

// step × the integer nearest to value / step, halves away from zero (multiples counted from zero).
double snapToStep(double value, double step);

struct SliderGeometry {
    double width = 0;
    double lower = 0, upper = 1;
    double step = 1;

    // A range with upper > lower and a positive step, all finite: only then does the slider take input.
    bool usable() const;
    // The position of value v: 9 + (W − 18) × (v − L) / (U − L), not clamped; 9 when not usable.
    double x(double value) const;
    // value raised to L, then lowered to U; a value that is not a number becomes L.
    double clamped(double value) const;
    // Snapped to the step, then clamped.
    double snapped(double value) const;
    // The value a pointer at `pointerX` writes: t = (x − 9) / (W − 18) within 0…1, then L + (U − L) t, snapped.
    double valueAt(double pointerX) const;
    // One arrow key: value + direction × step (× 10 with Shift), snapped.
    double keyStep(double value, int direction, bool shift) const;
    // One assistive increment or decrement: value ± step, clamped but not snapped.
    double accessibilityStep(double value, int direction) const;
};

// ---- ModernSlider ----

class ModernSlider : public QWidget {
    Q_OBJECT
public:
    ModernSlider(double value, double lower, double upper, double step, double origin, QWidget* parent = nullptr);
    ~ModernSlider() override;

    // The bound value; setting it (a change made elsewhere) repaints and emits nothing.
    double value() const { return value_; }
    void setValue(double value);
    void setRange(double lower, double upper);
    void setStep(double step);
    double step() const { return step_; }
    void setOrigin(double origin);
    double origin() const { return origin_; }
    // True fills from the origin to the thumb in the accent colour, false in the muted colour at 0.55.
    void setActive(bool active);
    bool isActive() const { return active_; }
    // A gradient through these colours, left to right, across the whole track instead of the fill; empty
    // restores the groove and the fill.
    void setTrack(std::vector<AdaptiveColor> colors);
    const std::vector<AdaptiveColor>& track() const { return track_; }

    SliderGeometry geometry() const { return {double(width()), lower_, upper_, step_}; }
    bool isHovering() const { return hovering_; }
    bool isDragging() const { return dragging_; }
    // Whether the arrow keys are being listened for (only while the pointer is over the slider).
    bool listensToKeys() const { return keyMonitor_ != nullptr; }
    double thumbSize() const;

    QSize sizeHint() const override { return {200, int(sliderHeight)}; }

    // The assistive technologies' increment (+1) and decrement (−1).
    void accessibilityAdjust(int direction);

signals:
    void valueEdited(double value);
    void committed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    friend class SliderKeyMonitor;
    void write(double value);
    void setHovering(bool hovering);
    void endDrag();
    // Handles an arrow key while hovered; false passes the event on.
    bool arrowKey(int key, Qt::KeyboardModifiers modifiers);

    double value_;
    double lower_, upper_, step_, origin_;
    bool active_ = true;
    std::vector<AdaptiveColor> track_;
    bool hovering_ = false;
    bool dragging_ = false;
    QObject* keyMonitor_ = nullptr;
    SpringValue press_;  // 0 at rest, 1 while dragging: the thumb's growth and its shadow
};

// ---- SliderRow ----

// [symbol] title … value label [reset], then the slider (origin at the neutral value, active while
// changed), then an optional hint. The row counts as changed when `changed` says so, or, without it, when
// the value differs from the neutral one; changed rows show their symbol and label in the accent colour.
// The reset button ("Revino la valoarea de bază") writes the neutral value and commits; it rests at 25 %
// and is disabled while the row is unchanged.
class SliderRow : public QWidget {
    Q_OBJECT
public:
    // `title`, the label and the hint are localisation keys.
    SliderRow(const QString& title, std::optional<QString> symbol, double value, double lower, double upper, double step,
              double neutral, QWidget* parent = nullptr);

    double value() const;
    void setValue(double value);
    double neutral() const { return neutral_; }
    // A new neutral value (the track's origin and the reset's target), for a base read after the row was made.
    void setNeutral(double neutral);
    // The value as the caller formats it (a number and its unit, for example).
    void setLabel(const QString& label);
    void setHint(std::optional<QString> hint);
    void setChanged(std::optional<bool> changed);
    void setTrack(std::vector<AdaptiveColor> colors);
    bool isChanged() const;

    ModernSlider* slider() const { return slider_; }
    SymbolButton* resetButton() const { return reset_; }
    KitLabel* titleLabel() const { return title_; }
    KitLabel* valueLabel() const { return label_; }
    KitLabel* hintLabel() const { return hint_; }

signals:
    void valueEdited(double value);
    void committed();

private:
    void refresh();

    double neutral_;
    std::optional<bool> changed_;
    SymbolView* symbol_ = nullptr;
    KitLabel* title_;
    KitLabel* label_;
    SymbolButton* reset_;
    ModernSlider* slider_;
    KitLabel* hint_;
};

}  // namespace orvane::kit

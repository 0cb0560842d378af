#pragma once
// The pill-shaped step button: a symbol in its tint and a one-line title. Raised: a surface fill at
// 75 % (opaque under the pointer), a faint shadow and a hairline border, and the pointing hand; flat:
// nothing but the label until the pointer comes, then an opaque surface fill and a soft shadow. The
// whole capsule takes the click. Hover changes follow the kit's spring.
#include <QAbstractButton>

#include "app/kit/motion.h"
#include "app/kit/palette.h"

namespace orvane::projects {

// What a step button draws in one hover state; pure, so the style table can be tested.
struct StepLook {
    double fillOpacity = 0;    // of the surface colour
    double shadowOpacity = 0;  // black
    double shadowRadius = 0;
    double borderOpacity = 0;  // primary colour; 0: no border
    bool operator==(const StepLook&) const = default;
};
StepLook stepLook(bool raised, bool hovering);

class StepHalf final : public QAbstractButton {
    Q_OBJECT
public:
    StepHalf(const QString& title, const QString& symbol, kit::AdaptiveColor tint, bool raised,
             QWidget* parent = nullptr);
    QString symbol() const { return symbol_; }
    kit::AdaptiveColor tint() const { return tint_; }
    bool isRaised() const { return raised_; }
    bool isHovering() const { return hovering_; }
    // The look as drawn now (between the two hover states while the spring moves).
    StepLook currentLook() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    QString symbol_;
    kit::AdaptiveColor tint_;
    bool raised_;
    bool hovering_ = false;
    kit::SpringValue hover_;
};

// The capsule row that holds step buttons: no spacing, padded 4, filled with the primary colour at
// 6 %; a vertical divider 18 high goes between two buttons.
class StepGroup final : public QWidget {
    Q_OBJECT
public:
    explicit StepGroup(QWidget* parent = nullptr);
    void add(StepHalf* button);
    void addDivider();
    // Any other view between the buttons (a value label), and the room between the parts (0 by default).
    void addView(QWidget* view);
    void setSpacing(int spacing);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace orvane::projects

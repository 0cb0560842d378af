#pragma once
// The three button looks (accent, hero, outline) and the two hover effects (lift, fill).
#include <QAbstractButton>
#include <QColor>
#include <QSize>

#include "app/kit/motion.h"

class QPainter;

namespace orvane::kit {

enum class ButtonLook { accent, hero, outline };

// The control size of a button's surroundings, taken from the nearest widget (itself included)
// with a "controlSize" property: "mini", "small", "regular" or "large".
enum class ControlSize { mini, small, regular, large };
ControlSize controlSizeOf(const QWidget* widget);

struct ButtonState {
    bool enabled = true;
    bool hovering = false;
    bool pressed = false;
    bool dark = false;
    bool compact = false;  // outline only: small or mini control size
};

// What a look draws in one state; pure, so the table of states can be tested without painting.
struct ButtonAppearance {
    enum class Fill { accent, accentGradient, color };
    enum class Border { color, topHighlight };
    double fontSize = 13;
    int fontWeight = 600;           // QFont weight
    bool labelOnAccent = true;      // white label; otherwise the surroundings' text colour
    double paddingH = 0, paddingV = 0, minHeight = 0;
    Fill fill = Fill::accent;
    QColor fillColor;               // Fill::color only
    Border border = Border::color;
    QColor borderColor;             // Border::color; topHighlight runs white 45 % → 0 % at the middle
    double borderWidth = 0;
    QColor shadowColor = Qt::transparent;
    double shadowBlur = 0, shadowY = 0;
    double brightness = 0;          // added to each colour channel of the fill
    double scale = 1;
    double offsetY = 0;
    double opacity = 1;
};
ButtonAppearance resolveButtonLook(ButtonLook look, const ButtonState& state);
// A blend of two resolved states (hover and press animate between them).
ButtonAppearance blend(const ButtonAppearance& a, const ButtonAppearance& b, double t);

// Room a look may draw outside its capsule (the hero's hover scale, the outline's shadow). It takes
// no layout space and no clicks: a button's frame is its capsule.
inline constexpr int buttonOverflow = 5;

// Draws a look's capsule `capsule` with its label: shadow, fill, label, border, at the look's scale,
// offset and opacity. The application style draws plain push buttons with it too.
// A `symbol` of the icon table, when given, leads the text at the label's size in the label's colour.
void paintButtonLook(QPainter& painter, const QRectF& capsule, const ButtonAppearance& look, const QString& text,
                     bool dark, qreal devicePixelRatio, const QString& symbol = {});
// The capsule size of a look around `text`.
QSize buttonLookSize(const ButtonAppearance& look, const QString& text, const QString& symbol = {});
// Between a leading symbol and the text.
inline constexpr double buttonSymbolGap = 6;

class KitButton : public QAbstractButton {
    Q_OBJECT
public:
    KitButton(const QString& text, ButtonLook look, QWidget* parent = nullptr);
    ButtonLook look() const { return look_; }
    // A symbol of the icon table before the text (or alone, for an icon-only button); empty: none.
    void setSymbol(const QString& symbol);
    QString symbol() const { return symbol_; }
    // Whether the pointer is over the button (hover counts only while it is enabled).
    bool isHovering() const { return hovering_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    // Paints the look in the state of the moment (the button and its overflow effect call it).
    void paintLook(QPainter& painter);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    ButtonState state(bool hovering, bool pressed) const;
    void updateTargets();

    ButtonLook look_;
    QString symbol_;
    bool hovering_ = false;
    SpringValue hover_;
    SpringValue press_;
};

// A container that follows the pointer over it with a kitSpring-driven progress from 0 to 1.
class HoverDecorator : public QWidget {
    Q_OBJECT
public:
    bool isHovering() const { return hovering_; }

protected:
    explicit HoverDecorator(QWidget* parent);
    double progress() const { return progress_.value(); }
    // Called on every step of the progress.
    virtual void hoverStep() { update(); }
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool hovering_ = false;
    SpringValue progress_;
};

// Lifts its content 2 points while the pointer is over it.
class HoverLift : public HoverDecorator {
    Q_OBJECT
public:
    static constexpr int lift = 2;
    explicit HoverLift(QWidget* content, QWidget* parent = nullptr);
    QWidget* content() const { return content_; }
    QSize sizeHint() const override;

protected:
    void hoverStep() override { place(); }
    void resizeEvent(QResizeEvent* event) override;

private:
    void place();
    QWidget* content_;
};

// Shows a faint rounded highlight behind its content while the pointer is over it.
class HoverFill : public HoverDecorator {
    Q_OBJECT
public:
    HoverFill(double radius, QWidget* content, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double radius_;
};

}  // namespace orvane::kit

#pragma once
// Small widgets the library screens compose from the kit: text labels, a tinted symbol, a busy
// indicator, a rounded filled frame, a clickable row and the kit's switch-like check box.
#include <QAbstractButton>
#include <QColor>
#include <QHBoxLayout>
#include <QLabel>
#include <QString>

#include <functional>

class QKeyEvent;

#include "app/kit/palette.h"
#include "app/kit/text.h"

namespace orvane::library {

// One line cut in `mode` at `width`, or at the narrower width its row leaves it (a long folder must not
// push a row's other columns out of sight), the whole text in its tooltip.
QLabel* elidedLabel(const QString& text, double points, int weight, bool muted, Qt::TextElideMode mode, int width);
// The named symbol tinted with `color` in a square of `points`.
QLabel* symbolLabel(const QString& name, double points, const QColor& color);
// An indeterminate bar standing for the spinner.
QWidget* busyIndicator();
// The colour resolved for the appearance in effect.
QColor resolved(const kit::AdaptiveColor& color);
QString cssColor(const QColor& color);

// The heading of a library sheet: an icon tile of 44, the title (22 bold, tracking -0.4) and a muted
// line under it, which the caller fills. `row` is the header's layout, for items after the titles.
struct SheetHeading {
    QHBoxLayout* row;
    QLabel* subtitle;
};
SheetHeading sheetHeading(const QString& symbol, const QString& title, const char* subtitleName);

// The default and cancel keys of a sheet: Return (or Enter) runs `onReturn`, Escape `onEscape`.
// True when the key was one of them.
bool handleSheetKeys(const QKeyEvent* event, const std::function<void()>& onReturn,
                     const std::function<void()>& onEscape);

// A button whose whole rectangle is the hit area, drawn as a rounded rectangle with a fill and an
// optional border; its content is laid out by the caller.
class FillButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit FillButton(QWidget* parent = nullptr) : QAbstractButton(parent) {}
    void setLook(const QColor& fill, const QColor& border, double borderWidth, double radius);
    void setHoverFill(const QColor& fill) { hoverFill_ = fill; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QColor fill_ = Qt::transparent;
    QColor hoverFill_ = Qt::transparent;
    QColor border_ = Qt::transparent;
    double borderWidth_ = 0;
    double radius_ = 8;
    bool hovering_ = false;
};

}  // namespace orvane::library

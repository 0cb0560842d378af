#pragma once
// The application-wide look of plain Qt widgets: alerts, menus, text fields, scroll bars, selections
// and tooltips take the kit's colours for the appearance and accent in effect, and push buttons the
// kit's capsules. One style and one palette on the application, rebuilt when either changes.
#include <QPalette>
#include <QProxyStyle>

class QScrollArea;

namespace orvane::kit {

// The application palette of an appearance with the accent entry `accentIndex` (0 to 6): window and
// text from the kit's window and label colours, selections and links in the accent, placeholder
// (and muted) text in mutedColor.
QPalette applicationPalette(bool dark, int accentIndex);

// A QProxyStyle over Fusion that draws push buttons as the kit's capsules (the default button in the
// accent look, the others outlined), text fields, menus and tooltips with rounded kit surfaces and
// slim scroll bars without arrows.
class KitStyle : public QProxyStyle {
    Q_OBJECT
public:
    KitStyle();

    QPalette standardPalette() const override;

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget = nullptr) const override;
    QRect subElementRect(SubElement element, const QStyleOption* option, const QWidget* widget) const override;
};

// Sets KitStyle and the kit palette on the application and keeps the palette (the tooltips' too) in
// step with the appearance and the "accentIndex" setting. Needs a QApplication; safe to call again.
void installApplicationStyle();

// Text drawn in mutedColor whatever the appearance, also in widgets made after the last change.
void setMutedText(QWidget* widget);

// A vertical scroll view over `content` that lets the surface behind it show through: no frame, no fill,
// no horizontal scrolling; its vertical scroll bar shown or hidden (it still scrolls).
QScrollArea* clearScrollArea(QWidget* content, bool showIndicators);

}  // namespace orvane::kit

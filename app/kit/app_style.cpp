#include "app/kit/app_style.h"

#include <QScrollArea>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QStyleFactory>
#include <QStyleOption>
#include <QToolTip>

#include <algorithm>
#include <optional>

#include "app/kit/appearance.h"
#include "app/kit/buttons.h"
#include "app/kit/fonts.h"
#include "app/kit/kit_settings.h"
#include "app/kit/palette.h"
#include "app/kit/shapes.h"

namespace orvane::kit {

namespace {

// Colours of plain controls that the adaptive vocabulary has no name for.
constexpr AdaptiveColor fieldColor = adaptiveColor(0x1E1E21, 0xFFFFFF);      // text fields, lists
constexpr AdaptiveColor alternateColor = adaptiveColor(0x26262A, 0xF5F5F7);  // alternating rows
constexpr AdaptiveColor controlColor = adaptiveColor(0x3A3A3F, 0xFFFFFF);    // plain buttons, combo boxes

constexpr double fieldRadius = 6.0;
constexpr double menuItemRadius = 5.0;

// Hairlines of fields, menus and tooltips: the label colour, faint.
QColor hairline(const QPalette& palette, bool dark) {
    return withAlpha(palette.color(QPalette::Active, QPalette::WindowText), dark ? 0.16 : 0.13);
}

bool darkPalette(const QPalette& palette) { return palette.color(QPalette::Window).lightness() < 128; }

// A push button text without its mnemonic marks ("&&" stays one "&").
QString withoutMnemonic(QString text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&') {
            if (i + 1 < text.size() && text[i + 1] == u'&') out += u'&';
            ++i;
            if (i < text.size() && text[i] != u'&') out += text[i];
            continue;
        }
        out += text[i];
    }
    return out;
}

// How the kit draws a push button: the default button in the accent look, the others in the outline
// look, compact in a small or mini surrounding. Nothing for flat, menu and icon buttons (Fusion's).
struct PushButtonLook {
    ButtonLook look;
    ButtonState state;
    ButtonAppearance resolved() const { return resolveButtonLook(look, state); }
};
std::optional<PushButtonLook> pushButtonLook(const QStyleOption* option, const QWidget* widget) {
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (!button || (button->features & (QStyleOptionButton::Flat | QStyleOptionButton::HasMenu)) ||
        !button->icon.isNull())
        return std::nullopt;
    PushButtonLook result;
    result.look = button->features & QStyleOptionButton::DefaultButton ? ButtonLook::accent : ButtonLook::outline;
    result.state.enabled = option->state & QStyle::State_Enabled;
    result.state.hovering = option->state & QStyle::State_MouseOver;
    result.state.pressed = option->state & (QStyle::State_Sunken | QStyle::State_On);
    result.state.dark = darkPalette(option->palette);
    const ControlSize size = controlSizeOf(widget);
    result.state.compact = size == ControlSize::small || size == ControlSize::mini;
    return result;
}

QPointer<QApplication> connectedApplication;

void applyPalette() {
    const QPalette palette = applicationPalette(Appearance::instance().isDark(), selectedAccentIndex());
    QApplication::setPalette(palette);
    // Tooltips keep a palette of their own, taken from the platform theme unless set.
    QToolTip::setPalette(palette);
    QToolTip::setFont(uiFont(12));
}

}  // namespace

QPalette applicationPalette(bool dark, int accentIndex) {
    const std::size_t entry = std::size_t(std::clamp(accentIndex, 0, int(accentPalette.size()) - 1));
    const QColor accent = adaptiveColor(accentPalette[entry].accent).resolve(dark);
    const QColor shade = adaptiveColor(accentPalette[entry].shade).resolve(dark);
    const QColor window = windowBackgroundColor.resolve(dark);
    const QColor text = primaryLabelColor.resolve(dark);
    const QColor muted = mutedColor.resolve(dark);
    const QColor field = fieldColor.resolve(dark);
    const QColor raised = raisedColor.resolve(dark);
    const QColor control = controlColor.resolve(dark);

    QPalette p;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool disabled = group == QPalette::Disabled;
        const QColor ink = disabled ? withAlpha(text, 0.3) : text;
        p.setColor(group, QPalette::Window, window);
        p.setColor(group, QPalette::WindowText, ink);
        p.setColor(group, QPalette::Base, field);
        p.setColor(group, QPalette::AlternateBase, alternateColor.resolve(dark));
        p.setColor(group, QPalette::Text, ink);
        p.setColor(group, QPalette::PlaceholderText, disabled ? withAlpha(muted, 0.6) : muted);
        p.setColor(group, QPalette::Button, control);
        p.setColor(group, QPalette::ButtonText, ink);
        p.setColor(group, QPalette::BrightText, onAccentColor.resolve(dark));
        p.setColor(group, QPalette::ToolTipBase, raised);
        p.setColor(group, QPalette::ToolTipText, text);
        p.setColor(group, QPalette::Highlight, disabled ? withAlpha(muted, 0.35) : accent);
        p.setColor(group, QPalette::HighlightedText, onAccentColor.resolve(dark));
        p.setColor(group, QPalette::Link, accent);
        p.setColor(group, QPalette::LinkVisited, shade);
        // The bevel shades Fusion draws frames and separators with.
        p.setColor(group, QPalette::Light, dark ? QColor(0x4A, 0x4A, 0x50) : QColor(0xFF, 0xFF, 0xFF));
        p.setColor(group, QPalette::Midlight, dark ? QColor(0x3E, 0x3E, 0x44) : QColor(0xE4, 0xE4, 0xE8));
        p.setColor(group, QPalette::Mid, dark ? QColor(0x2C, 0x2C, 0x30) : QColor(0xC7, 0xC7, 0xCC));
        p.setColor(group, QPalette::Dark, dark ? QColor(0x1A, 0x1A, 0x1C) : QColor(0xA1, 0xA1, 0xA6));
        p.setColor(group, QPalette::Shadow, QColor(0, 0, 0));
    }
    return p;
}

KitStyle::KitStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

QPalette KitStyle::standardPalette() const {
    return applicationPalette(Appearance::instance().isDark(), selectedAccentIndex());
}

int KitStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
    switch (metric) {
        case PM_ScrollBarExtent: return 12;
        case PM_ScrollBarSliderMin: return 32;
        case PM_ScrollView_ScrollBarOverlap: return 0;
        case PM_MenuPanelWidth: return 1;
        case PM_MenuHMargin: return 5;
        case PM_MenuVMargin: return 5;
        case PM_ToolTipLabelFrameWidth: return 5;
        default: return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

int KitStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                        QStyleHintReturn* returnData) const {
    switch (hint) {
        case SH_MessageBox_TextInteractionFlags: return Qt::TextSelectableByMouse;
        case SH_DialogButtonBox_ButtonsHaveIcons: return 0;
        case SH_ScrollBar_Transient: return 0;
        case SH_MessageBox_CenterButtons: return 0;
        default: return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
}

QSize KitStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                 const QWidget* widget) const {
    if (type == CT_PushButton) {
        if (const auto look = pushButtonLook(option, widget)) {
            const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
            // The larger of both looks, so a button does not change size when it becomes the default.
            const QString text = withoutMnemonic(button->text);
            const QSize accent = buttonLookSize(resolveButtonLook(ButtonLook::accent, look->state), text);
            const QSize outline = buttonLookSize(resolveButtonLook(ButtonLook::outline, look->state), text);
            return {std::max({accent.width(), outline.width(), 76}), std::max(accent.height(), outline.height())};
        }
    }
    QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
    if (type == CT_LineEdit) result.setHeight(std::max(result.height(), 28));
    return result;
}

QRect KitStyle::subElementRect(SubElement element, const QStyleOption* option, const QWidget* widget) const {
    QRect r = QProxyStyle::subElementRect(element, option, widget);
    // Text keeps clear of the rounded corners of its field.
    if (element == SE_LineEditContents) r.adjust(4, 0, -4, 0);
    return r;
}

void KitStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const {
    const bool dark = darkPalette(option->palette);
    switch (element) {
        case PE_PanelLineEdit: {
            const auto* panel = qstyleoption_cast<const QStyleOptionFrame*>(option);
            if (!panel || panel->lineWidth <= 0) break;  // a field inside another control: plain
            painter->save();
            painter->setRenderHint(QPainter::Antialiasing);
            const QRectF r = QRectF(option->rect);
            painter->fillPath(KitShape::rounded(fieldRadius).path(r), option->palette.brush(QPalette::Base));
            painter->restore();
            drawPrimitive(PE_FrameLineEdit, option, painter, widget);
            return;
        }
        case PE_FrameLineEdit: {
            painter->save();
            painter->setRenderHint(QPainter::Antialiasing);
            const QRectF r = QRectF(option->rect);
            const bool focused = (option->state & State_HasFocus) && (option->state & State_Enabled);
            if (focused)
                strokeInside(*painter, KitShape::rounded(fieldRadius), r, 2.0,
                             withAlpha(option->palette.color(QPalette::Highlight), 0.75));
            else
                strokeInside(*painter, KitShape::rounded(fieldRadius), r, 1.0, hairline(option->palette, dark));
            painter->restore();
            return;
        }
        case PE_PanelMenu:
        case PE_FrameMenu: {
            painter->save();
            if (element == PE_PanelMenu) painter->fillRect(option->rect, raisedColor.resolve(dark));
            painter->setPen(QPen(hairline(option->palette, dark), 1));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5));
            painter->restore();
            return;
        }
        case PE_PanelTipLabel: {
            painter->save();
            painter->fillRect(option->rect, option->palette.brush(QPalette::ToolTipBase));
            painter->setPen(QPen(hairline(option->palette, dark), 1));
            painter->drawRect(QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5));
            painter->restore();
            return;
        }
        case PE_Frame:
            // Lists and text areas: a hairline in the kit's colour, not Fusion's darker bevel.
            if (qobject_cast<const QAbstractScrollArea*>(widget)) {
                painter->save();
                painter->setPen(QPen(hairline(option->palette, dark), 1));
                painter->setBrush(Qt::NoBrush);
                painter->drawRect(QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5));
                painter->restore();
                return;
            }
            break;
        case PE_IndicatorCheckBox: {
            // Fusion outlines the box in a shade of the window colour, which vanishes on dark cards: the
            // box is rimmed in the label colour, and filled with the accent once ticked.
            painter->save();
            painter->setRenderHint(QPainter::Antialiasing);
            if (!(option->state & State_Enabled)) painter->setOpacity(0.45);
            const QRectF r = QRectF(option->rect).adjusted(1, 1, -1, -1);
            QPainterPath box;
            box.addRoundedRect(r, 3.5, 3.5);
            const bool ticked = option->state & (State_On | State_NoChange);
            if (ticked) {
                painter->fillPath(box, option->palette.color(QPalette::Active, QPalette::Highlight));
                QPen mark(option->palette.color(QPalette::Active, QPalette::HighlightedText), 1.8);
                mark.setCapStyle(Qt::RoundCap);
                mark.setJoinStyle(Qt::RoundJoin);
                painter->setPen(mark);
                if (option->state & State_On) {
                    QPainterPath tick;
                    tick.moveTo(r.left() + r.width() * 0.24, r.top() + r.height() * 0.52);
                    tick.lineTo(r.left() + r.width() * 0.43, r.top() + r.height() * 0.70);
                    tick.lineTo(r.left() + r.width() * 0.76, r.top() + r.height() * 0.32);
                    painter->drawPath(tick);
                } else {
                    painter->drawLine(QPointF(r.left() + r.width() * 0.28, r.center().y()),
                                      QPointF(r.right() - r.width() * 0.28, r.center().y()));
                }
            } else {
                painter->fillPath(box, option->palette.brush(QPalette::Base));
                painter->strokePath(box, QPen(withAlpha(option->palette.color(QPalette::Active, QPalette::WindowText), 0.5), 1.2));
            }
            painter->restore();
            return;
        }
        case PE_FrameFocusRect:
            // Push buttons draw their own ring; elsewhere Fusion's rectangle stands.
            if (qobject_cast<const QPushButton*>(widget)) return;
            break;
        default: break;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void KitStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                           const QWidget* widget) const {
    switch (element) {
        case CE_PushButton: {
            const auto look = pushButtonLook(option, widget);
            if (!look) break;
            const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
            const bool dark = darkPalette(option->palette);
            const QRectF capsule(option->rect);
            paintButtonLook(*painter, capsule, look->resolved(), withoutMnemonic(button->text), dark,
                            widget ? widget->devicePixelRatioF() : 1.0);
            if ((option->state & State_HasFocus) && (option->state & State_KeyboardFocusChange)) {
                painter->save();
                painter->setRenderHint(QPainter::Antialiasing);
                strokeInside(*painter, KitShape::capsule(), capsule, 2.0,
                             withAlpha(option->palette.color(QPalette::Highlight), 0.55));
                painter->restore();
            }
            return;
        }
        case CE_MenuItem: {
            const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
            if (!item) break;
            const bool selected = (option->state & State_Selected) && (option->state & State_Enabled);
            if (!selected || item->menuItemType == QStyleOptionMenuItem::Separator) break;
            painter->save();
            painter->setRenderHint(QPainter::Antialiasing);
            painter->fillPath(KitShape::rounded(menuItemRadius).path(QRectF(option->rect)),
                              option->palette.brush(QPalette::Highlight));
            painter->restore();
            // Fusion draws the text and marks; its own square highlight is made invisible.
            QStyleOptionMenuItem copy(*item);
            copy.palette.setColor(QPalette::Highlight, Qt::transparent);
            QProxyStyle::drawControl(element, &copy, painter, widget);
            return;
        }
        default: break;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

QRect KitStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                               const QWidget* widget) const {
    if (control != CC_ScrollBar) return QProxyStyle::subControlRect(control, option, sub, widget);
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (!bar) return QProxyStyle::subControlRect(control, option, sub, widget);
    // No arrow buttons: the whole length is the groove.
    const bool horizontal = bar->orientation == Qt::Horizontal;
    const QRect r = option->rect;
    const int length = horizontal ? r.width() : r.height();
    int thumb = length;
    if (bar->maximum != bar->minimum) {
        const qint64 range = qint64(bar->maximum) - bar->minimum;
        thumb = int(qint64(bar->pageStep) * length / (range + bar->pageStep));
        thumb = std::clamp(thumb, std::min(pixelMetric(PM_ScrollBarSliderMin, option, widget), length), length);
    }
    const int start =
        sliderPositionFromValue(bar->minimum, bar->maximum, bar->sliderPosition, length - thumb, bar->upsideDown);
    auto span = [&](int from, int size) {
        return horizontal ? QRect(r.x() + from, r.y(), size, r.height()) : QRect(r.x(), r.y() + from, r.width(), size);
    };
    QRect result;
    switch (sub) {
        case SC_ScrollBarGroove: result = r; break;
        case SC_ScrollBarSlider: result = span(start, thumb); break;
        case SC_ScrollBarSubPage: result = span(0, start); break;
        case SC_ScrollBarAddPage: result = span(start + thumb, length - start - thumb); break;
        default: return {};  // SC_ScrollBarAddLine, SubLine, First, Last
    }
    return visualRect(option->direction, r, result);
}

void KitStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                                  const QWidget* widget) const {
    if (control != CC_ScrollBar || !qstyleoption_cast<const QStyleOptionSlider*>(option)) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    const auto* bar = static_cast<const QStyleOptionSlider*>(option);
    const bool horizontal = bar->orientation == Qt::Horizontal;
    const QColor ink = option->palette.color(QPalette::Active, QPalette::WindowText);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const auto across = [&](QRectF r, double inset) {
        return horizontal ? r.adjusted(2, inset, -2, -inset) : r.adjusted(inset, 2, -inset, -2);
    };
    painter->fillPath(KitShape::capsule().path(across(QRectF(option->rect), 3)), withAlpha(ink, 0.05));
    if (bar->maximum != bar->minimum && (option->state & State_Enabled)) {
        const QRectF thumb = across(QRectF(subControlRect(control, option, SC_ScrollBarSlider, widget)), 3);
        const bool active = option->activeSubControls & SC_ScrollBarSlider;
        const double alpha = (option->state & State_Sunken) && active ? 0.55 : (option->state & State_MouseOver) ? 0.42 : 0.3;
        painter->fillPath(KitShape::capsule().path(thumb), withAlpha(ink, alpha));
    }
    painter->restore();
}

void installApplicationStyle() {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app) return;
    // The appearance reads the platform's own palette first (for "auto"), before the kit's replaces it.
    Appearance& appearance = Appearance::instance();
    if (!qobject_cast<KitStyle*>(QApplication::style())) QApplication::setStyle(new KitStyle);
    applyPalette();
    if (connectedApplication == app) return;
    connectedApplication = app;
    QObject::connect(&appearance, &Appearance::changed, app, [] { applyPalette(); });
    QObject::connect(&KitSettings::instance(), &KitSettings::changed, app, [](const QString& key) {
        if (key == QLatin1String("accentIndex")) applyPalette();
    });
}

void setMutedText(QWidget* widget) {
    if (widget) widget->setForegroundRole(QPalette::PlaceholderText);
}

QScrollArea* clearScrollArea(QWidget* content, bool showIndicators) {
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(showIndicators ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    for (QWidget* w : {static_cast<QWidget*>(scroll), scroll->viewport(), content}) {
        QPalette p = w->palette();
        p.setBrush(QPalette::Window, Qt::transparent);
        w->setPalette(p);
        w->setAutoFillBackground(false);
    }
    scroll->setWidget(content);
    return scroll;
}

}  // namespace orvane::kit

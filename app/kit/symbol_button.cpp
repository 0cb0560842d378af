#include "app/kit/symbol_button.h"

#include <QEnterEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "app/kit/appearance.h"
#include "app/kit/glass.h"
#include "app/kit/icons.h"
#include "app/kit/kit_settings.h"

namespace orvane::kit {

namespace {
constexpr double symbolPadding = 3.0;
}

SymbolView::SymbolView(const QString& symbol, double glyphSize, double frameWidth, QWidget* parent)
    : QWidget(parent), symbol_(symbol), glyph_(glyphSize) {
    setFixedSize(int(std::ceil(std::max(frameWidth, glyphSize))), int(std::ceil(glyphSize)));
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
    connect(&KitSettings::instance(), &KitSettings::changed, this, qOverload<>(&QWidget::update));
}

void SymbolView::setInk(AdaptiveColor ink) {
    ink_ = ink;
    update();
}

void SymbolView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    icons::paint(p, symbol_, QRectF((width() - glyph_) / 2, (height() - glyph_) / 2, glyph_, glyph_),
                 ink_.resolve(Appearance::instance().isDark()));
}

SymbolButton::SymbolButton(const QString& symbol, double glyphSize, QWidget* parent)
    : QAbstractButton(parent), symbol_(symbol), glyph_(glyphSize) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
    connect(&KitSettings::instance(), &KitSettings::changed, this, qOverload<>(&QWidget::update));
}

void SymbolButton::setSymbol(const QString& symbol) {
    if (symbol_ == symbol) return;
    symbol_ = symbol;
    update();
}

void SymbolButton::setInk(std::optional<AdaptiveColor> ink) {
    ink_ = ink;
    update();
}

void SymbolButton::setHoverAccent(bool accent) {
    hoverAccent_ = accent;
    update();
}

void SymbolButton::setOpacity(double opacity) {
    opacity_ = opacity;
    update();
}

QColor SymbolButton::currentInk() const {
    const bool dark = Appearance::instance().isDark();
    if (hovering_ && isEnabled() && hoverAccent_) return accentColor().resolve(dark);
    return ink_.value_or(accentColor()).resolve(dark);
}

QSize SymbolButton::sizeHint() const {
    const int side = int(std::ceil(glyph_ + 2 * symbolPadding));
    return {side, side};
}

void SymbolButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(opacity_);
    const QRectF glyph((width() - glyph_) / 2, (height() - glyph_) / 2, glyph_, glyph_);
    icons::paint(p, symbol_, glyph, currentInk());
}

void SymbolButton::enterEvent(QEnterEvent* event) {
    hovering_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void SymbolButton::leaveEvent(QEvent* event) {
    hovering_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

GlassCircleButton::GlassCircleButton(const QString& symbol, int diameter, double glyphSize, QWidget* parent)
    : QAbstractButton(parent), symbol_(symbol), diameter_(diameter), glyph_(glyphSize) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(diameter, diameter);
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
    connect(&KitSettings::instance(), &KitSettings::changed, this, qOverload<>(&QWidget::update));
}

void GlassCircleButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    paintGlass(p, this, KitShape::circle(), GlassTreatment::surface);
    const QRectF glyph((width() - glyph_) / 2, (height() - glyph_) / 2, glyph_, glyph_);
    icons::paint(p, symbol_, glyph, primaryLabelColor.resolve(Appearance::instance().isDark()));
}

bool GlassCircleButton::hitButton(const QPoint& pos) const {
    const QPointF d = QPointF(pos) - QRectF(rect()).center();
    return d.x() * d.x() + d.y() * d.y() <= diameter_ * diameter_ / 4.0;
}

CircleSymbolButton::CircleSymbolButton(const QString& symbol, int diameter, double glyphSize, AdaptiveColor ink,
                                       AdaptiveColor fill, std::optional<AdaptiveColor> ring, QWidget* parent)
    : QAbstractButton(parent), symbol_(symbol), diameter_(diameter), glyph_(glyphSize), ink_(ink), fill_(fill),
      ring_(ring) {
    setFixedSize(diameter, diameter);
    setCursor(Qt::PointingHandCursor);
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
}

void CircleSymbolButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) p.setOpacity(0.45);
    const bool dark = Appearance::instance().isDark();
    const QRectF circle(0, 0, diameter_, diameter_);
    p.setPen(Qt::NoPen);
    p.setBrush(fill_.resolve(dark));
    p.drawEllipse(circle);
    if (ring_) {
        p.setPen(QPen(ring_->resolve(dark), 1));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(circle.adjusted(0.5, 0.5, -0.5, -0.5));
    }
    const QRectF glyph((diameter_ - glyph_) / 2, (diameter_ - glyph_) / 2, glyph_, glyph_);
    icons::paint(p, symbol_, glyph, ink_.resolve(dark));
}

bool CircleSymbolButton::hitButton(const QPoint& pos) const {
    const QPointF d = QPointF(pos) - QRectF(rect()).center();
    return d.x() * d.x() + d.y() * d.y() <= diameter_ * diameter_ / 4.0;
}

}  // namespace orvane::kit

#include "app/kit/badges.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QIcon>
#include <QLinearGradient>
#include <QPainter>

#include <cmath>

#include "app/kit/appearance.h"
#include "app/kit/fonts.h"
#include "app/kit/icons.h"
#include "app/kit/kit_settings.h"
#include "app/kit/localization.h"
#include "app/kit/shapes.h"

namespace orvane::kit {

LrBadge::LrBadge(double size, QWidget* parent) : QWidget(parent), size_(size) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
    connect(&KitSettings::instance(), &KitSettings::changed, this, qOverload<>(&QWidget::update));
}

void LrBadge::setInk(AdaptiveColor ink) {
    ink_ = ink;
    update();
}

QSize LrBadge::sizeHint() const {
    const QFontMetricsF fm(uiFont(fontSize(), QFont::Bold));
    const double w = std::max(size_, std::ceil(fm.horizontalAdvance(localized("Lr"))) + 2 * padding());
    return {int(std::ceil(w)), int(std::ceil(size_))};
}

void LrBadge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink = ink_.resolve(Appearance::instance().isDark());
    const QRectF box((width() - sizeHint().width()) / 2.0, (height() - size_) / 2, sizeHint().width(), size_);
    strokeInside(p, KitShape::rounded(cornerRadius()), box, borderWidth, ink);
    p.setPen(ink);
    p.setFont(uiFont(fontSize(), QFont::Bold));
    p.drawText(box, int(Qt::AlignCenter), localized("Lr"));
}

AppIconView::AppIconView(double size, QWidget* parent) : QWidget(parent), size_(size) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
}

QSize AppIconView::sizeHint() const {
    const int side = int(std::ceil(size_));
    return {side, side};
}

void AppIconView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const double drawn = size_ * 1.25;
    const QRectF square(width() / 2.0 - drawn / 2, height() / 2.0 - drawn / 2, drawn, drawn);
    const QIcon icon = QApplication::windowIcon();
    if (!icon.isNull()) {
        const QPixmap pm = icon.pixmap(square.size().toSize(), devicePixelRatioF());
        const QSizeF fit = QSizeF(pm.deviceIndependentSize()).scaled(square.size(), Qt::KeepAspectRatio);
        p.drawPixmap(QRectF(square.center() - QPointF(fit.width() / 2, fit.height() / 2), fit), pm, QRectF(pm.rect()));
        return;
    }
    // No icon from the platform: the kit's own mark, the frame's size with the usual icon margin.
    const bool dark = Appearance::instance().isDark();
    const QRectF tile(width() / 2.0 - size_ * 0.45, height() / 2.0 - size_ * 0.45, size_ * 0.9, size_ * 0.9);
    QLinearGradient g(tile.topLeft(), tile.bottomRight());
    g.setColorAt(0, accentColor().resolve(dark));
    g.setColorAt(1, accentShade().resolve(dark));
    p.fillPath(KitShape::rounded(size_ * 0.22).path(tile), g);
    const double glyph = size_ * 0.5;
    icons::paint(p, QStringLiteral("camera"), QRectF(tile.center() - QPointF(glyph / 2, glyph / 2), QSizeF(glyph, glyph)),
                 onAccentColor.resolve(dark));
}

}  // namespace orvane::kit

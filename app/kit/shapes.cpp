#include "app/kit/shapes.h"

#include <QHash>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

#include "app/kit/backdrop.h"

namespace orvane::kit {

QPainterPath KitShape::path(const QRectF& rect, double inset) const {
    const QRectF r = rect.adjusted(inset, inset, -inset, -inset);
    QPainterPath p;
    if (r.width() <= 0 || r.height() <= 0) return p;
    switch (kind) {
        case Kind::circle: {
            const double d = std::min(r.width(), r.height());
            p.addEllipse(QRectF(r.center().x() - d / 2, r.center().y() - d / 2, d, d));
            break;
        }
        case Kind::capsule: {
            const double cr = std::min(r.width(), r.height()) / 2;
            p.addRoundedRect(r, cr, cr);
            break;
        }
        case Kind::roundedRect: {
            // Continuous corners are approximated by circular ones.
            const double cr = std::clamp(radius - inset, 0.0, std::min(r.width(), r.height()) / 2);
            p.addRoundedRect(r, cr, cr);
            break;
        }
    }
    return p;
}

void strokeInside(QPainter& painter, const KitShape& shape, const QRectF& rect, double width, const QBrush& brush) {
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(brush, width));
    painter.drawPath(shape.path(rect, width / 2));
    painter.restore();
}

void paintShadow(QPainter& painter, const KitShape& shape, const QRectF& rect, const QColor& color, double blur,
                 QPointF offset) {
    if (color.alpha() == 0 || rect.isEmpty()) return;
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const double pad = std::ceil(blur * 2);
    const QString key = QStringLiteral("%1/%2/%3x%4/%5/%6")
                            .arg(int(shape.kind))
                            .arg(shape.radius)
                            .arg(rect.width())
                            .arg(rect.height())
                            .arg(blur)
                            .arg(dpr);
    static QHash<QString, QImage> masks;
    QImage mask = masks.value(key);
    if (mask.isNull()) {
        mask = QImage((QSizeF(rect.width() + 2 * pad, rect.height() + 2 * pad) * dpr).toSize(),
                      QImage::Format_ARGB32_Premultiplied);
        mask.fill(Qt::transparent);
        {
            QPainter p(&mask);
            p.setRenderHint(QPainter::Antialiasing);
            p.scale(dpr, dpr);
            p.fillPath(shape.path(QRectF(QPointF(pad, pad), rect.size())), Qt::black);
        }
        mask = blurredImage(mask, blur / 2 * dpr, 1);
        mask.setDevicePixelRatio(dpr);
        if (masks.size() > 128) masks.clear();
        masks.insert(key, mask);
    }
    QImage tinted = mask;
    {
        QPainter tint(&tinted);
        tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
        tint.fillRect(tinted.rect(), color);
    }
    painter.drawImage(rect.topLeft() + offset - QPointF(pad, pad), tinted);
}

}  // namespace orvane::kit

#include "app/kit/shapes.h"

#include <QPainter>
#include <QPen>

#include <algorithm>

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

}  // namespace orvane::kit

#pragma once
// The shapes the kit draws surfaces and borders in.
#include <QColor>
#include <QPainterPath>
#include <QRectF>

class QBrush;
class QPainter;

namespace orvane::kit {

// A shape chosen by a caller, applied to whatever rectangle the decorated view has.
struct KitShape {
    enum class Kind { roundedRect, capsule, circle };
    Kind kind = Kind::roundedRect;
    double radius = 0.0;  // rounded rectangles only

    static KitShape rounded(double radius) { return {Kind::roundedRect, radius}; }
    static KitShape capsule() { return {Kind::capsule, 0.0}; }
    static KitShape circle() { return {Kind::circle, 0.0}; }

    // The outline in `rect`, or `inset` inside it (a border drawn inside the edge is inset by half
    // its width, its corner radius shrinking by the same amount).
    QPainterPath path(const QRectF& rect, double inset = 0.0) const;
};

// Draws a border of `width` inside the edge of `shape` in `rect`, so the shape keeps its outer size.
void strokeInside(QPainter& painter, const KitShape& shape, const QRectF& rect, double width, const QBrush& brush);

// The soft shadow `shape` in `rect` casts: `color` blurred by `blur` points and moved by `offset`. The
// blurred shape is made once per size and kept, so no graphics effect runs at paint time. It reaches
// about `blur` points beyond the shape on every side.
void paintShadow(QPainter& painter, const KitShape& shape, const QRectF& rect, const QColor& color, double blur,
                 QPointF offset);

}  // namespace orvane::kit

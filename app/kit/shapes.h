#pragma once
// The shapes the kit draws surfaces and borders in.
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

}  // namespace orvane::kit

#pragma once
// The interface's icons: its names map through one table (icons.txt) to the bundled SVG files of a
// permissively licensed set; they are tinted when painted.
#include <QColor>
#include <QPixmap>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

namespace orvane::kit::icons {

// Every name of the table, in its order.
QStringList names();
// The bundled file that draws `name`; empty for a name the table lacks.
QString fileFor(const QString& name);
// The icon in `color`, fitted into `rect` keeping its proportions; nothing for an unknown name.
void paint(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color);
QPixmap pixmap(const QString& name, QSize size, const QColor& color, qreal devicePixelRatio = 1.0);
// The licence of the icon set, as bundled.
QString licenceText();

}  // namespace orvane::kit::icons

#include "app/kit/fonts.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>

namespace orvane::kit {

bool hasUiFont() { return QFontDatabase::families().contains(QString::fromLatin1(uiFontFamily)); }

QFont uiFont(double points, int weight) {
    QFont font(QString::fromLatin1(uiFontFamily));
    // Pixel sizes are whole numbers; a point size reaches fractional pixels at the screen's dpi.
    const QScreen* screen = qGuiApp ? QGuiApplication::primaryScreen() : nullptr;
    const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    font.setPointSizeF(points * 72.0 / dpi);
    font.setWeight(QFont::Weight(weight));
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

void installUiFont() { QGuiApplication::setFont(uiFont(bodyFontSize)); }

}  // namespace orvane::kit

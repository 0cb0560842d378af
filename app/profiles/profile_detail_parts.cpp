#include "app/profiles/profile_detail_parts.h"

#include <QFrame>

#include "app/kit/fonts.h"
#include "app/kit/text.h"

namespace orvane::profiles {

kit::KitLabel* textLabel(const QString& text, double points, int weight, kit::AdaptiveColor color, bool localized) {
    auto* l = new kit::KitLabel(text, kit::uiFont(points, weight));
    l->setLocalized(localized);
    l->setColor(color);
    return l;
}

kit::KitLabel* wrappingLabel(const QString& text, kit::AdaptiveColor color, bool centred, double points) {
    auto* l = textLabel(text, points, QFont::Normal, color);
    l->setMaxLines(0);
    if (centred) l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    return l;
}

QWidget* divider() {
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setFixedHeight(1);
    return line;
}

}  // namespace orvane::profiles

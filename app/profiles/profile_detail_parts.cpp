#include "app/profiles/profile_detail_parts.h"

#include <QPainter>

#include "app/kit/appearance.h"

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

namespace {
// A hairline in the label colour at a low opacity, following the appearance.
class Hairline final : public QWidget {
public:
    Hairline() {
        setFixedHeight(1);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), kit::withAlpha(kit::primaryLabelColor.resolve(kit::Appearance::instance().isDark()), 0.12));
    }
};
}  // namespace

QWidget* divider() { return new Hairline; }

}  // namespace orvane::profiles

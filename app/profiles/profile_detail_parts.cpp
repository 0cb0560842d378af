#include "app/profiles/profile_detail_parts.h"

#include <QPainter>
#include <QVBoxLayout>

#include <cmath>
#include <cstdint>

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

namespace {
kit::AdaptiveColor rgb(double r, double g, double b) {
    const auto c = std::uint32_t(std::lround(r * 255)) << 16 | std::uint32_t(std::lround(g * 255)) << 8 |
                   std::uint32_t(std::lround(b * 255));
    return kit::adaptiveColor(c, c);
}
}  // namespace

std::vector<kit::AdaptiveColor> temperatureTrack() {
    return {rgb(0.16, 0.42, 0.93), rgb(0.62, 0.74, 0.95), rgb(0.98, 0.84, 0.40), rgb(0.98, 0.73, 0.10)};
}

std::vector<kit::AdaptiveColor> tintTrack() {
    return {rgb(0.20, 0.70, 0.30), rgb(0.62, 0.80, 0.62), rgb(0.90, 0.62, 0.82), rgb(0.88, 0.18, 0.68)};
}

QWidget* sectionHeader(const QString& title) {
    auto* header = new QWidget;
    auto* column = new QVBoxLayout(header);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    auto* label = new kit::KitLabel(title, kit::trackedFont(11, QFont::DemiBold, 0.8));
    label->setLocalized(true);
    label->setUpperCase(true);
    label->setColor(kit::mutedColor);
    column->addWidget(label);
    column->addWidget(divider());
    return header;
}

}  // namespace orvane::profiles

#pragma once
// Small pieces the profile screen's widgets share: labels in the kit's font and colours, a divider.
#include <QString>

#include <vector>

#include "app/kit/palette.h"

class QWidget;

namespace orvane::kit {
class KitLabel;
}

namespace orvane::profiles {

// A label in the interface font; `localized` looks the text up in the user's language.
kit::KitLabel* textLabel(const QString& text, double points, int weight, kit::AdaptiveColor color,
                         bool localized = true);
// A wrapping label (caption size unless told) in `color`, its lines centred when asked.
kit::KitLabel* wrappingLabel(const QString& text, kit::AdaptiveColor color, bool centred,
                             double points = 11.0);
// A thin horizontal line in the hairline colour.
QWidget* divider();
// The gradient tracks of the white-balance sliders, cold to warm and green to magenta.
std::vector<kit::AdaptiveColor> temperatureTrack();
std::vector<kit::AdaptiveColor> tintTrack();
// A group's header: its title (a localisation key) in small tracked capitals over a divider.
QWidget* sectionHeader(const QString& title);

}  // namespace orvane::profiles

#pragma once
// The one interface font, pinned so renders are the same on every machine. Sizes are in points,
// which the kit treats as device-independent pixels.
#include <QFont>

namespace orvane::kit {

inline constexpr const char* uiFontFamily = "Roboto";
inline constexpr double bodyFontSize = 13.0;

// Whether the font is installed (scripts/setup.sh installs it).
bool hasUiFont();
// The interface font at `points` device-independent pixels, fractional sizes included.
QFont uiFont(double points, int weight = QFont::Normal);
// Makes the interface font the application's default.
void installUiFont();

}  // namespace orvane::kit

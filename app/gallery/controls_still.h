#pragma once
// A still of the plain controls in the application's style: an alert, a menu with a highlighted
// item, a text field with a selection, a scrolled text area and a tooltip, over the window backdrop.
#include <QImage>

namespace orvane::gallery {

// Rendered offscreen in one appearance with the default accent; the process's settings store,
// appearance, font and application style are replaced for it.
QImage renderApplicationControls(bool dark);

}  // namespace orvane::gallery

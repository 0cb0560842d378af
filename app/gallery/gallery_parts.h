#pragma once
// The pieces both gallery pages are laid out with: captions, section headings, labelled samples, and a
// pointer resting on a sample to show its hover state.
#include <QString>
#include <QWidget>

#include <memory>

namespace orvane::kit {
class KitLabel;
}

namespace orvane::gallery {

// A line of text in the primary or the muted colour.
kit::KitLabel* galleryText(const QString& text, double size, int weight, bool muted);
// The small muted line under a sample.
kit::KitLabel* caption(const QString& text);
// A section's heading, in capitals.
kit::KitLabel* heading(const QString& text);
// `item` with its caption under it; at its own width, or as wide as the column when `fill`.
QWidget* labelled(QWidget* item, const QString& text, bool fill = false);
// A heading over `body`.
QWidget* section(const QString& title, QWidget* body);
// Makes `w` believe the pointer rests on it.
void hoverOver(QWidget* w);

// The components page (its own file).
std::unique_ptr<QWidget> makeComponentsPage(bool showStates);

}  // namespace orvane::gallery

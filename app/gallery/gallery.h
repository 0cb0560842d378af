#pragma once
// The kit gallery: every component of the visual kit in two pages, and their screenshots.
//   foundations  colours, surfaces, the sheet, buttons and hover effects;
//   components   page header and path bar, cards and status, sliders and tool groups, the pill picker,
//                forms with help dots, the catalog order, the source tabs, tooltips and hints.
#include <QImage>
#include <QSize>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>

namespace orvane::gallery {

enum class GalleryPage { foundations, components };
// "foundations" or "components"; nothing for any other name.
std::optional<GalleryPage> galleryPageNamed(const QString& name);
QString galleryPageName(GalleryPage page);
QSize gallerySize(GalleryPage page);

// A page of the gallery, drawn with the settings and appearance in effect. With `showStates`, the views
// whose captions name a state (hover, pressed) are put in it.
std::unique_ptr<QWidget> makeKitGallery(GalleryPage page = GalleryPage::foundations, bool showStates = true);

// A still of a page in one appearance and style, with the other settings at their defaults and
// animations off; the process's settings store and appearance are replaced for it.
QImage renderKitGallery(GalleryPage page, bool dark, bool flat);

}  // namespace orvane::gallery

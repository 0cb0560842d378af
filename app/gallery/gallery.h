#pragma once
// The kit gallery: every component of the visual kit in one window, and its screenshots.
#include <QImage>
#include <QSize>
#include <QWidget>

#include <memory>

namespace orvane::gallery {

inline constexpr QSize gallerySize{1180, 820};

// The gallery's content, drawn with the settings and appearance in effect. With `showStates`, the
// buttons and hover effects whose captions name a state (hover, pressed) are put in it.
std::unique_ptr<QWidget> makeKitGallery(bool showStates = true);

// A still of the gallery in one appearance and style, with the other settings at their defaults and
// animations off; the process's settings store and appearance are replaced for it.
QImage renderKitGallery(bool dark, bool flat);

}  // namespace orvane::gallery

#include "app/gallery/gallery_parts.h"

#include <QApplication>
#include <QEnterEvent>
#include <QVBoxLayout>

#include "app/kit/buttons.h"
#include "app/kit/fonts.h"
#include "app/kit/palette.h"
#include "app/kit/text.h"

namespace orvane::gallery {

kit::KitLabel* galleryText(const QString& text, double size, int weight, bool muted) {
    auto* label = new kit::KitLabel(text, kit::uiFont(size, weight));
    if (muted) label->setColor(kit::mutedColor);
    return label;
}

kit::KitLabel* caption(const QString& text) { return galleryText(text, 11, QFont::Normal, true); }

kit::KitLabel* heading(const QString& text) {
    auto* label = galleryText(text, 11, QFont::DemiBold, true);
    label->setUpperCase(true);
    return label;
}

QWidget* labelled(QWidget* item, const QString& text, bool fill) {
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    // Room for what a button draws beyond its frame (hover growth, shadow): a parent clips its children.
    layout->setContentsMargins(kit::buttonOverflow, kit::buttonOverflow, kit::buttonOverflow, 0);
    layout->setSpacing(4);
    if (fill)
        layout->addWidget(item);
    else
        layout->addWidget(item, 0, Qt::AlignLeft);
    layout->addWidget(caption(text), 0, Qt::AlignLeft);
    return box;
}

QWidget* section(const QString& title, QWidget* body) {
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(heading(title));
    layout->addWidget(body);
    return box;
}

void hoverOver(QWidget* w) {
    QEnterEvent e(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(w, &e);
}

}  // namespace orvane::gallery

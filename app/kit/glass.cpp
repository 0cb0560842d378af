#include "app/kit/glass.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

#include "app/kit/app_backdrop.h"
#include "app/kit/appearance.h"
#include "app/kit/kit_settings.h"
#include "app/kit/palette.h"

namespace orvane::kit {

namespace {
// The hairline of the flat look and of the glass look's outline leave room for their own width.
constexpr double outlineInset = 0.4;
}  // namespace

double glassTintOpacity(GlassTreatment treatment, double t) {
    if (treatment == GlassTreatment::surface) t = std::min(t, 0.6);
    if (!(t < 1.0)) return 0.0;  // at or above 1 (or not a number): no tint
    return (1.0 - std::max(t, 0.0)) * 0.92;
}

GlassLayers resolveGlassLayers(GlassTreatment treatment, bool flatStyle, bool dark, double transparency, bool onPhoto) {
    GlassLayers l;
    const QColor primary = primaryLabelColor.resolve(dark);
    l.flat = flatStyle;
    if (flatStyle) {
        if (treatment == GlassTreatment::group) {
            l.flatFill = withAlpha(primary, 0.045);
            l.flatBorder = withAlpha(primary, 0.06);
            l.flatBorderInside = true;
        } else {
            l.flatFill = flatCardColor.resolve(dark);
            l.flatBorder = withAlpha(primary, 0.05);
        }
        l.flatBorderWidth = 0.5;
        return l;
    }
    l.material = Material::ultraThin;
    if (treatment == GlassTreatment::panel && onPhoto) {
        // Over a photograph only the material and a bright edge; the transparency does not apply.
        l.tint = Qt::transparent;
        l.sheen = Qt::transparent;
        l.outline = withAlpha(Qt::white, 0.18);
        l.outlineWidth = 0.8;
        return l;
    }
    const GlassTreatment tintKind = treatment == GlassTreatment::surface ? treatment : GlassTreatment::airy;
    l.tint = withAlpha(raisedColor.resolve(dark), glassTintOpacity(tintKind, transparency));
    l.sheen = withAlpha(Qt::white, dark ? 0.03 : 0.22);
    l.outline = dark ? withAlpha(Qt::white, 0.10) : withAlpha(Qt::black, 0.06);
    l.outlineWidth = 0.8;
    return l;
}

void paintGlass(QPainter& p, const QWidget* widget, const KitShape& shape, const GlassLayers& layers) {
    const QRectF rect(widget->rect());
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    if (layers.flat) {
        const QPainterPath path = shape.path(rect, layers.flatBorderInside ? 0.0 : outlineInset);
        p.fillPath(path, layers.flatFill);
        if (layers.flatBorderInside)
            strokeInside(p, shape, rect, layers.flatBorderWidth, layers.flatBorder);
        else
            p.strokePath(path, QPen(layers.flatBorder, layers.flatBorderWidth));
        p.restore();
        return;
    }
    const QPainterPath path = shape.path(rect, outlineInset);
    if (AppBackdrop* root = AppBackdrop::of(widget))
        root->paintMaterial(p, widget, path, layers.material);
    else
        p.fillPath(path, materialTint(layers.material, Appearance::instance().isDark()));
    p.fillPath(path, layers.tint);
    p.fillPath(path, layers.sheen);
    if (layers.outlineWidth > 0 && layers.outline.alpha() > 0) p.strokePath(path, QPen(layers.outline, layers.outlineWidth));
    p.restore();
}

void paintGlass(QPainter& p, const QWidget* widget, const KitShape& shape, GlassTreatment treatment, bool onPhoto) {
    const bool dark = Appearance::instance().isDark();
    const auto& settings = KitSettings::instance();
    paintGlass(p, widget, shape,
               resolveGlassLayers(treatment, settings.isFlat(), dark, settings.cardTransparency(dark), onPhoto));
}

GlassFrame::GlassFrame(GlassTreatment treatment, KitShape shape, QWidget* parent)
    : QWidget(parent), treatment_(treatment), shape_(shape) {
    connect(&KitSettings::instance(), &KitSettings::changed, this, qOverload<>(&QWidget::update));
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
}

GlassFrame* GlassFrame::group(double radius, QWidget* parent) {
    return new GlassFrame(GlassTreatment::group, KitShape::rounded(radius), parent);
}

void GlassFrame::setOnPhoto(bool onPhoto) {
    if (onPhoto_ == onPhoto) return;
    onPhoto_ = onPhoto;
    update();
}

void GlassFrame::paintEvent(QPaintEvent*) {
    ++paints_;
    QPainter p(this);
    paintGlass(p, this, shape_, treatment_, onPhoto_);
}

}  // namespace orvane::kit

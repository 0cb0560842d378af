#include "app/kit/sheet_background.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

#include "app/kit/app_backdrop.h"
#include "app/kit/appearance.h"
#include "app/kit/backdrop.h"
#include "app/kit/kit_settings.h"
#include "app/kit/palette.h"
#include "app/kit/shapes.h"

namespace orvane::kit {

double sheetTintOpacity(double t) {
    // An imported settings file can hold any transparency; an opacity stays an opacity.
    const double a = (1.0 - t) * 0.72 + 0.2;
    if (std::isnan(a)) return 0.2;
    return std::clamp(a, 0.0, 1.0);
}

void paintSheetTint(QPainter& p, const QRectF& r, bool dark) {
    QLinearGradient g(r.topLeft(), r.bottomRight());
    const QColor accent = accentColor().resolve(dark);
    const QColor blue = QColor::fromRgbF(0.36f, 0.55f, 1.0f);
    g.setColorAt(0.0, withAlpha(accent, 0.04));
    g.setColorAt(0.5, withAlpha(blue, 0.035));
    g.setColorAt(1.0, withAlpha(blue, 0.0));
    p.fillRect(r, g);
}

void paintGlassCornerTint(QPainter& p, const QRectF& r, bool dark, double radius) {
    const QColor accent = accentColor().resolve(dark);
    struct Glow {
        QColor color;
        double opacity;
        QPointF centre;
        double radius;
    };
    const Glow glows[] = {
        {accent, dark ? 0.13 : 0.11, r.topRight(), 120},
        {hueShifted(accent, 0.12), dark ? 0.10 : 0.085, r.bottomLeft(), 120},
        {hueShifted(accent, 0.06), dark ? 0.075 : 0.065, r.topLeft(), 100},
        {hueShifted(accent, -0.06), dark ? 0.075 : 0.065, r.bottomRight(), 100},
    };
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipPath(KitShape::rounded(radius).path(r), Qt::IntersectClip);
    for (const Glow& glow : glows) {
        QRadialGradient g(glow.centre, glow.radius);
        g.setColorAt(0.0, withAlpha(glow.color, glow.opacity));
        g.setColorAt(1.0, withAlpha(glow.color, 0.0));
        p.fillRect(r, g);
    }
    p.restore();
}

void paintGlassRim(QPainter& p, const QRectF& r, bool dark, double radius) {
    const QColor rim = mixed(accentColor().resolve(dark), Qt::white, 0.55);
    const KitShape shape = KitShape::rounded(radius);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient first(r.topLeft(), r.bottomRight());
    first.setColorAt(0.0, withAlpha(rim, dark ? 0.14 : 0.20));
    first.setColorAt(0.5, withAlpha(Qt::white, dark ? 0.03 : 0.08));
    first.setColorAt(1.0, withAlpha(rim, dark ? 0.14 : 0.20));
    strokeInside(p, shape, r, 1.2, first);
    QLinearGradient second(r.topRight(), r.bottomLeft());
    second.setColorAt(0.0, withAlpha(rim, dark ? 0.38 : 0.48));
    second.setColorAt(0.3, withAlpha(rim, 0.0));
    second.setColorAt(0.7, withAlpha(rim, 0.0));
    second.setColorAt(1.0, withAlpha(rim, dark ? 0.32 : 0.42));
    strokeInside(p, shape, r, 1.4, second);
    p.restore();
}

GlassSheet::GlassSheet(bool veryClear, QWidget* parent) : QWidget(parent), veryClear_(veryClear) {
    connect(&KitSettings::instance(), &KitSettings::changed, this, qOverload<>(&QWidget::update));
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
}

QImage GlassSheet::background(const Key& key) {
    if (key == cachedKey_ && !cached_.isNull()) return cached_;
    const bool dark = key.dark;
    const qreal dpr = devicePixelRatioF();
    QImage image(key.pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    const QRectF r(rect());
    const QPainterPath window = KitShape::rounded(cornerRadius).path(r);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setClipPath(window);
        if (AppBackdrop* root = AppBackdrop::of(this))
            root->paintMaterial(p, this, window, Material::thin);
        else
            p.fillPath(window, materialTint(Material::thin, dark));
        p.fillPath(window, withAlpha(raisedColor.resolve(dark), key.tint));
        paintGlassCornerTint(p, r, dark, cornerRadius);
        paintSheetTint(p, r, dark);
    }
    // Text reads on every part of the sheet, its corner glows included.
    const LuminanceRange range = sheetLuminance(dark);
    limitLuminance(image, range.floor, range.ceiling);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        paintGlassRim(p, r, dark, cornerRadius);
    }
    cachedKey_ = key;
    cached_ = image;
    return image;
}

void GlassSheet::paintEvent(QPaintEvent*) {
    const bool dark = Appearance::instance().isDark();
    const auto& settings = KitSettings::instance();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (settings.isFlat()) {
        p.fillPath(KitShape::rounded(cornerRadius).path(QRectF(rect())), windowBackgroundColor.resolve(dark));
        return;
    }
    if (veryClear_) return;  // the content draws its own surfaces
    const qreal dpr = devicePixelRatioF();
    AppBackdrop* root = AppBackdrop::of(this);
    Key key;
    key.pixels = QSize(int(std::ceil(width() * dpr)), int(std::ceil(height() * dpr)));
    if (key.pixels.isEmpty()) return;
    key.offset = root ? mapTo(root, QPoint(0, 0)) : QPoint();
    key.backdropRenders = root ? root->renderCount() : -1;
    key.dark = dark;
    key.tint = sheetTintOpacity(settings.cardTransparency(dark));
    key.accent = selectedAccentIndex();
    p.drawImage(QRectF(rect()), background(key));
}

}  // namespace orvane::kit

#include "app/kit/app_backdrop.h"

#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>

#include <cmath>

#include "app/kit/appearance.h"
#include "app/kit/kit_settings.h"

namespace orvane::kit {

namespace {
constexpr int blurDownscale = 4;
}

QColor materialTint(Material material, bool dark) {
    const double alpha = material == Material::ultraThin ? 0.18 : material == Material::thin ? 0.32 : 0.48;
    QColor c = dark ? QColor(30, 30, 34) : QColor(Qt::white);
    c.setAlphaF(float(dark ? alpha + 0.08 : alpha));
    return c;
}

AppBackdrop::AppBackdrop(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    debounce_.setSingleShot(true);
    debounce_.setInterval(resizeDebounceMs);
    connect(&debounce_, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    connect(&KitSettings::instance(), &KitSettings::changed, this, qOverload<>(&QWidget::update));
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
}

AppBackdrop* AppBackdrop::of(const QWidget* widget) {
    for (auto* w = const_cast<QWidget*>(widget); w; w = w->parentWidget())
        if (auto* root = qobject_cast<AppBackdrop*>(w)) return root;
    return nullptr;
}

AppBackdrop::Key AppBackdrop::currentKey() const {
    const bool dark = Appearance::instance().isDark();
    const auto& settings = KitSettings::instance();
    const qreal dpr = devicePixelRatioF();
    return {QSize(int(std::ceil(width() * dpr)), int(std::ceil(height() * dpr))), dark, settings.isFlat(),
            settings.backdropIntensity(dark), selectedAccentIndex()};
}

void AppBackdrop::ensureRendered() {
    const Key key = currentKey();
    if (key.pixels.isEmpty()) return;
    Key sizeless = key, renderedSizeless = renderedKey_;
    sizeless.pixels = renderedSizeless.pixels = {};
    // A size change alone waits for the debounce; anything else shows at once.
    const bool onlySizeChanged = sizeless == renderedSizeless && key.pixels != renderedKey_.pixels;
    if (image_.isNull() || !(sizeless == renderedSizeless) || (onlySizeChanged && !debounce_.isActive()))
        render(key);
}

void AppBackdrop::render(const Key& key) {
    debounce_.stop();
    QImage image(key.pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const qreal dpr = devicePixelRatioF();
    image.setDevicePixelRatio(dpr);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        BackdropParams params;
        params.dark = key.dark;
        params.flat = key.flat;
        params.intensity = key.intensity;
        paintAppBackdrop(p, QRectF(0, 0, key.pixels.width() / dpr, key.pixels.height() / dpr), params);
    }
    image_ = image;
    const LuminanceRange range = materialLuminance(key.dark);
    for (int m = 0; m < materialCount; ++m) {
        QImage& blurred = blurred_[std::size_t(m)];
        blurred = key.flat ? QImage() : blurredImage(image_, materialBlurRadius(Material(m)) * dpr, blurDownscale);
        // Glass keeps text readable wherever it stands: the material's luminance stays in range.
        limitLuminance(blurred, range.floor, range.ceiling);
    }
    renderedKey_ = key;
    ++renders_;
}

void AppBackdrop::renderNow() {
    debounce_.stop();
    render(currentKey());
    update();
}

void AppBackdrop::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // Hidden widgets get their pending resize again when grabbed: only a new size restarts the wait.
    if (!image_.isNull() && event->size() != event->oldSize()) debounce_.start();
}

void AppBackdrop::paintEvent(QPaintEvent*) {
    ensureRendered();
    QPainter p(this);
    if (image_.isNull()) return;
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRectF(rect()), image_, QRectF(image_.rect()));
}

void AppBackdrop::paintMaterial(QPainter& p, const QWidget* widget, const QPainterPath& shape, Material material) {
    ensureRendered();
    const bool dark = Appearance::instance().isDark();
    p.save();
    p.setClipPath(shape, Qt::IntersectClip);
    const QImage& blurred = blurred_[std::size_t(material)];
    if (!blurred.isNull() && width() > 0 && height() > 0) {
        const QPoint offset = widget == this ? QPoint() : widget->mapTo(this, QPoint(0, 0));
        const double sx = double(blurred.width()) / width(), sy = double(blurred.height()) / height();
        const QRectF source(offset.x() * sx, offset.y() * sy, widget->width() * sx, widget->height() * sy);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QRectF(widget->rect()), blurred, source);
    } else {
        p.fillPath(shape, flatWindowColor.resolve(dark));
    }
    p.fillPath(shape, materialTint(material, dark));
    p.restore();
}

}  // namespace orvane::kit

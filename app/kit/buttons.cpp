#include "app/kit/buttons.h"

#include <QEnterEvent>
#include <QGraphicsEffect>
#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "app/kit/appearance.h"
#include "app/kit/backdrop.h"
#include "app/kit/fonts.h"
#include "app/kit/icons.h"
#include "app/kit/kit_settings.h"
#include "app/kit/palette.h"
#include "app/kit/shapes.h"

namespace orvane::kit {

namespace {
QColor brighter(const QColor& c, double amount) {
    if (amount == 0) return c;
    auto ch = [amount](float v) { return float(std::clamp(double(v) + amount, 0.0, 1.0)); };
    return QColor::fromRgbF(ch(c.redF()), ch(c.greenF()), ch(c.blueF()), c.alphaF());
}
QColor blendColor(const QColor& a, const QColor& b, double t) {
    if (t <= 0) return a;
    if (t >= 1) return b;
    auto mix = [t](float x, float y) { return float(double(x) + (double(y) - double(x)) * t); };
    return QColor::fromRgbF(mix(a.redF(), b.redF()), mix(a.greenF(), b.greenF()), mix(a.blueF(), b.blueF()),
                            mix(a.alphaF(), b.alphaF()));
}
double lerp(double a, double b, double t) { return a + (b - a) * t; }
}  // namespace

ControlSize controlSizeOf(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        const QVariant v = w->property("controlSize");
        if (!v.isValid()) continue;
        const QString s = v.toString();
        if (s == QLatin1String("mini")) return ControlSize::mini;
        if (s == QLatin1String("small")) return ControlSize::small;
        if (s == QLatin1String("large")) return ControlSize::large;
        return ControlSize::regular;
    }
    return ControlSize::regular;
}

ButtonAppearance resolveButtonLook(ButtonLook look, const ButtonState& s) {
    const bool hover = s.hovering && s.enabled;  // a disabled button ignores the pointer
    ButtonAppearance a;
    a.opacity = s.enabled ? 1.0 : 0.45;
    switch (look) {
        case ButtonLook::accent:
            a.fontSize = bodyFontSize;
            a.fontWeight = QFont::DemiBold;
            a.paddingH = 18;
            a.paddingV = 8;
            a.fill = ButtonAppearance::Fill::accent;
            a.borderColor = withAlpha(Qt::white, 0.18);
            a.borderWidth = 0.5;
            a.brightness = hover ? 0.05 : 0.0;
            a.offsetY = s.pressed ? 1.0 : 0.0;
            break;
        case ButtonLook::hero:
            a.fontSize = 17;
            a.fontWeight = QFont::DemiBold;
            a.paddingH = 34;
            a.minHeight = 54;
            a.fill = ButtonAppearance::Fill::accentGradient;
            a.border = ButtonAppearance::Border::topHighlight;
            a.borderWidth = 1;
            a.scale = s.pressed ? 0.98 : hover ? 1.02 : 1.0;
            break;
        case ButtonLook::outline: {
            const QColor primary = primaryLabelColor.resolve(s.dark);
            a.fontSize = s.compact ? 12.5 : 13.5;
            a.fontWeight = QFont::Medium;
            a.labelOnAccent = false;
            a.paddingH = s.compact ? 12 : 16;
            a.paddingV = s.compact ? 6 : 9;
            a.fill = ButtonAppearance::Fill::color;
            if (s.dark)
                a.fillColor = withAlpha(Qt::white, hover ? 0.18 : 0.08);
            else
                a.fillColor = hover ? raisedColor.resolve(false) : withAlpha(primary, 0.06);
            a.shadowBlur = 5;
            a.shadowY = 1.5;
            a.shadowColor = !s.dark && hover ? withAlpha(Qt::black, 0.10) : withAlpha(Qt::black, 0.0);
            a.borderColor = withAlpha(primary, s.dark ? (hover ? 0.16 : 0.06) : (hover ? 0.10 : 0.05));
            a.borderWidth = 0.8;
            a.scale = s.pressed ? 0.98 : 1.0;
            break;
        }
    }
    return a;
}

ButtonAppearance blend(const ButtonAppearance& a, const ButtonAppearance& b, double t) {
    ButtonAppearance r = t < 0.5 ? a : b;  // the discrete fields
    r.fillColor = blendColor(a.fillColor, b.fillColor, t);
    r.borderColor = blendColor(a.borderColor, b.borderColor, t);
    r.shadowColor = blendColor(a.shadowColor, b.shadowColor, t);
    r.brightness = lerp(a.brightness, b.brightness, t);
    r.scale = lerp(a.scale, b.scale, t);
    r.offsetY = lerp(a.offsetY, b.offsetY, t);
    r.opacity = lerp(a.opacity, b.opacity, t);
    return r;
}

namespace {
// Soft capsule shadows, blurred once per size and kept: no graphics effects.
QImage capsuleShadow(QSizeF size, double blur, qreal dpr) {
    static QHash<QString, QImage> cache;
    const QString key = QStringLiteral("%1x%2/%3/%4").arg(size.width()).arg(size.height()).arg(blur).arg(dpr);
    if (auto it = cache.constFind(key); it != cache.constEnd()) return *it;
    const double pad = std::ceil(blur * 2);
    QImage image((QSizeF(size.width() + 2 * pad, size.height() + 2 * pad) * dpr).toSize(),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(dpr, dpr);
        p.fillPath(KitShape::capsule().path(QRectF(QPointF(pad, pad), size)), Qt::black);
    }
    QImage blurred = blurredImage(image, blur / 2 * dpr, 1);
    blurred.setDevicePixelRatio(dpr);
    if (cache.size() > 64) cache.clear();
    cache.insert(key, blurred);
    return blurred;
}
}  // namespace

namespace {
// Draws the button outside its own frame, by up to buttonOverflow, so the hover scale and the
// shadow are not cut while the frame stays the capsule. Painting here replaces the widget's own
// paint event; only the button's look is drawn, never an offscreen copy of it.
class ButtonOverflowEffect final : public QGraphicsEffect {
public:
    explicit ButtonOverflowEffect(KitButton* button) : QGraphicsEffect(button), button_(button) {}
    QRectF boundingRectFor(const QRectF& rect) const override {
        return rect.adjusted(-buttonOverflow, -buttonOverflow, buttonOverflow, buttonOverflow);
    }

protected:
    void draw(QPainter* painter) override { button_->paintLook(*painter); }

private:
    KitButton* button_;
};
}  // namespace

namespace {
// The width of a label: the symbol, the gap when both are there, the text.
double labelWidth(const QFontMetricsF& fm, const ButtonAppearance& a, const QString& text, const QString& symbol) {
    double w = fm.horizontalAdvance(text);
    if (!symbol.isEmpty()) w += a.fontSize + (text.isEmpty() ? 0.0 : buttonSymbolGap);
    return w;
}
}  // namespace

QSize buttonLookSize(const ButtonAppearance& a, const QString& text, const QString& symbol) {
    const QFontMetricsF fm(uiFont(a.fontSize, a.fontWeight));
    const double w = labelWidth(fm, a, text, symbol) + 2 * a.paddingH;
    const double h = std::max(fm.height() + 2 * a.paddingV, a.minHeight);
    return {int(std::ceil(w)), int(std::ceil(h))};
}

void paintButtonLook(QPainter& p, const QRectF& capsule, const ButtonAppearance& a, const QString& text, bool dark,
                     qreal dpr, const QString& symbol) {
    const KitShape shape = KitShape::capsule();
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setOpacity(p.opacity() * a.opacity);
    p.translate(capsule.center());
    p.scale(a.scale, a.scale);
    p.translate(-capsule.center() + QPointF(0, a.offsetY));

    if (a.shadowColor.alpha() > 0) {
        QImage shadow = capsuleShadow(capsule.size(), a.shadowBlur, dpr);
        {
            QPainter tint(&shadow);
            tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
            tint.fillRect(shadow.rect(), a.shadowColor);
        }
        const double pad = std::ceil(a.shadowBlur * 2);
        p.drawImage(capsule.topLeft() - QPointF(pad, pad - a.shadowY), shadow);
    }

    const QPainterPath path = shape.path(capsule);
    switch (a.fill) {
        case ButtonAppearance::Fill::accent:
            p.fillPath(path, brighter(accentColor().resolve(dark), a.brightness));
            break;
        case ButtonAppearance::Fill::accentGradient: {
            QLinearGradient g(capsule.topLeft(), capsule.bottomRight());
            g.setColorAt(0, brighter(accentColor().resolve(dark), a.brightness));
            g.setColorAt(1, brighter(accentShade().resolve(dark), a.brightness));
            p.fillPath(path, g);
            break;
        }
        case ButtonAppearance::Fill::color:
            p.fillPath(path, brighter(a.fillColor, a.brightness));
            break;
    }

    p.setFont(uiFont(a.fontSize, a.fontWeight));
    const QColor ink = a.labelOnAccent ? onAccentColor.resolve(dark) : primaryLabelColor.resolve(dark);
    p.setPen(ink);
    if (symbol.isEmpty()) {
        p.drawText(capsule, Qt::AlignCenter, text);
    } else {
        // Symbol and text as one group, centred in the capsule.
        const QFontMetricsF fm(p.font());
        double x = capsule.center().x() - labelWidth(fm, a, text, symbol) / 2;
        icons::paint(p, symbol, QRectF(x, capsule.center().y() - a.fontSize / 2, a.fontSize, a.fontSize), ink);
        x += a.fontSize + buttonSymbolGap;
        p.drawText(QRectF(x, capsule.top(), capsule.right() - x, capsule.height()), Qt::AlignLeft | Qt::AlignVCenter,
                   text);
    }

    if (a.border == ButtonAppearance::Border::topHighlight) {
        QLinearGradient g(capsule.topLeft(), QPointF(capsule.left(), capsule.center().y()));
        g.setColorAt(0, withAlpha(Qt::white, 0.45));
        g.setColorAt(1, withAlpha(Qt::white, 0.0));
        strokeInside(p, shape, capsule, a.borderWidth, g);
    } else if (a.borderWidth > 0) {
        strokeInside(p, shape, capsule, a.borderWidth, a.borderColor);
    }
    p.restore();
}

KitButton::KitButton(const QString& text, ButtonLook look, QWidget* parent)
    : QAbstractButton(parent), look_(look), hover_([this] { update(); }), press_([this] { update(); }) {
    setText(text);
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setGraphicsEffect(new ButtonOverflowEffect(this));
    connect(this, &QAbstractButton::pressed, this, &KitButton::updateTargets);
    connect(this, &QAbstractButton::released, this, &KitButton::updateTargets);
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
    connect(&KitSettings::instance(), &KitSettings::changed, this, qOverload<>(&QWidget::update));
}

ButtonState KitButton::state(bool hovering, bool pressed) const {
    ButtonState s;
    s.enabled = isEnabled();
    s.hovering = hovering;
    s.pressed = pressed;
    s.dark = Appearance::instance().isDark();
    const ControlSize size = controlSizeOf(this);
    s.compact = size == ControlSize::small || size == ControlSize::mini;
    return s;
}

void KitButton::updateTargets() {
    hover_.setTarget(hovering_ && isEnabled() ? 1.0 : 0.0);
    // The accent look moves down at once; the others spring.
    press_.setTarget(isDown() ? 1.0 : 0.0, look_ != ButtonLook::accent);
}

void KitButton::enterEvent(QEnterEvent* event) {
    hovering_ = true;
    updateTargets();
    QAbstractButton::enterEvent(event);
}

void KitButton::leaveEvent(QEvent* event) {
    hovering_ = false;
    updateTargets();
    QAbstractButton::leaveEvent(event);
}

void KitButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) updateTargets();
    QAbstractButton::changeEvent(event);
}

bool KitButton::hitButton(const QPoint& pos) const { return rect().contains(pos); }

QSize KitButton::sizeHint() const {
    return buttonLookSize(resolveButtonLook(look_, state(false, false)), text(), symbol_);
}

void KitButton::setSymbol(const QString& symbol) {
    symbol_ = symbol;
    updateGeometry();
    update();
}

void KitButton::paintEvent(QPaintEvent*) {
    // Reached only where the overflow effect is off (a grab of the button alone): drawn inside its frame.
    QPainter p(this);
    paintLook(p);
}

void KitButton::paintLook(QPainter& painter) {
    double pressP = press_.value();
    if (isDown() && press_.target() < 0.5) pressP = 1.0;  // set down without a press (setDown)
    if (!isDown() && press_.target() > 0.5) pressP = 0.0;
    const double hoverP = isEnabled() ? hover_.value() : 0.0;
    const ButtonAppearance a =
        blend(blend(resolveButtonLook(look_, state(false, false)), resolveButtonLook(look_, state(true, false)), hoverP),
              blend(resolveButtonLook(look_, state(false, true)), resolveButtonLook(look_, state(true, true)), hoverP),
              pressP);
    paintButtonLook(painter, QRectF(rect()), a, text(), Appearance::instance().isDark(), devicePixelRatioF(), symbol_);
}

HoverDecorator::HoverDecorator(QWidget* parent) : QWidget(parent), progress_([this] { hoverStep(); }) {
    setAttribute(Qt::WA_Hover);
}

void HoverDecorator::enterEvent(QEnterEvent* event) {
    hovering_ = true;
    progress_.setTarget(1.0);
    QWidget::enterEvent(event);
}

void HoverDecorator::leaveEvent(QEvent* event) {
    hovering_ = false;
    progress_.setTarget(0.0);
    QWidget::leaveEvent(event);
}

HoverLift::HoverLift(QWidget* content, QWidget* parent) : HoverDecorator(parent), content_(content) {
    content_->setParent(this);
    place();
}

QSize HoverLift::sizeHint() const {
    const QSize content = content_->sizeHint().expandedTo(content_->minimumSize()).boundedTo(content_->maximumSize());
    return content + QSize(0, lift);
}

void HoverLift::place() {
    const int y = int(std::lround(lift * (1.0 - progress())));
    content_->setGeometry(0, y, width(), std::max(0, height() - lift));
}

void HoverLift::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    place();
}

HoverFill::HoverFill(double radius, QWidget* content, QWidget* parent) : HoverDecorator(parent), radius_(radius) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
}

void HoverFill::paintEvent(QPaintEvent*) {
    const double alpha = 0.06 * progress();
    if (alpha <= 0) return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(KitShape::rounded(radius_).path(QRectF(rect())),
               withAlpha(primaryLabelColor.resolve(Appearance::instance().isDark()), alpha));
}

}  // namespace orvane::kit

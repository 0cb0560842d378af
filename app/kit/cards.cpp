#include "app/kit/cards.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "app/kit/appearance.h"
#include "app/kit/fonts.h"
#include "app/kit/icons.h"
#include "app/kit/kit_settings.h"
#include "app/kit/localization.h"
#include "app/kit/text.h"

namespace orvane::kit {

namespace {
// Beyond any real percentage, and well inside a 64-bit integer.
constexpr double percentLimit = 1e15;

void followLook(QWidget* w) {
    QObject::connect(&Appearance::instance(), &Appearance::changed, w, qOverload<>(&QWidget::update));
    QObject::connect(&KitSettings::instance(), &KitSettings::changed, w, qOverload<>(&QWidget::update));
}

// The largest size from `size` down to `size × least` at which `text` fits `width`.
QFont fitted(const QString& text, double size, int weight, double tracking, double width, double least) {
    QFont f = trackedFont(size, weight, tracking);
    const double natural = QFontMetricsF(f).horizontalAdvance(text);
    if (natural <= width || natural <= 0) return f;
    return trackedFont(std::max(size * least, size * width / natural), weight, tracking);
}
}  // namespace

// ---- Pure rules ----

QString percentText(double fraction) {
    const double percent = fraction * 100.0;
    if (!std::isfinite(percent)) return QString::fromUtf8("—%");
    const auto whole = static_cast<long long>(std::round(std::clamp(percent, -percentLimit, percentLimit)));
    return QString::number(whole) + QLatin1Char('%');
}

double clampedFraction(double fraction) {
    if (!(fraction > 0.0)) return 0.0;  // negative or not a number
    return std::min(fraction, 1.0);
}

double pillBarWidth(double width, double fraction) { return std::max(8.0, width * clampedFraction(fraction)); }

AdaptiveColor pillBarColor(StatusKind kind) {
    if (kind == StatusKind::ok) return okColor;
    if (kind == StatusKind::bad) return badColor;
    return accentColor();
}

RingLayout progressRingLayout(const QSizeF& offered, double lineWidth, double fraction) {
    RingLayout r;
    r.side = std::max(0.0, std::min(offered.width(), offered.height()));
    r.square = QRectF((offered.width() - r.side) / 2, (offered.height() - r.side) / 2, r.side, r.side);
    // The clamp prefers the number 1 to a missing value: not-a-number draws a full ring.
    r.arc = std::isnan(fraction) ? 1.0 : std::max(std::min(fraction, 1.0), 0.001);
    const double inner = r.side - 2 * lineWidth;
    r.percentFontSize = std::max(inner * 0.32, 9.0);
    r.captionFontSize = std::max(r.side * 0.085, 9.0);
    r.centreMaxWidth = std::max(inner - 4, 0.0);
    r.centreSpacing = std::max(r.side * 0.02, 2.0);
    return r;
}

// ---- IconTile ----

IconTile::IconTile(const QString& symbol, double size, bool filled, QWidget* parent)
    : QWidget(parent), symbol_(symbol), size_(size), filled_(filled) {
    const int side = int(std::ceil(size));
    setFixedSize(side, side);
    followLook(this);
}

void IconTile::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = Appearance::instance().isDark();
    const QRectF tile(0, 0, size_, size_);
    const QPainterPath path = KitShape::rounded(cornerRadius()).path(tile);
    if (filled_) {
        QLinearGradient g(tile.topLeft(), tile.bottomRight());
        g.setColorAt(0, accentColor().resolve(dark));
        g.setColorAt(1, accentShade().resolve(dark));
        p.fillPath(path, g);
    } else {
        p.fillPath(path, accentColor().opacity(0.16).resolve(dark));
    }
    const double g = glyphSize();
    icons::paint(p, symbol_, QRectF((size_ - g) / 2, (size_ - g) / 2, g, g),
                 (filled_ ? onAccentColor : accentColor()).resolve(dark));
}

// ---- Card ----

Card::Card(std::optional<QString> title, std::optional<QString> symbol, QWidget* content, QWidget* parent)
    : GlassFrame(GlassTreatment::clear, KitShape::rounded(20), parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(16, 16, 16, 16);
    layout_->setSpacing(12);
    if (title) {
        header_ = new QWidget;
        auto* row = new QHBoxLayout(header_);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(8);
        if (symbol) {
            tile_ = new IconTile(*symbol, 26, false);
            row->addWidget(tile_, 0, Qt::AlignVCenter);
        }
        title_ = new KitLabel(*title, trackedFont(TextStyle::headline, QFont::DemiBold, -0.2));
        title_->setLocalized(true);
        row->addWidget(title_, 0, Qt::AlignVCenter);
        row->addStretch(1);
        layout_->addWidget(header_);
    }
    if (content) addContent(content);
}

void Card::addContent(QWidget* content) { layout_->addWidget(content, 0, Qt::AlignLeft | Qt::AlignTop); }

// ---- StatusPill ----

namespace {
QFont pillFont() { return uiFont(TextStyle::caption, QFont::DemiBold); }
constexpr double pillPadH = 9, pillPadV = 3, pillSpacing = 4;
}  // namespace

StatusPill::StatusPill(const QString& text, std::optional<QString> symbol, Kind kind, QWidget* parent)
    : QWidget(parent), text_(text), symbol_(std::move(symbol)), kind_(kind) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    followLook(this);
    connect(&KitSettings::instance(), &KitSettings::changed, this, [this](const QString& key) {
        if (key == QLatin1String("language")) updateGeometry();
    });
}

void StatusPill::setText(const QString& text) {
    text_ = text;
    updateGeometry();
    update();
}

void StatusPill::setKind(Kind kind) {
    kind_ = kind;
    update();
}

QSize StatusPill::sizeHint() const {
    const QFontMetricsF fm(pillFont());
    double w = std::ceil(fm.horizontalAdvance(localized(text_)));
    if (symbol_) w += fm.height() * 0.9 + pillSpacing;
    return {int(std::ceil(w + 2 * pillPadH)), int(std::ceil(fm.height() + 2 * pillPadV))};
}

void StatusPill::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = Appearance::instance().isDark();
    const auto [fg, bg] = statusKindColor(kind_);
    p.fillPath(KitShape::capsule().path(QRectF(rect())), bg.resolve(dark));
    const QFontMetricsF fm(pillFont());
    double x = pillPadH;
    if (symbol_) {
        const double g = fm.height() * 0.9;
        icons::paint(p, *symbol_, QRectF(x, (height() - g) / 2, g, g), fg.resolve(dark));
        x += g + pillSpacing;
    }
    p.setFont(pillFont());
    p.setPen(fg.resolve(dark));
    p.drawText(QRectF(x, 0, width() - x, height()), int(Qt::AlignLeft | Qt::AlignVCenter), localized(text_));
}

// ---- PillBar ----

PillBar::PillBar(double fraction, StatusKind kind, QWidget* parent)
    : QWidget(parent), fraction_(fraction), kind_(kind), shown_([this] { update(); }) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(8);
    shown_.setTarget(clampedFraction(fraction), false);
    followLook(this);
}

void PillBar::setFraction(double fraction) {
    fraction_ = fraction;
    shown_.setTarget(clampedFraction(fraction));
}

void PillBar::setKind(StatusKind kind) {
    kind_ = kind;
    update();
}

double PillBar::barWidth() const { return pillBarWidth(width(), shown_.value()); }

void PillBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = Appearance::instance().isDark();
    const KitShape capsule = KitShape::capsule();
    p.fillPath(capsule.path(QRectF(0, 0, width(), 8)), primaryLabelColor.opacity(0.12).resolve(dark));
    p.fillPath(capsule.path(QRectF(0, 0, barWidth(), 8)), pillBarColor(kind_).resolve(dark));
}

// ---- ProgressRing ----

ProgressRing::ProgressRing(double fraction, double lineWidth, std::optional<QString> caption, QWidget* parent)
    : QWidget(parent), fraction_(fraction), lineWidth_(lineWidth), caption_(std::move(caption)), shown_([this] { update(); }) {
    shown_.setTarget(progressRingLayout({1, 1}, lineWidth_, fraction).arc, false);
    followLook(this);
}

void ProgressRing::setFraction(double fraction) {
    fraction_ = fraction;
    shown_.setTarget(progressRingLayout({1, 1}, lineWidth_, fraction).arc);
    update();
}

void ProgressRing::setCaption(std::optional<QString> caption) {
    caption_ = std::move(caption);
    update();
}

RingLayout ProgressRing::ringLayout() const { return progressRingLayout(QSizeF(size()), lineWidth_, fraction_); }

void ProgressRing::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = Appearance::instance().isDark();
    const RingLayout r = ringLayout();
    if (r.side <= 0) return;
    // The stroke is kept inside the widget: the circle runs half a line inside the square.
    const QRectF circle = r.square.adjusted(lineWidth_ / 2, lineWidth_ / 2, -lineWidth_ / 2, -lineWidth_ / 2);
    QPen track(primaryLabelColor.opacity(0.12).resolve(dark), lineWidth_, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    track.setMiterLimit(10);
    p.setPen(track);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(circle);

    QLinearGradient g(r.square.topLeft(), r.square.bottomRight());
    g.setColorAt(0, accentColor().resolve(dark));
    g.setColorAt(1, accentShade().resolve(dark));
    p.setPen(QPen(QBrush(g), lineWidth_, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    // From the top, clockwise (Qt's angles run anticlockwise in sixteenths of a degree).
    p.drawArc(circle, 90 * 16, -int(std::lround(shown_.value() * 360.0 * 16.0)));

    const QString percent = percentText(fraction_);
    const QFont percentFont = fitted(percent, r.percentFontSize, QFont::Bold, -0.3, r.centreMaxWidth, 0.5);
    const QFontMetricsF pm(percentFont);
    double height = pm.height();
    QFont captionFont;
    if (caption_) {
        captionFont = fitted(*caption_, r.captionFontSize, QFont::Normal, 0, r.centreMaxWidth, 0.6);
        height += r.centreSpacing + QFontMetricsF(captionFont).height();
    }
    double y = r.square.center().y() - height / 2;
    const QRectF column(r.square.center().x() - r.centreMaxWidth / 2, 0, r.centreMaxWidth, 0);
    p.setFont(percentFont);
    p.setPen(primaryLabelColor.resolve(dark));
    p.drawText(QRectF(column.left(), y, column.width(), pm.height()), int(Qt::AlignCenter), percent);
    if (caption_) {
        y += pm.height() + r.centreSpacing;
        p.setFont(captionFont);
        p.setPen(mutedColor.resolve(dark));
        const QFontMetricsF cm(captionFont);
        p.drawText(QRectF(column.left(), y, column.width(), cm.height()), int(Qt::AlignCenter),
                   cm.elidedText(*caption_, Qt::ElideRight, column.width()));
    }
}

}  // namespace orvane::kit

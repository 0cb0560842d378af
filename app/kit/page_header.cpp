#include "app/kit/page_header.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QSpacerItem>
#include <QVBoxLayout>

#include <cmath>

#include "app/kit/app_backdrop.h"
#include "app/kit/appearance.h"
#include "app/kit/buttons.h"
#include "app/kit/fonts.h"
#include "app/kit/icons.h"
#include "app/kit/kit_settings.h"
#include "app/kit/localization.h"
#include "app/kit/palette.h"
#include "app/kit/shapes.h"
#include "app/kit/symbol_button.h"
#include "app/kit/text.h"
#include "app/kit/tooltips.h"

namespace orvane::kit {

// ---- PageHeader ----

PageHeader::PageHeader(const QString& title, std::optional<QString> subtitle, std::optional<BackLink> back,
                       QWidget* center, const QList<QWidget*>& trailing, QWidget* parent)
    : QWidget(parent), link_(std::move(back)) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(24, 22, 24, 12);
    row->setSpacing(12);

    if (link_) {
        auto* button = new GlassCircleButton(QStringLiteral("chevron.left"), 38, 14);
        back_ = button;
        connect(button, &QAbstractButton::clicked, this, [this] {
            if (link_ && link_->action) link_->action();
        });
        row->addWidget(new HoverLift(button), 0, Qt::AlignVCenter);
        updateBackTip();
        connect(&KitSettings::instance(), &KitSettings::changed, this, [this](const QString& key) {
            if (key == QLatin1String("language")) updateBackTip();
        });
    }

    auto* block = new QWidget;
    auto* column = new QVBoxLayout(block);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(1);
    title_ = new KitLabel(title, trackedFont(22, QFont::Bold, -0.4));
    title_->setLocalized(true);
    title_->setElideMode(Qt::ElideRight);
    labelTip(title_, title, true);
    column->addWidget(title_);
    subtitle_ = new KitLabel(subtitle.value_or(QString()), uiFont(TextStyle::callout));
    subtitle_->setLocalized(true);
    subtitle_->setElideMode(Qt::ElideRight);
    subtitle_->setColor(mutedColor);
    subtitle_->setVisible(subtitle.has_value());
    labelTip(subtitle_, subtitle.value_or(QString()), true);
    column->addWidget(subtitle_);
    row->addWidget(block, 1, Qt::AlignVCenter);

    row->addSpacerItem(new QSpacerItem(12, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    if (center) row->addWidget(center, 0, Qt::AlignVCenter);
    row->addSpacerItem(new QSpacerItem(12, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));

    trailing_ = new QWidget;
    auto* trail = new QHBoxLayout(trailing_);
    trail->setContentsMargins(0, 0, 0, 0);
    trail->setSpacing(8);
    for (QWidget* view : trailing) trail->addWidget(view, 0, Qt::AlignVCenter);
    row->addWidget(trailing_, 0, Qt::AlignVCenter);
}

void PageHeader::updateBackTip() {
    if (!back_ || !link_) return;
    // The explanatory preset, with the label put in after the lookup: the tip shows the text as it stands.
    const QString text = localized("Înapoi la %1").arg(link_->label);
    QuickTip::attach(back_, {text, quickTipDelay, true, explanatoryWrapWidth(text), false});
}

void PageHeader::setTitle(const QString& title) {
    title_->setText(title);
    if (QuickTip* tip = QuickTip::on(title_)) tip->setText(title);
}

void PageHeader::setSubtitle(std::optional<QString> subtitle) {
    subtitle_->setText(subtitle.value_or(QString()));
    subtitle_->setVisible(subtitle.has_value());
    if (QuickTip* tip = QuickTip::on(subtitle_)) tip->setText(subtitle.value_or(QString()));
}

void PageHeader::addTrailing(QWidget* view) { trailing_->layout()->addWidget(view); }

// ---- DropdownLabel ----

namespace {
constexpr double chevronCircle = 22;
constexpr double padLeft = 14, padRight = 6, padV = 6, gap = 10, minSpace = 8;
}  // namespace

DropdownLabel::DropdownLabel(const QString& text, double width, QWidget* parent) : QAbstractButton(parent), width_(width) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(int(padLeft), int(padV), int(padRight + chevronCircle + 2 * gap + minSpace), int(padV));
    label_ = new KitLabel(text, uiFont(14, QFont::DemiBold));
    label_->setElideMode(Qt::ElideRight);
    labelTip(label_, text, false);
    row->addWidget(label_, 1, Qt::AlignVCenter);
    setFixedSize(sizeHint());
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
    connect(&KitSettings::instance(), &KitSettings::changed, this, qOverload<>(&QWidget::update));
}

void DropdownLabel::setText(const QString& text) {
    label_->setText(text);
    if (QuickTip* tip = QuickTip::on(label_)) tip->setText(text);
}

QSize DropdownLabel::sizeHint() const {
    const double h = std::max(chevronCircle, double(label_->sizeHint().height())) + 2 * padV;
    return {int(std::lround(width_)), int(std::ceil(h))};
}

void DropdownLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = Appearance::instance().isDark();
    const QRectF r(rect());
    const KitShape capsule = KitShape::capsule();
    const QPainterPath path = capsule.path(r);
    if (AppBackdrop* root = AppBackdrop::of(this))
        root->paintMaterial(p, this, path, Material::ultraThin);
    else
        p.fillPath(path, materialTint(Material::ultraThin, dark));
    strokeInside(p, capsule, r, 0.7, withAlpha(Qt::white, 0.3));
    const QRectF circle(width() - padRight - chevronCircle, (height() - chevronCircle) / 2, chevronCircle, chevronCircle);
    p.setPen(Qt::NoPen);
    p.setBrush(accentColor().resolve(dark));
    p.drawEllipse(circle);
    const double glyph = 10;
    icons::paint(p, QStringLiteral("chevron.down"), QRectF(circle.center() - QPointF(glyph / 2, glyph / 2), QSizeF(glyph, glyph)),
                 onAccentColor.resolve(dark));
}

bool DropdownLabel::hitButton(const QPoint& pos) const {
    return KitShape::capsule().path(QRectF(rect())).contains(QPointF(pos));
}

}  // namespace orvane::kit

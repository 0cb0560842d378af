#include "app/projects/priority_toggle.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPointer>

#include "app/kit/appearance.h"
#include "app/kit/fonts.h"
#include "app/kit/help_dot.h"
#include "app/kit/palette.h"
#include "app/kit/symbol_button.h"
#include "app/kit/text.h"

namespace orvane::projects {

SmallSwitch::SmallSwitch(QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setFixedSize(sizeHint());
    setFocusPolicy(Qt::TabFocus);
    connect(&kit::Appearance::instance(), &kit::Appearance::changed, this, qOverload<>(&QWidget::update));
}

void SmallSwitch::paintEvent(QPaintEvent*) {
    const bool dark = kit::Appearance::instance().isDark();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const double r = track.height() / 2;
    const QColor fill = isChecked() ? kit::accentColor().resolve(dark)
                                    : kit::primaryLabelColor.opacity(dark ? 0.22 : 0.14).resolve(dark);
    p.setPen(Qt::NoPen);
    p.setBrush(isEnabled() ? fill : kit::withAlpha(fill, fill.alphaF() * 0.5));
    p.drawRoundedRect(track, r, r);
    const double d = track.height() - 4;
    const double x = isChecked() ? track.right() - 2 - d : track.left() + 2;
    p.setBrush(QColor(255, 255, 255));
    p.setPen(QPen(QColor(0, 0, 0, 30), 0.5));
    p.drawEllipse(QRectF(x, track.top() + 2, d, d));
}

PriorityToggle::PriorityToggle(std::shared_ptr<Defaults> defaults, std::string key, bool fallback,
                               const QString& label, const QString& help, QWidget* parent)
    : QWidget(parent), defaults_(std::move(defaults)), key_(std::move(key)), fallback_(fallback) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    bolt_ = new kit::SymbolView(QStringLiteral("bolt.horizontal.fill"), 12);
    bolt_->setObjectName("priorityBolt");
    row->addWidget(bolt_, 0, Qt::AlignVCenter);
    auto* title = new kit::KitLabel(label, kit::uiFont(13.5, QFont::Medium));
    title->setLocalized(true);
    row->addWidget(title, 0, Qt::AlignVCenter);
    help_ = new kit::HelpDot(help, 13);
    row->addWidget(help_, 0, Qt::AlignVCenter);
    row->addSpacing(4);
    switch_ = new SmallSwitch;
    switch_->setObjectName("prioritySwitch");
    row->addWidget(switch_, 0, Qt::AlignVCenter);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    connect(switch_, &QAbstractButton::clicked, this, [this](bool on) { defaults_->set(key_, on); });
    QPointer<PriorityToggle> self(this);
    observer_ = defaults_->observe(key_, [self](const std::string&) {
        if (self) self->sync();
    });
    sync();
}

PriorityToggle::~PriorityToggle() { defaults_->unobserve(observer_); }

bool PriorityToggle::isOn() const { return defaults_->boolValue(key_).value_or(fallback_); }

void PriorityToggle::sync() {
    const bool on = isOn();
    if (switch_->isChecked() != on) switch_->setChecked(on);
    bolt_->setInk(on ? kit::accentColor() : kit::mutedColor);
}

}  // namespace orvane::projects

#include "app/projects/step_button.h"

#include <QEnterEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QPainter>

#include <cmath>

#include "app/kit/appearance.h"
#include "app/kit/fonts.h"
#include "app/kit/icons.h"
#include "app/kit/localization.h"
#include "app/kit/shapes.h"

namespace orvane::projects {

namespace {
constexpr double glyphPoints = 13;
constexpr double titlePoints = 13;
constexpr int spacing = 6;
constexpr int padH = 14;
constexpr int padV = 9;
// White in the light appearance, sRGB (42, 43, 49) in the dark one.
constexpr kit::AdaptiveColor surface = kit::raisedColor;
}  // namespace

StepLook stepLook(bool raised, bool hovering) {
    if (raised) return hovering ? StepLook{1.0, 0.1, 2, 0.1} : StepLook{0.75, 0.05, 2, 0.06};
    return hovering ? StepLook{1.0, 0.08, 4, 0} : StepLook{0, 0, 4, 0};
}

StepHalf::StepHalf(const QString& title, const QString& symbol, kit::AdaptiveColor tint, bool raised, QWidget* parent)
    : QAbstractButton(parent), symbol_(symbol), tint_(tint), raised_(raised), hover_([this] { update(); }) {
    setText(title);
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // The raised style shows the pointing hand over it; the cursor is the widget's own, so it cannot
    // be left pushed when the button goes away under the pointer.
    if (raised_) setCursor(Qt::PointingHandCursor);
    connect(&kit::Appearance::instance(), &kit::Appearance::changed, this, qOverload<>(&QWidget::update));
}

StepLook StepHalf::currentLook() const {
    const StepLook a = stepLook(raised_, false), b = stepLook(raised_, true);
    const double t = hover_.value();
    auto mix = [t](double x, double y) { return x + (y - x) * t; };
    return {mix(a.fillOpacity, b.fillOpacity), mix(a.shadowOpacity, b.shadowOpacity),
            mix(a.shadowRadius, b.shadowRadius), mix(a.borderOpacity, b.borderOpacity)};
}

QSize StepHalf::sizeHint() const {
    const QFontMetricsF fm(kit::uiFont(titlePoints, QFont::Medium));
    const double w = glyphPoints + spacing + fm.horizontalAdvance(kit::localized(text())) + 2 * padH + 2;
    const double h = std::max(fm.height(), glyphPoints) + 2 * padV;
    return {int(std::ceil(w)), int(std::ceil(h))};
}

QSize StepHalf::minimumSizeHint() const {
    // Narrower than the title cuts it on its one line; never below the symbol and the padding.
    const QSize full = sizeHint();
    return {int(glyphPoints) + 2 * padH, full.height()};
}

void StepHalf::enterEvent(QEnterEvent* event) {
    hovering_ = true;
    hover_.setTarget(1);
    QAbstractButton::enterEvent(event);
}

void StepHalf::leaveEvent(QEvent* event) {
    hovering_ = false;
    hover_.setTarget(0);
    QAbstractButton::leaveEvent(event);
}

bool StepHalf::hitButton(const QPoint& pos) const {
    return kit::KitShape::capsule().path(QRectF(rect())).contains(QPointF(pos));
}

void StepHalf::paintEvent(QPaintEvent*) {
    const bool dark = kit::Appearance::instance().isDark();
    const StepLook look = currentLook();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF capsule = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -1.5);
    const kit::KitShape shape = kit::KitShape::capsule();
    if (look.shadowOpacity > 0.001)
        kit::paintShadow(p, shape, capsule, QColor(0, 0, 0, int(std::lround(255 * look.shadowOpacity))),
                         look.shadowRadius, QPointF(0, 1));
    if (look.fillOpacity > 0.001) p.fillPath(shape.path(capsule), surface.opacity(look.fillOpacity).resolve(dark));
    if (look.borderOpacity > 0.001)
        kit::strokeInside(p, shape, capsule, 0.5, kit::primaryLabelColor.opacity(look.borderOpacity).resolve(dark));
    if (isDown()) p.fillPath(shape.path(capsule), kit::primaryLabelColor.opacity(0.05).resolve(dark));

    const QFont font = kit::uiFont(titlePoints, QFont::Medium);
    const QFontMetricsF fm(font);
    const double available = width() - 2 * padH - glyphPoints - spacing;
    const QString title = fm.elidedText(kit::localized(text()), Qt::ElideRight, std::max(0.0, available));
    const double content = glyphPoints + spacing + fm.horizontalAdvance(title);
    double x = capsule.left() + std::max<double>(padH, (capsule.width() - content) / 2);
    const double cy = capsule.center().y();
    kit::icons::paint(p, symbol_, QRectF(x, cy - glyphPoints / 2, glyphPoints, glyphPoints), tint_.resolve(dark));
    x += glyphPoints + spacing;
    p.setFont(font);
    p.setPen(kit::primaryLabelColor.resolve(dark));
    p.drawText(QRectF(x, capsule.top(), capsule.right() - x, capsule.height()), Qt::AlignLeft | Qt::AlignVCenter,
               title);
}

StepGroup::StepGroup(QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 4, 4, 4);
    row->setSpacing(0);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(&kit::Appearance::instance(), &kit::Appearance::changed, this, qOverload<>(&QWidget::update));
}

void StepGroup::add(StepHalf* button) { layout()->addWidget(button); }

void StepGroup::addView(QWidget* view) { static_cast<QHBoxLayout*>(layout())->addWidget(view, 0, Qt::AlignVCenter); }

void StepGroup::setSpacing(int spacing) { layout()->setSpacing(spacing); }

void StepGroup::addDivider() {
    auto* line = new QWidget;
    line->setObjectName("stepDivider");
    line->setFixedSize(1, 18);
    line->setAttribute(Qt::WA_StyledBackground, false);
    static_cast<QHBoxLayout*>(layout())->addWidget(line, 0, Qt::AlignVCenter);
}

void StepGroup::paintEvent(QPaintEvent*) {
    const bool dark = kit::Appearance::instance().isDark();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const kit::KitShape shape = kit::KitShape::capsule();
    p.fillPath(shape.path(QRectF(rect())), kit::primaryLabelColor.opacity(0.06).resolve(dark));
    for (QWidget* child : findChildren<QWidget*>("stepDivider", Qt::FindDirectChildrenOnly))
        p.fillRect(child->geometry(), kit::primaryLabelColor.opacity(0.15).resolve(dark));
}

}  // namespace orvane::projects

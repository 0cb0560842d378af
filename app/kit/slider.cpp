#include "app/kit/slider.h"

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "app/kit/appearance.h"
#include "app/kit/fonts.h"
#include "app/kit/kit_settings.h"
#include "app/kit/shapes.h"
#include "app/kit/symbol_button.h"
#include "app/kit/text.h"
#include "app/kit/tooltips.h"

namespace orvane::kit {

// ---- Geometry and values ----

double snapToStep(double value, double step) { return step * std::round(value / step); }

bool SliderGeometry::usable() const {
    return std::isfinite(lower) && std::isfinite(upper) && upper > lower && std::isfinite(step) && step > 0;
}

double SliderGeometry::x(double value) const {
    if (!usable()) return sliderInset;
    return sliderInset + (width - 2 * sliderInset) * (value - lower) / (upper - lower);
}

double SliderGeometry::clamped(double value) const {
    if (std::isnan(value)) return lower;
    return std::min(std::max(value, lower), upper);
}

double SliderGeometry::snapped(double value) const { return clamped(snapToStep(value, step)); }

double SliderGeometry::valueAt(double pointerX) const {
    const double travel = width - 2 * sliderInset;
    double t = travel > 0 ? (pointerX - sliderInset) / travel : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return snapped(lower + (upper - lower) * t);
}

double SliderGeometry::keyStep(double value, int direction, bool shift) const {
    return snapped(value + direction * step * (shift ? 10.0 : 1.0));
}

double SliderGeometry::accessibilityStep(double value, int direction) const { return clamped(value + direction * step); }

// ---- Keys ----

namespace {
// Whether the keyboard is typing into a text: arrows then move its cursor, not a slider.
bool editingText() {
    QWidget* focus = QApplication::focusWidget();
    return qobject_cast<QLineEdit*>(focus) || qobject_cast<QTextEdit*>(focus) || qobject_cast<QPlainTextEdit*>(focus) ||
           qobject_cast<QAbstractSpinBox*>(focus);
}
}  // namespace

// Installed on the application while the pointer is over its slider: the arrow keys go to that slider.
class SliderKeyMonitor : public QObject {
public:
    explicit SliderKeyMonitor(ModernSlider* slider) : QObject(slider), slider_(slider) { qApp->installEventFilter(this); }
    ~SliderKeyMonitor() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        return slider_->arrowKey(key->key(), key->modifiers());
    }

private:
    ModernSlider* slider_;
};

bool ModernSlider::arrowKey(int key, Qt::KeyboardModifiers modifiers) {
    if (editingText()) return false;
    int direction = 0;
    if (key == Qt::Key_Left || key == Qt::Key_Down) direction = -1;
    if (key == Qt::Key_Right || key == Qt::Key_Up) direction = 1;
    if (direction == 0 || !geometry().usable()) return false;
    write(geometry().keyStep(value_, direction, modifiers.testFlag(Qt::ShiftModifier)));
    emit committed();
    return true;
}

// ---- Accessibility ----

namespace {
class SliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SliderAccessible(ModernSlider* slider) : QAccessibleWidget(slider, QAccessible::Slider) {}
    ModernSlider* slider() const { return static_cast<ModernSlider*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    int childCount() const override { return 0; }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return QString::asprintf("%g", slider()->value());
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override { return {increaseAction(), decreaseAction()}; }
    void doAction(const QString& name) override {
        if (name == increaseAction()) slider()->accessibilityAdjust(1);
        if (name == decreaseAction()) slider()->accessibilityAdjust(-1);
    }

    QVariant currentValue() const override { return slider()->value(); }
    void setCurrentValue(const QVariant&) override {}  // adjusted by steps only
    QVariant maximumValue() const override { return slider()->geometry().upper; }
    QVariant minimumValue() const override { return slider()->geometry().lower; }
    QVariant minimumStepSize() const override { return slider()->step(); }
};

QAccessibleInterface* sliderAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("orvane::kit::ModernSlider") && object && object->isWidgetType())
        return new SliderAccessible(static_cast<ModernSlider*>(object));
    return nullptr;
}
}  // namespace

// ---- ModernSlider ----

ModernSlider::ModernSlider(double value, double lower, double upper, double step, double origin, QWidget* parent)
    : QWidget(parent), value_(value), lower_(lower), upper_(upper), step_(step), origin_(origin), press_([this] { update(); }) {
    static const bool factory = [] {
        QAccessible::installFactory(sliderAccessibleFactory);
        return true;
    }();
    (void)factory;
    setFixedHeight(int(sliderHeight));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
    connect(&KitSettings::instance(), &KitSettings::changed, this, qOverload<>(&QWidget::update));
}

ModernSlider::~ModernSlider() { setHovering(false); }

void ModernSlider::setValue(double value) {
    value_ = value;
    update();
}

void ModernSlider::setRange(double lower, double upper) {
    lower_ = lower;
    upper_ = upper;
    update();
}

void ModernSlider::setStep(double step) { step_ = step; }

void ModernSlider::setOrigin(double origin) {
    origin_ = origin;
    update();
}

void ModernSlider::setActive(bool active) {
    active_ = active;
    update();
}

void ModernSlider::setTrack(std::vector<AdaptiveColor> colors) {
    track_ = std::move(colors);
    update();
}

double ModernSlider::thumbSize() const { return thumbDiameter + (thumbDraggingDiameter - thumbDiameter) * press_.value(); }

void ModernSlider::write(double value) {
    value_ = value;
    update();
    emit valueEdited(value);
}

void ModernSlider::accessibilityAdjust(int direction) {
    if (!geometry().usable()) return;
    write(geometry().accessibilityStep(value_, direction));
    emit committed();
}

void ModernSlider::setHovering(bool hovering) {
    hovering_ = hovering;
    // At most one monitor per slider, and none while the pointer is elsewhere.
    delete keyMonitor_;
    keyMonitor_ = hovering ? new SliderKeyMonitor(this) : nullptr;
}

void ModernSlider::enterEvent(QEnterEvent* event) {
    setHovering(true);
    QWidget::enterEvent(event);
}

void ModernSlider::leaveEvent(QEvent* event) {
    setHovering(false);
    QWidget::leaveEvent(event);
}

void ModernSlider::hideEvent(QHideEvent* event) {
    setHovering(false);
    // A drag cut short by the slider going away still ends its adjustment.
    if (dragging_) endDrag();
    QWidget::hideEvent(event);
}

void ModernSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !geometry().usable()) {
        event->ignore();
        return;
    }
    dragging_ = true;
    press_.setTarget(1.0);
    write(geometry().valueAt(event->position().x()));
}

void ModernSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) return;
    write(geometry().valueAt(event->position().x()));
}

void ModernSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_ || event->button() != Qt::LeftButton) return;
    endDrag();
}

void ModernSlider::endDrag() {
    dragging_ = false;
    press_.setTarget(0.0);
    emit committed();
}

void ModernSlider::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = Appearance::instance().isDark();
    const SliderGeometry g = geometry();
    const double mid = height() / 2.0;
    const KitShape capsule = KitShape::capsule();
    const QRectF groove(0, mid - 2, width(), 4);
    if (!track_.empty()) {
        QLinearGradient gradient(groove.topLeft(), groove.topRight());
        const double last = std::max<std::size_t>(track_.size() - 1, 1);
        for (std::size_t i = 0; i < track_.size(); ++i) gradient.setColorAt(track_.size() == 1 ? 0 : i / last, track_[i].resolve(dark));
        p.fillPath(capsule.path(groove), gradient);
    } else {
        p.fillPath(capsule.path(groove), primaryLabelColor.opacity(0.12).resolve(dark));
        if (g.usable()) {
            const double xv = g.x(value_), xo = g.x(origin_);
            const QRectF fill(std::min(xv, xo), mid - 2, std::abs(xv - xo), 4);
            const QColor color = active_ ? accentColor().resolve(dark) : mutedColor.opacity(0.55).resolve(dark);
            p.fillPath(capsule.path(fill), color);
        }
    }
    if (g.usable()) {
        const QRectF tick(g.x(origin_) - 1, mid - 5, 2, 10);
        p.fillPath(capsule.path(tick), primaryLabelColor.opacity(0.35).resolve(dark));
    }
    const double d = thumbSize();
    const double x = g.usable() ? g.x(value_) : sliderInset;
    const QRectF thumb(x - d / 2, mid - d / 2, d, d);
    const KitShape circle = KitShape::circle();
    paintShadow(p, circle, thumb, withAlpha(Qt::black, 0.22), 3 + 2 * press_.value(), QPointF(0, 1.5));
    p.fillPath(circle.path(thumb), Qt::white);
    strokeInside(p, circle, thumb, 0.5, withAlpha(Qt::black, 0.08));
}

// ---- SliderRow ----

SliderRow::SliderRow(const QString& title, std::optional<QString> symbol, double value, double lower, double upper,
                     double step, double neutral, QWidget* parent)
    : QWidget(parent), neutral_(neutral) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    auto* header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, 0);
    header->setSpacing(8);
    if (symbol) {
        symbol_ = new SymbolView(*symbol, 12, 18);
        header->addWidget(symbol_, 0, Qt::AlignVCenter);
    }
    title_ = new KitLabel(title, uiFont(TextStyle::body));
    title_->setLocalized(true);
    title_->setElideMode(Qt::ElideRight);
    header->addWidget(title_, 0, Qt::AlignVCenter);
    header->addStretch(1);
    label_ = new KitLabel(QString(), uiFont(TextStyle::body));  // the font's digits are all one width
    label_->setLocalized(true);
    header->addWidget(label_, 0, Qt::AlignVCenter);
    reset_ = new SymbolButton(QStringLiteral("arrow.uturn.backward"), 13);
    quickTip(reset_, QString::fromUtf8("Revino la valoarea de bază"));
    header->addWidget(reset_, 0, Qt::AlignVCenter);
    column->addLayout(header);

    slider_ = new ModernSlider(value, lower, upper, step, neutral);
    column->addWidget(slider_);
    hint_ = new KitLabel(QString(), uiFont(TextStyle::smallestCaption));
    hint_->setLocalized(true);
    hint_->setMaxLines(0);
    hint_->setColor(mutedColor);
    hint_->hide();
    column->addWidget(hint_);

    connect(slider_, &ModernSlider::valueEdited, this, [this](double v) {
        refresh();
        emit valueEdited(v);
    });
    connect(slider_, &ModernSlider::committed, this, &SliderRow::committed);
    connect(&KitSettings::instance(), &KitSettings::changed, this, [this](const QString& key) {
        if (key == QLatin1String("accentIndex")) refresh();
    });
    connect(reset_, &QAbstractButton::clicked, this, [this] {
        slider_->setValue(neutral_);  // exactly the neutral value, not snapped
        refresh();
        emit valueEdited(neutral_);
        emit committed();
    });
    refresh();
}

double SliderRow::value() const { return slider_->value(); }

void SliderRow::setValue(double value) {
    slider_->setValue(value);
    refresh();
}

void SliderRow::setNeutral(double neutral) {
    neutral_ = neutral;
    slider_->setOrigin(neutral);
    refresh();
}

void SliderRow::setLabel(const QString& label) { label_->setText(label); }

void SliderRow::setHint(std::optional<QString> hint) {
    hint_->setText(hint.value_or(QString()));
    hint_->setVisible(hint.has_value());
}

void SliderRow::setChanged(std::optional<bool> changed) {
    changed_ = changed;
    refresh();
}

void SliderRow::setTrack(std::vector<AdaptiveColor> colors) { slider_->setTrack(std::move(colors)); }

bool SliderRow::isChanged() const { return changed_ ? *changed_ : slider_->value() != neutral_; }

void SliderRow::refresh() {
    const bool changed = isChanged();
    const AdaptiveColor ink = changed ? accentColor() : mutedColor;
    if (symbol_) symbol_->setInk(ink);
    label_->setColor(ink);
    reset_->setOpacity(changed ? 1.0 : 0.25);
    reset_->setEnabled(changed);
    slider_->setActive(changed);
}

}  // namespace orvane::kit

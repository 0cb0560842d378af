#include "app/kit/pill_picker.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "app/kit/appearance.h"
#include "app/kit/fonts.h"
#include "app/kit/icons.h"
#include "app/kit/kit_settings.h"
#include "app/kit/localization.h"
#include "app/kit/palette.h"
#include "app/kit/shapes.h"

namespace orvane::kit {

namespace {
constexpr double margin = 3, gap = 2, padV = 7, symbolSize = 12, symbolGap = 6, titleSize = 13.5;
// Room around a pill's content in its natural size.
constexpr double padH = 10;

QFont titleFont(bool selected) { return uiFont(titleSize, selected ? QFont::DemiBold : QFont::Normal); }
}  // namespace

std::vector<QRectF> pillRects(double width, double height, int count) {
    std::vector<QRectF> out;
    if (count <= 0) return out;
    const double w = std::max(0.0, (width - 2 * margin - gap * (count - 1)) / count);
    for (int i = 0; i < count; ++i) out.emplace_back(margin + i * (w + gap), margin, w, std::max(0.0, height - 2 * margin));
    return out;
}

PillPicker::PillPicker(std::vector<PillItem> items, const QVariant& selection, QWidget* parent)
    : QWidget(parent), items_(std::move(items)), selection_(selection), thumb_(pillSpring, [this] { update(); }) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    const int index = selectedIndex();
    thumbShown_ = index >= 0;
    if (thumbShown_) thumb_.setTarget(index, false);
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
    connect(&KitSettings::instance(), &KitSettings::changed, this, [this] {
        updateGeometry();
        update();
    });
}

int PillPicker::selectedIndex() const {
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].value == selection_) return int(i);
    return -1;
}

void PillPicker::setSelection(const QVariant& selection, bool animate) {
    selection_ = selection;
    const int index = selectedIndex();
    if (index < 0) {
        thumbShown_ = false;
    } else {
        // A thumb that was not there appears at its pill; one that was slides over.
        thumb_.setTarget(index, animate && thumbShown_);
        thumbShown_ = true;
    }
    update();
}

QRectF PillPicker::pillRect(int index) const {
    const auto rects = pillRects(width(), height(), int(items_.size()));
    return index >= 0 && index < int(rects.size()) ? rects[std::size_t(index)] : QRectF();
}

std::optional<QRectF> PillPicker::thumbRect() const {
    if (!thumbShown_ || items_.empty()) return std::nullopt;
    const QRectF first = pillRect(0);
    return QRectF(first.left() + thumb_.value() * (first.width() + gap), first.top(), first.width(), first.height());
}

double PillPicker::contentWidth(int index) const {
    const PillItem& item = items_[std::size_t(index)];
    double w = QFontMetricsF(titleFont(true)).horizontalAdvance(localized(item.title));
    if (item.symbol) w += symbolSize + symbolGap;
    return std::ceil(w);
}

QSize PillPicker::sizeHint() const {
    double widest = 0;
    for (int i = 0; i < int(items_.size()); ++i) widest = std::max(widest, contentWidth(i));
    const double n = double(items_.size());
    const double w = 2 * margin + n * (widest + 2 * padH) + gap * std::max(n - 1, 0.0);
    const double h = 2 * margin + 2 * padV + std::max(QFontMetricsF(titleFont(true)).height(), symbolSize);
    return {int(std::ceil(w)), int(std::ceil(h))};
}

QSize PillPicker::minimumSizeHint() const { return sizeHint(); }

int PillPicker::pillAt(QPointF pos) const {
    for (int i = 0; i < int(items_.size()); ++i)
        if (KitShape::capsule().path(pillRect(i)).contains(pos)) return i;
    return -1;
}

void PillPicker::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton ? pillAt(event->position()) : -1;
}

void PillPicker::mouseReleaseEvent(QMouseEvent* event) {
    const int index = pillAt(event->position());
    const bool clicked = event->button() == Qt::LeftButton && index >= 0 && index == pressed_;
    pressed_ = -1;
    if (!clicked) return;
    const QVariant value = items_[std::size_t(index)].value;
    setSelection(value, true);
    emit selectionWritten(value);
}

void PillPicker::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = Appearance::instance().isDark();
    const KitShape capsule = KitShape::capsule();
    p.fillPath(capsule.path(QRectF(rect())), dark ? withAlpha(Qt::white, 0.08) : withAlpha(Qt::black, 0.06));
    if (const auto thumb = thumbRect()) {
        paintShadow(p, capsule, *thumb, withAlpha(Qt::black, dark ? 0.35 : 0.14), 3, QPointF(0, 1));
        p.fillPath(capsule.path(*thumb), dark ? QColor::fromRgbF(0.34f, 0.34f, 0.34f) : QColor(Qt::white));
    }
    const int selected = selectedIndex();
    const QColor ink = primaryLabelColor.resolve(dark);
    for (int i = 0; i < int(items_.size()); ++i) {
        const PillItem& item = items_[std::size_t(i)];
        const bool on = i == selected;
        const QRectF pill = pillRect(i);
        const QColor color = on ? ink : withAlpha(ink, 0.62);
        const QFont font = titleFont(on);
        const QFontMetricsF fm(font);
        const QString title = localized(item.title);
        const double room = pill.width() - (item.symbol ? symbolSize + symbolGap : 0);
        const QString shown = fm.elidedText(title, Qt::ElideRight, std::max(room, 0.0));
        const double w = fm.horizontalAdvance(shown) + (item.symbol ? symbolSize + symbolGap : 0);
        double x = pill.center().x() - w / 2;
        if (item.symbol) {
            icons::paint(p, *item.symbol, QRectF(x, pill.center().y() - symbolSize / 2, symbolSize, symbolSize), color);
            x += symbolSize + symbolGap;
        }
        p.setFont(font);
        p.setPen(color);
        p.drawText(QRectF(x, pill.top(), pill.right() - x, pill.height()), int(Qt::AlignLeft | Qt::AlignVCenter), shown);
    }
}

}  // namespace orvane::kit

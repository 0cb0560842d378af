#include "app/kit/help_dot.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "app/kit/appearance.h"
#include "app/kit/badges.h"
#include "app/kit/cards.h"
#include "app/kit/fonts.h"
#include "app/kit/kit_settings.h"
#include "app/kit/localization.h"
#include "app/kit/palette.h"
#include "app/kit/shapes.h"
#include "app/kit/text.h"

namespace orvane::kit {

// ---- HelpPopover ----

namespace {
constexpr int shadowRoom = 12;
constexpr double bubbleRadius = 10;
constexpr double arrowHalfWidth = 9;
}  // namespace

HelpPopover::HelpPopover(const QString& shownText, QWidget* parent) : HelpPopover(shownText, parent, false) {}

HelpPopover::HelpPopover(const QString& shownText, QWidget* anchor, bool popup)
    : QWidget(anchor, popup ? Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint : Qt::Widget),
      anchor_(popup ? anchor : nullptr) {
    if (popup) {
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_DeleteOnClose);
    }
    const bool dark = Appearance::instance().isDark();
    label_ = new QLabel(shownText);
    label_->setFont(uiFont(TextStyle::callout));
    label_->setWordWrap(true);
    label_->setFixedWidth(columnWidth);
    label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label_->setTextFormat(Qt::PlainText);
    label_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QPalette palette = label_->palette();
    palette.setColor(QPalette::WindowText, primaryLabelColor.resolve(dark));
    palette.setColor(QPalette::Text, primaryLabelColor.resolve(dark));
    label_->setPalette(palette);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(shadowRoom + margin, shadowRoom + arrowHeight + margin, shadowRoom + margin, shadowRoom + margin);
    layout->addWidget(label_);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    arrowX_ = (columnWidth + 2 * margin) / 2.0;
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
}

HelpPopover* HelpPopover::popUp(const QString& shownText, QWidget* anchor) {
    auto* popover = new HelpPopover(shownText, anchor, true);
    popover->adjustSize();
    const QRectF body = popover->body();
    const QPoint tip = anchor->mapToGlobal(QPoint(anchor->width() / 2, anchor->height()));
    double left = tip.x() - body.width() / 2;  // the bubble centred under the dot
    if (const QScreen* screen = anchor->screen()) {
        const QRect area = screen->availableGeometry();
        left = std::clamp(left, double(area.left() + 4), std::max(double(area.left() + 4), area.right() - 4 - body.width()));
    }
    popover->setArrowX(tip.x() - left);
    popover->move(QPoint(int(std::lround(left - body.left())), tip.y()));
    popover->show();
    return popover;
}

QRectF HelpPopover::body() const {
    return QRectF(shadowRoom, shadowRoom + arrowHeight, width() - 2 * shadowRoom, height() - 2 * shadowRoom - arrowHeight);
}

void HelpPopover::setArrowX(double x) {
    arrowX_ = std::clamp(x, bubbleRadius + arrowHalfWidth, body().width() - bubbleRadius - arrowHalfWidth);
    update();
}

void HelpPopover::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = Appearance::instance().isDark();
    const QRectF b = body();
    QPainterPath shape = KitShape::rounded(bubbleRadius).path(b);
    QPainterPath arrow;
    const double tipX = b.left() + arrowX_;
    arrow.moveTo(tipX - arrowHalfWidth, b.top() + 0.5);
    arrow.lineTo(tipX, b.top() - arrowHeight);
    arrow.lineTo(tipX + arrowHalfWidth, b.top() + 0.5);
    arrow.closeSubpath();
    shape = shape.united(arrow);
    paintShadow(p, KitShape::rounded(bubbleRadius), b, withAlpha(Qt::black, dark ? 0.35 : 0.18), 10, QPointF(0, 3));
    p.fillPath(shape, raisedColor.resolve(dark));
    p.setPen(QPen(withAlpha(primaryLabelColor.resolve(dark), 0.12), 0.5));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shape);
}

void HelpPopover::mousePressEvent(QMouseEvent* event) {
    if (windowType() == Qt::Popup && !rect().contains(event->position().toPoint())) {
        // A click on the dot that opened it closes it, and must not reach the dot to open it again.
        if (anchor_ && anchor_->rect().contains(anchor_->mapFromGlobal(event->globalPosition().toPoint())))
            setAttribute(Qt::WA_NoMouseReplay);
        close();
        return;
    }
    QWidget::mousePressEvent(event);
}

void HelpPopover::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    emit closed();
}

// ---- HelpDot ----

HelpDot::HelpDot(const QString& text, double size, QWidget* parent) : SymbolButton(QStringLiteral("questionmark.circle"), size, parent), text_(text) {
    setHoverAccent(true);
    refreshInk();
    connect(this, &QAbstractButton::clicked, this, &HelpDot::toggle);
}

void HelpDot::refreshInk() {
    // The accent while the popover is open; else the secondary ink at 80 %, the accent under the pointer.
    setInk(isOpen() ? std::nullopt : std::optional<AdaptiveColor>(mutedColor.opacity(0.8)));
}

void HelpDot::toggle() {
    if (popover_) {
        popover_->close();
        return;
    }
    popover_ = HelpPopover::popUp(localized(text_), this);
    connect(popover_, &HelpPopover::closed, this, [this] {
        popover_ = nullptr;
        refreshInk();
    });
    refreshInk();
}

// ---- OptionsFrame ----

OptionsFrame::OptionsFrame(bool framed, QWidget* content, QWidget* parent) : QWidget(parent), framed_(framed), content_(content) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (framed)
        layout->addWidget(new Card(std::nullopt, std::nullopt, content));
    else
        layout->addWidget(content);
}

// ---- ProjectSourceTabs ----

namespace {
class SourceTab : public QAbstractButton {
public:
    SourceTab(bool catalog, const QString& title, QWidget* parent = nullptr) : QAbstractButton(parent) {
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::NoFocus);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(10, 8, 10, 8);
        row->setSpacing(7);
        row->addStretch(1);
        if (catalog) {
            badge_ = new LrBadge(16);
            row->addWidget(badge_, 0, Qt::AlignVCenter);
        } else {
            symbol_ = new SymbolView(QStringLiteral("folder"), 14);
            row->addWidget(symbol_, 0, Qt::AlignVCenter);
        }
        label_ = new KitLabel(title, uiFont(13, QFont::Medium));
        label_->setLocalized(true);
        label_->setElideMode(Qt::ElideRight);
        row->addWidget(label_, 0, Qt::AlignVCenter);
        row->addStretch(1);
        connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
        connect(&KitSettings::instance(), &KitSettings::changed, this, qOverload<>(&QWidget::update));
    }
    void setSelected(bool selected) {
        selected_ = selected;
        const AdaptiveColor ink = selected ? onAccentColor : primaryLabelColor;
        label_->setColor(ink);
        if (badge_) badge_->setInk(ink);
        if (symbol_) symbol_->setInk(ink);
        update();
    }
    bool selected() const { return selected_; }

protected:
    void paintEvent(QPaintEvent*) override {
        if (!selected_) return;
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const bool dark = Appearance::instance().isDark();
        QLinearGradient g(QPointF(0, 0), QPointF(width(), height()));
        g.setColorAt(0, accentColor().resolve(dark));
        g.setColorAt(1, accentShade().resolve(dark));
        p.fillPath(KitShape::capsule().path(QRectF(rect())), g);
    }
    bool hitButton(const QPoint& pos) const override { return KitShape::capsule().path(QRectF(rect())).contains(QPointF(pos)); }

private:
    bool selected_ = false;
    LrBadge* badge_ = nullptr;
    SymbolView* symbol_ = nullptr;
    KitLabel* label_ = nullptr;
};
}  // namespace

ProjectSourceTabs::ProjectSourceTabs(Source current, QWidget* parent) : QWidget(parent), current_(current) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 4, 4, 4);
    row->setSpacing(4);
    tabs_[0] = new SourceTab(true, QString::fromUtf8("Din catalog Lightroom"));
    tabs_[1] = new SourceTab(false, QString::fromUtf8("Din folder RAW"));
    for (int i = 0; i < 2; ++i) {
        row->addWidget(tabs_[i], 1);
        const Source source = i == 0 ? Source::catalog : Source::folder;
        connect(tabs_[i], &QAbstractButton::clicked, this, [this, source] {
            if (source != current_) emit picked(source);
        });
    }
    setCurrent(current);
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
}

void ProjectSourceTabs::setCurrent(Source current) {
    current_ = current;
    static_cast<SourceTab*>(tabs_[0])->setSelected(current == Source::catalog);
    static_cast<SourceTab*>(tabs_[1])->setSelected(current == Source::folder);
}

QAbstractButton* ProjectSourceTabs::tab(Source source) const { return tabs_[source == Source::catalog ? 0 : 1]; }

void ProjectSourceTabs::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(KitShape::capsule().path(QRectF(rect())), primaryLabelColor.opacity(0.07).resolve(Appearance::instance().isDark()));
}

}  // namespace orvane::kit

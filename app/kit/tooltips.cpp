#include "app/kit/tooltips.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QTextBoundaryFinder>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include "app/kit/app_backdrop.h"
#include "app/kit/appearance.h"
#include "app/kit/fonts.h"
#include "app/kit/localization.h"
#include "app/kit/palette.h"
#include "app/kit/shapes.h"

namespace orvane::kit {

namespace {
constexpr const char* hostedProperty = "orvaneTipsHosted";
constexpr double padH = 10.0, padV = 6.0, hintPad = 12.0;

QFont tipFont() { return uiFont(tipFontSize); }

HoverScheduler& scheduler() {
    static HoverScheduler s;
    return s;
}

void schedule(std::chrono::milliseconds delay, std::function<void()> task) {
    if (const auto& s = scheduler()) {
        s(delay, std::move(task));
        return;
    }
    QTimer::singleShot(delay, QCoreApplication::instance(), std::move(task));
}

std::chrono::milliseconds toMs(double seconds) {
    return std::chrono::milliseconds(std::llround(std::max(0.0, seconds) * 1000.0));
}

// The text inside a bubble: wrapped to the body's width when a wrap width is set, else one line cut at
// its end if it would pass the widest bubble.
void drawTipText(QPainter& p, const QRectF& body, const QString& text, std::optional<double> wrap, double pad, double padTop) {
    const QRectF inner = body.adjusted(pad, padTop, -pad, -padTop);
    if (wrap) {
        p.drawText(inner, int(Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap), text);
        return;
    }
    const QFontMetricsF fm(p.font());
    p.drawText(inner, int(Qt::AlignLeft | Qt::AlignVCenter), fm.elidedText(text, Qt::ElideRight, inner.width() + 0.5));
}
}  // namespace

// ---- Geometry and text ----

int graphemeCount(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() != -1) ++count;
    return count;
}

std::optional<double> explanatoryWrapWidth(const QString& text) {
    if (graphemeCount(text) >= tipWrapFromCharacters) return tipWrapWidth;
    return std::nullopt;
}

QPointF hostedTipOrigin(double hostWidth, const QRectF& anchor, const QSizeF& bubble, bool below) {
    const double w = bubble.width(), h = bubble.height();
    const double x = std::min(std::max(hostWidth - w - tipHostMargin, tipHostMargin),
                              std::max(anchor.center().x() - w / 2, tipHostMargin));
    const double y = below ? anchor.bottom() + tipGap : anchor.top() - h - tipGap;
    return {x, y};
}

double inPlaceTipShift(double midX, std::optional<double> wrapWidth, std::optional<double> windowWidth) {
    if (!wrapWidth || !windowWidth) return 0.0;
    const double w = *wrapWidth, W = *windowWidth;
    if (midX + w / 2 > W - tipInPlaceMargin) return -((midX + w / 2) - (W - tipInPlaceMargin));
    if (midX - w / 2 < tipInPlaceMargin) return tipInPlaceMargin - (midX - w / 2);
    return 0.0;
}

QPointF inPlaceTipOrigin(const QRectF& anchor, const QSizeF& bubble, bool below, double shift) {
    if (below) return {anchor.center().x() - bubble.width() / 2 + shift, anchor.bottom() + tipGap};
    return {anchor.left() + shift, anchor.top() - bubble.height() - tipGap};
}

QPointF hintOrigin(const QRectF& anchor, const QSizeF& bubble) {
    return {anchor.center().x() - bubble.width() / 2, anchor.top() - hintGap - bubble.height()};
}

QSizeF tipBubbleSize(const QString& text, std::optional<double> wrapWidth) {
    const QFontMetricsF fm(tipFont());
    if (wrapWidth) {
        const double w = std::min(*wrapWidth, tipMaxWidth);
        const QRectF bounds = fm.boundingRect(QRectF(0, 0, w - 2 * padH, 1e6), int(Qt::AlignLeft | Qt::TextWordWrap), text);
        return {w, std::ceil(bounds.height()) + 2 * padV};
    }
    const double w = std::min(std::ceil(fm.horizontalAdvance(text)) + 2 * padH, tipMaxWidth);
    return {w, std::ceil(fm.height()) + 2 * padV};
}

void paintTipBubble(QPainter& p, const QRectF& body, const QString& text, std::optional<double> wrapWidth, bool dark) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const KitShape shape = KitShape::rounded(8);
    paintShadow(p, shape, body, withAlpha(Qt::black, 0.18), 8, QPointF(0, 3));
    p.fillPath(shape.path(body), raisedColor.resolve(dark));
    strokeInside(p, shape, body, 0.5, withAlpha(primaryLabelColor.resolve(dark), 0.12));
    p.setFont(tipFont());
    p.setPen(primaryLabelColor.resolve(dark));
    drawTipText(p, body, text, wrapWidth, padH, padV);
    p.restore();
}

// ---- Timing ----

void setHoverScheduler(HoverScheduler s) { scheduler() = std::move(s); }

HoverDelay::HoverDelay(double seconds, QObject* parent) : QObject(parent), delay_(toMs(seconds)) {}

void HoverDelay::enter() {
    const bool wasShown = state_ == State::shown;
    const std::uint64_t generation = ++generation_;
    state_ = State::waiting;
    if (wasShown) emit shownChanged(false);
    schedule(delay_, [self = QPointer<HoverDelay>(this), generation] {
        if (!self || self->generation_ != generation || self->state_ != State::waiting) return;
        self->state_ = State::shown;
        emit self->shownChanged(true);
    });
}

void HoverDelay::watch(QWidget* view) { view->installEventFilter(this); }

bool HoverDelay::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::Enter: enter(); break;
        case QEvent::Leave:
        case QEvent::Hide: leave(); break;
        default: break;
    }
    return QObject::eventFilter(watched, event);
}

void HoverDelay::leave() {
    ++generation_;  // a show not run yet never runs
    const bool wasShown = state_ == State::shown;
    state_ = State::hidden;
    if (wasShown) emit shownChanged(false);
}

// ---- Host ----

void setTipsHosted(QWidget* area, bool hosted) { area->setProperty(hostedProperty, hosted); }

bool tipsHosted(const QWidget* view) {
    for (const QWidget* w = view; w; w = w->parentWidget()) {
        const QVariant v = w->property(hostedProperty);
        if (v.isValid()) return v.toBool();
    }
    return false;
}

TipHost::TipHost(QWidget* root) : QWidget(root) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(root->rect());
    root->installEventFilter(this);
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
    raise();
    show();
}

TipHost* TipHost::of(const QWidget* view) {
    for (const QWidget* w = view; w; w = w->parentWidget())
        if (auto* host = w->findChild<TipHost*>(QString(), Qt::FindDirectChildrenOnly)) return host;
    return nullptr;
}

void TipHost::publish(const QObject* source, const TipRequest& request) {
    withdraw(source);
    entries_.push_back({source, request});
    raise();
    update();
}

void TipHost::withdraw(const QObject* source) {
    const auto before = entries_.size();
    std::erase_if(entries_, [source](const Entry& e) { return e.source == source; });
    if (entries_.size() != before) update();
}

std::vector<TipRequest> TipHost::tips() const {
    std::vector<TipRequest> out;
    for (const Entry& e : entries_) out.push_back(e.request);
    return out;
}

QRectF TipHost::bubbleRect(int index) const {
    if (index < 0 || index >= int(entries_.size())) return {};
    const TipRequest& r = entries_[std::size_t(index)].request;
    if (!r.anchor) return {};
    const QRectF anchor(QPointF(mapFromGlobal(r.anchor->mapToGlobal(QPoint(0, 0)))), QSizeF(r.anchor->size()));
    const QSizeF size = tipBubbleSize(r.text, r.wrapWidth);
    return {hostedTipOrigin(width(), anchor, size, r.below), size};
}

bool TipHost::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
    if (watched == parentWidget() && event->type() == QEvent::ChildAdded) raise();
    return QWidget::eventFilter(watched, event);
}

void TipHost::paintEvent(QPaintEvent*) {
    if (entries_.empty()) return;
    QPainter p(this);
    const bool dark = Appearance::instance().isDark();
    for (int i = 0; i < int(entries_.size()); ++i) {
        const QRectF body = bubbleRect(i);
        if (body.isEmpty()) continue;
        const TipRequest& r = entries_[std::size_t(i)].request;
        paintTipBubble(p, body, r.text, r.wrapWidth, dark);
    }
}

// ---- Bubbles ----

TipBubble::TipBubble(const QString& text, std::optional<double> wrapWidth, QWidget* parent)
    : QWidget(parent), text_(text), wrap_(wrapWidth), size_(tipBubbleSize(text, wrapWidth)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(sizeHint());
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
}

QSize TipBubble::sizeHint() const {
    return QSize(int(std::ceil(size_.width())), int(std::ceil(size_.height()))) + QSize(2 * tipShadowRoom, 2 * tipShadowRoom);
}

void TipBubble::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintTipBubble(p, QRectF(QPointF(tipShadowRoom, tipShadowRoom), size_), text_, wrap_, Appearance::instance().isDark());
}

HintBubble::HintBubble(const QString& text, double width, QWidget* parent) : QWidget(parent), text_(text), width_(width) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    const QFontMetricsF fm(tipFont());
    const QRectF bounds = fm.boundingRect(QRectF(0, 0, width_, 1e6), int(Qt::AlignLeft | Qt::TextWordWrap), text_);
    size_ = QSizeF(width_ + 2 * hintPad, std::ceil(bounds.height()) + 2 * hintPad);
    setFixedSize(sizeHint());
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
}

QSize HintBubble::sizeHint() const {
    return QSize(int(std::ceil(size_.width())), int(std::ceil(size_.height()))) + QSize(2 * tipShadowRoom, 2 * tipShadowRoom);
}

void HintBubble::setOpacity(double opacity) {
    opacity_ = opacity;
    update();
}

void HintBubble::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(std::clamp(opacity_, 0.0, 1.0));
    const bool dark = Appearance::instance().isDark();
    const QRectF body(QPointF(tipShadowRoom, tipShadowRoom), size_);
    const KitShape shape = KitShape::rounded(12);
    paintShadow(p, shape, body, withAlpha(Qt::black, 0.18), 10, QPointF(0, 3));
    const QPainterPath path = shape.path(body);
    if (AppBackdrop* root = AppBackdrop::of(this)) {
        root->paintMaterial(p, this, path, Material::regular);
    } else {
        p.fillPath(path, raisedColor.resolve(dark));
    }
    strokeInside(p, shape, body, 0.5, withAlpha(Qt::white, 0.25));
    p.setFont(tipFont());
    p.setPen(primaryLabelColor.resolve(dark));
    drawTipText(p, body, text_, width_, hintPad, hintPad);
}

// ---- QuickTip ----

QuickTip::QuickTip(QWidget* view, const Options& options)
    : QObject(view), view_(view), options_(options), delay_(new HoverDelay(options.delaySeconds, this)) {
    delay_->watch(view);
    connect(delay_, &HoverDelay::shownChanged, this, [this](bool shown) { shown ? show() : hide(); });
}

QuickTip::~QuickTip() {
    // The view is going (or replacing its tip): nothing of this tip stays on screen.
    if (host_) host_->withdraw(this);
    delete bubble_.data();
    delete retiring_.data();
}

QuickTip* QuickTip::attach(QWidget* view, const Options& options) {
    if (QuickTip* old = on(view)) delete old;
    return new QuickTip(view, options);
}

QuickTip* QuickTip::on(const QWidget* view) {
    return view ? view->findChild<QuickTip*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

void QuickTip::setText(const QString& text) {
    options_.text = text;
    if (isShown()) show();  // publishes or redraws the new text
}

QString QuickTip::shownText() const { return options_.localized ? localized(options_.text) : options_.text; }

void QuickTip::show() {
    hide();
    const QString text = shownText();
    if (tipsHosted(view_)) {
        if (TipHost* host = TipHost::of(view_)) {
            host_ = host;
            host->publish(this, {text, view_, options_.below, options_.wrapWidth});
            return;
        }
    }
    // In place: a bubble over the view's window, placed against the view.
    QWidget* window = view_->window();
    auto* bubble = new TipBubble(text, options_.wrapWidth, window);
    const QRectF anchor(QPointF(view_->mapTo(window, QPoint(0, 0))), QSizeF(view_->size()));
    const double shift = inPlaceTipShift(anchor.center().x(), options_.wrapWidth, double(window->width()));
    const QPointF origin = inPlaceTipOrigin(anchor, bubble->bodySize(), options_.below, shift);
    bubble->move((origin - QPointF(tipShadowRoom, tipShadowRoom)).toPoint());
    bubble->raise();
    bubble->show();
    bubble_ = bubble;
}

void QuickTip::hide() {
    if (host_) host_->withdraw(this);
    host_ = nullptr;
    if (bubble_) {
        // Gone from the screen at once; deleted once the event that hid it (a window hiding all its
        // children, say) is over.
        bubble_->hide();
        bubble_->deleteLater();
        retiring_ = bubble_;
        bubble_ = nullptr;
    }
}

QuickTip* quickTip(QWidget* view, const QString& text) {
    if (text.isEmpty()) {
        delete QuickTip::on(view);
        return nullptr;
    }
    return QuickTip::attach(view, {text, quickTipDelay, true, explanatoryWrapWidth(text), true});
}

QuickTip* labelTip(QWidget* view, const QString& text, bool localized) {
    return QuickTip::attach(view, {text, labelTipDelay, false, std::nullopt, localized});
}

// ---- QuickHint ----

QuickHint::QuickHint(QWidget* view, const QString& text, double width)
    : QObject(view),
      view_(view),
      text_(text),
      width_(width),
      delay_(new HoverDelay(hintDelay, this)),
      fade_([this] {
          if (!bubble_) return;
          bubble_->setOpacity(fade_.value());
          if (fade_.value() <= 0.0 && fade_.target() <= 0.0) bubble_->deleteLater();
      }) {
    delay_->watch(view);
    connect(delay_, &HoverDelay::shownChanged, this, &QuickHint::setShown);
}

QuickHint::~QuickHint() {
    if (bubble_) delete bubble_.data();
}

QuickHint* QuickHint::attach(QWidget* view, const QString& text, double width) { return new QuickHint(view, text, width); }

void QuickHint::setShown(bool shown) {
    if (shown) {
        if (bubble_) delete bubble_.data();
        QWidget* window = view_->window();
        auto* bubble = new HintBubble(localized(text_), width_, window);
        const QRectF anchor(QPointF(view_->mapTo(window, QPoint(0, 0))), QSizeF(view_->size()));
        const QPointF origin = hintOrigin(anchor, bubble->bodySize());
        bubble->move((origin - QPointF(tipShadowRoom, tipShadowRoom)).toPoint());
        bubble->setOpacity(0.0);
        bubble->raise();
        bubble->show();
        bubble_ = bubble;
        fade_.setTarget(0.0, false);
        fade_.setTarget(1.0);
    } else if (bubble_) {
        fade_.setTarget(0.0);
    }
}

}  // namespace orvane::kit

#pragma once
// Pointer-hover help: tooltip bubbles (QuickTip) in two presets, the larger frosted hint card (QuickHint)
// and the host layer that draws the tips of a window's page area above everything else.
//
// Presets:
//   quickTip(view, text)         explanatory: 1.0 s, below the view, wrapped at 280 from 61 characters;
//   labelTip(view, text, local)  a one-line label's full text: 0.2 s, above the view, one line.
// A view marked with setTipsHosted(area, true) publishes its tip to the TipHost laid over its window's
// content, which keeps the bubble 8 points inside the window; elsewhere (the rail, sheets, other windows)
// the bubble is drawn in place. A tip shows on a disabled view too, and never outlives its view: it is a
// child of the view and goes with it.
//
// Timing runs through a replaceable scheduler, so tests move a virtual clock instead of waiting.
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <QWidget>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "app/kit/motion.h"

namespace orvane::kit {

// ---- Geometry and text (pure) ----------------------------------------------------------------

inline constexpr double tipFontSize = 12.5;
inline constexpr double tipWrapWidth = 280.0;
inline constexpr int tipWrapFromCharacters = 61;
inline constexpr double tipMaxWidth = 360.0;
inline constexpr double tipGap = 6.0;             // between a view and its bubble
inline constexpr double tipHostMargin = 8.0;      // a hosted bubble stays this far inside the window
inline constexpr double tipInPlaceMargin = 12.0;  // a wrapped bubble drawn in place stays this far inside
inline constexpr double hintGap = 10.0;           // between a view and its hint card
inline constexpr double quickTipDelay = 1.0;
inline constexpr double labelTipDelay = 0.2;
inline constexpr double hintDelay = 0.45;

// User-perceived characters (grapheme clusters): "ă" is one, composed or not.
int graphemeCount(const QString& text);
// The wrap width of an explanatory tip: 280 from 61 characters on, none up to 60.
std::optional<double> explanatoryWrapWidth(const QString& text);

// Top-left of a bubble of `bubble` size that a host layer `hostWidth` wide draws for a view at
// `anchor` (both in the layer's coordinates, y downwards): centred on the view and kept 8 from both
// sides (a bubble wider than the layer less 16 starts at 8); 6 below or above the view.
QPointF hostedTipOrigin(double hostWidth, const QRectF& anchor, const QSizeF& bubble, bool below);
// The sideways move of a bubble drawn in place: only a wrapped one moves, to stay 12 inside a window
// `windowWidth` wide; `midX` is the view's centre in window coordinates. 0 without a window or a wrap.
double inPlaceTipShift(double midX, std::optional<double> wrapWidth, std::optional<double> windowWidth);
// Top-left of a bubble drawn in place for a view at `anchor`: below, centred 6 under the view; above,
// its left edge on the view's and 6 over it; then moved sideways by `shift`.
QPointF inPlaceTipOrigin(const QRectF& anchor, const QSizeF& bubble, bool below, double shift);
// Top-left of a hint card: centred on the view, its bottom 10 above the view's top.
QPointF hintOrigin(const QRectF& anchor, const QSizeF& bubble);

// The bubble's size for `text`: padding 10 and 6; exactly `wrapWidth` wide when set, else the text's
// one-line width; never wider than 360 (a longer line is cut with "…"); the text's full height.
QSizeF tipBubbleSize(const QString& text, std::optional<double> wrapWidth);
// Room around a bubble for its shadow.
inline constexpr int tipShadowRoom = 14;
// Paints a bubble (shadow, raised fill, hairline, text) whose body is `body`.
void paintTipBubble(QPainter& painter, const QRectF& body, const QString& text, std::optional<double> wrapWidth,
                    bool dark);

// ---- Timing --------------------------------------------------------------------------------

// Runs `task` once `delay` has passed, on the interface thread. The default uses Qt timers; tests install
// a virtual clock (ManualExecutor::postAfter). An empty scheduler restores the default.
using HoverScheduler = std::function<void(std::chrono::milliseconds delay, std::function<void()> task)>;
void setHoverScheduler(HoverScheduler scheduler);

// The hover states of a tip or hint: hidden → waiting when the pointer enters, waiting → shown when the
// delay has passed; leaving hides at once and cancels a pending show, so re-entering waits afresh.
class HoverDelay : public QObject {
    Q_OBJECT
public:
    enum class State { hidden, waiting, shown };
    HoverDelay(double seconds, QObject* parent = nullptr);
    // Follows the pointer over `view`: entering it enters, leaving it (or its hiding) leaves.
    void watch(QWidget* view);
    void enter();
    void leave();
    State state() const { return state_; }
    bool isShown() const { return state_ == State::shown; }

signals:
    void shownChanged(bool shown);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::chrono::milliseconds delay_;
    State state_ = State::hidden;
    std::uint64_t generation_ = 0;  // a scheduled show runs only if nothing happened since
};

// ---- Tips ----------------------------------------------------------------------------------

// Marks `area` and what lies inside it as drawing tips through its window's host (or, with false, in
// place). The nearest marked ancestor decides; an unmarked view draws in place.
void setTipsHosted(QWidget* area, bool hosted);
bool tipsHosted(const QWidget* view);

// One tooltip request a view publishes to the host.
struct TipRequest {
    QString text;  // as shown
    QPointer<QWidget> anchor;
    bool below = true;
    std::optional<double> wrapWidth;
};

// The layer over a window's content that draws every tip published below it, in publishing order (later
// ones on top). It covers its parent, follows its size, stays on top and takes no pointer events.
class TipHost : public QWidget {
    Q_OBJECT
public:
    explicit TipHost(QWidget* root);
    // The host over the content `view` belongs to: a TipHost child of the view or of an ancestor.
    static TipHost* of(const QWidget* view);

    void publish(const QObject* source, const TipRequest& request);
    void withdraw(const QObject* source);
    std::vector<TipRequest> tips() const;
    // Where the bubble of tip `index` is drawn, in this layer's coordinates (its body, without shadow).
    QRectF bubbleRect(int index) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Entry {
        const QObject* source;
        TipRequest request;
    };
    std::vector<Entry> entries_;
};

// A tooltip bubble as a widget (the bubble drawn in place, and the gallery's still samples). Its frame
// holds the body plus tipShadowRoom on every side.
class TipBubble : public QWidget {
    Q_OBJECT
public:
    TipBubble(const QString& text, std::optional<double> wrapWidth, QWidget* parent = nullptr);
    QSizeF bodySize() const { return size_; }
    QString text() const { return text_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    std::optional<double> wrap_;
    QSizeF size_;
};

class QuickTip : public QObject {
    Q_OBJECT
public:
    struct Options {
        QString text;
        double delaySeconds = quickTipDelay;
        bool below = true;
        std::optional<double> wrapWidth;
        bool localized = true;  // the text is a localisation key
    };
    // Attaches a tip to `view`, replacing one it had; the view owns it.
    static QuickTip* attach(QWidget* view, const Options& options);
    // The tip attached to `view`, if any.
    static QuickTip* on(const QWidget* view);
    ~QuickTip() override;

    void setText(const QString& text);
    const Options& options() const { return options_; }
    QString shownText() const;
    HoverDelay::State state() const { return delay_->state(); }
    bool isShown() const { return delay_->isShown(); }
    // While shown: whether a host draws it, and the bubble drawn in place (null when hosted or hidden).
    bool isHosted() const { return host_ != nullptr; }
    TipBubble* bubble() const { return bubble_; }

private:
    QuickTip(QWidget* view, const Options& options);
    void show();
    void hide();

    QWidget* view_;
    Options options_;
    HoverDelay* delay_;
    QPointer<TipHost> host_;
    QPointer<TipBubble> bubble_;
    QPointer<TipBubble> retiring_;  // hidden, its deletion queued
};

// The explanatory preset. An empty text attaches nothing (and removes a tip the view had); returns the
// tip, or null.
QuickTip* quickTip(QWidget* view, const QString& text);
// The label preset for a one-line label the layout may cut: its full text; `localized` says whether the
// text is a localisation key (a page title) or shown as it stands (a name, a path).
QuickTip* labelTip(QWidget* view, const QString& text, bool localized);

// ---- Hint ----------------------------------------------------------------------------------

// A frosted explanation card as a widget: the regular material, the text wrapped to exactly `width`,
// padding 12; its frame holds the card plus tipShadowRoom on every side.
class HintBubble : public QWidget {
    Q_OBJECT
public:
    HintBubble(const QString& text, double width, QWidget* parent = nullptr);
    QSizeF bodySize() const { return size_; }
    void setOpacity(double opacity);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    double width_;
    QSizeF size_;
    double opacity_ = 1.0;
};

// Shows a HintBubble 0.45 s after the pointer enters `view`, above it, fading in and out.
class QuickHint : public QObject {
    Q_OBJECT
public:
    // `text` is a localisation key.
    static QuickHint* attach(QWidget* view, const QString& text, double width);
    ~QuickHint() override;
    bool isShown() const { return delay_->isShown(); }
    HintBubble* bubble() const { return bubble_; }

private:
    QuickHint(QWidget* view, const QString& text, double width);
    void setShown(bool shown);

    QWidget* view_;
    QString text_;
    double width_;
    HoverDelay* delay_;
    QPointer<HintBubble> bubble_;
    SpringValue fade_;
};

}  // namespace orvane::kit

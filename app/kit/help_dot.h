#pragma once
// Small components of the option panels and project sheets:
//   HelpDot            a question-mark button that opens a popover with an explanation;
//   HelpPopover        that popover: the text in a 260-point column, selectable, under an arrow;
//   OptionsFrame       its content inside an untitled Card, or bare;
//   ProjectSourceTabs  the two-tab strip "Din catalog Lightroom" / "Din folder RAW".
#include <QAbstractButton>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "app/kit/symbol_button.h"

class QLabel;

namespace orvane::kit {

class KitLabel;
class LrBadge;

// A bubble with an arrow on its top edge and a text wrapped in a 260-point column with a margin of 14,
// which the user can select and copy. As a pop-up window it closes on a click elsewhere (or Escape).
class HelpPopover : public QWidget {
    Q_OBJECT
public:
    static constexpr int columnWidth = 260;
    static constexpr int margin = 14;
    static constexpr int arrowHeight = 8;

    // Embedded in `parent` (a still sample); use popUp() for the real pop-up.
    explicit HelpPopover(const QString& shownText, QWidget* parent = nullptr);
    // A pop-up window whose arrow points at the middle of `anchor`'s bottom edge; it deletes itself
    // when closed.
    static HelpPopover* popUp(const QString& shownText, QWidget* anchor);

    QLabel* textLabel() const { return label_; }
    // Where the arrow's tip is, from the left edge of the bubble's body.
    void setArrowX(double x);
    // The bubble's body inside the widget (the widget leaves room for the arrow and the shadow).
    QRectF body() const;

signals:
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    HelpPopover(const QString& shownText, QWidget* anchor, bool popup);

    QLabel* label_;
    QPointer<QWidget> anchor_;
    double arrowX_ = 0;
};

// "questionmark.circle" at `size` points: in the accent colour while the pointer is over it or its
// popover is open, else in the secondary ink at 80 %. A click opens the popover with `text` (a
// localisation key) under the dot, another click or a click elsewhere closes it.
class HelpDot : public SymbolButton {
    Q_OBJECT
public:
    HelpDot(const QString& text, double size, QWidget* parent = nullptr);
    QString text() const { return text_; }
    bool isOpen() const { return popover_ != nullptr; }
    HelpPopover* popover() const { return popover_; }

private:
    void toggle();
    void refreshInk();

    QString text_;
    QPointer<HelpPopover> popover_;
};

// The content inside a Card without title or symbol when framed; alone, with nothing around it, when not.
class OptionsFrame : public QWidget {
    Q_OBJECT
public:
    OptionsFrame(bool framed, QWidget* content, QWidget* parent = nullptr);
    bool isFramed() const { return framed_; }
    QWidget* content() const { return content_; }

private:
    bool framed_;
    QWidget* content_;
};

// Two tabs sharing the row, in a faint capsule: the catalog (an Lr badge) and the folder. The tab of the
// current source is white on the accent gradient; a click on the other one emits picked() with its source,
// a click on the current one does nothing. The strip shows whatever current source it is given.
class ProjectSourceTabs : public QWidget {
    Q_OBJECT
public:
    enum class Source { catalog, folder };
    explicit ProjectSourceTabs(Source current, QWidget* parent = nullptr);
    void setCurrent(Source current);
    Source current() const { return current_; }
    QAbstractButton* tab(Source source) const;

signals:
    void picked(Source source);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Source current_;
    QAbstractButton* tabs_[2];
};

}  // namespace orvane::kit

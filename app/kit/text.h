#pragma once
// Text as the kit draws it: the toolkit's named text styles on the interface font, and KitLabel, the one
// label every kit component paints its texts with. A KitLabel resolves its colour against the appearance
// when it paints, can look its text up in the user's language, and cuts or wraps as it is told.
#include <QFont>
#include <QString>
#include <QWidget>

#include "app/kit/palette.h"

class QLabel;

namespace orvane::kit {

// The named text styles, in points (device-independent pixels).
namespace TextStyle {
inline constexpr double body = 13.0;
inline constexpr double headline = 13.0;  // semibold
inline constexpr double callout = 12.0;
inline constexpr double caption = 11.0;
inline constexpr double smallestCaption = 10.0;
}  // namespace TextStyle

// The interface font with letter tracking `tracking` points (negative tightens).
QFont trackedFont(double points, int weight, double tracking);
// Upper case by the Romanian rules ("ș" → "Ș", "ă" → "Ă").
QString upperCased(const QString& text);

// The text without the spaces and tabs at either end; line breaks stay. Names the user types are
// checked and saved so.
QString trimSpacesAndTabs(const QString& text);

// A plain label of selectable text in the interface font; `muted` paints it in the palette's muted
// colour. For screen texts that need no appearance-aware painting of their own.
QLabel* selectableLabel(const QString& text, double points, int weight, bool muted = false);

class KitLabel : public QWidget {
    Q_OBJECT
public:
    KitLabel(const QString& text, const QFont& font, QWidget* parent = nullptr);

    // The text as given (a localisation key when localised).
    QString text() const { return text_; }
    void setText(const QString& text);
    // The text as drawn: looked up in the user's language when localised, upper-cased when asked.
    QString shownText() const;
    // Whether the text is a localisation key (off by default: names, paths and numbers show as given).
    void setLocalized(bool localized);
    bool isLocalized() const { return localized_; }
    void setUpperCase(bool upper);
    void setFont(const QFont& font);

    // The text colour, resolved at paint time, at `opacity` times its own opacity.
    void setColor(AdaptiveColor color, double opacity = 1.0);
    AdaptiveColor color() const { return color_; }
    double colorOpacity() const { return opacity_; }

    // One line cut where the mode says when the label is narrower than its text; Qt::ElideNone (the
    // default) never cuts: the label then keeps at least its text's width.
    void setElideMode(Qt::TextElideMode mode);
    // 1 (the default): one line. 0: wraps onto as many lines as needed. n > 1: wraps onto at most n lines,
    // the last cut at its end with "…"; the label grows in height instead of cutting earlier.
    void setMaxLines(int lines);
    void setAlignment(Qt::Alignment alignment);

    // Whether the text as laid out at the current width is cut.
    bool isElided() const;
    // Lines the text takes at the current width.
    int lineCount() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return maxLines_ != 1; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Layout {
        QStringList lines;
        bool elided = false;
    };
    Layout layoutFor(double width) const;
    void changed();

    QString text_;
    QFont font_;
    AdaptiveColor color_ = primaryLabelColor;
    double opacity_ = 1.0;
    bool localized_ = false;
    bool upper_ = false;
    Qt::TextElideMode elide_ = Qt::ElideNone;
    int maxLines_ = 1;
    Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignVCenter;
};

}  // namespace orvane::kit

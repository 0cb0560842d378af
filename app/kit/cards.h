#pragma once
// Small views screens compose: Card (a titled panel on clear glass), IconTile (a symbol on an accent
// tile), StatusPill (a status capsule), PillBar (a thin progress bar) and ProgressRing (a progress circle
// with its percentage). None keeps state beyond its inputs; the bar and the ring animate a new fraction
// with kitSpring.
#include <QString>
#include <QVBoxLayout>
#include <QWidget>

#include <optional>

#include "app/kit/glass.h"
#include "app/kit/motion.h"
#include "app/kit/palette.h"

namespace orvane::kit {

class KitLabel;

// ---- Pure rules ----

// The whole percentage of `fraction` (rounded half away from zero, not limited: 1.5 is "150%"), then
// "%". Infinity and not-a-number show "—%"; huge values are limited before they become an integer.
QString percentText(double fraction);
// The share a bar or ring shows: 0 for a negative fraction or not-a-number, at most 1.
double clampedFraction(double fraction);
// Width of a PillBar's bar in a track `width` wide: never narrower than 8.
double pillBarWidth(double width, double fraction);
// The colour of a PillBar of `kind`: ok and bad keep theirs, every other kind is the accent.
AdaptiveColor pillBarColor(StatusKind kind);

// How a ProgressRing lays itself out in the space offered.
struct RingLayout {
    double side = 0;              // s: the smaller of the offered width and height
    QRectF square;                // the s × s square, centred in the offered space
    double arc = 0;               // the trimmed share of the circle: max(min(f, 1), 0.001); NaN and +∞ give 1
    double percentFontSize = 0;   // max((s − 2·lineWidth) × 0.32, 9)
    double captionFontSize = 0;   // max(s × 0.085, 9)
    double centreMaxWidth = 0;    // max(s − 2·lineWidth − 4, 0)
    double centreSpacing = 0;     // max(s × 0.02, 2)
};
RingLayout progressRingLayout(const QSizeF& offered, double lineWidth, double fraction);

// ---- Views ----

// A square tile of `size` with the symbol at half that size: white on an accent gradient when filled,
// else accent on the accent at 16 %; corner radius size × 0.3.
class IconTile : public QWidget {
    Q_OBJECT
public:
    IconTile(const QString& symbol, double size, bool filled, QWidget* parent = nullptr);
    QString symbol() const { return symbol_; }
    bool isFilled() const { return filled_; }
    double tileSize() const { return size_; }
    double glyphSize() const { return size_ * 0.5; }
    double cornerRadius() const { return size_ * 0.3; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString symbol_;
    double size_;
    bool filled_;
};

// A panel on clear glass (corner radius 20, padding 16) as wide as its container: a header of an
// IconTile (26, only with a title) and the title in the headline style, then the content, 12 apart. A
// symbol without a title shows nothing. Titles are localisation keys.
class Card : public GlassFrame {
    Q_OBJECT
public:
    explicit Card(std::optional<QString> title = std::nullopt, std::optional<QString> symbol = std::nullopt,
                  QWidget* content = nullptr, QWidget* parent = nullptr);
    // Adds a view below the header (and the views added before it).
    void addContent(QWidget* content);
    QVBoxLayout* contentLayout() const { return layout_; }
    // The header row; null for a card without a title.
    QWidget* header() const { return header_; }
    IconTile* headerTile() const { return tile_; }
    KitLabel* titleLabel() const { return title_; }

private:
    QVBoxLayout* layout_;
    QWidget* header_ = nullptr;
    IconTile* tile_ = nullptr;
    KitLabel* title_ = nullptr;
};

// A capsule with an optional symbol and a text (a localisation key, never cut or wrapped), coloured by its
// status kind: caption semibold, padding 9 and 3.
class StatusPill : public QWidget {
    Q_OBJECT
public:
    using Kind = StatusKind;
    StatusPill(const QString& text, std::optional<QString> symbol, Kind kind, QWidget* parent = nullptr);
    void setText(const QString& text);
    void setKind(Kind kind);
    QString text() const { return text_; }
    Kind kind() const { return kind_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    std::optional<QString> symbol_;
    Kind kind_;
};

// A track 8 high across the width offered, with a bar from its leading edge for the fraction.
class PillBar : public QWidget {
    Q_OBJECT
public:
    PillBar(double fraction, StatusKind kind, QWidget* parent = nullptr);
    void setFraction(double fraction);
    void setKind(StatusKind kind);
    double fraction() const { return fraction_; }
    // The bar's width now (it follows a new fraction along the spring).
    double barWidth() const;
    QSize sizeHint() const override { return {120, 8}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double fraction_;
    StatusKind kind_;
    SpringValue shown_;  // the fraction as drawn
};

// A circle of progress in the largest square that fits: a faint track, an accent arc from the top,
// clockwise, and the percentage (with an optional caption shown as given) in its centre.
class ProgressRing : public QWidget {
    Q_OBJECT
public:
    ProgressRing(double fraction, double lineWidth, std::optional<QString> caption = std::nullopt,
                 QWidget* parent = nullptr);
    void setFraction(double fraction);
    void setCaption(std::optional<QString> caption);
    double fraction() const { return fraction_; }
    QString percent() const { return percentText(fraction_); }
    RingLayout ringLayout() const;
    QSize sizeHint() const override { return {96, 96}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double fraction_;
    double lineWidth_;
    std::optional<QString> caption_;
    SpringValue shown_;  // the arc as drawn
};

}  // namespace orvane::kit

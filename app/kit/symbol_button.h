#pragma once
// Buttons that are one symbol of the icon table: a borderless symbol (reset buttons, the help dot), a
// symbol on a small glass circle (the page header's back button) and a symbol on a filled circle (the
// round action buttons of list rows and menus).
#include <QAbstractButton>

#include <optional>

#include "app/kit/palette.h"

namespace orvane::kit {

// A symbol that only shows: `glyphSize` points square in its ink, centred in a frame `frameWidth` wide.
class SymbolView : public QWidget {
    Q_OBJECT
public:
    SymbolView(const QString& symbol, double glyphSize, double frameWidth = 0, QWidget* parent = nullptr);
    void setInk(AdaptiveColor ink);
    AdaptiveColor ink() const { return ink_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString symbol_;
    double glyph_;
    AdaptiveColor ink_ = primaryLabelColor;
};

// A borderless symbol: no fill and no border, the glyph `glyphSize` points square in its ink, a little
// room around it that takes clicks too.
class SymbolButton : public QAbstractButton {
    Q_OBJECT
public:
    SymbolButton(const QString& symbol, double glyphSize, QWidget* parent = nullptr);

    QString symbol() const { return symbol_; }
    // Another symbol of the icon table (a toggle's two states).
    void setSymbol(const QString& symbol);
    // The glyph's colour; none (the default) is the accent colour in effect when the button paints.
    void setInk(std::optional<AdaptiveColor> ink);
    // Whether the glyph turns to the accent colour while the pointer is over the enabled button.
    void setHoverAccent(bool accent);
    // The whole button drawn at this opacity (a resting or unavailable look).
    void setOpacity(double opacity);
    double opacity() const { return opacity_; }
    bool isHovering() const { return hovering_; }
    // The colour the glyph is drawn in now.
    QColor currentInk() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QString symbol_;
    double glyph_;
    std::optional<AdaptiveColor> ink_;  // none: the accent
    bool hoverAccent_ = false;
    double opacity_ = 1.0;
    bool hovering_ = false;
};

// A symbol on a `diameter` glass circle (GlassSurface), clickable inside the circle only.
class GlassCircleButton : public QAbstractButton {
    Q_OBJECT
public:
    GlassCircleButton(const QString& symbol, int diameter, double glyphSize, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {diameter_, diameter_}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    QString symbol_;
    int diameter_;
    double glyph_;
};

// A symbol on a filled circle of `diameter`, clickable inside the circle only; `ring`, when given, is a
// 1-point line drawn inside the circle's edge. Colours are resolved when it paints; disabled, the whole
// button shows at 45 %.
class CircleSymbolButton : public QAbstractButton {
    Q_OBJECT
public:
    CircleSymbolButton(const QString& symbol, int diameter, double glyphSize, AdaptiveColor ink, AdaptiveColor fill,
                       std::optional<AdaptiveColor> ring = std::nullopt, QWidget* parent = nullptr);
    QString symbol() const { return symbol_; }
    AdaptiveColor ink() const { return ink_; }
    QSize sizeHint() const override { return {diameter_, diameter_}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    QString symbol_;
    int diameter_;
    double glyph_;
    AdaptiveColor ink_;
    AdaptiveColor fill_;
    std::optional<AdaptiveColor> ring_;
};

}  // namespace orvane::kit

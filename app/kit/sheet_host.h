#pragma once
// Sheets inside the main window: a scrim over the whole content, then the sheet, centred over the page
// area right of the rail band. One sheet shows at a time; the others wait in the order they came.
// And the round glass close button of the sheets.
#include <QAbstractButton>
#include <QPointer>
#include <QWidget>

#include <deque>

class QPainter;

#include "app/kit/buttons.h"

namespace orvane::kit {

class SheetHost : public QWidget {
    Q_OBJECT
public:
    // Covers `parent` entirely and follows its size; hidden while no sheet shows.
    explicit SheetHost(QWidget* parent);

    // Takes `sheet` (parented to the host); it shows now, or after the sheets before it have gone.
    void present(QWidget* sheet);
    // Takes the sheet away, shown or waiting, and deletes it; the next waiting sheet shows.
    void dismiss(QWidget* sheet);
    QWidget* current() const { return current_; }
    int waiting() const { return int(queue_.size()); }

    // Where a sheet of `sheet` size sits in a host of `host` size: centred right of the rail band,
    // or over the whole width when it does not fit beside the band; vertically centred.
    static QRect sheetFrame(const QSize& host, const QSize& sheet);

signals:
    // The user asked the shown sheet to close (Escape).
    void closeRequested(QWidget* sheet);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showNext();
    void place();

    QPointer<QWidget> current_;
    std::deque<QPointer<QWidget>> queue_;
};

// The close button of the sheets: a bold "xmark" of 12 points in the muted colour on a 30 × 30 glass
// circle that lifts under the pointer, with 14 points of padding (58 × 58 in all) and the tooltip
// "Închide". Disabled, it shows at 40 % opacity and ignores clicks.
class SheetCloseButton : public QWidget {
    Q_OBJECT
public:
    static constexpr int circle = 30;
    static constexpr int padding = 14;
    static constexpr double glyphPoints = 12.0;
    explicit SheetCloseButton(QWidget* parent = nullptr);
    QAbstractButton* button() const { return button_; }
    void setDisabledLook(bool disabled);
    QSize sizeHint() const override { return {circle + 2 * padding, circle + 2 * padding}; }

    // A close button laid over the top-trailing corner of `view`, where it stays as the view resizes;
    // its padding alone sets its distance from the edges (the glyph's centre 29 points from both).
    static SheetCloseButton* overlay(QWidget* view);

signals:
    void clicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeInCorner();
    QAbstractButton* button_;
};

// The "xmark" glyph: two bold strokes as a 12-point symbol draws them, centred on `centre`.
void paintCloseGlyph(QPainter& painter, const QPointF& centre, const QColor& color);

}  // namespace orvane::kit

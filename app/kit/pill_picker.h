#pragma once
// The kit's segmented control: equally wide pills in a soft capsule well, the selected one on a raised
// thumb that slides to a newly chosen pill. A selection that equals no item's value shows no thumb and
// every title dimmed.
#include <QVariant>
#include <QWidget>

#include <optional>
#include <vector>

#include "app/kit/motion.h"

namespace orvane::kit {

struct PillItem {
    QVariant value;  // what the pill selects; values of one picker are distinct
    QString title;   // a localisation key
    std::optional<QString> symbol;
};

// The thumb's spring: response 0.32 s, damping 0.86.
inline constexpr Spring pillSpring{0.32, 0.86};

// The pills of a picker `width` × `height`: a margin of 3 all round, 2 between pills, equal widths.
std::vector<QRectF> pillRects(double width, double height, int count);

class PillPicker : public QWidget {
    Q_OBJECT
public:
    PillPicker(std::vector<PillItem> items, const QVariant& selection, QWidget* parent = nullptr);

    QVariant selection() const { return selection_; }
    // A change made elsewhere: the thumb moves (sliding when `animate`), nothing is emitted.
    void setSelection(const QVariant& selection, bool animate = false);
    // The item holding the selection; -1 when none does.
    int selectedIndex() const;
    const std::vector<PillItem>& items() const { return items_; }
    QRectF pillRect(int index) const;
    // The thumb as drawn now; none without a selected item.
    std::optional<QRectF> thumbRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // A pill was pressed: its value is written, the selected pill's too.
    void selectionWritten(const QVariant& value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int pillAt(QPointF pos) const;
    double contentWidth(int index) const;

    std::vector<PillItem> items_;
    QVariant selection_;
    int pressed_ = -1;
    bool thumbShown_ = false;
    SpringValue thumb_;  // the thumb's position as a pill index (fractional while sliding)
};

}  // namespace orvane::kit

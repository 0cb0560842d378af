#pragma once
// Identity marks: LrBadge, the outlined "Lr" that stands for Lightroom, and AppIconView, the
// application's own icon.
#include <QWidget>

#include "app/kit/palette.h"

namespace orvane::kit {

// "Lr" in bold at size × 0.52 with size × 0.2 on each side, at least size × size, inside a 1.5 outline of
// corner radius size × 0.28; no fill. Text and outline take the ink of the place the badge stands in.
class LrBadge : public QWidget {
    Q_OBJECT
public:
    explicit LrBadge(double size, QWidget* parent = nullptr);
    void setInk(AdaptiveColor ink);
    double badgeSize() const { return size_; }
    double fontSize() const { return size_ * 0.52; }
    double padding() const { return size_ * 0.2; }
    double cornerRadius() const { return size_ * 0.28; }
    static constexpr double borderWidth = 1.5;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double size_;
    AdaptiveColor ink_ = primaryLabelColor;
};

// The application's icon drawn into a square of size × 1.25 centred on a size × size frame (icons carry a
// transparent margin), not clipped. Without an application icon it draws the kit's mark: an accent tile.
class AppIconView : public QWidget {
    Q_OBJECT
public:
    explicit AppIconView(double size, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double size_;
};

}  // namespace orvane::kit

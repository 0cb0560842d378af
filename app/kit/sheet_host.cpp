#include "app/kit/sheet_host.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPainter>

#include "app/kit/appearance.h"
#include "app/kit/centered_alert.h"
#include "app/kit/glass.h"
#include "app/kit/palette.h"

namespace orvane::kit {

SheetHost::SheetHost(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    hide();
    if (parent) {
        parent->installEventFilter(this);
        setGeometry(parent->rect());
    }
}

QRect SheetHost::sheetFrame(const QSize& host, const QSize& sheet) {
    const int w = std::min(sheet.width(), host.width());
    const int h = std::min(sheet.height(), host.height());
    const int x = host.width() - railBandWidth > w ? railBandWidth + (host.width() - railBandWidth - w) / 2
                                                  : (host.width() - w) / 2;
    return {x, (host.height() - h) / 2, w, h};
}

void SheetHost::present(QWidget* sheet) {
    if (!sheet) return;
    sheet->setParent(this);
    sheet->hide();
    queue_.emplace_back(sheet);
    if (!current_) showNext();
}

void SheetHost::dismiss(QWidget* sheet) {
    if (!sheet) return;
    std::erase_if(queue_, [&](const QPointer<QWidget>& p) { return p == sheet || p.isNull(); });
    const bool wasCurrent = current_ == sheet;
    sheet->hide();
    sheet->deleteLater();
    if (wasCurrent) {
        current_ = nullptr;
        showNext();
    }
}

void SheetHost::showNext() {
    while (!queue_.empty() && queue_.front().isNull()) queue_.pop_front();
    if (queue_.empty()) {
        hide();
        return;
    }
    current_ = queue_.front();
    queue_.pop_front();
    raise();
    show();
    place();
    current_->show();
    setFocus();
}

void SheetHost::place() {
    if (QWidget* p = parentWidget()) setGeometry(p->rect());
    // The hint within the sheet's own limits: a sheet of fixed size is centred at that size, not at its
    // content's smaller hint (it would grow from the hint's corner, off centre and past the window's edge).
    if (current_)
        current_->setGeometry(sheetFrame(
            size(), current_->sizeHint().expandedTo(current_->minimumSize()).boundedTo(current_->maximumSize())));
}

bool SheetHost::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) place();
    return QWidget::eventFilter(watched, event);
}

void SheetHost::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool dark = Appearance::instance().isDark();
    painter.fillRect(rect(), QColor(0, 0, 0, dark ? 110 : 60));
}

void SheetHost::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && current_) {
        emit closeRequested(current_);
        return;
    }
    QWidget::keyPressEvent(event);
}

namespace {
class CloseGlyph : public QAbstractButton {
public:
    explicit CloseGlyph(QWidget* parent) : QAbstractButton(parent) {
        setFixedSize(SheetCloseButton::circle, SheetCloseButton::circle);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::NoFocus);
        connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
    }
    bool faded = false;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        if (faded) painter.setOpacity(0.4);
        paintGlass(painter, this, KitShape::circle(), GlassTreatment::surface);
        paintCloseGlyph(painter, QRectF(rect()).center(), mutedColor.resolve(Appearance::instance().isDark()));
    }
    bool hitButton(const QPoint& pos) const override {
        const QPointF d = QPointF(pos) - QRectF(rect()).center();
        return d.x() * d.x() + d.y() * d.y() <= (circle() * circle()) / 4.0;
    }

private:
    static double circle() { return SheetCloseButton::circle; }
};
}  // namespace

SheetCloseButton::SheetCloseButton(QWidget* parent) : QWidget(parent) {
    auto* glyph = new CloseGlyph(nullptr);
    button_ = glyph;
    auto* lift = new HoverLift(glyph, this);
    // At rest the glyph sits `lift` below the top of the decorator: the circle starts at the padding.
    lift->setGeometry(padding, padding - HoverLift::lift, circle, circle + HoverLift::lift);
    setFixedSize(sizeHint());
    // The tip sits on the padded square, outside the disabled part, so it shows while disabled too.
    setToolTip(QString::fromUtf8("Închide"));
    connect(button_, &QAbstractButton::clicked, this, &SheetCloseButton::clicked);
}

SheetCloseButton* SheetCloseButton::overlay(QWidget* view) {
    auto* button = new SheetCloseButton(view);
    view->installEventFilter(button);
    button->placeInCorner();
    button->raise();
    button->show();
    return button;
}

void SheetCloseButton::placeInCorner() {
    QWidget* view = parentWidget();
    if (!view) return;
    const int x = view->layoutDirection() == Qt::RightToLeft ? 0 : view->width() - width();
    move(x, 0);
}

bool SheetCloseButton::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && (event->type() == QEvent::Resize || event->type() == QEvent::LayoutDirectionChange)) {
        placeInCorner();
        raise();
    }
    return QWidget::eventFilter(watched, event);
}

void paintCloseGlyph(QPainter& painter, const QPointF& centre, const QColor& color) {
    // A bold cross of the symbol's size: about 0.85 of it across, strokes about 0.16 of it wide.
    constexpr double half = SheetCloseButton::glyphPoints * 0.34;
    constexpr double stroke = SheetCloseButton::glyphPoints * 0.16;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color, stroke, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre + QPointF(-half, -half), centre + QPointF(half, half));
    painter.drawLine(centre + QPointF(-half, half), centre + QPointF(half, -half));
    painter.restore();
}

void SheetCloseButton::setDisabledLook(bool disabled) {
    static_cast<CloseGlyph*>(button_)->faded = disabled;
    button_->setEnabled(!disabled);
    button_->update();
}

}  // namespace orvane::kit

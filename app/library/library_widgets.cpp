#include "app/library/library_widgets.h"

#include <QKeyEvent>
#include <QLayout>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QVBoxLayout>

#include "app/kit/app_style.h"
#include "app/kit/appearance.h"
#include "app/kit/cards.h"
#include "app/kit/fonts.h"
#include "app/kit/icons.h"

namespace orvane::library {

namespace {
// Asks for the whole text up to its widest, gives way down to a few letters, and cuts the text again
// at every change of its width.
class ElidedLabel final : public QLabel {
public:
    ElidedLabel(const QString& text, Qt::TextElideMode mode, int widest) : full_(text), mode_(mode), widest_(widest) {}
    void cut(int width) { setText(fontMetrics().elidedText(full_, mode_, std::min(width, widest_))); }
    QSize sizeHint() const override {
        return {std::min(fontMetrics().horizontalAdvance(full_) + 1, widest_), QLabel::sizeHint().height()};
    }
    QSize minimumSizeHint() const override {
        return {std::min(sizeHint().width(), fontMetrics().horizontalAdvance(QStringLiteral("MMM…"))),
                QLabel::minimumSizeHint().height()};
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        cut(width());
    }

private:
    QString full_;
    Qt::TextElideMode mode_;
    int widest_;
};
}  // namespace

QLabel* elidedLabel(const QString& text, double points, int weight, bool muted, Qt::TextElideMode mode, int width) {
    auto* l = new ElidedLabel(text, mode, width);
    l->setFont(kit::uiFont(points, weight));
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (muted) kit::setMutedText(l);
    l->cut(width);
    l->setToolTip(text);
    l->setProperty("fullText", text);
    return l;
}

QLabel* symbolLabel(const QString& name, double points, const QColor& color) {
    auto* l = new QLabel;
    const int side = int(points + 4);
    l->setPixmap(kit::icons::pixmap(name, QSize(side, side), color, 2.0));
    l->setFixedSize(side, side);
    l->setProperty("symbol", name);
    return l;
}

SheetHeading sheetHeading(const QString& symbol, const QString& title, const char* subtitleName) {
    auto* header = new QHBoxLayout;
    header->setSpacing(12);
    header->addWidget(new kit::IconTile(symbol, 44, true));
    auto* titles = new QVBoxLayout;
    titles->setSpacing(1);
    auto* heading = kit::selectableLabel(title, 22, QFont::Bold);
    heading->setObjectName("sheetTitle");
    QFont font = heading->font();
    font.setLetterSpacing(QFont::AbsoluteSpacing, -0.4);
    heading->setFont(font);
    titles->addWidget(heading);
    auto* subtitle = kit::selectableLabel(QString(), 13, QFont::Normal, true);
    subtitle->setObjectName(subtitleName);
    titles->addWidget(subtitle);
    header->addLayout(titles);
    return {header, subtitle};
}

bool handleSheetKeys(const QKeyEvent* event, const std::function<void()>& onReturn,
                     const std::function<void()>& onEscape) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: onReturn(); return true;
        case Qt::Key_Escape: onEscape(); return true;
        default: return false;
    }
}

QWidget* busyIndicator() {
    auto* bar = new QProgressBar;
    bar->setObjectName("spinner");
    bar->setRange(0, 0);
    bar->setTextVisible(false);
    bar->setFixedSize(44, 6);
    return bar;
}

QColor resolved(const kit::AdaptiveColor& color) { return color.resolve(kit::Appearance::instance().isDark()); }

QString cssColor(const QColor& color) { return color.name(QColor::HexArgb); }

void FillButton::setLook(const QColor& fill, const QColor& border, double borderWidth, double radius) {
    fill_ = fill;
    border_ = border;
    borderWidth_ = borderWidth;
    radius_ = radius;
    update();
}

QSize FillButton::sizeHint() const { return layout() ? layout()->sizeHint() : QSize(100, 40); }

void FillButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(borderWidth_ / 2, borderWidth_ / 2, -borderWidth_ / 2, -borderWidth_ / 2);
    QPainterPath path;
    path.addRoundedRect(r, radius_, radius_);
    const QColor fill = (hovering_ && hoverFill_.alpha() > 0 && fill_.alpha() == 0) ? hoverFill_ : fill_;
    p.fillPath(path, fill);
    if (borderWidth_ > 0 && border_.alpha() > 0) p.strokePath(path, QPen(border_, borderWidth_));
}

void FillButton::enterEvent(QEnterEvent* event) {
    hovering_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void FillButton::leaveEvent(QEvent* event) {
    hovering_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

}  // namespace orvane::library

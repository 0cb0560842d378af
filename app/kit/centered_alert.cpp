#include "app/kit/centered_alert.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QGridLayout>
#include <QLayout>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <cmath>

#include "app/kit/fonts.h"

namespace orvane::kit {

QPoint centeredAlertOrigin(const QRect& reference, const QSize& alert, const QRect& available) {
    const double x = reference.x() + railBandWidth + (reference.width() - railBandWidth - alert.width()) / 2.0;
    const double y = reference.y() + reference.height() / 2.0 - alert.height() / 2.0 - 0.08 * reference.height();
    int ox = int(std::lround(x));
    int oy = int(std::lround(y));
    if (!available.isEmpty()) {
        // Right and bottom first, so an alert larger than the area keeps its top-left corner visible.
        ox = std::max(std::min(ox, available.x() + available.width() - alert.width()), available.x());
        oy = std::max(std::min(oy, available.y() + available.height() - alert.height()), available.y());
    }
    return {ox, oy};
}

namespace {
bool canBeReference(const QWidget* w) {
    if (!w->isWindow() || !w->isVisible() || w->isMinimized()) return false;
    const Qt::WindowType type = w->windowType();
    return type == Qt::Window || type == Qt::Dialog;
}
}  // namespace

QWidget* alertReferenceWindow() {
    if (QWidget* active = QApplication::activeWindow(); active && canBeReference(active)) return active;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (canBeReference(w)) return w;
    return nullptr;
}

void makeTextSelectable(QWidget* root) {
    if (!root) return;
    if (auto* label = qobject_cast<QLabel*>(root))
        label->setTextInteractionFlags(label->textInteractionFlags() | Qt::TextSelectableByMouse);
    for (QObject* child : root->children())
        if (auto* w = qobject_cast<QWidget*>(child)) makeTextSelectable(w);
}

namespace {
constexpr int alertMargin = 20;
}  // namespace

QFont alertTitleFont() { return uiFont(bodyFontSize + 1, QFont::Bold); }
QFont alertMessageFont() { return uiFont(bodyFontSize); }

int alertTextWidth(const QFont& titleFont, const QString& title, const QFont& messageFont, const QString& message) {
    double widest = 0;
    const auto measure = [&](const QFont& font, const QString& text) {
        const QFontMetricsF metrics(font);
        for (const QString& line : text.split(u'\n')) widest = std::max(widest, metrics.horizontalAdvance(line));
    };
    measure(titleFont, title);
    measure(messageFont, message);
    return std::clamp(int(std::ceil(widest)) + 2, alertMinTextWidth, alertMaxTextWidth);
}

CenteredAlert::CenteredAlert(const QString& message, const QString& informative, QWidget* parent)
    : QMessageBox(parent) {
    setText(message);
    setInformativeText(informative);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setTextFormat(Qt::PlainText);
}

void CenteredAlert::fitToText() {
    auto* title = findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    auto* message = findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
    QLayout* box = layout();
    if (!box) return;
    // Without an icon the box keeps an empty indent column: the text starts at the margin instead.
    if (auto* grid = qobject_cast<QGridLayout*>(box); grid && icon() == NoIcon) {
        for (int i = 0; i < grid->count(); ++i) {
            int row = 0, column = 0, rows = 0, columns = 0;
            grid->getItemPosition(i, &row, &column, &rows, &columns);
            if (QSpacerItem* indent = grid->itemAt(i)->spacerItem(); indent && column == 0)
                indent->changeSize(0, 0, QSizePolicy::Fixed, QSizePolicy::Fixed);
        }
        grid->setHorizontalSpacing(0);
    }
    box->setContentsMargins(alertMargin, alertMargin, alertMargin, alertMargin - 4);
    if (title) title->setFont(alertTitleFont());
    if (message) message->setFont(alertMessageFont());
    textWidth_ = alertTextWidth(alertTitleFont(), text(), alertMessageFont(), informativeText());
    for (QLabel* label : {title, message}) {
        if (!label) continue;
        label->setWordWrap(true);
        label->setFixedWidth(textWidth_);
    }
    box->invalidate();
    box->activate();
    const int width = box->totalMinimumSize().width();
    const int height = box->hasHeightForWidth() ? box->totalHeightForWidth(width) : box->totalMinimumSize().height();
    setFixedSize(width, std::max(height, box->totalMinimumSize().height()));
}

QAbstractButton* CenteredAlert::addChoice(const QString& text) {
    // Roles only order the buttons on screen; the answer comes from the order of addition.
    QAbstractButton* button = addButton(text, choices_.isEmpty() ? AcceptRole : ActionRole);
    if (choices_.isEmpty()) {
        // Return and Escape both take the first button, never an action like copying.
        setDefaultButton(qobject_cast<QPushButton*>(button));
        setEscapeButton(button);
    }
    choices_.append(button);
    return button;
}

int CenteredAlert::answerOf(const QAbstractButton* button) const {
    const qsizetype i = choices_.indexOf(const_cast<QAbstractButton*>(button));
    return i < 0 ? -1 : firstButton + int(i);
}

int CenteredAlert::runCentered() {
    if (layout()) layout()->activate();
    adjustSize();
    fitToText();
    makeTextSelectable(this);
    reference_ = alertReferenceWindow();
    place();
    exec();
    return answerOf(clickedButton());
}

void CenteredAlert::place() {
    if (!reference_) return;  // where the system puts it
    QScreen* screen = reference_->screen();
    const QRect available = screen ? screen->availableGeometry() : QRect();
    move(centeredAlertOrigin(reference_->frameGeometry(), frameGeometry().size(), available));
}

void CenteredAlert::showEvent(QShowEvent* event) {
    QMessageBox::showEvent(event);
    // The box settles its own size as it shows; the kit's fonts and width replace it, then it is placed
    // with that size.
    fitToText();
    place();
}

}  // namespace orvane::kit

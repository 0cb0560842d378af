#pragma once
// Modal alerts placed over the page area of the window the user works in: right of the rail band and a
// little above the middle, kept inside the screen's available area. Every alert of the application
// runs through CenteredAlert::runCentered().
#include <QList>
#include <QMessageBox>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>

#include <functional>

namespace orvane::kit {

// The band along a window's left edge that the rail takes (its 224-point column and 14 points of padding).
inline constexpr int railBandWidth = 238;

// Top-left origin of an alert of `alert` size over the reference window's frame `reference`, both in
// top-left screen coordinates: centred over the part right of the rail band, its centre 8 % of the
// window's height above the window's middle. A non-empty `available` (the reference screen's available
// area) keeps the alert inside it; an alert larger than that area starts at its top-left corner.
QPoint centeredAlertOrigin(const QRect& reference, const QSize& alert, const QRect& available = {});

// The window the user works in: the active window, else the first visible top-level window that can
// be activated (not a tool window, a popup or a splash); null when none qualifies.
QWidget* alertReferenceWindow();

// Makes the text of every label under `root` selectable with the mouse (and an editable field stays editable).
void makeTextSelectable(QWidget* root);

// The width an alert gives its text: the widest line of the title and the message on one line, within
// [alertMinTextWidth, alertMaxTextWidth]; longer lines wrap at the maximum.
inline constexpr int alertMinTextWidth = 260;
inline constexpr int alertMaxTextWidth = 440;
int alertTextWidth(const QFont& titleFont, const QString& title, const QFont& messageFont, const QString& message);
// The fonts of an alert: its title in the kit's title weight, its message in the body size.
QFont alertTitleFont();
QFont alertMessageFont();

class CenteredAlert;
// Runs an alert and returns its answer: CenteredAlert::runCentered() unless a test replaces it.
using AlertRunner = std::function<int(CenteredAlert& alert)>;

class CenteredAlert : public QMessageBox {
    Q_OBJECT
public:
    static constexpr int firstButton = 1000;

    CenteredAlert(const QString& message, const QString& informative, QWidget* parent = nullptr);
    // Buttons answer in the order they are added: firstButton, firstButton + 1, …; the first is the default.
    QAbstractButton* addChoice(const QString& text);
    const QList<QAbstractButton*>& choices() const { return choices_; }
    // The answer `button` stands for; -1 for a button that is not a choice.
    int answerOf(const QAbstractButton* button) const;

    // Lays the alert out, makes its text selectable, places it over the reference window (where the
    // system puts it when there is none), runs it modally and returns the chosen answer.
    int runCentered();

    // The width the text is laid out at (after the alert was laid out or shown).
    int textWidth() const { return textWidth_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void place();
    // Sizes the alert to its text: the kit's fonts, lines as wide as alertTextWidth() allows.
    void fitToText();

    QList<QAbstractButton*> choices_;
    QPointer<QWidget> reference_;
    int textWidth_ = 0;
};

}  // namespace orvane::kit

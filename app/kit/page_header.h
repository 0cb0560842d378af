#pragma once
// The header row of a page and the label of a pop-up menu.
//
// PageHeader: [round back button] title / subtitle … centre … trailing views. The back button is a 38 ×
// 38 glass circle with a chevron that lifts under the pointer and explains itself with "Înapoi la …";
// the title (22 bold) and subtitle (callout, muted) stay on one line and show their full text after
// 0.2 s of hovering.
//
// DropdownLabel: a frosted capsule of a fixed width with the current choice (cut at its end, its full
// text in a quick tip) and an accent chevron; it is a button, so a menu can open from it.
#include <QAbstractButton>
#include <QList>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

namespace orvane::kit {

class KitLabel;
class QuickTip;

struct BackLink {
    QString label;  // where the button leads, named in its tooltip only
    std::function<void()> action;
};

class PageHeader : public QWidget {
    Q_OBJECT
public:
    // `title` and `subtitle` are localisation keys; `center` and `trailing` are owned by the header.
    PageHeader(const QString& title, std::optional<QString> subtitle = std::nullopt,
               std::optional<BackLink> back = std::nullopt, QWidget* center = nullptr,
               const QList<QWidget*>& trailing = {}, QWidget* parent = nullptr);

    void setTitle(const QString& title);
    void setSubtitle(std::optional<QString> subtitle);
    // Adds a view at the trailing end (8 apart from the others).
    void addTrailing(QWidget* view);

    QAbstractButton* backButton() const { return back_; }
    KitLabel* titleLabel() const { return title_; }
    KitLabel* subtitleLabel() const { return subtitle_; }

private:
    void updateBackTip();

    std::optional<BackLink> link_;
    QAbstractButton* back_ = nullptr;
    KitLabel* title_ = nullptr;
    KitLabel* subtitle_ = nullptr;
    QWidget* trailing_ = nullptr;
};

class DropdownLabel : public QAbstractButton {
    Q_OBJECT
public:
    // `text` shows as it stands (a choice's name is the caller's to translate).
    DropdownLabel(const QString& text, double width, QWidget* parent = nullptr);
    void setText(const QString& text);
    KitLabel* textLabel() const { return label_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    KitLabel* label_;
    double width_;
};

}  // namespace orvane::kit

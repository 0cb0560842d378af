#pragma once
// The side rail: the column at the window's leading edge with the product header, the navigation
// rows, the recent projects, the activity cards, the update notice and the Settings and Help rows.
// Thin widgets over RailModel (rail_model.h), which holds every rule.
#include <QAbstractButton>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

#include "app/kit/motion.h"
#include "app/rail/rail_model.h"

class QLabel;
class QLineEdit;
class QScrollArea;
class QVBoxLayout;

namespace orvane::kit {
class GlassFrame;
class KitButton;
}  // namespace orvane::kit

namespace orvane::rail {

// One navigation entry: selection bar, icon, title and an optional count.
class RailRow final : public QAbstractButton {
    Q_OBJECT
public:
    explicit RailRow(const NavEntry& entry, QWidget* parent = nullptr);
    void setEntry(const NavEntry& entry);
    const NavEntry& entry() const { return entry_; }
    // The accent dot of an announced update (the Settings row).
    void setDot(bool dot);
    bool hasDot() const { return dot_; }
    bool isHovering() const { return hovering_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    NavEntry entry_;
    bool dot_ = false;
    bool hovering_ = false;
    kit::SpringValue selected_;
    kit::SpringValue hover_;
};

// One recent project: status dot, name and detail line, or the inline rename field.
class RecentRow final : public QWidget {
    Q_OBJECT
public:
    RecentRow(RailModel& model, const RecentEntry& entry, QWidget* parent = nullptr);
    ~RecentRow() override;
    void setEntry(const RecentEntry& entry);
    const RecentEntry& entry() const { return entry_; }
    QLineEdit* editor() const { return editor_; }
    QAbstractButton* deleteButton() const { return delete_; }
    bool isHovering() const { return hovering_; }
    QSize sizeHint() const override { return {196, 46}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool renaming() const;
    void syncEditor();
    void dropEditor();
    void place();

    RailModel& model_;
    RecentEntry entry_;
    bool hovering_ = false;
    QLineEdit* editor_ = nullptr;
    QAbstractButton* delete_;
};

// "Proiecte recente" with its "+" button and the scrolling list; ends a rename on any press outside
// its field.
class RecentSection final : public QWidget {
    Q_OBJECT
public:
    explicit RecentSection(RailModel& model, QWidget* parent = nullptr);
    ~RecentSection() override;
    std::vector<RecentRow*> rows() const { return rows_; }
    RecentRow* row(const Uuid& id) const;
    QAbstractButton* addButton() const { return add_; }
    QScrollArea* list() const { return scroll_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    void followRename();

    RailModel& model_;
    QAbstractButton* add_;
    QScrollArea* scroll_;
    QVBoxLayout* column_;
    std::vector<RecentRow*> rows_;
    bool monitoring_ = false;
};

// One activity: symbol, title, percentage, name, status line and a progress bar.
class ActivityCard final : public QAbstractButton {
    Q_OBJECT
public:
    explicit ActivityCard(const ActivityCardData& data, QWidget* parent = nullptr);
    void setData(const ActivityCardData& data);
    const ActivityCardData& data() const { return data_; }
    QSize sizeHint() const override { return {196, 74}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    ActivityCardData data_;
    kit::SpringValue hover_;
};

// The cards in a scroll view as tall as they are, up to activityMaxHeight.
class ActivitySection final : public QWidget {
    Q_OBJECT
public:
    explicit ActivitySection(RailModel& model, QWidget* parent = nullptr);
    std::vector<ActivityCard*> cards() const { return cards_; }
    QScrollArea* scroll() const { return scroll_; }

private:
    void refresh();

    RailModel& model_;
    QScrollArea* scroll_;
    QWidget* column_;
    std::vector<ActivityCard*> cards_;
};

// The notice of a newer version: download now or skip it, with the updater's status line.
class UpdateCard final : public QWidget {
    Q_OBJECT
public:
    explicit UpdateCard(RailModel& model, QWidget* parent = nullptr);
    kit::KitButton* updateButton() const { return update_; }
    QAbstractButton* skipButton() const { return skip_; }
    QLabel* statusLabel() const { return status_; }
    QLabel* versionLabel() const { return version_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    RailModel& model_;
    QLabel* version_;
    kit::KitButton* update_;
    QAbstractButton* skip_;
    QLabel* status_;
};

// The help menu beside the rail: the welcome tour, the usage guide and the feedback form.
class HelpMenu final : public QWidget {
    Q_OBJECT
public:
    explicit HelpMenu(RailModel& model, QWidget* parent = nullptr);
    std::vector<QAbstractButton*> entries() const { return entries_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    RailModel& model_;
    std::vector<QAbstractButton*> entries_;
};

class Rail final : public QWidget {
    Q_OBJECT
public:
    static constexpr int columnWidth = 224;
    static constexpr int margin = 14;

    // `updater` may be null: no update notice.
    Rail(model::AppModel& model, model::Router& router, model::Updater* updater, QWidget* parent = nullptr);
    ~Rail() override;

    RailModel& model() const { return *model_; }
    QAbstractButton* header() const { return header_; }
    RailRow* row(NavItem item) const;
    std::vector<RailRow*> rows() const;
    RecentSection* recent() const { return recent_; }
    ActivitySection* activity() const { return activity_; }
    UpdateCard* updateCard() const { return update_; }
    HelpMenu* helpMenu() const { return help_; }
    kit::GlassFrame* panel() const { return panel_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void refreshNav();
    void refreshUpdate();
    void syncHelp();

    std::unique_ptr<RailModel> model_;
    kit::GlassFrame* panel_;
    QAbstractButton* header_;
    std::vector<RailRow*> navRows_;
    RecentSection* recent_;
    ActivitySection* activity_;
    UpdateCard* update_;
    HelpMenu* help_;
};

}  // namespace orvane::rail

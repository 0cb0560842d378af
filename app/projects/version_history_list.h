#pragma once
// The list of a project's saved versions, 380 wide: the heading "Istoric versiuni", a divider and a
// scroll area (at most 340 high) of one row per version: its name or date, "Curentă" when it equals the
// settings now, the date under a name, what it changes, and "Revino" (disabled on current rows). A
// row's context menu renames the version through the dialog service. A thin widget over
// VersionHistoryModel; it redraws whenever the job publishes the project.
#include <QWidget>

#include <memory>
#include <vector>

#include "app/projects/version_history_model.h"

class QAbstractButton;
class QMenu;
class QScrollArea;
class QVBoxLayout;

namespace orvane::kit {
class KitLabel;
}

namespace orvane::projects {

// A one-point line in the primary colour at 10 %, starting `indent` from the leading edge.
class HairlineDivider final : public QWidget {
public:
    explicit HairlineDivider(int indent = 0, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int indent_;
};

class VersionHistoryList final : public QWidget {
    Q_OBJECT
public:
    static constexpr int listWidth = 380;
    static constexpr int maxScrollHeight = 340;

    VersionHistoryList(std::shared_ptr<Job> job, VersionHistoryModel::Restore onRestore, QWidget* parent = nullptr);

    VersionHistoryModel& model() { return model_; }
    // The rows as drawn now, in order.
    int rowCount() const { return int(rows_.size()); }
    QWidget* row(int index) const { return rows_.at(std::size_t(index)); }
    QAbstractButton* restoreButton(int index) const;
    QString rowTitle(int index) const;
    QString rowDescription(int index) const;
    bool rowShowsDateLine(int index) const;
    bool rowIsCurrent(int index) const;
    QScrollArea* scrollArea() const { return scroll_; }
    // The context menu of a row, as a right click opens it.
    std::unique_ptr<QMenu> makeRowMenu(int index);
    // The rename dialog for the row's version (what the menu entry runs).
    void renameRow(int index);

    void refresh();

private:
    VersionHistoryModel model_;
    QScrollArea* scroll_;
    QVBoxLayout* list_;
    std::vector<QWidget*> rows_;
    std::vector<VersionHistoryModel::Row> data_;
};

}  // namespace orvane::projects

#pragma once
// One row of the projects list: the check mark (selecting), the cover thumbnail, the name (or the
// inline rename field) over the subtitle, the failed badge, the progress of a project in work, the
// hand-over buttons of a finished one, the rename and delete buttons and the chevron. It reads and
// changes the list's state; the list keeps a row while its project stays in the same place.
#include <QPointer>
#include <QWidget>

#include "app/projects/projects_list_model.h"

class QAbstractButton;
class QHBoxLayout;
class QLineEdit;
class QMenu;

namespace orvane::kit {
class KitButton;
class KitLabel;
class PillBar;
class SymbolView;
class CircleSymbolButton;
}  // namespace orvane::kit

namespace orvane::projects {

class ProjectThumb;

// The list's round icon label: the symbol (13, medium) on a 30 circle of the primary colour at 6 %,
// in the bad colour when destructive, muted otherwise.
kit::CircleSymbolButton* listIconButton(const QString& symbol, bool destructive);

class ProjectRow final : public QWidget {
    Q_OBJECT
public:
    ProjectRow(ProjectsListModel& list, const Project& project, ProjectFilter section, ProjectThumb* thumb,
               QWidget* parent = nullptr);
    ~ProjectRow() override;

    const Project& project() const { return project_; }
    ProjectFilter section() const { return section_; }
    // Shows the project and the list's state as they are now.
    void sync(const Project& project, ProjectFilter section);
    // Only the highlight (the pointer moved to or from some row).
    void syncHover() { update(); }
    // Every row but a section's first has a divider above it, indented 68.
    void setFirst(bool first);
    // The highlight follows the card's rounded corners at the section's ends.
    void setLast(bool last);

    // A visible control by name ("export", "reedit", "rename", "trash", "renameDone", "renameCancel"),
    // or null.
    QAbstractButton* control(const QString& name) const;
    QLineEdit* renameField() const { return editor_; }
    ProjectThumb* thumb() const { return thumb_; }
    QString nameText() const;
    QString subtitleText() const;
    QString progressLabel() const;  // empty when hidden
    QString failedLabel() const;    // empty when hidden
    bool highlighted() const;
    bool showsCheckMark() const;
    // The context menu ("Deschide", "Redenumește"), made for this row.
    QMenu* makeContextMenu(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool renaming() const;
    void syncEditor();
    void dropEditor();

    ProjectsListModel& list_;
    Project project_;
    ProjectFilter section_;
    bool first_ = true;
    bool last_ = true;
    QWidget* check_ = nullptr;
    ProjectThumb* thumb_ = nullptr;
    QHBoxLayout* nameLine_ = nullptr;
    kit::KitLabel* name_ = nullptr;
    QLineEdit* editor_ = nullptr;
    kit::KitLabel* subtitle_ = nullptr;
    QWidget* failed_ = nullptr;
    kit::KitLabel* failedCount_ = nullptr;
    QWidget* progress_ = nullptr;
    kit::KitLabel* progressText_ = nullptr;
    kit::PillBar* bar_ = nullptr;
    kit::KitButton* export_ = nullptr;
    kit::KitButton* reedit_ = nullptr;
    kit::KitButton* renameDone_ = nullptr;
    kit::CircleSymbolButton* renameCancel_ = nullptr;
    kit::CircleSymbolButton* rename_ = nullptr;
    kit::CircleSymbolButton* trash_ = nullptr;
    kit::SymbolView* chevron_ = nullptr;
};

}  // namespace orvane::projects

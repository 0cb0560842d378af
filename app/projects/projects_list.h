#pragma once
// The page of all projects: the title with the search, selection and "Proiect nou" controls, then the
// sections "În lucru", "Terminate" and "Exportate" of project rows on clear glass (or the empty card,
// or "Niciun proiect găsit."). Rows stay while their project keeps its place, so a rename or a click
// is never lost to a redraw; a click anywhere on the page ends a rename under way.
#include <QPointer>
#include <QScrollArea>

#include <map>
#include <utility>
#include <vector>

#include "app/projects/projects_list_model.h"

class QHBoxLayout;
class QLineEdit;
class QVBoxLayout;

namespace orvane::kit {
class KitButton;
class KitLabel;
}  // namespace orvane::kit

namespace orvane::projects {

class CoverLoader;
class ProjectRow;
class ProjectThumb;

class ProjectsListView final : public QScrollArea {
    Q_OBJECT
public:
    ProjectsListView(model::AppModel& app, model::Router& router, QWidget* parent = nullptr);
    ~ProjectsListView() override;

    ProjectsListModel& listModel() { return list_; }
    // A header control by object name ("search", "select", "newProject", "selectionText", "selectAll",
    // "rename", "trash", "done"), or null while the mode hides it.
    QWidget* control(const QString& name) const;
    QLineEdit* searchField() const { return searchField_; }
    // The rows in display order, and one by its project.
    std::vector<ProjectRow*> rows() const;
    ProjectRow* row(const Uuid& id) const;
    // The section titles shown, in order, each with its count.
    std::vector<std::pair<QString, QString>> sectionHeaders() const;
    QWidget* emptyState() const { return empty_; }
    bool showsNothingFound() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    void syncHeader();
    void syncContent();
    void clearContent();

    ProjectsListModel list_;
    CoverLoader& covers_;
    QVBoxLayout* content_ = nullptr;
    // header
    QWidget* selectionText_ = nullptr;
    kit::KitLabel* selectionLabel_ = nullptr;
    kit::KitButton* selectAll_ = nullptr;
    kit::KitButton* renameSelected_ = nullptr;
    kit::KitButton* trashSelected_ = nullptr;
    kit::KitButton* done_ = nullptr;
    QWidget* search_ = nullptr;
    QLineEdit* searchField_ = nullptr;
    kit::KitButton* select_ = nullptr;
    kit::KitButton* newProject_ = nullptr;
    // content
    QWidget* empty_ = nullptr;
    QWidget* nothingFound_ = nullptr;
    std::vector<std::pair<ProjectFilter, Uuid>> shown_;  // the rows' places
    std::vector<QWidget*> sections_;
    std::vector<std::pair<QString, QString>> sectionHeaders_;
    std::map<Uuid, ProjectRow*> rows_;
    std::vector<ProjectRow*> order_;
    std::map<Uuid, QPointer<ProjectThumb>> thumbs_;
    QWidget* thumbStash_ = nullptr;  // holds the thumbnails while their rows are made again  // kept across rebuilds: a cover is not loaded twice
    int kind_ = -1;  // what the content shows (none yet)
};

}  // namespace orvane::projects

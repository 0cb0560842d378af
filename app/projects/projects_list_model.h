#pragma once
// The projects list without widgets: the categories and sections of the projects, their order and
// search, the texts of a project's row, and the list's own state (hover, selection, inline rename)
// with the operations on it. Projects change only through the application model.
#include <QObject>
#include <QString>

#include <optional>
#include <set>
#include <vector>

#include "app/kit/palette.h"
#include "core/base/uuid.h"
#include "core/pipeline/job.h"
#include "core/store/project.h"

namespace orvane::model {
class AppModel;
class Router;
}  // namespace orvane::model

namespace orvane::projects {

// The list's category filter; every case but `all` is also a project's category and a section.
enum class ProjectFilter { all, active, finished, exported };
// "Toate", "În lucru", "Terminate", "Exportate".
QString filterTitle(ProjectFilter filter);
// The case whose title is exactly `title`; nothing for any other text.
std::optional<ProjectFilter> filterFromTitle(const QString& title);

// From the project's fields alone: exported once stamped so, finished when nothing is pending and it
// has photos, in work otherwise (no photos at all included).
ProjectFilter projectCategory(const Project& project);
// Exported, else finished, else started; nothing for a project with none of the three.
std::optional<Date> listDate(const Project& project);
// Whether a's list date is later than b's (a project without one is older than every dated one).
bool isNewer(const Project& a, const Project& b);
// Projects of `all` (in its order, by name) that pass the filter and whose name or folder contains
// `query` (as typed, case folded), newest first, ties in their first order.
std::vector<const Project*> visibleProjects(const std::vector<Project>& all, ProjectFilter filter,
                                            const QString& query);
std::vector<const Project*> visibleProjects(const std::vector<const Project*>& all, ProjectFilter filter,
                                            const QString& query);

struct ProjectSection {
    ProjectFilter category;
    std::vector<const Project*> projects;
};
// The non-empty sections of `visible`, in the order in work, finished, exported.
std::vector<ProjectSection> projectSections(const std::vector<const Project*>& visible);

// The thumbnail's placeholder of a section: its symbol and tint.
struct SectionLook {
    QString symbol;
    kit::AdaptiveColor tint;
};
SectionLook sectionLook(ProjectFilter section);

// The list's date: abbreviated, in the user's language.
QString listDateText(Date date);
// "N fotografii · date · folder", the date left out when the project has none.
QString projectSubtitle(const Project& project);
// "done/total" for a project in work with a photo done or failed; nothing otherwise.
std::optional<QString> progressText(const Project& project, ProjectFilter section);
// (done + failed) ÷ photos (÷ 1 without photos).
double progressFraction(const Project& project);

// Whether the job's run (running, pausing, cancelling) or its second pass still writes the project:
// reanalysing and deleting wait until it has stopped.
bool projectBusy(const Job& job);

// Adds the English texts of the project screens to the kit's table (once).
void registerProjectsListTexts();

class ProjectsListModel final : public QObject {
    Q_OBJECT
public:
    ProjectsListModel(model::AppModel& app, model::Router& router, QObject* parent = nullptr);

    model::AppModel& appModel() const { return app_; }
    model::Router& router() const { return router_; }

    // --- contents ---
    const QString& query() const { return query_; }
    void setQuery(const QString& query);
    ProjectFilter filter() const { return filter_; }
    bool hasProjects() const;
    std::vector<const Project*> visible() const;
    std::vector<ProjectSection> sections() const;
    const Project* project(const Uuid& id) const;
    // Some profile is built: "Proiect nou" can make a project.
    bool canCreateProject() const;
    void newProject();
    // Makes (and keeps) the project's job to read its state.
    bool isBusy(const Project& project) const;

    // --- hover: one row at a time ---
    const std::optional<Uuid>& hovered() const { return hovered_; }
    void enterRow(const Uuid& id);
    // Clears the highlight only while it is still this row's.
    void leaveRow(const Uuid& id);

    // --- selection ---
    bool selecting() const { return selecting_; }
    const std::set<Uuid>& selected() const { return selected_; }
    void startSelecting();
    void endSelecting();
    void toggleSelection(const Uuid& id);
    // Every project of the model (those the search hides too), or none when all are selected.
    void toggleAll();
    bool allSelected() const;
    QString selectAllTitle() const;   // "Selectează tot" / "Deselectează tot"
    QString selectionText() const;    // "%lld selectate" / "Alege proiecte"
    bool canRenameSelected() const { return selected_.size() == 1; }
    bool canDeleteSelected() const { return !selected_.empty(); }
    void renameSelected();
    void deleteSelected();

    // --- inline rename ---
    const std::optional<Uuid>& renamingID() const { return renaming_; }
    const QString& renameText() const { return renameText_; }
    void setRenameText(const QString& text);
    void beginRename(const Project& project);
    void commitRename(const Project& project);
    // A click anywhere on the list: the rename under way, if its project is still there.
    void commitPendingRename();
    // Escape: leaves without saving; the text stays.
    void dismissRename();
    // The cross: leaves without saving and puts the current name back.
    void cancelRename(const Project& project);

    // --- a row's actions ---
    void openProject(const Uuid& id);
    void requestExport(const Uuid& id);
    void openReedit(const Uuid& id);
    void confirmDelete(const Project& project);

signals:
    // Anything the rows or the header show changed except the hover (query, selection, rename).
    void changed();
    void hoverChanged();
    // A rename began: the field takes the keyboard focus once it is on screen.
    void renameStarted();

private:
    model::AppModel& app_;
    model::Router& router_;
    QString query_;
    ProjectFilter filter_ = ProjectFilter::all;  // no control of the page changes it
    std::optional<Uuid> hovered_;
    bool selecting_ = false;
    std::set<Uuid> selected_;
    std::optional<Uuid> renaming_;
    QString renameText_;
};

}  // namespace orvane::projects

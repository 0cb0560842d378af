#include "app/projects/projects_list_model.h"

#include <QFileInfo>

#include <algorithm>

#include "app/kit/dialogs.h"
#include "app/kit/localization.h"
#include "app/model/app_model.h"
#include "app/model/router.h"

namespace orvane::projects {

using model::Route;

void registerProjectsListTexts() {
    static const bool once = [] {
        kit::addEnglishTexts({
            {"%lld fotografii", "%lld photos"},
            {"Toate", "All"},
            {"În lucru", "In progress"},
            {"Terminate", "Finished"},
            {"Exportate", "Exported"},
            {"Proiecte", "Projects"},
            {"Caută proiect", "Search projects"},
            {"Selectează", "Select"},
            {"Selectează tot", "Select all"},
            {"Deselectează tot", "Deselect all"},
            {"%lld selectate", "%lld selected"},
            {"Alege proiecte", "Choose projects"},
            {"Proiect nou", "New project"},
            {"Construiește mai întâi un profil", "Build a profile first"},
            {"Niciun proiect încă", "No projects yet"},
            {"Niciun proiect găsit.", "No project found."},
            {"Nume proiect", "Project name"},
            {"Gata", "Done"},
            {"Renunță", "Discard"},
            {"Redenumește", "Rename"},
            {"Șterge", "Delete"},
            {"Șterge proiectul", "Delete project"},
            {"Deschide", "Open"},
            {"Export în Lightroom", "Export to Lightroom"},
            {"Reeditează", "Re-edit"},
            {"Reanalizează fotografiile", "Reanalyse photos"},
        });
        return true;
    }();
    (void)once;
}

QString filterTitle(ProjectFilter filter) {
    switch (filter) {
        case ProjectFilter::all: return QString::fromUtf8("Toate");
        case ProjectFilter::active: return QString::fromUtf8("În lucru");
        case ProjectFilter::finished: return QString::fromUtf8("Terminate");
        case ProjectFilter::exported: return QString::fromUtf8("Exportate");
    }
    return {};
}

std::optional<ProjectFilter> filterFromTitle(const QString& title) {
    for (ProjectFilter f : {ProjectFilter::all, ProjectFilter::active, ProjectFilter::finished, ProjectFilter::exported})
        if (filterTitle(f) == title) return f;
    return std::nullopt;
}

ProjectFilter projectCategory(const Project& project) {
    if (project.exportedAt) return ProjectFilter::exported;
    if (project.pending() == 0 && !project.photos.empty()) return ProjectFilter::finished;
    return ProjectFilter::active;
}

std::optional<Date> listDate(const Project& project) {
    if (project.exportedAt) return project.exportedAt;
    if (project.finishedAt) return project.finishedAt;
    return project.startedAt;
}

bool isNewer(const Project& a, const Project& b) {
    const auto da = listDate(a), db = listDate(b);
    if (!da) return false;
    return !db || *da > *db;
}

std::vector<const Project*> visibleProjects(const std::vector<Project>& all, ProjectFilter filter,
                                            const QString& query) {
    std::vector<const Project*> each;
    for (const Project& p : all) each.push_back(&p);
    return visibleProjects(each, filter, query);
}

std::vector<const Project*> visibleProjects(const std::vector<const Project*>& all, ProjectFilter filter,
                                            const QString& query) {
    std::vector<const Project*> out;
    for (const Project* each : all) {
        const Project& p = *each;
        if (filter != ProjectFilter::all && projectCategory(p) != filter) continue;
        // The text as typed, spaces included; folding by case alone.
        if (!query.isEmpty() && !QString::fromStdString(p.name).contains(query, Qt::CaseInsensitive) &&
            !QString::fromStdString(p.folder).contains(query, Qt::CaseInsensitive))
            continue;
        out.push_back(&p);
    }
    std::stable_sort(out.begin(), out.end(), [](const Project* a, const Project* b) { return isNewer(*a, *b); });
    return out;
}

std::vector<ProjectSection> projectSections(const std::vector<const Project*>& visible) {
    std::vector<ProjectSection> out;
    for (ProjectFilter category : {ProjectFilter::active, ProjectFilter::finished, ProjectFilter::exported}) {
        ProjectSection section{category, {}};
        for (const Project* p : visible)
            if (projectCategory(*p) == category) section.projects.push_back(p);
        if (!section.projects.empty()) out.push_back(std::move(section));
    }
    return out;
}

SectionLook sectionLook(ProjectFilter section) {
    switch (section) {
        case ProjectFilter::finished: return {QStringLiteral("checkmark"), kit::infoColor};
        case ProjectFilter::exported: return {QStringLiteral("arrow.up.doc.fill"), kit::okColor};
        case ProjectFilter::active:
        case ProjectFilter::all: break;
    }
    return {QStringLiteral("photo.on.rectangle.angled"), kit::warnColor};
}

QString listDateText(Date date) { return kit::abbreviatedDateText(date); }

QString projectSubtitle(const Project& project) {
    registerProjectsListTexts();
    QStringList parts;
    parts << kit::localizedCount("%lld fotografii", {(long long)project.photos.size()});
    if (const auto date = listDate(project)) parts << listDateText(*date);
    // The folder's last component, as the file manager names it (a trailing slash does not hide it).
    QString folder = QString::fromStdString(project.folder);
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) folder.chop(1);
    parts << QFileInfo(folder).fileName();
    parts.removeAll(QString());
    return parts.join(QString::fromUtf8(" · "));
}

std::optional<QString> progressText(const Project& project, ProjectFilter section) {
    if (section != ProjectFilter::active || project.done() + project.failed() == 0) return std::nullopt;
    return kit::localizedCount("%lld/%lld", {(long long)project.done(), (long long)project.photos.size()});
}

double progressFraction(const Project& project) {
    const double total = project.photos.empty() ? 1.0 : double(project.photos.size());
    return double(project.done() + project.failed()) / total;
}

bool projectBusy(const Job& job) { return model::AppModel::refusesProjectChange(job); }

// --- the list ---

ProjectsListModel::ProjectsListModel(model::AppModel& app, model::Router& router, QObject* parent)
    : QObject(parent), app_(app), router_(router) {
    registerProjectsListTexts();
}

void ProjectsListModel::setQuery(const QString& query) {
    if (query == query_) return;
    query_ = query;
    emit changed();
}

bool ProjectsListModel::hasProjects() const { return !app_.projects().empty(); }

std::vector<const Project*> ProjectsListModel::visible() const {
    // Each project as it stands now: a run's end or an export moves it to its section before the list is
    // reread.
    return visibleProjects(app_.currentProjects(), filter_, query_);
}

std::vector<ProjectSection> ProjectsListModel::sections() const { return projectSections(visible()); }

const Project* ProjectsListModel::project(const Uuid& id) const {
    const auto& list = app_.projects();
    const auto it = std::find_if(list.begin(), list.end(), [&](const Project& p) { return p.id == id; });
    return it == list.end() ? nullptr : &app_.current(*it);
}

bool ProjectsListModel::canCreateProject() const {
    const auto& profiles = app_.profiles();
    return std::any_of(profiles.begin(), profiles.end(), [](const Profile& p) { return p.isBuilt(); });
}

void ProjectsListModel::newProject() { router_.openQuickEdit(app_); }

bool ProjectsListModel::isBusy(const Project& project) const { return projectBusy(*app_.makeJob(project)); }

void ProjectsListModel::enterRow(const Uuid& id) {
    if (hovered_ == id) return;
    hovered_ = id;
    emit hoverChanged();
}

void ProjectsListModel::leaveRow(const Uuid& id) {
    if (hovered_ != id) return;  // another row took it meanwhile
    hovered_.reset();
    emit hoverChanged();
}

void ProjectsListModel::startSelecting() {
    if (selecting_) return;
    selecting_ = true;  // an earlier selection stays
    emit changed();
}

void ProjectsListModel::endSelecting() {
    selecting_ = false;
    selected_.clear();
    emit changed();
}

void ProjectsListModel::toggleSelection(const Uuid& id) {
    if (!selected_.erase(id)) selected_.insert(id);
    emit changed();
}

bool ProjectsListModel::allSelected() const { return selected_.size() == app_.projects().size(); }

void ProjectsListModel::toggleAll() {
    if (allSelected()) {
        selected_.clear();
    } else {
        selected_.clear();
        for (const Project& p : app_.projects()) selected_.insert(p.id);
    }
    emit changed();
}

QString ProjectsListModel::selectAllTitle() const {
    return kit::localized(allSelected() ? "Deselectează tot" : "Selectează tot");
}

QString ProjectsListModel::selectionText() const {
    if (selected_.empty()) return kit::localized("Alege proiecte");
    return kit::localizedCount("%lld selectate", {(long long)selected_.size()});
}

void ProjectsListModel::renameSelected() {
    if (selected_.size() != 1) return;
    const Project* target = nullptr;
    for (const Project& p : app_.projects())
        if (selected_.count(p.id)) {
            target = &p;
            break;
        }
    if (!target) return;
    selecting_ = false;
    selected_.clear();
    beginRename(*target);
}

void ProjectsListModel::deleteSelected() {
    std::vector<Project> deletable;
    long long busy = 0;
    for (const Project& p : app_.projects()) {
        if (!selected_.count(p.id)) continue;
        if (isBusy(p)) ++busy;
        else deletable.push_back(p);
    }
    if (deletable.empty()) return;
    const QString title =
        deletable.size() == 1
            ? kit::localized("Ștergi proiectul „%1”?").arg(QString::fromStdString(deletable.front().name))
            : kit::localizedCount("Ștergi %lld proiecte?", {(long long)deletable.size()});
    QString message = kit::localized("Valorile calculate se mută în Coș. RAW-urile și XMP-urile exportate nu sunt atinse.");
    if (busy > 0) message += QLatin1Char('\n') + kit::localizedCount("%lld proiecte în lucru nu se șterg.", {busy});
    if (!kit::dialogs().confirm(title, message, kit::localized("Șterge"))) return;
    for (const Project& p : deletable) app_.deleteProject(p);
    selecting_ = false;
    selected_.clear();
    emit changed();
}

void ProjectsListModel::setRenameText(const QString& text) { renameText_ = text; }

void ProjectsListModel::beginRename(const Project& project) {
    renameText_ = QString::fromStdString(project.name);
    renaming_ = project.id;
    emit changed();
    emit renameStarted();
}

void ProjectsListModel::commitRename(const Project& project) {
    if (!renaming_ || *renaming_ != project.id) return;
    const Project target = project;  // the rename reloads the list it may come from
    renaming_.reset();
    emit changed();
    const QString name = renameText_.trimmed();
    if (!name.isEmpty() && name.toStdString() != target.name) app_.renameProject(target, name.toStdString());
}

void ProjectsListModel::commitPendingRename() {
    if (!renaming_) return;
    if (const Project* p = project(*renaming_)) commitRename(*p);
}

void ProjectsListModel::dismissRename() {
    if (!renaming_) return;
    renaming_.reset();
    emit changed();
}

void ProjectsListModel::cancelRename(const Project& project) {
    renameText_ = QString::fromStdString(project.name);
    renaming_.reset();
    emit changed();
}

void ProjectsListModel::openProject(const Uuid& id) { router_.setRoute(Route::project(id)); }

void ProjectsListModel::requestExport(const Uuid& id) {
    router_.setPendingExport(id);
    router_.setRoute(Route::project(id));
}

void ProjectsListModel::openReedit(const Uuid& id) { router_.setRoute(Route::reedit(id)); }

void ProjectsListModel::confirmDelete(const Project& project) {
    const Project target = project;
    if (!kit::dialogs().confirm(
            kit::localized("Ștergi proiectul „%1”?").arg(QString::fromStdString(target.name)),
            kit::localized("Valorile calculate se mută în Coș. RAW-urile și XMP-urile exportate nu sunt atinse."),
            kit::localized("Șterge")))
        return;
    app_.deleteProject(target);
}

}  // namespace orvane::projects

#include "app/projects/quick_edit_model.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>
#include <QPointer>

#include <algorithm>
#include <chrono>

#include "app/kit/catalog_sort.h"
#include "app/kit/localization.h"
#include "app/model/app_model.h"
#include "app/model/deliver_later.h"
#include "app/model/router.h"
#include "app/options/option_settings.h"
#include "app/projects/new_project_model.h"
#include "app/projects/priority_toggle.h"
#include "core/base/error_text.h"
#include "core/base/work_pool.h"
#include "core/catalog/catalog_writer.h"
#include "core/pipeline/job.h"
#include "core/store/cover_photo.h"

namespace orvane::projects {

namespace fs = std::filesystem;

QuickEditServices QuickEditServices::standard() {
    QuickEditServices s;
    s.scan = [] { return CatalogFinder::scan(); };
    s.catalogFolders = [](const fs::path& catalog) { return Project::catalogFolders(catalog); };
    s.create = [](const std::string& name, const fs::path& catalog, bool onlyUnedited, const Uuid& profile,
                  const std::set<std::string>& folders) {
        return Project::create(name, catalog, onlyUnedited, profile, folders);
    };
    s.makeCover = [](const Project& project) {
        WorkPool::normal().submit([project] { (void)CoverPhoto::ensure(project); });
    };
    s.background = [](Work work) { WorkPool::high().submit(std::move(work)); };
    return s;
}

QuickEditModel::QuickEditModel(model::AppModel& app, model::Router& router, QuickEditServices services, QObject* parent)
    : QObject(parent), app_(app), router_(router), services_(std::move(services)) {
    refreshProfiles();
    // A profile deleted or rebuilt while the sheet is open: a choice that is no longer built falls back
    // to the default rule, so the start never takes a profile that cannot edit.
    connect(&app_, &model::AppModel::profilesChanged, this, [this] {
        refreshProfiles();
        if (profileID_ && !chosenProfile()) {
            profileID_.reset();
            if (!scanning_) chooseDefaultProfile();
        }
        emit changed();
    });
}

template <class R>
void QuickEditModel::offload(std::function<R()> work, std::function<void(R)> done) {
    model::deliverLater<R>(services_.background, this, std::move(work), std::move(done),
                           [](const QuickEditModel* self) { return !self->closed_; });
}

// ---- the catalog step ----

void QuickEditModel::setQuery(const QString& query) {
    if (query == query_) return;
    query_ = query;
    emit changed();
}

std::vector<FoundCatalog> QuickEditModel::visibleCatalogs() const {
    std::vector<FoundCatalog> usable;
    for (const FoundCatalog& c : found_)
        if (CatalogWriter::isUsableSource(c.url)) usable.push_back(c);
    usable = kit::sortFoundCatalogs(std::move(usable), kit::catalogSortSetting(app_.defaults()));
    if (query_.isEmpty()) return usable;
    std::vector<FoundCatalog> matching;
    for (const FoundCatalog& c : usable) {
        const bool hit = QString::fromStdString(c.name()).contains(query_, Qt::CaseInsensitive) ||
                         QString::fromStdString(c.folder()).contains(query_, Qt::CaseInsensitive);
        if (hit) matching.push_back(c);
    }
    return matching;
}

// ---- the chosen catalog ----

QuickEditModel::FolderState QuickEditModel::folderState() const {
    if (!folders_) return loadFailed_ ? FolderState::unreadable : FolderState::loading;
    return folders_->empty() ? FolderState::empty : FolderState::loaded;
}

std::vector<Project::CatalogFolder> QuickEditModel::shownFolders() const {
    std::vector<Project::CatalogFolder> out;
    if (folders_)
        for (const auto& f : *folders_)
            if (f.onDisk > 0) out.push_back(f);
    return out;
}

std::vector<Project::CatalogFolder> QuickEditModel::pickedFolders() const {
    std::vector<Project::CatalogFolder> out;
    if (folders_)
        for (const auto& f : *folders_)
            if (picked_.count(f.path)) out.push_back(f);
    return out;
}

std::int64_t QuickEditModel::pickedOnDiskCount() const {
    std::int64_t n = 0;
    for (const auto& f : pickedFolders()) n += f.onDisk;
    return n;
}

std::int64_t QuickEditModel::pickedUneditedCount() const {
    std::int64_t n = 0;
    for (const auto& f : pickedFolders()) n += f.unedited;
    return n;
}

std::int64_t QuickEditModel::selectedPhotoCount() const {
    return onlyUnedited_ ? pickedUneditedCount() : pickedOnDiskCount();
}

bool QuickEditModel::usesSmartPreviews() const {
    const auto picked = pickedFolders();
    return std::any_of(picked.begin(), picked.end(), [](const auto& f) { return f.rawOnDisk < f.onDisk; });
}

bool QuickEditModel::allShownPicked() const { return picked_.size() == shownFolders().size(); }

void QuickEditModel::setOnlyUnedited(bool only) {
    if (only == onlyUnedited_) return;
    onlyUnedited_ = only;
    emit changed();
}

// ---- name and profile ----

void QuickEditModel::setProjectName(const QString& name) {
    if (name == projectName_) return;
    projectName_ = name;
    emit changed();
}

QString QuickEditModel::proposedProjectName() const {
    const auto picked = pickedFolders();
    const QString catalogName = catalog_ ? QString::fromStdString(catalog_->name()) : QString();
    if (picked.size() == 1) return QString::fromStdString(picked.front().name());
    if (picked.size() > 1)
        return catalogName + kit::localized(" · %1 foldere").arg(qulonglong(picked.size()));
    return catalog_ ? catalogName : kit::localized("Proiect nou");
}

void QuickEditModel::refreshProfiles() {
    built_.clear();
    for (const Profile& p : app_.profiles())
        if (p.isBuilt()) built_.push_back(p);
}

std::optional<Profile> QuickEditModel::chosenProfile() const {
    if (!profileID_) return std::nullopt;
    for (const Profile& p : built_)
        if (p.id == *profileID_) return p;
    return std::nullopt;
}

void QuickEditModel::setProfileID(const Uuid& id) {
    if (profileID_ == id) return;
    if (std::none_of(built_.begin(), built_.end(), [&](const Profile& p) { return p.id == id; })) return;
    profileID_ = id;
    emit changed();
}

void QuickEditModel::chooseDefaultProfile() {
    if (profileID_) return;
    const auto& preferred = router_.preferredProfile();
    if (preferred)
        for (const Profile& p : built_)
            if (p.id == *preferred) {
                profileID_ = p.id;
                return;
            }
    if (!built_.empty()) profileID_ = built_.front().id;
}

// ---- pages ----

QuickEditModel::Page QuickEditModel::page() const {
    if (!catalog_) return Page::catalogs;
    return customize_ ? Page::options : Page::folders;
}

QString QuickEditModel::subtitle() const {
    switch (page()) {
        case Page::catalogs: return QString::fromUtf8("Alege catalogul Lightroom");
        case Page::folders: return QString::fromUtf8("Bifează folderele pe care vrei să le editezi");
        case Page::options: return QString::fromUtf8("Alege ce funcții vrei să se aplice");
    }
    return {};
}

void QuickEditModel::setCustomize(bool customize) {
    if (customize == customize_ || !catalog_) return;
    customize_ = customize;
    emit changed();
}

bool QuickEditModel::canStart() const {
    return !starting_ && !closed_ && catalog_ && selectedPhotoCount() >= 1 && chosenProfile().has_value();
}

QuickEditModel::Availability QuickEditModel::folderAvailability(std::int64_t onDisk, std::int64_t rawOnDisk) {
    if (onDisk == 0) return {QString::fromUtf8("Nu sunt pe disc"), QStringLiteral("externaldrive.badge.exclamationmark"), true};
    if (rawOnDisk >= onDisk) return {QString::fromUtf8("RAW pe disc"), QStringLiteral("checkmark.circle"), false};
    if (rawOnDisk > 0)
        return {QString::fromUtf8("RAW și Smart Preview-uri"), QStringLiteral("exclamationmark.triangle"), true};
    return {QString::fromUtf8("Smart Preview-uri"), QStringLiteral("exclamationmark.triangle"), true};
}

QString QuickEditModel::dateTag(Date modified) const {
    const bool english = app_.defaults().textValue("language") == std::optional<std::string>("en");
    const QLocale locale = english ? QLocale(QLocale::English, QLocale::UnitedStates)
                                   : QLocale(QLocale::Romanian, QLocale::Romania);
    const auto secs = std::chrono::duration_cast<std::chrono::seconds>(modified.time_since_epoch()).count();
    const QDate day = QDateTime::fromSecsSinceEpoch(secs).date();
    return locale.toString(day, english ? QStringLiteral("MMM d, yyyy") : QStringLiteral("d MMM yyyy"));
}

// ---- actions ----

void QuickEditModel::open() {
    app_.defaults().set(prioritizeEditingKey, Json(false));
    options::resetOptionsUnlessRemembered(app_.defaults());
    scan();
}

void QuickEditModel::scan() {
    scanning_ = true;
    using Found = std::vector<FoundCatalog>;
    auto search = services_.scan;
    offload<Found>([search] { return search(); },
                   [this](Found found) {
                       found_ = std::move(found);
                       scanning_ = false;
                       chooseDefaultProfile();
                       emit changed();
                   });
}

void QuickEditModel::choose(const FoundCatalog& catalog) {
    catalog_ = catalog;
    ++choice_;
    folders_.reset();
    loadFailed_ = false;
    picked_.clear();
    emit changed();
    loadFolders();
}

bool QuickEditModel::chooseFile(const fs::path& file) {
    if (!CatalogWriter::isUsableSource(file)) {
        const auto [title, message] = NewProjectModel::ownCatalogRefusal();
        emit refused(title, message);
        return false;
    }
    FoundCatalog found{file, 0, std::chrono::time_point_cast<Date::duration>(std::chrono::system_clock::now())};
    std::error_code ec;
    const auto size = fs::file_size(file, ec);
    if (!ec) found.size = std::int64_t(size);
    const auto written = fs::last_write_time(file, ec);
    if (!ec) found.modified = std::chrono::time_point_cast<Date::duration>(fs::file_time_type::clock::to_sys(written));
    choose(found);
    return true;
}

void QuickEditModel::loadFolders() {
    const fs::path url = catalog_->url;
    const std::uint64_t choice = choice_;
    auto read = services_.catalogFolders;
    offload<QuickEditServices::Folders>([read, url] { return read(url); },
                                        [this, choice](QuickEditServices::Folders result) {
                                            // Another catalog chosen, or the list shown again, meanwhile.
                                            if (choice != choice_ || !catalog_) return;
                                            if (!result) {
                                                loadFailed_ = true;
                                                emit changed();
                                                return;
                                            }
                                            folders_ = std::move(*result);
                                            const auto shown = shownFolders();
                                            if (shown.size() == 1) picked_ = {shown.front().path};
                                            onlyUnedited_ = std::any_of(shown.begin(), shown.end(),
                                                                        [](const auto& f) { return f.unedited > 0; });
                                            emit changed();
                                        });
}

void QuickEditModel::refreshFolders(std::function<void()> done) {
    if (!catalog_) {
        if (done) done();
        return;
    }
    const fs::path url = catalog_->url;
    const std::uint64_t choice = choice_;
    auto read = services_.catalogFolders;
    offload<QuickEditServices::Folders>([read, url] { return read(url); },
                                        [this, choice, done](QuickEditServices::Folders result) {
                                            if (result && choice == choice_ && catalog_) {
                                                folders_ = std::move(*result);
                                                emit changed();
                                            }
                                            if (done) done();
                                        });
}

void QuickEditModel::volumeMounted() { refreshFolders(); }

void QuickEditModel::goBack() {
    if (customize_) {
        customize_ = false;
    } else {
        catalog_.reset();
        ++choice_;
        folders_.reset();
        picked_.clear();
    }
    emit changed();
}

void QuickEditModel::toggleFolder(const std::string& path) {
    if (!picked_.erase(path)) picked_.insert(path);
    emit changed();
}

void QuickEditModel::toggleAllFolders() {
    const auto shown = shownFolders();
    if (picked_.size() == shown.size()) {
        picked_.clear();
    } else {
        picked_.clear();
        for (const auto& f : shown) picked_.insert(f.path);
    }
    emit changed();
}

void QuickEditModel::switchToNewProject() {
    dismiss();
    QPointer<model::Router> router(&router_);
    app_.mainExecutor().postAfter(std::chrono::milliseconds(newProjectDelayMs), [router] {
        if (router) router->setShowNewProject(true);
    });
}

void QuickEditModel::start(std::function<bool()> continueWithSmartPreviews) {
    if (!canStart()) return;
    starting_ = true;
    emit changed();
    refreshFolders([this, ask = std::move(continueWithSmartPreviews)] {
        if (usesSmartPreviews() && !(ask && ask())) {
            // "Conectez discul": nothing is made; the refreshed counts stay.
            starting_ = false;
            emit changed();
            return;
        }
        create();
    });
}

void QuickEditModel::create() {
    const std::optional<Profile> profile = chosenProfile();
    if (!catalog_ || !profile || closed_) {
        starting_ = false;
        emit changed();
        return;
    }
    QString name = projectName_.trimmed();
    if (name.isEmpty()) name = proposedProjectName();

    struct Made {
        std::optional<Project> project;
        std::string error;
    };
    auto make = [create = services_.create, name = name.toStdString(), catalog = catalog_->url,
                 only = onlyUnedited_, id = profile->id, folders = picked_] {
        try {
            return Made{create(name, catalog, only, id, folders), {}};
        } catch (...) {
            return Made{std::nullopt, errorText(std::current_exception())};
        }
    };
    // Not through offload(): a project made after the sheet closed must still reach the list.
    QPointer<QuickEditModel> self(this);
    QPointer<model::AppModel> app(&app_);
    services_.background([self, app, make = std::move(make)] {
        auto made = std::make_shared<Made>(make());
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, app, made] {
                if (self && !self->closed_) {
                    self->created(made->project, made->error);
                } else if (app && made->project) {
                    app->reload();
                }
            },
            Qt::QueuedConnection);
    });
}

void QuickEditModel::created(const std::optional<Project>& project, const std::string& error) {
    if (!project) {
        // The sheet stays open as it was; the application shows the error.
        starting_ = false;
        emit changed();
        app_.setError(error);
        return;
    }
    // Everything below reaches the application only: the sheet is closed on the way.
    model::AppModel& app = app_;
    model::Router& router = router_;
    services_.makeCover(*project);
    app.reload();
    dismiss();
    const Uuid id = project->id;
    for (const Project& p : app.projects()) {
        if (p.id != id) continue;
        const std::shared_ptr<Job> job = app.makeJob(p);
        options::applyOptionSettings(app.defaults(), *job);
        app.startJob(job);
        break;
    }
    router.setRoute(model::Route::project(id));
}

void QuickEditModel::dismiss() {
    if (closed_) return;
    closed_ = true;
    router_.setShowQuickEdit(false);
}

}  // namespace orvane::projects

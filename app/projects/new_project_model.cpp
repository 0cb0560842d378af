#include "app/projects/new_project_model.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>

#include <algorithm>
#include <chrono>
#include <memory>

#include "app/kit/catalog_sort.h"
#include "app/kit/text.h"
#include "app/model/app_model.h"
#include "app/model/deliver_later.h"
#include "app/model/router.h"
#include "app/projects/project_cover.h"
#include "core/base/error_text.h"
#include "core/base/work_pool.h"
#include "core/catalog/catalog_writer.h"

namespace orvane::projects {

namespace fs = std::filesystem;

namespace {

QString fileName(const fs::path& path) { return QString::fromStdString(path.filename().string()); }

}  // namespace

NewProjectServices NewProjectServices::standard() {
    NewProjectServices s;
    s.countRaw = [](const fs::path& folder) { return Project::rawFiles(folder).size(); };
    s.catalogCounts = [](const fs::path& catalog) { return Project::catalogCounts(catalog); };
    s.scan = [] { return CatalogFinder::scan(); };
    s.createFromFolder = [](const std::string& name, const fs::path& folder, const Uuid& profile) {
        return Project::create(name, folder, profile);
    };
    s.createFromCatalog = [](const std::string& name, const fs::path& catalog, bool onlyUnedited, const Uuid& profile) {
        return Project::create(name, catalog, onlyUnedited, profile, std::nullopt);
    };
    s.background = [](Work work) { WorkPool::high().submit(std::move(work)); };
    return s;
}

NewProjectModel::NewProjectModel(model::AppModel& app, model::Router& router, Created created,
                                 NewProjectServices services, QObject* parent)
    : QObject(parent), app_(app), router_(router), created_(std::move(created)), services_(std::move(services)) {
    refreshProfiles();
    // A profile deleted (or built) while the sheet is open: the chips follow, and a chosen profile that
    // is gone leaves nothing chosen, so the button cannot silently do nothing.
    connect(&app_, &model::AppModel::profilesChanged, this, [this] {
        refreshProfiles();
        if (profileID_ && !chosenProfile()) profileID_.reset();
        emit changed();
    });
}

template <class R>
void NewProjectModel::offload(std::function<R()> work, std::function<void(R)> done) {
    model::deliverLater<R>(services_.background, this, std::move(work), std::move(done),
                           [](const NewProjectModel* self) { return !self->closed_; });
}

void NewProjectModel::refreshProfiles() {
    built_.clear();
    for (const Profile& p : app_.profiles())
        if (p.isBuilt()) built_.push_back(p);
}

std::optional<Profile> NewProjectModel::chosenProfile() const {
    if (!profileID_) return std::nullopt;
    for (const Profile& p : built_)
        if (p.id == *profileID_) return p;
    return std::nullopt;
}

void NewProjectModel::setName(const QString& name) {
    if (name == name_) return;
    name_ = name;
    emit changed();
}

void NewProjectModel::setProfileID(const Uuid& id) {
    if (profileID_ == id) return;
    if (std::none_of(built_.begin(), built_.end(), [&](const Profile& p) { return p.id == id; })) return;
    profileID_ = id;
    emit changed();
}

void NewProjectModel::setOnlyUnedited(bool only) {
    if (only == onlyUnedited_) return;
    onlyUnedited_ = only;
    emit changed();
}

std::string NewProjectModel::sortRaw() const {
    return app_.defaults().textValue(DefaultsKeys::catalogSort).value_or("recent");
}

void NewProjectModel::setSortRaw(const std::string& raw) {
    app_.defaults().set(DefaultsKeys::catalogSort, Json(raw));
    emit changed();
}

std::vector<FoundCatalog> NewProjectModel::shownCatalogs() const {
    std::vector<FoundCatalog> usable;
    for (const FoundCatalog& c : found_)
        if (CatalogWriter::isUsableSource(c.url)) usable.push_back(c);
    usable = kit::sortFoundCatalogs(std::move(usable), kit::catalogSortSetting(app_.defaults()));
    if (usable.size() > shownLimit) usable.resize(shownLimit);
    return usable;
}

bool NewProjectModel::canCreate() const {
    if (creating_ || kit::trimSpacesAndTabs(name_).isEmpty() || !chosenProfile()) return false;
    if (!fromCatalog_) return folder_ && rawCount_ && *rawCount_ > 0;
    if (!counts_) return false;
    return onlyUnedited_ ? counts_->unedited > 0 : counts_->onDisk > 0;
}

std::optional<NewProjectModel::Pill> NewProjectModel::rawPill() const {
    if (!rawCount_) return std::nullopt;
    if (*rawCount_ == 0) return Pill{QString::fromUtf8("fără RAW"), PillKind::warn};
    return Pill{QStringLiteral("%1 RAW").arg(qulonglong(*rawCount_)), PillKind::ok};
}

std::optional<NewProjectModel::Pill> NewProjectModel::countsPill() const {
    if (!counts_) return std::nullopt;
    return Pill{QStringLiteral("%1 needitate din %2").arg(counts_->unedited).arg(counts_->onDisk),
                counts_->onDisk < 1 ? PillKind::warn : PillKind::ok};
}

QString NewProjectModel::noProfileText() const {
    if (model::Router::offersProfilesAndProjects(app_))
        return QString::fromUtf8("Nu ai niciun profil construit. Construiește unul în Profiluri AI.");
    // Before any profile or project the rail shows only Home, whose start button builds the first profile.
    return QString::fromUtf8("Nu ai niciun profil construit. Construiește unul din Acasă, cu „Începe să editezi”.");
}

QString NewProjectModel::catalogWarning() const {
    if (!counts_) return {};
    if (unreadable_)
        return QString::fromUtf8(
            "Catalogul nu poate fi citit. Verifică dacă fișierul există și nu este deteriorat, apoi alege-l din nou.");
    if (counts_->onDisk != 0) return {};
    if (counts_->total < 1) return QString::fromUtf8("Catalogul nu conține fotografii.");
    return QString::fromUtf8(
               "Cele %1 fotografii din catalog nu sunt pe disc. Conectează discul extern (sau folderul) cu RAW-urile "
               "și alege din nou catalogul.")
        .arg(counts_->total);
}

void NewProjectModel::prepareOnOpen() {
    refreshProfiles();
    const std::optional<Uuid> preferred = router_.preferredProfile();
    profileID_.reset();
    if (preferred)
        for (const Profile& p : built_)
            if (p.id == *preferred) profileID_ = p.id;
    if (!profileID_ && !built_.empty()) profileID_ = built_.front().id;

    if (const auto item = router_.droppedItem()) {
        const fs::path dropped = *item;
        router_.setDroppedItem(std::nullopt);
        if (QFileInfo(QString::fromStdString(dropped.string())).suffix().toLower() == QLatin1String("lrcat")) {
            // A refused catalog leaves the sheet in its folder source, as if nothing was dropped.
            if (CatalogWriter::isUsableSource(dropped)) {
                fromCatalog_ = true;
                chooseCatalog(dropped);
            } else {
                chooseOwnCatalog(dropped);
            }
        } else {
            fromCatalog_ = false;
            chooseFolder(dropped);
        }
    }
    emit changed();
}

void NewProjectModel::chooseFolder(const fs::path& folder) {
    folder_ = folder;
    rawCount_.reset();
    if (name_.isEmpty()) name_ = fileName(folder);
    emit changed();
    countRawFiles(folder);
}

void NewProjectModel::countRawFiles(const fs::path& folder) {
    auto count = services_.countRaw;
    offload<std::size_t>([count, folder] { return count(folder); },
                         [this, folder](std::size_t n) {
                             // A count for a folder that is no longer the chosen one is dropped.
                             if (folder_ != folder) return;
                             rawCount_ = n;
                             emit changed();
                         });
}

void NewProjectModel::chooseCatalog(const fs::path& catalog) {
    catalog_ = catalog;
    counts_.reset();
    unreadable_ = false;
    if (name_.isEmpty()) name_ = QString::fromStdString(catalog.stem().string());
    emit changed();
    loadCatalogCounts(catalog);
}

std::pair<QString, QString> NewProjectModel::ownCatalogRefusal() {
    return {QString::fromUtf8("Catalogul nu poate fi folosit"),
            QString::fromUtf8("Acesta este un catalog al aplicației (o copie pentru învățare sau o copie de "
                              "siguranță). Alege catalogul tău Lightroom.")};
}

bool NewProjectModel::chooseOwnCatalog(const fs::path& catalog) {
    if (!CatalogWriter::isUsableSource(catalog)) {
        const auto [title, message] = ownCatalogRefusal();
        emit refused(title, message);
        return false;
    }
    chooseCatalog(catalog);
    return true;
}

void NewProjectModel::loadCatalogCounts(const fs::path& catalog) {
    using Counts = std::optional<Project::CatalogCounts>;
    auto read = services_.catalogCounts;
    offload<Counts>([read, catalog] { return read(catalog); },
                    [this, catalog](Counts counts) {
                        if (catalog_ != catalog) return;
                        unreadable_ = !counts.has_value();
                        counts_ = counts.value_or(Project::CatalogCounts{});
                        emit changed();
                    });
}

bool NewProjectModel::acceptDroppedFolder(const QStringList& paths) {
    if (paths.isEmpty()) return false;
    std::error_code ec;
    const fs::path first = paths.first().toStdString();
    if (!fs::is_directory(first, ec) || ec) return false;
    chooseFolder(first);
    return true;
}

void NewProjectModel::clearCatalog() {
    catalog_.reset();
    counts_.reset();
    unreadable_ = false;
    emit changed();
}

void NewProjectModel::scanCatalogsIfNeeded() {
    if (!found_.empty() || scanning_) return;
    scanning_ = true;
    using Found = std::vector<FoundCatalog>;
    auto scan = services_.scan;
    offload<Found>([scan] { return scan(); },
                   [this](Found found) {
                       scanning_ = false;
                       found_ = std::move(found);
                       emit changed();
                   });
}

void NewProjectModel::switchToCatalogStart() {
    dismiss();
    // The sheet is gone by then: the router and the model are reached through guards of their own.
    QPointer<model::Router> router(&router_);
    QPointer<model::AppModel> app(&app_);
    app_.mainExecutor().postAfter(std::chrono::milliseconds(quickEditDelayMs), [router, app] {
        if (router && app) router->openQuickEdit(*app);
    });
}

void NewProjectModel::createProject() {
    if (creating_ || closed_) return;
    const std::optional<Profile> profile = chosenProfile();
    if (!profile) return;
    const std::string name = kit::trimSpacesAndTabs(name_).toStdString();
    std::function<Project()> make;
    if (fromCatalog_) {
        if (!catalog_) return;
        auto create = services_.createFromCatalog;
        make = [create, name, catalog = *catalog_, only = onlyUnedited_, id = profile->id] {
            return create(name, catalog, only, id);
        };
    } else {
        if (!folder_) return;
        auto create = services_.createFromFolder;
        make = [create, name, folder = *folder_, id = profile->id] { return create(name, folder, id); };
    }
    creating_ = true;
    emit changed();

    struct Made {
        std::optional<Project> project;
        std::string error;
    };
    QPointer<model::AppModel> app(&app_);
    auto cover = services_.makeCover;
    offload<Made>(
        [make] {
            try {
                return Made{make(), {}};
            } catch (...) {
                return Made{std::nullopt, errorText(std::current_exception())};
            }
        },
        [this, app, cover](Made made) {
            creating_ = false;
            if (!made.project) {
                emit changed();
                if (app) app->setError(made.error);
                return;
            }
            if (cover) cover(*made.project);
            else CoverLoader::of(app_).request(*made.project, &app_, [](std::optional<QImage>) {});
            app_.reload();
            Created created = created_;
            dismiss();
            if (created) created(*made.project);
        });
}

void NewProjectModel::dismiss() {
    if (closed_) return;
    closed_ = true;
    router_.setShowNewProject(false);
}

}  // namespace orvane::projects

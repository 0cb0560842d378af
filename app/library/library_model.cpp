#include "app/library/library_model.h"

#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <chrono>

#include "app/kit/catalog_sort.h"
#include "app/kit/dialogs.h"
#include "app/kit/localization.h"
#include "app/library/import_sheet_model.h"
#include "app/model/app_model.h"
#include "app/model/router.h"
#include "core/base/trash.h"

namespace orvane::library {

LibraryModel::LibraryModel(model::AppModel& app, model::Router& router, QObject* parent)
    : QObject(parent), app_(app), router_(router) {
    connect(&app_, &model::AppModel::catalogsChanged, this, &LibraryModel::changed);
    connect(&app_, &model::AppModel::profilesChanged, this, &LibraryModel::changed);
    connect(&app_, &model::AppModel::profileBuildChanged, this, &LibraryModel::changed);
}

void LibraryModel::setQuery(const QString& query) {
    if (query == query_) return;
    query_ = query;
    emit changed();
}

void LibraryModel::setShowIncomplete(bool show) {
    if (show == showIncomplete_) return;
    showIncomplete_ = show;
    emit changed();
}

void LibraryModel::setShowImport(bool show) {
    if (show == showImport_) return;
    showImport_ = show;
    emit changed();
}

std::optional<Profile> LibraryModel::chosenProfile() const {
    const auto& profiles = app_.profiles();
    if (profiles.empty()) return std::nullopt;
    const std::string key = app_.defaults().textValue(ImportSheetModel::profileKeySetting).value_or("");
    for (const Profile& p : profiles) {
        if (p.id.text() == key) return p;
    }
    return profiles.front();
}

std::set<Uuid> LibraryModel::usedIDs() const {
    const auto p = chosenProfile();
    if (!p) return {};
    return {p->catalogIDs.begin(), p->catalogIDs.end()};
}

int LibraryModel::incompleteCount() const {
    const auto& list = app_.catalogs();
    return int(std::count_if(list.begin(), list.end(), [](const TrainingCatalog& c) { return c.rawMissing > 0; }));
}

std::vector<TrainingCatalog> LibraryModel::visibleCatalogs() const {
    const auto& all = app_.catalogs();
    const bool anyComplete = std::any_of(all.begin(), all.end(), [](const TrainingCatalog& c) { return c.rawMissing == 0; });
    if (showIncomplete_ || !anyComplete) return all;
    std::vector<TrainingCatalog> list;
    std::copy_if(all.begin(), all.end(), std::back_inserter(list), [](const TrainingCatalog& c) { return c.rawMissing == 0; });
    return list;
}

std::vector<TrainingCatalog> LibraryModel::rows() const {
    std::vector<TrainingCatalog> list;
    for (const TrainingCatalog& c : visibleCatalogs()) {
        if (query_.isEmpty() || QString::fromStdString(c.name).contains(query_, Qt::CaseInsensitive)) list.push_back(c);
    }
    return kit::sortTrainingCatalogs(std::move(list), kit::catalogSortSetting(app_.defaults()));
}

std::int64_t LibraryModel::usableTotal() const {
    std::int64_t sum = 0;
    for (const TrainingCatalog& c : visibleCatalogs()) sum += c.usable;
    return sum;
}

std::int64_t LibraryModel::usedPhotoCount() const {
    const auto p = chosenProfile();
    if (!p) return 0;
    const auto used = usedIDs();
    std::int64_t sum = 0;
    for (const TrainingCatalog& c : visibleCatalogs()) {
        if (used.count(c.id)) sum += c.trainable(&*p);
    }
    return sum;
}

QString LibraryModel::subtitle() const {
    return withNumbers("%1 cataloage · %2 fotografii utilizabile",
                       {static_cast<long long>(visibleCatalogs().size()), static_cast<long long>(usableTotal())});
}

bool LibraryModel::isEmpty() const { return app_.catalogs().empty(); }

bool LibraryModel::building() const { return app_.profileBuild().has_value(); }

std::optional<BuildProgress> LibraryModel::progress() const {
    const auto& build = app_.profileBuild();
    const auto p = chosenProfile();
    if (!build || !p || build->profileID != p->id) return std::nullopt;
    const double elapsed =
        std::chrono::duration<double>(app_.mainExecutor().now() - build->started).count();
    return buildProgress(build->phase, elapsed, kit::englishInterface());
}

bool LibraryModel::canBuild() const { return !building() && chosenProfile() && !usedIDs().empty(); }

QString LibraryModel::useTip() const {
    return chosenProfile() ? text("Folosit la antrenarea profilului ales") : text("Creează întâi un profil");
}

QString LibraryModel::usedCatalogsText() const {
    return withNumbers("fotografii din %1 cataloage", {static_cast<long long>(usedIDs().size())});
}

void LibraryModel::toggleSelection(const Uuid& id) {
    if (!selection_.erase(id)) selection_.insert(id);
    emit changed();
}

void LibraryModel::pickProfile(const Uuid& id) {
    app_.defaults().set(ImportSheetModel::profileKeySetting, Json(id.text()));
    emit changed();
}

void LibraryModel::toggleUsed(const Uuid& id, bool isUsed) {
    if (!canToggleUse()) return;
    if (!chosenProfile()) {
        router_.setShowNewProfile(true);
        return;
    }
    setUsed(id, !isUsed);
}

void LibraryModel::setUsed(const Uuid& id, bool used) {
    std::optional<Profile> profile = chosenProfile();
    if (!profile) return;
    auto& ids = profile->catalogIDs;
    ids.erase(std::remove(ids.begin(), ids.end(), id), ids.end());
    if (used) ids.push_back(id);
    try {
        profile->save();
    } catch (const std::exception& e) {
        app_.setError(std::string(e.what()));
        return;
    }
    app_.reload();
}

void LibraryModel::build() {
    if (!canBuild()) return;
    const Profile profile = *chosenProfile();
    const auto used = usedIDs();
    // Hidden catalogs (incomplete or filtered out) train too; the model's order.
    std::vector<TrainingCatalog> catalogs;
    for (const TrainingCatalog& c : app_.catalogs()) {
        if (used.count(c.id)) catalogs.push_back(c);
    }
    app_.learnFromCatalogs(profile, catalogs, false);
}

void LibraryModel::removeSelected() {
    // A running build reads these copies and writes their feature caches.
    if (building()) return;
    std::vector<TrainingCatalog> doomed;
    for (const TrainingCatalog& c : app_.catalogs()) {
        if (selection_.count(c.id)) doomed.push_back(c);
    }
    if (doomed.empty()) return;
    const QString title = doomed.size() == 1
                              ? kit::localized("Elimini „%1” din Bibliotecă?").arg(QString::fromStdString(doomed.front().name))
                              : withNumbers("Elimini %1 cataloage din Bibliotecă?", {static_cast<long long>(doomed.size())});
    const bool confirmed = kit::dialogs().confirm(
        title, text("Copia catalogului (și trăsăturile calculate) se mută în Coș. Catalogul original nu e atins."),
        text("Elimină"));
    if (!confirmed) return;
    for (const TrainingCatalog& c : doomed) {
        try {
            Trash::moveToTrash(c.dir());
            app_.reload();
        } catch (const std::exception& e) {
            app_.setError(std::string(e.what()));
        }
    }
    selection_.clear();
    emit changed();
}

void LibraryModel::takeImportRequest() {
    if (!router_.importRequested()) return;
    router_.setImportRequested(false);
    setShowImport(true);
}

void LibraryModel::importSheetClosed() {
    setShowImport(false);
    if (!app_.profiles().empty() || app_.catalogs().empty()) return;
    QPointer<model::Router> router(&router_);
    QPointer<model::AppModel> app(&app_);
    // Asked again when the time comes: the import's own hand-over may have opened the sheet, and the
    // user may have made a profile with it meanwhile.
    QTimer::singleShot(newProfileDelayMs, &router_, [router, app] {
        if (router && app && app->profiles().empty() && !router->showNewProfile()) router->setShowNewProfile(true);
    });
}

}  // namespace orvane::library

#include "app/library/import_sheet_model.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <memory>

#include "app/kit/catalog_sort.h"
#include "app/kit/dialogs.h"
#include "app/library/library_texts.h"
#include "app/model/app_model.h"
#include "app/model/deliver_later.h"
#include "app/model/router.h"
#include "core/base/work_pool.h"
#include "core/catalog/catalog_import.h"

namespace orvane::library {

namespace fs = std::filesystem;

ImportSheetServices ImportSheetServices::standard() {
    ImportSheetServices s;
    s.scan = [] { return CatalogFinder::scan(); };
    s.analyze = [](const fs::path& file) { return Catalog::analyze(file); };
    s.background = [](Work work) { WorkPool::high().submit(std::move(work)); };
    return s;
}

ImportSheetModel::ImportSheetModel(model::AppModel& app, model::Router& router, ImportSheetServices services,
                                   QObject* parent)
    : QObject(parent), app_(app), router_(router), services_(std::move(services)) {
    // The model's lists and its import run change what the sheet shows.
    connect(&app_, &model::AppModel::catalogsChanged, this, &ImportSheetModel::changed);
    connect(&app_, &model::AppModel::profilesChanged, this, &ImportSheetModel::changed);
    connect(&app_, &model::AppModel::catalogImportChanged, this, &ImportSheetModel::changed);
}

template <class R>
void ImportSheetModel::offload(std::function<R()> work, std::function<void(R)> done) {
    model::deliverLater<R>(services_.background, this, std::move(work), std::move(done),
                           [](const ImportSheetModel* self) { return !self->closed_; });
}

// --- state ---

void ImportSheetModel::setQuery(const QString& query) {
    if (query == query_) return;
    query_ = query;
    emit changed();
}

void ImportSheetModel::setShowInvalid(bool show) {
    if (show == showInvalid_) return;
    showInvalid_ = show;
    emit changed();
}

std::string ImportSheetModel::profileKey() const { return app_.defaults().textValue(profileKeySetting).value_or(""); }

std::optional<std::pair<int, int>> ImportSheetModel::progress() const {
    const auto& run = app_.catalogImport();
    if (!run) return std::nullopt;
    return std::pair{run->done, run->total};
}

const std::vector<Profile>& ImportSheetModel::profiles() const { return app_.profiles(); }

// --- derived ---

std::optional<std::int64_t> ImportSheetModel::usableCount(const std::string& path) const {
    const auto it = stats_.find(path);
    if (it == stats_.end()) return std::nullopt;
    return std::max(it->second.valid, it->second.previews);
}

bool ImportSheetModel::prefersPreviews(const std::string& path) const {
    const auto it = stats_.find(path);
    return it != stats_.end() && it->second.valid < it->second.previews;
}

bool ImportSheetModel::isAnalysed(const std::string& path) const {
    return stats_.count(path) > 0 || unreadable_.count(path) > 0;
}

std::set<std::string> ImportSheetModel::importedSources() const {
    std::set<std::string> sources;
    for (const TrainingCatalog& c : app_.catalogs()) sources.insert(c.source);
    return sources;
}

std::optional<Profile> ImportSheetModel::pickedProfile() const {
    if (noProfile_) return std::nullopt;
    const auto& profiles = app_.profiles();
    if (profiles.empty()) return std::nullopt;
    const std::string key = profileKey();
    for (const Profile& p : profiles) {
        if (p.id.text() == key) return p;
    }
    return profiles.front();
}

bool ImportSheetModel::isUsable(const std::string& path) const {
    const auto n = usableCount(path);
    return n && *n >= 1;
}

bool ImportSheetModel::isInvalid(const std::string& path) const {
    const auto it = stats_.find(path);
    if (it == stats_.end()) return unreadable_.count(path) > 0;
    return it->second.valid == 0 && it->second.previews == 0;
}

bool ImportSheetModel::isSelectable(const std::string& path, const std::set<std::string>& imported) const {
    return isUsable(path) && imported.count(path) == 0;
}

int ImportSheetModel::invalidCount() const {
    return int(std::count_if(found_.begin(), found_.end(), [&](const FoundCatalog& c) { return isInvalid(c.id()); }));
}

int ImportSheetModel::pendingCount() const {
    return int(std::count_if(found_.begin(), found_.end(), [&](const FoundCatalog& c) { return !isAnalysed(c.id()); }));
}

std::vector<FoundCatalog> ImportSheetModel::filteredFoundCatalogs() const {
    std::vector<FoundCatalog> list;
    for (const FoundCatalog& c : found_) {
        // Used as typed: not trimmed, letter case ignored, diacritics kept.
        if (!query_.isEmpty() && !QString::fromStdString(c.name()).contains(query_, Qt::CaseInsensitive) &&
            !QString::fromStdString(c.folder()).contains(query_, Qt::CaseInsensitive))
            continue;
        if (!showInvalid_ && isInvalid(c.id())) continue;
        list.push_back(c);
    }
    list = kit::sortFoundCatalogs(std::move(list), kit::catalogSortSetting(app_.defaults()));
    std::stable_partition(list.begin(), list.end(), [&](const FoundCatalog& c) { return isUsable(c.id()); });
    return list;
}

std::vector<FoundCatalog> ImportSheetModel::selectableCatalogs() const {
    const auto imported = importedSources();
    std::vector<FoundCatalog> list;
    for (const FoundCatalog& c : filteredFoundCatalogs()) {
        if (isSelectable(c.id(), imported)) list.push_back(c);
    }
    return list;
}

bool ImportSheetModel::hasSameNameElsewhere(const FoundCatalog& catalog) const {
    if (!isUsable(catalog.id())) return false;
    const QString name = QString::fromStdString(catalog.name());
    for (const FoundCatalog& other : found_) {
        if (other.id() == catalog.id()) continue;
        if (QString::fromStdString(other.name()).compare(name, Qt::CaseInsensitive) != 0) continue;
        const auto n = usableCount(other.id());
        if (n && *n > 0) return true;
    }
    return false;
}

FoundRow ImportSheetModel::row(const FoundCatalog& catalog) const {
    const std::string path = catalog.id();
    FoundRow r;
    const bool imported = importedSources().count(path) > 0;
    r.selected = selected_.count(path) > 0;
    r.selectable = isSelectable(path, importedSources());
    const bool analysed = isAnalysed(path);
    const auto entry = stats_.find(path);
    if (imported || r.selected) {
        r.mark = FoundRow::Mark::checkmark;
        r.markTone = imported ? FoundRow::MarkTone::success : FoundRow::MarkTone::accent;
    } else if (!r.selectable && analysed) {
        r.mark = FoundRow::Mark::minusCircle;
        r.markTone = FoundRow::MarkTone::faint;
    }
    if (imported) {
        r.state = FoundRow::State::imported;
        r.pill = text("importat");
        r.pillSymbol = QStringLiteral("checkmark");
        r.pillKind = kit::StatusKind::ok;
    } else if (entry == stats_.end() && unreadable_.count(path)) {
        r.state = FoundRow::State::unreadable;
        r.pill = text("nu se poate citi");
        r.pillSymbol = QStringLiteral("exclamationmark.triangle");
        r.pillKind = kit::StatusKind::warn;
    } else if (entry == stats_.end()) {
        r.state = FoundRow::State::waiting;
        r.spinner = true;
    } else {
        const CatalogStats& s = entry->second;
        const std::int64_t u = std::max(s.valid, s.previews);
        if (u >= 1) {
            r.state = r.selected ? FoundRow::State::selected : FoundRow::State::usable;
            r.pill = withNumbers("%1 fotografii valide", {u});
            r.pillSymbol = QStringLiteral("checkmark");
            r.pillKind = kit::StatusKind::ok;
        } else {
            r.state = FoundRow::State::noValid;
            r.pill = text("fără fotografii valide");
            r.pillSymbol = QStringLiteral("minus");
            r.pillKind = kit::StatusKind::neutral;
        }
        if (s.valid < s.previews) {
            r.detail = withNumbers("din %1 · Smart Preview", {s.photos});
        } else if (s.valid > 0) {
            r.detail = withNumbers("din %1 RAW", {s.photos});
            if (s.edited - s.valid >= 1)
                r.detail += QStringLiteral(" · ") + withNumbers("%1 fără RAW pe disc", {s.edited - s.valid});
        } else if (s.edited > 0) {
            r.detail = withNumbers("%1 editate, fără RAW pe disc", {s.edited});
        } else {
            r.detail = withNumbers("%1 RAW, needitate", {s.photos});
        }
    }
    r.sameName = hasSameNameElsewhere(catalog);
    r.opacity = (imported || (analysed && !r.selectable)) ? 0.55 : 1.0;
    return r;
}

QString ImportSheetModel::statusLine() const {
    if (scanning_) return text("Caut cataloagele Lightroom de pe calculator…");
    const long long n = static_cast<long long>(found_.size());
    if (const int pending = pendingCount(); pending != 0)
        return withNumbers("Analizez cataloagele: %1 din %2…", {n - pending, n});
    return withNumbers("%1 cu fotografii valide de antrenare, din %2 găsite.", {n - invalidCount(), n});
}

QString ImportSheetModel::selectAllTitle() const {
    const std::size_t n = selectableCatalogs().size();
    return (selected_.size() == n && n != 0) ? text("Debifează toate") : text("Bifează toate");
}

QString ImportSheetModel::emptyText() const {
    if (scanning_ || !filteredFoundCatalogs().empty()) return {};
    return found_.empty() ? text("Nu am găsit niciun catalog. Folosește „Alege manual…”.")
                          : text("Niciun rezultat pentru căutare.");
}

QString ImportSheetModel::invalidSwitchTitle() const {
    return withNumbers("Arată și cataloagele fără fotografii valide (%1)", {invalidCount()});
}

QString ImportSheetModel::importTitle() const {
    return selected_.empty() ? text("Importă") : withNumbers("Importă (%1)", {static_cast<long long>(selected_.size())});
}

QString ImportSheetModel::profileMenuTitle() const {
    const auto p = pickedProfile();
    return p ? QString::fromStdString(p->name) : text("Doar importă, fără profil");
}

std::vector<fs::path> ImportSheetModel::catalogsToImport() const {
    const auto imported = importedSources();
    std::vector<fs::path> files;
    for (const FoundCatalog& c : found_) {
        if (selected_.count(c.id()) && isSelectable(c.id(), imported)) files.push_back(c.url);
    }
    return files;
}

// --- actions ---

void ImportSheetModel::start() {
    if (started_) return;
    started_ = true;
    offload<std::vector<FoundCatalog>>([scan = services_.scan] { return scan(); },
                                       [this](std::vector<FoundCatalog> found) {
                                           found_ = std::move(found);
                                           scanning_ = false;
                                           analysing_ = found_;
                                           emit changed();
                                           analyseNext();
                                       });
}

void ImportSheetModel::analyseNext() {
    // Started in the list's order, never more than four at once; results land as they finish.
    while (!closed_ && inFlight_ < maxAnalyses && nextAnalysis_ < analysing_.size()) {
        const FoundCatalog catalog = analysing_[nextAnalysis_++];
        ++inFlight_;
        using Result = std::optional<CatalogStats>;
        offload<Result>([analyze = services_.analyze, url = catalog.url] { return analyze(url); },
                        [this, path = catalog.id()](Result result) {
                            --inFlight_;
                            if (result) {
                                stats_[path] = *result;
                            } else {
                                unreadable_.insert(path);
                            }
                            emit changed();
                            analyseNext();
                        });
    }
}

void ImportSheetModel::toggle(const std::string& path) {
    if (!isSelectable(path)) return;
    if (!selected_.erase(path)) selected_.insert(path);
    emit changed();
}

void ImportSheetModel::toggleSelectAll() {
    const auto selectable = selectableCatalogs();
    // The sizes are compared, not the sets: hidden ticks count.
    if (selected_.size() == selectable.size()) {
        selected_.clear();
    } else {
        selected_.clear();
        for (const FoundCatalog& c : selectable) selected_.insert(c.id());
    }
    emit changed();
}

void ImportSheetModel::pickProfile(const Uuid& id) {
    app_.defaults().set(profileKeySetting, Json(id.text()));
    noProfile_ = false;
    emit changed();
}

void ImportSheetModel::pickNoProfile() {
    noProfile_ = true;
    emit changed();
}

void ImportSheetModel::importSelected() {
    if (!canImport()) return;
    importCatalogFiles(catalogsToImport());
}

void ImportSheetModel::chooseCatalogFiles() {
    if (!canClose()) return;
    const QStringList chosen = kit::dialogs().chooseFiles(
        QString::fromUtf8("Alege un catalog Lightroom (.lrcat), cu Lightroom închis."), {QStringLiteral("lrcat")}, true);
    if (chosen.isEmpty()) return;
    std::vector<fs::path> files;
    for (const QString& f : chosen) files.emplace_back(f.toStdString());
    importCatalogFiles(std::move(files));
}

void ImportSheetModel::importCatalogFiles(std::vector<fs::path> files) {
    if (progress()) return;
    const std::optional<Profile> profile = pickedProfile();
    std::optional<Uuid> attachTo;
    if (profile) attachTo = profile->id;
    // The run belongs to the application model; its end closes this sheet if it is still there.
    QPointer<ImportSheetModel> self(this);
    QPointer<model::AppModel> app(&app_);
    QPointer<model::Router> router(&router_);
    const bool withoutProfile = !profile;
    app_.importCatalogs(std::move(files), attachTo, [self, app, router, withoutProfile] {
        if (self) {
            self->closed_ = true;
            emit self->dismissRequested();
        }
        if (!app || !router) return;
        const bool wantsProfile = router->pendingPreset() || (withoutProfile && app->profiles().empty());
        if (!wantsProfile || app->catalogs().empty()) return;
        // Set now, so the sheet opens on its professional step even when the library, seeing its
        // import sheet close, opens it first.
        router->setNewProfileAutoPro(true);
        QTimer::singleShot(newProfileDelayMs, router, [router] {
            // A sheet that opened meanwhile took the hand-over (and may be closed again by now).
            if (router && router->newProfileAutoPro() && !router->showNewProfile()) router->setShowNewProfile(true);
        });
    });
    emit changed();
}

void ImportSheetModel::dismiss() {
    if (!canClose()) return;
    closed_ = true;
    emit dismissRequested();
}

}  // namespace orvane::library

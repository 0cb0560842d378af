#pragma once
// The state of the catalog library screen: the imported catalogs with their search, filter and order,
// the profile being improved and the catalogs it trains on, its update through the application
// model's one build, and the removal of catalog copies to the trash. Derived values are computed
// afresh at every call. Main thread only.
#include <QObject>
#include <QString>

#include <optional>
#include <set>
#include <vector>

#include "app/library/library_texts.h"
#include "core/catalog/catalog_records.h"
#include "core/style/profile.h"

namespace orvane::model {
class AppModel;
class Router;
}  // namespace orvane::model

namespace orvane::library {

class LibraryModel final : public QObject {
    Q_OBJECT
public:
    static constexpr std::int64_t guidanceLimit = 500;
    static constexpr int newProfileDelayMs = 400;

    LibraryModel(model::AppModel& app, model::Router& router, QObject* parent = nullptr);

    // --- state ---
    const std::set<Uuid>& selection() const { return selection_; }
    const QString& query() const { return query_; }
    void setQuery(const QString& query);
    bool showIncomplete() const { return showIncomplete_; }
    void setShowIncomplete(bool show);
    bool showImport() const { return showImport_; }
    void setShowImport(bool show);

    // --- derived ---
    std::optional<Profile> chosenProfile() const;
    std::set<Uuid> usedIDs() const;
    bool isUsed(const Uuid& id) const { return usedIDs().count(id) > 0; }
    int incompleteCount() const;
    std::vector<TrainingCatalog> visibleCatalogs() const;
    std::vector<TrainingCatalog> rows() const;
    std::int64_t usableTotal() const;
    std::int64_t usedPhotoCount() const;
    QString subtitle() const;
    bool showsGuidance() const { return usableTotal() < guidanceLimit; }
    bool isEmpty() const;
    // Any build of the application model runs now: one build at a time, for every profile.
    bool building() const;
    // The progress of the build of the chosen profile, while the application model runs it.
    std::optional<BuildProgress> progress() const;
    bool canRemove() const { return !selection_.empty() && !building(); }
    bool canBuild() const;
    bool canToggleUse() const { return !building(); }
    QString useTip() const;
    // "fotografii din %1 cataloage": every distinct id of the profile's list, present or not.
    QString usedCatalogsText() const;

    // --- actions ---
    void toggleSelection(const Uuid& id);
    void pickProfile(const Uuid& id);
    // Without a chosen profile: the new-profile sheet; else the catalog joins or leaves its list.
    void toggleUsed(const Uuid& id, bool isUsed);
    void setUsed(const Uuid& id, bool used);
    // "Actualizează profilul": the application model's build (its rail card, cancel and progress),
    // without the profile-ready sheet.
    void build();
    // "Elimină": asks, then moves each selected copy's folder to the trash.
    void removeSelected();
    // A pending request of the router opens the import sheet (when the screen is shown).
    void takeImportRequest();
    // The import sheet has gone: with catalogs but no profile, the new-profile sheet follows.
    void importSheetClosed();

signals:
    void changed();

private:
    model::AppModel& app_;
    model::Router& router_;
    std::set<Uuid> selection_;
    QString query_;
    bool showIncomplete_ = false;
    bool showImport_ = false;
};

}  // namespace orvane::library

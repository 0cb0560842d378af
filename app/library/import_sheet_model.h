#pragma once
// The state of the catalog import sheet: the catalogs found on disk, their analysis (at most four at a
// time, off the interface thread), the search, the order, the ticks, the profile the imported catalogs
// join, and the hand-over of an import to the application model, which owns the run: closing the
// sheet never stops or half-applies an import. Derived values are computed afresh at every call.
// Main thread only.
#include <QObject>
#include <QString>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/kit/palette.h"
#include "core/base/defaults.h"
#include "core/catalog/catalog_finder.h"
#include "core/catalog/catalog_records.h"
#include "core/style/profile.h"

namespace orvane::model {
class AppModel;
class Router;
}  // namespace orvane::model

namespace orvane::library {

// What the sheet asks of the world; standard() holds the real finder and reader, tests their own.
struct ImportSheetServices {
    using Work = std::function<void()>;
    std::function<std::vector<FoundCatalog>()> scan;
    std::function<std::optional<CatalogStats>(const std::filesystem::path&)> analyze;
    // Runs work off the interface thread.
    std::function<void(Work)> background;
    static ImportSheetServices standard();
};

// One found catalog as its row shows it.
struct FoundRow {
    enum class State { waiting, unreadable, noValid, usable, selected, imported };
    enum class Mark { circle, minusCircle, checkmark };
    enum class MarkTone { muted, faint, accent, success };
    State state = State::waiting;
    Mark mark = Mark::circle;
    MarkTone markTone = MarkTone::muted;
    bool selected = false;    // accent fill and border
    bool selectable = false;  // a press toggles the tick
    bool spinner = false;
    QString pill;             // empty with the spinner
    QString pillSymbol;
    kit::StatusKind pillKind = kit::StatusKind::neutral;
    QString detail;           // under the count pill; empty otherwise
    bool sameName = false;
    double opacity = 1.0;
};

class ImportSheetModel final : public QObject {
    Q_OBJECT
public:
    static constexpr int maxAnalyses = 4;
    static constexpr int newProfileDelayMs = 500;
    static constexpr const char* profileKeySetting = DefaultsKeys::libraryProfile;

    ImportSheetModel(model::AppModel& app, model::Router& router,
                     ImportSheetServices services = ImportSheetServices::standard(), QObject* parent = nullptr);

    // --- state ---
    const std::vector<FoundCatalog>& found() const { return found_; }
    bool scanning() const { return scanning_; }
    const QString& query() const { return query_; }
    void setQuery(const QString& query);
    const std::set<std::string>& selected() const { return selected_; }
    const std::map<std::string, CatalogStats>& stats() const { return stats_; }
    const std::set<std::string>& unreadable() const { return unreadable_; }
    bool showInvalid() const { return showInvalid_; }
    void setShowInvalid(bool show);
    bool noProfile() const { return noProfile_; }
    // "library.profile" as stored ("" when absent).
    std::string profileKey() const;
    // The import under way (the application model's run), as (done, total).
    std::optional<std::pair<int, int>> progress() const;
    // Analyses running now (never more than maxAnalyses).
    int analysesInFlight() const { return inFlight_; }
    bool closed() const { return closed_; }

    // The application model's profiles, in its order (the profile menu's items).
    const std::vector<Profile>& profiles() const;

    // --- derived ---
    std::optional<std::int64_t> usableCount(const std::string& path) const;
    bool prefersPreviews(const std::string& path) const;
    bool isAnalysed(const std::string& path) const;
    std::set<std::string> importedSources() const;
    std::optional<Profile> pickedProfile() const;
    bool isUsable(const std::string& path) const;
    bool isInvalid(const std::string& path) const;
    bool isSelectable(const std::string& path) const { return isSelectable(path, importedSources()); }
    int invalidCount() const;
    int pendingCount() const;
    std::vector<FoundCatalog> filteredFoundCatalogs() const;
    std::vector<FoundCatalog> selectableCatalogs() const;
    bool hasSameNameElsewhere(const FoundCatalog& catalog) const;
    FoundRow row(const FoundCatalog& catalog) const;
    QString statusLine() const;
    bool showsSpinner() const { return scanning_ || pendingCount() != 0; }
    QString selectAllTitle() const;
    bool canSelectAll() const { return !selectableCatalogs().empty(); }
    // The text under the list, or empty when the list shows rows (or the scan still runs).
    QString emptyText() const;
    bool showsInvalidSwitch() const { return invalidCount() != 0 || showInvalid_; }
    QString invalidSwitchTitle() const;
    QString importTitle() const;
    bool canImport() const { return !selected_.empty() && !progress(); }
    // Close button, "Anulează" and "Alege manual…".
    bool canClose() const { return !progress(); }
    QString profileMenuTitle() const;
    // The paths the import button hands over: ticked, usable and not imported, in the scan's order.
    std::vector<std::filesystem::path> catalogsToImport() const;

    // --- actions ---
    // Searches once, then analyses what was found. Runs when the sheet comes on screen.
    void start();
    void toggle(const std::string& path);
    void toggleSelectAll();
    void pickProfile(const Uuid& id);
    void pickNoProfile();
    void importSelected();
    // "Alege manual…": the chosen files are imported at once, without analysis.
    void chooseCatalogFiles();
    // Hands the files to the application model's import run; nothing while one runs.
    void importCatalogFiles(std::vector<std::filesystem::path> files);
    // Closes the sheet unless an import runs; results still on their way are dropped.
    void dismiss();

signals:
    void changed();
    // The sheet should go now (its presenter removes it).
    void dismissRequested();

private:
    bool isSelectable(const std::string& path, const std::set<std::string>& imported) const;
    void analyseNext();
    void stored(std::uint64_t generation, const std::string& path, std::optional<CatalogStats> result);
    template <class R>
    void offload(std::function<R()> work, std::function<void(R)> done);

    model::AppModel& app_;
    model::Router& router_;
    ImportSheetServices services_;
    std::vector<FoundCatalog> found_;
    bool scanning_ = true;
    bool started_ = false;
    QString query_;
    std::set<std::string> selected_;
    std::map<std::string, CatalogStats> stats_;
    std::set<std::string> unreadable_;
    bool showInvalid_ = false;
    bool noProfile_ = false;
    bool closed_ = false;
    std::vector<FoundCatalog> analysing_;  // `found` as the scan returned it
    std::size_t nextAnalysis_ = 0;
    int inFlight_ = 0;
};

}  // namespace orvane::library

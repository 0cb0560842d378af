#pragma once
// The state of the new-project sheet: the name, the source (a folder of raw photos, or a Lightroom
// catalog dropped on the window) with its counts, the catalogs found on disk, the chosen profile and
// whether a project can be made. Counting, reading a catalog and making the project run off the
// interface thread; their results come back through this object and are dropped once it is gone or
// the source has changed. Main thread only.
#include <QObject>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/base/uuid.h"
#include "core/catalog/catalog_finder.h"
#include "core/store/project.h"
#include "core/style/profile.h"

namespace orvane::model {
class AppModel;
class Router;
}  // namespace orvane::model

namespace orvane::projects {

// What the sheet asks of the world; standard() holds the real ones, tests hand in their own.
struct NewProjectServices {
    using Work = std::function<void()>;
    std::function<std::size_t(const std::filesystem::path& folder)> countRaw;
    std::function<std::optional<Project::CatalogCounts>(const std::filesystem::path& catalog)> catalogCounts;
    std::function<std::vector<FoundCatalog>()> scan;
    std::function<Project(const std::string& name, const std::filesystem::path& folder, const Uuid& profile)>
        createFromFolder;
    std::function<Project(const std::string& name, const std::filesystem::path& catalog, bool onlyUnedited,
                          const Uuid& profile)>
        createFromCatalog;
    // Makes the cover of a new project; nothing waits for it. Empty (the standard): the application
    // model's cover loader, which the projects list shares, so one making per project runs at a time.
    std::function<void(const Project&)> makeCover;
    // Runs work off the interface thread (the work pool that the user waits for).
    std::function<void(Work)> background;
    static NewProjectServices standard();
};

class NewProjectModel final : public QObject {
    Q_OBJECT

public:
    enum class PillKind { ok, warn };
    struct Pill {
        QString text;
        PillKind kind;
    };

    using Created = std::function<void(const Project&)>;
    // `created` gets the new project once the sheet has closed (the shell opens its page).
    NewProjectModel(model::AppModel& app, model::Router& router, Created created,
                    NewProjectServices services = NewProjectServices::standard(), QObject* parent = nullptr);

    // --- state ---
    const QString& name() const { return name_; }
    void setName(const QString& name);
    const std::optional<std::filesystem::path>& folder() const { return folder_; }
    const std::optional<std::size_t>& rawCount() const { return rawCount_; }
    const std::optional<Uuid>& profileID() const { return profileID_; }
    // Pressing the selected chip changes nothing; a profile that is not built is refused.
    void setProfileID(const Uuid& id);
    bool fromCatalog() const { return fromCatalog_; }
    const std::optional<std::filesystem::path>& catalog() const { return catalog_; }
    const std::vector<FoundCatalog>& found() const { return found_; }
    const std::optional<Project::CatalogCounts>& counts() const { return counts_; }
    // The chosen catalog could not be read: its counts are zero and it has a warning of its own.
    bool catalogUnreadable() const { return unreadable_; }
    bool onlyUnedited() const { return onlyUnedited_; }
    void setOnlyUnedited(bool only);
    // A project is being made: the create button waits.
    bool creating() const { return creating_; }
    bool scanning() const { return scanning_; }
    // "catalogSort" as stored ("recent" when absent).
    std::string sortRaw() const;
    void setSortRaw(const std::string& raw);

    // --- derived ---
    // The built profiles of the application model, in its order, as of the last change of its list.
    const std::vector<Profile>& builtProfiles() const { return built_; }
    // What the profile picker says when no profile is built: where to build one, among what the window
    // shows now (the rail's "Profiluri AI" row exists only once a profile is built or a project exists).
    QString noProfileText() const;
    // The found catalogs that are usable sources, in "catalogSort" order, at most 5.
    std::vector<FoundCatalog> shownCatalogs() const;
    bool canCreate() const;
    // The folder's count: nothing while counting, "fără RAW" (warn) or "%1 RAW" (ok).
    std::optional<Pill> rawPill() const;
    // The catalog's counts: nothing while counting, else "%1 needitate din %2" (warn with none on disk).
    std::optional<Pill> countsPill() const;
    // The warning under the catalog's switch, empty when there is none.
    QString catalogWarning() const;

    // --- actions ---
    // Default profile, then the hand-over of a dropped item. Runs once when the sheet comes on screen.
    void prepareOnOpen();
    void chooseFolder(const std::filesystem::path& folder);
    // A catalog from the found list (already filtered).
    void chooseCatalog(const std::filesystem::path& catalog);
    // A catalog chosen by hand or dropped: the application's own copies and backups are refused
    // (refused() is emitted and nothing changes). True when taken.
    bool chooseOwnCatalog(const std::filesystem::path& catalog);
    // The folder box's drop: only the first item counts and it must be a folder.
    bool acceptDroppedFolder(const QStringList& paths);
    void clearCatalog();
    // Searches for catalogs unless some were found already.
    void scanCatalogsIfNeeded();
    // The catalog tab: closes the sheet and, 0.4 s later, opens the quick-edit sheet (or the
    // new-profile sheet when no profile is built).
    void switchToCatalogStart();
    // Makes the project in the background; a second press while it runs does nothing.
    void createProject();
    // Closes the sheet (close button, "Anulează", Escape); results still on their way are dropped.
    void dismiss();
    bool closed() const { return closed_; }

    // The alert's title and text when the application's own catalog copy or backup is picked.
    static std::pair<QString, QString> ownCatalogRefusal();

    static constexpr int quickEditDelayMs = 400;
    static constexpr std::size_t shownLimit = 5;

signals:
    void changed();
    // A source the sheet will not take; the view shows it in an alert.
    void refused(const QString& title, const QString& message);

private:
    // Runs `work` off the interface thread and `done` back here, unless this object is gone by then.
    template <class R>
    void offload(std::function<R()> work, std::function<void(R)> done);
    void countRawFiles(const std::filesystem::path& folder);
    void loadCatalogCounts(const std::filesystem::path& catalog);
    void refreshProfiles();
    std::optional<Profile> chosenProfile() const;

    model::AppModel& app_;
    model::Router& router_;
    Created created_;
    NewProjectServices services_;
    QString name_;
    std::optional<std::filesystem::path> folder_;
    std::optional<std::size_t> rawCount_;
    std::optional<Uuid> profileID_;
    bool fromCatalog_ = false;
    std::optional<std::filesystem::path> catalog_;
    std::vector<FoundCatalog> found_;
    std::optional<Project::CatalogCounts> counts_;
    bool unreadable_ = false;
    bool onlyUnedited_ = true;
    bool creating_ = false;
    bool scanning_ = false;
    bool closed_ = false;
    std::vector<Profile> built_;
};

}  // namespace orvane::projects

#pragma once
// The state of the quick-edit sheet, which starts a project straight from folders of a Lightroom
// catalog: the catalogs found on disk (searched once per opening), the chosen catalog with its folder
// counts, the ticked folders, the name, the profile, and the start. Searching, reading a catalog's
// folders and making the project run off the interface thread; their results come back through this
// object and are dropped once it is closed or the catalog has changed. Main thread only.
#include <QObject>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
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
struct QuickEditServices {
    using Work = std::function<void()>;
    using Folders = std::optional<std::vector<Project::CatalogFolder>>;
    std::function<std::vector<FoundCatalog>()> scan;
    std::function<Folders(const std::filesystem::path& catalog)> catalogFolders;
    std::function<Project(const std::string& name, const std::filesystem::path& catalog, bool onlyUnedited,
                          const Uuid& profile, const std::set<std::string>& folders)>
        create;
    // Makes the cover of a new project; nothing waits for it.
    std::function<void(const Project&)> makeCover;
    // Runs work off the interface thread (the work pool that the user waits for).
    std::function<void(Work)> background;
    static QuickEditServices standard();
};

class QuickEditModel final : public QObject {
    Q_OBJECT
public:
    enum class Page { catalogs, folders, options };
    enum class FolderState { loading, unreadable, empty, loaded };
    struct Availability {
        QString title;
        QString symbol;
        bool warn;
    };

    static constexpr int newProjectDelayMs = 400;

    QuickEditModel(model::AppModel& app, model::Router& router, QuickEditServices services = QuickEditServices::standard(),
                   QObject* parent = nullptr);

    // --- the catalog step ---
    bool scanning() const { return scanning_; }
    const std::vector<FoundCatalog>& found() const { return found_; }
    const QString& query() const { return query_; }
    void setQuery(const QString& query);
    // The usable found catalogs in "catalogSort" order, then those whose name or folder holds the query
    // (as typed, letter case ignored).
    std::vector<FoundCatalog> visibleCatalogs() const;

    // --- the chosen catalog ---
    const std::optional<FoundCatalog>& catalog() const { return catalog_; }
    const std::optional<std::vector<Project::CatalogFolder>>& folders() const { return folders_; }
    bool loadFailed() const { return loadFailed_; }
    FolderState folderState() const;
    const std::set<std::string>& picked() const { return picked_; }
    // The folders with a photo on disk: only these can be ticked.
    std::vector<Project::CatalogFolder> shownFolders() const;
    std::vector<Project::CatalogFolder> pickedFolders() const;
    std::int64_t pickedOnDiskCount() const;
    std::int64_t pickedUneditedCount() const;
    bool onlyUnedited() const { return onlyUnedited_; }
    void setOnlyUnedited(bool only);
    // Photos the start would take: unedited or on disk, over the ticked folders.
    std::int64_t selectedPhotoCount() const;
    // Some ticked folder has photos whose RAW file is missing (edited from their smart previews).
    bool usesSmartPreviews() const;
    // Every ticked folder is shown: "Deselectează tot" rather than "Selectează tot".
    bool allShownPicked() const;

    // --- name and profile ---
    const QString& projectName() const { return projectName_; }
    void setProjectName(const QString& name);
    // One ticked folder: its name; several: "<catalog> · N foldere"; none: the catalog's name.
    QString proposedProjectName() const;
    const std::vector<Profile>& builtProfiles() const { return built_; }
    const std::optional<Uuid>& profileID() const { return profileID_; }
    void setProfileID(const Uuid& id);
    std::optional<Profile> chosenProfile() const;

    // --- pages ---
    Page page() const;
    QString subtitle() const;
    bool customize() const { return customize_; }
    void setCustomize(bool customize);

    // A start is possible: a catalog, photos to take, a built profile chosen, and no start running.
    bool canStart() const;
    bool starting() const { return starting_; }

    static Availability folderAvailability(std::int64_t onDisk, std::int64_t rawOnDisk);
    // A catalog's date as its row shows it: abbreviated, without the time, in US English when the
    // "language" setting is "en", else in Romanian.
    QString dateTag(Date modified) const;

    // --- actions ---
    // Once, as the sheet comes on screen: priority off, the options reset unless remembered, the search.
    void open();
    void choose(const FoundCatalog& catalog);
    // A catalog picked with the file panel: the application's own copies and backups are refused
    // (refused() is emitted and nothing changes). True when taken.
    bool chooseFile(const std::filesystem::path& file);
    void goBack();
    void toggleFolder(const std::string& path);
    void toggleAllFolders();
    // The folder tab: closes the sheet and, 0.4 s later, opens the new-project sheet.
    void switchToNewProject();
    // A disk was mounted: the chosen catalog's counts are read again (ticks kept).
    void volumeMounted();
    // Reads the chosen catalog's counts again; `done` runs afterwards (also when nothing was applied),
    // unless the sheet has closed meanwhile.
    void refreshFolders(std::function<void()> done = {});
    // "Pornește editarea": refreshes the counts, asks `continueWithSmartPreviews` when some photos have
    // only smart previews (false ends the start, nothing made), then makes the project in the
    // background, hands it the options, starts it and opens its page. One press, one project.
    void start(std::function<bool()> continueWithSmartPreviews);
    // Closes the sheet; results still on their way are dropped, but a project already being made still
    // reaches the projects list (it is not opened or started).
    void dismiss();
    bool closed() const { return closed_; }

signals:
    void changed();
    void refused(const QString& title, const QString& message);

private:
    template <class R>
    void offload(std::function<R()> work, std::function<void(R)> done);
    void scan();
    void loadFolders();
    void refreshProfiles();
    void chooseDefaultProfile();
    void create();
    void created(const std::optional<Project>& project, const std::string& error);

    model::AppModel& app_;
    model::Router& router_;
    QuickEditServices services_;
    std::vector<FoundCatalog> found_;
    bool scanning_ = true;
    QString query_;
    std::optional<FoundCatalog> catalog_;
    std::uint64_t choice_ = 0;  // counts catalog choices and returns to the list
    std::optional<std::vector<Project::CatalogFolder>> folders_;
    bool loadFailed_ = false;
    std::set<std::string> picked_;
    bool onlyUnedited_ = true;
    QString projectName_;
    std::optional<Uuid> profileID_;
    bool customize_ = false;
    bool starting_ = false;
    bool closed_ = false;
    std::vector<Profile> built_;
};

}  // namespace orvane::projects

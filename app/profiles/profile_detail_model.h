#pragma once
// The state of one profile's screen: its own copy of the profile, the name being edited, the catalogs
// chosen for the next build, and the actions on the profile (default, rename, export, duplicate,
// delete, a new preset, a build, the tuning). Stored changes go through the core and are followed by
// a reload of the application model; failures reach the application's error. Main thread only.
#include <QObject>
#include <QString>

#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/uuid.h"
#include "core/catalog/catalog_records.h"
#include "core/store/profile_tuning.h"
#include "core/style/profile.h"

namespace orvane::model {
class AppModel;
class Router;
}  // namespace orvane::model

namespace orvane::profiles {

// What the screen asks of the world beyond the application model; standard() holds the real ones.
struct ProfileDetailServices {
    // Replaces the profile's preset file with `bytes`; the old file stays when it fails.
    std::function<void(const std::filesystem::path& target, std::string_view bytes)> writePreset;
    // Opens the catalog import for the profile named in "library.profile"; `closed` runs when the
    // import ends. Without one, the catalog library is asked to open its import instead.
    std::function<void(std::function<void()> closed)> openImport;
    static ProfileDetailServices standard();
};

class ProfileDetailModel final : public QObject {
    Q_OBJECT
public:
    // One row of the information block: symbol, title, value (and whether the value is a warning).
    struct InfoRow {
        QString symbol;
        QString title;
        QString value;
        bool warning = false;
    };

    ProfileDetailModel(model::AppModel& app, model::Router& router, Profile profile,
                       ProfileDetailServices services = ProfileDetailServices::standard(), QObject* parent = nullptr);

    // --- state ---
    const Profile& profile() const { return profile_; }
    const std::string& savedName() const { return savedName_; }
    const std::set<Uuid>& selected() const { return selected_; }
    model::AppModel& app() const { return app_; }

    // --- derived ---
    bool isTraining() const;
    bool buildRuns() const;
    bool isBuilt() const { return built_; }
    bool isDefault() const;
    // The name, trimmed of spaces and tabs, is not empty and differs from the saved one.
    bool nameChanged() const;
    // The library's catalogs this profile may train on, in "catalogSort" order: those with every raw
    // file, all of them for a profile on smart previews, and the chosen ones in any case.
    std::vector<TrainingCatalog> visibleCatalogs() const;
    // The library's catalogs that are chosen, in the library's order.
    std::vector<TrainingCatalog> selectedCatalogs() const;
    // Photos the chosen catalogs can train this profile with.
    std::int64_t selectionSize() const;
    bool canBuild() const { return !buildRuns() && !selected_.empty(); }
    QString buildButtonText() const;
    std::vector<InfoRow> infoRows() const;
    // Elapsed seconds of this profile's build, on the application model's clock; 0 without one.
    double buildSeconds() const;

    // --- actions ---
    void setName(const QString& name);
    void makeDefault();
    void rename();
    void exportPackage();
    void duplicate();
    void confirmDelete();
    void choosePreset();
    // Replaces the preset with the file `chosen` (the open panel's answer).
    void replacePreset(const std::filesystem::path& chosen);
    void commitName();
    void revertName();
    // The profile as stored in the application model's list, with its name as the saved one.
    void refreshProfile();
    void setCatalogSelected(const Uuid& catalog, bool on);
    void openCatalogImport();
    // The import has ended: the stored profile replaces the copy and the chosen catalogs follow it.
    void importClosed();
    void startBuild();
    void cancelBuild();
    void saveTuning(const ProfileTuning& tuning);

    static constexpr const char* libraryProfileKey = "library.profile";
    static constexpr const char* presetFolder = "Library/Application Support/Adobe/CameraRaw/Settings";

signals:
    void changed();
    // The build under way reported a new phase or stopping state (the progress card follows it).
    void buildProgressed();
    // The name was put back or saved: a field showing it should show it again.
    void nameReset();

private:
    void setProfile(Profile profile);
    // This profile's entry in the application model's list, if it has one.
    const Profile* storedProfile() const;
    // Saves the copy; false (with the error published) when it failed.
    bool saveProfile();

    model::AppModel& app_;
    model::Router& router_;
    ProfileDetailServices services_;
    Profile profile_;
    std::string savedName_;
    std::set<Uuid> selected_;
    bool built_ = false;
    bool hadBuild_ = false;
    bool wasTraining_ = false;
};

// "d MMM yyyy, HH:mm" in the user's language ("en_US" for English, else "ro_RO").
QString profileDateText(const Date& date);

}  // namespace orvane::profiles

#pragma once
// Navigation: the page the main window shows, the flags that open the root view's sheets, the
// one-shot requests one screen leaves for another, and the user's default profile, kept in the user
// defaults under "defaultProfile". Main thread only.
#include <QObject>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "core/base/defaults.h"
#include "core/base/uuid.h"

namespace orvane::model {

class AppModel;

struct Route {
    enum class Kind { home, library, profiles, projects, settings, profile, project, reedit };
    Kind kind = Kind::home;
    std::optional<Uuid> id;  // the profile or project of profile, project and reedit

    static Route home() { return {Kind::home, std::nullopt}; }
    static Route library() { return {Kind::library, std::nullopt}; }
    static Route profiles() { return {Kind::profiles, std::nullopt}; }
    static Route projects() { return {Kind::projects, std::nullopt}; }
    static Route settings() { return {Kind::settings, std::nullopt}; }
    static Route profile(const Uuid& id) { return {Kind::profile, id}; }
    static Route project(const Uuid& id) { return {Kind::project, id}; }
    static Route reedit(const Uuid& id) { return {Kind::reedit, id}; }

    bool operator==(const Route&) const = default;
};

using OptionalUuid = std::optional<Uuid>;
using OptionalPath = std::optional<std::filesystem::path>;

// Where a step of the usage guide leads once the guide has closed.
enum class GuideDestination { profiles, projects, newProject, lightroom };
using OptionalGuideDestination = std::optional<GuideDestination>;

class Router final : public QObject {
    Q_OBJECT
    Q_PROPERTY(orvane::model::Route route READ route WRITE setRoute NOTIFY routeChanged)
    Q_PROPERTY(bool showNewProject READ showNewProject WRITE setShowNewProject NOTIFY showNewProjectChanged)
    Q_PROPERTY(bool showNewProfile READ showNewProfile WRITE setShowNewProfile NOTIFY showNewProfileChanged)
    Q_PROPERTY(bool showQuickEdit READ showQuickEdit WRITE setShowQuickEdit NOTIFY showQuickEditChanged)
    Q_PROPERTY(orvane::model::OptionalUuid autoStart READ autoStart WRITE setAutoStart NOTIFY autoStartChanged)
    Q_PROPERTY(orvane::model::OptionalUuid pendingExport READ pendingExport WRITE setPendingExport NOTIFY
                   pendingExportChanged)
    Q_PROPERTY(bool importRequested READ importRequested WRITE setImportRequested NOTIFY importRequestedChanged)
    Q_PROPERTY(bool newProfileAutoPro READ newProfileAutoPro WRITE setNewProfileAutoPro NOTIFY newProfileAutoProChanged)
    Q_PROPERTY(orvane::model::OptionalPath pendingPreset READ pendingPreset WRITE setPendingPreset NOTIFY
                   pendingPresetChanged)
    Q_PROPERTY(orvane::model::OptionalUuid preferredProfile READ preferredProfile WRITE setPreferredProfile NOTIFY
                   preferredProfileChanged)
    Q_PROPERTY(orvane::model::OptionalPath droppedItem READ droppedItem WRITE setDroppedItem NOTIFY droppedItemChanged)
    Q_PROPERTY(bool showWelcome READ showWelcome WRITE setShowWelcome NOTIFY showWelcomeChanged)
    Q_PROPERTY(bool showGuide READ showGuide WRITE setShowGuide NOTIFY showGuideChanged)
    Q_PROPERTY(bool showFeedback READ showFeedback WRITE setShowFeedback NOTIFY showFeedbackChanged)
    Q_PROPERTY(orvane::model::OptionalGuideDestination guideDestination READ guideDestination WRITE
                   setGuideDestination NOTIFY guideDestinationChanged)

public:
    // The user default that keeps the preferred profile.
    static constexpr const char* defaultProfileKey = "defaultProfile";

    // Every property at its initial value; the preferred profile from "defaultProfile" when that holds
    // a UUID (any other stored text is left alone).
    explicit Router(std::shared_ptr<Defaults> defaults, QObject* parent = nullptr);

    const Route& route() const { return route_; }
    void setRoute(const Route& route);
    bool showNewProject() const { return showNewProject_; }
    void setShowNewProject(bool show);
    bool showNewProfile() const { return showNewProfile_; }
    void setShowNewProfile(bool show);
    bool showQuickEdit() const { return showQuickEdit_; }
    void setShowQuickEdit(bool show);
    const OptionalUuid& autoStart() const { return autoStart_; }
    void setAutoStart(const OptionalUuid& project);
    const OptionalUuid& pendingExport() const { return pendingExport_; }
    void setPendingExport(const OptionalUuid& project);
    bool importRequested() const { return importRequested_; }
    void setImportRequested(bool requested);
    bool newProfileAutoPro() const { return newProfileAutoPro_; }
    void setNewProfileAutoPro(bool pro);
    const OptionalPath& pendingPreset() const { return pendingPreset_; }
    void setPendingPreset(const OptionalPath& preset);
    // Not observed: read back by the new-profile sheet when it opens again.
    bool pendingAutoPreset() const { return pendingAutoPreset_; }
    void setPendingAutoPreset(bool automatic) { pendingAutoPreset_ = automatic; }
    const std::string& pendingPresetTitle() const { return pendingPresetTitle_; }
    void setPendingPresetTitle(std::string title) { pendingPresetTitle_ = std::move(title); }
    const std::string& pendingProfileName() const { return pendingProfileName_; }
    void setPendingProfileName(std::string name) { pendingProfileName_ = std::move(name); }
    const OptionalUuid& preferredProfile() const { return preferredProfile_; }
    // Every assignment is saved to the user defaults.
    void setPreferredProfile(const OptionalUuid& profile);
    const OptionalPath& droppedItem() const { return droppedItem_; }
    void setDroppedItem(const OptionalPath& item);
    // The help sheets the side rail opens (welcome tour, usage guide, feedback form); closing a sheet
    // sets its flag back to false.
    bool showWelcome() const { return showWelcome_; }
    void setShowWelcome(bool show);
    bool showGuide() const { return showGuide_; }
    void setShowGuide(bool show);
    bool showFeedback() const { return showFeedback_; }
    void setShowFeedback(bool show);
    // The step the user chose in the guide, followed by the rail once the guide has closed.
    const OptionalGuideDestination& guideDestination() const { return guideDestination_; }
    void setGuideDestination(const OptionalGuideDestination& destination);

    // The top-level section holding the current route, which the side rail highlights.
    Route section() const;
    static Route sectionOf(const Route& route);

    // The quick-edit sheet when some profile is built, else the new-profile sheet.
    void openQuickEdit(const AppModel& model);

    // Whether the side rail offers the "Profiluri AI" and "Proiecte" rows: once a profile is built or a
    // project exists. A text that sends the user to one of them says so only then.
    static bool offersProfilesAndProjects(const AppModel& model);

signals:
    void routeChanged();
    void showNewProjectChanged();
    void showNewProfileChanged();
    void showQuickEditChanged();
    void autoStartChanged();
    void pendingExportChanged();
    void importRequestedChanged();
    void newProfileAutoProChanged();
    void pendingPresetChanged();
    void preferredProfileChanged();
    void droppedItemChanged();
    void showWelcomeChanged();
    void showGuideChanged();
    void showFeedbackChanged();
    void guideDestinationChanged();

private:
    void savePreferredProfile();

    std::shared_ptr<Defaults> defaults_;
    Route route_;
    bool showNewProject_ = false;
    bool showNewProfile_ = false;
    bool showQuickEdit_ = false;
    OptionalUuid autoStart_;
    OptionalUuid pendingExport_;
    bool importRequested_ = false;
    bool newProfileAutoPro_ = false;
    OptionalPath pendingPreset_;
    bool pendingAutoPreset_ = false;
    std::string pendingPresetTitle_;
    std::string pendingProfileName_;
    OptionalUuid preferredProfile_;
    OptionalPath droppedItem_;
    bool showWelcome_ = false;
    bool showGuide_ = false;
    bool showFeedback_ = false;
    OptionalGuideDestination guideDestination_;
};

}  // namespace orvane::model

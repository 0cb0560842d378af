#pragma once
// The state of the side rail over the application model, the router and the updater: the navigation
// rows with their counts and selection, the recent projects with their status and the inline rename,
// the delete confirmation, the help menu and the sheets it opens, the update notice, and the activity
// cards with their one-second refresh. QtCore only; the widgets in rail.h draw it.
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "app/kit/palette.h"
#include "app/model/app_model.h"
#include "app/model/router.h"
#include "app/model/updater.h"
#include "app/rail/activity.h"

namespace orvane::rail {

enum class NavItem { home, profiles, projects, settings, help };

struct NavEntry {
    NavItem item;
    QString title;
    QString symbol;
    std::optional<QString> count;  // shown as it stands
    bool selected = false;
    bool operator==(const NavEntry&) const = default;
};

// A recent project's status, derived on every read.
enum class RecentStatus { exported, toExport, inProgress };
RecentStatus recentStatus(const Project& project);
QString recentStatusText(RecentStatus status);
kit::StatusKind recentStatusKind(RecentStatus status);

struct RecentEntry {
    Uuid id;
    QString name;
    RecentStatus status = RecentStatus::inProgress;
    QString detail;         // "De exportat · 12 fotografii"
    bool selected = false;  // its page is open (not its re-edit page)
    bool busy = false;      // its job runs, pauses or cancels: no rename
    bool deletable = true;  // the model would delete it now
    bool operator==(const RecentEntry&) const = default;
};

enum class HelpSheet { welcome, guide, feedback };

class RailModel final : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds helpSheetDelay{150};
    static constexpr std::chrono::seconds activityInterval{1};

    // `updater` may be null (no update notice).
    RailModel(model::AppModel& model, model::Router& router, model::Updater* updater, QObject* parent = nullptr);
    ~RailModel() override;

    model::AppModel& appModel() const { return model_; }
    model::Router& router() const { return router_; }

    // --- navigation ---
    // "Profiluri AI" and "Proiecte" only once a profile is built or a project exists.
    std::vector<NavEntry> navEntries() const;
    int builtProfiles() const { return builtProfiles_; }
    // The panel floats over the home page's photograph.
    bool onPhoto() const;
    // The row's page; the help row opens the help menu.
    void activate(NavItem item);
    void goHome();
    // "Setări · Versiunea …", or the new version while one is announced.
    QString settingsTip() const;

    // --- help menu and its sheets ---
    bool showHelp() const { return showHelp_; }
    void setShowHelp(bool show);
    // Closes the menu, then opens the sheet once the menu has gone.
    void presentAfterHelp(HelpSheet sheet);
    // Follows (once) the step chosen in the guide; the rail calls it when the guide closes.
    void followGuideDestination();

    // --- update notice ---
    bool updateAvailable() const;
    QString updateVersionText() const;  // "Versiunea 1.5.0"
    bool updateBusy() const;
    QString updateButtonText() const;  // "Actualizează" / "Se descarcă…"
    QString updateStatus() const;
    void startUpdateDownload();
    void skipUpdate();

    // --- recent projects ---
    bool showsRecent() const { return !model_.projects().empty(); }
    // "+" needs a built profile.
    bool canAddProject() const { return builtProfiles_ > 0; }
    void addProject();
    // Every project as it stands now (AppModel::current), latest activity first.
    std::vector<RecentEntry> recentEntries() const;
    // Looked up without making a job: a project without one is not busy.
    bool isBusy(const Uuid& project) const;
    bool canDelete(const Uuid& project) const;
    void openProject(const Uuid& project);
    // A click: renames the open project's row, opens any other.
    void clickRecent(const Uuid& project);
    void doubleClickRecent(const Uuid& project);
    void startRename(const Uuid& project);
    // Ends the rename of `project` and saves the trimmed text when it is new; nothing when that row is
    // not (or no longer) in rename mode, so Return, focus loss and a click may all arrive for one edit.
    void commitRename(const Uuid& project);
    // Ends the rename without saving.
    void cancelRename();
    const std::optional<Uuid>& renaming() const { return renaming_; }
    const QString& renameText() const { return renameText_; }
    void setRenameText(const QString& text) { renameText_ = text; }
    // Asks first; deletes only when confirmed and the project's job lets it go.
    void confirmDelete(const Uuid& project);

    // --- activity ---
    std::vector<ActivityCardData> activityCards() const;
    void openActivity(const ActivityCardData& card);
    // The one-second refresh runs only while the rail is on screen.
    void setActivityRefresh(bool on);
    bool activityRefreshing() const { return refreshing_; }

signals:
    void navChanged();
    void recentChanged();
    void renameChanged();
    void helpChanged();
    void updateChanged();
    void activityChanged();
    // A project's new name goes to the model (once per edit).
    void renameRequested(const Uuid& project, const QString& name);

private:
    const Project* project(const Uuid& id) const;
    const Job* job(const Uuid& id) const;
    void countBuilt();
    void observeJobs();
    void unobserveJobs();
    // Emits recentChanged and remembers what it announced.
    void announceRecent();
    void recentDirty();
    // Runs `then` on the next turn of the loop, once however often it is asked for meanwhile.
    void onceThisTurn(bool& pending, std::function<void()> then);
    void scheduleTick();
    void activityDirty();

    model::AppModel& model_;
    model::Router& router_;
    QPointer<model::Updater> updater_;
    int builtProfiles_ = 0;
    bool showHelp_ = false;
    std::optional<Uuid> renaming_;
    QString renameText_;
    bool refreshing_ = false;
    std::uint64_t tickGeneration_ = 0;
    bool activityPending_ = false;
    bool recentPending_ = false;
    std::vector<RecentEntry> announced_;
    std::map<Uuid, std::pair<std::weak_ptr<Job>, Job::ObserverId>> observed_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace orvane::rail

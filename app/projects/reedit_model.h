#pragma once
// The re-edit page of a processed project, without widgets. The page works on the live project: the
// brightness and warmth steps, the adjustments panel and a version restored from the history change the
// project at once through its job, and leaving without applying puts back the settings the page opened
// with. The bottom bar's three states (editing, applying, result) and the apply behind its main button:
// the editing options into the job, then either another profile (the project is processed again and
// exported by its page when that run ends) or the analyses the options need, and for a project already
// delivered to Lightroom, a new delivery and the request that Lightroom re-read the sidecars.
// Main thread only. The apply holds the job and the application model, never the page: when the page
// has gone it still ends cleanly (the job's status line cleared) but changes no route.
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/model/app_model.h"
#include "app/model/router.h"
#include "app/projects/job_adapter.h"
#include "core/pipeline/job.h"

namespace orvane::projects {

// The number of steps `x`, rounded half away from zero: "0", "+n", or "−n" with the minus sign U+2212.
QString stepCountText(double x);

// What the apply asks of the world; standard() takes the application model's own roads.
struct ReeditServices {
    using Done = std::function<void()>;
    using Delivered = std::function<void(std::optional<model::LightroomExportResult>)>;
    std::function<void(const std::shared_ptr<Job>& job, Done done)> prepareAnalysis;
    std::function<void(const std::shared_ptr<Job>& job, bool confirmMerge, Delivered done)> exportToLightroom;
    std::function<bool()> lightroomRunning;
    std::function<void()> openLightroom;  // without a catalog; does not wait
    // Asks Lightroom to re-read the sidecars; `done` gets whether it did.
    std::function<void(std::function<void(bool)> done)> readMetadata;
    // Whether the application may drive other programs' interfaces (asked without prompting).
    std::function<bool()> accessibilityTrusted;
    static ReeditServices standard(model::AppModel& app);
};

class ReeditModel final : public QObject {
    Q_OBJECT
public:
    static constexpr double brightnessStep = 0.1;  // EV
    static constexpr double warmthStep = 100;      // K
    static constexpr double previewProgress = 0.01;

    enum class Bar { editing, applying, result };

    // Takes the opening snapshot and the base values, and copies the project's editing options into
    // the option settings (once per page).
    ReeditModel(model::AppModel& app, model::Router& router, std::shared_ptr<Job> job,
                ReeditServices services, QObject* parent = nullptr);
    // A page left by any other road (the side rail, another route) without an apply puts back the
    // opening settings, as "Proiect" does; an apply under way or done keeps them.
    ~ReeditModel() override;

    model::AppModel& app() const { return app_; }
    const std::shared_ptr<Job>& job() const { return job_; }
    const Project& project() const { return job_->project(); }
    JobAdapter& adapter() { return adapter_; }

    // --- header ---
    QString subtitle() const;  // "Setările se aplică la toate cele %lld fotografii"
    // "Reanalizează fotografiile": not while applying, nor while the job processes.
    bool resetAnalysesEnabled() const;
    void resetAnalyses();
    struct ProfileChoice {
        Uuid id;
        QString name;
        bool current = false;
    };
    // The built profiles, in order; the menu shows only with two or more.
    std::vector<ProfileChoice> profileChoices() const;
    bool showsProfileMenu() const { return profileChoices().size() >= 2; }
    QString currentProfileName() const;  // "Profil" when the current one is not built
    // Only while editing and while the job is idle, paused, cancelled or finished.
    bool profileMenuEnabled() const;
    void chooseProfile(const Uuid& profile);
    const std::optional<Uuid>& chosenProfile() const { return chosenProfile_; }
    bool showsHistory() const;
    bool historyEnabled() const { return !running_; }
    bool historyOpen() const { return showHistory_; }
    void setHistoryOpen(bool open);
    void restoreFromHistory(const EditVersion& version);

    // --- content ---
    bool showOriginal() const { return showOriginal_; }
    void setShowOriginal(bool original);
    QString brightnessText() const;
    QString warmthText() const;
    // The steps, the adjustments panel and the back control rest while an apply runs: a change then
    // would not reach Lightroom, and leaving would put back settings the delivery is writing.
    bool editingEnabled() const { return !running_; }
    void stepBrightness(double delta);
    void stepWarmth(double delta);
    // The adjustments panel is made afresh (and reads the project again) whenever this changes.
    std::uint64_t panelGeneration() const { return reload_; }
    // The project's profile preset, for the adjustments panel; none without the profile.
    std::optional<std::filesystem::path> presetFile() const;
    bool optionsDisabled() const { return running_; }
    void syncProfileTuning();

    // --- leaving ---
    void leave();   // "Proiect"
    void cancel();  // "Anulează"
    void finish();  // "Gata"
    void restoreOpening();
    const EditVersion& opening() const { return opening_; }

    // --- bottom bar and apply ---
    Bar bar() const;
    bool running() const { return running_; }
    const std::optional<QString>& result() const { return result_; }
    bool lightroomApplied() const { return lightroomApplied_; }
    bool showsReadHint() const { return result_ && !lightroomApplied_; }
    // The job's status line, else the stage, else "Se pregătește reeditarea…".
    QString statusText() const;
    // None: an indeterminate bar.
    std::optional<double> progress() const { return job_->extraProgress(); }
    QString applyTitle() const;  // "Aplică la toate (%lld)" / "Reeditează toate (%lld)"
    bool applyEnabled() const;
    bool cancelEnabled() const { return !running_; }
    void startApply();

signals:
    // Anything shown may have changed.
    void changed();
    void panelReload();
    void historyOpenChanged();

private:
    void apply();
    void afterAnalysis();
    void delivered(std::optional<model::LightroomExportResult> result);
    void endApply(bool leavePage);
    void goToProject();
    void renewPanel();
    bool jobAllowsProfileSwitch() const;
    const Profile* profileNamed(const Uuid& id) const;

    model::AppModel& app_;
    model::Router& router_;
    std::shared_ptr<Job> job_;
    ReeditServices services_;
    JobAdapter adapter_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

    bool running_ = false;
    std::optional<QString> result_;
    QString stage_;
    bool lightroomApplied_ = false;
    bool showHistory_ = false;
    bool showOriginal_ = false;
    EditVersion opening_;
    double baseBrightness_ = 0;
    double baseWarmth_ = 0;
    double baseFixedE_ = 0;
    double baseFixedT_ = 0;
    std::uint64_t reload_ = 0;
    std::optional<Uuid> chosenProfile_;
    bool left_ = false;  // a leaving operation or the apply itself took the page away
};

}  // namespace orvane::projects

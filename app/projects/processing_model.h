#pragma once
// The processing screen of one project, without widgets: what the status pill, the action row, the
// ring, the details rows, the cards and the finished result show for the job's state, and the actions
// behind them (start, pause, cancel, leave the queue, resume, retry, re-edit, save again, export, learn).
// Main thread only; background results come back through the main executor and are dropped when the
// screen has gone (the export flow itself still ends cleanly: the job's status line is always cleared).
#include <QObject>
#include <QString>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/kit/palette.h"
#include "app/model/app_model.h"
#include "app/model/router.h"
#include "app/projects/job_adapter.h"
#include "core/pipeline/job.h"

namespace orvane::projects {

// What the pill and the action row depend on.
struct JobFacts {
    Job::State state = Job::State::idle;
    bool queued = false;
    bool extra = false;  // a status line of extra work shows
    int done = 0;
    int failed = 0;
    int pending = 0;
    int total = 0;
    int processed() const { return done + failed; }
    bool busy() const { return Job::isRunInProgress(state); }
};
JobFacts jobFacts(const Job& job, const model::AppModel& model);

struct PillSpec {
    QString text;
    QString symbol;
    kit::StatusKind kind = kit::StatusKind::neutral;
    bool operator==(const PillSpec&) const = default;
};
// The first rule that applies: extra status, queued, idle (interrupted or ready), running,
// pausing/cancelling, paused, cancelled. `extraText` is the status line when one shows.
PillSpec statusPill(const JobFacts& facts, const QString& extraText = {});

struct ActionRow {
    enum class Main { dequeue, pauseCancel, spinner, resumeCancel, resume, start, none };
    Main main = Main::none;
    bool mainEnabled = true;    // "Reia" or "Pornește editarea"
    bool reedit = false;        // "Reeditează" shows
    bool reeditEnabled = true;
    bool retryFailed = false;   // "Reîncearcă erorile" shows
    bool operator==(const ActionRow&) const = default;
};
ActionRow actionRow(const JobFacts& facts);

// processed ÷ total, the divisor 1 for fewer than 2 photos.
double ringFraction(const JobFacts& facts);

// The start and end of the interval row: "—" for a missing date; `english` picks en_US, else ro_RO.
QString intervalText(const std::optional<Date>& start, const std::optional<Date>& end, bool english);

// The learned-exports offer: 0 below 5 exported, while the count moved since the last refresh, or
// when no more than 4 are new beyond max(learned, dismissed).
int newExportCount(std::size_t exported, std::size_t lastSeen, std::int64_t learned, std::size_t dismissed);

// What the screen asks of the world; standard() holds the real ones.
struct ProcessingServices {
    using Work = std::function<void()>;
    // Runs work off the interface thread.
    std::function<void(Work)> background;
    // ExportWatch::exportedPaths; called in the background.
    std::function<std::optional<std::set<std::string>>(const std::filesystem::path& catalog,
                                                       const std::set<std::string>& among)>
        exportedPaths;
    // Opens an existing folder in the file manager.
    std::function<void(const std::filesystem::path& folder)> openFolder;
    static ProcessingServices standard();
};

class ProcessingModel final : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::seconds exportRefreshInterval{30};
    static constexpr std::chrono::seconds estimateTick{1};
    static constexpr int bigCorrectionsLimit = 12;
    static constexpr double bigCorrectionThreshold = 1.0;

    ProcessingModel(model::AppModel& app, model::Router& router, std::shared_ptr<Job> job,
                    ProcessingServices services = ProcessingServices::standard(), QObject* parent = nullptr);
    ~ProcessingModel() override;

    model::AppModel& app() const { return app_; }
    model::Router& router() const { return router_; }
    const std::shared_ptr<Job>& job() const { return job_; }
    const Project& project() const { return job_->project(); }
    JobAdapter& adapter() { return adapter_; }

    // --- what shows ---
    JobFacts facts() const;
    bool isFinished() const { return job_->state() == Job::State::finished; }
    PillSpec pill() const;
    ActionRow actions() const;
    double fraction() const { return ringFraction(facts()); }
    QString ringCaption() const;  // "%lld fotografii"
    bool showsPriorityToggle() const;
    // "…" while running without an estimate, the duration while running, "—" otherwise.
    QString estimateText() const;
    QString folder() const;
    struct ProfileChoice {
        Uuid id;
        QString name;
        bool current = false;
    };
    // The profile's name ("lipsă" when gone); the menu's choices only while it is a menu.
    QString profileName() const;
    bool profileIsMenu() const;
    std::vector<ProfileChoice> profileChoices() const;
    std::optional<QString> saveError() const;
    struct FailedRow {
        QString name;
        QString error;
        bool operator==(const FailedRow&) const = default;
    };
    std::vector<FailedRow> failedRows() const;
    // The errors card's own retry button (while not busy).
    bool errorsCardRetry() const { return !facts().busy(); }

    // --- the finished result ---
    bool hasFailures() const { return project().failed() > 0; }
    QString elapsedText() const;   // the run time, or "Terminat"
    QString resultSubtitle() const;  // "%lld fotografii editate · fără erori" / "· %lld erori"
    QString intervalValue() const;
    int bigCount() const;  // done photos with |exposure| ≥ 1
    QString bigHint() const;
    bool exportEnabled() const;
    bool reeditFromResultEnabled() const { return !job_->extraStatus(); }
    bool learnEnabled() const;
    std::optional<QString> extraStatus() const;
    std::optional<double> extraProgress() const { return job_->extraProgress(); }
    const std::optional<QString>& exportMessage() const { return exportMessage_; }

    // --- the learned-exports banner ---
    int newExportCount() const;
    QString bannerText() const;
    bool bannerLearnEnabled() const { return !app_.profileBuild(); }
    const std::set<std::string>& exported() const { return exported_; }

    // --- sheets ---
    enum class Sheet { start, big, learn, autoLearn };
    bool showing(Sheet sheet) const { return sheets_[int(sheet)]; }
    void setShowing(Sheet sheet, bool on);

    // --- actions ---
    // On appearance: the pending-export check, then the automatic start.
    void appeared();
    void startEditing();
    void pause() { job_->pause(); }
    void cancel() { job_->cancel(); }
    void dequeue() { app_.dequeue(*job_); }
    void resume() { app_.startJob(job_); }
    void retryFailed() { job_->retryFailed(); }
    void reedit() { router_.setRoute(model::Route::reedit(project().id)); }
    void chooseProfile(const Uuid& profile) { app_.setProfile(profile, job_); }
    void newProfile() { router_.setShowNewProfile(true); }
    // "Reîncearcă salvarea": a second failure goes to the application's error.
    void retrySave();
    // The folder in the file manager, or the alert "Folderul nu e disponibil".
    void openFolder();
    // The export flow: prepare, export, summary; the status line is always cleared at its end.
    void startExport();
    void checkPendingExport();
    // One read of the catalog's export history (finished catalog projects only).
    void refreshExports();
    void dismissBanner() { dismissed_ = exported_.size(), emit bannerChanged(); }
    // The learn-from-exports sheet's completion.
    void learnedFromExports(int count) { job_->setLearnedExports(count); }

signals:
    // Anything shown may have changed (coalesced per turn of the event loop).
    void changed();
    void estimateChanged();
    void exportMessageChanged();
    void bannerChanged();
    void sheetsChanged();

private:
    void stateChanged();
    void scheduleRefreshLoop();
    void refreshPass(std::uint64_t loop);
    void scheduleEstimateTick();
    const Profile* currentProfile() const;

    model::AppModel& app_;
    model::Router& router_;
    std::shared_ptr<Job> job_;
    ProcessingServices services_;
    JobAdapter adapter_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::optional<QString> exportMessage_;
    std::set<std::string> exported_;
    std::size_t lastSeen_ = 0;
    std::size_t dismissed_ = 0;
    bool sheets_[4] = {false, false, false, false};
    std::uint64_t refreshLoop_ = 0;  // a loop step finding a newer number stops
    Job::State lastState_;
};

}  // namespace orvane::projects

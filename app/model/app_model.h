#pragma once
// The application's shared state: snapshots of the imported catalogs, the profiles and the projects as
// last read from the data directory, one processing job per project, the queue of jobs waiting to
// run, the profile build under way, the application-wide error, the predictor cache and the
// keep-awake token. Every member lives on the main thread; background work reports back through a
// posted task that checks the model still exists.
#include <QObject>
#include <QString>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/model/lightroom_export.h"
#include "app/model/profile_build_status.h"
#include "app/platform/lightroom_host.h"
#include "app/platform/keep_awake.h"
#include "app/platform/machine_info.h"
#include "app/platform/notifications.h"
#include "core/base/defaults.h"
#include "core/base/executor.h"
#include "core/base/uuid.h"
#include "core/catalog/catalog_finder.h"
#include "core/catalog/catalog_records.h"
#include "core/catalog/catalog_writer.h"
#include "core/pipeline/job.h"
#include "core/pipeline/predictor_cache.h"
#include "core/store/project.h"
#include "core/style/profile.h"

namespace orvane::model {

using CatalogList = std::vector<TrainingCatalog>;
using ProfileList = std::vector<Profile>;
using ProjectList = std::vector<Project>;
using UuidList = std::vector<Uuid>;
using OptionalBuild = std::optional<ProfileBuildStatus>;
using OptionalProfile = std::optional<Profile>;

// "keepAwake": true when absent or not a boolean.
bool keepAwakeEnabled(const Defaults& defaults);

// Holder of the keep-awake token; only the keep-awake check sets or clears it.
struct PowerGuard {
    std::unique_ptr<platform::KeepAwake::Token> activity;
};

class AppModel final : public QObject {
    Q_OBJECT
    Q_PROPERTY(orvane::model::CatalogList catalogs READ catalogs NOTIFY catalogsChanged)
    Q_PROPERTY(orvane::model::OptionalBuild profileBuild READ profileBuild NOTIFY profileBuildChanged)
    Q_PROPERTY(orvane::model::OptionalProfile profileReady READ profileReady NOTIFY profileReadyChanged)
    Q_PROPERTY(orvane::model::UuidList queued READ queued NOTIFY queuedChanged)
    Q_PROPERTY(orvane::model::ProfileList profiles READ profiles NOTIFY profilesChanged)
    Q_PROPERTY(orvane::model::ProjectList projects READ projects NOTIFY projectsChanged)
    Q_PROPERTY(QString error READ errorText NOTIFY errorChanged)
    Q_PROPERTY(bool hasActiveJob READ hasActiveJob NOTIFY activeJobsChanged)
    Q_PROPERTY(bool keepingAwake READ isKeepingAwake NOTIFY keepingAwakeChanged)

public:
    using JobTable = std::map<Uuid, std::shared_ptr<Job>>;
    static constexpr std::chrono::seconds keepAwakeInterval{5};
    static constexpr const char* keepAwakeReason = "Vendrel procesează fotografii";

    // Reads the data directory once and starts the repeating 5-second keep-awake check on `main`.
    AppModel(std::shared_ptr<MainExecutor> main, std::shared_ptr<Defaults> defaults,
             std::unique_ptr<platform::KeepAwake> keepAwake, QObject* parent = nullptr);
    ~AppModel() override;

    // The live model, for the few places that cannot be handed it (the quit path, the updater).
    static AppModel* current();

    const CatalogList& catalogs() const { return catalogs_; }
    const OptionalBuild& profileBuild() const { return profileBuild_; }
    const OptionalProfile& profileReady() const { return profileReady_; }
    const UuidList& queued() const { return queued_; }
    const ProfileList& profiles() const { return profiles_; }
    const ProjectList& projects() const { return projects_; }
    // A listed project as it stands now: its job's copy when it has a job, else the entry itself. The
    // list is reread only after some changes (a run's end and an export are not among them), while the
    // job, the project's one writer, is always up to date. The reference lives as long as the entry or job.
    const Project& current(const Project& listed) const;
    // Every listed project as it stands now, in the list's order.
    std::vector<const Project*> currentProjects() const;
    const std::optional<std::string>& error() const { return error_; }
    QString errorText() const { return error_ ? QString::fromStdString(*error_) : QString(); }
    const JobTable& jobs() const { return jobs_; }
    PredictorCache& predictors() { return *predictors_; }
    MainExecutor& mainExecutor() const { return *main_; }
    const std::shared_ptr<MainExecutor>& sharedMainExecutor() const { return main_; }
    Defaults& defaults() const { return *defaults_; }
    const std::shared_ptr<Defaults>& sharedDefaults() const { return defaults_; }

    // Rereads the catalogs (sorted by name in scalar order, stable), the profiles and the projects.
    // Nothing else changes: jobs, the queue, the build and the error keep their values.
    void reload();

    // A job runs, pauses or cancels right now.
    bool hasActiveJob() const;
    // The jobs shown as activity: in a run or paused, showing a second pass, or queued; by project name.
    std::vector<std::shared_ptr<Job>> activeJobs() const;
    bool isKeepingAwake() const { return power_.activity != nullptr; }

    // Set by any part of the application to report a failure; the root view shows it and clears it.
    void setError(std::optional<std::string> message);
    // Seam of the learning operations: the build under way and the profile whose first build succeeded.
    void setProfileBuild(OptionalBuild build);
    void setProfileReady(OptionalProfile profile);
    // The one place a job enters the table (makeJob uses it; tests hand in jobs of their own): wires
    // its callbacks and observes it. The queue is replaced whole only by tests.
    void registerJob(std::shared_ptr<Job> job);
    void setQueued(UuidList queued);

    // Deleting a project or changing its profile must wait while its job is in a run or a second pass
    // (its analysis pass, shown by its status line) still writes the project.
    static bool refusesProjectChange(const Job& job);

    // --- Jobs: making and starting them, the queue, profile changes, renaming and deleting ---
    // What a photo fails with when its project's profile has no model that can be opened.
    class NoProfileModelError : public std::runtime_error {
    public:
        static constexpr int code = 260;  // file read: no such file
        static constexpr const char* message = "Profilul proiectului nu are model construit.";
        NoProfileModelError() : std::runtime_error(message) {}
    };
    // Runs the second analysis pass a finished job's project still needs, then calls `done`.
    using PrepareAnalysis = std::function<void(Job& job, Job::Done done)>;

    // The project's job, made on first use with the project's current profile and registered.
    std::shared_ptr<Job> makeJob(const Project& project);
    // Applies the worker policy, then starts the job, or queues it (once) while another job runs.
    // Ignored while the project's profile change or deletion waits for its job to settle.
    void startJob(const std::shared_ptr<Job>& job);
    void dequeue(const Job& job);
    // Starts the first queued job that can run, dropping the identifiers before it; nothing while a
    // job runs. Entries of projects being changed or deleted keep their place and are passed over.
    void startNextQueued();
    // A new profile for a job that has processed nothing; the job is replaced after its flush.
    void setProfile(const Uuid& profile, const std::shared_ptr<Job>& job);
    // A new profile for a processed project, which is then processed again by a new job. Both are
    // refused while the job's run or its second pass still writes the project.
    void switchProfile(const Uuid& profile, const std::shared_ptr<Job>& job);
    // The per-photo work of a job; called on the work pools with the values fixed when the job was made.
    static PhotoResult processForJob(const std::filesystem::path& file, const AnalysisRequest& analysis,
                                     const std::optional<std::filesystem::path>& modelDir, PredictorCache& predictors,
                                     const Uuid& profileID, bool preview, bool fast);
    // Smart previews inside a catalog's ".lrdata" folder are developed in preview mode.
    static bool isSmartPreview(const std::filesystem::path& file);
    // The second analysis pass alone (what an export still needs), through the same step as a finished
    // run's follow-up, so a pass already under way is waited for; then `done`, on the main thread.
    void prepareAnalysis(Job& job, Job::Done done);
    // A finished run's follow-up: the second analysis pass, then the notification; then `done`.
    void afterFinish(Job& job, Job::Done done);
    void renameProject(const Project& project, std::string_view name);
    void deleteProject(const Project& project);
    // A profile change or deletion of the project waits for its job's writes: until it has taken
    // effect the job cannot be started.
    bool isChanging(const Uuid& project) const { return changing_.count(project) > 0; }
    // Writes the configured worker count and "prioritizeEditing" into the job.
    void applyWorkerPolicy(Job& job) const;
    int automaticWorkerCount() const;
    int configuredWorkerCount() const;
    // Services of the jobs; each has a real default (the second pass: prepareAnalysisStep). They reach
    // the jobs already made as well.
    void setPrepareAnalysis(PrepareAnalysis prepare);
    void setMachineInfo(std::shared_ptr<const platform::MachineInfo> machine);
    void setNotifications(std::shared_ptr<platform::NotificationCenter> center,
                          std::shared_ptr<platform::Attention> attention);

private:
    struct FinishServices;
    static void finishJob(const std::shared_ptr<FinishServices>& services, Job& job, Job::Done done);
    std::shared_ptr<FinishServices> finishServices();
    // Sets the job's save-error, finish and stop callbacks.
    void wireJob(Job& job);
    // Once the job's profile change is written: forgets the job and its queue entries, rereads the
    // data, and with `restart` makes the project's new job and starts it.
    void replaceAfterFlush(const std::shared_ptr<Job>& job, bool restart);
    // The project's job, when the change began, or none.
    using SettledChange = std::function<void(const std::shared_ptr<Job>& job, const std::optional<SaveError>& error)>;
    // Marks the project as changing, waits until its job (the one in the table when the wait ends) has
    // written everything and is idle, and runs `change` in that same main-thread step, with the failed
    // flush's error when there was one; then the queue goes on.
    void settleProject(const Uuid& id, SettledChange change);
    void settleStep(const Uuid& id, SettledChange change);
    // Forgets the project's job and, when asked, its queue entries.
    void dropJob(const Uuid& id, bool alsoQueued);
    const platform::MachineInfo& machine() const;

    std::shared_ptr<const platform::MachineInfo> machine_;
    std::shared_ptr<FinishServices> finish_;  // shared with every job's finish callback

signals:
    void catalogsChanged();
    void profileBuildChanged();
    void profileReadyChanged();
    void queuedChanged();
    void profilesChanged();
    void projectsChanged();
    void errorChanged();
    // A job entered the table, or a job's state or status line changed.
    void activeJobsChanged();
    void keepingAwakeChanged();
    void catalogImportChanged();

private:
    void scheduleKeepAwake();
    // The 5-second check: holds one token while busy and "keepAwake" is on, else none.
    void updateKeepAwake();

    std::shared_ptr<MainExecutor> main_;
    std::shared_ptr<Defaults> defaults_;
    std::unique_ptr<platform::KeepAwake> keepAwake_;

    CatalogList catalogs_;
    OptionalBuild profileBuild_;
    OptionalProfile profileReady_;
    UuidList queued_;
    ProfileList profiles_;
    ProjectList projects_;
    std::optional<std::string> error_;
    JobTable jobs_;
    std::map<Uuid, int> changing_;  // projects whose profile change or deletion is under way, and how many
    std::map<Uuid, Job::ObserverId> jobObservers_;
    std::shared_ptr<PredictorCache> predictors_ = std::make_shared<PredictorCache>();
    PowerGuard power_;

    // ---- Learning: profiles trained from catalogs or from a finished project, catalog import and
    // instant profiles (app_model_learning.cpp).
public:
    // No Lightroom catalog holds enough of the project's photos; what() is the message shown.
    class LearnFailure : public std::runtime_error {
    public:
        enum class Case { noMatch };
        explicit LearnFailure(Case c);
        Case which;
    };
    // The application has no base model; code() is "no such file", what() the message shown.
    class MissingBaseModel : public std::runtime_error {
    public:
        MissingBaseModel();
        std::error_code code() const { return std::make_error_code(std::errc::no_such_file_or_directory); }
    };
    // What learning asks of the world; standard() holds the real finder, importer, builder and worker
    // count, tests hand in their own.
    struct LearningServices {
        std::function<std::vector<FoundCatalog>()> scan;
        std::function<TrainingCatalog(const std::filesystem::path&, const std::optional<std::set<std::string>>&)>
            importCatalog;
        std::function<Profile(const Profile&, const std::vector<TrainingCatalog>&, int,
                              const ProfileBuilder::CancelToken*, const ProfileBuilder::BuildProgress&)>
            build;
        std::function<int()> workers;
        static LearningServices standard(std::shared_ptr<const Defaults> defaults);
    };
    void setLearningServices(LearningServices services);

    // Trains the profile from the catalogs in the background; nothing while a build runs. Without
    // `announceReady` a first build does not publish profileReady (the library's own update).
    void learnFromCatalogs(const Profile& profile, const std::vector<TrainingCatalog>& catalogs,
                           bool announceReady = true);
    // Finds (or checks the picked) catalog holding the project's corrections, imports it, measures the
    // corrections and rebuilds the project's profile; nothing while a build runs or without the profile.
    // `catalog` is used as it is; `picked` must hold at least half of the project. `onDone` gets the
    // size of `only` after a successful build.
    void learnFromProject(const Project& project, const std::optional<std::filesystem::path>& catalog,
                          const std::optional<std::filesystem::path>& picked,
                          const std::optional<std::set<std::string>>& only, std::function<void(int)> onDone);
    void cancelProfileBuild();
    // Imports a catalog file into the library in the background; failures go to the error. `done`
    // runs on the main thread when the import has ended either way.
    void importCatalog(const std::filesystem::path& catalog, std::function<void()> done = {});
    // The import run of the catalog import sheet: the files one after the other, then the new catalogs
    // attached to the profile `attachTo` as it stands on disk when the imports end (a profile deleted
    // meanwhile stays deleted). New means not in the library when the run began, and for a profile
    // that does not learn from smart previews, with no RAW file missing. Failures do not stop the run;
    // at the end they make one error naming each failed catalog. `done` runs on the main thread when
    // the run has ended. Refused (false, nothing starts) while another run goes on.
    struct CatalogImportProgress {
        int done = 0;  // files whose import attempt has ended
        int total = 0;
        bool operator==(const CatalogImportProgress&) const = default;
    };
    bool importCatalogs(std::vector<std::filesystem::path> files, std::optional<Uuid> attachTo,
                        std::function<void()> done = {});
    const std::optional<CatalogImportProgress>& catalogImport() const { return catalogImport_; }
    // The preferred profile when it is built, else the first built one.
    std::optional<Uuid> usableProfileID(const std::optional<Uuid>& preferred) const;
    // A profile of kind "instant" on the application's base model; throws MissingBaseModel without it.
    Profile createInstantProfile(const std::string& name, const std::filesystem::path& preset);
    // The same without rereading the lists, so it may run off the main thread.
    static Profile makeInstantProfile(const std::string& name, const std::filesystem::path& preset);
    // "Neutru.xmp" in the data directory, written afresh; throws the file error.
    std::filesystem::path neutralPresetURL();
    // For the quit path: closes the build under way (a write of its result in progress ends first and
    // none begins later, so a build that outlives the process changes nothing on disk), starts no
    // further learning step, and calls `done` on the main thread once no background step is left
    // running (true), or when `limit` passes first (false).
    void stopLearningForQuit(std::chrono::milliseconds limit, std::function<void(bool stopped)> done);

private:
    struct LearningSteps;
    struct ProjectRun;
    const LearningServices& learning();
    template <class Work, class Done>
    void runLearningStep(bool highPriority, Work work, Done done);
    ProfileBuilder::BuildProgress progressHop(const std::shared_ptr<ProfileBuilder::CancelToken>& token);
    bool isCurrentBuild(const std::shared_ptr<ProfileBuilder::CancelToken>& token) const;
    void setBuildNote(const std::shared_ptr<ProfileBuilder::CancelToken>& token, std::optional<std::string> note);
    void endBuild(std::exception_ptr error);
    void chooseCatalog(std::shared_ptr<ProjectRun> run, std::optional<std::filesystem::path> catalog,
                       std::optional<std::filesystem::path> picked);
    void importForProject(std::shared_ptr<ProjectRun> run, std::filesystem::path chosen);
    void trainForProject(std::shared_ptr<ProjectRun> run, TrainingCatalog imported);
    struct ImportRun;
    // One file into the library; `done` gets the failure's text, or nothing after a success.
    void importOne(const std::filesystem::path& catalog, std::function<void(std::optional<std::string>)> done);
    void importNext(std::shared_ptr<ImportRun> run);
    void finishImportRun(const std::shared_ptr<ImportRun>& run);
    void setCatalogImport(std::optional<CatalogImportProgress> progress);
    std::optional<CatalogImportProgress> catalogImport_;

    std::shared_ptr<const LearningServices> learning_;
    std::shared_ptr<LearningSteps> learningSteps_;

    // ---- Delivery to Lightroom: the catalog road and the sidecar road (app_model_delivery.cpp).
public:
    using AlertPresenter =
        std::function<bool(const std::string& title, const std::string& message, const std::string& confirmTitle)>;
    using DeliveryDone = std::function<void(std::optional<LightroomExportResult>)>;
    // What a delivery asks of the world: Lightroom itself, the yes/no question (modal, main thread;
    // the shell installs its alert, and without one every question is declined) and the pauses.
    struct DeliveryServices {
        std::shared_ptr<platform::LightroomHost> host;
        AlertPresenter confirm;
        platform::Sleeper sleep;  // default: a timer on the main executor
    };
    void setDeliveryServices(DeliveryServices services);
    // The single entry of a delivery: a catalog project is written into its catalog, any other one
    // gets merged sidecars in its export folder. `done` gets nothing when the delivery stopped (a
    // declined question, or a failure whose text is in error()). A second delivery of the same job
    // while one runs ends at once with nothing.
    void exportToLightroom(const std::shared_ptr<Job>& job, bool confirmMerge, DeliveryDone done);
    // The catalog road: Lightroom closed with consent, the lock awaited, the write on a worker thread
    // with its progress in the job's status line, the project marked exported, Lightroom reopened.
    void writeProjectToCatalog(const std::shared_ptr<Job>& job, const std::filesystem::path& catalog,
                               DeliveryDone done);
    // Starts Lightroom through the delivery's host, on `catalog` when one is given (the guide's
    // Lightroom step gives none). Never reports a failure.
    void openLightroom(const std::optional<std::filesystem::path>& catalog);
    static constexpr int lockPasses = 20;
    static constexpr std::chrono::milliseconds lockPause{500};

private:
    struct CatalogRun;
    const DeliveryServices& delivery();
    // The project's profile, or nothing with its text published.
    const Profile* deliveryProfile(const Job& job);
    void catalogAfterQuit(std::shared_ptr<CatalogRun> run);
    void catalogLockPass(std::shared_ptr<CatalogRun> run, int pass);
    void catalogWrite(std::shared_ptr<CatalogRun> run);
    void catalogFailed(std::shared_ptr<CatalogRun> run, std::exception_ptr error);
    void catalogFinish(const std::shared_ptr<CatalogRun>& run, const CatalogWriter::Outcome& outcome);
    void endDelivery(const std::shared_ptr<Job>& job, const DeliveryDone& done,
                     std::optional<LightroomExportResult> result);
    std::optional<DeliveryServices> delivery_;
};

}  // namespace orvane::model

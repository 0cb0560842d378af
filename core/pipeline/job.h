#pragma once
// The processing job of one project: takes every pending photo through a per-photo function on the
// work pools, at most `workers` at a time, applies each result on the main thread, and keeps the
// project file up to date through a debounced writer that never leaves a partial file.
//
// Confinement: every member is read and written on the main thread only (the executor given at
// construction), so the class takes no locks. Only the per-photo function and the encoding and
// writing of a save run elsewhere, on copies; their outcomes come back as posted tasks.
// The job is held by shared_ptr: work in flight keeps it alive until its outcome has been applied.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/executor.h"
#include "core/base/iso_date.h"
#include "core/base/work_pool.h"
#include "core/pipeline/photo_result.h"
#include "core/store/options_target.h"
#include "core/store/project.h"

namespace orvane {

// What flush() reports when the project could not be written: the message of the failed save.
class SaveError : public std::runtime_error {
public:
    static constexpr std::string_view domain = "OrvaneStudio.Save";
    static constexpr int code = 1;
    explicit SaveError(const std::string& message) : std::runtime_error(message) {}
};

class Job final : public std::enable_shared_from_this<Job>, public OptionsTarget {
    struct Passkey {};

public:
    enum class State { idle, running, pausing, paused, cancelling, cancelled, finished };
    // The observable properties; observers are told after the value changed.
    enum class Property { state, project, extraStatus, extraProgress, secondsPerPhoto, saveError };

    // The per-photo work: called on a work-pool thread, several calls at once, with values only.
    using Process = std::function<PhotoResult(const std::filesystem::path& file, const AnalysisRequest& analysis)>;
    using FileProcess = std::function<PhotoResult(const std::filesystem::path& file)>;
    // Writes one encoded snapshot of the project; called off the main thread, must be thread-safe.
    using SnapshotWriter = std::function<void(std::string_view bytes, const std::filesystem::path& file)>;
    using Done = std::function<void()>;
    // Told on the main thread how a flush ended: no error, or the save error.
    using FlushDone = std::function<void(const std::optional<SaveError>& error)>;
    // Asynchronous: calls `done` (on the main thread) when it has finished.
    using AfterFinish = std::function<void(Job& job, Done done)>;
    using Stopped = std::function<void(Job& job)>;
    using SaveErrorHandler = std::function<void(const std::string& message)>;
    using Observer = std::function<void(Property changed)>;
    using ObserverId = std::uint64_t;

    static constexpr std::chrono::milliseconds saveDebounce{150};

    static std::shared_ptr<Job> make(std::shared_ptr<MainExecutor> main, Project project, int workers, bool persist,
                                     Process process);
    // For a per-photo function that needs only the file: the analysis request is not passed on.
    static std::shared_ptr<Job> make(std::shared_ptr<MainExecutor> main, Project project, int workers, bool persist,
                                     FileProcess process);
    Job(Passkey, std::shared_ptr<MainExecutor> main, Project project, int workers, bool persist, Process process);
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    // --- observable state (read-only outside the job) ---
    State state() const { return state_; }
    const Project& project() const { return project_; }
    const std::optional<std::string>& extraStatus() const { return extraStatus_; }
    const std::optional<double>& extraProgress() const { return extraProgress_; }
    const std::optional<double>& secondsPerPhoto() const { return secondsPerPhoto_; }
    const std::optional<std::string>& saveError() const { return saveError_; }
    ObserverId observe(Observer observer);
    void unobserve(ObserverId id);

    // --- settings of the owner ---
    int workers() const { return workers_; }
    void setWorkers(int workers) { workers_ = workers; }  // read again at every launch decision
    bool highPriority() const { return highPriority_; }
    void setHighPriority(bool high) { highPriority_ = high; }  // read at every launch
    bool persist() const { return persist_; }
    void setAfterFinish(AfterFinish f) { afterFinish_ = std::move(f); }
    void setOnStopped(Stopped f) { onStopped_ = std::move(f); }
    void setOnSaveError(SaveErrorHandler f) { onSaveError_ = std::move(f); }
    // Every write of the job goes through this function; Store::write by default.
    void setWriteSnapshot(SnapshotWriter w) { writeSnapshot_ = std::move(w); }

    // --- the run ---
    // Starts a run in idle, paused or cancelled when a photo is pending; the run goes on in posted tasks.
    void start();
    // running -> pausing: no new photo is launched; photos in flight finish and are applied.
    void pause();
    // running or pausing -> cancelling (as pause, but ends cancelled); paused -> cancelled.
    void cancel();
    // Failed photos become pending again, the project is saved and the job is idle. Refused while a run
    // is in progress (running, pausing, cancelling): the earlier run is still applying photos, and a new
    // start beside it would make two runs write one project. Refused as well while an analysis pass runs.
    void retryFailed();

    // The analyses the project's options ask of the per-photo function.
    AnalysisRequest activeAnalysis() const;
    // secondsPerPhoto x pending photos, once a photo of a run has been applied.
    std::optional<double> remainingSeconds() const;
    // Processing time over all runs, with the current run counted up to `at`; absent when there was
    // never a run and none is in progress.
    std::optional<double> totalElapsed(Date at) const;
    Date runStart() const { return runStart_; }
    int runFinished() const { return runFinished_; }

    // --- saving ---
    // Asks for the project to be written: 150 ms later, off the main thread, coalescing the requests
    // that arrive meanwhile. A failed write sets saveError, tells onSaveError and pauses a running job.
    void save();
    // Calls `done` once everything asked for so far is written, retrying a failed write once at once;
    // with the save error when the project is still not written.
    void flush(FlushDone done);
    // Pauses a running job, waits for the latest run to end (photos in flight applied, its callbacks
    // called), then flushes.
    void pauseAndFlush(FlushDone done);
    std::int64_t saveRevision() const { return saveRevision_; }
    std::int64_t savedRevision() const { return savedRevision_; }
    bool isSaving() const { return saveTask_ != nullptr; }
    // "project.json" in the project's folder under the data directory.
    std::filesystem::path projectFile() const;

    // --- the analysis pass ---
    // What a pass found: photos with a straighten result, the other selected photos, photos with a
    // group's feet line.
    struct AnalysisCounts {
        int straightened = 0;
        int skipped = 0;
        int groups = 0;
        bool operator==(const AnalysisCounts&) const = default;
    };
    // Called on a work-pool thread, several at once; nothing for a photo that could not be analysed.
    using Analyze = std::function<std::optional<PhotoAnalysis>(const std::filesystem::path& file)>;
    // On the main thread: photos handled so far, photos selected.
    using AnalysisProgress = std::function<void(int handled, int selected)>;
    using AnalysisDone = std::function<void(const AnalysisCounts& counts)>;

    // Runs the requested analyses again over the done photos, at most `workers` (at least 1) at once on
    // the high-priority pool, writes the requested fields and the project's analysis stamps, asks for a
    // save and then calls `done`. Neither starts nor waits for a run; cannot be paused or cancelled.
    void runAnalysis(const AnalysisRequest& request, int workers, Analyze analyze, AnalysisProgress progress,
                     AnalysisDone done);
    // An analysis pass has not ended yet.
    bool isAnalysing() const { return analysesInFlight_ > 0; }
    // The status line of another pass; the progress is kept only with a text. Not saved.
    void setExtraStatus(std::optional<std::string> text, std::optional<double> progress = std::nullopt);

    // --- editing the project (job_editing.cpp) ---
    // Each changes the project on the main thread and asks for a save, unless its comment says
    // otherwise. Settings at their neutral value are stored as absent, so that an untouched project and
    // one set back to neutral encode and compare alike in the version history. None starts or stops a run.
    void setUntouched(std::vector<std::string> keys);                // sorted; absent when empty
    void setPresetOverrides(std::map<std::string, std::int64_t> overrides);  // absent when empty
    // 0 keeps an absent amount absent; any other value, and 0 over a present value, is stored.
    void setTeethAmount(std::int64_t amount) override;
    void setSubjectMaskAmount(std::int64_t amount) override;
    void setSkinAmount(std::int64_t amount) override;
    void setFaceLevelAmount(std::int64_t amount) override;
    void setLearnedExports(std::int64_t count);
    void setSkinParams(const SkinParams& params) override;  // absent at the defaults 10, 10, 10
    void setProfileCorrection(bool on) override;
    // true is stored; false keeps an absent value absent and turns a present one to false.
    void setNoiseReduction(bool on) override;
    void setSmartReframe(bool on) override;
    void setCrop(const CropSettings& crop) override;  // absent for mode none
    void setStraightenRequested(bool on) override;
    void setBasic(const BasicAdjustments& basic);  // absent when both offsets are 0
    void setGlobalExposure(double ev);             // rounded to 0.01, always present
    // Temperature rounded to 10 K, exposure to 0.01; an absent argument clears the field.
    void setFixed(std::optional<double> temperature, std::optional<double> exposure);
    void setExportFolder(const std::filesystem::path& folder);
    // Absent when zero; saves only when the stored value changes.
    void setProfileTuning(const ProfileTuning& tuning);
    // Trimmed of white space and line breaks; an empty result is ignored (no save).
    void rename(const std::string& name);
    // Forgets when the analyses ran and the photos' subject regions, so the next pass runs them again.
    void resetAnalyses();
    // For a project that has produced nothing yet: ignored once a photo is done.
    void setProfile(const Uuid& profile);
    // For a processed project: done photos become pending again and the job idle. Refused while a run
    // or an analysis pass is in progress: its results would land under the new profile.
    void switchProfile(const Uuid& profile);
    // While the project is delivered to Lightroom the settings edits above (and restoring a version,
    // changing the profile or resetting the analyses) are ignored; the owner sets and clears it.
    void setDelivering(bool on) { delivering_ = on; }
    bool isDelivering() const { return delivering_; }
    // After a successful export: dates it, remembers that a crop was written, records a version.
    void markExported();
    // Appends the current settings to the history unless the last version has the same ones; keeps at
    // most 20 versions by dropping the oldest unnamed ones. Does not save.
    void recordVersion();
    // Copies the version's sixteen settings into the project (absent values clear the field).
    void restoreVersion(const EditVersion& version);
    // Trimmed; an empty result removes the name. Ignored (no save) for an unknown identifier.
    void renameVersion(const Uuid& id, const std::string& name);

    static constexpr std::size_t historyCap = 20;

    static bool isRunInProgress(State s) { return s == State::running || s == State::pausing || s == State::cancelling; }
    static bool allowsStart(State s) { return s == State::idle || s == State::paused || s == State::cancelled; }

private:
    // A run, or a save loop, that others may wait for.
    struct Waitable {
        bool ended = false;
        std::vector<Done> waiters;
    };
    using PhotoOutcome = Outcome<PhotoResult>;
    struct AnalysisPass;

    void setState(State s);
    void changed(Property p);
    // The project was edited: observers are told and a save is asked for.
    void edited();
    Date now() const { return main_->now(); }

    void run(const std::shared_ptr<Waitable>& task);
    bool canLaunch() const;
    void launch();
    void fillSlots();
    void photoReturned(std::uint64_t generation, std::size_t index, PhotoOutcome outcome);
    void apply(std::size_t index, PhotoOutcome& outcome);
    void endRun(const std::shared_ptr<Waitable>& task);
    // Dates the requested analyses of the project (and the straighten algorithm's version).
    void stampAnalyses(const AnalysisRequest& r, Date at);
    void runEnded(const std::shared_ptr<Waitable>& task);

    void scheduleSave(bool debounce);
    void savePass(const std::shared_ptr<Waitable>& loop);
    void snapshotWritten(const std::shared_ptr<Waitable>& loop, std::int64_t target, Outcome<bool>& outcome);
    void endSaveLoop(const std::shared_ptr<Waitable>& loop);
    void flushRetry(FlushDone done);
    void flushFinish(const FlushDone& done);
    static void finish(const std::shared_ptr<Waitable>& w);

    void analysisLaunch(const std::shared_ptr<AnalysisPass>& pass);
    void analysisReturned(const std::shared_ptr<AnalysisPass>& pass, std::size_t position,
                          std::optional<PhotoAnalysis> analysis);
    void analysisEnd(const std::shared_ptr<AnalysisPass>& pass);

    const std::shared_ptr<MainExecutor> main_;
    State state_;
    Project project_;
    std::optional<std::string> extraStatus_;
    std::optional<double> extraProgress_;
    AfterFinish afterFinish_;
    Stopped onStopped_;
    std::optional<double> secondsPerPhoto_;
    std::optional<std::string> saveError_;
    SaveErrorHandler onSaveError_;
    std::int64_t saveRevision_ = 0;
    std::int64_t savedRevision_ = 0;
    std::shared_ptr<Waitable> saveTask_;
    SnapshotWriter writeSnapshot_;
    const Process process_;
    int workers_;
    bool highPriority_ = false;
    const bool persist_;
    bool delivering_ = false;
    std::shared_ptr<Waitable> task_;
    Date runStart_;
    int runFinished_ = 0;
    AnalysisRequest runAnalysis_{};

    // Scheduling of the run in progress.
    std::vector<std::size_t> runList_;
    std::size_t runPosition_ = 0;
    int inFlight_ = 0;
    bool runFresh_ = false;
    std::uint64_t runGeneration_ = 0;
    std::shared_ptr<Waitable> runTask_;

    int analysesInFlight_ = 0;

    std::map<ObserverId, Observer> observers_;
    ObserverId nextObserver_ = 1;
};

std::string_view toText(Job::State s);

// Hands a profile's tuning to one of its projects.
void applyTuning(const ProfileTuning& tuning, Job& job);

}  // namespace orvane

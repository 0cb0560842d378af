#include "core/pipeline/job.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "core/base/error_text.h"
#include "core/store/store.h"
#include "core/vision/straighten.h"
#include "core/vision/subject_detector.h"

namespace orvane {

namespace fs = std::filesystem;

namespace {

double secondsBetween(Date from, Date to) { return std::chrono::duration<double>(to - from).count(); }

}  // namespace

std::string_view toText(Job::State s) {
    switch (s) {
        case Job::State::idle: return "idle";
        case Job::State::running: return "running";
        case Job::State::pausing: return "pausing";
        case Job::State::paused: return "paused";
        case Job::State::cancelling: return "cancelling";
        case Job::State::cancelled: return "cancelled";
        case Job::State::finished: return "finished";
    }
    return "idle";
}

std::shared_ptr<Job> Job::make(std::shared_ptr<MainExecutor> main, Project project, int workers, bool persist,
                               Process process) {
    return std::make_shared<Job>(Passkey{}, std::move(main), std::move(project), workers, persist, std::move(process));
}

std::shared_ptr<Job> Job::make(std::shared_ptr<MainExecutor> main, Project project, int workers, bool persist,
                               FileProcess process) {
    Process wrapped = [process = std::move(process)](const fs::path& file, const AnalysisRequest&) {
        return process(file);
    };
    return make(std::move(main), std::move(project), workers, persist, std::move(wrapped));
}

Job::Job(Passkey, std::shared_ptr<MainExecutor> main, Project project, int workers, bool persist, Process process)
    : main_(std::move(main)),
      state_(!project.photos.empty() && project.pending() == 0 ? State::finished : State::idle),
      project_(std::move(project)),
      writeSnapshot_([](std::string_view bytes, const fs::path& file) { Store::write(bytes, file); }),
      process_(std::move(process)),
      workers_(workers),
      persist_(persist),
      runStart_(main_->now()) {}

// ---------------------------------------------------------------------------------------------------
// Observation

Job::ObserverId Job::observe(Observer observer) {
    auto id = nextObserver_++;
    observers_.emplace(id, std::move(observer));
    return id;
}

void Job::unobserve(ObserverId id) { observers_.erase(id); }

void Job::changed(Property p) {
    // A copy: an observer may add or remove observers, or act on the job, while being told.
    auto observers = observers_;
    for (auto& [id, observer] : observers) {
        if (observers_.count(id)) observer(p);
    }
}

void Job::setState(State s) {
    if (state_ == s) return;
    state_ = s;
    changed(Property::state);
}

// ---------------------------------------------------------------------------------------------------
// Derived values

AnalysisRequest Job::activeAnalysis() const {
    const Project& p = project_;
    const bool straighten = p.straightenRequested.value_or(false);
    AnalysisRequest r{};
    r.straighten = straighten;
    r.feet = p.crop && p.crop->mode == CropSettings::Mode::bottom;
    r.teeth = p.teethAmount.value_or(0) >= 1;
    r.layout = p.smartReframe.value_or(false) || straighten || (p.crop && p.crop->mode != CropSettings::Mode::none);
    r.skin = p.skinAmount.value_or(0) >= 1 || p.faceLevelAmount.value_or(0) >= 1;
    r.subject = p.subjectMaskAmount.value_or(0) >= 1;
    return r;
}

std::optional<double> Job::remainingSeconds() const {
    if (!secondsPerPhoto_) return std::nullopt;
    return *secondsPerPhoto_ * static_cast<double>(project_.pending());
}

std::optional<double> Job::totalElapsed(Date at) const {
    const bool inProgress = isRunInProgress(state_);
    if (!inProgress && !project_.elapsed) return std::nullopt;
    double total = project_.elapsed.value_or(0);
    if (inProgress) total += std::max(0.0, secondsBetween(runStart_, at));
    return total;
}

fs::path Job::projectFile() const { return project_.dir() / "project.json"; }

// ---------------------------------------------------------------------------------------------------
// Controls

void Job::start() {
    if (!allowsStart(state_)) return;
    if (project_.pending() < 1) return;
    setState(State::running);
    auto task = std::make_shared<Waitable>();
    task_ = task;  // an earlier run has ended by now: only the latest is waited for
    main_->post([self = shared_from_this(), task] { self->run(task); });
}

void Job::pause() {
    if (state_ == State::running) setState(State::pausing);
}

void Job::cancel() {
    if (state_ == State::running || state_ == State::pausing) {
        setState(State::cancelling);
    } else if (state_ == State::paused) {
        setState(State::cancelled);
    }
}

void Job::retryFailed() {
    if (isRunInProgress(state_) || isAnalysing()) return;
    bool any = false;
    for (auto& photo : project_.photos) {
        if (photo.status != PhotoItem::Status::failed) continue;
        photo.status = PhotoItem::Status::pending;
        photo.error.reset();
        any = true;
    }
    if (any) changed(Property::project);
    save();
    setState(State::idle);
}

// ---------------------------------------------------------------------------------------------------
// The run

void Job::run(const std::shared_ptr<Waitable>& task) {
    runList_.clear();
    for (std::size_t i = 0; i < project_.photos.size(); ++i) {
        if (project_.photos[i].status == PhotoItem::Status::pending) runList_.push_back(i);
    }
    runStart_ = now();
    runFinished_ = 0;
    runAnalysis_ = activeAnalysis();
    runFresh_ = project_.done() == 0;
    if (!project_.startedAt) project_.startedAt = runStart_;
    project_.finishedAt.reset();
    changed(Property::project);

    ++runGeneration_;
    runTask_ = task;
    runPosition_ = 0;
    inFlight_ = 0;
    // The first photo goes whatever the worker count; the rest fill the free slots.
    if (canLaunch()) launch();
    fillSlots();
    if (inFlight_ == 0) endRun(task);
}

bool Job::canLaunch() const { return state_ == State::running && runPosition_ < runList_.size(); }

void Job::fillSlots() {
    while (inFlight_ < workers_ && canLaunch()) launch();
}

void Job::launch() {
    const std::size_t index = runList_[runPosition_++];
    const fs::path file = sourceURL(project_.photos[index]);
    const bool high = highPriority_;
    ++inFlight_;
    // The work closure holds values only; the job itself travels in the main-thread half, so its
    // last reference is never dropped on a worker thread.
    offload(
        main_, WorkPool::of(high),
        [process = process_, file, analysis = runAnalysis_] { return process(file, analysis); },
        [self = shared_from_this(), generation = runGeneration_, index](PhotoOutcome outcome) {
            self->photoReturned(generation, index, std::move(outcome));
        });
}

void Job::photoReturned(std::uint64_t generation, std::size_t index, PhotoOutcome outcome) {
    if (generation != runGeneration_) return;  // cannot happen: one run at a time has photos in flight
    apply(index, outcome);
    --inFlight_;
    // Each result makes room for one photo, even when the worker count was lowered meanwhile.
    if (canLaunch()) launch();
    fillSlots();
    if (inFlight_ == 0) endRun(runTask_);
}

namespace {
bool isFinite(const PhotoResult& r) {
    auto finite = [](double v) { return std::isfinite(v); };
    if (!finite(r.exposure) || !finite(r.temperature) || !finite(r.aspect)) return false;
    if (r.asShot && (!finite(r.asShot->kelvin) || !finite(r.asShot->tint))) return false;
    if (r.extras)
        for (const auto& [key, value] : *r.extras)
            if (!finite(value)) return false;
    return true;
}
}  // namespace

void Job::apply(std::size_t index, PhotoOutcome& outcome) {
    if (index >= project_.photos.size()) return;  // photos are never removed during a run
    PhotoItem& photo = project_.photos[index];
    if (!outcome.ok()) {
        photo.status = PhotoItem::Status::failed;
        photo.error = errorText(outcome.error());
    } else if (!isFinite(outcome.value())) {
        // Stored, such a value would make every later save of the project fail.
        photo.status = PhotoItem::Status::failed;
        photo.error = "Rezultatul calculat pentru fotografie nu este valid.";
    } else {
        const PhotoResult& r = outcome.value();
        photo.exposure = r.exposure;
        photo.temperature = r.temperature;
        photo.extras = r.extras;
        photo.asShotTint = r.asShot ? std::optional<double>(r.asShot->tint) : std::nullopt;
        photo.aspect = r.aspect;
        photo.status = PhotoItem::Status::done;
        // Requested analyses overwrite, absent results included; the others keep what the photo had.
        if (runAnalysis_.straighten) photo.straighten = r.straighten;
        if (runAnalysis_.feet) photo.feetBottom = r.feetBottom;
        if (runAnalysis_.teeth) photo.teeth = r.teeth;
        if (runAnalysis_.layout) photo.layout = r.layout;
        if (runAnalysis_.skin) photo.skin = r.skin;
        if (runAnalysis_.subject) photo.subject = r.subject ? *r.subject : SubjectDetector::none();
    }
    ++runFinished_;
    secondsPerPhoto_ = secondsBetween(runStart_, now()) / runFinished_;
    changed(Property::project);
    changed(Property::secondsPerPhoto);
    save();
}

void Job::endRun(const std::shared_ptr<Waitable>& task) {
    const Date end = now();
    const bool nothingPending = project_.pending() == 0;
    if (runFresh_ && nothingPending) stampAnalyses(runAnalysis_, end);
    project_.elapsed = project_.elapsed.value_or(0) + secondsBetween(runStart_, end);
    if (nothingPending) project_.finishedAt = end;
    changed(Property::project);

    if (state_ == State::cancelling) {
        setState(State::cancelled);
    } else if (state_ == State::pausing) {
        setState(State::paused);
    } else {
        setState(nothingPending ? State::finished : State::idle);
    }

    save();
    flush([self = shared_from_this(), task](const std::optional<SaveError>& error) {
        // A failed flush was already reported through saveError and onSaveError.
        if (!error && self->state_ == State::finished && self->afterFinish_) {
            auto afterFinish = self->afterFinish_;
            afterFinish(*self, [self, task] { self->runEnded(task); });
            return;
        }
        self->runEnded(task);
    });
}

void Job::stampAnalyses(const AnalysisRequest& r, Date at) {
    if (r.straighten) {
        project_.straightenedAt = at;
        project_.straightenVersion = Straighten::version;
    }
    if (r.feet) project_.feetAnalyzedAt = at;
    if (r.teeth) project_.teethAnalyzedAt = at;
    if (r.layout) project_.layoutAnalyzedAt = at;
    if (r.skin) project_.skinAnalyzedAt = at;  // the subject analysis has no date
}

void Job::runEnded(const std::shared_ptr<Waitable>& task) {
    if (task->ended) return;  // an afterFinish that calls back twice
    if (auto stopped = onStopped_) stopped(*this);
    finish(task);
}

void Job::finish(const std::shared_ptr<Waitable>& w) {
    w->ended = true;
    auto waiters = std::move(w->waiters);
    w->waiters.clear();
    for (auto& waiter : waiters) waiter();
}

// ---------------------------------------------------------------------------------------------------
// Saving

void Job::save() {
    if (!persist_) return;
    ++saveRevision_;
    if (!saveTask_) scheduleSave(true);
}

void Job::scheduleSave(bool debounce) {
    if (saveTask_) return;
    auto loop = std::make_shared<Waitable>();
    saveTask_ = loop;
    auto pass = [self = shared_from_this(), loop] { self->savePass(loop); };
    if (debounce) {
        main_->postAfter(saveDebounce, std::move(pass));
    } else {
        main_->post(std::move(pass));
    }
}

void Job::savePass(const std::shared_ptr<Waitable>& loop) {
    if (savedRevision_ >= saveRevision_) {
        endSaveLoop(loop);
        return;
    }
    const std::int64_t target = saveRevision_;
    // Encoding and writing work on this copy, so later changes on the main thread cannot tear the file.
    offload(
        main_, WorkPool::normal(),
        [snapshot = project_, file = projectFile(), write = writeSnapshot_] {
            write(Store::encode(snapshot), file);
            return true;
        },
        [self = shared_from_this(), loop, target](Outcome<bool> outcome) {
            self->snapshotWritten(loop, target, outcome);
        });
}

void Job::snapshotWritten(const std::shared_ptr<Waitable>& loop, std::int64_t target, Outcome<bool>& outcome) {
    if (outcome.ok()) {
        savedRevision_ = target;
        if (saveError_) {
            saveError_.reset();
            changed(Property::saveError);
        }
        savePass(loop);  // requests that came in during the write
        return;
    }
    const std::string message =
        "Proiectul „" + project_.name + "” nu a putut fi salvat: " + errorText(outcome.error());
    saveError_ = message;
    changed(Property::saveError);
    // No more work that cannot be stored: the run stops launching photos and ends paused.
    if (state_ == State::running) setState(State::pausing);
    if (saveTask_ == loop) saveTask_.reset();
    if (auto handler = onSaveError_) handler(message);
    endSaveLoop(loop);
}

void Job::endSaveLoop(const std::shared_ptr<Waitable>& loop) {
    if (saveTask_ == loop) saveTask_.reset();
    finish(loop);
}

void Job::flush(FlushDone done) {
    if (!persist_) {
        done(std::nullopt);
        return;
    }
    if (saveTask_) {
        saveTask_->waiters.push_back([self = shared_from_this(), done = std::move(done)] { self->flushRetry(done); });
        return;
    }
    flushRetry(std::move(done));
}

void Job::flushRetry(FlushDone done) {
    // Also after a failed write: exactly one more attempt, without the debounce.
    if (savedRevision_ < saveRevision_) scheduleSave(false);
    if (saveTask_) {
        saveTask_->waiters.push_back([self = shared_from_this(), done = std::move(done)] { self->flushFinish(done); });
        return;
    }
    flushFinish(done);
}

void Job::flushFinish(const FlushDone& done) {
    if (saveError_) {
        done(SaveError(*saveError_));
    } else {
        done(std::nullopt);
    }
}

void Job::pauseAndFlush(FlushDone done) {
    if (state_ == State::running) setState(State::pausing);
    if (task_ && !task_->ended) {
        task_->waiters.push_back([self = shared_from_this(), done = std::move(done)] { self->flush(done); });
        return;
    }
    flush(std::move(done));
}

}  // namespace orvane

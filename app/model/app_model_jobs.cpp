// The model's jobs: making and wiring them, the one-at-a-time queue, profile changes, the follow-up
// of a finished run, renaming and deleting projects.
#include <QPointer>

#include <algorithm>
#include <cctype>

#include "app/model/app_model.h"
#include "app/model/decoder_log.h"
#include "app/model/prepare_analysis.h"
#include "app/model/user_notifications.h"
#include "app/model/worker_policy.h"
#include "app/platform/dbus_notifications.h"
#include "app/platform/linux_machine_info.h"
#include "core/base/unicode_text.h"
#include "core/pipeline/photo_pipeline.h"

namespace orvane::model {

namespace fs = std::filesystem;

// What a finished run's follow-up needs; held by the jobs' callbacks instead of the model, so a job
// never keeps the model alive and a follow-up still ends after the model is gone. Main thread only.
struct AppModel::FinishServices {
    std::shared_ptr<MainExecutor> main;
    std::shared_ptr<Defaults> defaults;
    PrepareAnalysis prepare;
    std::shared_ptr<platform::NotificationCenter> center;
    std::shared_ptr<platform::Attention> attention;
};

void AppModel::setPrepareAnalysis(PrepareAnalysis prepare) { finishServices()->prepare = std::move(prepare); }

void AppModel::setMachineInfo(std::shared_ptr<const platform::MachineInfo> machine) { machine_ = std::move(machine); }

void AppModel::setNotifications(std::shared_ptr<platform::NotificationCenter> center,
                                std::shared_ptr<platform::Attention> attention) {
    auto services = finishServices();
    services->center = std::move(center);
    services->attention = std::move(attention);
}

const platform::MachineInfo& AppModel::machine() const {
    return machine_ ? *machine_ : platform::LinuxMachineInfo::shared();
}

int AppModel::automaticWorkerCount() const { return model::automaticWorkerCount(machine()); }

int AppModel::configuredWorkerCount() const { return model::configuredWorkerCount(machine(), *defaults_); }

void AppModel::applyWorkerPolicy(Job& job) const {
    const bool high = prioritizeEditing(*defaults_);
    job.setWorkers(configuredWorkerCount());
    job.setHighPriority(high);
}

std::shared_ptr<AppModel::FinishServices> AppModel::finishServices() {
    if (!finish_) {
        finish_ = std::make_shared<FinishServices>(
            FinishServices{main_, defaults_, prepareAnalysisStep(main_, defaults_),
                           std::make_shared<platform::DBusNotificationCenter>(),
                           std::make_shared<platform::WidgetAttention>()});
    }
    return finish_;
}

void AppModel::wireJob(Job& job) {
    QPointer<AppModel> self(this);
    job.setOnSaveError([self](const std::string& message) {
        if (self) self->setError(message);
    });
    job.setAfterFinish([services = finishServices()](Job& finished, Job::Done done) {
        finishJob(services, finished, std::move(done));
    });
    job.setOnStopped([self](Job&) {
        if (self) self->startNextQueued();
    });
}

std::shared_ptr<Job> AppModel::makeJob(const Project& project) {
    if (auto found = jobs_.find(project.id); found != jobs_.end()) return found->second;
    std::optional<fs::path> modelDir;
    bool preview = false;
    bool fast = false;
    const auto profile = std::find_if(profiles_.begin(), profiles_.end(),
                                      [&](const Profile& p) { return p.id == project.profileID; });
    if (profile != profiles_.end()) {
        modelDir = profile->dir();
        preview = profile->usesPreviews();
        fast = profile->usesFast();
    }
    std::int64_t workers = defaults_->intValue("workers").value_or(0);
    workers = workers < 1 ? automaticWorkerCount() : std::min<std::int64_t>(workers, maxConfiguredWorkers);
    const Uuid profileID = project.profileID;
    // The cache is shared, so photos still in flight can use it after the model is gone.
    auto job = Job::make(main_, project, static_cast<int>(workers), true,
                         Job::Process([modelDir, predictors = predictors_, profileID, preview, fast](
                                          const fs::path& file, const AnalysisRequest& analysis) {
                             return processForJob(file, analysis, modelDir, *predictors, profileID, preview, fast);
                         }));
    registerJob(job);
    return job;
}

void AppModel::startJob(const std::shared_ptr<Job>& job) {
    // Started now, the job would run on after the change drops it, beside the project's next job.
    if (isChanging(job->project().id)) return;
    applyWorkerPolicy(*job);
    if (hasActiveJob() && !Job::isRunInProgress(job->state())) {
        const Uuid& id = job->project().id;
        if (std::find(queued_.begin(), queued_.end(), id) == queued_.end()) {
            queued_.push_back(id);
            emit queuedChanged();
            emit activeJobsChanged();
        }
        return;
    }
    job->start();
}

void AppModel::dequeue(const Job& job) {
    const auto end = std::remove(queued_.begin(), queued_.end(), job.project().id);
    if (end == queued_.end()) return;
    queued_.erase(end, queued_.end());
    emit queuedChanged();
    emit activeJobsChanged();
}

void AppModel::startNextQueued() {
    if (hasActiveJob() || queued_.empty()) return;
    std::shared_ptr<Job> next;
    UuidList kept;
    auto entry = queued_.begin();
    for (; entry != queued_.end() && !next; ++entry) {
        if (isChanging(*entry)) {
            kept.push_back(*entry);
            continue;
        }
        const auto found = jobs_.find(*entry);
        if (found != jobs_.end() && Job::allowsStart(found->second->state()) && found->second->project().pending() > 0)
            next = found->second;
    }
    kept.insert(kept.end(), entry, queued_.end());
    queued_ = std::move(kept);
    emit queuedChanged();
    emit activeJobsChanged();
    if (next) next->start();
}

void AppModel::dropJob(const Uuid& id, bool alsoQueued) {
    if (auto found = jobs_.find(id); found != jobs_.end()) {
        if (auto observer = jobObservers_.find(id); observer != jobObservers_.end()) {
            found->second->unobserve(observer->second);
            jobObservers_.erase(observer);
        }
        jobs_.erase(found);
    }
    if (alsoQueued) {
        const auto end = std::remove(queued_.begin(), queued_.end(), id);
        if (end != queued_.end()) {
            queued_.erase(end, queued_.end());
            emit queuedChanged();
        }
    }
    emit activeJobsChanged();
}

void AppModel::setProfile(const Uuid& profile, const std::shared_ptr<Job>& job) {
    if (profile == job->project().profileID || job->project().done() > 0 || job->state() != Job::State::idle) return;
    if (refusesProjectChange(*job)) return;
    job->setProfile(profile);
    replaceAfterFlush(job, false);
}

void AppModel::switchProfile(const Uuid& profile, const std::shared_ptr<Job>& job) {
    // A job whose run or second pass still writes the project keeps it: a second job beside it would
    // make two writers of one project file.
    if (refusesProjectChange(*job)) return;
    job->switchProfile(profile);
    replaceAfterFlush(job, true);
}

void AppModel::replaceAfterFlush(const std::shared_ptr<Job>& job, bool restart) {
    const Uuid id = job->project().id;
    // A failed flush was already reported through the save-error callback; the job is replaced anyway.
    settleProject(id, [self = QPointer<AppModel>(this), job, id, restart](const std::shared_ptr<Job>& settled,
                                                                          const std::optional<SaveError>&) {
        // Another change of the project dropped or replaced the job meanwhile: this one has nothing left to do.
        if (!self || settled != job) return;
        self->dropJob(id, true);
        self->reload();
        if (!restart) return;
        const auto& projects = self->projects_;
        const auto project =
            std::find_if(projects.begin(), projects.end(), [&](const Project& p) { return p.id == id; });
        if (project != projects.end()) self->startJob(self->makeJob(*project));
    });
}

void AppModel::settleProject(const Uuid& id, SettledChange change) {
    ++changing_[id];
    settleStep(id, std::move(change));
}

void AppModel::settleStep(const Uuid& id, SettledChange change) {
    const auto found = jobs_.find(id);
    const std::shared_ptr<Job> job = found == jobs_.end() ? nullptr : found->second;
    auto check = [self = QPointer<AppModel>(this), id, job, change](const std::optional<SaveError>& error) {
        if (!self) return;
        const auto now = self->jobs_.find(id);
        // A job made or replaced while this one was written: that one is settled too.
        if ((now == self->jobs_.end() ? nullptr : now->second) != job) return self->settleStep(id, change);
        // Still writing, or busy with a second pass or a delivery: checked again a little later.
        if (job && !error &&
            (refusesProjectChange(*job) || job->isSaving() || job->savedRevision() < job->saveRevision())) {
            self->main_->postAfter(Job::saveDebounce, [self, id, change] {
                if (self) self->settleStep(id, change);
            });
            return;
        }
        if (auto entry = self->changing_.find(id); entry != self->changing_.end() && --entry->second == 0)
            self->changing_.erase(entry);
        change(job, error);
        if (self) self->startNextQueued();
    };
    if (job) {
        job->flush(std::move(check));
    } else {
        main_->post([check = std::move(check)] { check(std::nullopt); });
    }
}

bool AppModel::isSmartPreview(const fs::path& file) {
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".dng" && file.string().find(".lrdata/") != std::string::npos;
}

PhotoResult AppModel::processForJob(const fs::path& file, const AnalysisRequest& analysis,
                                    const std::optional<fs::path>& modelDir, PredictorCache& predictors,
                                    const Uuid& profileID, bool preview, bool fast) {
    if (!modelDir) throw NoProfileModelError();
    std::shared_ptr<const Predictor> predictor;
    try {
        predictor = predictors.predictor(profileID, *modelDir);
    } catch (const std::exception&) {
        throw NoProfileModelError();
    }
    if (!predictor) throw NoProfileModelError();
    bool previewMode = false;
    if (preview) {
        previewMode = true;
    } else if (isSmartPreview(file)) {
        previewMode = true;
        if (auto base = PredictorCache::basePreview()) predictor = std::move(base);
    }
    try {
        return processPhoto(file, *predictor, analysis, previewMode, fast);
    } catch (const RawError&) {
        logDecoderDetails(std::current_exception(), file.string());
        throw;
    }
}

void AppModel::prepareAnalysis(Job& job, Job::Done done) {
    const auto services = finishServices();
    if (!services->prepare) {
        main_->post(std::move(done));
        return;
    }
    services->prepare(job, [main = main_, done = std::move(done)] { main->post(done); });
}

void AppModel::afterFinish(Job& job, Job::Done done) { finishJob(finishServices(), job, std::move(done)); }

void AppModel::finishJob(const std::shared_ptr<FinishServices>& services, Job& job, Job::Done done) {
    auto notify = [services, held = job.shared_from_this(), done = std::move(done)] {
        // Back on the main thread: the project as the second pass left it.
        const std::string title = held->project().name;
        const auto count = static_cast<long long>(held->project().done());
        if (notifyDoneEnabled(*services->defaults) && services->center) {
            // The answer may come on another thread: it gets copies, not the shared services.
            auto center = services->center;
            center->authorization([center, attention = services->attention, main = services->main, title,
                                   count](platform::NotificationCenter::Authorization a) {
                postEditingFinished(a, title, count, *center, attention, *main);
            });
        }
        done();
    };
    if (services->prepare) {
        services->prepare(job, [main = services->main, notify = std::move(notify)] { main->post(notify); });
    } else {
        notify();
    }
}

void AppModel::renameProject(const Project& project, std::string_view name) {
    const std::string trimmed = UnicodeText::trimmed(name);
    if (trimmed.empty()) return;
    if (auto found = jobs_.find(project.id); found != jobs_.end()) {
        found->second->rename(trimmed);
    } else {
        Project renamed = project;
        renamed.name = trimmed;
        try {
            renamed.save();
        } catch (const std::exception& e) {
            setError(e.what());
        }
    }
    reload();
    // The job's save is debounced: the list shows the new name before it reaches the disk.
    const auto entry =
        std::find_if(projects_.begin(), projects_.end(), [&](const Project& p) { return p.id == project.id; });
    if (entry != projects_.end() && entry->name != trimmed) {
        entry->name = trimmed;
        emit projectsChanged();
    }
}

void AppModel::deleteProject(const Project& project) {
    // Not while its run or its second pass still writes the project.
    if (const auto found = jobs_.find(project.id); found != jobs_.end() && refusesProjectChange(*found->second))
        return;
    settleProject(project.id, [self = QPointer<AppModel>(this), project](const std::shared_ptr<Job>&,
                                                                         const std::optional<SaveError>& error) {
        if (!self) return;
        if (error) {
            self->setError(error->what());
            return;
        }
        try {
            project.remove();
        } catch (const std::exception& e) {
            self->setError(e.what());
            return;
        }
        // Its queue entry stays and is skipped when its turn comes.
        self->dropJob(project.id, false);
        self->reload();
    });
}

}  // namespace orvane::model

#include "app/model/app_model.h"

#include <QPointer>

#include <algorithm>

#include "core/base/unicode_text.h"
#include "core/store/store.h"

namespace orvane::model {

namespace {
AppModel* liveModel = nullptr;
}  // namespace

bool keepAwakeEnabled(const Defaults& defaults) { return defaults.boolValue("keepAwake").value_or(true); }

AppModel::AppModel(std::shared_ptr<MainExecutor> main, std::shared_ptr<Defaults> defaults,
                   std::unique_ptr<platform::KeepAwake> keepAwake, QObject* parent)
    : QObject(parent), main_(std::move(main)), defaults_(std::move(defaults)), keepAwake_(std::move(keepAwake)) {
    liveModel = this;
    reload();
    scheduleKeepAwake();
}

AppModel::~AppModel() {
    for (auto& [id, observer] : jobObservers_) {
        if (auto it = jobs_.find(id); it != jobs_.end()) it->second->unobserve(observer);
    }
    if (liveModel == this) liveModel = nullptr;
}

AppModel* AppModel::current() { return liveModel; }

void AppModel::reload() {
    CatalogList catalogs = Store::all<TrainingCatalog>(Store::catalogs(), "catalog.json");
    std::stable_sort(catalogs.begin(), catalogs.end(), [](const TrainingCatalog& a, const TrainingCatalog& b) {
        return UnicodeText::scalarLess(a.name, b.name);
    });
    catalogs_ = std::move(catalogs);
    emit catalogsChanged();
    profiles_ = Profile::all();
    emit profilesChanged();
    ProjectList projects = Project::all();
    // A job saves after a debounce: while its project holds changes the disk does not have yet (a new
    // name, photo results), the list shows the job's.
    for (Project& p : projects) {
        const auto found = jobs_.find(p.id);
        if (found == jobs_.end()) continue;
        const Job& job = *found->second;
        if (job.isSaving() || job.savedRevision() < job.saveRevision()) p = job.project();
    }
    projects_ = std::move(projects);
    emit projectsChanged();
}

bool AppModel::hasActiveJob() const {
    return std::any_of(jobs_.begin(), jobs_.end(),
                       [](const auto& entry) { return Job::isRunInProgress(entry.second->state()); });
}

std::vector<std::shared_ptr<Job>> AppModel::activeJobs() const {
    std::vector<std::shared_ptr<Job>> out;
    for (const auto& [id, job] : jobs_) {
        const Job::State s = job->state();
        const bool listed = Job::isRunInProgress(s) || s == Job::State::paused || job->extraStatus().has_value() ||
                            std::find(queued_.begin(), queued_.end(), job->project().id) != queued_.end();
        if (listed) out.push_back(job);
    }
    std::stable_sort(out.begin(), out.end(), [](const auto& a, const auto& b) {
        return UnicodeText::scalarLess(a->project().name, b->project().name);  // not localised or case-folded
    });
    return out;
}

void AppModel::setError(std::optional<std::string> message) {
    if (error_ == message) return;
    error_ = std::move(message);
    emit errorChanged();
}

void AppModel::setProfileBuild(OptionalBuild build) {
    profileBuild_ = std::move(build);
    emit profileBuildChanged();
}

void AppModel::setProfileReady(OptionalProfile profile) {
    profileReady_ = std::move(profile);
    emit profileReadyChanged();
}

void AppModel::registerJob(std::shared_ptr<Job> job) {
    const Uuid id = job->project().id;
    if (auto old = jobs_.find(id); old != jobs_.end()) {
        if (auto observer = jobObservers_.find(id); observer != jobObservers_.end())
            old->second->unobserve(observer->second);
    }
    QPointer<AppModel> self(this);
    jobObservers_[id] = job->observe([self](Job::Property p) {
        if (self && (p == Job::Property::state || p == Job::Property::extraStatus)) emit self->activeJobsChanged();
    });
    wireJob(*job);
    jobs_[id] = std::move(job);
    emit activeJobsChanged();
}

void AppModel::setQueued(UuidList queued) {
    if (queued_ == queued) return;
    queued_ = std::move(queued);
    emit queuedChanged();
    emit activeJobsChanged();
}

const Project& AppModel::current(const Project& listed) const {
    const auto found = jobs_.find(listed.id);
    return found == jobs_.end() ? listed : found->second->project();
}

std::vector<const Project*> AppModel::currentProjects() const {
    std::vector<const Project*> out;
    out.reserve(projects_.size());
    for (const Project& listed : projects_) out.push_back(&current(listed));
    return out;
}

bool AppModel::refusesProjectChange(const Job& job) {
    return Job::isRunInProgress(job.state()) || job.isAnalysing() || job.extraStatus().has_value();
}

void AppModel::scheduleKeepAwake() {
    // Re-armed at every firing; the pointer is checked, so a late firing after the model is gone does
    // nothing.
    main_->postAfter(keepAwakeInterval, [self = QPointer<AppModel>(this)] {
        if (!self) return;
        self->updateKeepAwake();
        self->scheduleKeepAwake();
    });
}

void AppModel::updateKeepAwake() {
    const bool busy = hasActiveJob() || profileBuild_.has_value() ||
                      std::any_of(jobs_.begin(), jobs_.end(),
                                  [](const auto& entry) {
                                      // A second pass is work, whether or not it shows its status line yet.
                                      return entry.second->extraStatus().has_value() || entry.second->isAnalysing();
                                  });
    if (busy && keepAwakeEnabled(*defaults_)) {
        if (power_.activity) return;
        power_.activity = keepAwake_ ? keepAwake_->begin(keepAwakeReason) : nullptr;
        if (power_.activity) emit keepingAwakeChanged();
        return;
    }
    if (power_.activity) {
        power_.activity.reset();
        emit keepingAwakeChanged();
    }
}

}  // namespace orvane::model

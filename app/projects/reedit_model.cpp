#include "app/projects/reedit_model.h"

#include <QPointer>

#include <cmath>

#include "app/kit/centered_alert.h"
#include "app/kit/dialogs.h"
#include "app/kit/localization.h"
#include "app/options/option_settings.h"
#include "app/platform/lightroom_host.h"
#include "app/projects/project_page_header.h"

namespace orvane::projects {

namespace {

QString loc(const char* romanian) { return kit::localized(romanian); }

constexpr const char* preparingText = "Se pregătește reeditarea…";
constexpr const char* rereadingText = "Se reîncarcă editările în Lightroom…";

}  // namespace

QString stepCountText(double x) {
    const long long n = std::llround(x);  // halves away from zero
    if (n == 0) return QStringLiteral("0");
    if (n > 0) return QLatin1Char('+') + QString::number(n);
    return QString(QChar(0x2212)) + QString::number(-n);
}

ReeditServices ReeditServices::standard(model::AppModel& app) {
    ReeditServices s;
    QPointer<model::AppModel> model(&app);
    s.prepareAnalysis = [model](const std::shared_ptr<Job>& job, Done done) {
        if (model) model->prepareAnalysis(*job, std::move(done));
        else done();
    };
    s.exportToLightroom = [model](const std::shared_ptr<Job>& job, bool confirmMerge, Delivered done) {
        if (model) model->exportToLightroom(job, confirmMerge, std::move(done));
        else done(std::nullopt);
    };
    std::shared_ptr<platform::LightroomHost> host = platform::makeLinuxLightroomHost(app.sharedDefaults());
    s.lightroomRunning = [host] { return !host->runningInstances().empty(); };
    s.openLightroom = [model] {
        if (model) model->openLightroom(std::nullopt);
    };
    // Lightroom's interface cannot be driven from here: the re-read is reported as not done.
    s.readMetadata = [](std::function<void(bool)> done) { done(platform::readMetadataInLightroom()); };
    // Nothing on this system withholds the permission, so the failure reads as the script's own and
    // the user is told to re-read by hand.
    s.accessibilityTrusted = [] { return true; };
    return s;
}

ReeditModel::ReeditModel(model::AppModel& app, model::Router& router, std::shared_ptr<Job> job,
                         ReeditServices services, QObject* parent)
    : QObject(parent), app_(app), router_(router), job_(std::move(job)), services_(std::move(services)),
      adapter_(job_) {
    const Project& p = project();
    opening_ = p.currentVersion();
    baseBrightness_ = p.globalExposure.value_or(0);
    baseWarmth_ = p.basic ? p.basic->temperature : 0;
    baseFixedE_ = p.fixedExposure.value_or(0);
    baseFixedT_ = p.fixedTemperature.value_or(0);
    // The page's options start as the project's own.
    options::storeOptions(app_.defaults(), p);
    connect(&adapter_, &JobAdapter::changed, this, &ReeditModel::changed);
    connect(&app_, &model::AppModel::profilesChanged, this, &ReeditModel::changed);
}

ReeditModel::~ReeditModel() {
    *alive_ = false;
    if (!left_ && !running_ && !result_) restoreOpening();
}

// ---- header ----

QString ReeditModel::subtitle() const {
    return kit::localizedCount("Setările se aplică la toate cele %lld fotografii", (long long)project().done());
}

bool ReeditModel::resetAnalysesEnabled() const { return !running_ && !Job::isRunInProgress(job_->state()); }

void ReeditModel::resetAnalyses() {
    if (resetAnalysesEnabled()) confirmResetAnalyses(*job_);
}

const Profile* ReeditModel::profileNamed(const Uuid& id) const {
    for (const Profile& p : app_.profiles())
        if (p.id == id) return &p;
    return nullptr;
}

std::vector<ReeditModel::ProfileChoice> ReeditModel::profileChoices() const {
    const Uuid current = chosenProfile_.value_or(project().profileID);
    std::vector<ProfileChoice> choices;
    for (const Profile& p : app_.profiles())
        if (p.isBuilt()) choices.push_back({p.id, QString::fromStdString(p.name), p.id == current});
    return choices;
}

QString ReeditModel::currentProfileName() const {
    for (const ProfileChoice& c : profileChoices())
        if (c.current) return c.name;
    return loc("Profil");
}

bool ReeditModel::jobAllowsProfileSwitch() const {
    // A job whose run or analysis pass still writes the project keeps its profile.
    return !Job::isRunInProgress(job_->state()) && !job_->isAnalysing();
}

bool ReeditModel::profileMenuEnabled() const { return !running_ && !result_ && jobAllowsProfileSwitch(); }

void ReeditModel::chooseProfile(const Uuid& profile) {
    if (!profileMenuEnabled()) return;
    if (profile == project().profileID) chosenProfile_.reset();
    else chosenProfile_ = profile;
    emit changed();
}

bool ReeditModel::showsHistory() const { return project().history && !project().history->empty(); }

void ReeditModel::setHistoryOpen(bool open) {
    if (open && !historyEnabled()) return;
    if (showHistory_ == open) return;
    showHistory_ = open;
    emit historyOpenChanged();
}

void ReeditModel::restoreFromHistory(const EditVersion& version) {
    job_->restoreVersion(version);
    options::storeOptions(app_.defaults(), project());
    renewPanel();
    setHistoryOpen(false);
    emit changed();
}

// ---- content ----

void ReeditModel::setShowOriginal(bool original) {
    if (showOriginal_ == original) return;
    showOriginal_ = original;
    emit changed();
}

QString ReeditModel::brightnessText() const {
    const Project& p = project();
    const double current = p.fixedExposure ? *p.fixedExposure : p.globalExposure.value_or(0);
    const double base = p.fixedExposure ? baseFixedE_ : baseBrightness_;
    return stepCountText((current - base) / brightnessStep);
}

QString ReeditModel::warmthText() const {
    const Project& p = project();
    const double current = p.fixedTemperature ? *p.fixedTemperature : (p.basic ? p.basic->temperature : 0);
    const double base = p.fixedTemperature ? baseFixedT_ : baseWarmth_;
    return stepCountText((current - base) / warmthStep);
}

void ReeditModel::stepBrightness(double delta) {
    if (!editingEnabled()) return;
    const Project& p = project();
    if (!p.fixedExposure) job_->setGlobalExposure(delta + p.globalExposure.value_or(0));
    else job_->setFixed(p.fixedTemperature, *p.fixedExposure + delta);
    renewPanel();
}

void ReeditModel::stepWarmth(double delta) {
    if (!editingEnabled()) return;
    const Project& p = project();
    if (!p.fixedTemperature) {
        const BasicAdjustments b = p.basic.value_or(BasicAdjustments{});
        job_->setBasic({delta + b.temperature, b.tint});
    } else {
        job_->setFixed(*p.fixedTemperature + delta, p.fixedExposure);
    }
    renewPanel();
}

void ReeditModel::renewPanel() {
    ++reload_;
    emit panelReload();
}

std::optional<std::filesystem::path> ReeditModel::presetFile() const {
    if (const Profile* p = profileNamed(project().profileID)) return p->preset();
    return std::nullopt;
}

void ReeditModel::syncProfileTuning() {
    const Profile* profile = profileNamed(project().profileID);
    const ProfileTuning tuning = profile ? profile->tuning.value_or(ProfileTuning{}) : ProfileTuning{};
    const std::optional<ProfileTuning> wanted = tuning.isZero() ? std::nullopt : std::optional(tuning);
    if (wanted == project().profileTuning) return;
    job_->setProfileTuning(tuning);
    renewPanel();
}

// ---- leaving ----

void ReeditModel::restoreOpening() {
    if (!opening_.sameSettings(project().currentVersion())) job_->restoreVersion(opening_);
}

void ReeditModel::goToProject() {
    left_ = true;
    router_.setRoute(model::Route::project(project().id));
}

void ReeditModel::leave() {
    if (running_) return;
    if (!result_) restoreOpening();
    goToProject();
}

void ReeditModel::cancel() {
    if (running_) return;
    restoreOpening();
    goToProject();
}

void ReeditModel::finish() { goToProject(); }

// ---- bottom bar and apply ----

ReeditModel::Bar ReeditModel::bar() const {
    if (running_) return Bar::applying;
    if (result_) return Bar::result;
    return Bar::editing;
}

QString ReeditModel::statusText() const {
    if (job_->extraStatus()) return QString::fromStdString(*job_->extraStatus());
    if (!stage_.isEmpty()) return stage_;
    return loc(preparingText);
}

QString ReeditModel::applyTitle() const {
    return kit::localizedCount(project().exportedAt ? "Reeditează toate (%lld)" : "Aplică la toate (%lld)",
                   (long long)project().done());
}

bool ReeditModel::applyEnabled() const {
    if (running_) return false;
    // Another profile can only be applied while no run or analysis pass writes the project.
    const bool otherProfile = chosenProfile_ && *chosenProfile_ != project().profileID;
    return !otherProfile || jobAllowsProfileSwitch();
}

void ReeditModel::startApply() {
    if (!applyEnabled()) return;
    running_ = true;
    job_->setExtraStatus(kit::localized(preparingText).toStdString(), previewProgress);
    emit changed();
    app_.mainExecutor().post([self = QPointer<ReeditModel>(this)] {
        if (self) self->apply();
    });
}

void ReeditModel::apply() {
    options::applyOptionSettings(app_.defaults(), *job_);
    const Uuid id = project().id;
    if (chosenProfile_ && *chosenProfile_ != project().profileID) {
        if (!jobAllowsProfileSwitch()) {
            // The job began writing the project meanwhile: nothing is switched, the page stays editable.
            endApply(false);
            return;
        }
        // Only a project delivered before is delivered again once its new run ends.
        if (project().exportedAt) router_.setPendingExport(id);
        // The status line goes first: a project showing one is taken for busy and keeps its profile.
        job_->setExtraStatus(std::nullopt, std::nullopt);
        app_.switchProfile(*chosenProfile_, job_);
        goToProject();
        return;
    }
    // Each road is called through a copy: the page may go while it runs.
    QPointer<ReeditModel> self(this);
    const auto prepare = services_.prepareAnalysis;
    prepare(job_, [self, job = job_] {
        if (self) self->afterAnalysis();
        else job->setExtraStatus(std::nullopt, std::nullopt);
    });
}

void ReeditModel::afterAnalysis() {
    if (!project().exportedAt) {
        // The new settings stay in the project; the user exports from the project page.
        endApply(true);
        return;
    }
    QPointer<ReeditModel> self(this);
    const auto deliver = services_.exportToLightroom;
    deliver(job_, false, [self, job = job_](std::optional<model::LightroomExportResult> result) {
        if (self) self->delivered(std::move(result));
        else job->setExtraStatus(std::nullopt, std::nullopt);
    });
}

void ReeditModel::delivered(std::optional<model::LightroomExportResult> result) {
    if (!result) {
        // Declined or failed (its error is in the application's alert): the page is editable again.
        endApply(false);
        return;
    }
    const QString summary = QString::fromStdString(model::exportSummaryText(*result));
    const bool catalog = std::holds_alternative<model::LightroomExportResult::Catalog>(result->value);
    if (catalog) {
        // Lightroom reads the catalog itself; the delivery reopened it there.
        lightroomApplied_ = true;
    } else if (!services_.lightroomRunning()) {
        services_.openLightroom();
    }
    stage_ = loc(rereadingText);
    emit changed();
    if (catalog) {
        result_ = summary;
        endApply(true);
        return;
    }
    QPointer<ReeditModel> self(this);
    const auto readMetadata = services_.readMetadata;
    readMetadata([self, job = job_, summary](bool read) {
        if (!self) {
            job->setExtraStatus(std::nullopt, std::nullopt);
            return;
        }
        QString text = summary;
        if (read) {
            text += QLatin1Char(' ') + loc("Lightroom a citit noile editări.");
            self->lightroomApplied_ = true;
        } else if (self->services_.accessibilityTrusted()) {
            text += QLatin1Char(' ') + loc("Nu am putut comanda Lightroom; fă manual Metadata → Read Metadata from File.");
        } else {
            text += QLatin1Char(' ') + loc("Permite Vendrel la Accesibilitate (Setări sistem → Confidențialitate și "
                                           "securitate), apoi reeditează din nou.");
        }
        self->result_ = text;
        self->endApply(self->lightroomApplied_);
    });
}

void ReeditModel::endApply(bool leavePage) {
    running_ = false;
    if (leavePage) goToProject();
    job_->setExtraStatus(std::nullopt, std::nullopt);
    emit changed();
}

}  // namespace orvane::projects

#include "app/projects/processing_model.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QLocale>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cmath>

#include "app/kit/centered_alert.h"
#include "app/kit/dialogs.h"
#include "app/kit/localization.h"
#include "app/model/duration_text.h"
#include "app/options/option_settings.h"
#include "core/base/work_pool.h"
#include "core/catalog/export_watch.h"

namespace orvane::projects {

namespace fs = std::filesystem;
using State = Job::State;

namespace {

QString loc(const char* romanian) { return kit::localized(romanian); }

// A text of the string table with one count in place of its "%lld".
QString counted(const char* key, long long n) { return kit::localizedCount(key, {n}); }

QDateTime toQt(Date date) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(date.time_since_epoch()).count();
    return QDateTime::fromMSecsSinceEpoch(ms);
}

bool englishDates(const Defaults& defaults) {
    const auto language = defaults.value("language");
    return language && language->is_string() && language->get<std::string>() == "en";
}

}  // namespace

JobFacts jobFacts(const Job& job, const model::AppModel& model) {
    JobFacts f;
    const Project& p = job.project();
    f.state = job.state();
    const auto& q = model.queued();
    f.queued = std::find(q.begin(), q.end(), p.id) != q.end();
    f.extra = job.extraStatus().has_value();
    f.done = int(p.done());
    f.failed = int(p.failed());
    f.pending = int(p.pending());
    f.total = int(p.photos.size());
    return f;
}

PillSpec statusPill(const JobFacts& f, const QString& extraText) {
    using K = kit::StatusKind;
    if (f.extra) return {extraText, QStringLiteral("wand.and.stars"), K::accent};
    if (f.queued) return {loc("În așteptare"), QStringLiteral("clock"), K::accent};
    switch (f.state) {
        case State::idle:
            if (f.processed() > 0) return {loc("Întrerupt"), QStringLiteral("circle.dashed"), K::neutral};
            return {loc("Gata de procesare"), QStringLiteral("circle.dashed"), K::neutral};
        case State::running: return {loc("Se procesează"), QStringLiteral("bolt.fill"), K::accent};
        case State::pausing:
        case State::cancelling:
            return {loc("Se termină fotografiile începute"), QStringLiteral("hourglass"), K::warn};
        case State::paused: return {loc("Pauză"), QStringLiteral("pause.fill"), K::warn};
        case State::cancelled: return {loc("Anulat"), QStringLiteral("xmark"), K::bad};
        case State::finished: break;
    }
    // A finished job shows its result instead of the pill.
    return {loc("Terminat"), QStringLiteral("checkmark"), K::info};
}

ActionRow actionRow(const JobFacts& f) {
    using M = ActionRow::Main;
    ActionRow row;
    if (f.queued) {
        row.main = M::dequeue;
    } else {
        switch (f.state) {
            case State::running: row.main = M::pauseCancel; break;
            case State::pausing:
            case State::cancelling: row.main = M::spinner; break;
            case State::paused: row.main = M::resumeCancel; break;
            case State::idle:
            case State::cancelled:
                row.main = f.processed() > 0 ? M::resume : M::start;
                row.mainEnabled = f.pending > 0;
                if (f.processed() > 0 && f.done >= 1) {
                    row.reedit = true;
                    row.reeditEnabled = !f.extra;
                }
                break;
            case State::finished: row.main = M::none; break;
        }
    }
    row.retryFailed = f.failed >= 1 && !f.busy() && !f.queued;
    return row;
}

double ringFraction(const JobFacts& f) {
    const int divisor = f.total < 2 ? 1 : f.total;
    return double(f.processed()) / double(divisor);
}

QString intervalText(const std::optional<Date>& start, const std::optional<Date>& end, bool english) {
    const QLocale locale(english ? QLocale(QLocale::English, QLocale::UnitedStates)
                                 : QLocale(QLocale::Romanian, QLocale::Romania));
    const QString dateFormat = english ? QStringLiteral("MMM d, yyyy") : QStringLiteral("d MMM yyyy");
    const QString timeFormat = english ? QStringLiteral("h:mm:ss AP") : QStringLiteral("HH:mm:ss");
    const QString dash = QString::fromUtf8("—");
    const QString from =
        start ? locale.toString(toQt(*start), dateFormat + QStringLiteral(", ") + timeFormat) : dash;
    const QString to = end ? locale.toString(toQt(*end), timeFormat) : dash;
    return from + QString::fromUtf8(" → ") + to;
}

int newExportCount(std::size_t exported, std::size_t lastSeen, std::int64_t learned, std::size_t dismissed) {
    if (exported < 5 || exported != lastSeen) return 0;
    const std::int64_t base = std::max<std::int64_t>(learned, std::int64_t(dismissed));
    const std::int64_t d = std::int64_t(exported) - base;
    return d > 4 ? int(d) : 0;
}

ProcessingServices ProcessingServices::standard() {
    ProcessingServices s;
    s.background = [](Work work) { WorkPool::high().submit(std::move(work)); };
    s.exportedPaths = [](const fs::path& catalog, const std::set<std::string>& among) {
        return ExportWatch::exportedPaths(catalog, among);
    };
    s.openFolder = [](const fs::path& folder) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder.string())));
    };
    return s;
}

ProcessingModel::ProcessingModel(model::AppModel& app, model::Router& router, std::shared_ptr<Job> job,
                                 ProcessingServices services, QObject* parent)
    : QObject(parent),
      app_(app),
      router_(router),
      job_(std::move(job)),
      services_(std::move(services)),
      adapter_(job_),
      lastState_(job_->state()) {
    connect(&adapter_, &JobAdapter::changed, this, &ProcessingModel::changed);
    connect(&adapter_, &JobAdapter::stateChanged, this, &ProcessingModel::stateChanged);
    connect(&adapter_, &JobAdapter::remainingChanged, this, &ProcessingModel::estimateChanged);
    connect(&app_, &model::AppModel::queuedChanged, this, &ProcessingModel::changed);
    connect(&app_, &model::AppModel::profilesChanged, this, &ProcessingModel::changed);
    connect(&app_, &model::AppModel::profileBuildChanged, this, &ProcessingModel::changed);
    connect(&app_, &model::AppModel::profileBuildChanged, this, &ProcessingModel::bannerChanged);
    scheduleRefreshLoop();
    scheduleEstimateTick();
}

ProcessingModel::~ProcessingModel() { *alive_ = false; }

JobFacts ProcessingModel::facts() const { return jobFacts(*job_, app_); }

PillSpec ProcessingModel::pill() const {
    return statusPill(facts(), job_->extraStatus() ? QString::fromStdString(*job_->extraStatus()) : QString());
}

ActionRow ProcessingModel::actions() const { return actionRow(facts()); }

QString ProcessingModel::ringCaption() const { return counted("%lld fotografii", (long long)project().photos.size()); }

bool ProcessingModel::showsPriorityToggle() const {
    return job_->state() == State::idle && facts().processed() == 0;
}

QString ProcessingModel::estimateText() const {
    if (job_->state() != State::running) return QString::fromUtf8("—");
    const auto remaining = job_->remainingSeconds();
    if (!remaining) return QString::fromUtf8("…");
    return QString::fromStdString(model::durationText(*remaining, app_.defaults()));
}

QString ProcessingModel::folder() const { return QString::fromStdString(project().folder); }

const Profile* ProcessingModel::currentProfile() const {
    for (const Profile& p : app_.profiles())
        if (p.id == project().profileID) return &p;
    return nullptr;
}

QString ProcessingModel::profileName() const {
    const Profile* p = currentProfile();
    return p ? QString::fromStdString(p->name) : loc("lipsă");
}

bool ProcessingModel::profileIsMenu() const {
    if (project().done() > 0 || job_->state() != State::idle) return false;
    return std::any_of(app_.profiles().begin(), app_.profiles().end(), [](const Profile& p) { return p.isBuilt(); });
}

std::vector<ProcessingModel::ProfileChoice> ProcessingModel::profileChoices() const {
    std::vector<ProfileChoice> out;
    if (!profileIsMenu()) return out;
    for (const Profile& p : app_.profiles())
        if (p.isBuilt()) out.push_back({p.id, QString::fromStdString(p.name), p.id == project().profileID});
    return out;
}

std::optional<QString> ProcessingModel::saveError() const {
    if (!job_->saveError()) return std::nullopt;
    return QString::fromStdString(*job_->saveError());
}

std::vector<ProcessingModel::FailedRow> ProcessingModel::failedRows() const {
    std::vector<FailedRow> rows;
    for (const PhotoItem& photo : project().photos)
        if (photo.status == PhotoItem::Status::failed)
            rows.push_back({QString::fromStdString(photo.name()), QString::fromStdString(photo.error.value_or(""))});
    return rows;
}

QString ProcessingModel::elapsedText() const {
    if (!project().elapsed) return loc("Terminat");
    return QString::fromStdString(model::durationText(*project().elapsed, app_.defaults()));
}

QString ProcessingModel::resultSubtitle() const {
    const long long failed = (long long)project().failed();
    return counted("%lld fotografii editate", (long long)project().done()) + QStringLiteral(" · ") +
           (failed == 0 ? loc("fără erori") : counted("%lld erori", failed));
}

QString ProcessingModel::intervalValue() const {
    return intervalText(project().startedAt, project().finishedAt, englishDates(app_.defaults()));
}

int ProcessingModel::bigCount() const {
    int n = 0;
    for (const PhotoItem& photo : project().photos) {
        if (photo.status != PhotoItem::Status::done) continue;
        const auto ev = project().exposure(photo);
        if (ev && std::abs(*ev) >= bigCorrectionThreshold) ++n;
    }
    return n;
}

QString ProcessingModel::bigHint() const {
    return counted("%lld fotografii au primit o corecție de expunere mare: merită o privire. Arată-mi.", bigCount());
}

bool ProcessingModel::exportEnabled() const { return !job_->extraStatus() && project().done() > 0; }

bool ProcessingModel::learnEnabled() const {
    return !job_->extraStatus() && project().done() > 0 && !app_.profileBuild();
}

std::optional<QString> ProcessingModel::extraStatus() const {
    if (!job_->extraStatus()) return std::nullopt;
    return QString::fromStdString(*job_->extraStatus());
}

int ProcessingModel::newExportCount() const {
    return projects::newExportCount(exported_.size(), lastSeen_, project().learnedExports.value_or(0), dismissed_);
}

QString ProcessingModel::bannerText() const {
    return counted("%lld fotografii exportate din Lightroom. Învață din ele?", (long long)exported_.size());
}

void ProcessingModel::setShowing(Sheet sheet, bool on) {
    if (sheets_[int(sheet)] == on) return;
    sheets_[int(sheet)] = on;
    emit sheetsChanged();
}

void ProcessingModel::appeared() {
    checkPendingExport();
    if (router_.autoStart() == project().id) {
        router_.setAutoStart(std::nullopt);
        if (facts().processed() == 0 && job_->state() == State::idle) startEditing();
    }
}

void ProcessingModel::startEditing() {
    if (project().straightenRequested) {
        app_.startJob(job_);
        return;
    }
    if (app_.defaults().boolValue(options::keys::openOptionsOnStart) == std::optional<bool>(false)) {
        options::applyOptionSettings(app_.defaults(), *job_);
        app_.startJob(job_);
        return;
    }
    setShowing(Sheet::start, true);
}

void ProcessingModel::retrySave() {
    QPointer<model::AppModel> app(&app_);
    job_->flush([app](const std::optional<SaveError>& error) {
        if (error && app) app->setError(error->what());
    });
}

void ProcessingModel::openFolder() {
    const fs::path folder(project().folder);
    std::error_code ec;
    if (!folder.empty() && fs::exists(folder, ec)) {
        if (services_.openFolder) services_.openFolder(folder);
        return;
    }
    kit::CenteredAlert alert(loc("Folderul nu e disponibil"),
                             loc("Nu găsesc ") + QString::fromStdString(project().folder) +
                                 loc(". Dacă fotografiile sunt pe un disc extern, conectează-l și încearcă din nou."));
    alert.addChoice(QStringLiteral("OK"));
    kit::dialogs().run(alert);
}

void ProcessingModel::startExport() {
    static constexpr const char* preparing = "Se pregătește exportul…";
    exportMessage_.reset();
    emit exportMessageChanged();
    job_->setExtraStatus(std::string(preparing), 0.01);
    // The flow holds the job and the model, never the screen: it ends (and clears the status line)
    // also when the screen has gone meanwhile; only the summary needs the screen.
    QPointer<ProcessingModel> self(this);
    QPointer<model::AppModel> app(&app_);
    std::shared_ptr<Job> job = job_;
    app_.prepareAnalysis(*job, [self, app, job] {
        if (!app) {
            job->setExtraStatus(std::nullopt, std::nullopt);
            return;
        }
        job->setExtraStatus(std::string(preparing), 0.03);
        app->exportToLightroom(job, true, [self, app, job](std::optional<model::LightroomExportResult> result) {
            if (result) {
                if (self) {
                    self->exportMessage_ = QString::fromStdString(model::exportSummaryText(*result));
                    emit self->exportMessageChanged();
                }
                // After a catalog write the delivery itself reopened Lightroom on the catalog.
                if (app && std::holds_alternative<model::LightroomExportResult::Xmp>(result->value))
                    app->openLightroom(std::nullopt);
            }
            job->setExtraStatus(std::nullopt, std::nullopt);
        });
    });
}

void ProcessingModel::checkPendingExport() {
    if (router_.pendingExport() != project().id) return;
    const State s = job_->state();
    if (s == State::finished) {
        router_.setPendingExport(std::nullopt);
        startExport();
        return;
    }
    // Only a job that will finish by itself keeps the request waiting; for any other the export
    // button is there to press, and a request left behind would fire unexpectedly much later.
    const bool willFinish = s == State::running || s == State::pausing || facts().queued;
    if (!willFinish) router_.setPendingExport(std::nullopt);
}

void ProcessingModel::stateChanged() {
    const State s = job_->state();
    if (s == lastState_) return;
    lastState_ = s;
    // The pending export waits for the state change that finishes the job.
    if (router_.pendingExport() == project().id && s == State::finished) checkPendingExport();
    scheduleRefreshLoop();
    scheduleEstimateTick();
}

void ProcessingModel::scheduleRefreshLoop() {
    // A change of the job's state restarts the loop (the first pass at once); a pass of an older loop
    // finds a newer number and stops. Only a finished catalog project has exports to read.
    const std::uint64_t loop = ++refreshLoop_;
    if (!project().catalogPath || job_->state() != State::finished) return;
    app_.mainExecutor().post([this, alive = alive_, loop] {
        if (*alive) refreshPass(loop);
    });
}

void ProcessingModel::refreshPass(std::uint64_t loop) {
    if (loop != refreshLoop_) return;
    refreshExports();
    app_.mainExecutor().postAfter(exportRefreshInterval, [this, alive = alive_, loop] {
        if (*alive) refreshPass(loop);
    });
}

void ProcessingModel::scheduleEstimateTick() {
    if (job_->state() != State::running) return;
    app_.mainExecutor().postAfter(estimateTick, [this, alive = alive_, state = lastState_] {
        if (!*alive || job_->state() != State::running) return;
        emit estimateChanged();
        if (state == lastState_) scheduleEstimateTick();
    });
}

void ProcessingModel::refreshExports() {
    if (!project().catalogPath || job_->state() != State::finished) return;
    std::set<std::string> among;
    for (const PhotoItem& photo : project().photos)
        if (photo.status == PhotoItem::Status::done) among.insert(photo.path);
    const fs::path catalog(*project().catalogPath);
    auto read = services_.exportedPaths;
    services_.background([main = app_.sharedMainExecutor(), read, catalog, among,
                          self = QPointer<ProcessingModel>(this), alive = alive_] {
        auto value = read(catalog, among);
        main->post([self, alive, value = std::move(value)] {
            if (!*alive || !self || !value) return;
            self->lastSeen_ = self->exported_.size();
            self->exported_ = *value;
            emit self->bannerChanged();
        });
    });
}

}  // namespace orvane::projects

#include "app/rail/rail_model.h"

#include <QCoreApplication>

#include <algorithm>

#include "app/kit/dialogs.h"
#include "app/model/app_version.h"
#include "app/model/list_order.h"

namespace orvane::rail {

using model::Route;
using Kind = Route::Kind;

namespace {
QString tr(const char* text) { return QCoreApplication::translate("Rail", text); }
}  // namespace

RecentStatus recentStatus(const Project& project) {
    if (project.exportedAt) return RecentStatus::exported;
    if (project.pending() == 0 && project.done() > 0) return RecentStatus::toExport;
    return RecentStatus::inProgress;
}

QString recentStatusText(RecentStatus status) {
    switch (status) {
        case RecentStatus::exported: return tr("Exportat");
        case RecentStatus::toExport: return tr("De exportat");
        case RecentStatus::inProgress: return tr("În lucru");
    }
    return {};
}

kit::StatusKind recentStatusKind(RecentStatus status) {
    switch (status) {
        case RecentStatus::exported: return kit::StatusKind::ok;
        case RecentStatus::toExport: return kit::StatusKind::info;
        case RecentStatus::inProgress: return kit::StatusKind::warn;
    }
    return kit::StatusKind::neutral;
}

RailModel::RailModel(model::AppModel& model, model::Router& router, model::Updater* updater, QObject* parent)
    : QObject(parent), model_(model), router_(router), updater_(updater) {
    countBuilt();
    connect(&model_, &model::AppModel::profilesChanged, this, [this] {
        countBuilt();
        emit navChanged();
        announceRecent();
    });
    connect(&model_, &model::AppModel::projectsChanged, this, [this] {
        // A project that is gone takes its rename with it.
        if (renaming_ && !project(*renaming_)) cancelRename();
        emit navChanged();
        announceRecent();
    });
    connect(&router_, &model::Router::routeChanged, this, [this] {
        emit navChanged();
        announceRecent();
        emit activityChanged();
    });
    connect(&model_, &model::AppModel::activeJobsChanged, this, [this] {
        observeJobs();
        announceRecent();  // busy rows
        emit activityChanged();
    });
    connect(&model_, &model::AppModel::queuedChanged, this, &RailModel::activityChanged);
    connect(&model_, &model::AppModel::profileBuildChanged, this, &RailModel::activityChanged);
    connect(&router_, &model::Router::showGuideChanged, this, [this] {
        if (!router_.showGuide()) followGuideDestination();
    });
    if (updater_) {
        for (auto signal : {&model::Updater::availableChanged, &model::Updater::busyChanged,
                            &model::Updater::statusChanged}) {
            connect(updater_, signal, this, [this] {
                emit updateChanged();
                emit navChanged();  // the Settings row's dot and tooltip
            });
        }
    }
    observeJobs();
    announced_ = recentEntries();
}

RailModel::~RailModel() {
    *alive_ = false;
    unobserveJobs();
}

void RailModel::countBuilt() {
    const auto& profiles = model_.profiles();
    builtProfiles_ = int(std::count_if(profiles.begin(), profiles.end(), [](const Profile& p) { return p.isBuilt(); }));
}

const Project* RailModel::project(const Uuid& id) const {
    const auto& list = model_.projects();
    const auto it = std::find_if(list.begin(), list.end(), [&](const Project& p) { return p.id == id; });
    return it == list.end() ? nullptr : &*it;
}

const Job* RailModel::job(const Uuid& id) const {
    const auto found = model_.jobs().find(id);
    return found == model_.jobs().end() ? nullptr : found->second.get();
}

// --- navigation ---

std::vector<NavEntry> RailModel::navEntries() const {
    const Route route = router_.route();
    const Route section = router_.section();
    std::vector<NavEntry> rows;
    rows.push_back({NavItem::home, tr("Acasă"), QStringLiteral("house"), std::nullopt, route.kind == Kind::home});
    if (model::Router::offersProfilesAndProjects(model_)) {
        rows.push_back({NavItem::profiles, tr("Profiluri AI"), QStringLiteral("slider.horizontal.3"),
                        QString::number(builtProfiles_), section.kind == Kind::profiles && route.kind != Kind::library});
        const std::size_t projects = model_.projects().size();
        rows.push_back({NavItem::projects, tr("Proiecte"), QStringLiteral("photo.stack"),
                        projects > 0 ? std::optional(QString::number(projects)) : std::nullopt,
                        section.kind == Kind::projects});
    }
    rows.push_back({NavItem::settings, tr("Setări"), QStringLiteral("gearshape"), std::nullopt, route.kind == Kind::settings});
    rows.push_back({NavItem::help, tr("Ajutor"), QStringLiteral("questionmark.circle"), std::nullopt, false});
    return rows;
}

bool RailModel::onPhoto() const { return router_.route().kind == Kind::home; }

void RailModel::activate(NavItem item) {
    switch (item) {
        case NavItem::home: router_.setRoute(Route::home()); break;
        case NavItem::profiles: router_.setRoute(Route::profiles()); break;
        case NavItem::projects: router_.setRoute(Route::projects()); break;
        case NavItem::settings: router_.setRoute(Route::settings()); break;
        case NavItem::help: setShowHelp(true); break;
    }
}

void RailModel::goHome() { router_.setRoute(Route::home()); }

QString RailModel::settingsTip() const {
    if (updateAvailable())
        return tr("Versiune nouă disponibilă: %1").arg(QString::fromStdString(updater_->available()->version));
    return tr("Setări · ") + model::appVersionText();
}

// --- help ---

void RailModel::setShowHelp(bool show) {
    if (showHelp_ == show) return;
    showHelp_ = show;
    emit helpChanged();
}

void RailModel::presentAfterHelp(HelpSheet sheet) {
    setShowHelp(false);
    // The sheet opens once the menu has gone; the router outlives a rail rebuilt meanwhile.
    model_.mainExecutor().postAfter(helpSheetDelay, [router = QPointer<model::Router>(&router_), sheet] {
        if (!router) return;
        switch (sheet) {
            case HelpSheet::welcome: router->setShowWelcome(true); break;
            case HelpSheet::guide: router->setShowGuide(true); break;
            case HelpSheet::feedback: router->setShowFeedback(true); break;
        }
    });
}

void RailModel::followGuideDestination() {
    const auto destination = router_.guideDestination();
    if (!destination) return;
    router_.setGuideDestination(std::nullopt);
    switch (*destination) {
        case model::GuideDestination::profiles: router_.setRoute(Route::profiles()); break;
        case model::GuideDestination::projects: router_.setRoute(Route::projects()); break;
        case model::GuideDestination::newProject: router_.setShowQuickEdit(true); break;
        case model::GuideDestination::lightroom: model_.openLightroom(std::nullopt); break;
    }
}

// --- update notice ---

bool RailModel::updateAvailable() const { return updater_ && updater_->available().has_value(); }

QString RailModel::updateVersionText() const {
    if (!updateAvailable()) return {};
    return tr("Versiunea %1").arg(QString::fromStdString(updater_->available()->version));
}

bool RailModel::updateBusy() const { return updater_ && updater_->busy(); }

QString RailModel::updateButtonText() const { return updateBusy() ? tr("Se descarcă…") : tr("Actualizează"); }

QString RailModel::updateStatus() const { return updater_ ? updater_->status() : QString(); }

void RailModel::startUpdateDownload() {
    if (updater_ && !updater_->busy()) updater_->downloadAvailableUpdate();
}

void RailModel::skipUpdate() {
    if (updater_ && !updater_->busy()) updater_->skipAvailableVersion();
}

// --- recent projects ---

void RailModel::addProject() {
    if (canAddProject()) router_.setShowQuickEdit(true);
}

std::vector<RecentEntry> RailModel::recentEntries() const {
    const Route route = router_.route();
    std::vector<const Project*> projects = model_.currentProjects();
    std::stable_sort(projects.begin(), projects.end(),
                     [](const Project* a, const Project* b) { return model::isMoreRecent(*a, *b); });
    std::vector<RecentEntry> rows;
    for (const Project* p : projects) {
        const RecentStatus status = recentStatus(*p);
        const QString photos = tr("%1 fotografii").arg(p->photos.size());
        rows.push_back({p->id, QString::fromStdString(p->name), status,
                        tr("%1 · %2").arg(recentStatusText(status), photos), route == Route::project(p->id),
                        isBusy(p->id), canDelete(p->id)});
    }
    return rows;
}

bool RailModel::isBusy(const Uuid& id) const {
    const Job* j = job(id);
    return j && Job::isRunInProgress(j->state());
}

bool RailModel::canDelete(const Uuid& id) const {
    const Job* j = job(id);
    return !j || !model::AppModel::refusesProjectChange(*j);
}

void RailModel::openProject(const Uuid& id) { router_.setRoute(Route::project(id)); }

void RailModel::clickRecent(const Uuid& id) {
    if (router_.route() == Route::project(id) && !isBusy(id)) {
        startRename(id);
        return;
    }
    openProject(id);
}

void RailModel::doubleClickRecent(const Uuid& id) {
    if (!isBusy(id)) startRename(id);
}

void RailModel::startRename(const Uuid& id) {
    const Project* p = project(id);
    if (!p || isBusy(id)) return;
    // A rename open on another row ends without saving.
    renameText_ = QString::fromStdString(p->name);
    renaming_ = id;
    emit renameChanged();
}

void RailModel::commitRename(const Uuid& id) {
    if (renaming_ != id) return;
    renaming_.reset();
    emit renameChanged();
    const QString name = renameText_.trimmed();
    const Project* p = project(id);
    if (!p || name.isEmpty() || name.toStdString() == p->name) return;
    const Project target = *p;  // the list is replaced by the rename's reload
    emit renameRequested(id, name);
    model_.renameProject(target, name.toStdString());
}

void RailModel::cancelRename() {
    if (!renaming_) return;
    renaming_.reset();
    emit renameChanged();
}

void RailModel::confirmDelete(const Uuid& id) {
    const Project* p = project(id);
    if (!p || !canDelete(id)) return;
    const Project target = *p;
    const bool confirmed = kit::dialogs().confirm(
        tr("Ștergi proiectul „%1”?").arg(QString::fromStdString(target.name)),
        tr("Valorile calculate se mută în Coș. RAW-urile și XMP-urile exportate nu sunt atinse."), tr("Șterge"));
    if (!confirmed) return;
    // The job may have started while the question was open: a delete the model would refuse silently is
    // said, and the page stays.
    if (!canDelete(id)) {
        model_.setError(tr("Proiectul „%1” nu poate fi șters cât timp se editează.")
                            .arg(QString::fromStdString(target.name))
                            .toStdString());
        return;
    }
    const Route route = router_.route();
    if (route == Route::project(id) || route == Route::reedit(id)) router_.setRoute(Route::projects());
    model_.deleteProject(target);
}

// --- activity ---

std::vector<ActivityCardData> RailModel::activityCards() const {
    return rail::activityCards(model_, router_.route(), model_.mainExecutor().now());
}

void RailModel::openActivity(const ActivityCardData& card) { router_.setRoute(card.target); }

void RailModel::setActivityRefresh(bool on) {
    if (refreshing_ == on) return;
    refreshing_ = on;
    ++tickGeneration_;  // a tick already posted finds a newer generation and stops
    if (on) scheduleTick();
}

void RailModel::scheduleTick() {
    model_.mainExecutor().postAfter(activityInterval, [alive = alive_, self = this, generation = tickGeneration_] {
        if (!*alive || generation != self->tickGeneration_ || !self->refreshing_) return;
        emit self->activityChanged();
        self->scheduleTick();
    });
}

void RailModel::observeJobs() {
    unobserveJobs();
    // Every job, idle ones too: an export changes its project's row without a run.
    for (const auto& [project, j] : model_.jobs()) {
        const auto id = j->observe([this, alive = alive_](Job::Property property) {
            if (!*alive) return;
            activityDirty();
            if (property == Job::Property::state || property == Job::Property::project) recentDirty();
        });
        observed_[project] = {j, id};
    }
}

void RailModel::announceRecent() {
    announced_ = recentEntries();
    emit recentChanged();
}

void RailModel::recentDirty() {
    // The rows follow only when what they show has changed.
    onceThisTurn(recentPending_, [this] {
        if (recentEntries() != announced_) announceRecent();
    });
}

void RailModel::unobserveJobs() {
    for (auto& [id, entry] : observed_)
        if (auto j = entry.first.lock()) j->unobserve(entry.second);
    observed_.clear();
}

void RailModel::activityDirty() {
    onceThisTurn(activityPending_, [this] { emit activityChanged(); });
}

void RailModel::onceThisTurn(bool& pending, std::function<void()> then) {
    // A job publishes once per photo; what follows from it runs once per turn of the loop.
    if (pending) return;
    pending = true;
    model_.mainExecutor().post([alive = alive_, &pending, then = std::move(then)] {
        if (!*alive) return;
        pending = false;
        then();
    });
}

}  // namespace orvane::rail

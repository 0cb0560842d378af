#include "app/model/router.h"

#include <algorithm>

#include "app/model/app_model.h"

namespace orvane::model {

namespace {
// Assigns and tells the observers when the value changed.
template <class T, class Signal>
void assign(Router* router, T& field, const T& value, Signal changed) {
    if (field == value) return;
    field = value;
    emit(router->*changed)();
}
}  // namespace

Router::Router(std::shared_ptr<Defaults> defaults, QObject* parent) : QObject(parent), defaults_(std::move(defaults)) {
    if (auto stored = defaults_->textValue(defaultProfileKey)) preferredProfile_ = Uuid::parse(*stored);
}

void Router::setRoute(const Route& route) { assign(this, route_, route, &Router::routeChanged); }
void Router::setShowNewProject(bool show) { assign(this, showNewProject_, show, &Router::showNewProjectChanged); }
void Router::setShowNewProfile(bool show) { assign(this, showNewProfile_, show, &Router::showNewProfileChanged); }
void Router::setShowQuickEdit(bool show) { assign(this, showQuickEdit_, show, &Router::showQuickEditChanged); }
void Router::setAutoStart(const OptionalUuid& project) {
    assign(this, autoStart_, project, &Router::autoStartChanged);
}
void Router::setPendingExport(const OptionalUuid& project) {
    assign(this, pendingExport_, project, &Router::pendingExportChanged);
}
void Router::setImportRequested(bool requested) {
    assign(this, importRequested_, requested, &Router::importRequestedChanged);
}
void Router::setNewProfileAutoPro(bool pro) { assign(this, newProfileAutoPro_, pro, &Router::newProfileAutoProChanged); }
void Router::setPendingPreset(const OptionalPath& preset) {
    assign(this, pendingPreset_, preset, &Router::pendingPresetChanged);
}
void Router::setDroppedItem(const OptionalPath& item) { assign(this, droppedItem_, item, &Router::droppedItemChanged); }
void Router::setShowWelcome(bool show) { assign(this, showWelcome_, show, &Router::showWelcomeChanged); }
void Router::setShowGuide(bool show) { assign(this, showGuide_, show, &Router::showGuideChanged); }
void Router::setShowFeedback(bool show) { assign(this, showFeedback_, show, &Router::showFeedbackChanged); }
void Router::setGuideDestination(const OptionalGuideDestination& destination) {
    assign(this, guideDestination_, destination, &Router::guideDestinationChanged);
}

void Router::setPreferredProfile(const OptionalUuid& profile) {
    assign(this, preferredProfile_, profile, &Router::preferredProfileChanged);
    savePreferredProfile();  // after every assignment, also of the same value
}

void Router::savePreferredProfile() {
    if (preferredProfile_) {
        defaults_->set(defaultProfileKey, preferredProfile_->text());
    } else {
        defaults_->remove(defaultProfileKey);
    }
}

Route Router::sectionOf(const Route& route) {
    switch (route.kind) {
        case Route::Kind::profile:
        case Route::Kind::library: return Route::profiles();
        case Route::Kind::project:
        case Route::Kind::reedit: return Route::projects();
        default: return route;
    }
}

Route Router::section() const { return sectionOf(route_); }

bool Router::offersProfilesAndProjects(const AppModel& model) {
    const auto& profiles = model.profiles();
    return !model.projects().empty() ||
           std::any_of(profiles.begin(), profiles.end(), [](const Profile& p) { return p.isBuilt(); });
}

void Router::openQuickEdit(const AppModel& model) {
    for (const Profile& profile : model.profiles()) {
        if (profile.isBuilt()) {
            setShowQuickEdit(true);
            return;
        }
    }
    setShowNewProfile(true);
}

}  // namespace orvane::model

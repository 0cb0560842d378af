#include "app/home/home_model.h"

#include <pwd.h>
#include <unistd.h>

#include <QDateTime>
#include <QPointer>

#include <algorithm>
#include <cmath>

#include "app/kit/localization.h"
#include "app/model/duration_text.h"

namespace orvane::home {

namespace {
bool offered = false;
QString u(const char* text) { return QString::fromUtf8(text); }
}  // namespace

QString greetingPhrase(int hour) {
    if (hour < 5) return u("NOAPTE BUNĂ");
    if (hour < 12) return u("BUNĂ DIMINEAȚA");
    if (hour < 18) return u("BUNĂ ZIUA");
    return u("BUNĂ SEARA");
}

QString userFirstName(const QString& fullName) {
    const QStringList pieces = fullName.split(QChar(u' '), Qt::SkipEmptyParts);
    return pieces.isEmpty() ? QString() : pieces.first();
}

QString greetingTitle(int hour, const QString& fullName) {
    // The default case mapping, not the user's locale.
    const QString name = userFirstName(fullName).toUpper();
    return name.isEmpty() ? greetingPhrase(hour) : greetingPhrase(hour) + QStringLiteral(", ") + name;
}

QString accountFullName() {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found || !found->pw_gecos)
        return {};
    const QString gecos = QString::fromUtf8(found->pw_gecos);
    return gecos.section(u',', 0, 0);
}

QString greetingTitle() { return greetingTitle(QTime::currentTime().hour(), accountFullName()); }

double manualSecondsPerPhoto(const Defaults& defaults) {
    const std::optional<double> stored = defaults.numberValue("manualSecondsPerPhoto");
    // Read as a whole number; anything below 10 (or nothing usable) means the usual 40.
    const double whole = stored && std::isfinite(*stored) ? std::trunc(*stored) : 0.0;
    return whole < 10 ? 40.0 : whole;
}

TimeSaved timeSaved(const std::vector<Project>& projects, double manual) {
    TimeSaved t;
    for (const Project& p : projects) {
        t.photos += static_cast<std::int64_t>(p.done());
        t.worked += p.elapsed.value_or(0.0);
    }
    const double estimate = manual * static_cast<double>(t.photos) - t.worked;
    t.seconds = std::isfinite(estimate) && estimate > 0 ? estimate : (estimate > 0 ? 1e15 : 0.0);
    return t;
}

QString SavedTimeFigure::text() const {
    QString out = QString::number(large) + u' ' + largeUnit;
    if (small) out += u' ' + QString::number(*small) + u' ' + smallUnit;
    return out;
}

SavedTimeFigure savedTimeFigure(double seconds) {
    // Limited before the conversion: a value set outside the application may be anything.
    const double limited = std::isfinite(seconds) ? std::clamp(seconds, 0.0, 1e15) : (seconds > 0 ? 1e15 : 0.0);
    const auto s = static_cast<std::int64_t>(std::llround(limited));
    const std::int64_t hours = s / 3600, minutes = s % 3600 / 60, secs = s % 60;
    if (s >= 3600) return {hours, QStringLiteral("h"), minutes, QStringLiteral("min")};
    if (s >= 60) return {minutes, QStringLiteral("min"), secs, QStringLiteral("s")};
    return {secs, QStringLiteral("s"), std::nullopt, {}};
}

Date activityDate(const Project& project) {
    if (project.exportedAt) return *project.exportedAt;
    if (project.finishedAt) return *project.finishedAt;
    if (project.startedAt) return *project.startedAt;
    return Date::min();
}

std::vector<const Project*> recentProjects(const std::vector<Project>& projects) {
    std::vector<const Project*> each;
    for (const Project& p : projects) each.push_back(&p);
    return recentProjects(std::move(each));
}

std::vector<const Project*> recentProjects(std::vector<const Project*> out) {
    std::stable_sort(out.begin(), out.end(),
                     [](const Project* a, const Project* b) { return activityDate(*a) > activityDate(*b); });
    if (out.size() > 3) out.resize(3);
    return out;
}

HomeContent homeContent(const std::vector<Project>& projects, bool hasBuiltProfile, double manual, bool english) {
    HomeContent c;
    const bool hasProjects = !projects.empty();
    c.saved = timeSaved(projects, manual);
    c.showsEstimate = hasProjects && c.saved.seconds >= 60;
    if (c.showsEstimate)
        c.caption = kit::localized("economisite · ") + QString::number(c.saved.photos) +
                    kit::localized(" fotografii în ") +
                    QString::fromStdString(model::durationText(c.saved.worked, english));
    const bool returning = hasBuiltProfile || hasProjects;
    c.headline = kit::localized(returning ? "Ce facem azi?" : "Editezi o nuntă întreagă în câteva minute.");
    c.buttonTitle = kit::localized(returning ? "Proiect nou" : "Începe să editezi");
    c.bottom = hasProjects ? BottomSection::recent : hasBuiltProfile ? BottomSection::noProjects : BottomSection::steps;
    return c;
}

QString photoCountText(const Project& project) {
    return QString::number(project.photos.size()) + kit::localized(" fotografii");
}

const std::vector<WelcomeStep>& welcomeSteps() {
    static const std::vector<WelcomeStep> steps{
        {u("photo.stack"), u("Alegi fotografiile"), u("Alegi nunta din catalogul Lightroom.")},
        {u("bolt.fill"), u("Se editează singur"), u("Vendrel aplică profilul AI pe toate fotografiile.")},
        {u("square.and.arrow.up"), u("Le trimiți în Lightroom"), u("Revizuiești rezultatele și livrezi mai rapid.")},
    };
    return steps;
}

HomeModel::HomeModel(model::AppModel& model, model::Router& router, QObject* parent)
    : QObject(parent), model_(model), router_(router) {
    connect(&model_, &model::AppModel::projectsChanged, this, &HomeModel::changed);
    connect(&model_, &model::AppModel::profilesChanged, this, &HomeModel::changed);
    // A run that ends changes what the page counts, with no change of the list.
    connect(&model_, &model::AppModel::activeJobsChanged, this, &HomeModel::changed);
}

bool HomeModel::hasBuiltProfile() const {
    const auto& profiles = model_.profiles();
    return std::any_of(profiles.begin(), profiles.end(), [](const Profile& p) { return p.isBuilt(); });
}

HomeContent HomeModel::content() const {
    // Each project as it stands now: a run that ended since the list was read counts its photos.
    std::vector<Project> current;
    for (const Project* p : model_.currentProjects()) current.push_back(*p);
    return homeContent(current, hasBuiltProfile(), manualSecondsPerPhoto(model_.defaults()),
                       kit::englishInterface());
}

void HomeModel::start() { router_.openQuickEdit(model_); }

void HomeModel::openProject(const Uuid& id) { router_.setRoute(model::Route::project(id)); }

void HomeModel::showAllProjects() { router_.setRoute(model::Route::projects()); }

void HomeModel::pageShown() {
    if (!model_.projects().empty() || offered) return;
    offered = true;
    QPointer<HomeModel> self(this);
    model_.mainExecutor().postAfter(welcomeDelay, [self] {
        // A welcome arriving later would wait behind the user's sheet and cover their next step.
        if (self && !self->userHasStarted()) self->router_.setShowWelcome(true);
    });
}

bool HomeModel::userHasStarted() const {
    return router_.route() != model::Route::home() || router_.showNewProfile() || router_.showNewProject() ||
           router_.showQuickEdit() || router_.showGuide() || router_.showFeedback() ||
           model_.profileReady().has_value();
}

bool HomeModel::welcomeOffered() { return offered; }
void HomeModel::setWelcomeOfferedForTesting(bool value) { offered = value; }

}  // namespace orvane::home

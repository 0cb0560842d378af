#pragma once
// The home page without widgets: the greeting, the time-saved estimate and its figure, the order of
// the recent projects, what the page shows for what exists yet, and the welcome sheet's trigger.
#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

#include "app/model/app_model.h"
#include "app/model/router.h"

namespace orvane::home {

// "NOAPTE BUNĂ" (0–4), "BUNĂ DIMINEAȚA" (5–11), "BUNĂ ZIUA" (12–17), "BUNĂ SEARA" (18–23).
QString greetingPhrase(int hour);
// The first piece of the full name split at U+0020 (empty pieces dropped), or "".
QString userFirstName(const QString& fullName);
// The phrase, then ", " and the upper-cased first name when there is one.
QString greetingTitle(int hour, const QString& fullName);
// The account's full name: the first field of its GECOS entry, or "".
QString accountFullName();
// The greeting for the current local hour and the account's name.
QString greetingTitle();

// Seconds of manual editing per photo: the stored "manualSecondsPerPhoto" (an integer the application
// never writes), 40 when it is below 10, absent or not a number.
double manualSecondsPerPhoto(const Defaults& defaults);

struct TimeSaved {
    std::int64_t photos = 0;  // done photos of every project
    double worked = 0;        // seconds the processing ran
    double seconds = 0;       // manual × photos − worked, never negative
};
TimeSaved timeSaved(const std::vector<Project>& projects, double manualSecondsPerPhoto);

// The large figure of a number of seconds: "3 h 25 min", "12 min 0 s", "45 s".
struct SavedTimeFigure {
    std::int64_t large = 0;
    QString largeUnit;
    std::optional<std::int64_t> small;
    QString smallUnit;
    QString text() const;
};
SavedTimeFigure savedTimeFigure(double seconds);

// exportedAt, else finishedAt, else startedAt, else the distant past.
Date activityDate(const Project& project);
// The first three projects by activity, newest first; equal dates keep the list's order.
std::vector<const Project*> recentProjects(const std::vector<Project>& projects);
std::vector<const Project*> recentProjects(std::vector<const Project*> projects);

enum class BottomSection { steps, recent, noProjects };

// Everything the page shows that depends on the model.
struct HomeContent {
    bool showsEstimate = false;
    TimeSaved saved;
    QString caption;   // under the figure
    QString headline;  // instead of the estimate
    QString buttonTitle;
    BottomSection bottom = BottomSection::steps;
};
HomeContent homeContent(const std::vector<Project>& projects, bool hasBuiltProfile, double manualSecondsPerPhoto,
                        bool english = false);

// "N fotografii" under a recent project's name.
QString photoCountText(const Project& project);

// The three rows of the welcome sheet: symbol, title, text.
struct WelcomeStep {
    QString symbol;
    QString title;
    QString text;
};
const std::vector<WelcomeStep>& welcomeSteps();

// The page's state over the application model and the router.
class HomeModel final : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds welcomeDelay{500};

    HomeModel(model::AppModel& model, model::Router& router, QObject* parent = nullptr);

    bool hasBuiltProfile() const;
    HomeContent content() const;
    // As each project stands now (AppModel::current).
    std::vector<const Project*> recent() const { return recentProjects(model_.currentProjects()); }

    // The start button: the quick project sheet with a built profile, else the new-profile sheet.
    void start();
    void openProject(const Uuid& id);
    void showAllProjects();

    // The page came on screen: with no projects, the first time in this process, the welcome sheet
    // opens 0.5 s later, unless by then the page has gone or the user has already started (see below).
    void pageShown();
    // The user is past the welcome: they left the home page or opened one of the window's sheets.
    bool userHasStarted() const;
    // Whether the welcome has been offered in this process.
    static bool welcomeOffered();
    // Tests set it: true keeps the welcome from opening over a test that does not expect it.
    static void setWelcomeOfferedForTesting(bool offered);

signals:
    void changed();

private:
    model::AppModel& model_;
    model::Router& router_;
};

}  // namespace orvane::home

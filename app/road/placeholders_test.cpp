// Every page and sheet the router can show, shown in the main window's content: the ones whose screen
// is not built yet still show the shell's placeholder (a title and nothing else). The list of those
// is explicit and only shrinks: a new placeholder fails, and so does a listed one that became real
// (take it off the list then).
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <set>

#include "app/kit/sheet_host.h"
#include "app/shell/content_view.h"
#include "app/shell/shell_fixtures.h"
#include "testing/job_fixtures.h"
#include "testing/model_fixtures.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

using namespace orvane;
using model::Route;
using Sheet = shell::ContentView::Sheet;

namespace {

// Every page and sheet the router can show is a real screen.
const std::set<std::string> expectedPlaceholders = {};

// A placeholder shows its title (and a sheet its close button) and nothing else.
bool isPlaceholder(const QWidget* shown) {
    for (const QWidget* w : shown->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(shown)) continue;
        if (w->objectName() == "pageTitle" || w->objectName() == "sheetTitle") continue;
        bool closeButton = false;
        for (const QWidget* up = w; up && up != shown; up = up->parentWidget())
            closeButton = closeButton || qobject_cast<const kit::SheetCloseButton*>(up);
        if (!closeButton) return false;
    }
    return true;
}

TEST(Placeholders, onlyTheListedPagesAndSheetsAreStillPlaceholders) {
    orvane::testing::freshDataDir();
    orvane::testing::TempDir home;  // the sheets' catalog search walks an empty home
    orvane::testing::ScopedEnv homeEnv("HOME", home.path().string());
    const Profile profile = orvane::testing::builtProfile("Nunți");
    Project project = orvane::testing::projectWith(2, 0, 0, "Nuntă");
    project.profileID = profile.id;
    project.save();
    shell::testing::App app;
    app.model->reload();
    shell::ContentView content(*app.model, *app.router);
    content.resize(1247, 837);
    content.show();

    std::set<std::string> placeholders;
    const std::pair<const char*, Route> pages[] = {
        {"home", Route::home()},
        {"library", Route::library()},
        {"profiles", Route::profiles()},
        {"projects", Route::projects()},
        {"settings", Route::settings()},
        {"profile", Route::profile(profile.id)},
        {"project", Route::project(project.id)},
        {"reedit", Route::reedit(project.id)},
    };
    for (const auto& [name, route] : pages) {
        app.router->setRoute(route);
        QCoreApplication::processEvents();
        QWidget* page = content.page();
        ASSERT_NE(page, nullptr) << name;
        if (isPlaceholder(page)) placeholders.insert(std::string("page ") + name);
    }
    app.router->setRoute(Route::home());

    const std::pair<const char*, Sheet> sheets[] = {
        {"newProject", Sheet::newProject}, {"newProfile", Sheet::newProfile}, {"quickEdit", Sheet::quickEdit},
        {"profileReady", Sheet::profileReady}, {"welcome", Sheet::welcome},   {"guide", Sheet::guide},
        {"feedback", Sheet::feedback},
    };
    for (const auto& [name, which] : sheets) {
        switch (which) {
            case Sheet::newProject: app.router->setShowNewProject(true); break;
            case Sheet::newProfile: app.router->setShowNewProfile(true); break;
            case Sheet::quickEdit: app.router->setShowQuickEdit(true); break;
            case Sheet::profileReady: app.model->setProfileReady(profile); break;
            case Sheet::welcome: app.router->setShowWelcome(true); break;
            case Sheet::guide: app.router->setShowGuide(true); break;
            case Sheet::feedback: app.router->setShowFeedback(true); break;
        }
        QCoreApplication::processEvents();
        QWidget* shown = content.sheet(which);
        ASSERT_NE(shown, nullptr) << name;
        if (isPlaceholder(shown)) placeholders.insert(std::string("sheet ") + name);
        content.closeSheet(which);
        QCoreApplication::processEvents();
        EXPECT_EQ(content.sheet(which), nullptr) << name;
    }

    for (const std::string& p : placeholders)
        EXPECT_TRUE(expectedPlaceholders.count(p)) << p << " shows the shell's placeholder";
    for (const std::string& p : expectedPlaceholders)
        EXPECT_TRUE(placeholders.count(p)) << p << " is a real screen now: take it off the list";
}

}  // namespace

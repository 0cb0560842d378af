// The home page and the welcome sheet offscreen, with real clicks: the three first-run states, the
// recent tiles, and the welcome's once-per-process trigger on the model's virtual clock.
#include "app/home/home_view.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

#include "app/home/welcome_sheet.h"
#include "app/kit/app_style.h"
#include "app/kit/appearance.h"
#include "app/kit/buttons.h"
#include "app/kit/fonts.h"
#include "app/kit/kit_settings.h"
#include "app/kit/text.h"
#include "testing/job_fixtures.h"
#include "testing/model_fixtures.h"

namespace orvane::home {
namespace {

using namespace std::chrono_literals;
using model::Route;

struct World {
    std::shared_ptr<ManualExecutor> main = std::make_shared<ManualExecutor>();
    std::shared_ptr<FileDefaults> defaults = std::make_shared<FileDefaults>();
    std::unique_ptr<model::AppModel> model;
    std::unique_ptr<model::Router> router;

    World(bool builtProfile, std::vector<Project> projects) {
        testing::freshDataDir();
        if (builtProfile) testing::builtProfile("Nunți");
        for (const Project& p : projects) p.save();
        setUserDefaults(defaults);
        kit::KitSettings::instance().rebind(defaults);
        model = std::make_unique<model::AppModel>(main, defaults, nullptr);
        router = std::make_unique<model::Router>(defaults);
        HomeModel::setWelcomeOfferedForTesting(false);
    }
    std::unique_ptr<HomeView> page() {
        auto view = std::make_unique<HomeView>(*model, *router);
        view->resize(1000, 760);
        view->show();
        QApplication::processEvents();
        return view;
    }
};

std::vector<Project> fiveProjects() {
    std::vector<Project> out;
    const Date day = Date(std::chrono::hours(24 * 20000));
    for (int i = 0; i < 5; ++i) {
        Project p = testing::projectWith(1, i + 1, 0, "Nunta " + std::to_string(i + 1));
        p.finishedAt = day + std::chrono::hours(i);  // the last one is the newest
        out.push_back(p);
    }
    return out;
}

QStringList tileNames(const HomeView& view) {
    QStringList names;
    for (const RecentItem* tile : view.recentItems()) names << tile->name();
    return names;
}

TEST(HomeView, noProjectsAndNoProfileInvitesAFirstEdit) {
    World w(false, {});
    auto view = w.page();
    ASSERT_TRUE(view->headlineLabel());
    EXPECT_EQ(view->headlineLabel()->text(), QString::fromUtf8("Editezi o nuntă întreagă în câteva minute."));
    EXPECT_EQ(view->startButton()->text(), QString::fromUtf8("Începe să editezi"));
    EXPECT_TRUE(view->stepsRow());
    EXPECT_FALSE(view->noProjectsLabel());
    EXPECT_TRUE(view->recentItems().isEmpty());
    EXPECT_FALSE(view->figure());
    QTest::mouseClick(view->startButton(), Qt::LeftButton);
    EXPECT_TRUE(w.router->showNewProfile());
    EXPECT_FALSE(w.router->showQuickEdit());
}

TEST(HomeView, aBuiltProfileAndNoProjectsOffersANewProject) {
    World w(true, {});
    auto view = w.page();
    EXPECT_EQ(view->headlineLabel()->text(), QString::fromUtf8("Ce facem azi?"));
    EXPECT_EQ(view->startButton()->text(), QString::fromUtf8("Proiect nou"));
    ASSERT_TRUE(view->noProjectsLabel());
    EXPECT_EQ(view->noProjectsLabel()->text(), QString::fromUtf8("Încă nu ai proiecte."));
    EXPECT_FALSE(view->stepsRow());
    QTest::mouseClick(view->startButton(), Qt::LeftButton);
    EXPECT_TRUE(w.router->showQuickEdit());
    EXPECT_FALSE(w.router->showNewProfile());
}

TEST(HomeView, projectsShowTheTimeSavedAndTheThreeMostRecent) {
    World w(false, fiveProjects());
    auto view = w.page();
    // 15 done photos × 40 s: 10 minutes saved.
    ASSERT_TRUE(view->figure());
    EXPECT_FALSE(view->headlineLabel());
    ASSERT_TRUE(view->captionLabel());
    EXPECT_EQ(view->captionLabel()->text(), QString::fromUtf8("economisite · 15 fotografii în 0 secunde"));
    EXPECT_EQ(tileNames(*view), (QStringList{"Nunta 5", "Nunta 4", "Nunta 3"}));
    EXPECT_EQ(view->recentItems().first()->detail(), QString::fromUtf8("6 fotografii"));
    // The title says "Proiect nou" but with no built profile the button opens the new-profile sheet.
    EXPECT_EQ(view->startButton()->text(), QString::fromUtf8("Proiect nou"));
    QTest::keyClick(view.get(), Qt::Key_Return);
    EXPECT_TRUE(w.router->showNewProfile());

    const Uuid third = w.model->projects()[2].id;
    QTest::mouseClick(view->recentItems()[2], Qt::LeftButton);
    EXPECT_EQ(w.router->route(), Route::project(third));
    ASSERT_TRUE(view->showAllButton());
    QTest::mouseClick(view->showAllButton(), Qt::LeftButton);
    EXPECT_EQ(w.router->route(), Route::projects());
}

TEST(HomeView, oneProjectWithoutTimeSavedShowsTheHeadlineAndOneTile) {
    World w(false, {testing::projectWith(0, 1, 0, "Botez")});
    auto view = w.page();
    EXPECT_FALSE(view->figure()) << "40 s is under a minute";
    EXPECT_EQ(view->headlineLabel()->text(), QString::fromUtf8("Ce facem azi?"));
    EXPECT_EQ(tileNames(*view), QStringList{"Botez"});
    EXPECT_EQ(view->recentItems().first()->detail(), QString::fromUtf8("1 fotografii"));
    EXPECT_TRUE(view->showAllButton());
}

// The model's list is reread only after some changes, and a run's end is not one of them: the page
// counts the photos the project's job has edited meanwhile.
TEST(HomeView, theTimeSavedCountsARunThatEndsWhileThePageIsShown) {
    const Project listed = testing::projectWith(30, 0, 0, "Nuntă");
    World w(true, {listed});
    auto view = w.page();
    EXPECT_FALSE(view->figure()) << "nothing edited yet";
    // The job's copy, edited to its end while the page is on screen.
    Project edited = testing::projectWith(0, 30, 0, "Nuntă");
    edited.id = listed.id;
    w.model->registerJob(Job::make(w.main, edited, 1, false,
                                   Job::FileProcess([](const std::filesystem::path& f) { return testing::resultFor(f); })));
    QApplication::processEvents();
    ASSERT_TRUE(view->figure()) << "30 photos × 40 s";
    EXPECT_EQ(view->captionLabel()->text(), QString::fromUtf8("economisite · 30 fotografii în 0 secunde"));
    EXPECT_EQ(tileNames(*view), QStringList{"Nuntă"});
}

TEST(HomeView, theWelcomeOpensHalfASecondAfterTheFirstShowOncePerProcess) {
    World w(true, {});
    {
        auto view = w.page();
        w.main->advance(499ms);
        EXPECT_FALSE(w.router->showWelcome());
        w.main->advance(1ms);
        EXPECT_TRUE(w.router->showWelcome());
    }
    w.router->setShowWelcome(false);
    auto again = w.page();  // back to the home page in the same run
    w.main->advance(2s);
    EXPECT_FALSE(w.router->showWelcome());
}

TEST(HomeView, theWelcomeNeverOpensWithProjectsAndNotForAPageAlreadyGone) {
    {
        World w(false, fiveProjects());
        auto view = w.page();
        w.main->advance(2s);
        EXPECT_FALSE(w.router->showWelcome());
        EXPECT_FALSE(HomeModel::welcomeOffered());
    }
    World w(false, {});
    w.page().reset();  // left before the half second passed
    w.main->advance(2s);
    EXPECT_FALSE(w.router->showWelcome());
    EXPECT_TRUE(HomeModel::welcomeOffered());
}

// A welcome shown after the user has started waits behind their sheet and then covers their next
// one (the new-project sheet of a dropped catalog, in the photographer's road).
TEST(HomeView, theWelcomeDoesNotOpenOnceTheUserHasStarted) {
    const std::vector<std::pair<const char*, std::function<void(World&, HomeView&)>>> starts{
        {"the start button", [](World&, HomeView& view) { QTest::mouseClick(view.startButton(), Qt::LeftButton); }},
        {"a dropped folder", [](World& w, HomeView&) { w.router->setShowNewProject(true); }},
        {"the quick edit", [](World& w, HomeView&) { w.router->setShowQuickEdit(true); }},
        {"the guide", [](World& w, HomeView&) { w.router->setShowGuide(true); }},
        {"the feedback form", [](World& w, HomeView&) { w.router->setShowFeedback(true); }},
        {"a ready profile", [](World& w, HomeView&) { w.model->setProfileReady(w.model->profiles().front()); }},
        {"another page", [](World& w, HomeView&) { w.router->setRoute(Route::settings()); }},
    };
    for (const auto& [what, start] : starts) {
        SCOPED_TRACE(what);
        World w(false, {});
        testing::builtProfile("Nunți");  // for the ready sheet; still no project
        w.model->reload();
        auto view = w.page();
        w.main->advance(200ms);
        start(w, *view);
        w.main->advance(2s);
        EXPECT_FALSE(w.router->showWelcome());
    }
    // Closing the sheet before the half second is up leaves the welcome its turn.
    World w(false, {});
    auto view = w.page();
    w.router->setShowNewProfile(true);
    w.router->setShowNewProfile(false);
    w.main->advance(500ms);
    EXPECT_TRUE(w.router->showWelcome());
}

TEST(WelcomeSheet, showsTheStepsInOrderAndClosesWithItsButtonOrReturn) {
    int closed = 0;
    WelcomeSheet sheet(welcomeSteps(), [&] { ++closed; });
    sheet.show();
    ASSERT_EQ(sheet.stepRows().size(), 3);
    const char* titles[] = {"Alegi fotografiile", "Se editează singur", "Le trimiți în Lightroom"};
    for (int i = 0; i < 3; ++i) {
        auto* title = sheet.stepRows()[i]->findChild<kit::KitLabel*>("stepTitle");
        ASSERT_TRUE(title);
        EXPECT_EQ(title->text(), QString::fromUtf8(titles[i]));
    }
    QTest::mouseClick(sheet.closeButton(), Qt::LeftButton);
    EXPECT_EQ(closed, 1);
    QTest::keyClick(&sheet, Qt::Key_Return);
    EXPECT_EQ(closed, 2);
    WelcomeSheet empty({}, {});
    EXPECT_TRUE(empty.stepRows().isEmpty());
}

TEST(HomeView, screenshotsLightAndDark) {
    if (!qEnvironmentVariableIsSet("ORVANE_WRITE_SCREENSHOTS")) GTEST_SKIP() << "set ORVANE_WRITE_SCREENSHOTS to write docs/";
    kit::installUiFont();
    kit::installApplicationStyle();
    struct State {
        const char* name;
        bool profile;
        std::vector<Project> projects;
    };
    const State states[] = {{"home-first-run", false, {}}, {"home-no-projects", true, {}}, {"home-projects", true, fiveProjects()}};
    for (const auto& s : states) {
        World w(s.profile, s.projects);
        for (bool dark : {false, true}) {
            kit::Appearance::instance().setOverride(dark);
            auto view = w.page();
            view->resize(1000, 780);
            QApplication::processEvents();
            const QString path = QString(ORVANE_SOURCE_DIR) + "/docs/" + s.name + (dark ? "-dark" : "-light") + ".png";
            EXPECT_TRUE(view->grab().toImage().save(path));
        }
    }
    for (bool dark : {false, true}) {
        kit::Appearance::instance().setOverride(dark);
        WelcomeSheet sheet(welcomeSteps(), {});
        sheet.show();
        QApplication::processEvents();
        EXPECT_TRUE(sheet.grab().toImage().save(QString(ORVANE_SOURCE_DIR) + "/docs/welcome-" + (dark ? "dark" : "light") + ".png"));
    }
    kit::Appearance::instance().setOverride(std::nullopt);
}

}  // namespace
}  // namespace orvane::home

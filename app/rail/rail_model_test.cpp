// The rail's state without widgets: a model on the manual loop with its virtual clock.
#include "app/rail/rail_model.h"

#include <gtest/gtest.h>

#include "app/model/app_version.h"
#include "app/model/duration_text.h"
#include "app/testing/fake_updater.h"
#include "app/testing/scripted_dialogs.h"
#include "testing/concurrency.h"
#include "testing/job_fixtures.h"
#include "testing/model_fixtures.h"
#include "testing/temp_dir.h"

using namespace orvane;
using namespace orvane::rail;
using namespace orvane::testing;
using namespace std::chrono_literals;
using model::Route;
using State = Job::State;

namespace {

struct Harness {
    std::shared_ptr<ManualExecutor> main = std::make_shared<ManualExecutor>();
    std::shared_ptr<FileDefaults> defaults = std::make_shared<FileDefaults>();
    std::unique_ptr<model::AppModel> model;
    std::unique_ptr<model::Router> router;
    FakeUpdater updater;
    std::unique_ptr<RailModel> rail;
    std::vector<std::shared_ptr<Gate>> gates;

    explicit Harness(int builtProfiles = 0, std::vector<Project> projects = {}) {
        freshDataDir();
        for (int i = 0; i < builtProfiles; ++i) builtProfile("Profil " + std::to_string(i));
        for (const Project& p : projects) p.save();
        model = std::make_unique<model::AppModel>(main, defaults, nullptr);
        router = std::make_unique<model::Router>(defaults);
        rail = std::make_unique<RailModel>(*model, *router, &updater);
    }
    ~Harness() {
        for (auto& g : gates) g->open();
    }
    const Project& project(const std::string& name) const {
        for (const Project& p : model->projects())
            if (p.name == name) return p;
        throw std::runtime_error("no project " + name);
    }
    // A registered job whose photos wait at a gate until the test lets them through.
    std::shared_ptr<Job> job(const Project& p) {
        auto g = std::make_shared<Gate>();
        gates.push_back(g);
        auto j = Job::make(main, p, 1, false, Job::FileProcess([g](const std::filesystem::path& f) {
                               g->pass();
                               return resultFor(f);
                           }));
        model->registerJob(j);
        return j;
    }
    std::shared_ptr<Job> running(const Project& p) {
        auto j = job(p);
        model->startJob(j);
        main->runReady();
        return j;
    }
    std::vector<QString> navTitles() const {
        std::vector<QString> out;
        for (const auto& e : rail->navEntries()) out.push_back(e.title);
        return out;
    }
    std::optional<QString> count(NavItem item) const {
        for (const auto& e : rail->navEntries())
            if (e.item == item) return e.count;
        return std::nullopt;
    }
    std::vector<NavItem> selected() const {
        std::vector<NavItem> out;
        for (const auto& e : rail->navEntries())
            if (e.selected) out.push_back(e.item);
        return out;
    }
};

Date day(int d) { return ManualExecutor::defaultStart() + std::chrono::hours(24 * d); }

Project dated(const std::string& name, std::optional<Date> exported, std::optional<Date> finished,
              std::optional<Date> started, int pending = 0, int done = 3) {
    Project p = projectWith(pending, done, 0, name);
    p.exportedAt = exported;
    p.finishedAt = finished;
    p.startedAt = started;
    return p;
}

}  // namespace

TEST(RailModel, theThreeStatesOfTheModelDecideTheRowsTheirCountsAndTheRecentSection) {
    struct Case {
        const char* name;
        int built;
        int projects;
        std::vector<QString> rows;
        std::optional<QString> profiles, projectsCount;
        bool recent, plus;
    };
    const Case cases[] = {
        {"nothing yet", 0, 0, {"Acasă", "Setări", "Ajutor"}, {}, {}, false, false},
        {"one built profile", 1, 0, {"Acasă", "Profiluri AI", "Proiecte", "Setări", "Ajutor"}, "1", {}, false, true},
        {"projects without a built profile", 0, 2, {"Acasă", "Profiluri AI", "Proiecte", "Setări", "Ajutor"}, "0", "2", true, false},
    };
    for (const auto& c : cases) {
        std::vector<Project> projects;
        for (int i = 0; i < c.projects; ++i) projects.push_back(projectWith(1, 0, 0, "P" + std::to_string(i)));
        Harness h(c.built, projects);
        EXPECT_EQ(h.navTitles(), c.rows) << c.name;
        EXPECT_EQ(h.count(NavItem::profiles), c.profiles) << c.name;
        EXPECT_EQ(h.count(NavItem::projects), c.projectsCount) << c.name;
        EXPECT_EQ(h.rail->showsRecent(), c.recent) << c.name;
        EXPECT_EQ(h.rail->canAddProject(), c.plus) << c.name;
        h.rail->addProject();
        EXPECT_EQ(h.router->showQuickEdit(), c.plus) << c.name << ": \"+\" opens quick edit only with a built profile";
    }
}

TEST(RailModel, theRouteSelectsOneRowAndTheLibrarySelectsNone) {
    Harness h(1, {projectWith(1)});
    const Uuid id = Uuid::random();
    struct Case {
        const char* name;
        Route route;
        std::vector<NavItem> selected;
        bool onPhoto;
    };
    const Case cases[] = {
        {"home", Route::home(), {NavItem::home}, true},
        {"profiles", Route::profiles(), {NavItem::profiles}, false},
        {"a profile", Route::profile(id), {NavItem::profiles}, false},
        {"the library", Route::library(), {}, false},
        {"projects", Route::projects(), {NavItem::projects}, false},
        {"a project", Route::project(id), {NavItem::projects}, false},
        {"a re-edit", Route::reedit(id), {NavItem::projects}, false},
        {"settings", Route::settings(), {NavItem::settings}, false},
    };
    for (const auto& c : cases) {
        h.router->setRoute(c.route);
        EXPECT_EQ(h.selected(), c.selected) << c.name;
        EXPECT_EQ(h.rail->onPhoto(), c.onPhoto) << c.name;
    }
    h.router->setRoute(Route::settings());
    h.rail->goHome();
    EXPECT_EQ(h.router->route(), Route::home());
    h.rail->activate(NavItem::help);
    EXPECT_TRUE(h.rail->showHelp());
    EXPECT_EQ(h.router->route(), Route::home()) << "help opens its menu, not a page";
}

TEST(RailModel, recentProjectsComeNewestFirstWithTheirStatusAndPhotoCount) {
    Harness h(0, {
                     dated("Exportat ieri", day(-1), day(0), day(0)),
                     dated("Fără date", {}, {}, {}, 2, 0),
                     dated("Terminat azi", {}, day(0), day(0)),
                     dated("Doar eșuate", {}, {}, day(-3), 0, 0),
                     dated("Început alaltăieri", {}, {}, day(-2), 4, 1),
                 });
    const auto rows = h.rail->recentEntries();
    std::vector<QString> names;
    for (const auto& r : rows) names.push_back(r.name);
    EXPECT_EQ(names, (std::vector<QString>{"Terminat azi", "Exportat ieri", "Început alaltăieri", "Doar eșuate", "Fără date"}))
        << "the export date comes before a later finish; no date sorts last";

    struct Expect {
        QString name;
        RecentStatus status;
        kit::StatusKind colour;
        QString detail;
    };
    const Expect expected[] = {
        {"Terminat azi", RecentStatus::toExport, kit::StatusKind::info, "De exportat · 3 fotografii"},
        {"Exportat ieri", RecentStatus::exported, kit::StatusKind::ok, "Exportat · 3 fotografii"},
        {"Început alaltăieri", RecentStatus::inProgress, kit::StatusKind::warn, "În lucru · 5 fotografii"},
        {"Doar eșuate", RecentStatus::inProgress, kit::StatusKind::warn, "În lucru · 0 fotografii"},
    };
    for (const auto& e : expected) {
        const auto row = std::find_if(rows.begin(), rows.end(), [&](const RecentEntry& r) { return r.name == e.name; });
        ASSERT_NE(row, rows.end());
        EXPECT_EQ(row->status, e.status) << e.name.toStdString();
        EXPECT_EQ(recentStatusKind(row->status), e.colour) << e.name.toStdString();
        EXPECT_EQ(row->detail, e.detail) << e.name.toStdString();
    }
    // A project whose photos all failed is still "În lucru".
    EXPECT_EQ(recentStatus(projectWith(0, 0, 4)), RecentStatus::inProgress);
}

// The model's list is reread only after some changes; a run's end and an export are not among them. The
// row follows the project's job, which is ahead of the list.
TEST(RailModel, aProjectsRowFollowsItsJobToFinishedAndExportedBeforeTheListIsReread) {
    Harness h(1, {dated("Ieri", day(-1), day(-1), day(-1)), projectWith(2, 0, 0, "Nuntă")});
    const Project nunta = h.project("Nuntă");
    auto row = [&] {
        const auto rows = h.rail->recentEntries();
        return *std::find_if(rows.begin(), rows.end(), [&](const RecentEntry& r) { return r.id == nunta.id; });
    };
    int announced = 0;
    QObject::connect(h.rail.get(), &RailModel::recentChanged, [&] { ++announced; });

    auto j = h.running(nunta);
    EXPECT_EQ(row().status, RecentStatus::inProgress);
    h.gates[0]->open();
    ASSERT_TRUE(runUntilState(*h.main, *j, State::finished));
    h.main->runReady();
    ASSERT_GT(h.project("Nuntă").pending(), 0u) << "the list still holds the project as it was created";
    EXPECT_EQ(row().status, RecentStatus::toExport);
    EXPECT_EQ(row().detail, "De exportat · 2 fotografii");

    announced = 0;
    j->markExported();
    h.main->runReady();
    EXPECT_GE(announced, 1) << "an export alone, with no change of state, redraws the rows";
    EXPECT_EQ(row().status, RecentStatus::exported);
    EXPECT_EQ(h.rail->recentEntries().front().id, nunta.id) << "exported today, before yesterday's project";

    // Publishes that change nothing the rows show are not announced.
    announced = 0;
    j->setExportFolder(std::filesystem::path("/tmp/altundeva"));
    h.main->runReady();
    EXPECT_EQ(announced, 0);
}

TEST(RailModel, fortyProjectsAreAllListed) {
    std::vector<Project> many;
    for (int i = 0; i < 40; ++i) many.push_back(projectWith(1, 0, 0, "Proiect " + std::to_string(i)));
    Harness h(0, many);
    EXPECT_EQ(h.rail->recentEntries().size(), 40u);
}

TEST(RailModel, aClickOpensAProjectAndASecondClickOnItsOpenRowRenamesIt) {
    Harness h(1, {projectWith(1, 0, 0, "Nuntă"), projectWith(1, 0, 0, "Botez")});
    const Uuid nunta = h.project("Nuntă").id;
    h.rail->clickRecent(nunta);
    EXPECT_EQ(h.router->route(), Route::project(nunta));
    EXPECT_FALSE(h.rail->renaming());
    h.rail->clickRecent(nunta);
    EXPECT_EQ(h.rail->renaming(), nunta);
    EXPECT_EQ(h.rail->renameText(), "Nuntă");

    // The re-edit page does not select the row: a click there opens the project page.
    h.rail->cancelRename();
    h.router->setRoute(Route::reedit(nunta));
    h.rail->clickRecent(nunta);
    EXPECT_EQ(h.router->route(), Route::project(nunta));
    EXPECT_FALSE(h.rail->renaming());
}

TEST(RailModel, aRenameSavesTheTrimmedNewNameOnceAndNothingElse) {
    struct Case {
        const char* name;
        QString typed;
        bool escape;
        std::string expected;
        int requests;
    };
    const Case cases[] = {
        {"spaces around are dropped", "  Nuntă Ioana  ", false, "Nuntă Ioana", 1},
        {"a cleared field keeps the old name", "", false, "Nuntă", 0},
        {"blanks only keep the old name", " \t ", false, "Nuntă", 0},
        {"the same name saves nothing", "Nuntă ", false, "Nuntă", 0},
        {"Escape keeps the old name", "Altceva", true, "Nuntă", 0},
    };
    for (const auto& c : cases) {
        Harness h(1, {projectWith(1, 0, 0, "Nuntă")});
        const Uuid id = h.project("Nuntă").id;
        int requests = 0;
        QObject::connect(h.rail.get(), &RailModel::renameRequested, [&] { ++requests; });
        h.rail->doubleClickRecent(id);
        h.rail->setRenameText(c.typed);
        if (c.escape) h.rail->cancelRename();
        // Return, focus loss and the click outside may all arrive for one edit.
        for (int i = 0; i < 3; ++i) h.rail->commitRename(id);
        h.main->runReady();
        EXPECT_EQ(requests, c.requests) << c.name;
        EXPECT_EQ(h.project(c.expected).id, id) << c.name;
        const auto onDisk = Project::all();
        ASSERT_EQ(onDisk.size(), 1u);
        EXPECT_EQ(onDisk[0].name, c.expected) << c.name << ": on disk";
        EXPECT_FALSE(h.rail->renaming()) << c.name;
    }
}

TEST(RailModel, aRenameStartedOnAnotherRowDropsTheFirstWithoutSaving) {
    Harness h(1, {projectWith(1, 0, 0, "A"), projectWith(1, 0, 0, "B")});
    const Uuid a = h.project("A").id, b = h.project("B").id;
    h.rail->startRename(a);
    h.rail->setRenameText("A nou");
    h.rail->startRename(b);
    EXPECT_EQ(h.rail->renaming(), b);
    EXPECT_EQ(h.rail->renameText(), "B");
    h.rail->commitRename(a);  // a late commit of the first row
    EXPECT_EQ(h.rail->renaming(), b);
    EXPECT_NO_THROW(h.project("A"));
}

TEST(RailModel, aBusyProjectCannotBeRenamedOrDeletedAndAPausedOneCan) {
    Harness h(1, {projectWith(3, 0, 0, "Lucru"), projectWith(1, 0, 0, "Liber")});
    const Project lucru = h.project("Lucru");
    const Uuid liber = h.project("Liber").id;

    // Listing the projects makes no job (a job is the one writer of its project file).
    (void)h.rail->recentEntries();
    EXPECT_FALSE(h.rail->isBusy(liber));
    EXPECT_TRUE(h.rail->canDelete(liber));
    EXPECT_TRUE(h.model->jobs().empty());

    auto j = h.running(lucru);
    ASSERT_EQ(j->state(), State::running);
    h.gates[0]->waitEntered(1);
    h.router->setRoute(Route::project(lucru.id));
    EXPECT_TRUE(h.rail->isBusy(lucru.id));
    EXPECT_FALSE(h.rail->canDelete(lucru.id));
    h.rail->clickRecent(lucru.id);
    h.rail->doubleClickRecent(lucru.id);
    h.rail->startRename(lucru.id);
    EXPECT_FALSE(h.rail->renaming()) << "no rename while the job runs";
    const auto rows = h.rail->recentEntries();
    const auto row = std::find_if(rows.begin(), rows.end(), [&](const RecentEntry& r) { return r.id == lucru.id; });
    EXPECT_TRUE(row->busy);
    EXPECT_FALSE(row->deletable);

    j->pause();
    EXPECT_EQ(j->state(), State::pausing);
    EXPECT_TRUE(h.rail->isBusy(lucru.id));
    h.gates[0]->open();
    ASSERT_TRUE(runUntilState(*h.main, *j, State::paused));
    EXPECT_FALSE(h.rail->isBusy(lucru.id));
    EXPECT_TRUE(h.rail->canDelete(lucru.id));
    h.rail->clickRecent(lucru.id);
    EXPECT_EQ(h.rail->renaming(), lucru.id);
}

TEST(RailModel, deletingAsksFirstLeavesTheOpenPageAndIsRefusedWhenTheJobStartedMeanwhile) {
    TempDir home;
    ScopedEnv xdg("XDG_DATA_HOME", (home / "share").string());
    ScriptedDialogs dialogs;
    Harness h(1, {projectWith(2, 0, 0, "Nuntă"), projectWith(2, 0, 0, "Botez")});
    const Uuid nunta = h.project("Nuntă").id;

    h.router->setRoute(Route::reedit(nunta));
    h.rail->confirmDelete(nunta);  // no scripted answer: "Anulează"
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].message, "Ștergi proiectul „Nuntă”?");
    EXPECT_EQ(dialogs.asked[0].informative,
              "Valorile calculate se mută în Coș. RAW-urile și XMP-urile exportate nu sunt atinse.");
    EXPECT_EQ(dialogs.asked[0].buttons, (QStringList{"Șterge", "Anulează"}));
    h.main->runReady();
    EXPECT_EQ(h.router->route(), Route::reedit(nunta)) << "cancelling changes nothing";
    EXPECT_EQ(h.model->projects().size(), 2u);

    dialogs.alertAnswers = {kit::CenteredAlert::firstButton};
    h.rail->confirmDelete(nunta);
    EXPECT_EQ(h.router->route(), Route::projects()) << "the list shows before the project goes";
    h.main->runReady();
    ASSERT_EQ(h.model->projects().size(), 1u);
    EXPECT_EQ(h.model->projects()[0].name, "Botez");

    // The job starts while the question is open: nothing is deleted, the page stays, and the user is told.
    class StartingDialogs final : public kit::Dialogs {
    public:
        std::function<void()> whileAsking;
        int run(kit::CenteredAlert&) override {
            whileAsking();
            return kit::CenteredAlert::firstButton;
        }
    } starting;
    const Project botez = h.project("Botez");
    starting.whileAsking = [&] { h.running(botez); };
    kit::setDialogs(&starting);
    h.router->setRoute(Route::project(botez.id));
    h.rail->confirmDelete(botez.id);
    kit::setDialogs(&dialogs);
    h.main->runReady();
    EXPECT_EQ(h.router->route(), Route::project(botez.id));
    EXPECT_EQ(h.model->projects().size(), 1u);
    EXPECT_EQ(h.model->error(), "Proiectul „Botez” nu poate fi șters cât timp se editează.");
}

TEST(RailModel, helpEntriesCloseTheMenuAndOpenTheirSheetAMomentLater) {
    Harness h;
    using Flag = bool (model::Router::*)() const;
    const std::pair<HelpSheet, Flag> cases[] = {{HelpSheet::welcome, &model::Router::showWelcome},
                                                {HelpSheet::guide, &model::Router::showGuide},
                                                {HelpSheet::feedback, &model::Router::showFeedback}};
    for (const auto& [sheet, flag] : cases) {
        h.rail->setShowHelp(true);
        h.rail->presentAfterHelp(sheet);
        EXPECT_FALSE(h.rail->showHelp()) << "the menu closes at once";
        h.main->advance(149ms);
        EXPECT_FALSE(((*h.router).*flag)());
        h.main->advance(1ms);
        EXPECT_TRUE(((*h.router).*flag)());
    }
}

TEST(RailModel, theGuidesChosenStepIsFollowedOnceWhenTheGuideCloses) {
    struct FakeHost final : platform::LightroomHost {
        int opened = 0;
        std::optional<std::filesystem::path> locate() const override { return std::nullopt; }
        void open(const std::optional<std::filesystem::path>& catalog) override { opened += catalog ? 100 : 1; }
        std::vector<Instance> runningInstances() const override { return {}; }
        std::optional<Instance> lockHolder(const std::filesystem::path&) const override { return std::nullopt; }
        void requestQuit(const Instance&) override {}
        bool terminated(const Instance&) const override { return true; }
    };
    using D = model::GuideDestination;
    struct Case {
        const char* name;
        std::optional<D> destination;
        Route route;
        bool quickEdit;
        int lightroom;
    };
    const Case cases[] = {
        {"closed without a step", std::nullopt, Route::settings(), false, 0},
        {"profiles", D::profiles, Route::profiles(), false, 0},
        {"projects", D::projects, Route::projects(), false, 0},
        {"a new project", D::newProject, Route::settings(), true, 0},
        {"Lightroom, the page stays", D::lightroom, Route::settings(), false, 1},
    };
    for (const auto& c : cases) {
        Harness h;
        auto host = std::make_shared<FakeHost>();
        h.model->setDeliveryServices({host, {}, {}});
        h.router->setRoute(Route::settings());
        h.router->setShowGuide(true);
        h.router->setGuideDestination(c.destination);  // chosen while the guide is up
        EXPECT_EQ(h.router->route(), Route::settings()) << c.name;
        h.router->setShowGuide(false);
        EXPECT_EQ(h.router->route(), c.route) << c.name;
        EXPECT_EQ(h.router->showQuickEdit(), c.quickEdit) << c.name;
        EXPECT_EQ(host->opened, c.lightroom) << c.name;
        EXPECT_FALSE(h.router->guideDestination()) << c.name;
        h.router->setRoute(Route::settings());
        h.rail->followGuideDestination();
        EXPECT_EQ(h.router->route(), Route::settings()) << c.name << ": followed once";
        EXPECT_EQ(host->opened, c.lightroom) << c.name;
    }
}

TEST(RailModel, theUpdateNoticeFollowsTheUpdater) {
    Harness h;
    EXPECT_FALSE(h.rail->updateAvailable());
    EXPECT_EQ(h.rail->settingsTip(), "Setări · " + model::appVersionText());

    h.updater.announce("1.5.0");
    EXPECT_TRUE(h.rail->updateAvailable());
    EXPECT_EQ(h.rail->updateVersionText(), "Versiunea 1.5.0");
    EXPECT_EQ(h.rail->settingsTip(), "Versiune nouă disponibilă: 1.5.0");
    EXPECT_EQ(h.rail->updateButtonText(), "Actualizează");

    h.rail->startUpdateDownload();
    EXPECT_EQ(h.updater.downloads, 1);
    EXPECT_TRUE(h.rail->updateBusy());
    EXPECT_EQ(h.rail->updateButtonText(), "Se descarcă…");
    EXPECT_EQ(h.rail->updateStatus(), "Se descarcă versiunea 1.5.0…");
    h.rail->startUpdateDownload();
    h.rail->skipUpdate();
    EXPECT_EQ(h.updater.downloads, 1) << "nothing starts while busy";
    EXPECT_EQ(h.updater.skips, 0);

    h.updater.setBusy(false);
    h.updater.setStatus("Nu am putut verifica actualizările: timpul a expirat");
    EXPECT_EQ(h.rail->updateButtonText(), "Actualizează");
    EXPECT_EQ(h.rail->updateStatus(), "Nu am putut verifica actualizările: timpul a expirat") << "the error stays";
    h.rail->skipUpdate();
    EXPECT_FALSE(h.rail->updateAvailable());
    EXPECT_EQ(h.rail->settingsTip(), "Setări · " + model::appVersionText());

    model::Router router(h.defaults);
    RailModel without(*h.model, router, nullptr);
    EXPECT_FALSE(without.updateAvailable());
    without.startUpdateDownload();  // nothing to call
}

TEST(ActivityCards, theJobStatusLineTakesTheFirstRuleThatApplies) {
    auto defaults = std::make_shared<FileDefaults>();
    const QString in125 = QString::fromStdString(model::durationText(125, *defaults));
    // Built field by field: GCC 12 misreads a braced optional<string> inside an aggregate.
    const auto facts = [](State state, std::size_t done, std::size_t failed, std::size_t total, const char* extra,
                          std::optional<double> remaining, bool waiting) {
        JobFacts f;
        f.state = state;
        f.done = done;
        f.failed = failed;
        f.total = total;
        if (extra) f.extraStatus = extra;
        f.remainingSeconds = remaining;
        f.waiting = waiting;
        return f;
    };
    struct Case {
        const char* name;
        JobFacts job;
        QString text;
    };
    const std::vector<Case> cases = {
        {"queued, even with an extra status", facts(State::idle, 0, 0, 80, "Analiză 3/10", std::nullopt, true), "În așteptare"},
        {"an extra status as it stands", facts(State::finished, 80, 0, 80, "Analiză 3/10", std::nullopt, false), "Analiză 3/10"},
        {"pausing", facts(State::pausing, 12, 0, 80, nullptr, 30.0, false), "Se termină fotografiile începute"},
        {"cancelling", facts(State::cancelling, 12, 0, 80, nullptr, std::nullopt, false), "Se termină fotografiile începute"},
        {"paused", facts(State::paused, 12, 3, 80, nullptr, 30.0, false), "În pauză · 12/80"},
        {"running without an estimate", facts(State::running, 12, 0, 80, nullptr, std::nullopt, false), "12/80"},
        {"running with an estimate", facts(State::running, 12, 0, 80, nullptr, 125.0, false), "12/80 · " + in125},
        {"failed photos are not done", facts(State::running, 7, 3, 10, nullptr, std::nullopt, false), "7/10"},
    };
    for (const auto& c : cases) EXPECT_EQ(jobStatusText(c.job, *defaults), c.text) << c.name;
    const JobFacts failedToo = facts(State::finished, 7, 3, 10, nullptr, std::nullopt, false);
    EXPECT_DOUBLE_EQ(jobFraction(failedToo), 1.0);
    EXPECT_EQ(percentText(jobFraction(failedToo)), "100%");
    EXPECT_DOUBLE_EQ(jobFraction(facts(State::idle, 0, 0, 0, nullptr, std::nullopt, false)), 0.0) << "no photos: no division by zero";
}

TEST(ActivityCards, buildProgressAndPercentages) {
    using Phase = ProfileBuilder::Phase;
    struct Case {
        const char* name;
        Phase phase;
        std::optional<std::string> note;
        double fraction;
        QString percent;
    };
    const std::vector<Case> cases = {
        {"a note wins over the phase", Phase::training(), "Caut catalogul…", 0.02, "2%"},
        {"features 50 of 200", Phase::features(50, 200), {}, 0.2, "20%"},
        {"features 0 of 0", Phase::features(0, 0), {}, 1.0, "100%"},
        {"evaluation 1 of 4", Phase::evaluation(1, 4), {}, 0.8375, "84%"},
        {"evaluation of 0 events", Phase::evaluation(1, 0), {}, 0.95, "95%"},
        {"training", Phase::training(), {}, 0.97, "97%"},
    };
    for (const auto& c : cases) {
        model::ProfileBuildStatus b;
        b.phase = c.phase;
        b.note = c.note;
        EXPECT_DOUBLE_EQ(buildFraction(b), c.fraction) << c.name;
        EXPECT_EQ(percentText(buildFraction(b)), c.percent) << c.name;
    }
    EXPECT_EQ(percentText(0.125), "13%") << "halves away from zero";
    EXPECT_EQ(percentText(1.5), "150%") << "not clamped";
    EXPECT_EQ(percentText(std::nan("")), "—%");
    EXPECT_EQ(percentText(1e300), "—%");
    EXPECT_DOUBLE_EQ(barValue(1.5), 1.0);
    EXPECT_DOUBLE_EQ(barValue(std::nan("")), 0.0);
}

TEST(ActivityCards, theSectionLeavesOutTheOpenPageAndShowsTheBuildFirst) {
    Harness h(1, {projectWith(3, 0, 0, "Botez"), projectWith(2, 0, 0, "Aniversare"), projectWith(2, 0, 0, "Cununie")});
    const Project botez = h.project("Botez"), aniversare = h.project("Aniversare"), cununie = h.project("Cununie");
    EXPECT_TRUE(h.rail->activityCards().empty()) << "nothing runs: no section";

    auto running = h.running(botez);
    h.model->startJob(h.job(cununie));  // queued behind it
    h.job(aniversare);  // made, never started: not activity

    model::ProfileBuildStatus build;
    build.profileID = Uuid::random();
    build.name = "Stilul meu";
    build.phase = ProfileBuilder::Phase::features(50, 200);
    build.started = h.main->now() - std::chrono::seconds(75);
    h.model->setProfileBuild(build);

    auto titles = [&] {
        std::vector<QString> out;
        for (const auto& c : h.rail->activityCards()) out.push_back(c.subtitle);
        return out;
    };
    h.router->setRoute(Route::home());
    EXPECT_EQ(titles(), (std::vector<QString>{"Stilul meu", "Botez", "Cununie"}));
    const auto cards = h.rail->activityCards();
    EXPECT_EQ(cards[0].title, "Antrenare profil");
    EXPECT_EQ(cards[0].symbol, "brain.head.profile");
    EXPECT_EQ(cards[0].detail, "Trăsături 50/200 · " + QString::fromStdString(model::durationText(75, *h.defaults)));
    EXPECT_EQ(cards[1].title, "Editare proiect");
    EXPECT_EQ(cards[1].detail, "0/3");
    EXPECT_EQ(cards[2].detail, "În așteptare");

    h.router->setRoute(Route::reedit(botez.id));
    EXPECT_EQ(titles(), (std::vector<QString>{"Stilul meu", "Cununie"}));
    h.router->setRoute(Route::profile(build.profileID));
    EXPECT_EQ(titles(), (std::vector<QString>{"Botez", "Cununie"}));
    h.rail->openActivity(h.rail->activityCards()[1]);
    EXPECT_EQ(h.router->route(), Route::project(cununie.id));
    EXPECT_EQ(titles(), (std::vector<QString>{"Stilul meu", "Botez"}));

    // The open project is the only activity left: no section at all.
    h.model->setProfileBuild(std::nullopt);
    h.model->dequeue(*h.model->jobs().at(cununie.id));
    h.router->setRoute(Route::project(botez.id));
    EXPECT_TRUE(h.rail->activityCards().empty());
    (void)running;
}

TEST(ActivityCards, theOneSecondRefreshRunsOnlyWhileTheRailIsShown) {
    Harness h;
    int refreshes = 0;
    QObject::connect(h.rail.get(), &RailModel::activityChanged, [&] { ++refreshes; });
    h.main->advance(3s);
    EXPECT_EQ(refreshes, 0) << "not before the rail is shown";
    h.rail->setActivityRefresh(true);
    h.main->advance(999ms);
    EXPECT_EQ(refreshes, 0);
    h.main->advance(1ms);
    EXPECT_EQ(refreshes, 1);
    h.main->advance(2s);
    EXPECT_EQ(refreshes, 3);
    h.rail->setActivityRefresh(false);  // the window is hidden
    h.main->advance(5s);
    EXPECT_EQ(refreshes, 3);
    h.rail->setActivityRefresh(true);
    h.rail->setActivityRefresh(false);
    h.rail->setActivityRefresh(true);  // one timer, not three
    h.main->advance(1s);
    EXPECT_EQ(refreshes, 4);
    h.rail.reset();
    h.main->advance(3s);  // a tick after the rail is gone does nothing
}

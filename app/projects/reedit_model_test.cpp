#include "app/projects/reedit_model.h"

#include <gtest/gtest.h>

#include "app/options/option_settings.h"
#include "app/projects/processing_world.h"
#include "app/testing/scripted_dialogs.h"
#include "testing/job_fixtures.h"
#include "testing/model_fixtures.h"

using namespace orvane;
using namespace orvane::projects;
using namespace std::chrono_literals;
using orvane::testing::projectWith;
using Bar = ReeditModel::Bar;
using Xmp = model::LightroomExportResult::Xmp;
using CatalogOutcome = model::LightroomExportResult::Catalog;

namespace {

const QString minus = QString(QChar(0x2212));

// The apply's roads as stand-ins that record what was asked of them.
struct FakeRoads {
    std::vector<std::string> calls;
    std::optional<model::LightroomExportResult> exportResult;
    std::optional<bool> mergeAsked;
    bool running = false;
    bool readResult = false;
    bool trusted = true;
    std::function<void()> duringAnalysis;

    ReeditServices services() {
        ReeditServices s;
        s.prepareAnalysis = [this](const std::shared_ptr<Job>&, ReeditServices::Done done) {
            calls.push_back("analyse");
            if (duringAnalysis) duringAnalysis();
            done();
        };
        s.exportToLightroom = [this](const std::shared_ptr<Job>& job, bool confirmMerge, ReeditServices::Delivered done) {
            calls.push_back("export");
            mergeAsked = confirmMerge;
            if (exportResult) job->markExported();
            done(exportResult);
        };
        s.lightroomRunning = [this] { return running; };
        s.openLightroom = [this] { calls.push_back("open"); };
        s.readMetadata = [this](std::function<void(bool)> done) {
            calls.push_back("read");
            done(readResult);
        };
        s.accessibilityTrusted = [this] { return trusted; };
        return s;
    }
};

struct Reedit : projects::testing::ProcessingWorld {
    FakeRoads roads;
    std::shared_ptr<Job> job;
    std::unique_ptr<ReeditModel> page;
    orvane::testing::ScriptedDialogs dialogs;

    explicit Reedit(Project project = projectWith(0, 4), bool persist = false) {
        job = Job::make(main, std::move(project), 1, persist, Job::FileProcess(orvane::testing::resultFor));
        app->registerJob(job);
        router->setRoute(model::Route::reedit(job->project().id));
    }
    ReeditModel& open() {
        page = std::make_unique<ReeditModel>(*app, *router, job, roads.services());
        return *page;
    }
    // Applies and lets the apply run to its end.
    void apply() {
        page->startApply();
        turn();
    }
    bool onProjectPage() const { return router->route() == model::Route::project(job->project().id); }
    // Counts the project's publications from now on.
    int* countEdits() {
        auto count = std::make_shared<int>(0);
        counters.push_back(count);
        job->observe([count](Job::Property p) {
            if (p == Job::Property::project) ++*count;
        });
        return count.get();
    }
    std::vector<std::shared_ptr<int>> counters;
};

Project exportedProject() {
    Project p = projectWith(0, 3);
    p.exportedAt = Date(std::chrono::hours(24 * 400));
    return p;
}

}  // namespace

// Every case starts on an empty data directory: profiles and projects of one case are not seen by the next.
struct FreshData : ::testing::Test {
    void SetUp() override { orvane::testing::freshDataDir(); }
};
using ReeditApply = FreshData;
using ReeditHistory = FreshData;
using ReeditLeaving = FreshData;
using ReeditOpening = FreshData;
using ReeditOptionsMenu = FreshData;
using ReeditProfiles = FreshData;
using ReeditSteps = FreshData;

TEST_F(ReeditSteps, stepCountsRoundHalfAwayFromZeroAndUseTheMinusSign) {
    EXPECT_EQ(stepCountText(0), "0");
    EXPECT_EQ(stepCountText(0.49), "0");
    EXPECT_EQ(stepCountText(2.5), "+3");
    EXPECT_EQ(stepCountText(2.9999999), "+3");
    EXPECT_EQ(stepCountText(-1), minus + "1");
    EXPECT_EQ(stepCountText(-2.5), minus + "3");
}

TEST_F(ReeditSteps, brightnessStepsMoveTheGlobalExposureAndCountFromTheOpeningValue) {
    Project p = projectWith(0, 2);
    p.globalExposure = 0.25;
    Reedit r(p);
    auto& m = r.open();
    for (int i = 0; i < 3; ++i) m.stepBrightness(ReeditModel::brightnessStep);
    EXPECT_DOUBLE_EQ(*r.job->project().globalExposure, 0.55);
    EXPECT_EQ(m.brightnessText(), "+3");
    for (int i = 0; i < 2; ++i) m.stepBrightness(-ReeditModel::brightnessStep);
    EXPECT_EQ(m.brightnessText(), "+1");
    EXPECT_EQ(m.panelGeneration(), 5u);
}

TEST_F(ReeditSteps, aFixedExposureIsSteppedInsteadAndNeverTurnsIntoAnOffset) {
    Project p = projectWith(0, 2);
    p.fixedExposure = 0.5;
    p.fixedTemperature = 6100;
    Reedit r(p);
    auto& m = r.open();
    m.stepBrightness(ReeditModel::brightnessStep);
    EXPECT_DOUBLE_EQ(*r.job->project().fixedExposure, 0.6);
    EXPECT_EQ(r.job->project().fixedTemperature, 6100);
    EXPECT_FALSE(r.job->project().globalExposure);
    EXPECT_EQ(m.brightnessText(), "+1");
}

TEST_F(ReeditSteps, warmthStepsMoveTheBasicTemperatureOrTheFixedOne) {
    {
        Reedit r;
        auto& m = r.open();
        m.stepWarmth(-ReeditModel::warmthStep);
        ASSERT_TRUE(r.job->project().basic);
        EXPECT_EQ(*r.job->project().basic, (BasicAdjustments{-100, 0}));
        EXPECT_EQ(m.warmthText(), minus + "1");
        m.stepWarmth(ReeditModel::warmthStep);
        EXPECT_FALSE(r.job->project().basic);
        EXPECT_EQ(m.warmthText(), "0");
    }
    for (std::optional<double> exposure : {std::optional<double>(), std::optional<double>(0.4)}) {
        Project p = projectWith(0, 2);
        p.fixedTemperature = 5500;
        p.fixedExposure = exposure;
        Reedit r(p);
        auto& m = r.open();
        m.stepWarmth(ReeditModel::warmthStep);
        EXPECT_EQ(r.job->project().fixedTemperature, 5600);
        EXPECT_EQ(r.job->project().fixedExposure, exposure);
        EXPECT_EQ(m.warmthText(), "+1");
    }
}

TEST_F(ReeditLeaving, eachRoadRestoresTheOpeningSettingsOnlyWhenItShould) {
    enum class Road { back, cancel, done, elsewhere };
    struct Case {
        const char* name;
        Road road;
        bool applied;  // an apply produced a result first
        bool restored;
    } cases[] = {
        {"Proiect", Road::back, false, true},
        {"Proiect after a result", Road::back, true, false},
        {"Anulează", Road::cancel, false, true},
        {"Gata", Road::done, true, false},
        {"the rail", Road::elsewhere, false, true},
        {"the rail after a result", Road::elsewhere, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reedit r(exportedProject());
        r.roads.exportResult = model::LightroomExportResult{Xmp{3, 0, 0, 1}};
        auto& m = r.open();
        m.stepBrightness(ReeditModel::brightnessStep);
        m.stepWarmth(ReeditModel::warmthStep);
        if (c.applied) {
            r.apply();
            ASSERT_EQ(m.bar(), Bar::result);
        }
        switch (c.road) {
            case Road::back: m.leave(); break;
            case Road::cancel: m.cancel(); break;
            case Road::done: m.finish(); break;
            case Road::elsewhere: r.page.reset(); break;
        }
        EXPECT_EQ(r.job->project().globalExposure.has_value() && *r.job->project().globalExposure != 0, !c.restored);
        EXPECT_EQ(r.job->project().basic.has_value(), !c.restored);
        if (c.road != Road::elsewhere) {
            EXPECT_TRUE(r.onProjectPage());
        }
    }
}

TEST_F(ReeditLeaving, leavingUnchangedRestoresNothing) {
    Reedit r;
    auto& m = r.open();
    int* edits = r.countEdits();
    m.leave();
    EXPECT_EQ(*edits, 0);
    EXPECT_TRUE(r.onProjectPage());
}

TEST_F(ReeditLeaving, theApplysOwnRouteChangeKeepsTheAppliedSettings) {
    Reedit r;  // never exported: the apply goes back to the project page
    auto& m = r.open();
    m.stepBrightness(ReeditModel::brightnessStep);
    r.apply();
    ASSERT_TRUE(r.onProjectPage());
    r.page.reset();  // the shell drops the page
    EXPECT_DOUBLE_EQ(r.job->project().globalExposure.value_or(0), 0.1);
}

TEST_F(ReeditProfiles, theMenuListsBuiltProfilesAndForgetsAChoiceOfTheProjectsOwn) {
    const Profile a = orvane::testing::builtProfile("Nunți calde");
    Project p = projectWith(0, 2);
    p.profileID = a.id;
    Reedit r(p);
    r.app->reload();
    EXPECT_FALSE(r.open().showsProfileMenu());
    const Profile b = orvane::testing::builtProfile("Portrete");
    r.app->reload();
    auto& m = r.open();
    ASSERT_TRUE(m.showsProfileMenu());
    EXPECT_EQ(m.currentProfileName(), QString::fromUtf8("Nunți calde"));
    m.chooseProfile(b.id);
    EXPECT_EQ(m.chosenProfile(), b.id);
    EXPECT_EQ(m.currentProfileName(), "Portrete");
    m.chooseProfile(a.id);
    EXPECT_FALSE(m.chosenProfile());
}

TEST_F(ReeditProfiles, aProjectWhoseProfileIsGoneShowsProfilAndLosesItsTuning) {
    const Profile a = orvane::testing::builtProfile("A");
    const Profile b = orvane::testing::builtProfile("B");
    Project p = projectWith(0, 2);
    ProfileTuning tuning;
    tuning.exposure = 0.3;
    p.profileTuning = tuning;
    Reedit r(p);
    r.app->reload();
    auto& m = r.open();
    EXPECT_EQ(m.currentProfileName(), "Profil");
    EXPECT_FALSE(m.presetFile());
    m.syncProfileTuning();
    EXPECT_FALSE(r.job->project().profileTuning);
    EXPECT_EQ(m.panelGeneration(), 1u);
    m.syncProfileTuning();  // nothing left to do
    EXPECT_EQ(m.panelGeneration(), 1u);
}

TEST_F(ReeditProfiles, theProfilesTuningIsCopiedIntoTheProject) {
    Profile a = orvane::testing::builtProfile("A");
    ProfileTuning tuning;
    tuning.basic = {150, 2};
    a.tuning = tuning;
    a.save();
    Project p = projectWith(0, 2);
    p.profileID = a.id;
    Reedit r(p);
    r.app->reload();
    auto& m = r.open();
    m.syncProfileTuning();
    EXPECT_EQ(r.job->project().profileTuning, tuning);
    EXPECT_EQ(m.presetFile(), a.preset());
}

TEST_F(ReeditHistory, restoringAVersionClosesTheListReloadsThePanelAndShowsItsOptions) {
    Project p = projectWith(0, 2);
    p.globalExposure = 0.2;
    EditVersion older = p.currentVersion();
    older.globalExposure = 0.5;
    older.straighten = true;
    older.teethAmount = 42;
    p.history = std::vector<EditVersion>{older};
    Reedit r(p);
    auto& m = r.open();
    EXPECT_TRUE(m.showsHistory());
    EXPECT_FALSE(options::straightenOption(*r.defaults));
    m.setHistoryOpen(true);
    m.restoreFromHistory(older);
    EXPECT_FALSE(m.historyOpen());
    EXPECT_EQ(m.panelGeneration(), 1u);
    EXPECT_EQ(m.brightnessText(), "+3");
    EXPECT_TRUE(options::straightenOption(*r.defaults));
    EXPECT_EQ(r.job->project().teethAmount, 42);
    EXPECT_FALSE(Reedit().open().showsHistory());
}

TEST_F(ReeditOpening, theProjectsOptionsReachTheOptionSettingsWhenThePageOpens) {
    Project p = projectWith(0, 2);
    p.straightenRequested = true;
    p.skinAmount = 100;
    Reedit r(p);
    r.open();
    EXPECT_TRUE(options::straightenOption(*r.defaults));
    EXPECT_EQ(options::skinAmountOption(*r.defaults), 100);
    EXPECT_EQ(r.page->subtitle(), QString::fromUtf8("Setările se aplică la toate cele 2 fotografii"));
}

TEST_F(ReeditApply, theBarsThreeStatesAndWhatEachLeavesEnabled) {
    Reedit r(exportedProject());
    r.roads.exportResult = model::LightroomExportResult{Xmp{3, 0, 0, 1}};
    auto& m = r.open();
    EXPECT_EQ(m.bar(), Bar::editing);
    EXPECT_EQ(m.applyTitle(), "Reeditează toate (3)");
    EXPECT_TRUE(m.applyEnabled() && m.cancelEnabled() && m.editingEnabled() && m.profileMenuEnabled());

    m.startApply();
    EXPECT_EQ(m.bar(), Bar::applying);
    EXPECT_EQ(r.job->extraStatus(), std::string("Se pregătește reeditarea…"));
    EXPECT_EQ(m.statusText(), QString::fromUtf8("Se pregătește reeditarea…"));
    EXPECT_EQ(m.progress(), 0.01);
    EXPECT_FALSE(m.applyEnabled() || m.cancelEnabled() || m.editingEnabled() || m.profileMenuEnabled() ||
                 m.historyEnabled() || m.resetAnalysesEnabled());
    EXPECT_TRUE(m.optionsDisabled());
    // Steps and leaving are refused while applying.
    m.stepBrightness(ReeditModel::brightnessStep);
    m.leave();
    EXPECT_FALSE(r.job->project().globalExposure);
    EXPECT_FALSE(r.onProjectPage());

    r.turn();
    EXPECT_EQ(m.bar(), Bar::result);
    EXPECT_FALSE(m.profileMenuEnabled());
    EXPECT_TRUE(m.showsReadHint());
    EXPECT_FALSE(r.job->extraStatus());
}

TEST_F(ReeditApply, theStatusLinePrefersTheJobsOwnTextToTheStage) {
    Reedit r(exportedProject());
    auto& m = r.open();
    r.job->setExtraStatus(std::string("Analizez fotografiile 2 din 3"), 0.5);
    EXPECT_EQ(m.statusText(), "Analizez fotografiile 2 din 3");
    r.job->setExtraStatus(std::nullopt);
    EXPECT_EQ(m.statusText(), QString::fromUtf8("Se pregătește reeditarea…"));
    EXPECT_FALSE(m.progress());
}

TEST_F(ReeditApply, neverExportedRunsTheAnalysesAndGoesBackWithoutDelivering) {
    Reedit r;
    r.defaults->set(options::keys::straighten, true);
    r.defaults->set(options::keys::showBeta, true);
    r.defaults->set(options::keys::teeth, true);
    auto& m = r.open();
    EXPECT_EQ(m.applyTitle(), QString::fromUtf8("Aplică la toate (4)"));
    // The page opened with the project's options; the user turns two on.
    r.defaults->set(options::keys::straighten, true);
    r.defaults->set(options::keys::skin, true);
    r.apply();
    EXPECT_EQ(r.roads.calls, std::vector<std::string>{"analyse"});
    EXPECT_TRUE(r.onProjectPage());
    EXPECT_FALSE(m.running());
    EXPECT_FALSE(m.result());
    EXPECT_FALSE(r.job->extraStatus());
    EXPECT_EQ(r.job->project().straightenRequested, true);
    EXPECT_EQ(r.job->project().skinAmount, 100);
}

TEST_F(ReeditApply, deliveryOutcomesEndWhereThePageSays) {
    const QString manual = QString::fromUtf8("Nu am putut comanda Lightroom; fă manual Metadata → Read Metadata from File.");
    const QString access = QString::fromUtf8(
        "Permite Vendrel la Accesibilitate (Setări sistem → Confidențialitate și securitate), apoi reeditează din nou.");
    const QString read = QString::fromUtf8("Lightroom a citit noile editări.");
    const std::string xmpSummary = model::exportSummaryText({Xmp{3, 0, 0, 1}});
    const std::string catalogSummary = model::exportSummaryText({CatalogOutcome{3, 0, 2}});
    struct Case {
        const char* name;
        std::optional<model::LightroomExportResult> outcome;
        bool lightroomRunning, reread, trusted;
        std::vector<std::string> calls;
        Bar bar;
        bool projectPage;
        QString result;  // "" : none
        bool hint;
    };
    const Case cases[] = {
        {"declined", std::nullopt, false, false, true, {"analyse", "export"}, Bar::editing, false, "", false},
        {"catalog", model::LightroomExportResult{CatalogOutcome{3, 0, 2}}, false, false, true, {"analyse", "export"},
         Bar::result, true, QString::fromStdString(catalogSummary), false},
        {"sidecars, Lightroom closed, re-read failed", model::LightroomExportResult{Xmp{3, 0, 0, 1}}, false, false,
         true, {"analyse", "export", "open", "read"}, Bar::result, false,
         QString::fromStdString(xmpSummary) + ' ' + manual, true},
        {"sidecars, not trusted", model::LightroomExportResult{Xmp{3, 0, 0, 1}}, true, false, false,
         {"analyse", "export", "read"}, Bar::result, false, QString::fromStdString(xmpSummary) + ' ' + access, true},
        {"sidecars, Lightroom running, re-read", model::LightroomExportResult{Xmp{3, 0, 0, 1}}, true, true, true,
         {"analyse", "export", "read"}, Bar::result, true, QString::fromStdString(xmpSummary) + ' ' + read, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reedit r(exportedProject());
        r.roads.exportResult = c.outcome;
        r.roads.running = c.lightroomRunning;
        r.roads.readResult = c.reread;
        r.roads.trusted = c.trusted;
        auto& m = r.open();
        r.apply();
        EXPECT_EQ(r.roads.calls, c.calls);
        EXPECT_EQ(r.roads.mergeAsked, false);
        EXPECT_EQ(m.bar(), c.bar);
        EXPECT_EQ(r.onProjectPage(), c.projectPage);
        EXPECT_EQ(m.result().value_or(QString()), c.result);
        EXPECT_EQ(m.showsReadHint(), c.hint);
        EXPECT_FALSE(r.job->extraStatus());
        if (c.bar == Bar::editing) {
            EXPECT_TRUE(m.applyEnabled());
            EXPECT_TRUE(m.cancelEnabled());
        }
    }
}

TEST_F(ReeditApply, anotherProfileReprocessesTheProjectAndOnlyAnExportedOneIsDeliveredAfter) {
    for (bool exported : {false, true}) {
        SCOPED_TRACE(exported ? "exported" : "never exported");
        const Profile a = orvane::testing::builtProfile("A");
        const Profile b = orvane::testing::builtProfile("B");
        Project p = exported ? exportedProject() : projectWith(0, 3);
        p.profileID = a.id;
        p.save();
        Reedit r(p, true);
        r.app->reload();
        auto& m = r.open();
        m.chooseProfile(b.id);
        r.apply();
        EXPECT_TRUE(r.roads.calls.empty());
        EXPECT_TRUE(r.onProjectPage());
        EXPECT_EQ(r.router->pendingExport(), exported ? std::optional(p.id) : std::nullopt);
        EXPECT_EQ(r.job->project().profileID, b.id);
        EXPECT_FALSE(r.job->extraStatus());
        r.runUntil([&] { return !r.app->isChanging(p.id); });
        // The model replaced the job with a new one for the same project, on the new profile.
        ASSERT_EQ(r.app->jobs().count(p.id), 1u);
        EXPECT_NE(r.app->jobs().at(p.id), r.job);
        EXPECT_EQ(r.app->jobs().at(p.id)->project().profileID, b.id);
    }
}

TEST_F(ReeditApply, anotherProfileIsRefusedWhileTheJobProcesses) {
    const Profile a = orvane::testing::builtProfile("A");
    const Profile b = orvane::testing::builtProfile("B");
    Project p = projectWith(2, 3);
    p.profileID = a.id;
    Reedit r(p);
    r.app->reload();
    auto& m = r.open();
    m.chooseProfile(b.id);
    ASSERT_EQ(m.chosenProfile(), b.id);
    r.job->start();
    ASSERT_TRUE(Job::isRunInProgress(r.job->state()));
    EXPECT_FALSE(m.profileMenuEnabled());
    EXPECT_FALSE(m.applyEnabled());
    m.startApply();
    EXPECT_FALSE(m.running());
    EXPECT_EQ(r.job->project().profileID, a.id);
    EXPECT_FALSE(r.router->pendingExport());
    r.job->cancel();
    r.runUntil([&] { return !Job::isRunInProgress(r.job->state()); });
}

TEST_F(ReeditApply, aPageGoneDuringTheApplyLetsItEndWithoutChangingTheRoute) {
    Reedit r(exportedProject());
    r.roads.exportResult = model::LightroomExportResult{Xmp{3, 0, 0, 1}};
    r.roads.duringAnalysis = [&] { r.page.reset(); };
    r.open().startApply();
    r.turn();
    EXPECT_TRUE(r.roads.calls == std::vector<std::string>{"analyse"});
    EXPECT_FALSE(r.job->extraStatus());
    EXPECT_FALSE(r.onProjectPage());
}

TEST_F(ReeditOptionsMenu, reanalysingAsksFirstAndIsOffWhileTheJobProcesses) {
    Reedit r(projectWith(2, 3));
    auto& m = r.open();
    r.dialogs.alertAnswers = {kit::CenteredAlert::firstButton + 1, kit::CenteredAlert::firstButton};
    m.resetAnalyses();  // declined
    ASSERT_EQ(r.dialogs.asked.size(), 1u);
    EXPECT_EQ(r.dialogs.asked[0].message, QString::fromUtf8("Reanalizezi fotografiile proiectului?"));
    EXPECT_EQ(r.dialogs.asked[0].buttons, (QStringList{QString::fromUtf8("Reanalizează"), QString::fromUtf8("Anulează")}));
    r.job->start();
    EXPECT_FALSE(m.resetAnalysesEnabled());
    m.resetAnalyses();
    EXPECT_EQ(r.dialogs.asked.size(), 1u);
    r.job->cancel();
    r.runUntil([&] { return !Job::isRunInProgress(r.job->state()); });
}

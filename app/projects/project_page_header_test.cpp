// The project page: its header and actions menu over the processing screen, offscreen.
#include "app/projects/project_page_header.h"

#include <QAction>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include "app/kit/app_backdrop.h"
#include "app/kit/app_style.h"
#include "app/kit/appearance.h"
#include "app/kit/kit_settings.h"
#include "app/kit/page_header.h"
#include "app/kit/symbol_button.h"
#include "app/kit/text.h"
#include "app/options/option_settings.h"
#include "app/projects/processing_world.h"
#include "app/projects/projects_list_model.h"
#include "app/testing/scripted_dialogs.h"
#include "core/base/iso_date.h"
#include "testing/concurrency.h"
#include "testing/dng_writer.h"
#include "testing/job_fixtures.h"
#include "testing/model_fixtures.h"
#include "testing/temp_dir.h"

using namespace orvane;
using namespace orvane::projects;
using namespace std::chrono_literals;
namespace fs = std::filesystem;
using State = Job::State;
using model::Route;

namespace {

// A saved project opened on its page over the model's own job; `photos` generated DNGs with a built
// profile (and a real preset) when a run or an export is tested, else photos that do not exist.
struct Page : projects::testing::ProcessingWorld {
    orvane::testing::TempDir dir;
    Profile profile;
    Project project;
    std::shared_ptr<Job> job;
    std::unique_ptr<ProjectPage> page;
    orvane::testing::ScriptedDialogs dialogs;
    std::vector<std::shared_ptr<orvane::testing::Gate>> gates;

    explicit Page(int photos = 0, const std::string& name = "Nuntă Ana și Mihai") {
        orvane::testing::freshDataDir();
        setUserDefaults(defaults);
        kit::KitSettings::instance().rebind(defaults);
        defaults->set("workers", 1);
        defaults->set(options::keys::openOptionsOnStart, false);
        profile = orvane::testing::builtProfile("Nunți calde");
        if (photos > 0) {
            const fs::path folder = dir / "Nunta";
            orvane::testing::DngSpec spec;
            spec.preview = orvane::testing::DngPreview{};
            for (int i = 0; i < photos; ++i)
                orvane::testing::writeDng(folder / ("IMG_" + std::to_string(1000 + i) + ".dng"), spec);
            project = Project::create(name, folder, profile.id);
            fs::copy_file(app->neutralPresetURL(), profile.preset(), fs::copy_options::overwrite_existing);
        } else {
            project = orvane::testing::projectWith(3, 0, 0, name);
            project.profileID = profile.id;
            project.save();
        }
        app->reload();
    }
    ~Page() {
        page.reset();
        for (auto& g : gates) g->open();
        for (const auto& [id, j] : app->jobs()) j->cancel();
        runUntil([&] {
            return std::none_of(app->jobs().begin(), app->jobs().end(), [](const auto& e) {
                return Job::isRunInProgress(e.second->state()) || e.second->isSaving();
            });
        });
    }
    ProjectPage& open() {
        if (!job) job = app->makeJob(project);
        ProcessingViewServices services;
        services.processing.openFolder = [](const fs::path&) {};
        page = std::make_unique<ProjectPage>(*app, *router, job, std::move(services));
        page->resize(900, 900);
        page->show();
        turn();
        return *page;
    }
    // A job whose photos wait at a gate, registered before the page opens.
    void gatedJob() {
        auto g = std::make_shared<orvane::testing::Gate>();
        gates.push_back(g);
        job = add(project, Job::FileProcess([g](const fs::path& f) {
            g->pass();
            return orvane::testing::resultFor(f);
        }));
    }
    QStringList menuTitles() {
        std::unique_ptr<QMenu> menu(page->makeActionsMenu(nullptr));
        QStringList out;
        for (QAction* a : menu->actions()) out << (a->isSeparator() ? QStringLiteral("—") : a->text());
        return out;
    }
    // Whether "Reanalizează fotografiile" and "Șterge" can be chosen now.
    std::pair<bool, bool> menuEnabled() {
        std::unique_ptr<QMenu> menu(page->makeActionsMenu(nullptr));
        bool reanalyse = false, remove = false;
        for (QAction* a : menu->actions()) {
            if (a->text() == QString::fromUtf8("Reanalizează fotografiile")) reanalyse = a->isEnabled();
            if (a->text() == QString::fromUtf8("Șterge")) remove = a->isEnabled();
        }
        return {reanalyse, remove};
    }
    void choose(const char* title) {
        std::unique_ptr<QMenu> menu(page->makeActionsMenu(nullptr));
        for (QAction* a : menu->actions())
            if (a->text() == QString::fromUtf8(title)) {
                ASSERT_TRUE(a->isEnabled()) << title;
                a->trigger();
            }
        turn();
    }
    bool listed() const {
        return std::any_of(app->projects().begin(), app->projects().end(),
                           [&](const Project& p) { return p.id == project.id; });
    }
};

}  // namespace

TEST(ProjectPage, headerAboveTheProcessingScreenAndItsWayBack) {
    Page s;
    ProjectPage& page = s.open();
    EXPECT_EQ(page.header()->titleLabel()->text().toStdString(), "Nuntă Ana și Mihai");
    ASSERT_NE(page.processing(), nullptr);
    EXPECT_LT(page.header()->geometry().bottom(), page.processing()->geometry().top() + 1) << "the header is on top";
    EXPECT_EQ(s.menuTitles(), (QStringList{"Redenumește", "Reanalizează fotografiile", "—", "Șterge"}));
    s.router->setRoute(Route::reedit(s.project.id));
    QTest::mouseClick(page.header()->backButton(), Qt::LeftButton, {}, page.header()->backButton()->rect().center());
    EXPECT_EQ(s.router->route(), Route::projects()) << "back always leads to the list";
}

TEST(ProjectPage, renameGoesThroughThePromptToTheModelAndTheHeaderFollows) {
    Page s;
    ProjectPage& page = s.open();
    s.dialogs.names = {std::nullopt, QString("   "), QString("  Nuntă Ana  ")};
    s.choose("Redenumește");  // "Anulează"
    s.choose("Redenumește");  // only spaces
    EXPECT_EQ(s.job->project().name, "Nuntă Ana și Mihai");
    ASSERT_EQ(s.dialogs.asked.size(), 2u);
    EXPECT_EQ(s.dialogs.asked[0].kind, "name");
    EXPECT_EQ(s.dialogs.asked[0].buttons, QStringList{"Nuntă Ana și Mihai"}) << "the current name in the field";
    EXPECT_EQ(s.dialogs.asked[0].message, QString()) << "the prompt's own title and message";

    s.choose("Redenumește");
    EXPECT_EQ(s.job->project().name, "Nuntă Ana");
    s.turn();
    EXPECT_EQ(page.header()->titleLabel()->text(), QString::fromUtf8("Nuntă Ana"));
    ASSERT_TRUE(s.runUntil([&] { return !s.job->isSaving() && s.job->savedRevision() == s.job->saveRevision(); }));
    const auto stored = Project::all();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].name, "Nuntă Ana") << "saved";
}

TEST(ProjectPage, reanalyseAndDeleteAreRefusedWhileTheJobRunsAndAskFirst) {
    Page s;
    s.gatedJob();
    s.open();
    EXPECT_EQ(s.menuEnabled(), std::make_pair(true, true)) << "idle";
    s.app->startJob(s.job);
    s.turn();
    ASSERT_EQ(s.job->state(), State::running);
    EXPECT_EQ(s.menuEnabled(), std::make_pair(false, false)) << "running";
    s.job->pause();
    s.turn();
    if (s.job->state() == State::pausing) {
        EXPECT_EQ(s.menuEnabled(), std::make_pair(false, false)) << "pausing";
    }
    s.gates[0]->open();
    ASSERT_TRUE(s.runUntil([&] { return s.job->state() == State::paused; }));
    s.turn();
    EXPECT_EQ(s.menuEnabled(), std::make_pair(true, true)) << "paused";
    s.page->pageModel().confirmDelete();  // not through the menu: still asked
    ASSERT_EQ(s.dialogs.asked.size(), 1u);
    EXPECT_EQ(s.dialogs.asked[0].message, QString::fromUtf8("Ștergi proiectul „Nuntă Ana și Mihai”?"));
    EXPECT_EQ(s.dialogs.asked[0].informative,
              QString::fromUtf8("Valorile calculate se mută în Coș. RAW-urile și XMP-urile exportate nu sunt atinse."));
    EXPECT_EQ(s.dialogs.asked[0].buttons, (QStringList{"Șterge", "Anulează"}));
    s.runUntil([&] { return false; }, 100ms);
    EXPECT_TRUE(s.listed()) << "\"Anulează\" keeps it";

    s.dialogs.alertAnswers = {kit::CenteredAlert::firstButton};
    s.choose("Șterge");
    ASSERT_TRUE(s.runUntil([&] { return !s.listed(); }));
}

TEST(ProjectPage, reanalyseClearsTheAnalysesOnlyAfterConfirmation) {
    Page s;
    s.project.straightenedAt = *IsoDate::parse("2026-01-01T10:00:00Z");
    s.project.skinAnalyzedAt = s.project.straightenedAt;
    s.project.save();
    s.app->reload();
    s.open();
    s.choose("Reanalizează fotografiile");
    ASSERT_EQ(s.dialogs.asked.size(), 1u);
    EXPECT_EQ(s.dialogs.asked[0].message, QString::fromUtf8("Reanalizezi fotografiile proiectului?"));
    EXPECT_TRUE(s.dialogs.asked[0].informative.startsWith(QString::fromUtf8("Se refac de la zero doar analizele")));
    EXPECT_EQ(s.dialogs.asked[0].buttons, (QStringList{"Reanalizează", "Anulează"}));
    EXPECT_TRUE(s.job->project().straightenedAt.has_value()) << "\"Anulează\"";

    s.dialogs.alertAnswers = {kit::CenteredAlert::firstButton};
    s.choose("Reanalizează fotografiile");
    EXPECT_FALSE(s.job->project().straightenedAt.has_value());
    EXPECT_FALSE(s.job->project().skinAnalyzedAt.has_value());
}

TEST(ProjectPage, openingThePageBringsTheProfilesTuningAndClearsAGoneProfiles) {
    Page s;
    ProfileTuning tuning;
    tuning.exposure = 0.3;
    tuning.basic.temperature = 150;
    s.profile.tuning = tuning;
    s.profile.save();
    s.app->reload();
    s.open();
    EXPECT_EQ(s.job->project().profileTuning, tuning);
    s.page.reset();

    fs::remove_all(s.profile.dir());
    s.app->reload();
    s.open();
    EXPECT_EQ(s.job->project().profileTuning, std::nullopt) << "the profile is gone: no tuning";
    const auto revision = s.job->saveRevision();
    s.page.reset();
    s.open();
    EXPECT_EQ(s.job->saveRevision(), revision) << "opening again changes nothing more";
}

TEST(ProjectPage, aRowsExportOpensTheProjectAndExportsOnceItsJobHasFinished) {
    Page s(3);
    s.job = s.app->makeJob(s.project);
    s.app->startJob(s.job);
    ASSERT_TRUE(s.runUntil([&] { return s.job->state() == State::finished && !s.job->isSaving(); }));
    s.app->reload();
    ASSERT_EQ(projectCategory(s.app->projects().at(0)), ProjectFilter::finished) << "its row offers the export";

    ProjectsListModel list(*s.app, *s.router);
    list.requestExport(s.project.id);  // the row's "Export în Lightroom"
    ASSERT_EQ(s.router->route(), Route::project(s.project.id));
    EXPECT_FALSE(s.job->project().exportedAt.has_value());
    s.open();  // the shell's page for the route
    ASSERT_TRUE(s.runUntil([&] { return s.job->project().exportedAt.has_value() && !s.job->extraStatus(); }));
    EXPECT_EQ(s.router->pendingExport(), std::nullopt) << "taken once";
    EXPECT_EQ(s.host->opened.size(), 1u) << "Lightroom is opened on the sidecars once";
    EXPECT_TRUE(fs::exists(s.project.folder + "/IMG_1000.xmp"));
}

// Renders the project page light and dark into docs/ when ORVANE_SCREENSHOTS is set.
TEST(ProjectPage, screenshots) {
    if (!qEnvironmentVariableIsSet("ORVANE_SCREENSHOTS")) GTEST_SKIP() << "set ORVANE_SCREENSHOTS to write docs/";
    kit::installApplicationStyle();
    for (bool dark : {false, true}) {
        Page s(12, "Nuntă Ioana și Radu");
        kit::Appearance::instance().setOverride(dark);
        kit::AppBackdrop backdrop;
        backdrop.resize(900, 940);
        s.job = s.app->makeJob(s.project);
        s.page = std::make_unique<ProjectPage>(*s.app, *s.router, s.job);
        s.page->setParent(&backdrop);
        s.page->setGeometry(0, 0, 900, 940);
        backdrop.show();
        s.turn();
        s.app->startJob(s.job);
        s.runUntil([&] { return s.job->project().done() >= 5; });
        s.main->advance(1s);
        s.turn();
        const QString path = QString(ORVANE_SOURCE_DIR) + "/docs/project-page" + (dark ? "-dark" : "-light") + ".png";
        ASSERT_TRUE(backdrop.grab().save(path));
        s.page.reset();
    }
    kit::Appearance::instance().setOverride(std::nullopt);
}

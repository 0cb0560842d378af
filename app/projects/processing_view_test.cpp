#include "app/projects/processing_view.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

#include "app/kit/app_backdrop.h"
#include "app/kit/app_style.h"
#include "app/kit/appearance.h"
#include "app/kit/cards.h"
#include "app/kit/kit_settings.h"
#include "app/options/option_settings.h"
#include "app/projects/processing_world.h"
#include "app/testing/scripted_dialogs.h"
#include "testing/dng_writer.h"
#include "testing/job_fixtures.h"
#include "testing/model_fixtures.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

using namespace orvane;
using namespace orvane::projects;
using namespace std::chrono_literals;
namespace fs = std::filesystem;
using State = Job::State;
using Sheet = ProcessingModel::Sheet;

namespace {

// A folder of generated DNGs (with `broken` files that are not DNGs) made into a project with a built
// profile, and its screen over the model's own job.
struct Screen : projects::testing::ProcessingWorld {
    orvane::testing::TempDir dir;
    Profile profile;
    Project project;
    std::shared_ptr<Job> job;
    std::unique_ptr<ProcessingView> view;
    orvane::testing::ScriptedDialogs dialogs;

    explicit Screen(int photos, int broken = 0, const std::string& name = "Nuntă Ana și Mihai") {
        orvane::testing::freshDataDir();
        setUserDefaults(defaults);
        kit::KitSettings::instance().rebind(defaults);
        defaults->set("workers", 1);
        profile = orvane::testing::builtProfile("Nunți calde");
        const fs::path folder = dir / "Nunta";
        orvane::testing::DngSpec spec;
        spec.preview = orvane::testing::DngPreview{};
        for (int i = 0; i < photos; ++i) orvane::testing::writeDng(folder / ("IMG_" + std::to_string(1000 + i) + ".dng"), spec);
        for (int i = 0; i < broken; ++i) std::ofstream(folder / ("ZZ_" + std::to_string(i) + ".dng")) << "nu e un DNG";
        project = Project::create(name, folder, profile.id);
        // A real develop preset, so the export can build its sidecars.
        fs::copy_file(app->neutralPresetURL(), profile.preset(), fs::copy_options::overwrite_existing);
        app->reload();
        job = app->makeJob(project);
    }
    ~Screen() {
        view.reset();
        if (job) {
            job->cancel();
            runUntil([&] { return !Job::isRunInProgress(job->state()) && !job->isSaving(); });
        }
    }
    ProcessingView& open(ProcessingViewServices services = {}) {
        services.processing.openFolder = [](const fs::path&) {};
        view = std::make_unique<ProcessingView>(*app, *router, job, std::move(services));
        view->resize(760, 900);
        view->show();
        turn();
        return *view;
    }
    void click(const char* name) {
        QAbstractButton* b = view->control(QString::fromUtf8(name));
        ASSERT_NE(b, nullptr) << name;
        ASSERT_TRUE(b->isEnabled()) << name;
        QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center());
        turn();
    }
    bool shows(const char* name) const { return view->control(QString::fromUtf8(name)) != nullptr; }
    void waitFor(State s) {
        ASSERT_TRUE(runUntil([&] { return job->state() == s; })) << toText(s);
        turn();
    }
};

}  // namespace

TEST(ProcessingView, theControlsOfEachStateDoWhatTheySay) {
    Screen s(24);
    s.defaults->set(options::keys::openOptionsOnStart, false);
    ProcessingView& v = s.open();
    EXPECT_EQ(v.pillText(), QString::fromUtf8("Gata de procesare"));
    EXPECT_TRUE(s.shows("start"));
    EXPECT_FALSE(s.shows("resume"));
    EXPECT_EQ(v.estimateText(), QString::fromUtf8("—"));

    s.click("start");
    EXPECT_EQ(s.job->state(), State::running) << "stored options: no sheet";
    EXPECT_FALSE(v.sheet(Sheet::start));
    EXPECT_EQ(v.pillText(), QString::fromUtf8("Se procesează"));
    EXPECT_EQ(v.estimateText(), QString::fromUtf8("…")) << "no photo applied yet";
    s.runUntil([&] { return s.job->project().done() >= 2; });
    s.main->advance(1s);
    s.turn();
    EXPECT_NE(v.estimateText(), QString::fromUtf8("…"));
    EXPECT_NE(v.estimateText(), QString::fromUtf8("—"));

    s.click("pause");
    EXPECT_TRUE(s.job->state() == State::pausing || s.job->state() == State::paused);
    s.waitFor(State::paused);
    EXPECT_EQ(v.pillText(), QString::fromUtf8("Pauză"));
    EXPECT_EQ(v.estimateText(), QString::fromUtf8("—"));
    EXPECT_TRUE(s.shows("resume"));
    EXPECT_TRUE(s.shows("cancel"));

    s.click("resume");
    EXPECT_EQ(s.job->state(), State::running);
    s.click("cancel");
    s.waitFor(State::cancelled);
    EXPECT_EQ(v.pillText(), QString::fromUtf8("Anulat"));
    ASSERT_TRUE(s.shows("reedit"));
    s.click("reedit");
    EXPECT_EQ(s.router->route(), model::Route::reedit(s.project.id));

    s.app->setQueued({s.project.id});
    s.turn();
    EXPECT_EQ(v.pillText(), QString::fromUtf8("În așteptare"));
    EXPECT_FALSE(s.shows("resume"));
    s.click("dequeue");
    EXPECT_TRUE(s.app->queued().empty());
    EXPECT_TRUE(s.shows("resume"));
}

TEST(ProcessingView, startingWithoutAStoredAnswerOpensTheStartSheet) {
    Screen s(3);
    ProcessingView& v = s.open();
    EXPECT_TRUE(v.findChild<QWidget*>("priorityToggle")->isVisible());
    s.click("start");
    EXPECT_EQ(s.job->state(), State::idle);
    ASSERT_TRUE(v.sheet(Sheet::start));
    // The sheet starts the job itself with the options it shows.
    auto* go = v.sheet(Sheet::start)->findChild<QAbstractButton*>();
    ASSERT_NE(go, nullptr);
    s.view->model().setShowing(Sheet::start, false);
    s.turn();
    EXPECT_FALSE(v.sheet(Sheet::start)) << "closing takes the sheet away";
}

TEST(ProcessingView, aFinishedRunListsItsFailuresAndExportsSidecarsWithASummary) {
    Screen s(3, 1);
    s.defaults->set(options::keys::openOptionsOnStart, false);
    ProcessingView& v = s.open();
    s.click("start");
    s.waitFor(State::finished);
    s.runUntil([&] { return !s.job->extraStatus() && !s.job->isSaving(); });
    s.turn();
    auto* errors = v.findChild<kit::Card*>("errorsCard");
    ASSERT_TRUE(errors->isVisible());
    const auto rows = errors->findChildren<QWidget*>("failedRow");
    int shown = 0;
    for (auto* r : rows) shown += r->isVisibleTo(errors);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(s.project.photos.size(), 4u);

    ASSERT_TRUE(s.shows("export"));
    s.app->setError(std::nullopt);
    // Only the interface's own events: the export's steps on the main loop wait.
    QTest::mouseClick(v.control("export"), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_FALSE(v.control("export")->isEnabled()) << "disabled while the export runs";
    EXPECT_FALSE(v.control("learn")->isEnabled());
    s.turn();
    EXPECT_FALSE(s.app->error()) << *s.app->error();
    ASSERT_TRUE(s.runUntil([&] { return !s.job->extraStatus(); }));
    s.turn();
    EXPECT_TRUE(v.exportMessageText().contains(QString::fromUtf8("XMP"))) << v.exportMessageText().toStdString();
    EXPECT_TRUE(s.job->project().exportedAt.has_value());
    ASSERT_EQ(s.host->opened.size(), 1u) << "Lightroom comes to the front after sidecars";
    EXPECT_FALSE(s.host->opened[0]);
    for (const auto& photo : s.job->project().photos)
        if (photo.status == PhotoItem::Status::done) {
            EXPECT_TRUE(fs::exists(fs::path(photo.path).replace_extension(".xmp"))) << photo.path;
        }

    // "Reîncearcă erorile" sends the failed photo back to pending.
    s.click("cardRetryFailed");
    EXPECT_EQ(s.job->project().failed(), 0u);
    EXPECT_FALSE(errors->isVisible());
}

TEST(ProcessingView, theSaveCardRetriesAndASecondFailureRaisesTheAlert) {
    Screen s(2);
    ProcessingView& v = s.open();
    auto failing = std::make_shared<std::atomic<bool>>(true);
    s.job->setWriteSnapshot([failing](std::string_view, const fs::path&) {
        if (*failing) throw std::runtime_error("Discul e plin.");
    });
    s.job->rename("Alt nume");
    s.runUntil([&] { return s.job->saveError().has_value(); });
    s.app->setError(std::nullopt);
    s.turn();
    ASSERT_TRUE(v.findChild<kit::Card*>("saveErrorCard")->isVisible());
    s.click("retrySave");
    ASSERT_TRUE(s.runUntil([&] { return s.app->error().has_value(); }));
    *failing = false;
    s.job->rename("Al treilea nume");
    s.runUntil([&] { return !s.job->saveError(); });
    s.turn();
    EXPECT_FALSE(v.findChild<kit::Card*>("saveErrorCard")->isVisible()) << "a good save takes the card away";
}

TEST(ProcessingView, closingTheScreenWhileItsSheetsAndExportRunChangesNothingLater) {
    Screen s(2);
    s.defaults->set(options::keys::openOptionsOnStart, false);
    s.open();
    s.click("start");
    s.waitFor(State::finished);
    s.runUntil([&] { return !s.job->extraStatus(); });
    s.turn();
    s.view->model().setShowing(Sheet::big, true);
    s.view->model().setShowing(Sheet::learn, true);
    s.turn();
    s.click("export");
    s.view.reset();
    ASSERT_TRUE(s.runUntil([&] { return !s.job->extraStatus(); }));
    s.turn();
    EXPECT_TRUE(s.job->project().exportedAt.has_value()) << "the export still ends";
}

TEST(ProcessingView, screenshots) {
    if (!qEnvironmentVariableIsSet("ORVANE_SCREENSHOTS")) GTEST_SKIP() << "set ORVANE_SCREENSHOTS to write docs/";
    kit::installApplicationStyle();
    for (bool finished : {false, true}) {
        for (bool dark : {false, true}) {
            Screen s(finished ? 14 : 40, finished ? 1 : 0, "Nuntă Ioana și Radu");
            s.defaults->set(options::keys::openOptionsOnStart, false);
            kit::Appearance::instance().setOverride(dark);
            kit::AppBackdrop backdrop;
            backdrop.resize(820, 960);
            s.view = std::make_unique<ProcessingView>(*s.app, *s.router, s.job);
            s.view->setParent(&backdrop);
            s.view->setGeometry(0, 0, 820, 960);
            backdrop.show();
            s.turn();
            s.click("start");
            if (finished) {
                s.waitFor(State::finished);
                s.runUntil([&] { return !s.job->extraStatus() && !s.job->isSaving(); });
            } else {
                s.runUntil([&] { return s.job->project().done() >= 13; });
                s.main->advance(1s);
            }
            s.turn();
            const QString path = QString(ORVANE_SOURCE_DIR) + "/docs/processing-" + (finished ? "finished" : "running") +
                                 (dark ? "-dark" : "-light") + ".png";
            ASSERT_TRUE(backdrop.grab().save(path));
            s.view.reset();
        }
    }
    kit::Appearance::instance().setOverride(std::nullopt);
}

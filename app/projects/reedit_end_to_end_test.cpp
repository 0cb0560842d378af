// The re-edit page's whole road for a catalog project: a project delivered to its catalog once, a
// brightness step of +0.3 EV on the page, the apply, and the catalog afterwards. Lightroom is the
// stand-in program named as "lightroomPath", found, quit and reopened by the real Linux host.
#include <gtest/gtest.h>

#include <thread>

#include "app/projects/processing_world.h"
#include "app/projects/reedit_model.h"
#include "core/catalog/catalog_backups.h"
#include "core/catalog/catalog_writer.h"
#include "core/catalog/sqlite.h"
#include "testing/catalog_builder.h"
#include "testing/catalog_project.h"
#include "testing/job_fixtures.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

#ifdef FAKE_LIGHTROOM_EXE

using namespace orvane;
using namespace orvane::projects;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

bool waitFor(const std::function<bool()>& ok) {
    for (int i = 0; i < 500; ++i) {
        if (ok()) return true;
        std::this_thread::sleep_for(10ms);
    }
    return ok();
}

}  // namespace

TEST(ReeditEndToEnd, aBrightnessStepAppliedToACatalogProjectReachesTheCatalog) {
    orvane::testing::freshDataDir();
    orvane::testing::TempDir dir;
    const fs::path exe = dir / "Lightroom";
    const fs::path catalog = dir / "Nunta.lrcat";
    fs::copy_file(FAKE_LIGHTROOM_EXE, exe);

    projects::testing::ProcessingWorld w;
    auto& main = w.main;
    auto& app = *w.app;
    auto& router = *w.router;
    setUserDefaults(w.defaults);
    w.defaults->set("lightroomPath", Json(exe.string()));

    // A catalog of three photos and the project made of them, processed.
    Project project = orvane::testing::catalogProject(catalog, 3, 3000);
    project.name = "Nuntă în catalog";
    project.profileID = w.deliverableProfile().id;

    auto host = std::shared_ptr<platform::LightroomHost>(platform::makeLinuxLightroomHost(w.defaults));
    model::AppModel::DeliveryServices services;
    services.host = host;
    std::vector<std::string> questions;
    services.confirm = [&](const std::string& title, const std::string&, const std::string&) {
        questions.push_back(title);
        return true;
    };
    services.sleep = [&](std::chrono::nanoseconds, std::function<void()> resume) {
        std::this_thread::sleep_for(20ms);  // the stand-in quits in real time
        main->post(std::move(resume));
    };
    app.setDeliveryServices(std::move(services));
    auto job = Job::make(main, project, 1, false, Job::FileProcess(orvane::testing::resultFor));
    app.registerJob(job);

    // The first delivery, with Lightroom open on the catalog.
    host->open(catalog);
    ASSERT_TRUE(waitFor([&] { return CatalogWriter::isLocked(catalog) && host->runningInstances().size() == 1; }));
    bool ended = false, delivered = false;
    app.exportToLightroom(job, true, [&](std::optional<model::LightroomExportResult> r) {
        ended = true;
        delivered = r.has_value();
        job->setExtraStatus(std::nullopt);  // as the project page does after its export
    });
    ASSERT_TRUE(main->runUntil([&] { return ended; }, 30s, false));
    ASSERT_TRUE(delivered) << app.error().value_or("");
    ASSERT_TRUE(job->project().exportedAt);
    for (const std::string& text : orvane::testing::settingsTexts(catalog))
        EXPECT_NEAR(orvane::testing::settingValue(text, "Exposure2012").value_or(-9), 0.3, 1e-9);
    const std::size_t versions = job->project().history ? job->project().history->size() : 0;
    ASSERT_TRUE(waitFor([&] { return CatalogWriter::isLocked(catalog) && host->runningInstances().size() == 1; }))
        << "reopened on the catalog";

    // The re-edit: three steps brighter, then the apply, which ends on the project page.
    router.setRoute(model::Route::reedit(project.id));
    auto page = std::make_unique<ReeditModel>(app, router, job, ReeditServices::standard(app));
    EXPECT_EQ(page->applyTitle(), "Reeditează toate (3)");
    for (int i = 0; i < 3; ++i) page->stepBrightness(ReeditModel::brightnessStep);
    EXPECT_EQ(page->brightnessText(), "+3");
    questions.clear();
    page->startApply();
    ASSERT_TRUE(main->runUntil([&] { return router.route() == model::Route::project(project.id); }, 60s, false))
        << app.error().value_or("");
    EXPECT_FALSE(page->running());
    ASSERT_TRUE(page->result());
    EXPECT_TRUE(page->lightroomApplied());
    EXPECT_EQ(questions, std::vector<std::string>{"Închid Lightroom?"});
    main->runUntil([&] { return !job->extraStatus(); }, 10s, false);
    page.reset();  // the shell drops the page: the applied settings stay
    EXPECT_DOUBLE_EQ(job->project().globalExposure.value_or(0), 0.3);

    // The catalog holds the new exposure for every photo and is sound; the project recorded a version.
    const auto texts = orvane::testing::settingsTexts(catalog);
    ASSERT_EQ(texts.size(), 3u);
    for (const std::string& text : texts)
        EXPECT_NEAR(orvane::testing::settingValue(text, "Exposure2012").value_or(-9), 0.6, 1e-9);
    {
        const auto db = Sqlite::Connection::open(catalog.string(), SQLITE_OPEN_READONLY);
        auto check = db.prepare("pragma integrity_check");
        ASSERT_EQ(check.step(), Sqlite::Step::row);
        EXPECT_EQ(check.text(0).value_or(""), "ok");
    }
    ASSERT_TRUE(job->project().history);
    ASSERT_EQ(job->project().history->size(), versions + 1);
    EXPECT_DOUBLE_EQ(job->project().history->back().globalExposure.value_or(0), 0.3);

    // Lightroom was reopened on the catalog; it is sent away again.
    EXPECT_TRUE(waitFor([&] { return host->runningInstances().size() == 1; }));
    bool quit = false;
    platform::quitLightroom(
        host,
        [](std::chrono::nanoseconds, std::function<void()> resume) {
            std::this_thread::sleep_for(20ms);
            resume();
        },
        [&](bool ok) { quit = ok; });
    EXPECT_TRUE(quit);
    CatalogWriter::drainBackups();
}

#endif

// A photographer's whole road through the real main window, offscreen, with nothing but what a user
// does: clicks, keys, drops and the answers to the window's questions. Their catalogs lie in their home
// folder, where the catalog search finds them; Lightroom is the stand-in program, started on the
// catalog as the user would start it. The interface thread's longest stall is measured and printed.
//
// With ORVANE_SCREENSHOTS set, every screen of the road is written into docs/ as road-NN-<screen>-
// <light|dark>.png (ORVANE_ROAD_APPEARANCE=dark for the dark ones); scripts/road-screenshots.sh runs
// this under Xvfb.
#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <thread>

#include "app/kit/app_style.h"
#include "app/kit/appearance.h"
#include "app/kit/buttons.h"
#include "app/kit/fonts.h"
#include "app/kit/kit_settings.h"
#include "app/kit/sheet_host.h"
#include "app/library/import_catalogs_sheet.h"
#include "app/library/library_view.h"
#include "app/model/qt_main_executor.h"
#include "app/options/start_sheet.h"
#include "app/platform/lightroom_host.h"
#include "app/profiles/new_profile_sheet.h"
#include "app/projects/new_project_sheet.h"
#include "app/projects/processing_view.h"
#include "app/rail/rail.h"
#include "app/road/stall_watch.h"
#include "app/shell/content_view.h"
#include "app/shell/main_window.h"
#include "app/shell/quit_controller.h"
#include "app/testing/no_keep_awake.h"
#include "app/testing/scripted_dialogs.h"
#include "app/testing/sheet_testing.h"
#include "core/catalog/catalog.h"
#include "core/catalog/sqlite.h"
#include "core/store/store.h"
#include "testing/exiftool.h"
#include "testing/photographer.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

using namespace orvane;
using Sheet = shell::ContentView::Sheet;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

const int patience = qEnvironmentVariableIntValue("ORVANE_ROAD_PATIENCE") > 0 ? qEnvironmentVariableIntValue("ORVANE_ROAD_PATIENCE") : 240'000;  // ms a step may take on a loaded machine before the road fails

// One photo's rows in a catalog: its settings text and its before-settings text (none when absent).
struct CatalogRow {
    std::string settings;
    std::optional<std::string> before;
};

std::map<std::string, CatalogRow> catalogRows(const fs::path& catalog) {
    const auto db = Sqlite::Connection::open(catalog.string(), SQLITE_OPEN_READONLY);
    auto q = db.prepare(
        "select f.baseName, s.text, b.beforeText from Adobe_imageDevelopSettings s "
        "join Adobe_images i on i.id_local = s.image join AgLibraryFile f on f.id_local = i.rootFile "
        "left join Adobe_imageDevelopBeforeSettings b on b.developSettings = s.id_local");
    std::map<std::string, CatalogRow> rows;
    while (q.step() == Sqlite::Step::row) {
        CatalogRow row{std::string(q.text(1).value_or("")), std::nullopt};
        if (!q.isNull(2)) row.before = std::string(*q.text(2));
        rows[std::string(*q.text(0))] = row;
    }
    return rows;
}

std::string singleText(const fs::path& catalog, const char* sql) {
    const auto db = Sqlite::Connection::open(catalog.string(), SQLITE_OPEN_READONLY);
    auto q = db.prepare(sql);
    return q.step() == Sqlite::Step::row ? std::string(q.text(0).value_or("")) : std::string();
}

struct Road : ::testing::Test {
    orvane::testing::TempDir home;
    std::optional<orvane::testing::ScopedEnv> homeEnv, dataHome;
    std::vector<orvane::testing::GeneratedEvent> events;
    fs::path lightroom;
    std::shared_ptr<Defaults> defaults = std::make_shared<FileDefaults>();
    std::unique_ptr<model::AppModel> app;
    std::unique_ptr<model::Router> router;
    std::unique_ptr<shell::QuitController> quit;
    std::unique_ptr<shell::MainWindow> window;
    orvane::testing::ScriptedDialogs dialogs;
    road::StallWatch watch;
    bool dark = qgetenv("ORVANE_ROAD_APPEARANCE") == "dark";
    int shots = 0;

    void SetUp() override {
        orvane::testing::freshDataDir();
        homeEnv.emplace("HOME", home.path().string());
        dataHome.emplace("XDG_DATA_HOME", (home / ".local" / "share").string());
        // Four events: two teach the profile, the third is edited in its catalog, the fourth as a folder.
        orvane::testing::Photographer photographer = orvane::testing::Photographer::standard();
        photographer.events.resize(4);
        photographer.photosPerEvent = 12;
        events = orvane::testing::generatePhotographer(home / "Fotografii", photographer);
        fs::remove_all(Store::catalogs());  // the helper imported them; the user does it below

        lightroom = home / "Lightroom" / "Lightroom";
        fs::create_directories(lightroom.parent_path());
        fs::copy_file(FAKE_LIGHTROOM_EXE, lightroom);

        setUserDefaults(defaults);
        kit::KitSettings::instance().rebind(defaults);
        kit::Appearance::instance().setOverride(dark);
        defaults->set("lightroomPath", Json(lightroom.string()));
        defaults->set("workers", 2);  // the machine is shared with other tests
        app = std::make_unique<model::AppModel>(std::make_shared<model::QtMainExecutor>(), defaults,
                                                std::make_unique<orvane::testing::NoKeepAwake>());
        // Generated scenes hold no faces: the profile's training skips looking for them.
        auto learning = model::AppModel::LearningServices::standard(defaults);
        learning.build = [](const Profile& p, const std::vector<TrainingCatalog>& catalogs, int workers,
                            const ProfileBuilder::CancelToken* cancel, const ProfileBuilder::BuildProgress& progress) {
            return ProfileBuilder::build(p, catalogs, workers, cancel, progress, orvane::testing::facelessReaders());
        };
        app->setLearningServices(std::move(learning));
        router = std::make_unique<model::Router>(defaults);
        quit = std::make_unique<shell::QuitController>([] {});
        window = std::make_unique<shell::MainWindow>(*app, *router, *quit, [] { return true; });
        model::AppModel::DeliveryServices delivery;
        delivery.confirm = shell::deliveryQuestions(window.get());
        app->setDeliveryServices(std::move(delivery));
        if (qEnvironmentVariableIsSet("ORVANE_SCREENSHOTS")) {
            kit::installUiFont();
            kit::installApplicationStyle();
        }
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override {
        window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        kit::Appearance::instance().setOverride(std::nullopt);
    }

    shell::ContentView* content() const { return window->content(); }
    QWidget* page() const { return content()->page(); }
    QWidget* sheet(Sheet s) const { return content()->sheet(s); }

    // A step of the road: its name labels the stalls measured while it runs.
    void step(const char* name) { watch.setStep(QString::fromUtf8(name)); }
    bool waitFor(const std::function<bool()>& done, int ms = patience) { return QTest::qWaitFor(done, ms); }

    // The window as it is now, into docs/ when screenshots are asked for. The watch does not time it.
    void shot(const char* screen) {
        if (!qEnvironmentVariableIsSet("ORVANE_SCREENSHOTS")) return;
        watch.stop();
        QTest::qWait(300);  // the sheets' entrances and the pages' first draws
        const QString name = QString("road-%1-%2-%3.png").arg(++shots, 2, 10, QChar('0')).arg(screen, dark ? "dark" : "light");
        window->grab().save(QDir(ORVANE_SOURCE_DIR "/docs").filePath(name));
        watch.resume();
    }

    static void click(QWidget* w) {
        ASSERT_NE(w, nullptr);
        ASSERT_TRUE(w->isEnabled()) << w->objectName().toStdString();
        QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, w->rect().center());
    }
    rail::RailRow* railRow(const char* title) const {
        auto* rail = content()->findChild<rail::Rail*>();
        if (!rail) return nullptr;
        for (rail::RailRow* row : rail->rows())
            if (row->entry().title == QString::fromUtf8(title)) return row;
        return nullptr;
    }
    template <class W = QWidget>
    static W* shown(const QWidget* root, const char* name) {
        return orvane::testing::shownChild<W>(root, name);
    }
    static kit::KitButton* buttonTitled(const QWidget* root, const char* title) {
        if (!root) return nullptr;
        for (auto* b : root->findChildren<kit::KitButton*>())
            if (b->isVisibleTo(root) && b->text() == QString::fromUtf8(title)) return b;
        return nullptr;
    }
    projects::ProcessingView* processing() const { return page() ? page()->findChild<projects::ProcessingView*>() : nullptr; }

    // The new-project sheet, open on a dropped item: its counts come, the built profile is chosen, and
    // "Creează" makes the project and opens its page.
    void createProject(const char* screen) {
        QWidget* s = nullptr;
        ASSERT_TRUE(waitFor([&] { return (s = sheet(Sheet::newProject)) != nullptr; }));
        auto* newProject = qobject_cast<projects::NewProjectSheet*>(s);
        ASSERT_NE(newProject, nullptr);
        ASSERT_TRUE(waitFor([&] { return newProject->model().counts().has_value() || newProject->model().canCreate(); }));
        // The photographer developed every photo of the catalog already: the road edits them all again.
        if (auto* onlyUnedited = shown<QCheckBox>(s, "onlyUnedited"); onlyUnedited && onlyUnedited->isChecked())
            click(onlyUnedited);
        ASSERT_TRUE(newProject->model().profileID().has_value()) << "the profile just built is chosen";
        shot(screen);
        const std::size_t before = app->projects().size();
        click(shown(s, "create"));
        ASSERT_TRUE(waitFor([&] { return app->projects().size() == before + 1 && processing() != nullptr; }));
    }

    // "Pornește editarea" on the project's page, with the recommended level of the start sheet, and the
    // run to its end.
    std::shared_ptr<Job> runProject(const char* screen) {
        projects::ProcessingView* view = processing();
        EXPECT_NE(view, nullptr);
        if (!view) return nullptr;
        std::shared_ptr<Job> job = view->model().job();
        click(view->control("start"));
        QWidget* start = nullptr;
        EXPECT_TRUE(waitFor([&] { return (start = view->sheet(projects::ProcessingModel::Sheet::start)) != nullptr; }));
        if (!start) return nullptr;
        shot(screen);
        click(buttonTitled(start, "Pornește editarea"));
        EXPECT_TRUE(waitFor([&] { return job->state() == Job::State::finished && !job->isSaving(); }))
            << toText(job->state());
        EXPECT_EQ(job->project().done(), job->project().photos.size());
        return job;
    }
    // "Export în Lightroom" and the delivery to its summary.
    void exportProject(const std::shared_ptr<Job>& job) {
        projects::ProcessingView* view = processing();
        ASSERT_NE(view, nullptr);
        ASSERT_TRUE(waitFor([&] { return view->control("export") && view->control("export")->isEnabled(); }));
        click(view->control("export"));
        ASSERT_TRUE(waitFor([&] { return job->project().exportedAt.has_value() && !view->exportMessageText().isEmpty(); }))
            << (app->error() ? *app->error() : std::string("no error"));
        ASSERT_FALSE(app->error()) << *app->error();
    }
};

TEST_F(Road, fromTwoCatalogsToEditedPhotosInLightroomAndInSidecars) {
    watch.start();

    // 1. A professional profile, asked for before any catalog is imported. The home screen's "new
    // profile" button is still to come: its route is the router's flag, set here in its place.
    step("profil nou");
    router->setShowNewProfile(true);
    QPointer<QWidget> newProfile;  // each opening is a new sheet
    ASSERT_TRUE(waitFor([&] { return (newProfile = sheet(Sheet::newProfile)) != nullptr; }));
    shot("new-profile-choose");
    click(shown(newProfile, "proCard"));
    auto* name = shown<QLineEdit>(newProfile, "name");
    ASSERT_NE(name, nullptr);
    name->selectAll();
    QTest::keyClicks(name, QString::fromUtf8("Stilul Anei"));
    ASSERT_TRUE(waitFor([&] {
        auto* next = shown<QAbstractButton>(newProfile, "continue");
        return next && next->isEnabled();
    }));
    shot("new-profile-pro");
    click(shown(newProfile, "continue"));

    // 2. The library opens its import sheet: the catalog search finds the four catalogs in the home
    // folder; the first two are imported.
    step("import");
    library::LibraryView* library = nullptr;
    ASSERT_TRUE(waitFor([&] { return (library = page()->findChild<library::LibraryView*>()) && library->importSheet(); }));
    EXPECT_EQ(router->route(), model::Route::library());
    QPointer<library::ImportCatalogsSheet> import = library->importSheet();
    ASSERT_TRUE(waitFor([&] { return import && !import->model().scanning() && import->model().pendingCount() == 0; }));
    for (int i = 0; i < 2; ++i) {
        const QString path = QString::fromStdString(events[i].userCatalog.string());
        QWidget* row = nullptr;
        for (QWidget* r : import->findChildren<QWidget*>("catalogRow"))
            if (r->isVisibleTo(import) && r->property("path").toString() == path) row = r;
        ASSERT_NE(row, nullptr) << "the search found " << path.toStdString();
        click(row);
    }
    shot("library-import");
    click(shown(import, "import"));
    ASSERT_TRUE(waitFor([&] { return !app->catalogImport() && app->catalogs().size() == 2; }));
    ASSERT_FALSE(app->error()) << *app->error();
    EXPECT_FALSE(import) << "the sheet closes once the catalogs are in";

    // 3. The new-profile sheet comes back on its professional step, with the name and the catalogs.
    step("profil profesional");
    ASSERT_TRUE(waitFor([&] { return (newProfile = sheet(Sheet::newProfile)) != nullptr; }));
    ASSERT_TRUE(waitFor([&] {
        auto* create = shown<QAbstractButton>(newProfile, "createPro");
        return create && create->isEnabled();
    })) << [&] {
        auto& m = qobject_cast<profiles::NewProfileSheet*>(newProfile.data())->model();
        return "name '" + m.name().toStdString() + "' valid " + std::to_string(m.nameIsValid()) + ", style " +
               std::to_string(m.hasStyleSource()) + ", photos " + std::to_string(m.chosenPhotoCount()) +
               ", other training " + std::to_string(m.otherTrainingRuns()) + ", pending '" +
               router->pendingProfileName() + "' mode " + std::to_string(int(m.mode()));
    }();
    name = shown<QLineEdit>(newProfile, "name");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), QString::fromUtf8("Stilul Anei"));
    shot("new-profile-catalogs");
    QTest::keyClick(name, Qt::Key_Return);  // the step's default action
    ASSERT_TRUE(waitFor([&] { return !sheet(Sheet::newProfile); })) << [&] {
        auto* sheet = qobject_cast<profiles::NewProfileSheet*>(newProfile.data());
        if (!sheet) return std::string("another sheet opened after this one closed");
        auto& m = sheet->model();
        std::string out = "creating " + std::to_string(m.creating()) + ", can " + std::to_string(m.canCreatePro()) +
                          ", name '" + m.name().toStdString() + "', error " + app->error().value_or("-") + ", asked";
        for (const auto& a : dialogs.asked) out += " [" + a.message.toStdString() + "]";
        return out;
    }();
    ASSERT_EQ(app->profiles().size(), 1u);
    const Profile made = app->profiles().front();
    EXPECT_EQ(made.name, "Stilul Anei");
    EXPECT_EQ(made.catalogIDs.size(), 2u);
    EXPECT_EQ(router->route(), model::Route::profile(made.id));
    shot("profile-training");

    // 4. The training ends in the profile-ready sheet; "start editing" leads on to the quick edit.
    step("antrenare");
    ASSERT_TRUE(waitFor([&] { return sheet(Sheet::profileReady) != nullptr; }));
    ASSERT_FALSE(app->error()) << *app->error();
    EXPECT_TRUE(app->profiles().front().isBuilt());
    EXPECT_EQ(app->profiles().front().samples, 24);
    shot("profile-ready");
    click(shown(sheet(Sheet::profileReady), "startEditing"));
    ASSERT_TRUE(waitFor([&] { return sheet(Sheet::quickEdit) != nullptr; }));
    EXPECT_EQ(router->preferredProfile(), made.id);
    // The quick edit is still a placeholder: it is closed, and the road goes on by a dropped catalog.
    click(sheet(Sheet::quickEdit)->findChild<kit::SheetCloseButton*>()->button());
    ASSERT_TRUE(waitFor([&] { return !sheet(Sheet::quickEdit); }));

    // 5. The third event's catalog, dropped on the window, becomes a project edited with the profile.
    step("proiect din catalog");
    const fs::path catalog = events[2].userCatalog;
    const auto catalogBefore = catalogRows(catalog);
    ASSERT_EQ(catalogBefore.size(), 12u);
    ASSERT_TRUE(orvane::testing::dropFiles(content(), {QString::fromStdString(catalog.string())}));
    createProject("new-project-catalog");
    step("procesare din catalog");
    const std::shared_ptr<Job> catalogJob = runProject("start-sheet");
    ASSERT_TRUE(catalogJob);
    EXPECT_EQ(catalogJob->project().catalogPath, catalog.string());
    shot("processing-finished");

    // 6. Lightroom holds the catalog; "Export în Lightroom" asks to quit it, writes, and opens it again.
    step("Lightroom pornit pe catalog");  // the test's own start of the stand-in, as the user starts it
    auto host = platform::makeLinuxLightroomHost(defaults);
    host->open(catalog);
    ASSERT_TRUE(waitFor([&] { return host->lockHolder(catalog).has_value(); }, 20'000));
    dialogs.alertAnswers = {kit::CenteredAlert::firstButton + 1};
    step("export în catalog");
    exportProject(catalogJob);
    ASSERT_FALSE(dialogs.asked.empty());
    EXPECT_EQ(dialogs.asked.front().message, QString::fromUtf8("Închid Lightroom?"));
    shot("exported-to-catalog");
    step("Lightroom redeschis");
    ASSERT_TRUE(waitFor([&] { return host->lockHolder(catalog).has_value(); }, 20'000)) << "Lightroom opens again";

    // 7. The fourth event's folder of raws, dropped on the window, becomes a project delivered as sidecars.
    step("proiect din dosar");
    const fs::path folder = events[3].raws.front().parent_path();
    ASSERT_TRUE(orvane::testing::dropFiles(content(), {QString::fromStdString(folder.string())}));
    createProject("new-project-folder");
    step("procesare din dosar");
    const std::shared_ptr<Job> folderJob = runProject("start-sheet-folder");
    ASSERT_TRUE(folderJob);
    EXPECT_FALSE(folderJob->project().catalogPath);
    step("export ca fișiere XMP");
    exportProject(folderJob);
    shot("exported-as-sidecars");

    watch.stop();
    std::printf("[ road ] longest interface stall: %lld ms (during \"%s\"), %lld ticks\n",
                static_cast<long long>(watch.longest().count()), qPrintable(watch.longestStep()),
                static_cast<long long>(watch.ticks()));
    for (const auto& [name, longest] : watch.steps())
        std::printf("[ road ]   %-32s %4lld ms\n", qPrintable(name), static_cast<long long>(longest.count()));
    std::fflush(stdout);

    // The stand-in Lightroom goes away before the catalog is read.
    bool quitLightroom = false;
    platform::quitLightroom(
        std::shared_ptr<platform::LightroomHost>(std::move(host)),
        [](std::chrono::nanoseconds, std::function<void()> resume) {
            std::this_thread::sleep_for(20ms);
            resume();
        },
        [&](bool ok) { quitLightroom = ok; });
    EXPECT_TRUE(quitLightroom);

    // The catalog: whole, every photo's settings ours, its before-settings the first history step's
    // settings, and the photos corrected by a stop or more under the review keyword.
    EXPECT_EQ(singleText(catalog, "pragma integrity_check"), "ok");
    const auto catalogAfter = catalogRows(catalog);
    ASSERT_EQ(catalogAfter.size(), catalogBefore.size());
    int corrected = 0;
    for (const PhotoItem& photo : catalogJob->project().photos) {
        const std::string base = fs::path(photo.path).stem().string();
        SCOPED_TRACE(base);
        ASSERT_TRUE(catalogAfter.count(base));
        const CatalogRow& row = catalogAfter.at(base);
        EXPECT_NE(row.settings, catalogBefore.at(base).settings);
        EXPECT_NE(row.settings.find("Exposure2012"), std::string::npos);
        EXPECT_EQ(row.before, catalogBefore.at(base).settings) << "the before-settings hold the import step's";
        if (photo.exposure && std::abs(*photo.exposure) >= 1.0) ++corrected;
    }
    const std::string flagged = singleText(
        catalog,
        "select count(*) from AgLibraryKeywordImage ki join AgLibraryKeyword k on k.id_local = ki.tag "
        "where k.name = 'Vendrel: de verificat'");
    EXPECT_EQ(flagged, std::to_string(corrected));

    // The sidecars, as an independent reader sees them.
    const auto exiftool = orvane::testing::exiftoolPath();
    if (!exiftool) GTEST_SKIP() << "exiftool is not installed; the catalog road passed";
    for (const PhotoItem& photo : folderJob->project().photos) {
        const fs::path sidecar = fs::path(photo.path).replace_extension(".xmp");
        SCOPED_TRACE(sidecar.string());
        ASSERT_TRUE(fs::exists(sidecar));
        const nlohmann::json record = orvane::testing::exiftool(*exiftool, sidecar);
        ASSERT_TRUE(record.is_object());
        ASSERT_TRUE(record.contains("Exposure2012"));
        ASSERT_TRUE(photo.exposure);
    }
}

}  // namespace

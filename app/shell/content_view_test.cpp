#include "app/shell/content_view.h"
#include "app/library/library_view.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QLabel>
#include <QLayout>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "app/kit/app_style.h"
#include "app/kit/appearance.h"
#include "app/kit/palette.h"
#include "app/kit/sheet_host.h"
#include "app/kit/text.h"
#include "app/kit/kit_test_fixture.h"
#include "app/kit/tooltips.h"
#include "app/profiles/new_profile_sheet.h"
#include "app/profiles/profiles_hub.h"
#include "app/profiles/profiles_list.h"
#include "app/profiles/profile_detail_view.h"
#include "app/kit/page_header.h"
#include "app/kit/text.h"
#include "app/projects/new_project_sheet.h"
#include "app/guide/feedback_sheet.h"
#include "app/guide/guide_sheet.h"
#include "app/home/home_view.h"
#include "app/home/welcome_sheet.h"
#include "app/settings/settings_page.h"
#include "app/projects/reedit_page.h"
#include "app/projects/processing_view.h"
#include "app/projects/project_page_header.h"
#include "app/projects/projects_list.h"
#include "app/shell/shell_fixtures.h"
#include "app/testing/scripted_dialogs.h"
#include "core/store/store.h"
#include "testing/model_fixtures.h"
#include "testing/temp_dir.h"

using namespace orvane;
using namespace orvane::shell;
using namespace orvane::testing;
using model::Route;
using Kind = Route::Kind;
using Sheet = ContentView::Sheet;

namespace {

struct Harness : shell::testing::App {
    std::unique_ptr<ContentView> content;
    std::vector<std::pair<QString, QString>> alerts;
    int answer = kit::CenteredAlert::firstButton;

    Harness() {
        freshDataDir();
        model->reload();
        content = std::make_unique<ContentView>(*model, *router);
        content->setAlertRunner([this](kit::CenteredAlert& alert) {
            alerts.emplace_back(alert.text(), alert.informativeText());
            return answer;
        });
        content->resize(1247, 837);
    }
    // A profile just built: the model offers its ready sheet.
    Profile readyProfile(const std::string& name) {
        Profile profile;
        profile.id = Uuid::random();
        profile.name = name;
        model->setProfileReady(profile);
        return profile;
    }
    QString sheetTitle() const {
        QWidget* s = content->sheets()->current();
        return s ? s->property("sheetTitle").toString() : QString();
    }
};

Project saveProject(const std::string& name) {
    Project p = projectWith(1, 0, 0, name);
    p.save();
    return p;
}

TEST(ContentView, routesPickTheirPageAndAMissingRecordShowsItsList) {
    Harness h;
    const Uuid absent = Uuid::random();
    struct Case {
        const char* name;
        Route route;
        PageKey expected;
    };
    const Case cases[] = {
        {"home", Route::home(), {0, Kind::home, {}}},
        {"settings shares the group of home", Route::settings(), {0, Kind::settings, {}}},
        {"projects", Route::projects(), {1, Kind::projects, {}}},
        {"a missing project shows the list", Route::project(absent), {1, Kind::projects, {}}},
        {"a missing re-edit shows the list", Route::reedit(absent), {1, Kind::projects, {}}},
        {"profiles", Route::profiles(), {2, Kind::profiles, {}}},
        {"a missing profile shows the list", Route::profile(absent), {2, Kind::profile, {}}},
        {"library shares the hub of profiles", Route::library(), {2, Kind::profiles, {}}},
    };
    for (const auto& c : cases) {
        h.router->setRoute(c.route);
        EXPECT_EQ(h.content->pageKey(), c.expected) << c.name;
        EXPECT_EQ(pageKeyFor(c.route, *h.model), c.expected) << c.name;
    }
}

TEST(ContentView, oneProfilesHubServesTheLibraryAndProfilesRoutes) {
    Harness h;
    h.router->setRoute(Route::library());
    auto* hub = qobject_cast<profiles::ProfilesHubView*>(h.content->page());
    ASSERT_NE(hub, nullptr);
    EXPECT_EQ(hub->hub().tab(), profiles::HubTab::library);
    EXPECT_EQ(hub->content()->property("pageTitle").toString(), "Biblioteca de cataloage");

    // The route moves the tab of the same hub; a tab click does not move the route.
    h.router->setRoute(Route::profiles());
    EXPECT_EQ(h.content->page(), hub);
    EXPECT_EQ(hub->hub().tab(), profiles::HubTab::profiles);
    EXPECT_NE(qobject_cast<profiles::ProfilesListView*>(hub->content()), nullptr);
    hub->strip()->segment(profiles::HubTab::library)->click();
    EXPECT_EQ(h.router->route(), Route::profiles());
    EXPECT_EQ(hub->hub().tab(), profiles::HubTab::library);

    // Coming back from another page builds the hub anew on the route's tab.
    h.router->setRoute(Route::home());
    h.router->setRoute(Route::profiles());
    hub = qobject_cast<profiles::ProfilesHubView*>(h.content->page());
    ASSERT_NE(hub, nullptr);
    EXPECT_EQ(hub->hub().tab(), profiles::HubTab::profiles);

    // A profile that is not there: the plain list, without tabs.
    h.router->setRoute(Route::profile(Uuid::random()));
    EXPECT_NE(qobject_cast<profiles::ProfilesListView*>(h.content->page()), nullptr);
}

TEST(ContentView, pagesAreBuiltAfreshWhenTheirIdentityChanges) {
    Harness h;
    const Project a = saveProject("Nuntă A");
    const Project b = saveProject("Nuntă B");

    h.router->setRoute(Route::project(a.id));
    EXPECT_EQ(h.content->pageKey().kind, Kind::projects) << "not read yet: the list";
    h.model->reload();  // the project appears without a change of route
    EXPECT_EQ(h.content->pageKey(), (PageKey{1, Kind::project, a.id}));
    EXPECT_EQ(h.content->page()->property("pageTitle").toString(), "Nuntă A");

    QPointer<QWidget> pageA = h.content->page();
    h.model->reload();
    EXPECT_EQ(h.content->page(), pageA) << "the same project keeps its page";
    h.router->setRoute(Route::project(b.id));
    EXPECT_NE(h.content->page(), pageA.data());
    EXPECT_EQ(h.content->page()->property("pageTitle").toString(), "Nuntă B");

    h.router->setRoute(Route::home());
    QPointer<QWidget> home = h.content->page();
    h.router->setRoute(Route::settings());
    EXPECT_NE(h.content->page(), home.data()) << "same group, another kind of page";
    EXPECT_EQ(h.content->page()->property("pageTitle").toString(), "Setări");
    EXPECT_NE(qobject_cast<settings::SettingsPage*>(h.content->page()), nullptr);
}

TEST(ContentView, theReeditRouteShowsTheReeditPageAndLeavingElsewherePutsTheSettingsBack) {
    Harness h;
    Project p = projectWith(0, 2, 0, "Nuntă R");
    p.save();
    h.model->reload();
    h.router->setRoute(Route::reedit(p.id));
    auto* page = qobject_cast<projects::ReeditPage*>(h.content->page());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(h.content->page()->property("pageTitle").toString(), "Nuntă R");
    page->model().stepBrightness(projects::ReeditModel::brightnessStep);
    const auto job = h.model->jobs().at(p.id);
    EXPECT_DOUBLE_EQ(job->project().globalExposure.value_or(0), 0.1);
    // The rail takes the user elsewhere without an apply: the page goes and the step with it.
    h.router->setRoute(Route::projects());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(job->project().globalExposure.value_or(0), 0);
}

TEST(ContentView, aProjectsPageIsItsHeaderAboveItsProcessingScreenAndAnUnknownOneTheList) {
    Harness h;
    Profile profile = builtProfile("Nunți calde");
    ProfileTuning tuning;
    tuning.exposure = 0.2;
    profile.tuning = tuning;
    profile.save();
    Project p = projectWith(2, 0, 0, "Nuntă A");
    p.profileID = profile.id;
    p.save();
    h.model->reload();

    h.router->setRoute(Route::projects());
    EXPECT_NE(qobject_cast<projects::ProjectsListView*>(h.content->page()), nullptr);
    h.router->setRoute(Route::project(Uuid::random()));
    EXPECT_NE(qobject_cast<projects::ProjectsListView*>(h.content->page()), nullptr) << "an unknown id: the list";

    h.router->setRoute(Route::project(p.id));
    auto* page = qobject_cast<projects::ProjectPage*>(h.content->page());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->property("pageTitle").toString(), "Nuntă A");
    EXPECT_EQ(page->header()->titleLabel()->text(), "Nuntă A");
    ASSERT_NE(page->processing(), nullptr);
    EXPECT_EQ(page->layout()->indexOf(page->header()), 0);
    EXPECT_EQ(page->layout()->indexOf(page->processing()), 1);
    const auto job = h.model->jobs().at(p.id);
    EXPECT_EQ(page->pageModel().job(), job) << "the page shows the model's job";
    EXPECT_EQ(job->project().profileTuning, tuning) << "the tuning is brought over when the route opens the page";

    // Renamed from its header, the page stays and follows; deleted, it gives way to the list.
    orvane::testing::ScriptedDialogs dialogs;
    dialogs.names = {QString("Nuntă B")};
    page->pageModel().rename();
    EXPECT_EQ(h.content->page(), page);
    QCoreApplication::processEvents();
    EXPECT_EQ(page->header()->titleLabel()->text(), "Nuntă B");
    dialogs.alertAnswers = {kit::CenteredAlert::firstButton};
    page->pageModel().confirmDelete();
    ASSERT_TRUE(QTest::qWaitFor([&] { return qobject_cast<projects::ProjectsListView*>(h.content->page()) != nullptr; }));
}

TEST(ContentView, anAccentChangeRebuildsTheRailAndThePage) {
    Harness h;
    QPointer<QWidget> rail = h.content->rail();
    QPointer<QWidget> page = h.content->page();
    h.defaults->set("accentIndex", 3);  // the accent in effect already: nothing to rebuild
    EXPECT_EQ(h.content->rail(), rail.data());
    h.defaults->set("accentIndex", 5);
    EXPECT_EQ(h.content->accentIndex(), 5);
    EXPECT_NE(h.content->rail(), rail.data());
    EXPECT_NE(h.content->page(), page.data());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(rail.isNull()) << "the old rail is gone with its state";
    EXPECT_TRUE(page.isNull());
}

TEST(ContentView, aDroppedFolderOrCatalogOpensTheNewProjectSheetAndAnythingElseIsRefused) {
    TempDir dir;
    writeText(dir / "Nunta.LRCAT", "");
    writeText(dir / "poza.jpg", "");
    std::filesystem::create_directories(dir / "RAW");
    const auto url = [&](const char* name) { return QUrl::fromLocalFile(QString::fromStdString((dir / name).string())); };
    struct Case {
        const char* name;
        QList<QUrl> urls;
        bool accepted;
        bool catalogMode;
    };
    const Case cases[] = {
        {"a folder", {url("RAW")}, true, false},
        {"a catalog in capitals", {url("Nunta.LRCAT")}, true, true},
        {"only the first item counts", {url("RAW"), url("poza.jpg")}, true, false},
        {"a JPEG", {url("poza.jpg")}, false, false},
        {"a JPEG first, then a folder", {url("poza.jpg"), url("RAW"), url("Nunta.LRCAT")}, false, false},
        {"nothing", {}, false, false},
        {"not a local file", {QUrl("https://example.com/x.lrcat")}, false, false},
    };
    for (const auto& c : cases) {
        Harness h;
        EXPECT_EQ(h.content->handleDrop(c.urls), c.accepted) << c.name;
        EXPECT_EQ(h.router->showNewProject(), c.accepted) << c.name;
        QWidget* sheet = h.content->sheet(Sheet::newProject);
        ASSERT_EQ(sheet != nullptr, c.accepted) << c.name;
        if (!c.accepted) continue;
        EXPECT_EQ(h.sheetTitle(), "Proiect nou");
        auto* newProject = qobject_cast<projects::NewProjectSheet*>(sheet);
        ASSERT_NE(newProject, nullptr) << c.name;
        const auto& m = newProject->model();
        const auto taken = c.catalogMode ? m.catalog() : m.folder();
        ASSERT_TRUE(taken.has_value()) << c.name;
        EXPECT_EQ(QString::fromStdString(taken->string()), c.urls.first().toLocalFile()) << c.name;
        EXPECT_EQ(m.fromCatalog(), c.catalogMode) << c.name;
        EXPECT_FALSE(h.router->droppedItem().has_value()) << "the sheet took the item";
    }
}

TEST(ContentView, dragsAreAcceptedOnlyWhenTheDropRuleTakesThem) {
    TempDir dir;
    writeText(dir / "poza.JPG", "");
    writeText(dir / "Nunta.lrcat", "");
    const auto mimeOf = [&](const char* name) {
        auto* mime = new QMimeData;
        mime->setUrls({QUrl::fromLocalFile(QString::fromStdString((dir / name).string()))});
        return std::unique_ptr<QMimeData>(mime);
    };
    const auto actions = Qt::CopyAction | Qt::MoveAction;
    for (const auto& [name, accepted] : {std::pair{"poza.JPG", false}, std::pair{"Nunta.lrcat", true}}) {
        Harness h;
        h.content->show();
        const auto mime = mimeOf(name);
        // A source that offers a move: a refusal tells it nothing happens, so it deletes nothing.
        QDragEnterEvent enter(QPoint(600, 400), actions, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(h.content.get(), &enter);
        EXPECT_EQ(enter.isAccepted(), accepted) << name;
        EXPECT_EQ(enter.dropAction(), accepted ? enter.proposedAction() : Qt::IgnoreAction) << name;

        // Moves and the drop answer by the same rule (each after an enter the view took, as Qt sends
        // them only then).
        const auto taken = mimeOf("Nunta.lrcat");
        QDragEnterEvent primed(QPoint(600, 400), actions, taken.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(h.content.get(), &primed);
        ASSERT_TRUE(primed.isAccepted());
        QDragMoveEvent move(QPoint(610, 400), actions, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(h.content.get(), &move);
        EXPECT_EQ(move.isAccepted(), accepted) << name;
        EXPECT_EQ(move.dropAction(), accepted ? move.proposedAction() : Qt::IgnoreAction) << name;
        QDropEvent drop(QPointF(610, 400), actions, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(h.content.get(), &drop);
        EXPECT_EQ(drop.isAccepted(), accepted) << name;
        EXPECT_EQ(drop.dropAction(), accepted ? drop.proposedAction() : Qt::IgnoreAction) << name;
        EXPECT_EQ(h.router->showNewProject(), accepted) << name;
    }
}

TEST(ContentView, mutedTextInASheetMadeAfterAnAppearanceChangeIsMuted) {
    TempDir dir;
    std::filesystem::create_directories(dir / "RAW");
    Harness h;
    kit::installApplicationStyle();
    kit::Appearance::instance().setOverride(false);
    QCoreApplication::processEvents();
    kit::Appearance::instance().setOverride(true);
    QCoreApplication::processEvents();
    ASSERT_TRUE(h.content->handleDrop({QUrl::fromLocalFile(QString::fromStdString((dir / "RAW").string()))}));
    QWidget* sheet = h.content->sheet(Sheet::newProject);
    ASSERT_NE(sheet, nullptr);
    // The line under the sheet's title is muted text; the sheet may redraw its sections, so the
    // label is looked up afresh.
    const auto pathLabel = [&] {
        QLabel* path = nullptr;
        for (QLabel* label : sheet->findChildren<QLabel*>())
            if (label->isVisibleTo(sheet) && label->text() == QString::fromUtf8("Alege folderul cu RAW-uri și profilul de editare"))
                path = label;
        return path;
    };
    QLabel* path = pathLabel();
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(path->palette().color(path->foregroundRole()), kit::mutedColor.resolve(true));
    kit::Appearance::instance().setOverride(false);
    QCoreApplication::processEvents();
    path = pathLabel();
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(path->palette().color(path->foregroundRole()), kit::mutedColor.resolve(false));
    kit::Appearance::instance().setOverride(std::nullopt);
}

// The page's tips go to the window's host, which keeps them inside the window, and follow the page when
// it is built afresh; the rail's are drawn in place.
TEST(ContentView, hostsThePageTipsAndTheRailDrawsItsOwn) {
    ManualExecutor clock;
    kit::testing::VirtualHover virtualHover(clock);
    Harness h;
    h.content->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(h.content.get()));
    ASSERT_NE(h.content->tips(), nullptr);
    auto point = [](QWidget* w) {
        QTest::mouseMove(w, w->rect().center());
        QCoreApplication::processEvents();
    };

    for (Route route : {Route::home(), Route::settings()}) {
        h.router->setRoute(route);
        QCoreApplication::processEvents();  // the new page laid out, the old one gone
        QWidget* page = h.content->page();
        auto* edge = new QPushButton("Exportă", page);
        edge->setGeometry(page->width() - 34, 40, 30, 24);  // at the window's trailing edge
        edge->show();
        kit::QuickTip* tip = kit::quickTip(edge, "Exportă proiectul în catalogul Lightroom");
        point(edge);
        clock.advance(std::chrono::milliseconds(1000));
        ASSERT_TRUE(tip->isShown());
        EXPECT_TRUE(tip->isHosted());
        ASSERT_EQ(h.content->tips()->tips().size(), 1u);
        EXPECT_DOUBLE_EQ(h.content->tips()->bubbleRect(0).right(), h.content->width() - 8);
        point(h.content->rail());
        EXPECT_TRUE(h.content->tips()->tips().empty());
    }

    QWidget* help = nullptr;
    for (auto* b : h.content->rail()->findChildren<QAbstractButton*>())
        if (kit::QuickTip* t = kit::QuickTip::on(b); t && t->shownText() == "Ghid și feedback") help = b;
    ASSERT_NE(help, nullptr);
    point(help);
    clock.advance(std::chrono::milliseconds(1000));
    ASSERT_TRUE(kit::QuickTip::on(help)->isShown());
    EXPECT_FALSE(kit::QuickTip::on(help)->isHosted());
    EXPECT_TRUE(h.content->tips()->tips().empty());
}

TEST(ContentView, theCloseButtonSitsInTheSheetCornerAndTheTitleKeepsClearOfIt) {
    Harness h;
    h.content->show();
    h.router->setShowGuide(true);
    QWidget* sheet = h.content->sheet(Sheet::guide);
    ASSERT_NE(sheet, nullptr);
    auto* close = sheet->findChild<kit::SheetCloseButton*>();
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->geometry(), QRect(sheet->width() - 58, 0, 58, 58)) << "the glyph's centre 29 from both edges";
    auto* sheetTitle = sheet->findChild<kit::KitLabel*>("sheetTitle");
    ASSERT_NE(sheetTitle, nullptr);
    EXPECT_EQ(sheetTitle->text(), "Ghid de utilizare") << "a short title is whole";
    EXPECT_LE(sheetTitle->geometry().right(), close->geometry().left()) << "the title keeps clear of the button";
    close->button()->click();
    EXPECT_FALSE(h.router->showGuide());
}

TEST(ContentView, everyReportedErrorGetsItsOwnAlertAndCopyLeavesTheExactText) {
    Harness h;
    h.answer = kit::CenteredAlert::firstButton + 1;  // "Copiază"
    const std::string text = "Proiectul „Nuntă” nu a putut fi salvat: discul este plin";
    h.model->setError(text);
    EXPECT_FALSE(h.model->error().has_value()) << "cleared at once";
    h.model->setError(text);
    ASSERT_TRUE(QTest::qWaitFor([&] { return h.alerts.size() == 2; }, 5000));
    for (const auto& [message, informative] : h.alerts) {
        EXPECT_EQ(message, "Eroare");
        EXPECT_EQ(informative, QString::fromStdString(text));
    }
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromStdString(text));

    h.answer = kit::CenteredAlert::firstButton;  // "Închide" copies nothing
    QGuiApplication::clipboard()->setText("altceva");
    h.model->setError("A");
    ASSERT_TRUE(QTest::qWaitFor([&] { return h.alerts.size() == 3; }, 5000));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "altceva");
}

TEST(ContentView, anErrorPresentBeforeTheViewIsNotShown) {
    shell::testing::App app;
    app.model->setError("vechi");
    ContentView content(*app.model, *app.router);
    int alerts = 0;
    content.setAlertRunner([&](kit::CenteredAlert&) { return ++alerts, 1000; });
    QTest::qWait(20);
    EXPECT_EQ(alerts, 0);
}

TEST(ContentView, sheetsOpenOneAtATimeAndClosingResetsWhatOpenedThem) {
    Harness h;
    h.router->setShowNewProfile(true);
    h.router->setShowQuickEdit(true);
    EXPECT_EQ(h.sheetTitle(), "Profil nou");
    EXPECT_EQ(h.content->sheets()->waiting(), 1);

    QTest::keyClick(h.content->sheets(), Qt::Key_Escape);  // as its close button does
    EXPECT_FALSE(h.router->showNewProfile());
    EXPECT_EQ(h.sheetTitle(), "Editare rapidă");
    h.router->setShowQuickEdit(false);  // the flag going away closes the sheet too
    EXPECT_EQ(h.content->sheets()->current(), nullptr);

    // The sheets live outside the accent's identity: a rebuild keeps them.
    h.router->setShowNewProject(true);
    QPointer<QWidget> sheet = h.content->sheet(Sheet::newProject);
    h.defaults->set("accentIndex", 1);
    EXPECT_EQ(h.content->sheet(Sheet::newProject), sheet.data());
}

TEST(ContentView, afterAnImportTheNewProfileSheetOpensInItsProfessionalStepCentred) {
    Harness h;
    TrainingCatalog c;
    c.id = Uuid::random();
    c.name = "Nuntă";
    c.source = "/nicaieri/Nuntă.lrcat";
    c.usable = 600;
    Store::save(c, c.file());
    h.model->reload();
    h.router->setPendingAutoPreset(true);
    h.router->setNewProfileAutoPro(true);
    h.router->setShowNewProfile(true);
    auto* sheet = qobject_cast<profiles::NewProfileSheet*>(h.content->sheet(Sheet::newProfile));
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->model().mode(), profiles::NewProfileModel::Mode::pro);
    EXPECT_EQ(sheet->geometry(), kit::SheetHost::sheetFrame(h.content->sheets()->size(), {560, 760}));
    QTest::keyClick(h.content->sheets(), Qt::Key_Escape);
    EXPECT_FALSE(h.router->showNewProfile());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(h.router->pendingAutoPreset());  // closed without creating: the hand-over is given back
}

// The profile's page is its screen; deleting the profile there shows the list in its place.
TEST(ContentView, aProfilesPageIsItsScreenAndDeletingItShowsTheList) {
    orvane::testing::TempDir xdg;
    orvane::testing::ScopedEnv trash("XDG_DATA_HOME", xdg.path().string());
    Harness h;
    Profile profile;
    profile.id = Uuid::random();
    profile.name = "Stil";
    profile.presetName = "Cald";
    profile.save();
    h.model->reload();
    h.router->setRoute(Route::profile(profile.id));
    auto* page = qobject_cast<profiles::ProfileDetailPage*>(h.content->page());
    ASSERT_NE(page, nullptr);
    orvane::testing::ScriptedDialogs dialogs;
    dialogs.alertAnswers = {kit::CenteredAlert::firstButton};  // "Șterge"
    page->actionButton(profiles::ProfileDetailPage::Action::remove, false)->click();
    EXPECT_EQ(h.content->pageKey(), (PageKey{2, Kind::profile, {}}));
    EXPECT_TRUE(qobject_cast<profiles::ProfilesListView*>(h.content->page())) << "the list alone";
    EXPECT_EQ(h.router->route(), Route::profile(profile.id)) << "the route itself is kept";
}

TEST(ContentView, startingFromTheReadySheetMakesTheProfileTheDefaultAndOpensQuickEdit) {
    Harness h;
    // Escape closes the sheet and changes nothing else.
    h.readyProfile("Alt stil");
    ASSERT_NE(h.content->sheet(Sheet::profileReady), nullptr);
    QTest::keyClick(h.content->sheet(Sheet::profileReady), Qt::Key_Escape);
    EXPECT_FALSE(h.model->profileReady().has_value());
    EXPECT_FALSE(h.router->preferredProfile().has_value());
    EXPECT_FALSE(h.defaults->textValue("defaultProfile").has_value());

    // Return starts editing with the profile.
    const Profile profile = h.readyProfile("Stilul meu");
    QWidget* sheet = h.content->sheet(Sheet::profileReady);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(h.sheetTitle(), "Profilul este gata");
    auto* start = sheet->findChild<QAbstractButton*>("startEditing");
    ASSERT_NE(start, nullptr);
    EXPECT_EQ(start->text(), "Începe să editezi");
    QTest::keyClick(sheet, Qt::Key_Return);
    EXPECT_FALSE(h.model->profileReady().has_value());
    EXPECT_EQ(h.router->preferredProfile(), profile.id);
    EXPECT_EQ(h.defaults->textValue("defaultProfile"), profile.id.text());
    EXPECT_FALSE(h.router->showQuickEdit()) << "not before the ready sheet has gone";
    ASSERT_TRUE(QTest::qWaitFor([&] { return h.router->showQuickEdit(); }, 2000));
    EXPECT_EQ(h.sheetTitle(), "Editare rapidă");
}

}  // namespace

TEST(ContentView, theLibraryRouteShowsTheCatalogLibrary) {
    Harness h;
    h.router->setRoute(Route::library());
    // The library is the hub's second tab.
    auto* library = h.content->page()->findChild<library::LibraryView*>();
    ASSERT_TRUE(library);
    EXPECT_EQ(library->property("pageTitle").toString(), QString::fromUtf8("Biblioteca de cataloage"));
}

namespace {

TEST(ContentView, theHelpSheetsAreTheRealOnesAndTheGuidesStepIsFollowedAfterItCloses) {
    Harness h;
    h.content->show();
    h.router->setShowWelcome(true);
    EXPECT_TRUE(qobject_cast<home::WelcomeSheet*>(h.content->sheet(Sheet::welcome)));
    h.router->setShowWelcome(false);
    h.router->setShowFeedback(true);
    EXPECT_TRUE(qobject_cast<guide::FeedbackSheet*>(h.content->sheet(Sheet::feedback)));
    h.router->setShowFeedback(false);

    h.router->setRoute(Route::settings());
    h.router->setShowGuide(true);
    auto* sheet = qobject_cast<guide::GuideSheet*>(h.content->sheet(Sheet::guide));
    ASSERT_NE(sheet, nullptr);
    QTest::mouseClick(sheet->workflow()->rows()[3], Qt::LeftButton);
    ASSERT_NE(sheet->workflow()->actionButton(), nullptr);
    QTest::mouseClick(sheet->workflow()->actionButton(), Qt::LeftButton);
    EXPECT_FALSE(h.router->showGuide());
    EXPECT_EQ(h.router->route(), Route::projects());
    EXPECT_FALSE(h.router->guideDestination());
}

TEST(ContentView, theHomeRouteShowsTheHomePage) {
    Harness h;
    h.router->setRoute(Route::home());
    EXPECT_TRUE(qobject_cast<home::HomeView*>(h.content->page()));
}

}  // namespace

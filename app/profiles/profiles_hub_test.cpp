#include "app/profiles/profiles_hub.h"

#include <QLabel>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include <QVBoxLayout>

#include "app/kit/app_backdrop.h"
#include "app/kit/app_style.h"
#include "app/kit/buttons.h"
#include "app/kit/cards.h"
#include "app/kit/text.h"
#include "app/profiles/profile_card.h"
#include "app/profiles/profiles_list.h"
#include "app/profiles/profiles_list_fixture.h"

namespace orvane::profiles {
namespace {

using testing::ProfilesWorld;

class Screens : public ProfilesWorld {
protected:
    void TearDown() override {
        window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ProfilesWorld::TearDown();
    }
    template <class W>
    W* show(W* w) {
        window = std::unique_ptr<QWidget>(w);
        window->resize(1100, 720);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return w;
    }
    ProfilesListView* showList() { return show(new ProfilesListView(*app, *router)); }
    static void settle() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
    static void click(QWidget* w) {
        ASSERT_NE(w, nullptr);
        QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
        settle();
    }
    static ProfileCard* card(ProfilesListView* list, const std::string& name) {
        for (ProfileCard* c : list->cards())
            if (c->profile().name == name) return c;
        return nullptr;
    }
    std::unique_ptr<QWidget> window;
};

TEST_F(Screens, selectionModeTogglesOnClickWhileOpenStillOpens) {
    const Profile a = built("A");
    built("B");
    app->reload();
    auto* list = showList();
    click(card(list, "A"));
    EXPECT_EQ(router->route(), model::Route::profile(a.id)) << "outside selection mode a click opens";
    router->setRoute(model::Route::profiles());

    click(list->control("select"));
    ASSERT_TRUE(list->listModel().selecting());
    EXPECT_EQ(list->control("import"), nullptr);
    EXPECT_EQ(card(list, "A")->trainButton(), nullptr);
    EXPECT_EQ(card(list, "A")->deleteButton(), nullptr);
    ASSERT_NE(card(list, "A")->selectionMark(), nullptr);
    EXPECT_FALSE(list->control("rename")->isEnabled());
    EXPECT_FALSE(list->control("trash")->isEnabled());

    click(card(list, "A"));
    EXPECT_TRUE(list->listModel().isSelected(a.id));
    EXPECT_EQ(router->route(), model::Route::profiles()) << "a click selects, it does not open";
    EXPECT_EQ(card(list, "A")->selectionMark()->objectName(), "selectedMark");
    auto* count = qobject_cast<kit::KitLabel*>(list->control("selectionText"));
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->text(), "1 selectate");
    EXPECT_TRUE(list->control("rename")->isEnabled());
    EXPECT_TRUE(list->control("trash")->isEnabled());

    std::unique_ptr<QMenu> menu(card(list, "A")->makeContextMenu());
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->text(), "Deschide");
    EXPECT_EQ(menu->actions()[1]->text(), QString::fromUtf8("Redenumește…"));
    menu->actions()[0]->trigger();
    EXPECT_EQ(router->route(), model::Route::profile(a.id));
    EXPECT_TRUE(list->listModel().selecting()) << "the menu leaves selection mode alone";

    // Row by row to every profile, then the select-all button empties and fills the selection.
    click(card(list, "B"));
    EXPECT_EQ(static_cast<kit::KitButton*>(list->control("selectAll"))->text(), QString::fromUtf8("Deselectează tot"));
    click(list->control("selectAll"));
    EXPECT_TRUE(list->listModel().selected().empty());
    click(list->control("selectAll"));
    EXPECT_EQ(list->listModel().selected().size(), 2u);
    click(list->control("done"));
    EXPECT_FALSE(list->listModel().selecting());
    EXPECT_NE(list->control("select"), nullptr);
}

TEST_F(Screens, bulkDeleteWithOneFailingTargetReportsIt) {
    built("A");
    const Profile b = built("B");
    app->reload();
    auto* list = showList();
    click(list->control("select"));
    click(card(list, "A"));
    click(card(list, "B"));
    std::filesystem::remove_all(b.dir());  // B's folder cannot be moved any more
    dialogs.alertAnswers = {kit::CenteredAlert::firstButton};
    click(list->control("trash"));
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].message, QString::fromUtf8("Ștergi 2 profiluri?"));
    ASSERT_TRUE(app->error());
    EXPECT_TRUE(QString::fromStdString(*app->error()).startsWith(QString::fromUtf8("Nu am putut muta în Coș: „B”")));
    EXPECT_FALSE(list->listModel().selecting());
    EXPECT_TRUE(list->cards().empty() && list->emptyState()) << "A went to the trash; B's record went with its folder";
}

TEST_F(Screens, importingAPackageOpensTheNewProfile) {
    orvane::testing::TempDir tmp;
    const Profile a = built("Nunta");
    app->reload();
    const auto package = tmp / "Nunta.orvaneprofile";
    a.exportPackage(package);
    auto* list = showList();
    dialogs.files = {QStringList{QString::fromStdString(package.string())}};
    click(list->control("import"));
    const Profile* imported = find("Nunta (importat)");
    ASSERT_NE(imported, nullptr);
    EXPECT_EQ(router->route(), model::Route::profile(imported->id));
    EXPECT_EQ(list->cards().size(), 2u);
    EXPECT_EQ(list->cards()[1]->profile().name, "Nunta (importat)") << "in name order";
}

TEST_F(Screens, theExportMenuNeedsABuiltProfile) {
    auto* list = showList();
    EXPECT_EQ(list->control("select"), nullptr) << "no profile: nothing to select";
    EXPECT_FALSE(list->control("export")->isEnabled());
    unbuilt("Nou");
    app->reload();
    EXPECT_NE(list->control("select"), nullptr);
    EXPECT_FALSE(list->control("export")->isEnabled());
    built("Gata");
    app->reload();
    ASSERT_TRUE(list->control("export")->isEnabled());
    ASSERT_EQ(list->exportMenu()->actions().size(), 1);
    EXPECT_EQ(list->exportMenu()->actions()[0]->text(), "Gata");
    orvane::testing::TempDir tmp;
    dialogs.saveFiles = {QString::fromStdString((tmp / "x.orvaneprofile").string())};
    list->exportMenu()->actions()[0]->trigger();
    EXPECT_EQ(dialogs.asked.at(0).informative, "Gata.orvaneprofile");
    EXPECT_TRUE(std::filesystem::exists(tmp / "x.orvaneprofile"));
    click(list->control("newProfile"));
    EXPECT_TRUE(router->showNewProfile());
}

TEST_F(Screens, theEmptyStateOpensTheNewProfileSheetWithOrWithoutCatalogs) {
    auto* list = showList();
    ASSERT_NE(list->emptyState(), nullptr);
    EXPECT_EQ(list->emptyState()->symbol(), "books.vertical");
    EXPECT_EQ(list->emptyState()->callToAction(),
              QString::fromUtf8("Apasă aici: întâi imporți un catalog Lightroom, apoi poți crea profilul."));
    click(list->emptyState());
    EXPECT_TRUE(router->showNewProfile());
    router->setShowNewProfile(false);

    catalog("Nunti");
    app->reload();
    ASSERT_NE(list->emptyState(), nullptr);
    EXPECT_EQ(list->emptyState()->symbol(), "plus");
    click(list->emptyState());
    EXPECT_TRUE(router->showNewProfile());
}

TEST_F(Screens, cardButtonsFollowTheBuild) {
    const Profile a = unbuilt("A", {Uuid::random()});
    const Profile b = unbuilt("B");
    const Profile c = built("C");
    app->reload();
    auto* list = showList();
    ASSERT_NE(card(list, "A")->trainButton(), nullptr);
    EXPECT_EQ(card(list, "C")->trainButton(), nullptr);
    EXPECT_EQ(card(list, "A")->defaultButton(), nullptr);
    ASSERT_NE(card(list, "C")->defaultButton(), nullptr);
    EXPECT_FALSE(card(list, "C")->defaultButton()->isEnabled()) << "the only built profile is the default";
    EXPECT_EQ(card(list, "C")->pill()->text(), "Construit");

    // "Antrenează" on a profile whose catalogs left the library opens its page.
    click(card(list, "A")->trainButton());
    EXPECT_EQ(router->route(), model::Route::profile(a.id));
    EXPECT_FALSE(app->profileBuild());

    training(a);
    settle();
    QPointer<ProfileCard> before = card(list, "A");
    auto progress = *app->profileBuild();
    progress.phase = ProfileBuilder::Phase::features(3, 10);
    app->setProfileBuild(progress);
    settle();
    EXPECT_EQ(card(list, "A"), before.data()) << "progress of the same build keeps the rows";
    EXPECT_EQ(card(list, "A")->trainButton()->text(), QString::fromUtf8("Se antrenează…"));
    EXPECT_FALSE(card(list, "A")->trainButton()->isEnabled());
    EXPECT_FALSE(card(list, "A")->deleteButton()->isEnabled());
    EXPECT_FALSE(card(list, "B")->trainButton()->isEnabled());
    EXPECT_TRUE(card(list, "B")->deleteButton()->isEnabled());

    // The card's own delete, confirmed, goes through the trash and the list follows.
    dialogs.alertAnswers = {kit::CenteredAlert::firstButton};
    click(card(list, "B")->deleteButton());
    EXPECT_EQ(card(list, "B"), nullptr);
    EXPECT_EQ(list->cards().size(), 2u);
    (void)c;
}

QWidget* libraryStandIn() {
    auto* w = new QLabel("biblioteca");
    w->setObjectName("libraryPage");
    return w;
}

TEST_F(Screens, theHubFollowsTheRouteAndATabClickLeavesTheRouteAlone) {
    built("A");
    app->reload();
    router->setRoute(model::Route::library());
    auto* hub = show(new ProfilesHubView(*app, *router, HubTab::library, libraryStandIn));
    EXPECT_EQ(hub->content()->objectName(), "libraryPage");
    EXPECT_EQ(hub->strip()->pillRect(), QRectF(hub->strip()->segment(HubTab::library)->geometry()));

    router->setRoute(model::Route::profiles());
    settle();
    EXPECT_EQ(hub->hub().tab(), HubTab::profiles);
    auto* list = qobject_cast<ProfilesListView*>(hub->content());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(hub->strip()->pillRect(), QRectF(hub->strip()->segment(HubTab::profiles)->geometry()));

    // Selection mode ends with a trip to the library and back.
    click(list->control("select"));
    ASSERT_TRUE(list->listModel().selecting());
    QWidget* before = hub->content();
    click(hub->strip()->segment(HubTab::profiles));
    EXPECT_EQ(hub->content(), before) << "the current segment changes nothing";
    click(hub->strip()->segment(HubTab::library));
    EXPECT_EQ(hub->content()->objectName(), "libraryPage");
    EXPECT_EQ(router->route(), model::Route::profiles()) << "a tab click leaves the route";
    click(hub->strip()->segment(HubTab::profiles));
    list = qobject_cast<ProfilesListView*>(hub->content());
    ASSERT_NE(list, nullptr);
    EXPECT_FALSE(list->listModel().selecting());

    // Another route leaves the tab alone.
    router->setRoute(model::Route::home());
    EXPECT_EQ(hub->hub().tab(), HubTab::profiles);
}

// Renders the hub with profiles in every state, light and dark, into docs/ when ORVANE_SCREENSHOTS is set.
TEST_F(Screens, screenshots) {
    if (!qEnvironmentVariableIsSet("ORVANE_SCREENSHOTS")) GTEST_SKIP() << "set ORVANE_SCREENSHOTS to write docs/";
    kit::installApplicationStyle();
    Profile warm = built("Nunți calde");
    Profile light = stale("Botezuri luminoase");
    light.presetName = "Lumină moale";
    light.samples = 1240;
    light.save();
    Profile studio = unbuilt("Portrete de studio", {Uuid::random(), Uuid::random()});
    studio.presetName = "Neutru";
    studio.save();
    unbuilt("Evenimente corporate cu lumină mixtă și multe săli de conferință", {Uuid::random()});
    Profile instant = built("Rapid");
    instant.kind = "instant";
    instant.catalogIDs.clear();
    instant.trainedCatalogIDs.reset();
    instant.save();
    app->reload();
    router->setPreferredProfile(warm.id);
    training(studio);
    router->setRoute(model::Route::profiles());
    for (bool dark : {false, true}) {
        kit::Appearance::instance().setOverride(dark);
        auto* backdrop = show(new kit::AppBackdrop);
        backdrop->resize(1040, 640);
        auto* layout = new QVBoxLayout(backdrop);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(new ProfilesHubView(*app, *router, HubTab::profiles, libraryStandIn));
        settle();
        const QString path = QString(ORVANE_SOURCE_DIR) + "/docs/profiles-hub" + (dark ? "-dark" : "-light") + ".png";
        EXPECT_TRUE(backdrop->grab().save(path)) << path.toStdString();
    }
    // Selection mode with two rows chosen, and the empty list.
    kit::Appearance::instance().setOverride(false);
    auto* backdrop = show(new kit::AppBackdrop);
    backdrop->resize(1040, 560);
    auto* layout = new QVBoxLayout(backdrop);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* list = new ProfilesListView(*app, *router);
    layout->addWidget(list);
    list->listModel().startSelecting();
    list->listModel().toggle(warm.id);
    list->listModel().toggle(light.id);
    settle();
    EXPECT_TRUE(backdrop->grab().save(QString(ORVANE_SOURCE_DIR) + "/docs/profiles-list-selecting-light.png"));
    list->listModel().endSelecting();
    for (const Profile& p : Profile::all()) std::filesystem::remove_all(p.dir());
    app->reload();
    settle();
    EXPECT_TRUE(backdrop->grab().save(QString(ORVANE_SOURCE_DIR) + "/docs/profiles-list-empty-light.png"));
}

TEST(ProfilesHubModel, followsLaterRouteChangesOnly) {
    auto defaults = std::make_shared<FileDefaults>();
    model::Router router(defaults);
    router.setRoute(model::Route::profiles());
    ProfilesHubModel hub(router, HubTab::library);
    EXPECT_EQ(hub.tab(), HubTab::library) << "the creator's tab, whatever the route was";
    std::vector<bool> changes;
    QObject::connect(&hub, &ProfilesHubModel::tabChanged, [&](bool animated) { changes.push_back(animated); });
    hub.select(HubTab::profiles);
    hub.select(HubTab::profiles);
    router.setRoute(model::Route::library());
    router.setRoute(model::Route::projects());
    router.setRoute(model::Route::profile(Uuid::random()));
    EXPECT_EQ(hub.tab(), HubTab::library);
    router.setRoute(model::Route::profiles());
    EXPECT_EQ(hub.tab(), HubTab::profiles);
    EXPECT_EQ(changes, (std::vector<bool>{true, false, false})) << "clicks animate, the route does not";
    EXPECT_EQ(router.route(), model::Route::profiles());
}

}  // namespace
}  // namespace orvane::profiles

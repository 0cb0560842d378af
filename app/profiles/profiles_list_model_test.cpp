#include "app/profiles/profiles_list_model.h"

#include <gtest/gtest.h>


#include "app/profiles/profiles_list_fixture.h"

namespace orvane::profiles {
namespace {

using testing::ProfilesWorld;
constexpr int deleteAnswer = kit::CenteredAlert::firstButton;

class ListModel : public ProfilesWorld {
protected:
    void SetUp() override {
        ProfilesWorld::SetUp();
        list = std::make_unique<ProfilesListModel>(*app, *router);
    }
    void TearDown() override {
        list.reset();
        ProfilesWorld::TearDown();
    }
    std::unique_ptr<ProfilesListModel> list;
};

TEST_F(ListModel, selectAllFlipsBetweenEverythingAndNothing) {
    const Profile a = built("A");
    const Profile b = unbuilt("B");
    app->reload();
    list->startSelecting();
    EXPECT_EQ(list->selectionText(), "Alege profiluri");
    EXPECT_EQ(list->selectAllTitle(), QString::fromUtf8("Selectează tot"));
    list->toggle(a.id);
    list->toggle(b.id);
    EXPECT_EQ(list->selectionText(), "2 selectate");
    EXPECT_EQ(list->selectAllTitle(), QString::fromUtf8("Deselectează tot"));
    list->toggleAll();
    EXPECT_TRUE(list->selected().empty());
    list->toggleAll();
    EXPECT_EQ(list->selected(), (std::set<Uuid>{a.id, b.id}));
    list->toggle(b.id);
    EXPECT_FALSE(list->allSelected());
    EXPECT_TRUE(list->canRename());

    // An id whose profile left the model still counts, so the select-all test uses the count.
    const Uuid gone = Uuid::random();
    list->toggle(gone);
    EXPECT_EQ(list->selectionText(), "2 selectate");
    EXPECT_TRUE(list->allSelected()) << "as many ids as profiles";
    list->endSelecting();
    EXPECT_FALSE(list->selecting());
    EXPECT_TRUE(list->selected().empty());
}

TEST_F(ListModel, deleteTargetsLeaveOutTheTrainingProfileAndNoTargetAsksNothing) {
    const Profile a = built("A");
    const Profile b = built("B");
    app->reload();
    training(a);
    list->startSelecting();
    list->toggle(a.id);
    list->toggle(Uuid::random());  // gone
    EXPECT_TRUE(list->canDelete());
    EXPECT_TRUE(list->deleteTargets().empty());
    list->deleteSelected();
    EXPECT_TRUE(dialogs.asked.empty()) << "no alert";
    EXPECT_TRUE(list->selecting());
    EXPECT_EQ(list->selected().size(), 2u);

    // With another profile selected, the single form names only that one.
    list->toggle(b.id);
    dialogs.alertAnswers = {deleteAnswer};
    list->deleteSelected();
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].message, QString::fromUtf8("Ștergi profilul „B”?"));
    EXPECT_EQ(dialogs.asked[0].informative,
              QString::fromUtf8("Profilul (presetul copiat și modelul) se mută în Coș. Proiectele care îl folosesc "
                                "nu mai pot procesa fotografii noi."));
    EXPECT_EQ(find("B"), nullptr);
    EXPECT_NE(find("A"), nullptr);
    EXPECT_FALSE(list->selecting());
    EXPECT_TRUE(list->selected().empty());
}

TEST_F(ListModel, bulkDeleteAsksOnceAndCancelKeepsEverything) {
    const Profile a = built("A");
    const Profile b = unbuilt("B");
    const Profile c = unbuilt("C");
    app->reload();
    router->setPreferredProfile(a.id);
    list->startSelecting();
    list->toggle(a.id);
    list->toggle(b.id);
    list->deleteSelected();  // "Anulează"
    EXPECT_EQ(dialogs.asked.at(0).message, QString::fromUtf8("Ștergi 2 profiluri?"));
    EXPECT_EQ(app->profiles().size(), 3u);
    EXPECT_TRUE(list->selecting());

    dialogs.alertAnswers = {deleteAnswer};
    list->deleteSelected();
    ASSERT_EQ(app->profiles().size(), 1u);
    EXPECT_EQ(app->profiles()[0].id, c.id);
    EXPECT_FALSE(app->error());
    EXPECT_EQ(router->preferredProfile(), std::optional<Uuid>(a.id)) << "the stored default is left alone";
    EXPECT_EQ(router->route(), model::Route::home());
}

TEST_F(ListModel, bulkDeleteNamesTheProfilesThatCouldNotBeTrashed) {
    const Profile a = built("A");
    const Profile b = built("B");
    const Profile c = built("C");
    app->reload();
    // Two folders vanish behind the model's back: moving them fails.
    std::filesystem::remove_all(a.dir());
    std::filesystem::remove_all(c.dir());
    list->startSelecting();
    list->toggleAll();
    dialogs.alertAnswers = {deleteAnswer};
    list->deleteSelected();
    EXPECT_EQ(find("B"), nullptr);
    ASSERT_TRUE(app->error());
    const QString error = QString::fromStdString(*app->error());
    EXPECT_TRUE(error.startsWith(QString::fromUtf8("Nu am putut muta în Coș: „A”, „C”"))) << error.toStdString();
    EXPECT_FALSE(list->selecting());
}

TEST_F(ListModel, renameOfTheOneSelectedProfile) {
    const Profile a = built("A");
    app->reload();
    list->startSelecting();
    list->toggle(a.id);
    dialogs.names = {QString("  "), QString("Nunta")};
    list->renameSelected();
    EXPECT_TRUE(list->selecting()) << "nothing given: selection mode stays";
    list->renameSelected();
    EXPECT_NE(find("Nunta"), nullptr);
    EXPECT_FALSE(list->selecting());

    // Exactly one id, naming no profile: nothing is asked.
    list->startSelecting();
    list->toggle(Uuid::random());
    list->renameSelected();
    EXPECT_EQ(dialogs.asked.size(), 2u);
}

TEST_F(ListModel, suggestedExportNames) {
    EXPECT_EQ(ProfilesListModel::suggestedExportName("Nunta"), "Nunta.orvaneprofile");
    EXPECT_EQ(ProfilesListModel::suggestedExportName("Nunți/2024"), QString::fromUtf8("Nunți-2024.orvaneprofile"));
    EXPECT_EQ(ProfilesListModel::suggestedExportName(""), "profil.orvaneprofile");
    EXPECT_EQ(ProfilesListModel::suggestedExportName(".."), "profil.orvaneprofile");
    EXPECT_EQ(ProfilesListModel::suggestedExportName(std::string("a\0b", 3)), "a-b.orvaneprofile");
}

TEST_F(ListModel, exportAndImportThroughThePanels) {
    orvane::testing::TempDir tmp;
    Profile a = built("Nunta");
    a.kind = "instant";
    a.save();
    app->reload();

    list->exportProfile(a);  // cancelled
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].kind, "save");
    EXPECT_EQ(dialogs.asked[0].message, QString::fromUtf8("Exportă profilul într-un singur fișier"));
    EXPECT_EQ(dialogs.asked[0].informative, "Nunta.orvaneprofile");
    const auto package = tmp / "Nunta.orvaneprofile";
    EXPECT_FALSE(std::filesystem::exists(package));

    orvane::testing::writeText(package, "an older file");
    dialogs.saveFiles = {QString::fromStdString(package.string())};
    list->exportProfile(a);
    EXPECT_FALSE(app->error());
    EXPECT_GT(std::filesystem::file_size(package), 100u) << "replaced by the package";

    list->importProfile();  // cancelled
    EXPECT_EQ(dialogs.asked.back().message, "Alege un profil exportat (.orvaneprofile)");
    EXPECT_EQ(dialogs.asked.back().buttons, QStringList{"orvaneprofile"});
    EXPECT_EQ(app->profiles().size(), 1u);

    dialogs.files = {QStringList{QString::fromStdString(package.string())}};
    list->importProfile();
    ASSERT_EQ(app->profiles().size(), 2u);
    const Profile* imported = find("Nunta (importat)");
    ASSERT_NE(imported, nullptr);
    EXPECT_EQ(router->route(), model::Route::profile(imported->id));
    // What describes the copied models comes along; local state does not.
    EXPECT_EQ(imported->kind, a.kind);
    EXPECT_EQ(imported->engine, a.engine);
    EXPECT_EQ(imported->predictedExtras, a.predictedExtras);
    EXPECT_TRUE(imported->catalogIDs.empty());
    EXPECT_FALSE(imported->tuning || imported->trainedCatalogIDs);
    EXPECT_TRUE(imported->isBuilt());

    // The duplicate the detail page makes keeps the same description.
    const Profile copy = a.duplicate();
    EXPECT_EQ(copy.kind, a.kind);
    EXPECT_EQ(copy.engine, a.engine);
    EXPECT_EQ(copy.predictedExtras, a.predictedExtras);
    EXPECT_FALSE(copy.tuning || copy.trainedCatalogIDs);

    // Not a package: the core's text reaches the error.
    const auto junk = tmp / "junk.orvaneprofile";
    orvane::testing::writeText(junk, "not a zip");
    dialogs.files = {QStringList{QString::fromStdString(junk.string())}};
    list->importProfile();
    ASSERT_TRUE(app->error());
    EXPECT_EQ(*app->error(), "Arhivarea a eșuat.");
    EXPECT_EQ(Profile::all().size(), 3u) << "the original, the import and the copy: nothing more";
}

}  // namespace
}  // namespace orvane::profiles

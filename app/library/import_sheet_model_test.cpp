// The import sheet's state without its widget: order and filter of the list, ticks, the profile
// picked, the row texts, the analysis (at most four at a time) and the hand-over of an import.
#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>

#include "app/library/import_sheet_model.h"
#include "app/library/library_world.h"
#include "app/testing/scripted_dialogs.h"
#include "core/store/store.h"

using namespace orvane;
using namespace orvane::library;
using namespace orvane::library::testing;
namespace fs = std::filesystem;

namespace {

CatalogStats stats(std::int64_t photos, std::int64_t edited, std::int64_t valid, std::int64_t previews) {
    return {photos, edited, valid, previews};
}

std::vector<std::string> paths(const std::vector<FoundCatalog>& list) {
    std::vector<std::string> out;
    for (const auto& c : list) out.push_back(c.id());
    return out;
}

// An importer standing in for the verified copy: a record per file, nothing on disk but its folder.
void fakeImports(LibraryWorld& w, std::vector<fs::path>* calls = nullptr) {
    auto s = model::AppModel::LearningServices::standard(w.defaults);
    s.importCatalog = [calls](const fs::path& file, const std::optional<std::set<std::string>>&) {
        if (calls) calls->push_back(file);
        if (file.stem().string().rfind("Stricat", 0) == 0) throw std::runtime_error("Catalogul nu se poate citi: x");
        TrainingCatalog c;
        c.id = Uuid::random();
        c.name = file.stem().string();
        c.source = file.string();
        c.imported = std::chrono::system_clock::now();
        c.usable = 5;
        fs::create_directories(c.dir());
        return c;
    };
    w.app->setLearningServices(std::move(s));
}

struct Sheet {
    LibraryWorld& w;
    ImportSheetModel model;
    explicit Sheet(LibraryWorld& world) : w(world), model(*world.app, *world.router, world.services()) {}
    // Scan, then every analysis, delivered.
    void scanAndAnalyse() {
        model.start();
        w.finishAll();
    }
};

}  // namespace

TEST(ImportSheetModel, searchesNameOrFolderAsTypedAndKeepsUsableCatalogsFirst) {
    LibraryWorld w;
    w.onDisk = {found("/a/Nuntă Ana.lrcat", 1), found("/b/Botez.lrcat", 2), found("/studio/x/Portret.lrcat", 3),
                found("/c/Gol.lrcat", 4), found("/c/Necitit.lrcat", 5)};
    w.analyses["/b/Botez.lrcat"] = stats(10, 5, 5, 0);
    w.analyses["/studio/x/Portret.lrcat"] = stats(10, 5, 0, 3);
    w.analyses["/c/Gol.lrcat"] = stats(10, 0, 0, 0);
    w.analyses["/a/Nuntă Ana.lrcat"] = stats(10, 2, 2, 0);
    Sheet s(w);
    s.model.start();
    EXPECT_TRUE(s.model.scanning());
    EXPECT_EQ(s.model.statusLine(), QString::fromUtf8("Caut cataloagele Lightroom de pe calculator…"));
    EXPECT_TRUE(s.model.emptyText().isEmpty());
    w.finish();  // the scan
    EXPECT_EQ(s.model.statusLine(), QString::fromUtf8("Analizez cataloagele: 0 din 5…"));
    w.finishAll();
    EXPECT_EQ(s.model.statusLine(), QString::fromUtf8("3 cu fotografii valide de antrenare, din 5 găsite."));
    EXPECT_EQ(s.model.invalidCount(), 2);
    EXPECT_EQ(s.model.pendingCount(), 0);

    // Newest first, invalid hidden, usable first (all shown ones are usable here).
    EXPECT_EQ(paths(s.model.filteredFoundCatalogs()),
              (std::vector<std::string>{"/a/Nuntă Ana.lrcat", "/b/Botez.lrcat", "/studio/x/Portret.lrcat"}));
    s.model.setShowInvalid(true);
    EXPECT_EQ(paths(s.model.filteredFoundCatalogs()).size(), 5u);
    s.model.setShowInvalid(false);

    struct Case {
        const char* query;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"BOTEZ", {"/b/Botez.lrcat"}},           // letter case ignored
        {"nunta", {}},                           // a diacritic is not
        {"studio", {"/studio/x/Portret.lrcat"}},  // the folder counts
        {"Botez ", {}},                          // a trailing space takes part
    };
    for (const Case& c : cases) {
        s.model.setQuery(QString::fromUtf8(c.query));
        EXPECT_EQ(paths(s.model.filteredFoundCatalogs()), c.expected) << c.query;
    }
    s.model.setQuery(QStringLiteral("zzz"));
    EXPECT_EQ(s.model.emptyText(), QString::fromUtf8("Niciun rezultat pentru căutare."));
}

TEST(ImportSheetModel, nameOrderIsStableAndCatalogsMoveUpAsTheirAnalysisArrives) {
    LibraryWorld w;
    w.defaults->set(DefaultsKeys::catalogSort, Json("name"));
    w.onDisk = {found("/new/Nunta.lrcat", 1), found("/a/Botez.lrcat", 2), found("/old/nunta.lrcat", 3)};
    w.analyses["/a/Botez.lrcat"] = stats(4, 2, 2, 0);
    w.analyses["/old/nunta.lrcat"] = stats(4, 2, 2, 0);
    Sheet s(w);
    s.model.start();
    w.finish();  // scan
    EXPECT_EQ(paths(s.model.filteredFoundCatalogs()),
              (std::vector<std::string>{"/a/Botez.lrcat", "/new/Nunta.lrcat", "/old/nunta.lrcat"}));
    // The older "nunta" is usable first: it moves ahead of its twin, which is still waiting.
    w.finish(2);
    EXPECT_EQ(paths(s.model.filteredFoundCatalogs()),
              (std::vector<std::string>{"/old/nunta.lrcat", "/a/Botez.lrcat", "/new/Nunta.lrcat"}));
    // Any other stored order is newest first.
    w.defaults->set(DefaultsKeys::catalogSort, Json("Name"));
    w.finishAll();
    EXPECT_EQ(paths(s.model.filteredFoundCatalogs()),
              (std::vector<std::string>{"/a/Botez.lrcat", "/old/nunta.lrcat"}));
}

TEST(ImportSheetModel, selectAllComparesSizesAndTheImportTakesHiddenTicksInScanOrder) {
    LibraryWorld w({}, {libraryCatalog("Vechi", 5, 0, 0, "/d/Vechi.lrcat")});
    w.onDisk = {found("/d/A.lrcat", 1), found("/d/B.lrcat", 2), found("/d/C.lrcat", 3), found("/d/Vechi.lrcat", 4)};
    for (const auto& c : w.onDisk) w.analyses[c.url] = stats(4, 2, 2, 0);
    Sheet s(w);
    s.scanAndAnalyse();
    // Already imported: listed, usable, never ticked.
    EXPECT_TRUE(s.model.isUsable("/d/Vechi.lrcat"));
    EXPECT_FALSE(s.model.isSelectable("/d/Vechi.lrcat"));
    s.model.toggle("/d/Vechi.lrcat");
    EXPECT_TRUE(s.model.selected().empty());
    EXPECT_EQ(s.model.row(w.onDisk[3]).state, FoundRow::State::imported);

    s.model.toggle("/d/C.lrcat");
    s.model.toggle("/d/A.lrcat");
    s.model.setQuery(QStringLiteral("B"));
    // One shown selectable, two ticks: the sizes differ, so all shown are ticked and hidden ticks go.
    EXPECT_EQ(s.model.selectAllTitle(), QString::fromUtf8("Bifează toate"));
    s.model.toggleSelectAll();
    EXPECT_EQ(s.model.selected(), (std::set<std::string>{"/d/B.lrcat"}));
    EXPECT_EQ(s.model.selectAllTitle(), QString::fromUtf8("Debifează toate"));
    s.model.toggleSelectAll();
    EXPECT_TRUE(s.model.selected().empty());

    s.model.setQuery({});
    s.model.toggle("/d/C.lrcat");
    s.model.toggle("/d/A.lrcat");
    s.model.setQuery(QStringLiteral("A"));
    EXPECT_EQ(s.model.importTitle(), QString::fromUtf8("Importă (2)"));
    EXPECT_EQ(s.model.catalogsToImport(), (std::vector<fs::path>{"/d/A.lrcat", "/d/C.lrcat"}));
}

TEST(ImportSheetModel, pickedProfileFallsBackToTheFirstAndNoneIsAChoiceOfItsOwn) {
    const Profile a = profileNamed("Albume"), b = profileNamed("Botezuri");
    {
        LibraryWorld w;
        Sheet s(w);
        EXPECT_FALSE(s.model.pickedProfile());
        EXPECT_EQ(s.model.profileMenuTitle(), QString::fromUtf8("Doar importă, fără profil"));
    }
    LibraryWorld w({b, a});
    Sheet s(w);
    EXPECT_EQ(s.model.pickedProfile()->id, a.id);  // empty key: the first of the model's list
    w.defaults->set(ImportSheetModel::profileKeySetting, Json(Uuid::random().text()));
    EXPECT_EQ(s.model.pickedProfile()->id, a.id);  // a deleted profile: the first again, key kept
    s.model.pickProfile(b.id);
    EXPECT_EQ(w.defaults->textValue(ImportSheetModel::profileKeySetting), b.id.text());
    EXPECT_EQ(s.model.pickedProfile()->id, b.id);
    s.model.pickNoProfile();
    EXPECT_FALSE(s.model.pickedProfile());
    EXPECT_EQ(w.defaults->textValue(ImportSheetModel::profileKeySetting), b.id.text());
    s.model.pickProfile(a.id);
    EXPECT_FALSE(s.model.noProfile());
    EXPECT_EQ(s.model.profileMenuTitle(), QString::fromUtf8("Albume"));
}

TEST(ImportSheetModel, rowTextsFollowTheCounts) {
    struct Case {
        const char* name;
        CatalogStats counts;
        FoundRow::State state;
        const char* pill;
        const char* detail;
        bool selectable;
    };
    const Case cases[] = {
        {"some RAW missing", stats(300, 125, 120, 0), FoundRow::State::usable, "120 fotografii valide",
         "din 300 RAW · 5 fără RAW pe disc", true},
        {"every RAW there", stats(300, 125, 125, 0), FoundRow::State::usable, "125 fotografii valide", "din 300 RAW", true},
        {"smart previews", stats(60, 40, 0, 40), FoundRow::State::usable, "40 fotografii valide",
         "din 60 · Smart Preview", true},
        {"as many RAW as previews", stats(60, 40, 40, 40), FoundRow::State::usable, "40 fotografii valide", "din 60 RAW", true},
        {"edited without RAW", stats(30, 12, 0, 0), FoundRow::State::noValid, "fără fotografii valide",
         "12 editate, fără RAW pe disc", false},
        {"unedited", stats(80, 0, 0, 0), FoundRow::State::noValid, "fără fotografii valide", "80 RAW, needitate", false},
    };
    for (const Case& c : cases) {
        LibraryWorld w;
        w.onDisk = {found("/x/Cat.lrcat")};
        w.analyses["/x/Cat.lrcat"] = c.counts;
        Sheet s(w);
        s.scanAndAnalyse();
        const FoundRow r = s.model.row(w.onDisk[0]);
        EXPECT_EQ(r.state, c.state) << c.name;
        EXPECT_EQ(r.pill, QString::fromUtf8(c.pill)) << c.name;
        EXPECT_EQ(r.detail, QString::fromUtf8(c.detail)) << c.name;
        EXPECT_EQ(r.selectable, c.selectable) << c.name;
        EXPECT_EQ(r.opacity, c.selectable ? 1.0 : 0.55) << c.name;
        EXPECT_EQ(r.mark, c.selectable ? FoundRow::Mark::circle : FoundRow::Mark::minusCircle) << c.name;
    }
}

TEST(ImportSheetModel, atMostFourAnalysesRunInListOrderAndAnUnreadableCatalogSaysSo) {
    LibraryWorld w;
    for (int i = 0; i < 10; ++i) w.onDisk.push_back(found("/x/C" + std::to_string(i) + ".lrcat", i));
    for (int i = 1; i < 10; ++i) w.analyses["/x/C" + std::to_string(i) + ".lrcat"] = stats(5, 2, 2, 0);
    Sheet s(w);
    s.model.start();
    w.finish();  // the scan
    EXPECT_EQ(s.model.analysesInFlight(), 4);
    EXPECT_EQ(w.work.size(), 4u);
    EXPECT_EQ(s.model.row(w.onDisk[0]).state, FoundRow::State::waiting);
    EXPECT_TRUE(s.model.row(w.onDisk[0]).spinner);
    w.finish(2);  // C2 ends first; C4 starts
    EXPECT_EQ(w.work.size(), 4u);
    EXPECT_TRUE(s.model.stats().count("/x/C2.lrcat"));
    w.finish(0);  // C0 cannot be read
    const FoundRow r = s.model.row(w.onDisk[0]);
    EXPECT_EQ(r.state, FoundRow::State::unreadable);
    EXPECT_EQ(r.pill, QString::fromUtf8("nu se poate citi"));
    EXPECT_EQ(r.pillKind, kit::StatusKind::warn);
    EXPECT_TRUE(s.model.isInvalid("/x/C0.lrcat"));
    while (!w.work.empty()) {
        EXPECT_LE(s.model.analysesInFlight(), 4);
        w.finish(w.work.size() - 1);
    }
    EXPECT_EQ(w.analysed, 10);
    EXPECT_EQ(s.model.pendingCount(), 0);
}

TEST(ImportSheetModel, twinsBothWithValidPhotosBothShowTheBadge) {
    LibraryWorld w;
    w.onDisk = {found("/a/Nunta.lrcat", 1), found("/b/NUNTA.lrcat", 2), found("/c/nunta.lrcat", 3)};
    w.analyses["/a/Nunta.lrcat"] = stats(5, 2, 2, 0);
    w.analyses["/c/nunta.lrcat"] = stats(5, 0, 0, 0);
    Sheet s(w);
    s.model.start();
    w.finish();
    w.finish(0);  // /a only: its twins are not analysed or hold nothing
    EXPECT_FALSE(s.model.hasSameNameElsewhere(w.onDisk[0]));
    w.analyses["/b/NUNTA.lrcat"] = stats(5, 3, 0, 3);
    w.finishAll();
    EXPECT_TRUE(s.model.hasSameNameElsewhere(w.onDisk[0]));
    EXPECT_TRUE(s.model.hasSameNameElsewhere(w.onDisk[1]));
    EXPECT_FALSE(s.model.hasSameNameElsewhere(w.onDisk[2]));
}

TEST(ImportSheetModel, theImportIsTheApplicationModelsRunAndTheFirstCatalogAsksForAProfile) {
    LibraryWorld w;
    std::vector<fs::path> calls;
    fakeImports(w, &calls);
    w.onDisk = {found("/d/A.lrcat", 1), found("/d/B.lrcat", 2)};
    for (const auto& c : w.onDisk) w.analyses[c.url] = stats(4, 2, 2, 0);
    auto* s = new Sheet(w);
    s->scanAndAnalyse();
    EXPECT_FALSE(s->model.canImport());
    s->model.importSelected();  // nothing ticked: nothing starts
    EXPECT_FALSE(w.app->catalogImport());
    s->model.toggle("/d/B.lrcat");
    s->model.toggle("/d/A.lrcat");
    int dismissed = 0;
    QObject::connect(&s->model, &ImportSheetModel::dismissRequested, [&] { ++dismissed; });
    s->model.importSelected();
    EXPECT_EQ(s->model.progress(), (std::pair<int, int>{0, 2}));
    EXPECT_FALSE(s->model.canImport());
    EXPECT_FALSE(s->model.canClose());
    s->model.dismiss();  // refused while importing
    EXPECT_EQ(dismissed, 0);
    ASSERT_TRUE(w.main->runUntil([&] { return !w.app->catalogImport(); }));
    EXPECT_EQ(calls, (std::vector<fs::path>{"/d/A.lrcat", "/d/B.lrcat"}));
    EXPECT_EQ(dismissed, 1);
    EXPECT_EQ(w.app->catalogs().size(), 2u);
    // No profile in the model: the new-profile sheet opens half a second later, in automatic mode.
    EXPECT_FALSE(w.router->showNewProfile());
    QTRY_VERIFY_WITH_TIMEOUT(w.router->showNewProfile(), 3000);
    EXPECT_TRUE(w.router->newProfileAutoPro());
    delete s;
}

// The library opens the new-profile sheet too once its import sheet has closed, and may come first:
// the sheet still opens on its professional step, and only once.
TEST(ImportSheetModel, theNewProfileSheetOpensOnItsProfessionalStepWhoeverOpensItFirst) {
    LibraryWorld w;
    fakeImports(w);
    Sheet s(w);
    QObject::connect(&s.model, &ImportSheetModel::dismissRequested, w.router.get(),
                     [&] { QTimer::singleShot(0, w.router.get(), [&] { w.router->setShowNewProfile(true); }); });
    std::vector<bool> proWhenShown;
    QObject::connect(w.router.get(), &model::Router::showNewProfileChanged, [&] {
        if (!w.router->showNewProfile()) return;
        proWhenShown.push_back(w.router->newProfileAutoPro());
        // The sheet takes the hand-over and the user is done with it before the import's own delay ends.
        w.router->setNewProfileAutoPro(false);
        QTimer::singleShot(0, w.router.get(), [&] { w.router->setShowNewProfile(false); });
    });
    s.model.importCatalogFiles({"/d/A.lrcat"});
    ASSERT_TRUE(w.main->runUntil([&] { return !w.app->catalogImport(); }));
    QTest::qWait(700);
    EXPECT_EQ(proWhenShown, std::vector<bool>{true});
}

TEST(ImportSheetModel, noPromptWhenEveryImportFailedOrWithoutProfileByChoice) {
    {
        LibraryWorld w;
        fakeImports(w);
        Sheet s(w);
        orvane::testing::ScriptedDialogs dialogs;
        dialogs.files.push_back({QStringLiteral("/d/Stricat.lrcat")});
        s.model.chooseCatalogFiles();
        EXPECT_EQ(dialogs.asked.at(0).buttons, QStringList{QStringLiteral("lrcat")});
        ASSERT_TRUE(w.main->runUntil([&] { return !w.app->catalogImport(); }));
        EXPECT_TRUE(w.app->error());
        QTest::qWait(700);
        EXPECT_FALSE(w.router->showNewProfile());
    }
    LibraryWorld w({profileNamed("Albume")});
    fakeImports(w);
    Sheet s(w);
    s.model.pickNoProfile();
    s.model.importCatalogFiles({"/d/A.lrcat"});
    ASSERT_TRUE(w.main->runUntil([&] { return !w.app->catalogImport(); }));
    EXPECT_TRUE(w.app->profiles().front().catalogIDs.empty());
    QTest::qWait(700);
    EXPECT_FALSE(w.router->showNewProfile());
    // A preset waiting for a profile asks even when a profile took the catalogs.
    w.router->setPendingPreset(fs::path("/p/Stil.xmp"));
    s.model.pickProfile(w.app->profiles().front().id);
    s.model.importCatalogFiles({"/d/B.lrcat"});
    ASSERT_TRUE(w.main->runUntil([&] { return !w.app->catalogImport(); }));
    EXPECT_EQ(w.app->profiles().front().catalogIDs.size(), 1u);
    QTRY_VERIFY_WITH_TIMEOUT(w.router->showNewProfile(), 3000);
}

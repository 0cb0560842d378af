// The library screen's state without its widget: visible rows, totals, the chosen profile, the use
// toggle, the one build slot, removal and the progress texts.
#include <gtest/gtest.h>

#include <QTest>

#include "app/library/library_model.h"
#include "app/library/library_world.h"
#include "app/model/duration_text.h"
#include "app/testing/scripted_dialogs.h"
#include "core/base/trash.h"
#include "core/store/store.h"

using namespace orvane;
using namespace orvane::library;
using namespace orvane::library::testing;
using Phase = ProfileBuilder::Phase;
namespace fs = std::filesystem;

namespace {

// A build that waits until the test lets it go.
struct HeldBuild {
    std::shared_ptr<std::atomic<bool>> release = std::make_shared<std::atomic<bool>>(false);
    std::shared_ptr<std::atomic<int>> calls = std::make_shared<std::atomic<int>>(0);
    void install(LibraryWorld& w) {
        auto s = model::AppModel::LearningServices::standard(w.defaults);
        s.build = [release = release, calls = calls](const Profile& p, const std::vector<TrainingCatalog>&, int,
                                                     const ProfileBuilder::CancelToken*,
                                                     const ProfileBuilder::BuildProgress& progress) {
            ++*calls;
            progress(Phase::features(1, 4));
            while (!*release) std::this_thread::sleep_for(std::chrono::milliseconds(2));
            return p;
        };
        s.workers = [] { return 1; };
        w.app->setLearningServices(std::move(s));
    }
};

}  // namespace

TEST(LibraryModel, visibleRowsTotalsAndTheGuidanceLimit) {
    const TrainingCatalog a = libraryCatalog("Nuntă", 300, 0, 3), b = libraryCatalog("botez", 199, 0, 1),
                          c = libraryCatalog("Lipsă", 40, 7, 2);
    Profile p = profileNamed("Stil", {a.id, c.id, Uuid::random()});
    LibraryWorld w({p}, {a, b, c});
    LibraryModel m(*w.app, *w.router);
    // The incomplete catalog is hidden by default: 300 + 199 = 499 shows the guidance.
    EXPECT_EQ(m.incompleteCount(), 1);
    EXPECT_EQ(m.visibleCatalogs().size(), 2u);
    EXPECT_EQ(m.usableTotal(), 499);
    EXPECT_TRUE(m.showsGuidance());
    EXPECT_EQ(m.subtitle(), QString::fromUtf8("2 cataloage · 499 fotografii utilizabile"));
    // Used photos: only the used, visible ones; the catalog count: every id of the list.
    EXPECT_EQ(m.usedPhotoCount(), 300);
    EXPECT_EQ(m.usedCatalogsText(), QString::fromUtf8("fotografii din 3 cataloage"));
    m.setShowIncomplete(true);
    EXPECT_EQ(m.usableTotal(), 539);
    EXPECT_FALSE(m.showsGuidance());
    EXPECT_EQ(m.usedPhotoCount(), 340);

    // Newest first, then by name; search ignores case but not diacritics.
    std::vector<std::string> names;
    for (const auto& r : m.rows()) names.push_back(r.name);
    EXPECT_EQ(names, (std::vector<std::string>{"botez", "Lipsă", "Nuntă"}));
    w.defaults->set(DefaultsKeys::catalogSort, Json("name"));
    names.clear();
    for (const auto& r : m.rows()) names.push_back(r.name);
    EXPECT_EQ(names, (std::vector<std::string>{"botez", "Lipsă", "Nuntă"}));
    m.setQuery(QStringLiteral("NUNT"));
    EXPECT_EQ(m.rows().size(), 1u);
    m.setQuery(QStringLiteral("Lipsa"));
    EXPECT_TRUE(m.rows().empty());
}

TEST(LibraryModel, exactlyFiveHundredHidesTheGuidanceAndAllIncompleteAreShown) {
    LibraryWorld w({}, {libraryCatalog("A", 250, 1), libraryCatalog("B", 250, 2)});
    LibraryModel m(*w.app, *w.router);
    EXPECT_EQ(m.visibleCatalogs().size(), 2u);  // every catalog misses files: all listed
    EXPECT_EQ(m.usableTotal(), 500);
    EXPECT_FALSE(m.showsGuidance());
    EXPECT_FALSE(m.chosenProfile());
    EXPECT_EQ(m.useTip(), QString::fromUtf8("Creează întâi un profil"));
    EXPECT_FALSE(m.canBuild());
    // Without a profile the use button opens the new-profile sheet and changes nothing.
    m.toggleUsed(w.app->catalogs()[0].id, false);
    EXPECT_TRUE(w.router->showNewProfile());
}

TEST(LibraryModel, theUseButtonWritesTheChosenProfilesListAndAFailedSaveKeepsIt) {
    const TrainingCatalog a = libraryCatalog("A", 10), b = libraryCatalog("B", 10);
    const Profile first = profileNamed("Albume", {a.id}), second = profileNamed("Botezuri");
    LibraryWorld w({first, second}, {a, b});
    LibraryModel m(*w.app, *w.router);
    EXPECT_EQ(m.chosenProfile()->id, first.id);
    m.toggleUsed(b.id, false);
    EXPECT_EQ(Profile::all().front().catalogIDs, (std::vector<Uuid>{a.id, b.id}));
    m.toggleUsed(a.id, true);
    EXPECT_EQ(w.app->profiles().front().catalogIDs, (std::vector<Uuid>{b.id}));
    m.pickProfile(second.id);
    EXPECT_EQ(m.chosenProfile()->id, second.id);
    EXPECT_TRUE(m.usedIDs().empty());

    // The profile's folder cannot be written: the error is shown and the model keeps its state.
    fs::permissions(second.dir(), fs::perms::owner_read | fs::perms::owner_exec);
    m.toggleUsed(a.id, false);
    fs::permissions(second.dir(), fs::perms::owner_all);
    if (::geteuid() != 0) {
        EXPECT_TRUE(w.app->error());
        EXPECT_TRUE(w.app->profiles().back().catalogIDs.empty());
    }
}

TEST(LibraryModel, oneBuildSlotForTheApplicationAndNoReadySheetFromTheLibrary) {
    const TrainingCatalog a = libraryCatalog("A", 10), b = libraryCatalog("B", 10, 3);
    const Profile p = profileNamed("Stil", {a.id, b.id});
    LibraryWorld w({p}, {a, b});
    HeldBuild held;
    held.install(w);
    LibraryModel m(*w.app, *w.router);
    ASSERT_TRUE(m.canBuild());
    m.setQuery(QStringLiteral("zzz"));
    m.build();
    ASSERT_TRUE(w.app->profileBuild());
    EXPECT_EQ(w.app->profileBuild()->profileID, p.id);
    // Hidden catalogs (filtered and incomplete) train too: 10 + 10.
    EXPECT_EQ(w.app->profileBuild()->phase, Phase::features(0, 20));
    EXPECT_FALSE(m.canBuild());
    EXPECT_FALSE(m.canToggleUse());
    m.toggleSelection(a.id);
    EXPECT_FALSE(m.canRemove());
    ASSERT_TRUE(m.progress());
    EXPECT_TRUE(m.progress()->text.startsWith(QString::fromUtf8("Trăsături 0/20 · ")));

    // A screen made again meanwhile cannot start a second build either.
    LibraryModel again(*w.app, *w.router);
    EXPECT_FALSE(again.canBuild());
    again.build();
    w.main->runUntil([&] { return w.app->profileBuild()->phase == Phase::features(1, 4); });
    *held.release = true;
    ASSERT_TRUE(w.main->runUntil([&] { return !w.app->profileBuild(); }));
    EXPECT_EQ(*held.calls, 1);
    EXPECT_FALSE(w.app->profileReady());
    EXPECT_FALSE(m.progress());
}

TEST(LibraryModel, buildProgressTextsAndGuardedFractions) {
    struct Case {
        Phase phase;
        const char* text;
        double fraction;
    };
    const Case cases[] = {
        {Phase::features(5, 10), "Trăsături 5/10", 0.4},
        {Phase::features(0, 0), "Trăsături 0/0", 1.0},
        {Phase::features(30, 10), "Trăsături 30/10", 1.0},
        {Phase::evaluation(2, 4), "Validare 2/4", 0.875},
        {Phase::evaluation(1, 0), "Validare 1/0", 0.95},
        {Phase::training(), "Antrenare model final", 0.97},
    };
    for (const Case& c : cases) {
        const BuildProgress p = buildProgress(c.phase, std::nullopt, false);
        EXPECT_EQ(p.text, QString::fromUtf8(c.text));
        EXPECT_DOUBLE_EQ(p.fraction, c.fraction) << c.text;
    }
    EXPECT_EQ(buildProgress(Phase::training(), 65.0, false).text,
              QString::fromUtf8("Antrenare model final · ") + QString::fromStdString(model::durationText(65.0, false)));
}

TEST(LibraryModel, removalAsksMovesEachCopyToTheTrashAndClearsTheSelection) {
    const TrainingCatalog a = libraryCatalog("Nuntă", 10), b = libraryCatalog("Botez", 10), c = libraryCatalog("Rămâne", 10);
    const Profile p = profileNamed("Stil", {a.id});
    LibraryWorld w({p}, {a, b, c});
    LibraryModel m(*w.app, *w.router);
    orvane::testing::ScriptedDialogs dialogs;
    m.removeSelected();  // nothing selected: no question
    EXPECT_TRUE(dialogs.asked.empty());
    m.toggleSelection(a.id);
    m.setQuery(QStringLiteral("Botez"));
    m.toggleSelection(b.id);
    // Cancelled: the selection stays.
    m.removeSelected();
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].message, QString::fromUtf8("Elimini 2 cataloage din Bibliotecă?"));
    EXPECT_EQ(dialogs.asked[0].informative,
              QString::fromUtf8("Copia catalogului (și trăsăturile calculate) se mută în Coș. Catalogul original nu e atins."));
    EXPECT_EQ(dialogs.asked[0].buttons, (QStringList{QString::fromUtf8("Elimină"), QString::fromUtf8("Anulează")}));
    EXPECT_EQ(m.selection().size(), 2u);
    EXPECT_EQ(w.app->catalogs().size(), 3u);

    // The hidden one goes too; the profile keeps the id.
    dialogs.alertAnswers.push_back(kit::CenteredAlert::firstButton);
    m.removeSelected();
    EXPECT_TRUE(m.selection().empty());
    ASSERT_EQ(w.app->catalogs().size(), 1u);
    EXPECT_EQ(w.app->catalogs()[0].id, c.id);
    EXPECT_FALSE(fs::exists(a.dir()));
    EXPECT_TRUE(fs::exists(Trash::homeTrash() / "files"));
    EXPECT_EQ(w.app->profiles()[0].catalogIDs, std::vector<Uuid>{a.id});

    // One catalog: named in the question.
    m.setQuery({});
    m.toggleSelection(c.id);
    m.removeSelected();
    EXPECT_EQ(dialogs.asked.back().message, QString::fromUtf8("Elimini „Rămâne” din Bibliotecă?"));
}

TEST(LibraryModel, aPendingImportRequestOpensTheSheetAndClosingItWithoutProfilesAsksForOne) {
    LibraryWorld w({}, {libraryCatalog("A", 10)});
    w.router->setImportRequested(true);
    LibraryModel m(*w.app, *w.router);
    m.takeImportRequest();
    EXPECT_TRUE(m.showImport());
    EXPECT_FALSE(w.router->importRequested());
    m.importSheetClosed();
    EXPECT_FALSE(m.showImport());
    EXPECT_FALSE(w.router->showNewProfile());
    QTRY_VERIFY_WITH_TIMEOUT(w.router->showNewProfile(), 3000);

    // A profile made before the delay ends (through the sheet the import opened): no second sheet.
    w.router->setShowNewProfile(false);
    int opened = 0;
    QObject::connect(w.router.get(), &model::Router::showNewProfileChanged, [&] { opened += w.router->showNewProfile(); });
    m.importSheetClosed();
    profileNamed("Nunți").save();
    w.app->reload();
    QTest::qWait(700);
    EXPECT_EQ(opened, 0);
}

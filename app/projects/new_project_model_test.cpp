#include "app/projects/new_project_model.h"

#include <QCoreApplication>
#include <QSignalSpy>

#include <fstream>

#include <gtest/gtest.h>

#include "app/model/app_model.h"
#include "app/model/router.h"
#include "app/projects/new_project_world.h"
#include "core/store/store.h"
#include "testing/job_fixtures.h"
#include "testing/model_fixtures.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

using namespace orvane;
using namespace orvane::projects;
namespace fs = std::filesystem;

namespace {

// The sheet's model in a world of its own.
struct Sheet : projects::testing::SheetWorld {
    std::unique_ptr<NewProjectModel> model;

    explicit Sheet(std::vector<Profile> profiles = {}) : SheetWorld(profiles) {}
    NewProjectModel& open() {
        router->setShowNewProject(true);
        model = std::make_unique<NewProjectModel>(*app, *router, recordCreated(), services());
        model->prepareOnOpen();
        return *model;
    }
};

// Every test starts with an empty data directory of its own.
class NewProjectSheetModel : public ::testing::Test {
protected:
    void SetUp() override { orvane::testing::freshDataDir(); }
};

Profile unbuilt(const std::string& name) {
    Profile p;
    p.id = Uuid::random();
    p.name = name;
    return p;
}

fs::path rawFolder(const orvane::testing::TempDir& dir, const std::string& name, int raws) {
    const fs::path folder = dir / name;
    fs::create_directories(folder / "sub");
    for (int i = 0; i < raws; ++i) std::ofstream(folder / "sub" / ("IMG_" + std::to_string(i) + ".CR2")) << "x";
    std::ofstream(folder / "notes.txt") << "x";
    return folder;
}

TEST_F(NewProjectSheetModel, opensWithThePreferredBuiltProfileElseTheFirstBuilt) {
    enum Pick { first, second, draft, deleted, none };
    struct Case {
        const char* name;
        bool withBuilt;
        Pick preferred;
        Pick expected;
    };
    const Case cases[] = {
        {"a built profile that is not the first", true, second, second},
        {"an unbuilt profile", true, draft, first},
        {"a deleted profile", true, deleted, first},
        {"no preferred profile", true, none, first},
        {"no built profile at all", false, draft, none},
    };
    for (const Case& c : cases) {
        orvane::testing::freshDataDir();
        std::vector<Profile> profiles;
        if (c.withBuilt) {
            profiles.push_back(orvane::testing::builtProfile("A"));
            profiles.push_back(orvane::testing::builtProfile("B"));
        }
        profiles.push_back(unbuilt("Ciornă"));
        auto id = [&](Pick p) -> std::optional<Uuid> {
            switch (p) {
                case first: return profiles.at(0).id;
                case second: return profiles.at(1).id;
                case draft: return profiles.back().id;
                case deleted: return Uuid::random();
                case none: return std::nullopt;
            }
            return std::nullopt;
        };
        Sheet s(profiles);
        s.router->setPreferredProfile(id(c.preferred));
        NewProjectModel& m = s.open();
        EXPECT_EQ(m.profileID(), id(c.expected)) << c.name;
        EXPECT_FALSE(m.fromCatalog()) << c.name;
        m.setProfileID(profiles.back().id);
        EXPECT_EQ(m.profileID(), id(c.expected)) << "an unbuilt profile cannot be chosen: " << c.name;
        if (!c.withBuilt) {
            EXPECT_TRUE(m.builtProfiles().empty()) << c.name;
            m.setName("Nuntă");
            EXPECT_FALSE(m.canCreate()) << c.name;
        }
    }
}

// Without a built profile the picker says where to build one, and only where the window shows it: the
// rail's "Profiluri AI" row is there once a project exists, not before.
TEST_F(NewProjectSheetModel, withoutABuiltProfileThePickerPointsToWhatTheRailShows) {
    const QString inProfiles = QString::fromUtf8("Nu ai niciun profil construit. Construiește unul în Profiluri AI.");
    const QString fromHome =
        QString::fromUtf8("Nu ai niciun profil construit. Construiește unul din Acasă, cu „Începe să editezi”.");
    struct Case {
        const char* name;
        bool draft, project;
        QString text;
    };
    const Case cases[] = {
        {"nothing yet (a folder dropped on a new window)", false, false, fromHome},
        {"only a profile left for later", true, false, fromHome},
        {"a project whose profile was deleted", false, true, inProfiles},
    };
    for (const Case& c : cases) {
        orvane::testing::freshDataDir();
        std::vector<Profile> profiles;
        if (c.draft) profiles.push_back(unbuilt("Ciornă"));
        if (c.project) orvane::testing::projectWith(1, 0, 0, "Nuntă").save();
        Sheet s(profiles);
        EXPECT_EQ(model::Router::offersProfilesAndProjects(*s.app), c.project) << c.name;
        EXPECT_EQ(s.open().noProfileText(), c.text) << c.name;
    }
}

TEST_F(NewProjectSheetModel, aDroppedFolderIsChosenNamedAndCountedAndTheLatestCountWins) {
    orvane::testing::TempDir dir;
    Sheet s({orvane::testing::builtProfile("A")});
    const fs::path first = rawFolder(dir, "Nunta Ana", 3), second = rawFolder(dir, "Botez", 0);
    s.router->setDroppedItem(first);
    NewProjectModel& m = s.open();
    EXPECT_FALSE(s.router->droppedItem().has_value());
    EXPECT_FALSE(m.fromCatalog());
    EXPECT_EQ(m.folder(), first);
    EXPECT_EQ(m.name(), "Nunta Ana");
    EXPECT_FALSE(m.rawPill().has_value()) << "a spinner while counting";
    EXPECT_FALSE(m.canCreate());

    // The second folder is chosen before the first is counted; the first count arrives last.
    m.chooseFolder(second);
    EXPECT_EQ(m.name(), "Nunta Ana") << "a name already there is kept";
    s.finish(1);
    ASSERT_TRUE(m.rawPill().has_value());
    EXPECT_EQ(m.rawPill()->text, QString::fromUtf8("fără RAW"));
    EXPECT_EQ(m.rawPill()->kind, NewProjectModel::PillKind::warn);
    s.finish(0);
    EXPECT_EQ(m.rawCount(), 0u) << "the first folder's count is dropped";
    EXPECT_FALSE(m.canCreate());

    m.chooseFolder(first);
    s.finishAll();
    EXPECT_EQ(m.rawPill()->text, "3 RAW");
    EXPECT_EQ(m.rawPill()->kind, NewProjectModel::PillKind::ok);
    EXPECT_TRUE(m.canCreate());

    // Names: spaces only keep the button off; a name of spaces is never replaced by a folder's name.
    m.setName("   ");
    EXPECT_FALSE(m.canCreate());
    m.chooseFolder(second);
    EXPECT_EQ(m.name(), "   ");
    m.chooseFolder(first);
    s.finishAll();
    m.setName("\t Ana \t");
    EXPECT_TRUE(m.canCreate());
}

TEST_F(NewProjectSheetModel, theFolderBoxTakesOnlyAFolderAndOnlyTheFirst) {
    orvane::testing::TempDir dir;
    Sheet s({orvane::testing::builtProfile("A")});
    const fs::path a = rawFolder(dir, "A", 1), b = rawFolder(dir, "B", 1);
    std::ofstream(dir / "Foto.lrcat") << "x";
    NewProjectModel& m = s.open();
    EXPECT_FALSE(m.acceptDroppedFolder(QStringList{}));
    EXPECT_FALSE(m.acceptDroppedFolder(QStringList{QString::fromStdString((dir / "Foto.lrcat").string())}));
    EXPECT_FALSE(m.acceptDroppedFolder(QStringList{QString::fromStdString((dir / "absent").string())}));
    EXPECT_FALSE(m.folder().has_value());
    EXPECT_TRUE(m.acceptDroppedFolder(QStringList{QString::fromStdString(b.string()), QString::fromStdString(a.string())}));
    EXPECT_EQ(m.folder(), b);
}

TEST_F(NewProjectSheetModel, aDroppedCatalogShowsItsCountsAndTheOnlyUneditedRule) {
    struct Case {
        const char* name;
        std::optional<Project::CatalogCounts> counts;
        bool withOnlyUnedited, withAll;
        const char* pill;
        NewProjectModel::PillKind kind;
        const char* warning;
    };
    using K = NewProjectModel::PillKind;
    const Case cases[] = {
        {"all on disk, all edited", Project::CatalogCounts{120, 0, 150}, false, true, "0 needitate din 120", K::ok, ""},
        {"some unedited", Project::CatalogCounts{120, 7, 150}, true, true, "7 needitate din 120", K::ok, ""},
        {"nothing on disk", Project::CatalogCounts{0, 0, 120}, false, false, "0 needitate din 0", K::warn,
         "Cele 120 fotografii din catalog nu sunt pe disc. Conectează discul extern (sau folderul) cu RAW-urile și "
         "alege din nou catalogul."},
        {"empty", Project::CatalogCounts{0, 0, 0}, false, false, "0 needitate din 0", K::warn,
         "Catalogul nu conține fotografii."},
        {"unreadable", std::nullopt, false, false, "0 needitate din 0", K::warn,
         "Catalogul nu poate fi citit. Verifică dacă fișierul există și nu este deteriorat, apoi alege-l din nou."},
    };
    for (const Case& c : cases) {
        orvane::testing::freshDataDir();
        Sheet s({orvane::testing::builtProfile("A")});
        const fs::path catalog = "/home/ana/Lightroom/Nunta.LRCAT";
        s.catalogs[catalog] = c.counts;
        s.router->setDroppedItem(catalog);
        NewProjectModel& m = s.open();
        EXPECT_TRUE(m.fromCatalog()) << c.name;
        EXPECT_FALSE(s.router->droppedItem().has_value()) << c.name;
        EXPECT_EQ(m.name(), "Nunta") << c.name;
        EXPECT_FALSE(m.countsPill().has_value()) << c.name;
        s.finishAll();
        ASSERT_TRUE(m.countsPill().has_value()) << c.name;
        EXPECT_EQ(m.countsPill()->text, QString::fromUtf8(c.pill)) << c.name;
        EXPECT_EQ(m.countsPill()->kind, c.kind) << c.name;
        EXPECT_EQ(m.catalogWarning(), QString::fromUtf8(c.warning)) << c.name;
        EXPECT_EQ(m.catalogUnreadable(), !c.counts.has_value()) << c.name;
        EXPECT_EQ(m.canCreate(), c.withOnlyUnedited) << c.name;
        m.setOnlyUnedited(false);
        EXPECT_EQ(m.canCreate(), c.withAll) << c.name;
        EXPECT_TRUE(s.work.empty()) << "the switch starts no new count: " << c.name;
    }
}

TEST_F(NewProjectSheetModel, theFoundListHoldsFiveUsableCatalogsInTheStoredOrderAndSchimbaKeepsIt) {
    Sheet s({orvane::testing::builtProfile("A")});
    const Date t0 = *IsoDate::parse("2026-01-01T00:00:00Z");
    const char* names[] = {"Gamma", "alfa", "Delta", "beta", "Epsilon", "zeta", "Eta"};
    for (int i = 0; i < 7; ++i)
        s.onDisk.push_back({fs::path("/home/ana/LR") / (std::string(names[i]) + ".lrcat"), 1,
                            t0 + std::chrono::hours(24 * i)});
    s.onDisk.push_back({Store::root() / "Catalogs" / "X" / "Newest.lrcat", 1, t0 + std::chrono::hours(999)});
    s.onDisk.push_back({"/home/ana/LR/Nunta.bak-Vendrel.lrcat", 1, t0 + std::chrono::hours(998)});
    const fs::path dropped = "/home/ana/LR/Drop.lrcat";
    s.router->setDroppedItem(dropped);
    NewProjectModel& m = s.open();
    m.scanCatalogsIfNeeded();
    m.scanCatalogsIfNeeded();
    s.finishAll();
    EXPECT_EQ(s.scans, 1);

    auto shown = [&] {
        std::vector<std::string> out;
        for (const auto& c : m.shownCatalogs()) out.push_back(c.name());
        return out;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(shown(), (V{"Eta", "zeta", "Epsilon", "beta", "Delta"})) << "recent first by default";
    m.setSortRaw("name");
    EXPECT_EQ(shown(), (V{"alfa", "beta", "Delta", "Epsilon", "Eta"}));
    m.setSortRaw("size");
    EXPECT_EQ(shown(), (V{"Eta", "zeta", "Epsilon", "beta", "Delta"})) << "any other value sorts by recency";

    EXPECT_EQ(m.catalog(), dropped);
    m.clearCatalog();
    EXPECT_FALSE(m.catalog().has_value());
    EXPECT_FALSE(m.counts().has_value());
    EXPECT_TRUE(m.fromCatalog());
    m.scanCatalogsIfNeeded();
    EXPECT_TRUE(s.work.empty()) << "the list comes back without a new search";
    EXPECT_EQ(shown().size(), 5u);
}

TEST_F(NewProjectSheetModel, theApplicationsOwnCatalogsAreRefusedAndTheSheetKeepsItsState) {
    Sheet s({orvane::testing::builtProfile("A")});
    const fs::path own = Store::root() / "Catalogs" / "X" / "catalog.lrcat";
    s.router->setDroppedItem(own);
    NewProjectModel& m = s.open();
    // The model signals while the sheet opens; a spy made afterwards sees the later refusals.
    EXPECT_FALSE(m.fromCatalog()) << "a refused drop leaves the folder source";
    EXPECT_FALSE(m.catalog().has_value());
    QSignalSpy refused(&m, &NewProjectModel::refused);
    m.setName("Nuntă");
    EXPECT_FALSE(m.chooseOwnCatalog("/home/ana/LR/Nunta.bak-OrvaneStudio.lrcat"));
    EXPECT_EQ(refused.count(), 1);
    EXPECT_EQ(m.name(), QString::fromUtf8("Nuntă"));
    EXPECT_FALSE(m.catalog().has_value());
    EXPECT_TRUE(m.chooseOwnCatalog("/home/ana/LR/Nunta.lrcat"));
    EXPECT_EQ(m.catalog(), fs::path("/home/ana/LR/Nunta.lrcat"));
}

TEST_F(NewProjectSheetModel, createMakesOneProjectClosesTheSheetAndHandsItOver) {
    orvane::testing::TempDir dir;
    const Profile a = orvane::testing::builtProfile("A");
    Sheet s({a});
    const fs::path folder = rawFolder(dir, "Nunta", 2);
    s.router->setDroppedItem(folder);
    NewProjectModel& m = s.open();
    s.finishAll();
    m.setName("  Nuntă Ana  ");
    ASSERT_TRUE(m.canCreate());
    m.createProject();
    EXPECT_TRUE(m.creating());
    EXPECT_FALSE(m.canCreate()) << "the button waits for the creation";
    m.createProject();
    s.finishAll();
    EXPECT_EQ(s.creates, 1) << "a double press makes one project";
    ASSERT_EQ(s.created.size(), 1u);
    EXPECT_EQ(s.created[0].name, "Nuntă Ana");
    EXPECT_EQ(s.created[0].profileID, a.id);
    EXPECT_EQ(s.created[0].photos.size(), 2u);
    EXPECT_FALSE(s.router->showNewProject());
    ASSERT_EQ(s.app->projects().size(), 1u) << "the lists hold the project when it is handed over";
    EXPECT_EQ(s.app->projects()[0].id, s.created[0].id);
}

TEST_F(NewProjectSheetModel, aFailedCreationShowsTheErrorAndKeepsTheSheet) {
    const Profile a = orvane::testing::builtProfile("A");
    Sheet s({a});
    const fs::path catalog = "/home/ana/LR/Nunta.lrcat";
    s.catalogs[catalog] = Project::CatalogCounts{10, 10, 10};
    s.router->setDroppedItem(catalog);
    NewProjectModel& m = s.open();
    s.finishAll();
    ASSERT_TRUE(m.canCreate());
    m.createProject();
    s.finishAll();  // the real creation: the catalog does not exist
    EXPECT_TRUE(s.app->error().has_value());
    EXPECT_FALSE(s.app->error()->empty());
    EXPECT_TRUE(s.router->showNewProject());
    EXPECT_TRUE(s.created.empty());
    EXPECT_EQ(m.name(), "Nunta");
    EXPECT_EQ(m.catalog(), catalog);
    EXPECT_TRUE(m.canCreate()) << "the button is back";
}

TEST_F(NewProjectSheetModel, aProfileDeletedWhileOpenIsNoticed) {
    const Profile a = orvane::testing::builtProfile("A"), b = orvane::testing::builtProfile("B");
    orvane::testing::TempDir dir;
    Sheet s({a, b});
    s.router->setDroppedItem(rawFolder(dir, "Nunta", 1));
    NewProjectModel& m = s.open();
    s.finishAll();
    ASSERT_EQ(m.profileID(), a.id);
    ASSERT_TRUE(m.canCreate());
    fs::remove_all(a.dir());
    s.app->reload();
    EXPECT_EQ(m.builtProfiles().size(), 1u);
    EXPECT_FALSE(m.profileID().has_value());
    EXPECT_FALSE(m.canCreate());
    m.setProfileID(b.id);
    EXPECT_TRUE(m.canCreate());
}

TEST_F(NewProjectSheetModel, closingWhileACountOrACreationRunsChangesNothingLater) {
    orvane::testing::TempDir dir;
    Sheet s({orvane::testing::builtProfile("A")});
    const fs::path folder = rawFolder(dir, "Nunta", 2);
    s.router->setDroppedItem(folder);
    NewProjectModel& m = s.open();
    s.finishAll();
    m.createProject();
    m.chooseFolder(folder);  // a recount runs beside the creation
    m.dismiss();
    EXPECT_FALSE(s.router->showNewProject());
    s.router->setShowNewProject(true);  // the sheet opened again meanwhile
    s.model.reset();                    // and the closed one is gone
    s.finishAll();
    EXPECT_TRUE(s.created.empty());
    EXPECT_TRUE(s.router->showNewProject()) << "the late creation closes nothing";
    EXPECT_EQ(s.router->route(), model::Route::home());
}

TEST_F(NewProjectSheetModel, theCatalogTabClosesTheSheetAndOpensQuickEditAfterAPause) {
    for (bool built : {true, false}) {
        orvane::testing::freshDataDir();
        Sheet s(built ? std::vector<Profile>{orvane::testing::builtProfile("A")} : std::vector<Profile>{unbuilt("B")});
        NewProjectModel& m = s.open();
        m.setName("Nuntă");
        m.switchToCatalogStart();
        EXPECT_FALSE(s.router->showNewProject());
        s.model.reset();
        s.main->advance(std::chrono::milliseconds(399));
        EXPECT_FALSE(s.router->showQuickEdit());
        EXPECT_FALSE(s.router->showNewProfile());
        s.main->advance(std::chrono::milliseconds(1));
        EXPECT_EQ(s.router->showQuickEdit(), built);
        EXPECT_EQ(s.router->showNewProfile(), !built);
    }
}

}  // namespace

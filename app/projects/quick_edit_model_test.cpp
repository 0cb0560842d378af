#include "app/projects/quick_edit_model.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include "app/kit/catalog_sort.h"
#include "app/model/app_model.h"
#include "app/model/router.h"
#include "app/options/option_settings.h"
#include "app/projects/priority_toggle.h"
#include "app/projects/quick_edit_world.h"
#include "core/pipeline/job.h"
#include "core/base/atomic_file.h"
#include "testing/catalog_builder.h"
#include "testing/dng_writer.h"
#include "testing/model_fixtures.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

using namespace orvane;
using namespace orvane::projects;
using projects::testing::catalogFolder;
using projects::testing::foundCatalog;
namespace fs = std::filesystem;

namespace {

const fs::path nunti = "/home/ana/Lightroom/Nunti 2025.lrcat";

struct Sheet : projects::testing::QuickEditWorld {
    std::unique_ptr<QuickEditModel> model;
    explicit Sheet(std::vector<Profile> profiles = {orvane::testing::builtProfile("Stil")})
        : QuickEditWorld(profiles) {}
    QuickEditModel& open() {
        router->setShowQuickEdit(true);
        model = std::make_unique<QuickEditModel>(*app, *router, quickServices());
        model->open();
        return *model;
    }
    // Opens, ends the search and chooses `catalog` with these folders, read at once.
    QuickEditModel& chosen(std::vector<Project::CatalogFolder> folders, const fs::path& catalog = nunti) {
        onDisk = {foundCatalog(catalog.string(), 1)};
        folderTable[catalog] = std::move(folders);
        open();
        finish();
        model->choose(onDisk.front());
        finish();
        return *model;
    }
};

class QuickEdit : public ::testing::Test {
protected:
    void SetUp() override { orvane::testing::freshDataDir(); }
};

std::vector<std::string> names(const std::vector<FoundCatalog>& list) {
    std::vector<std::string> out;
    for (const auto& c : list) out.push_back(c.name());
    return out;
}

TEST_F(QuickEdit, theSearchListsUsableCatalogsInTheChosenOrderAndFiltersByNameOrFolder) {
    Sheet s;
    s.defaults->set(prioritizeEditingKey, Json(true));
    s.onDisk = {foundCatalog("/home/ana/Lightroom/Nunta 10.lrcat", 3), foundCatalog("/home/ana/Lightroom/Nunta 2.lrcat", 1),
                foundCatalog("/media/disc extern/Arhiva.lrcat", 9),
                foundCatalog("/home/ana/.local/share/Vendrel/Catalogs/X/catalog.lrcat", 0),
                foundCatalog("/home/ana/Lightroom/Botez.bak-Vendrel.lrcat", 0)};
    QuickEditModel& m = s.open();
    EXPECT_TRUE(m.scanning());
    EXPECT_TRUE(m.visibleCatalogs().empty());
    EXPECT_FALSE(s.defaults->boolValue(prioritizeEditingKey).value_or(true)) << "priority is off on every opening";
    s.finish();
    EXPECT_FALSE(m.scanning());
    EXPECT_EQ(s.scans, 1);
    EXPECT_EQ(names(m.visibleCatalogs()), (std::vector<std::string>{"Nunta 2", "Nunta 10", "Arhiva"}));

    kit::storeCatalogSort(*s.defaults, kit::CatalogSort::name);
    EXPECT_EQ(names(m.visibleCatalogs()), (std::vector<std::string>{"Arhiva", "Nunta 2", "Nunta 10"}));

    struct Case {
        const char* query;
        std::vector<std::string> shown;
    };
    for (const Case& c : std::vector<Case>{{"nunta 1", {"Nunta 10"}},
                                           {"disc ext", {"Arhiva"}},  // a piece of a folder only
                                           {" ", {"Arhiva", "Nunta 2", "Nunta 10"}},
                                           {"Vendrel", {}},  // the application's own copies stay out
                                           {"nimic", {}}}) {
        m.setQuery(QString::fromUtf8(c.query));
        EXPECT_EQ(names(m.visibleCatalogs()), c.shown) << c.query;
    }
}

TEST_F(QuickEdit, theDefaultProfileIsChosenWhenTheSearchEnds) {
    enum Pick { first, second, draft, none };
    struct Case {
        const char* name;
        bool withBuilt;
        Pick preferred;
        bool pickDuringSearch;
        Pick expected;
    };
    const Case cases[] = {
        {"the preferred built profile", true, second, false, second},
        {"an unbuilt preferred profile", true, draft, false, first},
        {"no preferred profile", true, none, false, first},
        {"a choice made during the search stays", true, first, true, second},
        {"no built profile", false, draft, false, none},
    };
    for (const Case& c : cases) {
        orvane::testing::freshDataDir();
        std::vector<Profile> profiles;
        if (c.withBuilt) {
            profiles.push_back(orvane::testing::builtProfile("A"));
            profiles.push_back(orvane::testing::builtProfile("B"));
        }
        Profile unbuilt;
        unbuilt.id = Uuid::random();
        unbuilt.name = "Ciornă";
        profiles.push_back(unbuilt);
        auto id = [&](Pick pick) -> std::optional<Uuid> {
            switch (pick) {
                case first: return profiles[0].id;
                case second: return profiles[1].id;
                case draft: return unbuilt.id;
                case none: return std::nullopt;
            }
            return std::nullopt;
        };
        Sheet s(profiles);
        s.router->setPreferredProfile(id(c.preferred));
        QuickEditModel& m = s.open();
        EXPECT_FALSE(m.profileID()) << c.name << ": not before the search ends";
        if (c.pickDuringSearch) m.setProfileID(profiles[1].id);
        s.finish();
        EXPECT_EQ(m.profileID(), id(c.expected)) << c.name;
    }
}

TEST_F(QuickEdit, aProfileThatIsNoLongerBuiltFallsBackToTheDefaultRule) {
    const Profile a = orvane::testing::builtProfile("A"), b = orvane::testing::builtProfile("B");
    Sheet s({a, b});
    QuickEditModel& m = s.chosen({catalogFolder("/foto/a", 4, 4)});
    m.setProfileID(b.id);
    ASSERT_TRUE(m.canStart());
    std::filesystem::remove_all(b.dir());
    s.app->reload();
    EXPECT_EQ(m.profileID(), a.id);
    EXPECT_TRUE(m.canStart());
}

TEST_F(QuickEdit, theFilePanelsCatalogGoesThroughTheUsableSourceRule) {
    orvane::testing::TempDir dir;
    Sheet s;
    QuickEditModel& m = s.open();
    QSignalSpy refused(&m, &QuickEditModel::refused);
    EXPECT_FALSE(m.chooseFile("/home/ana/.local/share/Vendrel/Catalogs/X/catalog.lrcat"));
    EXPECT_EQ(refused.size(), 1);
    EXPECT_FALSE(m.catalog());

    const fs::path own = dir / "Portrete.lrcat";
    writeFileAtomically(own, "12345");
    EXPECT_TRUE(m.chooseFile(own));
    ASSERT_TRUE(m.catalog());
    EXPECT_EQ(m.catalog()->size, 5);
    EXPECT_EQ(m.page(), QuickEditModel::Page::folders);
    EXPECT_EQ(m.folderState(), QuickEditModel::FolderState::loading);
    EXPECT_TRUE(m.scanning()) << "chosen while the search still runs";
    s.finishAll();
    EXPECT_EQ(m.folderState(), QuickEditModel::FolderState::unreadable);
    EXPECT_EQ(m.page(), QuickEditModel::Page::folders) << "the search ending changes no page";
}

TEST_F(QuickEdit, folderLoadsTickTheOnlyFolderOnDiskAndSetTheUneditedRule) {
    struct Case {
        const char* name;
        QuickEditServices::Folders folders;
        QuickEditModel::FolderState state;
        std::set<std::string> picked;
        bool onlyUnedited;
    };
    using F = std::vector<Project::CatalogFolder>;
    const std::vector<Case> cases = {
        {"unreadable", std::nullopt, QuickEditModel::FolderState::unreadable, {}, true},
        {"empty", F{}, QuickEditModel::FolderState::empty, {}, false},
        {"one folder on disk", F{catalogFolder("/foto/a", 0, 0), catalogFolder("/foto/b", 12, 5)},
         QuickEditModel::FolderState::loaded, {"/foto/b"}, true},
        {"two on disk", F{catalogFolder("/foto/a", 3, 3), catalogFolder("/foto/b", 12, 5)},
         QuickEditModel::FolderState::loaded, {}, true},
        {"all edited", F{catalogFolder("/foto/a", 3, 0), catalogFolder("/foto/b", 12, 0)},
         QuickEditModel::FolderState::loaded, {}, false},
        {"none on disk", F{catalogFolder("/foto/a", 0, 0), catalogFolder("/foto/b", 0, 0)},
         QuickEditModel::FolderState::loaded, {}, false},
    };
    for (const Case& c : cases) {
        orvane::testing::freshDataDir();
        Sheet s;
        s.onDisk = {foundCatalog(nunti.string(), 1)};
        s.folderTable[nunti] = c.folders;
        QuickEditModel& m = s.open();
        s.finish();
        m.choose(s.onDisk.front());
        EXPECT_EQ(m.folderState(), QuickEditModel::FolderState::loading) << c.name;
        s.finish();
        EXPECT_EQ(m.folderState(), c.state) << c.name;
        EXPECT_EQ(m.picked(), c.picked) << c.name;
        EXPECT_EQ(m.onlyUnedited(), c.onlyUnedited) << c.name;
    }
}

TEST_F(QuickEdit, aLoadForAnEarlierChoiceIsDropped) {
    Sheet s;
    const fs::path other = "/home/ana/Lightroom/Botez.lrcat";
    s.onDisk = {foundCatalog(nunti.string(), 1), foundCatalog(other.string(), 2)};
    s.folderTable[nunti] = std::vector{catalogFolder("/foto/nunta", 10, 10)};
    s.folderTable[other] = std::vector{catalogFolder("/foto/botez", 4, 4), catalogFolder("/foto/x", 1, 1)};
    QuickEditModel& m = s.open();
    s.finish();
    m.choose(s.onDisk[0]);
    m.choose(s.onDisk[1]);
    s.finish();  // the first catalog's folders arrive late
    EXPECT_EQ(m.folderState(), QuickEditModel::FolderState::loading);
    s.finish();
    ASSERT_EQ(m.folders()->size(), 2u);
    EXPECT_TRUE(m.picked().empty());

    // Back to the list and the same catalog again: read anew.
    m.goBack();
    m.choose(s.onDisk[1]);
    EXPECT_EQ(m.folderState(), QuickEditModel::FolderState::loading);
    s.finish();
    EXPECT_EQ(s.folderReads.size(), 3u);
}

TEST_F(QuickEdit, countsNamesAndTicksFollowTheChoices) {
    Sheet s;
    QuickEditModel& m = s.chosen({catalogFolder("/foto/Ceremonie", 10, 4, 4), catalogFolder("/foto/Petrecere", 20, 20),
                                  catalogFolder("/foto/Arhiva", 0, 0), catalogFolder("/foto/Sedinta", 5, 0, 0)});
    EXPECT_EQ(m.proposedProjectName(), "Nunti 2025");
    EXPECT_EQ(m.selectedPhotoCount(), 0);
    EXPECT_FALSE(m.usesSmartPreviews()) << "nothing ticked, whatever the unticked folders lack";
    EXPECT_FALSE(m.canStart());

    m.toggleFolder("/foto/Petrecere");
    EXPECT_EQ(m.proposedProjectName(), "Petrecere");
    EXPECT_EQ(m.selectedPhotoCount(), 20);
    EXPECT_TRUE(m.canStart());
    m.toggleFolder("/foto/Ceremonie");
    EXPECT_EQ(m.proposedProjectName(), QString::fromUtf8("Nunti 2025 · 2 foldere"));
    EXPECT_EQ(m.selectedPhotoCount(), 24) << "only the unedited ones";
    EXPECT_TRUE(m.usesSmartPreviews());
    m.setOnlyUnedited(false);
    EXPECT_EQ(m.selectedPhotoCount(), 30);
    EXPECT_EQ(m.pickedOnDiskCount(), 30);
    EXPECT_EQ(m.pickedUneditedCount(), 24);

    EXPECT_FALSE(m.allShownPicked());
    m.toggleAllFolders();
    EXPECT_EQ(m.picked(), (std::set<std::string>{"/foto/Ceremonie", "/foto/Petrecere", "/foto/Sedinta"}))
        << "the folder with nothing on disk is never ticked";
    EXPECT_TRUE(m.allShownPicked());
    m.toggleAllFolders();
    EXPECT_TRUE(m.picked().empty());

    m.setProjectName("Nunta Ana");
    EXPECT_EQ(m.projectName(), "Nunta Ana");

    struct Case {
        std::int64_t onDisk, raw;
        const char* title;
        bool warn;
    };
    for (const Case& c : std::vector<Case>{{0, 0, "Nu sunt pe disc", true},
                                           {10, 10, "RAW pe disc", false},
                                           {10, 4, "RAW și Smart Preview-uri", true},
                                           {10, 0, "Smart Preview-uri", true}}) {
        const auto a = QuickEditModel::folderAvailability(c.onDisk, c.raw);
        EXPECT_EQ(a.title, QString::fromUtf8(c.title));
        EXPECT_EQ(a.warn, c.warn) << c.title;
    }
}

TEST_F(QuickEdit, goingBackFromTheOptionsKeepsTheFoldersPageAsItWas) {
    Sheet s;
    QuickEditModel& m = s.chosen({catalogFolder("/foto/a", 3, 3), catalogFolder("/foto/b", 4, 4)});
    m.toggleFolder("/foto/b");
    m.setProjectName("Botez");
    m.setCustomize(true);
    EXPECT_EQ(m.page(), QuickEditModel::Page::options);
    EXPECT_EQ(m.subtitle(), QString::fromUtf8("Alege ce funcții vrei să se aplice"));
    m.goBack();
    EXPECT_EQ(m.page(), QuickEditModel::Page::folders);
    EXPECT_EQ(m.picked(), (std::set<std::string>{"/foto/b"}));
    EXPECT_EQ(m.projectName(), "Botez");
    m.goBack();
    EXPECT_EQ(m.page(), QuickEditModel::Page::catalogs);
    EXPECT_TRUE(m.picked().empty());
    EXPECT_EQ(m.projectName(), "Botez");
}

TEST_F(QuickEdit, aMountedDiskRefreshesTheCountsAndKeepsTheTicks) {
    Sheet s;
    s.onDisk = {foundCatalog(nunti.string(), 1)};
    QuickEditModel& m = s.open();
    s.finish();
    m.volumeMounted();
    EXPECT_TRUE(s.work.empty()) << "nothing to read on the catalog step";

    s.folderTable[nunti] = std::vector{catalogFolder("/foto/a", 3, 3, 0), catalogFolder("/foto/b", 0, 0)};
    m.choose(s.onDisk.front());
    s.finish();
    ASSERT_EQ(m.picked(), (std::set<std::string>{"/foto/a"})) << "the only folder on disk";
    m.setOnlyUnedited(false);
    s.folderTable[nunti] = std::vector{catalogFolder("/foto/a", 3, 3, 3), catalogFolder("/foto/b", 8, 8)};
    m.volumeMounted();
    s.finish();
    EXPECT_EQ(m.folders()->at(1).onDisk, 8);
    EXPECT_EQ(m.picked(), (std::set<std::string>{"/foto/a"}));
    EXPECT_FALSE(m.onlyUnedited());
    EXPECT_FALSE(m.usesSmartPreviews());

    // A refresh that cannot read the catalog changes nothing.
    s.folderTable[nunti] = std::nullopt;
    m.volumeMounted();
    s.finish();
    EXPECT_EQ(m.folders()->size(), 2u);
    EXPECT_FALSE(m.loadFailed());
}

TEST_F(QuickEdit, theFolderTabClosesTheSheetAndOpensTheNewProjectSheetLater) {
    Sheet s;
    QuickEditModel& m = s.open();
    m.switchToNewProject();
    EXPECT_FALSE(s.router->showQuickEdit());
    EXPECT_TRUE(m.closed());
    s.main->advance(std::chrono::milliseconds(399));
    EXPECT_FALSE(s.router->showNewProject());
    s.main->advance(std::chrono::milliseconds(1));
    EXPECT_TRUE(s.router->showNewProject());
}

TEST_F(QuickEdit, startMakesOneProjectHandsItTheOptionsStartsItAndOpensItsPage) {
    Sheet s;
    QuickEditModel& m = s.chosen({catalogFolder("/foto/Ceremonie", 10, 6)});
    s.defaults->set(options::keys::straighten, Json(true));
    s.defaults->set(options::keys::skin, Json(true));
    s.defaults->set(options::keys::skinTexture, Json(25.0));
    m.setProjectName("   ");
    int asked = 0;
    m.start([&] {
        ++asked;
        return true;
    });
    m.start([&] { return true; });  // a second press while the first runs
    EXPECT_FALSE(m.canStart());
    s.finish();  // the refresh before the start
    s.finish();  // the creation
    EXPECT_TRUE(s.work.empty());
    ASSERT_EQ(s.made.size(), 1u) << "one press, one project";
    EXPECT_EQ(asked, 0) << "all RAW files are on disk";
    EXPECT_EQ(s.made[0].name, "Ceremonie") << "a name of spaces gives the proposed one";
    EXPECT_EQ(s.made[0].folders, (std::set<std::string>{"/foto/Ceremonie"}));
    EXPECT_TRUE(s.made[0].onlyUnedited);
    EXPECT_FALSE(s.router->showQuickEdit());
    ASSERT_EQ(s.app->projects().size(), 1u);
    const Project& p = s.app->projects().front();
    EXPECT_EQ(s.router->route(), model::Route::project(p.id));
    const auto job = s.app->makeJob(p);
    EXPECT_EQ(job->project().straightenRequested, true);
    EXPECT_EQ(job->project().skinAmount, 100);
    ASSERT_TRUE(job->project().skinParams);
    EXPECT_EQ(job->project().skinParams->texture, 25);
    EXPECT_EQ(job->project().profileCorrection, true) << "the reset options: lens correction on";
    EXPECT_NE(job->state(), Job::State::idle) << "started";
}

TEST_F(QuickEdit, smartPreviewsAskFirstAndACreationErrorLeavesTheSheetOpen) {
    Sheet s;
    QuickEditModel& m = s.chosen({catalogFolder("/foto/a", 10, 10, 2)});
    ASSERT_TRUE(m.usesSmartPreviews());
    m.start([] { return false; });  // "Conectez discul"
    EXPECT_TRUE(m.starting());
    s.finish();
    EXPECT_FALSE(m.starting());
    EXPECT_TRUE(s.made.empty());
    EXPECT_TRUE(s.work.empty());
    EXPECT_TRUE(s.router->showQuickEdit());

    s.createError = "Catalogul nu are fotografii RAW potrivite pe disc.";
    m.start([] { return true; });  // "Continuă oricum"
    s.finishAll();
    EXPECT_EQ(s.made.size(), 1u);
    EXPECT_EQ(s.app->error(), std::optional<std::string>("Catalogul nu are fotografii RAW potrivite pe disc."));
    EXPECT_TRUE(s.router->showQuickEdit());
    EXPECT_FALSE(m.starting());
    EXPECT_TRUE(m.canStart());
    EXPECT_EQ(m.picked(), (std::set<std::string>{"/foto/a"}));
}

TEST_F(QuickEdit, closingWhileWorkRunsDropsTheResultsButKeepsAProjectAlreadyMade) {
    Sheet s;
    s.onDisk = {foundCatalog(nunti.string(), 1)};
    s.folderTable[nunti] = std::vector{catalogFolder("/foto/a", 3, 3)};
    {
        QuickEditModel& m = s.open();
        m.chooseFile("/tmp/none/Alt.lrcat");
        m.dismiss();
        s.finishAll();  // the search and the folder read end after the close
        EXPECT_TRUE(m.found().empty());
        EXPECT_EQ(m.folderState(), QuickEditModel::FolderState::loading);
    }
    QuickEditModel& m = s.chosen({catalogFolder("/foto/a", 3, 3)});
    m.start({});
    s.finish();  // the refresh
    m.dismiss();
    s.model.reset();  // the sheet is gone
    s.finish();       // the creation
    EXPECT_EQ(s.made.size(), 1u);
    EXPECT_EQ(s.app->projects().size(), 1u) << "the project made is listed";
    EXPECT_EQ(s.router->route(), model::Route::home()) << "but not opened";
}

}  // namespace

// The whole road over a generated catalog, with the real folder reader and project maker: a folder
// whose only photo on disk is a smart preview asks first, and the start makes, covers, starts and
// opens a project of the ticked folder's unedited photos.
TEST_F(QuickEdit, aGeneratedCatalogStartsAProjectOfTheTickedFolder) {
    orvane::testing::TempDir dir;
    const fs::path catalog = dir / "Lightroom" / "Nunta.lrcat";
    fs::create_directories(catalog.parent_path());
    const std::string root = (dir / "Pictures").string() + "/";
    {
        orvane::testing::CatalogBuilder b(catalog);
        const std::string edited = orvane::testing::DevelopText().number("Exposure2012", 0.5).str();
        auto add = [&](const std::string& folder, const std::string& base, bool onDisk, bool isEdited) {
            auto ids = b.photo({.root = root, .folder = folder, .baseName = base, .extension = "NEF",
                                .settings = isEdited ? edited : orvane::testing::DevelopText().str()});
            if (onDisk) orvane::testing::writeText(root + folder + base + ".NEF", "raw");
            return ids;
        };
        add("Nunta/Ceremonie/", "img1", true, false);
        add("Nunta/Ceremonie/", "img2", true, true);
        add("Nunta/Ceremonie/", "img3", true, false);
        const auto preview = add("Nunta/Petrecere/", "img4", false, false);
        orvane::testing::writeText(orvane::testing::writeCatalogSmartPreview(catalog, preview.fileID, {}), "");
        b.close();
    }
    Sheet s;
    QuickEditServices services = QuickEditServices::standard();
    services.background = [&s](QuickEditServices::Work w) { s.work.push_back(std::move(w)); };
    services.scan = [] { return std::vector<FoundCatalog>{}; };
    std::vector<std::string> covered;
    services.makeCover = [&covered](const Project& p) { covered.push_back(p.name); };
    s.router->setShowQuickEdit(true);
    s.model = std::make_unique<QuickEditModel>(*s.app, *s.router, services);
    QuickEditModel& m = *s.model;
    m.open();
    s.finish();
    ASSERT_TRUE(m.chooseFile(catalog));
    s.finish();
    ASSERT_EQ(m.folderState(), QuickEditModel::FolderState::loaded);
    ASSERT_EQ(m.folders()->size(), 2u);
    EXPECT_EQ(m.folders()->at(0).name(), "Ceremonie");
    EXPECT_EQ(m.folders()->at(0).onDisk, 3);
    EXPECT_EQ(m.folders()->at(0).unedited, 2);
    EXPECT_EQ(m.folders()->at(1).rawOnDisk, 0);

    m.toggleFolder(m.folders()->at(1).path);
    ASSERT_TRUE(m.usesSmartPreviews());
    m.start([] { return false; });  // "Conectez discul"
    s.finishAll();
    EXPECT_TRUE(s.app->projects().empty());

    m.toggleFolder(m.folders()->at(1).path);
    m.toggleFolder(m.folders()->at(0).path);
    EXPECT_EQ(m.selectedPhotoCount(), 2);
    m.start([] { return true; });
    s.finishAll();
    ASSERT_EQ(s.app->projects().size(), 1u);
    const Project& p = s.app->projects().front();
    EXPECT_EQ(p.name, "Ceremonie");
    EXPECT_EQ(p.photos.size(), 2u) << "only the unedited photos of the ticked folder";
    EXPECT_EQ(p.catalogPath, std::optional<std::string>(catalog.string()));
    EXPECT_EQ(covered, std::vector<std::string>{"Ceremonie"});
    EXPECT_EQ(s.router->route(), model::Route::project(p.id));
    EXPECT_FALSE(s.router->showQuickEdit());
    const auto job = s.app->makeJob(p);
    EXPECT_EQ(job->project().profileCorrection, true);
    EXPECT_EQ(job->project().noiseReduction, true);
    EXPECT_NE(job->state(), Job::State::idle);
}

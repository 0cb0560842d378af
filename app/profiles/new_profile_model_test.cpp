#include "app/profiles/new_profile_model.h"

#include <gtest/gtest.h>

#include <fstream>

#include "app/kit/text.h"
#include "app/profiles/new_profile_world.h"
#include "core/style/model_vault.h"
#include "core/style/vault_format.h"
#include "testing/model_fixtures.h"

using namespace orvane;
using namespace orvane::profiles;
using orvane::profiles::testing::ProfileWorld;
using orvane::profiles::testing::found;
using orvane::profiles::testing::saveCatalog;
using Mode = NewProfileModel::Mode;
namespace fs = std::filesystem;

namespace {

struct Sheet : ProfileWorld {
    std::unique_ptr<NewProfileModel> model;
    NewProfileModel& open() {
        if (!app) start();
        router->setShowNewProfile(true);
        model = std::make_unique<NewProfileModel>(*app, *router, services());
        model->prepareOnAppear();
        return *model;
    }
    std::string error() const { return app->error().value_or(""); }
    fs::path presetFile(const std::string& file, const std::string& text) {
        const fs::path p = temp.path() / file;
        std::ofstream(p) << text;
        return p;
    }
};

const char* const namedPreset =
    "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
    "<rdf:Description xmlns:crs=\"http://ns.adobe.com/camera-raw-settings/1.0/\" crs:Exposure2012=\"+0.30\">"
    "<crs:Name><rdf:Alt><rdf:li xml:lang=\"x-default\">Nunta caldă</rdf:li></rdf:Alt></crs:Name>"
    "</rdf:Description></rdf:RDF></x:xmpmeta>";
const char* const namelessPreset =
    "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
    "<rdf:Description xmlns:crs=\"http://ns.adobe.com/camera-raw-settings/1.0/\" crs:Contrast2012=\"+10\"/>"
    "</rdf:RDF></x:xmpmeta>";

TEST(NewProfileModel, sizesFollowTheModeAndTheImportedCatalogs) {
    struct Case {
        int catalogs;
        Mode mode;
        QSize size;
    };
    const Case cases[] = {{0, Mode::choose, {720, 470}}, {0, Mode::pro, {560, 480}}, {0, Mode::instant, {560, 500}},
                          {2, Mode::choose, {720, 470}}, {2, Mode::pro, {560, 760}}, {2, Mode::instant, {560, 500}}};
    for (const Case& c : cases) {
        Sheet s;
        for (int i = 0; i < c.catalogs; ++i) saveCatalog("C" + std::to_string(i), 100);
        NewProfileModel& m = s.open();
        EXPECT_EQ(m.chosen().size(), std::size_t(c.catalogs));
        EXPECT_FALSE(m.fromPreviews());
        if (c.mode == Mode::pro) m.choosePro();
        if (c.mode == Mode::instant) m.chooseInstant();
        EXPECT_EQ(m.mode(), c.mode);
        EXPECT_EQ(m.sheetSize(), c.size) << c.catalogs;
        m.goBack();
        EXPECT_EQ(m.sheetSize(), QSize(720, 470));
    }
}

TEST(NewProfileModel, aCatalogLackingRawsTurnsSmartPreviewsOn) {
    Sheet s;
    saveCatalog("A", 10);
    saveCatalog("B", 10, 1);
    EXPECT_TRUE(s.open().fromPreviews());
}

TEST(NewProfileModel, theRouterAsksForTheProfessionalStepOnlyWithCatalogs) {
    {
        Sheet s;
        s.start();
        s.router->setNewProfileAutoPro(true);
        NewProfileModel& m = s.open();
        EXPECT_EQ(m.mode(), Mode::choose);
        EXPECT_TRUE(s.router->newProfileAutoPro());
    }
    {
        Sheet s;
        saveCatalog("A", 600);
        s.start();
        s.router->setNewProfileAutoPro(true);
        s.router->setPendingPreset(fs::path("/presete/cald.xmp"));
        s.router->setPendingPresetTitle("Cald");
        s.router->setPendingProfileName("Nunți");
        NewProfileModel& m = s.open();
        EXPECT_EQ(m.mode(), Mode::pro);
        EXPECT_FALSE(s.router->newProfileAutoPro());
        EXPECT_EQ(m.name(), QString::fromUtf8("Nunți"));
        EXPECT_EQ(m.presetURL(), fs::path("/presete/cald.xmp"));
        EXPECT_EQ(m.presetTitle(), QString::fromUtf8("Cald"));
        EXPECT_FALSE(m.autoPreset());  // a preset file was handed over
    }
    {
        Sheet s;
        saveCatalog("A", 600);
        s.start();
        s.router->setNewProfileAutoPro(true);
        NewProfileModel& m = s.open();
        EXPECT_EQ(m.name(), QString::fromUtf8("Profil profesional"));
        EXPECT_TRUE(m.autoPreset());
    }
}

TEST(NewProfileModel, namesAreTrimmedOfSpacesAndTabsOnly) {
    Sheet s;
    NewProfileModel& m = s.open();
    m.setName(QString::fromUtf8(" \t "));
    m.choosePro();
    EXPECT_EQ(m.name(), QString::fromUtf8(" \t "));  // not empty, so not replaced
    EXPECT_FALSE(m.nameIsValid());
    EXPECT_FALSE(m.canContinue());
    m.setName(QString::fromUtf8("Stil\n"));
    EXPECT_TRUE(m.nameIsValid());
    EXPECT_EQ(kit::trimSpacesAndTabs(QString::fromUtf8("\t Nunți \t")), QString::fromUtf8("Nunți"));
    EXPECT_EQ(kit::trimSpacesAndTabs(QString::fromUtf8(" a\n")), QString::fromUtf8("a\n"));
}

// ---- the style ----

TEST(NewProfileModel, withoutAnyCatalogTheInstantStyleIsNeutralUntilTheScanFindsSome) {
    Sheet s;
    s.onDisk = {found("/foto/nunti.lrcat", 10)};
    NewProfileModel& m = s.open();
    m.chooseInstant();
    EXPECT_EQ(m.name(), QString::fromUtf8("Profil instant"));
    EXPECT_FALSE(m.autoPreset());
    EXPECT_EQ(m.styleSymbol(), QStringLiteral("doc.text"));
    EXPECT_TRUE(m.styleCaption().startsWith(QString::fromUtf8("Neutru: aplicația")));
    EXPECT_EQ(m.presetTitle(), QString::fromUtf8("Neutru (doar expunere și culoare)"));
    EXPECT_TRUE(fs::exists(Store::root() / "Neutru.xmp"));
    s.finishAll();
    EXPECT_TRUE(m.autoPreset());
    EXPECT_EQ(m.styleSymbol(), QStringLiteral("wand.and.stars"));
    EXPECT_EQ(m.styleCaption(), QString::fromUtf8("Se creează automat din editările tale din Lightroom."));
}

TEST(NewProfileModel, aScanThatFindsNothingLeavesTheNeutralStyle) {
    Sheet s;
    s.onDisk = {found("/date/Vendrel/Catalogs/x/catalog.lrcat", 1)};  // the application's own copy
    NewProfileModel& m = s.open();
    s.finishAll();
    m.chooseInstant();
    EXPECT_TRUE(m.foundCatalogs().empty());
    EXPECT_FALSE(m.autoPreset());
    EXPECT_EQ(m.presetURL(), Store::root() / "Neutru.xmp");
}

TEST(NewProfileModel, importedCatalogsGiveTheAutomaticStyleAtOnce) {
    Sheet s;
    saveCatalog("A", 30);
    NewProfileModel& m = s.open();
    m.chooseInstant();
    EXPECT_TRUE(m.autoPreset());
    EXPECT_FALSE(m.presetURL());
}

TEST(NewProfileModel, aLoadedPresetStaysWhenTheScanEnds) {
    Sheet s;
    s.onDisk = {found("/foto/nunti.lrcat", 10)};
    NewProfileModel& m = s.open();
    m.chooseInstant();
    ASSERT_TRUE(m.loadPresetFile(s.presetFile("cald.xmp", namedPreset)));
    s.finishAll();
    EXPECT_TRUE(m.customPreset());
    EXPECT_FALSE(m.autoPreset());
    EXPECT_EQ(m.presetTitle(), QString::fromUtf8("Nunta caldă"));
    EXPECT_EQ(m.styleCaption(), QString::fromUtf8("Presetul tău: Nunta caldă"));
    // Back to the automatic style, which the found catalog allows.
    m.returnToAutomatic();
    EXPECT_FALSE(m.customPreset());
    EXPECT_TRUE(m.autoPreset());
}

TEST(NewProfileModel, theScanKeepsTheSixNewestUsableCatalogs) {
    Sheet s;
    for (int i = 0; i < 7; ++i) s.onDisk.push_back(found("/foto/c" + std::to_string(i) + ".lrcat", 100 - i));
    s.onDisk.push_back(found("/foto/c.bak-Vendrel/x.lrcat", 0));
    NewProfileModel& m = s.open();
    s.finishAll();
    ASSERT_EQ(m.foundCatalogs().size(), 6u);
    EXPECT_EQ(m.foundCatalogs().front(), fs::path("/foto/c6.lrcat"));
    EXPECT_EQ(m.foundCatalogs().back(), fs::path("/foto/c1.lrcat"));
}

TEST(NewProfileModel, dropsTakeTheFirstXmpAndRefuseEverythingElse) {
    Sheet s;
    NewProfileModel& m = s.open();
    m.chooseInstant();
    const fs::path neutral = *m.presetURL();
    const QString jpg = QString::fromStdString((s.temp.path() / "poza.jpg").string());

    EXPECT_FALSE(m.dropPresetFiles({jpg}));
    EXPECT_EQ(s.error(), "Trage un fișier preset Lightroom (.xmp).");
    EXPECT_EQ(m.presetURL(), neutral);

    s.app->setError(std::nullopt);
    const fs::path bad = s.presetFile("stricat.xmp", "nu este xml");
    EXPECT_FALSE(m.dropPresetFiles({QString::fromStdString(bad.string())}));
    EXPECT_EQ(s.error(), "Fișierul ales nu este un preset Lightroom valid.");
    EXPECT_EQ(m.presetURL(), neutral);

    s.app->setError(std::nullopt);
    const fs::path upper = s.presetFile("Vara Mea.XMP", namelessPreset);
    EXPECT_TRUE(m.dropPresetFiles({jpg, QString::fromStdString(upper.string())}));
    EXPECT_FALSE(s.app->error());
    EXPECT_EQ(m.presetURL(), upper);
    EXPECT_EQ(m.presetTitle(), QString::fromUtf8("Vara Mea"));
    EXPECT_TRUE(m.customPreset());
}

// ---- the professional step ----

TEST(NewProfileModel, theCatalogListMeasuresAndCountsItsCatalogs) {
    for (auto [n, height] : {std::pair{1, 56}, {2, 108}, {6, 316}, {7, 320}}) {
        Sheet s;
        for (int i = 0; i < n; ++i) saveCatalog("C" + std::to_string(i), 10);
        NewProfileModel& m = s.open();
        EXPECT_EQ(m.catalogListHeight(), height);
        EXPECT_EQ(m.showsSortPicker(), n >= 2);
    }
    for (auto [usable, warns] : {std::pair{499, true}, {500, false}, {0, true}}) {
        Sheet s;
        saveCatalog("A", usable);
        NewProfileModel& m = s.open();
        m.choosePro();
        EXPECT_EQ(m.chosenPhotoCount(), usable);
        EXPECT_EQ(m.countLineWarns(), warns);
        EXPECT_EQ(m.countLineText(),
                  warns ? QString::fromUtf8(
                              " fotografii. Pentru rezultate bune: minim 500, din cel puțin 3 evenimente diferite.")
                        : QString::fromUtf8(" fotografii de antrenare"));
        EXPECT_TRUE(m.canCreatePro());  // the count is not a condition
    }
}

TEST(NewProfileModel, smartPreviewCountsShowTheLargerCountAndPruneTheChoice) {
    Sheet s;
    const TrainingCatalog a = saveCatalog("A", 10, 5);
    const TrainingCatalog b = saveCatalog("B", 0, 0);
    s.stats[a.source] = CatalogStats{50, 10, 5, 40};
    NewProfileModel& m = s.open();
    s.finishAll();  // the scan
    ASSERT_TRUE(m.fromPreviews());
    m.choosePro();
    EXPECT_TRUE(m.counting());
    EXPECT_EQ(m.trainableCount(a), 10);  // until the count ends
    s.finishAll();
    EXPECT_EQ(m.trainableCount(a), 40);
    EXPECT_EQ(m.chosen(), std::set<Uuid>{a.id});  // B has nothing to train
    m.setFromPreviews(false);
    EXPECT_TRUE(s.work.empty());
    EXPECT_EQ(m.trainableCount(a), 10);
    m.setFromPreviews(true);
    EXPECT_EQ(s.work.size(), 1u);  // a new count
}

TEST(NewProfileModel, aCatalogWithNothingToTrainCanBeUntickedButNotTicked) {
    Sheet s;
    const TrainingCatalog empty = saveCatalog("Gol", 0);
    const TrainingCatalog full = saveCatalog("Plin", 30);
    NewProfileModel& m = s.open();
    m.choosePro();
    ASSERT_EQ(m.chosen().size(), 2u);
    m.toggleCatalog(empty.id);
    EXPECT_EQ(m.chosen(), std::set<Uuid>{full.id});
    m.toggleCatalog(empty.id);
    EXPECT_EQ(m.chosen(), std::set<Uuid>{full.id});
    m.toggleCatalog(full.id);
    EXPECT_TRUE(m.chosen().empty());
    EXPECT_FALSE(m.canCreatePro());
}

TEST(NewProfileModel, continueHandsTheProfileOverAndOpensTheImport) {
    Sheet s;
    NewProfileModel& m = s.open();
    m.choosePro();
    m.setName(QString::fromUtf8("  Nunți "));
    ASSERT_TRUE(m.canContinue());
    m.continueToLibrary();
    EXPECT_TRUE(m.closed());
    EXPECT_FALSE(s.router->showNewProfile());
    EXPECT_TRUE(s.router->importRequested());
    EXPECT_EQ(s.router->route(), model::Route::library());
    EXPECT_TRUE(s.router->pendingAutoPreset());
    EXPECT_FALSE(s.router->pendingPreset());
    EXPECT_EQ(s.router->pendingProfileName(), "Nunți");
    s.model.reset();
    EXPECT_TRUE(s.router->pendingAutoPreset());  // closing after handing over keeps the hand-over

    // After the import the sheet opens again in the professional step with what was handed over.
    saveCatalog("Nuntă", 700);
    s.app->reload();
    s.router->setNewProfileAutoPro(true);
    NewProfileModel& again = s.open();
    EXPECT_EQ(again.mode(), Mode::pro);
    EXPECT_EQ(again.name(), QString::fromUtf8("Nunți")) << "the typed name comes back with the automatic style";
    EXPECT_TRUE(again.autoPreset());
    // Closed without creating: the hand-over is given back.
    again.dismiss();
    EXPECT_FALSE(s.router->pendingAutoPreset());
    EXPECT_EQ(s.router->pendingProfileName(), "");
}

TEST(NewProfileModel, aSheetTheShellClosesGivesTheHandOverBack) {
    Sheet s;
    s.start();
    s.router->setPendingPreset(fs::path("/presete/cald.xmp"));
    s.router->setPendingPresetTitle("Cald");
    s.router->setPendingProfileName("Nunți");
    NewProfileModel& m = s.open();
    EXPECT_EQ(m.name(), QString::fromUtf8("Nunți"));
    s.router->setShowNewProfile(false);  // Escape through the sheet host: the sheet is only deleted
    s.model.reset();
    EXPECT_FALSE(s.router->pendingPreset());
    EXPECT_EQ(s.router->pendingProfileName(), "");
    EXPECT_EQ(s.router->pendingPresetTitle(), "Cald");  // as creating leaves it
    // A sheet that took nothing leaves the router alone.
    s.router->setPendingProfileName("Altul");
    s.open();
    s.model.reset();
    EXPECT_EQ(s.router->pendingProfileName(), "Altul");
}

TEST(NewProfileModel, creatingSavesCatalogsInOrderAndEngineThenTrains) {
    for (bool previews : {false, true}) {
        Sheet s;
        const TrainingCatalog b = saveCatalog("B", 300, 1, 10);
        const TrainingCatalog a = saveCatalog("A", 300, 0, 20);
        const TrainingCatalog c = saveCatalog("C", 300, 0, 30);
        s.start();
        s.router->setPendingAutoPreset(true);
        s.router->setPendingPresetTitle("titlu");
        NewProfileModel& m = s.open();
        s.finishAll();
        m.choosePro();
        m.setFromPreviews(previews);
        s.finishAll();  // counts, when on
        m.toggleCatalog(b.id);
        m.setName(QString::fromUtf8(" Nunți\t"));
        m.createProfile();
        m.createProfile();  // a double press makes one profile
        EXPECT_TRUE(m.creating());
        ASSERT_EQ(s.work.size(), 1u);
        s.finishAll();
        ASSERT_EQ(s.app->profiles().size(), 1u);
        const Profile p = s.app->profiles().front();
        EXPECT_EQ(p.name, "Nunți");
        EXPECT_EQ(p.presetName, "Stilul meu");
        EXPECT_EQ(p.catalogIDs, (std::vector<Uuid>{a.id, c.id}));  // the model's order (by name)
        EXPECT_EQ(p.engine, previews ? "preview" : "fast");
        EXPECT_TRUE(fs::exists(p.preset()));
        ASSERT_EQ(s.catalogBuilds.size(), 1u);
        EXPECT_EQ(s.catalogBuilds[0].size(), 2u);
        EXPECT_FALSE(fs::exists(s.builtPresets[0]));  // the temporary preset is gone
        EXPECT_FALSE(s.router->showNewProfile());
        EXPECT_EQ(s.router->route(), model::Route::profile(p.id));
        EXPECT_FALSE(s.router->pendingAutoPreset());
        EXPECT_EQ(s.router->pendingPresetTitle(), "titlu");
        ASSERT_TRUE(s.app->profileBuild());
        EXPECT_EQ(s.app->profileBuild()->profileID, p.id);
        s.app->cancelProfileBuild();
        s.main->runUntil([&] { return !s.app->profileBuild(); });
    }
}

TEST(NewProfileModel, failedCreationsLeaveNoProfileAndTheSheetOpen) {
    struct Case {
        ProfileWorld::Build build;
        bool saveFails;
        std::string error;
    };
    const Case cases[] = {
        {ProfileWorld::Build::tooFew, false,
         "Cataloagele alese au prea puține fotografii editate pentru a crea un preset (minim 20). Încarcă un preset "
         "sau adaugă cataloage."},
        {ProfileWorld::Build::fails, false, "Discul este plin."},
        {ProfileWorld::Build::ok, true, "Nu pot salva profilul."},
    };
    for (const Case& c : cases) {
        Sheet s;
        saveCatalog("A", 300);
        s.build = c.build;
        s.saveFails = c.saveFails;
        NewProfileModel& m = s.open();
        m.choosePro();
        m.createProfile();
        s.finishAll();
        EXPECT_EQ(s.error(), c.error);
        EXPECT_EQ(s.profileFolders(), 0u) << c.error;  // made whole or not at all
        for (const fs::path& p : s.builtPresets) EXPECT_FALSE(fs::exists(p));
        EXPECT_FALSE(m.closed());
        EXPECT_FALSE(m.creating());
        EXPECT_TRUE(s.router->showNewProfile());
        EXPECT_EQ(s.router->route(), model::Route::home());
    }
}

TEST(NewProfileModel, anotherTrainingDisablesCreation) {
    Sheet s;
    saveCatalog("A", 300);
    s.start();
    model::ProfileBuildStatus other;
    other.profileID = Uuid::random();
    s.app->setProfileBuild(other);
    NewProfileModel& m = s.open();
    m.choosePro();
    EXPECT_TRUE(m.otherTrainingRuns());
    EXPECT_FALSE(m.canCreatePro());
    m.createProfile();
    EXPECT_TRUE(s.work.size() <= 1u);  // only the scan
    s.finishAll();
    EXPECT_EQ(s.profileFolders(), 0u);
    s.app->setProfileBuild(std::nullopt);
    EXPECT_TRUE(m.canCreatePro());
    // A training that starts while the profile is being made: the profile is not kept.
    m.createProfile();
    s.app->setProfileBuild(other);
    s.finishAll();
    EXPECT_EQ(s.profileFolders(), 0u);
    EXPECT_EQ(s.error(), "Un profil se antrenează acum. Încearcă după ce se termină.");
    EXPECT_FALSE(m.closed());
    s.app->setProfileBuild(std::nullopt);
}

// ---- the instant profile ----

struct WithBaseModel {
    orvane::testing::TempDir runtime, resources, models;
    orvane::testing::ScopedEnv env{"XDG_RUNTIME_DIR", runtime.path().string()};
    orvane::testing::VaultSession vault{resources.path()};
    void install() {
        orvane::testing::writeModelFolder(models.path(), 0.25f, 200.0f);
        writeFileAtomically(resources.path() / "BaseModel.vrv",
                            VaultFormat::seal(VaultFormat::pack(VaultFormat::collect(models.path()))));
    }
};

TEST(NewProfileModel, instantCreationOpensTheProfileAndLaterTheReadySheet) {
    WithBaseModel base;
    base.install();
    Sheet s;
    NewProfileModel& m = s.open();
    m.chooseInstant();
    m.setName(QString::fromUtf8(" Rapid "));
    m.createInstantProfile();
    EXPECT_TRUE(m.creating());
    EXPECT_FALSE(m.canCreateInstant());
    s.finishAll();  // the scan (nothing found) and the creation
    ASSERT_EQ(s.app->profiles().size(), 1u);
    const Profile p = s.app->profiles().front();
    EXPECT_EQ(p.name, "Rapid");
    EXPECT_TRUE(p.isInstant());
    EXPECT_TRUE(p.isBuilt());
    EXPECT_EQ(s.router->route(), model::Route::profile(p.id));
    EXPECT_FALSE(s.router->showNewProfile());
    EXPECT_FALSE(s.app->profileReady());
    s.main->advance(std::chrono::milliseconds(399));
    EXPECT_FALSE(s.app->profileReady());
    s.main->advance(std::chrono::milliseconds(1));
    ASSERT_TRUE(s.app->profileReady());
    EXPECT_EQ(s.app->profileReady()->id, p.id);
}

TEST(NewProfileModel, theAutomaticInstantStyleWaitsForTheScanAndFallsBackToNeutral) {
    WithBaseModel base;
    base.install();
    Sheet s;
    saveCatalog("A", 5);
    s.onDisk = {found("/foto/nunti.lrcat", 1)};
    s.build = ProfileWorld::Build::tooFew;
    NewProfileModel& m = s.open();
    m.chooseInstant();
    ASSERT_TRUE(m.autoPreset());
    m.createInstantProfile();
    ASSERT_EQ(s.work.size(), 1u);  // still the scan: the build waits for it
    s.finish();
    ASSERT_EQ(s.catalogBuilds.size(), 0u);
    s.finishAll();
    ASSERT_EQ(s.catalogBuilds.size(), 1u);  // the imported catalogs; the found one is not read
    EXPECT_TRUE(s.fileBuilds.empty());
    ASSERT_EQ(s.app->profiles().size(), 1u);
    EXPECT_EQ(s.app->profiles().front().presetName, "Neutru");
}

TEST(NewProfileModel, aMissingBaseModelKeepsTheSheetOpen) {
    WithBaseModel base;  // nothing installed
    Sheet s;
    s.onDisk = {found("/foto/nunti.lrcat", 1)};
    NewProfileModel& m = s.open();
    s.finishAll();
    m.chooseInstant();
    m.createInstantProfile();
    s.finishAll();
    EXPECT_EQ(s.error(), "Modelul de bază lipsește din aplicație.");
    EXPECT_FALSE(m.closed());
    EXPECT_FALSE(m.creating());
    EXPECT_EQ(s.profileFolders(), 0u);
    ASSERT_EQ(s.fileBuilds.size(), 1u);
    EXPECT_FALSE(fs::exists(s.builtPresets[0]));  // the temporary preset is removed on failure too
}

// ---- closing while work runs ----

TEST(NewProfileModel, closingDuringAScanACountOrACreationChangesNothingLater) {
    WithBaseModel base;
    base.install();
    for (int step = 0; step < 3; ++step) {
        Sheet s;
        const TrainingCatalog a = saveCatalog("A", 300, 2);
        s.stats[a.source] = CatalogStats{10, 10, 8, 9};
        s.onDisk = {found("/foto/nunti.lrcat", 1)};
        NewProfileModel& m = s.open();
        if (step == 1) m.choosePro();  // a count waits
        if (step == 2) {
            s.finishAll();
            m.chooseInstant();
            m.createInstantProfile();  // the automatic build waits
            s.finish();
            ASSERT_EQ(s.work.size(), 1u);  // the creation waits
        }
        s.model.reset();  // the sheet goes
        const model::Route route = s.router->route();
        s.finishAll();
        EXPECT_EQ(s.router->route(), route);
        EXPECT_FALSE(s.app->error());
        EXPECT_EQ(s.profileFolders(), 0u);
        EXPECT_TRUE(s.app->profiles().empty());
        for (const fs::path& p : s.builtPresets) EXPECT_FALSE(fs::exists(p));
        s.main->advance(std::chrono::seconds(1));
        EXPECT_FALSE(s.app->profileReady());
    }
}

}  // namespace

// The learning operations of the application model, with fakes for the builder (and, where a case
// needs it, the finder and the importer) and real catalogs, imports and corrections.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <fstream>
#include <mutex>
#include <thread>

#include "app/model/app_model.h"
#include "core/base/atomic_file.h"
#include "core/store/store.h"
#include "core/style/vault_format.h"
#include "core/xmp/develop_preset.h"
#include "core/catalog/catalog_import.h"
#include "testing/catalog_builder.h"
#include "testing/concurrency.h"
#include "testing/job_fixtures.h"
#include "testing/model_fixtures.h"
#include "testing/temp_dir.h"

using namespace orvane;
using namespace orvane::model;
using namespace orvane::testing;
using Phase = ProfileBuilder::Phase;
namespace fs = std::filesystem;

namespace {

const std::string noMatchText =
    "Nu am găsit un catalog Lightroom cu fotografiile acestui proiect. Alege-l manual, din „Învață din proiect”.";

// The builder's stand-in: reports a phase, waits at its gate, honours the token (unless it stands for
// a build already training), fails when told, and otherwise "builds" the profile as the real one
// leaves it (models on disk and record saved, together, unless the token was closed).
struct FakeBuilder {
    std::shared_ptr<Gate> gate = std::make_shared<Gate>();
    std::mutex mutex;
    std::vector<std::pair<Profile, std::vector<TrainingCatalog>>> calls;
    std::optional<std::string> failWith;
    std::atomic<bool> training{false};
    std::vector<ProfileBuilder::BuildProgress> progressHandlers;  // kept to report late

    AppModel::LearningServices services() {
        AppModel::LearningServices s = AppModel::LearningServices::standard(std::make_shared<FileDefaults>());
        s.scan = [] { return std::vector<FoundCatalog>{}; };
        s.build = [this](const Profile& profile, const std::vector<TrainingCatalog>& catalogs, int,
                         const ProfileBuilder::CancelToken* cancel, const ProfileBuilder::BuildProgress& progress) {
            {
                std::lock_guard lock(mutex);
                calls.emplace_back(profile, catalogs);
                progressHandlers.push_back(progress);
            }
            progress(Phase::features(1, 2));
            gate->pass();
            if (cancel && cancel->isCancelled() && !training) throw Cancelled();
            if (failWith) throw std::runtime_error(*failWith);
            Profile built = profile;
            built.built = std::chrono::system_clock::now();
            auto write = [&] {
                writeModelFolder(built.dir(), 0.2f, 190.0f);
                built.save();
            };
            if (!cancel) {
                write();
            } else if (!cancel->commit(write)) {
                throw Cancelled();
            }
            return built;
        };
        return s;
    }
    std::size_t callCount() {
        std::lock_guard lock(mutex);
        return calls.size();
    }
};

struct LearningHarness {
    TempDir xdg;  // the trash lives here
    ScopedEnv trashHome{"XDG_DATA_HOME", xdg.path().string()};
    std::shared_ptr<ManualExecutor> main = std::make_shared<ManualExecutor>();
    std::unique_ptr<AppModel> model;
    FakeBuilder builder;

    LearningHarness() {
        freshDataDir();
        model = std::make_unique<AppModel>(main, std::make_shared<FileDefaults>(), nullptr);
        model->setLearningServices(builder.services());
    }
    ~LearningHarness() {
        builder.gate->open();
        if (model) main->runUntil([&] { return !model->profileBuild(); }, std::chrono::seconds(20));
    }
    Profile profile(const std::string& name, bool built = false) {
        Profile p;
        p.id = Uuid::random();
        p.name = name;
        p.presetName = "Neutru";
        if (built) {
            p.built = std::chrono::system_clock::now();
            writeModelFolder(p.dir(), 0.1f, 200.0f);
        }
        p.save();
        model->reload();
        return p;
    }
    bool finish() { return main->runUntil([&] { return !model->profileBuild(); }); }
    const Profile& stored(const Uuid& id) {
        for (const Profile& p : model->profiles()) {
            if (p.id == id) return p;
        }
        throw std::runtime_error("no such profile");
    }
};

std::string edited() {
    return orvane::testing::DevelopText().number("Exposure2012", 0.4).number("Temperature", 5300).text("WhiteBalance", "Custom").str();
}

// A user's catalog holding, edited, the photos IMG_<1000 + i> of a projectWith() project for i in [from, to).
fs::path userCatalog(const fs::path& file, int from, int to) {
    fs::create_directories(file.parent_path());
    CatalogBuilder b(file);
    for (int i = from; i < to; ++i) {
        b.photo({.root = "/nonexistent/", .folder = "shoot/", .baseName = "IMG_" + std::to_string(1000 + i),
                 .extension = "dng", .settings = edited()});
    }
    return file;
}

// A project of 100 done photos whose profile is `profile`.
Project projectOf(const Profile& profile) {
    Project p = projectWith(0, 100);
    p.profileID = profile.id;
    return p;
}

TEST(AppModelLearning, fromCatalogsFirstBuildSetsProfileReadyAndASecondCallMeanwhileIsIgnored) {
    LearningHarness h;
    const Profile fresh = h.profile("Nunți");
    const Profile other = h.profile("Botezuri");
    h.model->learnFromCatalogs(fresh, {});
    ASSERT_TRUE(h.model->profileBuild());
    EXPECT_EQ(h.model->profileBuild()->profileID, fresh.id);
    EXPECT_EQ(h.model->profileBuild()->phase, Phase::features(0, 0));
    EXPECT_FALSE(h.model->profileBuild()->note);

    h.model->learnFromCatalogs(other, {});
    h.model->learnFromProject(projectOf(other), std::nullopt, std::nullopt, std::nullopt, {});
    ASSERT_TRUE(h.builder.gate->waitEntered(1));
    // The phase the build reports reaches the status.
    ASSERT_TRUE(h.main->runUntil([&] { return h.model->profileBuild()->phase == Phase::features(1, 2); }));
    EXPECT_EQ(h.model->profileBuild()->profileID, fresh.id);

    h.builder.gate->open();
    ASSERT_TRUE(h.finish());
    EXPECT_EQ(h.builder.callCount(), 1u);
    ASSERT_TRUE(h.model->profileReady());
    EXPECT_EQ(h.model->profileReady()->id, fresh.id);
    EXPECT_TRUE(h.stored(fresh.id).isBuilt());  // the lists were reloaded
    EXPECT_FALSE(h.model->error());
}

TEST(AppModelLearning, fromCatalogsRebuildSetsNoProfileReady) {
    LearningHarness h;
    h.builder.gate->open();
    const Profile built = h.profile("Nunți", true);
    h.model->learnFromCatalogs(built, {});
    ASSERT_TRUE(h.finish());
    EXPECT_EQ(h.builder.callCount(), 1u);
    EXPECT_FALSE(h.model->profileReady());
    EXPECT_FALSE(h.model->error());
}

TEST(AppModelLearning, fromCatalogsFailureShowsItsMessageAndCancellingIsSilent) {
    for (const bool cancel : {false, true}) {
        LearningHarness h;
        h.builder.failWith = "Nicio fotografie";
        const Profile p = h.profile("Nunți");
        h.model->learnFromCatalogs(p, {});
        ASSERT_TRUE(h.builder.gate->waitEntered(1));
        if (cancel) {
            h.model->cancelProfileBuild();
            EXPECT_TRUE(h.model->profileBuild()->stopping);
        }
        h.builder.gate->open();
        ASSERT_TRUE(h.finish());
        EXPECT_FALSE(h.model->profileReady());
        EXPECT_EQ(h.model->error(), cancel ? std::nullopt : std::optional<std::string>("Nicio fotografie"));
        // A phase reported after the end does not bring the status back.
        EXPECT_FALSE(h.model->profileBuild());
    }
}

TEST(AppModelLearning, aPhaseReportedAfterItsBuildEndedIsDropped) {
    LearningHarness h;
    const Profile first = h.profile("Nunți");
    const Profile second = h.profile("Botezuri");
    h.builder.gate->release(1);
    h.model->learnFromCatalogs(first, {});
    ASSERT_TRUE(h.finish());
    h.model->learnFromCatalogs(second, {});
    ASSERT_TRUE(h.builder.gate->waitEntered(2));
    ASSERT_TRUE(h.main->runUntil([&] { return h.model->profileBuild()->phase == Phase::features(1, 2); }));

    // The first build's handler, called late from its thread, touches neither the status nor the model.
    std::thread late([progress = h.builder.progressHandlers.at(0)] { progress(Phase::training()); });
    late.join();
    h.main->runReady();
    ASSERT_TRUE(h.model->profileBuild());
    EXPECT_EQ(h.model->profileBuild()->profileID, second.id);
    EXPECT_EQ(h.model->profileBuild()->phase, Phase::features(1, 2));

    // And once the model is gone, a report is dropped as well.
    h.builder.gate->open();
    ASSERT_TRUE(h.finish());
    const auto handler = h.builder.progressHandlers.at(1);
    h.model.reset();
    handler(Phase::training());
    h.main->runReady();
}

TEST(AppModelLearning, fromProjectWithAGivenCatalogImportsRecordsCorrectsAndBuilds) {
    LearningHarness h;
    TempDir user;
    const fs::path lrcat = userCatalog(user.path() / "Nunți.lrcat", 0, 100);
    const Profile p = h.profile("Nunți");
    const Project project = projectOf(p);
    std::set<std::string> only;
    for (int i = 0; i < 37; ++i) only.insert(project.photos[static_cast<std::size_t>(i)].path);
    std::vector<int> done;

    h.model->learnFromProject(project, lrcat, std::nullopt, only, [&](int n) { done.push_back(n); });
    ASSERT_TRUE(h.model->profileBuild());
    EXPECT_EQ(h.model->profileBuild()->note, std::optional<std::string>("Caut catalogul…"));
    EXPECT_EQ(h.model->profileBuild()->phase, Phase::features(0, 1));
    ASSERT_TRUE(h.main->runUntil([&] { return h.builder.gate->entered() >= 1; }));
    ASSERT_TRUE(h.main->runUntil([&] { return h.model->profileBuild()->phase == Phase::features(1, 2); }));
    EXPECT_FALSE(h.model->profileBuild()->note);  // cleared for the training
    h.builder.gate->open();
    ASSERT_TRUE(h.finish());

    EXPECT_FALSE(h.model->error());
    EXPECT_EQ(done, std::vector<int>{37});
    ASSERT_EQ(h.model->catalogs().size(), 1u);
    const TrainingCatalog& imported = h.model->catalogs()[0];
    EXPECT_EQ(imported.source, lrcat.string());
    ASSERT_TRUE(imported.onlyPaths);  // the import kept to `only`
    EXPECT_EQ(imported.onlyPaths->size(), 37u);
    EXPECT_EQ(imported.rawMissing, 37);
    EXPECT_TRUE(fs::exists(imported.file()));
    EXPECT_TRUE(fs::exists(Store::projects() / project.id.text() / "corrections.json"));
    EXPECT_EQ(h.stored(p.id).catalogIDs, std::vector<Uuid>{imported.id});
    ASSERT_EQ(h.builder.calls.size(), 1u);
    EXPECT_EQ(h.builder.calls[0].first.catalogIDs, std::vector<Uuid>{imported.id});
    ASSERT_EQ(h.builder.calls[0].second.size(), 1u);
    EXPECT_EQ(h.builder.calls[0].second[0].id, imported.id);
    EXPECT_FALSE(h.model->profileReady());  // learning from a project never opens the ready sheet
}

TEST(AppModelLearning, fromProjectTheOlderCopyOfTheSameCatalogGoesOnlyWhenNoOtherProfileNamesIt) {
    for (const bool namedElsewhere : {false, true}) {
        LearningHarness h;
        h.builder.gate->open();
        TempDir user;
        const fs::path lrcat = userCatalog(user.path() / "Nunți.lrcat", 0, 100);
        fs::create_directory_symlink(user.path(), user.path() / "legatura");
        const Profile p = h.profile("Nunți");
        const Project project = projectOf(p);

        h.model->learnFromProject(project, lrcat, std::nullopt, std::nullopt, {});
        ASSERT_TRUE(h.finish());
        ASSERT_EQ(h.model->catalogs().size(), 1u);
        const TrainingCatalog first = h.model->catalogs()[0];
        if (namedElsewhere) {
            Profile other = h.profile("Altul");
            other.catalogIDs = {first.id};
            other.save();
            h.model->reload();
        }

        // The same catalog reached through a link is the same catalog.
        h.model->learnFromProject(project, user.path() / "legatura" / "Nunți.lrcat", std::nullopt, std::nullopt, {});
        ASSERT_TRUE(h.finish());
        EXPECT_FALSE(h.model->error());
        ASSERT_EQ(h.model->catalogs().size(), namedElsewhere ? 2u : 1u);
        const auto& catalogs = h.model->catalogs();
        const auto second = std::find_if(catalogs.begin(), catalogs.end(),
                                         [&](const TrainingCatalog& c) { return c.id != first.id; });
        ASSERT_NE(second, catalogs.end());
        EXPECT_EQ(h.stored(p.id).catalogIDs, std::vector<Uuid>{second->id});
        EXPECT_EQ(fs::exists(first.dir()), namedElsewhere);
        EXPECT_EQ(fs::exists(h.xdg.path() / "Trash" / "files" / first.id.text()), !namedElsewhere);
    }
}

TEST(AppModelLearning, fromProjectAPickedCatalogNeedsHalfTheProject) {
    struct Case {
        const char* name;
        int photos;
        bool accepted;
    };
    for (const Case& c : {Case{"exactly half", 50, true}, Case{"just under half", 49, false}}) {
        LearningHarness h;
        h.builder.gate->open();
        TempDir user;
        const fs::path picked = userCatalog(user.path() / "Ales.lrcat", 0, c.photos);
        const fs::path given = userCatalog(user.path() / "Dat.lrcat", 0, 100);
        const Profile p = h.profile("Nunți");
        std::vector<std::optional<std::string>> notes;
        QObject::connect(h.model.get(), &AppModel::profileBuildChanged, [&] {
            if (h.model->profileBuild() && (notes.empty() || notes.back() != h.model->profileBuild()->note))
                notes.push_back(h.model->profileBuild()->note);
        });
        // The picked file is checked even when the sheet also passed one.
        h.model->learnFromProject(projectOf(p), given, picked, std::nullopt, [](int) { FAIL(); });
        ASSERT_TRUE(h.finish()) << c.name;
        if (c.accepted) {
            EXPECT_FALSE(h.model->error()) << c.name;
            ASSERT_EQ(h.model->catalogs().size(), 1u) << c.name;
            EXPECT_EQ(h.model->catalogs()[0].source, picked.string()) << c.name;
            EXPECT_EQ(notes, (std::vector<std::optional<std::string>>{"Caut catalogul…", "Verific catalogul…", "Import catalogul…",
                                                                      std::nullopt}))
                << c.name;
        } else {
            EXPECT_EQ(h.model->error(), noMatchText) << c.name;
            EXPECT_TRUE(h.model->catalogs().empty()) << c.name;
            EXPECT_EQ(h.builder.callCount(), 0u) << c.name;
        }
    }
}

TEST(AppModelLearning, fromProjectAScanImportsTheCatalogHoldingTheLargestShare) {
    LearningHarness h;
    h.builder.gate->open();
    TempDir user;
    const fs::path some = userCatalog(user.path() / "Unele.lrcat", 0, 60);
    const fs::path most = userCatalog(user.path() / "Cele mai multe.lrcat", 0, 90);
    const fs::path few = userCatalog(user.path() / "Puține.lrcat", 0, 10);
    AppModel::LearningServices services = h.builder.services();
    services.scan = [&] {
        return std::vector<FoundCatalog>{{few, 1, Date{}}, {some, 1, Date{}}, {most, 1, Date{}}};
    };
    h.model->setLearningServices(services);
    const Profile p = h.profile("Nunți");
    h.model->learnFromProject(projectOf(p), std::nullopt, std::nullopt, std::nullopt, {});
    ASSERT_TRUE(h.finish());
    EXPECT_FALSE(h.model->error());
    ASSERT_EQ(h.model->catalogs().size(), 1u);
    EXPECT_EQ(h.model->catalogs()[0].source, most.string());

    // Nothing found on disk: the no-match message, and the status goes.
    services.scan = [] { return std::vector<FoundCatalog>{}; };
    h.model->setLearningServices(services);
    h.model->learnFromProject(projectOf(p), std::nullopt, std::nullopt, std::nullopt, {});
    ASSERT_TRUE(h.finish());
    EXPECT_EQ(h.model->error(), noMatchText);
}

TEST(AppModelLearning, fromProjectWithoutItsProfileDoesNothing) {
    LearningHarness h;
    Project project = projectWith(0, 3);
    h.model->learnFromProject(project, std::nullopt, std::nullopt, std::set<std::string>{"a"}, [](int) { FAIL(); });
    EXPECT_FALSE(h.model->profileBuild());
    h.main->runReady();
    EXPECT_FALSE(h.model->error());
}

TEST(AppModelLearning, fromProjectAFailedBuildKeepsTheImportAndCallsNoOnDone) {
    LearningHarness h;
    h.builder.gate->open();
    h.builder.failWith = "Antrenarea a eșuat";
    TempDir user;
    const fs::path lrcat = userCatalog(user.path() / "Nunți.lrcat", 0, 100);
    const Profile p = h.profile("Nunți");
    h.model->learnFromProject(projectOf(p), lrcat, std::nullopt, std::set<std::string>{"x"}, [](int) { FAIL(); });
    ASSERT_TRUE(h.finish());
    EXPECT_EQ(h.model->error(), std::optional<std::string>("Antrenarea a eșuat"));
    EXPECT_EQ(h.model->catalogs().size(), 1u);
}

// An importer that imports for real, then blocks the record's file with a folder of its name.
AppModel::LearningServices withUnsavableRecord(AppModel::LearningServices services) {
    services.importCatalog = [](const fs::path& file, const std::optional<std::set<std::string>>& only) {
        TrainingCatalog imported = Catalog::importCatalog(file, only);
        fs::create_directories(imported.file() / "blocat");
        return imported;
    };
    return services;
}

std::size_t catalogFolders() {
    std::error_code ec;
    std::size_t n = 0;
    for (auto it = fs::directory_iterator(Store::catalogs(), ec); !ec && it != fs::directory_iterator(); ++it) ++n;
    return n;
}

TEST(AppModelLearning, importCatalogRecordsTheCopyOrLeavesNoFolderBehind) {
    LearningHarness h;
    TempDir user;
    const fs::path lrcat = userCatalog(user.path() / "Nunți.lrcat", 0, 5);
    bool done = false;
    h.model->importCatalog(lrcat, [&] { done = true; });
    ASSERT_TRUE(h.main->runUntil([&] { return done; }));
    EXPECT_FALSE(h.model->error());
    ASSERT_EQ(h.model->catalogs().size(), 1u);
    EXPECT_EQ(h.model->catalogs()[0].photos, 5);

    // A record that cannot be saved: the copy goes too.
    h.model->setLearningServices(withUnsavableRecord(h.builder.services()));
    done = false;
    h.model->importCatalog(lrcat, [&] { done = true; });
    ASSERT_TRUE(h.main->runUntil([&] { return done; }));
    EXPECT_TRUE(h.model->error());
    EXPECT_EQ(catalogFolders(), 1u);
    EXPECT_EQ(h.model->catalogs().size(), 1u);

    // Not a catalog: the importer's error, no folder (three attempts, 1.5 s apart).
    h.model->setError(std::nullopt);
    const fs::path broken = user.path() / "Stricat.lrcat";
    std::ofstream(broken) << "not a database";
    done = false;
    h.model->importCatalog(broken, [&] { done = true; });
    ASSERT_TRUE(h.main->runUntil([&] { return done; }));
    EXPECT_TRUE(h.model->error());
    EXPECT_EQ(catalogFolders(), 1u);
}

TEST(AppModelLearning, fromProjectARecordThatCannotBeSavedRemovesTheCopy) {
    LearningHarness h;
    h.builder.gate->open();
    h.model->setLearningServices(withUnsavableRecord(h.builder.services()));
    TempDir user;
    const fs::path lrcat = userCatalog(user.path() / "Nunți.lrcat", 0, 100);
    const Profile p = h.profile("Nunți");
    h.model->learnFromProject(projectOf(p), lrcat, std::nullopt, std::nullopt, {});
    ASSERT_TRUE(h.finish());
    EXPECT_TRUE(h.model->error());
    EXPECT_EQ(catalogFolders(), 0u);
    EXPECT_EQ(h.builder.callCount(), 0u);
    EXPECT_TRUE(h.stored(p.id).catalogIDs.empty());
}

TEST(AppModelLearning, usableProfileIDPrefersABuiltPreferredProfile) {
    LearningHarness h;
    EXPECT_EQ(h.model->usableProfileID(std::nullopt), std::nullopt);
    const Profile unbuilt = h.profile("A neconstruit");
    EXPECT_EQ(h.model->usableProfileID(unbuilt.id), std::nullopt);
    const Profile first = h.profile("B construit", true);
    const Profile second = h.profile("C construit", true);
    EXPECT_EQ(h.model->usableProfileID(second.id), second.id);
    EXPECT_EQ(h.model->usableProfileID(unbuilt.id), first.id);
    EXPECT_EQ(h.model->usableProfileID(Uuid::random()), first.id);
    EXPECT_EQ(h.model->usableProfileID(std::nullopt), first.id);
}

TEST(AppModelLearning, instantProfilesAreMadeOnTheSealedBaseModelOrRefusedWithoutIt) {
    TempDir runtime;
    TempDir resources;
    ScopedEnv env{"XDG_RUNTIME_DIR", runtime.path().string()};
    VaultSession vault{resources.path()};
    LearningHarness h;
    const fs::path preset = h.model->neutralPresetURL();

    try {
        h.model->createInstantProfile("Rapid", preset);
        FAIL() << "no base model";
    } catch (const AppModel::MissingBaseModel& e) {
        EXPECT_STREQ(e.what(), "Modelul de bază lipsește din aplicație.");
        EXPECT_EQ(e.code(), std::errc::no_such_file_or_directory);
    }
    EXPECT_TRUE(h.model->profiles().empty());

    TempDir models;
    writeModelFolder(models.path(), 0.25f, 200.0f);
    writeFileAtomically(resources.path() / "BaseModel.vrv",
                        VaultFormat::seal(VaultFormat::pack(VaultFormat::collect(models.path()))));
    const Profile made = h.model->createInstantProfile("Rapid", preset);
    EXPECT_TRUE(made.isInstant());
    EXPECT_TRUE(made.isBuilt());
    ASSERT_EQ(h.model->profiles().size(), 1u);
    EXPECT_EQ(h.model->profiles()[0].id, made.id);
}

TEST(AppModelLearning, neutralPresetURLRewritesOneFile) {
    LearningHarness h;
    const fs::path first = h.model->neutralPresetURL();
    std::ofstream(first) << "altceva";
    const fs::path second = h.model->neutralPresetURL();
    EXPECT_EQ(first, second);
    EXPECT_EQ(first, Store::root() / "Neutru.xmp");
    EXPECT_EQ(readWholeFile(second), DevelopPreset::neutralXMP());
    std::size_t xmps = 0;
    for (const auto& e : fs::directory_iterator(Store::root())) xmps += e.path().extension() == ".xmp";
    EXPECT_EQ(xmps, 1u);
}

TEST(AppModelLearning, quittingClosesTheBuildWaitsForItAndItsLatePhaseWritesNothing) {
    LearningHarness h;
    const Profile p = h.profile("Nunți");
    const std::string record = readWholeFile(p.dir() / "profile.json");
    h.builder.training = true;  // past the token's last check: the user's cancel would not stop it
    h.model->learnFromCatalogs(p, {});
    ASSERT_TRUE(h.builder.gate->waitEntered(1));
    const auto token = h.model->profileBuild()->cancel;

    std::optional<bool> stopped;
    h.model->stopLearningForQuit(std::chrono::seconds(10), [&](bool s) { stopped = s; });
    EXPECT_TRUE(token->isClosed());
    h.main->runReady();
    EXPECT_FALSE(stopped) << "the build is still at its gate";
    h.builder.gate->open();
    ASSERT_TRUE(h.main->runUntil([&] { return stopped.has_value(); }, std::chrono::seconds(20), false));
    EXPECT_TRUE(*stopped);
    // The build ended after the quit began: its models and record stay unwritten, nothing is reported.
    EXPECT_EQ(readWholeFile(p.dir() / "profile.json"), record);
    EXPECT_FALSE(fs::exists(p.dir() / "models.json"));
    h.main->runReady();
    EXPECT_FALSE(h.model->error());
    EXPECT_FALSE(h.model->profileReady());
    h.model->setProfileBuild(std::nullopt);
}

TEST(AppModelLearning, quittingWaitsForABuildStepNoLongerThanItsLimit) {
    LearningHarness h;
    const Profile p = h.profile("Nunți");
    h.model->learnFromCatalogs(p, {});
    ASSERT_TRUE(h.builder.gate->waitEntered(1));
    std::optional<bool> stopped;
    h.model->stopLearningForQuit(std::chrono::milliseconds(500), [&](bool s) { stopped = s; });
    h.main->advance(std::chrono::milliseconds(499));
    EXPECT_FALSE(stopped);
    h.main->advance(std::chrono::milliseconds(1));
    ASSERT_TRUE(stopped);
    EXPECT_FALSE(*stopped);
    h.model->setProfileBuild(std::nullopt);

    // With nothing running the answer comes at once.
    LearningHarness idle;
    std::optional<bool> idleStopped;
    idle.model->stopLearningForQuit(std::chrono::seconds(10), [&](bool s) { idleStopped = s; });
    EXPECT_EQ(idleStopped, true);
}

}  // namespace

namespace {

// An importer standing in for the verified copy: a record named after the file, with the RAW files
// missing that `missing` says, failing for files whose name starts with "Stricat". It can be held at
// a gate, one file at a time, so a test can act between two imports.
struct FakeImporter {
    std::map<std::string, std::int64_t> missing;
    std::shared_ptr<Gate> gate;
    AppModel::LearningServices services(AppModel::LearningServices s) {
        s.importCatalog = [this](const fs::path& file, const std::optional<std::set<std::string>>&) {
            if (gate) gate->pass();
            if (file.stem().string().rfind("Stricat", 0) == 0) throw std::runtime_error("Catalogul nu se poate citi: " + file.stem().string());
            TrainingCatalog c;
            c.id = Uuid::random();
            c.name = file.stem().string();
            c.source = file.string();
            c.imported = std::chrono::system_clock::now();
            c.photos = 10;
            c.usable = 8;
            c.rawMissing = missing.count(c.name) ? missing.at(c.name) : 0;
            fs::create_directories(c.dir());
            return c;
        };
        return s;
    }
};

Uuid idNamed(const AppModel& model, const std::string& name) {
    for (const TrainingCatalog& c : model.catalogs()) {
        if (c.name == name) return c.id;
    }
    throw std::runtime_error("no such catalog");
}

}  // namespace

TEST(AppModelImportRun, importsInOrderAdvancesAndAttachesOnlyNewCompleteCatalogsOnce) {
    LearningHarness h;
    FakeImporter importer;
    importer.missing["Lipsa"] = 3;
    h.model->setLearningServices(importer.services(h.builder.services()));
    Profile p = h.profile("Nunți");
    h.model->importCatalogs({"/u/Vechi.lrcat"}, std::nullopt);
    ASSERT_TRUE(h.main->runUntil([&] { return !h.model->catalogImport(); }));
    const Uuid old = idNamed(*h.model, "Vechi");
    p.catalogIDs = {old};
    p.save();
    h.model->reload();

    std::vector<AppModel::CatalogImportProgress> seen;
    QObject::connect(h.model.get(), &AppModel::catalogImportChanged, [&] {
        if (h.model->catalogImport()) seen.push_back(*h.model->catalogImport());
    });
    bool done = false;
    ASSERT_TRUE(h.model->importCatalogs({"/u/A.lrcat", "/u/Stricat1.lrcat", "/u/Lipsa.lrcat", "/u/Stricat2.lrcat", "/u/B.lrcat"},
                                        p.id, [&] { done = true; }));
    // One run at a time.
    EXPECT_FALSE(h.model->importCatalogs({"/u/C.lrcat"}, p.id));
    ASSERT_TRUE(h.main->runUntil([&] { return done; }));

    const std::vector<AppModel::CatalogImportProgress> expected{{0, 5}, {1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5}};
    EXPECT_EQ(seen, expected);
    EXPECT_FALSE(h.model->catalogImport());
    // A, Lipsa and B are in the library; only the complete ones join the profile, after the old one.
    EXPECT_EQ(h.model->catalogs().size(), 4u);
    EXPECT_EQ(h.stored(p.id).catalogIDs, (std::vector<Uuid>{old, idNamed(*h.model, "A"), idNamed(*h.model, "B")}));
    // Both failures in one message, each named.
    ASSERT_TRUE(h.model->error());
    EXPECT_NE(h.model->error()->find("Stricat1.lrcat: Catalogul nu se poate citi: Stricat1"), std::string::npos);
    EXPECT_NE(h.model->error()->find("Stricat2.lrcat"), std::string::npos);
}

TEST(AppModelImportRun, aSingleFailureKeepsItsOwnTextAndNothingNewSavesNothing) {
    LearningHarness h;
    FakeImporter importer;
    h.model->setLearningServices(importer.services(h.builder.services()));
    const Profile p = h.profile("Nunți");
    const auto before = fs::last_write_time(p.dir() / "profile.json");
    bool done = false;
    h.model->importCatalogs({"/u/Stricat.lrcat"}, p.id, [&] { done = true; });
    ASSERT_TRUE(h.main->runUntil([&] { return done; }));
    EXPECT_EQ(h.model->error(), std::optional<std::string>("Catalogul nu se poate citi: Stricat"));
    EXPECT_EQ(fs::last_write_time(p.dir() / "profile.json"), before);

    // An empty list ends at once.
    done = false;
    h.model->importCatalogs({}, p.id, [&] { done = true; });
    EXPECT_TRUE(done);
    EXPECT_FALSE(h.model->catalogImport());
}

TEST(AppModelImportRun, theProfileIsReadAfreshAtTheEndAndADeletedOneStaysDeleted) {
    LearningHarness h;
    FakeImporter importer;
    importer.gate = std::make_shared<Gate>();
    importer.missing["Lipsa"] = 2;
    h.model->setLearningServices(importer.services(h.builder.services()));
    Profile p = h.profile("Nunți");
    p.engine = "preview";
    p.save();
    h.model->reload();

    bool done = false;
    h.model->importCatalogs({"/u/Lipsa.lrcat"}, p.id, [&] { done = true; });
    // Renamed and rebuilt while the import runs.
    Profile renamed = h.stored(p.id);
    renamed.name = "Botezuri";
    renamed.samples = 77;
    renamed.save();
    importer.gate->open();
    ASSERT_TRUE(h.main->runUntil([&] { return done; }));
    const Profile& after = h.stored(p.id);
    EXPECT_EQ(after.name, "Botezuri");
    EXPECT_EQ(after.samples, 77);
    // A profile that learns from smart previews takes a catalog with RAW files missing.
    EXPECT_EQ(after.catalogIDs, std::vector<Uuid>{idNamed(*h.model, "Lipsa")});

    // Deleted during the run: not brought back.
    importer.gate = std::make_shared<Gate>();
    h.model->setLearningServices(importer.services(h.builder.services()));
    done = false;
    h.model->importCatalogs({"/u/A.lrcat"}, p.id, [&] { done = true; });
    fs::remove_all(p.dir());
    importer.gate->open();
    ASSERT_TRUE(h.main->runUntil([&] { return done; }));
    EXPECT_FALSE(fs::exists(p.dir()));
    EXPECT_TRUE(std::none_of(h.model->profiles().begin(), h.model->profiles().end(),
                             [&](const Profile& q) { return q.id == p.id; }));
}

TEST(AppModelLearning, aBuildWithoutAnnouncementSetsNoProfileReady) {
    LearningHarness h;
    h.builder.gate->open();
    const Profile p = h.profile("Nunți");
    h.model->learnFromCatalogs(p, {}, false);
    ASSERT_TRUE(h.finish());
    EXPECT_FALSE(h.model->profileReady());
    EXPECT_TRUE(h.stored(p.id).isBuilt());
}

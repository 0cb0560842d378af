#include "core/style/profile_builder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <mutex>

#include "core/base/atomic_file.h"
#include "core/base/numbers.h"
#include "core/catalog/catalog_import.h"
#include "core/store/store.h"
#include "core/style/compiled_model.h"
#include "core/style/model.h"
#include "core/style/model_storage.h"
#include "testing/catalog_builder.h"
#include "testing/dng_writer.h"
#include "testing/photographer.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using Phase = ProfileBuilder::Phase;
using testing::DevelopText;
using testing::TempDir;

// Generated scenes hold no faces: the builds here skip looking for them.
const ProfileBuilder::Readers& faceless = testing::facelessReaders();

struct Shot {
    std::string baseName;
    std::string captureTime;
    double exposure = 0.5;
    double kelvin = 5000;
    bool usable = true;
};

// A user's catalog of tiny raws, imported into the data directory at the given time and saved.
TrainingCatalog importedCatalog(const fs::path& dir, const std::string& name, const std::vector<Shot>& shots,
                                const std::string& imported) {
    static int serial = 0;
    const fs::path folder = dir / ("c" + std::to_string(++serial));
    const fs::path user = folder / (name + ".lrcat");
    fs::create_directories(folder);
    {
        testing::CatalogBuilder b(user);
        int i = 0;
        for (const auto& s : shots) {
            const std::string root = (folder / "raws").string() + "/";
            DevelopText text;
            text.number("Exposure2012", s.exposure).number("Temperature", s.kelvin);
            if (!s.usable) text.boolean("ConvertToGrayscale", true);
            const auto dot = s.baseName.rfind('.');
            b.photo({.root = root, .folder = "", .baseName = s.baseName.substr(0, dot), .extension = s.baseName.substr(dot + 1),
                     .fileFormat = "DNG", .captureTime = s.captureTime, .settings = text.str()});
            testing::DngSpec spec;
            spec.iso = 100 + 50 * i++;
            spec.asShotNeutral = std::array<double, 3>{0.4 + s.exposure / 10, 1.0, 0.6};
            testing::writeDng(root + s.baseName, spec);
        }
    }
    TrainingCatalog c = Catalog::importCatalog(user);
    c.imported = *IsoDate::parse(imported);
    Store::save(c, c.file());
    return c;
}

std::vector<Shot> shots(const std::string& prefix, int n, double exposure) {
    std::vector<Shot> out;
    for (int i = 0; i < n; ++i)
        out.push_back({prefix + std::to_string(i) + ".dng", "2024-07-0" + std::to_string(1 + i) + "T10:00:00", exposure + 0.1 * i,
                       4500 + 100.0 * i});
    return out;
}

Profile savedProfile() {
    Profile p;
    p.id = Uuid::random();
    p.name = "Stil";
    p.presetName = "Cald";
    p.catalogIDs = {Uuid::random()};
    Evaluation old;
    old.exposureMAE = 9;
    p.evaluation = old;
    p.predictedExtras = std::vector<std::string>{"Vibrance"};
    p.save();
    return p;
}

// Phases as reported, features collapsed to one entry per catalog boundary.
struct Recorder {
    std::mutex mutex;
    std::vector<Phase> phases;
    int maxDone = 0;
    int featureTotal = 0;
    ProfileBuilder::BuildProgress callback() {
        return [this](const Phase& p) {
            std::lock_guard lock(mutex);
            if (p.kind == Phase::Kind::features) {
                maxDone = std::max(maxDone, p.first);
                featureTotal = p.second;
                if (!phases.empty() && phases.back().kind == Phase::Kind::features) return;
                phases.push_back(Phase::features(0, p.second));
                return;
            }
            phases.push_back(p);
        };
    }
};

TEST(ProfileBuilder, eventNamesGetTheFirstFreeNumber) {
    Model::Events events;
    auto add = [&](const std::string& name) {
        events.emplace_back(ProfileBuilder::eventName(name, events), std::vector<Sample>{});
        return events.back().first;
    };
    EXPECT_EQ(add("Nunta"), "Nunta");
    EXPECT_EQ(add("Botez"), "Botez");
    EXPECT_EQ(add("Nunta"), "Nunta (2)");
    EXPECT_EQ(add("Nunta (2)"), "Nunta (2) (2)");
    EXPECT_EQ(add("Nunta"), "Nunta (3)");
}

TEST(ProfileBuilder, furtherSettingsAreLearnedOnlyWhenClearlyBetterThanABaselineOfAtLeastOne) {
    auto withAll = [](int n) {
        std::vector<Sample> v(static_cast<std::size_t>(n));
        for (auto& s : v) {
            s.extras.emplace();
            for (const auto& k : Model::extraKeys()) (*s.extras)[k] = 1;
        }
        return v;
    };
    struct Case {
        const char* name;
        double model;
        double baseline;
        bool learned;
    };
    const std::vector<Case> cases = {
        {"baseline 0.8, perfect model", 0, 0.8, false},
        {"baseline 10, model 8.9", 8.9, 10, true},
        {"baseline 10, model 9.5", 9.5, 10, false},
        {"baseline 10, model exactly nine tenths", 9, 10, false},  // 1 − 0.9 is just under 0.1
        {"baseline 1, model 0.5", 0.5, 1, true},
        {"baseline 0", 0, 0, false},
    };
    for (const auto& c : cases) {
        Evaluation e;
        e.extraMAE = std::map<std::string, double>{{"Vibrance", c.model}};
        e.extraBaselineMAE = std::map<std::string, double>{{"Vibrance", c.baseline}};
        const auto keys = ProfileBuilder::learnableExtras(e, withAll(3));
        EXPECT_EQ(keys == std::vector<std::string>{"Vibrance"}, c.learned) << c.name;
    }

    Evaluation e;
    e.extraMAE = std::map<std::string, double>{{"Dehaze", 1}, {"Contrast2012", 1}, {"Vibrance", 1}};
    e.extraBaselineMAE = std::map<std::string, double>{{"Dehaze", 5}, {"Contrast2012", 5}, {"Vibrance", 5}};
    auto samples = withAll(4);
    samples[2].extras->erase("Vibrance");  // one sample lacks it
    EXPECT_EQ(ProfileBuilder::learnableExtras(e, samples), (std::vector<std::string>{"Contrast2012", "Dehaze"}));
    EXPECT_TRUE(ProfileBuilder::learnableExtras(std::nullopt, samples).empty());
}

TEST(ProfileBuilder, aPhotoInTwoCatalogsTrainsOnceWithItsNewestValues) {
    testing::freshDataDir();
    TempDir dir;
    auto oldShots = shots("OLD_", 4, 0.2);
    oldShots.push_back({"IMG_9.DNG", "2024-05-05T15:00:00", 0.5});
    auto newShots = shots("NEW_", 4, 1.0);
    newShots.push_back({"img_9.dng", "2024-05-05T15:00:00", 1.0});
    const auto older = importedCatalog(dir.path(), "Nunta", oldShots, "2025-01-01T10:00:00Z");
    const auto newer = importedCatalog(dir.path(), "Nunta", newShots, "2025-02-01T10:00:00Z");
    const auto empty = importedCatalog(dir.path(), "Nunta", {{"BW_1.dng", "2024-01-01T00:00:00", 1, 5000, false}},
                                       "2025-03-01T10:00:00Z");
    const Profile profile = savedProfile();

    Recorder rec;
    const Profile built = ProfileBuilder::build(profile, {older, empty, newer}, 2, nullptr, rec.callback(), faceless);

    EXPECT_EQ(built.samples, 9);
    ASSERT_TRUE(built.evaluation);
    ASSERT_EQ(built.evaluation->rows.size(), 2u);
    // Newest import first: the newer catalog takes the name and keeps the shared photo.
    EXPECT_EQ(built.evaluation->rows[0].event, "Nunta");
    EXPECT_EQ(built.evaluation->rows[0].n, 5);
    EXPECT_EQ(built.evaluation->rows[1].event, "Nunta (2)");
    EXPECT_EQ(built.evaluation->rows[1].n, 4);
    EXPECT_EQ(built.catalogIDs, (std::vector<Uuid>{older.id, empty.id, newer.id}));
    EXPECT_EQ(built.trainedCatalogIDs, built.catalogIDs);
    EXPECT_EQ(built.predictedExtras, std::vector<std::string>{});
    EXPECT_TRUE(built.built);
    EXPECT_EQ(built.name, profile.name);
    EXPECT_TRUE(built.isBuilt());
    EXPECT_FALSE(built.needsUpdate());
    EXPECT_TRUE(fs::exists(built.dir() / ModelStorage::selectorFile));
    EXPECT_EQ(Store::load<Profile>(built.dir() / "profile.json"), built);

    // The same catalogs build the same models, and the same evaluation, for another profile.
    const Profile again = ProfileBuilder::build(savedProfile(), {older, empty, newer}, 3, nullptr, {}, faceless);
    EXPECT_EQ(again.evaluation, built.evaluation);
    for (const char* model : {"exp.xgbm", "mired.xgbm"}) {
        EXPECT_EQ(readWholeFile(ModelStorage::directory(again.dir()) / model / CompiledModel::boosterFile),
                  readWholeFile(ModelStorage::directory(built.dir()) / model / CompiledModel::boosterFile));
    }

    EXPECT_EQ(rec.featureTotal, 10);  // usable counts of the three catalogs: 5 + 0 + 5
    EXPECT_EQ(rec.phases, (std::vector<Phase>{Phase::features(0, 10), Phase::evaluation(1, 2), Phase::evaluation(2, 2),
                                              Phase::training()}));
}

TEST(ProfileBuilder, oneEventTrainsWithoutEvaluationOrFurtherSettings) {
    testing::freshDataDir();
    TempDir dir;
    const auto only = importedCatalog(dir.path(), "Botez", shots("B_", 5, 0.3), "2025-01-01T10:00:00Z");
    const auto unusable = importedCatalog(dir.path(), "Alb-negru", {{"BW_1.dng", "2024-01-01T00:00:00", 1, 5000, false}},
                                          "2025-03-01T10:00:00Z");
    Recorder rec;
    const Profile built = ProfileBuilder::build(savedProfile(), {only, unusable}, 1, nullptr, rec.callback(), faceless);
    EXPECT_FALSE(built.evaluation);
    EXPECT_EQ(built.predictedExtras, std::vector<std::string>{});
    EXPECT_EQ(built.samples, 5);
    EXPECT_TRUE(built.isBuilt());
    EXPECT_EQ(rec.phases, (std::vector<Phase>{Phase::features(0, 5), Phase::training()}));
}

TEST(ProfileBuilder, noUsablePhotoFailsAndWritesNoProfile) {
    testing::freshDataDir();
    TempDir dir;
    const auto unusable = importedCatalog(dir.path(), "Alb-negru", {{"BW_1.dng", "2024-01-01T00:00:00", 1, 5000, false}},
                                          "2025-03-01T10:00:00Z");
    const Profile profile = savedProfile();
    const std::string before = readWholeFile(profile.dir() / "profile.json");
    try {
        ProfileBuilder::build(profile, {unusable}, 2, nullptr, {}, faceless);
        ADD_FAILURE() << "built";
    } catch (const NoEligiblePhotosError& e) {
        EXPECT_STREQ(e.what(), "Niciun catalog ales nu are fotografii eligibile (editate, cu RAW sau Smart Preview).");
        EXPECT_EQ(e.code(), std::errc::no_such_file_or_directory);
    }
    EXPECT_THROW(ProfileBuilder::build(profile, {}, 2, nullptr, {}, faceless), NoEligiblePhotosError);
    EXPECT_EQ(readWholeFile(profile.dir() / "profile.json"), before);
    EXPECT_FALSE(fs::exists(profile.dir() / ModelStorage::selectorFile));
}

TEST(ProfileBuilder, cancellingDuringExtractionLeavesTheProfileAndDuringTrainingDoesNothing) {
    testing::freshDataDir();
    TempDir dir;
    const auto a = importedCatalog(dir.path(), "A", shots("A_", 4, 0.2), "2025-01-01T10:00:00Z");
    const auto b = importedCatalog(dir.path(), "B", shots("B_", 4, 0.9), "2025-02-01T10:00:00Z");
    const Profile profile = savedProfile();
    const std::string before = readWholeFile(profile.dir() / "profile.json");

    CancelToken cancel;
    std::atomic<int> decoded{0};
    ProfileBuilder::Readers readers = faceless;
    readers.loadRaw = [&](const fs::path& f, bool fullLuma) {
        if (++decoded == 1) cancel.cancel();
        return faceless.loadRaw(f, fullLuma);
    };
    EXPECT_THROW(ProfileBuilder::build(profile, {a, b}, 1, &cancel, {}, readers), Cancelled);
    EXPECT_EQ(decoded, 1);
    EXPECT_EQ(readWholeFile(profile.dir() / "profile.json"), before);
    EXPECT_FALSE(fs::exists(profile.dir() / ModelStorage::selectorFile));
    // The newest catalog was being read: its one finished photo is in its cache.
    EXPECT_EQ(Store::load<std::vector<Sample>>(ProfileBuilder::cacheFile(b, false, false)).size(), 1u);

    CancelToken late;
    const Profile built = ProfileBuilder::build(
        profile, {a, b}, 2, &late, [&](const Phase& p) {
            if (p.kind == Phase::Kind::training) late.cancel();
        },
        faceless);
    EXPECT_EQ(built.samples, 8);
    EXPECT_TRUE(built.isBuilt());
}

// Quitting closes the token: a build that is already training runs on, but writes nothing.
TEST(ProfileBuilder, aBuildClosedWhileItTrainsLeavesTheProfileAndItsModelsAsTheyWere) {
    testing::freshDataDir();
    TempDir dir;
    const auto a = importedCatalog(dir.path(), "A", shots("A_", 4, 0.2), "2025-01-01T10:00:00Z");
    const Profile profile = savedProfile();
    const std::string before = readWholeFile(profile.dir() / "profile.json");

    CancelToken token;
    EXPECT_THROW(ProfileBuilder::build(
                     profile, {a}, 2, &token,
                     [&](const Phase& p) {
                         if (p.kind == Phase::Kind::training) token.close();
                     },
                     faceless),
                 Cancelled);
    EXPECT_EQ(readWholeFile(profile.dir() / "profile.json"), before);
    EXPECT_FALSE(fs::exists(profile.dir() / ModelStorage::selectorFile));
    EXPECT_FALSE(fs::exists(profile.dir() / ModelStorage::generationsFolder));
}

// The user keeps working on the profile while it trains: what they saved then survives the build's
// own save, which brings only the build's results.
TEST(ProfileBuilder, aRenamePresetAndTuningSavedDuringTheBuildAreKept) {
    testing::freshDataDir();
    TempDir dir;
    const auto a = importedCatalog(dir.path(), "A", shots("A_", 4, 0.2), "2025-01-01T10:00:00Z");
    const auto b = importedCatalog(dir.path(), "B", shots("B_", 4, 0.9), "2025-02-01T10:00:00Z");
    const Profile profile = savedProfile();

    ProfileTuning tuning;
    tuning.exposure = 0.35;
    tuning.overrides["Contrast2012"] = 12;
    std::once_flag once;
    const Profile built = ProfileBuilder::build(
        profile, {a, b}, 2, nullptr,
        [&](const Phase&) {
            std::call_once(once, [&] {
                Profile onDisk = Store::load<Profile>(profile.dir() / "profile.json");
                onDisk.name = "Stil redenumit";
                onDisk.presetName = "Rece";
                onDisk.tuning = tuning;
                onDisk.save();
            });
        },
        faceless);

    const Profile stored = Store::load<Profile>(profile.dir() / "profile.json");
    EXPECT_EQ(stored, built);
    EXPECT_EQ(stored.name, "Stil redenumit");
    EXPECT_EQ(stored.presetName, "Rece");
    EXPECT_EQ(stored.tuning, tuning);
    // The build's own fields replace what the profile held before.
    EXPECT_EQ(stored.samples, 8);
    EXPECT_EQ(stored.catalogIDs, (std::vector<Uuid>{a.id, b.id}));
    EXPECT_EQ(stored.trainedCatalogIDs, stored.catalogIDs);
    ASSERT_TRUE(stored.evaluation);
    EXPECT_EQ(stored.evaluation->rows.size(), 2u);
    EXPECT_EQ(stored.predictedExtras, std::vector<std::string>{});
    EXPECT_TRUE(stored.isBuilt());

    // A record that can no longer be read is written from the profile the build was given.
    fs::remove(profile.dir() / "profile.json");
    const Profile again = ProfileBuilder::build(profile, {a}, 2, nullptr, {}, faceless);
    EXPECT_EQ(again.name, "Stil");
    EXPECT_EQ(Store::load<Profile>(profile.dir() / "profile.json"), again);
}


TEST(ProfileBuilder, aGeneratedPhotographersStyleIsLearnedFarBetterThanTheMedian) {
    testing::freshDataDir();
    TempDir dir;
    const auto photographer = testing::Photographer::standard();
    std::vector<TrainingCatalog> catalogs;
    for (auto& e : testing::generatePhotographer(dir.path(), photographer)) catalogs.push_back(e.catalog);

    Profile profile = savedProfile();
    const Profile built = ProfileBuilder::build(profile, catalogs, 4, nullptr, {}, faceless);
    ASSERT_TRUE(built.evaluation);
    const Evaluation& e = *built.evaluation;
    using Numbers::fixed;
    for (const auto& r : e.rows) {
        std::printf("n=%2lld  exposure MAE %s EV  temperature MAE %5s K  %s\n", static_cast<long long>(r.n),
                    fixed(r.exposureMAE, 3).c_str(), fixed(r.temperatureMAE, 0).c_str(), r.event.c_str());
    }
    ASSERT_TRUE(e.baselineExposureMAE && e.baselineTemperatureMAE);
    std::printf("pooled: exposure MAE %s EV (median %s), temperature MAE %s K (median %s)\n", fixed(e.exposureMAE, 3).c_str(),
                fixed(*e.baselineExposureMAE, 3).c_str(), fixed(e.temperatureMAE, 0).c_str(),
                fixed(*e.baselineTemperatureMAE, 0).c_str());
    EXPECT_EQ(e.rows.size(), photographer.events.size());
    EXPECT_EQ(built.samples, static_cast<std::int64_t>(photographer.events.size()) * photographer.photosPerEvent);
    EXPECT_LT(e.exposureMAE, 0.5 * *e.baselineExposureMAE);
    EXPECT_LT(e.temperatureMAE, 0.5 * *e.baselineTemperatureMAE);
}

}  // namespace
}  // namespace orvane

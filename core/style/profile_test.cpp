#include "core/style/profile.h"

#include <gtest/gtest.h>

#include <chrono>

#include "core/base/atomic_file.h"
#include "core/store/store.h"
#include "core/style/model.h"
#include "core/style/model_storage.h"
#include "testing/model_fixtures.h"
#include "testing/romanian_locale.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using testing::readText;
using testing::TempDir;
using testing::writeText;

using testing::builtProfile;
using testing::kCatalogA;
using testing::kCatalogB;

std::string nameOf(const fs::path& preset) { return "din fișier: " + preset.filename().string(); }

TEST(Profile, decodingFollowsTheFieldList) {
    const std::string minimal =
        R"({"id":"11111111-2222-4333-8444-555555555555","name":"Stil","presetName":"Cald","catalogIDs":[],"samples":0})";
    const Profile p = json::decode<Profile>(json::parse(minimal));
    EXPECT_EQ(p.name, "Stil");
    EXPECT_FALSE(p.built || p.evaluation || p.tuning || p.kind || p.engine || p.trainedCatalogIDs || p.predictedExtras);
    EXPECT_EQ(Store::encode(p), R"({"catalogIDs":[],"id":"11111111-2222-4333-8444-555555555555",)"
                                R"("name":"Stil","presetName":"Cald","samples":0})");

    struct Case {
        const char* name;
        std::string text;
    };
    const std::vector<Case> broken = {
        {"no samples", R"({"id":"11111111-2222-4333-8444-555555555555","name":"S","presetName":"P","catalogIDs":[]})"},
        {"no catalogIDs", R"({"id":"11111111-2222-4333-8444-555555555555","name":"S","presetName":"P","samples":0})"},
        {"samples as text",
         R"({"id":"11111111-2222-4333-8444-555555555555","name":"S","presetName":"P","catalogIDs":[],"samples":"3"})"},
        {"a catalog id that is no UUID",
         R"({"id":"11111111-2222-4333-8444-555555555555","name":"S","presetName":"P","catalogIDs":["x"],"samples":0})"},
        {"a tuning without overrides",
         R"({"id":"11111111-2222-4333-8444-555555555555","name":"S","presetName":"P","catalogIDs":[],"samples":0,)"
         R"("tuning":{"basic":{"temperature":0,"tint":0},"exposure":0}})"},
        {"an engine that is no text",
         R"({"id":"11111111-2222-4333-8444-555555555555","name":"S","presetName":"P","catalogIDs":[],"samples":0,"engine":1})"},
    };
    for (const auto& c : broken) EXPECT_THROW(json::decode<Profile>(json::parse(c.text)), json::DecodeError) << c.name;
}

TEST(Profile, allSkipsBrokenFilesSortsByNameAndNamesPresetlessProfiles) {
    testing::freshDataDir();
    builtProfile("beta");
    builtProfile("Zeta");
    Profile presetless = builtProfile("alfa");
    presetless.presetName = "fara-preset-1A2B";
    presetless.save();
    writeText(Store::profiles() / "stricat" / "profile.json", R"({"id":"11111111-2222-4333-8444-555555555555"})");
    writeText(Store::profiles() / "gol" / "altceva.json", "{}");

    const auto all = Profile::all();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].name, "Zeta");  // upper case sorts before lower case
    EXPECT_EQ(all[1].name, "alfa");
    EXPECT_EQ(all[2].name, "beta");
    EXPECT_EQ(all[1].presetName, "Fără preset");
    EXPECT_NE(readText(presetless.dir() / "profile.json").find("\"fara-preset-1A2B\""), std::string::npos);
    EXPECT_EQ(all[2].evaluation, builtProfile("x").evaluation);  // the evaluation reads back whole
}

TEST(Profile, numbersAreWrittenWithAPointWhateverTheLocale) {
    testing::freshDataDir();
    const testing::RomanianLocale romanian;
    if (!romanian.active()) GTEST_SKIP() << "ro_RO.UTF-8 is not installed";
    const Profile p = builtProfile("Stil");
    const std::string text = readText(p.dir() / "profile.json");
    EXPECT_NE(text.find(R"("exposureMAE":0.25)"), std::string::npos) << text;
    EXPECT_NE(text.find(R"("exposure":0.3)"), std::string::npos) << text;
    ASSERT_EQ(Profile::all().size(), 1u);
    EXPECT_EQ(Profile::all()[0], p);
}

TEST(Profile, needsUpdateOnlyWhenTheTrainedCatalogsDiffer) {
    testing::freshDataDir();
    const Profile built = builtProfile("Stil");
    struct Case {
        const char* name;
        std::function<void(Profile&)> change;
        bool needsUpdate;
    };
    const std::vector<Case> cases = {
        {"same catalogs", [](Profile&) {}, false},
        {"same set in another order, one repeated",
         [](Profile& p) { p.catalogIDs = {kCatalogB, kCatalogA, kCatalogB}; }, false},
        {"a catalog added", [](Profile& p) { p.catalogIDs.push_back(Uuid::random()); }, true},
        {"a catalog removed", [](Profile& p) { p.catalogIDs = {kCatalogA}; }, true},
        {"no trained catalogs recorded",
         [](Profile& p) {
             p.trainedCatalogIDs.reset();
             p.catalogIDs = {kCatalogA};
         },
         false},
        {"instant", [](Profile& p) {
             p.kind = "instant";
             p.catalogIDs = {};
         },
         false},
        {"never built", [](Profile& p) {
             p.built.reset();
             p.catalogIDs = {};
         },
         false},
        {"models gone", [](Profile& p) {
             p.id = Uuid::random();  // a folder without models
             p.catalogIDs = {};
         },
         false},
    };
    for (const auto& c : cases) {
        Profile p = built;
        c.change(p);
        EXPECT_EQ(p.needsUpdate(), c.needsUpdate) << c.name;
    }
    EXPECT_TRUE(built.isBuilt());
    EXPECT_TRUE(built.usesFast());
    EXPECT_FALSE(built.usesPreviews());
}

TEST(Profile, duplicateCopiesTheFolderAndTheModelsDescription) {
    testing::freshDataDir();
    Profile original = builtProfile("Nuntă");
    original.kind = "instant";
    original.save();
    const Profile copy = original.duplicate();
    EXPECT_NE(copy.id, original.id);
    EXPECT_EQ(copy.name, "Nuntă copie");
    EXPECT_EQ(copy.presetName, original.presetName);
    EXPECT_EQ(copy.catalogIDs, original.catalogIDs);
    EXPECT_EQ(copy.built, original.built);
    EXPECT_EQ(copy.samples, original.samples);
    EXPECT_EQ(copy.evaluation, original.evaluation);
    EXPECT_EQ(copy.engine, original.engine);
    EXPECT_EQ(copy.kind, original.kind);
    EXPECT_EQ(copy.predictedExtras, original.predictedExtras);
    EXPECT_FALSE(copy.tuning);
    EXPECT_FALSE(copy.trainedCatalogIDs);
    EXPECT_EQ(Store::load<Profile>(copy.dir() / "profile.json"), copy);
    EXPECT_EQ(readText(copy.preset()), "<preset/>");
    EXPECT_TRUE(copy.isBuilt());
    EXPECT_TRUE(fs::is_directory(copy.dir() / Model::compiledName("x_Vibrance")));
    EXPECT_EQ(Store::load<Profile>(original.dir() / "profile.json"), original);
    EXPECT_EQ(Profile::all().size(), 2u);
}

TEST(Profile, aFailedDuplicateLeavesNoHalfCopy) {
    testing::freshDataDir();
    Profile gone;
    gone.id = Uuid::random();
    gone.name = "Lipsă";
    EXPECT_ANY_THROW(gone.duplicate());  // its folder does not exist
    EXPECT_TRUE(Store::entries(Store::profiles()).empty());
}

TEST(Profile, createCopiesThePresetAndSavesAnUnbuiltProfile) {
    testing::freshDataDir();
    TempDir dir;
    writeText(dir / "Cald.xmp", "<x:xmpmeta/>");
    const Profile named = Profile::create("Stil", dir / "Cald.xmp", std::string("Cald"), {});
    EXPECT_EQ(named.presetName, "Cald");
    EXPECT_EQ(named.name, "Stil");
    EXPECT_TRUE(named.catalogIDs.empty());
    EXPECT_EQ(named.samples, 0);
    EXPECT_FALSE(named.built || named.kind || named.engine);
    EXPECT_FALSE(named.isBuilt());
    EXPECT_EQ(readText(named.preset()), "<x:xmpmeta/>");
    EXPECT_EQ(Store::load<Profile>(named.dir() / "profile.json"), named);

    const Profile read = Profile::create("Alt stil", dir / "Cald.xmp", std::nullopt, &nameOf);
    EXPECT_EQ(read.presetName, "din fișier: Cald.xmp");
    EXPECT_NE(read.id, named.id);

    // A preset that cannot be read writes nothing.
    auto unreadable = [](const fs::path&) -> std::string { throw std::runtime_error("nu e un preset"); };
    EXPECT_THROW(Profile::create("X", dir / "Cald.xmp", std::nullopt, unreadable), std::runtime_error);
    EXPECT_EQ(Profile::all().size(), 2u);
}

TEST(Profile, createInstantNeedsTheBaseModel) {
    testing::freshDataDir();
    TempDir dir;
    writeText(dir / "Cald.xmp", "<x:xmpmeta/>");
    fs::create_directories(dir / "fara-model");
    try {
        Profile::createInstant("Rapid", dir / "Cald.xmp", dir / "fara-model", &nameOf);
        ADD_FAILURE() << "created";
    } catch (const fs::filesystem_error& e) {
        EXPECT_EQ(e.code(), std::errc::no_such_file_or_directory);
    }
    EXPECT_FALSE(fs::exists(Store::profiles()));

    testing::writeModelFolder(dir / "baza", 0, 190);
    const auto before = IsoDate::wholeSeconds(std::chrono::system_clock::now());
    const Profile p = Profile::createInstant("Rapid", dir / "Cald.xmp", dir / "baza", &nameOf);
    EXPECT_EQ(p.kind, "instant");
    EXPECT_TRUE(p.isInstant());
    ASSERT_TRUE(p.built);
    EXPECT_GE(*p.built, before);
    EXPECT_LE(*p.built, std::chrono::system_clock::now());
    EXPECT_TRUE(p.catalogIDs.empty());
    EXPECT_EQ(p.presetName, "din fișier: Cald.xmp");
    EXPECT_EQ(Store::load<Profile>(p.dir() / "profile.json"), p);
    EXPECT_FALSE(p.needsUpdate());
    // The base model is not copied: the model storage resolves an instant profile to it.
    EXPECT_FALSE(fs::exists(p.dir() / Model::compiledName("exp")));

    // A duplicate keeps describing the same models.
    EXPECT_TRUE(p.duplicate().isInstant());
}

TEST(Profile, removeMovesTheFolderToTheTrash) {
    testing::freshDataDir();
    TempDir home;
    testing::ScopedEnv xdg("XDG_DATA_HOME", (home / "share").string());
    const Profile p = builtProfile("De șters");
    p.remove();
    EXPECT_FALSE(fs::exists(p.dir()));
    EXPECT_TRUE(fs::exists(home / "share" / "Trash" / "files" / p.id.text() / "profile.json"));
    EXPECT_TRUE(Profile::all().empty());
}

}  // namespace
}  // namespace orvane

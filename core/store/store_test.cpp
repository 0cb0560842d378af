#include "core/store/store.h"

#include <gtest/gtest.h>

#include "core/store/project.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using orvane::testing::readText;
using orvane::testing::ScopedEnv;
using orvane::testing::TempDir;
using orvane::testing::writeText;

const auto realMove = [](const fs::path& from, const fs::path& to) { fs::rename(from, to); };

TEST(Store, dataDirectoryVariableWinsAndTouchesNothingElse) {
    TempDir home;
    writeText(home / "share" / "OrvaneStudio" / "x", "legacy");
    ScopedEnv xdg("XDG_DATA_HOME", (home / "share").string());
    {
        ScopedEnv data("ORVANE_DATA_DIR", (home / "data").string());
        EXPECT_EQ(Store::resolveRoot(), home / "data");
        EXPECT_FALSE(fs::exists(home / "data"));  // nothing created
        EXPECT_TRUE(fs::exists(home / "share" / "OrvaneStudio"));
        EXPECT_FALSE(fs::exists(home / "share" / "Vendrel"));
    }
    {
        // An empty value counts as unset.
        ScopedEnv data("ORVANE_DATA_DIR", "");
        EXPECT_EQ(Store::resolveRoot(), home / "share" / "Vendrel");
    }
}

TEST(Store, supportFolderFallsBackToHome) {
    ScopedEnv xdg("XDG_DATA_HOME", std::nullopt);
    ScopedEnv h("HOME", "/home/someone");
    EXPECT_EQ(Store::supportFolder(), fs::path("/home/someone/.local/share"));
}

TEST(Store, migrationCases) {
    struct Case {
        const char* name;
        bool fresh;
        bool legacy;
        bool moveFails;
        const char* expected;  // folder returned
        bool legacyLeft;
    };
    const Case cases[] = {
        {"neither", false, false, false, "Vendrel", false},
        {"legacyOnly", false, true, false, "Vendrel", false},
        {"both", true, true, false, "Vendrel", true},
        {"moveFails", false, true, true, "OrvaneStudio", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir base;
        if (c.fresh) writeText(base / "Vendrel" / "mine.txt", "new");
        if (c.legacy) writeText(base / "OrvaneStudio" / "Projects" / "A" / "project.json", "old");
        Store::FolderMover move = realMove;
        if (c.moveFails) move = [](const fs::path&, const fs::path&) { throw fs::filesystem_error("no", std::make_error_code(std::errc::permission_denied)); };
        auto chosen = Store::migratedSupportFolder(base.path(), "Vendrel", "OrvaneStudio", move);
        EXPECT_EQ(chosen, base / c.expected);
        EXPECT_EQ(fs::exists(base / "OrvaneStudio"), c.legacyLeft);
        if (!c.fresh && !c.legacy) { EXPECT_FALSE(fs::exists(base / "Vendrel")); }  // not created
        if (c.legacy && !c.moveFails && !c.fresh) { EXPECT_EQ(readText(chosen / "Projects" / "A" / "project.json"), "old"); }
        if (c.fresh) { EXPECT_EQ(readText(base / "Vendrel" / "mine.txt"), "new"); }
    }
}

TEST(Store, realMoveOfTheLegacyFolderThroughTheEnvironment) {
    TempDir home;
    writeText(home / "share" / "OrvaneStudio" / "Neutru.xmp", "preset");
    ScopedEnv data("ORVANE_DATA_DIR", std::nullopt);
    ScopedEnv xdg("XDG_DATA_HOME", (home / "share").string());
    EXPECT_EQ(Store::resolveRoot(), home / "share" / "Vendrel");
    EXPECT_EQ(readText(home / "share" / "Vendrel" / "Neutru.xmp"), "preset");
}

TEST(Store, writeCreatesParentsAndReplacesWhole) {
    TempDir root;
    auto file = root / "Projects" / "ABC" / "project.json";
    Store::write("first content", file);
    Store::write("second", file);
    EXPECT_EQ(readText(file), "second");
    std::size_t n = 0;
    for ([[maybe_unused]] auto& e : fs::directory_iterator(file.parent_path())) ++n;
    EXPECT_EQ(n, 1u);
    // A parent that is a file cannot be created: nothing is written.
    writeText(root / "plain", "x");
    EXPECT_THROW(Store::write("y", root / "plain" / "f.json"), fs::filesystem_error);
}

TEST(Store, saveEncodesFirstSoAFailedEncodingWritesNothing) {
    TempDir root;
    auto file = root / "p" / "project.json";
    Project p;
    p.id = Uuid::random();
    p.name = "Nuntă";
    Store::save(p, file);
    std::string before = readText(file);
    p.elapsed = std::nan("");
    EXPECT_THROW(Store::save(p, file), json::EncodeError);
    EXPECT_EQ(readText(file), before);
}

TEST(Store, encodingSortsKeysCompactly) {
    std::map<std::string, std::int64_t> a{{"b", 1}, {"a", 2}};
    EXPECT_EQ(Store::encode(a), R"({"a":2,"b":1})");
    ProfileTuning t;
    t.overrides = {{"Vibrance", 5}};
    EXPECT_EQ(Store::encode(t), R"({"basic":{"temperature":0.0,"tint":0.0},"exposure":0.0,"overrides":{"Vibrance":5}})");
}

TEST(Store, allSkipsEverythingThatIsNotAValidRecord) {
    TempDir root;
    EXPECT_TRUE(Store::all<Project>(root / "missing", "project.json").empty());
    Project good;
    good.id = Uuid::random();
    good.name = "bun";
    Store::save(good, root / good.id.text() / "project.json");
    fs::create_directories(root / "empty-folder");
    writeText(root / "truncated" / "project.json", Store::encode(good).substr(0, 20));
    writeText(root / ".DS_Store", "junk");
    writeText(root / ".hidden" / "project.json", R"({"id":"x"})");
    auto all = Store::all<Project>(root.path(), "project.json");
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0], good);
    // A plain file given as the folder lists nothing.
    EXPECT_TRUE(Store::all<Project>(root / ".DS_Store", "project.json").empty());
}

TEST(Store, loadReportsReadAndDecodeErrors) {
    TempDir root;
    EXPECT_THROW(Store::load<Project>(root / "none.json"), std::system_error);
    writeText(root / "bad.json", "[]");
    EXPECT_THROW(Store::load<Project>(root / "bad.json"), json::DecodeError);
}

TEST(Store, rootIsDecidedOnceAndFoldersHangBelowIt) {
    // The shared test data folder: the first call of root() in this process fixes it for good.
    const fs::path& data = orvane::testing::freshDataDir();
    const fs::path& r = Store::root();
    EXPECT_EQ(r, data);
    EXPECT_EQ(&r, &Store::root());
    EXPECT_EQ(Store::projects(), r / "Projects");
    EXPECT_EQ(Store::profiles(), r / "Profiles");
    EXPECT_EQ(Store::catalogs(), r / "Catalogs");
}

}  // namespace
}  // namespace orvane

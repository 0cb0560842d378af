#include "core/base/defaults.h"

#include <gtest/gtest.h>

#include <set>

#include "testing/temp_dir.h"

namespace orvane {
namespace {

using orvane::testing::TempDir;

TEST(Defaults, keepTheJsonTypeOfEveryValue) {
    TempDir dir;
    auto file = dir / "Vendrel" / "defaults.json";
    {
        FileDefaults d(file);
        d.set("keepAwake", false);
        d.set("workers", 4);
        d.set("language", "en");
        d.set("option.crop.w", 1.5);
        d.set("notifyDone", "false");  // a text, not a boolean
    }
    FileDefaults d(file);
    EXPECT_EQ(d.boolValue("keepAwake"), false);
    EXPECT_FALSE(d.boolValue("notifyDone"));
    EXPECT_EQ(d.textValue("notifyDone"), "false");
    EXPECT_FALSE(d.boolValue("missing"));
    EXPECT_FALSE(d.value("missing"));
    EXPECT_EQ(d.intValue("workers"), 4);
    EXPECT_EQ(d.numberValue("workers"), 4.0);
    EXPECT_FALSE(d.intValue("option.crop.w"));
    EXPECT_EQ(d.numberValue("option.crop.w"), 1.5);
    EXPECT_EQ(d.textValue("language"), "en");
    d.remove("language");
    EXPECT_FALSE(FileDefaults(file).value("language"));
}

TEST(Defaults, observersHearOnlyRealChanges) {
    FileDefaults d;
    std::vector<std::string> heard;
    auto id = d.observe("workers", [&](const std::string& k) { heard.push_back(k); });
    d.set("workers", 2);
    d.set("workers", 2);     // unchanged
    d.set("workers", 2.0);   // same number, another JSON type: a change
    d.set("keepAwake", true);  // another key
    d.remove("workers");
    d.remove("workers");     // already gone
    d.unobserve(id);
    d.set("workers", 3);
    EXPECT_EQ(heard.size(), 3u);
}

TEST(Defaults, anUnreadableFileIsKeptAsideNotLost) {
    TempDir dir;
    auto file = dir / "defaults.json";
    orvane::testing::writeText(file, "{not json");
    FileDefaults d(file);
    EXPECT_FALSE(d.value("keepAwake"));
    d.set("keepAwake", true);
    EXPECT_EQ(orvane::testing::readText(dir / "defaults.json.unreadable"), "{not json");
    EXPECT_EQ(FileDefaults(file).boolValue("keepAwake"), true);
    EXPECT_THROW(d.set("x", std::nan("")), json::EncodeError);
}

TEST(Defaults, standardPathFollowsXdg) {
    orvane::testing::ScopedEnv xdg("XDG_CONFIG_HOME", "/tmp/cfg");
    EXPECT_EQ(FileDefaults::standardPath(), std::filesystem::path("/tmp/cfg/Vendrel/defaults.json"));
    orvane::testing::ScopedEnv none("XDG_CONFIG_HOME", std::nullopt);
    orvane::testing::ScopedEnv home("HOME", "/home/u");
    EXPECT_EQ(FileDefaults::standardPath(), std::filesystem::path("/home/u/.config/Vendrel/defaults.json"));
}

TEST(Defaults, registryListsThirtyEightDistinctSettings) {
    const auto& keys = DefaultsKeys::settings();
    std::set<std::string> names;
    for (const auto& k : keys) names.insert(k.key);
    EXPECT_EQ(keys.size(), 38u);
    EXPECT_EQ(names.size(), keys.size());
    EXPECT_EQ(std::string(keys.front().key), "appearance");
    EXPECT_EQ(std::string(keys.back().key), "option.crop.h");
    ASSERT_NE(DefaultsKeys::find("backupKeep"), nullptr);
    EXPECT_EQ(DefaultsKeys::find("backupKeep")->whenAbsent, Json(3));
    EXPECT_EQ(DefaultsKeys::find("window.sizedV1"), nullptr);
}

TEST(Defaults, interfaceStateKeysAreNoSettings) {
    // The catalog order is the interface's own: the settings' export, import and reset never see it.
    EXPECT_EQ(DefaultsKeys::find(DefaultsKeys::catalogSort), nullptr);
    const DefaultsKey* sort = DefaultsKeys::findInterfaceState("catalogSort");
    ASSERT_NE(sort, nullptr);
    EXPECT_EQ(sort->type, DefaultsType::text);
    EXPECT_EQ(sort->whenAbsent, Json("recent"));
    for (const auto& k : DefaultsKeys::interfaceState()) EXPECT_EQ(DefaultsKeys::find(k.key), nullptr) << k.key;
}

}  // namespace
}  // namespace orvane

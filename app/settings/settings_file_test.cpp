// The settings file and the reset: what is written, what is taken back, what is refused.
#include <gtest/gtest.h>

#include <fstream>

#include "app/settings/settings_file.h"
#include "testing/temp_dir.h"

using namespace orvane;
using namespace orvane::settings;

namespace {

std::vector<std::string> keysOf(const std::vector<DefaultsKey>& list) {
    std::vector<std::string> keys;
    for (const auto& k : list) keys.push_back(k.key);
    return keys;
}

}  // namespace

TEST(SettingsKeys, theSettingsAndTheResetExtrasAreFixedLists) {
    const std::vector<std::string> settings = {
        "appearance", "style", "accentIndex", "language", "openOptionsOnStart", "reopenLightroom", "backupKeep",
        "backupLimitGB", "includeSubfolders", "lightroomPath", "autoUpdateCheck", "notifyDone", "showBeta",
        "updateFeed", "backdropIntensity.light", "backdropIntensity.dark", "cardTransparency.light",
        "cardTransparency.dark", "prioritizeEditing", "workers", "keepAwake", "rememberOptions", "option.straighten",
        "option.profile", "option.noise", "option.teeth", "option.teeth.amount", "option.skin", "option.facelevel",
        "option.facelevel.amount", "option.smart", "option.skin.texture", "option.skin.clarity",
        "option.skin.sharpness", "option.crop.mode", "option.crop.ratio", "option.crop.w", "option.crop.h"};
    EXPECT_EQ(keysOf(DefaultsKeys::settings()), settings);
    EXPECT_EQ(DefaultsKeys::resetExtras(),
              (std::vector<std::string>{"workers", "keepAwake", "rememberOptions", "window.sizedV1", "defaultsClassicAuto"}));
}

TEST(SettingsExport, anEmptyStoreWritesAnEmptyObject) {
    FileDefaults store;
    store.set("skippedUpdateVersion", "1.2.0.0");
    EXPECT_EQ(exportSettings(store), "{}\n");
}

TEST(SettingsExport, writesExactlyTheStoredListedKeysSortedAndIndented) {
    FileDefaults store;
    store.set("workers", 6);
    store.set("appearance", "dark");
    store.set("cardTransparency.dark", 0.25);
    store.set("notifyDone", false);
    store.set("option.subject", true);          // not a setting
    store.set("AppleLanguages", Json::array({"en"}));
    EXPECT_EQ(exportSettings(store),
              "{\n"
              "  \"appearance\": \"dark\",\n"
              "  \"cardTransparency.dark\": 0.25,\n"
              "  \"notifyDone\": false,\n"
              "  \"workers\": 6\n"
              "}\n");
}

TEST(SettingsImport, takesListedKeysIgnoresOthersAndSetsTheLanguageList) {
    FileDefaults store;
    const auto outcome = importSettings(store, R"({"language": "en", "workers": 4, "option.subject": true,
                                                    "skippedUpdateVersion": "9", "style": "flat", "showBeta": null,
                                                    "keepAwake": "false"})");
    EXPECT_TRUE(outcome.readable);
    EXPECT_EQ(store.textValue("language"), "en");
    EXPECT_EQ(store.value("AppleLanguages"), Json::array({"en"}));
    EXPECT_EQ(store.intValue("workers"), 4);
    EXPECT_EQ(store.textValue("style"), "flat");
    EXPECT_EQ(store.textValue("keepAwake"), "false");  // stored as it is: the reader counts it as on
    EXPECT_FALSE(store.value("option.subject"));
    EXPECT_FALSE(store.value("skippedUpdateVersion"));
    EXPECT_FALSE(store.value("showBeta"));  // null is skipped
}

TEST(SettingsImport, aLanguageThatIsNoTextIsStoredButTheLanguageListStays) {
    FileDefaults store;
    store.set("AppleLanguages", Json::array({"ro"}));
    importSettings(store, R"({"language": 5})");
    EXPECT_EQ(store.value("language"), Json(5));
    EXPECT_EQ(store.value("AppleLanguages"), Json::array({"ro"}));
}

TEST(SettingsImport, textThatIsNoObjectChangesNothing) {
    for (const char* text : {"[1, 2]", "not json", "", "\"text\"", "{\"workers\": 3"}) {
        SCOPED_TRACE(text);
        FileDefaults store;
        store.set("workers", 2);
        const auto outcome = importSettings(store, text);
        EXPECT_FALSE(outcome.readable);
        EXPECT_EQ(store.intValue("workers"), 2);
        EXPECT_FALSE(store.value("language"));
    }
}

TEST(SettingsImport, refusesEveryHarmfulValueAndKeepsTheRest) {
    orvane::testing::TempDir dir;
    const auto program = dir.path() / "lightroom";
    std::ofstream(program) << "#!/bin/sh\n";
    struct Case {
        const char* key;
        Json value;
        bool taken;
    };
    const std::vector<Case> cases = {
        {"workers", 0, true},
        {"workers", 64, true},
        {"workers", 65, false},
        {"workers", -1, false},
        {"workers", 2.5, false},
        {"workers", "many", true},  // another type: its reader counts it as automatic
        {"backupKeep", 1, true},
        {"backupKeep", 10, true},
        {"backupKeep", 0, false},
        {"backupKeep", 11, false},
        {"backupLimitGB", 0, true},
        {"backupLimitGB", 8589934591LL, true},
        {"backupLimitGB", 8589934592LL, false},
        {"backupLimitGB", -3, false},
        {"option.teeth.amount", 100, true},
        {"option.teeth.amount", 100.5, false},
        {"option.facelevel.amount", -0.1, false},
        {"option.skin.texture", 0, true},
        {"option.skin.clarity", 101, false},
        {"option.skin.sharpness", 55.5, true},
        {"option.crop.w", 0, false},
        {"option.crop.w", 0.01, true},
        {"option.crop.h", -2, false},
        {"backdropIntensity.light", 1.0, true},
        {"backdropIntensity.dark", 1.5, false},
        {"cardTransparency.light", -0.01, false},
        {"cardTransparency.dark", 0, true},
        {"updateFeed", "", true},
        {"updateFeed", "  ", true},
        {"updateFeed", "https://updates.example.org/feed.json", true},
        {"updateFeed", "http://updates.example.org/feed.json", false},
        {"updateFeed", "file:///etc/passwd", false},
        {"lightroomPath", "", true},
        {"lightroomPath", program.string(), true},
        {"lightroomPath", "relative/lightroom", false},
        {"lightroomPath", dir.path().string(), false},  // a folder
        {"lightroomPath", (dir.path() / "missing").string(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " = " + c.value.dump());
        FileDefaults store;
        Json file = Json::object();
        file[c.key] = c.value;
        file["appearance"] = "light";
        const auto outcome = importSettings(store, file.dump());
        EXPECT_EQ(store.value(c.key).has_value(), c.taken);
        if (c.taken) {
            EXPECT_EQ(*store.value(c.key), c.value);
        }
        EXPECT_EQ(outcome.refused.size(), c.taken ? 0u : 1u);
        EXPECT_EQ(store.textValue("appearance"), "light");
    }
}

TEST(SettingsImport, anExportedFileImportsToTheSameValues) {
    FileDefaults a;
    a.set("language", "en");
    a.set("accentIndex", 5);
    a.set("option.crop.ratio", "4:5");
    a.set("backdropIntensity.dark", 0.4);
    FileDefaults b;
    importSettings(b, exportSettings(a));
    EXPECT_EQ(exportSettings(b), exportSettings(a));
    EXPECT_EQ(b.value("AppleLanguages"), Json::array({"en"}));
}

TEST(SettingsReset, removesTheSettingsAndTheExtrasAndKeepsEverythingElse) {
    FileDefaults store;
    for (const auto& entry : DefaultsKeys::settings()) store.set(entry.key, true);
    for (const char* key : {"window.sizedV1", "defaultsClassicAuto", "defaultsDayNightV1", "skippedUpdateVersion",
                            "option.subject", "AppleLanguages", "catalogSort"})
        store.set(key, true);
    resetSettings(store);
    for (const auto& entry : DefaultsKeys::settings()) EXPECT_FALSE(store.value(entry.key)) << entry.key;
    EXPECT_FALSE(store.value("window.sizedV1"));
    EXPECT_FALSE(store.value("defaultsClassicAuto"));
    for (const char* key : {"defaultsDayNightV1", "skippedUpdateVersion", "option.subject", "AppleLanguages", "catalogSort"})
        EXPECT_TRUE(store.value(key)) << key;
}

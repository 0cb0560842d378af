#include "app/shell/launch.h"

#include <gtest/gtest.h>

#include <optional>

using namespace orvane;

namespace {

TEST(Launch, firstLaunchWritesTheDefaultsAndRemovesTheLegacyKeys) {
    FileDefaults d;
    d.set("backdropIntensity", 0.4);
    d.set("cardTransparency", 0.2);
    d.set("backdropLevel", 2);
    d.set("backdropIntensity.dark", 0.3);  // the per-scheme keys stay
    shell::prepareSettings(d);
    EXPECT_EQ(d.textValue("language"), "ro");
    EXPECT_EQ(d.textValue("style"), "glass");
    EXPECT_EQ(d.textValue("appearance"), "auto");
    EXPECT_EQ(d.intValue("accentIndex"), 3) << "the position of Albastru";
    EXPECT_EQ(d.boolValue("defaultsClassicAuto"), true);
    EXPECT_EQ(d.boolValue("defaultsDayNightV1"), true);
    for (const char* legacy : {"backdropIntensity", "cardTransparency", "backdropLevel"})
        EXPECT_FALSE(d.value(legacy).has_value()) << legacy;
    EXPECT_EQ(d.numberValue("backdropIntensity.dark"), 0.3);
}

TEST(Launch, onlyTheSecondMigrationRunsWhenTheFirstFlagIsSet) {
    FileDefaults d;
    d.set("defaultsClassicAuto", true);
    d.set("appearance", "dark");
    d.set("accentIndex", 5);
    d.set("style", "flat");
    d.set("backdropLevel", 1);
    shell::migrateSettings(d);
    EXPECT_EQ(d.textValue("appearance"), "dark");
    EXPECT_EQ(d.intValue("accentIndex"), 5);
    EXPECT_EQ(d.textValue("style"), "glass");
    EXPECT_FALSE(d.value("backdropLevel").has_value());
    EXPECT_EQ(d.boolValue("defaultsDayNightV1"), true);
}

TEST(Launch, migrationsRunOncePerUserAndEachOnItsOwnFlag) {
    struct Case {
        const char* name;
        std::optional<Json> classic, dayNight;
        bool firstRuns, secondRuns;
    };
    const Case cases[] = {
        {"no flags", std::nullopt, std::nullopt, true, true},
        {"both set", true, true, false, false},
        {"second only set", false, true, true, false},
        {"a flag stored as text counts as unset", "true", true, true, false},
    };
    for (const auto& c : cases) {
        FileDefaults d;
        if (c.classic) d.set("defaultsClassicAuto", *c.classic);
        if (c.dayNight) d.set("defaultsDayNightV1", *c.dayNight);
        d.set("appearance", "light");
        d.set("style", "flat");
        d.set("backdropLevel", 1);
        shell::migrateSettings(d);
        EXPECT_EQ(d.textValue("appearance") == "auto", c.firstRuns) << c.name;
        EXPECT_EQ(d.value("backdropLevel").has_value(), !c.secondRuns) << c.name;
        EXPECT_EQ(d.textValue("style") == "glass", c.firstRuns || c.secondRuns) << c.name;
    }
}

TEST(Launch, anExistingLanguageIsLeftAlone) {
    FileDefaults english;
    english.set("language", "en");
    shell::ensureLanguage(english);
    EXPECT_EQ(english.textValue("language"), "en");
    FileDefaults wrongType;
    wrongType.set("language", 7);
    shell::ensureLanguage(wrongType);
    EXPECT_EQ(wrongType.textValue("language"), "ro") << "a value that is not a text is no language";
}

}  // namespace

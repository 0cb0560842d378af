#include "app/shell/launch.h"

#include <QAbstractButton>
#include <QApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>

#include <gtest/gtest.h>

#include <optional>

#include "app/kit/app_style.h"
#include "app/shell/single_instance.h"
#include "testing/temp_dir.h"

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

namespace {

// Starting with a data folder that cannot be used: the alert names the folder, above the window
// the user would otherwise have seen.
TEST(StartupFailure, anUnusableDataFolderIsShownInAKitAlertNamingIt) {
    orvane::testing::TempDir dir;
    orvane::testing::writeText(dir / "Vendrel", "not a folder");
    const std::filesystem::path data = dir / "Vendrel";
    shell::SingleInstance instance(data, shell::SingleInstance::defaultServerName(data, nullptr));
    ASSERT_EQ(instance.start(), shell::SingleInstance::Outcome::failed);

    QString title, message;
    bool modal = false;
    QTimer::singleShot(0, [&] {
        auto* alert = qobject_cast<kit::CenteredAlert*>(QApplication::activeModalWidget());
        ASSERT_NE(alert, nullptr);
        modal = alert->isModal();
        title = alert->text();
        message = alert->informativeText();
        alert->choices().first()->click();
    });
    shell::reportStartupFailure(instance.errorText());
    EXPECT_TRUE(modal);
    EXPECT_EQ(title, QString::fromUtf8(shell::startupFailureTitle));
    EXPECT_TRUE(message.contains(QString::fromStdString(data.string()))) << message.toStdString();
    EXPECT_TRUE(qobject_cast<kit::KitStyle*>(QApplication::style())) << "in the kit's look";
}

// Without a display the program cannot show anything: the cause goes to standard error, status 1.
TEST(StartupFailure, withoutADisplayTheCauseGoesToStandardErrorAndTheStatusIs1) {
    orvane::testing::TempDir dir;
    orvane::testing::writeText(dir / "data", "not a folder");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* variable : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) env.remove(variable);
    env.insert("ORVANE_DATA_DIR", QString::fromStdString((dir / "data").string()));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString((dir / "config").string()));
    env.insert("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    struct Case {
        const char* name;
        bool usableFolder;
        const char* expected;
    };
    for (const Case& c : {Case{"an unusable data folder", false, "data"}, Case{"a usable one", true, "DISPLAY"}}) {
        if (c.usableFolder) env.insert("ORVANE_DATA_DIR", QString::fromStdString((dir / "fine").string()));
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(ORVANE_STUDIO_EXE, {});
        ASSERT_TRUE(program.waitForFinished(20000)) << c.name;
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << c.name;
        EXPECT_EQ(program.exitCode(), 1) << c.name;
        const QString err = QString::fromUtf8(program.readAllStandardError());
        EXPECT_TRUE(err.startsWith("OrvaneStudio: ")) << err.toStdString();
        EXPECT_TRUE(err.contains(c.expected)) << c.name << ": " << err.toStdString();
    }
}

}  // namespace

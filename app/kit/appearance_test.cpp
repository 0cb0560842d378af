#include <gtest/gtest.h>

#include <QTest>
#include <QThread>

#include <memory>
#include <thread>

#include "app/kit/appearance.h"
#include "app/kit/kit_settings.h"

using namespace orvane;
using namespace orvane::kit;

TEST(Appearance, settingThenPortalThenPalette) {
    struct Row {
        const char* setting;
        std::optional<std::uint32_t> portal;
        bool paletteDark;
        bool dark;
    };
    const Row rows[] = {
        {"dark", 2u, false, true},          {"light", 1u, true, false},
        {"auto", 1u, false, true},          {"auto", 2u, true, false},
        {"auto", 0u, true, true},           {"auto", std::nullopt, false, false},
        {"Dark", std::nullopt, false, false},  // only the exact words pin it
        {"", 1u, false, true},
    };
    for (const Row& row : rows)
        EXPECT_EQ(resolveDarkAppearance(row.setting, row.portal, row.paletteDark), row.dark) << row.setting;
}

TEST(Appearance, followsTheSettingLiveAndTheOverrideWins) {
    auto store = std::make_shared<FileDefaults>();
    setUserDefaults(store);
    KitSettings::instance().rebind(store);
    auto& appearance = Appearance::instance();
    appearance.setOverride(std::nullopt);
    int changes = 0;
    auto connection = QObject::connect(&appearance, &Appearance::changed, [&] { ++changes; });
    store->set("appearance", "dark");
    EXPECT_TRUE(appearance.isDark());
    store->set("appearance", "light");
    EXPECT_FALSE(appearance.isDark());
    EXPECT_EQ(changes, 2);
    appearance.setOverride(true);
    EXPECT_TRUE(appearance.isDark());
    store->set("appearance", "light");
    EXPECT_TRUE(appearance.isDark());
    appearance.setOverride(std::nullopt);
    EXPECT_FALSE(appearance.isDark());
    QObject::disconnect(connection);
    store->remove("appearance");
}

TEST(KitSettings, aChangeFromAWorkerThreadArrivesOnTheInterfaceThread) {
    auto store = std::make_shared<FileDefaults>();
    setUserDefaults(store);
    auto& settings = KitSettings::instance();
    settings.rebind(store);
    QThread* seenOn = nullptr;
    QString seenKey;
    auto connection = QObject::connect(&settings, &KitSettings::changed, [&](const QString& key) {
        seenOn = QThread::currentThread();
        seenKey = key;
    });
    std::thread writer([&] { store->set("cardTransparency.dark", 0.25); });
    writer.join();
    EXPECT_EQ(seenOn, nullptr);  // not delivered on the writer's thread
    EXPECT_TRUE(QTest::qWaitFor([&] { return seenOn != nullptr; }, 1000));
    EXPECT_EQ(seenOn, settings.thread());
    EXPECT_EQ(seenKey, "cardTransparency.dark");
    EXPECT_DOUBLE_EQ(settings.cardTransparency(true), 0.25);
    EXPECT_DOUBLE_EQ(settings.cardTransparency(false), 1.0);
    QObject::disconnect(connection);
}

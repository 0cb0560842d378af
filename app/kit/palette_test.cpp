#include <gtest/gtest.h>

#include <memory>

#include "app/kit/kit_settings.h"
#include "app/kit/palette.h"
#include "core/base/defaults.h"

using namespace orvane;
using namespace orvane::kit;

namespace {
QString hex(const QColor& c) { return c.name(QColor::HexArgb).toUpper(); }

struct StoredAccent {
    const char* name;
    std::optional<Json> stored;
    int expected;
};

void PrintTo(const StoredAccent& row, std::ostream* os) { *os << row.name; }

class AccentSelection : public ::testing::TestWithParam<StoredAccent> {};
}  // namespace

TEST_P(AccentSelection, onlyAStoredWholeNumberInRangeSelects) {
    FileDefaults defaults;
    if (GetParam().stored) defaults.set("accentIndex", *GetParam().stored);
    EXPECT_EQ(selectedAccentIndex(defaults), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Palette, AccentSelection,
    ::testing::Values(StoredAccent{"absent", std::nullopt, 3}, StoredAccent{"green", Json(2), 2},
                      StoredAccent{"graphite", Json(6), 6}, StoredAccent{"seven", Json(7), 3},
                      StoredAccent{"negative", Json(-1), 3}, StoredAccent{"text", Json("3"), 3},
                      StoredAccent{"textOfAnother", Json("2"), 3}, StoredAccent{"fraction", Json(2.5), 3},
                      StoredAccent{"wholeFraction", Json(2.0), 2}, StoredAccent{"boolean", Json(true), 3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Palette, accentFollowsTheStoreOnEveryCall) {
    auto store = std::make_shared<FileDefaults>();
    setUserDefaults(store);
    KitSettings::instance().rebind(store);
    EXPECT_EQ(hex(accentColor().resolve(false)), "#FF007AFF");
    EXPECT_EQ(hex(accentColor().resolve(true)), "#FF0A84FF");
    EXPECT_EQ(hex(accentShade().resolve(false)), "#FF0062CC");
    EXPECT_EQ(hex(accentShade().resolve(true)), "#FF0071E3");
    store->set("accentIndex", 6);
    EXPECT_STREQ(accentPalette[std::size_t(selectedAccentIndex())].name, "Grafit");
    // Graphite's light shade is the light muted colour.
    EXPECT_EQ(accentShade().resolve(false), mutedColor.resolve(false));
    store->set("accentIndex", 2);
    EXPECT_EQ(hex(accentColor().resolve(false)), "#FF34C759");
    store->remove("accentIndex");
}

TEST(Palette, adaptiveColoursResolvePerAppearance) {
    struct Row {
        const char* name;
        AdaptiveColor color;
        const char* light;
        const char* dark;
    };
    const Row rows[] = {
        {"muted", mutedColor, "#FF6E6E73", "#FF9A9BA5"},
        {"ok", okColor, "#FF1F9D55", "#FF4CD08A"},
        {"warn", warnColor, "#FFB4540A", "#FFF0A35A"},
        {"bad", badColor, "#FFC0262D", "#FFFF7B80"},
        {"info", infoColor, "#FF0A64D8", "#FF5AA0FF"},
        {"flatWindow", flatWindowColor, "#FFF0F0F3", "#FF1C1C1E"},
        {"flatCard", flatCardColor, "#FFFFFFFF", "#FF2A2A2D"},
        {"raised", raisedColor, "#FFFFFFFF", "#FF2A2B31"},
        {"onAccent", onAccentColor, "#FFFFFFFF", "#FFFFFFFF"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(hex(row.color.resolve(false)), row.light) << row.name;
        EXPECT_EQ(hex(row.color.resolve(true)), row.dark) << row.name;
    }
    EXPECT_NEAR(softFillColor.resolve(false).alphaF(), 0.62, 0.003);
    EXPECT_NEAR(softFillColor.resolve(true).alphaF(), 0.09, 0.003);
    EXPECT_EQ(softFillColor.resolve(true).rgb(), QColor(Qt::white).rgb());
}

TEST(Palette, accentTableKeepsDarkInTheHighWord) {
    const AdaptiveColor red = adaptiveColor(accentPalette[0].accent);
    EXPECT_EQ(red.light, 0xFF3B30u);
    EXPECT_EQ(red.dark, 0xFF453Au);
    EXPECT_STREQ(accentPalette[3].name, "Albastru");
}

TEST(Palette, statusKindColors) {
    struct Row {
        StatusKind kind;
        AdaptiveColor foreground;
    };
    const Row rows[] = {{StatusKind::ok, okColor},     {StatusKind::warn, warnColor}, {StatusKind::bad, badColor},
                        {StatusKind::accent, accentColor()}, {StatusKind::info, infoColor}};
    for (const Row& row : rows) {
        auto [fg, bg] = statusKindColor(row.kind);
        EXPECT_EQ(fg, row.foreground);
        EXPECT_EQ(bg, row.foreground.opacity(0.16));
    }
    // Neutral: muted text on the primary label colour at 9 %, not muted at 16 %.
    auto [fg, bg] = statusKindColor(StatusKind::neutral);
    EXPECT_EQ(fg, mutedColor);
    EXPECT_EQ(bg.resolve(false).rgb(), QColor(Qt::black).rgb());
    EXPECT_NEAR(bg.resolve(false).alphaF(), 0.09, 0.003);
    EXPECT_EQ(bg.resolve(true).rgb(), QColor(Qt::white).rgb());
}

TEST(Palette, mixedMovesEachChannelAndIsOpaque) {
    const QColor c = mixed(QColor(0, 122, 255, 128), Qt::white, 0.55);
    EXPECT_NEAR(c.redF(), 0.55, 1e-3);
    EXPECT_NEAR(c.greenF(), 122 / 255.0 + 0.55 * (1 - 122 / 255.0), 1e-3);
    EXPECT_NEAR(c.blueF(), 1.0, 1e-3);
    EXPECT_EQ(c.alpha(), 255);
    EXPECT_EQ(mixed(Qt::black, Qt::white, 0.0).rgb(), QColor(Qt::black).rgb());
    EXPECT_EQ(mixed(Qt::black, Qt::white, 1.0).rgb(), QColor(Qt::white).rgb());
    // Colours that cannot be read fall back to system blue and white.
    EXPECT_EQ(mixed(QColor(), QColor(), 0.0).rgb(), QColor(0x007AFF).rgb());
    EXPECT_EQ(mixed(QColor(), QColor(), 1.0).rgb(), QColor(Qt::white).rgb());
}

TEST(Palette, hueShiftWrapsAround) {
    struct Row {
        double hue, offset, expected;
    };
    const Row rows[] = {{0.98, 0.06, 0.04}, {0.02, -0.06, 0.96}, {0.5, 0.12, 0.62}, {0.3, 1.0, 0.3}};
    for (const Row& row : rows) {
        const QColor shifted = hueShifted(QColor::fromHsvF(float(row.hue), 0.8f, 0.9f, 0.5f), row.offset);
        EXPECT_NEAR(shifted.hsvHueF(), row.expected, 1e-3) << row.hue << " + " << row.offset;
        EXPECT_NEAR(shifted.hsvSaturationF(), 0.8, 1e-3);
        EXPECT_NEAR(shifted.valueF(), 0.9, 1e-3);
        EXPECT_NEAR(shifted.alphaF(), 0.5, 1e-3);
    }
    // Without saturation only the (absent) hue moves: the colour stays the same.
    const QColor grey(128, 128, 128);
    EXPECT_EQ(hueShifted(grey, 0.12).rgb(), grey.rgb());
}

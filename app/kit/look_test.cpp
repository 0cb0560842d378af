// The pure resolution tables of the glass, sheet, backdrop and button looks.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/kit/backdrop.h"
#include "app/kit/buttons.h"
#include "app/kit/glass.h"
#include "app/kit/motion.h"
#include "app/kit/sheet_background.h"

using namespace orvane::kit;

TEST(GlassTint, followsTheTransparencyTable) {
    struct Row {
        double t, surface, card;
    };
    const Row rows[] = {
        {1.0, 0.368, 0.0}, {0.6, 0.368, 0.368}, {0.5, 0.46, 0.46}, {0.0, 0.92, 0.92},
        {1.5, 0.368, 0.0},   // above 1: no card tint; round controls keep their floor
        {-0.4, 0.92, 0.92},  // negative counts as 0
    };
    for (const Row& row : rows) {
        EXPECT_NEAR(glassTintOpacity(GlassTreatment::surface, row.t), row.surface, 1e-9) << row.t;
        EXPECT_NEAR(glassTintOpacity(GlassTreatment::clear, row.t), row.card, 1e-9) << row.t;
        EXPECT_NEAR(glassTintOpacity(GlassTreatment::airy, row.t), row.card, 1e-9) << row.t;
    }
}

TEST(GlassLayers, glassAndFlatLooks) {
    const auto light = resolveGlassLayers(GlassTreatment::clear, false, false, 1.0);
    EXPECT_FALSE(light.flat);
    EXPECT_EQ(light.tint.alpha(), 0);
    EXPECT_NEAR(light.sheen.alphaF(), 0.22, 0.003);
    EXPECT_EQ(light.outline.rgb(), QColor(Qt::black).rgb());
    EXPECT_NEAR(light.outline.alphaF(), 0.06, 0.003);

    const auto dark = resolveGlassLayers(GlassTreatment::surface, false, true, 1.0);
    EXPECT_NEAR(dark.tint.alphaF(), 0.368, 0.003);
    EXPECT_EQ(dark.tint.rgb(), QColor(0x2A2B31).rgb());
    EXPECT_NEAR(dark.sheen.alphaF(), 0.03, 0.003);
    EXPECT_EQ(dark.outline.rgb(), QColor(Qt::white).rgb());
    EXPECT_NEAR(dark.outline.alphaF(), 0.10, 0.003);

    const auto flat = resolveGlassLayers(GlassTreatment::airy, true, true, 0.0);
    EXPECT_TRUE(flat.flat);
    EXPECT_EQ(flat.flatFill, QColor(0x2A2A2D));
    EXPECT_NEAR(flat.flatBorder.alphaF(), 0.05, 0.003);
    EXPECT_FALSE(flat.flatBorderInside);

    const auto group = resolveGlassLayers(GlassTreatment::group, true, false, 1.0);
    EXPECT_NEAR(group.flatFill.alphaF(), 0.045, 0.003);
    EXPECT_NEAR(group.flatBorder.alphaF(), 0.06, 0.003);
    EXPECT_TRUE(group.flatBorderInside);

    // Over a photo the panel ignores the transparency: material and a white 18 % edge only.
    const auto onPhoto = resolveGlassLayers(GlassTreatment::panel, false, false, 0.0, true);
    EXPECT_EQ(onPhoto.tint.alpha(), 0);
    EXPECT_EQ(onPhoto.sheen.alpha(), 0);
    EXPECT_NEAR(onPhoto.outline.alphaF(), 0.18, 0.003);
    // Away from photos it is airy glass.
    EXPECT_NEAR(resolveGlassLayers(GlassTreatment::panel, false, false, 0.5).tint.alphaF(), 0.46, 0.003);
}

TEST(SheetTint, isLimitedToAnOpacity) {
    struct Row {
        double t, expected;
    };
    const Row rows[] = {{1.0, 0.2}, {0.5, 0.56}, {0.0, 0.92}, {1.2, 0.056}, {2.0, 0.0}, {-0.5, 1.0}};
    for (const Row& row : rows) EXPECT_NEAR(sheetTintOpacity(row.t), row.expected, 1e-9) << row.t;
    EXPECT_NEAR(sheetTintOpacity(std::numeric_limits<double>::quiet_NaN()), 0.2, 1e-9);
}

TEST(Backdrop, glowOpacitiesAndGrain) {
    const auto light = backdropGlowOpacities(false, 1.0);
    EXPECT_DOUBLE_EQ(light[0], 0.40);
    EXPECT_DOUBLE_EQ(light[1], 0.24);
    EXPECT_DOUBLE_EQ(light[2], 0.20);
    EXPECT_DOUBLE_EQ(light[3], 0.24);
    const auto dark = backdropGlowOpacities(true, 0.5);
    EXPECT_DOUBLE_EQ(dark[0], 0.15);
    EXPECT_DOUBLE_EQ(dark[2], 0.04);
    EXPECT_EQ(backdropGlowOpacities(true, 0.0), (std::array<double, 4>{0, 0, 0, 0}));
    EXPECT_EQ(backdropGlowOpacities(false, 3.0), light);             // above 1 acts as 1
    EXPECT_EQ(backdropGlowOpacities(false, -1.0), backdropGlowOpacities(false, 0.0));
    EXPECT_FALSE(backdropShowsGrain(0.15));
    EXPECT_TRUE(backdropShowsGrain(0.16));
    EXPECT_FALSE(backdropShowsGrain(std::nan("")));
    EXPECT_DOUBLE_EQ(backdropGrainOpacity(false), 0.025);
    EXPECT_DOUBLE_EQ(backdropGrainOpacity(true), 0.05);
}

TEST(Backdrop, grainFollowsTheXorshiftSequence) {
    const auto& bytes = grainBytes();
    ASSERT_EQ(bytes.size(), 262144u);
    // Worked by hand from the seed: s ^= s << 13; s ^= s >> 7; s ^= s << 17; grey = (s >> 24) & 0xFF.
    std::uint64_t s = 0x9E3779B97F4A7C15ULL;
    auto next = [&s] {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return std::uint8_t((s >> 24) & 0xFF);
    };
    for (int pixel = 0; pixel < 1000; ++pixel) {
        const std::uint8_t g = next();
        ASSERT_EQ(bytes[std::size_t(pixel) * 4], g) << pixel;
        ASSERT_EQ(bytes[std::size_t(pixel) * 4 + 1], g);
        ASSERT_EQ(bytes[std::size_t(pixel) * 4 + 2], g);
        ASSERT_EQ(bytes[std::size_t(pixel) * 4 + 3], 255);
    }
    // The first values, worked out independently, so a change of the generator shows even if the loop
    // above changed with it.
    const std::uint8_t first[] = {0x0B, 0x02, 0xE5, 0x36, 0xA1, 0x4E};
    for (std::size_t i = 0; i < std::size(first); ++i) EXPECT_EQ(bytes[i * 4], first[i]) << i;
    EXPECT_EQ(grainTexture().size(), QSize(256, 256));
    EXPECT_EQ(qGray(grainTexture().pixel(1, 0)), bytes[4]);
}

TEST(ButtonLook, resolutionTable) {
    struct Row {
        const char* name;
        ButtonLook look;
        ButtonState state;
        double scale, offsetY, opacity, brightness;
    };
    const Row rows[] = {
        {"accent rest", ButtonLook::accent, {true, false, false, false, false}, 1, 0, 1, 0},
        {"accent hover", ButtonLook::accent, {true, true, false, false, false}, 1, 0, 1, 0.05},
        {"accent pressed", ButtonLook::accent, {true, true, true, false, false}, 1, 1, 1, 0.05},
        {"accent disabled under pointer", ButtonLook::accent, {false, true, false, false, false}, 1, 0, 0.45, 0},
        {"hero hover", ButtonLook::hero, {true, true, false, false, false}, 1.02, 0, 1, 0},
        {"hero pressed while hovered", ButtonLook::hero, {true, true, true, false, false}, 0.98, 0, 1, 0},
        {"hero disabled under pointer", ButtonLook::hero, {false, true, false, false, false}, 1, 0, 0.45, 0},
        {"outline pressed", ButtonLook::outline, {true, false, true, false, false}, 0.98, 0, 1, 0},
        {"outline disabled", ButtonLook::outline, {false, false, false, true, false}, 1, 0, 0.45, 0},
    };
    for (const Row& row : rows) {
        const ButtonAppearance a = resolveButtonLook(row.look, row.state);
        EXPECT_DOUBLE_EQ(a.scale, row.scale) << row.name;
        EXPECT_DOUBLE_EQ(a.offsetY, row.offsetY) << row.name;
        EXPECT_DOUBLE_EQ(a.opacity, row.opacity) << row.name;
        EXPECT_DOUBLE_EQ(a.brightness, row.brightness) << row.name;
    }
}

TEST(ButtonLook, outlineFillsShadowsAndSizes) {
    struct Row {
        const char* name;
        bool dark, hovering, enabled;
        QColor fill;
        double fillAlpha, borderAlpha, shadowAlpha;
    };
    const Row rows[] = {
        {"dark hovered", true, true, true, Qt::white, 0.18, 0.16, 0.0},
        {"dark resting", true, false, true, Qt::white, 0.08, 0.06, 0.0},
        {"light hovered: solid white", false, true, true, Qt::white, 1.0, 0.10, 0.10},
        {"light resting", false, false, true, Qt::black, 0.06, 0.05, 0.0},
        {"light disabled under pointer", false, true, false, Qt::black, 0.06, 0.05, 0.0},
    };
    for (const Row& row : rows) {
        const ButtonAppearance a = resolveButtonLook(ButtonLook::outline, {row.enabled, row.hovering, false, row.dark, false});
        EXPECT_EQ(a.fillColor.rgb(), row.fill.rgb()) << row.name;
        EXPECT_NEAR(a.fillColor.alphaF(), row.fillAlpha, 0.003) << row.name;
        EXPECT_NEAR(a.borderColor.alphaF(), row.borderAlpha, 0.003) << row.name;
        EXPECT_NEAR(a.shadowColor.alphaF(), row.shadowAlpha, 0.003) << row.name;
    }
    const auto compact = resolveButtonLook(ButtonLook::outline, {true, false, false, false, true});
    EXPECT_EQ(compact.fontSize, 12.5);
    EXPECT_EQ(compact.paddingH, 12);
    EXPECT_EQ(compact.paddingV, 6);
    const auto regular = resolveButtonLook(ButtonLook::outline, {});
    EXPECT_EQ(regular.fontSize, 13.5);
    EXPECT_EQ(regular.paddingH, 16);
    EXPECT_EQ(regular.paddingV, 9);
    const auto hero = resolveButtonLook(ButtonLook::hero, {});
    EXPECT_EQ(hero.minHeight, 54);
    EXPECT_EQ(hero.paddingH, 34);
    EXPECT_EQ(hero.fontSize, 17);
}

TEST(KitSpring, settlesAtItsEndWithoutRunningAway) {
    EXPECT_DOUBLE_EQ(kitSpring.value(0.0), 0.0);
    EXPECT_NEAR(kitSpring.value(kitSpring.settleSeconds()), 1.0, 1e-3);
    // Damping 0.85 overshoots only a little.
    double peak = 0;
    for (double t = 0; t < 1.0; t += 0.001) peak = std::max(peak, kitSpring.value(t));
    EXPECT_LT(peak, 1.01);
    EXPECT_GT(kitSpringDurationMs(), 150);
    EXPECT_LT(kitSpringDurationMs(), 500);
    EXPECT_DOUBLE_EQ(kitSpringCurve().valueForProgress(1.0), 1.0);
}

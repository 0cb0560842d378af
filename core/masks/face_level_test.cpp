#include "core/masks/face_level.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orvane {
namespace {

SkinRegion face(double width, std::optional<double> lum) {
    SkinRegion r;
    r.left = 0.1;
    r.right = 0.1 + width;
    r.top = 0.1;
    r.bottom = 0.3;
    r.dabs = {{0.15, 0.2}};
    r.lum = lum;
    return r;
}

TEST(FaceLevelMask, levelsOnlyFacesThatStandOutFromTheMedian) {
    // Median 0.2: the face at 0.4 (g = −1) is darkened by at most 0.7; the one at 0.1 (g = 1) is too
    // dark to lift; the median face needs nothing.
    const std::vector<SkinRegion> three = {face(0.1, 0.1), face(0.1, 0.2), face(0.1, 0.4)};
    const auto levels = FaceLevelMask::plan(three, 0.5);
    ASSERT_EQ(levels.size(), 1u);
    EXPECT_EQ(levels[0].region, three[2]);
    EXPECT_DOUBLE_EQ(levels[0].ev, -0.7);

    struct Case {
        const char* label;
        std::vector<SkinRegion> regions;
        std::vector<double> evs;
    };
    const std::vector<Case> cases = {
        {"one usable face", {face(0.1, 0.4)}, {}},
        {"narrow faces are not usable", {face(0.03, 0.1), face(0.03, 0.4)}, {}},
        {"half as wide as the widest", {face(0.2, 0.2), face(0.09, 0.05), face(0.2, 0.3)}, {std::log2(0.3 / 0.2)}},
        {"no luminance", {face(0.1, std::nullopt), face(0.1, 0.3), face(0.1, 0.0005)}, {}},
        {"below 0.04 left alone", {face(0.1, 0.03), face(0.1, 0.05), face(0.1, 0.08)}, {std::log2(0.05 / 0.08)}},
        {"a darker face lifted", {face(0.1, 0.1), face(0.1, 0.15), face(0.1, 0.16)}, {std::log2(1.5)}},
        {"small differences", {face(0.1, 0.2), face(0.1, 0.21)}, {}},
    };
    for (const auto& c : cases) {
        std::vector<double> evs;
        for (const auto& l : FaceLevelMask::plan(c.regions, 0)) evs.push_back(l.ev);
        ASSERT_EQ(evs.size(), c.evs.size()) << c.label;
        for (std::size_t i = 0; i < evs.size(); ++i) EXPECT_NEAR(evs[i], c.evs[i], 1e-6) << c.label;
    }
}

}  // namespace
}  // namespace orvane

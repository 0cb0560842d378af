#include "core/vision/safe_zone.h"

#include <gtest/gtest.h>

#include "core/vision/layout_fixtures.h"

namespace orvane {
namespace {

using testing::crowdWithIntruder;
using testing::expectRect;
using testing::layoutOf;
using testing::person;
using testing::region;
using testing::singleStanding;

TEST(SafeZoneRequired, wrapsThePeopleWithMargins) {
    // Person 0.4..0.55 × 0.2..0.9: side margin 0.02 (floor), top and bottom 0.04 × 0.7.
    const auto layout = singleStanding();
    expectRect(SafeZone::required(&layout), {0.38, 0.2 - 0.028, 0.57, 0.9 + 0.028});
}

TEST(SafeZoneRequired, includesFacesAndBodies) {
    const auto layout = layoutOf({person(0.4, 0.2, 0.55, 0.9)}, {region(0.3, 0.1, 0.35, 0.15)});
    const auto zone = SafeZone::required(&layout);
    ASSERT_TRUE(zone);
    EXPECT_NEAR(zone->left, 0.3 - 0.02, 1e-9);
    EXPECT_NEAR(zone->top, 0.1 - 0.04 * 0.8, 1e-9);
}

TEST(SafeZoneRequired, isAbsentWithoutLayoutOrPeople) {
    EXPECT_EQ(SafeZone::required(nullptr), std::nullopt);
    const auto empty = layoutOf({});
    EXPECT_EQ(SafeZone::required(&empty), std::nullopt);
}

TEST(SafeZoneRequired, sidesTheFrameCutsPutNoDemand) {
    const auto bottomEdge = layoutOf({person(0.4, 0.3, 0.55, 0.995)});
    const auto zone = SafeZone::required(&bottomEdge);
    ASSERT_TRUE(zone);
    EXPECT_EQ(zone->bottom, 0);
    EXPECT_TRUE(SafeZone::contains({0.3, 0.2, 0.7, 0.6}, *zone));  // any bottom passes

    const auto corners = layoutOf({person(0.005, 0.01, 0.3, 0.8), person(0.6, 0.2, 0.995, 0.8)});
    const auto z2 = SafeZone::required(&corners);
    ASSERT_TRUE(z2);
    EXPECT_EQ(z2->left, 1);
    EXPECT_EQ(z2->top, 1);
    EXPECT_EQ(z2->right, 0);
    EXPECT_GT(z2->bottom, 0.8);
}

TEST(SafeZoneRequired, stopsAtTheKeptMasksBesideATallCutOffNeighbour) {
    const auto layout = crowdWithIntruder();
    const auto zone = SafeZone::required(&layout);
    ASSERT_TRUE(zone);
    // The neighbour is left out and no right margin is added: the zone ends where 98 % of the
    // rightmost subject's mask lies to the left (its mask spans strips 47..79 evenly).
    const double q98 = (47 + 0.98 * 33) / 100;
    EXPECT_NEAR(zone->right, q98, 1e-6);
    EXPECT_NEAR(zone->left, 0.1 - 0.05 * (0.8 - 0.1), 1e-9);
}

TEST(SafeZoneContains, allowsThreeThousandths) {
    const NormRect zone{0.2, 0.2, 0.8, 0.8};
    struct Case {
        const char* name;
        NormRect crop;
        bool inside;
    };
    const Case cases[] = {
        {"exactly", zone, true},
        {"within tolerance", {0.203, 0.203, 0.797, 0.797}, true},
        {"left short", {0.204, 0.2, 0.8, 0.8}, false},
        {"bottom short", {0.2, 0.2, 0.8, 0.796}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SafeZone::contains(c.crop, zone), c.inside);
    }
}

TEST(SafeZoneShifted, movesACropOntoTheZoneOrRefuses) {
    const NormRect zone{0.1, 0.2, 0.5, 0.8};
    // 0.2 to the right of the zone: moved left by 0.2.
    expectRect(SafeZone::shifted({0.3, 0.1, 0.9, 0.9}, zone), {0.1, 0.1, 0.7, 0.9});
    // Above the zone: moved down.
    expectRect(SafeZone::shifted({0.0, 0.0, 0.6, 0.7}, zone), {0.0, 0.1, 0.6, 0.8});
    // Narrower or lower than the zone: nothing fits.
    EXPECT_EQ(SafeZone::shifted({0.1, 0.1, 0.45, 0.9}, zone), std::nullopt);
    EXPECT_EQ(SafeZone::shifted({0.0, 0.2, 0.6, 0.7}, zone), std::nullopt);
    // Already holding it: unchanged.
    expectRect(SafeZone::shifted({0.05, 0.1, 0.6, 0.9}, zone), {0.05, 0.1, 0.6, 0.9});
}

TEST(SafeZoneBestEffort, centresSidewaysWith65PercentOfTheSpareHeightAbove) {
    expectRect(SafeZone::bestEffort({0, 0, 0.4, 0.4}, {0.3, 0.5, 0.5, 0.7}), {0.2, 0.37, 0.6, 0.77});
    // Clamped inside the frame.
    expectRect(SafeZone::bestEffort({0, 0, 0.6, 0.8}, {0.3, 0.3, 0.5, 0.5}), {0.1, 0, 0.7, 0.8});
    expectRect(SafeZone::bestEffort({0, 0, 0.6, 0.6}, {0.8, 0.7, 0.95, 0.9}), {0.4, 0.4, 1.0, 1.0});
    // A zone taller than the crop: the crop starts at the zone's top.
    expectRect(SafeZone::bestEffort({0, 0, 0.5, 0.3}, {0.2, 0.2, 0.6, 0.8}), {0.15, 0.2, 0.65, 0.5});
}

}  // namespace
}  // namespace orvane

#include "core/vision/smart_crop.h"

#include <gtest/gtest.h>

#include "core/vision/crop_planner.h"
#include "core/vision/layout_fixtures.h"

namespace orvane {
namespace {

using testing::crowdWithIntruder;
using testing::expectRect;
using testing::edgeNeighbour;
using testing::group;
using testing::layoutOf;
using testing::person;
using testing::region;
using testing::seated;
using testing::singleStanding;

// ---- classified ----

TEST(SmartCropClassified, sortsPeopleIntoSubjectsAndIntruders) {
    const auto a = person(0.3, 0.2, 0.45, 0.9, 0.06);
    const auto b = person(0.75, 0.2, 0.9, 0.9, 0.06);
    // Short, cut off at the right edge, right beside b.
    const auto beside = person(0.92, 0.5, 1.0, 0.7, 0.012);
    // Short, cut off at the right edge, far from everyone.
    const auto farShort = person(0.95, 0.5, 1.0, 0.7, 0.012);
    // Tall, cut off at the right edge, far from everyone.
    const auto farTall = person(0.95, 0.3, 1.0, 0.9, 0.012);
    const auto tiny = person(0.1, 0.1, 0.15, 0.15, 0.0015);
    struct Case {
        const char* name;
        PersonLayout layout;
        std::size_t people, subjects, intruders;
    };
    const Case cases[] = {
        {"area 0.0015 is ignored", layoutOf({a, b, tiny}), 2, 2, 0},
        {"short neighbour beside a subject is an intruder", layoutOf({a, b, beside}), 3, 2, 1},
        {"the same neighbour under a face is a subject", layoutOf({a, b, beside}, {region(0.94, 0.5, 0.99, 0.6)}), 3,
         3, 0},
        {"the same neighbour inside a body box is a subject",
         layoutOf({a, b, beside}, {}, {region(0.92, 0.45, 1.0, 0.72)}), 3, 3, 0},
        {"short and far is neither", layoutOf({a, b, farShort}), 3, 2, 0},
        {"tall and far is an intruder", layoutOf({a, b, farTall}), 3, 2, 1},
        {"everyone sizable touches a side", layoutOf({person(0.0, 0.1, 0.3, 0.9), person(0.7, 0.1, 1.0, 0.9)}), 2, 2,
         0},
        {"nobody", layoutOf({}), 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto got = SmartCrop::classified(c.layout);
        EXPECT_EQ(got.people.size(), c.people);
        EXPECT_EQ(got.subjects.size(), c.subjects);
        EXPECT_EQ(got.intruders.size(), c.intruders);
    }
}

TEST(SmartCropClassified, smallPeopleCountAsSizableOnlyNearARegion) {
    const auto big = person(0.3, 0.2, 0.5, 0.9, 0.1);
    const auto small = person(0.6, 0.5, 0.7, 0.7, 0.02);  // below 0.3 of the largest area
    EXPECT_EQ(SmartCrop::classified(layoutOf({big, small})).subjects, std::vector<PersonInfo>{big});
    const auto withFace = SmartCrop::classified(layoutOf({big, small}, {region(0.62, 0.5, 0.68, 0.56)}));
    EXPECT_EQ(withFace.subjects, (std::vector<PersonInfo>{big, small}));
}

TEST(SmartCropClassified, theCrowdsEdgeNeighbourIsTheIntruder) {
    const auto c = SmartCrop::classified(crowdWithIntruder());
    ASSERT_EQ(c.intruders.size(), 1u);
    EXPECT_EQ(c.intruders.front(), edgeNeighbour());
    EXPECT_EQ(c.subjects.size(), 2u);
}

// ---- plan ----

TEST(SmartCropPlan, framesASingleStandingPersonWithHeadroomAndFeetRoom) {
    const NormRect full{0, 0, 1, 1};
    const NormRect want{0.04625, 0.081, 0.90375, 0.9385};
    expectRect(SmartCrop::planCandidate(singleStanding(), 1.5, full), want);
    expectRect(SmartCrop::plan(singleStanding(), 1.5, full), want);
}

TEST(SmartCropPlan, refusesWhatItCannotFrame) {
    const NormRect full{0, 0, 1, 1};
    auto oldLayout = singleStanding();
    oldLayout.version = 1;
    auto noFaces = singleStanding();
    noFaces.faces.reset();
    struct Case {
        const char* name;
        PersonLayout layout;
        double aspect;
    };
    const Case cases[] = {
        {"version 1", oldLayout, 1.5},
        {"faces absent", noFaces, 1.5},
        {"group spans 0.4 of the height", layoutOf({person(0.4, 0.3, 0.55, 0.7, 0.04)}), 1.5},
        {"nobody", layoutOf({}), 1.5},
        {"seated content below 0.7", seated(), 1.5},
        {"aspect 0", singleStanding(), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SmartCrop::plan(c.layout, c.aspect, full), std::nullopt);
    }
}

TEST(SmartCropPlan, trimsACutOffNeighbourToAThirdOfItsMask) {
    const auto layout = crowdWithIntruder();
    const auto crop = SmartCrop::plan(layout, 1.5, {0, 0, 1, 1});
    ASSERT_TRUE(crop.has_value());
    EXPECT_TRUE(CropPlanner::preservesOriginalRatio(*crop));
    const auto n = edgeNeighbour();
    // Before the trim the right limit sat where 61 % of the neighbour's mask was inside.
    EXPECT_GT(n.fractionLeft(0.844), 0.6);
    EXPECT_LE(n.fractionLeft(crop->right), 0.35);
    EXPECT_NEAR(crop->right, 0.824, 1e-9);
    // Both subjects stay whole.
    const auto c = SmartCrop::classified(layout);
    EXPECT_TRUE(SmartCrop::subjectsInside(c.subjects, *crop, 0.02, false));
}

// ---- the checks ----

TEST(SmartCropChecks, subjectsInsideAllowsTheLateralShareAndSkipsFeetOnALegCut) {
    const auto subjects = SmartCrop::classified(group()).subjects;  // 0.3..0.45 and 0.5..0.65, y 0.2..0.9
    struct Case {
        const char* name;
        NormRect crop;
        double lateral;
        bool legsCut;
        bool inside;
    };
    const Case cases[] = {
        {"everything inside", {0.1, 0.1, 0.9, 0.95}, 0.02, false, true},
        {"left cuts 1/15 of a person", {0.31, 0.1, 0.9, 0.95}, 0.02, false, false},
        {"that cut within a larger allowance", {0.31, 0.1, 0.9, 0.95}, 0.1, false, true},
        {"head within 0.004", {0.1, 0.203, 0.9, 0.95}, 0.02, false, true},
        {"head cut", {0.1, 0.21, 0.9, 0.95}, 0.02, false, false},
        {"feet room short", {0.1, 0.1, 0.9, 0.92}, 0.02, false, false},
        {"feet room short on a leg cut", {0.1, 0.1, 0.9, 0.7}, 0.02, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SmartCrop::subjectsInside(subjects, c.crop, c.lateral, c.legsCut), c.inside);
    }
}

TEST(SmartCropChecks, noSlicedPeopleAllowsThreePercentAndIgnoresEdgeAndSmallPeople) {
    const auto p = person(0.3, 0.2, 0.5, 0.9, 0.1);  // 20 strips of 5 % each
    struct Case {
        const char* name;
        std::vector<PersonInfo> people;
        NormRect crop;
        bool ok;
    };
    const Case cases[] = {
        {"clear", {p}, {0.2, 0, 0.6, 1}, true},
        {"2.5 % off the left", {p}, {0.305, 0, 0.6, 1}, true},
        {"5 % off the right", {p}, {0.2, 0, 0.49, 1}, false},
        {"touching the left edge", {person(0.005, 0.2, 0.3, 0.9, 0.1)}, {0.2, 0, 0.6, 1}, true},
        {"area below 0.01", {person(0.3, 0.2, 0.5, 0.9, 0.009)}, {0.4, 0, 0.6, 1}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SmartCrop::noSlicedPeople(c.people, c.crop), c.ok);
    }
}

TEST(SmartCropChecks, legCutsOKOnlyBetween55And72PercentOfTheHeight) {
    const auto standing = SmartCrop::classified(singleStanding()).people;  // y 0.2..0.9
    struct Case {
        const char* name;
        double bottom;
        bool ok;
    };
    const Case cases[] = {
        {"at 60 %", 0.2 + 0.7 * 0.6, true},   {"at 55 %", 0.2 + 0.7 * 0.5501, true},
        {"at 72 %", 0.2 + 0.7 * 0.7199, true}, {"at 43 %", 0.5, false},
        {"at 79 %", 0.75, false},             {"within 0.01 of the feet", 0.895, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SmartCrop::legCutsOK(standing, {0, 0, 1, c.bottom}), c.ok);
    }
    EXPECT_TRUE(SmartCrop::legCutsOK({person(0.4, 0.2, 0.55, 0.9, 0.009)}, {0, 0, 1, 0.5}));
}

// ---- protects ----

TEST(SmartCropProtects, answersForEachSceneAndCrop) {
    auto withFace = singleStanding();
    withFace.faces = {region(0.43, 0.2, 0.52, 0.3)};
    withFace.bodies = {region(0.4, 0.2, 0.55, 0.9)};
    auto faceBeside = singleStanding();  // a face the person masks missed
    faceBeside.faces = {region(0.6, 0.2, 0.7, 0.3)};
    auto faceOut = singleStanding();
    faceOut.faces = {region(0.9, 0.2, 1.02, 0.3)};
    auto oldLayout = singleStanding();
    oldLayout.version = 1;
    auto noFaces = singleStanding();
    noFaces.faces.reset();
    const NormRect full{0, 0, 1, 1};
    struct Case {
        const char* name;
        PersonLayout layout;
        NormRect crop;
        double angle, aspect;
        bool ok;
    };
    const Case cases[] = {
        {"full frame", singleStanding(), full, 0, 1.5, true},
        {"full frame with face and body", withFace, full, 0, 1.5, true},
        {"face reaching past the right edge", faceOut, full, 0, 1.5, false},
        {"version 1", oldLayout, full, 0, 1.5, false},
        {"faces absent", noFaces, full, 0, 1.5, false},
        {"angle not finite", singleStanding(), full, INFINITY, 1.5, false},
        {"aspect 0", singleStanding(), full, 0, 0, false},
        {"face margin kept", faceBeside, {0.3, 0.1, 0.713, 0.95}, 0, 1.5, true},
        {"face margin short", faceBeside, {0.3, 0.1, 0.705, 0.95}, 0, 1.5, false},
        {"seated person whole", seated(), {0.2, 0.2, 0.8, 0.95}, 0, 1.5, true},
        {"seated person sliced", seated(), {0.35, 0.2, 0.8, 0.95}, 0, 1.5, false},
        {"group, small turn", group(), {0.1, 0.05, 0.9, 0.98}, 2, 1.5, true},
        {"group, turned corners leave the crop", group(), {0.28, 0.18, 0.67, 0.94}, 10, 1.5, false},
        {"the same crop unturned", group(), {0.28, 0.18, 0.67, 0.94}, 0, 1.5, true},
        {"crowd: the intruder may be cut", crowdWithIntruder(), {0.05, 0.1, 0.85, 0.95}, 0, 1.5, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SmartCrop::protects(c.layout, c.crop, c.angle, c.aspect), c.ok);
    }
}

}  // namespace
}  // namespace orvane

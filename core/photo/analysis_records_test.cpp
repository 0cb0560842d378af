#include "core/photo/analysis_records.h"

#include <gtest/gtest.h>

#include "core/base/base64.h"

namespace orvane {
namespace {

TEST(DabCoding, packsSixteenBitLittleEndianPairs) {
    std::string text = DabCoding::encode({{0.5, 1.0}});
    auto bytes = Base64::decode(text);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, (std::vector<unsigned char>{0x00, 0x80, 0xFF, 0xFF}));
    EXPECT_EQ(DabCoding::decode(text), (DabList{{32768 / 65535.0, 1.0}}));

    auto back = DabCoding::decode(DabCoding::encode({{0.25, 0.75}}));
    ASSERT_EQ(back.size(), 1u);
    EXPECT_NEAR(back[0][0], 0.25, 1 / 131070.0);
    EXPECT_NEAR(back[0][1], 0.75, 1 / 131070.0);
}

TEST(DabCoding, clampsSkipsAndToleratesBadText) {
    // Below 0 is 0; at or above 1 and NaN are 65535; short dabs skipped; extra numbers ignored.
    auto dabs = DabCoding::decode(DabCoding::encode({{-0.1, 2.0}, {0.3}, {std::nan(""), 0.0, 9.0}}));
    EXPECT_EQ(dabs, (DabList{{0.0, 1.0}, {1.0, 0.0}}));
    EXPECT_EQ(DabCoding::encode({}), "");
    EXPECT_TRUE(DabCoding::decode("").empty());
    // Six bytes: one whole dab, two trailing bytes ignored.
    std::vector<unsigned char> six = {1, 0, 2, 0, 9, 9};
    EXPECT_EQ(DabCoding::decode(Base64::encode(six)), (DabList{{1 / 65535.0, 2 / 65535.0}}));
    EXPECT_TRUE(DabCoding::decode("AAAA*AAA").empty());
    EXPECT_TRUE(DabCoding::decode("AAAAA").empty());
}

TEST(CropSettings, ratiosFollowTheModeAndTheTable) {
    struct Case {
        const char* name;
        CropSettings s;
        std::optional<double> ratio;
        bool original;
    };
    using M = CropSettings::Mode;
    const Case cases[] = {
        {"custom2x3", {M::custom, "3:2", 2, 3}, 1.5, false},
        {"custom3x2", {M::custom, "3:2", 3, 2}, 1.5, false},
        {"customZero", {M::custom, "3:2", 0, 2}, std::nullopt, false},
        {"customNegative", {M::custom, "3:2", 3, -2}, std::nullopt, false},
        {"ratio2to1", {M::ratio, "2:1", 3, 2}, 2.0, false},
        {"ratio16to9", {M::ratio, "16:9", 3, 2}, 16.0 / 9.0, false},
        {"ratioReversed", {M::ratio, "2:3", 3, 2}, std::nullopt, false},
        {"ratioLeadingSpace", {M::ratio, " 3:2", 3, 2}, std::nullopt, false},
        {"none", {M::none, "2:1", 3, 2}, std::nullopt, true},
        {"original", {M::original, "2:1", 3, 2}, std::nullopt, true},
        {"bottom", {M::bottom, "2:1", 3, 2}, std::nullopt, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.s.longShortRatio(), c.ratio);
        EXPECT_EQ(c.s.requiresOriginalRatio(), c.original);
    }
    EXPECT_EQ(CropSettings::presets().size(), 9u);
    EXPECT_EQ(CropSettings(), (CropSettings{M::none, "3:2", 3.0, 2.0}));
}

TEST(CropSettings, allFourKeysAreRequired) {
    auto full = json::parse(R"({"mode":"custom","ratio":"4:3","customW":5,"customH":4})");
    auto c = json::decode<CropSettings>(full);
    EXPECT_EQ(c.mode, CropSettings::Mode::custom);
    EXPECT_EQ(json::encode(c), full);
    EXPECT_THROW(json::decode<CropSettings>(json::parse(R"({"mode":"custom","ratio":"4:3","customW":5})")), json::DecodeError);
    EXPECT_THROW(json::decode<CropSettings>(json::parse(R"({"mode":"Custom","ratio":"4:3","customW":5,"customH":4})")),
                 json::DecodeError);
}

TEST(SkinRegion, writesTextDabsAndReadsTheOldArray) {
    auto r = json::decode<SkinRegion>(json::parse(R"({"left":0.1,"top":0.2,"right":0.3,"bottom":0.4,"dabs":[[0.5,1.0]]})"));
    EXPECT_EQ(r.dabs, (DabList{{0.5, 1.0}}));
    EXPECT_EQ(r.radius, 0.004);
    EXPECT_TRUE(r.isOutdated());
    Json out = json::encode(r);
    EXPECT_FALSE(out.contains("dabs"));
    EXPECT_EQ(out["dabs16"], "AID//w==");
    EXPECT_FALSE(out.contains("lum"));
    EXPECT_FALSE(out.contains("v"));

    SkinRegion current{0.1, 0.2, 0.3, 0.4, {}, 0.01, 0.5, 2};
    EXPECT_FALSE(current.isOutdated());
    EXPECT_EQ(json::decode<SkinRegion>(json::encode(current)), current);
    // Bad Base64 gives no dabs but keeps the record.
    auto bad = json::decode<SkinRegion>(json::parse(R"({"left":0,"top":0,"right":1,"bottom":1,"dabs16":"!!"})"));
    EXPECT_TRUE(bad.dabs.empty());
    EXPECT_THROW(json::decode<SkinRegion>(json::parse(R"({"left":0,"top":0,"right":1})")), json::DecodeError);
}

TEST(TeethRegion, writesCoarseKeysOnlyWithCoarseDabs) {
    TeethRegion fine{0.1, 0.2, 0.3, 0.4, {{0.2, 0.3}}, 0.0022, {}, 0.5};
    Json j = json::encode(fine);
    EXPECT_FALSE(j.contains("coarse16"));
    EXPECT_FALSE(j.contains("coarseRadius"));
    auto back = json::decode<TeethRegion>(j);
    EXPECT_TRUE(back.coarse.empty());
    EXPECT_EQ(back.coarseRadius, 0);

    TeethRegion both{0.1, 0.2, 0.3, 0.4, {}, 0.003, {{0.0, 1.0}}, 0.01};
    j = json::encode(both);
    EXPECT_TRUE(j.contains("coarse16"));
    EXPECT_EQ(j["coarseRadius"], 0.01);
    EXPECT_EQ(json::decode<TeethRegion>(j), both);
    EXPECT_EQ(json::decode<TeethRegion>(json::parse(R"({"left":0,"top":0,"right":1,"bottom":1})")).radius, 0.0022);
}

TEST(PersonLayout, onlyCompleteCurrentLayoutsAreCurrent) {
    auto made = PersonLayout::make({}, std::vector<PersonRegion>{}, std::vector<PersonRegion>{}, true);
    EXPECT_EQ(made.version, 2);
    EXPECT_TRUE(made.isCurrent());
    EXPECT_EQ(json::decode<PersonLayout>(json::encode(made)), made);

    for (const char* text : {R"({"people":[],"faces":[],"bodies":[],"protectionComplete":true})",
                             R"({"people":[],"faces":[],"bodies":[],"version":2})",
                             R"({"people":[],"bodies":[],"version":2,"protectionComplete":true})",
                             R"({"people":[],"faces":[],"version":2,"protectionComplete":true})",
                             R"({"people":[],"faces":[],"bodies":[],"version":1,"protectionComplete":true})"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(json::decode<PersonLayout>(json::parse(text)).isCurrent());
    }
    EXPECT_THROW(json::decode<PersonLayout>(json::parse(R"({"faces":[]})")), json::DecodeError);
}

TEST(PersonInfo, fractionLeftInterpolatesWithinAStrip) {
    PersonInfo p;
    p.cols.assign(100, 0.0f);
    p.cols[10] = 0.5f;
    p.cols[60] = 0.5f;
    EXPECT_EQ(p.fractionLeft(-1), 0.0);
    EXPECT_EQ(p.fractionLeft(0), 0.0);
    EXPECT_NEAR(p.fractionLeft(0.105), 0.25, 1e-6);  // halfway through strip 10
    EXPECT_FLOAT_EQ(p.fractionLeft(0.5), 0.5f);
    EXPECT_FLOAT_EQ(p.fractionLeft(1), 1.0f);
    EXPECT_FLOAT_EQ(p.fractionLeft(7), 1.0f);
    PersonInfo box{0.0, 0.1, 0.99, 0.5, 0.2, {}};
    EXPECT_TRUE(box.clipsLeft());
    EXPECT_TRUE(box.clipsRight());
    EXPECT_FALSE(box.clipsBottom());
    EXPECT_DOUBLE_EQ(box.width(), 0.99);
}

}  // namespace
}  // namespace orvane

#include "core/masks/brush_mask.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <set>

#include "core/masks/face_level.h"
#include "core/masks/mask_test_support.h"
#include "core/masks/skin_mask.h"
#include "core/masks/subject_mask.h"
#include "testing/romanian_locale.h"

namespace orvane {
namespace {

using testing::captures;
using testing::maskedIDs;

SkinRegion regionWith(std::size_t dabs, double radius = 0.005) {
    SkinRegion r;
    for (std::size_t i = 0; i < dabs; ++i) r.dabs.push_back({0.001 * static_cast<double>(i), 0.5});
    r.radius = radius;
    return r;
}

std::string paint(const std::string& radius, const std::string& dabs) {
    return "<rdf:li><rdf:Description crs:What=\"Mask/Paint\" crs:CenterWeight=\"0\" crs:Flow=\"1\" crs:Radius=\"" +
           radius +
           "\" crs:MaskActive=\"true\" crs:MaskBlendMode=\"0\" crs:MaskInverted=\"false\" crs:MaskValue=\"1\" "
           "crs:MaskID=\"ID\" crs:MaskSyncID=\"SYNC\"><crs:Dabs><rdf:Seq>" +
           dabs + "</rdf:Seq></crs:Dabs></rdf:Description></rdf:li>";
}

std::string correction(const std::string& amount, const std::string& name, const std::string& locals,
                       const std::string& maskName, const std::string& paints) {
    return "<rdf:li><rdf:Description crs:What=\"Correction\" crs:CorrectionAmount=\"" + amount +
           "\" crs:CorrectionActive=\"true\" crs:CorrectionName=\"" + name +
           "\" crs:CorrectionSyncID=\"SYNC\" crs:CorrectionID=\"ID\" crs:CorrectionReferenceX=\"0.5\" "
           "crs:CorrectionReferenceY=\"0.5\"" + locals +
           "><crs:CorrectionMasks><rdf:Seq><rdf:li><rdf:Description crs:What=\"Mask/Aggregate\" crs:MaskActive=\"true\" "
           "crs:MaskName=\"" + maskName +
           "\" crs:MaskBlendMode=\"0\" crs:MaskInverted=\"false\" crs:MaskValue=\"1\" crs:MaskID=\"ID\" "
           "crs:MaskSyncID=\"SYNC\"><crs:Masks><rdf:Seq>" + paints +
           "</rdf:Seq></crs:Masks></rdf:Description></rdf:li></rdf:Seq></crs:CorrectionMasks></rdf:Description></rdf:li>";
}

TEST(BrushMask, writesTheExactFragmentOfEachKind) {
    testing::RomanianLocale romanian;  // the numbers keep their point whatever the locale
    SkinRegion two;
    two.dabs = {{0.25, 0.125}, {0.3, -0.0}};
    two.radius = 0.0045;
    const std::string twoDabs = "<rdf:li>d 0.250000 0.125000</rdf:li><rdf:li>d 0.300000 -0.000000</rdf:li>";

    struct Case {
        const char* label;
        std::string text;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"skin without sharpness", SkinMask::correction({two}, 60, SkinParams{10, 10, 0}),
         correction("0.600000", "Vendrel – Netezire piele",
                    " crs:LocalTexture=\"-0.100000\" crs:LocalClarity2012=\"-0.100000\"", "Piele",
                    paint("0.004500", twoDabs))},
        {"skin clamped, with sharpness", SkinMask::correction({two}, 100, SkinParams{0, 150, 30}),
         correction("1.000000", "Vendrel – Netezire piele",
                    " crs:LocalTexture=\"-0.000000\" crs:LocalClarity2012=\"-1.000000\" crs:LocalSharpness=\"-0.300000\"",
                    "Piele", paint("0.004500", twoDabs))},
        {"face level", FaceLevelMask::correction(FaceLevel{two, -0.7}, 70),
         correction("0.700000", "Vendrel – Nivel fețe", " crs:LocalExposure2012=\"-0.700000\"", "Față",
                    paint("0.004500", twoDabs))},
        {"subject", SubjectMask::correction({two}, 100),
         correction("1.000000", "Vendrel – Subiect", " crs:LocalExposure2012=\"0.000000\"", "Subiect",
                    paint("0.004500", twoDabs))},
        {"no dabs at all", SubjectMask::correction({regionWith(0), SkinRegion{}}, 100),
         correction("1.000000", "Vendrel – Subiect", " crs:LocalExposure2012=\"0.000000\"", "Subiect", "")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(maskedIDs(c.text), c.expected) << c.label;
        // Well-formed once the two prefixes are declared around it.
        const std::string wrapped = "<w xmlns:crs=\"c\" xmlns:rdf=\"r\">" + c.text + "</w>";
        pugi::xml_document doc;
        EXPECT_TRUE(doc.load_string(wrapped.c_str())) << c.label;
    }
}

TEST(BrushMask, cutsEachRegionIntoStrokesOfTwenty) {
    struct Case {
        const char* label;
        std::vector<SkinRegion> regions;
        std::vector<std::size_t> dabCounts;
        std::vector<std::string> radii;
    };
    const std::vector<Case> cases = {
        {"41 dabs", {regionWith(41)}, {20, 20, 1}, {"0.005000", "0.005000", "0.005000"}},
        {"exactly 20", {regionWith(20)}, {20}, {"0.005000"}},
        {"regions in order, an empty one between",
         {regionWith(3, 0.01), regionWith(0), regionWith(21, 0.002)},
         {3, 20, 1},
         {"0.010000", "0.002000", "0.002000"}},
    };
    for (const auto& c : cases) {
        const std::string t = BrushMask::xml("N", "M", c.regions, 0.5, {});
        std::vector<std::size_t> counts;
        for (const auto& seq : captures(t, "<crs:Dabs><rdf:Seq>(.*?)</rdf:Seq></crs:Dabs>"))
            counts.push_back(captures(seq, "(<rdf:li>)").size());
        EXPECT_EQ(counts, c.dabCounts) << c.label;
        EXPECT_EQ(captures(t, "crs:Radius=\"([^\"]*)\""), c.radii) << c.label;
    }
    // The first stroke of 41 ends with the 20th dab, the last holds the 41st.
    const std::string t = BrushMask::xml("N", "M", {regionWith(41)}, 0.5, {});
    const auto dabs = captures(t, "<rdf:li>(d [^<]*)</rdf:li>");
    ASSERT_EQ(dabs.size(), 41u);
    EXPECT_EQ(dabs[19], "d 0.019000 0.500000");
    EXPECT_EQ(dabs[40], "d 0.040000 0.500000");
}

TEST(BrushMask, amountsAreClampedAndIdentifiersFresh) {
    for (const auto& [amount, written] : std::vector<std::pair<double, std::string>>{
             {1.3, "1.000000"}, {-0.2, "0.000000"}, {0.35, "0.350000"}}) {
        const std::string t = BrushMask::xml("N", "M", {regionWith(1)}, amount, {});
        EXPECT_EQ(captures(t, "crs:CorrectionAmount=\"([^\"]*)\""), std::vector<std::string>{written}) << amount;
    }
    const std::string t = BrushMask::xml("N", "M", {regionWith(45)}, 1, {{"LocalExposure2012", 0.5}});
    const auto correctionSync = captures(t, "crs:CorrectionSyncID=\"([^\"]*)\"");
    const auto maskSyncs = captures(t, "crs:MaskSyncID=\"([^\"]*)\"");
    const auto maskIDs = captures(t, "crs:MaskID=\"([^\"]*)\"");
    ASSERT_EQ(maskSyncs.size(), 4u);  // aggregate and three strokes
    EXPECT_EQ(std::set<std::string>(maskSyncs.begin(), maskSyncs.end()).size(), 1u);
    EXPECT_EQ(maskSyncs[0].size(), 32u);
    EXPECT_NE(correctionSync.at(0), maskSyncs[0]);
    EXPECT_EQ(std::set<std::string>(maskIDs.begin(), maskIDs.end()).size(), 4u);
    for (const auto& id : maskIDs) EXPECT_EQ(id.size(), 36u);
    // Two calls differ only in their identifiers.
    const std::string again = BrushMask::xml("N", "M", {regionWith(45)}, 1, {{"LocalExposure2012", 0.5}});
    EXPECT_NE(again, t);
    EXPECT_EQ(maskedIDs(again), maskedIDs(t));
}

TEST(BrushMask, aDamagedDabWithoutYIsLeftOut) {
    SkinRegion r = regionWith(2);
    r.dabs.insert(r.dabs.begin() + 1, Dab{0.7});
    EXPECT_EQ(captures(BrushMask::xml("N", "M", {r}, 1, {}), "<rdf:li>(d [^<]*)</rdf:li>"),
              (std::vector<std::string>{"d 0.000000 0.500000", "d 0.001000 0.500000"}));
}

TEST(SkinParams, localValuesAreNegatedClampedFractions) {
    struct Case {
        SkinParams params;
        std::vector<std::string> locals;  // name=value as written
    };
    const std::vector<Case> cases = {
        {{10, 10, 10}, {"LocalTexture=-0.100000", "LocalClarity2012=-0.100000", "LocalSharpness=-0.100000"}},
        {{0, 150, 0}, {"LocalTexture=-0.000000", "LocalClarity2012=-1.000000"}},
        {{-20, 50, -5}, {"LocalTexture=-0.000000", "LocalClarity2012=-0.500000"}},  // sharpness below 0: left out
    };
    for (const auto& c : cases) {
        std::vector<std::string> written;
        for (const auto& [name, value] : SkinMask::locals(c.params)) written.push_back(name + "=" + BrushMask::number(value));
        EXPECT_EQ(written, c.locals);
    }
    EXPECT_TRUE(std::signbit(SkinParams{0, 0, 0}.local().texture));
}

}  // namespace
}  // namespace orvane

#include "core/masks/teeth_mask.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <regex>
#include <set>

#include "core/masks/mask_test_support.h"
#include "testing/romanian_locale.h"

namespace orvane {
namespace {

using Spec = TeethMask::Spec;

TeethRegion region(int fine, int coarse = 0, double coarseRadius = 0) {
    TeethRegion r;
    for (int i = 0; i < fine; ++i) r.dabs.push_back({0.001 * i, 0.5});
    for (int i = 0; i < coarse; ++i) r.coarse.push_back({0.25, 0.002 * i});
    r.coarseRadius = coarseRadius;
    return r;
}

std::vector<std::string> all(const std::string& text, const std::string& pattern) {
    std::vector<std::string> out;
    std::regex re(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
        out.push_back((*it)[1]);
    return out;
}

TEST(TeethMaskSpec, managedNamesFollowTheTouchedParts) {
    struct Case {
        const char* label;
        Spec spec;
        std::vector<std::string> names;
    };
    Spec everything;
    everything.teeth = Spec::Part<TeethRegion>::remove();
    everything.skin = Spec::Part<SkinRegion>::set({}, 0);
    everything.faceLevel = Spec::Part<FaceLevel>::remove();
    everything.subject = Spec::Part<SkinRegion>::remove();
    Spec skinOnly;
    skinOnly.skin = Spec::Part<SkinRegion>::remove();
    const std::vector<Case> cases = {
        {"untouched", Spec(), {}},
        {"teeth removed", Spec::remove(), {"Vendrel – Albire dinți", "Orvane Studio – Albire dinți"}},
        {"teeth set with 0", Spec::set({region(3)}, 0), {"Vendrel – Albire dinți", "Orvane Studio – Albire dinți"}},
        {"skin only", skinOnly, {"Vendrel – Netezire piele", "Orvane Studio – Netezire piele"}},
        {"all four",
         everything,
         {"Vendrel – Albire dinți", "Vendrel – Netezire piele", "Vendrel – Nivel fețe", "Vendrel – Subiect",
          "Orvane Studio – Albire dinți", "Orvane Studio – Netezire piele", "Orvane Studio – Nivel fețe",
          "Orvane Studio – Subiect"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.spec.managedNames(), c.names) << c.label;
        EXPECT_EQ(c.spec.isEmpty(), c.names.empty()) << c.label;
    }
    EXPECT_TRUE(Spec().xmlItems().empty());
    EXPECT_TRUE(Spec::remove().xmlItems().empty());
    EXPECT_TRUE(Spec::set({region(3)}, 0).xmlItems().empty());
    EXPECT_TRUE(Spec::set({}, 40).xmlItems().empty());
}

TEST(TeethMaskSpec, setTeethGivesOneCorrectionWithItsAmount) {
    auto items = Spec::set({region(2)}, 42).xmlItems();
    ASSERT_EQ(items.size(), 1u);
    const std::string& t = items[0];
    EXPECT_EQ(t.rfind("<rdf:li><rdf:Description crs:What=\"Correction\" crs:CorrectionAmount=\"0.420000\" "
                      "crs:CorrectionActive=\"true\" crs:CorrectionName=\"Vendrel – Albire dinți\" crs:CorrectionSyncID=\"",
                      0),
              0u);
    EXPECT_NE(t.find("crs:CorrectionReferenceX=\"0.5\" crs:CorrectionReferenceY=\"0.5\" crs:LocalExposure2012=\"0.119048\" "
                     "crs:LocalHighlights2012=\"0.714286\" crs:LocalSaturation=\"-0.238095\" "
                     "crs:LocalTemperature=\"-0.238095\"><crs:CorrectionMasks><rdf:Seq><rdf:li><rdf:Description "
                     "crs:What=\"Mask/Aggregate\" crs:MaskActive=\"true\" crs:MaskName=\"Dinți\" crs:MaskBlendMode=\"0\" "
                     "crs:MaskInverted=\"false\" crs:MaskValue=\"1\" crs:MaskID=\""),
              std::string::npos);
    EXPECT_NE(t.find("<rdf:li>d 0.001000 0.500000</rdf:li>"), std::string::npos);
    EXPECT_EQ(t.find('\n'), std::string::npos);
    EXPECT_EQ(t.find("/>"), std::string::npos);  // nothing self-closing

    // It is well-formed once the two prefixes are declared around it.
    std::string wrapped = "<w xmlns:crs=\"c\" xmlns:rdf=\"r\">" + t + "</w>";
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_string(wrapped.c_str()));

    // Amounts are clamped to 0...100 percent.
    EXPECT_NE(TeethMask::correction({region(1)}, 250).find("crs:CorrectionAmount=\"1.000000\""), std::string::npos);
    EXPECT_NE(TeethMask::correction({region(1)}, -5).find("crs:CorrectionAmount=\"0.000000\""), std::string::npos);
}

TEST(TeethMaskSpec, paintElementsGroupTwentyDabsCoarseFirst) {
    struct Case {
        const char* label;
        TeethRegion region;
        std::vector<std::string> radii;      // one per paint element
        std::vector<std::size_t> dabCounts;  // one per paint element
    };
    TeethRegion both = region(3, 2, 0.01);
    both.radius = 0.002;
    TeethRegion zeroCoarse = region(2, 5, 0);
    zeroCoarse.radius = 0.003;
    const std::vector<Case> cases = {
        {"45 fine dabs", region(45), {"0.002200", "0.002200", "0.002200"}, {20, 20, 5}},
        {"coarse before fine", both, {"0.010000", "0.002000"}, {2, 3}},
        {"coarse without radius", zeroCoarse, {"0.003000"}, {2}},
        {"no dabs at all", region(0), {}, {}},
    };
    for (const auto& c : cases) {
        std::string t = TeethMask::correction({c.region}, 50);
        EXPECT_EQ(all(t, "crs:What=\"Mask/Paint\" crs:CenterWeight=\"0\" crs:Flow=\"1\" crs:Radius=\"([0-9.]+)\""), c.radii)
            << c.label;
        std::vector<std::size_t> counts;
        for (const auto& seq : all(t, "<crs:Dabs><rdf:Seq>(.*?)</rdf:Seq></crs:Dabs>"))
            counts.push_back(all(seq, "(<rdf:li>)").size());
        EXPECT_EQ(counts, c.dabCounts) << c.label;
        EXPECT_NE(t.find("<crs:Masks><rdf:Seq>"), std::string::npos) << c.label;
    }
}

TEST(TeethMaskSpec, identifiersAreFreshAndShareTheMaskSyncID) {
    std::string t = TeethMask::correction({region(25)}, 30);
    auto correctionSync = all(t, "crs:CorrectionSyncID=\"([^\"]*)\"");
    auto correctionID = all(t, "crs:CorrectionID=\"([^\"]*)\"");
    auto maskIDs = all(t, "crs:MaskID=\"([^\"]*)\"");
    auto maskSyncs = all(t, "crs:MaskSyncID=\"([^\"]*)\"");
    ASSERT_EQ(correctionSync.size(), 1u);
    EXPECT_TRUE(std::regex_match(correctionSync[0], std::regex("[0-9A-F]{32}")));
    EXPECT_TRUE(std::regex_match(correctionID.at(0), std::regex("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}")));
    ASSERT_EQ(maskIDs.size(), 3u);  // aggregate + two paint elements
    EXPECT_EQ(std::set<std::string>(maskIDs.begin(), maskIDs.end()).size(), 3u);
    for (const auto& id : maskIDs) EXPECT_EQ(id.size(), 36u);
    ASSERT_EQ(maskSyncs.size(), 3u);
    EXPECT_EQ(std::set<std::string>(maskSyncs.begin(), maskSyncs.end()).size(), 1u);
    EXPECT_EQ(maskSyncs[0].find('-'), std::string::npos);
    EXPECT_NE(TeethMask::correction({region(25)}, 30), t);
}

TEST(TeethMaskSpec, teethFragmentIsExact) {
    testing::RomanianLocale romanian;
    TeethRegion r;
    r.coarse = {{0.25, 0.5}};
    r.coarseRadius = 0.01;
    r.dabs = {{0.26, 0.51}};
    r.radius = 0.002;
    auto paint = [](const std::string& radius, const std::string& dab) {
        return "<rdf:li><rdf:Description crs:What=\"Mask/Paint\" crs:CenterWeight=\"0\" crs:Flow=\"1\" crs:Radius=\"" +
               radius +
               "\" crs:MaskActive=\"true\" crs:MaskBlendMode=\"0\" crs:MaskInverted=\"false\" crs:MaskValue=\"0.8\" "
               "crs:MaskID=\"ID\" crs:MaskSyncID=\"SYNC\"><crs:Dabs><rdf:Seq><rdf:li>" +
               dab + "</rdf:li></rdf:Seq></crs:Dabs></rdf:Description></rdf:li>";
    };
    const std::string expected =
        "<rdf:li><rdf:Description crs:What=\"Correction\" crs:CorrectionAmount=\"0.420000\" crs:CorrectionActive=\"true\" "
        "crs:CorrectionName=\"Vendrel – Albire dinți\" crs:CorrectionSyncID=\"SYNC\" crs:CorrectionID=\"ID\" "
        "crs:CorrectionReferenceX=\"0.5\" crs:CorrectionReferenceY=\"0.5\" crs:LocalExposure2012=\"0.119048\" "
        "crs:LocalHighlights2012=\"0.714286\" crs:LocalSaturation=\"-0.238095\" crs:LocalTemperature=\"-0.238095\">"
        "<crs:CorrectionMasks><rdf:Seq><rdf:li><rdf:Description crs:What=\"Mask/Aggregate\" crs:MaskActive=\"true\" "
        "crs:MaskName=\"Dinți\" crs:MaskBlendMode=\"0\" crs:MaskInverted=\"false\" crs:MaskValue=\"1\" crs:MaskID=\"ID\" "
        "crs:MaskSyncID=\"SYNC\"><crs:Masks><rdf:Seq>" +
        paint("0.010000", "d 0.250000 0.500000") + paint("0.002000", "d 0.260000 0.510000") +
        "</rdf:Seq></crs:Masks></rdf:Description></rdf:li></rdf:Seq></crs:CorrectionMasks></rdf:Description></rdf:li>";
    EXPECT_EQ(testing::maskedIDs(Spec::set({r}, 42).xmlItems().at(0)), expected);
}

TEST(TeethMaskSpec, xmlItemsWriteEveryKindSetWithSomethingToPaint) {
    testing::RomanianLocale romanian;
    SkinRegion face;
    face.dabs = {{0.5, 0.5}};
    Spec spec;
    spec.subject = Spec::Part<SkinRegion>::set({face}, 100);
    spec.faceLevel = Spec::Part<FaceLevel>::set({FaceLevel{face, 0.3}, FaceLevel{face, -0.5}}, 80);
    spec.skin = Spec::Part<SkinRegion>::set({face}, 60);
    spec.skinParams = SkinParams{20, 0, 0};
    spec.teeth = Spec::Part<TeethRegion>::set({region(2)}, 40);
    std::vector<std::string> summary;
    for (const auto& item : spec.xmlItems()) {
        summary.push_back(all(item, "crs:CorrectionName=\"([^\"]*)\"").at(0) + " " +
                          all(item, "crs:CorrectionAmount=\"([^\"]*)\"").at(0) + " " +
                          all(item, "crs:MaskName=\"([^\"]*)\"").at(0));
    }
    EXPECT_EQ(summary, (std::vector<std::string>{"Vendrel – Albire dinți 0.400000 Dinți",
                                                 "Vendrel – Netezire piele 0.600000 Piele",
                                                 "Vendrel – Nivel fețe 0.800000 Față", "Vendrel – Nivel fețe 0.800000 Față",
                                                 "Vendrel – Subiect 1.000000 Subiect"}));
    const auto items = spec.xmlItems();
    EXPECT_NE(items[1].find(" crs:LocalTexture=\"-0.200000\" crs:LocalClarity2012=\"-0.000000\">"), std::string::npos);
    EXPECT_NE(items[3].find(" crs:LocalExposure2012=\"-0.500000\">"), std::string::npos);

    // Only parts set with regions and an amount above 0 add an item; each touched part is managed.
    Spec quiet;
    quiet.teeth = Spec::Part<TeethRegion>::remove();
    quiet.skin = Spec::Part<SkinRegion>::set({face}, 0);
    quiet.faceLevel = Spec::Part<FaceLevel>::set({}, 70);
    quiet.subject = Spec::Part<SkinRegion>::set({}, 100);
    EXPECT_TRUE(quiet.xmlItems().empty());
    EXPECT_EQ(quiet.managedNames().size(), 8u);
}

}  // namespace
}  // namespace orvane

#include "core/xmp/xmp_merge.h"

#include <gtest/gtest.h>

#include <regex>

#include "core/masks/teeth_mask.h"
#include "core/xmp/xmp_test_support.h"

namespace orvane {
namespace {

using testing::kCrs;
using testing::kRdf;
using testing::neutralPreset;
using testing::presetFrom;
using testing::presetText;
using Set = std::set<std::string, std::less<>>;

const std::string kXmp = "http://ns.adobe.com/xap/1.0/";

// What another program writes: packet wrapper, comments, its own toolkit, one description.
std::string foreignSidecar() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
           "<!-- before -->\n"
           "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\" x:xmptk=\"Adobe XMP Core 7.0\">\n"
           " <rdf:RDF xmlns:rdf=\"" + kRdf + "\">\n"
           "  <rdf:Description rdf:about=\"\"\n"
           "    xmlns:xmp=\"" + kXmp + "\"\n"
           "    xmlns:crs=\"" + kCrs + "\"\n"
           "   xmp:Rating=\"3\"\n"
           "   crs:Version=\"14.0\"\n"
           "   crs:Exposure2012=\"+1.00\"\n"
           "   crs:Temperature=\"4500\"\n"
           "   crs:Contrast2012=\"+5\"\n"
           "   crs:Tint=\"+3\">\n"
           "   <!-- inside -->\n"
           "   <crs:ToneCurvePV2012>\n"
           "    <rdf:Seq>\n"
           "     <rdf:li>0, 0</rdf:li>\n"
           "    </rdf:Seq>\n"
           "   </crs:ToneCurvePV2012>\n"
           "  </rdf:Description>\n"
           " </rdf:RDF>\n"
           "</x:xmpmeta>\n"
           "<?xpacket end=\"w\"?>";
}

std::string sidecarWith(const std::string& descriptionAttrs, const std::string& content,
                        const std::string& more = "") {
    return "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\" x:xmptk=\"Vendrel\"><rdf:RDF xmlns:rdf=\"" + kRdf +
           "\"><rdf:Description rdf:about=\"\" xmlns:crs=\"" + kCrs + "\" " + descriptionAttrs + ">" + content +
           "</rdf:Description>" + more + "</rdf:RDF></x:xmpmeta>";
}

std::string mergeNeutral(const std::string& existing, const TeethMask::Spec* masks = nullptr, const Set& skipping = {}) {
    return neutralPreset().merged(existing, 0.333, 5001, std::nullopt, {}, {}, masks, skipping);
}

const std::string kOurs =
    " crs:Version=\"15.4\" crs:ProcessVersion=\"15.4\" crs:ConvertToGrayscale=\"False\" crs:HasSettings=\"True\""
    " crs:WhiteBalance=\"Custom\" crs:Temperature=\"5001\" crs:Exposure2012=\"+0.33\"";

void checkForeignSidecarMerge() {
    const std::string out = mergeNeutral(foreignSidecar());
    const std::string expected =
        "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
        "<!-- before -->\n"
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\" x:xmptk=\"Adobe XMP Core 7.0\">\n"
        " <rdf:RDF xmlns:rdf=\"" + kRdf + "\">\n"
        "  <rdf:Description xmlns:xmp=\"" + kXmp + "\" xmlns:crs=\"" + kCrs +
        "\" rdf:about=\"\" xmp:Rating=\"3\" crs:Contrast2012=\"+5\" crs:Tint=\"+3\"" + kOurs + ">\n"
        "   <!-- inside -->\n"
        "   <crs:ToneCurvePV2012>\n"
        "    <rdf:Seq>\n"
        "     <rdf:li>0, 0</rdf:li>\n"
        "    </rdf:Seq>\n"
        "   </crs:ToneCurvePV2012>\n"
        "  </rdf:Description>\n"
        " </rdf:RDF>\n"
        "</x:xmpmeta><?xpacket end=\"w\"?>\n"
        "\n";
    EXPECT_EQ(out, expected);
}

TEST(XmpMerge, replacesOnlyManagedSettingsAndKeepsTheRest) { checkForeignSidecarMerge(); }

TEST(XmpMerge, replacesOnlyManagedSettingsUnderTheRomanianLocale) {
    testing::RomanianLocale ro;
    if (!ro.active()) GTEST_SKIP() << "ro_RO.UTF-8 is not installed";
    checkForeignSidecarMerge();
    auto preset = presetFrom(presetText("crs:Exposure2012=\"+0.50\""));
    EXPECT_NE(preset.merged(sidecarWith("", ""), -1.254, 5500.5, 4.5, {{"Clarity2012", 15}}, {}, nullptr, {})
                  .find(" crs:Exposure2012=\"-1.25\" crs:WhiteBalance=\"Custom\" crs:Temperature=\"5501\" "
                        "crs:Tint=\"+5\" crs:HasSettings=\"True\" crs:Clarity2012=\"+15\""),
              std::string::npos);
}

TEST(XmpMerge, skippedKeysKeepTheSidecarsValues) {
    const std::string out = mergeNeutral(sidecarWith("crs:Temperature=\"4500\" crs:Sharpness=\"40\"", ""), nullptr,
                                         {"Temperature"});
    EXPECT_NE(out.find("rdf:about=\"\" crs:Temperature=\"4500\" crs:Sharpness=\"40\" crs:Version=\"15.4\""),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("5001"), std::string::npos);
}

TEST(XmpMerge, managedElementsAreReplacedInEveryDescription) {
    auto preset = presetFrom(presetText(
        "crs:Version=\"15.4\"",
        "<crs:ToneCurvePV2012><rdf:Seq><rdf:li>0, 10</rdf:li></rdf:Seq></crs:ToneCurvePV2012>"));
    const std::string existing = sidecarWith(
        "crs:Shadows2012=\"+7\"",
        "<crs:Exposure2012>+1.00</crs:Exposure2012><crs:ToneCurvePV2012><rdf:Seq><rdf:li>0, 0</rdf:li></rdf:Seq>"
        "</crs:ToneCurvePV2012><crs:Look><rdf:Description crs:Name=\"x\"/></crs:Look>",
        "<rdf:Description rdf:about=\"\" xmlns:crs=\"" + kCrs +
            "\" crs:Exposure2012=\"+2.00\" crs:Saturation=\"+4\"><crs:Temperature>3000</crs:Temperature>"
            "</rdf:Description>");
    const std::string out = preset.merged(existing, 0.5, 5000, std::nullopt, {}, {}, nullptr, {});
    const std::string expected =
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\" x:xmptk=\"Vendrel\"><rdf:RDF xmlns:rdf=\"" + kRdf +
        "\"><rdf:Description xmlns:crs=\"" + kCrs +
        "\" rdf:about=\"\" crs:Shadows2012=\"+7\" crs:Version=\"15.4\" crs:WhiteBalance=\"Custom\" "
        "crs:Temperature=\"5000\" crs:Exposure2012=\"+0.50\" crs:HasSettings=\"True\">"
        "<crs:Look><rdf:Description crs:Name=\"x\"/></crs:Look>\n"
        "<crs:ToneCurvePV2012><rdf:Seq><rdf:li>0, 10</rdf:li></rdf:Seq></crs:ToneCurvePV2012></rdf:Description>"
        "<rdf:Description xmlns:crs=\"" + kCrs + "\" rdf:about=\"\" crs:Saturation=\"+4\"/>"
        "</rdf:RDF></x:xmpmeta>\n";
    EXPECT_EQ(out, expected);
}

TEST(XmpMerge, writesWithCrsWhenTheSidecarUsesAnotherPrefix) {
    const std::string existing = "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"" + kRdf +
                                 "\"><rdf:Description xmlns:cr=\"" + kCrs +
                                 "\" cr:Exposure2012=\"+1.00\" cr:Clarity2012=\"+3\"/></rdf:RDF></x:xmpmeta>";
    auto preset = presetFrom("<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"" + kRdf +
                             "\"><rdf:Description xmlns:c=\"" + kCrs +
                             "\"><c:ToneCurvePV2012><rdf:Seq><rdf:li>0, 0</rdf:li></rdf:Seq></c:ToneCurvePV2012>"
                             "</rdf:Description></rdf:RDF></x:xmpmeta>");
    const std::string out = preset.merged(existing, 1, 5000, std::nullopt, {}, {}, nullptr, {});
    EXPECT_NE(out.find("<rdf:Description xmlns:cr=\"" + kCrs + "\" xmlns:crs=\"" + kCrs +
                       "\" cr:Clarity2012=\"+3\" crs:WhiteBalance=\"Custom\""),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("cr:Exposure2012"), std::string::npos);
    // The preset's element keeps its own prefix and says what it means.
    EXPECT_NE(out.find("<c:ToneCurvePV2012 xmlns:c=\"" + kCrs + "\">"), std::string::npos) << out;
}

TEST(XmpMerge, refusesSidecarsItCannotMergeSafely) {
    struct Case {
        const char* label;
        std::string existing;
        MergeError::Kind kind;
        std::string text;
    };
    const std::string rdfOpen = "<rdf:RDF xmlns:rdf=\"" + kRdf + "\">";
    const std::vector<Case> cases = {
        {"not XML", "<x:xmpmeta", MergeError::Kind::unreadable,
         "XMP-ul existent nu se poate îmbina (XML invalid); nu s-a scris nimic."},
        {"two roots", "<a/><b/>", MergeError::Kind::unreadable,
         "XMP-ul existent nu se poate îmbina (XML invalid); nu s-a scris nimic."},
        {"root is rdf:RDF", rdfOpen + "<rdf:Description/></rdf:RDF>", MergeError::Kind::unreadable,
         "XMP-ul existent nu se poate îmbina (lipsește x:xmpmeta); nu s-a scris nimic."},
        {"RDF with another prefix",
         "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><r:RDF xmlns:r=\"" + kRdf + "\"><r:Description/></r:RDF></x:xmpmeta>",
         MergeError::Kind::unreadable, "XMP-ul existent nu se poate îmbina (lipsește rdf:RDF); nu s-a scris nimic."},
        {"no description", "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">" + rdfOpen + "</rdf:RDF></x:xmpmeta>",
         MergeError::Kind::unreadable,
         "XMP-ul existent nu se poate îmbina (lipsește rdf:Description); nu s-a scris nimic."},
        {"crs bound elsewhere",
         "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">" + rdfOpen +
             "<rdf:Description xmlns:crs=\"urn:other\" crs:Exposure2012=\"1\"/></rdf:RDF></x:xmpmeta>",
         MergeError::Kind::foreignNamespace,
         "XMP-ul existent folosește prefixul crs pentru alt spațiu de nume; nu s-a scris nimic."},
    };
    for (const auto& c : cases) {
        try {
            mergeNeutral(c.existing);
            ADD_FAILURE() << c.label;
        } catch (const MergeError& e) {
            EXPECT_EQ(e.kind(), c.kind) << c.label;
            EXPECT_EQ(e.what(), c.text) << c.label;
            EXPECT_EQ(e.errorDescription(), c.text) << c.label;
        }
    }
    EXPECT_EQ(MergeError(MergeError::Kind::verification, "XML").errorDescription("en"),
              "Verifying the merge failed (XML); nothing was written.");
}

// A mask item as another program or an earlier export wrote it.
std::string maskItem(const std::string& name) {
    return "<rdf:li><rdf:Description crs:What=\"Correction\" crs:CorrectionName=\"" + name +
           "\"><crs:CorrectionMasks><rdf:Seq><rdf:li><rdf:Description crs:What=\"Mask/Aggregate\"/></rdf:li>"
           "</rdf:Seq></crs:CorrectionMasks></rdf:Description></rdf:li>";
}

std::string groupOf(const std::vector<std::string>& names) {
    std::string g = "<crs:MaskGroupBasedCorrections><rdf:Seq>";
    for (const auto& n : names) g += maskItem(n);
    return g + "</rdf:Seq></crs:MaskGroupBasedCorrections>";
}

std::vector<std::string> correctionNames(const std::string& text) {
    std::vector<std::string> out;
    const std::string key = "crs:CorrectionName=\"";
    for (auto at = text.find(key); at != std::string::npos; at = text.find(key, at + 1)) {
        auto start = at + key.size();
        out.push_back(text.substr(start, text.find('"', start) - start));
    }
    return out;
}

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TeethRegion teeth() {
    TeethRegion r;
    r.dabs = {{0.4, 0.5}, {0.41, 0.5}};
    return r;
}

TEST(XmpMerge, rebuildsTheMaskGroupWithOurMasksLast) {
    const std::string existing =
        sidecarWith("crs:Clarity2012=\"+3\"",
                    groupOf({"Vendrel – Albire dinți", "Vendrel – Netezire piele", "Manual", "Orvane Studio – Subiect",
                             "Orvane Studio – Albire dinți"}) +
                        "<crs:Look/>");
    const auto spec = TeethMask::Spec::set({teeth()}, 40);
    const std::string out = mergeNeutral(existing, &spec);
    EXPECT_EQ(correctionNames(out), (std::vector<std::string>{"Vendrel – Netezire piele", "Manual",
                                                              "Orvane Studio – Subiect", "Vendrel – Albire dinți"}));
    EXPECT_EQ(count(out, "<crs:MaskGroupBasedCorrections"), 1u);
    EXPECT_NE(out.find("<crs:Look/>\n<crs:MaskGroupBasedCorrections xmlns:crs="), std::string::npos) << out;
    EXPECT_NE(out.find("crs:CorrectionAmount=\"0.400000\""), std::string::npos);
}

TEST(XmpMerge, removingAMaskDropsAnEmptyGroup) {
    TeethMask::Spec removeSkin;
    removeSkin.skin = TeethMask::Spec::Part<SkinRegion>::remove();
    struct Case {
        const char* label;
        std::vector<std::string> before;
        std::vector<std::string> after;
    };
    for (const auto& c : std::vector<Case>{
             {"others remain", {"Manual", "Vendrel – Netezire piele", "Vendrel – Subiect"}, {"Manual", "Vendrel – Subiect"}},
             {"only skin", {"Orvane Studio – Netezire piele"}, {}},
         }) {
        const std::string out = mergeNeutral(sidecarWith("", groupOf(c.before)), &removeSkin);
        EXPECT_EQ(correctionNames(out), c.after) << c.label;
        EXPECT_EQ(count(out, "MaskGroupBasedCorrections"), c.after.empty() ? 0u : 2u) << c.label;
    }
    // A mask request that changes nothing leaves the group where it is, once.
    TeethMask::Spec nothing;
    const std::string same = mergeNeutral(sidecarWith("", groupOf({"Manual"})), &nothing);
    EXPECT_EQ(count(same, "<crs:MaskGroupBasedCorrections"), 1u);
    EXPECT_EQ(same, mergeNeutral(sidecarWith("", groupOf({"Manual"}))));
}

TEST(XmpMerge, masksItCouldNotCarryOverFailTheMergeInsteadOfVanishing) {
    const auto spec = TeethMask::Spec::set({teeth()}, 40);
    const std::string secondDescription = "<rdf:Description rdf:about=\"\" xmlns:crs=\"" + kCrs + "\">" +
                                          groupOf({"Manual"}) + "</rdf:Description>";
    const std::string bag = "<crs:MaskGroupBasedCorrections><rdf:Bag><rdf:li>x</rdf:li></rdf:Bag></crs:MaskGroupBasedCorrections>";
    for (const auto& existing : {sidecarWith("", groupOf({"Manual"}), secondDescription), sidecarWith("", bag),
                                 sidecarWith("", groupOf({"Manual"}) + groupOf({"Second"}))}) {
        try {
            mergeNeutral(existing, &spec);
            FAIL() << existing;
        } catch (const MergeError& e) {
            EXPECT_EQ(e.kind(), MergeError::Kind::unreadable);
        }
        // Without masks to rebuild, the same sidecars merge and keep their groups.
        EXPECT_NO_THROW(mergeNeutral(existing));
    }
}

TEST(XmpMerge, aPresetsMaskGroupIsFoldedIntoTheRebuiltOne) {
    auto preset = presetFrom(presetText("crs:Version=\"15.4\"", groupOf({"Din preset", "Vendrel – Albire dinți"})));
    const std::string existing = sidecarWith("", groupOf({"Manual", "Vendrel – Albire dinți"}));

    // Without a mask request the preset's group replaces the sidecar's.
    const std::string plain = preset.merged(existing, 0, 5000, std::nullopt, {}, {}, nullptr, {});
    EXPECT_EQ(correctionNames(plain), (std::vector<std::string>{"Din preset", "Vendrel – Albire dinți"}));

    const auto spec = TeethMask::Spec::set({teeth()}, 30);
    const std::string out = preset.merged(existing, 0, 5000, std::nullopt, {}, {}, &spec, {});
    EXPECT_EQ(count(out, "<crs:MaskGroupBasedCorrections"), 1u) << out;
    EXPECT_EQ(correctionNames(out), (std::vector<std::string>{"Din preset", "Manual", "Vendrel – Albire dinți"}));

    // Exporting again does not pile up copies of the preset's masks.
    const std::string again = preset.merged(out, 0, 5000, std::nullopt, {}, {}, &spec, {});
    EXPECT_EQ(correctionNames(again), (std::vector<std::string>{"Din preset", "Manual", "Vendrel – Albire dinți"}));
    // Removing our mask keeps the preset's and the sidecar's.
    const auto remove = TeethMask::Spec::remove();
    EXPECT_EQ(correctionNames(preset.merged(out, 0, 5000, std::nullopt, {}, {}, &remove, {})),
              (std::vector<std::string>{"Din preset", "Manual"}));
}

TEST(XmpMerge, aKeptMaskWithAnUndeclaredPrefixFailsTheMerge) {
    const std::string existing =
        sidecarWith("xmlns:cr=\"" + kCrs + "\"",
                    "<crs:MaskGroupBasedCorrections><rdf:Seq><rdf:li><rdf:Description cr:CorrectionName=\"Manual\"/>"
                    "</rdf:li></rdf:Seq></crs:MaskGroupBasedCorrections>");
    const auto spec = TeethMask::Spec::remove();
    try {
        mergeNeutral(existing, &spec);
        FAIL();
    } catch (const MergeError& e) {
        EXPECT_EQ(e.what(), std::string("XMP-ul existent nu se poate îmbina (corecții locale); nu s-a scris nimic."));
    }
}

TEST(XmpMerge, textAndValuesSurviveTheRoundTrip) {
    const std::string existing = sidecarWith(
        "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" dc:note=\"a&#10;b&#9;c &amp; &lt;d&gt; &quot;q&quot;\"",
        "<dc:title>&#65;&amp;<![CDATA[x<y]]></dc:title>");
    const std::string out = mergeNeutral(existing);
    EXPECT_NE(out.find("dc:note=\"a&#10;b&#9;c &amp; &lt;d&gt; &quot;q&quot;\""), std::string::npos) << out;
    EXPECT_NE(out.find("<dc:title>A&amp;x&lt;y</dc:title>"), std::string::npos) << out;
}

TEST(XmpMerge, verificationNamesWhatWasLost) {
    const Set managed = {"Exposure2012"};
    const std::string original = sidecarWith("crs:A=\"1\" crs:B=\"2\" crs:C=\"3\" crs:D=\"4\" crs:Exposure2012=\"0\"",
                                             "<crs:E>\"q\"\\</crs:E>");
    const std::string merged = sidecarWith("crs:Exposure2012=\"+1.00\" crs:Z=\"9\"", "");
    try {
        DevelopPreset::verify(original, merged, managed, {{"Exposure2012", "+1.00"}});
        FAIL();
    } catch (const MergeError& e) {
        EXPECT_EQ(e.kind(), MergeError::Kind::verification);
        EXPECT_EQ(e.detail(),
                  "conținutul necrs diferă; doar în original: [\"A:crs:A=1\", \"A:crs:B=2\", \"A:crs:C=3\"]; "
                  "doar în rezultat: [\"A:crs:Z=9\"]");
    }
    try {
        DevelopPreset::verify(sidecarWith("", "<crs:E>\"q\"\\</crs:E>"), sidecarWith("", ""), {}, {});
        FAIL();
    } catch (const MergeError& e) {
        EXPECT_EQ(e.detail(), "conținutul necrs diferă; doar în original: [\"C:<crs:E>\\\"q\\\"\\\\</crs:E>\"]; "
                              "doar în rezultat: []");
    }
    auto fails = [&](const std::string& mergedText, const DevelopPreset::Pairs& attrs) -> std::string {
        try {
            DevelopPreset::verify(sidecarWith("crs:Exposure2012=\"0\"", ""), mergedText, managed, attrs);
        } catch (const MergeError& e) {
            return e.detail();
        }
        return "passed";
    };
    EXPECT_EQ(fails(sidecarWith("crs:Exposure2012=\"+1.00\"", ""), {{"Exposure2012", "+1.00"}}), "passed");
    EXPECT_EQ(fails(sidecarWith("crs:Exposure2012=\"+1.01\"", ""), {{"Exposure2012", "+1.00"}}), "lipsește crs:Exposure2012");
    EXPECT_EQ(fails("<broken", {}), "XML");
    // White space between tags does not count as a difference.
    EXPECT_EQ(fails(sidecarWith("", "\n  "), {}), "passed");
}

// Mask identifiers are new on every export; nothing else may change.
std::string withoutMaskIds(const std::string& text) {
    static const std::regex ids("crs:(CorrectionSyncID|CorrectionID|MaskID|MaskSyncID)=\"[^\"]*\"");
    return std::regex_replace(text, ids, "crs:$1=\"\"");
}

TEST(XmpMerge, mergingIntoItsOwnOutputAgainGivesTheSameText) {
    auto preset = presetFrom(presetText(
        "crs:Version=\"15.4\" crs:Clarity2012=\"+4\"",
        "\n <crs:ToneCurvePV2012><rdf:Seq><rdf:li>0, 10</rdf:li></rdf:Seq></crs:ToneCurvePV2012>\n"
        " <crs:Look><rdf:Description crs:Name=\"x\"/></crs:Look>\n " + groupOf({"Din preset"}) + "\n"));
    const auto spec = TeethMask::Spec::set({teeth()}, 40);
    struct Case {
        const char* label;
        std::string existing;
        const TeethMask::Spec* masks;
    };
    const Case cases[] = {
        {"our new sidecar with masks", preset.sidecar(0.5, 5200, 3, {}, {}, &spec, {}), &spec},
        {"our new sidecar", preset.sidecar(0.5, 5200, 3, {}, {}, nullptr, {}), nullptr},
        {"another program's sidecar", foreignSidecar(), &spec},
        {"a compact sidecar with a mask group", sidecarWith("crs:Shadows2012=\"+7\"", groupOf({"Manual"})), &spec},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string once = preset.merged(c.existing, 0.5, 5200, 3, {}, {}, c.masks, {});
        const std::string twice = preset.merged(once, 0.5, 5200, 3, {}, {}, c.masks, {});
        EXPECT_EQ(withoutMaskIds(twice), withoutMaskIds(once));
        EXPECT_EQ(count(once, "<crs:ToneCurvePV2012>"), 1u);
    }
}

TEST(XmpMerge, aPresetHoldingAnRdfBlockOfItsOwnIsCarriedAsContent) {
    // A setting element with an rdf:RDF inside used to be taken for the sidecar's own structure, and
    // the preset's children were written into it again and again.
    const std::string nested =
        "<crs:Look><rdf:RDF><rdf:Description crs:Name=\"inner\"><crs:Group>g</crs:Group></rdf:Description>"
        "</rdf:RDF></crs:Look>";
    auto preset = presetFrom(presetText("crs:Version=\"15.4\"", nested));
    const std::string out = preset.merged(sidecarWith("", ""), 0, 5000, std::nullopt, {}, {}, nullptr, {});
    EXPECT_NE(out.find(nested), std::string::npos) << out;
    EXPECT_EQ(count(out, "<crs:Look>"), 1u);
    EXPECT_EQ(count(out, "crs:Temperature="), 1u);
    EXPECT_EQ(preset.merged(out, 0, 5000, std::nullopt, {}, {}, nullptr, {}), out);
    EXPECT_EQ(count(preset.sidecar(0, 5000, std::nullopt, {}, {}, nullptr, {}), "crs:Temperature="), 1u);

    // The same kind of block already in a sidecar, under an element we do not manage, stays content.
    const std::string foreign = "<dc:x xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><rdf:RDF><rdf:Description/>"
                                "</rdf:RDF></dc:x>";
    const std::string kept = mergeNeutral(sidecarWith("", foreign));
    EXPECT_NE(kept.find(foreign), std::string::npos) << kept;
    EXPECT_EQ(count(kept, "crs:Temperature="), 1u);
}

TEST(XmpMerge, thePresetsAsShotWhiteBalanceNeverReachesAPhoto) {
    auto preset = presetFrom(presetText("crs:AsShotTemperature=\"6150\" crs:AsShotTint=\"-2\" crs:Clarity2012=\"+4\""));
    EXPECT_EQ(preset.attributes(), (DevelopPreset::Pairs{{"Clarity2012", "+4"}}));
    const std::string fresh = preset.sidecar(0, 5000, std::nullopt, {}, {}, nullptr, {});
    EXPECT_EQ(fresh.find("AsShot"), std::string::npos) << fresh;
    // The photo's own as-shot values in its sidecar stay.
    const std::string merged = preset.merged(sidecarWith("crs:AsShotTemperature=\"4800\" crs:AsShotTint=\"+7\"", ""), 0,
                                             5000, std::nullopt, {}, {}, nullptr, {});
    EXPECT_NE(merged.find("crs:AsShotTemperature=\"4800\" crs:AsShotTint=\"+7\""), std::string::npos) << merged;
    EXPECT_EQ(merged.find("6150"), std::string::npos);
}

}  // namespace
}  // namespace orvane

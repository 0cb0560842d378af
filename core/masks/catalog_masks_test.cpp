#include "core/masks/catalog_masks.h"

#include <gtest/gtest.h>

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
using Spec = TeethMask::Spec;

std::string stroke(const std::string& dabs, const std::string& value, const std::string& radius) {
    return "{ CenterWeight = 0,\nDabs = { " + dabs +
           " },\nFlow = 1,\nMaskActive = true,\nMaskBlendMode = 0,\nMaskID = \"ID\",\nMaskInverted = false,\n"
           "MaskSyncID = \"SYNC\",\nMaskValue = " + value + ",\nRadius = " + radius + ",\nWhat = \"Mask/Paint\" }";
}

std::string correction(const std::string& amount, const std::string& maskName, const std::string& strokes,
                       const std::string& name, const std::string& locals) {
    return "{ CorrectionActive = true,\nCorrectionAmount = " + amount +
           ",\nCorrectionID = \"ID\",\nCorrectionMasks = { { MaskActive = true,\nMaskBlendMode = 0,\nMaskID = \"ID\",\n"
           "MaskInverted = false,\nMaskName = \"" + maskName + "\",\nMaskSyncID = \"SYNC\",\nMaskValue = 1,\nMasks = { " +
           strokes + " },\nWhat = \"Mask/Aggregate\" } },\nCorrectionName = \"" + name +
           "\",\nCorrectionReferenceX = 0.5,\nCorrectionReferenceY = 0.5,\nCorrectionSyncID = \"SYNC\",\n" + locals +
           "What = \"Correction\" }";
}

TEST(CatalogMasks, teethCorrectionTextIsExact) {
    testing::RomanianLocale romanian;
    TeethRegion r;
    r.coarse = {{0.25, 0.5}};
    r.coarseRadius = 0.01;
    r.dabs = {{0.26, 0.51}, {0.27, 0.52}};
    r.radius = 0.002;
    const std::string expected =
        "{ CorrectionActive = true,\n"
        "CorrectionAmount = 0.420000,\n"
        "CorrectionID = \"ID\",\n"
        "CorrectionMasks = { { MaskActive = true,\n"
        "MaskBlendMode = 0,\n"
        "MaskID = \"ID\",\n"
        "MaskInverted = false,\n"
        "MaskName = \"Dinți\",\n"
        "MaskSyncID = \"SYNC\",\n"
        "MaskValue = 1,\n"
        "Masks = { { CenterWeight = 0,\n"
        "Dabs = { \"d 0.250000 0.500000\" },\n"
        "Flow = 1,\n"
        "MaskActive = true,\n"
        "MaskBlendMode = 0,\n"
        "MaskID = \"ID\",\n"
        "MaskInverted = false,\n"
        "MaskSyncID = \"SYNC\",\n"
        "MaskValue = 0.8,\n"
        "Radius = 0.010000,\n"
        "What = \"Mask/Paint\" },\n" +
        stroke("\"d 0.260000 0.510000\",\n\"d 0.270000 0.520000\"", "0.8", "0.002000") +
        " },\n"
        "What = \"Mask/Aggregate\" } },\n"
        "CorrectionName = \"Vendrel – Albire dinți\",\n"
        "CorrectionReferenceX = 0.5,\n"
        "CorrectionReferenceY = 0.5,\n"
        "CorrectionSyncID = \"SYNC\",\n"
        "LocalExposure2012 = 0.119048,\n"
        "LocalHighlights2012 = 0.714286,\n"
        "LocalSaturation = -0.238095,\n"
        "LocalTemperature = -0.238095,\n"
        "What = \"Correction\" }";
    EXPECT_EQ(maskedIDs(CatalogMasks::luaTeethCorrection({r}, 42)), expected);
    // A coarse layer without a radius is left out; the fine one stays.
    r.coarseRadius = 0;
    EXPECT_EQ(captures(CatalogMasks::luaTeethCorrection({r}, 42), "Radius = ([0-9.]+)"),
              std::vector<std::string>{"0.002000"});
}

TEST(CatalogMasks, brushCorrectionTextsAreExact) {
    testing::RomanianLocale romanian;
    SkinRegion region;
    region.dabs = {{0.5, 0.25}};
    region.radius = 0.006;
    const std::string oneStroke = stroke("\"d 0.500000 0.250000\"", "1", "0.006000");
    struct Case {
        const char* label;
        std::string text;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"skin without sharpness",
         CatalogMasks::luaBrushCorrection(SkinMask::name, SkinMask::maskName, {region}, 42,
                                          SkinMask::locals(SkinParams{10, 10, 0})),
         correction("0.420000", "Piele", oneStroke, "Vendrel – Netezire piele",
                    "LocalClarity2012 = -0.100000,\nLocalTexture = -0.100000,\n")},
        {"skin with sharpness, sorted",
         CatalogMasks::luaBrushCorrection(SkinMask::name, SkinMask::maskName, {region}, 150,
                                          SkinMask::locals(SkinParams{10, 20, 30})),
         correction("1.000000", "Piele", oneStroke, "Vendrel – Netezire piele",
                    "LocalClarity2012 = -0.200000,\nLocalSharpness = -0.300000,\nLocalTexture = -0.100000,\n")},
        {"face level",
         CatalogMasks::luaBrushCorrection(FaceLevelMask::name, FaceLevelMask::maskName, {region}, 70,
                                          FaceLevelMask::locals(FaceLevel{region, -0.7})),
         correction("0.700000", "Față", oneStroke, "Vendrel – Nivel fețe", "LocalExposure2012 = -0.700000,\n")},
        {"subject without dabs",
         CatalogMasks::luaBrushCorrection(SubjectMask::name, SubjectMask::maskName, {SkinRegion{}}, -3,
                                          SubjectMask::locals()),
         correction("0.000000", "Subiect", "", "Vendrel – Subiect", "LocalExposure2012 = 0.000000,\n")},
    };
    for (const auto& c : cases) EXPECT_EQ(maskedIDs(c.text), c.expected) << c.label;
}

TEST(CatalogMasks, strokesHoldTwentyDabsAndShareTheSyncIdentifier) {
    SkinRegion r;
    for (int i = 0; i < 45; ++i) r.dabs.push_back({0.01 * i, 0.5});
    const std::string t = CatalogMasks::luaBrushCorrection("N", "M", {r, SkinRegion{}}, 50, {});
    std::vector<std::size_t> counts;
    for (const auto& dabs : captures(t, "Dabs = \\{ ([^}]*) \\}")) counts.push_back(captures(dabs, "(\"d )").size());
    EXPECT_EQ(counts, (std::vector<std::size_t>{20, 20, 5}));

    const auto syncs = captures(t, "SyncID = \"([^\"]*)\"");
    ASSERT_EQ(syncs.size(), 5u);  // correction, aggregate, three strokes
    EXPECT_EQ(std::set<std::string>(syncs.begin(), syncs.end()).size(), 1u);
    EXPECT_EQ(syncs[0].size(), 32u);
    auto ids = captures(t, "MaskID = \"([^\"]*)\"");
    ids.push_back(captures(t, "CorrectionID = \"([^\"]*)\"").at(0));
    EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), 5u);
    const std::string again = CatalogMasks::luaBrushCorrection("N", "M", {r, SkinRegion{}}, 50, {});
    EXPECT_NE(again, t);
    EXPECT_EQ(maskedIDs(again), maskedIDs(t));
}

TEST(CatalogMasks, aSpecGivesItsCorrectionsInKindOrder) {
    SkinRegion face;
    face.dabs = {{0.5, 0.5}};
    TeethRegion teeth;
    teeth.dabs = {{0.5, 0.6}};
    Spec spec;
    spec.subject = Spec::Part<SkinRegion>::set({face}, 100);
    spec.faceLevel = Spec::Part<FaceLevel>::set({FaceLevel{face, 0.3}, FaceLevel{face, -0.5}}, 80);
    spec.skin = Spec::Part<SkinRegion>::set({face}, 60);
    spec.teeth = Spec::Part<TeethRegion>::set({teeth}, 40);
    std::vector<std::string> names;
    for (const auto& c : CatalogMasks::luaCorrections(spec))
        names.push_back(captures(c, "CorrectionName = \"([^\"]*)\"").at(0));
    EXPECT_EQ(names, (std::vector<std::string>{"Vendrel – Albire dinți", "Vendrel – Netezire piele",
                                               "Vendrel – Nivel fețe", "Vendrel – Nivel fețe", "Vendrel – Subiect"}));

    // Parts that are removed, untouched, set to 0 or set with no regions write nothing.
    Spec quiet;
    quiet.teeth = Spec::Part<TeethRegion>::set({teeth}, 0);
    quiet.skin = Spec::Part<SkinRegion>::remove();
    quiet.faceLevel = Spec::Part<FaceLevel>::set({}, 50);
    EXPECT_TRUE(CatalogMasks::luaCorrections(quiet).empty());
    EXPECT_EQ(quiet.managedNames().size(), 6u);
}

}  // namespace
}  // namespace orvane

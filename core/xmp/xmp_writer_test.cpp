#include "core/xmp/xmp_writer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cmath>

#include "core/base/numbers.h"
#include "core/masks/face_level.h"
#include "core/masks/teeth_mask.h"
#include "core/xmp/xmp_merge.h"
#include "core/xmp/xmp_test_support.h"
#include "testing/exiftool.h"
#include "testing/temp_dir.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using testing::exiftool;
using testing::exiftoolPath;
using testing::kCrs;
using testing::kRdf;
using testing::neutralPreset;
using testing::presetFrom;
using testing::presetText;
using testing::readText;
using testing::TempDir;
using testing::writeText;
using testing::exiftool;
using testing::exiftoolPath;
using Outcome = XMPWriter::Outcome;

const std::string kXmp = "http://ns.adobe.com/xap/1.0/";

Outcome writeNeutral(const fs::path& folder, double exposure = 0.333, double temperature = 5001) {
    return XMPWriter::writeMerged(neutralPreset(), "/photos/DSC_0001.NEF", folder, exposure, temperature, std::nullopt,
                                  {}, {}, nullptr, {});
}

std::vector<std::string> filesIn(const fs::path& folder) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(folder)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

// A sidecar as Lightroom Classic leaves it: its own toolkit, one description with crs settings.
std::string lightroomSidecar(const std::string& extraAttrs = "") {
    return "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\" x:xmptk=\"Adobe XMP Core 7.0-c000\">\n"
           " <rdf:RDF xmlns:rdf=\"" + kRdf + "\">\n"
           "  <rdf:Description rdf:about=\"\" xmlns:crs=\"" + kCrs + "\"" + extraAttrs +
           " crs:Exposure2012=\"+1.00\" crs:Tint=\"+3\" crs:Vibrance=\"+8\"/>\n"
           " </rdf:RDF>\n"
           "</x:xmpmeta>\n";
}

TEST(XmpWriter, namesTheSidecarAfterTheRawFile) {
    EXPECT_EQ(XMPWriter::xmpURL("/a/DSC_0001.NEF", "/out"), fs::path("/out/DSC_0001.xmp"));
    EXPECT_EQ(XMPWriter::xmpURL("/a/a.b.CR3", "/out"), fs::path("/out/a.b.xmp"));
    EXPECT_EQ(XMPWriter::xmpURL("/a/noext", "/out"), fs::path("/out/noext.xmp"));
}

TEST(XmpWriter, writesANewSidecarFromTheNeutralPreset) {
    TempDir dir;
    EXPECT_EQ(writeNeutral(dir.path()), Outcome::written());
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"DSC_0001.xmp"});
    EXPECT_EQ(readText(dir / "DSC_0001.xmp"),
              "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\" x:xmptk=\"Vendrel\">\n"
              " <rdf:RDF xmlns:rdf=\"" + kRdf + "\">\n"
              "  <rdf:Description rdf:about=\"\"\n"
              "    xmlns:crs=\"" + kCrs + "\"\n"
              "   crs:Version=\"15.4\"\n"
              "   crs:ProcessVersion=\"15.4\"\n"
              "   crs:ConvertToGrayscale=\"False\"\n"
              "   crs:HasSettings=\"True\"\n"
              "   crs:WhiteBalance=\"Custom\"\n"
              "   crs:Temperature=\"5001\"\n"
              "   crs:Exposure2012=\"+0.33\">\n"
              "  </rdf:Description>\n"
              " </rdf:RDF>\n"
              "</x:xmpmeta>\n");
}

TEST(XmpWriter, exportingTwiceMergesIntoOurOwnSidecar) {
    TempDir dir;
    writeNeutral(dir.path(), 0.333);
    const std::string first = readText(dir / "DSC_0001.xmp");
    EXPECT_EQ(writeNeutral(dir.path(), -0.5, 6200), Outcome::merged(std::nullopt));
    EXPECT_EQ(filesIn(dir.path()), (std::vector<std::string>{"DSC_0001.xmp", "DSC_0001.xmp.orvane-backup"}));
    EXPECT_EQ(readText(dir / "DSC_0001.xmp.orvane-backup"), first);
    const std::string second = readText(dir / "DSC_0001.xmp");
    EXPECT_NE(second.find("crs:Exposure2012=\"-0.50\""), std::string::npos);
    EXPECT_NE(second.find("crs:Temperature=\"6200\""), std::string::npos);
    EXPECT_EQ(second.find("+0.33"), std::string::npos);
    EXPECT_NE(second.find("x:xmptk=\"Vendrel\""), std::string::npos);
}

TEST(XmpWriter, keepsTheOriginalOfASidecarItDidNotWriteOnce) {
    TempDir dir;
    const std::string original = lightroomSidecar();
    writeText(dir / "DSC_0001.xmp", original);
    EXPECT_EQ(writeNeutral(dir.path()), Outcome::merged(dir / "DSC_0001.xmp.bak-original"));
    EXPECT_EQ(readText(dir / "DSC_0001.xmp.bak-original"), original);
    EXPECT_EQ(readText(dir / "DSC_0001.xmp.orvane-backup"), original);
    const std::string firstMerge = readText(dir / "DSC_0001.xmp");
    EXPECT_NE(firstMerge.find("x:xmptk=\"Adobe XMP Core 7.0-c000\""), std::string::npos);  // stays foreign

    EXPECT_EQ(writeNeutral(dir.path(), 1.0), Outcome::merged(std::nullopt));
    EXPECT_EQ(readText(dir / "DSC_0001.xmp.bak-original"), original);
    EXPECT_EQ(readText(dir / "DSC_0001.xmp.orvane-backup"), firstMerge);
}

TEST(XmpWriter, decidesWhichSidecarsNeedTheOriginalCopy) {
    const std::string own = "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\" x:xmptk=\"Vendrel\"><rdf:RDF xmlns:rdf=\"" + kRdf +
                            "\">";
    auto ownWith = [&](const std::string& description, const std::string& more = "") {
        return own + description + more + "</rdf:RDF></x:xmpmeta>";
    };
    const std::string plain = "<rdf:Description rdf:about=\"\" xml:lang=\"ro\" xmlns:crs=\"" + kCrs +
                              "\" crs:Exposure2012=\"0\"><crs:ToneCurvePV2012/><!-- c --></rdf:Description>";
    struct Case {
        const char* label;
        std::string sidecar;
        bool foreign;
        bool copied;
    };
    std::string padded = "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><!--" + std::string(600, ' ') +
                         "--><rdf:RDF xmlns:rdf=\"" + kRdf + "\" x:xmptk=\"Vendrel\">" + plain + "</rdf:RDF></x:xmpmeta>";
    const std::vector<Case> cases = {
        {"our own", ownWith(plain), false, false},
        {"legacy mark", "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\" x:xmptk=\"OrvaneStudio\"><rdf:RDF xmlns:rdf=\"" + kRdf +
                            "\">" + plain + "</rdf:RDF></x:xmpmeta>",
         false, false},
        {"mark after 600 bytes", padded, false, true},
        {"second description", ownWith(plain, "<rdf:Description rdf:about=\"\"/>"), true, true},
        {"attribute of another schema",
         ownWith("<rdf:Description rdf:about=\"\" xmlns:xmp=\"" + kXmp + "\" xmp:Rating=\"2\"/>"), true, true},
        {"element of another namespace",
         ownWith("<rdf:Description rdf:about=\"\" xmlns:xmp=\"" + kXmp + "\"><xmp:Label>x</xmp:Label></rdf:Description>"),
         true, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DevelopPreset::hasForeignData(c.sidecar), c.foreign) << c.label;
        TempDir dir;
        writeText(dir / "DSC_0001.xmp", c.sidecar);
        auto outcome = writeNeutral(dir.path());
        EXPECT_EQ(outcome.url.has_value(), c.copied) << c.label;
        EXPECT_EQ(fs::exists(dir / "DSC_0001.xmp.bak-original"), c.copied) << c.label;
        if (c.copied) { EXPECT_EQ(readText(dir / "DSC_0001.xmp.bak-original"), c.sidecar) << c.label; }
    }
    EXPECT_TRUE(DevelopPreset::hasForeignData("not xml"));
    EXPECT_TRUE(DevelopPreset::hasForeignData("<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"/>"));
}

TEST(XmpWriter, anExistingOriginalCopyIsNeverReplaced) {
    TempDir dir;
    writeText(dir / "DSC_0001.xmp", lightroomSidecar());
    writeText(dir / "DSC_0001.xmp.bak-original", "earlier");
    EXPECT_EQ(writeNeutral(dir.path()), Outcome::merged(std::nullopt));
    EXPECT_EQ(readText(dir / "DSC_0001.xmp.bak-original"), "earlier");
}

TEST(XmpWriter, aFailingMergeWritesNothing) {
    TempDir dir;
    const std::string bad = "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"" + kRdf +
                            "\"><rdf:Description xmlns:crs=\"urn:other\"/></rdf:RDF></x:xmpmeta>";
    writeText(dir / "DSC_0001.xmp", bad);
    EXPECT_THROW(writeNeutral(dir.path()), MergeError);
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"DSC_0001.xmp"});
    EXPECT_EQ(readText(dir / "DSC_0001.xmp"), bad);

    // A value that cannot be written fails before anything is created, too.
    TempDir empty;
    EXPECT_THROW(writeNeutral(empty.path(), std::nan("")), std::domain_error);
    EXPECT_TRUE(filesIn(empty.path()).empty());
}

TEST(XmpWriter, writeRefusesOrMovesAnExistingSidecarAside) {
    TempDir dir;
    const fs::path sidecar = dir / "DSC_0001.xmp";
    EXPECT_EQ(XMPWriter::write("one", "/x/DSC_0001.NEF", dir.path(), false), Outcome::written());
    try {
        XMPWriter::write("two", "/x/DSC_0001.NEF", dir.path(), false);
        FAIL();
    } catch (const fs::filesystem_error& e) {
        EXPECT_EQ(e.code(), std::errc::file_exists);
        EXPECT_EQ(e.path1(), sidecar);
    }
    EXPECT_EQ(readText(sidecar), "one");

    // 2026-03-04 05:06:07 local time.
    std::tm local{};
    local.tm_year = 126;
    local.tm_mon = 2;
    local.tm_mday = 4;
    local.tm_hour = 5;
    local.tm_min = 6;
    local.tm_sec = 7;
    local.tm_isdst = -1;
    const Date when = std::chrono::system_clock::from_time_t(std::mktime(&local));
    const fs::path moved = dir / "DSC_0001.xmp.bak-20260304-050607";
    EXPECT_EQ(XMPWriter::write("two", "/x/DSC_0001.NEF", dir.path(), true, when), Outcome::replacedWithBackup(moved));
    EXPECT_EQ(readText(moved), "one");
    EXPECT_EQ(readText(sidecar), "two");

    // A second move in the same second must not replace the first backup.
    EXPECT_THROW(XMPWriter::write("three", "/x/DSC_0001.NEF", dir.path(), true, when), fs::filesystem_error);
    EXPECT_EQ(readText(moved), "one");
    EXPECT_EQ(readText(sidecar), "two");
}

// A preset whose elements use prefixes the new file does not declare, and that carries masks.
std::string unusualPreset() {
    return "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><r:RDF xmlns:r=\"" + kRdf + "\"><r:Description xmlns:c=\"" + kCrs +
           "\" xmlns:ext=\"urn:ext\" c:Exposure2012=\"+0.20\" c:Clarity2012=\"+10\" c:Tint=\"+4\">"
           "<c:ToneCurvePV2012><r:Seq><r:li>0, 0</r:li><r:li>128, 140</r:li><r:li>255, 255</r:li></r:Seq>"
           "</c:ToneCurvePV2012><c:Look ext:kind=\"x\"><r:Description c:Name=\"Film\"/></c:Look>"
           "<c:MaskGroupBasedCorrections><r:Seq><r:li><r:Description c:CorrectionName=\"Din preset\"/></r:li>"
           "</r:Seq></c:MaskGroupBasedCorrections>"
           "</r:Description></r:RDF></x:xmpmeta>";
}

TEST(XmpWriter, aNewSidecarDeclaresThePrefixesOfThePresetsElements) {
    TempDir dir;
    auto preset = presetFrom(unusualPreset());
    const auto spec = TeethMask::Spec::set({TeethRegion{0.1, 0.1, 0.2, 0.2, {{0.15, 0.15}}, 0.002, {}, 0}}, 35);
    auto outcome = XMPWriter::writeMerged(preset, "/x/IMG_1.CR3", dir.path(), 0, 5200, 2, {}, {}, &spec, {});
    EXPECT_EQ(outcome, Outcome::written());
    const std::string text = readText(dir / "IMG_1.xmp");
    auto doc = Xmp::parse(text);
    ASSERT_TRUE(doc) << text;
    auto description = Xmp::firstChild(Xmp::firstChild(doc->document_element(), "RDF", Xmp::rdfNS), "Description",
                                       Xmp::rdfNS);
    auto curve = Xmp::firstChild(description, "ToneCurvePV2012", Xmp::crsNS);
    ASSERT_TRUE(curve) << text;
    auto look = Xmp::firstChild(description, "Look", Xmp::crsNS);
    ASSERT_TRUE(look) << text;
    EXPECT_EQ(Xmp::namespaceOf(look.first_attribute(), look), "") << "declarations are not attributes";
    EXPECT_TRUE(Xmp::attribute(look, "kind", "urn:ext")) << text;
    // One mask group, the preset's items first.
    std::size_t groups = 0;
    for (auto c : description.children()) groups += Xmp::isElement(c, "MaskGroupBasedCorrections", Xmp::crsNS);
    EXPECT_EQ(groups, 1u) << text;
    auto first = text.find("Din preset");
    auto ours = text.find("Vendrel – Albire dinți");
    EXPECT_TRUE(first != std::string::npos && ours != std::string::npos && first < ours) << text;

    // Read back as a preset, the new file carries the same curve.
    EXPECT_EQ(DevelopPreset::parse(text, "IMG_1.xmp").toneCurves(), preset.toneCurves());
}

// ---- an independent reader ----

// exiftool names a few crs tags differently and types the values it knows.
void expectSameValue(const nlohmann::json& record, const std::string& key, const std::string& text) {
    const std::string tag = key == "Temperature" ? "ColorTemperature" : key;
    ASSERT_TRUE(record.contains(tag)) << key << " missing in " << record.dump();
    const auto& v = record[tag];
    if (v.is_string()) {
        EXPECT_EQ(v.get<std::string>(), text) << key;
    } else if (v.is_boolean()) {
        std::string lower = text;
        for (auto& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(v.get<bool>() ? "true" : "false", lower) << key;
    } else {
        std::string_view digits = text;
        if (!digits.empty() && digits[0] == '+') digits.remove_prefix(1);
        auto parsed = Numbers::parseDouble(digits);
        ASSERT_TRUE(parsed) << key << " = " << text;
        EXPECT_DOUBLE_EQ(v.get<double>(), *parsed) << key;
    }
}

TEST(XmpWriterWithExiftool, readsTheSameDevelopValues) {
    auto program = exiftoolPath();
    if (!program) GTEST_SKIP() << "exiftool is not installed";
    TempDir dir;
    auto preset = presetFrom(unusualPreset());
    const DevelopPreset::Overrides overrides = {{"Contrast2012", 18}, {"Highlights2012", -140}};
    const DevelopPreset::Pairs extra = {{"LuminanceSmoothing", "25"}};

    // A new sidecar.
    ASSERT_EQ(XMPWriter::writeMerged(preset, "/x/new.NEF", dir.path(), -0.726, 4875.5, -7.5, overrides, extra, nullptr,
                                     {}),
              Outcome::written());
    auto record = exiftool(*program, dir / "new.xmp");
    ASSERT_FALSE(record.is_null());
    for (const auto& [key, value] : preset.resolvedAttributes(-0.726, 4875.5, -7.5, overrides, extra, {}))
        expectSameValue(record, key, value);
    expectSameValue(record, "Exposure2012", "-0.73");
    EXPECT_EQ(record["ColorTemperature"], 4876);
    EXPECT_EQ(record["ToneCurvePV2012"], (nlohmann::json{"0, 0", "128, 140", "255, 255"}));

    // A merge into a sidecar another program wrote.
    writeText(dir / "old.xmp", lightroomSidecar(" xmlns:xmp=\"" + kXmp + "\" xmp:Rating=\"4\""));
    ASSERT_EQ(XMPWriter::writeMerged(preset, "/x/old.NEF", dir.path(), 1.25, 5600, std::nullopt, overrides, extra,
                                     nullptr, {"Clarity2012"}),
              Outcome::merged(dir / "old.xmp.bak-original"));
    record = exiftool(*program, dir / "old.xmp");
    ASSERT_FALSE(record.is_null());
    const auto resolved = preset.resolvedAttributes(1.25, 5600, std::nullopt, overrides, extra, {"Clarity2012"});
    for (const auto& [key, value] : resolved) expectSameValue(record, key, value);
    expectSameValue(record, "Exposure2012", "+1.25");
    expectSameValue(record, "Vibrance", "+8");  // the sidecar's own settings stay
    EXPECT_EQ(record["Rating"], 4);
    EXPECT_FALSE(record.contains("Clarity2012"));
    expectSameValue(record, "Tint", "+3");  // no tint given: the sidecar's stays

    // Masks: a foreign one stays, ours is added, both in one group.
    const auto spec = TeethMask::Spec::set({TeethRegion{0.1, 0.1, 0.2, 0.2, {{0.15, 0.25}}, 0.002, {}, 0}}, 35);
    writeText(dir / "masks.xmp",
              "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"" + kRdf +
                  "\"><rdf:Description rdf:about=\"\" xmlns:crs=\"" + kCrs +
                  "\"><crs:MaskGroupBasedCorrections><rdf:Seq><rdf:li><rdf:Description crs:What=\"Correction\" "
                  "crs:CorrectionName=\"Manual\"/></rdf:li><rdf:li><rdf:Description crs:What=\"Correction\" "
                  "crs:CorrectionName=\"Orvane Studio – Albire dinți\"/></rdf:li></rdf:Seq>"
                  "</crs:MaskGroupBasedCorrections></rdf:Description></rdf:RDF></x:xmpmeta>");
    ASSERT_EQ(XMPWriter::writeMerged(neutralPreset(), "/x/masks.NEF", dir.path(), 0, 5000, std::nullopt, {}, {}, &spec,
                                     {}),
              Outcome::merged(dir / "masks.xmp.bak-original"));
    record = exiftool(*program, dir / "masks.xmp");
    ASSERT_FALSE(record.is_null());
    EXPECT_EQ(record["MaskGroupBasedCorrCorrectionName"], (nlohmann::json{"Manual", "Vendrel – Albire dinți"}));
    expectSameValue(record, "MaskGroupBasedCorrAmount", "0.350000");
    expectSameValue(record, "Exposure2012", "0.00");
}

TEST(XmpWriterWithExiftool, readsEveryMaskKindInOneGroupAndReplacesOursOnTheNextMerge) {
    auto program = exiftoolPath();
    if (!program) GTEST_SKIP() << "exiftool is not installed";
    TempDir dir;
    SkinRegion face{0.3, 0.2, 0.5, 0.45, {{0.35, 0.3}, {0.4, 0.3}}, 0.006, 0.2, 2};
    SkinRegion body{0.2, 0.1, 0.7, 0.95, {}, 0.02, std::nullopt, 2};
    for (int i = 0; i < 25; ++i) body.dabs.push_back({0.3 + 0.01 * i, 0.6});
    TeethMask::Spec spec;
    spec.teeth = TeethMask::Spec::Part<TeethRegion>::set({TeethRegion{0.1, 0.1, 0.2, 0.2, {{0.15, 0.25}}, 0.002, {{0.15, 0.25}}, 0.004}}, 35);
    spec.skin = TeethMask::Spec::Part<SkinRegion>::set({face}, 60);
    spec.faceLevel = TeethMask::Spec::Part<FaceLevel>::set({FaceLevel{face, -0.4}}, 80);
    spec.subject = TeethMask::Spec::Part<SkinRegion>::set({body}, 100);
    writeText(dir / "all.xmp",
              "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"" + kRdf +
                  "\"><rdf:Description rdf:about=\"\" xmlns:crs=\"" + kCrs +
                  "\"><crs:MaskGroupBasedCorrections><rdf:Seq><rdf:li><rdf:Description crs:What=\"Correction\" "
                  "crs:CorrectionName=\"Manual\" crs:CorrectionAmount=\"0.5\"/></rdf:li></rdf:Seq>"
                  "</crs:MaskGroupBasedCorrections></rdf:Description></rdf:RDF></x:xmpmeta>");
    const std::vector<std::string> names = {"Manual", "Vendrel – Albire dinți", "Vendrel – Netezire piele",
                                            "Vendrel – Nivel fețe", "Vendrel – Subiect"};
    std::string firstSync;
    for (int round = 0; round < 2; ++round) {
        ASSERT_NO_THROW(XMPWriter::writeMerged(neutralPreset(), "/x/all.NEF", dir.path(), 0, 5000, std::nullopt, {}, {},
                                               &spec, {}));
        const std::string text = readText(dir / "all.xmp");
        std::size_t groups = 0;
        for (auto at = text.find("<crs:MaskGroupBasedCorrections"); at != std::string::npos;
             at = text.find("<crs:MaskGroupBasedCorrections", at + 1))
            ++groups;
        EXPECT_EQ(groups, 1u) << round;
        const auto record = exiftool(*program, dir / "all.xmp", {"-struct", "-XMP-crs:all"});
        ASSERT_FALSE(record.is_null()) << round;
        const auto& corrections = record["MaskGroupBasedCorrections"];
        ASSERT_TRUE(corrections.is_array()) << record.dump();
        std::vector<std::string> readNames, maskNames, syncs;
        std::vector<double> amounts, radii;
        std::vector<std::size_t> dabCounts;
        for (const auto& c : corrections) {
            readNames.push_back(c.value("CorrectionName", ""));
            amounts.push_back(c.value("CorrectionAmount", -1.0));
            if (!c.contains("CorrectionMasks")) continue;
            syncs.push_back(c.value("CorrectionSyncID", ""));
            ASSERT_EQ(c["CorrectionMasks"].size(), 1u);  // one aggregate per correction
            const auto& aggregate = c["CorrectionMasks"][0];
            maskNames.push_back(aggregate.value("MaskName", ""));
            for (const auto& stroke : aggregate["Masks"]) {
                radii.push_back(stroke.value("Radius", -1.0));
                dabCounts.push_back(stroke["Dabs"].size());
                EXPECT_EQ(stroke.value("MaskSyncID", ""), aggregate.value("MaskSyncID", "?"));
            }
        }
        EXPECT_EQ(readNames, names) << round;
        EXPECT_EQ(amounts, (std::vector<double>{0.5, 0.35, 0.6, 0.8, 1})) << round;
        EXPECT_EQ(maskNames, (std::vector<std::string>{"Dinți", "Piele", "Față", "Subiect"})) << round;
        // Teeth: coarse stroke before fine; skin and face: one each; subject: 25 dabs as 20 and 5.
        EXPECT_EQ(radii, (std::vector<double>{0.004, 0.002, 0.006, 0.006, 0.02, 0.02})) << round;
        EXPECT_EQ(dabCounts, (std::vector<std::size_t>{1, 1, 2, 2, 20, 5})) << round;
        ASSERT_EQ(syncs.size(), 4u);
        if (round == 0) firstSync = syncs[0];
        else EXPECT_NE(syncs[0], firstSync);  // ours was replaced, not kept
    }
}

}  // namespace
}  // namespace orvane

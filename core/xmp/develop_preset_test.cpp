#include "core/xmp/develop_preset.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/xmp/xmp_test_support.h"
#include "testing/temp_dir.h"

namespace orvane {
namespace {

using testing::kCrs;
using testing::kRdf;
using testing::neutralPreset;
using testing::presetFrom;
using testing::presetText;
using Pairs = DevelopPreset::Pairs;

std::vector<std::string> keys(const Pairs& pairs) {
    std::vector<std::string> out;
    for (const auto& p : pairs) out.push_back(p.first);
    return out;
}

std::vector<std::string> childNames(const DevelopPreset& p) {
    std::vector<std::string> out;
    for (const auto& c : p.children()) out.push_back(c.name());
    return out;
}

TEST(DevelopPreset, keepsOnlySettingsOfTheFirstDescription) {
    const std::string text =
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"" + kRdf +
        "\"><rdf:Description rdf:about=\"\" xmlns:crs=\"" + kCrs +
        "\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" crs:PresetType=\"Normal\" crs:UUID=\"ABC\" "
        "crs:Exposure2012=\"+0.35\" crs:SupportsAmount=\"True\" crs:ShowInQuickDevelop=\"False\" "
        "xmp:Rating=\"3\" crs:WhiteBalance=\"Custom\" crs:Cluster=\"\" crs:Contrast2012=\"+12\">"
        "<crs:Name><rdf:Alt><rdf:li xml:lang=\"x-default\">Nunta caldă</rdf:li><rdf:li xml:lang=\"en\">Warm</rdf:li>"
        "</rdf:Alt></crs:Name><crs:ShortName><rdf:Alt><rdf:li>s</rdf:li></rdf:Alt></crs:ShortName>"
        "<crs:SortName/><crs:Group><rdf:Alt><rdf:li>g</rdf:li></rdf:Alt></crs:Group><crs:Description/>"
        "<crs:ToneCurvePV2012><rdf:Seq><rdf:li>0, 0</rdf:li></rdf:Seq></crs:ToneCurvePV2012>"
        "<xmp:Other>x</xmp:Other><crs:SupportsMonochrome/><crs:ShowInPresets/>"
        "</rdf:Description><rdf:Description rdf:about=\"\" xmlns:crs=\"" + kCrs +
        "\" crs:Saturation=\"+5\"/></rdf:RDF></x:xmpmeta>";
    auto p = presetFrom(text);
    EXPECT_EQ(p.name(), "Nunta caldă");
    EXPECT_EQ(p.attributes(), (Pairs{{"Exposure2012", "+0.35"}, {"WhiteBalance", "Custom"}, {"Contrast2012", "+12"}}));
    EXPECT_EQ(childNames(p), std::vector<std::string>{"crs:ToneCurvePV2012"});
    EXPECT_TRUE(p.detail().empty());
}

TEST(DevelopPreset, namesTheFileWhenThePresetHasNoName) {
    testing::TempDir dir;
    testing::writeText(dir / "Portret cald.xmp", presetText("crs:Exposure2012=\"0\""));
    EXPECT_EQ(DevelopPreset::load(dir / "Portret cald.xmp").name(), "Portret cald");
    // An empty name element still names the preset.
    EXPECT_EQ(presetFrom(presetText("", "<crs:Name><rdf:Alt><rdf:li></rdf:li></rdf:Alt></crs:Name>"), "x.xmp").name(), "");
}

TEST(DevelopPreset, reportsFilesItCannotRead) {
    testing::TempDir dir;
    struct Case {
        const char* label;
        std::string text;
        PresetReadError::Kind kind;
    };
    const std::vector<Case> cases = {
        {"not XML", "<x:xmpmeta", PresetReadError::Kind::notXML},
        {"undeclared prefix", "<x:xmpmeta/>", PresetReadError::Kind::notXML},
        {"no description", "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"" + kRdf + "\"/></x:xmpmeta>",
         PresetReadError::Kind::corruptFile},
        {"description outside RDF", "<a><rdf:Description xmlns:rdf=\"" + kRdf + "\"/></a>",
         PresetReadError::Kind::corruptFile},
    };
    for (const auto& c : cases) {
        try {
            presetFrom(c.text);
            ADD_FAILURE() << c.label;
        } catch (const PresetReadError& e) {
            EXPECT_EQ(e.kind(), c.kind) << c.label;
        }
    }
    EXPECT_THROW(DevelopPreset::load(dir / "missing.xmp"), std::system_error);
    // A description without any settings is a preset with nothing in it.
    auto empty = presetFrom(presetText(""));
    EXPECT_TRUE(empty.attributes().empty());
    EXPECT_TRUE(empty.children().empty());
}

TEST(DevelopPreset, detailHoldsSharpeningAndNoiseKeysOnly) {
    auto p = presetFrom(presetText("crs:Sharpness=\"40\" crs:LuminanceSmoothing=\"12\" crs:ColorNoiseReduction=\"25\" "
                                   "crs:Clarity2012=\"+10\" crs:SharpenRadius=\"+1.0\""));
    EXPECT_EQ(p.detail(), (std::map<std::string, std::string>{{"Sharpness", "40"},
                                                             {"LuminanceSmoothing", "12"},
                                                             {"ColorNoiseReduction", "25"},
                                                             {"SharpenRadius", "+1.0"}}));
    EXPECT_TRUE(DevelopPreset::isDetail("NoiseProfile"));
    EXPECT_FALSE(DevelopPreset::isDetail("sharpness"));
}

TEST(DevelopPreset, readsToneCurvePoints) {
    using Points = std::vector<DevelopPreset::Point>;
    auto curve = [](const std::string& name, const std::string& items) {
        std::string lis;
        std::size_t start = 0;
        while (start <= items.size()) {
            auto bar = items.find('|', start);
            lis += "<rdf:li>" + items.substr(start, bar - start) + "</rdf:li>";
            if (bar == std::string::npos) break;
            start = bar + 1;
        }
        return "<crs:" + name + "><rdf:Seq>" + lis + "</rdf:Seq></crs:" + name + ">";
    };
    auto p = presetFrom(presetText(
        "", curve("ToneCurvePV2012", "0, 0|64,60|\t128 ,\u00A0130 |255, 255") +
                curve("ToneCurvePV2012Red", "0, x|12|1, 2, 3|+5,-7|,9,10,") +
                curve("ToneCurvePV2012Blue", "a, b|99999999999999999999, 1|+-5, 3|1.5, 2") +
                curve("ToneCurveName2012", "1, 2")));
    auto curves = p.toneCurves();
    EXPECT_EQ(curves.size(), 2u);
    EXPECT_EQ(curves["ToneCurvePV2012"], (Points{{0, 0}, {64, 60}, {128, 130}, {255, 255}}));
    EXPECT_EQ(curves["ToneCurvePV2012Red"], (Points{{5, -7}, {9, 10}}));
    EXPECT_FALSE(curves.count("ToneCurvePV2012Blue"));
    EXPECT_FALSE(curves.count("ToneCurveName2012"));
}

TEST(DevelopPreset, neutralPresetIsExactAndReadsBack) {
    const std::string& t = DevelopPreset::neutralXMP();
    EXPECT_EQ(t.size(), 437u);
    EXPECT_EQ(std::count(t.begin(), t.end(), '\n'), 3);
    EXPECT_NE(t.back(), '\n');
    EXPECT_EQ(t.substr(0, t.find('\n')), "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"" + kRdf + "\">");
    auto p = neutralPreset();
    EXPECT_EQ(p.name(), "Neutru");
    EXPECT_EQ(p.attributes(), (Pairs{{"Version", "15.4"},
                                     {"ProcessVersion", "15.4"},
                                     {"ConvertToGrayscale", "False"},
                                     {"HasSettings", "True"}}));
    EXPECT_TRUE(p.children().empty());
    EXPECT_TRUE(p.detail().empty());
    EXPECT_TRUE(p.toneCurves().empty());
}

TEST(DevelopPreset, bindingLooksUpThroughTheParents) {
    auto p = presetFrom("<x:xmpmeta xmlns:x=\"adobe:ns:meta/\" xmlns=\"urn:d\" xmlns:q=\"urn:outer\"><rdf:RDF xmlns:rdf=\"" + kRdf +
                        "\" xmlns:q=\"urn:inner\"><rdf:Description xmlns:crs=\"" + kCrs +
                        "\"><crs:ToneCurvePV2012 xmlns=\"\"/></rdf:Description></rdf:RDF></x:xmpmeta>");
    ASSERT_EQ(p.children().size(), 1u);
    const auto& curve = p.children()[0];
    EXPECT_EQ(DevelopPreset::binding("q", curve), "urn:inner");
    EXPECT_EQ(DevelopPreset::binding("crs", curve), kCrs);
    EXPECT_EQ(DevelopPreset::binding("zz", curve), std::nullopt);
    EXPECT_EQ(DevelopPreset::binding("", curve), std::nullopt);  // the nearest declaration unbinds it
    EXPECT_EQ(DevelopPreset::binding("", curve.parent()), "urn:d");
}

// The resolution rules, checked in whatever locale is in force.
void checkResolution() {
    const std::set<std::string, std::less<>> none;
    auto neutral = neutralPreset();
    EXPECT_EQ(neutral.resolvedAttributes(0.333, 5001, std::nullopt, {{"Contrast2012", 12}}, {}, none),
              (Pairs{{"Version", "15.4"},
                     {"ProcessVersion", "15.4"},
                     {"ConvertToGrayscale", "False"},
                     {"HasSettings", "True"},
                     {"WhiteBalance", "Custom"},
                     {"Temperature", "5001"},
                     {"Exposure2012", "+0.33"},
                     {"Contrast2012", "+12"}}));

    struct Number {
        double exposure;
        double temperature;
        const char* exposureText;
        const char* temperatureText;
    };
    for (const auto& n : std::vector<Number>{{0.004, 5000.6, "0.00", "5001"},
                                             {-0.004, 5000.5, "0.00", "5001"},
                                             {2, 4999.4, "+2.00", "4999"},
                                             {-1.5, 6500, "-1.50", "6500"},
                                             {0.125, 3000.49, "+0.13", "3000"},
                                             {-0.125, 7000, "-0.13", "7000"}}) {
        auto r = neutral.resolvedAttributes(n.exposure, n.temperature, std::nullopt, {}, {}, none);
        auto find = [&](const char* k) {
            for (auto& [key, v] : r)
                if (key == k) return v;
            return std::string("<none>");
        };
        EXPECT_EQ(find("Exposure2012"), n.exposureText) << n.exposure;
        EXPECT_EQ(find("Temperature"), n.temperatureText) << n.temperature;
    }

    auto tinted = presetFrom(presetText("crs:Tint=\"+10\" crs:Exposure2012=\"+1.00\" crs:Shadows2012=\"+20\""));
    EXPECT_EQ(keys(tinted.resolvedAttributes(0, 5000, std::nullopt, {}, {}, none)),
              (std::vector<std::string>{"Exposure2012", "Shadows2012", "WhiteBalance", "Temperature", "HasSettings"}));
    EXPECT_EQ(tinted.resolvedAttributes(0, 5000, -0.4, {}, {}, none)[0], (std::pair<std::string, std::string>{"Tint", "0"}));
    EXPECT_EQ(tinted.resolvedAttributes(0, 5000, 12.5, {}, {}, none)[0], (std::pair<std::string, std::string>{"Tint", "+13"}));
    EXPECT_EQ(tinted.resolvedAttributes(0, 5000, -3, {}, {}, none)[0], (std::pair<std::string, std::string>{"Tint", "-3"}));

    // Overrides are clamped; a key given twice ends with its later value; extras come last unchanged.
    auto r = neutral.resolvedAttributes(0, 5000, std::nullopt,
                                        {{"Contrast2012", 0}, {"Clarity2012", -250}, {"Dehaze", 250}, {"Contrast2012", 7}},
                                        {{"LensProfileEnable", "1"}, {"Version", "16.0"}}, none);
    EXPECT_EQ(r, (Pairs{{"Version", "16.0"},
                        {"ProcessVersion", "15.4"},
                        {"ConvertToGrayscale", "False"},
                        {"HasSettings", "True"},
                        {"WhiteBalance", "Custom"},
                        {"Temperature", "5000"},
                        {"Exposure2012", "0.00"},
                        {"Contrast2012", "+7"},
                        {"Clarity2012", "-100"},
                        {"Dehaze", "+100"},
                        {"LensProfileEnable", "1"}}));

    // Skipped keys are gone whoever provides them.
    const std::set<std::string, std::less<>> skipping = {"Temperature", "ProcessVersion"};
    EXPECT_EQ(keys(neutral.resolvedAttributes(0.5, 5000, std::nullopt, {}, {}, skipping)),
              (std::vector<std::string>{"Version", "ConvertToGrayscale", "HasSettings", "WhiteBalance", "Exposure2012"}));
}

TEST(DevelopPreset, resolvesThePhotoSettings) { checkResolution(); }

TEST(DevelopPreset, resolvesThePhotoSettingsUnderTheRomanianLocale) {
    testing::RomanianLocale ro;
    if (!ro.active()) GTEST_SKIP() << "ro_RO.UTF-8 is not installed";
    checkResolution();
    // Reading is not affected either.
    auto p = presetFrom(presetText("crs:Exposure2012=\"+0.35\"",
                                   "<crs:ToneCurvePV2012><rdf:Seq><rdf:li>1, 2</rdf:li></rdf:Seq></crs:ToneCurvePV2012>"));
    EXPECT_EQ(p.toneCurves().at("ToneCurvePV2012").at(0), (DevelopPreset::Point{1, 2}));
}

TEST(DevelopPreset, refusesValuesThatCannotBeWritten) {
    auto p = neutralPreset();
    const std::set<std::string, std::less<>> none;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_THROW(p.resolvedAttributes(nan, 5000, std::nullopt, {}, {}, none), std::domain_error);
    EXPECT_THROW(p.resolvedAttributes(0, inf, std::nullopt, {}, {}, none), std::domain_error);
    EXPECT_THROW(p.resolvedAttributes(0, 5000, nan, {}, {}, none), std::domain_error);
    EXPECT_THROW(p.resolvedAttributes(0, 1e300, std::nullopt, {}, {}, none), std::domain_error);
    EXPECT_THROW(p.resolvedAttributes(1e307, 5000, std::nullopt, {}, {}, none), std::domain_error);
}

}  // namespace
}  // namespace orvane

#include "core/catalog/settings_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <set>

#include "testing/catalog_builder.h"

namespace orvane::CatalogWriter {
namespace {

// Reads one Lua double-quoted literal back (the escapes Lightroom and luaString use).
std::optional<std::string> unquote(std::string_view literal) {
    if (literal.size() < 2 || literal.front() != '"' || literal.back() != '"') return std::nullopt;
    std::string out;
    for (std::size_t i = 1; i + 1 < literal.size(); ++i) {
        char c = literal[i];
        if (c == '\\') {
            c = literal[++i];
            if (c == 'n') c = '\n';
            if (c == 'r') c = '\r';
        }
        out += c;
    }
    return out;
}

TEST(SettingsText, mergesTheWorkedExampleExactly) {
    const std::string stored = "s = { Exposure2012 = 0.25,\nWhiteBalance = \"As Shot\",\nTemperature = 5200 }";
    const Attributes attributes = {
        {"Exposure2012", "+0.35"}, {"WhiteBalance", "Custom"}, {"Temperature", "5650"}, {"HasSettings", "True"}, {"AutoLateralCA", "1"}};
    const auto merged = CatalogWriter::merge(stored, attributes, {}, std::nullopt);
    ASSERT_TRUE(merged);
    EXPECT_EQ(*merged,
              "s = { AutoLateralCA = 1,\nExposure2012 = 0.35,\nTemperature = 5650,\nWhiteBalance = \"Custom\" }");
    // Merging the same inputs again changes nothing.
    EXPECT_EQ(CatalogWriter::merge(*merged, attributes, {}, std::nullopt), merged);
}

TEST(SettingsText, luaValueVectors) {
    struct Case {
        const char* name;
        std::string value;
        std::optional<std::string> existing;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"whole number", "5650", std::nullopt, "5650"},
        {"leading plus dropped", "+0.35", std::nullopt, "0.35"},
        {"six decimals, zeros stripped", "2.5", std::nullopt, "2.5"},
        {"rounded to six decimals", "0.1234567", std::nullopt, "0.123457"},
        {"tiny keeps its point", "0.0000001", std::nullopt, "0."},
        {"1e9 is not whole", "1e9", std::nullopt, "1000000000."},
        {"negative zero", "-0", std::nullopt, "0"},
        {"negative", "-12", std::nullopt, "-12"},
        {"exponent", "2.5e2", std::nullopt, "250"},
        {"True before string test", "True", std::string("\""), "true"},
        {"False", "False", std::nullopt, "false"},
        {"quoted existing keeps plus", "+5650", std::string("\"5200\""), "\"+5650\""},
        {"text", "Custom", std::nullopt, "\"Custom\""},
        {"nan is text", "nan", std::nullopt, "\"nan\""},
        {"infinity is text", "inf", std::nullopt, "\"inf\""},
        {"overflow is text", "1e400", std::nullopt, "\"1e400\""},
        {"leading blank is text", " 5", std::nullopt, "\" 5\""},
        {"decimal comma is text", "0,5", std::nullopt, "\"0,5\""},
        {"escapes", "a\\b\"c\nd\re", std::nullopt, "\"a\\\\b\\\"c\\nd\\re\""},
    };
    for (const auto& c : cases) EXPECT_EQ(luaValue(c.value, c.existing), c.expected) << c.name;
}

TEST(SettingsText, luaValueIgnoresTheRomanianLocale) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "ro_RO.UTF-8")) GTEST_SKIP() << "ro_RO.UTF-8 is not installed";
    const auto half = luaValue("0.5", std::nullopt);
    const auto curve = luaCurve({{0, 0}, {255, 255}});
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(half, "0.5");
    EXPECT_EQ(curve, "{ 0,\n0,\n255,\n255 }");
}

TEST(SettingsText, luaCurveFlattensPoints) {
    EXPECT_EQ(luaCurve({{0, 0}, {255, 255}}), "{ 0,\n0,\n255,\n255 }");
    EXPECT_EQ(luaCurve({{0, 10}, {128, 140}, {255, 250}}), "{ 0,\n10,\n128,\n140,\n255,\n250 }");
}

TEST(SettingsText, escapedStringsRoundTrip) {
    const std::string value = "C:\\Presets\\\"Nuntă\"\nline two";
    const auto merged = CatalogWriter::merge("s = { Exposure2012 = 0 }", {{"CameraProfile", value}}, {}, std::nullopt);
    ASSERT_TRUE(merged);
    const auto table = entries(*merged);
    ASSERT_TRUE(table);
    ASSERT_EQ(table->size(), 2u);
    EXPECT_EQ((*table)[0].key, "CameraProfile");
    EXPECT_EQ(unquote((*table)[0].raw.substr(std::string("CameraProfile = ").size())), value);
}

TEST(SettingsText, refusesWhatItDoesNotUnderstand) {
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"no spaces around the equals sign", "s={ A = 1 }"},
        {"comment after the closing brace", "s = { A = 1 } -- done"},
        {"comment between entries", "s = { A = 1, -- note\nB = 2 }"},
        {"long bracket string", "s = { A = [[text]] }"},
        {"long bracket with level", "s = { A = [==[text]==] }"},
        {"bracketed key", "s = { [\"A\"] = 1 }"},
        {"unbalanced closing brace in a value", "s = { A = { 1 } }, B = 2 }"},
        {"unbalanced opening brace", "s = { A = { 1, B = 2 }"},
        {"empty item", "s = { A = 1,, B = 2 }"},
        {"leading comma", "s = { , A = 1 }"},
        {"two trailing commas", "s = { A = 1,, }"},
        {"unterminated string", "s = { A = \"open }"},
        {"string ending in a backslash", "s = { A = \"x\\\" }"},
        {"item without equals", "s = { A = 1, B }"},
        {"empty key", "s = { = 1 }"},
        {"empty value", "s = { A = }"},
        {"key starting with a digit", "s = { 1A = 1 }"},
        {"key with a dot", "s = { A.b = 1 }"},
        {"duplicate key", "s = { A = 1, B = 2, A = 3 }"},
        {"not a table", "return { A = 1 }"},
        {"too short", "s = {"},
    };
    for (const auto& [name, text] : cases) {
        EXPECT_FALSE(entries(text)) << name;
        EXPECT_FALSE(CatalogWriter::merge(text, {{"Exposure2012", "1"}}, {}, std::nullopt)) << name;
    }
}

TEST(SettingsText, acceptsWhatLightroomWrites) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> keys;
    };
    const std::vector<Case> cases = {
        {"one trailing comma", "s = { A = 1, }", {"A"}},
        {"string holding a comma", "s = { A = \"x, y\", B = 2 }", {"A", "B"}},
        {"nested table with commas", "s = { A = { 1, 2, { 3, 4 } }, B = 2 }", {"A", "B"}},
        {"apostrophe string", "s = { A = 'it''s, \"quoted\"', B = 2 }", {"A", "B"}},
        {"escaped quote in a string", "s = { A = \"say \\\"hi\\\", ok\" }", {"A"}},
        {"braces inside a string", "s = { A = \"}{\" }", {"A"}},
        {"empty table", "s = {}", {}},
        {"surrounding line breaks", "\n\ts = { A = 1 }\r\n", {"A"}},
        {"Unicode key", "s = { Ăla_2 = 1 }", {"Ăla_2"}},
        {"single hyphen value", "s = { A = -1, B = - 2 }", {"A", "B"}},
    };
    for (const auto& c : cases) {
        const auto table = entries(c.text);
        ASSERT_TRUE(table) << c.name;
        std::vector<std::string> keys;
        for (const auto& e : *table) keys.push_back(e.key);
        EXPECT_EQ(keys, c.keys) << c.name;
    }
    EXPECT_EQ(render({}), "s = {  }");
    EXPECT_EQ(render({{"b", "b = 1"}, {"B", "B = 2"}, {"a", "a = 3"}}), "s = { B = 2,\na = 3,\nb = 1 }");
}

TEST(SettingsText, normalisesEntriesAndKeepsValueTextsAsTheyAre) {
    const auto merged = CatalogWriter::merge("s = {Zeta=\"a  =  b\",\n  Alpha   =\t{ 1,\n  2 } }", {}, {}, std::nullopt);
    ASSERT_TRUE(merged);
    EXPECT_EQ(*merged, "s = { Alpha = { 1,\n  2 },\nZeta = \"a  =  b\" }");
}

TEST(SettingsText, curvesReplaceAttributesAndEmptyCurvesKeepTheText) {
    const auto merged = CatalogWriter::merge("s = { ToneCurvePV2012 = { 0,\n0,\n255,\n255 }, ToneCurvePV2012Red = { 1,\n2 } }",
                              {{"ToneCurvePV2012", "7"}}, {{"ToneCurvePV2012", {{0, 10}, {255, 245}}}, {"ToneCurvePV2012Red", {}}},
                              std::nullopt);
    ASSERT_TRUE(merged);
    EXPECT_EQ(*merged, "s = { ToneCurvePV2012 = { 0,\n10,\n255,\n245 },\nToneCurvePV2012Red = { 1,\n2 } }");
}

TEST(SettingsText, skipsNamesThatAreNotLuaNames) {
    const auto merged = CatalogWriter::merge("s = { A = 1 }", {{"crs:Exposure", "1"}, {"B C", "2"}, {"Version", "9"}}, {}, std::nullopt);
    EXPECT_EQ(merged, "s = { A = 1 }");
}

// ---- local corrections ----

const std::string subjectName = "Vendrel – Subiect";
const std::string teethName = "Vendrel – Albire dinți";

std::string correction(const std::string& name, const std::string& body = "LocalExposure2012 = 0") {
    return "{ CorrectionName = \"" + name + "\",\n" + body + ",\nWhat = \"Correction\" }";
}

TeethMask::Spec subjectSpec() {
    TeethMask::Spec spec;
    SkinRegion region;
    region.dabs = {{0.5, 0.5}};
    spec.subject = TeethMask::Spec::Part<SkinRegion>::set({region}, 60);
    return spec;
}

TEST(SettingsText, replacesOurCorrectionsAndKeepsForeignOnes) {
    const std::string foreign = correction("Cer, albastru", "CorrectionMasks = { { What = \"Mask/Image\" } }");
    const std::string text = "s = { Exposure2012 = 0,\nMaskGroupBasedCorrections = { " + foreign + ",\n" +
                             correction(subjectName) + ",\n" + correction(teethName) + " } }";
    const std::string fresh = correction(subjectName, "LocalExposure2012 = 0.5");
    std::vector<TeethMask::Spec> seen;
    const auto merged = CatalogWriter::merge(text, {}, {}, subjectSpec(), [&](const TeethMask::Spec& spec) {
        seen.push_back(spec);
        return std::vector<std::string>{fresh};
    });
    ASSERT_TRUE(merged);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(*merged, "s = { Exposure2012 = 0,\nMaskGroupBasedCorrections = { " + foreign + ",\n" +
                           correction(teethName) + ",\n" + fresh + " } }");
}

TEST(SettingsText, theCorrectionSplitterHonoursBothQuoteKinds) {
    struct Case {
        const char* body;
        std::vector<std::string> items;
    };
    const std::vector<Case> cases = {
        {"'a, b', 'c'", {"'a, b'", "'c'"}},
        {"'x } y', { B = \"it's\" }", {"'x } y'", "{ B = \"it's\" }"}},
        {"\"say 'hi\", 'say \"hi'", {"\"say 'hi\"", "'say \"hi'"}},
        {"'it\\'s, ok', 2", {"'it\\'s, ok'", "2"}},
        {"{ A = 1 }, , { B = 2 }", {"{ A = 1 }", "", "{ B = 2 }"}},
    };
    for (const auto& c : cases) EXPECT_EQ(splitTopLevel(c.body), c.items) << c.body;

    // A foreign correction quoting with apostrophes is kept whole beside ours.
    const std::string foreign = "{ CorrectionName = 'Cer \"senin', What = 'Correction' }";
    const std::string text = "s = { MaskGroupBasedCorrections = { " + foreign + ",\n" + correction(subjectName) + " } }";
    const std::string fresh = correction(subjectName, "LocalExposure2012 = 0.5");
    const auto merged = CatalogWriter::merge(text, {}, {}, subjectSpec(),
                                             [&](const TeethMask::Spec&) { return std::vector<std::string>{fresh}; });
    EXPECT_EQ(merged, "s = { MaskGroupBasedCorrections = { " + foreign + ",\n" + fresh + " } }");
}

TEST(SettingsText, masksLeftAloneWithoutARequestAndRemovedWhenNothingRemains) {
    const std::string text = "s = { MaskGroupBasedCorrections = { " + correction(subjectName) + " } }";
    EXPECT_EQ(CatalogWriter::merge(text, {}, {}, std::nullopt), render(*entries(text)));
    // Removing the subject on a table without foreign corrections drops the entry altogether.
    TeethMask::Spec remove;
    remove.subject = TeethMask::Spec::Part<SkinRegion>::remove();
    EXPECT_EQ(CatalogWriter::merge(text, {}, {}, remove), "s = {  }");
}

TEST(SettingsText, masksArePaintedWithTheMaskTextsByDefault) {
    const auto merged = CatalogWriter::merge("s = { A = 1 }", {}, {}, subjectSpec());
    ASSERT_TRUE(merged);
    EXPECT_NE(merged->find("MaskGroupBasedCorrections = { { CorrectionActive = true"), std::string::npos) << *merged;
    EXPECT_NE(merged->find("CorrectionName = \"Vendrel \u2013 Subiect\""), std::string::npos) << *merged;
    EXPECT_NE(merged->find("What = \"Mask/Paint\""), std::string::npos) << *merged;
    EXPECT_EQ(CatalogWriter::merge("s = { A = 1 }", {}, {}, TeethMask::Spec::remove()), "s = { A = 1 }");
}

// ---- texts of several Lightroom generations ----

TEST(SettingsText, generationsParseAndRenderWithEveryEntryKept) {
    std::vector<std::string> texts = testing::generationDevelopTexts();
    for (std::uint64_t seed = 1; seed <= 3; ++seed) texts.push_back(testing::realisticDevelopText(seed, 8000));
    for (const auto& text : texts) {
        const auto table = entries(text);
        ASSERT_TRUE(table) << text;
        const auto merged = CatalogWriter::merge(text, {}, {}, std::nullopt);
        ASSERT_TRUE(merged);
        const auto again = entries(*merged);
        ASSERT_TRUE(again);
        ASSERT_EQ(again->size(), table->size());
        std::set<std::pair<std::string, std::string>> before, after;
        for (const auto& e : *table) before.insert({e.key, e.raw});
        for (const auto& e : *again) after.insert({e.key, e.raw});
        EXPECT_EQ(before, after);
        // A second pass is a fixed point.
        EXPECT_EQ(CatalogWriter::merge(*merged, {}, {}, std::nullopt), merged);
    }
}

}  // namespace
}  // namespace orvane::CatalogWriter

#include <gtest/gtest.h>

#include <clocale>
#include <map>

#include "core/catalog/catalog.h"
#include "core/store/preset_keys.h"
#include "testing/catalog_builder.h"

namespace orvane {
namespace {

using Numbers = std::map<std::string, double>;

TEST(CatalogSettings, picksNameEqualsNumberLines) {
    struct Case {
        const char* name;
        std::string text;
        Numbers expected;
    };
    const Case cases[] = {
        {"first line after the opener", "s = { Exposure2012 = 0.35,\nTemperature = 5400,\nTint = 3 }",
         {{"Exposure2012", 0.35}, {"Temperature", 5400}, {"Tint", 3}}},
        {"booleans, quoted texts and openers add nothing",
         "s = { AutoGrayscaleMix = true,\nCameraProfile = \"Adobe Standard\",\nToneCurvePV2012 = { 0,\n255 },\nDehaze = 4 }",
         {{"Dehaze", 4}}},
        {"keys with an underscore, a dot or a bracket are refused",
         "a_b = 1,\na.b = 2,\na[1] = 3,\nab = 4", {{"ab", 4}}},
        {"a closing brace and comma are trimmed from the value", "Vibrance = -12}", {{"Vibrance", -12}}},
        {"blanks, commas and braces at both ends", "Saturation = ,, 7 },}", {{"Saturation", 7}}},
        {"tab before the value is kept and refuses it", "Saturation =\t7", {}},
        {"tabs around the line and key are trimmed", "\t\tClarity2012\t= 5,\t", {{"Clarity2012", 5}}},
        {"tab indentation of nested entries", "\t\tClarity2012 = 5,", {{"Clarity2012", 5}}},
        {"a later line wins, nested ones too", "s = { Exposure2012 = 1,\nLocal = { Exposure2012 = 2,\nExposure2012 = -0.5 } }",
         {{"Exposure2012", -0.5}}},
        {"two entries on one line are not recognised", "a = 1, b = 2", {}},
        {"leading equals signs are passed over", "== Whites2012 = 5", {{"Whites2012", 5}}},
        {"a second equals sign stays in the value", "k = 5 = 6", {}},
        {"nothing after the equals sign", "k =", {}},
        {"only blanks after the equals sign", "k = ", {}},
        {"no equals sign", "k 5", {}},
        {"CRLF lines keep the carriage return", "s = { Exposure2012 = 0.5,\r\nTemperature = 5000\r\n", {}},
        {"the last CRLF-free line still counts", "Exposure2012 = 0.5\r\nTemperature = 5000", {{"Temperature", 5000}}},
        {"empty pieces between line feeds", "\n\n\nTint = 2\n\n", {{"Tint", 2}}},
        {"exponent and sign forms", "a = 1e-10\nb = -2.5E3\nc = +4\nd = .5\ne = 5.", {{"a", 1e-10}, {"b", -2500}, {"c", 4}, {"d", 0.5}, {"e", 5}}},
        {"hexadecimal as strtod reads it", "h = 0x10", {{"h", 16}}},
        {"plain decimals short and long, leading zeros, a bare sign",
         "a = 00012\nb = -0.1\nc = 0.1000000000000000055511151231257827\nd = -\ne = 123456789012345678901234567890",
         {{"a", 12}, {"b", -0.1}, {"c", 0.1000000000000000055511151231257827}, {"e", 123456789012345678901234567890.0}}},
        {"trailing junk is refused", "a = 5x\nb = 5 x\nc = 1,5", {}},
        {"out of the double range", "a = 1e400\nb = -1e400\nc = 1e-400", {}},
        {"Unicode letters and digits make keys", "Ştefan2 = 3\nΔ٣ = 4", {{"Ştefan2", 3}, {"Δ٣", 4}}},
        {"no-break space trimmed around the key", "\u00a0Tint\u00a0= 6", {{"Tint", 6}}},
        {"the opener needs its blank", "s = {Tint = 6", {}},
        {"empty text", "", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(Catalog::settings(c.text), c.expected) << c.name;
}

TEST(CatalogSettings, infinityAndNaNFormsConvertAsStrtodDoes) {
    const auto n = Catalog::settings("a = inf\nb = -Infinity\nc = nan");
    ASSERT_EQ(n.size(), 3u);
    EXPECT_TRUE(std::isinf(n.at("a")) && n.at("a") > 0);
    EXPECT_TRUE(std::isinf(n.at("b")) && n.at("b") < 0);
    EXPECT_TRUE(std::isnan(n.at("c")));
}

TEST(CatalogSettings, numbersIgnoreTheProcessLocale) {
    // Romanian writes a decimal comma; settings texts never do.
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_NUMERIC, "ro_RO.UTF-8")) GTEST_SKIP() << "ro_RO.UTF-8 locale not installed";
    const auto n = Catalog::settings("Exposure2012 = 0.35\nTint = 0,5");
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(n, (Numbers{{"Exposure2012", 0.35}}));
}

TEST(CatalogWhiteBalance, takesTheFirstQuotedModeOfAWhiteBalanceLine) {
    struct Case {
        const char* name;
        std::string text;
        std::optional<std::string> mode;
    };
    const Case cases[] = {
        {"as shot", "s = { WhiteBalance = \"As Shot\" }", "As Shot"},
        {"first line wins", "WhiteBalance = \"Custom\",\nWhiteBalance = \"Auto\"", "Custom"},
        {"lines with one quote are passed over", "WhiteBalance = \"Cus\nWhiteBalance = \"Daylight\"", "Daylight"},
        {"empty quotes", "WhiteBalance = \"\"", ""},
        {"any line beginning with the word", "WhiteBalanceX = \"odd\"", "odd"},
        {"indented", "\t WhiteBalance = \"Flash\",", "Flash"},
        {"no such line", "Temperature = 5000", std::nullopt},
        {"not at the start of the line", "x = { WhiteBalance = \"Custom\" }", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(Catalog::whiteBalance(c.text), c.mode) << c.name;
}

TEST(CatalogEdited, toneKeysAboveTheThresholdElseTheWhiteBalanceMode) {
    struct Case {
        const char* name;
        std::string text;
        bool edited;
    };
    const Case cases[] = {
        {"exposure 1e-10", "Exposure2012 = 1e-10", false},
        {"exposure exactly 1e-9", "Exposure2012 = 1e-9", false},
        {"exposure 2e-9", "Exposure2012 = 2e-9", true},
        {"negative tone value", "Blacks2012 = -3", true},
        {"each further key counts", "Texture = 0\nDehaze = 0.5", true},
        {"temperature and tint do not count", "Temperature = 9000\nTint = 40", false},
        {"as shot", "WhiteBalance = \"As Shot\"", false},
        {"custom", "WhiteBalance = \"Custom\"", true},
        {"empty mode", "WhiteBalance = \"\"", true},
        {"no white balance line", "Contrast2012 = 0", false},
        {"tone key decides before as shot", "Contrast2012 = 10\nWhiteBalance = \"As Shot\"", true},
        {"nested local exposure key is not a tone key", "LocalExposure2012 = 1", false},
    };
    for (const auto& c : cases) EXPECT_EQ(Catalog::isEdited(c.text, Catalog::settings(c.text)), c.edited) << c.name;
}

TEST(CatalogBlackAndWhite, exactSubstringsOnly) {
    struct Case {
        const char* name;
        std::string text;
        bool bw;
    };
    const Case cases[] = {
        {"convert flag", "s = { ConvertToGrayscale = true,\n}", true},
        {"inside a nested table", "Look = { Parameters = { ConvertToGrayscale = true } }", true},
        {"treatment", "Treatment = \"grayscale\",", true},
        {"flag false", "ConvertToGrayscale = false", false},
        {"two blanks", "ConvertToGrayscale  = true", false},
        {"treatment colour", "Treatment = \"color\"", false},
        {"case matters", "Treatment = \"Grayscale\"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(Catalog::isBlackAndWhite(c.text), c.bw) << c.name;
}

// The reader's one-pass conversion must give what the public parsers give composed.
TEST(CatalogPhotoFromRow, agreesWithTheParsersComposed) {
    std::vector<std::string> texts = {
        "",
        "s = { Exposure2012 = 0.35,\nTemperature = 5400 }",
        "WhiteBalance = \"As Shot\"\nContrast2012 = 1e-10",
        "s = { WhiteBalance = \"Custom\",\nTint = -4,\nCropAngle = 1.25 }",
        "Local = { Vibrance = 3 }\nVibrance = 0",
        "Vibrance = 0\nLocal = { Vibrance = 3 }",
        "==Exposure2012 = 2\nTemperature = 5e3x\nWhiteBalance = \"x\nWhiteBalance = \"Auto\"",
        "Exposure2012 = 0.5\r\nTint = 1\r\n",
        "\u00a0Shadows2012\u00a0= 7",
        // Past the 64-byte steps of the scan: a flag across a step's edge, a last line without a feed.
        std::string(55, ' ') + "ConvertToGrayscale = true\nTint = 2\n" + std::string(70, 'y') + "\nTemperature = 4",
        "rayscale = 1\nyy\nTreatment = \"grayscale\"",
        "Tint = 00012\nTemperature = -0.1\nVibrance = 1.\nContrast2012 = -.5\nDehaze = -",
    };
    for (std::uint64_t seed = 1; seed <= 20; ++seed)
        texts.push_back(testing::realisticDevelopText(seed, 4096, seed % 3 != 0));
    for (const auto& text : texts) {
        const auto numbers = Catalog::settings(text);
        const auto p = Catalog::photo("/p.CR3", text, std::nullopt, std::nullopt);
        auto value = [&](const char* key) -> std::optional<double> {
            const auto it = numbers.find(key);
            return it == numbers.end() ? std::nullopt : std::optional<double>(it->second);
        };
        EXPECT_EQ(p.exposure, value("Exposure2012")) << text;
        EXPECT_EQ(p.temperature, value("Temperature")) << text;
        EXPECT_EQ(p.tint, value("Tint")) << text;
        EXPECT_EQ(p.cropAngle, value("CropAngle")) << text;
        EXPECT_EQ(p.edited, Catalog::isEdited(text, numbers)) << text;
        EXPECT_EQ(p.blackAndWhite, Catalog::isBlackAndWhite(text)) << text;
        ASSERT_TRUE(p.extras);
        ASSERT_EQ(p.extras->size(), Model::extraKeys().size());
        for (std::size_t i = 0; i < Model::extraKeys().size(); ++i) {
            const auto& key = Model::extraKeys()[i];
            EXPECT_EQ(p.extras->entries()[i].first, key);
            EXPECT_EQ(p.extras->entries()[i].second, value(key.c_str()).value_or(0.0)) << key << " in " << text;
        }
    }
}

TEST(CatalogPhotoFromRow, realisticTextsCarryTheirValues) {
    const auto edited = Catalog::photo("/p.CR3", testing::realisticDevelopText(7), "ID", "2024-05-01T10:00:00");
    EXPECT_TRUE(edited.edited);
    EXPECT_TRUE(edited.exposure && edited.temperature && edited.tint && edited.cropAngle);
    EXPECT_EQ(edited.blackAndWhite, false);
    const auto plain = Catalog::photo("/p.CR3", testing::realisticDevelopText(7, 4096, false), std::nullopt, std::nullopt);
    EXPECT_FALSE(plain.edited);
    EXPECT_EQ(plain.exposure, 0.0);
}

}  // namespace
}  // namespace orvane

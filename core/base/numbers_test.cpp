#include "core/base/numbers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>

#include "core/base/strict_json.h"

namespace orvane {
namespace {

TEST(Numbers, formatsAndParsesWithAPoint) {
    EXPECT_EQ(Numbers::fixed(0.5, 6), "0.500000");
    EXPECT_EQ(Numbers::fixed(-1.255, 2), "-1.25");  // binary value just below -1.255
    EXPECT_EQ(Numbers::fixed(-0.0000001, 6), "0.000000");
    EXPECT_EQ(Numbers::printfFixed(-0.0, 6), "-0.000000");
    EXPECT_EQ(Numbers::printfFixed(-0.0000001, 6), "-0.000000");
    EXPECT_EQ(Numbers::printfFixed(-5.0 / 21, 6), "-0.238095");
    EXPECT_EQ(Numbers::shortest(0.1), "0.1");
    EXPECT_EQ(Numbers::shortest(3.0), "3");
    EXPECT_EQ(Numbers::parseDouble("2.75"), 2.75);
    EXPECT_EQ(Numbers::parseDouble("-1e-3"), -0.001);
    EXPECT_FALSE(Numbers::parseDouble("2,75"));
    EXPECT_FALSE(Numbers::parseDouble(" 2"));
    EXPECT_FALSE(Numbers::parseDouble(""));
    for (const char* notANumber : {"inf", "-infinity", "nan", "1e999"}) EXPECT_FALSE(Numbers::parseDouble(notANumber)) << notANumber;
    EXPECT_EQ(Numbers::parseInt("-42"), -42);
    EXPECT_FALSE(Numbers::parseInt("4.2"));
}

// Romanian uses a decimal comma; nothing written to or read from a file may follow it.
TEST(Numbers, ignoreTheRomanianLocale) {
    const char* previous = std::setlocale(LC_ALL, nullptr);
    std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_ALL, "ro_RO.UTF-8")) GTEST_SKIP() << "ro_RO.UTF-8 is not installed";
    char probe[32];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    EXPECT_STREQ(probe, "1,5");  // the locale really is in force

    EXPECT_EQ(Numbers::fixed(1.5, 6), "1.500000");
    EXPECT_EQ(Numbers::shortest(0.25), "0.25");
    EXPECT_EQ(Numbers::parseDouble("0.25"), 0.25);
    Json j = json::parse(R"({"a":1.25,"b":-0.5e-3})");
    EXPECT_EQ(j["a"].get<double>(), 1.25);
    EXPECT_EQ(j["b"].get<double>(), -0.0005);
    EXPECT_EQ(json::dump(j), R"({"a":1.25,"b":-0.0005})");
    std::setlocale(LC_ALL, saved.c_str());
}

}  // namespace
}  // namespace orvane

#include "core/base/unicode_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace orvane;

TEST(UnicodeText, trimmedDropsUnicodeWhiteSpaceAtBothEndsOnly) {
    EXPECT_EQ(UnicodeText::trimmed("  Nuntă  Ana\n"), "Nuntă  Ana");
    EXPECT_EQ(UnicodeText::trimmed("\t\r\n \u00a0\u2003"), "");
    EXPECT_EQ(UnicodeText::trimmed("\u2003Botez\u00a0"), "Botez");
    EXPECT_EQ(UnicodeText::trimmed("Ș"), "Ș");
    EXPECT_EQ(UnicodeText::trimmed(""), "");
}

TEST(UnicodeText, scalarOrderIsCaseSensitiveComposedAndLocaleFree) {
    std::vector<std::string> names = {"b", "Ș", "z", "B", "a", "Z", "Botez", "Nuntă"};
    std::stable_sort(names.begin(), names.end(), UnicodeText::scalarLess);
    EXPECT_EQ(names, (std::vector<std::string>{"B", "Botez", "Nuntă", "Z", "a", "b", "z", "Ș"}));
    // "S" + combining comma below composes to "Ș": the two spellings compare equal.
    EXPECT_FALSE(UnicodeText::scalarLess("S\u0326", "Ș"));
    EXPECT_FALSE(UnicodeText::scalarLess("Ș", "S\u0326"));
    EXPECT_TRUE(UnicodeText::scalarLess("z", "S\u0326"));
    // Invalid UTF-8 still gives a strict order.
    EXPECT_TRUE(UnicodeText::scalarLess("a\xff", "b"));
    EXPECT_FALSE(UnicodeText::scalarLess("b", "a\xff"));
}

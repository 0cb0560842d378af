#include "core/base/natural_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace orvane {
namespace {

TEST(NaturalOrder, ordersLikeAFileBrowser) {
    std::vector<std::string> names = {"img10.nef", "IMG2.nef", "img1.nef", "b", "A", "a10b", "a9b", "Ă", "z"};
    std::stable_sort(names.begin(), names.end(), NaturalOrder::less);
    const std::vector<std::string> expected = {"A", "Ă", "a9b", "a10b", "b", "img1.nef", "IMG2.nef", "img10.nef", "z"};
    EXPECT_EQ(names, expected);
    EXPECT_EQ(NaturalOrder::compare("x", "x"), 0);
    EXPECT_NE(NaturalOrder::compare("a", "A"), 0);  // equal to the collation, still a total order
}

TEST(NaturalOrder, collationAloneIgnoresCaseOnly) {
    EXPECT_EQ(NaturalOrder::collate("Nuntă 2024", "nuntă 2024"), 0);
    EXPECT_LT(NaturalOrder::collate("Catalog 2", "catalog 10"), 0);
    EXPECT_LT(NaturalOrder::collate("nunta", "nuntă"), 0);  // accents still count
    EXPECT_GT(NaturalOrder::collate("b", "A"), 0);
}

}  // namespace
}  // namespace orvane

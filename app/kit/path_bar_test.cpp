// The path bar: components of a path, which of them show, and how the names give way when room is short.
#include "app/kit/path_bar.h"

#include <gtest/gtest.h>

#include "app/kit/fonts.h"
#include "app/kit/kit_test_fixture.h"

using namespace orvane::kit;
using orvane::kit::testing::KitFixture;

TEST(PathRules, componentsOfAPath) {
    using C = std::vector<PathComponent>;
    struct Row {
        const char* path;
        C expected;
    };
    const Row rows[] = {
        {"/Users/foto/Poze/2024",
         {{"Users", "/Users"}, {"foto", "/Users/foto"}, {"Poze", "/Users/foto/Poze"}, {"2024", "/Users/foto/Poze/2024"}}},
        {"/Volumes/Card/DCIM", {{"Card", "/Volumes/Card"}, {"DCIM", "/Volumes/Card/DCIM"}}},
        {"/Volumes", {}},
        {"/", {}},
        {"", {}},
        {"///", {}},
        {"/volumes/x", {{"volumes", "/volumes"}, {"x", "/volumes/x"}}},  // the fold is case-sensitive
        {"/Users/x/Volumes/y",
         {{"Users", "/Users"}, {"x", "/Users/x"}, {"Volumes", "/Users/x/Volumes"}, {"y", "/Users/x/Volumes/y"}}},
        {"a/b", {{"a", "/a"}, {"b", "/a/b"}}},
        {"//home//ana/", {{"home", "/home"}, {"ana", "/home/ana"}}},
    };
    for (const Row& r : rows) EXPECT_EQ(pathComponents(QString::fromUtf8(r.path)), r.expected) << r.path;
}

TEST(PathRules, theLastComponentsShowBehindAnElisionMark) {
    struct Row {
        const char* path;
        int maxItems;
        bool elided;
        std::size_t shown;
    };
    const Row rows[] = {
        {"/a/b/c/d/e", 3, true, 3}, {"/a/b/c", 3, false, 3}, {"/a/b/c", 0, true, 0},
        {"/a/b/c", -2, true, 0},    {"", 3, false, 0},       {"", 0, false, 0},
    };
    for (const Row& r : rows) {
        const PathBarEntries e = pathBarEntries(r.path, r.maxItems);
        EXPECT_EQ(e.elided, r.elided) << r.path << " " << r.maxItems;
        EXPECT_EQ(e.shown.size(), r.shown) << r.path << " " << r.maxItems;
    }
    EXPECT_EQ(pathBarEntries("/a/b/c/d/e", 3).shown.front().full, "/a/b/c");
}

TEST(PathRules, earlierNamesGiveWayFirst) {
    EXPECT_EQ(pathBarNameWidths({50, 50, 50}, 200, 10), (std::vector<double>{50, 50, 50}));
    EXPECT_EQ(pathBarNameWidths({50, 50, 50}, 130, 10), (std::vector<double>{40, 40, 50}));
    EXPECT_EQ(pathBarNameWidths({50, 50, 50}, 60, 10), (std::vector<double>{10, 10, 40}));
    EXPECT_EQ(pathBarNameWidths({50, 50}, 10, 10), (std::vector<double>{10, 10}));
}

class PathBars : public KitFixture {};

TEST_F(PathBars, aNarrowBarKeepsTheLastNameWhole) {
    auto* bar = new PathBar("/Users/fotograf/Nunți și botezuri/2024 Sinaia", 3, uiFont(13), 16, window.get());
    showWindow();
    bar->resize(bar->sizeHint());
    const QStringList natural = bar->shownNames();
    EXPECT_EQ(natural, (QStringList{"fotograf", QString::fromUtf8("Nunți și botezuri"), "2024 Sinaia"}));
    bar->resize(bar->sizeHint().width() - 60, bar->height());
    const QStringList narrow = bar->shownNames();
    EXPECT_NE(narrow[1], natural[1]);
    EXPECT_TRUE(narrow[1].contains(QString::fromUtf8("…")));  // cut in the middle
    EXPECT_EQ(narrow[2], "2024 Sinaia");
    EXPECT_GE(bar->sizeHint().width(), bar->minimumSizeHint().width());
    PathBar empty("", 3, uiFont(13), 16);
    EXPECT_TRUE(empty.shownNames().isEmpty());
    EXPECT_EQ(empty.sizeHint().width(), 0);
}

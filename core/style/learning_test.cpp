#include "core/style/learning.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>

#include "testing/catalog_builder.h"
#include "testing/temp_dir.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using testing::CatalogBuilder;
using testing::DevelopText;

const std::string root = "/home/ana/Foto/";

std::string photoPath(int i) { return root + "Nunta/IMG_" + std::to_string(1000 + i) + ".CR3"; }

// A project of `done` finished photos (IMG_1000…) and `pending` unfinished ones after them.
Project project(int done, int pending = 0, int failed = 0) {
    Project p;
    p.id = Uuid::random();
    int n = 0;
    for (int i = 0; i < done; ++i) {
        PhotoItem item(photoPath(n++));
        item.status = PhotoItem::Status::done;
        p.photos.push_back(item);
    }
    for (int i = 0; i < pending; ++i) p.photos.emplace_back(photoPath(n++));
    for (int i = 0; i < failed; ++i) {
        PhotoItem item(photoPath(n++));
        item.status = PhotoItem::Status::failed;
        p.photos.push_back(item);
    }
    return p;
}

enum class Kind { edited, unedited, blackAndWhite };

std::string settings(Kind kind) {
    DevelopText text;
    text.number("Exposure2012", kind == Kind::unedited ? 0 : 0.4).number("Temperature", 5200);
    text.text("WhiteBalance", kind == Kind::unedited ? "As Shot" : "Custom");
    if (kind == Kind::blackAndWhite) text.boolean("ConvertToGrayscale", true);
    return text.str();
}

// A catalog listing photos IMG_<1000 + i> for i in `indices`, all of the given kind.
fs::path catalog(const fs::path& file, const std::vector<int>& indices, Kind kind = Kind::edited) {
    CatalogBuilder b(file);
    for (int i : indices) {
        b.photo({.root = root, .folder = "Nunta/", .baseName = "IMG_" + std::to_string(1000 + i), .extension = "CR3",
                 .settings = settings(kind)});
    }
    return file;
}

std::vector<int> range(int from, int to) {
    std::vector<int> out;
    for (int i = from; i < to; ++i) out.push_back(i);
    return out;
}

FoundCatalog found(const fs::path& file) { return {file, 0, Date{}}; }

TEST(Learning, aProjectWithoutDonePhotosMatchesNothingAndReadsNoCatalog) {
    testing::TempDir dir;
    const fs::path all = catalog(dir.path() / "a.lrcat", range(0, 4));
    std::atomic<int> reads = 0;
    const Learning::CatalogReader counting = [&](const fs::path& f) {
        ++reads;
        return Learning::userCatalogReader()(f);
    };
    const Project unfinished = project(0, 2, 2);
    EXPECT_TRUE(Learning::matches(unfinished, {found(all)}, 0, counting).empty());
    EXPECT_EQ(Learning::overlap(unfinished, all, counting), 0);
    EXPECT_EQ(reads.load(), 0);
}

TEST(Learning, overlapCountsEditedColourPhotosOfTheDoneSet) {
    testing::TempDir dir;
    struct Case {
        const char* name;
        std::vector<int> indices;
        Kind kind;
        double overlap;
    };
    // Four done photos (0-3), pending 4-5.
    const Case cases[] = {
        {"every done photo, edited", range(0, 4), Kind::edited, 1.0},
        {"pending photos do not count", range(2, 6), Kind::edited, 0.5},
        {"not edited", range(0, 4), Kind::unedited, 0.0},
        {"black and white", range(0, 4), Kind::blackAndWhite, 0.0},
        {"a path listed twice counts twice", {0, 1, 2, 3, 3}, Kind::edited, 1.25},
        {"other photos", range(10, 20), Kind::edited, 0.0},
    };
    const Project p = project(4, 2);
    int n = 0;
    for (const Case& c : cases) {
        const fs::path file = catalog(dir.path() / (std::to_string(n++) + ".lrcat"), c.indices, c.kind);
        EXPECT_DOUBLE_EQ(Learning::overlap(p, file), c.overlap) << c.name;
    }
    EXPECT_EQ(Learning::overlap(p, dir.path() / "absent.lrcat"), 0);
}

TEST(Learning, matchesKeepsThoseAtTheMinimumBestFirstTiesInGivenOrderAndSkipsUnreadableOnes) {
    testing::TempDir dir;
    const Project p = project(100);
    const fs::path half = catalog(dir.path() / "half.lrcat", range(0, 50));
    const fs::path under = catalog(dir.path() / "under.lrcat", range(0, 49));
    const fs::path most = catalog(dir.path() / "most.lrcat", range(0, 80));
    const fs::path halfToo = catalog(dir.path() / "halfToo.lrcat", range(50, 100));
    const fs::path broken = dir.path() / "broken.lrcat";
    std::ofstream(broken) << "not a database";

    const auto result = Learning::matches(
        p, {found(half), found(under), found(broken), found(dir.path() / "absent.lrcat"), found(most), found(halfToo)},
        0.5);
    ASSERT_EQ(result.size(), 3u);
    EXPECT_EQ(result[0].catalog.url, most);
    EXPECT_DOUBLE_EQ(result[0].overlap, 0.8);
    EXPECT_EQ(result[1].catalog.url, half);
    EXPECT_EQ(result[2].catalog.url, halfToo);
    EXPECT_DOUBLE_EQ(result[2].overlap, 0.5);

    // The same catalogs given the other way round keep their order among equals.
    const auto reversed = Learning::matches(p, {found(halfToo), found(half)}, 0.5);
    ASSERT_EQ(reversed.size(), 2u);
    EXPECT_EQ(reversed[0].catalog.url, halfToo);
    EXPECT_EQ(reversed[1].catalog.url, half);
}

TEST(Learning, catalogPathsWithUriMarksAreRead) {
    testing::TempDir dir;
    const Project p = project(2);
    for (const char* name : {"a?b.lrcat", "c#d.lrcat", "100% e.lrcat"}) {
        const fs::path file = catalog(dir.path() / name, range(0, 2));
        EXPECT_DOUBLE_EQ(Learning::overlap(p, file), 1.0) << name;
    }
}

}  // namespace
}  // namespace orvane

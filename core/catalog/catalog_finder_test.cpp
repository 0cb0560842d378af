#include "core/catalog/catalog_finder.h"

#include <gtest/gtest.h>

#include <fstream>

#include "testing/temp_dir.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

TEST(CatalogFinder, isCandidateKeepsUserCatalogsAndDropsCopiesBackupsCachesAndTrash) {
    struct Case {
        const char* name;
        const char* path;
        bool candidate;
    };
    const Case cases[] = {
        {"the user's Lightroom folder", "/home/ana/Pictures/Lightroom/Nunți.lrcat", true},
        {"on a mounted disk", "/media/ana/Foto/Cataloage/2024.lrcat", true},
        {"Backups", "/home/ana/Pictures/Lightroom/Backups/2024-06-01 1000/Nunți.lrcat", false},
        {"Catalog Backup", "/home/ana/Catalog Backup/Nunți.lrcat", false},
        {"the system's own data folder", "/home/ana/.local/share/Vendrel/Catalogs/X/catalog.lrcat", false},
        {"the legacy data folder", "/home/ana/.local/share/OrvaneStudio/Catalogs/X/catalog.lrcat", false},
        {"training data", "/home/ana/Orvane-TrainingData/a.lrcat", false},
        {"a .Trash folder", "/home/ana/.Trash/Nunți.lrcat", false},
        {"caches", "/home/ana/Library/Caches/a.lrcat", false},
        {"the home trash", "/home/ana/.local/share/Trash/files/Nunți.lrcat", false},
        {"a volume's trash", "/media/ana/Foto/.Trash-1000/files/Nunți.lrcat", false},
        {"extension in capitals", "/home/ana/Pictures/Nunți.LRCAT", false},
        {"a companion file", "/home/ana/Pictures/Nunți.lrcat-wal", false},
        {"another file", "/home/ana/Pictures/Nunți.lrdata", false},
        {"case-sensitive fragments", "/home/ana/backups/Nunți.lrcat", true},
    };
    for (const Case& c : cases) EXPECT_EQ(CatalogFinder::isCandidate(c.path), c.candidate) << c.name;
}

void touch(const fs::path& file, fs::file_time_type when = fs::file_time_type::clock::now()) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "catalog";
    fs::last_write_time(file, when);
}

class FixedSource final : public CatalogSource {
public:
    explicit FixedSource(std::optional<std::vector<std::string>> paths) : paths_(std::move(paths)) {}
    std::optional<std::vector<std::string>> paths() const override { return paths_; }

private:
    std::optional<std::vector<std::string>> paths_;
};

TEST(CatalogFinder, scanSortsNewestFirstKeepingTheSourcesOrderForEqualDates) {
    TempDir dir;
    const auto ten = fs::file_time_type::clock::now() - std::chrono::hours(2);
    const auto eleven = ten + std::chrono::hours(1);
    const fs::path a = dir.path() / "a" / "Zece.lrcat", b = dir.path() / "b" / "Unsprezece.lrcat",
                   c = dir.path() / "c" / "TotZece.lrcat";
    touch(a, ten);
    touch(b, eleven);
    touch(c, ten);
    fs::create_directories(dir.path() / "Dosar.lrcat");  // a folder named like a catalog
    fs::create_symlink(b, dir.path() / "Legatura.lrcat");

    const auto found = CatalogFinder::scan(FixedSource(std::vector<std::string>{
        a.string(), (dir.path() / "Dosar.lrcat").string(), b.string(), (dir.path() / "Dispărut.lrcat").string(),
        (dir.path() / "Legatura.lrcat").string(), c.string(), (dir.path() / "Backups" / "x.lrcat").string()}));
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].url, b);
    EXPECT_EQ(found[1].url, a);
    EXPECT_EQ(found[2].url, c);
    EXPECT_EQ(found[0].size, 7);
    EXPECT_EQ(found[0].name(), "Unsprezece");
    EXPECT_EQ(found[0].folder(), (dir.path() / "b").string());
    EXPECT_GT(found[0].modified, found[1].modified);

    EXPECT_TRUE(CatalogFinder::scan(FixedSource(std::nullopt)).empty());
}

TEST(CatalogFinder, aWalkOfAHomeFindsCatalogsAndSkipsBackupsHiddenFoldersTheTrashAndDepth) {
    TempDir home;
    testing::ScopedEnv data("XDG_DATA_HOME", (home.path() / ".local" / "share").string());
    const auto now = fs::file_time_type::clock::now();
    const fs::path older = home.path() / "Pictures" / "Lightroom" / "Nunți.lrcat";
    const fs::path newer = home.path() / "Foto" / "2024" / "Botez.LRCAT";  // found, but not a candidate
    const fs::path newest = home.path() / "Foto" / "2025" / "Evenimente.lrcat";
    touch(older, now - std::chrono::hours(3));
    touch(newer, now - std::chrono::hours(2));
    touch(newest, now - std::chrono::hours(1));
    touch(home.path() / "Pictures" / "Lightroom" / "Backups" / "2024-06-01" / "Nunți.lrcat");
    touch(home.path() / "Pictures" / "Lightroom" / "Nunți.lrcat-wal");
    touch(home.path() / ".local" / "share" / "Trash" / "files" / "Vechi.lrcat");
    touch(home.path() / ".local" / "share" / "Vendrel" / "Catalogs" / "X" / "catalog.lrcat");
    touch(home.path() / ".ascuns" / "Ascuns.lrcat");
    fs::path deep = home.path();
    for (int i = 0; i < 9; ++i) deep /= "d" + std::to_string(i);
    touch(deep / "Adanc.lrcat");

    const WalkSource walk({home.path()}, 8);
    const auto listed = walk.paths();
    ASSERT_TRUE(listed.has_value());
    EXPECT_EQ(listed->size(), 4u);  // the three above and the backup; nothing hidden, nothing too deep

    const auto found = CatalogFinder::scan(walk);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].url, newest);
    EXPECT_EQ(found[1].url, older);
}

TEST(CatalogFinder, aWalkStopsAtItsTimeBudget) {
    TempDir home;
    touch(home.path() / "a.lrcat");
    EXPECT_TRUE(WalkSource({home.path()}, 8, std::chrono::milliseconds(-1)).paths()->empty());
    EXPECT_TRUE(WalkSource({home.path() / "absent"}).paths()->empty());
}

TEST(CatalogFinder, aLocateProgramThatFailsOrIsMissingGivesNoAnswer) {
    EXPECT_FALSE(LocateSource("/nonexistent/locate").paths().has_value());
    EXPECT_FALSE(LocateSource("/bin/false").paths().has_value());
}

TEST(CatalogFinder, locateOutputIsReadLineByLine) {
    TempDir dir;
    const fs::path a = dir.path() / "Unu.lrcat", b = dir.path() / "Doi.lrcat";
    touch(a);
    touch(b);
    const fs::path fake = dir.path() / "locate";
    std::ofstream(fake) << "#!/bin/sh\nprintf '%s\\n\\n%s\\n' '" << a.string() << "' '" << b.string() << "'\n";
    fs::permissions(fake, fs::perms::owner_all);
    const auto paths = LocateSource(fake).paths();
    ASSERT_TRUE(paths.has_value());
    EXPECT_EQ(*paths, (std::vector<std::string>{a.string(), b.string()}));
}

}  // namespace
}  // namespace orvane

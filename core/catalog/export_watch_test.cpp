// Finding the photos exported from a catalog, including while its editor holds it locked.
#include "core/catalog/export_watch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include "testing/catalog_builder.h"
#include "testing/temp_dir.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using Paths = std::set<std::string>;

struct ExportCatalog {
    testing::TempDir dir;
    fs::path file = dir / "Fotografii.lrcat";

    ExportCatalog() {
        testing::CatalogBuilder b(file);
        auto shot = [&](const std::string& name) {
            testing::CatalogBuilder::Photo p;
            p.baseName = name;
            return b.photo(p);
        };
        const auto twice = shot("TWICE");  // two export steps: returned once
        b.historyStep(twice.image, "Export - Hard Drive", 1, "s = {}");
        b.historyStep(twice.image, "Export - Email", 2, "s = {}");
        const auto near = shot("NEAR");  // names that are not an export step
        b.historyStep(near.image, "Exported", 1, "s = {}");
        b.historyStep(near.image, "Import", 2, "s = {}");
        const auto upper = shot("UPPER");  // the name's letters compared without case
        b.historyStep(upper.image, "EXPORT - x", 1, "s = {}");
        const auto outside = shot("OUTSIDE");  // exported, but not among the asked paths
        b.historyStep(outside.image, "Export - Hard Drive", 1, "s = {}");
        const auto master = shot("MASTER");  // only its virtual copy was exported
        const auto copy = b.virtualCopy(master.file);
        b.historyStep(copy, "Export - Hard Drive", 1, "s = {}");
        b.close();
    }
};

const Paths kAsked = {"/Photos/2024/TWICE.CR3", "/Photos/2024/NEAR.CR3", "/Photos/2024/UPPER.CR3",
                      "/Photos/2024/MASTER.CR3", "/Photos/2024/ABSENT.CR3"};

TEST(ExportWatch, findsMasterPhotosWithAnExportStepAmongTheAskedPaths) {
    ExportCatalog c;
    EXPECT_EQ(ExportWatch::exportedPaths(c.file, kAsked), (Paths{"/Photos/2024/TWICE.CR3", "/Photos/2024/UPPER.CR3"}));
    EXPECT_EQ(ExportWatch::exportedPaths(c.file, {}), Paths{}) << "an empty set is an answer, not a failure";
    // With the editor's lock file the catalog is read through SQLite's locking, to the same answer.
    testing::writeLockFile(c.file);
    EXPECT_EQ(ExportWatch::exportedPaths(c.file, kAsked), (Paths{"/Photos/2024/TWICE.CR3", "/Photos/2024/UPPER.CR3"}));
}

TEST(ExportWatch, aCatalogThatCannotBeQueriedGivesNothing) {
    testing::TempDir dir;
    std::ofstream(dir / "notes.lrcat") << "not a catalog at all, just some text that is long enough to be a page";
    { Sqlite::Connection::open((dir / "other.db").string(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE).exec("create table t(x)"); }
    for (const fs::path& file : {dir / "missing.lrcat", dir / "notes.lrcat", dir / "other.db"})
        EXPECT_FALSE(ExportWatch::exportedPaths(file, kAsked)) << file;
    EXPECT_FALSE(fs::exists(dir / "missing.lrcat"));
}

TEST(ExportWatch, aLockHeldPastTheTimeoutGivesNothing) {
    ExportCatalog c;
    testing::writeLockFile(c.file);
    // The editor holds the catalog exclusively for the whole call.
    auto editor = Sqlite::Connection::open(c.file.string(), SQLITE_OPEN_READWRITE);
    editor.exec("pragma locking_mode = exclusive");
    editor.exec("begin exclusive");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(ExportWatch::exportedPaths(c.file, kAsked));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(ExportWatch::kBusyTimeoutMs - 100))
        << "the lock is waited for before giving up";
    editor.exec("rollback");
}

}  // namespace
}  // namespace orvane

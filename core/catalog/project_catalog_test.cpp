#include <gtest/gtest.h>

#include "core/catalog/catalog_records.h"
#include "core/store/project.h"
#include "core/store/store.h"
#include "testing/catalog_builder.h"
#include "testing/dng_writer.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using orvane::testing::CatalogBuilder;
using orvane::testing::DevelopText;
using orvane::testing::TempDir;
using orvane::testing::writeText;

const std::string kEdited = DevelopText().number("Exposure2012", 0.5).number("Temperature", 5000).str();

// A catalog over <dir>/Pictures/2024/Nunta/{Ceremonie,Petrecere}: some raws on disk, one only as a
// smart preview, one gone entirely; edited and unedited ones.
struct Fixture {
    TempDir dir;
    fs::path catalog;
    std::string root;
    std::string fileOfPreviewOnly;
    Fixture() {
        orvane::testing::freshDataDir();
        catalog = dir / "Lightroom" / "Catalog.lrcat";
        fs::create_directories(catalog.parent_path());
        root = (dir / "Pictures").string() + "/";
        CatalogBuilder b(catalog);
        auto add = [&](const std::string& folder, const std::string& base, bool onDisk, bool edited) {
            auto ids = b.photo({.root = root, .folder = folder, .baseName = base, .extension = "NEF",
                                .settings = edited ? kEdited : DevelopText().str()});
            if (onDisk) writeText(root + folder + base + ".NEF", "raw");
            return ids;
        };
        add("2024/Nunta/Ceremonie/", "img10", true, false);
        add("2024/Nunta/Ceremonie/", "IMG2", true, true);
        add("2024/Nunta/Petrecere/", "img1", true, false);
        auto preview = add("2024/Nunta/Petrecere/", "img3", false, false);
        add("2024/Nunta/Petrecere/", "gone", false, false);
        writeText(orvane::testing::writeCatalogSmartPreview(catalog, preview.fileID, {}), "");
        fileOfPreviewOnly = root + "2024/Nunta/Petrecere/img3.NEF";
        b.close();
    }
    std::vector<std::string> paths(const Project& p) const {
        std::vector<std::string> out;
        for (const auto& item : p.photos) out.push_back(item.path.substr(root.size()));
        return out;
    }
};

TEST(ProjectFromCatalog, keepsPhotosOnDiskInNaturalOrderUnderTheirCommonFolder) {
    Fixture f;
    const Uuid profile = Uuid::random();
    Project p = Project::create("Nunta", f.catalog, false, profile, std::nullopt);
    EXPECT_EQ(f.paths(p), (std::vector<std::string>{"2024/Nunta/Ceremonie/IMG2.NEF", "2024/Nunta/Ceremonie/img10.NEF",
                                                    "2024/Nunta/Petrecere/img1.NEF", "2024/Nunta/Petrecere/img3.NEF"}));
    EXPECT_EQ(p.folder, f.root + "2024/Nunta");
    EXPECT_EQ(p.catalogPath, f.catalog.string());
    EXPECT_EQ(p.globalExposure, 0.0);
    EXPECT_EQ(p.profileID, profile);
    for (const auto& item : p.photos) {
        if (item.path == f.fileOfPreviewOnly) {
            ASSERT_TRUE(item.previewPath);
            EXPECT_NE(item.previewPath->find("Catalog Smart Previews.lrdata"), std::string::npos);
        } else {
            EXPECT_FALSE(item.previewPath);
        }
    }
    EXPECT_EQ(Store::load<Project>(p.dir() / "project.json"), p);
}

TEST(ProjectFromCatalog, filtersAndTheNoPhotosError) {
    Fixture f;
    const Uuid profile = Uuid::random();
    auto unedited = Project::create("n", f.catalog, true, profile, std::nullopt);
    EXPECT_EQ(unedited.photos.size(), 3u);
    auto one = Project::create("n", f.catalog, false, profile, std::set<std::string>{f.root + "2024/Nunta/Petrecere"});
    EXPECT_EQ(f.paths(one), (std::vector<std::string>{"2024/Nunta/Petrecere/img1.NEF", "2024/Nunta/Petrecere/img3.NEF"}));
    EXPECT_EQ(one.folder, f.root + "2024/Nunta/Petrecere");

    try {
        Project::create("n", f.catalog, false, profile, std::set<std::string>{});
        FAIL();
    } catch (const NoPhotosError& e) {
        EXPECT_STREQ(e.what(), "Catalogul nu are fotografii RAW potrivite pe disc.");
    }
    // Without the smart previews and the raw files, nothing is left.
    fs::remove_all(f.dir / "Lightroom" / "Catalog Smart Previews.lrdata");
    fs::remove_all(f.dir / "Pictures");
    EXPECT_THROW(Project::create("n", f.catalog, false, profile, std::nullopt), NoPhotosError);
    EXPECT_THROW(Project::create("n", f.dir / "missing.lrcat", false, profile, std::nullopt), CatalogError);
    EXPECT_EQ(Project::all().size(), 2u);  // failures saved nothing
}

TEST(ProjectFromCatalog, commonFolderShrinksOnSlashBoundaries) {
    struct Case {
        const char* name;
        std::vector<std::string> folders;
        std::string expected;
    };
    const Case cases[] = {
        {"siblings", {"x/ab", "x/abc"}, "x"},
        {"single", {"a/b/c"}, "a/b/c"},
        {"nested", {"a/b", "a/b/c/d"}, "a/b"},
        {"nothingShared", {"p/q", "r/s"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        orvane::testing::freshDataDir();
        const fs::path catalog = dir / "c.lrcat";
        {
            CatalogBuilder b(catalog);
            int n = 0;
            for (const auto& folder : c.folders) {
                const std::string base = "f" + std::to_string(n++);
                b.photo({.root = dir.path().string() + "/", .folder = folder + "/", .baseName = base, .extension = "NEF",
                         .settings = kEdited});
                writeText(dir / folder / (base + ".NEF"), "raw");
            }
            b.close();
        }
        Project p = Project::create("n", catalog, false, Uuid::random(), std::nullopt);
        // Folders with nothing in common below the temporary folder meet at the temporary folder.
        const std::string want = c.expected.empty() ? dir.path().string() : dir.path().string() + "/" + c.expected;
        EXPECT_EQ(p.folder, want);
    }
}

TEST(ProjectFromCatalog, folderCountsAndTotals) {
    Fixture f;
    auto folders = Project::catalogFolders(f.catalog);
    ASSERT_TRUE(folders);
    ASSERT_EQ(folders->size(), 2u);
    const auto& ceremony = (*folders)[0];
    EXPECT_EQ(ceremony.name(), "Ceremonie");
    EXPECT_EQ(ceremony, (Project::CatalogFolder{f.root + "2024/Nunta/Ceremonie", 2, 2, 1, 2}));
    EXPECT_EQ((*folders)[1], (Project::CatalogFolder{f.root + "2024/Nunta/Petrecere", 3, 2, 2, 1}));
    EXPECT_EQ(Project::catalogCounts(f.catalog), (Project::CatalogCounts{4, 3, 5}));
    EXPECT_FALSE(Project::catalogFolders(f.dir / "missing.lrcat"));
    EXPECT_FALSE(Project::catalogCounts(f.dir / "missing.lrcat"));
}

}  // namespace
}  // namespace orvane

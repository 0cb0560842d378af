#include <gtest/gtest.h>

#include "core/base/defaults.h"
#include "core/store/project.h"
#include "core/store/store.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using orvane::testing::ScopedEnv;
using orvane::testing::TempDir;
using orvane::testing::writeText;

struct ProjectLibrary : ::testing::Test {
    void SetUp() override {
        orvane::testing::freshDataDir();
        settings = std::make_shared<FileDefaults>();
        setUserDefaults(settings);
    }
    void TearDown() override { setUserDefaults(nullptr); }
    std::shared_ptr<FileDefaults> settings;
};

std::vector<std::string> names(const std::vector<fs::path>& files, const fs::path& base) {
    std::vector<std::string> out;
    for (const auto& f : files) out.push_back(f.lexically_relative(base).string());
    return out;
}

TEST_F(ProjectLibrary, rawFilesFindsRawPhotosInNaturalOrder) {
    TempDir dir;
    for (const char* f : {"img10.nef", "IMG2.nef", "img1.nef", "IMG_1.CR3", "IMG_2.jpg", "._IMG_1.CR3", ".hidden/x.nef",
                          "sub/a.DNG", "Catalog Smart Previews.lrdata/0/01/x.dng", "notes.txt", "sub/deeper/b.arw"})
        writeText(dir / f, "x");
    fs::create_directories(dir / "folder.nef");
    EXPECT_EQ(names(Project::rawFiles(dir.path()), dir.path()),
              (std::vector<std::string>{"IMG_1.CR3", "img1.nef", "IMG2.nef", "img10.nef", "sub/a.DNG", "sub/deeper/b.arw"}));

    settings->set("includeSubfolders", "false");  // not a boolean: subfolders still included
    EXPECT_EQ(Project::rawFiles(dir.path()).size(), 6u);
    settings->set("includeSubfolders", false);
    EXPECT_EQ(names(Project::rawFiles(dir.path()), dir.path()),
              (std::vector<std::string>{"IMG_1.CR3", "img1.nef", "IMG2.nef", "img10.nef"}));
    EXPECT_TRUE(Project::rawFiles(dir / "missing").empty());
    EXPECT_EQ(Project::rawExtensions().size(), 10u);
}

TEST_F(ProjectLibrary, rawFilesSkipsLinkedFoldersAndUnstorableNames) {
    TempDir dir;
    writeText(dir / "a.nef", "x");
    writeText(dir / "caf\xE9.nef", "x");  // not UTF-8: cannot be stored in the project file
    fs::create_directories(dir / "sub");
    fs::create_directory_symlink("..", dir / "sub" / "up");
    fs::create_symlink(dir / "a.nef", dir / "linked.nef");  // a linked file is still a photo
    EXPECT_EQ(names(Project::rawFiles(dir.path()), dir.path()), (std::vector<std::string>{"a.nef", "linked.nef"}));
    EXPECT_EQ(Project::create("n", dir.path(), Uuid::random()).photos.size(), 2u);
}

TEST_F(ProjectLibrary, createSavesAPendingProject) {
    TempDir dir;
    writeText(dir / "b.nef", "x");
    writeText(dir / "a.cr2", "x");
    const Uuid profile = Uuid::random();
    Project p = Project::create(" Nuntă ", dir.path(), profile);
    EXPECT_EQ(p.name, " Nuntă ");
    EXPECT_EQ(p.folder, dir.path().string());
    EXPECT_EQ(p.profileID, profile);
    EXPECT_EQ(p.globalExposure, 0.0);
    ASSERT_EQ(p.photos.size(), 2u);
    EXPECT_EQ(p.photos[0].path, (dir / "a.cr2").string());
    EXPECT_EQ(p.photos[1].status, PhotoItem::Status::pending);
    EXPECT_FALSE(p.catalogPath);
    EXPECT_EQ(Store::load<Project>(p.dir() / "project.json"), p);

    TempDir empty;
    EXPECT_TRUE(Project::create("gol", empty.path(), profile).photos.empty());
}

TEST_F(ProjectLibrary, allSortsByPlainNameAndDeleteGoesToTheTrash) {
    TempDir home;
    ScopedEnv xdg("XDG_DATA_HOME", (home / "share").string());
    for (const char* n : {"b", "A", "a"}) {
        Project p;
        p.id = Uuid::random();
        p.name = n;
        p.save();
    }
    auto all = Project::all();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].name, "A");
    EXPECT_EQ(all[1].name, "a");
    EXPECT_EQ(all[2].name, "b");

    const Project gone = all[1];
    gone.remove();
    EXPECT_FALSE(fs::exists(gone.dir()));
    EXPECT_TRUE(fs::exists(home / "share" / "Trash" / "files" / gone.id.text() / "project.json"));
    EXPECT_EQ(Project::all().size(), 2u);
    EXPECT_THROW(gone.remove(), std::system_error);
}

}  // namespace
}  // namespace orvane

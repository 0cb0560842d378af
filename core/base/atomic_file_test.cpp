#include "core/base/atomic_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <system_error>

#include "testing/temp_dir.h"

namespace orvane {
namespace {

using orvane::testing::readText;
using orvane::testing::TempDir;
using orvane::testing::writeText;

std::size_t entriesIn(const std::filesystem::path& folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++n;
    return n;
}

TEST(AtomicFile, replacesTheWholeFile) {
    TempDir dir;
    auto file = dir / "record.json";
    writeFileAtomically(file, "first, longer content");
    writeFileAtomically(file, "second");
    EXPECT_EQ(readText(file), "second");
    EXPECT_EQ(entriesIn(dir.path()), 1u);
    EXPECT_EQ(readWholeFile(file), "second");
}

TEST(AtomicFile, newFilesFollowTheUmask) {
    TempDir dir;
    const mode_t previous = ::umask(022);
    writeFileAtomically(dir / "f.json", "x");
    ::umask(previous);
    const auto perms = std::filesystem::status(dir / "f.json").permissions();
    EXPECT_EQ(perms, std::filesystem::perms(0644));
}

TEST(AtomicFile, aReplacedFileKeepsItsModeAndItsLink) {
    TempDir dir;
    writeText(dir / "private.xmp", "old");
    std::filesystem::permissions(dir / "private.xmp", std::filesystem::perms(0600));
    writeFileAtomically(dir / "private.xmp", "new");
    EXPECT_EQ(std::filesystem::status(dir / "private.xmp").permissions(), std::filesystem::perms(0600));

    writeText(dir / "real" / "a.xmp", "old");
    std::filesystem::create_symlink(dir / "real" / "a.xmp", dir / "link.xmp");
    writeFileAtomically(dir / "link.xmp", "through");
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.xmp"));
    EXPECT_EQ(readText(dir / "real" / "a.xmp"), "through");
}

TEST(AtomicFile, interruptedWriteLeavesThePreviousFile) {
    TempDir dir;
    auto file = dir / "record.json";
    writeText(file, "old");
    EXPECT_THROW(writeFileAtomically(file, "new", [] { throw std::runtime_error("crash"); }), std::runtime_error);
    EXPECT_EQ(readText(file), "old");
    EXPECT_EQ(entriesIn(dir.path()), 1u);  // no temporary file left behind
}

TEST(AtomicFile, newFilesNeverReplaceAnything) {
    TempDir dir;
    writeNewFileAtomically(dir / "backup", "first");
    try {
        writeNewFileAtomically(dir / "backup", "second");
        FAIL();
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code(), std::errc::file_exists);
    }
    EXPECT_EQ(readText(dir / "backup"), "first");
    EXPECT_EQ(entriesIn(dir.path()), 1u);
}

TEST(AtomicFile, failuresAreReportedAndChangeNothing) {
    TempDir dir;
    // The target is a folder with content: the rename must fail and the folder survive.
    auto folder = dir / "taken";
    writeText(folder / "inside.txt", "keep");
    EXPECT_THROW(writeFileAtomically(folder, "x"), std::system_error);
    EXPECT_EQ(readText(folder / "inside.txt"), "keep");
    EXPECT_EQ(entriesIn(dir.path()), 1u);
    // A missing folder is not created here.
    EXPECT_THROW(writeFileAtomically(dir / "missing" / "f.json", "x"), std::system_error);
    EXPECT_THROW(readWholeFile(dir / "nothing.json"), std::system_error);
    EXPECT_THROW(readWholeFile(folder), std::system_error);
}

TEST(AtomicFile, theNoFollowWriterReplacesLinksAndRefusesLinkedFolders) {
    TempDir dir;
    namespace fs = std::filesystem;
    // A link planted at the name is replaced by the file; what it named is untouched.
    writeText(dir / "elsewhere" / "victim.txt", "keep");
    fs::create_symlink(dir / "elsewhere" / "victim.txt", dir / "report.txt");
    replaceFileNoFollow(dir / "report.txt", "report");
    EXPECT_FALSE(fs::is_symlink(dir / "report.txt"));
    EXPECT_EQ(readText(dir / "report.txt"), "report");
    EXPECT_EQ(readText(dir / "elsewhere" / "victim.txt"), "keep");
    // So is a dangling link, which a plain create would follow into a new file.
    fs::create_symlink(dir / "elsewhere" / "new.txt", dir / "dangling.txt");
    replaceFileNoFollow(dir / "dangling.txt", "x");
    EXPECT_FALSE(fs::exists(dir / "elsewhere" / "new.txt"));
    EXPECT_EQ(readText(dir / "dangling.txt"), "x");
    // A link or ".." anywhere in the folder's path is refused and nothing is written.
    fs::create_directory_symlink(dir / "elsewhere", dir / "linked");
    for (const auto& target : {dir / "linked" / "r.txt", dir / "linked" / "." / "r.txt", dir / "elsewhere" / ".." / "r.txt"})
        EXPECT_THROW(replaceFileNoFollow(target, "x"), std::system_error) << target;
    EXPECT_EQ(entriesIn(dir / "elsewhere"), 1u);
    EXPECT_FALSE(fs::exists(dir / "r.txt"));
    EXPECT_EQ(entriesIn(dir.path()), 4u);  // elsewhere, report.txt, dangling.txt, linked
}

}  // namespace
}  // namespace orvane

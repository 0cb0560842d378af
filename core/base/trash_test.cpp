#include "core/base/trash.h"

#include <gtest/gtest.h>

#include "testing/temp_dir.h"

namespace orvane {
namespace {

using orvane::testing::readText;
using orvane::testing::ScopedEnv;
using orvane::testing::TempDir;
using orvane::testing::writeText;

TEST(Trash, movesWithAnInfoRecordAndKeepsBothOfTwoNames) {
    TempDir home;
    ScopedEnv xdg("XDG_DATA_HOME", (home / "share").string());
    writeText(home / "one" / "Proiect" / "project.json", "1");
    writeText(home / "two" / "Proiect" / "project.json", "2");
    auto first = Trash::moveToTrash(home / "one" / "Proiect");
    auto second = Trash::moveToTrash(home / "two" / "Proiect");
    EXPECT_EQ(first, home / "share" / "Trash" / "files" / "Proiect");
    EXPECT_EQ(second, home / "share" / "Trash" / "files" / "Proiect 2");
    EXPECT_FALSE(std::filesystem::exists(home / "one" / "Proiect"));
    EXPECT_EQ(readText(second / "project.json"), "2");
    std::string info = readText(home / "share" / "Trash" / "info" / "Proiect 2.trashinfo");
    EXPECT_EQ(info.rfind("[Trash Info]\nPath=" + (home / "two" / "Proiect").string() + "\nDeletionDate=", 0), 0u);
}

TEST(Trash, aFailedMoveLeavesTheItemAndNoRecord) {
    TempDir home;
    ScopedEnv xdg("XDG_DATA_HOME", (home / "share").string());
    EXPECT_THROW(Trash::moveToTrash(home / "missing"), std::system_error);
    // The trash folder cannot be made (a file is in the way): nothing moves.
    writeText(home / "share" / "Trash", "not a folder");
    writeText(home / "keep" / "f", "x");
    EXPECT_ANY_THROW(Trash::moveToTrash(home / "keep"));
    EXPECT_EQ(readText(home / "keep" / "f"), "x");
}

}  // namespace
}  // namespace orvane

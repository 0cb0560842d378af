#include "app/shell/application_updater.h"

#include <gtest/gtest.h>

#include "testing/temp_dir.h"
#include "testing/update_fixtures.h"

namespace orvane::shell {
namespace {

namespace fs = std::filesystem;

TEST(ApplicationUpdater, TheRunningApplicationsFolderAndVersion) {
    testing::TempDir dir;
    const fs::path folder = dir / "Vendrel.app";
    testing::makeAppFolder(folder, testing::testPki().team, "1.4+12", dir / "marker");
    const auto signed_ = runningApplication(folder / "Contents/bin/vendrel", "0.1.0", "0");
    EXPECT_EQ(signed_.folder, folder);
    EXPECT_EQ(signed_.identifier, testing::testAppIdentifier);
    EXPECT_EQ(signed_.key(), "1.4.12");

    const auto dev = runningApplication(dir / "build/app/OrvaneStudio", "0.1.0", "3");
    EXPECT_TRUE(dev.folder.empty());
    EXPECT_EQ(dev.key(), "0.1.0.3");
}

}  // namespace
}  // namespace orvane::shell

#include "app/platform/volume_watcher.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "core/base/atomic_file.h"
#include "testing/temp_dir.h"

namespace orvane::platform {
namespace {

const std::string rootLine = "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n";
const std::string procLine = "23 22 0:21 / /proc rw,nosuid shared:12 - proc proc rw\n";
const std::string diskLine = "61 22 8:17 / /media/ana/Arhiva\\040foto rw,nosuid shared:40 - exfat /dev/sdb1 rw\n";

TEST(MountTableWatcher, readsTheMountPointField) {
    EXPECT_EQ(MountTableWatcher::mountPoints(rootLine + procLine + diskLine + "garbage\n"),
              (std::set<std::string>{"/", "/proc", "/media/ana/Arhiva\\040foto"}));
}

TEST(MountTableWatcher, speaksOnlyWhenAMountPointAppears) {
    orvane::testing::TempDir dir;
    const auto table = dir.path() / "mountinfo";
    writeFileAtomically(table, rootLine + procLine);
    MountTableWatcher watcher(table);
    int mounted = 0;
    QObject::connect(&watcher, &VolumeWatcher::mounted, [&] { ++mounted; });

    watcher.recheck();
    EXPECT_EQ(mounted, 0) << "an unchanged table";
    // Written in place: the watcher holds the file open, as it holds the kernel's table.
    {
        FILE* f = std::fopen(table.c_str(), "a");
        ASSERT_TRUE(f);
        std::fputs(diskLine.c_str(), f);
        std::fclose(f);
    }
    watcher.recheck();
    EXPECT_EQ(mounted, 1) << "a disk was mounted";
    {
        FILE* f = std::fopen(table.c_str(), "w");
        ASSERT_TRUE(f);
        std::fputs((rootLine + procLine).c_str(), f);
        std::fclose(f);
    }
    watcher.recheck();
    EXPECT_EQ(mounted, 1) << "an unmount says nothing";
}

TEST(MountTableWatcher, theRealTableReadsWithoutASignal) {
    MountTableWatcher watcher;
    int mounted = 0;
    QObject::connect(&watcher, &VolumeWatcher::mounted, [&] { ++mounted; });
    watcher.recheck();
    EXPECT_EQ(mounted, 0);
}

}  // namespace
}  // namespace orvane::platform

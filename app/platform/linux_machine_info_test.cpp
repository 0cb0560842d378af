#include "app/platform/linux_machine_info.h"

#include <gtest/gtest.h>

#include <sched.h>

#include <fstream>
#include <thread>

#include "testing/temp_dir.h"

using orvane::platform::LinuxMachineInfo;
using Thermal = orvane::platform::MachineInfo::Thermal;
namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t GiB = 1ull << 30;

void write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text << "\n";
}

// Logical CPU `cpu` on physical core `core` of package 0.
void cpu(const fs::path& root, int cpu, int core) {
    const fs::path topology = root / "sys/devices/system/cpu" / ("cpu" + std::to_string(cpu)) / "topology";
    write(topology / "physical_package_id", "0");
    write(topology / "core_id", std::to_string(core));
}

LinuxMachineInfo machineAt(const fs::path& root, std::uint64_t memory = 16 * GiB, int processors = 8) {
    return LinuxMachineInfo(root, std::nullopt, memory, processors);
}

}  // namespace

TEST(LinuxMachineInfo, hybridCoresAreCountedByKindAndPhysicalCore) {
    orvane::testing::TempDir root;
    // Eight performance cores with two threads each, then four efficiency cores.
    for (int i = 0; i < 16; ++i) cpu(root.path(), i, i / 2);
    for (int i = 16; i < 20; ++i) cpu(root.path(), i, 100 + i);
    write(root.path() / "sys/devices/cpu_core/cpus", "0-15");
    write(root.path() / "sys/devices/cpu_atom/cpus", "16-19");
    write(root.path() / "sys/devices/system/cpu/online", "0-19");
    const auto m = machineAt(root.path());
    EXPECT_EQ(m.performanceCores(), 8);
    EXPECT_EQ(m.efficiencyCores(), 4);
}

TEST(LinuxMachineInfo, withoutCoreKindsEveryPhysicalCoreIsAPerformanceCore) {
    orvane::testing::TempDir root;
    for (int i = 0; i < 12; ++i) cpu(root.path(), i, i % 6);
    write(root.path() / "sys/devices/system/cpu/online", "0-11");
    const auto m = machineAt(root.path());
    EXPECT_EQ(m.performanceCores(), 6);
    EXPECT_EQ(m.efficiencyCores(), 0);

    orvane::testing::TempDir nothing;  // nothing readable: half the active processors, at least 2
    EXPECT_EQ(machineAt(nothing.path(), 16 * GiB, 8).performanceCores(), 4);
    EXPECT_EQ(machineAt(nothing.path(), 16 * GiB, 3).performanceCores(), 2);
    EXPECT_EQ(machineAt(nothing.path(), 16 * GiB, 3).efficiencyCores(), 0);
}

TEST(LinuxMachineInfo, usableProcessorsFollowTheAffinityOfTheCallingThread) {
    orvane::testing::TempDir root;
    EXPECT_EQ(LinuxMachineInfo(root.path(), std::nullopt, 16 * GiB, 8, 3).usableProcessors(), 3);
    const LinuxMachineInfo machine(root.path(), std::nullopt, 16 * GiB, 8);
    cpu_set_t all;
    CPU_ZERO(&all);
    ASSERT_EQ(::sched_getaffinity(0, sizeof all, &all), 0);
    EXPECT_EQ(machine.usableProcessors(), CPU_COUNT(&all));
    int pinnedCount = 0;
    std::thread pinned([&] {
        cpu_set_t one;
        CPU_ZERO(&one);
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
            if (CPU_ISSET(cpu, &all)) {
                CPU_SET(cpu, &one);
                break;
            }
        }
        ASSERT_EQ(::sched_setaffinity(0, sizeof one, &one), 0);
        pinnedCount = machine.usableProcessors();
    });
    pinned.join();
    EXPECT_EQ(pinnedCount, 1);
}

TEST(LinuxMachineInfo, memoryIsCappedByTheSmallestCgroupLimitOnThePath) {
    struct Case {
        const char* name;
        const char* leaf;
        const char* parent;
        std::uint64_t expected;
    };
    for (const Case& c : std::vector<Case>{
             {"no limit", "max", "max", 16 * GiB},
             {"leaf limit", "4294967296", "max", 4 * GiB},
             {"parent limit", "max", "2147483648", 2 * GiB},
             {"limit above the memory", "68719476736", "max", 16 * GiB},
             {"garbage", "lots", "max", 16 * GiB},
         }) {
        SCOPED_TRACE(c.name);
        orvane::testing::TempDir root;
        write(root.path() / "proc/self/cgroup", "0::/user.slice/app.scope");
        write(root.path() / "sys/fs/cgroup/user.slice/app.scope/memory.max", c.leaf);
        write(root.path() / "sys/fs/cgroup/user.slice/memory.max", c.parent);
        EXPECT_EQ(machineAt(root.path()).physicalMemory(), c.expected);
    }
    orvane::testing::TempDir none;
    EXPECT_EQ(machineAt(none.path()).physicalMemory(), 16 * GiB);
    EXPECT_GT(LinuxMachineInfo(none.path(), std::nullopt).physicalMemory(), 0u);  // sysconf
}

TEST(LinuxMachineInfo, thermalStateIsTheWorstTripPointReached) {
    struct Zone {
        long temp;
        std::vector<std::pair<std::string, long>> trips;
    };
    struct Case {
        const char* name;
        std::vector<Zone> zones;
        Thermal expected;
    };
    for (const Case& c : std::vector<Case>{
             {"no zones", {}, Thermal::nominal},
             {"below every trip",
              {{50000, {{"active", 60000}, {"passive", 90000}, {"critical", 105000}}}},
              Thermal::nominal},
             {"fan on", {{65000, {{"active", 60000}, {"passive", 90000}}}}, Thermal::fair},
             {"throttling", {{50000, {}}, {92000, {{"active", 60000}, {"passive", 90000}, {"critical", 105000}}}},
              Thermal::serious},
             {"hot", {{99000, {{"passive", 90000}, {"hot", 98000}}}}, Thermal::critical},
             {"disabled trip point", {{50000, {{"passive", 0}}}}, Thermal::nominal},
         }) {
        SCOPED_TRACE(c.name);
        orvane::testing::TempDir root;
        fs::create_directories(root.path() / "sys/class/thermal");
        for (std::size_t z = 0; z < c.zones.size(); ++z) {
            const fs::path zone = root.path() / "sys/class/thermal" / ("thermal_zone" + std::to_string(z));
            write(zone / "temp", std::to_string(c.zones[z].temp));
            for (std::size_t t = 0; t < c.zones[z].trips.size(); ++t) {
                const std::string prefix = "trip_point_" + std::to_string(t) + "_";
                write(zone / (prefix + "type"), c.zones[z].trips[t].first);
                write(zone / (prefix + "temp"), std::to_string(c.zones[z].trips[t].second));
            }
        }
        EXPECT_EQ(machineAt(root.path()).thermalState(), c.expected);
    }
}

TEST(LinuxMachineInfo, lowPowerFromThePlatformProfile) {
    for (const auto& [profile, low] : std::vector<std::pair<std::string, bool>>{
             {"low-power", true}, {"quiet", true}, {"balanced", false}, {"performance", false}}) {
        SCOPED_TRACE(profile);
        orvane::testing::TempDir root;
        write(root.path() / "sys/firmware/acpi/platform_profile", profile);
        EXPECT_EQ(machineAt(root.path()).lowPowerMode(), low);
    }
    orvane::testing::TempDir none;
    EXPECT_FALSE(machineAt(none.path()).lowPowerMode());
}

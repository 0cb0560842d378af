#include "app/model/worker_policy.h"

#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::model;
using Thermal = platform::MachineInfo::Thermal;

namespace {

constexpr std::uint64_t GiB = 1ull << 30;

struct Machine final : platform::MachineInfo {
    std::uint64_t memory;
    int performance;
    int efficiency;
    Thermal thermal = Thermal::nominal;
    bool lowPower = false;
    int usable = 64;
    Machine(std::uint64_t m, int p, int e) : memory(m), performance(p), efficiency(e) {}
    std::uint64_t physicalMemory() const override { return memory; }
    int performanceCores() const override { return performance; }
    int efficiencyCores() const override { return efficiency; }
    int usableProcessors() const override { return usable; }
    Thermal thermalState() const override { return thermal; }
    bool lowPowerMode() const override { return lowPower; }
};

}  // namespace

TEST(WorkerPolicy, theWorkedMachines) {
    struct Row {
        const char* name;
        Machine machine;
        int fast, automatic, lowPower, automaticSerious, fastSerious;
    };
    const std::vector<Row> rows = {
        {"8 GiB, 4 + 4", {8 * GiB, 4, 4}, 6, 4, 2, 2, 6},
        {"16 GiB, 8 + 2", {16 * GiB, 8, 2}, 10, 9, 4, 2, 10},
        {"18 GiB, 5 + 6", {18 * GiB, 5, 6}, 11, 8, 4, 2, 11},
        {"32 GiB, 10 + 4", {32 * GiB, 10, 4}, 14, 12, 6, 2, 14},
        {"64 GiB, 12 + 4", {64 * GiB, 12, 4}, 16, 12, 6, 2, 16},
        {"32 GiB, 4 + 0 from 8 processors", {32 * GiB, 4, 0}, 4, 4, 2, 2, 4},
        {"4 GiB, 2 + 2", {4 * GiB, 2, 2}, 2, 2, 2, 2, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Machine m = row.machine;
        EXPECT_EQ(fastWorkerCount(m), row.fast);
        EXPECT_EQ(automaticWorkerCount(m), row.automatic);
        m.lowPower = true;
        EXPECT_EQ(automaticWorkerCount(m), row.lowPower);
        m.lowPower = false;
        m.thermal = Thermal::serious;
        EXPECT_EQ(automaticWorkerCount(m), row.automaticSerious);
        EXPECT_EQ(fastWorkerCount(m), row.fastSerious);
        m.thermal = Thermal::critical;
        EXPECT_EQ(automaticWorkerCount(m), 2);
        EXPECT_EQ(fastWorkerCount(m), 2);
        m.lowPower = true;
        EXPECT_EQ(automaticWorkerCount(m), 2);
    }
}

TEST(WorkerPolicy, memoryBoundariesCoreHalvesAndLowPower) {
    EXPECT_EQ(fastWorkerCount(Machine(4 * GiB, 16, 0)), 2);          // G - 2
    EXPECT_EQ(fastWorkerCount(Machine(4 * GiB - 1, 16, 0)), 2);      // below 4 GiB
    EXPECT_EQ(fastWorkerCount(Machine(5 * GiB, 16, 0)), 3);
    EXPECT_EQ(automaticWorkerCount(Machine(6 * GiB, 16, 0)), 2);     // G - 4
    EXPECT_EQ(automaticWorkerCount(Machine(6 * GiB - 1, 16, 0)), 2);  // below 6 GiB
    EXPECT_EQ(automaticWorkerCount(Machine(7 * GiB, 16, 0)), 3);
    EXPECT_EQ(automaticWorkerCount(Machine(64 * GiB, 5, 1)), 5);     // one efficiency core adds nothing
    EXPECT_EQ(fastWorkerCount(Machine(1024 * GiB, 64, 64)), 16);
    EXPECT_EQ(fastWorkerCount(Machine(0, 0, 0)), 2);

    struct Low {
        int g;
        int expected;
    };
    for (const Low& c : std::vector<Low>{{3, 2}, {4, 2}, {5, 2}, {6, 3}, {12, 6}, {13, 6}}) {
        SCOPED_TRACE(c.g);
        Machine m(64 * GiB, c.g, 0);  // g is the core limit
        m.lowPower = true;
        EXPECT_EQ(automaticWorkerCount(m), c.expected);
    }
}

TEST(WorkerPolicy, noMoreWorkersThanTheProcessMayUseProcessors) {
    struct Row {
        const char* name;
        int usable;
        int fast, automatic, lowPower;
    };
    // 32 GiB with 10 + 4 cores: 14 and 12 workers when every processor is usable.
    for (const Row& row : std::vector<Row>{{"every processor", 64, 14, 12, 6},
                                           {"pinned to five", 5, 5, 5, 2},
                                           {"pinned to eleven", 11, 11, 11, 5},
                                           {"pinned to one: still two", 1, 2, 2, 2}}) {
        SCOPED_TRACE(row.name);
        Machine m(32 * GiB, 10, 4);
        m.usable = row.usable;
        EXPECT_EQ(fastWorkerCount(m), row.fast);
        EXPECT_EQ(automaticWorkerCount(m), row.automatic);
        m.lowPower = true;
        EXPECT_EQ(automaticWorkerCount(m), row.lowPower);
    }
    // A count the user chose is theirs.
    FileDefaults defaults;
    Machine pinned(32 * GiB, 10, 4);
    pinned.usable = 3;
    defaults.set("workers", 8);
    EXPECT_EQ(configuredWorkerCount(pinned, defaults), 8);
}

TEST(WorkerPolicy, configuredCountHonoursTheSettingsUpToTheCap) {
    FileDefaults defaults;  // in memory
    const Machine m(16 * GiB, 8, 2);
    EXPECT_EQ(configuredWorkerCount(m, defaults), 9);
    defaults.set("workers", 40);
    EXPECT_EQ(configuredWorkerCount(m, defaults), 40);
    defaults.set("workers", 65);
    EXPECT_EQ(configuredWorkerCount(m, defaults), 64);
    defaults.set("workers", "8");  // not a number: automatic
    EXPECT_EQ(configuredWorkerCount(m, defaults), 9);
    defaults.set("workers", 40);
    defaults.set("prioritizeEditing", true);
    EXPECT_EQ(configuredWorkerCount(m, defaults), 10);
    defaults.set("prioritizeEditing", "true");  // not a boolean: off
    EXPECT_EQ(configuredWorkerCount(m, defaults), 40);
}

#include "app/model/worker_policy.h"

#include <algorithm>
#include <cstdint>

namespace orvane::model {

using Thermal = platform::MachineInfo::Thermal;

namespace {
// No more cores than processors the process may run on: workers beyond those only take turns.
std::int64_t usableCores(const platform::MachineInfo& machine, std::int64_t cores) {
    return std::min<std::int64_t>(cores, machine.usableProcessors());
}
}  // namespace

int fastWorkerCount(const platform::MachineInfo& machine) {
    const std::uint64_t memory = machine.physicalMemory();
    const std::int64_t gib = static_cast<std::int64_t>(memory >> 30);
    std::int64_t n = (memory >> 32) == 0 ? 2 : gib - 2;
    n = std::min<std::int64_t>(n, usableCores(machine, std::int64_t{machine.performanceCores()} + machine.efficiencyCores()));
    n = std::clamp<std::int64_t>(n, 2, 16);
    // Below 3 means 2 as well: the clamp's lower bound covers it.
    if (machine.thermalState() == Thermal::critical) return 2;
    return static_cast<int>(n);
}

int automaticWorkerCount(const platform::MachineInfo& machine) {
    const std::int64_t cores = usableCores(machine, std::int64_t{machine.performanceCores()} + machine.efficiencyCores() / 2);
    if (machine.thermalState() == Thermal::serious) return 2;
    const std::uint64_t memory = machine.physicalMemory();
    std::int64_t g = (memory >> 31) <= 2 ? 2 : static_cast<std::int64_t>(memory >> 30) - 4;
    g = std::min(g, cores);
    const std::int64_t h = std::clamp<std::int64_t>(g, 2, 12);
    std::int64_t result = h;
    if (machine.lowPowerMode()) result = g > 3 ? h / 2 : 2;
    // Read again: the machine may have heated up meanwhile.
    if (machine.thermalState() == Thermal::critical) return 2;
    return static_cast<int>(result);
}

bool prioritizeEditing(const Defaults& defaults) { return defaults.boolValue("prioritizeEditing").value_or(false); }

int configuredWorkerCount(const platform::MachineInfo& machine, const Defaults& defaults) {
    if (prioritizeEditing(defaults)) return fastWorkerCount(machine);
    const std::int64_t workers = defaults.intValue("workers").value_or(0);
    if (workers > 0) return static_cast<int>(std::min<std::int64_t>(workers, maxConfiguredWorkers));
    return automaticWorkerCount(machine);
}

}  // namespace orvane::model

#pragma once
// What the worker policy needs to know about the machine. A plain interface, so the policy's tests
// describe any machine they like.
#include <cstdint>

namespace orvane::platform {

class MachineInfo {
public:
    enum class Thermal { nominal = 0, fair = 1, serious = 2, critical = 3 };

    virtual ~MachineInfo() = default;
    // Memory the process may use, in bytes.
    virtual std::uint64_t physicalMemory() const = 0;
    // Physical cores of each kind; a machine without efficiency cores counts all as performance cores.
    virtual int performanceCores() const = 0;
    virtual int efficiencyCores() const = 0;
    // Processors this process may run on (its CPU affinity, which taskset and cpusets narrow), at least 1.
    virtual int usableProcessors() const = 0;
    virtual Thermal thermalState() const = 0;
    virtual bool lowPowerMode() const = 0;
};

}  // namespace orvane::platform

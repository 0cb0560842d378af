#pragma once
// The machine as Linux describes it: memory from sysconf capped by the cgroup v2 limits of this
// process, core kinds from the hybrid-CPU devices in /sys (else every physical core counts as a
// performance core), the thermal state from the thermal zones' trip points, and low-power mode from
// the ACPI platform profile or power-profiles-daemon.
#include <QDBusConnection>
#include <QString>

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

#include "app/platform/dbus_service.h"
#include "app/platform/machine_info.h"

namespace orvane::platform {

class LinuxMachineInfo final : public MachineInfo {
public:
    // Where power-profiles-daemon answers (its property "ActiveProfile").
    using PowerProfiles = DBusService;
    // On the system bus.
    static PowerProfiles powerProfilesDaemon();

    // `root` stands for "/" (tests hand in a folder laid out like /proc and /sys); the physical
    // memory and processor count come from sysconf, the usable processors from the calling thread's
    // CPU affinity, unless given.
    explicit LinuxMachineInfo(std::filesystem::path root = "/",
                              std::optional<PowerProfiles> powerProfiles = powerProfilesDaemon(),
                              std::optional<std::uint64_t> systemMemory = std::nullopt,
                              std::optional<int> onlineProcessors = std::nullopt,
                              std::optional<int> usableProcessors = std::nullopt);

    // One instance for the process: the core counts are worked out once, on first use.
    static const LinuxMachineInfo& shared();

    std::uint64_t physicalMemory() const override;
    int performanceCores() const override;
    int efficiencyCores() const override;
    int usableProcessors() const override;
    Thermal thermalState() const override;
    bool lowPowerMode() const override;

private:
    void countCores() const;
    std::optional<std::uint64_t> cgroupLimit() const;
    std::optional<bool> platformProfileLow() const;

    std::filesystem::path root_;
    std::optional<PowerProfiles> powerProfiles_;
    std::optional<std::uint64_t> systemMemory_;
    std::optional<int> onlineProcessors_;
    std::optional<int> usableProcessors_;
    mutable std::once_flag coresOnce_;
    mutable int performance_ = 0;
    mutable int efficiency_ = 0;
};

}  // namespace orvane::platform

#include "app/platform/linux_machine_info.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QVariant>

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <set>
#include <sstream>
#include <utility>
#include <vector>

#include "core/base/processors.h"

namespace orvane::platform {

namespace fs = std::filesystem;

namespace {

std::optional<std::string> firstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    if (!in || !std::getline(in, line)) return std::nullopt;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) line.pop_back();
    return line;
}

template <typename T>
std::optional<T> number(std::string_view text) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

template <typename T>
std::optional<T> numberIn(const fs::path& file) {
    const auto line = firstLine(file);
    return line ? number<T>(*line) : std::nullopt;
}

// A kernel CPU list ("0-3,8,10-11"); empty when it cannot be read.
std::vector<int> cpuList(const fs::path& file) {
    std::vector<int> out;
    const auto line = firstLine(file);
    if (!line) return out;
    std::stringstream items(*line);
    std::string item;
    while (std::getline(items, item, ',')) {
        const auto dash = item.find('-');
        const auto first = number<int>(std::string_view(item).substr(0, dash));
        const auto last = dash == std::string::npos ? first : number<int>(std::string_view(item).substr(dash + 1));
        if (!first || !last || *last < *first || *last - *first > 65536) return {};
        for (int cpu = *first; cpu <= *last; ++cpu) out.push_back(cpu);
    }
    return out;
}

// Physical cores among the logical CPUs: distinct (package, core) pairs; a CPU without topology
// files counts as a core of its own.
int physicalCores(const fs::path& root, const std::vector<int>& cpus) {
    std::set<std::pair<long, long>> cores;
    for (int cpu : cpus) {
        const fs::path topology = root / "sys/devices/system/cpu" / ("cpu" + std::to_string(cpu)) / "topology";
        const auto package = numberIn<long>(topology / "physical_package_id");
        const auto core = numberIn<long>(topology / "core_id");
        if (package && core) {
            cores.emplace(*package, *core);
        } else {
            cores.emplace(-1, -1 - cpu);
        }
    }
    return static_cast<int>(cores.size());
}

MachineInfo::Thermal worse(MachineInfo::Thermal a, MachineInfo::Thermal b) {
    return static_cast<int>(a) >= static_cast<int>(b) ? a : b;
}

}  // namespace

LinuxMachineInfo::PowerProfiles LinuxMachineInfo::powerProfilesDaemon() {
    return {QDBusConnection::systemBus(), "net.hadess.PowerProfiles", "/net/hadess/PowerProfiles",
            "net.hadess.PowerProfiles"};
}

LinuxMachineInfo::LinuxMachineInfo(fs::path root, std::optional<PowerProfiles> powerProfiles,
                                   std::optional<std::uint64_t> systemMemory, std::optional<int> onlineProcessors,
                                   std::optional<int> usableProcessors)
    : root_(std::move(root)),
      powerProfiles_(std::move(powerProfiles)),
      systemMemory_(systemMemory),
      onlineProcessors_(onlineProcessors),
      usableProcessors_(usableProcessors) {}

const LinuxMachineInfo& LinuxMachineInfo::shared() {
    static const LinuxMachineInfo machine;
    return machine;
}

std::uint64_t LinuxMachineInfo::physicalMemory() const {
    std::uint64_t memory = 0;
    if (systemMemory_) {
        memory = *systemMemory_;
    } else {
        const long pages = ::sysconf(_SC_PHYS_PAGES);
        const long pageSize = ::sysconf(_SC_PAGE_SIZE);
        if (pages > 0 && pageSize > 0)
            memory = static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
    }
    if (const auto limit = cgroupLimit(); limit && (*limit < memory || memory == 0)) memory = *limit;
    return memory;
}

// The smallest "memory.max" from this process's cgroup up to the root of the v2 hierarchy.
std::optional<std::uint64_t> LinuxMachineInfo::cgroupLimit() const {
    std::ifstream in(root_ / "proc/self/cgroup");
    std::string line;
    std::optional<std::string> path;
    while (std::getline(in, line)) {
        if (line.rfind("0::", 0) == 0) path = line.substr(3);
    }
    if (!path) return std::nullopt;
    const fs::path base = root_ / "sys/fs/cgroup";
    fs::path relative = fs::path(*path).relative_path().lexically_normal();
    if (!relative.empty() && *relative.begin() == "..") return std::nullopt;
    std::optional<std::uint64_t> limit;
    while (true) {
        if (const auto text = firstLine(base / relative / "memory.max"); text && *text != "max") {
            if (const auto value = number<std::uint64_t>(*text); value && (!limit || *value < *limit)) limit = value;
        }
        if (relative.empty() || relative == ".") break;
        relative = relative.parent_path();
    }
    return limit;
}

void LinuxMachineInfo::countCores() const {
    std::call_once(coresOnce_, [this] {
        const auto big = cpuList(root_ / "sys/devices/cpu_core/cpus");
        const auto small = cpuList(root_ / "sys/devices/cpu_atom/cpus");
        if (!big.empty()) {
            performance_ = physicalCores(root_, big);
            efficiency_ = physicalCores(root_, small);
            return;
        }
        const auto online = cpuList(root_ / "sys/devices/system/cpu/online");
        if (!online.empty()) {
            performance_ = physicalCores(root_, online);
            return;
        }
        // Nothing readable: half the active processors, at least 2.
        const int active = onlineProcessors_ ? *onlineProcessors_ : static_cast<int>(::sysconf(_SC_NPROCESSORS_ONLN));
        performance_ = active < 4 ? 2 : active / 2;
    });
}

int LinuxMachineInfo::performanceCores() const {
    countCores();
    return performance_;
}

int LinuxMachineInfo::efficiencyCores() const {
    countCores();
    return efficiency_;
}

// Read at every call, as the policy reads the machine afresh: the affinity can change while running.
int LinuxMachineInfo::usableProcessors() const {
    return usableProcessors_ ? std::max(1, *usableProcessors_) : orvane::usableProcessors();
}

// The worst state over the zones whose temperature and trip points read: an active (fan) trip point
// reached is fair, a passive (throttling) one serious, a hot or critical one critical.
MachineInfo::Thermal LinuxMachineInfo::thermalState() const {
    Thermal state = Thermal::nominal;
    std::error_code error;
    fs::directory_iterator zones(root_ / "sys/class/thermal", error);
    if (error) return state;
    for (const auto& zone : zones) {
        if (zone.path().filename().string().rfind("thermal_zone", 0) != 0) continue;
        const auto temperature = numberIn<long>(zone.path() / "temp");
        if (!temperature) continue;
        for (int trip = 0; trip < 64; ++trip) {
            const std::string prefix = "trip_point_" + std::to_string(trip) + "_";
            const auto type = firstLine(zone.path() / (prefix + "type"));
            if (!type) break;
            const auto at = numberIn<long>(zone.path() / (prefix + "temp"));
            if (!at || *at <= 0 || *temperature < *at) continue;
            if (*type == "critical" || *type == "hot") {
                state = worse(state, Thermal::critical);
            } else if (*type == "passive") {
                state = worse(state, Thermal::serious);
            } else if (*type == "active") {
                state = worse(state, Thermal::fair);
            }
        }
    }
    return state;
}

std::optional<bool> LinuxMachineInfo::platformProfileLow() const {
    const auto profile = firstLine(root_ / "sys/firmware/acpi/platform_profile");
    if (!profile) return std::nullopt;
    return *profile == "low-power" || *profile == "quiet";
}

bool LinuxMachineInfo::lowPowerMode() const {
    if (platformProfileLow().value_or(false)) return true;
    if (!powerProfiles_) return false;
    QDBusConnection bus = powerProfiles_->bus;
    if (!bus.isConnected()) return false;
    auto message = QDBusMessage::createMethodCall(powerProfiles_->name, powerProfiles_->path,
                                                  "org.freedesktop.DBus.Properties", "Get");
    message << powerProfiles_->interface << QString("ActiveProfile");
    const QDBusMessage reply = bus.call(message, QDBus::Block, 500);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) return false;
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toString() == "power-saver";
}

}  // namespace orvane::platform

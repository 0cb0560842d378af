#pragma once
// The diagnostic report: eleven short lines about the installation, the computer, the settings and the
// counts of the data, with no path, name, photo or key in it; and the folder sizes of the disk card.
#include <QString>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "app/platform/machine_info.h"
#include "core/base/defaults.h"

namespace orvane::model {
class AppModel;
}

namespace orvane::settings {

inline constexpr const char* diagnosticFileName = "Vendrel – diagnostic.txt";

// What the report says, gathered at the moment it is made.
struct DiagnosticFacts {
    QString date;             // the current date and time in the user's locale
    QString version;          // currentShortVersion()
    QString build;            // currentBuildNumber()
    QString system;           // the operating system's name and version, and the kernel's release
    QString machineModel;     // the computer's model name; empty when unknown
    int performanceCores = 0;
    int efficiencyCores = 0;
    std::uint64_t memoryBytes = 0;
    int automaticWorkers = 0;
    std::int64_t freeBytes = 0;
    int thermalState = 0;     // 0 nominal … 3 critical
    bool lowPower = false;
    std::size_t profiles = 0;
    std::size_t builtProfiles = 0;
    std::size_t catalogs = 0;
    std::size_t projects = 0;
    bool lightroomRunning = false;
};

// What the facts are read from; standard() reads this computer.
struct DiagnosticServices {
    std::function<QString()> now;
    std::function<QString()> system;
    std::function<QString()> machineModel;
    std::function<std::int64_t()> freeBytes;
    std::function<bool()> lightroomRunning;
    static DiagnosticServices standard(model::AppModel& app);
};

// Each outside value with its control characters turned into spaces and cut to `limit` characters,
// so that no value can add a line or swell the report.
QString cleanReportValue(const QString& value, int limit = 120);

// A byte count as the interface shows file sizes: decimal units, in the user's locale ("0 B", "1.5 MB",
// "250 GB").
QString byteCountText(std::int64_t bytes);

// The report's eleven lines, each ending in a line feed. The settings are read as stored.
QString diagnosticReport(const DiagnosticFacts& facts, const Defaults& defaults);

// The facts of the running application and computer.
DiagnosticFacts gatherDiagnosticFacts(model::AppModel& app, const platform::MachineInfo& machine,
                                      const DiagnosticServices& services);

// The sum of the sizes of everything below `folder`, hidden entries included. Symbolic links count
// their own size and are never followed; entries that cannot be read count 0; a missing folder is 0.
// Blocks for the whole walk: call it off the interface thread.
std::int64_t directorySize(const std::filesystem::path& folder);

// The operating system as /etc/os-release names it ("PRETTY_NAME"), then the kernel's release.
QString systemVersionText(const std::filesystem::path& root = "/");
// The computer's model from the firmware tables ("/sys/class/dmi/id"), empty when unknown.
QString machineModelText(const std::filesystem::path& root = "/");
// Space left for this user on the volume of the home folder; 0 when it cannot be read.
std::int64_t freeSpaceOfHome();

}  // namespace orvane::settings

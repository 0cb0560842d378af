#pragma once
// Lightroom Classic seen from the application: finding, opening and quitting it. It does not run
// natively on Linux: it runs under a Windows compatibility layer as "Lightroom.exe", and the user may
// name its launcher ("lightroomPath": a binary or a launcher script). Running instances are found
// among this user's processes; the catalog's lock file names the process that holds a catalog.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/base/defaults.h"

namespace orvane::platform {

class LightroomHost {
public:
    // A process, told apart from a later one reusing its PID by its start time.
    struct Instance {
        int pid = 0;
        std::uint64_t startTime = 0;  // clock ticks after boot, from /proc/<pid>/stat
        bool operator==(const Instance&) const = default;
    };
    virtual ~LightroomHost() = default;
    // The executable to launch, or nothing when none is configured or usable.
    virtual std::optional<std::filesystem::path> locate() const = 0;
    // Launches it, on the catalog when one is given. Never reports a failure.
    virtual void open(const std::optional<std::filesystem::path>& catalog) = 0;
    // This user's processes of Lightroom: every "Lightroom.exe" (by its image name or its first
    // argument), and the configured launcher's own processes (by their executable, or by the first
    // argument for a script), never a process that only names the launcher in a later argument.
    virtual std::vector<Instance> runningInstances() const = 0;
    // The process that the catalog's lock file ("<catalog>.lock": the program on its first line, the
    // process number on its second) names, when it is alive and runs that program (a reused number
    // does not count); nothing otherwise.
    virtual std::optional<Instance> lockHolder(const std::filesystem::path& catalog) const = 0;
    // A normal quit request, which Lightroom may delay or refuse.
    virtual void requestQuit(const Instance& instance) = 0;
    virtual bool terminated(const Instance& instance) const = 0;
};

// The Linux host over "lightroomPath". `launch` starts a program with its arguments (never through a
// shell); the default detaches it with fork and execv.
using Launcher = std::function<void(const std::filesystem::path& program, const std::vector<std::string>& args)>;
std::unique_ptr<LightroomHost> makeLinuxLightroomHost(std::shared_ptr<const Defaults> defaults,
                                                      std::filesystem::path proc = "/proc", Launcher launch = {});

// A pause of `delay`, after which `resume` runs on the main thread.
using Sleeper = std::function<void(std::chrono::nanoseconds delay, std::function<void()> resume)>;

// The instances to quit before `catalog` is written: the running instances and the process the
// catalog's lock names, once each.
std::vector<LightroomHost::Instance> lightroomInstances(const LightroomHost& host,
                                                        const std::optional<std::filesystem::path>& catalog);

// Asks every instance running now (and the holder of `catalog`'s lock) to quit, then checks up to 180
// times with a 0.5 s pause after each failed check. `done` gets true when none of them is left running.
void quitLightroom(std::shared_ptr<LightroomHost> host, Sleeper sleep, std::function<void(bool)> done,
                   const std::optional<std::filesystem::path>& catalog = std::nullopt);
inline constexpr int quitChecks = 180;
inline constexpr std::chrono::milliseconds quitPause{500};

// Making Lightroom re-read metadata from sidecars needs scripting its interface, which has no Linux
// equivalent: always false, and nothing is run.
bool readMetadataInLightroom();

}  // namespace orvane::platform

#include "app/platform/lightroom_host.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace orvane::platform {

namespace {

std::string readWhole(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Field 22 of /proc/<pid>/stat; the command name (field 2) may hold blanks and parentheses, so the
// fields are counted after its last ')'.
std::optional<std::uint64_t> startTimeOf(const fs::path& proc, int pid) {
    const std::string stat = readWhole(proc / std::to_string(pid) / "stat");
    const auto close = stat.rfind(')');
    if (close == std::string::npos) return std::nullopt;
    std::istringstream fields(stat.substr(close + 1));
    std::string field;
    for (int i = 3; i <= 22; ++i) {
        if (!(fields >> field)) return std::nullopt;
    }
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (ec != std::errc() || end != field.data() + field.size()) return std::nullopt;
    return value;
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

// The last component of a Unix or Windows path, as a compatibility layer shows it.
std::string baseName(const std::string& arg) {
    const auto cut = arg.find_last_of("/\\");
    return cut == std::string::npos ? arg : arg.substr(cut + 1);
}

std::string trimmed(std::string s) {
    const auto keep = [](unsigned char c) { return !std::isspace(c); };
    s.erase(s.begin(), std::find_if(s.begin(), s.end(), keep));
    s.erase(std::find_if(s.rbegin(), s.rend(), keep).base(), s.end());
    return s;
}

constexpr const char* windowsImage = "lightroom.exe";

// What /proc tells of one process.
struct Process {
    int pid = 0;
    std::optional<unsigned> uid;
    std::string exe;                // the executable's path; empty when unreadable
    std::vector<std::string> argv;  // the command line's arguments
    std::string comm;               // the image name (at most 15 characters)
};

Process readProcess(const fs::path& proc, int pid) {
    Process p;
    p.pid = pid;
    const fs::path dir = proc / std::to_string(pid);
    struct stat st {};
    if (::stat(dir.c_str(), &st) == 0) p.uid = st.st_uid;
    std::error_code ec;
    p.exe = fs::read_symlink(dir / "exe", ec).string();
    const std::string cmdline = readWhole(dir / "cmdline");
    std::size_t at = 0;
    while (at < cmdline.size()) {
        const auto stop = cmdline.find('\0', at);
        p.argv.push_back(cmdline.substr(at, stop == std::string::npos ? std::string::npos : stop - at));
        if (stop == std::string::npos) break;
        at = stop + 1;
    }
    p.comm = trimmed(readWhole(dir / "comm"));
    return p;
}

// Lightroom Classic under a compatibility layer: its image name, or its first argument (the Windows
// path of the executable). Later arguments never count: `tail -f Lightroom.exe.log` is not Lightroom.
bool isWindowsLightroom(const Process& p) {
    if (lower(p.comm) == windowsImage) return true;
    return !p.argv.empty() && lower(baseName(p.argv.front())) == windowsImage;
}

// How the kernel starts a script: its "#!" line names the interpreter and at most one argument.
struct Shebang {
    std::string interpreter;
    std::optional<std::string> argument;
};
std::optional<Shebang> shebangOf(const fs::path& script) {
    std::ifstream in(script, std::ios::binary);
    std::string line;
    if (!std::getline(in, line) || line.rfind("#!", 0) != 0) return std::nullopt;
    std::istringstream words(line.substr(2));
    Shebang shebang;
    if (!(words >> shebang.interpreter)) return std::nullopt;
    std::string rest;
    std::getline(words, rest);
    if (!trimmed(rest).empty()) shebang.argument = trimmed(rest);
    return shebang;
}

bool endsWithName(const std::string& arg, const std::string& name) { return !name.empty() && baseName(arg) == baseName(name); }

// A process of the configured launcher: its executable, its first argument, or, for a script, the
// interpreter the script names running it, with the script exactly where the kernel puts it.
bool isLauncherProcess(const Process& p, const fs::path& program, const fs::path& canonical,
                       const std::optional<Shebang>& shebang) {
    const auto isProgram = [&](const std::string& arg) { return arg == program.string() || arg == canonical.string(); };
    if (!p.exe.empty() && isProgram(p.exe)) return true;
    if (p.argv.empty()) return false;
    if (isProgram(p.argv[0])) return true;
    if (!shebang) return false;
    // "#!/bin/sh" runs as ["/bin/sh", script, …]; "#!/bin/bash -e" as ["/bin/bash", "-e", script, …].
    if (p.argv[0] == shebang->interpreter) {
        const std::size_t at = shebang->argument ? 2 : 1;
        if (shebang->argument && (p.argv.size() < 2 || p.argv[1] != *shebang->argument)) return false;
        return p.argv.size() > at && isProgram(p.argv[at]);
    }
    // "#!/usr/bin/env bash": env replaces itself with ["bash", script, …].
    if (baseName(shebang->interpreter) == "env" && shebang->argument && shebang->argument->front() != '-')
        return endsWithName(p.argv[0], *shebang->argument) && p.argv.size() > 1 && isProgram(p.argv[1]);
    return false;
}

// Whether the process runs the program a lock file names (by the last component of its path; a
// Windows path compares without regard to case, as Windows does).
bool runsNamedProgram(const Process& p, const std::string& named) {
    const std::string want = lower(baseName(named));
    if (want.empty()) return false;
    if (!p.exe.empty() && lower(baseName(p.exe)) == want) return true;
    if (!p.argv.empty() && lower(baseName(p.argv.front())) == want) return true;
    // The image name is cut at 15 characters.
    const std::string comm = lower(p.comm);
    return !comm.empty() && (comm == want || (comm.size() == 15 && want.rfind(comm, 0) == 0));
}

class LinuxLightroomHost final : public LightroomHost {
public:
    LinuxLightroomHost(std::shared_ptr<const Defaults> defaults, fs::path proc, Launcher launch)
        : defaults_(std::move(defaults)), proc_(std::move(proc)), launch_(std::move(launch)) {
        if (!launch_) {
            launch_ = [](const fs::path& program, const std::vector<std::string>& args) {
                QStringList list;
                for (const auto& a : args) list << QString::fromStdString(a);
                QProcess::startDetached(QString::fromStdString(program.string()), list);
            };
        }
    }

    std::optional<fs::path> locate() const override {
        const auto path = defaults_->textValue("lightroomPath");
        if (!path || path->empty()) return std::nullopt;
        std::error_code ec;
        // Only a regular file the user may run: a folder or a data file is never started.
        if (!fs::is_regular_file(*path, ec) || ::access(path->c_str(), X_OK) != 0) return std::nullopt;
        return fs::path(*path);
    }

    void open(const std::optional<fs::path>& catalog) override {
        const auto program = locate();
        if (!program) return;
        std::vector<std::string> args;
        if (catalog) args.push_back(catalog->string());
        launch_(*program, args);
    }

    std::vector<Instance> runningInstances() const override {
        std::vector<Instance> found;
        const auto program = locate();
        std::error_code ec;
        const fs::path canonical = program ? fs::weakly_canonical(*program, ec) : fs::path();
        const auto shebang = program ? shebangOf(*program) : std::nullopt;
        for (fs::directory_iterator it(proc_, ec), end; !ec && it != end; it.increment(ec)) {
            const auto pid = pidOf(it->path());
            if (!pid) continue;
            const Process p = readProcess(proc_, *pid);
            if (p.uid != ::getuid()) continue;
            const bool lightroom =
                isWindowsLightroom(p) || (program && isLauncherProcess(p, *program, canonical, shebang));
            if (!lightroom) continue;
            if (const auto start = startTimeOf(proc_, *pid)) found.push_back({*pid, *start});
        }
        std::sort(found.begin(), found.end(), [](const Instance& a, const Instance& b) { return a.pid < b.pid; });
        return found;
    }

    std::optional<Instance> lockHolder(const fs::path& catalog) const override {
        std::istringstream lock(readWhole(fs::path(catalog.string() + ".lock")));
        std::string program, number;
        std::getline(lock, program);
        std::getline(lock, number);
        number = trimmed(number);
        int pid = 0;
        const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), pid);
        if (ec != std::errc() || end != number.data() + number.size() || pid <= 0 || pid == ::getpid())
            return std::nullopt;
        const Process p = readProcess(proc_, pid);
        if (!p.uid) return std::nullopt;  // no such process
        const auto start = startTimeOf(proc_, pid);
        if (!start) return std::nullopt;
        Instance holder{pid, *start};
        if (terminated(holder)) return std::nullopt;
        // A number alone could have been reused by any process: without a program it must be Lightroom.
        program = trimmed(program);
        const bool matches = program.empty() ? isWindowsLightroom(p) : runsNamedProgram(p, program);
        if (!matches) return std::nullopt;
        return holder;
    }

    void requestQuit(const Instance& instance) override {
        if (!terminated(instance)) ::kill(instance.pid, SIGTERM);
    }

    bool terminated(const Instance& instance) const override {
        const auto start = startTimeOf(proc_, instance.pid);
        if (!start || *start != instance.startTime) return true;  // gone, or the PID now names another process
        // A zombie has ended; only its parent has not collected it yet.
        const std::string stat = readWhole(proc_ / std::to_string(instance.pid) / "stat");
        const auto close = stat.rfind(')');
        return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z';
    }

private:
    static std::optional<int> pidOf(const fs::path& entry) {
        const std::string name = entry.filename().string();
        int pid = 0;
        const auto [p, err] = std::from_chars(name.data(), name.data() + name.size(), pid);
        if (err != std::errc() || p != name.data() + name.size() || pid == ::getpid()) return std::nullopt;
        return pid;
    }

    std::shared_ptr<const Defaults> defaults_;
    fs::path proc_;
    Launcher launch_;
};

struct QuitRun {
    std::shared_ptr<LightroomHost> host;
    std::vector<LightroomHost::Instance> instances;
    Sleeper sleep;
    std::function<void(bool)> done;
    int checks = 0;
};

void check(const std::shared_ptr<QuitRun>& run) {
    const bool allGone = std::all_of(run->instances.begin(), run->instances.end(),
                                     [&](const auto& i) { return run->host->terminated(i); });
    if (allGone) return run->done(true);
    ++run->checks;
    run->sleep(quitPause, [run] {
        if (run->checks >= quitChecks) return run->done(false);
        check(run);
    });
}

}  // namespace

std::unique_ptr<LightroomHost> makeLinuxLightroomHost(std::shared_ptr<const Defaults> defaults, fs::path proc,
                                                      Launcher launch) {
    return std::make_unique<LinuxLightroomHost>(std::move(defaults), std::move(proc), std::move(launch));
}

std::vector<LightroomHost::Instance> lightroomInstances(const LightroomHost& host,
                                                        const std::optional<fs::path>& catalog) {
    std::vector<LightroomHost::Instance> instances = host.runningInstances();
    if (catalog) {
        const auto holder = host.lockHolder(*catalog);
        if (holder && std::find(instances.begin(), instances.end(), *holder) == instances.end())
            instances.push_back(*holder);
    }
    return instances;
}

void quitLightroom(std::shared_ptr<LightroomHost> host, Sleeper sleep, std::function<void(bool)> done,
                   const std::optional<fs::path>& catalog) {
    auto run = std::make_shared<QuitRun>();
    run->instances = lightroomInstances(*host, catalog);
    run->host = std::move(host);
    run->sleep = std::move(sleep);
    run->done = std::move(done);
    for (const auto& instance : run->instances) run->host->requestQuit(instance);
    check(run);
}

bool readMetadataInLightroom() { return false; }

}  // namespace orvane::platform

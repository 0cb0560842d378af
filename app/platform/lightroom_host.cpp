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
        if (!program) return found;
        std::error_code ec;
        const fs::path canonical = fs::weakly_canonical(*program, ec);
        for (fs::directory_iterator it(proc_, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string entry = it->path().filename().string();
            int pid = 0;
            const auto [p, err] = std::from_chars(entry.data(), entry.data() + entry.size(), pid);
            if (err != std::errc() || p != entry.data() + entry.size() || pid == ::getpid()) continue;
            struct stat st {};
            if (::stat(it->path().c_str(), &st) != 0 || st.st_uid != ::getuid()) continue;
            if (!matches(it->path(), *program, canonical)) continue;
            if (const auto start = startTimeOf(proc_, pid)) found.push_back({pid, *start});
        }
        std::sort(found.begin(), found.end(), [](const Instance& a, const Instance& b) { return a.pid < b.pid; });
        return found;
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
    static bool matches(const fs::path& dir, const fs::path& program, const fs::path& canonical) {
        std::error_code ec;
        const fs::path exe = fs::read_symlink(dir / "exe", ec);
        if (!ec && (exe == canonical || exe == program)) return true;
        // A launcher script names its own path among the arguments; under a compatibility layer the
        // Windows executable shows up by its name.
        const std::string cmdline = readWhole(dir / "cmdline");
        std::size_t at = 0;
        while (at < cmdline.size()) {
            const auto stop = cmdline.find('\0', at);
            const std::string arg = cmdline.substr(at, stop == std::string::npos ? std::string::npos : stop - at);
            if (arg == program.string() || arg == canonical.string() || lower(baseName(arg)) == "lightroom.exe")
                return true;
            if (stop == std::string::npos) break;
            at = stop + 1;
        }
        return false;
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

void quitLightroom(std::shared_ptr<LightroomHost> host, Sleeper sleep, std::function<void(bool)> done) {
    auto run = std::make_shared<QuitRun>();
    run->instances = host->runningInstances();
    run->host = std::move(host);
    run->sleep = std::move(sleep);
    run->done = std::move(done);
    for (const auto& instance : run->instances) run->host->requestQuit(instance);
    check(run);
}

bool readMetadataInLightroom() { return false; }

}  // namespace orvane::platform

#include "update-helper/update_helper.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <limits>
#include <system_error>
#include <thread>

#include "core/base/atomic_file.h"
#include "core/base/process_control.h"
#include "core/update/update_safety.h"


namespace orvane::UpdateHelper {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

[[noreturn]] void throwErrno(int err) { throw std::system_error(err, std::generic_category()); }

fs::path standardised(const fs::path& p) {
    fs::path out = fs::absolute(p).lexically_normal();
    if (!out.has_filename() && out.has_parent_path() && out != out.root_path()) out = out.parent_path();
    return out;
}

class LaunchError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

pid_t spawnProgram(const fs::path& folder) {
    const Manifest manifest =
        CodeSignature::parseManifest(readWholeFile(folder / CodeSignature::manifestPath));
    const std::string program = (folder / manifest.executable).string();
    return spawnInOwnSession(program, {});
}

}  // namespace

std::optional<pid_t> parseProcessId(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    for (char c : text)
        if (c < '0' || c > '9') return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        value = value * 10 + (c - '0');
        if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) return std::nullopt;
    }
    if (negative) value = -value;
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    if (value < 2) return std::nullopt;
    return static_cast<pid_t>(value);
}

fs::path errorFilePath(const fs::path& staged) {
    fs::path p = standardised(staged);
    return p.replace_extension("update-error.txt");
}

void waitForExit(pid_t pid, std::chrono::milliseconds deadline) { waitForProcessExit(pid, deadline); }

void launchApplication(const fs::path& folder, std::chrono::milliseconds grace) {
    const pid_t pid = spawnProgram(folder);
    const auto end = Clock::now() + grace;
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) {
            if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return;
            if (WIFEXITED(status))
                throw LaunchError("Noua versiune s-a oprit imediat după pornire (starea " +
                                  std::to_string(WEXITSTATUS(status)) + ").");
            throw LaunchError("Noua versiune s-a oprit imediat după pornire (semnalul " +
                              std::to_string(WTERMSIG(status)) + ").");
        }
        if (r < 0 && errno != EINTR) throwErrno(errno);
        if (Clock::now() >= end) return;  // still running: started
        std::this_thread::sleep_for(50ms);
    }
}

std::string describe(const std::exception& e) {
    if (const auto* s = dynamic_cast<const std::system_error*>(&e)) return s->code().message();
    return e.what();
}

int run(int argc, const char* const* argv, const Config& config, std::ostream& err) {
    // An ignored SIGCHLD (inherited from the application) would reap the new version behind our back
    // and hide how its start went.
    ::signal(SIGCHLD, SIG_DFL);
    // Set once a path is accepted: the error file goes beside an accepted staged folder, and only an
    // accepted installed path is started again.
    std::optional<fs::path> staged, installed;
    std::string description;
    const auto pid = argc == 4 ? parseProcessId(argv[1]) : std::nullopt;
    if (!pid) {
        description = UpdateSafety::description(UpdateSafety::Failure::invalidLayout);
    } else {
        // Resolved once: the checks, the swap and the reports all use these paths.
        auto accepted = [](const char* given) -> std::optional<fs::path> {
            try {
                return UpdateSafety::resolveBundlePath(given);
            } catch (const std::exception&) {
                return std::nullopt;
            }
        };
        staged = accepted(argv[2]);
        installed = accepted(argv[3]);
        try {
            waitForExit(*pid, config.exitDeadline);
            try {
                // A refused path touches nothing; the old version is started again as after a
                // refused check.
                if (!staged || !installed) throw UpdateSafety::Error(UpdateSafety::Failure::invalidLayout);
                UpdateSafety::install(
                    *staged, *installed,
                    [&](const fs::path& c, const fs::path& i) { UpdateSafety::validate(c, i, config.anchors); },
                    [&](const fs::path& folder) { launchApplication(folder, config.launchGrace); });
                return 0;
            } catch (const UpdateSafety::RollbackError& e) {
                // The folder at the installed path may be the one that just failed: start nothing.
                installed.reset();
                description = describe(e);
            } catch (const std::exception& e) {
                description = describe(e);
            }
            if (installed) {
                try {
                    spawnProgram(*installed);
                } catch (const std::exception&) {
                    // Nothing more to do: the report below still goes out.
                }
            }
        } catch (const std::exception& e) {
            description = describe(e);  // the wait timed out: the installed copy was never touched
        }
    }
    if (staged) {
        try {
            // No link is followed: one planted at its name is replaced, one in its folder's path refuses.
            replaceFileNoFollow(errorFilePath(*staged), "Actualizarea nu a reușit: " + description + "\n");
        } catch (const std::exception&) {
        }
    }
    err << "Actualizare eșuată: " << description << "\n";
    err.flush();
    return 1;
}

}  // namespace orvane::UpdateHelper

#include "core/base/process_control.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string>
#include <system_error>
#include <thread>

#include "core/base/atomic_file.h"

extern char** environ;

namespace orvane {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

[[noreturn]] void throwErrno(int err) { throw std::system_error(err, std::generic_category()); }

// A process that has exited but not been reaped still answers kill(pid, 0).
bool isZombie(pid_t pid) {
    try {
        const std::string stat = readWholeFile("/proc/" + std::to_string(pid) + "/stat");
        const auto close = stat.rfind(')');
        return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z';
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

void waitForProcessExit(pid_t pid, std::chrono::milliseconds deadline) {
    const auto end = Clock::now() + deadline;
    // A process handle sees the exit itself, even when the number is reused later.
    const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (fd >= 0) {
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
            pollfd p{fd, POLLIN, 0};
            const int rc = ::poll(&p, 1, static_cast<int>(std::max<std::int64_t>(left.count(), 0)));
            if (rc > 0) break;
            if (rc == 0 || (rc < 0 && errno != EINTR)) {
                ::close(fd);
                throwErrno(ETIMEDOUT);
            }
        }
        ::close(fd);
        return;
    }
    if (errno == ESRCH) return;
    for (;;) {
        if ((::kill(pid, 0) != 0 && errno != EPERM) || isZombie(pid)) return;
        if (Clock::now() >= end) throwErrno(ETIMEDOUT);
        std::this_thread::sleep_for(200ms);
    }
}

pid_t spawnInOwnSession(const std::string& program, const std::vector<std::string>& arguments, const std::string& what) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    for (int fd : {0, 1, 2})
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    // Nor does it inherit what its parent blocked or ignored.
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    std::vector<std::string> texts{program};
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& t : texts) argv.push_back(t.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) throw std::system_error(rc, std::generic_category(), what);
    return pid;
}

}  // namespace orvane

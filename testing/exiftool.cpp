#include "testing/exiftool.h"

#include <sys/wait.h>
#include <unistd.h>

namespace orvane::testing {

std::optional<std::string> exiftoolPath() {
    for (const char* p : {"/usr/bin/exiftool", "/usr/local/bin/exiftool"})
        if (::access(p, X_OK) == 0) return std::string(p);
    return std::nullopt;
}

nlohmann::json exiftool(const std::string& program, const std::filesystem::path& file,
                        const std::vector<std::string>& arguments) {
    std::vector<std::string> args{"exiftool", "-j"};
    args.insert(args.end(), arguments.begin(), arguments.end());
    args.push_back(file.string());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int fds[2];
    if (::pipe(fds) != 0) return {};
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], 1);
        ::close(fds[0]);
        ::close(fds[1]);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    std::string out;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0) out.append(buf, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
    auto j = nlohmann::json::parse(out, nullptr, false);
    if (!j.is_array() || j.empty()) return {};
    return j[0];
}

}  // namespace orvane::testing

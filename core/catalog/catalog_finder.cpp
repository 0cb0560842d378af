#include "core/catalog/catalog_finder.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <set>

#include "core/base/trash.h"

extern char** environ;

namespace orvane {

namespace fs = std::filesystem;

namespace {

bool endsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool endsWithLrcatAnyCase(std::string_view name) {
    if (name.size() < 6) return false;
    std::string tail(name.substr(name.size() - 6));
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
    return tail == ".lrcat";
}

// Runs the program with the arguments (no shell), standard error to the null device, and returns its
// standard output and exit status; absent when it cannot be started.
std::optional<std::pair<std::string, int>> runCapturing(const fs::path& program, const std::vector<std::string>& args) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> all{program.string()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (rc != 0) {
        close(out[0]);
        return std::nullopt;
    }
    std::string text;
    std::array<char, 65536> buffer;
    for (;;) {
        const ssize_t n = read(out[0], buffer.data(), buffer.size());
        if (n > 0) {
            text.append(buffer.data(), static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    close(out[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return std::make_pair(std::move(text), code);
}

std::optional<FoundCatalog> describe(const std::string& path) {
    std::error_code ec;
    const fs::path file(path);
    // The link itself is examined: a link or a folder named like a catalog is not one.
    const auto status = fs::symlink_status(file, ec);
    if (ec || status.type() != fs::file_type::regular) return std::nullopt;
    FoundCatalog found{file, 0, Date::min()};
    const auto size = fs::file_size(file, ec);
    if (!ec) found.size = static_cast<std::int64_t>(size);
    const auto written = fs::last_write_time(file, ec);
    if (!ec) found.modified = std::chrono::time_point_cast<Date::duration>(fs::file_time_type::clock::to_sys(written));
    return found;
}

}  // namespace

std::optional<fs::path> LocateSource::installed() {
    const char* pathVariable = std::getenv("PATH");
    std::string_view rest = pathVariable ? pathVariable : "/usr/bin:/bin";
    for (const char* name : {"plocate", "locate"}) {
        std::string_view dirs = rest;
        while (!dirs.empty()) {
            const auto colon = dirs.find(':');
            const std::string_view dir = dirs.substr(0, colon);
            dirs = colon == std::string_view::npos ? std::string_view{} : dirs.substr(colon + 1);
            if (dir.empty()) continue;
            const fs::path candidate = fs::path(dir) / name;
            if (access(candidate.c_str(), X_OK) == 0) return candidate;
        }
    }
    return std::nullopt;
}

std::optional<std::vector<std::string>> LocateSource::paths() const {
    auto run = runCapturing(program_, {"-i", "-b", "*.lrcat"});
    if (!run || run->second != 0) return std::nullopt;
    std::vector<std::string> out;
    std::string_view text = run->first;
    while (!text.empty()) {
        const auto newline = text.find('\n');
        const std::string_view line = text.substr(0, newline);
        if (!line.empty()) out.emplace_back(line);
        text = newline == std::string_view::npos ? std::string_view{} : text.substr(newline + 1);
    }
    return out;
}

std::vector<fs::path> WalkSource::defaultRoots() {
    std::vector<fs::path> roots;
    if (const char* home = std::getenv("HOME"); home && *home) roots.emplace_back(home);
    const char* user = std::getenv("USER");
    if (user && *user) {
        roots.push_back(fs::path("/media") / user);
        roots.push_back(fs::path("/run/media") / user);
    }
    roots.emplace_back("/mnt");
    return roots;
}

std::optional<std::vector<std::string>> WalkSource::paths() const {
    const auto deadline = std::chrono::steady_clock::now() + budget_;
    std::vector<std::string> out;
    std::set<std::string> seen;
    for (const fs::path& root : roots_) {
        std::error_code ec;
        if (!fs::is_directory(root, ec)) continue;
        fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec);
        if (ec) continue;
        for (const fs::recursive_directory_iterator end; it != end; it.increment(ec)) {
            if (ec) {
                ec.clear();
                break;  // the iterator cannot go on past an error: keep what this root gave
            }
            if (std::chrono::steady_clock::now() > deadline) return out;
            const fs::directory_entry& entry = *it;
            const std::string name = entry.path().filename().string();
            std::error_code typeError;
            const bool folder = entry.is_directory(typeError) && !entry.is_symlink(typeError);
            if (folder) {
                if (name.starts_with(".") || it.depth() + 1 >= maxDepth_) it.disable_recursion_pending();
                // A folder named like a catalog is listed so the attribute test can drop it.
            }
            if (endsWithLrcatAnyCase(name) && seen.insert(entry.path().string()).second)
                out.push_back(entry.path().string());
        }
    }
    return out;
}

namespace CatalogFinder {

bool isCandidate(std::string_view path) {
    if (!endsWith(path, ".lrcat")) return false;
    static constexpr std::array<std::string_view, 9> excluded = {
        "/Backups/",       "/Catalog Backup/",     "/Vendrel/",
        "/OrvaneStudio/",  "/Orvane-TrainingData/", "/.Trash/",
        "/Library/Caches/",
        // The freedesktop trash: the home trash and the trash folders of other volumes.
        "/.local/share/Trash/", "/.Trash-"};
    for (const std::string_view fragment : excluded) {
        if (path.find(fragment) != std::string_view::npos) return false;
    }
    // A home trash moved elsewhere by XDG_DATA_HOME.
    const std::string trash = (Trash::homeTrash() / "").string();
    return !path.starts_with(trash);
}

namespace {

std::vector<FoundCatalog> describeAll(const std::vector<std::string>& paths) {
    std::vector<FoundCatalog> found;
    for (const std::string& path : paths) {
        if (!isCandidate(path)) continue;
        if (auto catalog = describe(path)) found.push_back(std::move(*catalog));
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const FoundCatalog& a, const FoundCatalog& b) { return a.modified > b.modified; });
    return found;
}

}  // namespace

std::vector<FoundCatalog> scan(const CatalogSource& source) {
    try {
        const auto paths = source.paths();
        return paths ? describeAll(*paths) : std::vector<FoundCatalog>{};
    } catch (...) {
        return {};  // a source that throws has nothing to give
    }
}

std::vector<FoundCatalog> scan() {
    try {
        if (const auto locate = LocateSource::installed()) {
            if (const auto paths = LocateSource(*locate).paths()) return describeAll(*paths);
        }
        return scan(WalkSource(WalkSource::defaultRoots()));
    } catch (...) {
        return {};
    }
}

}  // namespace CatalogFinder

}  // namespace orvane

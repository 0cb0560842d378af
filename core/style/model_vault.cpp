#include "core/style/model_vault.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>

#include "core/base/atomic_file.h"
#include "core/base/numbers.h"
#include "core/base/resources.h"
#include "core/style/vault_format.h"

namespace orvane::ModelVault {
namespace fs = std::filesystem;

namespace {

std::mutex& lock() {
    static std::mutex m;
    return m;
}

// Guarded by lock().
std::map<std::string, fs::path>& opened() {
    static std::map<std::string, fs::path> m;
    return m;
}

std::mutex settingsLock;
std::optional<fs::path> overrideDir;

std::optional<std::string> env(const char* name) {
    const char* v = std::getenv(name);
    if (!v || !*v) return std::nullopt;
    return std::string(v);
}

// Makes `dir` as a private folder of this user, or accepts it when it already is one.
bool privateFolder(const fs::path& dir) {
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0) return false;
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) return false;
    if ((st.st_mode & 0777) != 0700 && ::chmod(dir.c_str(), 0700) != 0) return false;
    return true;
}

// A live process of this same program: its /proc entry runs our executable. Where /proc cannot
// tell, any live process counts, so a folder is never taken from under a running instance.
bool runsThisProgram(long pid) {
    if (pid <= 0) return false;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM) return false;
    std::error_code a, b;
    fs::path theirs = fs::read_symlink("/proc/" + std::to_string(pid) + "/exe", a);
    fs::path ours = fs::read_symlink("/proc/self/exe", b);
    if (a || b) return true;
    return theirs == ours;
}

// Writes one entry's file below the model folder: folders made one level at a time and never
// followed through a link, the file created exclusively.
bool writeEntry(const fs::path& root, const VaultFormat::Entry& entry) {
    fs::path rel(entry.name);
    fs::path dir = root;
    for (auto it = rel.begin(); it != rel.end(); ++it) {
        if (std::next(it) == rel.end()) break;
        dir /= *it;
        if (::mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) return false;
        struct stat st {};
        if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    }
    const fs::path file = root / rel;
    int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < entry.content.size()) {
        ssize_t n = ::write(fd, entry.content.data() + done, entry.content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ok = false;
        else done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) ok = false;
    return ok;
}

std::optional<fs::path> unpack(const fs::path& resource, const std::string& name) {
    std::string bytes;
    try {
        bytes = readWholeFile(resource);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    auto archive = VaultFormat::open(bytes);
    if (!archive) return std::nullopt;
    auto entries = VaultFormat::unpack(*archive);
    if (!entries) return std::nullopt;
    for (const auto& e : *entries) {
        if (!VaultFormat::isSafeName(e.name)) return std::nullopt;
    }
    auto session = sessionRoot();
    if (!session || !privateFolder(*session)) return std::nullopt;
    const fs::path folder = *session / name;
    std::error_code ec;
    fs::remove_all(folder, ec);
    if (!privateFolder(folder)) return std::nullopt;
    for (const auto& e : *entries) {
        if (!writeEntry(folder, e)) return std::nullopt;
    }
    return folder;
}

}  // namespace

std::optional<fs::path> overrideDirectory() {
    std::lock_guard g(settingsLock);
    return overrideDir;
}

void setOverrideDirectory(std::optional<fs::path> dir) {
    std::lock_guard g(settingsLock);
    overrideDir = std::move(dir);
}

void setResourceDirectory(std::optional<fs::path> dir) { Resources::setDirectory(std::move(dir)); }

fs::path resourceDirectory() { return Resources::directory(); }

std::optional<fs::path> privateRoot() {
    fs::path parent;
    if (auto runtime = env("XDG_RUNTIME_DIR"); runtime && fs::path(*runtime).is_absolute()) {
        parent = *runtime;
    } else if (auto cache = env("XDG_CACHE_HOME"); cache && fs::path(*cache).is_absolute()) {
        parent = *cache;
    } else if (auto home = env("HOME")) {
        parent = fs::path(*home) / ".cache";
    } else {
        return std::nullopt;
    }
    std::error_code ec;
    fs::create_directories(parent, ec);
    fs::path root = parent / "Vendrel";
    if (!privateFolder(root)) return std::nullopt;
    return root;
}

std::optional<fs::path> sessionRoot() {
    auto root = privateRoot();
    if (!root) return std::nullopt;
    return *root / (".vr-" + std::to_string(::getpid()));
}

std::optional<fs::path> directory(const std::string& name) {
    std::lock_guard g(lock());
    if (auto o = overrideDirectory()) return o;
    std::error_code ec;
    if (auto it = opened().find(name); it != opened().end() && fs::is_directory(it->second, ec)) return it->second;
    // The name becomes a folder name: one plain segment only.
    if (!VaultFormat::isSafeName(name) || name.find('/') != std::string::npos) return std::nullopt;
    const fs::path resources = resourceDirectory();
    const fs::path sealed = resources / (name + ".vrv");
    if (fs::exists(sealed, ec)) {
        if (auto folder = unpack(sealed, name)) {
            opened()[name] = *folder;
            return folder;
        }
    }
    const fs::path plain = resources / name;
    if (fs::exists(plain, ec)) {
        opened()[name] = plain;
        return plain;
    }
    return std::nullopt;
}

void cleanStale() {
    auto root = privateRoot();
    if (!root) return;
    const std::string own = ".vr-" + std::to_string(::getpid());
    std::error_code ec;
    for (auto it = fs::directory_iterator(*root, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        if (!entry.starts_with(".vr-") || entry == own) continue;
        auto pid = Numbers::parseInt(std::string_view(entry).substr(4));
        if (pid && runsThisProgram(static_cast<long>(*pid))) continue;
        std::error_code rm;
        fs::remove_all(it->path(), rm);
    }
}

void removeSession() {
    auto session = sessionRoot();
    if (!session) return;
    std::error_code ec;
    fs::remove_all(*session, ec);
}

void resetForTesting() {
    std::lock_guard g(lock());
    opened().clear();
}

}  // namespace orvane::ModelVault

#include "core/base/resources.h"

#include <cstdlib>
#include <mutex>

namespace orvane::Resources {
namespace fs = std::filesystem;

namespace {
std::mutex settingsLock;
std::optional<fs::path> chosen;  // guarded by settingsLock

fs::path executableDir() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe.parent_path();
}
}  // namespace

void setDirectory(std::optional<fs::path> dir) {
    std::lock_guard g(settingsLock);
    chosen = std::move(dir);
}

fs::path directory() {
    {
        std::lock_guard g(settingsLock);
        if (chosen) return *chosen;
    }
    if (const char* e = std::getenv("ORVANE_RESOURCES_DIR"); e && *e) return e;
    const fs::path exe = executableDir();
    std::error_code ec;
    for (const char* rel : {"resources", "../resources", "../share/vendrel/resources"}) {
        fs::path p = (exe / rel).lexically_normal();
        if (fs::is_directory(p, ec)) return p;
    }
    return exe / "resources";
}

}  // namespace orvane::Resources

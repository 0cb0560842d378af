#include "core/base/user_folders.h"

#include <cstdlib>

namespace orvane::UserFolders {

namespace fs = std::filesystem;

namespace {
fs::path folder(const char* variable, const fs::path& belowHome) {
    const char* value = std::getenv(variable);
    if (value && *value && fs::path(value).is_absolute()) return value;
    const char* home = std::getenv("HOME");
    return fs::path(home && *home ? home : ".") / belowHome;
}
}  // namespace

fs::path data() { return folder("XDG_DATA_HOME", fs::path(".local") / "share"); }

fs::path config() { return folder("XDG_CONFIG_HOME", ".config"); }

}  // namespace orvane::UserFolders

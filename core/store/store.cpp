#include "core/store/store.h"

#include <cstdlib>
#include <mutex>
#include <system_error>

#include "core/base/user_folders.h"

namespace orvane::Store {

namespace fs = std::filesystem;

std::filesystem::path supportFolder() { return UserFolders::data(); }

fs::path migratedSupportFolder(const fs::path& base, const std::string& named, const std::string& legacy,
                               const FolderMover& move) {
    const fs::path fresh = base / named;
    const fs::path old = base / legacy;
    std::error_code ec;
    if (fs::exists(fresh, ec) || !fs::exists(old, ec)) return fresh;
    try {
        move(old, fresh);
        return fresh;
    } catch (const std::exception&) {
        // Keep working on the old folder; the move is tried again at the next start.
        return old;
    }
}

fs::path migratedSupportFolder(const std::string& named, const std::string& legacy) {
    return migratedSupportFolder(supportFolder(), named, legacy,
                                 [](const fs::path& from, const fs::path& to) { fs::rename(from, to); });
}

fs::path resolveRoot() {
    const char* env = std::getenv("ORVANE_DATA_DIR");
    if (env && *env) {
        // Resolved now, so a later change of working folder cannot move the data.
        std::error_code ec;
        fs::path p = fs::absolute(env, ec);
        return ec ? fs::path(env) : p;
    }
    return migratedSupportFolder("Vendrel", "OrvaneStudio");
}

const fs::path& root() {
    static const fs::path value = resolveRoot();  // initialised once, even under concurrent first use
    return value;
}

fs::path catalogs() { return root() / "Catalogs"; }
fs::path profiles() { return root() / "Profiles"; }
fs::path projects() { return root() / "Projects"; }

void write(std::string_view bytes, const fs::path& to) {
    if (to.has_parent_path()) fs::create_directories(to.parent_path());
    writeFileAtomically(to, bytes);
}

std::vector<fs::path> entries(const fs::path& folder) {
    std::vector<fs::path> out;
    std::error_code ec;
    fs::directory_iterator it(folder, ec), end;
    while (!ec && it != end) {
        out.push_back(it->path());
        it.increment(ec);
    }
    return out;
}

}  // namespace orvane::Store

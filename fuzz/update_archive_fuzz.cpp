// Update archives are downloaded: unpack whatever bytes come as an update release, and check that
// nothing lands outside the private folder, that only plain files and folders appear, and that no
// file carries a set-user, set-group or sticky bit.
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

#include "core/update/update_staging.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    namespace fs = std::filesystem;
    const fs::path base = orvane::fuzz::scratchFolder() / "update-archive";
    const fs::path into = base / "into";
    std::error_code ec;
    fs::remove_all(base, ec);
    fs::create_directories(into);
    const fs::path archive = orvane::fuzz::inputFile(data, size, "update-archive/release.zip");
    try {
        const fs::path app = orvane::UpdateStaging::unpackArchive(archive, into);
        if (app.parent_path() != into || app.extension() != ".app" || fs::is_symlink(app) || !fs::is_directory(app))
            __builtin_trap();
    } catch (const std::exception&) {
    }
    std::size_t entries = 0;
    for (const auto& e : fs::directory_iterator(base)) {
        if (e.path() != archive && e.path() != into) __builtin_trap();
        ++entries;
    }
    if (entries != 2) __builtin_trap();
    for (const auto& e : fs::recursive_directory_iterator(into)) {
        struct stat st {};
        if (::lstat(e.path().c_str(), &st) != 0) __builtin_trap();
        if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) __builtin_trap();
        if (st.st_mode & (S_ISUID | S_ISGID | S_ISVTX)) __builtin_trap();
    }
    fs::remove_all(base, ec);
    return 0;
}

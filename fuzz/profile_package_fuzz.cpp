// Profile packages arrive from other machines: unpack whatever bytes come, and check that nothing
// lands outside the folder it was unpacked into.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "core/style/profile_package.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    namespace fs = std::filesystem;
    static const fs::path base = fs::temp_directory_path() / ("profile-package-fuzz-" + std::to_string(::getpid()));
    const fs::path archive = base / "package.zip";
    const fs::path into = base / "into";
    std::error_code ec;
    fs::remove_all(base, ec);
    fs::create_directories(into);
    {
        std::ofstream out(archive, std::ios::binary);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    try {
        orvane::ProfilePackage::unpack(archive, into);
    } catch (const std::exception&) {
    }
    // Only the archive and the unpacking folder may exist beside each other.
    std::size_t entries = 0;
    for (const auto& e : fs::directory_iterator(base)) {
        if (e.path() != archive && e.path() != into) __builtin_trap();
        ++entries;
    }
    if (entries != 2) __builtin_trap();
    for (const auto& e : fs::recursive_directory_iterator(into)) {
        if (e.is_symlink() || !(e.is_regular_file() || e.is_directory())) __builtin_trap();
    }
    fs::remove_all(base, ec);
    return 0;
}

#pragma once
// Shared by the fuzz entry points. Readers that take a path get the input written to a file of this
// process's own temporary folder, rewritten for every input and removed at exit.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace orvane::fuzz {

inline const std::filesystem::path& scratchFolder() {
    static const std::filesystem::path folder = [] {
        auto f = std::filesystem::temp_directory_path() / ("orvane-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(f);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(scratchFolder(), ec);
        });
        return f;
    }();
    return folder;
}

// Writes the input to `name` (a relative path) inside the scratch folder and returns its path.
inline std::filesystem::path inputFile(const std::uint8_t* data, std::size_t size, const std::string& name) {
    const auto file = scratchFolder() / name;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    return file;
}

inline std::string_view text(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace orvane::fuzz

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
#include <vector>

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

inline std::string_view text(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// Writes bytes to a file, making its folder.
inline void writeFile(const std::filesystem::path& file, std::string_view bytes) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

// Writes the input to `name` (a relative path) inside the scratch folder and returns its path.
inline std::filesystem::path inputFile(const std::uint8_t* data, std::size_t size, const std::string& name) {
    const auto file = scratchFolder() / name;
    writeFile(file, text(data, size));
    return file;
}

// Inputs that stand for several files hold them one after another, separated by this line (binary
// files rarely hold it); make_fuzz_corpus joins seeds the same way.
inline constexpr std::string_view partSeparator = "\n--8<--\n";

// The first `count` parts of an input; missing ones are empty, the last takes the rest.
inline std::vector<std::string_view> parts(const std::uint8_t* data, std::size_t size, std::size_t count) {
    std::vector<std::string_view> out;
    std::string_view rest = text(data, size);
    while (out.size() + 1 < count) {
        const auto at = rest.find(partSeparator);
        if (at == std::string_view::npos) break;
        out.push_back(rest.substr(0, at));
        rest.remove_prefix(at + partSeparator.size());
    }
    out.push_back(rest);
    out.resize(count);
    return out;
}

inline std::string joinParts(const std::vector<std::string>& files) {
    std::string out;
    for (std::size_t i = 0; i < files.size(); ++i) out += (i ? std::string(partSeparator) : "") + files[i];
    return out;
}

}  // namespace orvane::fuzz

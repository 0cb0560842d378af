#pragma once
// Test support: temporary folders and scoped environment variables.
#include <filesystem>
#include <optional>
#include <string>

namespace orvane::testing {

// A fresh folder under the system temp folder, removed with everything in it at the end of scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Sets (or with nullopt unsets) a variable, restoring the previous value at the end of scope.
class ScopedEnv {
public:
    ScopedEnv(std::string name, std::optional<std::string> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

// Writes a text file, creating its folder.
void writeText(const std::filesystem::path& file, const std::string& text);
std::string readText(const std::filesystem::path& file);

}  // namespace orvane::testing

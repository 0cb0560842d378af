#pragma once
// Test support: exiftool as an independent reader of the files we write.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace orvane::testing {

// The installed exiftool program; absent when it is not installed.
std::optional<std::string> exiftoolPath();

// Runs exiftool -j with `arguments` on one file and returns its JSON record; null on any failure.
nlohmann::json exiftool(const std::string& program, const std::filesystem::path& file,
                        const std::vector<std::string>& arguments = {"-XMP-crs:all", "-XMP-xmp:all"});

}  // namespace orvane::testing

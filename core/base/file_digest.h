#pragma once
// Digests of whole files.
#include <array>
#include <cstdint>
#include <filesystem>

namespace orvane {

// SHA-256 of a file, read in blocks of 8 MiB; throws std::system_error when it cannot be read.
std::array<std::uint8_t, 32> sha256File(const std::filesystem::path& file);

}  // namespace orvane

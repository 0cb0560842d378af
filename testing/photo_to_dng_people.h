#pragma once
// Real photos with people from Debian packages, made into camera-like DNG files for the people tests
// and benchmarks. Optional: callers skip when a photo is absent. The photos are read at test time only.
#include <filesystem>
#include <optional>
#include <string>

namespace orvane::testing {

// astronaut.png of python3-imageio (one person, head and shoulders, public domain).
std::optional<std::filesystem::path> debianAstronautPhoto();
// messi5.jpg of opencv-doc's example data (one player, whole body, in front of a crowd).
std::optional<std::filesystem::path> debianFullBodyPhoto();

// Writes the photo (any format imgcodecs reads) as a Bayer DNG whose decoded, white-balanced image is
// the photo again, enlarged `scale` times so that the half-size decode keeps its detail. Throws
// std::runtime_error when the photo cannot be read.
void writePhotoDng(const std::filesystem::path& photo, const std::filesystem::path& dng, int scale = 2,
                   int orientation = 1);

}  // namespace orvane::testing

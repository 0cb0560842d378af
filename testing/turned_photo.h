#pragma once
// Test support: real photos from Debian's packages made into raw files, turned by a known angle, for
// tests that measure an estimate against the truth. The photos are read where the package puts them
// and never copied into the repository.
#include <filesystem>
#include <optional>
#include <string_view>

#include <opencv2/core.hpp>

namespace orvane::testing {

// An example photo of python3-skimage (installed, or unpacked by scripts/setup.sh) or of opencv-doc,
// for example "rocket.jpg"; absent when neither has it.
std::optional<std::filesystem::path> debianPhoto(std::string_view name);

// The 8-bit BGR photo turned counter-clockwise on screen by `degrees` about its centre and cut to
// the largest centred rectangle of its own ratio, so no filled corner shows.
cv::Mat turnedPhoto(const cv::Mat& bgr, double degrees);

// Writes the 8-bit BGR photo, enlarged `scale` times, as an uncompressed Bayer DNG: sRGB values are
// made linear and scaled by the as-shot neutral, so the decoded image looks like the photo.
void writePhotoDng(const std::filesystem::path& file, const cv::Mat& bgr, int scale);

}  // namespace orvane::testing

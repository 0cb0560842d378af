#pragma once
// Test support: raw DNG files made from ordinary 8-bit photos, so the whole raw road (LibRaw, the
// decoders, the analyses) runs on real content. The sRGB encoding is undone, the linear values go into
// an RGGB mosaic of a "camera" whose colour space is linear sRGB (neutral white balance), and the
// embedded preview is the photo itself.
#include <filesystem>
#include <optional>

#include <opencv2/core/mat.hpp>

#include "testing/dng_writer.h"

namespace orvane::testing {

// A DNG spec of `photo` (8-bit BGR, upright) resampled to an upright size of width x height; with
// orientation 6 or 8 the stored mosaic is turned so that the decoded photo stands upright again.
DngSpec photoDng(const cv::Mat& photo, int width, int height, int orientation = 1);

// astronaut.png of Debian's python3-imageio (public domain; one smiling frontal face), read as BGR.
// Absent when the package is not installed.
std::optional<cv::Mat> astronautPhoto();
std::filesystem::path astronautPath();
// Its head-and-shoulders part (160 x 200, 4:5) for portraits: made large, the mouth is wide enough for
// coarse teeth dabs as well as fine ones.
std::optional<cv::Mat> astronautPortrait();

// A generated outdoor scene without people: sky, hills, a house, trees. Deterministic.
cv::Mat sceneWithoutPeople(int width, int height);

}  // namespace orvane::testing

#pragma once
// Test support: raw DNG files made from ordinary 8-bit photos, so the whole raw road (LibRaw, the
// decoders, the analyses) runs on real content. The sRGB encoding is undone, the linear values go into
// an RGGB mosaic of a "camera" whose colour space is linear sRGB (neutral white balance), and the
// embedded preview is the photo itself.
#include <filesystem>
#include <optional>
#include <string_view>

#include <opencv2/core/mat.hpp>

#include "testing/dng_writer.h"

namespace orvane::testing {

// A DNG spec of `photo` (8-bit BGR, upright) resampled to an upright size of width x height; with
// orientation 6 or 8 the stored mosaic is turned so that the decoded photo stands upright again.
DngSpec photoDng(const cv::Mat& photo, int width, int height, int orientation = 1);

// The 8-bit BGR photo enlarged `scale` times as a DNG of the default test camera: sRGB values made
// linear and scaled by its as-shot neutral, no preview. The straighten tests' photos, whose measured
// angles were set on this camera's decode; photoDng is the one whose colours match the photo.
void writePhotoDng(const std::filesystem::path& file, const cv::Mat& bgr, int scale);

// The 8-bit BGR photo turned counter-clockwise on screen by `degrees` about its centre and cut to
// the largest centred rectangle of its own ratio, so no filled corner shows.
cv::Mat turnedPhoto(const cv::Mat& bgr, double degrees);

// An example photo of a Debian package, for example "rocket.jpg" (python3-skimage, installed or
// unpacked by scripts/setup.sh), "astronaut.png" (python3-imageio) or "messi5.jpg" (opencv-doc, one
// footballer, whole body, in front of a crowd); absent when no package has it. The photos are read
// where the packages put them and never copied into the repository.
std::optional<std::filesystem::path> debianPhoto(std::string_view name);

// astronaut.png of Debian's python3-imageio (public domain; one smiling frontal face), read as BGR.
// Absent when the package is not installed.
std::optional<cv::Mat> astronautPhoto();
// Its head-and-shoulders part (160 x 200, 4:5) for portraits: made large, the mouth is wide enough for
// coarse teeth dabs as well as fine ones.
std::optional<cv::Mat> astronautPortrait();

// A generated outdoor scene without people: sky, hills, a house, trees. Deterministic.
cv::Mat sceneWithoutPeople(int width, int height);

}  // namespace orvane::testing

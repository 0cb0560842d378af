#pragma once
// The picture a project is shown with: a landscape photo of the project whose faces are well captured
// and large (two faces close together preferred), cut to 1.6 : 1 around the faces. Made once; when no
// photo qualifies a marker file says so and the search is not repeated.
#include <filesystem>
#include <optional>
#include <vector>

#include <opencv2/core/mat.hpp>

#include "core/store/project.h"
#include "core/vision/face_quality.h"

namespace orvane::CoverPhoto {

inline constexpr const char* kCoverFile = "cover-2.jpg";
inline constexpr const char* kNoCoverFile = "cover-2.none";

// The cover's location in the project's folder, whether or not it exists.
std::filesystem::path url(const Project& project);

// The cover, made now when there is none yet; nothing when the project has no photos, the marker
// exists, or no photo qualifies (the marker is then written).
std::optional<std::filesystem::path> ensure(const Project& project,
                                            const FaceQualityDetector& faces = FaceQuality::standard());

// The positions of the photos examined among n: at most 60, evenly spread.
std::vector<std::size_t> candidates(std::size_t n);
// The chosen photo's preview already cropped, or nothing.
std::optional<cv::Mat> best(const Project& project, const FaceQualityDetector& faces);
// The 1.6 : 1 frame of the image around a point (fractions from the top-left), the point 40 % down
// when the image is cut in height.
std::optional<cv::Mat> crop(const cv::Mat& image, double x, double y);
// The image as a JPEG (quality 85), replacing the file atomically; whether it was written.
bool write(const cv::Mat& image, const std::filesystem::path& to);

}  // namespace orvane::CoverPhoto

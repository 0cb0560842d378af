#pragma once
// How well each face of a still image is captured, 0 to 1: large, sharp, well exposed, eyes open and
// turned to the camera. The project cover picks its photo by it.
#include <functional>
#include <optional>
#include <vector>

#include <opencv2/core/mat.hpp>

#include "core/vision/face_landmarker.h"
#include "core/vision/norm_rect.h"

namespace orvane {

struct FaceCapture {
    NormRect box;                   // normalised, origin top-left
    std::optional<double> quality;  // 0 to 1; absent when it could not be judged

    bool operator==(const FaceCapture&) const = default;
};

// The faces of an 8-bit B, G, R image with their capture quality; nothing when the search failed.
using FaceQualityDetector = std::function<std::optional<std::vector<FaceCapture>>(const cv::Mat& bgr)>;

namespace FaceQuality {

// The quality of one face of `gray` (CV_8UC1): a weighted geometric mean of its size, sharpness (the
// Laplacian's variance over the face), exposure (mean brightness near the middle), whether landmarks
// were found, how open the eyes are and how little the head is turned.
double score(const FaceObservation& face, const cv::Mat& gray);

// This build's detector: the landmark models' faces, each scored. Finds nothing when the models are
// not installed.
const FaceQualityDetector& standard();

}  // namespace FaceQuality
}  // namespace orvane

#pragma once
// This build's face landmarker: face boxes from the full-range BlazeFace network swept over the frame
// (FaceBoxes), with dlib's HOG detector as the fallback when that file is absent, then dlib's
// 68-point shape predictor on each box. The model files are read once per process; each thread gets
// its own detector and network.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/vision/face_landmarker.h"

namespace orvane::LandmarkModels {

// The face-box network in the resource folder.
std::filesystem::path faceDetectorFile();
// dlib's 68-point model from Debian's libdlib-data.
std::filesystem::path shapePredictorFile();
// Why faces cannot be found in this installation (a missing landmark model); nothing when they can.
std::optional<std::string> unavailableReason();

// The landmarker of the calling thread. Without the landmark model it finds nothing.
const FaceLandmarker& landmarker();

// Face boxes alone (normalised to `gray`), as the landmarker finds them before landmarks.
enum class BoxSource { blazeFace, hog };
std::vector<NormRect> faceBoxes(const cv::Mat& gray, BoxSource source);
// The same from the source the landmarker uses: BlazeFace, or HOG when its file is absent.
std::vector<NormRect> faceBoxes(const cv::Mat& gray);

}  // namespace orvane::LandmarkModels

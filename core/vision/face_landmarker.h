#pragma once
// Finding faces and their landmark outlines in one 8-bit grey image. The face search of the teeth
// detector runs a landmarker over the whole photo and over tiles of it; the real one (BlazeFace boxes
// and dlib's 68-point shape predictor) lives in dlib_landmarker.cpp, tests pass fakes.
#include <optional>
#include <vector>

#include <opencv2/core/mat.hpp>

#include "core/vision/norm_rect.h"
#include "core/vision/outline.h"

namespace orvane {

// One face as a landmarker sees it. Every coordinate is normalised to the image the landmarker was
// run on, origin top-left, y downwards. An outline the landmarker could not give is empty.
struct FaceObservation {
    NormRect box;
    struct Landmarks {
        Outline innerLips, outerLips, leftEye, rightEye, leftEyebrow, rightEyebrow, nose, faceContour;
    };
    std::optional<Landmarks> landmarks;  // absent when only the box was found
};

class FaceLandmarker {
public:
    virtual ~FaceLandmarker() = default;
    // The faces of `gray` (CV_8UC1), or nothing when the search itself failed.
    virtual std::optional<std::vector<FaceObservation>> detect(const cv::Mat& gray) const = 0;
};

}  // namespace orvane

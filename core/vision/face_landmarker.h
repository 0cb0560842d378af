#pragma once
// Finding faces and their landmark outlines in one 8-bit grey image. The face search of the teeth
// detector runs a landmarker over the whole photo, and over tiles of it when the landmarker does not
// sweep the image itself; the real one (full-range BlazeFace boxes swept over the frame, dlib's
// 68-point shape predictor) lives in landmark_models.cpp, tests pass fakes.
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
    // The faces of `gray` (CV_8UC1), or nothing when the search itself failed. `colour` is the same
    // frame as 8-bit RGB at any resolution, or empty; a landmarker may look for its boxes there.
    virtual std::optional<std::vector<FaceObservation>> detect(const cv::Mat& gray, const cv::Mat& colour) const = 0;
    // True when detect() sweeps the whole image in tiles of its own, finding faces down to 2 % of its
    // width: the face search then asks about the whole image only.
    virtual bool sweepsTiles() const { return false; }
};

}  // namespace orvane

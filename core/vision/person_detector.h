#pragma once
// What the people analyses need of a detector: person instance masks, face boxes and whole-body
// boxes of an upright photo, each box with a confidence. The analyses are pure rules over this record;
// the model-backed detector is one implementation, tests give fake ones.
#include <functional>
#include <optional>
#include <vector>

#include <opencv2/core.hpp>

#include "core/vision/norm_rect.h"

namespace orvane {

// A detected box, normalised to the image with the origin at the bottom left (y grows upwards), as
// detectors of this kind report them; the analyses turn it into top-left coordinates themselves.
struct DetectedBox {
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    float confidence = 0;

    // The same box from top-left normalised coordinates.
    static DetectedBox fromTopLeft(const NormRect& r, float confidence) {
        return {r.left, 1 - r.bottom, r.right, 1 - r.top, confidence};
    }
    bool operator==(const DetectedBox&) const = default;
};

struct PersonDetection {
    // One single-channel mask per person at the image's size: CV_32F, CV_16F or CV_8U (read as value
    // / 255); a pixel above 0.5 belongs to the person. Absent when the detector produced no mask at all.
    std::optional<std::vector<cv::Mat>> instances;
    std::vector<DetectedBox> faces;
    std::vector<DetectedBox> bodies;
};

class PersonDetector {
public:
    virtual ~PersonDetector() = default;
    // People of an upright 8-bit RGB image whose faces (the photo's one face search, normalised) are
    // known; nothing when detection failed. The answer's faces are the given ones.
    virtual std::optional<PersonDetection> detect(const cv::Mat& rgb, const std::vector<DetectedBox>& faces) = 0;
    // The whole person mask of the image, 8-bit (above 128 is person), at any resolution covering the
    // same frame; nothing when segmentation failed.
    virtual std::optional<cv::Mat> personMask(const cv::Mat& rgb, const std::vector<DetectedBox>& faces) = 0;
};

// A person mask as CV_32F 0..1: CV_32F and CV_16F samples as they are, CV_8U as value / 255. Nothing
// for an empty mask or any other kind.
std::optional<cv::Mat> maskAsFloat(const cv::Mat& mask);

}  // namespace orvane

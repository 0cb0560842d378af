#pragma once
// Test support: a people detector that answers what it is given and remembers the image it saw.
#include <optional>

#include "core/vision/person_detector.h"

namespace orvane::testing {

class FakePersonDetector : public PersonDetector {
public:
    std::optional<PersonDetection> detection;  // absent: detection fails
    std::optional<cv::Mat> mask;               // absent: segmentation fails
    cv::Size seen;                             // size of the last image asked about
    std::vector<DetectedBox> seenFaces;        // the faces given with it
    int calls = 0;

    std::optional<PersonDetection> detect(const cv::Mat& rgb, const std::vector<DetectedBox>& faces) override {
        seen = rgb.size();
        seenFaces = faces;
        ++calls;
        return detection;
    }
    std::optional<cv::Mat> personMask(const cv::Mat& rgb, const std::vector<DetectedBox>& faces) override {
        seen = rgb.size();
        seenFaces = faces;
        ++calls;
        return mask;
    }
};

}  // namespace orvane::testing

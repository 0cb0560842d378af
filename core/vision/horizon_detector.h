#pragma once
// Where the horizon of a photo lies, as the tilt of the line between sky and ground. The straighten
// estimate uses it to confirm its horizontal lines; tests put fakes in its place.
#include <optional>

#include <opencv2/core.hpp>

namespace orvane {

class HorizonDetector {
public:
    virtual ~HorizonDetector() = default;
    // Tilt of the horizon in radians, measured in image coordinates with y growing downward (a line
    // that falls to the right is positive); absent when the image shows no clear horizon. `gray` is
    // an 8-bit single-channel image; any other kind has no horizon.
    virtual std::optional<double> angle(const cv::Mat& gray) const = 0;
};

// Our own detector: on a smoothed copy of about 256 pixels, the strongest vertical-gradient
// transition of every column, a line through them fitted by seeded RANSAC; accepted only when at
// least 60 % of the columns lie on it and the two sides differ in brightness.
class GradientHorizonDetector final : public HorizonDetector {
public:
    std::optional<double> angle(const cv::Mat& gray) const override;
};

// The detector this build uses.
const HorizonDetector& standardHorizonDetector();

}  // namespace orvane

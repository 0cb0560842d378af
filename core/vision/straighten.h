#pragma once
// How many degrees a photo must turn to be level: line segments of a small grey copy, the dominant
// near-horizontal family confirmed by the horizon, else the near-vertical family confirmed by its
// own two halves. Weak evidence gives no answer at all rather than a wrong one.
//
// Angles are in degrees, measured in image coordinates with y growing downward: a scene turned
// counter-clockwise by 2 degrees has lines rising to the right and gives -2.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/photo/analysis_records.h"
#include "core/photo/raw_image.h"
#include "core/vision/horizon_detector.h"
#include "core/vision/line_segment_detector.h"
#include "core/vision/norm_rect.h"

namespace orvane::Straighten {

// The estimator's version, recorded by projects with their straighten analysis.
inline constexpr int version = 4;

// One fitted line family.
struct Fit {
    double angle = 0;    // deviation from the family's axis at the image centre, degrees
    double slope = 0;    // degrees per unit of normalised position; 0 unless perspective fitting is on
    double support = 0;  // summed weight of the inliers over the image side along the family
    int inliers = 0;
    double spread = 0;   // weighted standard deviation of the inlier positions

    bool operator==(const Fit&) const = default;
};

struct Gray {
    std::vector<float> values;  // 0 to 255, row-major
    int width = 0;
    int height = 0;
};

// Half size, 2 x 2 blocks averaged as the square root of luminance, times 255. Empty when the image's
// pixel count does not match its size.
Gray analysisImage(const RawImage& image);

std::optional<StraightenResult> detect(const RawImage& image, const HorizonDetector& horizon);
std::optional<StraightenResult> detect(const RawImage& image);

// The decision of `detect` once the segments and the horizon (degrees) of the upright W x H image
// are known; `aspect` is passed through into the result.
std::optional<StraightenResult> decide(const std::vector<LineSegment>& segments, int width, int height,
                                       std::optional<double> horizon, double aspect);

// The horizon's tilt in degrees (same sense as the family deviations), of the values clamped to 0..255
// and truncated to bytes.
std::optional<double> horizonAngle(const std::vector<float>& gray, int width, int height,
                                   const HorizonDetector& detector = standardHorizonDetector());

std::optional<Fit> fitFamily(const std::vector<LineSegment>& segments, int width, int height, bool vertical,
                             bool perspective);

// The vertical family fitted on the segments at even and at odd list positions agrees within 0.5 degrees.
bool halvesAgree(const std::vector<LineSegment>& segments, int width, int height);

// A second estimator over all lines: the densest deviation and the lines around it.
struct Estimate {
    double angle = 0;
    double confidence = 0;
    int segments = 0;

    bool operator==(const Estimate&) const = default;
};
std::optional<Estimate> estimate(const RawImage& image);
std::optional<Estimate> estimate(const std::vector<LineSegment>& segments, double width);

// The largest centred rectangle of the photo's own ratio inside the frame turned by `angle` degrees,
// in normalised image coordinates. The whole frame for an aspect or angle that is not a usable number.
NormRect cropRect(double angle, double aspect);

// The Camera Raw crop settings of a result: CropAngle, CropLeft, CropTop, CropRight, CropBottom,
// HasCrop. Empty for a result whose numbers are not finite.
std::vector<std::pair<std::string, std::string>> xmpAttributes(const StraightenResult& result);

}  // namespace orvane::Straighten

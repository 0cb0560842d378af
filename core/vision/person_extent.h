#pragma once
// The small upright image the people analyses run on, and the feet line: how far down the people of a
// photo reach.
#include <optional>

#include <opencv2/core.hpp>

#include "core/photo/raw_image.h"
#include "core/vision/person_detector.h"

namespace orvane::PersonExtent {

// The longer side of the image every people analysis works on.
inline constexpr int workingSide = 1024;

// The size of the upright image of a photo of h rows and w columns: the integer step and the upright
// width and height. Nothing when a side would be below 9 pixels.
struct UprightSize {
    int step = 1, width = 0, height = 0;
    bool operator==(const UprightSize&) const = default;
};
std::optional<UprightSize> uprightSize(int h, int w, int flip, int maxSide);

// The photo turned upright and reduced by an integer step (nearest pixel) so that its longer side is
// at most maxSide: 8-bit sRGB, 3 channels in R, G, B order. Nothing when a side would be below 9 pixels.
std::optional<cv::Mat> uprightImage(const RawImage& raw, int maxSide);

// The feet line of a mask covering the photo (the format rules of PersonDetection): (row + 1) / height
// of the lowest row holding at least max(3, 0.4 % of the width) person samples, 1 from 0.985 down.
// Nothing when no row qualifies or the mask's format is not one of the three.
std::optional<double> feetLine(const cv::Mat& mask);

// The feet line of the people of a photo; nothing for a photo too small, a failed detection or fewer
// than minPeople people.
// `faces`: the photo's faces from its one face search.
std::optional<double> lowestEdge(const RawImage& raw, int minPeople, PersonDetector& detector,
                                 const std::vector<DetectedBox>& faces = {});

}  // namespace orvane::PersonExtent

#pragma once
// Straight line segments of a grey image, found with an a-contrario test so that noise alone finds
// (almost) nothing. Stateless apart from one log-factorial table built on first use: safe to call
// from any number of threads at once.
#include <vector>

namespace orvane {

// End points in pixels of the input image (x = column, y = row, origin at the top-left pixel, no
// half-pixel offset) and the width of the fitted rectangle.
struct LineSegment {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    double width = 0;

    bool operator==(const LineSegment&) const = default;
};

namespace LineSegmentDetector {

struct Scaled {
    std::vector<float> values;
    int width = 0;
    int height = 0;
};

// Grey values 0 to 255, row-major, width x height. Empty for an image narrower or lower than 17
// pixels, or when the value count is not width x height.
std::vector<LineSegment> detect(const std::vector<float>& gray, int width, int height);

// The detection on an image already scaled down: segments in that image's own pixels.
std::vector<LineSegment> detectScaled(const std::vector<float>& scaled, int width, int height);

// Gaussian blur at full size, then bilinear sampling to ceil(0.8 x size).
Scaled resample(const std::vector<float>& gray, int width, int height);

// Probability that a binomial variable of n draws with success probability p is at least k.
double binomialTail(long long n, long long k, double p);

}  // namespace LineSegmentDetector
}  // namespace orvane

#pragma once
// Point outlines of face landmarks, normalised to an image (x from the left, y from the top).
#include <vector>

#include "core/vision/norm_rect.h"

namespace orvane {

struct NormPoint {
    double x = 0, y = 0;
    bool operator==(const NormPoint&) const = default;
};
using Outline = std::vector<NormPoint>;

namespace Outlines {
// Even-odd crossing rule with a ray towards increasing x; an empty outline holds nothing.
bool contains(const Outline& polygon, double x, double y);
// The mean of the points; (0, 0) for an empty outline.
NormPoint centroid(const Outline& outline);
// The smallest rectangle holding every point; all zero for an empty outline.
NormRect bounds(const Outline& outline);
// Every point moved about the centroid by fx across and fy down.
Outline scaled(const Outline& outline, double fx, double fy);
}  // namespace Outlines

}  // namespace orvane

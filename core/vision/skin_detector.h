#pragma once
// Skin regions of faces: brush dabs laid over each face's skin. The face outline is the jaw contour
// closed by a forehead arc; eyes, brows, nose and lips are left out as grown holes; a candidate dab is
// kept where the photo's colour is skin.
#include <cstddef>
#include <optional>
#include <vector>

#include "core/photo/analysis_records.h"
#include "core/photo/raw_image.h"
#include "core/vision/outline.h"
#include "core/vision/teeth_detector.h"

namespace orvane {

// Keeps every k-th dab starting with the first, k = count / limit + 1, when there are more than
// `limit`; shorter lists come back unchanged.
DabList thinDabs(DabList dabs, std::size_t limit);

namespace SkinDetector {

// Normalised position in the upright photo: x from the left, y from the top.
using Point = NormPoint;
using Polygon = Outline;

// Most dabs a face keeps.
inline constexpr std::size_t maxDabs = 1800;
// A feature outline is grown by this factor about its centroid to make its hole.
inline constexpr double holeGrowth = 1.45;

struct FaceOutline {
    Polygon polygon;  // the contour followed by 13 forehead points, closed implicitly
    double span = 0;  // horizontal distance between the contour's ends
};

// The face outline from its contour (at least 8 points, jaw from one side to the other) and its
// box's top and height. Nothing when the contour is too short, its ends are less than 0.02 apart,
// or they lie above the top 4 % of the box.
std::optional<FaceOutline> outline(const Polygon& contour, double boxTop, double boxHeight);
// Every point moved away from the centroid (the mean point) by `factor`.
Polygon grow(const Polygon& polygon, double factor);
// Even-odd rule with a ray toward increasing x.
bool inside(Point p, const Polygon& polygon);
// clamp(0.07 × span, 0.0015, 0.012).
double dabRadius(double span);
// Grid points over the face's bounds, every 0.4 × radius from the top-left, whose test cross (the
// point and four points 0.8 × radius away) lies inside the face and outside every hole; in grid
// order (rows from the top, columns from the left).
std::vector<Point> grid(const Polygon& face, const std::vector<Polygon>& holes, double radius);
// thinDabs with the face limit.
DabList decimate(DabList dabs);

// At most one region per face, in face order; a face without enough skin leaves no gap.
std::vector<SkinRegion> regions(const std::vector<TeethDetector::Face>& faces, const RawImage& raw);

}  // namespace SkinDetector
}  // namespace orvane

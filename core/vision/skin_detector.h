#pragma once
// The skin of each face as a carpet of brush dabs: the face contour closed by a forehead arc, eyes,
// brows, nose and lips left out, kept where the photo's colour is skin.
#include <vector>

#include "core/photo/analysis_records.h"
#include "core/photo/raw_image.h"
#include "core/vision/teeth_detector.h"

namespace orvane::SkinDetector {

// At most one region per face, in face order; a face without enough skin leaves no gap.
std::vector<SkinRegion> regions(const std::vector<TeethDetector::Face>& faces, const RawImage& raw);
// Every point moved away from the outline's centroid (mean x, mean y) by `factor`.
Outline grow(const Outline& outline, double factor);
// Every k-th dab from the first, k = count / 1800 + 1, when there are more than 1800.
DabList decimate(DabList dabs);

}  // namespace orvane::SkinDetector

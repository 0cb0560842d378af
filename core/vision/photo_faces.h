#pragma once
// One face search per photo. The teeth, skin, face-level, layout, feet and subject analyses of a photo
// run one after another on the same worker and all start from its faces: the search runs once, and
// the worker keeps the last photo's answer, known by the photo's pixels, for the next analysis.
#include <memory>
#include <vector>

#include "core/photo/raw_image.h"
#include "core/vision/person_detector.h"
#include "core/vision/teeth_detector.h"

namespace orvane::PhotoFaces {

// The faces of the photo (TeethDetector::faces on its upright grey and colour images, with this
// build's landmarker); empty when the models are missing or the photo is too small.
std::shared_ptr<const std::vector<TeethDetector::Face>> of(const RawImage& raw);

// Drops the calling worker's remembered search: its next photo is searched anew even when its
// pixels equal the last one's (copies of one file, as a benchmark times them).
void forgetLast();

// The same faces as boxes for the people analyses (origin bottom left, as detectors report them).
std::vector<DetectedBox> boxes(const RawImage& raw);
std::vector<DetectedBox> boxesOf(const std::vector<TeethDetector::Face>& faces);

// A fingerprint of the photo's pixels, size and orientation: equal photos give equal keys.
std::size_t key(const RawImage& raw);

}  // namespace orvane::PhotoFaces

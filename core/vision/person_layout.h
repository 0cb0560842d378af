#pragma once
// The person layout of a photo: one record per person mask (box, area, column profile) plus the face
// and body boxes a detector reports, made on the photo's small upright image.
#include <optional>
#include <vector>

#include <opencv2/core.hpp>

#include "core/photo/analysis_records.h"
#include "core/photo/raw_image.h"
#include "core/vision/person_detector.h"

namespace orvane::SmartCrop {

// The least confidence a face or body box needs to be kept.
inline constexpr float minRegionConfidence = 0.4f;

// Nothing for a photo too small for the upright image, a failed detection, no masks, or a mask of an
// unreadable format. Instances without a pixel above 0.5 are left out.
// `faces`: the photo's faces from its one face search.
std::optional<PersonLayout> analyze(const RawImage& raw, PersonDetector& detector, const std::vector<DetectedBox>& faces = {});

// The layout of one detection (the rules behind `analyze`).
std::optional<PersonLayout> layoutOf(const PersonDetection& detection);

// The boxes confident enough and lying inside the image, in top-left coordinates, in their order.
std::vector<PersonRegion> regionsOf(const std::vector<DetectedBox>& boxes);

// One person's record from its mask; nothing when no pixel is above 0.5 or the format is not one of
// the three. `unreadable` is set for the second case.
std::optional<PersonInfo> personOf(const cv::Mat& mask, bool* unreadable = nullptr);

}  // namespace orvane::SmartCrop

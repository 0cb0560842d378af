#pragma once
// The subject region: brush dabs over the people of a photo, laid from a person mask of the upright
// photo. The segmentation that makes the mask is its own detector; this file turns a mask into a
// region.
#include <optional>

#include <opencv2/core.hpp>

#include "core/photo/analysis_records.h"
#include "core/photo/raw_image.h"
#include "core/vision/person_detector.h"

namespace orvane::SubjectDetector {

// Most dabs a subject region keeps.
inline constexpr std::size_t maxDabs = 2500;

// The region stored when the analysis ran and found no subject: empty bounds, no dabs.
SkinRegion none();

// The region from an 8-bit single-channel mask covering the upright photo (bytes above 128 are the
// subject). Nothing for another kind of image, a side below 9 pixels, a subject covering less than
// 2 % or more than 85 % of the photo, or fewer than 6 dabs.
std::optional<SkinRegion> region(const cv::Mat& mask);

// The region of a photo: the detector's person mask of its upright image. Nothing for a photo too
// small, a failed segmentation or a mask that gives no region.
// `faces`: the photo's faces from its one face search.
std::optional<SkinRegion> region(const RawImage& raw, PersonDetector& detector, const std::vector<DetectedBox>& faces = {});

}  // namespace orvane::SubjectDetector

#pragma once
// The feature vector: 61 image statistics and camera values, then 7 face values. Position i is the
// model column "f<i>"; every trained model depends on this order, so it never changes.
//
// Values are kept exactly as computed: a zero ISO, shutter or focal length gives an infinite logarithm
// and an all-black image gives 0/0 colour ratios. Whoever feeds a model maps non-finite values to
// missing; they are not clamped here.
#include <array>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/photo/analysis_records.h"
#include "core/photo/raw_image.h"

namespace orvane {

// The image cannot be measured: fewer than 3 x 3 pixels, or a pixel array that does not match its size.
class FeatureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

namespace Features {

inline constexpr int version = 1;

// The layout of a feature vector: the image features, then the face features.
inline constexpr std::size_t imageCount = 61;
inline constexpr std::size_t faceCount = 7;
inline constexpr std::size_t count = imageCount + faceCount;

const std::array<float, 3>& luma();
const std::array<double, 8>& pct();
const std::vector<std::string>& names();      // 61 image features
const std::vector<std::string>& faceNames();  // 7 face features
const std::vector<std::string>& allNames();   // 68

// The 53 image statistics, by name. Throws FeatureError for an image too small to measure.
std::map<std::string, double> image(const RawImage& raw);
// The percentiles of pct() with linear interpolation between neighbouring ranks; needs a value.
std::vector<double> percentiles(const std::vector<float>& values);
// The 61 image features in names() order.
std::vector<double> vector(const RawImage& raw);
// The 7 face features from the skin regions of the same image.
std::vector<double> faceVector(const std::vector<SkinRegion>& skin);
// All 68 values.
std::vector<double> vector(const RawImage& raw, const std::vector<SkinRegion>& skin);

}  // namespace Features
}  // namespace orvane

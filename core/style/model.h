#pragma once
// The vocabulary shared by training, evaluation and prediction: input columns, the further develop
// settings a profile can learn, and the mired unit of temperature.
#include <string>
#include <vector>

namespace orvane::Model {

// Feature vector layout: 61 image features, then 7 face features.
inline constexpr std::size_t imageFeatureCount = 61;
inline constexpr std::size_t faceFeatureCount = 7;
inline constexpr std::size_t featureCount = imageFeatureCount + faceFeatureCount;

// "f0" … "f67": column i carries element i of a feature vector.
const std::vector<std::string>& columns();
// The ten further develop settings, in the order that governs columns, models and presets.
const std::vector<std::string>& extraKeys();

// Temperature is learned in mireds: M = 1,000,000 / K.
inline double kelvinToMired(double kelvin) { return 1'000'000.0 / kelvin; }
inline double miredToKelvin(double mired) { return 1'000'000.0 / mired; }

}  // namespace orvane::Model

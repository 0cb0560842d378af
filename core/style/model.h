#pragma once
// The vocabulary shared by training, evaluation and prediction: input columns, the further develop
// settings a profile can learn, the names of the models and their folders, and the mired unit of
// temperature.
#include <string>
#include <string_view>
#include <vector>

#include "core/store/preset_keys.h"  // Model::extraKeys()

namespace orvane::Model {

// "f0" … "f67": column i carries element i of a feature vector.
const std::vector<std::string>& columns();
// The column of the first face feature ("f61"); a model that declares it uses the face features.
const std::string& firstFaceColumn();

// Model names: a model's name is its training target column and also the name of its output.
inline constexpr std::string_view exposureName = "exp";
inline constexpr std::string_view miredName = "mired";
// "x_" + key, for example "x_Vibrance".
std::string extraName(std::string_view key);

// A trained model is stored as a folder named after the model with this suffix ("exp.xgbm"):
// the booster and a small description of its input columns and output.
inline constexpr std::string_view compiledSuffix = ".xgbm";
// The model as the trainer writes it before it is compiled into its folder ("exp.ubj").
inline constexpr std::string_view sourceSuffix = ".ubj";
// "exp" -> "exp.xgbm".
std::string compiledName(std::string_view model);
std::string sourceName(std::string_view model);

// Temperature is learned in mireds: M = 1,000,000 / K.
inline double kelvinToMired(double kelvin) { return 1'000'000.0 / kelvin; }
inline double miredToKelvin(double mired) { return 1'000'000.0 / mired; }

}  // namespace orvane::Model

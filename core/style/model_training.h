#pragma once
// The training half of the style models: fixed boosted-tree parameters, the data frame of a list of
// samples, training one target, and building a profile's models into a new model generation.
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/style/booster.h"
#include "core/style/sample.h"

namespace orvane::Model {

// The boosted-tree parameters of every regressor the system trains.
struct Params {
    int maxDepth = 4;
    int maxIterations = 300;
    double minLossReduction = 0.0;
    double minChildWeight = 40.0;
    int randomSeed = 0;
    double stepSize = 0.05;
    double rowSubsample = 1.0;
    double columnSubsample = 1.0;
    // No validation rows and no early stopping: every row trains every round.
};
const Params& params();

// Columns of doubles, all of one length: the 68 feature columns, "exp", "mired", then "x_" + key for
// each of the ten further settings.
struct Frame {
    std::size_t rows = 0;
    std::vector<std::string> names;
    std::vector<std::vector<double>> columns;

    // The column of that name; nullptr when there is none.
    const std::vector<double>* column(const std::string& name) const;
};
Frame frame(const std::vector<Sample>& samples);

// Trains one regressor on the frame with target column `target` and the feature columns
// Model::columns, with params(). Rows whose target value is not finite are left out; a target
// column that is missing or has no finite value throws ModelError(train). Same frame, same model.
Booster train(const Frame& frame, const std::string& target);
// The same on a subset of the feature columns (each a name of Model::columns), in the order given.
Booster train(const Frame& frame, const std::string& target, const std::vector<std::string>& features);

// The feature columns of a frame as a row-major float matrix (NaN where a value is missing or not
// finite), for training and batch prediction.
std::vector<float> featureMatrix(const Frame& frame);
std::vector<float> featureMatrix(const Frame& frame, const std::vector<std::string>& features);

// Runs the publishing step it is handed, or not: the caller's guard around the one change on disk.
using Commit = std::function<void(const std::function<void()>& publish)>;

// Trains "exp", "mired", then "x_" + key for each key of `extras` in that order, and publishes them
// as a new model generation of the profile folder (through `commit` when given). The temporary folder
// "OVS-models-<UUID>" in the temp directory is always removed; on any failure nothing is published
// and the error is thrown.
void build(const std::vector<Sample>& samples, const std::filesystem::path& profileDir,
           const std::vector<std::string>& extras, const Commit& commit = {});

}  // namespace orvane::Model

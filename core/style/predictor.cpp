#include "core/style/predictor.h"

#include <cmath>
#include <limits>

#include "core/style/model.h"
#include "core/style/model_error.h"
#include "core/style/model_storage.h"

namespace orvane {
namespace fs = std::filesystem;

namespace {

// A model loaded for a given name must answer under that name.
CompiledModel loadNamed(const fs::path& dir, std::string_view name) {
    const fs::path folder = dir / Model::compiledName(name);
    CompiledModel m = CompiledModel::load(folder);
    if (m.info().output != name) {
        throw ModelError(ModelError::Code::load, "Modelul „" + folder.filename().string() + "” nu are ieșirea „" +
                                                     std::string(name) + "”.");
    }
    return m;
}

}  // namespace

Predictor::Predictor(CompiledModel exp, CompiledModel mired, std::map<std::string, CompiledModel> extra)
    : exp_(std::make_unique<CompiledModel>(std::move(exp))),
      mired_(std::make_unique<CompiledModel>(std::move(mired))),
      extra_(std::move(extra)) {
    const auto& columns = Model::columns();
    inputs_.insert(exp_->info().inputs.begin(), exp_->info().inputs.end());
    supplied_.resize(columns.size());
    for (std::size_t i = 0; i < columns.size(); ++i) supplied_[i] = inputs_.contains(columns[i]);
}

Predictor Predictor::openProfile(const fs::path& profileDir) {
    return openModelDirectory(ModelStorage::directory(profileDir));
}

Predictor Predictor::openModelDirectory(const fs::path& modelDir) {
    CompiledModel exp = loadNamed(modelDir, Model::exposureName);
    CompiledModel mired = loadNamed(modelDir, Model::miredName);
    return Predictor(std::move(exp), std::move(mired), loadExtras(modelDir));
}

std::map<std::string, CompiledModel> Predictor::loadExtras(const fs::path& modelDir) {
    std::map<std::string, CompiledModel> out;
    for (const auto& key : Model::extraKeys()) {
        std::error_code ec;
        if (!fs::exists(modelDir / Model::compiledName(Model::extraName(key)), ec)) continue;
        try {
            out.emplace(key, loadNamed(modelDir, Model::extraName(key)));
        } catch (const std::exception&) {
            // A damaged further-setting model only costs that setting.
        }
    }
    return out;
}

std::vector<float> Predictor::input(const std::vector<double>& features) const {
    std::vector<float> row(supplied_.size(), std::numeric_limits<float>::quiet_NaN());
    const std::size_t n = std::min(features.size(), row.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (!supplied_[i]) continue;
        float v = static_cast<float>(features[i]);
        if (std::isfinite(v)) row[i] = v;  // anything else is a missing value
    }
    return row;
}

Prediction Predictor::predict(const std::vector<double>& features, std::optional<double> asShotKelvin) const {
    const auto row = input(features);
    const double exposure = exp_->predict(row);
    if (!std::isfinite(exposure)) {
        throw ModelError(ModelError::Code::invalidPrediction, "Modelul a prezis o expunere nevalidă.");
    }
    if (followsAsShot() && asShotKelvin && std::isfinite(*asShotKelvin) && *asShotKelvin > 0)
        return Prediction{exposure, *asShotKelvin};
    const double mired = mired_->predict(row);
    if (!std::isfinite(mired) || mired <= 0) {
        throw ModelError(ModelError::Code::invalidPrediction, "Modelul a prezis o temperatură nevalidă.");
    }
    return Prediction{exposure, Model::miredToKelvin(mired)};
}

std::map<std::string, double> Predictor::predictExtras(const std::vector<double>& features) const {
    std::map<std::string, double> out;
    if (extra_.empty()) return out;
    const auto row = input(features);
    for (const auto& [key, model] : extra_) {
        try {
            // fmin/fmax return the other operand for a NaN, so NaN becomes 100.
            out[key] = std::fmax(std::fmin(model.predict(row), 100.0), -100.0);
        } catch (const std::exception&) {
        }
    }
    return out;
}

bool Predictor::usesFaces() const { return inputs_.contains(Model::firstFaceColumn()); }

bool Predictor::followsAsShot() const { return mired_->info().followsAsShot.value_or(false); }

std::vector<std::string> Predictor::predictedExtras() const {
    std::vector<std::string> keys;
    for (const auto& [key, model] : extra_) keys.push_back(key);  // std::map: already ascending
    return keys;
}

}  // namespace orvane

#pragma once
// The loaded models of one profile: exposure, temperature (in mireds) and the further settings that
// have a model. Immutable once opened, shared by every worker of a job without locks.
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/style/compiled_model.h"

namespace orvane {

struct Prediction {
    double exposure = 0;
    double temperature = 0;  // kelvin
};

class Predictor {
public:
    // Opens the models of a profile folder, resolved through model storage; throws its error, or the
    // loading error of a missing or damaged exposure or temperature model.
    static Predictor openProfile(const std::filesystem::path& profileDir);
    // Opens a model folder itself (a generation, a legacy profile folder or a base model).
    static Predictor openModelDirectory(const std::filesystem::path& modelDir);

    // The further-setting models present in a folder, by setting key; a missing or damaged model is
    // left out. Never throws.
    static std::map<std::string, CompiledModel> loadExtras(const std::filesystem::path& modelDir);

    // Exposure and temperature of a feature vector. `asShotKelvin` is the photo's as-shot temperature
    // when known: a temperature model that follows the as-shot white balance (the base models') answers
    // with it; every other model ignores it. Throws ModelError(invalidPrediction) when the exposure or
    // the mired value is not finite, or the mired value is not above zero: such a value would become an
    // infinite or negative temperature in the photo's settings.
    Prediction predict(const std::vector<double>& features, std::optional<double> asShotKelvin = std::nullopt) const;
    // The further settings, each clamped to -100…100 (a not-a-number answer becomes 100). Never throws.
    std::map<std::string, double> predictExtras(const std::vector<double>& features) const;

    // True when the models take the face features (the exposure model declares "f61").
    bool usesFaces() const;
    // True when the temperature is the photo's as-shot temperature wherever it is known.
    bool followsAsShot() const;
    // The keys of the further settings with a model, ascending.
    std::vector<std::string> predictedExtras() const;
    // The input columns the exposure model declares; only these are supplied to every model.
    const std::set<std::string>& inputs() const { return inputs_; }

    Predictor(Predictor&&) noexcept = default;
    Predictor& operator=(Predictor&&) noexcept = default;

private:
    Predictor(CompiledModel exp, CompiledModel mired, std::map<std::string, CompiledModel> extra);
    std::vector<float> input(const std::vector<double>& features) const;

    // Held through pointers so that a moved predictor keeps the same loaded models.
    std::unique_ptr<CompiledModel> exp_;
    std::unique_ptr<CompiledModel> mired_;
    std::map<std::string, CompiledModel> extra_;
    std::set<std::string> inputs_;
    std::vector<bool> supplied_;  // per feature column: declared by the exposure model
};

}  // namespace orvane

#pragma once
// A compiled model: a folder "<name>.xgbm" holding the booster ("model.ubj") and a description of its
// input columns and output ("model.json"). Loaded once, then shared read-only by many threads.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/base/strict_json.h"
#include "core/style/booster.h"

namespace orvane {

struct CompiledModelInfo {
    std::vector<std::string> inputs;  // column names, in the booster's feature order
    std::string output;               // "exp", "mired" or "x_" + key
    // Temperature models of the shipped base models only: the answer is the photo's own as-shot
    // temperature whenever the photo has one, the booster answering only for a photo without it. The
    // base models' neutral rule is exactly that, and a raw file's features state the white balance as
    // the camera's own multipliers, which no model over them can turn into a temperature for every
    // camera. Absent (and not written) for every trained model.
    std::optional<bool> followsAsShot;

    bool operator==(const CompiledModelInfo&) const = default;
    template <class S, class V>
    static void describe(S& s, V& v) {
        v.req("inputs", s.inputs);
        v.req("output", s.output);
        v.opt("followsAsShot", s.followsAsShot);
    }
};

class CompiledModel {
public:
    static constexpr const char* boosterFile = "model.ubj";
    static constexpr const char* infoFile = "model.json";

    // Writes the compiled folder for a trained booster saved at `source`: checks that the booster
    // takes exactly the declared inputs, then writes both files into a new folder `folder`.
    static void compile(const std::filesystem::path& source, const CompiledModelInfo& info,
                        const std::filesystem::path& folder);

    // Loads a compiled folder; throws ModelError(load) when it is missing, damaged or inconsistent.
    // The booster file passes BoosterFile::problem before XGBoost reads it. Every declared input must
    // be a known feature column. The booster predicts with one thread and
    // has answered once before this returns, so it is ready to be shared.
    static CompiledModel load(const std::filesystem::path& folder);

    const CompiledModelInfo& info() const { return info_; }

    // `row` holds one value per feature column (Model::columns order, NaN = not supplied or missing).
    double predict(const std::vector<float>& row) const;

private:
    CompiledModel(Booster b, CompiledModelInfo info, std::vector<std::size_t> columns)
        : booster_(std::move(b)), info_(std::move(info)), columns_(std::move(columns)) {}

    Booster booster_;
    CompiledModelInfo info_;
    std::vector<std::size_t> columns_;  // feature-column index of each input
};

}  // namespace orvane

#pragma once
// Test support for the style models: tiny compiled models with known answers, synthetic samples
// whose targets follow a known relation to their features, and a built profile.
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/base/uuid.h"
#include "core/style/profile.h"
#include "core/style/sample.h"

namespace orvane::testing {

// Writes dir/<name>.xgbm, a compiled model that answers `value` whatever its input. `inputCount`
// columns are declared ("f0" …), all 68 by default.
void writeConstantModel(const std::filesystem::path& dir, const std::string& name, float value,
                        std::size_t inputCount = 68);

// Writes dir/<name>.xgbm answering `below` when column `column` is under 0.5 (or missing, which the
// booster sends the same way as its training had none) and `above` otherwise.
void writeStepModel(const std::filesystem::path& dir, const std::string& name, std::size_t column, float below,
                    float above, std::size_t inputCount = 68);

// Writes dir/<name>.xgbm, a compiled model whose every answer is not a number.
void writeNanModel(const std::filesystem::path& dir, const std::string& name);

// Makes the temperature model of a model folder answer with the photo's as-shot temperature, as the
// shipped raw base model's does.
void markTemperatureFollowsAsShot(const std::filesystem::path& modelDir);

// A model folder with "exp" and "mired" constant models and one constant model per further setting.
void writeModelFolder(const std::filesystem::path& dir, float exposure, float mired,
                      const std::map<std::string, float>& extras = {});

// A model folder trained as a real profile's is ("exp", "mired", then one model per key of `extras`,
// with the system's training parameters), on the first `inputCount` feature columns only: 61 gives a
// profile that does not take the face features.
void writeTrainedModelFolder(const std::vector<Sample>& samples, const std::filesystem::path& dir,
                             std::size_t inputCount, const std::vector<std::string>& extras);

// The catalogs a builtProfile() was chosen and trained on.
inline const Uuid kCatalogA = *Uuid::parse("AAAAAAAA-0000-4000-8000-000000000001");
inline const Uuid kCatalogB = *Uuid::parse("BBBBBBBB-0000-4000-8000-000000000002");

// A built profile with every field set but kind, saved in the data directory with a preset and flat
// models so that it counts as built.
Profile builtProfile(const std::string& name);

// `n` samples with 68 features drawn from a seeded generator; exposure = 1.5·f0 − f1 + small noise,
// temperature = 1e6 / (180 + 60·f2 + small noise), Contrast2012 = 40·f3, Vibrance = 20·f4.
std::vector<Sample> syntheticSamples(std::size_t n, std::uint32_t seed);

// The base-model vault for one test: nothing opened, sealed models read from `resources`. On leaving,
// this process's session folder is removed and every vault setting undone.
class VaultSession {
public:
    explicit VaultSession(const std::filesystem::path& resources);
    ~VaultSession();
    VaultSession(const VaultSession&) = delete;
    VaultSession& operator=(const VaultSession&) = delete;
};

}  // namespace orvane::testing

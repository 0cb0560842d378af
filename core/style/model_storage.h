#pragma once
// A profile's compiled models on disk: immutable generations under "Models/<UUID>", the current one
// named by "models.json"; also the legacy flat layout and "instant" profiles on the base model.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "core/base/strict_json.h"
#include "core/base/uuid.h"

namespace orvane::ModelStorage {

inline constexpr const char* selectorFile = "models.json";
inline constexpr const char* generationsFolder = "Models";

struct Selection {
    Uuid generation;

    bool operator==(const Selection&) const = default;
    template <class S, class V>
    static void describe(S& s, V& v) {
        v.req("generation", s.generation);
    }
};

// The folder whose models a predictor of this profile loads. Throws the read or decoding error of an
// unreadable "models.json"; nothing else throws.
std::filesystem::path directory(const std::filesystem::path& profileDir);

// True when the resolved folder holds the exposure and temperature models as folders. Never throws.
bool isComplete(const std::filesystem::path& profileDir);

// Copies the compiled models of `from` into a new generation folder of the profile, lets `validate`
// inspect it (throwing rejects it) and then names it in "models.json". On any failure the new folder
// is removed and the selector stays byte for byte as it was; the error is thrown.
void publish(const std::filesystem::path& from, const std::filesystem::path& profileDir,
             const std::function<void(const std::filesystem::path&)>& validate);

}  // namespace orvane::ModelStorage

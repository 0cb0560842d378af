#pragma once
// One open predictor per profile, reopened only when the profile's current model generation changes.
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "core/base/uuid.h"
#include "core/style/predictor.h"

namespace orvane {

class PredictorCache {
public:
    // The profile's predictor for its current model folder. Throws what resolving the folder or opening
    // the models throws; nothing is cached then. Safe from any thread: openings run one at a time, so a
    // generation is opened once even when many workers ask together.
    std::shared_ptr<const Predictor> predictor(const Uuid& profile, const std::filesystem::path& profileDir);

    // The base model for smart-preview photos, opened at first use once per process; null when the
    // application has none or it cannot be opened (never retried).
    static std::shared_ptr<const Predictor> basePreview();

private:
    std::mutex lock_;
    std::map<Uuid, std::pair<std::filesystem::path, std::shared_ptr<const Predictor>>> cached_;
};

}  // namespace orvane

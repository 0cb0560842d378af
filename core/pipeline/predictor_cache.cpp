#include "core/pipeline/predictor_cache.h"

#include "core/style/model_storage.h"
#include "core/style/model_vault.h"

namespace orvane {

std::shared_ptr<const Predictor> PredictorCache::predictor(const Uuid& profile, const std::filesystem::path& profileDir) {
    // Resolved outside the lock: many workers may read "models.json" at once.
    const std::filesystem::path current = ModelStorage::directory(profileDir);
    std::lock_guard guard(lock_);
    auto it = cached_.find(profile);
    if (it != cached_.end() && it->second.first == current) return it->second.second;
    // An older entry stays when this throws, but is never returned: its folder is no longer current.
    auto opened = std::make_shared<const Predictor>(Predictor::openProfile(profileDir));
    cached_[profile] = {current, opened};
    return opened;
}

std::shared_ptr<const Predictor> PredictorCache::basePreview() {
    static const std::shared_ptr<const Predictor> base = []() -> std::shared_ptr<const Predictor> {
        auto dir = ModelVault::directory("BaseModelPreview");
        if (!dir) return nullptr;
        try {
            return std::make_shared<const Predictor>(Predictor::openModelDirectory(*dir));
        } catch (const std::exception&) {
            return nullptr;
        }
    }();
    return base;
}

}  // namespace orvane

#include "core/pipeline/predictor_cache.h"

#include <gtest/gtest.h>

#include <thread>

#include "core/style/model_storage.h"
#include "core/style/model_vault.h"
#include "testing/model_fixtures.h"
#include "testing/temp_dir.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using orvane::testing::TempDir;

// Publishes a generation whose exposure model answers `exposure`.
void publish(const fs::path& profileDir, float exposure) {
    TempDir staging;
    orvane::testing::writeModelFolder(staging.path(), exposure, 200.0f);
    ModelStorage::publish(staging.path(), profileDir, [](const fs::path&) {});
}

const std::vector<double> kFeatures(68, 0.5);

TEST(PredictorCache, manyWorkersShareOneOpening) {
    TempDir profile;
    publish(profile.path(), 0.5f);
    PredictorCache cache;
    const Uuid id = Uuid::random();
    std::vector<std::shared_ptr<const Predictor>> got(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < got.size(); ++i)
        threads.emplace_back([&, i] { got[i] = cache.predictor(id, profile.path()); });
    for (auto& t : threads) t.join();
    for (const auto& p : got) EXPECT_EQ(p.get(), got[0].get());
    EXPECT_DOUBLE_EQ(got[0]->predict(kFeatures).exposure, 0.5);
}

TEST(PredictorCache, aNewGenerationIsOpenedAndABrokenOneFails) {
    TempDir profile, other;
    publish(profile.path(), 0.5f);
    publish(other.path(), 1.0f);
    PredictorCache cache;
    const Uuid id = Uuid::random(), otherId = Uuid::random();
    auto first = cache.predictor(id, profile.path());
    EXPECT_EQ(cache.predictor(id, profile.path()).get(), first.get());
    EXPECT_NE(cache.predictor(otherId, other.path()).get(), first.get());

    publish(profile.path(), 0.75f);
    auto second = cache.predictor(id, profile.path());
    EXPECT_NE(second.get(), first.get());
    EXPECT_DOUBLE_EQ(second->predict(kFeatures).exposure, 0.75);
    EXPECT_DOUBLE_EQ(first->predict(kFeatures).exposure, 0.5);  // a job holding the old one keeps it

    // A generation that cannot be opened fails every request, though an older predictor is cached.
    publish(profile.path(), 0.25f);
    const fs::path broken = ModelStorage::directory(profile.path());
    fs::remove_all(broken / "mired.xgbm");
    EXPECT_ANY_THROW(cache.predictor(id, profile.path()));
    EXPECT_ANY_THROW(cache.predictor(id, profile.path()));

    // An unreadable selector throws and caches nothing.
    orvane::testing::writeText(profile / "models.json", "{");
    EXPECT_ANY_THROW(cache.predictor(id, profile.path()));
}

TEST(PredictorCache, basePreviewIsOpenedOnceAndNeverRetried) {
    // This test program ships no base models: the value is null, and stays null even once the vault
    // would answer.
    TempDir empty;
    ModelVault::setResourceDirectory(empty.path());
    EXPECT_EQ(PredictorCache::basePreview(), nullptr);
    TempDir models;
    orvane::testing::writeModelFolder(models.path(), 0.5f, 200.0f);
    ModelVault::setOverrideDirectory(models.path());
    EXPECT_EQ(PredictorCache::basePreview(), nullptr);
    ModelVault::setOverrideDirectory(std::nullopt);
    ModelVault::setResourceDirectory(std::nullopt);
}

}  // namespace
}  // namespace orvane

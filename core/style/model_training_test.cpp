#include "core/style/model_training.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "core/base/atomic_file.h"
#include "core/photo/features.h"
#include "core/style/model.h"
#include "core/style/model_error.h"
#include "core/style/model_storage.h"
#include "core/style/predictor.h"
#include "testing/model_fixtures.h"
#include "testing/temp_dir.h"

namespace orvane {
namespace {
namespace fs = std::filesystem;
using testing::TempDir;

// Builds run with their own temporary directory so leftovers can be seen.
class ModelBuild : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(tmp / "t"); }
    std::vector<std::string> leftovers() const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(tmp / "t")) {
            const std::string name = e.path().filename().string();
            if (name.starts_with("OVS-models-")) out.push_back(name);
        }
        return out;
    }
    std::vector<std::string> generationEntries(const fs::path& profile) const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(ModelStorage::directory(profile))) {
            out.push_back(e.path().filename().string());
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    TempDir tmp;
    testing::ScopedEnv tmpdir{"TMPDIR", (tmp / "t").string()};
};

TEST_F(ModelBuild, publishesExposureTemperatureAndTheChosenSettings) {
    const auto samples = testing::syntheticSamples(120, 1);
    TempDir profile;
    Model::build(samples, profile.path(), {});
    EXPECT_EQ(generationEntries(profile.path()), (std::vector<std::string>{"exp.xgbm", "mired.xgbm"}));
    EXPECT_TRUE(leftovers().empty());

    Model::build(samples, profile.path(), {"Dehaze", "Contrast2012"});
    EXPECT_EQ(generationEntries(profile.path()),
              (std::vector<std::string>{"exp.xgbm", "mired.xgbm", "x_Contrast2012.xgbm", "x_Dehaze.xgbm"}));
    EXPECT_TRUE(leftovers().empty());
    EXPECT_TRUE(ModelStorage::isComplete(profile.path()));
    auto p = Predictor::openProfile(profile.path());
    EXPECT_EQ(p.predictedExtras(), (std::vector<std::string>{"Contrast2012", "Dehaze"}));
    EXPECT_TRUE(p.usesFaces());
    // Samples without a Dehaze value train it on zeros.
    EXPECT_NEAR(p.predictExtras(samples[0].x).at("Dehaze"), 0.0, 1e-6);
}

TEST_F(ModelBuild, aFailureOnTheThirdTargetPublishesNothing) {
    auto samples = testing::syntheticSamples(100, 2);
    TempDir profile;
    Model::build(samples, profile.path(), {});
    const std::string selector = readWholeFile(profile / "models.json");
    for (auto& s : samples) (*s.extras)["Dehaze"] = std::numeric_limits<double>::quiet_NaN();
    try {
        Model::build(samples, profile.path(), {"Dehaze", "Vibrance"});
        ADD_FAILURE() << "built";
    } catch (const ModelError& e) {
        EXPECT_EQ(e.code(), ModelError::Code::train);
    }
    // The further settings train in the order given: the first bad one is the one reported.
    auto firstFailure = [&](std::vector<std::string> extras) {
        try {
            Model::build(samples, profile.path(), extras);
        } catch (const ModelError& e) {
            return std::string(e.what());
        }
        return std::string("built");
    };
    EXPECT_NE(firstFailure({"NotASetting", "Dehaze"}).find("x_NotASetting"), std::string::npos);
    EXPECT_NE(firstFailure({"Dehaze", "NotASetting"}).find("x_Dehaze"), std::string::npos);
    EXPECT_EQ(readWholeFile(profile / "models.json"), selector);
    EXPECT_EQ(std::distance(fs::directory_iterator(profile / "Models"), fs::directory_iterator()), 1);
    EXPECT_TRUE(leftovers().empty());
}

TEST_F(ModelBuild, noSamplesIsAnErrorNotAModel) {
    TempDir profile;
    EXPECT_THROW(Model::build({}, profile.path(), {}), ModelError);
    EXPECT_FALSE(fs::exists(profile / "models.json"));
    EXPECT_TRUE(leftovers().empty());
}

TEST_F(ModelBuild, sameSamplesGiveTheSameModelBytes) {
    const auto samples = testing::syntheticSamples(150, 3);
    TempDir a, b;
    Model::build(samples, a.path(), {"Vibrance"});
    Model::build(samples, b.path(), {"Vibrance"});
    for (const char* model : {"exp.xgbm", "mired.xgbm", "x_Vibrance.xgbm"}) {
        for (const char* file : {"model.ubj", "model.json"}) {
            EXPECT_EQ(readWholeFile(ModelStorage::directory(a.path()) / model / file),
                      readWholeFile(ModelStorage::directory(b.path()) / model / file))
                << model << "/" << file;
        }
    }
}

TEST(ModelTrain, rowsWithANonFiniteTargetSitOut) {
    auto samples = testing::syntheticSamples(100, 4);
    samples[0].temperature = 0;  // an infinite mired value
    samples[1].exposure = std::numeric_limits<double>::infinity();
    auto f = Model::frame(samples);
    Booster mired = Model::train(f, "mired");
    Booster exp = Model::train(f, "exp");
    auto m = Model::featureMatrix(f);
    auto out = mired.predict(m.data(), f.rows, Features::count);
    for (float v : out) EXPECT_TRUE(std::isfinite(v));
    EXPECT_EQ(exp.rounds(), 300);
}

double mean(const std::vector<double>& v) {
    double s = 0;
    for (double x : v) s += x;
    return s / static_cast<double>(v.size());
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

TEST_F(ModelBuild, learnedModelsBeatTheMedianOnHeldOutSamples) {
    const auto all = testing::syntheticSamples(500, 5);
    const std::vector<Sample> train(all.begin(), all.begin() + 400), test(all.begin() + 400, all.end());
    TempDir profile;
    Model::build(train, profile.path(), {"Contrast2012"});
    auto p = Predictor::openProfile(profile.path());

    std::vector<double> exposures, temperatures, contrasts;
    for (const auto& s : train) {
        exposures.push_back(s.exposure);
        temperatures.push_back(s.temperature);
        contrasts.push_back(s.extras->at("Contrast2012"));
    }
    const double medExp = median(exposures), medTemp = median(temperatures), medContrast = median(contrasts);
    std::vector<double> eModel, eBase, tModel, tBase, cModel, cBase;
    for (const auto& s : test) {
        auto r = p.predict(s.x);
        eModel.push_back(std::abs(r.exposure - s.exposure));
        eBase.push_back(std::abs(medExp - s.exposure));
        tModel.push_back(std::abs(r.temperature - s.temperature));
        tBase.push_back(std::abs(medTemp - s.temperature));
        const double c = s.extras->at("Contrast2012");
        cModel.push_back(std::abs(p.predictExtras(s.x).at("Contrast2012") - c));
        cBase.push_back(std::abs(medContrast - c));
    }
    std::printf("held-out MAE: exposure %.3f EV (median %.3f), temperature %.0f K (median %.0f), "
                "contrast %.2f (median %.2f)\n",
                mean(eModel), mean(eBase), mean(tModel), mean(tBase), mean(cModel), mean(cBase));
    EXPECT_LT(mean(eModel), 0.35 * mean(eBase));
    EXPECT_LT(mean(tModel), 0.35 * mean(tBase));
    EXPECT_LT(mean(cModel), 0.35 * mean(cBase));
}

}  // namespace
}  // namespace orvane

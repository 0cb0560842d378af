#include "core/style/predictor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "core/base/atomic_file.h"
#include "core/style/model.h"
#include "core/style/model_error.h"
#include "core/style/model_storage.h"
#include "testing/model_fixtures.h"
#include "testing/temp_dir.h"

namespace orvane {
namespace {
namespace fs = std::filesystem;
using testing::TempDir;

std::vector<double> vec(double fill, std::size_t n = 68) { return std::vector<double>(n, fill); }

TEST(Predictor, folderWithOnlyExposureAndTemperaturePredictsNoExtras) {
    TempDir tmp;
    testing::writeModelFolder(tmp.path(), 0.75f, 200.0f);
    auto p = Predictor::openModelDirectory(tmp.path());
    auto r = p.predict(vec(0.5));
    EXPECT_FLOAT_EQ(r.exposure, 0.75);
    EXPECT_DOUBLE_EQ(r.temperature, 5000.0);
    EXPECT_TRUE(p.predictExtras(vec(0.5)).empty());
    EXPECT_TRUE(p.predictedExtras().empty());
    EXPECT_TRUE(p.usesFaces());
}

TEST(Predictor, miredOutputsBecomeKelvin) {
    TempDir tmp;
    testing::writeModelFolder(tmp.path(), 0, 250.0f);
    EXPECT_DOUBLE_EQ(Predictor::openModelDirectory(tmp.path()).predict(vec(0)).temperature, 4000.0);
}

// The base models' temperature answers with the photo's as-shot temperature where one is known; a
// trained profile's ignores it, and its model files stay as they were written before the mark existed.
TEST(Predictor, onlyAModelMarkedToFollowTheAsShotTemperatureAnswersWithIt) {
    TempDir trained, base;
    testing::writeModelFolder(trained.path(), 0.5f, 250.0f);
    testing::writeModelFolder(base.path(), 0.5f, 250.0f);
    testing::markTemperatureFollowsAsShot(base.path());
    EXPECT_EQ(readWholeFile(trained / "mired.xgbm" / "model.json").find("followsAsShot"), std::string::npos);
    const auto trainedModel = Predictor::openModelDirectory(trained.path());
    const auto baseModel = Predictor::openModelDirectory(base.path());
    EXPECT_FALSE(trainedModel.followsAsShot());
    EXPECT_TRUE(baseModel.followsAsShot());
    struct Case {
        std::optional<double> asShot;
        double trained, base;
    } cases[] = {
        {6212.0, 4000, 6212},
        {std::nullopt, 4000, 4000},  // no as-shot value: the learnt temperature
        {0.0, 4000, 4000},
        {-5000.0, 4000, 4000},
        {std::nan(""), 4000, 4000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.asShot ? std::to_string(*c.asShot) : "none");
        const auto t = trainedModel.predict(vec(0), c.asShot), b = baseModel.predict(vec(0), c.asShot);
        EXPECT_DOUBLE_EQ(t.temperature, c.trained);
        EXPECT_DOUBLE_EQ(b.temperature, c.base);
        EXPECT_FLOAT_EQ(b.exposure, 0.5);
    }
}

TEST(Predictor, missingOrDamagedRequiredModelFailsToOpen) {
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> damage;
    };
    const std::vector<Case> cases = {
        {"no mired model", [](const fs::path& d) { fs::remove_all(d / "mired.xgbm"); }},
        {"no exposure model", [](const fs::path& d) { fs::remove_all(d / "exp.xgbm"); }},
        {"exposure booster truncated",
         [](const fs::path& d) { writeFileAtomically(d / "exp.xgbm" / "model.ubj", "{garbage"); }},
        {"mired description missing", [](const fs::path& d) { fs::remove(d / "mired.xgbm" / "model.json"); }},
        {"mired answers under another name",
         [](const fs::path& d) {
             writeFileAtomically(d / "mired.xgbm" / "model.json", R"({"inputs":[],"output":"exp"})");
         }},
        {"unknown input column",
         [](const fs::path& d) {
             writeFileAtomically(d / "exp.xgbm" / "model.json", R"({"inputs":["g0"],"output":"exp"})");
         }},
        {"exposure model is a plain file",
         [](const fs::path& d) {
             fs::remove_all(d / "exp.xgbm");
             writeFileAtomically(d / "exp.xgbm", "x");
         }},
    };
    for (const auto& c : cases) {
        TempDir tmp;
        testing::writeModelFolder(tmp.path(), 0, 200);
        c.damage(tmp.path());
        try {
            Predictor::openModelDirectory(tmp.path());
            ADD_FAILURE() << c.name << ": opened";
        } catch (const ModelError& e) {
            EXPECT_EQ(e.code(), ModelError::Code::load) << c.name << ": " << e.what();
        }
    }
}

TEST(Predictor, damagedOrMisnamedFurtherModelIsSkipped) {
    TempDir tmp;
    testing::writeModelFolder(tmp.path(), 0, 200, {{"Dehaze", 10}, {"Vibrance", 20}, {"Contrast2012", 30}});
    writeFileAtomically(tmp / "x_Dehaze.xgbm" / "model.ubj", "not a booster");
    // A model answering under another setting's name is not that setting's model.
    writeFileAtomically(tmp / "x_Contrast2012.xgbm" / "model.json",
                        R"({"inputs":[],"output":"x_Vibrance"})");
    auto p = Predictor::openModelDirectory(tmp.path());
    EXPECT_EQ(p.predictedExtras(), std::vector<std::string>{"Vibrance"});
    EXPECT_EQ(p.predictExtras(vec(0)), (std::map<std::string, double>{{"Vibrance", 20}}));
}

TEST(Predictor, furtherSettingsAreClampedAndSortedByKey) {
    TempDir tmp;
    testing::writeModelFolder(tmp.path(), 0, 200,
                              {{"Whites2012", 250}, {"Blacks2012", -180}, {"Texture", 37.5}, {"Clarity2012", 0}});
    auto p = Predictor::openModelDirectory(tmp.path());
    EXPECT_EQ(p.predictedExtras(), (std::vector<std::string>{"Blacks2012", "Clarity2012", "Texture", "Whites2012"}));
    EXPECT_EQ(p.predictExtras(vec(0)), (std::map<std::string, double>{
                                           {"Whites2012", 100}, {"Blacks2012", -100}, {"Texture", 37.5}, {"Clarity2012", 0}}));
}

// A model answering NaN: the further setting becomes 100, while exposure and temperature fail the
// photo instead of carrying the value on.
TEST(Predictor, notANumberAnswers) {
    TempDir tmp;
    testing::writeModelFolder(tmp.path(), 0, 200);
    testing::writeNanModel(tmp.path(), "x_Dehaze");
    EXPECT_EQ(Predictor::openModelDirectory(tmp.path()).predictExtras(vec(0)),
              (std::map<std::string, double>{{"Dehaze", 100}}));
    for (const char* name : {"exp", "mired"}) {
        TempDir bad;
        testing::writeModelFolder(bad.path(), 0, 200);
        fs::remove_all(bad / (std::string(name) + ".xgbm"));
        testing::writeNanModel(bad.path(), name);
        try {
            Predictor::openModelDirectory(bad.path()).predict(vec(0));
            ADD_FAILURE() << "NaN " << name << " passed on";
        } catch (const ModelError& e) {
            EXPECT_EQ(e.code(), ModelError::Code::invalidPrediction);
            EXPECT_STREQ(e.what(), name == std::string("exp") ? "Modelul a prezis o expunere nevalidă."
                                                               : "Modelul a prezis o temperatură nevalidă.");
        }
    }
}

TEST(Predictor, zeroOrNegativeMiredsFailThePhoto) {
    for (float mired : {0.0f, -200.0f}) {
        TempDir tmp;
        testing::writeModelFolder(tmp.path(), 0, mired);
        auto p = Predictor::openModelDirectory(tmp.path());
        try {
            p.predict(vec(0));
            ADD_FAILURE() << mired << " mireds passed on";
        } catch (const ModelError& e) {
            EXPECT_EQ(e.code(), ModelError::Code::invalidPrediction);
            EXPECT_STREQ(e.what(), "Modelul a prezis o temperatură nevalidă.");
        }
    }
}

TEST(Predictor, onlyTheColumnsTheExposureModelDeclaresAreSupplied) {
    // The mired model reads the first face column: 200 below 0.5, 250 above.
    TempDir full, image;
    for (auto* dir : {&full, &image}) {
        testing::writeStepModel(dir->path(), "mired", 61, 200, 250);
        testing::writeStepModel(dir->path(), "x_Vibrance", 61, -10, 10);
    }
    testing::writeConstantModel(full.path(), "exp", 0);
    testing::writeConstantModel(image.path(), "exp", 0, 61);
    auto withFaces = Predictor::openModelDirectory(full.path());
    auto imageOnly = Predictor::openModelDirectory(image.path());
    EXPECT_TRUE(withFaces.usesFaces());
    EXPECT_FALSE(imageOnly.usesFaces());
    EXPECT_EQ(imageOnly.inputs().size(), 61u);

    auto faceHigh = vec(1.0);
    EXPECT_DOUBLE_EQ(withFaces.predict(faceHigh).temperature, 4000);
    EXPECT_EQ(withFaces.predictExtras(faceHigh).at("Vibrance"), 10);
    // Not declared by the exposure model, so not supplied: the face value is missing for every model,
    // exactly as when the vector stops before the face columns.
    const auto missing = withFaces.predict(vec(1.0, 61)).temperature;
    EXPECT_DOUBLE_EQ(imageOnly.predict(faceHigh).temperature, missing);
    EXPECT_EQ(imageOnly.predictExtras(faceHigh), withFaces.predictExtras(vec(1.0, 61)));
    // A vector of the full length with the face value low is not the same as a missing value here.
    EXPECT_DOUBLE_EQ(withFaces.predict(vec(0.0)).temperature, 5000);
}

TEST(Predictor, opensAProfileThroughModelStorage) {
    TempDir profile, source;
    testing::writeModelFolder(source.path(), 0.5f, 200);
    ModelStorage::publish(source.path(), profile.path(), {});
    EXPECT_FLOAT_EQ(Predictor::openProfile(profile.path()).predict(vec(0)).exposure, 0.5);
    testing::writeText(profile / "models.json", "{\"generation\":7}");
    EXPECT_THROW(Predictor::openProfile(profile.path()), json::DecodeError);
}

TEST(Predictor, concurrentPredictionsMatchSequentialOnes) {
    TempDir tmp;
    testing::writeStepModel(tmp.path(), "exp", 0, -1, 1);
    testing::writeStepModel(tmp.path(), "mired", 61, 200, 250);
    testing::writeStepModel(tmp.path(), "x_Dehaze", 5, -30, 30);
    testing::writeConstantModel(tmp.path(), "x_Texture", 12);
    const auto p = Predictor::openModelDirectory(tmp.path());

    constexpr int threads = 8, perThread = 1000;
    auto input = [](int t, int i) {
        std::vector<double> v(68);
        for (std::size_t k = 0; k < v.size(); ++k) v[k] = ((t * 7919 + i * 104729 + static_cast<int>(k) * 31) % 100) / 99.0;
        return v;
    };
    struct Result {
        Prediction basic;
        std::map<std::string, double> extras;
    };
    std::vector<std::vector<Result>> expected(threads), actual(threads);
    for (int t = 0; t < threads; ++t) {
        for (int i = 0; i < perThread; ++i) expected[t].push_back({p.predict(input(t, i)), p.predictExtras(input(t, i))});
    }
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t) {
        pool.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i) actual[t].push_back({p.predict(input(t, i)), p.predictExtras(input(t, i))});
        });
    }
    for (auto& th : pool) th.join();
    for (int t = 0; t < threads; ++t) {
        for (int i = 0; i < perThread; ++i) {
            ASSERT_EQ(actual[t][i].basic.exposure, expected[t][i].basic.exposure) << t << "/" << i;
            ASSERT_EQ(actual[t][i].basic.temperature, expected[t][i].basic.temperature) << t << "/" << i;
            ASSERT_EQ(actual[t][i].extras, expected[t][i].extras) << t << "/" << i;
        }
    }
}

}  // namespace
}  // namespace orvane

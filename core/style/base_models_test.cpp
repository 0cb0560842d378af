// The base models the build trains and seals: they open through the vault and predict the neutral
// rule on scenes and cameras they have not seen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <string>

#include "core/photo/features.h"
#include "core/photo/raw_image.h"
#include "core/photo/smart_preview.h"
#include "core/style/model.h"
#include "core/style/model_vault.h"
#include "core/style/predictor.h"
#include "testing/debian_raw.h"
#include "testing/temp_dir.h"
#include "tools/base_model_scenes.h"

#ifdef ORVANE_BUILD_RESOURCES_DIR

namespace orvane {
namespace {
namespace fs = std::filesystem;

class BaseModels : public ::testing::Test {
protected:
    void SetUp() override {
        ModelVault::resetForTesting();
        ModelVault::setResourceDirectory(fs::path(ORVANE_BUILD_RESOURCES_DIR));
    }
    void TearDown() override {
        ModelVault::removeSession();
        ModelVault::setResourceDirectory(std::nullopt);
        ModelVault::resetForTesting();
    }
    testing::TempDir runtime;
    testing::ScopedEnv env{"XDG_RUNTIME_DIR", runtime.path().string()};
};

// Mean absolute errors of the model and of the labels' median; temperature in mireds, the unit the
// model learns in (a kelvin error at 9,000 K would outweigh everything below).
struct Errors {
    double exposure = 0, exposureBaseline = 0, mired = 0, miredBaseline = 0;
};

template <class Decode>
Errors heldOut(const Predictor& p, Decode decode) {
    std::vector<double> exp, kel, pe, pk;
    for (int i = base_models::trainingScenes; i < base_models::trainingScenes + 40; ++i) {
        auto [x, exposure, kelvin] = decode(base_models::scene(i));
        auto r = p.predict(x);
        pe.push_back(r.exposure);
        pk.push_back(1e6 / r.temperature);
        exp.push_back(exposure);
        kel.push_back(1e6 / kelvin);
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const double me = median(exp), mk = median(kel);
    Errors e;
    for (std::size_t i = 0; i < exp.size(); ++i) {
        e.exposure += std::abs(pe[i] - exp[i]) / exp.size();
        e.exposureBaseline += std::abs(me - exp[i]) / exp.size();
        e.mired += std::abs(pk[i] - kel[i]) / kel.size();
        e.miredBaseline += std::abs(mk - kel[i]) / kel.size();
    }
    return e;
}

TEST_F(BaseModels, rawBaseModelPredictsTheNeutralRule) {
    auto dir = ModelVault::directory("BaseModel");
    ASSERT_TRUE(dir);
    auto p = Predictor::openModelDirectory(*dir);
    EXPECT_FALSE(p.usesFaces());
    EXPECT_EQ(p.inputs().size(), Features::imageCount);
    EXPECT_TRUE(p.predictedExtras().empty());
    testing::TempDir work;
    auto e = heldOut(p, [&](const base_models::Scene& s) {
        testing::writeDng(work / "s.dng", base_models::dngSpec(s));
        RawImage raw = loadRaw(work / "s.dng", false);
        return std::tuple{Features::vector(raw), base_models::neutralExposure(raw), raw.asShot->kelvin};
    });
    std::printf("BaseModel held-out MAE: exposure %.2f EV (median %.2f), temperature %.1f mired (median %.1f)\n",
                e.exposure, e.exposureBaseline, e.mired, e.miredBaseline);
    EXPECT_LT(e.exposure, 0.5 * e.exposureBaseline);
    EXPECT_LT(e.mired, 0.5 * e.miredBaseline);
}

TEST_F(BaseModels, previewBaseModelPredictsTheNeutralRule) {
    auto dir = ModelVault::directory("BaseModelPreview");
    ASSERT_TRUE(dir);
    auto p = Predictor::openModelDirectory(*dir);
    EXPECT_FALSE(p.usesFaces());
    testing::TempDir work;
    auto e = heldOut(p, [&](const base_models::Scene& s) {
        testing::writeSmartPreview(work / "s.dng", base_models::previewSpec(s));
        RawImage raw = SmartPreview::load(work / "s.dng", 0);
        return std::tuple{Features::vector(raw), base_models::neutralExposure(raw),
                          SmartPreview::asShot(work / "s.dng")->kelvin};
    });
    std::printf("BaseModelPreview held-out MAE: exposure %.2f EV (median %.2f), temperature %.1f mired (median %.1f)\n",
                e.exposure, e.exposureBaseline, e.mired, e.miredBaseline);
    EXPECT_LT(e.exposure, 0.5 * e.exposureBaseline);
    EXPECT_LT(e.mired, 0.5 * e.miredBaseline);
}

// One file of a held-out camera at one as-shot temperature: what the model gives on the road the
// pipeline takes (the features and the file's as-shot temperature), what its learnt temperature model
// gives from the features alone, and what the file's own as-shot white balance says.
struct CameraReading {
    std::string camera;
    double asShot = 0;
    double predicted = 0;
    double learnt = 0;
};

// Every held-out camera at as-shot temperatures across the range, in three scenes each (tint 0 and
// the tints an automatic white balance leaves); `decode` turns a scene into features and as-shot kelvin.
std::vector<CameraReading> heldOutCameraReadings(
    const Predictor& p, const std::function<std::pair<std::vector<double>, double>(const base_models::Scene&)>& decode) {
    std::vector<CameraReading> out;
    int index = base_models::trainingScenes + 1000;
    for (const auto& camera : base_models::heldOutCameras()) {
        for (double kelvin : {2700.0, 3200.0, 4000.0, 4800.0, 5500.0, 6200.0, 6900.0, 8000.0, 9500.0}) {
            for (double tint : {0.0, -6.0, 6.0}) {
                base_models::Scene s = base_models::scene(index++);
                s.colorMatrix = camera.colorMatrix;
                s.kelvin = kelvin;
                s.tint = tint;
                auto [x, asShot] = decode(s);
                out.push_back({camera.name, asShot, p.predict(x, asShot).temperature, p.predict(x).temperature});
            }
        }
    }
    return out;
}

// The errors of the readings below 7,000 K (where a photographer notices a few hundred kelvin), with
// each camera's mean and largest error below and largest above printed for the record.
struct AsShotErrors {
    double mean = 0;
    double largest = 0;
};

AsShotErrors asShotErrors(const std::vector<CameraReading>& readings, double CameraReading::*value,
                          const std::string& model) {
    struct PerCamera {
        double sum = 0, below = 0, above = 0;
        int count = 0;
    };
    std::map<std::string, PerCamera> perCamera;
    AsShotErrors e;
    int count = 0;
    for (const auto& r : readings) {
        const double error = std::abs(r.*value - r.asShot);
        auto& c = perCamera[r.camera];
        if (r.asShot < 7000) {
            c.below = std::max(c.below, error);
            c.sum += error;
            ++c.count;
            e.mean += error;
            e.largest = std::max(e.largest, error);
            ++count;
        } else {
            c.above = std::max(c.above, error);
        }
    }
    e.mean /= std::max(count, 1);
    for (const auto& [camera, c] : perCamera)
        std::printf("%s, %-24s below 7,000 K: mean error %4.0f K, largest %4.0f K; largest above %4.0f K\n",
                    model.c_str(), camera.c_str(), c.sum / std::max(c.count, 1), c.below, c.above);
    std::printf("%s: mean error below 7,000 K %.0f K, largest %.0f K, over %d files\n", model.c_str(), e.mean,
                e.largest, count);
    return e;
}

// The Done-when of a neutral model: every held-out file below 7,000 K within 400 K of its as-shot
// temperature.
void expectWithin400KBelow7000K(const std::vector<CameraReading>& readings, double CameraReading::*value) {
    std::set<std::string> cameras;
    for (const auto& r : readings) {
        if (r.asShot >= 7000) continue;
        cameras.insert(r.camera);
        EXPECT_LT(std::abs(r.*value - r.asShot), 400)
            << r.camera << ": as shot " << r.asShot << " K, predicted " << r.*value << " K";
    }
    EXPECT_GE(cameras.size(), 5u);
}

TEST_F(BaseModels, heldOutCamerasAreNotAmongTheTrainingCameras) {
    ASSERT_GE(base_models::heldOutCameras().size(), 5u);
    EXPECT_GE(base_models::trainingCameras().size(), 300u);
    for (const auto& held : base_models::heldOutCameras())
        for (const auto& trained : base_models::trainingCameras())
            EXPECT_NE(held.colorMatrix, trained.colorMatrix) << held.name << " trained as " << trained.name;
}

TEST_F(BaseModels, rawBaseModelGivesTheAsShotTemperatureOfCamerasItNeverSaw) {
    auto dir = ModelVault::directory("BaseModel");
    ASSERT_TRUE(dir);
    auto p = Predictor::openModelDirectory(*dir);
    ASSERT_TRUE(p.followsAsShot());
    testing::TempDir work;
    const auto readings = heldOutCameraReadings(p, [&](const base_models::Scene& s) {
        testing::writeDng(work / "s.dng", base_models::dngSpec(s));
        RawImage raw = loadRaw(work / "s.dng", false);
        return std::pair{Features::vector(raw), raw.asShot->kelvin};
    });
    expectWithin400KBelow7000K(readings, &CameraReading::predicted);
    asShotErrors(readings, &CameraReading::predicted, "BaseModel");
    // The learnt temperature, which answers only for a photo without an as-shot value. A raw file's
    // features state its white balance as the camera's own multipliers, and cameras differ: a Sony
    // ILCE-7M3 at 5,000 K records the multipliers a Canon PowerShot G9 X Mark II records at 6,350 K.
    // Learnt over hundreds of cameras it gives the usual camera's temperature for them; what this holds
    // is that average, against the 650 K mean and 3,000 K errors of a model that knew one camera.
    const auto learnt = asShotErrors(readings, &CameraReading::learnt, "BaseModel, learnt");
    EXPECT_LT(learnt.mean, 500);
    EXPECT_LT(learnt.largest, 2500);
}

TEST_F(BaseModels, previewBaseModelGivesTheAsShotTemperatureOfCamerasItNeverSaw) {
    auto dir = ModelVault::directory("BaseModelPreview");
    ASSERT_TRUE(dir);
    auto p = Predictor::openModelDirectory(*dir);
    // A smart preview states its white balance as the as-shot white's chromaticity, the same for every
    // camera: the model learns the as-shot temperature of any camera from the features alone.
    EXPECT_FALSE(p.followsAsShot());
    testing::TempDir work;
    const auto readings = heldOutCameraReadings(p, [&](const base_models::Scene& s) {
        testing::writeSmartPreview(work / "s.dng", base_models::previewSpec(s));
        RawImage raw = SmartPreview::load(work / "s.dng", 0);
        return std::pair{Features::vector(raw), SmartPreview::asShot(work / "s.dng")->kelvin};
    });
    expectWithin400KBelow7000K(readings, &CameraReading::learnt);
    asShotErrors(readings, &CameraReading::learnt, "BaseModelPreview");
}

// The real raw file Debian ships, from a camera no training scene used.
TEST_F(BaseModels, rawBaseModelOnARealCameraFile) {
    testing::TempDir work;
    const auto file = testing::debianCameraRaw(work);
    if (!file) GTEST_SKIP() << "rawtran-doc is not installed";
    auto dir = ModelVault::directory("BaseModel");
    ASSERT_TRUE(dir);
    auto p = Predictor::openModelDirectory(*dir);
    RawImage raw = loadRaw(*file, false);
    ASSERT_TRUE(raw.asShot);
    const auto x = Features::vector(raw);
    const double predicted = p.predict(x, raw.asShot->kelvin).temperature, learnt = p.predict(x).temperature;
    std::printf("BaseModel, %s as shot %.0f K, predicted %.0f K (learnt %.0f K)\n", raw.model.c_str(),
                raw.asShot->kelvin, predicted, learnt);
    EXPECT_LT(std::abs(predicted - raw.asShot->kelvin), 400);
    // The learnt temperature on one camera's record (within 350 K when written; a model that knew one
    // camera gave 560 K off).
    EXPECT_LT(std::abs(learnt - raw.asShot->kelvin), 450);
}

}  // namespace
}  // namespace orvane

#endif

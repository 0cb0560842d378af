// The base models the build trains and seals: they open through the vault and predict the neutral
// rule on scenes they have not seen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/photo/features.h"
#include "core/photo/raw_image.h"
#include "core/photo/smart_preview.h"
#include "core/style/model.h"
#include "core/style/model_vault.h"
#include "core/style/predictor.h"
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

struct Errors {
    double exposure = 0, exposureBaseline = 0, kelvin = 0, kelvinBaseline = 0;
};

template <class Decode>
Errors heldOut(const Predictor& p, Decode decode) {
    // Scenes 1000… are never among the training scenes (0…299).
    std::vector<double> exp, kel, pe, pk;
    for (int i = 1000; i < 1040; ++i) {
        auto [x, exposure, kelvin] = decode(base_models::scene(i));
        auto r = p.predict(x);
        pe.push_back(r.exposure);
        pk.push_back(r.temperature);
        exp.push_back(exposure);
        kel.push_back(kelvin);
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
        e.kelvin += std::abs(pk[i] - kel[i]) / kel.size();
        e.kelvinBaseline += std::abs(mk - kel[i]) / kel.size();
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
    std::printf("BaseModel held-out MAE: exposure %.2f EV (median %.2f), temperature %.0f K (median %.0f)\n",
                e.exposure, e.exposureBaseline, e.kelvin, e.kelvinBaseline);
    EXPECT_LT(e.exposure, 0.5 * e.exposureBaseline);
    EXPECT_LT(e.kelvin, 0.5 * e.kelvinBaseline);
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
    std::printf("BaseModelPreview held-out MAE: exposure %.2f EV (median %.2f), temperature %.0f K (median %.0f)\n",
                e.exposure, e.exposureBaseline, e.kelvin, e.kelvinBaseline);
    EXPECT_LT(e.exposure, 0.5 * e.exposureBaseline);
    EXPECT_LT(e.kelvin, 0.5 * e.kelvinBaseline);
}

}  // namespace
}  // namespace orvane

#endif

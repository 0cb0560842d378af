#include "testing/model_fixtures.h"

#include <random>

#include "core/base/atomic_file.h"
#include "core/base/numbers.h"
#include "core/style/booster.h"
#include "core/style/compiled_model.h"
#include "core/photo/features.h"
#include "core/style/model.h"
#include "core/style/model_training.h"
#include "core/style/model_vault.h"
#include "testing/temp_dir.h"

namespace orvane::testing {
namespace fs = std::filesystem;

namespace {

void compileBooster(const Booster& b, const fs::path& dir, const std::string& name, std::size_t inputCount) {
    fs::create_directories(dir);
    const fs::path source = dir / Model::sourceName(name);
    writeFileAtomically(source, b.ubj());
    std::vector<std::string> inputs(Model::columns().begin(), Model::columns().begin() + inputCount);
    CompiledModel::compile(source, CompiledModelInfo{inputs, name, std::nullopt}, dir / Model::compiledName(name));
    fs::remove(source);
}

std::string text(float v) { return Numbers::shortest(v); }

}  // namespace

void writeConstantModel(const fs::path& dir, const std::string& name, float value, std::size_t inputCount) {
    std::vector<float> m(2 * inputCount, 0.0f);
    std::vector<float> y = {value, value};
    Booster b = Booster::train(m, 2, inputCount, y,
                               {{"base_score", text(value)}, {"nthread", "1"}, {"max_depth", "1"}}, 1, {});
    compileBooster(b, dir, name, inputCount);
}

void markTemperatureFollowsAsShot(const fs::path& modelDir) {
    const fs::path file = modelDir / Model::compiledName(Model::miredName) / CompiledModel::infoFile;
    auto info = json::decode<CompiledModelInfo>(json::parse(readWholeFile(file)));
    info.followsAsShot = true;
    writeFileAtomically(file, json::dump(json::encode(info)));
}

void writeNanModel(const fs::path& dir, const std::string& name) {
    std::vector<float> m(2 * 68, 0.0f);
    Booster b = Booster::train(m, 2, 68, {0, 0}, {{"base_score", "0"}, {"nthread", "1"}}, 1, {});
    std::string text = b.jsonText();
    const std::string leaf = "\"split_conditions\":[-0E0]";
    auto at = text.find(leaf);
    if (at == std::string::npos) throw std::runtime_error("unexpected booster text");
    text.replace(at, leaf.size(), "\"split_conditions\":[NaN]");
    compileBooster(Booster::fromBytes(text), dir, name, 68);
}

void writeStepModel(const fs::path& dir, const std::string& name, std::size_t column, float below, float above,
                    std::size_t inputCount) {
    const std::size_t rows = 20;
    std::vector<float> m(rows * inputCount, 0.0f);
    std::vector<float> y;
    for (std::size_t r = 0; r < rows; ++r) {
        const bool high = r % 2 == 1;
        m[r * inputCount + column] = high ? 1.0f : 0.0f;
        y.push_back(high ? above : below);
    }
    Booster b = Booster::train(m, rows, inputCount, y,
                               {{"base_score", text((below + above) / 2)},
                                {"nthread", "1"},
                                {"max_depth", "1"},
                                {"eta", "1"},
                                {"lambda", "0"},
                                {"min_child_weight", "0"},
                                {"tree_method", "exact"}},
                               1, {});
    compileBooster(b, dir, name, inputCount);
}

void writeTrainedModelFolder(const std::vector<Sample>& samples, const fs::path& dir, std::size_t inputCount,
                             const std::vector<std::string>& extras) {
    const Model::Frame frame = Model::frame(samples);
    const std::vector<std::string> inputs(Model::columns().begin(), Model::columns().begin() + inputCount);
    std::vector<std::string> targets = {std::string(Model::exposureName), std::string(Model::miredName)};
    for (const auto& key : extras) targets.push_back(Model::extraName(key));
    for (const auto& target : targets) compileBooster(Model::train(frame, target, inputs), dir, target, inputCount);
}

void writeModelFolder(const fs::path& dir, float exposure, float mired, const std::map<std::string, float>& extras) {
    writeConstantModel(dir, std::string(Model::exposureName), exposure);
    writeConstantModel(dir, std::string(Model::miredName), mired);
    for (const auto& [key, value] : extras) writeConstantModel(dir, Model::extraName(key), value);
}

std::vector<Sample> syntheticSamples(std::size_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::vector<Sample> out;
    for (std::size_t i = 0; i < n; ++i) {
        Sample s;
        s.path = "/photos/IMG_" + std::to_string(i) + ".dng";
        for (std::size_t k = 0; k < Features::count; ++k) s.x.push_back(unit(rng));
        s.exposure = 1.5 * s.x[0] - s.x[1] + 0.02 * noise(rng);
        s.temperature = 1'000'000.0 / (180.0 + 60.0 * s.x[2] + 0.5 * noise(rng));
        s.extras = std::map<std::string, double>{{"Contrast2012", 40.0 * s.x[3]}, {"Vibrance", 20.0 * s.x[4]}};
        out.push_back(std::move(s));
    }
    return out;
}

Profile builtProfile(const std::string& name) {
    Profile p;
    p.id = Uuid::random();
    p.name = name;
    p.presetName = "Cald";
    p.catalogIDs = {kCatalogA, kCatalogB};
    p.built = *IsoDate::parse("2025-04-01T10:00:00Z");
    p.samples = 240;
    Evaluation e;
    e.rows = {{"Nunta", 120, 0.2, 150}, {"Botez", 120, 0.3, 210}};
    e.exposureMAE = 0.25;
    e.temperatureMAE = 180;
    e.baselineExposureMAE = 0.6;
    e.baselineTemperatureMAE = 700;
    p.evaluation = e;
    ProfileTuning t;
    t.exposure = 0.3;
    t.overrides = {{"Vibrance", 10}};
    p.tuning = t;
    p.engine = "fast";
    p.trainedCatalogIDs = p.catalogIDs;
    p.predictedExtras = std::vector<std::string>{"Vibrance"};
    p.save();
    writeText(p.preset(), "<preset/>");
    writeModelFolder(p.dir(), 0.1f, 190.0f, {{"Vibrance", 5.0f}});
    return p;
}

VaultSession::VaultSession(const fs::path& resources) {
    ModelVault::resetForTesting();
    ModelVault::setResourceDirectory(resources);
}

VaultSession::~VaultSession() {
    ModelVault::removeSession();
    ModelVault::setResourceDirectory(std::nullopt);
    ModelVault::setOverrideDirectory(std::nullopt);
    ModelVault::resetForTesting();
}

}  // namespace orvane::testing

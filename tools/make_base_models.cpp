// Build tool: trains the base models the application ships ("BaseModel" for raw files,
// "BaseModelPreview" for catalog smart previews) from synthetic scenes taken with the colour responses
// of the cameras LibRaw knows, labelled by a neutral rule: the exposure that brings the middle tones to
// mid grey, and the camera's as-shot temperature. They are neutral starting points, not anyone's style.
// A raw file's features give its white balance only as the camera's multipliers, which mean different
// light on different cameras, so the raw model's temperature follows the photo's as-shot value, the
// rule itself; its learnt temperature answers only for a photo without one. A smart preview gives the
// as-shot white as a chromaticity, the same on every camera, and its model learns the rule.
// Usage: make_base_models <output folder> [scenes]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/base/atomic_file.h"
#include "core/photo/features.h"
#include "core/photo/raw_image.h"
#include "core/photo/smart_preview.h"
#include "core/style/compiled_model.h"
#include "core/style/model.h"
#include "core/style/model_training.h"
#include "tools/base_model_scenes.h"

namespace fs = std::filesystem;
using namespace orvane;

namespace {

using Decode = std::function<Sample(const base_models::Scene&, const fs::path& work)>;

struct BaseModelRecipe {
    const char* name;
    Decode decode;
    bool temperatureFollowsAsShot;
};

Sample fromRaw(const base_models::Scene& s, const fs::path& work) {
    const fs::path file = work / "scene.dng";
    testing::writeDng(file, base_models::dngSpec(s));
    RawImage raw = loadRaw(file, false);
    Sample out;
    out.path = file.string();
    out.x = Features::vector(raw, {});
    out.exposure = base_models::neutralExposure(raw);
    out.temperature = raw.asShot ? raw.asShot->kelvin : s.kelvin;
    return out;
}

Sample fromPreview(const base_models::Scene& s, const fs::path& work) {
    const fs::path file = work / "preview.dng";
    testing::writeSmartPreview(file, base_models::previewSpec(s));
    RawImage raw = SmartPreview::load(file, 0);
    Sample out;
    out.path = file.string();
    out.x = Features::vector(raw, {});
    out.exposure = base_models::neutralExposure(raw);
    auto asShot = SmartPreview::asShot(file);
    out.temperature = asShot ? asShot->kelvin : s.kelvin;
    return out;
}

void trainInto(const std::vector<Sample>& samples, const fs::path& folder, bool temperatureFollowsAsShot) {
    // Image features only: a base model never asks the pipeline for face analysis.
    const std::vector<std::string> inputs(Model::columns().begin(),
                                          Model::columns().begin() + Features::imageCount);
    fs::remove_all(folder);
    fs::create_directories(folder);
    const auto frame = Model::frame(samples);
    for (auto target : {Model::exposureName, Model::miredName}) {
        const std::string name(target);
        Booster b = Model::train(frame, name, inputs);
        const fs::path source = folder.parent_path() / (folder.filename().string() + "-" + Model::sourceName(name));
        writeFileAtomically(source, b.ubj());
        CompiledModelInfo info{inputs, name, std::nullopt};
        if (temperatureFollowsAsShot && name == Model::miredName) info.followsAsShot = true;
        CompiledModel::compile(source, info, folder / Model::compiledName(name));
        fs::remove(source);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s <output folder> [scenes]\n", argv[0]);
        return 2;
    }
    const fs::path out = argv[1];
    const int count = argc == 3 ? std::atoi(argv[2]) : base_models::trainingScenes;
    if (count < 1) {
        std::fprintf(stderr, "make_base_models: the number of scenes must be positive\n");
        return 2;
    }
    try {
        const auto start = std::chrono::steady_clock::now();
        std::printf("%zu camera colour responses (%zu held out for the tests)\n",
                    base_models::trainingCameras().size(), base_models::heldOutCameras().size());
        const fs::path work = out / "work";
        fs::create_directories(work);
        const std::vector<BaseModelRecipe> models = {{"BaseModel", fromRaw, true},
                                                     {"BaseModelPreview", fromPreview, false}};
        for (const auto& [name, decode, followsAsShot] : models) {
            std::vector<Sample> samples;
            for (int i = 0; i < count; ++i) samples.push_back(decode(base_models::scene(i), work));
            trainInto(samples, out / name, followsAsShot);
            std::printf("%s: %d scenes\n", name, count);
        }
        fs::remove_all(work);
        std::printf("base models trained in %.1f s\n",
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_base_models: %s\n", e.what());
        return 1;
    }
}

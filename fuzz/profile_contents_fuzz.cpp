// What an imported profile package holds once unzipped: its "profile.json", the model selector
// "models.json", and a compiled model's "model.json" and "model.ubj" (in the profile's folder and in
// the generation the seeds' selector names). The input is those four files in that order
// (fuzz::parts). They are checked as an import checks them; a profile that passes has its models
// loaded again the way a job loads them.
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "core/style/compiled_model.h"
#include "core/style/model.h"
#include "core/style/model_storage.h"
#include "core/style/profile_package.h"
#include "fuzz/fuzz_support.h"

using namespace orvane;
namespace fs = std::filesystem;

namespace {
// The generation the seeds' "models.json" selects.
constexpr const char* kGeneration = "AAAAAAAA-0000-4000-8000-000000000001";
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto files = fuzz::parts(data, size, 4);
    const fs::path unpacked = fuzz::scratchFolder() / "unpacked";
    std::error_code ec;
    fs::remove_all(unpacked, ec);
    const fs::path folder = unpacked / "Stil";
    fuzz::writeFile(folder / "profile.json", files[0]);
    fuzz::writeFile(folder / "preset.xmp", "<preset/>");
    if (!files[1].empty()) fuzz::writeFile(folder / ModelStorage::selectorFile, files[1]);
    for (const fs::path& models : {folder, folder / ModelStorage::generationsFolder / kGeneration}) {
        const fs::path model = models / Model::compiledName(Model::exposureName);
        fuzz::writeFile(model / CompiledModel::infoFile, files[2]);
        fuzz::writeFile(model / CompiledModel::boosterFile, files[3]);
    }
    fs::path models;
    try {
        (void)ProfilePackage::readUnpacked(unpacked);
        models = ModelStorage::directory(folder);
    } catch (const std::exception&) {
        return 0;
    }
    // Let in: the model a job loads first loads again and answers.
    const fs::path exposure = models / Model::compiledName(Model::exposureName);
    if (!fs::is_directory(exposure, ec)) return 0;
    try {
        const CompiledModel m = CompiledModel::load(exposure);
        (void)m.predict(std::vector<float>(Model::columns().size(), 0.5f));
    } catch (const std::exception&) {
        __builtin_trap();
    }
    return 0;
}

// What an imported profile package holds once unzipped: its "profile.json", the model selector
// "models.json", and a compiled model's "model.json" and "model.ubj" (in the profile's folder and in
// the generation the seeds' selector names). The input is those four files in that order
// (fuzz::parts). The package is packed and imported as the user's would be; a profile that comes in
// has its models loaded the way a job loads them.
#include <cstdint>
#include <filesystem>
#include <stdexcept>

#include "core/store/store.h"
#include "core/style/compiled_model.h"
#include "core/style/model.h"
#include "core/style/model_storage.h"
#include "core/style/profile.h"
#include "core/style/profile_package.h"
#include "fuzz/fuzz_support.h"

using namespace orvane;
namespace fs = std::filesystem;

namespace {
// The generation the seeds' "models.json" selects.
constexpr const char* kGeneration = "AAAAAAAA-0000-4000-8000-000000000001";
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = [] {
        // Imported profiles land in a data folder of this process's own.
        ::setenv("ORVANE_DATA_DIR", (fuzz::scratchFolder() / "data").c_str(), 1);
        return true;
    }();
    (void)ready;
    const auto files = fuzz::parts(data, size, 4);
    const fs::path work = fuzz::scratchFolder() / "package";
    std::error_code ec;
    fs::remove_all(work, ec);
    const fs::path folder = work / "Stil";
    fuzz::writeFile(folder / "profile.json", files[0]);
    fuzz::writeFile(folder / "preset.xmp", "<preset/>");
    if (!files[1].empty()) fuzz::writeFile(folder / ModelStorage::selectorFile, files[1]);
    for (const fs::path& models : {folder, folder / ModelStorage::generationsFolder / kGeneration}) {
        const fs::path model = models / Model::compiledName(Model::exposureName);
        fuzz::writeFile(model / CompiledModel::infoFile, files[2]);
        fuzz::writeFile(model / CompiledModel::boosterFile, files[3]);
    }
    const fs::path package = work / "p.orvaneprofile";
    ProfilePackage::pack(folder, package);
    try {
        const Profile p = Profile::importPackage(package, {});
        // Whatever was let in must load again as a job would load it.
        const fs::path models = ModelStorage::directory(p.dir());
        const fs::path exposure = models / Model::compiledName(Model::exposureName);
        if (fs::is_directory(exposure)) {
            try {
                const CompiledModel m = CompiledModel::load(exposure);
                (void)m.predict(std::vector<float>(Model::columns().size(), 0.5f));
            } catch (const std::exception&) {
                __builtin_trap();  // the import loaded it: it must load again
            }
        }
        fs::remove_all(p.dir(), ec);
    } catch (const std::exception&) {
    }
    return 0;
}

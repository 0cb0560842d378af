#include "core/style/model_storage.h"

#include <algorithm>

#include "core/base/atomic_file.h"

#include "core/store/store.h"
#include "core/style/model.h"
#include "core/style/model_vault.h"

namespace orvane::ModelStorage {
namespace fs = std::filesystem;

namespace {

// What this storage reads of "profile.json": only whether the profile predicts with the base model.
struct Kind {
    std::optional<std::string> kind;
    template <class S, class V>
    static void describe(S& s, V& v) {
        v.opt("kind", s.kind);
    }
};

bool isInstant(const fs::path& profileDir) {
    try {
        return Store::load<Kind>(profileDir / "profile.json").kind == std::optional<std::string>("instant");
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

fs::path directory(const fs::path& profileDir) {
    std::error_code ec;
    if (fs::exists(profileDir / selectorFile, ec)) {
        // The strict UUID text also keeps the path inside "Models".
        auto selection = Store::load<Selection>(profileDir / selectorFile);
        return profileDir / generationsFolder / selection.generation.text();
    }
    if (fs::exists(profileDir / Model::compiledName(Model::exposureName), ec)) return profileDir;
    if (!isInstant(profileDir)) return profileDir;
    if (auto base = ModelVault::directory("BaseModel")) return *base;
    return profileDir;
}

bool isComplete(const fs::path& profileDir) {
    fs::path dir;
    try {
        dir = directory(profileDir);
    } catch (const std::exception&) {
        return false;
    }
    std::error_code ec;
    for (auto name : {Model::exposureName, Model::miredName}) {
        if (!fs::is_directory(dir / Model::compiledName(name), ec)) return false;
    }
    return true;
}

void publish(const fs::path& from, const fs::path& profileDir, const std::function<void(const fs::path&)>& validate) {
    const Uuid generation = Uuid::random();
    const fs::path target = profileDir / generationsFolder / generation.text();
    fs::create_directories(target);
    try {
        const auto options = fs::copy_options::recursive;
        for (auto name : {Model::exposureName, Model::miredName}) {
            const fs::path source = from / Model::compiledName(name);
            if (!fs::exists(source)) {
                throw fs::filesystem_error("missing compiled model", source,
                                           std::make_error_code(std::errc::no_such_file_or_directory));
            }
            fs::copy(source, target / source.filename(), options);
        }
        // The further settings' models, in name order so a generation's listing is reproducible.
        std::vector<fs::path> extras;
        for (const auto& entry : fs::directory_iterator(from)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with("x_") && name.ends_with(Model::compiledSuffix)) extras.push_back(entry.path());
        }
        std::sort(extras.begin(), extras.end());
        for (const auto& source : extras) fs::copy(source, target / source.filename(), options);
        if (validate) validate(target);
        // The generation must be on the disk before the selector names it: a crash in between must
        // not leave "models.json" pointing at files that were never written back.
        syncTree(target);
        syncFolder(profileDir / generationsFolder);
        Store::save(Selection{generation}, profileDir / selectorFile);
    } catch (...) {
        std::error_code ec;
        fs::remove_all(target, ec);
        throw;
    }
}

}  // namespace orvane::ModelStorage

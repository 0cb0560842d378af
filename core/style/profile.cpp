#include "core/style/profile.h"

#include <algorithm>
#include <chrono>
#include <set>
#include <system_error>

#include "core/base/trash.h"
#include "core/store/store.h"
#include "core/style/model.h"
#include "core/style/model_storage.h"

namespace orvane {
namespace fs = std::filesystem;

namespace {
constexpr const char* recordFile = "profile.json";
constexpr std::string_view noPresetPrefix = "fara-preset-";
}  // namespace

fs::path Profile::dir() const { return Store::profiles() / id.text(); }

fs::path Profile::preset() const { return dir() / "preset.xmp"; }

bool Profile::isBuilt() const { return built.has_value() && ModelStorage::isComplete(dir()); }

bool Profile::needsUpdate() const {
    if (isInstant() || !isBuilt() || !trainedCatalogIDs) return false;
    return std::set<Uuid>(trainedCatalogIDs->begin(), trainedCatalogIDs->end()) !=
           std::set<Uuid>(catalogIDs.begin(), catalogIDs.end());
}

void Profile::save() const { Store::save(*this, dir() / recordFile); }

Profile Profile::create(const std::string& name, const fs::path& preset, const std::optional<std::string>& presetName,
                        const PresetNameReader& readPresetName) {
    Profile p;
    p.id = Uuid::random();
    p.name = name;
    p.presetName = presetName ? *presetName : readPresetName(preset);
    fs::create_directories(p.dir());
    fs::copy_file(preset, p.preset());
    p.save();
    return p;
}

Profile Profile::createInstant(const std::string& name, const fs::path& preset, const fs::path& baseModel,
                               const PresetNameReader& readPresetName) {
    const fs::path exposureModel = baseModel / Model::compiledName(Model::exposureName);
    std::error_code ec;
    if (!fs::exists(exposureModel, ec)) {
        throw fs::filesystem_error("base model", exposureModel, std::make_error_code(std::errc::no_such_file_or_directory));
    }
    Profile p = create(name, preset, std::nullopt, readPresetName);
    p.kind = "instant";
    // Whole seconds: the record returned equals the one read back from the file.
    p.built = IsoDate::wholeSeconds(std::chrono::system_clock::now());
    p.save();
    return p;
}

Profile Profile::duplicate() const {
    Profile copy = *this;
    copy.id = Uuid::random();
    copy.name = name + " copie";
    copy.tuning.reset();
    copy.trainedCatalogIDs.reset();
    try {
        fs::copy(dir(), copy.dir(), fs::copy_options::recursive);
        copy.save();
    } catch (...) {
        // A half-made copy would list the original a second time, under the original's id.
        std::error_code ec;
        fs::remove_all(copy.dir(), ec);
        throw;
    }
    return copy;
}

void Profile::remove() const { Trash::moveToTrash(dir()); }

std::vector<Profile> Profile::all() {
    std::vector<Profile> out = Store::all<Profile>(Store::profiles(), recordFile);
    for (auto& p : out) {
        if (p.presetName.starts_with(noPresetPrefix)) p.presetName = "Fără preset";
    }
    std::stable_sort(out.begin(), out.end(), [](const Profile& a, const Profile& b) { return a.name < b.name; });
    return out;
}

}  // namespace orvane

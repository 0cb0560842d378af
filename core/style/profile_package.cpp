#include "core/style/profile_package.h"

#include <zip.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "core/base/uuid.h"
#include "core/base/zip_extract.h"
#include "core/store/store.h"
#include "core/style/compiled_model.h"
#include "core/style/model.h"
#include "core/style/model_storage.h"
#include "core/style/profile.h"

namespace orvane {

namespace fs = std::filesystem;

PackageError::PackageError(Code code)
    : std::runtime_error(code == Code::archiveFailed ? "Arhivarea a eșuat." : "Fișierul nu este un profil Vendrel."),
      code_(code) {}

namespace {

constexpr const char* recordFile = "profile.json";
constexpr const char* presetFile = "preset.xmp";
constexpr const char* importedSuffix = " (importat)";

[[noreturn]] void archiveFailed() { throw PackageError(PackageError::Code::archiveFailed); }
[[noreturn]] void notAProfile() { throw PackageError(PackageError::Code::notAProfile); }

// Removes a working folder when the operation ends, however it ends.
class RemovedAtEnd {
public:
    explicit RemovedAtEnd(fs::path folder) : folder_(std::move(folder)) {}
    ~RemovedAtEnd() {
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }
    RemovedAtEnd(const RemovedAtEnd&) = delete;
    RemovedAtEnd& operator=(const RemovedAtEnd&) = delete;

private:
    fs::path folder_;
};

fs::path newWorkFolder() {
    const fs::path folder = fs::temp_directory_path() / Uuid::random().text();
    fs::create_directories(folder);
    return folder;
}

struct ArchiveCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;

// Every entry below `folder`, parents before children, in a fixed order.
std::vector<fs::path> treeOf(const fs::path& folder) {
    std::vector<fs::path> out;
    for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
        out.push_back(it->path());
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Every compiled model the package holds, in whatever generation, loads: its booster file passes the
// check before XGBoost reads it, and then answers once. A model from outside that fails here would
// fail (or worse) at every later photo.
void requireLoadableModels(const fs::path& folder) {
    try {
        std::error_code ec;
        if (fs::exists(folder / ModelStorage::selectorFile, ec)) {
            const auto selected = Store::load<ModelStorage::Selection>(folder / ModelStorage::selectorFile);
            if (!fs::is_directory(folder / ModelStorage::generationsFolder / selected.generation.text(), ec))
                notAProfile();
        }
        for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
            if (!it->is_directory() || it->path().extension() != Model::compiledSuffix) continue;
            (void)CompiledModel::load(it->path());
            it.disable_recursion_pending();
        }
    } catch (const std::exception&) {
        notAProfile();
    }
}

}  // namespace

namespace ProfilePackage {

std::string folderName(const std::string& profileName) {
    std::string out;
    out.reserve(profileName.size());
    for (const char c : profileName) out += (c == '/' || c == '\0') ? '-' : c;
    // No hidden folder, and never "." or "..".
    out.erase(0, out.find_first_not_of('.') == std::string::npos ? out.size() : out.find_first_not_of('.'));
    return out.empty() ? "profil" : out;
}

bool safeEntryName(std::string_view name) { return ZipExtract::safeEntryName(name); }

void pack(const fs::path& folder, const fs::path& archive) {
    int error = 0;
    Archive z(zip_open(archive.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error));
    if (!z) archiveFailed();
    const fs::path base = folder.parent_path();
    std::vector<fs::path> paths{folder};
    const auto below = treeOf(folder);
    paths.insert(paths.end(), below.begin(), below.end());
    for (const auto& path : paths) {
        const std::string name = path.lexically_relative(base).generic_string();
        if (fs::is_directory(path)) {
            if (zip_dir_add(z.get(), name.c_str(), ZIP_FL_ENC_UTF_8) < 0) archiveFailed();
            continue;
        }
        zip_source_t* source = zip_source_file(z.get(), path.c_str(), 0, -1);
        if (!source) archiveFailed();
        if (zip_file_add(z.get(), name.c_str(), source, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(source);
            archiveFailed();
        }
    }
    // The new file is written beside the destination and moved over it only when complete.
    if (zip_close(z.get()) != 0) archiveFailed();
    z.release();
}

UnpackedProfile readUnpacked(const fs::path& unpacked) {
    // The listing order is the file system's; sorted, the choice among several profiles is repeatable.
    std::vector<fs::path> candidates = Store::entries(unpacked);
    std::sort(candidates.begin(), candidates.end());
    const auto found = std::find_if(candidates.begin(), candidates.end(), [](const fs::path& e) {
        std::error_code ec;
        return fs::is_directory(e, ec) && fs::is_regular_file(e / recordFile, ec);
    });
    if (found == candidates.end()) notAProfile();
    UnpackedProfile out{*found, Store::load<Profile>(*found / recordFile)};
    std::error_code ec;
    if (!fs::is_regular_file(out.folder / presetFile, ec)) notAProfile();
    requireLoadableModels(out.folder);
    return out;
}

void unpack(const fs::path& archive, const fs::path& into) {
    try {
        ZipExtract::extract(archive, into, ZipExtract::Options{maxEntries, maxUnpackedBytes, false});
    } catch (const ZipExtract::Error& e) {
        if (e.kind() == ZipExtract::Error::Kind::refused) notAProfile();
        archiveFailed();
    }
}

}  // namespace ProfilePackage

void Profile::exportPackage(const fs::path& destination) const {
    const fs::path work = newWorkFolder();
    RemovedAtEnd cleanup(work);
    const fs::path staging = work / ProfilePackage::folderName(name);
    fs::create_directories(staging);

    for (const auto& entry : fs::directory_iterator(dir())) {
        if (entry.path().filename() == recordFile) continue;
        fs::copy(entry.path(), staging / entry.path().filename(), fs::copy_options::recursive);
    }
    Profile packaged = *this;
    packaged.catalogIDs.clear();
    Store::save(packaged, staging / recordFile);

    ProfilePackage::pack(staging, destination);
}

Profile Profile::importPackage(const fs::path& package, const std::set<std::string>& existingNames) {
    const fs::path work = newWorkFolder();
    RemovedAtEnd cleanup(work);
    ProfilePackage::unpack(package, work);
    const auto [folder, packaged] = ProfilePackage::readUnpacked(work);

    Profile p;
    p.id = Uuid::random();
    p.name = existingNames.count(packaged.name) ? packaged.name + importedSuffix : packaged.name;
    p.presetName = packaged.presetName;
    p.built = packaged.built;
    p.samples = packaged.samples;
    p.evaluation = packaged.evaluation;
    // They describe the models that come along.
    p.kind = packaged.kind;
    p.engine = packaged.engine;
    p.predictedExtras = packaged.predictedExtras;

    fs::create_directories(Store::profiles());
    try {
        fs::copy(folder, p.dir(), fs::copy_options::recursive);
        p.save();
    } catch (...) {
        // A half-installed folder would list under the package's own id.
        std::error_code ec;
        fs::remove_all(p.dir(), ec);
        throw;
    }
    return p;
}

}  // namespace orvane

// Making a project from a catalog's photos and counting them per folder: above the catalog reader,
// so the project store below it never reads a catalog.
#include <algorithm>
#include <map>
#include <system_error>

#include "core/base/natural_order.h"
#include "core/base/path_text.h"
#include "core/catalog/catalog.h"
#include "core/photo/smart_preview.h"
#include "core/store/project.h"

namespace orvane {

namespace fs = std::filesystem;

namespace {
std::string folderOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// Deepest folder holding all the given folders, shrinking only on "/" boundaries.
std::string commonFolder(const std::vector<std::string>& folders) {
    std::string common = folders.front();
    for (const auto& f : folders) {
        while (common.size() >= 2 && f != common && f.rfind(common + "/", 0) != 0) {
            common = fs::path(common).parent_path().string();
        }
        if (common.size() <= 1) break;
    }
    return common;
}

struct OnDisk {
    bool raw = false;
    std::optional<fs::path> preview;  // only looked for when the raw file is missing
    bool any() const { return raw || preview.has_value(); }
};

OnDisk onDisk(const fs::path& catalog, const CatalogPhoto& photo) {
    OnDisk d;
    std::error_code ec;
    d.raw = fs::exists(photo.path, ec);
    if (!d.raw && photo.fileID) d.preview = SmartPreview::path(catalog, *photo.fileID);
    return d;
}
}  // namespace

std::string Project::CatalogFolder::name() const { return std::string(PathText::lastComponent(path)); }

Project Project::create(const std::string& name, const fs::path& catalog, bool onlyUnedited, const Uuid& profile,
                        const std::optional<std::set<std::string>>& folders) {
    const auto photos = Catalog::read(catalog, true);
    struct Kept {
        std::string path;
        std::optional<fs::path> preview;
    };
    std::vector<Kept> kept;
    for (const auto& photo : photos) {
        const OnDisk d = onDisk(catalog, photo);
        if (!d.any()) continue;
        if (onlyUnedited && photo.edited) continue;
        if (folders && !folders->count(folderOf(photo.path))) continue;
        kept.push_back({photo.path, d.preview});
    }
    std::stable_sort(kept.begin(), kept.end(), [](const Kept& a, const Kept& b) { return NaturalOrder::less(a.path, b.path); });
    if (kept.empty()) throw NoPhotosError();

    std::vector<std::string> photoFolders;
    for (const auto& k : kept) photoFolders.push_back(folderOf(k.path));

    Project p;
    p.id = Uuid::random();
    p.name = name;
    p.folder = commonFolder(photoFolders);
    p.profileID = profile;
    p.globalExposure = 0.0;
    p.catalogPath = catalog.string();
    for (const auto& k : kept) {
        PhotoItem item(k.path);
        if (k.preview) item.previewPath = k.preview->string();
        p.photos.push_back(std::move(item));
    }
    p.save();
    return p;
}

std::optional<std::vector<Project::CatalogFolder>> Project::catalogFolders(const fs::path& catalog) {
    std::vector<CatalogPhoto> photos;
    try {
        photos = Catalog::read(catalog, true);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    std::map<std::string, CatalogFolder> byPath;
    for (const auto& photo : photos) {
        const std::string path = folderOf(photo.path);
        auto& f = byPath[path];
        f.path = path;
        ++f.total;
        const OnDisk d = onDisk(catalog, photo);
        if (d.raw) ++f.rawOnDisk;
        if (d.any()) {
            ++f.onDisk;
            if (!photo.edited) ++f.unedited;
        }
    }
    std::vector<CatalogFolder> out;
    for (auto& [path, f] : byPath) out.push_back(std::move(f));
    std::stable_sort(out.begin(), out.end(),
                     [](const CatalogFolder& a, const CatalogFolder& b) { return NaturalOrder::less(a.path, b.path); });
    return out;
}

std::optional<Project::CatalogCounts> Project::catalogCounts(const fs::path& catalog) {
    auto folders = catalogFolders(catalog);
    if (!folders) return std::nullopt;
    CatalogCounts c;
    for (const auto& f : *folders) {
        c.onDisk += f.onDisk;
        c.unedited += f.unedited;
        c.total += f.total;
    }
    return c;
}

}  // namespace orvane

#include <unicode/ustring.h>

#include <algorithm>
#include <system_error>

#include "core/base/defaults.h"
#include "core/base/natural_order.h"
#include "core/base/trash.h"
#include "core/store/project.h"
#include "core/store/store.h"

namespace orvane {

namespace fs = std::filesystem;

const std::vector<std::string>& Project::rawExtensions() {
    static const std::vector<std::string> list = {"arw", "cr2", "cr3", "nef", "raf", "rw2", "orf", "dng", "pef", "srw"};
    return list;
}

bool Project::isRawFile(const fs::path& file) {
    std::string ext = file.extension().string();
    if (ext.size() < 2) return false;
    ext.erase(0, 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const auto& list = rawExtensions();
    return std::find(list.begin(), list.end(), ext) != list.end();
}

namespace {
bool isUtf8(const std::string& text) {
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strFromUTF8(nullptr, 0, &length, text.data(), static_cast<int32_t>(text.size()), &status);
    return status == U_BUFFER_OVERFLOW_ERROR || U_SUCCESS(status);
}

bool isHidden(const fs::path& p) {
    const std::string name = p.filename().string();
    return !name.empty() && name[0] == '.';
}

// Folders that a file browser shows as one item (application bundles, catalog preview caches and
// libraries); the files inside are not the user's photos.
bool isPackage(const fs::path& p) {
    static const char* extensions[] = {".app", ".bundle", ".framework", ".plugin", ".lrdata", ".lrlibrary",
                                       ".photoslibrary", ".pkg"};
    std::string ext = p.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return std::any_of(std::begin(extensions), std::end(extensions), [&](const char* e) { return ext == e; });
}

void collect(const fs::path& folder, bool recursive, std::vector<fs::path>& out) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const fs::path p = it->path();
        // A name that is not UTF-8 cannot be stored in the project file; one such file must not sink
        // the whole project.
        if (isHidden(p) || !isUtf8(p.filename().native())) continue;
        std::error_code sec;
        if (it->is_directory(sec)) {
            // Linked folders are not descended into: a link back up would list the same photos again
            // and again, as file browsers never do.
            if (it->is_symlink(sec)) continue;
            if (recursive && !isPackage(p)) collect(p, true, out);
            continue;
        }
        if (it->is_regular_file(sec) && Project::isRawFile(p)) out.push_back(p);
    }
}
}  // namespace

std::vector<fs::path> Project::rawFiles(const fs::path& folder) {
    const bool recursive = userDefaults()->boolValue("includeSubfolders").value_or(true);
    std::vector<fs::path> out;
    collect(folder, recursive, out);
    std::stable_sort(out.begin(), out.end(),
                     [](const fs::path& a, const fs::path& b) { return NaturalOrder::less(a.native(), b.native()); });
    return out;
}

Project Project::create(const std::string& name, const fs::path& folder, const Uuid& profile) {
    Project p;
    p.id = Uuid::random();
    p.name = name;
    p.folder = folder.string();
    p.profileID = profile;
    p.globalExposure = 0.0;
    for (const auto& file : rawFiles(folder)) p.photos.emplace_back(file.string());
    p.save();
    return p;
}

void Project::save() const { Store::save(*this, Store::projects() / id.text() / "project.json"); }

void Project::remove() const { Trash::moveToTrash(dir()); }

std::vector<Project> Project::all() {
    auto list = Store::all<Project>(Store::projects(), "project.json");
    std::stable_sort(list.begin(), list.end(), [](const Project& a, const Project& b) { return a.name < b.name; });
    return list;
}

}  // namespace orvane

#include "core/catalog/catalog.h"
#include "core/photo/smart_preview.h"

namespace orvane {

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

std::string Project::CatalogFolder::name() const {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

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

#include <unicode/ustring.h>

#include <algorithm>
#include <system_error>

#include "core/base/defaults.h"
#include "core/base/natural_order.h"
#include "core/base/path_text.h"
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
    std::string ext = PathText::lowerExtension(file);
    if (ext.size() < 2) return false;
    ext.erase(0, 1);
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
    const std::string ext = PathText::lowerExtension(p);
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

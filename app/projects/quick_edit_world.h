#pragma once
// Test support for the quick-edit sheet: the new-project sheet's world (a real application model and
// router, background work held in a queue) with a catalog finder, folder reader and project maker
// that answer from tables and record what they were asked.
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/projects/new_project_world.h"
#include "app/projects/quick_edit_model.h"

namespace orvane::projects::testing {

inline Project::CatalogFolder catalogFolder(const std::string& path, std::int64_t onDisk, std::int64_t unedited,
                                            std::int64_t rawOnDisk = -1) {
    return Project::CatalogFolder{path, onDisk + 2, onDisk, unedited, rawOnDisk < 0 ? onDisk : rawOnDisk};
}

inline FoundCatalog foundCatalog(const std::string& path, int daysAgo) {
    return FoundCatalog{path, 1000, std::chrono::time_point_cast<Date::duration>(std::chrono::system_clock::now()) -
                                        std::chrono::hours(24 * daysAgo)};
}

struct QuickEditWorld : SheetWorld {
    struct Made {
        std::string name;
        std::filesystem::path catalog;
        bool onlyUnedited;
        Uuid profile;
        std::set<std::string> folders;
    };
    std::map<std::filesystem::path, QuickEditServices::Folders> folderTable;
    std::vector<std::filesystem::path> folderReads;
    std::vector<Made> made;
    std::optional<std::string> createError;  // the maker throws this text

    using SheetWorld::SheetWorld;

    QuickEditServices quickServices() {
        QuickEditServices s;
        s.background = [this](QuickEditServices::Work w) { work.push_back(std::move(w)); };
        s.scan = [this] {
            ++scans;
            return onDisk;
        };
        s.catalogFolders = [this](const std::filesystem::path& c) -> QuickEditServices::Folders {
            folderReads.push_back(c);
            auto it = folderTable.find(c);
            return it == folderTable.end() ? std::nullopt : it->second;
        };
        s.create = [this](const std::string& name, const std::filesystem::path& catalog, bool only, const Uuid& profile,
                          const std::set<std::string>& folders) {
            made.push_back({name, catalog, only, profile, folders});
            if (createError) throw std::runtime_error(*createError);
            Project p;
            p.id = Uuid::random();
            p.name = name;
            p.folder = "/foto";
            p.profileID = profile;
            p.catalogPath = catalog.string();
            PhotoItem photo;
            photo.path = "/foto/IMG_1.CR2";
            p.photos.push_back(photo);
            p.save();
            return p;
        };
        s.makeCover = [](const Project&) {};
        return s;
    }
};

}  // namespace orvane::projects::testing

#pragma once
// Test support for the new-project sheet: a real application model and router on a hand-run main
// loop, and sheet services whose background work waits in a queue until the test runs it, in the
// order the test chooses. Catalog counts and the catalog search answer from tables.
#include <QCoreApplication>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "app/model/app_model.h"
#include "app/model/router.h"
#include "app/projects/new_project_model.h"
#include "app/testing/sheet_testing.h"
#include "core/base/executor.h"

namespace orvane::projects::testing {

class NoKeepAwake final : public platform::KeepAwake {
public:
    std::unique_ptr<Token> begin(const std::string&) override { return nullptr; }
};

struct SheetWorld : orvane::testing::QueuedWork {
    std::shared_ptr<ManualExecutor> main = std::make_shared<ManualExecutor>();
    std::shared_ptr<Defaults> defaults = std::make_shared<FileDefaults>();
    std::unique_ptr<model::AppModel> app;
    std::unique_ptr<model::Router> router;
    std::map<std::filesystem::path, std::optional<Project::CatalogCounts>> catalogs;
    std::vector<FoundCatalog> onDisk;
    std::vector<Project> created;
    int scans = 0;
    int creates = 0;

    // Saves the profiles, then reads the data directory.
    explicit SheetWorld(const std::vector<Profile>& profiles) {
        for (const Profile& p : profiles) p.save();
        app = std::make_unique<model::AppModel>(main, defaults, std::make_unique<NoKeepAwake>());
        router = std::make_unique<model::Router>(defaults);
    }
    NewProjectServices services() {
        NewProjectServices s = NewProjectServices::standard();
        s.background = [this](NewProjectServices::Work w) { work.push_back(std::move(w)); };
        s.catalogCounts = [this](const std::filesystem::path& c) {
            auto it = catalogs.find(c);
            return it == catalogs.end() ? std::nullopt : it->second;
        };
        s.scan = [this] {
            ++scans;
            return onDisk;
        };
        auto folderCreate = s.createFromFolder;
        s.createFromFolder = [this, folderCreate](const std::string& n, const std::filesystem::path& f, const Uuid& p) {
            ++creates;
            return folderCreate(n, f, p);
        };
        s.makeCover = [](const Project&) {};
        return s;
    }
    NewProjectModel::Created recordCreated() {
        return [this](const Project& p) { created.push_back(p); };
    }
};

}  // namespace orvane::projects::testing

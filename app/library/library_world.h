#pragma once
// Test support for the library screens: a real application model and router on a hand-run main loop,
// one settings store shared with the kit, and import-sheet services whose background work waits in a
// queue until the test runs it, in the order the test chooses. The catalog search and the analysis
// answer from tables.
#include <QCoreApplication>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "app/kit/appearance.h"
#include "app/kit/kit_settings.h"
#include "app/library/import_sheet_model.h"
#include "app/model/app_model.h"
#include "app/model/router.h"
#include "app/testing/no_keep_awake.h"
#include "core/base/executor.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

namespace orvane::library::testing {

struct LibraryWorld {
    orvane::testing::TempDir xdg;  // the trash lives here
    orvane::testing::ScopedEnv trashHome{"XDG_DATA_HOME", xdg.path().string()};
    std::shared_ptr<ManualExecutor> main = std::make_shared<ManualExecutor>();
    std::shared_ptr<Defaults> defaults = std::make_shared<FileDefaults>();
    std::unique_ptr<model::AppModel> app;
    std::unique_ptr<model::Router> router;
    std::vector<std::function<void()>> work;
    std::vector<FoundCatalog> onDisk;
    std::map<std::filesystem::path, std::optional<CatalogStats>> analyses;
    int scans = 0;
    int analysed = 0;

    explicit LibraryWorld(const std::vector<Profile>& profiles = {}, const std::vector<TrainingCatalog>& catalogs = {}) {
        orvane::testing::freshDataDir();
        for (const Profile& p : profiles) p.save();
        for (const TrainingCatalog& c : catalogs) save(c);
        setUserDefaults(defaults);
        kit::KitSettings::instance().rebind(defaults);
        kit::Appearance::instance().setOverride(false);
        app = std::make_unique<model::AppModel>(main, defaults, std::make_unique<orvane::testing::NoKeepAwake>());
        router = std::make_unique<model::Router>(defaults);
    }
    ~LibraryWorld() { kit::Appearance::instance().setOverride(std::nullopt); }
    static void save(const TrainingCatalog& c);
    ImportSheetServices services() {
        ImportSheetServices s;
        s.background = [this](ImportSheetServices::Work w) { work.push_back(std::move(w)); };
        s.scan = [this] {
            ++scans;
            return onDisk;
        };
        s.analyze = [this](const std::filesystem::path& file) -> std::optional<CatalogStats> {
            ++analysed;
            auto it = analyses.find(file);
            return it == analyses.end() ? std::nullopt : it->second;
        };
        return s;
    }
    // Runs the queued background work at `index` (the oldest by default) and delivers its result.
    void finish(std::size_t index = 0) {
        auto w = std::move(work.at(index));
        work.erase(work.begin() + std::ptrdiff_t(index));
        w();
        QCoreApplication::sendPostedEvents();
    }
    void finishAll() {
        while (!work.empty()) finish();
    }
};

// A found catalog at `path`, modified `ageDays` days before a fixed day.
FoundCatalog found(const std::string& path, int ageDays = 0);
// A library record with these counts, imported `ageDays` days before a fixed day.
TrainingCatalog libraryCatalog(const std::string& name, std::int64_t usable, std::int64_t rawMissing = 0,
                               int ageDays = 0, const std::string& source = {});
Profile profileNamed(const std::string& name, std::vector<Uuid> catalogs = {});

}  // namespace orvane::library::testing

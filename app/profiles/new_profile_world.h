#pragma once
// Test support for the new-profile sheet: a real application model and router over a fresh data
// directory, and sheet services whose background work waits in a queue until the test runs it. The
// catalog search and the catalogs' counts answer from tables; the automatic style's builds write a
// small temporary preset (or fail as told) and count their calls.
#include <QCoreApplication>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "app/model/app_model.h"
#include "app/model/router.h"
#include "app/profiles/new_profile_model.h"
#include "app/testing/sheet_testing.h"
#include "core/base/atomic_file.h"
#include "core/base/executor.h"
#include "core/store/store.h"
#include "core/style/style_preset.h"
#include "core/xmp/develop_preset.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

namespace orvane::profiles::testing {

class NoKeepAwake final : public platform::KeepAwake {
public:
    std::unique_ptr<Token> begin(const std::string&) override { return nullptr; }
};

// An imported catalog record in the data directory.
inline TrainingCatalog saveCatalog(const std::string& name, std::int64_t usable, std::int64_t rawMissing = 0,
                                   int importedSecondsAgo = 0) {
    TrainingCatalog c;
    c.id = Uuid::random();
    c.name = name;
    c.source = "/nicaieri/" + name + ".lrcat";
    c.imported = ManualExecutor::defaultStart() - std::chrono::seconds(importedSecondsAgo);
    c.usable = usable;
    c.photos = usable;
    c.rawMissing = rawMissing;
    Store::save(c, c.file());
    return c;
}

inline FoundCatalog found(const std::filesystem::path& url, int secondsAgo) {
    return FoundCatalog{url, 1000, ManualExecutor::defaultStart() - std::chrono::seconds(secondsAgo)};
}

struct ProfileWorld : orvane::testing::QueuedWork {
    enum class Build { ok, tooFew, fails };

    orvane::testing::TempDir temp;
    std::shared_ptr<ManualExecutor> main = std::make_shared<ManualExecutor>();
    std::shared_ptr<Defaults> defaults = std::make_shared<FileDefaults>();
    std::unique_ptr<model::AppModel> app;
    std::unique_ptr<model::Router> router;
    std::vector<FoundCatalog> onDisk;
    std::map<std::string, std::optional<CatalogStats>> stats;  // by catalog source path
    Build build = Build::ok;
    std::vector<std::vector<TrainingCatalog>> catalogBuilds;
    std::vector<std::vector<std::filesystem::path>> fileBuilds;
    std::vector<std::filesystem::path> builtPresets;
    bool saveFails = false;
    int scans = 0;

    ProfileWorld() { orvane::testing::freshDataDir(); }
    // Reads the data directory as it is now (save catalogs first).
    void start() {
        app = std::make_unique<model::AppModel>(main, defaults, std::make_unique<NoKeepAwake>());
        router = std::make_unique<model::Router>(defaults);
    }
    std::filesystem::path writePreset() {
        const auto file = temp.path() / ("stilul-meu-" + std::to_string(builtPresets.size()) + ".xmp");
        writeFileAtomically(file, DevelopPreset::neutralXMP());
        builtPresets.push_back(file);
        return file;
    }
    std::filesystem::path runBuild() {
        if (build == Build::tooFew) throw StylePreset::BuildError(StylePreset::BuildError::Code::tooFew);
        if (build == Build::fails) throw std::runtime_error("Discul este plin.");
        return writePreset();
    }
    NewProfileServices services() {
        NewProfileServices s = NewProfileServices::standard();
        s.background = [this](NewProfileServices::Work w) { work.push_back(std::move(w)); };
        s.scan = [this] {
            ++scans;
            return onDisk;
        };
        s.analyze = [this](const std::filesystem::path& catalog) -> std::optional<CatalogStats> {
            auto it = stats.find(catalog.string());
            return it == stats.end() ? std::nullopt : it->second;
        };
        s.buildFromCatalogs = [this](const std::vector<TrainingCatalog>& c, const std::string&) {
            catalogBuilds.push_back(c);
            return runBuild();
        };
        s.buildFromFiles = [this](const std::vector<std::filesystem::path>& f, const std::string&) {
            fileBuilds.push_back(f);
            return runBuild();
        };
        auto save = s.saveProfile;
        s.saveProfile = [this, save](const Profile& p) {
            if (saveFails) throw std::runtime_error("Nu pot salva profilul.");
            save(p);
        };
        return s;
    }
    std::size_t profileFolders() const {
        std::size_t n = 0;
        std::error_code ec;
        if (std::filesystem::exists(Store::profiles(), ec))
            for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(Store::profiles())) ++n;
        return n;
    }
};

}  // namespace orvane::profiles::testing

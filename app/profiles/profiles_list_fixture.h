#pragma once
// Test support for the profiles hub, list and cards: a private data directory, the application model
// on a hand-run main loop, the router, scripted dialogs and saved profiles in chosen states.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <memory>
#include <string>

#include "app/kit/appearance.h"
#include "app/kit/kit_settings.h"
#include "app/model/app_model.h"
#include "app/model/router.h"
#include "app/testing/scripted_dialogs.h"
#include "core/base/executor.h"
#include "core/store/store.h"
#include "testing/model_fixtures.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

namespace orvane::profiles::testing {

class NoKeepAwake final : public platform::KeepAwake {
public:
    std::unique_ptr<Token> begin(const std::string&) override { return nullptr; }
};

class ProfilesWorld : public ::testing::Test {
protected:
    void SetUp() override {
        orvane::testing::freshDataDir();
        setUserDefaults(defaults);
        kit::KitSettings::instance().rebind(defaults);
        kit::Appearance::instance().setOverride(false);
        app = std::make_unique<model::AppModel>(main, defaults, std::make_unique<NoKeepAwake>());
        router = std::make_unique<model::Router>(defaults);
    }
    void TearDown() override {
        router.reset();
        app.reset();
        kit::Appearance::instance().setOverride(std::nullopt);
    }

    // A built profile (trained on catalogs A and B, up to date) saved in the data directory.
    Profile built(const std::string& name) { return orvane::testing::builtProfile(name); }
    // A profile that was never built, choosing `catalogs`.
    Profile unbuilt(const std::string& name, std::vector<Uuid> catalogs = {}) {
        Profile p;
        p.id = Uuid::random();
        p.name = name;
        p.presetName = "Cald";
        p.catalogIDs = std::move(catalogs);
        p.save();
        return p;
    }
    // A built profile whose chosen catalogs are no longer the ones it was trained on.
    Profile stale(const std::string& name) {
        Profile p = built(name);
        p.catalogIDs = {orvane::testing::kCatalogA};
        p.save();
        return p;
    }
    // An imported catalog in the library.
    TrainingCatalog catalog(const std::string& name, const Uuid& id = Uuid::random()) {
        TrainingCatalog c;
        c.id = id;
        c.name = name;
        c.source = "/nonexistent/" + name + ".lrcat";
        c.photos = 10;
        c.usable = 8;
        Store::save(c, c.dir() / "catalog.json");
        return c;
    }
    // A build of `profile` under way, as the model publishes it.
    void training(const Profile& profile) {
        model::ProfileBuildStatus status;
        status.profileID = profile.id;
        status.name = profile.name;
        app->setProfileBuild(status);
    }
    const Profile* find(const std::string& name) const {
        for (const Profile& p : app->profiles())
            if (p.name == name) return &p;
        return nullptr;
    }

    // Deleted profiles go to a trash of the test's own, never the user's.
    orvane::testing::TempDir trashHome;
    orvane::testing::ScopedEnv trashEnv{"XDG_DATA_HOME", trashHome.path().string()};
    std::shared_ptr<ManualExecutor> main = std::make_shared<ManualExecutor>();
    std::shared_ptr<Defaults> defaults = std::make_shared<FileDefaults>();
    std::unique_ptr<model::AppModel> app;
    std::unique_ptr<model::Router> router;
    orvane::testing::ScriptedDialogs dialogs;
};

}  // namespace orvane::profiles::testing

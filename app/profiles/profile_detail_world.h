#pragma once
// Test support for the profile screen: an empty data directory, an in-memory settings store that the
// kit follows too, and a real application model and router on a hand-run main loop.
#include <QCoreApplication>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "app/kit/appearance.h"
#include "app/kit/kit_settings.h"
#include "app/model/app_model.h"
#include "app/model/router.h"
#include "app/testing/scripted_dialogs.h"
#include "core/base/executor.h"
#include "core/store/store.h"
#include "testing/test_data_dir.h"

namespace orvane::profiles::testing {

class ProfileScreenWorld : public ::testing::Test {
protected:
    void SetUp() override {
        orvane::testing::freshDataDir();
        for (const auto& folder : {Store::profiles(), Store::catalogs(), Store::projects()})
            std::filesystem::remove_all(folder);
        setUserDefaults(defaults);
        kit::KitSettings::instance().rebind(defaults);
        kit::Appearance::instance().setOverride(false);
    }
    void TearDown() override {
        router.reset();
        app.reset();
        kit::Appearance::instance().setOverride(std::nullopt);
    }
    // Reads the data directory as it is now.
    void start() {
        app = std::make_unique<model::AppModel>(main, defaults, nullptr);
        router = std::make_unique<model::Router>(defaults);
    }
    void settle() { QCoreApplication::sendPostedEvents(); }

    std::shared_ptr<ManualExecutor> main = std::make_shared<ManualExecutor>();
    std::shared_ptr<FileDefaults> defaults = std::make_shared<FileDefaults>();
    std::unique_ptr<model::AppModel> app;
    std::unique_ptr<model::Router> router;
    orvane::testing::ScriptedDialogs dialogs;
};

}  // namespace orvane::profiles::testing

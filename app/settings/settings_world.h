#pragma once
// Test support for the settings page: a real application model and router on a hand-run main loop,
// one in-memory settings store shared with the kit, a described machine, a notification centre that
// answers as told, and services that record what the page asked of the world. The folder-size walk
// waits in a queue until the test runs it.
#include <QCoreApplication>

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "app/kit/appearance.h"
#include "app/kit/kit_settings.h"
#include "app/model/app_model.h"
#include "app/model/router.h"
#include "app/settings/settings_model.h"
#include "app/testing/fake_updater.h"
#include "app/testing/no_keep_awake.h"
#include "app/testing/scripted_dialogs.h"
#include "core/base/executor.h"
#include "testing/test_data_dir.h"

namespace orvane::settings::testing {

struct FakeMachine final : platform::MachineInfo {
    std::uint64_t memory = std::uint64_t{16} << 30;
    int performance = 8;
    int efficiency = 4;
    Thermal thermal = Thermal::nominal;
    bool lowPower = false;
    std::uint64_t physicalMemory() const override { return memory; }
    int performanceCores() const override { return performance; }
    int efficiencyCores() const override { return efficiency; }
    int usableProcessors() const override { return 64; }
    Thermal thermalState() const override { return thermal; }
    bool lowPowerMode() const override { return lowPower; }
};

struct FakeCenter final : platform::NotificationCenter {
    Authorization answer = Authorization::notDetermined;
    int asked = 0;
    void authorization(std::function<void(Authorization)> done) override {
        ++asked;
        done(answer);
    }
    void add(const Request&) override {}
};

struct SettingsWorld {
    std::shared_ptr<ManualExecutor> main = std::make_shared<ManualExecutor>();
    std::shared_ptr<Defaults> defaults = std::make_shared<FileDefaults>();
    std::shared_ptr<FakeMachine> machine = std::make_shared<FakeMachine>();
    std::shared_ptr<FakeCenter> center = std::make_shared<FakeCenter>();
    std::unique_ptr<model::AppModel> app;
    std::unique_ptr<model::Router> router;
    orvane::testing::FakeUpdater updater;
    orvane::testing::ScriptedDialogs dialogs;
    std::vector<std::filesystem::path> revealed;
    std::vector<std::function<void()>> work;
    int relaunches = 0;
    int settingsOpened = 0;
    bool withRelaunch = true;

    SettingsWorld() {
        orvane::testing::freshDataDir();
        setUserDefaults(defaults);
        kit::KitSettings::instance().rebind(defaults);
        kit::Appearance::instance().setOverride(false);
        app = std::make_unique<model::AppModel>(main, defaults, std::make_unique<orvane::testing::NoKeepAwake>());
        router = std::make_unique<model::Router>(defaults);
    }
    ~SettingsWorld() { kit::Appearance::instance().setOverride(std::nullopt); }

    SettingsServices services() {
        SettingsServices s;
        s.machine = machine;
        s.notifications = center;
        s.reveal = [this](const std::filesystem::path& p) { revealed.push_back(p); };
        s.openNotificationSettings = [this] {
            ++settingsOpened;
            return true;
        };
        if (withRelaunch) s.relaunch = [this] { ++relaunches; };
        s.background = [this](std::function<void()> w) { work.push_back(std::move(w)); };
        s.diagnostics.now = [] { return QStringLiteral("11.12.2026, 14:30"); };
        s.diagnostics.system = [] { return QStringLiteral("Debian GNU/Linux 12 (bookworm) (kernel 6.1.0-28-amd64)"); };
        s.diagnostics.machineModel = [] { return QStringLiteral("LENOVO ThinkPad X1"); };
        s.diagnostics.freeBytes = [] { return std::int64_t(250'000'000'000); };
        s.diagnostics.lightroomRunning = [] { return false; };
        return s;
    }
    // Runs the queued background work and delivers its results.
    void finishWork() {
        while (!work.empty()) {
            auto w = std::move(work.front());
            work.erase(work.begin());
            w();
        }
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
};

}  // namespace orvane::settings::testing

#pragma once
// Test support for the processing screen: a real application model and router on a hand-run main loop
// with a virtual clock, jobs registered with the model, and a delivery road whose Lightroom and
// questions are stand-ins.
#include <QCoreApplication>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/model/app_model.h"
#include "app/model/router.h"
#include "core/base/executor.h"
#include "core/pipeline/job.h"

namespace orvane::projects::testing {

class QuietKeepAwake final : public platform::KeepAwake {
public:
    std::unique_ptr<Token> begin(const std::string&) override { return nullptr; }
};

// Lightroom that is never running: every open is recorded.
struct RecordingHost final : platform::LightroomHost {
    std::vector<std::optional<std::filesystem::path>> opened;
    std::optional<std::filesystem::path> locate() const override { return std::filesystem::path("/opt/lr/Lightroom"); }
    void open(const std::optional<std::filesystem::path>& catalog) override { opened.push_back(catalog); }
    std::vector<Instance> runningInstances() const override { return {}; }
    std::optional<Instance> lockHolder(const std::filesystem::path&) const override { return std::nullopt; }
    void requestQuit(const Instance&) override {}
    bool terminated(const Instance&) const override { return true; }
};

struct ProcessingWorld {
    std::shared_ptr<ManualExecutor> main = std::make_shared<ManualExecutor>();
    std::shared_ptr<Defaults> defaults = std::make_shared<FileDefaults>();
    std::unique_ptr<model::AppModel> app;
    std::unique_ptr<model::Router> router;
    std::shared_ptr<RecordingHost> host = std::make_shared<RecordingHost>();
    std::vector<std::string> questions;
    bool answer = true;  // to every question of the delivery

    ProcessingWorld() {
        app = std::make_unique<model::AppModel>(main, defaults, std::make_unique<QuietKeepAwake>());
        router = std::make_unique<model::Router>(defaults);
        model::AppModel::DeliveryServices services;
        services.host = host;
        services.confirm = [this](const std::string& title, const std::string&, const std::string&) {
            questions.push_back(title);
            return answer;
        };
        services.sleep = [this](std::chrono::nanoseconds, std::function<void()> resume) { main->post(std::move(resume)); };
        app->setDeliveryServices(std::move(services));
    }
    std::shared_ptr<Job> add(Project project, Job::FileProcess process = {}) {
        auto job = Job::make(main, std::move(project), 1, false, std::move(process));
        app->registerJob(job);
        return job;
    }
    // A profile whose preset is the application's neutral one, so a delivery can build its settings.
    Profile deliverableProfile(const std::string& name = "Nunți") {
        Profile profile;
        profile.id = Uuid::random();
        profile.name = name;
        profile.presetName = "Neutru";
        profile.save();
        std::filesystem::copy_file(app->neutralPresetURL(), profile.preset(),
                                   std::filesystem::copy_options::overwrite_existing);
        app->reload();
        return profile;
    }
    // One turn: the main loop's ready tasks and Qt's posted events and zero timers.
    void turn() {
        for (int i = 0; i < 3; ++i) {
            main->runReady();
            QCoreApplication::processEvents();
        }
    }
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
        return main->runUntil(
            [&] {
                QCoreApplication::processEvents();
                return done();
            },
            timeout);
    }
};

}  // namespace orvane::projects::testing

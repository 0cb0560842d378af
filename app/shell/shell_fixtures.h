#pragma once
// Test support for the shell: an application model on the Qt event loop with an in-memory settings
// store and no keep-awake service, and the router beside it.
#include <QTest>

#include <memory>

#include "app/home/home_model.h"
#include "app/kit/kit_settings.h"
#include "app/model/app_model.h"
#include "app/model/qt_main_executor.h"
#include "app/model/router.h"
#include "testing/job_fixtures.h"

namespace orvane::shell::testing {

class NoKeepAwake final : public platform::KeepAwake {
public:
    std::unique_ptr<Token> begin(const std::string&) override { return nullptr; }
};

struct App {
    std::shared_ptr<model::QtMainExecutor> main = std::make_shared<model::QtMainExecutor>();
    std::shared_ptr<Defaults> defaults = std::make_shared<FileDefaults>();
    std::unique_ptr<model::AppModel> model;
    std::unique_ptr<model::Router> router;

    App() {
        // The kit reads the same store as the model, as in the application.
        setUserDefaults(defaults);
        kit::KitSettings::instance().rebind(defaults);
        model = std::make_unique<model::AppModel>(main, defaults, std::make_unique<NoKeepAwake>());
        router = std::make_unique<model::Router>(defaults);
        // The home page's welcome would open over whatever a test looks at half a second in.
        home::HomeModel::setWelcomeOfferedForTesting(true);
    }
};

}  // namespace orvane::shell::testing

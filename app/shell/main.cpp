// OrvaneStudio: the desktop application. One instance per user; a second launch shows the running
// instance's window and exits.
#include <QApplication>
#include <QSessionManager>

#include <cstdio>
#include <memory>

#include "app/kit/app_style.h"
#include "app/kit/fonts.h"
#include "app/model/app_model.h"
#include "app/model/qt_main_executor.h"
#include "app/model/relaunch.h"
#include "app/model/router.h"
#include "app/platform/dbus_keep_awake.h"
#include "app/shell/application_updater.h"
#include "app/shell/launch.h"
#include "app/shell/main_window.h"
#include "app/shell/quit_controller.h"
#include "app/shell/single_instance.h"
#include "core/base/defaults.h"
#include "core/base/processors.h"
#include "core/store/store.h"
#include "core/style/model_vault.h"

using namespace orvane;

namespace {
// Without a display no window can open: a running instance is still asked to show its own; anything
// else is reported on standard error.
int runWithoutDisplay(int argc, char** argv) {
    QCoreApplication core(argc, argv);
    shell::SingleInstance instance(Store::root(), shell::SingleInstance::defaultServerName(Store::root()));
    switch (instance.start()) {
        case shell::SingleInstance::Outcome::handedOver: return 0;
        case shell::SingleInstance::Outcome::failed: shell::reportStartupFailure(instance.errorText()); return 1;
        case shell::SingleInstance::Outcome::primary: break;
    }
    shell::reportStartupFailure(QString::fromUtf8(
        "Nu există niciun ecran pe care să se deschidă fereastra (DISPLAY și WAYLAND_DISPLAY lipsesc)."));
    return 1;
}
}  // namespace

int main(int argc, char** argv) {
    keepFreedMemoryForReuse();  // before any thread: every photo decoded reuses the last one's memory
    if (!shell::displayAvailable()) return runWithoutDisplay(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vendrel"));
    QApplication::setApplicationVersion(QStringLiteral(ORVANE_VERSION));
    // Only the quit path ends the process: closing the window never does by itself.
    QApplication::setQuitOnLastWindowClosed(false);
    // A restart in place: the instance being replaced saves and quits first; nothing here reads the
    // data (or asks for the single instance) before it has gone.
    if (const auto previous = model::previousInstance(QCoreApplication::arguments()))
        model::waitForPreviousInstance(*previous);

    shell::SingleInstance instance(Store::root(), shell::SingleInstance::defaultServerName(Store::root()));
    switch (instance.start()) {
        case shell::SingleInstance::Outcome::primary:
            if (!instance.errorText().isEmpty())
                std::fprintf(stderr, "OrvaneStudio: %s\n", qPrintable(instance.errorText()));
            break;
        case shell::SingleInstance::Outcome::handedOver: return 0;
        case shell::SingleInstance::Outcome::failed:
            // Started from the desktop, nobody reads standard error: the cause shows in an alert too.
            shell::reportStartupFailure(instance.errorText());
            return 1;
    }

    // Only the running instance touches the settings: a second launch leaves the file alone.
    const std::shared_ptr<Defaults> defaults = userDefaults();
    shell::prepareSettings(*defaults);
    ModelVault::cleanStale();
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [] { ModelVault::removeSession(); });
    kit::installUiFont();
    // Alerts, menus, fields, scroll bars, selections and tooltips in the kit's look, following the
    // appearance and the accent from now on.
    kit::installApplicationStyle();

    model::AppModel model(std::make_shared<model::QtMainExecutor>(), defaults,
                          std::make_unique<platform::DBusKeepAwake>());
    model::Router router(defaults);
    shell::QuitController quit;
    shell::TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &shell::TerminationSignals::received, &quit,
                     &shell::QuitController::requestQuit);
    // The session is ending: the same quit as any other, jobs saved first.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &quit, [&quit](QSessionManager& manager) {
        manager.setRestartHint(QSessionManager::RestartNever);
        quit.requestQuit();
    });

    // The updater the rail and the settings page observe; it exists before the window that shows it.
    const auto updater = shell::makeApplicationUpdater(
        defaults,
        shell::runningApplication(QCoreApplication::applicationFilePath().toStdString(), ORVANE_VERSION,
                                  ORVANE_BUILD_NUMBER),
        ORVANE_UPDATE_FEED, quit);
    model::Updater::setCurrent(updater.get());
    updater->cleanUpEarlierUpdates();
    if (model::autoUpdateCheckEnabled(*defaults)) updater->checkForUpdatesQuietly();

    shell::MainWindow window(model, router, quit, [&instance] { return instance.canReopen(); });
    QObject::connect(&instance, &shell::SingleInstance::showRequested, &window, &shell::MainWindow::showMainWindow);
    // A failed quit shows its error over the window, even one the user had closed.
    QObject::connect(&quit, &shell::QuitController::quitFailed, &window, &shell::MainWindow::showMainWindow);
    model::AppModel::DeliveryServices delivery;
    delivery.confirm = shell::deliveryQuestions(&window);
    model.setDeliveryServices(std::move(delivery));
    window.placeOnScreen();
    window.showMainWindow();
    window.scheduleLaunchCheck();
    return app.exec();
}

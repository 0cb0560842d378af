#include "app/shell/application_updater.h"

#include <QDesktopServices>
#include <QPointer>
#include <QStandardPaths>
#include <QUrl>

#include "app/kit/centered_alert.h"
#include "app/kit/dialogs.h"
#include "app/model/app_model.h"
#include "app/model/relaunch.h"
#include "app/shell/quit_controller.h"
#include "core/base/atomic_file.h"

namespace orvane::shell {

namespace fs = std::filesystem;

UpdateStaging::InstalledApp runningApplication(const fs::path& program, const std::string& version,
                                               const std::string& build) {
    UpdateStaging::InstalledApp app{{}, "", version, build};
    const auto folder = UpdateStaging::applicationFolderOf(program);
    if (!folder) return app;
    app.folder = *folder;
    try {
        const Manifest m = CodeSignature::parseManifest(readWholeFile(*folder / CodeSignature::manifestPath));
        app.identifier = m.identifier;
        std::tie(app.shortVersion, app.build) = UpdateStaging::splitVersion(m.version);
    } catch (const std::exception&) {
        // Unsigned: the updater can only save downloads for a manual install.
    }
    return app;
}

std::unique_ptr<model::AppUpdater> makeApplicationUpdater(std::shared_ptr<Defaults> defaults,
                                                          UpdateStaging::InstalledApp installed,
                                                          std::string defaultFeed, QuitController& quit) {
    model::AppUpdater::Services s;
    s.defaults = std::move(defaults);
    s.defaultFeed = std::move(defaultFeed);
    s.installed = std::move(installed);
    s.downloadsFolder = [] {
        return fs::path(QStandardPaths::writableLocation(QStandardPaths::DownloadLocation).toStdString());
    };
    // The folder is opened, never the file: a downloaded file is not run.
    s.reveal = [](const fs::path& file) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(file.parent_path().string())));
    };
    s.inform = [](const QString& title, const QString& text) {
        kit::CenteredAlert alert(title, text);
        alert.addChoice(QStringLiteral("Am înțeles"));
        kit::dialogs().run(alert);
    };
    s.flushJobs = [](model::AppUpdater::FlushDone done) {
        if (model::AppModel* m = model::AppModel::current())
            model::pauseAndFlushAll(m->jobs(), std::move(done));
        else
            done(std::nullopt);
    };
    QPointer<QuitController> q(&quit);
    s.terminate = [q] {
        if (q) q->requestQuit();
    };
    s.chooseFile = []() -> std::optional<fs::path> {
        const auto chosen = kit::dialogs().chooseFileOrBundle(QStringLiteral("Alege fișierul noii versiuni (.zip sau .app)"),
                                                              {QStringLiteral("zip")}, QStringLiteral(".app"));
        if (!chosen) return std::nullopt;
        return fs::path(chosen->toStdString());
    };
    s.reportError = [](const std::string& e) {
        if (model::AppModel* m = model::AppModel::current()) m->setError(e);
    };
    return std::make_unique<model::AppUpdater>(std::move(s));
}

}  // namespace orvane::shell

#pragma once
// The updater of the running application and the in-place restart: where the installed folder is,
// which services the updater gets from the shell (dialogs, the quit path, the file manager), and the
// relaunch that waits for the old instance before the new one reads any data.
#include <QStringList>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/model/app_updater.h"
#include "core/base/defaults.h"
#include "core/update/update_staging.h"

namespace orvane::shell {

class QuitController;

// The running application: its signed folder when the program lies in one (identifier and version from
// its manifest), else no folder and the build's version.
UpdateStaging::InstalledApp runningApplication(const std::filesystem::path& program, const std::string& version,
                                               const std::string& build);

// The updater with the shell's services: file pickers and alerts through the dialog service, jobs saved
// and the application quit through `quit`, failures through the application model's error.
std::unique_ptr<model::AppUpdater> makeApplicationUpdater(std::shared_ptr<Defaults> defaults,
                                                          UpdateStaging::InstalledApp installed,
                                                          std::string defaultFeed, QuitController& quit);

// The argument a relaunched instance gets: the process identifier of the instance it replaces.
inline constexpr const char* afterExitOption = "--after-exit=";
// The identifier named by that argument, if the command line has one.
std::optional<pid_t> previousInstance(const QStringList& arguments);
// Waits (bounded) for the previous instance to end; false when it still runs at the deadline.
bool waitForPreviousInstance(pid_t pid, std::chrono::milliseconds deadline = std::chrono::seconds(30));

// Restarts the application in place: saves every job (a failure goes to the model's error and nothing
// restarts), starts a new instance that waits for this one, then asks this one to quit. `start` runs
// the program with arguments (QProcess::startDetached unless given); `terminate` is the ordinary quit
// request (SIGTERM to this process, which the quit path handles, unless given).
void relaunchApplication(std::function<bool(const QString& program, const QStringList& arguments)> start = {},
                         std::function<void()> terminate = {});

}  // namespace orvane::shell

#pragma once
// The updater of the running application: where the installed folder is, and which services the
// updater gets from the shell (dialogs, the quit path, the file manager).
#include <filesystem>
#include <memory>
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

}  // namespace orvane::shell

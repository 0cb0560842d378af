#pragma once
// Saving every job before the process goes, and restarting the application in place: the new instance
// is told which instance it replaces and waits for it to end before it reads any data.
#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "app/model/app_model.h"

namespace orvane::model {

// Pauses and saves the jobs one at a time, in the table's order; `done` gets nothing on success, or
// the first error, after which the remaining jobs are left as they are. With no jobs, `done` runs at once.
void pauseAndFlushAll(const AppModel::JobTable& jobs, std::function<void(std::optional<std::string>)> done);

// The argument a relaunched instance gets: the process identifier of the instance it replaces.
inline constexpr const char* afterExitOption = "--after-exit=";
// The identifier named by that argument, if the command line has one.
std::optional<pid_t> previousInstance(const QStringList& arguments);
// Waits (bounded) for the previous instance to end; false when it still runs at the deadline.
bool waitForPreviousInstance(pid_t pid, std::chrono::milliseconds deadline = std::chrono::seconds(30));

// Restarts the application in place: saves every job of the running model (a failure goes to the
// model's error and nothing restarts), starts a new instance that waits for this one, then asks this
// one to quit. `start` runs the program with arguments (QProcess::startDetached unless given);
// `terminate` is the ordinary quit request (SIGTERM to this process, which the quit path handles,
// unless given). A failed start keeps the application running and says so through the model's error.
void relaunchApplication(std::function<bool(const QString& program, const QStringList& arguments)> start = {},
                         std::function<void()> terminate = {});

}  // namespace orvane::model

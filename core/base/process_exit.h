#pragma once
// Waiting for another process to end, by its identifier: the update helper waits for the application
// it replaces, and a relaunched application for the instance it follows.
#include <sys/types.h>

#include <chrono>

namespace orvane {

// Returns once the process has ended (a process that exited but was not reaped counts as ended);
// throws std::system_error(ETIMEDOUT) after `deadline`.
void waitForProcessExit(pid_t pid, std::chrono::milliseconds deadline);

}  // namespace orvane

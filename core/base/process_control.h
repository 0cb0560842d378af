#pragma once
// Other processes of the update road: starting a program that outlives its parent, and waiting for a
// process to end by its identifier (the update helper waits for the application it replaces, a
// relaunched application for the instance it follows).
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace orvane {

// Returns once the process has ended (a process that exited but was not reaped counts as ended);
// throws std::system_error(ETIMEDOUT) after `deadline`.
void waitForProcessExit(pid_t pid, std::chrono::milliseconds deadline);

// Starts `program` (no shell, no path search) with `arguments` after it, in a session of its own with
// null standard streams, default signal handling and nothing blocked: it outlives this process and no
// terminal signal reaches it. Throws std::system_error when it cannot start (`what` names the cause).
pid_t spawnInOwnSession(const std::string& program, const std::vector<std::string>& arguments,
                        const std::string& what = "spawn");

}  // namespace orvane

#pragma once
// The update helper program: waits for the application to exit, installs the staged version with the
// core's install sequence, starts it, and reports a failure in a file beside the staged folder and on
// standard error.
#include <sys/types.h>

#include <chrono>
#include <exception>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "core/update/code_signature.h"

namespace orvane::UpdateHelper {

struct Config {
    TrustAnchors anchors = TrustAnchors::vendor();
    // Longest wait for the application to exit.
    std::chrono::milliseconds exitDeadline{120000};
    // A new version counts as started when it still runs after this long, or has exited with 0.
    std::chrono::milliseconds launchGrace{3000};
};

// The process identifier argument: an optional sign and ASCII digits, within 32 bits, 2 or more.
std::optional<pid_t> parseProcessId(std::string_view text);

// "X.app" → "X.update-error.txt" in the same folder.
std::filesystem::path errorFilePath(const std::filesystem::path& staged);

// Returns once the process has ended; throws std::system_error(ETIMEDOUT) after `deadline`.
void waitForExit(pid_t pid, std::chrono::milliseconds deadline);

// Starts the program the folder's manifest names, in a session of its own with null streams. With a
// grace period, waits that long: an exit with a status other than 0 (or by a signal) is a failure.
void launchApplication(const std::filesystem::path& folder, std::chrono::milliseconds grace);

// The user-facing text of a failure.
std::string describe(const std::exception& e);

// The whole program; returns the exit status.
int run(int argc, const char* const* argv, const Config& config, std::ostream& err);

}  // namespace orvane::UpdateHelper

#pragma once
// The folder of what ships with the application: sealed base models and the detector models the
// setup installs. Shared by every layer that loads a shipped file.
#include <filesystem>
#include <optional>

namespace orvane::Resources {

// A folder set here, else $ORVANE_RESOURCES_DIR, else the first of "resources", "../resources" and
// "../share/vendrel/resources" beside the executable that exists.
std::filesystem::path directory();
// Tests point every lookup at a folder of their own; nullopt goes back to the default search.
void setDirectory(std::optional<std::filesystem::path> dir);

}  // namespace orvane::Resources

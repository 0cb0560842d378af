#pragma once
// The base models shipped with the application, sealed one file per model ("<name>.vrv" among the
// resources). A model is opened at most once per process into a private session folder, which then
// serves as an ordinary model folder.
#include <filesystem>
#include <optional>
#include <string>

namespace orvane::ModelVault {

// The folder holding the named base model, or nothing when the application has none by that name.
// Serialised by one lock; never throws. A cached folder that has vanished is unpacked again.
std::optional<std::filesystem::path> directory(const std::string& name);

// Removes the session folders of earlier processes; folders of processes of this program that still
// run are kept. Never throws.
void cleanStale();
// Removes this process's session folder. Never throws.
void removeSession();

// When set, every lookup answers this folder. Nothing in the application sets it; tests do.
std::optional<std::filesystem::path> overrideDirectory();
void setOverrideDirectory(std::optional<std::filesystem::path> dir);

// Where the sealed models are looked for: the application's resource folder (Resources::directory).
std::filesystem::path resourceDirectory();
void setResourceDirectory(std::optional<std::filesystem::path> dir);

// The per-user private folder that holds the session folders: "$XDG_RUNTIME_DIR/Vendrel", else
// "Vendrel" in the user's cache folder; made with mode 0700 and refused when it is a link or
// belongs to another user. Nothing when no such folder can be had.
std::optional<std::filesystem::path> privateRoot();
// This process's session folder: privateRoot()/".vr-<pid>".
std::optional<std::filesystem::path> sessionRoot();

// Forgets what was opened (tests only: the real application opens each model once per process).
void resetForTesting();

}  // namespace orvane::ModelVault

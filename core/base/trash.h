#pragma once
// The user's trash (freedesktop.org layout): the item goes to $XDG_DATA_HOME/Trash/files with a
// .trashinfo record in Trash/info, so the desktop's trash can show and restore it.
#include <filesystem>

namespace orvane::Trash {

// The home trash folder: $XDG_DATA_HOME/Trash, else ~/.local/share/Trash.
std::filesystem::path homeTrash();

// Moves a file or folder into the home trash and returns where it went. When that is impossible
// (another file system, no permission) it throws std::system_error and the item stays where it was.
std::filesystem::path moveToTrash(const std::filesystem::path& item);

}  // namespace orvane::Trash

#pragma once
// The user's base folders after the XDG convention: the variable when it holds an absolute path
// (a relative one is ignored, as the convention says), else the default below $HOME.
#include <filesystem>

namespace orvane::UserFolders {

// $XDG_DATA_HOME, else ~/.local/share.
std::filesystem::path data();
// $XDG_CONFIG_HOME, else ~/.config.
std::filesystem::path config();

}  // namespace orvane::UserFolders

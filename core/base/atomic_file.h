#pragma once
// Whole-file replacement that never leaves a partial file: a reader sees the old file or the new one.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace orvane {

// Writes `bytes` to a fresh temporary file in the target's folder (created exclusively), checks every
// write and the close, fsyncs, renames over the target and fsyncs the folder. On any failure the
// temporary file is removed, the previous target stays as it was, and std::filesystem::filesystem_error
// (a std::system_error) is thrown.
// The folder must exist. A replaced file keeps its permissions; a link is written through to the file
// it names. `beforeRename`, when given, runs just before the rename (tests use it to
// interrupt a write at the worst moment).
void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         const std::function<void()>& beforeRename = {});

// Opens `folder` (made absolute) for the *at calls (O_PATH) without following a symbolic link in any
// component; a ".." component is refused (EINVAL). Returns the descriptor, or -1 with errno set (ELOOP
// or ENOTDIR for a link).
int openFolderNoFollow(const std::filesystem::path& folder);

// Like writeFileAtomically, but no link is followed: not in the folder's path (opened with
// openFolderNoFollow) and not at the target's name, where a link is replaced rather than written
// through. For files whose folder someone else may plant links in.
void replaceFileNoFollow(const std::filesystem::path& target, std::string_view bytes);

// Like writeFileAtomically, but never replaces anything: when the target exists the write fails with
// EEXIST (std::filesystem::filesystem_error) and the temporary file is removed.
void writeNewFileAtomically(const std::filesystem::path& target, std::string_view bytes);

// Moves `from` to `to` only when nothing is at `to`; returns 0, or the errno (EEXIST when taken).
int renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);

// Flushes a folder and everything below it to the disk (files, then folders, the folder itself last),
// so that what names it afterwards can never point at files the disk does not hold yet. Throws
// std::filesystem::filesystem_error when an entry cannot be opened or flushed.
void syncTree(const std::filesystem::path& folder);
// Flushes one folder's own entries (a new name in it), not what lies below.
void syncFolder(const std::filesystem::path& folder);
// Flushes one file's content to the disk; throws std::filesystem::filesystem_error.
void syncFile(const std::filesystem::path& file);

// Reads a whole file; throws std::system_error when it cannot be opened or read.
std::string readWholeFile(const std::filesystem::path& file);

}  // namespace orvane

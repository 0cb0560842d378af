#pragma once
// The backups made before every catalog write: copies named "<catalog>-yyyyMMdd-HHmmss.lrcat" in the
// "CatalogBackup" folder of the data directory, zipped in the background, pruned per catalog and held
// under a size limit. Apart from the copy itself and the explicit delete, everything here is best
// effort: a failure leaves the files as they were and is not reported. A process killed at any point
// leaves only whole backups under backup names.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace orvane::CatalogWriter {

// Store::root() / "CatalogBackup"; nothing is created. Every copy, compression, pruning and limit run
// holds the folder's lock, "CatalogBackup.lock" beside it, so threads and processes take turns; each
// of them first clears what a killed run left (unfinished copies and archives), which no one else can
// be making then.
std::filesystem::path backupDirectory();

// Local time as "yyyyMMdd-HHmmss".
std::string backupStamp(std::chrono::system_clock::time_point when);

// Copies the catalog through SQLite to "<base>-<stamp>.lrcat" in the backup folder (creating it): the
// copy is made under an unfinished name, flushed, then renamed and the folder flushed, so a backup
// name always holds a whole database. A hot journal is rolled back first, and a WAL catalog's copy
// holds what its log holds; the copy has no companions. When the name is taken the stamp moves on by
// a second until it is free. The caller that is about to write holds the catalog's write lock, so the
// copy is exactly the catalog its write starts from. Throws std::filesystem::filesystem_error (SQLite's
// message and, where the system gave one, its error).
std::filesystem::path makeBackup(const std::filesystem::path& catalog, std::chrono::system_clock::time_point now);

// Writes `archive` holding the folder entry `folder` + "/" and each (file, name) under it. Returns false
// on any failure, leaving no archive behind.
using ZipWriter = std::function<bool(const std::filesystem::path& archive, const std::string& folder,
                                     const std::vector<std::pair<std::filesystem::path, std::string>>& files)>;
bool zipFolder(const std::filesystem::path& archive, const std::string& folder,
               const std::vector<std::pair<std::filesystem::path, std::string>>& files);

// Compresses this copy and every other uncompressed backup of the base, then prunes the base.
void compressBackup(const std::filesystem::path& copy, const std::string& base, const ZipWriter& zip = zipFolder);
// "B-T.lrcat" with its companions becomes "B-T.zip" (one top-level folder "B-T/"): the archive is
// written under an unfinished name, flushed and renamed, and only then are the copies removed. On
// failure the copies stay where they are and no archive remains.
void compressOne(const std::filesystem::path& copy, const ZipWriter& zip = zipFolder);
// Deletes the oldest backups of exactly this catalog beyond "backupKeep", then applies the size limit.
void pruneBackups(const std::string& base);
// Deletes the oldest backups while the folder is above "backupLimitGB", never the newest of a catalog
// and day.
void enforceBackupLimit();
// Bytes of everything below the folder, folders included, leftovers of killed runs left out; 0 when it
// cannot be listed.
std::int64_t backupSize();
// Removes the whole folder; throws std::filesystem::filesystem_error.
void deleteBackups();

// compressBackup on the low-priority work pool, without waiting.
void compressBackupInBackground(const std::filesystem::path& copy, const std::string& base,
                                const ZipWriter& zip = zipFolder);
// Waits until every background compression started so far has finished (tests).
void drainBackups();
// The same for at most `limit` (quitting); true when none is left running.
bool drainBackups(std::chrono::milliseconds limit);

}  // namespace orvane::CatalogWriter

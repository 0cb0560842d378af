#pragma once
// The backups made before every catalog write: copies named "<catalog>-yyyyMMdd-HHmmss.lrcat" in the
// "CatalogBackup" folder of the data directory, zipped in the background, pruned per catalog and held
// under a size limit. Apart from the copy itself and the explicit delete, everything here is best
// effort: a failure leaves the files as they were and is not reported.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace orvane::CatalogWriter {

// Store::root() / "CatalogBackup"; nothing is created.
std::filesystem::path backupDirectory();

// Local time as "yyyyMMdd-HHmmss".
std::string backupStamp(std::chrono::system_clock::time_point when);

// Copies the catalog to "<base>-<stamp>.lrcat" in the backup folder (creating it), with its "-wal" and
// "-shm" companions when they exist. A copy of the same name already there (two writes within one
// second) fails rather than overwriting it. Throws std::filesystem::filesystem_error for the folder or
// the main copy; a companion that cannot be copied is left out.
std::filesystem::path makeBackup(const std::filesystem::path& catalog, std::chrono::system_clock::time_point now);

// Writes `archive` holding the folder entry `folder` + "/" and each (file, name) under it. Returns false
// on any failure, leaving no archive behind.
using ZipWriter = std::function<bool(const std::filesystem::path& archive, const std::string& folder,
                                     const std::vector<std::pair<std::filesystem::path, std::string>>& files)>;
bool zipFolder(const std::filesystem::path& archive, const std::string& folder,
               const std::vector<std::pair<std::filesystem::path, std::string>>& files);

// Compresses this copy and every other uncompressed backup of the base, then prunes the base.
void compressBackup(const std::filesystem::path& copy, const std::string& base, const ZipWriter& zip = zipFolder);
// "B-T.lrcat" with its companions becomes "B-T.zip" (one top-level folder "B-T/"); the copies are removed
// only once the archive is complete. On failure the copies stay where they are and no archive remains.
void compressOne(const std::filesystem::path& copy, const ZipWriter& zip = zipFolder);
// Deletes the oldest backups of exactly this catalog beyond "backupKeep", then applies the size limit.
void pruneBackups(const std::string& base);
// Deletes the oldest backups while the folder is above "backupLimitGB", never the newest of a catalog
// and day.
void enforceBackupLimit();
// Bytes of everything below the folder, folders included; 0 when it cannot be listed.
std::int64_t backupSize();
// Removes the whole folder; throws std::filesystem::filesystem_error.
void deleteBackups();

// compressBackup on the low-priority work pool, without waiting.
void compressBackupInBackground(const std::filesystem::path& copy, const std::string& base);
// Waits until every background compression started so far has finished (tests, quitting).
void drainBackups();

}  // namespace orvane::CatalogWriter

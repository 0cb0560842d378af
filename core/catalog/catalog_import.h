#pragma once
// Showing what a catalog offers, and importing it as a private, verified copy to learn from.
#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>

#include "core/base/file_digest.h"
#include "core/catalog/catalog_records.h"

namespace orvane::Catalog {

// Counts of a user's catalog (read-only); absent when it cannot be read.
std::optional<CatalogStats> analyze(const std::filesystem::path& catalog);

// Hooks for tests: the pause between attempts, and a call right after each file is copied (before its
// digests are taken), where a test can change the source.
struct ImportHooks {
    std::function<void(std::chrono::milliseconds)> sleep;
    std::function<void(const std::filesystem::path& source)> afterCopy;
};

// Copies the catalog with its "-wal" and "-shm" files into Catalogs/<new id>/catalog.lrcat…, proves each
// copy equal to its source by SHA-256 and that no source changed while the set was copied, reads the
// copy, and returns the record (not saved). Three attempts 1.5 s apart; after the last failure the
// folder is removed and that failure is thrown (CatalogError or the file system's error).
TrainingCatalog importCatalog(const std::filesystem::path& catalog,
                              const std::optional<std::set<std::string>>& only = std::nullopt,
                              const ImportHooks& hooks = {});

// SHA-256 of a file, read in blocks of 8 MiB; throws std::system_error when it cannot be read.
inline std::array<std::uint8_t, 32> sha256(const std::filesystem::path& file) { return sha256File(file); }

}  // namespace orvane::Catalog

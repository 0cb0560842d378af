#pragma once
// Which of a project's photos the photographer has exported from the catalog: a develop-history step
// named "Export - …" on the master photo. Safe while the catalog is open in its editor.
#include <filesystem>
#include <optional>
#include <set>
#include <string>

namespace orvane::ExportWatch {

// How long a lock held by the catalog's editor is waited for, per step of the query.
inline constexpr int kBusyTimeoutMs = 1500;

// The paths among `among` whose master photo has an export step; nothing when the catalog cannot be
// queried to the end (missing, not a catalog, locked past the timeout). Never a partial answer.
std::optional<std::set<std::string>> exportedPaths(const std::filesystem::path& catalog,
                                                   const std::set<std::string>& among);

}  // namespace orvane::ExportWatch

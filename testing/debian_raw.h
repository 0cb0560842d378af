#pragma once
// The one real camera raw file Debian ships: IMG_5952.CR2 of the rawtran-doc package (Canon EOS 30D,
// GPL-3+). Optional: callers skip when it is absent.
#include <filesystem>
#include <optional>

#include "testing/temp_dir.h"

namespace orvane::testing {

// The file's path; a gzipped copy is unpacked into `dir`. Absent when the package is not installed.
std::optional<std::filesystem::path> debianCameraRaw(const TempDir& dir);

}  // namespace orvane::testing

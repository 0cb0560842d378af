#pragma once
#include <filesystem>

namespace orvane::testing {

// Points the store at a private temporary data directory for the whole test process (the data
// directory is decided once per process) and empties it; call at the start of every test that
// saves or lists records through Store::root().
const std::filesystem::path& freshDataDir();

}  // namespace orvane::testing

#pragma once
// Test support for the update road: signed application folders with a program that notes its version
// in a marker file, and zip archives with whatever entries a test needs (links, set-user bits, unsafe
// names included).
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "testing/update_pki.h"

namespace orvane::testing {

inline constexpr const char* testAppIdentifier = "ro.vendrel.app";

// A signed application folder: Contents/bin/vendrel, a shell script that appends `version` to `marker`
// and then runs `tail`, and Contents/Resources/version.txt. `version` may carry a build ("1.1+7").
void makeAppFolder(const std::filesystem::path& folder, const TestSigner& signer, const std::string& version,
                   const std::filesystem::path& marker, const std::string& tail = "exec sleep 5",
                   const std::string& identifier = testAppIdentifier);

// The version.txt of an application folder made by makeAppFolder.
std::string versionAt(const std::filesystem::path& folder);

// The marker's text once it holds `lines` lines, waiting up to 15 s (versions started by the helper
// write it after the helper has ended); whatever it holds at the deadline otherwise.
std::string markerLines(const std::filesystem::path& marker, std::size_t lines);

struct ZipEntry {
    std::string name;              // "/" at the end for a folder
    std::string contents;
    std::uint32_t mode = 0100644;  // st_mode: type and permission bits, stored as Unix attributes
};

// Writes a zip archive of these entries, in this order.
void writeZip(const std::filesystem::path& archive, const std::vector<ZipEntry>& entries);

// The entries of a folder as a zip archive whose top level is the folder itself.
std::vector<ZipEntry> entriesOf(const std::filesystem::path& folder);

}  // namespace orvane::testing

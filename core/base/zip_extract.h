#pragma once
// Unpacking zip archives that come from outside (profile packages, update archives). Every entry is
// checked before a single file is written: safe relative names only, plain files and folders only,
// no set-user or set-group bits, and limits on the number of entries and the bytes they unpack to.
// Files are written exclusively and never through a link.
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string_view>

namespace orvane::ZipExtract {

class Error : public std::runtime_error {
public:
    enum class Kind {
        unreadable,  // not a zip archive libzip can read, or an entry that does not read back as declared
        refused,     // an entry or a size that unpacking refuses
    };
    Error(Kind kind, const char* what) : std::runtime_error(what), kind_(kind) {}
    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

struct Options {
    std::uint64_t maxEntries = 100'000;
    std::uint64_t maxBytes = 2ull << 30;  // declared sizes of all entries together
    // Give each file the permission bits its entry records (an application's programs must stay
    // executable); otherwise files are 0644. Folders are always 0755.
    bool keepModes = false;
};

// A name an archive entry may carry: relative, no "." or ".." or empty component, no backslash,
// no NUL. Folder entries end with "/".
bool safeEntryName(std::string_view name);

// Unpacks `archive` into the existing folder `into`. Throws Error, or std::system_error when a file
// cannot be written; a refused archive writes nothing, a failure later may leave part of it.
void extract(const std::filesystem::path& archive, const std::filesystem::path& into, const Options& options = {});

}  // namespace orvane::ZipExtract

#pragma once
// Profile packages: a profile's folder packed into one zip file to move it to another machine.
// Profile::exportPackage and Profile::importPackage (profile.h) use these pieces; an archive from
// outside is untrusted, so it is checked whole before a single file is written.
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/style/profile.h"

namespace orvane {

// What the user is told when a package cannot be made or opened; what() is that message.
class PackageError : public std::runtime_error {
public:
    enum class Code {
        archiveFailed,  // the archive could not be written or read: "Arhivarea a eșuat."
        notAProfile,    // it holds no profile, or entries no package of ours holds
    };
    explicit PackageError(Code code);
    Code code() const { return code_; }

private:
    Code code_;
};

namespace ProfilePackage {

// Limits on what one archive may unpack to.
inline constexpr std::uint64_t maxEntries = 100'000;
inline constexpr std::uint64_t maxUnpackedBytes = 2ull << 30;  // 2 GiB

// The package's top-level folder for a profile name: "/" and NUL become "-", leading dots go, and a
// name left empty becomes "profil", so the folder always lies inside the staging folder.
std::string folderName(const std::string& profileName);

// A name an archive entry may carry: relative, no "." or ".." or empty component, no backslash,
// no NUL. Folder entries end with "/".
bool safeEntryName(std::string_view name);

// Packs `folder` and everything below it into a new zip file at `archive` (the folder's own name is
// the top level); an existing file is replaced only when the new one is complete.
// Throws PackageError(archiveFailed).
void pack(const std::filesystem::path& folder, const std::filesystem::path& archive);

// Unpacks an untrusted zip file into the existing empty folder `into`. Every entry is checked first
// (safe names, only regular files and folders, at most maxEntries, at most maxUnpackedBytes declared
// in all); a refused archive writes nothing. Throws PackageError(archiveFailed) for a file that is
// not a readable zip archive or whose contents fail to read back as declared, PackageError(notAProfile)
// for a refused entry or limit; `into` may then hold part of the archive.
void unpack(const std::filesystem::path& archive, const std::filesystem::path& into);

// The profile an unpacked package holds, checked the way an import checks it before it installs
// anything: the first folder (in name order) with a "profile.json", whose record decodes, with a
// "preset.xmp", a readable "models.json" when there is one, and every compiled model in it, in any
// generation, loading (its booster file checked before XGBoost reads it). Throws
// PackageError(notAProfile), or the record's decoding error.
struct UnpackedProfile {
    std::filesystem::path folder;
    Profile record;
};
UnpackedProfile readUnpacked(const std::filesystem::path& unpacked);

}  // namespace ProfilePackage
}  // namespace orvane

#pragma once
// The in-app updater's rules below the interface: the feed document and version keys, staging a new
// version beside the installed folder (from a zip archive or a chosen application folder), the checks
// and the start of the update helper at hand-over, the manual-install copy in the Downloads folder,
// and the leftovers of earlier updates. Calls block: run them off the interface thread.
#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/update/code_signature.h"

namespace orvane {

// A failure on the staging road that the updater shows as it stands; what() is the Romanian text.
class StagingError : public std::runtime_error {
public:
    enum class Code {
        notAVersion,    // "Nu este o versiune Vendrel."
        noApplication,  // "Nu există nicio aplicație în arhivă."
        badArchive,     // an archive unpacking refuses or cannot read
    };
    explicit StagingError(Code code);
    Code code() const { return code_; }

private:
    Code code_;
};

// The feed document could not be decoded; what() says why.
class FeedError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

namespace UpdateStaging {

// The release the feed announces.
struct Feed {
    std::string version;
    std::optional<std::string> build;  // absent or null: "0"
    std::string url;                   // absolute, or relative to the feed's address
    bool operator==(const Feed&) const = default;
};

// A JSON object with the strings "version" and "url" and an optional string (or null) "build"; other
// keys are ignored. Anything else (a number in place of a string, a missing key, not an object) throws
// FeedError.
Feed decodeFeed(std::string_view body);

// "version.build", with "0" for a missing build.
std::string releaseKey(const Feed& feed);

// Natural order of version keys: runs of ASCII digits compare by value (leading zeros ignored, then the
// shorter run first), any other byte by its value; a prefix orders first. Negative, zero or positive.
int compareVersions(std::string_view a, std::string_view b);
inline bool isNewer(std::string_view release, std::string_view installed) {
    return compareVersions(release, installed) > 0;
}

// Spaces and tabs removed at both ends (line breaks stay).
std::string trimmed(std::string_view text);

// `reference` resolved against `base` (a relative name against the base's folder); none when no
// address results.
std::optional<std::string> resolve(const std::string& base, const std::string& reference);

// The running application as the updater sees it.
struct InstalledApp {
    std::filesystem::path folder;  // the signed application folder
    std::string identifier;        // its manifest's identifier; empty when it has none
    std::string shortVersion;
    std::string build;
    std::string key() const { return shortVersion + "." + build; }
};

// A manifest version "1.5.0+57" is short version 1.5.0 with build 57; without "+" the build is "0".
std::pair<std::string, std::string> splitVersion(const std::string& manifestVersion);

// The application folder an executable at `program` lies in: the folder holding the "Contents"
// component of its path. None outside such a folder (a development build).
std::optional<std::filesystem::path> applicationFolderOf(const std::filesystem::path& program);

// Whether the folder carries a signature, checked against `anchors`, whose signer names a team: only
// then can an update be staged and checked beside it.
bool isTeamSigned(const std::filesystem::path& folder, const TrustAnchors& anchors);

// Where staged copies go: ".OrvaneStudio-previous-<UUID>.app" beside the installed folder.
inline constexpr std::string_view stagedPrefix = ".OrvaneStudio-previous-";
bool isStagedName(std::string_view name);

// The user-facing texts of staging.
std::string notNewerText(const std::string& shortVersion, const std::string& build);
std::string stagedText(const std::string& shortVersion, const std::string& build);

// Limits on what an update archive may unpack to.
inline constexpr std::uint64_t maxArchiveEntries = 200'000;
inline constexpr std::uint64_t maxArchiveBytes = 4ull << 30;

// Unpacks an update archive into `into` (an empty private folder) and answers its application folder:
// the first top-level entry, in sorted order, named "*.app" that is a real folder. Throws StagingError.
std::filesystem::path unpackArchive(const std::filesystem::path& archive, const std::filesystem::path& into);

struct Staged {
    std::optional<std::filesystem::path> folder;  // absent: not newer, nothing staged
    std::string status;
};

// Stages `source` (a zip archive, or an application folder) beside `installed.folder`: unpacks an
// archive into a private temporary folder (0700) under `temporaryFolder`, copies the application
// folder to a new staged name, checks that copy against the installed folder and reads its identifier
// and version from the checked copy. A copy that is not newer is removed again. Throws StagingError,
// UpdateSafety::Error (untrustedSigner) or a file-system error; nothing staged remains after a failure
// and the temporary folder is always removed.
Staged stage(const std::filesystem::path& source, const InstalledApp& installed, const TrustAnchors& anchors,
             const std::filesystem::path& temporaryFolder = {});

// The update helper inside the installed folder.
std::filesystem::path helperPath(const std::filesystem::path& installedFolder);

// The checks of the hand-over, then the helper's start: the staged folder passes the signature check
// once more, and the helper is started with this process's identifier and the two folders, in its own
// session with null streams. Throws UpdateSafety::Error or std::system_error (a missing helper).
void startHelper(const std::filesystem::path& helper, pid_t application, const std::filesystem::path& staged,
                 const std::filesystem::path& installed, const TrustAnchors& anchors);

// The file name a manual download is saved under: the address's last path component, percent-decoded,
// when it is a safe name (not empty, no "/", no control character, no leading "."), else
// "Vendrel-<version>.zip" (or "Vendrel.zip" when the version would not make a safe name).
std::string manualInstallName(const std::string& url, const std::string& version);

// Moves `file` into `folder` under `name`, or "name (2)", "name (3)"… when that exists: nothing that
// exists is replaced or removed. Answers the path written.
std::filesystem::path saveWithoutClobbering(const std::filesystem::path& file, const std::filesystem::path& folder,
                                            const std::string& name);

// Leftovers of earlier updates beside the installed folder. The text of the helper's error files
// (".OrvaneStudio-previous-<UUID>.update-error.txt"), which are removed; the first in sorted order, or
// none.
std::optional<std::string> takeLeftoverError(const std::filesystem::path& installedFolder);
// Removes staged folders that are not `keep` and from which no process runs; answers how many.
int removeStalePrevious(const std::filesystem::path& installedFolder,
                        const std::optional<std::filesystem::path>& keep = std::nullopt,
                        const std::filesystem::path& procRoot = "/proc");

}  // namespace UpdateStaging
}  // namespace orvane

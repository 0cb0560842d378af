#pragma once
// Writes the develop settings of one photo as an XMP sidecar beside it: a new file from the preset,
// or a verified merge into the sidecar that is there, keeping backup copies of what was replaced.
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "core/base/iso_date.h"
#include "core/xmp/develop_preset.h"

namespace orvane {

namespace TeethMask {
struct Spec;
}

namespace XMPWriter {

struct Outcome {
    enum class Kind {
        replacedWithBackup,  // an existing file was moved aside to `url` and the new text written
        merged,              // merged into an existing sidecar; `url` is the ".bak-original" made now, if any
        written,             // a new sidecar was written
    };
    Kind kind = Kind::written;
    std::optional<std::filesystem::path> url;

    static Outcome replacedWithBackup(std::filesystem::path u) { return {Kind::replacedWithBackup, std::move(u)}; }
    static Outcome merged(std::optional<std::filesystem::path> u) { return {Kind::merged, std::move(u)}; }
    static Outcome written() { return {Kind::written, std::nullopt}; }
    bool operator==(const Outcome&) const = default;
};

// Toolkit marks: the first is written into new sidecars, the second is recognised from earlier versions.
inline constexpr std::string_view toolkitMark = "x:xmptk=\"Vendrel\"";
inline constexpr std::string_view legacyToolkitMark = "x:xmptk=\"OrvaneStudio\"";

// The sidecar of a raw file inside `folder`: the raw file's name without its extension, then ".xmp".
std::filesystem::path xmpURL(const std::filesystem::path& raw, const std::filesystem::path& folder);

// Writes one photo's sidecar: a new file when none exists (never replacing one that appears
// meanwhile), else a verified merge. A MergeError or a failure to read the existing sidecar happens
// before anything is written. File failures are std::system_error / std::filesystem::filesystem_error.
Outcome writeMerged(const DevelopPreset& preset, const std::filesystem::path& raw, const std::filesystem::path& folder,
                    double exposure, double temperature, std::optional<double> tint,
                    const DevelopPreset::Overrides& overrides, const DevelopPreset::Pairs& extra,
                    const TeethMask::Spec* masks, const std::set<std::string, std::less<>>& skipping);

// Writes a ready sidecar text. An existing file is refused (errc::file_exists, with the sidecar's path)
// unless `overwrite`, which moves it aside to "<sidecar>.bak-yyyyMMdd-HHmmss" (local time of `now`);
// that move never replaces an earlier backup of the same second: it fails instead.
Outcome write(std::string_view text, const std::filesystem::path& raw, const std::filesystem::path& folder,
              bool overwrite, Date now = std::chrono::system_clock::now());

}  // namespace XMPWriter
}  // namespace orvane

#pragma once
// Delivers a processed project: the final develop values of every done photo, written as merged
// sidecars (beside the raw files or into a mirrored tree) or handed to the catalog writer in one go.
// Every function works on the project value it is given, keeps no state and runs on the caller's thread.
#include <cstdint>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/catalog/catalog_writer.h"
#include "core/store/project.h"
#include "core/xmp/develop_preset.h"
#include "core/xmp/photo_attributes.h"

namespace orvane {

namespace Exporter {
struct SidecarCounts {
    std::int64_t written = 0;  // new sidecars
    std::int64_t merged = 0;   // merged into an existing sidecar
    std::int64_t backups = 0;  // merges that made the one-time ".bak-original" copy
    bool operator==(const SidecarCounts&) const = default;
};
}  // namespace Exporter

// Why an export stopped, naming the photo it stopped at (its file name) and counting the sidecars
// written before it, which stay on disk.
class ExportError : public std::runtime_error {
public:
    enum class Kind {
        noTint,  // no as-shot tint known and the photo's file holds no white balance
        failed,  // reading the photo, making its folder or writing its sidecar failed: see cause()
    };
    static ExportError noTint(const std::string& file);
    // "Exportul s-a oprit la <file>: " followed by the cause's own text.
    static ExportError failed(const std::string& file, std::exception_ptr cause);
    Kind kind() const { return kind_; }
    const std::string& file() const { return file_; }
    // The original error of a `failed` export, to rethrow or inspect; null for noTint.
    std::exception_ptr cause() const { return cause_; }
    const Exporter::SidecarCounts& before() const { return before_; }
    ExportError counting(const Exporter::SidecarCounts& before) const;
    std::string errorDescription() const { return what(); }

private:
    ExportError(Kind kind, std::string file, std::exception_ptr cause, const std::string& description)
        : std::runtime_error(description), kind_(kind), file_(std::move(file)), cause_(std::move(cause)) {}
    Kind kind_;
    std::string file_;
    std::exception_ptr cause_;
    Exporter::SidecarCounts before_;
};

namespace Exporter {

// The folder a photo's sidecar goes to for an export into `destination`: beside the raw file when the
// destination is the project's folder; else the photo's sub-folder below the project folder mirrored
// under the destination (the destination itself for a photo outside the project folder).
std::filesystem::path sidecarFolder(const Project& project, const PhotoItem& photo,
                                    const std::filesystem::path& destination);

// The sidecars that already exist where an export of the done photos into `destination` would write,
// in project order.
std::vector<std::filesystem::path> conflicts(const Project& project, const std::filesystem::path& destination);

// Writes or merges the sidecar of every done photo, in project order. Stops at the first failure with
// an ExportError that names the photo, keeps the original error as its cause and counts the sidecars
// written before it, which stay on disk.
SidecarCounts write(const Project& project, const DevelopPreset& preset, const std::filesystem::path& destination);

// Computes every done photo's settings first (a failure there is an ExportError and leaves the catalog
// untouched), then writes them all through CatalogWriter::apply, whose errors pass unchanged, with the
// photos corrected by 1 EV or more flagged for review. `progress` may be called from any thread.
CatalogWriter::Outcome writeToCatalog(const Project& project, const DevelopPreset& preset,
                                      const std::filesystem::path& catalog, bool ignoreStaleLock,
                                      const CatalogWriter::Progress& progress = {});

// The final values of one done photo, the same for both targets.
struct FinalValues {
    std::filesystem::path file;  // the file read for metadata: the raw file, or its smart preview when it is gone
    double exposure = 0;
    double temperature = 0;
    double tint = 0;
    DevelopPreset::Overrides overrides;
    DevelopPreset::Pairs extra;
    std::optional<TeethMask::Spec> masks;
    std::set<std::string, std::less<>> skipping;
};
// For a done photo with a predicted exposure and temperature (the export skips a done photo without
// them, which only a hand-edited project file can hold). `faceDeltas` is the project's faceDeltas(),
// computed once per export by the caller. Throws as write() does for this photo.
FinalValues finalValues(const Project& project, const PhotoItem& photo, const DevelopPreset& preset,
                        const std::map<std::string, double>& faceDeltas, bool inCatalog);

}  // namespace Exporter
}  // namespace orvane

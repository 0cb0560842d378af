#include "core/xmp/exporter.h"

#include <algorithm>
#include <limits>

#include "core/masks/teeth_mask.h"
#include "core/photo/as_shot_wb.h"
#include "core/xmp/xmp_writer.h"

namespace orvane {

namespace fs = std::filesystem;

ExportError ExportError::noTint(const std::string& file) {
    return ExportError(Kind::noTint, file, nullptr, noTintText(file) + "; exportul s-a oprit.");
}

ExportError ExportError::failed(const std::string& file, std::exception_ptr cause) {
    std::string text;
    try {
        std::rethrow_exception(cause);
    } catch (const std::exception& e) {
        text = e.what();
    } catch (...) {
        text = "eroare necunoscută";
    }
    return ExportError(Kind::failed, file, std::move(cause), "Exportul s-a oprit la " + file + ": " + text);
}

ExportError ExportError::counting(const Exporter::SidecarCounts& before) const {
    ExportError copy = *this;
    copy.before_ = before;
    return copy;
}

namespace Exporter {
namespace {

// A folder path in one spelling: "." and ".." resolved lexically, no trailing separator.
fs::path standardised(const fs::path& folder) {
    fs::path p = folder.lexically_normal();
    if (!p.empty() && p.filename().empty() && p != p.root_path()) p = p.parent_path();
    return p;
}

// Only done photos with a prediction are exported; a project file that holds a done photo without one
// has been edited by hand, and no value for it could be right.
bool exported(const PhotoItem& photo) {
    return photo.status == PhotoItem::Status::done && photo.exposure && photo.temperature;
}

std::string fileName(const PhotoItem& photo) { return fs::path(photo.path).filename().string(); }

// Runs one photo's step; any failure but our own becomes ExportError::failed naming the photo.
template <class Step>
auto forPhoto(const PhotoItem& photo, Step&& step) -> decltype(step()) {
    try {
        return step();
    } catch (const ExportError&) {
        throw;
    } catch (...) {
        throw ExportError::failed(fileName(photo), std::current_exception());
    }
}

}  // namespace

fs::path sidecarFolder(const Project& project, const PhotoItem& photo, const fs::path& destination) {
    const fs::path photoFolder = standardised(fs::path(photo.path).parent_path());
    const fs::path projectFolder = standardised(project.folder);
    const fs::path target = standardised(destination);
    if (target == projectFolder) return photoFolder;
    // By components, so that "/a/bc" never counts as lying in "/a/b".
    const fs::path rest = photoFolder.lexically_relative(projectFolder);
    if (rest.empty() || rest == "." || *rest.begin() == "..") return target;
    return target / rest;
}

std::vector<fs::path> conflicts(const Project& project, const fs::path& destination) {
    std::vector<fs::path> out;
    for (const auto& photo : project.photos) {
        if (!exported(photo)) continue;
        const fs::path sidecar = XMPWriter::xmpURL(photo.path, sidecarFolder(project, photo, destination));
        std::error_code ec;
        if (fs::exists(sidecar, ec)) out.push_back(sidecar);
    }
    return out;
}

FinalValues finalValues(const Project& project, const PhotoItem& photo, const DevelopPreset& preset,
                        const std::map<std::string, double>& faceDeltas, bool inCatalog) {
    FinalValues v;
    v.file = sourceURL(photo);

    double tintBase = 0;
    if (photo.asShotTint) {
        tintBase = *photo.asShotTint;
    } else {
        const auto wb = readAsShot(v.file);
        if (!wb) throw ExportError::noTint(fileName(photo));
        tintBase = wb->tint;
    }

    const auto tuning = project.profileTuning.value_or(ProfileTuning{});
    const auto basic = project.adjustments();
    const auto delta = faceDeltas.find(photo.path);
    v.exposure = project.fixedExposure ? *project.fixedExposure
                                       : *photo.exposure + project.globalExposure.value_or(0) + tuning.exposure;
    if (delta != faceDeltas.end()) v.exposure += delta->second;
    v.temperature = project.fixedTemperature ? *project.fixedTemperature
                                             : *photo.temperature + basic.temperature + tuning.basic.temperature;
    v.tint = std::clamp(tintBase + basic.tint + tuning.basic.tint, -150.0, 150.0);

    v.overrides = project.overrides(photo);
    v.extra = cropAttributes(photo, project, v.file, preset, inCatalog);
    v.masks = teethSpec(project, photo);
    if (project.untouchedKeys) v.skipping.insert(project.untouchedKeys->begin(), project.untouchedKeys->end());
    return v;
}

SidecarCounts write(const Project& project, const DevelopPreset& preset, const fs::path& destination) {
    SidecarCounts counts;
    const auto deltas = project.faceDeltas();
    for (const auto& photo : project.photos) {
        if (!exported(photo)) continue;
        XMPWriter::Outcome outcome;
        try {
            outcome = forPhoto(photo, [&] {
                const auto v = finalValues(project, photo, preset, deltas, false);
                const fs::path folder = sidecarFolder(project, photo, destination);
                fs::create_directories(folder);
                // Named after the raw path even when only its smart preview is left, so the sidecar is the
                // one `conflicts` announced and the one Lightroom looks for once the raw file is back.
                return XMPWriter::writeMerged(preset, photo.path, folder, v.exposure, v.temperature, v.tint,
                                              v.overrides, v.extra, v.masks ? &*v.masks : nullptr, v.skipping);
            });
        } catch (const ExportError& e) {
            throw e.counting(counts);
        }
        switch (outcome.kind) {
        case XMPWriter::Outcome::Kind::written:
            ++counts.written;
            break;
        case XMPWriter::Outcome::Kind::merged:
            ++counts.merged;
            if (outcome.url) ++counts.backups;
            break;
        case XMPWriter::Outcome::Kind::replacedWithBackup:
            break;  // writeMerged never replaces a sidecar
        }
    }
    return counts;
}

CatalogWriter::Outcome writeToCatalog(const Project& project, const DevelopPreset& preset, const fs::path& catalog,
                                      bool ignoreStaleLock, const CatalogWriter::Progress& progress) {
    std::set<std::string> flagged;
    for (const auto& photo : project.bigCorrectionPhotos(std::numeric_limits<std::size_t>::max(), 1.0))
        flagged.insert(photo.path);

    CatalogWriter::Curves curves;
    for (const auto& [name, points] : preset.toneCurves()) {
        auto& curve = curves[name];
        for (const auto& [in, out] : points) curve.emplace_back(static_cast<int>(in), static_cast<int>(out));
    }

    const auto deltas = project.faceDeltas();
    std::size_t total = 0;
    for (const auto& photo : project.photos) total += exported(photo);
    std::vector<CatalogWriter::Edit> edits;
    edits.reserve(total);
    for (const auto& photo : project.photos) {
        if (!exported(photo)) continue;
        const std::size_t i = edits.size();
        if (i % 25 == 0 && progress)
            progress("Se pregătesc setările fotografiilor…",
                     0.05 + 0.3 * static_cast<double>(i) / static_cast<double>(total));
        edits.push_back(forPhoto(photo, [&] {
            auto v = finalValues(project, photo, preset, deltas, true);
            CatalogWriter::Edit edit;
            edit.path = photo.path;
            edit.attributes =
                preset.resolvedAttributes(v.exposure, v.temperature, v.tint, v.overrides, v.extra, v.skipping);
            edit.curves = curves;
            edit.masks = std::move(v.masks);
            return edit;
        }));
    }
    return CatalogWriter::apply(edits, catalog, std::chrono::system_clock::now(), ignoreStaleLock, flagged, progress);
}

}  // namespace Exporter
}  // namespace orvane

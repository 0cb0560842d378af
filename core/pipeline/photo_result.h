#pragma once
// What the per-photo pipeline is asked to analyse, and what it answers for one photo.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/photo/analysis_records.h"
#include "core/photo/as_shot_wb.h"

namespace orvane {

// Which optional analyses to run; each fills the PhotoResult field of the same purpose.
struct AnalysisRequest {
    bool straighten = false;
    bool feet = false;
    bool teeth = false;
    bool layout = false;
    bool skin = false;
    bool subject = false;

    bool any() const { return straighten || feet || teeth || layout || skin || subject; }
    bool operator==(const AnalysisRequest&) const = default;
};

struct PhotoResult {
    double exposure = 0;
    double temperature = 0;  // kelvin
    std::optional<AsShotWB> asShot;
    double aspect = 0;  // displayed width over displayed height
    std::optional<std::map<std::string, double>> extras;
    std::optional<StraightenResult> straighten;
    std::optional<double> feetBottom;
    std::optional<std::vector<TeethRegion>> teeth;
    std::optional<PersonLayout> layout;
    std::optional<std::vector<SkinRegion>> skin;
    std::optional<SkinRegion> subject;

    PhotoResult() = default;
    // extras and subject always start absent; the pipeline sets them afterwards.
    PhotoResult(double exposure, double temperature, std::optional<AsShotWB> asShot, double aspect,
                std::optional<StraightenResult> straighten = std::nullopt, std::optional<double> feetBottom = std::nullopt,
                std::optional<std::vector<TeethRegion>> teeth = std::nullopt,
                std::optional<PersonLayout> layout = std::nullopt,
                std::optional<std::vector<SkinRegion>> skin = std::nullopt)
        : exposure(exposure),
          temperature(temperature),
          asShot(asShot),
          aspect(aspect),
          straighten(std::move(straighten)),
          feetBottom(feetBottom),
          teeth(std::move(teeth)),
          layout(std::move(layout)),
          skin(std::move(skin)) {}

    bool operator==(const PhotoResult&) const = default;
};

// What re-running the image analyses of one photo gives, without predicting anything again.
struct PhotoAnalysis {
    std::optional<StraightenResult> straighten;
    std::optional<double> feetBottom;
    std::optional<std::vector<TeethRegion>> teeth;  // present (maybe empty) exactly when requested
    std::optional<std::vector<SkinRegion>> skin;    // likewise
    std::optional<SkinRegion> subject;
    std::optional<PersonLayout> layout;
    double aspect = 0;  // displayed width over displayed height

    bool operator==(const PhotoAnalysis&) const = default;
};

}  // namespace orvane

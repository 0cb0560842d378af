#pragma once
// How much the user corrected a finished project in Lightroom Classic afterwards.
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/base/iso_date.h"
#include "core/base/strict_json.h"
#include "core/store/project.h"

namespace orvane {

struct PhotoCorrection {
    std::string path;
    double aiExposure = 0;
    double finalExposure = 0;
    double aiTemperature = 0;
    double finalTemperature = 0;
    std::optional<std::map<std::string, double>> extras;  // catalog value minus prediction

    double exposureDelta() const { return finalExposure - aiExposure; }
    double temperatureDelta() const { return finalTemperature - aiTemperature; }
    // |exposure| >= 0.05 EV, |temperature| >= 50 K, or a further setting moved by 3 or more.
    bool changed() const;

    bool operator==(const PhotoCorrection&) const = default;
    template <class S, class V>
    static void describe(S& s, V& v) {
        v.req("path", s.path);
        v.req("aiExposure", s.aiExposure);
        v.req("finalExposure", s.finalExposure);
        v.req("aiTemperature", s.aiTemperature);
        v.req("finalTemperature", s.finalTemperature);
        v.opt("extras", s.extras);
    }
};

struct CorrectionSummary {
    std::int64_t photos = 0;
    std::int64_t changed = 0;
    double meanExposure = 0;     // over the changed photos, EV
    double meanTemperature = 0;  // over the changed photos, kelvin
    Date date = std::chrono::system_clock::now();

    // The sentence shown to the user; empty when nothing was compared.
    std::string text() const;

    bool operator==(const CorrectionSummary&) const = default;
    template <class S, class V>
    static void describe(S& s, V& v) {
        v.req("photos", s.photos);
        v.req("changed", s.changed);
        v.req("meanExposure", s.meanExposure);
        v.req("meanTemperature", s.meanTemperature);
        v.req("date", s.date);
    }
};

namespace Corrections {

// The summary of a list of compared photos, dated now.
CorrectionSummary summarize(const std::vector<PhotoCorrection>& photos);

// Pairs the project's done photos with the catalog's photos by path and measures the differences.
// Throws CatalogError when the catalog cannot be read.
std::pair<CorrectionSummary, std::vector<PhotoCorrection>> compute(const Project& project,
                                                                  const std::filesystem::path& catalog);

// Writes Projects/<id>/corrections.json. Errors are not thrown (nobody reads the file back); the
// result tells whether the file was written.
bool save(const std::vector<PhotoCorrection>& photos, const CorrectionSummary& summary, const Project& project);

}  // namespace Corrections
}  // namespace orvane

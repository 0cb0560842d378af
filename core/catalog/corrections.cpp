#include "core/catalog/corrections.h"

#include <cmath>

#include "core/base/numbers.h"
#include "core/store/store.h"

namespace orvane {

bool PhotoCorrection::changed() const {
    if (std::fabs(exposureDelta()) >= 0.05 || std::fabs(temperatureDelta()) >= 50) return true;
    if (extras)
        for (const auto& [key, delta] : *extras)
            if (std::fabs(delta) >= 3) return true;
    return false;
}

std::string CorrectionSummary::text() const {
    if (photos == 0) return "";
    if (changed == 0)
        return "Nu ai corectat nicio fotografie: AI-ul a nimerit toate cele " + std::to_string(photos) + ".";
    return "Ai corectat " + std::to_string(changed) + " din " + std::to_string(photos) + " fotografii (în medie " +
           Numbers::fixed(meanExposure, 2) + " EV și " + std::to_string(std::llround(meanTemperature)) + " K).";
}

namespace Corrections {

CorrectionSummary summarize(const std::vector<PhotoCorrection>& photos) {
    CorrectionSummary s;
    s.photos = static_cast<std::int64_t>(photos.size());
    double sumE = 0, sumT = 0;
    for (const auto& p : photos) {
        if (!p.changed()) continue;
        ++s.changed;
        sumE += std::fabs(p.exposureDelta());
        sumT += std::fabs(p.temperatureDelta());
    }
    if (s.changed > 0) {
        s.meanExposure = sumE / static_cast<double>(s.changed);
        s.meanTemperature = sumT / static_cast<double>(s.changed);
    }
    return s;
}

namespace {
struct CorrectionsFile {
    std::vector<PhotoCorrection> photos;
    CorrectionSummary summary;
    template <class S, class V>
    static void describe(S& s, V& v) {
        v.req("photos", s.photos);
        v.req("summary", s.summary);
    }
};
}  // namespace

bool save(const std::vector<PhotoCorrection>& photos, const CorrectionSummary& summary, const Project& project) {
    try {
        Store::save(CorrectionsFile{photos, summary}, Store::projects() / project.id.text() / "corrections.json");
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace Corrections
}  // namespace orvane

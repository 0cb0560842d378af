#include "core/catalog/corrections.h"

#include <cmath>

#include "core/base/numbers.h"
#include "core/catalog/catalog.h"

#include <unordered_map>
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

std::pair<CorrectionSummary, std::vector<PhotoCorrection>> compute(const Project& project,
                                                                  const std::filesystem::path& catalog) {
    const auto photos = Catalog::read(catalog, false);
    std::unordered_map<std::string, const CatalogPhoto*> byPath;
    for (const auto& photo : photos) byPath.emplace(photo.path, &photo);  // the first one read wins

    std::vector<PhotoCorrection> list;
    for (const auto& item : project.photos) {
        if (item.status != PhotoItem::Status::done) continue;
        const auto it = byPath.find(item.path);
        if (it == byPath.end()) continue;
        const CatalogPhoto& c = *it->second;
        const auto aiExposure = project.exposure(item);
        const auto aiTemperature = project.temperature(item);
        if (!c.exposure || !c.temperature || !aiExposure || !aiTemperature) continue;
        PhotoCorrection pc{item.path, *aiExposure, *c.exposure, *aiTemperature, *c.temperature, std::nullopt};
        if (item.extras && c.extras) {
            std::map<std::string, double> deltas;
            for (const auto& [key, predicted] : *item.extras)
                if (auto value = c.extras->get(key)) deltas[key] = *value - predicted;
            pc.extras = std::move(deltas);
        }
        list.push_back(std::move(pc));
    }
    return {summarize(list), list};
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

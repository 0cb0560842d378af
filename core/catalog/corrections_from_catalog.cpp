// Comparing a finished project with what the user later set in the catalog.
#include <unordered_map>

#include "core/catalog/catalog.h"
#include "core/catalog/corrections.h"

namespace orvane::Corrections {

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

}  // namespace orvane::Corrections

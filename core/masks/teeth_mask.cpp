#include "core/masks/teeth_mask.h"

#include <algorithm>

#include "core/masks/skin_mask.h"
#include "core/masks/subject_mask.h"

namespace orvane::TeethMask {

namespace {

constexpr std::string_view currentPrefix = "Vendrel – ";
constexpr std::string_view legacyPrefix = "Orvane Studio – ";

}  // namespace

Spec Spec::set(std::vector<TeethRegion> regions, std::int64_t amount) {
    Spec s;
    s.teeth = Part<TeethRegion>::set(std::move(regions), amount);
    return s;
}

Spec Spec::remove() {
    Spec s;
    s.teeth = Part<TeethRegion>::remove();
    return s;
}

bool Spec::isEmpty() const {
    return teeth.isUntouched() && skin.isUntouched() && faceLevel.isUntouched() && subject.isUntouched();
}

std::vector<std::string> Spec::managedNames() const {
    std::vector<std::string> current;
    if (!teeth.isUntouched()) current.emplace_back(name);
    if (!skin.isUntouched()) current.emplace_back(SkinMask::name);
    if (!faceLevel.isUntouched()) current.emplace_back(FaceLevelMask::name);
    if (!subject.isUntouched()) current.emplace_back(SubjectMask::name);
    std::vector<std::string> out = current;
    for (const auto& n : current) out.push_back(std::string(legacyPrefix) + n.substr(currentPrefix.size()));
    return out;
}

std::vector<std::string> Spec::xmlItems() const {
    std::vector<std::string> out;
    if (teeth.writes()) out.push_back(correction(teeth.regions, teeth.amount));
    if (skin.writes()) out.push_back(SkinMask::correction(skin.regions, skin.amount, skinParams));
    if (faceLevel.writes())
        for (const auto& level : faceLevel.regions) out.push_back(FaceLevelMask::correction(level, faceLevel.amount));
    if (subject.writes()) out.push_back(SubjectMask::correction(subject.regions, subject.amount));
    return out;
}

std::vector<BrushMask::Layer> layers(const TeethRegion& region) {
    std::vector<BrushMask::Layer> out;
    DabList coarse = BrushMask::usableDabs(region.coarse);
    DabList fine = BrushMask::usableDabs(region.dabs);
    if (!coarse.empty() && region.coarseRadius > 0) out.push_back({region.coarseRadius, std::move(coarse)});
    if (!fine.empty()) out.push_back({region.radius, std::move(fine)});
    return out;
}

const LocalSettings& locals() {
    static const LocalSettings table = {
        {"LocalExposure2012", 0.05 / 0.42},
        {"LocalHighlights2012", 0.30 / 0.42},
        {"LocalSaturation", -0.10 / 0.42},
        {"LocalTemperature", -0.10 / 0.42},
    };
    return table;
}

std::vector<BrushMask::Layer> layers(const std::vector<TeethRegion>& regions) {
    std::vector<BrushMask::Layer> out;
    for (const auto& r : regions)
        for (auto& layer : layers(r)) out.push_back(std::move(layer));
    return out;
}

std::string correction(const std::vector<TeethRegion>& regions, std::int64_t amount) {
    return BrushMask::xmlCorrection(name, maskName, layers(regions),
                                    static_cast<double>(std::clamp<std::int64_t>(amount, 0, 100)) / 100.0, locals(),
                                    strokeValue);
}

}  // namespace orvane::TeethMask

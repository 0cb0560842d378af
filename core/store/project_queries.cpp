#include <algorithm>
#include <cmath>

#include "core/masks/face_level.h"
#include "core/store/preset_keys.h"
#include "core/store/project.h"
#include "core/store/store.h"

namespace orvane {

std::optional<double> Project::exposure(const PhotoItem& item) const {
    if (!item.exposure) return std::nullopt;
    if (fixedExposure) return *fixedExposure;
    return globalExposure.value_or(0) + *item.exposure + (profileTuning ? profileTuning->exposure : 0);
}

std::optional<double> Project::temperature(const PhotoItem& item) const {
    if (!item.temperature) return std::nullopt;
    if (fixedTemperature) return *fixedTemperature;
    return (basic ? basic->temperature : 0) + *item.temperature +
           (profileTuning ? profileTuning->basic.temperature : 0);
}

std::map<std::string, double> Project::faceDeltas() const {
    std::map<std::string, double> out;
    if (!faceLevelAmount || *faceLevelAmount <= 0) return out;
    for (const auto& photo : photos) {
        if (photo.status != PhotoItem::Status::done || !photo.exposure || !photo.skin) continue;
        const auto faces = FaceLevelMask::usableFaces(*photo.skin);
        if (faces.empty()) continue;
        const double e = *exposure(photo);
        // Stops from the face's brightness after exposure to the target brightness of a face.
        const double w = std::log2(0.12 / (std::exp2(e) * FaceLevelMask::medianLum(faces)));
        if (std::fabs(w) >= 0.15)
            out[photo.path] = std::clamp(w, -0.5, 0.5) * static_cast<double>(*faceLevelAmount) / 100.0;
    }
    return out;
}

BasicAdjustments Project::adjustments() const { return basic.value_or(BasicAdjustments{}); }

std::filesystem::path Project::dir() const { return Store::projects() / id.text(); }

static std::size_t countStatus(const std::vector<PhotoItem>& photos, PhotoItem::Status s) {
    return static_cast<std::size_t>(
        std::count_if(photos.begin(), photos.end(), [s](const PhotoItem& p) { return p.status == s; }));
}

std::size_t Project::pending() const { return countStatus(photos, PhotoItem::Status::pending); }
std::vector<PhotoItem> Project::bigCorrectionPhotos(std::size_t limit, double threshold) const {
    std::vector<std::pair<double, const PhotoItem*>> picked;
    for (const auto& photo : photos) {
        if (photo.status != PhotoItem::Status::done) continue;
        const double size = std::fabs(exposure(photo).value_or(0));
        if (size >= threshold) picked.emplace_back(size, &photo);
    }
    std::stable_sort(picked.begin(), picked.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<PhotoItem> out;
    for (const auto& [size, photo] : picked) {
        if (out.size() >= limit) break;
        out.push_back(*photo);
    }
    return out;
}

static std::vector<PhotoItem> previewCandidates(const Project& p) {
    std::vector<std::pair<double, const PhotoItem*>> sorted;
    for (const auto& photo : p.photos)
        if (photo.status == PhotoItem::Status::done && photo.exposure) sorted.emplace_back(*p.exposure(photo), &photo);
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<PhotoItem> out;
    out.reserve(sorted.size());
    for (const auto& entry : sorted) out.push_back(*entry.second);
    return out;
}

// The middle elements of k equal slices of the list.
static std::vector<PhotoItem> spread(const std::vector<PhotoItem>& list, std::size_t k) {
    if (k >= list.size()) return list;
    std::vector<PhotoItem> out;
    for (std::size_t i = 0; i < k; ++i)
        out.push_back(list[static_cast<std::size_t>((double(i) + 0.5) / double(k) * double(list.size()))]);
    return out;
}

std::vector<PhotoItem> Project::samplePhotos(std::size_t count) const {
    auto candidates = previewCandidates(*this);
    const std::size_t n = candidates.size();
    if (count >= n) return candidates;
    if (count == 0) return {};
    if (count == 1) return {candidates[(n - 1) / 2]};  // the evenly spaced rule divides by count - 1
    std::vector<PhotoItem> out;
    for (std::size_t j = 0; j < count; ++j) out.push_back(candidates[j * (n - 1) / (count - 1)]);
    return out;
}

std::vector<PhotoItem> Project::previewTrio(std::size_t portrait, std::size_t landscape) const {
    const auto candidates = previewCandidates(*this);
    std::vector<PhotoItem> portraits, landscapes;
    for (const auto& photo : candidates) (photo.aspect && *photo.aspect < 1 ? portraits : landscapes).push_back(photo);
    auto out = spread(portraits, portrait);
    for (auto& photo : spread(landscapes, landscape)) out.push_back(std::move(photo));
    const std::size_t wanted = portrait + landscape;
    if (out.size() < wanted) {
        std::vector<PhotoItem> rest;
        for (const auto& photo : candidates)
            if (std::none_of(out.begin(), out.end(), [&](const PhotoItem& o) { return o.path == photo.path; }))
                rest.push_back(photo);
        for (auto& photo : spread(rest, wanted - out.size())) out.push_back(std::move(photo));
    }
    return out;
}

std::size_t Project::done() const { return countStatus(photos, PhotoItem::Status::done); }
std::size_t Project::failed() const { return countStatus(photos, PhotoItem::Status::failed); }

// The straighten analysis version whose results are current.
static constexpr std::int64_t kStraightenVersion = 4;

bool Project::needsStraightenAnalysis() const {
    if (straightenRequested != true) return false;
    return !straightenedAt || !straightenVersion || *straightenVersion < kStraightenVersion;
}

bool Project::needsLayoutAnalysis() const {
    const bool wanted = smartReframe == true || straightenRequested == true ||
                        (crop && crop->mode != CropSettings::Mode::none);
    if (!wanted) return false;
    if (!layoutAnalyzedAt) return true;
    for (const auto& p : photos) {
        if (p.status != PhotoItem::Status::done) continue;
        if (!p.layout || !p.layout->isCurrent()) return true;
    }
    return false;
}

bool Project::needsSkinAnalysis() const {
    if (skinAmount.value_or(0) < 1 && faceLevelAmount.value_or(0) < 1) return false;
    if (!skinAnalyzedAt) return true;
    for (const auto& p : photos) {
        if (p.status != PhotoItem::Status::done || !p.skin) continue;
        for (const auto& r : *p.skin)
            if (r.isOutdated()) return true;
    }
    return false;
}

bool Project::needsSubjectAnalysis() const {
    if (subjectMaskAmount.value_or(0) <= 0) return false;
    for (const auto& p : photos)
        if (p.status == PhotoItem::Status::done && !p.subject) return true;
    return false;
}

EditVersion Project::currentVersion() const {
    EditVersion v;
    v.straighten = straightenRequested;
    v.profileCorrection = profileCorrection;
    v.smartReframe = smartReframe;
    v.noiseReduction = noiseReduction;
    v.crop = crop;
    v.teethAmount = teethAmount;
    v.skinAmount = skinAmount;
    v.faceLevelAmount = faceLevelAmount;
    v.subjectMaskAmount = subjectMaskAmount;
    v.skinParams = skinParams;
    v.basic = basic;
    v.globalExposure = globalExposure;
    v.presetOverrides = presetOverrides;
    v.untouchedKeys = untouchedKeys;
    v.fixedTemperature = fixedTemperature;
    v.fixedExposure = fixedExposure;
    return v;
}

bool EditVersion::sameSettings(const EditVersion& o) const {
    return straighten == o.straighten && profileCorrection == o.profileCorrection &&
           smartReframe == o.smartReframe && noiseReduction == o.noiseReduction && crop == o.crop &&
           teethAmount == o.teethAmount && skinAmount == o.skinAmount && faceLevelAmount == o.faceLevelAmount &&
           subjectMaskAmount == o.subjectMaskAmount && skinParams == o.skinParams && basic == o.basic &&
           globalExposure == o.globalExposure && presetOverrides == o.presetOverrides &&
           untouchedKeys == o.untouchedKeys && fixedTemperature == o.fixedTemperature &&
           fixedExposure == o.fixedExposure;
}

std::vector<std::pair<std::string, std::int64_t>> Project::effectiveOverrides() const {
    // std::map orders keys by plain byte comparison, which is the order wanted.
    std::map<std::string, std::int64_t> merged;
    if (profileTuning) merged = profileTuning->overrides;
    if (presetOverrides)
        for (const auto& [k, v] : *presetOverrides) merged[k] = v;
    return {merged.begin(), merged.end()};
}

std::vector<std::pair<std::string, std::int64_t>> Project::overrides(const PhotoItem& item) const {
    auto out = effectiveOverrides();
    if (!item.extras) return out;
    const std::size_t overridden = out.size();
    for (const auto& [key, value] : *item.extras) {
        const bool taken = std::any_of(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(overridden),
                                       [&k = key](const auto& e) { return e.first == k; });
        // Predictions are clamped and finite; a stray non-finite one has no whole-number value to give.
        if (taken || !std::isfinite(value) || std::fabs(value) > 9e18) continue;
        out.emplace_back(key, static_cast<std::int64_t>(std::llround(value)));
    }
    return out;
}

std::filesystem::path sourceURL(const PhotoItem& item) {
    if (!item.previewPath) return item.path;
    std::error_code ec;
    if (std::filesystem::exists(item.path, ec)) return item.path;
    return *item.previewPath;
}

}  // namespace orvane

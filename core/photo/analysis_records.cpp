#include "core/photo/analysis_records.h"

#include <algorithm>

namespace orvane {

const std::vector<CropSettings::Mode>& CropSettings::allModes() {
    static const std::vector<Mode> modes = {Mode::none, Mode::original, Mode::ratio, Mode::custom, Mode::bottom};
    return modes;
}

const std::vector<CropSettings::Preset>& CropSettings::presets() {
    static const std::vector<Preset> table = {{"1:1", 1, 1},   {"5:4", 5, 4},     {"4:3", 4, 3},
                                              {"7:5", 7, 5},   {"3:2", 3, 2},     {"16:10", 16, 10},
                                              {"5:3", 5, 3},   {"16:9", 16, 9},   {"2:1", 2, 1}};
    return table;
}

std::string_view toText(CropSettings::Mode m) {
    switch (m) {
        case CropSettings::Mode::none: return "none";
        case CropSettings::Mode::original: return "original";
        case CropSettings::Mode::ratio: return "ratio";
        case CropSettings::Mode::custom: return "custom";
        case CropSettings::Mode::bottom: return "bottom";
    }
    return "none";
}

bool fromText(std::string_view text, CropSettings::Mode& out) {
    for (auto m : CropSettings::allModes()) {
        if (toText(m) == text) {
            out = m;
            return true;
        }
    }
    return false;
}

std::optional<double> CropSettings::longShortRatio() const {
    switch (mode) {
        case Mode::custom:
            if (customW > 0 && customH > 0) return std::max(customW, customH) / std::min(customW, customH);
            return std::nullopt;
        case Mode::ratio:
            for (const auto& p : presets())
                if (ratio == p.label) return std::max(p.w, p.h) / std::min(p.w, p.h);
            return std::nullopt;
        default: return std::nullopt;
    }
}

bool CropSettings::requiresOriginalRatio() const { return mode != Mode::ratio && mode != Mode::custom; }

double PersonInfo::fractionLeft(double x) const {
    x = std::clamp(x, 0.0, 1.0);
    const std::size_t n = cols.size();
    const double p = x * static_cast<double>(n);
    const std::size_t k = static_cast<std::size_t>(p);
    float sum = 0;
    for (std::size_t i = 0; i < k && i < n; ++i) sum += cols[i];
    if (k < n) sum += cols[k] * static_cast<float>(p - static_cast<double>(k));
    return sum;
}

PersonLayout PersonLayout::make(std::vector<PersonInfo> people, std::optional<std::vector<PersonRegion>> faces,
                                std::optional<std::vector<PersonRegion>> bodies,
                                std::optional<bool> protectionComplete) {
    PersonLayout l;
    l.people = std::move(people);
    l.faces = std::move(faces);
    l.bodies = std::move(bodies);
    l.version = SmartCrop::analysisVersion;
    l.protectionComplete = protectionComplete;
    return l;
}

bool PersonLayout::isCurrent() const {
    return version == SmartCrop::analysisVersion && protectionComplete == true && faces && bodies;
}

namespace {
void writeBox(Json& o, double l, double t, double r, double b) {
    o["left"] = json::encode(l);
    o["top"] = json::encode(t);
    o["right"] = json::encode(r);
    o["bottom"] = json::encode(b);
}

template <class R>
void readBox(const Json& j, const json::Path& p, R& r) {
    r.left = json::required<double>(j, "left", p);
    r.top = json::required<double>(j, "top", p);
    r.right = json::required<double>(j, "right", p);
    r.bottom = json::required<double>(j, "bottom", p);
}

// "dabs16" text first; files from before the text form hold an array under "dabs".
DabList readDabs(const Json& j, const json::Path& p) {
    if (auto text = json::optional<std::string>(j, "dabs16", p)) return DabCoding::decode(*text);
    return json::optional<DabList>(j, "dabs", p).value_or(DabList{});
}
}  // namespace

Json SkinRegion::toJson(const SkinRegion& r) {
    Json o = Json::object();
    writeBox(o, r.left, r.top, r.right, r.bottom);
    o["dabs16"] = DabCoding::encode(r.dabs);
    o["radius"] = json::encode(r.radius);
    if (r.lum) o["lum"] = json::encode(*r.lum);
    if (r.v) o["v"] = json::encode(*r.v);
    return o;
}

SkinRegion SkinRegion::fromJson(const Json& j, const json::Path& p) {
    json::requireObject(j, p);
    SkinRegion r;
    readBox(j, p, r);
    r.dabs = readDabs(j, p);
    r.radius = json::optional<double>(j, "radius", p).value_or(defaultRadius);
    r.lum = json::optional<double>(j, "lum", p);
    r.v = json::optional<std::int64_t>(j, "v", p);
    return r;
}

Json TeethRegion::toJson(const TeethRegion& r) {
    Json o = Json::object();
    writeBox(o, r.left, r.top, r.right, r.bottom);
    o["dabs16"] = DabCoding::encode(r.dabs);
    o["radius"] = json::encode(r.radius);
    if (!r.coarse.empty()) {
        o["coarse16"] = DabCoding::encode(r.coarse);
        o["coarseRadius"] = json::encode(r.coarseRadius);
    }
    return o;
}

TeethRegion TeethRegion::fromJson(const Json& j, const json::Path& p) {
    json::requireObject(j, p);
    TeethRegion r;
    readBox(j, p, r);
    r.dabs = readDabs(j, p);
    r.radius = json::optional<double>(j, "radius", p).value_or(defaultRadius);
    if (auto text = json::optional<std::string>(j, "coarse16", p)) r.coarse = DabCoding::decode(*text);
    r.coarseRadius = json::optional<double>(j, "coarseRadius", p).value_or(0.0);
    return r;
}

SkinParams::Local SkinParams::local() const {
    auto value = [](std::int64_t v) { return -static_cast<double>(std::clamp<std::int64_t>(v, 0, 100)) / 100.0; };
    return {value(texture), value(clarity), value(sharpness)};
}

}  // namespace orvane

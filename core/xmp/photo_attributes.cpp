#include "core/xmp/photo_attributes.h"

#include <cmath>
#include <exception>
#include <string>
#include <system_error>

#include "core/base/numbers.h"
#include "core/photo/raw_image.h"
#include "core/vision/safe_zone.h"

namespace orvane {

namespace {

std::string decimal(std::int64_t v) { return std::to_string(v); }

CropSettings::Mode modeOf(const Project& project) {
    return project.crop ? project.crop->mode : CropSettings::Mode::none;
}

bool isRatioMode(CropSettings::Mode m) { return m == CropSettings::Mode::ratio || m == CropSettings::Mode::custom; }

}  // namespace

DevelopPreset::Pairs NoiseRule::attributes(float iso, std::optional<Base> base) {
    if (!(iso >= 1600.0f)) return {};
    const double s = std::max(std::sqrt(iso / 2000.0f), 1.0f);
    const double lumBase = base ? static_cast<double>(std::max<std::int64_t>(base->luminance, 10)) : 18.0;
    const double colBase = base ? static_cast<double>(std::max<std::int64_t>(base->color, 15)) : 25.0;
    const double lum = std::min(std::round(lumBase * s), 70.0);
    const double col = std::min(std::round(colBase * ((s - 1) * 0.5 + 1)), 60.0);
    return {{"LuminanceSmoothing", decimal(static_cast<std::int64_t>(lum))},
            {"ColorNoiseReduction", decimal(static_cast<std::int64_t>(col))}};
}

const DevelopPreset::Pairs& cropResetAttributes() {
    static const DevelopPreset::Pairs pairs = {{"CropAngle", "0.00"},    {"CropLeft", "0.000000"},
                                               {"CropTop", "0.000000"},  {"CropRight", "1.000000"},
                                               {"CropBottom", "1.000000"}, {"HasCrop", "False"}};
    return pairs;
}

std::optional<CropDecision> cropDecision(const PhotoItem& photo, const Project& project, double aspect,
                                         const CropServices& services) {
    const CropSettings settings = project.crop.value_or(CropSettings{});
    using Mode = CropSettings::Mode;

    const bool smart = project.smartReframe == true;
    if (smart && !(photo.layout && photo.layout->isCurrent())) return std::nullopt;

    const bool hasAngle = project.straightenRequested == true && photo.straighten.has_value();
    const double angle = hasAngle ? photo.straighten->angle : 0;
    const PersonLayout* planning = smart ? &*photo.layout : nullptr;
    if (!hasAngle && settings.mode == Mode::none && !planning) return std::nullopt;
    // Not finite is no more an aspect than zero is.
    if (!std::isfinite(aspect) || aspect <= 0 || !std::isfinite(angle)) return std::nullopt;

    const PersonLayout* layout = photo.layout ? &*photo.layout : nullptr;
    const auto zone = SafeZone::required(layout);
    std::optional<NormRect> inset;
    if (zone) inset = NormRect{zone->left + 0.003, zone->top + 0.003, zone->right - 0.003, zone->bottom - 0.003};

    std::optional<double> feet = photo.feetBottom;
    if (!feet && layout) {
        const auto subjects = SmartCrop::classified(*layout).subjects;
        bool clear = subjects.size() >= 2;
        double lowest = 0;
        for (const auto& s : subjects) {
            if (s.bottom >= 0.988) clear = false;
            lowest = std::max(lowest, s.bottom);
        }
        if (clear) feet = lowest;
    }
    if (settings.mode != Mode::bottom) feet.reset();

    const bool checkProtection = smart && layout;

    for (double f : {1.0, 0.75, 0.5, 0.25, 0.0}) {
        const double a = angle * f;
        const auto planned = services.rectAndSource(settings, aspect, a, feet, planning).rect;
        NormRect candidate;
        if (!zone) {
            if (!planned) return std::nullopt;
            candidate = *planned;
        } else {
            std::optional<NormRect> toShift;
            if (!planned) {
                if (inset->left >= 0 && inset->top >= 0 && inset->right <= 1 && inset->bottom <= 1)
                    return std::nullopt;
                if (a != 0) continue;
                toShift = NormRect{0, 0, 1, 1};
            } else if (planned->left <= inset->left && planned->top <= inset->top &&
                       planned->right >= inset->right && planned->bottom >= inset->bottom) {
                candidate = *planned;
            } else {
                if (a != 0) continue;
                toShift = *planned;
            }
            if (toShift) {
                // Only at angle 0: move the crop onto the people, or re-centre a ratio crop on them.
                if (auto moved = SafeZone::shifted(*toShift, *zone))
                    candidate = *moved;
                else if (isRatioMode(settings.mode) && planned)
                    candidate = SafeZone::bestEffort(*planned, *zone);
                else
                    return std::nullopt;
            }
        }
        if (!isRatioMode(settings.mode) && !CropPlanner::preservesOriginalRatio(candidate)) continue;
        if (checkProtection && !services.protects(*layout, candidate, a, aspect)) continue;
        return CropDecision{candidate, a};
    }
    return std::nullopt;
}

DevelopPreset::Pairs cropAttributes(const PhotoItem& photo, const Project& project, const std::filesystem::path& file,
                                    const DevelopPreset& preset, bool inCatalog, const CropServices& services) {
    DevelopPreset::Pairs out;

    if (project.profileCorrection == true) {
        out.emplace_back("LensProfileEnable", "1");
        out.emplace_back("LensProfileSetup", "LensDefaults");
    } else if (project.profileCorrection == false) {
        std::string own = "0";
        for (const auto& [key, value] : preset.attributes()) {
            if (key == "LensProfileEnable") {
                own = value;
                break;
            }
        }
        out.emplace_back("LensProfileEnable", own);
    }

    std::optional<std::int64_t> luminance, color;
    if (auto it = preset.detail().find("LuminanceSmoothing"); it != preset.detail().end())
        luminance = Numbers::parseInt(it->second);
    if (auto it = preset.detail().find("ColorNoiseReduction"); it != preset.detail().end())
        color = Numbers::parseInt(it->second);
    const std::int64_t colorValue = color.value_or(25);
    std::optional<NoiseRule::Base> base;
    if (luminance) base = NoiseRule::Base{*luminance, colorValue};

    if (project.noiseReduction == true) {
        if (auto iso = readISO(file)) {
            auto pairs = NoiseRule::attributes(*iso, base);
            out.insert(out.end(), pairs.begin(), pairs.end());
        }
    } else if (project.noiseReduction == false) {
        // The preset's own values, written back over earlier high-ISO ones.
        out.emplace_back("LuminanceSmoothing", decimal(luminance.value_or(0)));
        out.emplace_back("ColorNoiseReduction", decimal(colorValue));
    }

    const auto mode = modeOf(project);
    const bool anyCropOption = project.straightenRequested == true || mode != CropSettings::Mode::none ||
                               project.smartReframe == true;
    const bool resetNeeded = project.cropWritten == true || (inCatalog && anyCropOption);
    auto reset = [&] {
        if (resetNeeded) out.insert(out.end(), cropResetAttributes().begin(), cropResetAttributes().end());
        return out;
    };

    const bool attempt = (project.straightenRequested == true && photo.straighten) ||
                         mode != CropSettings::Mode::none || (project.smartReframe == true && photo.layout);
    if (!attempt) return reset();

    double aspect = 0;
    try {
        aspect = readDisplayAspect(file);
    } catch (const std::exception&) {
        if (photo.aspect)
            aspect = *photo.aspect;
        else if (photo.straighten)
            aspect = photo.straighten->aspect;
    }

    const auto decision = cropDecision(photo, project, aspect, services);
    if (!decision) return reset();

    const NormRect stored = CropPlanner::sensorRect(decision->rect, readFlip(file));
    const bool preserve = project.crop.value_or(CropSettings{}).requiresOriginalRatio();
    auto pairs = CropPlanner::attributes(stored, decision->angle, preserve);
    out.insert(out.end(), pairs.begin(), pairs.end());
    return out;
}

namespace {

// Dabs in the stored orientation; a turned dab keeps only its position.
DabList storedDabs(const DabList& dabs, int flip) {
    if (flip == 0) return dabs;
    DabList out;
    out.reserve(dabs.size());
    for (const auto& d : dabs) {
        if (d.size() < 2) continue;
        auto [x, y] = CropPlanner::sensorPoint(d[0], d[1], flip);
        out.push_back({x, y});
    }
    return out;
}

}  // namespace

std::optional<TeethMask::Spec> Exporter::teethSpec(const Project& project, const PhotoItem& photo) {
    std::filesystem::path file = photo.path;
    std::error_code ec;
    if (photo.previewPath && !std::filesystem::exists(photo.path, ec)) file = *photo.previewPath;
    const int flip = readFlip(file);

    TeethMask::Spec spec;
    using TeethPart = TeethMask::Spec::Part<TeethRegion>;
    using SkinPart = TeethMask::Spec::Part<SkinRegion>;
    using FacePart = TeethMask::Spec::Part<FaceLevel>;

    if (project.teethAmount) {
        std::vector<TeethRegion> regions = photo.teeth.value_or(std::vector<TeethRegion>{});
        for (auto& r : regions) {
            r.dabs = storedDabs(r.dabs, flip);
            r.coarse = storedDabs(r.coarse, flip);
        }
        spec.teeth = *project.teethAmount <= 0 || regions.empty() ? TeethPart::remove()
                                                                   : TeethPart::set(std::move(regions), *project.teethAmount);
    }
    if (project.skinAmount) {
        std::vector<SkinRegion> regions = photo.skin.value_or(std::vector<SkinRegion>{});
        for (auto& r : regions) r.dabs = storedDabs(r.dabs, flip);
        spec.skin = *project.skinAmount <= 0 || regions.empty() ? SkinPart::remove()
                                                                : SkinPart::set(std::move(regions), *project.skinAmount);
    }
    spec.skinParams = project.skinParams.value_or(SkinParams{});
    if (project.subjectMaskAmount) {
        // The analysis leaves an empty placeholder region when it found no subject: that removes the mask.
        if (*project.subjectMaskAmount > 0 && photo.subject && !photo.subject->dabs.empty()) {
            SkinRegion region = *photo.subject;
            region.dabs = storedDabs(region.dabs, flip);
            spec.subject = SkinPart::set({std::move(region)}, *project.subjectMaskAmount);
        } else {
            spec.subject = SkinPart::remove();
        }
    }
    // The face level travels in the exposure; a mask of it is only ever taken out.
    if (project.faceLevelAmount) spec.faceLevel = FacePart::remove();

    if (spec.teeth.isUntouched() && spec.skin.isUntouched() && spec.faceLevel.isUntouched() &&
        spec.subject.isUntouched())
        return std::nullopt;
    return spec;
}

}  // namespace orvane

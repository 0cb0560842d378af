#include "core/masks/catalog_masks.h"

#include <algorithm>

#include "core/base/uuid.h"
#include "core/masks/face_level.h"
#include "core/masks/skin_mask.h"
#include "core/masks/subject_mask.h"

namespace orvane::CatalogMasks {

namespace {

std::string table(const std::vector<std::string>& items) {
    std::string out = "{ ";
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i) out += ",\n";
        out += items[i];
    }
    out += " }";
    return out;
}

std::string field(std::string_view name, std::string_view value) {
    std::string out(name);
    out += " = ";
    out += value;
    return out;
}

// The values written here never hold a double quote, so nothing needs escaping.
std::string luaString(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::string correction(std::string_view name, std::string_view maskName, const std::vector<BrushMask::Layer>& layers,
                       std::int64_t amount, LocalSettings locals, std::string_view strokeValue) {
    const std::string sync = BrushMask::syncID();
    std::vector<std::string> strokes;
    for (const auto& stroke : BrushMask::strokes(layers)) {
        std::vector<std::string> dabs;
        for (const auto& d : stroke.dabs)
            dabs.push_back(luaString("d " + BrushMask::number(d[0]) + " " + BrushMask::number(d[1])));
        strokes.push_back(table({
            field("CenterWeight", "0"),
            field("Dabs", table(dabs)),
            field("Flow", "1"),
            field("MaskActive", "true"),
            field("MaskBlendMode", "0"),
            field("MaskID", luaString(Uuid::random().text())),
            field("MaskInverted", "false"),
            field("MaskSyncID", luaString(sync)),
            field("MaskValue", strokeValue),
            field("Radius", BrushMask::number(stroke.radius)),
            field("What", luaString("Mask/Paint")),
        }));
    }
    const std::string aggregate = table({
        field("MaskActive", "true"),
        field("MaskBlendMode", "0"),
        field("MaskID", luaString(Uuid::random().text())),
        field("MaskInverted", "false"),
        field("MaskName", luaString(maskName)),
        field("MaskSyncID", luaString(sync)),
        field("MaskValue", "1"),
        field("Masks", table(strokes)),
        field("What", luaString("Mask/Aggregate")),
    });
    std::stable_sort(locals.begin(), locals.end(),
                     [](const LocalSetting& a, const LocalSetting& b) { return a.first < b.first; });
    std::vector<std::string> fields = {
        field("CorrectionActive", "true"),
        field("CorrectionAmount", BrushMask::number(static_cast<double>(std::clamp<std::int64_t>(amount, 0, 100)) / 100.0)),
        field("CorrectionID", luaString(Uuid::random().text())),
        field("CorrectionMasks", table({aggregate})),
        field("CorrectionName", luaString(name)),
        field("CorrectionReferenceX", "0.5"),
        field("CorrectionReferenceY", "0.5"),
        field("CorrectionSyncID", luaString(sync)),
    };
    for (const auto& [setting, value] : locals) fields.push_back(field(setting, BrushMask::number(value)));
    fields.push_back(field("What", luaString("Correction")));
    return table(fields);
}

}  // namespace

std::string luaTeethCorrection(const std::vector<TeethRegion>& regions, std::int64_t amount) {
    return correction(TeethMask::name, TeethMask::maskName, TeethMask::layers(regions), amount, TeethMask::locals(),
                      TeethMask::strokeValue);
}

std::string luaBrushCorrection(std::string_view name, std::string_view maskName,
                               const std::vector<SkinRegion>& regions, std::int64_t amount,
                               const LocalSettings& locals) {
    return correction(name, maskName, BrushMask::layers(regions), amount, locals, "1");
}

std::vector<std::string> luaCorrections(const TeethMask::Spec& spec) {
    std::vector<std::string> out;
    if (spec.teeth.writes()) out.push_back(luaTeethCorrection(spec.teeth.regions, spec.teeth.amount));
    if (spec.skin.writes())
        out.push_back(luaBrushCorrection(SkinMask::name, SkinMask::maskName, spec.skin.regions, spec.skin.amount,
                                         SkinMask::locals(spec.skinParams)));
    if (spec.faceLevel.writes())
        for (const auto& level : spec.faceLevel.regions)
            out.push_back(luaBrushCorrection(FaceLevelMask::name, FaceLevelMask::maskName, {level.region},
                                             spec.faceLevel.amount, FaceLevelMask::locals(level)));
    if (spec.subject.writes())
        out.push_back(luaBrushCorrection(SubjectMask::name, SubjectMask::maskName, spec.subject.regions,
                                         spec.subject.amount, SubjectMask::locals()));
    return out;
}

}  // namespace orvane::CatalogMasks

#include "core/masks/brush_mask.h"

#include <algorithm>

#include "core/base/numbers.h"
#include "core/base/uuid.h"

namespace orvane::BrushMask {

namespace {

void attr(std::string& out, std::string_view qname, std::string_view value) {
    out += ' ';
    out += qname;
    out += "=\"";
    out += value;
    out += '"';
}

}  // namespace

DabList usableDabs(const DabList& dabs) {
    DabList out;
    out.reserve(dabs.size());
    for (const auto& d : dabs)
        if (d.size() >= 2) out.push_back(d);
    return out;
}

std::vector<Layer> layers(const std::vector<SkinRegion>& regions) {
    std::vector<Layer> out;
    for (const auto& r : regions) {
        DabList dabs = usableDabs(r.dabs);
        if (!dabs.empty()) out.push_back({r.radius, std::move(dabs)});
    }
    return out;
}

std::vector<Stroke> strokes(const std::vector<Layer>& layers) {
    std::vector<Stroke> out;
    for (const auto& layer : layers) {
        const std::span<const Dab> all(layer.dabs);
        for (std::size_t start = 0; start < all.size(); start += dabsPerStroke)
            out.push_back({layer.radius, all.subspan(start, std::min(dabsPerStroke, all.size() - start))});
    }
    return out;
}

std::string syncID() {
    std::string t = Uuid::random().text();
    t.erase(std::remove(t.begin(), t.end(), '-'), t.end());
    return t;
}

std::string number(double value) { return Numbers::printfFixed(value, 6); }

std::string xmlCorrection(std::string_view name, std::string_view maskName, const std::vector<Layer>& layers,
                          double amount, const LocalSettings& locals, std::string_view strokeValue) {
    const std::string maskSync = syncID();
    std::string out = "<rdf:li><rdf:Description";
    attr(out, "crs:What", "Correction");
    attr(out, "crs:CorrectionAmount", number(std::clamp(amount, 0.0, 1.0)));
    attr(out, "crs:CorrectionActive", "true");
    attr(out, "crs:CorrectionName", name);
    attr(out, "crs:CorrectionSyncID", syncID());
    attr(out, "crs:CorrectionID", Uuid::random().text());
    attr(out, "crs:CorrectionReferenceX", "0.5");
    attr(out, "crs:CorrectionReferenceY", "0.5");
    for (const auto& [setting, value] : locals) attr(out, "crs:" + setting, number(value));
    out += "><crs:CorrectionMasks><rdf:Seq><rdf:li><rdf:Description";
    attr(out, "crs:What", "Mask/Aggregate");
    attr(out, "crs:MaskActive", "true");
    attr(out, "crs:MaskName", maskName);
    attr(out, "crs:MaskBlendMode", "0");
    attr(out, "crs:MaskInverted", "false");
    attr(out, "crs:MaskValue", "1");
    attr(out, "crs:MaskID", Uuid::random().text());
    attr(out, "crs:MaskSyncID", maskSync);
    out += "><crs:Masks><rdf:Seq>";
    for (const auto& stroke : strokes(layers)) {
        out += "<rdf:li><rdf:Description";
        attr(out, "crs:What", "Mask/Paint");
        attr(out, "crs:CenterWeight", "0");
        attr(out, "crs:Flow", "1");
        attr(out, "crs:Radius", number(stroke.radius));
        attr(out, "crs:MaskActive", "true");
        attr(out, "crs:MaskBlendMode", "0");
        attr(out, "crs:MaskInverted", "false");
        attr(out, "crs:MaskValue", strokeValue);
        attr(out, "crs:MaskID", Uuid::random().text());
        attr(out, "crs:MaskSyncID", maskSync);
        out += "><crs:Dabs><rdf:Seq>";
        for (const auto& d : stroke.dabs) out += "<rdf:li>d " + number(d[0]) + " " + number(d[1]) + "</rdf:li>";
        out += "</rdf:Seq></crs:Dabs></rdf:Description></rdf:li>";
    }
    out += "</rdf:Seq></crs:Masks></rdf:Description></rdf:li></rdf:Seq></crs:CorrectionMasks></rdf:Description>"
           "</rdf:li>";
    return out;
}

std::string xml(std::string_view name, std::string_view maskName, const std::vector<SkinRegion>& regions,
                double amount, const LocalSettings& locals) {
    return xmlCorrection(name, maskName, layers(regions), amount, locals, "1");
}

}  // namespace orvane::BrushMask

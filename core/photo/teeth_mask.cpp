#include "core/photo/teeth_mask.h"

#include <algorithm>
#include <stdexcept>

#include "core/base/numbers.h"
#include "core/base/uuid.h"

namespace orvane::TeethMask {

namespace {

constexpr std::string_view currentPrefix = "Vendrel – ";
constexpr std::string_view legacyPrefix = "Orvane Studio – ";

std::string syncID() {
    std::string t = Uuid::random().text();
    t.erase(std::remove(t.begin(), t.end(), '-'), t.end());
    return t;
}

std::string number(double v) { return Numbers::fixed(v, 6); }

void attr(std::string& out, std::string_view qname, std::string_view value) {
    out += ' ';
    out += qname;
    out += "=\"";
    out += value;
    out += '"';
}

constexpr std::size_t dabsPerPaint = 20;

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
    if (!teeth.isUntouched()) current.emplace_back("Vendrel – Albire dinți");
    if (!skin.isUntouched()) current.emplace_back("Vendrel – Netezire piele");
    if (!faceLevel.isUntouched()) current.emplace_back("Vendrel – Nivel fețe");
    if (!subject.isUntouched()) current.emplace_back("Vendrel – Subiect");
    std::vector<std::string> out = current;
    for (const auto& n : current) out.push_back(std::string(legacyPrefix) + n.substr(currentPrefix.size()));
    return out;
}

std::vector<std::string> Spec::xmlItems() const {
    std::vector<std::string> out;
    if (teeth.writes()) out.push_back(correction(teeth.regions, teeth.amount));
    const bool brushes = skin.writes() || (faceLevel.kind == Part<FaceLevel>::Kind::set && faceLevel.amount > 0 &&
                                           !faceLevel.regions.empty()) ||
                         subject.writes();
    if (brushes)
        throw std::logic_error("the skin, face-level and subject correction texts are not available in this build");
    return out;
}

std::vector<std::pair<double, DabList>> layers(const TeethRegion& region) {
    // A dab needs an x and a y; a shorter one (only possible in a damaged record) is left out.
    auto usable = [](const DabList& dabs) {
        DabList out;
        for (const auto& d : dabs)
            if (d.size() >= 2) out.push_back(d);
        return out;
    };
    std::vector<std::pair<double, DabList>> out;
    DabList coarse = usable(region.coarse);
    DabList fine = usable(region.dabs);
    if (!coarse.empty() && region.coarseRadius > 0) out.emplace_back(region.coarseRadius, std::move(coarse));
    if (!fine.empty()) out.emplace_back(region.radius, std::move(fine));
    return out;
}

std::string correction(const std::vector<TeethRegion>& regions, std::int64_t amount) {
    const std::string maskSync = syncID();
    std::string out = "<rdf:li><rdf:Description";
    attr(out, "crs:What", "Correction");
    attr(out, "crs:CorrectionAmount", number(static_cast<double>(std::clamp<std::int64_t>(amount, 0, 100)) / 100.0));
    attr(out, "crs:CorrectionActive", "true");
    attr(out, "crs:CorrectionName", name);
    attr(out, "crs:CorrectionSyncID", syncID());
    attr(out, "crs:CorrectionID", Uuid::random().text());
    attr(out, "crs:CorrectionReferenceX", "0.5");
    attr(out, "crs:CorrectionReferenceY", "0.5");
    attr(out, "crs:LocalExposure2012", number(0.05 / 0.42));
    attr(out, "crs:LocalHighlights2012", number(0.30 / 0.42));
    attr(out, "crs:LocalSaturation", number(-0.10 / 0.42));
    attr(out, "crs:LocalTemperature", number(-0.10 / 0.42));
    out += "><crs:CorrectionMasks><rdf:Seq><rdf:li><rdf:Description";
    attr(out, "crs:What", "Mask/Aggregate");
    attr(out, "crs:MaskActive", "true");
    attr(out, "crs:MaskName", "Dinți");
    attr(out, "crs:MaskBlendMode", "0");
    attr(out, "crs:MaskInverted", "false");
    attr(out, "crs:MaskValue", "1");
    attr(out, "crs:MaskID", Uuid::random().text());
    attr(out, "crs:MaskSyncID", maskSync);
    out += "><crs:Masks><rdf:Seq>";
    for (const auto& region : regions) {
        for (const auto& [radius, dabs] : layers(region)) {
            for (std::size_t start = 0; start < dabs.size(); start += dabsPerPaint) {
                out += "<rdf:li><rdf:Description";
                attr(out, "crs:What", "Mask/Paint");
                attr(out, "crs:CenterWeight", "0");
                attr(out, "crs:Flow", "1");
                attr(out, "crs:Radius", number(radius));
                attr(out, "crs:MaskActive", "true");
                attr(out, "crs:MaskBlendMode", "0");
                attr(out, "crs:MaskInverted", "false");
                attr(out, "crs:MaskValue", "0.8");
                attr(out, "crs:MaskID", Uuid::random().text());
                attr(out, "crs:MaskSyncID", maskSync);
                out += "><crs:Dabs><rdf:Seq>";
                const std::size_t end = std::min(dabs.size(), start + dabsPerPaint);
                for (std::size_t i = start; i < end; ++i) {
                    out += "<rdf:li>d " + number(dabs[i][0]) + " " + number(dabs[i][1]) + "</rdf:li>";
                }
                out += "</rdf:Seq></crs:Dabs></rdf:Description></rdf:li>";
            }
        }
    }
    out += "</rdf:Seq></crs:Masks></rdf:Description></rdf:li></rdf:Seq></crs:CorrectionMasks></rdf:Description></rdf:li>";
    return out;
}

}  // namespace orvane::TeethMask

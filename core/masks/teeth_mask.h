#pragma once
// The local corrections the system owns in a photo's develop settings (teeth whitening, skin
// smoothing, face levelling, subject), and what one export does to each of them.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/masks/brush_mask.h"
#include "core/masks/face_level.h"
#include "core/photo/analysis_records.h"

namespace orvane {

namespace TeethMask {

// Correction name of the teeth whitening (en dash U+2013, "ț" U+021B).
inline constexpr std::string_view name = "Vendrel – Albire dinți";

struct Spec {
    // What an export does to one kind of correction.
    template <class Region>
    struct Part {
        enum class Kind { set, untouched, remove };
        Kind kind = Kind::untouched;
        std::vector<Region> regions;  // only with `set`
        std::int64_t amount = 0;      // percent, only with `set`

        static Part set(std::vector<Region> regions, std::int64_t amount) {
            return Part{Kind::set, std::move(regions), amount};
        }
        static Part untouched() { return Part{}; }
        static Part remove() { return Part{Kind::remove, {}, 0}; }
        bool isUntouched() const { return kind == Kind::untouched; }
        // Set with something to paint: only then is a correction written.
        bool writes() const { return kind == Kind::set && !regions.empty() && amount > 0; }

        bool operator==(const Part&) const = default;
    };

    Part<TeethRegion> teeth;
    Part<SkinRegion> skin;
    SkinParams skinParams;  // used only when skin is set
    Part<FaceLevel> faceLevel;
    Part<SkinRegion> subject;

    Spec() = default;
    Spec(Part<TeethRegion> teeth, Part<SkinRegion> skin) : teeth(std::move(teeth)), skin(std::move(skin)) {}
    static Spec set(std::vector<TeethRegion> regions, std::int64_t amount);
    static Spec remove();

    bool isEmpty() const;
    // Names of the corrections to take out before the request's own are added: each kind that is set or
    // removed, in the order teeth, skin, face level, subject, then the same names with the legacy prefix.
    std::vector<std::string> managedNames() const;
    // One complete "rdf:li" item per correction to write (teeth, skin, one per face level, subject),
    // using the prefixes crs and rdf without declaring them.
    std::vector<std::string> xmlItems() const;

    bool operator==(const Spec&) const = default;
};

inline constexpr std::string_view maskName = "Dinți";
// Mask value of every teeth stroke: the whitening fades at the edge of the teeth.
inline constexpr std::string_view strokeValue = "0.8";

// Brush layers of a teeth region, coarse before fine.
std::vector<BrushMask::Layer> layers(const TeethRegion& region);
// The layers of all regions, in order.
std::vector<BrushMask::Layer> layers(const std::vector<TeethRegion>& regions);
// The four whitening settings; they do not depend on the amount.
const LocalSettings& locals();

// The teeth-whitening correction as one "rdf:li" item on a single line.
std::string correction(const std::vector<TeethRegion>& regions, std::int64_t amount);

}  // namespace TeethMask
}  // namespace orvane

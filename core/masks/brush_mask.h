#pragma once
// The brush correction that every mask kind of ours is written as: one local correction whose
// single aggregate mask holds brush strokes of at most 20 dabs each. This file writes its XMP form
// (one "rdf:li" item of a sidecar's mask group); catalog_masks.h writes the catalog's text form.
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/photo/analysis_records.h"

namespace orvane {

// A local setting of a correction: its name without namespace prefix and its value.
using LocalSetting = std::pair<std::string, double>;
using LocalSettings = std::vector<LocalSetting>;

namespace BrushMask {

inline constexpr std::size_t dabsPerStroke = 20;

// Dabs of one radius, painted as one or more strokes.
struct Layer {
    double radius = 0;
    DabList dabs;

    bool operator==(const Layer&) const = default;
};

struct Stroke {
    double radius = 0;
    std::span<const Dab> dabs;  // 1 to 20, each with at least an x and a y
};

// One layer per region with dabs (its radius), in order. Dabs without an x and a y (only a damaged
// record has them) are left out.
std::vector<Layer> layers(const std::vector<SkinRegion>& regions);
// Layers without usable dabs give no layer.
DabList usableDabs(const DabList& dabs);
// Each layer's dabs cut in order into strokes of at most 20; the strokes point into `layers`.
std::vector<Stroke> strokes(const std::vector<Layer>& layers);

// A sync identifier: a new random UUID in upper case without its hyphens.
std::string syncID();
// Numbers of the mask texts: "%.6f" in the C locale, a negative zero keeping its sign.
std::string number(double value);

// The XMP correction of a mask with the given strokes. `amount` is clamped to 0...1; every stroke
// carries `strokeValue` as its mask value; the locals are written in list order.
std::string xmlCorrection(std::string_view name, std::string_view maskName, const std::vector<Layer>& layers,
                          double amount, const LocalSettings& locals, std::string_view strokeValue);

// A brush correction painted with the regions' dabs: one line, no whitespace between tags, the
// prefixes crs and rdf used without being declared here.
std::string xml(std::string_view name, std::string_view maskName, const std::vector<SkinRegion>& regions,
                double amount, const LocalSettings& locals);

}  // namespace BrushMask
}  // namespace orvane

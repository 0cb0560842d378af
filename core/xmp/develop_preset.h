#pragma once
// A develop preset: an XMP file whose Camera Raw settings every export starts from. It keeps the
// settings in document order, answers the derived views (detail values, tone curves) and resolves
// the final list of settings for one photo, with the exact text of every number written.
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/xmp/xmp_xml.h"

namespace orvane {

namespace TeethMask {
struct Spec;
}

// Why a preset file could not be read (a file that cannot be opened throws std::system_error).
class PresetReadError : public std::runtime_error {
public:
    enum class Kind {
        notXML,       // not well-formed XML
        corruptFile,  // no rdf:Description inside an RDF element
    };
    PresetReadError(Kind kind, const std::filesystem::path& file, const std::string& detail);
    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

class DevelopPreset {
public:
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    using Overrides = std::vector<std::pair<std::string, std::int64_t>>;
    using Point = std::pair<std::int64_t, std::int64_t>;
    struct Emitter;

    // Reads a preset or sidecar file. Throws std::system_error when it cannot be read and
    // PresetReadError when it is not XML or holds no settings description.
    static DevelopPreset load(const std::filesystem::path& file);
    // The same from bytes; `file` names the preset when it has no name of its own.
    static DevelopPreset parse(std::string_view bytes, const std::filesystem::path& file);

    const std::string& name() const { return name_; }
    const Pairs& attributes() const { return attributes_; }
    const std::vector<pugi::xml_node>& children() const { return children_; }
    const std::map<std::string, std::string>& detail() const { return detail_; }

    // Tone curves by element name ("ToneCurvePV2012…"): (input, output) points in document order.
    std::map<std::string, std::vector<Point>> toneCurves() const;

    static bool isDetail(std::string_view key);
    static const std::set<std::string, std::less<>>& presetOnly();
    // The neutral preset "Neutru", exactly as the application writes it.
    static const std::string& neutralXMP();

    // The crs settings of one photo: the preset's attributes with the photo's own values merged in
    // (replaced in place or appended), then every key in `skipping` removed. Throws
    // std::domain_error for a non-finite value or one whose rounding does not fit 64 bits.
    Pairs resolvedAttributes(double exposure, double temperature, std::optional<double> tint,
                             const Overrides& overrides, const Pairs& extra,
                             const std::set<std::string, std::less<>>& skipping) const;

    // The URI bound to a prefix as seen from an element (nearest declaration first).
    static std::optional<std::string> binding(std::string_view prefix, const pugi::xml_node& from);

    // --- merging into an existing sidecar (xmp_merge.cpp) ---
    // The verified merged text of an existing sidecar, or MergeError; touches no file.
    std::string merged(std::string_view existing, double exposure, double temperature, std::optional<double> tint,
                       const Overrides& overrides, const Pairs& extra, const TeethMask::Spec* masks,
                       const std::set<std::string, std::less<>>& skipping) const;
    static void verify(std::string_view original, std::string_view mergedText,
                       const std::set<std::string, std::less<>>& managed, const Pairs& attrs);

    // --- new sidecars (xmp_writer.cpp) ---
    // The text of a new sidecar; throws std::runtime_error when the text would not read back as XML.
    std::string sidecar(double exposure, double temperature, std::optional<double> tint, const Overrides& overrides,
                        const Pairs& extra, const TeethMask::Spec* masks,
                        const std::set<std::string, std::less<>>& skipping) const;
    // True when a sidecar holds anything besides Camera Raw settings in a single description.
    static bool hasForeignData(std::string_view bytes);

private:
    std::string name_;
    Pairs attributes_;
    std::vector<pugi::xml_node> children_;
    Xmp::Document document_;  // owns the nodes in children_
    std::map<std::string, std::string> detail_;
};

// Number texts of develop values; never depend on the C locale.
namespace DevelopText {
// Rounded to the nearest integer, halves away from zero; plain decimal.
std::string integer(double value);
// "0" for zero, else with its sign ("+12", "-3").
std::string signedInteger(std::int64_t value);
// Rounded to two decimals; "0.00" for zero, else with its sign ("+0.33", "-1.50").
std::string exposure(double value);
}  // namespace DevelopText

}  // namespace orvane

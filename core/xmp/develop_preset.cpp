#include "core/xmp/develop_preset.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/base/atomic_file.h"
#include "core/base/numbers.h"

namespace orvane {

namespace {

constexpr std::string_view detailPrefixes[] = {"Sharpness",           "Sharpen",        "LuminanceSmoothing",
                                               "LuminanceNoiseReduction", "ColorNoiseReduction", "NoiseReduction",
                                               "NoiseProfile"};

bool startsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

// The as-shot white balance is a fact of the photo the preset was made from, not a setting to give
// other photos.
bool isPhotoFact(std::string_view key) { return key == "AsShotTemperature" || key == "AsShotTint"; }

bool isSetting(std::string_view key) {
    return !key.empty() && !DevelopPreset::presetOnly().count(key) && !isPhotoFact(key) && !startsWith(key, "Supports") &&
           !startsWith(key, "ShowIn");
}

// Rounds half away from zero and checks the result fits a 64-bit integer.
std::int64_t roundedInteger(double value, const char* what) {
    if (!std::isfinite(value)) throw std::domain_error(std::string(what) + " is not a finite number");
    double r = std::round(value);
    if (!(r >= -9.2e18 && r <= 9.2e18)) throw std::domain_error(std::string(what) + " is out of range");
    return static_cast<std::int64_t>(r);
}

// Blanks trimmed from the pieces of a tone-curve point: Unicode space separators and tabs.
std::string_view trimBlanks(std::string_view s) {
    auto blankAt = [](std::string_view t, std::size_t i, bool fromEnd) -> std::size_t {
        // Returns the byte length of a blank at the start (or end) of t, 0 when none.
        static constexpr std::string_view multi[] = {
            "\u00A0", "\u1680", "\u2000", "\u2001", "\u2002", "\u2003", "\u2004", "\u2005",
            "\u2006", "\u2007", "\u2008", "\u2009", "\u200A", "\u202F", "\u205F", "\u3000"};
        if (!fromEnd) {
            if (t[i] == ' ' || t[i] == '\t') return 1;
            for (auto m : multi)
                if (t.substr(i, m.size()) == m) return m.size();
        } else {
            if (t[i] == ' ' || t[i] == '\t') return 1;
            for (auto m : multi)
                if (i + 1 >= m.size() && t.substr(i + 1 - m.size(), m.size()) == m) return m.size();
        }
        return 0;
    };
    while (!s.empty()) {
        std::size_t n = blankAt(s, 0, false);
        if (!n) break;
        s.remove_prefix(n);
    }
    while (!s.empty()) {
        std::size_t n = blankAt(s, s.size() - 1, true);
        if (!n) break;
        s.remove_suffix(n);
    }
    return s;
}

std::optional<std::int64_t> curveInteger(std::string_view piece) {
    std::string_view digits = piece;
    if (!digits.empty() && digits[0] == '+') {
        digits.remove_prefix(1);
        if (!digits.empty() && digits[0] == '-') return std::nullopt;  // one sign at most
    }
    if (digits.empty() || digits[0] == '+') return std::nullopt;
    std::int64_t v = 0;
    auto r = std::from_chars(digits.data(), digits.data() + digits.size(), v);
    if (r.ec != std::errc() || r.ptr != digits.data() + digits.size()) return std::nullopt;
    return v;
}

void collectItems(const pugi::xml_node& e, std::vector<pugi::xml_node>& out) {
    for (auto c : e.children()) {
        if (c.type() != pugi::node_element) continue;
        if (Xmp::localNameOf(c.name()) == "li") out.push_back(c);
        collectItems(c, out);
    }
}

}  // namespace

PresetReadError::PresetReadError(Kind kind, const std::filesystem::path& file, const std::string& detail)
    : std::runtime_error(kind == Kind::notXML
                             ? "Fișierul „" + file.filename().string() + "” nu este un XML valid (" + detail + ")."
                             : "Fișierul „" + file.filename().string() +
                                   "” nu poate fi citit deoarece nu are formatul corect."),
      kind_(kind) {}

DevelopPreset DevelopPreset::load(const std::filesystem::path& file) { return parse(readWholeFile(file), file); }

DevelopPreset DevelopPreset::parse(std::string_view bytes, const std::filesystem::path& file) {
    std::string error;
    auto doc = Xmp::parse(bytes, &error);
    if (!doc) throw PresetReadError(PresetReadError::Kind::notXML, file, error);

    auto found = doc->select_node("//*[local-name()='Description' and parent::*[local-name()='RDF']]");
    pugi::xml_node description = found.node();
    if (!description || description.type() != pugi::node_element)
        throw PresetReadError(PresetReadError::Kind::corruptFile, file, "");

    DevelopPreset p;
    p.document_ = doc;
    for (auto a : Xmp::attributes(description)) {
        if (Xmp::namespaceOf(a, description) != Xmp::crsNS) continue;
        std::string key(Xmp::localNameOf(a.name()));
        if (isSetting(key)) p.attributes_.emplace_back(key, a.value());
    }
    for (auto c : description.children()) {
        if (c.type() != pugi::node_element || Xmp::namespaceOf(c) != Xmp::crsNS) continue;
        if (isSetting(Xmp::localNameOf(c.name()))) p.children_.push_back(c);
    }
    for (auto a : Xmp::attributes(description)) {
        if (Xmp::namespaceOf(a, description) != Xmp::crsNS) continue;
        std::string key(Xmp::localNameOf(a.name()));
        if (isDetail(key)) p.detail_.emplace(key, a.value());  // the first value of a key wins
    }
    auto nameNode = description.select_node("*[local-name()='Name']//*[local-name()='li']").node();
    if (nameNode)
        p.name_ = Xmp::stringValue(nameNode);
    else
        p.name_ = file.stem().string();
    return p;
}

std::map<std::string, std::vector<DevelopPreset::Point>> DevelopPreset::toneCurves() const {
    std::map<std::string, std::vector<Point>> out;
    for (const auto& child : children_) {
        std::string key(Xmp::localNameOf(child.name()));
        if (!startsWith(key, "ToneCurvePV2012")) continue;
        std::vector<pugi::xml_node> items;
        collectItems(child, items);
        std::vector<Point> points;
        for (const auto& item : items) {
            std::string value = Xmp::stringValue(item);
            std::vector<std::int64_t> numbers;
            std::string_view rest = value;
            while (true) {
                auto comma = rest.find(',');
                std::string_view piece = rest.substr(0, comma);
                if (!piece.empty())
                    if (auto n = curveInteger(trimBlanks(piece))) numbers.push_back(*n);
                if (comma == std::string_view::npos) break;
                rest.remove_prefix(comma + 1);
            }
            if (numbers.size() == 2) points.emplace_back(numbers[0], numbers[1]);
        }
        if (!points.empty()) out.emplace(key, std::move(points));
    }
    return out;
}

bool DevelopPreset::isDetail(std::string_view key) {
    for (auto p : detailPrefixes)
        if (startsWith(key, p)) return true;
    return false;
}

const std::set<std::string, std::less<>>& DevelopPreset::presetOnly() {
    static const std::set<std::string, std::less<>> keys = {
        "PresetType", "Cluster",   "UUID",     "RequiresRGBTables", "CameraModelRestriction",
        "Copyright",  "ContactInfo", "CompatibleVersion", "Name", "ShortName", "SortName", "Group",
        "Description"};
    return keys;
}

const std::string& DevelopPreset::neutralXMP() {
    static const std::string text =
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"" + std::string(Xmp::rdfNS) + "\">\n" +
        "<rdf:Description rdf:about=\"\" xmlns:crs=\"" + std::string(Xmp::crsNS) +
        "\" crs:PresetType=\"Normal\" crs:Version=\"15.4\"\n"
        "crs:ProcessVersion=\"15.4\" crs:ConvertToGrayscale=\"False\" crs:HasSettings=\"True\"><crs:Name><rdf:Alt>"
        "<rdf:li xml:lang=\"x-default\">Neutru</rdf:li></rdf:Alt></crs:Name>\n"
        "</rdf:Description></rdf:RDF></x:xmpmeta>";
    return text;
}

DevelopPreset::Pairs DevelopPreset::resolvedAttributes(double exposure, double temperature, std::optional<double> tint,
                                                       const Overrides& overrides, const Pairs& extra,
                                                       const std::set<std::string, std::less<>>& skipping) const {
    if (!std::isfinite(exposure)) throw std::domain_error("exposure is not a finite number");
    Pairs own;
    own.emplace_back("WhiteBalance", "Custom");
    own.emplace_back("Temperature", DevelopText::integer(temperature));
    if (tint) own.emplace_back("Tint", DevelopText::signedInteger(roundedInteger(*tint, "tint")));
    own.emplace_back("Exposure2012", DevelopText::exposure(exposure));
    own.emplace_back("HasSettings", "True");
    for (const auto& [key, value] : overrides)
        own.emplace_back(key, DevelopText::signedInteger(std::clamp<std::int64_t>(value, -100, 100)));
    for (const auto& pair : extra) own.push_back(pair);

    Pairs list;
    for (const auto& pair : attributes_)
        if (tint || pair.first != "Tint") list.push_back(pair);
    for (const auto& [key, value] : own) {
        auto it = std::find_if(list.begin(), list.end(), [&k = key](const auto& p) { return p.first == k; });
        if (it != list.end())
            it->second = value;
        else
            list.emplace_back(key, value);
    }
    Pairs out;
    for (auto& pair : list)
        if (!skipping.count(pair.first)) out.push_back(std::move(pair));
    return out;
}

std::optional<std::string> DevelopPreset::binding(std::string_view prefix, const pugi::xml_node& from) {
    return Xmp::binding(prefix, from);
}

namespace DevelopText {

namespace {
std::string decimal(std::int64_t value) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}
}  // namespace

std::string integer(double value) { return decimal(roundedInteger(value, "temperature")); }

std::string signedInteger(std::int64_t value) { return Numbers::signedInteger(value); }

std::string exposure(double value) {
    if (!std::isfinite(value)) throw std::domain_error("exposure is not a finite number");
    double hundredths = std::round(value * 100.0);
    if (!std::isfinite(hundredths)) throw std::domain_error("exposure is out of range");
    double rounded = hundredths / 100.0;
    if (rounded == 0) return "0.00";
    std::string text = Numbers::fixed(rounded, 2);
    return rounded > 0 ? "+" + text : text;
}

}  // namespace DevelopText

}  // namespace orvane

#pragma once
// Shared by the preset, merge and writer tests only.
#include <clocale>
#include <string>

#include "core/xmp/develop_preset.h"

namespace orvane::testing {

// Puts the Romanian locale (decimal comma) in force for its scope; `active` is false when the
// locale is not installed.
class RomanianLocale {
public:
    RomanianLocale() {
        const char* previous = std::setlocale(LC_ALL, nullptr);
        saved_ = previous ? previous : "C";
        active_ = std::setlocale(LC_ALL, "ro_RO.UTF-8") != nullptr;
    }
    ~RomanianLocale() { std::setlocale(LC_ALL, saved_.c_str()); }
    RomanianLocale(const RomanianLocale&) = delete;
    RomanianLocale& operator=(const RomanianLocale&) = delete;
    bool active() const { return active_; }

private:
    std::string saved_;
    bool active_ = false;
};

inline const std::string kRdf = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
inline const std::string kCrs = "http://ns.adobe.com/camera-raw-settings/1.0/";

inline DevelopPreset presetFrom(const std::string& text, const std::string& file = "Test.xmp") {
    return DevelopPreset::parse(text, file);
}

inline DevelopPreset neutralPreset() { return presetFrom(DevelopPreset::neutralXMP(), "Neutru.xmp"); }

// A preset with the settings description written the way presets usually are.
inline std::string presetText(const std::string& attributes, const std::string& children = "") {
    return "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"" + kRdf +
           "\"><rdf:Description rdf:about=\"\" xmlns:crs=\"" + kCrs + "\" " + attributes + ">" + children +
           "</rdf:Description></rdf:RDF></x:xmpmeta>";
}

}  // namespace orvane::testing

#pragma once
// Shared by the preset, merge and writer tests only.

#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "core/xmp/develop_preset.h"
#include "testing/exiftool.h"
#include "testing/romanian_locale.h"

namespace orvane::testing {

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

#pragma once
// Test support for the adjustments panel: a target that holds a project and records every setter call
// as one line of text, in order, and a develop preset written into a folder.
#include <charconv>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/projects/global_adjustments_model.h"
#include "core/base/atomic_file.h"

namespace orvane::projects::testing {

class RecordingTarget final : public AdjustmentsTarget {
public:
    Project p;
    std::vector<std::string> calls;

    const Project& project() const override { return p; }
    void setBasic(const BasicAdjustments& b) override { calls.push_back("basic " + num(b.temperature) + " " + num(b.tint)); }
    void setGlobalExposure(double ev) override { calls.push_back("exposure " + num(ev)); }
    void setPresetOverrides(std::map<std::string, std::int64_t> o) override {
        std::string line = "overrides";
        for (const auto& [k, v] : o) line += " " + k + "=" + std::to_string(v);
        calls.push_back(line);
    }
    void setFixed(std::optional<double> t, std::optional<double> e) override {
        calls.push_back("fixed " + (t ? num(*t) : "-") + " " + (e ? num(*e) : "-"));
    }
    void setTeethAmount(std::int64_t a) override { calls.push_back("teeth " + std::to_string(a)); }
    void setFaceLevelAmount(std::int64_t a) override { calls.push_back("face " + std::to_string(a)); }
    void setSubjectMaskAmount(std::int64_t a) override { calls.push_back("subject " + std::to_string(a)); }
    void setSkinParams(const SkinParams& s) override {
        calls.push_back("skin " + std::to_string(s.texture) + " " + std::to_string(s.clarity) + " " +
                        std::to_string(s.sharpness));
    }
    void setSkinAmount(std::int64_t a) override { calls.push_back("skinAmount " + std::to_string(a)); }
    void setUntouched(std::vector<std::string> keys) override {
        std::string line = "untouched";
        for (const auto& k : keys) line += " " + k;
        calls.push_back(line);
    }
    // The calls since the last take.
    std::vector<std::string> take() { return std::exchange(calls, {}); }

    static std::string num(double v) {
        char buffer[32];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
        return std::string(buffer, end);
    }
};

// A develop preset whose Camera Raw description carries `attributes` ("crs:Contrast2012=\"+25\"").
inline std::filesystem::path writePreset(const std::filesystem::path& dir, const std::string& attributes) {
    const std::filesystem::path file = dir / "preset.xmp";
    writeFileAtomically(file,
                        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/"
                        "22-rdf-syntax-ns#\"><rdf:Description xmlns:crs=\"http://ns.adobe.com/camera-raw-settings/"
                        "1.0/\" " +
                            attributes + "/></rdf:RDF></x:xmpmeta>");
    return file;
}

// A done photo with predictions.
inline PhotoItem predictedPhoto(const std::string& path, std::optional<double> kelvin, std::optional<double> ev) {
    PhotoItem photo;
    photo.path = path;
    photo.status = PhotoItem::Status::done;
    photo.temperature = kelvin;
    photo.exposure = ev;
    return photo;
}

}  // namespace orvane::projects::testing

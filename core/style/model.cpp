#include "core/style/model.h"

namespace orvane::Model {

const std::vector<std::string>& columns() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> v;
        for (std::size_t i = 0; i < featureCount; ++i) v.push_back("f" + std::to_string(i));
        return v;
    }();
    return names;
}

const std::vector<std::string>& extraKeys() {
    static const std::vector<std::string> keys = {"Contrast2012", "Highlights2012", "Shadows2012", "Whites2012",
                                                  "Blacks2012",   "Clarity2012",    "Vibrance",    "Saturation",
                                                  "Texture",      "Dehaze"};
    return keys;
}

const std::string& firstFaceColumn() { return columns()[imageFeatureCount]; }

std::string extraName(std::string_view key) { return "x_" + std::string(key); }

std::string compiledName(std::string_view model) { return std::string(model) + std::string(compiledSuffix); }

std::string sourceName(std::string_view model) { return std::string(model) + std::string(sourceSuffix); }

}  // namespace orvane::Model

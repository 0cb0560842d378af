#include "core/style/model.h"

#include "core/photo/features.h"

namespace orvane::Model {

const std::vector<std::string>& columns() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> v;
        for (std::size_t i = 0; i < Features::count; ++i) v.push_back("f" + std::to_string(i));
        return v;
    }();
    return names;
}

const std::string& firstFaceColumn() { return columns()[Features::imageCount]; }

std::string extraName(std::string_view key) { return "x_" + std::string(key); }

std::string compiledName(std::string_view model) { return std::string(model) + std::string(compiledSuffix); }

std::string sourceName(std::string_view model) { return std::string(model) + std::string(sourceSuffix); }

}  // namespace orvane::Model

#include "core/base/path_text.h"

namespace orvane::PathText {

std::string_view lastComponent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    const auto slash = path.rfind('/');
    if (slash == std::string_view::npos || path.size() == 1) return path;
    return path.substr(slash + 1);
}

std::string lowerExtension(const std::filesystem::path& file) {
    std::string ext = file.extension().string();
    // ASCII only: a locale's case rules must not turn an extension into another one.
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

}  // namespace orvane::PathText

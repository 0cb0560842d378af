#pragma once
// Shared by the mask tests only: texts with their random identifiers masked.
#include <regex>
#include <string>
#include <vector>

namespace orvane::testing {

// Plain IDs (with hyphens) become "ID", sync IDs (32 hex digits) "SYNC".
inline std::string maskedIDs(const std::string& text) {
    static const std::regex id("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}");
    static const std::regex sync("[0-9A-F]{32}");
    return std::regex_replace(std::regex_replace(text, id, "ID"), sync, "SYNC");
}

// The first capture group of every match, in order.
inline std::vector<std::string> captures(const std::string& text, const std::string& pattern) {
    std::vector<std::string> out;
    const std::regex re(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
        out.push_back((*it)[1]);
    return out;
}

}  // namespace orvane::testing

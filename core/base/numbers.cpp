#include "core/base/numbers.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace orvane::Numbers {

std::string shortest(double value) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

std::string printfFixed(double value, int decimals) {
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) return shortest(value);
    return std::string(buf, r.ptr);
}

std::string fixed(double value, int decimals) {
    std::string s = printfFixed(value, decimals);
    // "-0.000000" reads oddly in a settings file and means zero.
    if (!s.empty() && s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
    return s;
}

std::optional<double> parseDouble(std::string_view text) {
    if (text.empty()) return std::nullopt;
    double v = 0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    // "inf" and "nan" are not numbers a file of ours holds.
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::string signedInteger(std::int64_t value) {
    if (value == 0) return "0";
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    return (value > 0 ? "+" : "") + std::string(buf, r.ptr);
}

std::optional<std::int64_t> parseInt(std::string_view text) {
    if (text.empty()) return std::nullopt;
    std::int64_t v = 0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return std::nullopt;
    return v;
}

}  // namespace orvane::Numbers

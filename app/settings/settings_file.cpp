#include "app/settings/settings_file.h"

#include <cmath>
#include <cstdint>
#include <optional>
#include <system_error>

#include "core/update/update_safety.h"

namespace orvane::settings {

namespace {

// Whole numbers only: 3.5 workers or backups mean nothing to their readers.
std::optional<std::int64_t> wholeNumber(const Json& v) {
    if (v.is_number_integer()) {
        if (v.is_number_unsigned() && v.get<std::uint64_t>() > std::uint64_t(INT64_MAX)) return std::nullopt;
        return v.get<std::int64_t>();
    }
    return std::nullopt;
}

std::string inRange(const Json& v, std::int64_t lower, std::int64_t upper) {
    const auto n = wholeNumber(v);
    if (!n || *n < lower || *n > upper)
        return "se aștepta un număr întreg între " + std::to_string(lower) + " și " + std::to_string(upper);
    return {};
}

std::string finiteIn(const Json& v, double lower, double upper, bool lowerIncluded, const char* expected) {
    const double d = v.get<double>();
    if (!std::isfinite(d) || d > upper || d < lower || (!lowerIncluded && d == lower)) return expected;
    return {};
}

std::string trimmedSpaces(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

}  // namespace

void setAppLanguage(Defaults& defaults, const std::string& code) {
    defaults.set("language", code);
    defaults.set("AppleLanguages", Json::array({code}));
}

std::string exportSettings(const Defaults& defaults) {
    Json out = Json::object();
    for (const auto& entry : DefaultsKeys::settings())
        if (auto v = defaults.value(entry.key)) out[entry.key] = *v;
    // nlohmann keeps object members sorted by key; a non-finite number would be written as null.
    for (const auto& [key, value] : out.items())
        if (value.is_number_float() && !std::isfinite(value.get<double>()))
            throw json::EncodeError("valoare nefinită pentru setarea „" + key + "”");
    return out.dump(2) + "\n";
}

std::string refusalReason(const std::string& key, const Json& value) {
    if (value.is_number()) {
        if (key == "workers") return inRange(value, 0, 64);
        if (key == "backupKeep") return inRange(value, 1, 10);
        if (key == "backupLimitGB") return inRange(value, 0, (std::int64_t{1} << 33) - 1);
        if (key == "option.teeth.amount" || key == "option.facelevel.amount" || key == "option.skin.texture" ||
            key == "option.skin.clarity" || key == "option.skin.sharpness")
            return finiteIn(value, 0, 100, true, "se aștepta un număr între 0 și 100");
        if (key == "option.crop.w" || key == "option.crop.h")
            return finiteIn(value, 0, HUGE_VAL, false, "se aștepta un număr mai mare ca 0");
        if (key.starts_with("backdropIntensity.") || key.starts_with("cardTransparency."))
            return finiteIn(value, 0, 1, true, "se aștepta un număr între 0 și 1");
        if (value.is_number_float() && !std::isfinite(value.get<double>())) return "număr nefinit";
    }
    if (value.is_string()) {
        const std::string text = value.get<std::string>();
        if (key == "updateFeed") {
            const std::string address = trimmedSpaces(text);
            if (address.empty()) return {};
            try {
                UpdateSafety::requireHTTPS(address);
            } catch (const std::exception&) {
                return "adresa nu folosește HTTPS";
            }
        }
        if (key == "lightroomPath" && !text.empty()) {
            const std::filesystem::path path(text);
            std::error_code ec;
            if (!path.is_absolute() || !std::filesystem::is_regular_file(path, ec))
                return "nu e calea unui program existent";
        }
    }
    return {};
}

ImportOutcome importSettings(Defaults& defaults, const std::string& text) {
    ImportOutcome outcome;
    Json object;
    try {
        object = json::parse(text);
    } catch (const std::exception&) {
        return outcome;
    }
    if (!object.is_object()) return outcome;
    outcome.readable = true;
    for (const auto& entry : DefaultsKeys::settings()) {
        auto it = object.find(entry.key);
        if (it == object.end() || it->is_null()) continue;
        if (!refusalReason(entry.key, *it).empty()) {
            outcome.refused.push_back(entry.key);
            continue;
        }
        defaults.set(entry.key, *it);
        outcome.applied.push_back(entry.key);
    }
    auto language = object.find("language");
    if (language != object.end() && language->is_string()) setAppLanguage(defaults, language->get<std::string>());
    return outcome;
}

void resetSettings(Defaults& defaults) {
    for (const auto& entry : DefaultsKeys::settings()) defaults.remove(entry.key);
    for (const auto& key : DefaultsKeys::resetExtras()) defaults.remove(key);
}

}  // namespace orvane::settings

#include "core/catalog/settings_text.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>

#include "core/base/numbers.h"

namespace orvane::CatalogWriter {

namespace {

constexpr std::string_view masksKey = "MaskGroupBasedCorrections";

// Keys are Lua names: a letter or "_" first, then letters, digits and "_" (in the Unicode sense).
bool isIdentifier(std::string_view key) {
    if (key.empty()) return false;
    const char* p = key.data();
    const auto length = static_cast<int32_t>(key.size());
    int32_t i = 0;
    bool first = true;
    while (i < length) {
        UChar32 c;
        U8_NEXT(p, i, length, c);
        if (c < 0) return false;
        const auto type = u_charType(c);
        const bool number = u_isdigit(c) || type == U_OTHER_NUMBER || type == U_LETTER_NUMBER;
        const bool ok = c == '_' || u_isalpha(c) || (!first && number);
        if (!ok) return false;
        first = false;
    }
    return true;
}

std::string join(const std::vector<std::string>& items, std::string_view separator) {
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i) out += separator;
        out += items[i];
    }
    return out;
}

void set(std::vector<Entry>& table, const std::string& key, const std::string& value) {
    std::string raw = key + " = " + value;
    for (auto& entry : table)
        if (entry.key == key) {
            entry.raw = std::move(raw);
            return;
        }
    table.push_back({key, std::move(raw)});
}

Entry* find(std::vector<Entry>& table, std::string_view key) {
    for (auto& entry : table)
        if (entry.key == key) return &entry;
    return nullptr;
}

bool contains(const std::vector<std::string>& list, std::string_view name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

// The number a whole text reads as, C-locale rules; non-finite and out-of-range texts are no numbers.
std::optional<double> finiteNumber(std::string_view v) {
    if (!v.empty() && v.front() == '+') {
        v.remove_prefix(1);
        if (!v.empty() && (v.front() == '+' || v.front() == '-')) return std::nullopt;
    }
    if (v.empty()) return std::nullopt;
    double x = 0;
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), x, std::chars_format::general);
    if (ec != std::errc() || end != v.data() + v.size() || !std::isfinite(x)) return std::nullopt;
    return x;
}

}  // namespace

std::vector<std::string> unwiredMaskCorrections(const TeethMask::Spec& spec) {
    if (spec.teeth.writes() || spec.skin.writes() || spec.faceLevel.writes() || spec.subject.writes())
        throw std::logic_error("the catalog text of mask corrections is not wired into the catalog writer");
    return {};
}

const std::vector<std::string>& stringKeys() {
    static const std::vector<std::string> keys = {
        "CameraProfile",    "CameraProfileDigest", "WhiteBalance",   "ToneCurveName2012", "ToneCurveName",
        "LensProfileName",  "LensProfileFilename", "LensProfileDigest", "LensProfileSetup", "ProcessVersion",
        "Version",          "Look",                "UprightPreview"};
    return keys;
}

const std::vector<std::string>& skipped() {
    static const std::vector<std::string> keys = {"HasSettings", "ProcessVersion", "Version", "CameraProfileDigest"};
    return keys;
}

std::string_view trimmed(std::string_view text) {
    const char* p = text.data();
    const auto length = static_cast<int32_t>(text.size());
    int32_t begin = 0;
    while (begin < length) {
        int32_t next = begin;
        UChar32 c;
        U8_NEXT(p, next, length, c);
        if (c < 0 || !u_isUWhiteSpace(c)) break;
        begin = next;
    }
    int32_t end = length;
    while (end > begin) {
        int32_t previous = end;
        UChar32 c;
        U8_PREV(p, begin, previous, c);
        if (c < 0 || !u_isUWhiteSpace(c)) break;
        end = previous;
    }
    return text.substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin));
}

std::optional<std::vector<std::string>> checkedEntries(std::string_view body) {
    // Every delimiter is ASCII and never a UTF-8 continuation byte, so walking bytes sees the same
    // structure as walking characters.
    std::vector<std::string> items;
    std::string item;
    int depth = 0;
    char quote = 0;  // the open string's quote character, 0 outside strings
    bool escaped = false;
    char previous = 0;  // the previous character outside strings; a whole string counts as its quote
    for (const char c : body) {
        if (quote) {
            item += c;
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == quote) {
                previous = quote;
                quote = 0;
            }
            continue;
        }
        if (c == '-' && previous == '-') return std::nullopt;              // a comment
        if ((c == '[' || c == '=') && previous == '[') return std::nullopt;  // a long bracket
        if (c == '"' || c == '\'') {
            quote = c;
            item += c;
            continue;
        }
        if (c == '{') ++depth;
        if (c == '}' && --depth < 0) return std::nullopt;
        if (c == ',' && depth == 0) {
            const auto t = trimmed(item);
            if (t.empty()) return std::nullopt;
            items.emplace_back(t);
            item.clear();
        } else {
            item += c;
        }
        previous = c;
    }
    if (quote || depth != 0) return std::nullopt;
    const auto last = trimmed(item);
    if (!last.empty()) items.emplace_back(last);
    return items;
}

std::vector<std::string> splitTopLevel(std::string_view body) {
    std::vector<std::string> items;
    std::string item;
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : body) {
        if (inString) {
            item += c;
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"') inString = true;
        if (c == '{') ++depth;
        if (c == '}') --depth;
        if (c == ',' && depth == 0) {
            items.emplace_back(trimmed(item));
            item.clear();
        } else {
            item += c;
        }
    }
    const auto last = trimmed(item);
    if (!last.empty()) items.emplace_back(last);
    return items;
}

std::optional<std::vector<Entry>> entries(std::string_view text) {
    const auto t = trimmed(text);
    if (t.size() < 6 || t.substr(0, 5) != "s = {" || t.back() != '}') return std::nullopt;
    const auto items = checkedEntries(t.substr(5, t.size() - 6));
    if (!items) return std::nullopt;
    std::vector<Entry> table;
    table.reserve(items->size());
    for (const auto& item : *items) {
        const auto eq = item.find('=');
        if (eq == std::string::npos) return std::nullopt;
        const auto key = trimmed(std::string_view(item).substr(0, eq));
        const auto value = trimmed(std::string_view(item).substr(eq + 1));
        if (key.empty() || value.empty() || !isIdentifier(key)) return std::nullopt;
        for (const auto& seen : table)
            if (seen.key == key) return std::nullopt;
        table.push_back({std::string(key), std::string(key) + " = " + std::string(value)});
    }
    return table;
}

std::string render(std::vector<Entry> table) {
    std::stable_sort(table.begin(), table.end(), [](const Entry& a, const Entry& b) { return a.key < b.key; });
    std::string out = "s = { ";
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (i) out += ",\n";
        out += table[i].raw;
    }
    out += " }";
    return out;
}

std::string luaString(std::string_view value) {
    std::string out;
    out.reserve(value.size() + 2);
    out += '"';
    for (const char c : value) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    out += '"';
    return out;
}

std::string luaValue(std::string_view value, const std::optional<std::string>& existing) {
    std::string_view v = value;
    if (!v.empty() && v.front() == '+') v.remove_prefix(1);
    if (v == "True") return "true";
    if (v == "False") return "false";
    if (existing && !existing->empty() && existing->front() == '"') return luaString(value);
    const auto number = finiteNumber(v);
    if (!number) return luaString(value);
    const double x = *number;
    if (std::round(x) == x && std::fabs(x) < 1e9) return std::to_string(static_cast<std::int64_t>(x));
    std::string text = Numbers::fixed(x, 6);
    while (!text.empty() && text.back() == '0') text.pop_back();
    return text;
}

std::string luaCurve(const Curve& points) {
    std::vector<std::string> numbers;
    numbers.reserve(points.size() * 2);
    for (const auto& [x, y] : points) {
        numbers.push_back(std::to_string(x));
        numbers.push_back(std::to_string(y));
    }
    return "{ " + join(numbers, ",\n") + " }";
}

std::optional<std::string> merge(std::string_view text, const Attributes& attributes, const Curves& curves,
                                 const std::optional<TeethMask::Spec>& masks, const MaskCorrections& maskCorrections) {
    auto table = entries(text);
    if (!table) return std::nullopt;

    for (const auto& [name, value] : attributes) {
        // A name that is not a Lua name would make a text no reader accepts.
        if (contains(skipped(), name) || !isIdentifier(name)) continue;
        std::optional<std::string> existing;
        if (const auto* entry = find(*table, name)) existing = entry->raw.substr(name.size() + 3);
        if (contains(stringKeys(), name)) existing = "\"";
        set(*table, name, luaValue(value, existing));
    }
    for (const auto& [name, points] : curves)
        if (!points.empty() && isIdentifier(name)) set(*table, name, luaCurve(points));

    if (masks) {
        const auto managed = masks->managedNames();
        std::vector<std::string> corrections;
        if (const auto* entry = find(*table, masksKey)) {
            const auto value = trimmed(std::string_view(entry->raw).substr(masksKey.size() + 3));
            if (value.size() >= 2 && value.front() == '{' && value.back() == '}') {
                for (auto& item : splitTopLevel(value.substr(1, value.size() - 2))) {
                    if (item.empty()) continue;  // ", ," would not read back as Lua
                    const bool ours = std::any_of(managed.begin(), managed.end(), [&](const std::string& name) {
                        return item.find('"' + name + '"') != std::string::npos;
                    });
                    if (!ours) corrections.push_back(std::move(item));
                }
            }
        }
        for (auto& correction : maskCorrections(*masks)) corrections.push_back(std::move(correction));
        if (!corrections.empty())
            set(*table, std::string(masksKey), "{ " + join(corrections, ",\n") + " }");
        else
            std::erase_if(*table, [](const Entry& e) { return e.key == masksKey; });
    }
    return render(std::move(*table));
}

}  // namespace orvane::CatalogWriter

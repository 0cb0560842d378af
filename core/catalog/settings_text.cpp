#include "core/catalog/settings_text.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <deque>
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
        const auto b = static_cast<unsigned char>(p[i]);
        if (b < 0x80) {  // the keys Lightroom writes are ASCII
            const bool letter = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b == '_';
            if (!letter && (first || b < '0' || b > '9')) return false;
            ++i;
            first = false;
            continue;
        }
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

namespace {

// Whitespace or a line break in the Unicode sense; ASCII is decided without ICU.
bool isSpace(UChar32 c) {
    if (c < 0x80) return c == ' ' || (c >= '\t' && c <= '\r');
    return u_isUWhiteSpace(c);
}

}  // namespace

std::string_view trimmed(std::string_view text) {
    const char* p = text.data();
    const auto length = static_cast<int32_t>(text.size());
    int32_t begin = 0;
    for (int32_t next = 0; begin < length; begin = next) {
        UChar32 c;
        U8_NEXT(p, next, length, c);
        if (!isSpace(c)) break;
    }
    int32_t end = length;
    for (int32_t previous = length; end > begin; end = previous) {
        UChar32 c;
        U8_PREV(p, begin, previous, c);
        if (!isSpace(c)) break;
    }
    return text.substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin));
}

namespace {

// The characters the item walk has to look at outside strings.
bool special(char c) {
    static const auto table = [] {
        std::array<bool, 256> t{};
        for (const unsigned char x : std::string_view("-[=\"'{},")) t[x] = true;
        return t;
    }();
    return table[static_cast<unsigned char>(c)];
}

// Items of a table body as slices of it, cut at top-level commas and trimmed.
std::optional<std::vector<std::string_view>> checkedItems(std::string_view body) {
    // Every delimiter is ASCII and never a UTF-8 continuation byte, so walking bytes sees the same
    // structure as walking characters.
    std::vector<std::string_view> items;
    std::size_t start = 0;
    int depth = 0;
    char quote = 0;  // the open string's quote character, 0 outside strings
    bool escaped = false;
    char previous = 0;  // the previous character outside strings; a whole string counts as its quote
    const std::size_t n = body.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = body[i];
        if (quote) {
            if (escaped) {
                escaped = false;
                continue;
            }
            // Skip to the next backslash or quote: string contents need no other look.
            while (i < n && body[i] != '\\' && body[i] != quote) ++i;
            if (i == n) break;
            if (body[i] == '\\') {
                escaped = true;
            } else {
                previous = quote;
                quote = 0;
            }
            continue;
        }
        if (!special(c)) {
            previous = c;
            continue;
        }
        if (c == '-' && previous == '-') return std::nullopt;              // a comment
        if ((c == '[' || c == '=') && previous == '[') return std::nullopt;  // a long bracket
        if (c == '"' || c == '\'') {
            quote = c;
            continue;
        }
        if (c == '{') ++depth;
        if (c == '}' && --depth < 0) return std::nullopt;
        if (c == ',' && depth == 0) {
            const auto t = trimmed(body.substr(start, i - start));
            if (t.empty()) return std::nullopt;
            items.push_back(t);
            start = i + 1;
        }
        previous = c;
    }
    if (quote || depth != 0) return std::nullopt;
    const auto last = trimmed(body.substr(start));
    if (!last.empty()) items.push_back(last);
    return items;
}

// One entry as views: into the parsed text, or into strings the merge keeps alive.
struct Slice {
    std::string_view key;
    std::string_view value;
    bool removed = false;
};

// The entries in text order and, beside them, their indices in key order.
struct Parsed {
    std::vector<Slice> table;
    std::vector<std::size_t> order;

    Slice* find(std::string_view key) {
        const auto it = std::lower_bound(order.begin(), order.end(), key,
                                         [&](std::size_t i, std::string_view k) { return table[i].key < k; });
        return it != order.end() && table[*it].key == key ? &table[*it] : nullptr;
    }
    // A key find() did not find.
    void add(std::string_view key, std::string_view value) {
        const auto it = std::lower_bound(order.begin(), order.end(), key,
                                         [&](std::size_t i, std::string_view k) { return table[i].key < k; });
        order.insert(it, table.size());
        table.push_back({key, value});
    }
};

// Indices of the slices in ascending key order; equal keys keep their order.
std::vector<std::size_t> keyOrder(const std::vector<Slice>& table) {
    std::vector<std::size_t> order(table.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return table[a].key < table[b].key; });
    return order;
}

// The accepted grammar: "s = {" + items + "}", every item a plain name, "=", a value; no name twice.
std::optional<Parsed> parse(std::string_view text) {
    const auto t = trimmed(text);
    if (t.size() < 6 || t.substr(0, 5) != "s = {" || t.back() != '}') return std::nullopt;
    const auto items = checkedItems(t.substr(5, t.size() - 6));
    if (!items) return std::nullopt;
    std::vector<Slice> table;
    table.reserve(items->size());
    for (const auto item : *items) {
        const auto eq = item.find('=');
        if (eq == std::string_view::npos) return std::nullopt;
        const auto key = trimmed(item.substr(0, eq));
        const auto value = trimmed(item.substr(eq + 1));
        if (key.empty() || value.empty() || !isIdentifier(key)) return std::nullopt;
        table.push_back({key, value});
    }
    auto order = keyOrder(table);
    for (std::size_t i = 1; i < order.size(); ++i)
        if (table[order[i - 1]].key == table[order[i]].key) return std::nullopt;
    return Parsed{std::move(table), std::move(order)};
}

std::string renderSlices(const Parsed& parsed) {
    const auto& table = parsed.table;
    std::size_t size = 8;
    for (const auto& e : table) size += e.key.size() + e.value.size() + 5;
    std::string out;
    out.reserve(size);
    out += "s = { ";
    bool first = true;
    for (const auto i : parsed.order) {
        if (table[i].removed) continue;
        if (!first) out += ",\n";
        first = false;
        out.append(table[i].key).append(" = ").append(table[i].value);
    }
    out += " }";
    return out;
}

}  // namespace

std::optional<std::vector<std::string>> checkedEntries(std::string_view body) {
    const auto items = checkedItems(body);
    if (!items) return std::nullopt;
    return std::vector<std::string>(items->begin(), items->end());
}

std::vector<std::string> splitTopLevel(std::string_view body) {
    std::vector<std::string> items;
    std::string item;
    int depth = 0;
    char quote = 0;  // the quote that opened the string we are in, or 0
    bool escaped = false;
    for (const char c : body) {
        if (quote) {
            item += c;
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == quote)
                quote = 0;
            continue;
        }
        // Lua quotes strings either way; a comma inside 'a, b' splits nothing.
        if (c == '"' || c == '\'') quote = c;
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
    const auto parsed = parse(text);
    if (!parsed) return std::nullopt;
    std::vector<Entry> out;
    out.reserve(parsed->table.size());
    for (const auto& e : parsed->table) {
        std::string raw;
        raw.reserve(e.key.size() + 3 + e.value.size());
        raw.append(e.key).append(" = ").append(e.value);
        out.push_back({std::string(e.key), std::move(raw)});
    }
    return out;
}

std::string render(std::vector<Entry> table) {
    std::stable_sort(table.begin(), table.end(), [](const Entry& a, const Entry& b) { return a.key < b.key; });
    std::size_t size = 8;
    for (const auto& entry : table) size += entry.raw.size() + 2;
    std::string out;
    out.reserve(size);
    out += "s = { ";
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
    auto table = parse(text);
    if (!table) return std::nullopt;
    // New keys and values live here while the views point at them (a deque never moves its elements).
    std::deque<std::string> owned;
    const auto find = [&](std::string_view key) { return table->find(key); };
    const auto set = [&](std::string_view key, std::string value) {
        const std::string_view v = owned.emplace_back(std::move(value));
        if (auto* e = find(key)) {
            e->value = v;
            e->removed = false;
        } else {
            table->add(owned.emplace_back(key), v);
        }
    };

    for (const auto& [name, value] : attributes) {
        // A name that is not a Lua name would make a text no reader accepts.
        if (contains(skipped(), name) || !isIdentifier(name)) continue;
        std::optional<std::string> existing;
        if (const auto* e = find(name)) existing = std::string(e->value);
        if (contains(stringKeys(), name)) existing = "\"";
        set(name, luaValue(value, existing));
    }
    for (const auto& [name, points] : curves)
        if (!points.empty() && isIdentifier(name)) set(name, luaCurve(points));

    if (masks) {
        const auto managed = masks->managedNames();
        std::vector<std::string> corrections;
        if (const auto* e = find(masksKey)) {
            const auto value = e->value;
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
            set(masksKey, "{ " + join(corrections, ",\n") + " }");
        else
            if (auto* e = find(masksKey)) e->removed = true;
    }
    return renderSlices(*table);
}

}  // namespace orvane::CatalogWriter

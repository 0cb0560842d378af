#include "core/catalog/catalog.h"

#include <locale.h>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <array>
#include <charconv>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <system_error>

#include "core/catalog/sqlite.h"
#include "core/store/preset_keys.h"

namespace orvane::Catalog {

namespace {

// ---- text scanning ----

// Unicode space separators and the tab; a carriage return is not whitespace here, so a line that ends
// in one keeps it and its value does not convert.
bool isSpace(UChar32 c) { return c == '\t' || (c >= 0 && u_charType(c) == U_SPACE_SEPARATOR); }

std::string_view trimSpace(std::string_view s) {
    const char* p = s.data();
    int32_t begin = 0;
    const auto length = static_cast<int32_t>(s.size());
    while (begin < length) {
        const auto b = static_cast<unsigned char>(p[begin]);
        if (b < 0x80) {
            if (b != ' ' && b != '\t') break;
            ++begin;
            continue;
        }
        int32_t next = begin;
        UChar32 c;
        U8_NEXT(p, next, length, c);
        if (!isSpace(c)) break;
        begin = next;
    }
    int32_t end = length;
    while (end > begin) {
        const auto b = static_cast<unsigned char>(p[end - 1]);
        if (b < 0x80) {
            if (b != ' ' && b != '\t') break;
            --end;
            continue;
        }
        int32_t previous = end;
        UChar32 c;
        U8_PREV(p, begin, previous, c);
        if (!isSpace(c)) break;
        end = previous;
    }
    return s.substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin));
}

// Calls f(line) for every non-empty line, trimmed and without a leading "s = { ".
template <class F>
void forEachLine(std::string_view text, F&& f) {
    std::size_t start = 0;
    while (start < text.size()) {
        const void* hit = std::memchr(text.data() + start, '\n', text.size() - start);
        const std::size_t end = hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) : text.size();
        if (end > start) {
            std::string_view line = trimSpace(text.substr(start, end - start));
            if (line.starts_with("s = { ")) line.remove_prefix(6);
            if (!line.empty()) f(line);  // an all-blank line can hold neither an entry nor a mode
        }
        start = end + 1;
    }
}

// "Key = value": split at '=' into at most two pieces, empty pieces not counted, so leading '=' signs
// are passed over and every later '=' stays in the value. Gives the key trimmed of whitespace and the
// raw value; false unless there are exactly two pieces.
bool splitEntry(std::string_view line, std::string_view& key, std::string_view& value) {
    std::size_t i = 0;
    while (i < line.size() && line[i] == '=') ++i;
    if (i == line.size()) return false;
    const std::size_t eq = line.find('=', i);
    if (eq == std::string_view::npos || eq + 1 >= line.size()) return false;
    key = trimSpace(line.substr(i, eq - i));
    value = line.substr(eq + 1);
    return true;
}

// Letters and numbers only (Unicode), so nested paths, underscores and brackets are refused.
bool isKey(std::string_view key) {
    const char* p = key.data();
    const auto length = static_cast<int32_t>(key.size());
    int32_t i = 0;
    while (i < length) {
        const auto b = static_cast<unsigned char>(p[i]);
        if (b < 0x80) {
            if (!((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9'))) return false;
            ++i;
            continue;
        }
        UChar32 c;
        U8_NEXT(p, i, length, c);
        if (c < 0 || (U_GET_GC_MASK(c) & (U_GC_L_MASK | U_GC_N_MASK)) == 0) return false;
    }
    return true;
}

locale_t cLocale() {
    static const locale_t handle = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return handle;
}

// The value trimmed of blanks, commas and closing braces, read as strtod reads in the C locale; the
// whole text must convert. Leading whitespace, trailing characters and overflow are refused.
std::optional<double> toNumber(std::string_view raw) {
    std::size_t b = 0, e = raw.size();
    auto trimmed = [](char c) { return c == ' ' || c == ',' || c == '}'; };
    while (b < e && trimmed(raw[b])) ++b;
    while (e > b && trimmed(raw[e - 1])) --e;
    const std::string_view v = raw.substr(b, e - b);
    if (v.empty()) return std::nullopt;
    const char first = v.front();
    if (first == ' ' || (first >= '\t' && first <= '\r')) return std::nullopt;
    // Plain decimals ("-0.25", "5200") are nearly all a catalog holds: whole numbers of up to 15 digits
    // are exact as doubles, and from_chars reads the others to the same correctly rounded double as
    // strtod, without its locale and errno machinery. Short ones cannot overflow. Anything else
    // (exponents, hex, "inf", a '+', "1.", ".5") goes to strtod below.
    if (v.size() <= 24) {
        const std::size_t from = v.front() == '-' ? 1 : 0;
        std::size_t k = from;
        while (k < v.size() && v[k] >= '0' && v[k] <= '9') ++k;
        const std::size_t wholeEnd = k;
        bool plain = wholeEnd > from;
        if (plain && k < v.size()) {
            plain = v[k] == '.' && k + 1 < v.size();
            for (++k; plain && k < v.size(); ++k) plain = v[k] >= '0' && v[k] <= '9';
        }
        if (plain && wholeEnd == v.size() && wholeEnd - from <= 15) {
            std::int64_t whole = 0;
            for (std::size_t j = from; j < wholeEnd; ++j) whole = whole * 10 + (v[j] - '0');
            const auto d = static_cast<double>(whole);
            return from ? -d : d;
        }
        if (plain) {
            double d = 0;
            const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), d);
            if (ec == std::errc() && end == v.data() + v.size()) return d;
        }
    }
    // Numbers are short; anything longer than a generous bound cannot be a settings number worth reading.
    std::array<char, 128> small{};
    std::string large;
    const char* cstr;
    if (v.size() < small.size()) {
        std::memcpy(small.data(), v.data(), v.size());
        cstr = small.data();
    } else {
        large.assign(v);
        cstr = large.c_str();
    }
    char* endp = nullptr;
    errno = 0;
    const double d = strtod_l(cstr, &endp, cLocale());
    if (endp != cstr + v.size()) return std::nullopt;  // trailing characters, or an embedded NUL
    if (errno == ERANGE && (std::isinf(d) || d == 0.0)) return std::nullopt;
    return d;
}

std::optional<std::string> whiteBalanceOfLine(std::string_view line) {
    if (!line.starts_with("WhiteBalance")) return std::nullopt;
    const auto q1 = line.find('"');
    if (q1 == std::string_view::npos) return std::nullopt;
    const auto q2 = line.find('"', q1 + 1);
    if (q2 == std::string_view::npos) return std::nullopt;
    return std::string(line.substr(q1 + 1, q2 - q1 - 1));
}

constexpr double editedThreshold = 1e-9;
constexpr const char* asShot = "As Shot";

bool editedByWhiteBalance(const std::optional<std::string>& mode) { return mode && *mode != asShot; }

// Whether the 'y' at `at` is that of "rayscale" in one of the two black-and-white forms. Both hold
// "rayscale" at a fixed place, so a scan for its 'y' (a rare byte in settings text) finds every one.
bool blackAndWhiteAt(std::string_view text, std::size_t at) {
    static constexpr std::string_view flag = "ConvertToGrayscale = true";      // the 'y' at 12
    static constexpr std::string_view treatment = "Treatment = \"grayscale\"";  // the 'y' at 16
    if (at >= 12 && text.substr(at - 12, flag.size()) == flag) return true;
    return at >= 16 && text.substr(at - 16, treatment.size()) == treatment;
}

// ---- the keys a catalog photo carries ----

// Slots: the four develop values, then Model::extraKeys() in order. The edited test looks at exposure
// and the ten extras.
enum Slot { exposureSlot, temperatureSlot, tintSlot, cropAngleSlot, firstExtraSlot };

struct KeyTable {
    std::vector<std::string> names;
    // The names by their first four bytes (no two share them, every name has four): a small hash
    // table probed once per line, so nearly every line is turned down without a compare.
    static constexpr std::size_t tableSize = 64;
    std::array<std::uint32_t, tableSize> headOf{};
    std::array<int, tableSize> slotAt{};

    // First bytes of a trimmed line that can lead to one of the keys or to the white-balance mode:
    // a key's first letter, 'W', 's' of the "s = { " opener, '=' (passed over before a key) and any
    // non-ASCII byte (Unicode whitespace may come before the key). Other lines are skipped unread.
    std::array<bool, 256> mayMatter{};

    static std::uint32_t head(const char* p) {
        std::uint32_t w;
        std::memcpy(&w, p, 4);
        return w;
    }
    static std::size_t bucket(std::uint32_t w) { return (w * 2654435761u) >> 26; }  // top 6 bits

    KeyTable() {
        names = {"Exposure2012", "Temperature", "Tint", "CropAngle"};
        for (const auto& k : Model::extraKeys()) names.push_back(k);
        slotAt.fill(-1);
        for (int i = 0; i < static_cast<int>(names.size()); ++i) {
            const std::string& name = names[static_cast<std::size_t>(i)];
            if (name.size() < 4 || find(name) >= 0) throw std::logic_error("key table: " + name);
            mayMatter[static_cast<unsigned char>(name.front())] = true;
            std::size_t b = bucket(head(name.data()));
            while (slotAt[b] >= 0) b = (b + 1) % tableSize;
            headOf[b] = head(name.data());
            slotAt[b] = i;
        }
        for (const unsigned char c : {'W', 's', '='}) mayMatter[c] = true;
        for (int c = 0x80; c < 256; ++c) mayMatter[static_cast<std::size_t>(c)] = true;
    }

    // The slot of the name whose first four bytes `text` starts with, or -1 (text has four bytes).
    int find(std::string_view text) const {
        const std::uint32_t w = head(text.data());
        for (std::size_t b = bucket(w); slotAt[b] >= 0; b = (b + 1) % tableSize)
            if (headOf[b] == w) return slotAt[b];
        return -1;
    }

    // Whether the line starting at `at` (its first non-blank byte, an ASCII letter) can hold one of the
    // keys: the key is the line's start up to blanks and '=', so it must begin with a name followed by
    // a blank, '=' or a non-ASCII byte (possibly a Unicode space). White-balance lines always can.
    bool mayHoldKey(std::string_view rest) const {
        const auto first = static_cast<unsigned char>(rest.front());
        if (first == 's' || first == 'W') return true;
        if (rest.size() < 5) return false;
        const int slot = find(rest);
        if (slot < 0) return false;
        const std::string& name = names[static_cast<std::size_t>(slot)];
        if (rest.size() <= name.size() || std::memcmp(rest.data(), name.data(), name.size()) != 0) return false;
        const auto next = static_cast<unsigned char>(rest[name.size()]);
        return next == ' ' || next == '\t' || next == '=' || next >= 0x80;
    }

    int slotOf(std::string_view key) const {
        if (key.size() < 4) return -1;
        const int slot = find(key);
        return slot >= 0 && names[static_cast<std::size_t>(slot)] == key ? slot : -1;
    }
};

// Calls onA(i) for every byte equal to `a` and onB(i) for every byte equal to `b`, each kind in
// order of position (all hits of a 64-byte block come before the next block's). One pass over the
// text, 64 bytes a step where SSE2 is there: settings lines are short, so a search per line for its
// end costs more in calls and mispredicted branches than the search itself.
template <class A, class B>
void forEachByte(std::string_view text, char a, char b, A&& onA, B&& onB) {
    const char* p = text.data();
    const std::size_t n = text.size();
    std::size_t i = 0;
#ifdef __SSE2__
    const __m128i wantA = _mm_set1_epi8(a), wantB = _mm_set1_epi8(b);
    for (; i + 64 <= n; i += 64) {
        std::uint64_t hitsA = 0, hitsB = 0;
        for (int part = 0; part < 4; ++part) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 16 * part));
            hitsA |= std::uint64_t(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, wantA)))) << (16 * part);
            hitsB |= std::uint64_t(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, wantB)))) << (16 * part);
        }
        for (; hitsB; hitsB &= hitsB - 1) onB(i + static_cast<std::size_t>(__builtin_ctzll(hitsB)));
        for (; hitsA; hitsA &= hitsA - 1) onA(i + static_cast<std::size_t>(__builtin_ctzll(hitsA)));
    }
#endif
    for (; i < n; ++i) {
        if (p[i] == b) onB(i);
        if (p[i] == a) onA(i);
    }
}

const KeyTable& keyTable() {
    static const KeyTable table;
    return table;
}

// The path column is the four parts joined; any NULL part makes it NULL and the row is skipped.
const std::string readQuery =
    "select rf.absolutePath || fo.pathFromRoot || f.baseName || '.' || f.extension, s.text, f.id_global, i.captureTime\n"
    "from Adobe_images i join AgLibraryFile f on f.id_local = i.rootFile\n"
    "join AgLibraryFolder fo on fo.id_local = f.folder join AgLibraryRootFolder rf on rf.id_local = fo.rootFolder\n"
    "left join Adobe_imageDevelopSettings s on s.image = i.id_local\n"
    // DNG masters are raw photos too (Lightroom stores 'DNG' for them): a catalog of them is not empty.
    "where i.copyName is null and i.fileFormat in ('RAW', 'DNG')";

std::string openName(const std::filesystem::path& catalog, bool immutable) {
    if (!immutable) return catalog.string();
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(catalog, ec);
    if (ec) absolute = catalog;
    return Sqlite::immutableUri(absolute.string());
}

}  // namespace

const std::string& query() { return readQuery; }

std::map<std::string, double> settings(std::string_view text) {
    std::map<std::string, double> out;
    forEachLine(text, [&](std::string_view line) {
        std::string_view key, value;
        if (!splitEntry(line, key, value) || !isKey(key)) return;
        if (const auto number = toNumber(value)) out.insert_or_assign(std::string(key), *number);
    });
    return out;
}

std::optional<std::string> whiteBalance(std::string_view text) {
    std::optional<std::string> found;
    forEachLine(text, [&](std::string_view line) {
        if (!found) found = whiteBalanceOfLine(line);
    });
    return found;
}

bool isEdited(std::string_view text, const std::map<std::string, double>& numbers) {
    static const std::vector<std::string> toneKeys = [] {
        std::vector<std::string> k{"Exposure2012"};
        for (const auto& e : Model::extraKeys()) k.push_back(e);
        return k;
    }();
    for (const auto& key : toneKeys) {
        const auto it = numbers.find(key);
        if (it != numbers.end() && std::fabs(it->second) > editedThreshold) return true;
    }
    return editedByWhiteBalance(whiteBalance(text));
}

bool isBlackAndWhite(std::string_view text) {
    for (std::size_t at = text.find('y'); at != std::string_view::npos; at = text.find('y', at + 1))
        if (blackAndWhiteAt(text, at)) return true;
    return false;
}

CatalogPhoto photo(std::string path, std::string_view text, std::optional<std::string> fileID,
                   std::optional<std::string> captureTime) {
    // One pass over the lines that keeps only the keys a photo carries: the same result as settings(),
    // whiteBalance() and isEdited() composed, without a map of every setting per photo.
    const KeyTable& keys = keyTable();
    std::array<std::optional<double>, 14> slots{};
    std::optional<std::string> mode;
    auto take = [&](std::string_view line) {
        if (!mode && line.front() == 'W') mode = whiteBalanceOfLine(line);
        std::string_view key, value;
        if (!splitEntry(line, key, value)) return;
        const int slot = keys.slotOf(key);
        if (slot < 0) return;
        if (const auto number = toNumber(value)) slots[static_cast<std::size_t>(slot)] = *number;
    };
    const char* const base = text.data();
    auto readLine = [&](std::size_t start, std::size_t first, std::size_t end) {
        const auto lead = static_cast<unsigned char>(base[first]);
        const bool letter = (lead >= 'A' && lead <= 'Z') || (lead >= 'a' && lead <= 'z');
        if (letter && !keys.mayHoldKey(text.substr(first, end - first))) return;
        std::string_view trimmed = trimSpace(text.substr(start, end - start));
        if (trimmed.starts_with("s = { ")) trimmed.remove_prefix(6);
        if (!trimmed.empty()) take(trimmed);
    };
    // A line whose first non-blank byte cannot lead to a key is passed over here, inline: most are.
    auto line = [&](std::size_t start, std::size_t end) __attribute__((always_inline)) {
        std::size_t first = start;
        while (first < end && (base[first] == ' ' || base[first] == '\t')) ++first;
        if (first == end || !keys.mayMatter[static_cast<unsigned char>(base[first])]) return;
        readLine(start, first, end);
    };
    // One pass finds both the line feeds and the black-and-white forms (by their 'y').
    bool blackAndWhite = false;
    std::size_t start = 0;
    forEachByte(text, '\n', 'y', [&](std::size_t at) {
        line(start, at);
        start = at + 1;
    }, [&](std::size_t at) {
        if (!blackAndWhite) blackAndWhite = blackAndWhiteAt(text, at);
    });
    if (start < text.size()) line(start, text.size());

    CatalogPhoto p;
    p.path = std::move(path);
    p.exposure = slots[exposureSlot];
    p.temperature = slots[temperatureSlot];
    p.tint = slots[tintSlot];
    p.cropAngle = slots[cropAngleSlot];
    p.captureTime = std::move(captureTime);
    p.fileID = std::move(fileID);

    bool edited = slots[exposureSlot] && std::fabs(*slots[exposureSlot]) > editedThreshold;
    const auto& extraKeys = Model::extraKeys();
    SettingValues extras;
    extras.reserve(extraKeys.size());
    for (std::size_t i = 0; i < extraKeys.size(); ++i) {
        const auto& value = slots[firstExtraSlot + i];
        extras.set(extraKeys[i], value.value_or(0.0));
        if (value && std::fabs(*value) > editedThreshold) edited = true;
    }
    p.edited = edited || editedByWhiteBalance(mode);
    p.extras = std::move(extras);
    p.blackAndWhite = blackAndWhite;
    return p;
}

std::vector<CatalogPhoto> read(const std::filesystem::path& catalog, bool immutable) {
    const int flags = immutable ? (SQLITE_OPEN_READONLY | SQLITE_OPEN_URI) : SQLITE_OPEN_READWRITE;
    std::vector<CatalogPhoto> photos;
    try {
        const auto db = Sqlite::Connection::open(openName(catalog, immutable), flags);
        auto statement = db.prepare(readQuery);
        while (statement.step() == Sqlite::Step::row) {
            const auto path = statement.text(0);
            if (!path) continue;
            const auto text = statement.text(1);
            const auto fileID = statement.text(2);
            const auto captureTime = statement.text(3);
            photos.push_back(photo(std::string(*path), text.value_or(std::string_view()),
                                   fileID ? std::optional<std::string>(*fileID) : std::nullopt,
                                   captureTime ? std::optional<std::string>(*captureTime) : std::nullopt));
        }
    } catch (const Sqlite::SqliteError& error) {
        throw CatalogError::sqlite(error.what());
    }
    return photos;
}

}  // namespace orvane::Catalog

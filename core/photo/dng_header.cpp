#include "core/photo/dng_header.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <algorithm>
#include <deque>
#include <map>
#include <set>

#include "core/photo/libraw_support.h"
#include "core/photo/raw_image.h"

namespace orvane {
namespace {

constexpr std::uint32_t kMaxEntries = 4096;
constexpr std::uint64_t kMaxValueBytes = 1 << 20;

struct Entry {
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    std::uint64_t valueAt = 0;  // file offset of the value bytes
};

std::uint32_t typeSize(std::uint16_t type) {
    switch (type) {
    case 1: case 2: case 6: case 7: return 1;
    case 3: case 8: return 2;
    case 4: case 9: case 11: case 13: return 4;
    case 5: case 10: case 12: return 8;
    default: return 0;
    }
}

class Reader {
public:
    explicit Reader(std::istream& in) : in_(in) {
        if (!in_) return;
        in_.seekg(0, std::ios::end);
        auto end = in_.tellg();
        size_ = end > 0 ? std::uint64_t(end) : 0;
    }
    bool ok() const { return bool(in_) && size_ >= 8; }

    bool bytes(std::uint64_t at, std::size_t n, std::uint8_t* out) {
        if (at > size_ || n > size_ - at) return false;
        in_.clear();
        in_.seekg(std::streamoff(at));
        in_.read(reinterpret_cast<char*>(out), std::streamsize(n));
        return bool(in_);
    }
    std::uint32_t get16(const std::uint8_t* b) const {
        return little_ ? std::uint32_t(b[0] | b[1] << 8) : std::uint32_t(b[1] | b[0] << 8);
    }
    std::uint32_t get32(const std::uint8_t* b) const {
        return little_ ? std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24
                       : std::uint32_t(b[3]) | std::uint32_t(b[2]) << 8 | std::uint32_t(b[1]) << 16 | std::uint32_t(b[0]) << 24;
    }
    std::optional<std::uint32_t> u16(std::uint64_t at) {
        std::uint8_t b[2];
        if (!bytes(at, 2, b)) return std::nullopt;
        return get16(b);
    }
    std::optional<std::uint32_t> u32(std::uint64_t at) {
        std::uint8_t b[4];
        if (!bytes(at, 4, b)) return std::nullopt;
        return get32(b);
    }

    std::optional<std::uint32_t> header() {
        std::uint8_t b[2];
        if (!bytes(0, 2, b)) return std::nullopt;
        if (b[0] == 'I' && b[1] == 'I')
            little_ = true;
        else if (b[0] == 'M' && b[1] == 'M')
            little_ = false;
        else
            return std::nullopt;
        if (u16(2) != 42u) return std::nullopt;
        return u32(4);
    }

    // One directory as written: every entry with its type, count and where its value bytes lie (in
    // the entry itself when they fit in 4 bytes), and the offset of the next directory (0: none).
    // The whole directory is read at once: a file of a few thousand entries costs one read, not thousands.
    struct RawEntry {
        std::uint16_t tag = 0;
        std::uint16_t type = 0;
        std::uint32_t count = 0;
        std::uint64_t bytes = 0;    // count times the type's size (1 for a type the reader does not know)
        std::uint64_t valueAt = 0;  // file offset of the value bytes, unchecked
    };
    struct Directory {
        std::vector<RawEntry> entries;
        std::uint64_t next = 0;
    };
    std::optional<Directory> directory(std::uint64_t at) {
        auto n = u16(at);
        if (!n || *n == 0 || *n > kMaxEntries) return std::nullopt;
        std::vector<std::uint8_t> block(12 * std::size_t(*n) + 4);
        if (!bytes(at + 2, block.size() - 4, block.data())) return std::nullopt;
        Directory out;
        if (bytes(at + 2 + 12ull * *n, 4, block.data() + block.size() - 4)) out.next = get32(block.data() + block.size() - 4);
        for (std::uint32_t i = 0; i < *n; ++i) {
            const std::uint8_t* e = block.data() + 12 * std::size_t(i);
            RawEntry entry{std::uint16_t(get16(e)), std::uint16_t(get16(e + 2)), get32(e + 4)};
            entry.bytes = std::uint64_t(std::max<std::uint32_t>(typeSize(entry.type), 1)) * entry.count;
            entry.valueAt = entry.bytes > 4 ? get32(e + 8) : at + 2 + 12ull * i + 8;
            out.entries.push_back(entry);
        }
        return out;
    }

    std::optional<std::map<std::uint16_t, Entry>> ifd(std::uint64_t at) {
        auto dir = directory(at);
        if (!dir) return std::nullopt;
        std::map<std::uint16_t, Entry> out;
        for (const RawEntry& e : dir->entries) {
            if (typeSize(e.type) == 0 || e.bytes > kMaxValueBytes || !within(e)) continue;
            out.emplace(e.tag, Entry{e.type, e.count, e.valueAt});
        }
        return out;
    }

    // Whether an entry's value bytes lie inside the file.
    bool within(const RawEntry& e) const { return e.valueAt <= size_ && e.bytes <= size_ - e.valueAt; }
    std::uint64_t size() const { return size_; }
    bool little() const { return little_; }

    // Numeric values of an entry as doubles; empty for text or unreadable entries. The value block is
    // read in one bounded read (the directory already capped its size).
    std::vector<double> numbers(const Entry& e) {
        const std::uint32_t size = typeSize(e.type);
        if (size == 0 || e.type == 2) return {};
        std::vector<std::uint8_t> block(std::size_t(size) * e.count);
        if (!block.empty() && !bytes(e.valueAt, block.size(), block.data())) return {};
        std::vector<double> out;
        out.reserve(e.count);
        for (std::uint32_t i = 0; i < e.count; ++i) {
            const std::uint8_t* b = block.data() + std::size_t(i) * size;
            switch (e.type) {
            case 1: case 7: out.push_back(b[0]); break;
            case 6: out.push_back(std::int8_t(b[0])); break;
            case 3: out.push_back(double(get16(b))); break;
            case 8: out.push_back(double(std::int16_t(get16(b)))); break;
            case 4: case 13: out.push_back(double(get32(b))); break;
            case 9: out.push_back(double(std::int32_t(get32(b)))); break;
            case 5: case 10: {
                const std::uint32_t n = get32(b), d = get32(b + 4);
                double num = e.type == 10 ? double(std::int32_t(n)) : double(n);
                double den = e.type == 10 ? double(std::int32_t(d)) : double(d);
                out.push_back(den == 0 ? std::nan("") : num / den);
                break;
            }
            case 11: {
                float f;
                const std::uint32_t bits = get32(b);
                std::memcpy(&f, &bits, 4);
                out.push_back(f);
                break;
            }
            default:
                return {};
            }
        }
        return out;
    }

    std::optional<std::string> text(const Entry& e) {
        if (e.type != 2 && e.type != 1 && e.type != 7) return std::nullopt;
        std::string s(e.count, '\0');
        if (e.count && !bytes(e.valueAt, e.count, reinterpret_cast<std::uint8_t*>(s.data()))) return std::nullopt;
        return photo_detail::fieldText(s.data(), s.size());
    }

private:
    std::istream& in_;
    std::uint64_t size_ = 0;
    bool little_ = true;
};

std::optional<double> firstFinite(const std::vector<double>& v) {
    if (v.empty() || !std::isfinite(v[0])) return std::nullopt;
    return v[0];
}

}  // namespace

std::optional<DngHeader> readDngHeader(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return readDngHeader(in);
}

std::optional<DngHeader> readDngHeader(std::istream& in) {
    Reader r(in);
    if (!r.ok()) return std::nullopt;
    auto first = r.header();
    if (!first) return std::nullopt;
    auto ifd0 = r.ifd(*first);
    if (!ifd0) return std::nullopt;

    auto number = [&](const std::map<std::uint16_t, Entry>& ifd, std::uint16_t tag) -> std::optional<double> {
        auto it = ifd.find(tag);
        if (it == ifd.end()) return std::nullopt;
        return firstFinite(r.numbers(it->second));
    };

    DngHeader h;
    // The main image is IFD0 unless IFD0 is marked as a reduced image; then the first full-size SubIFD.
    const std::map<std::uint16_t, Entry>* main = &*ifd0;
    std::optional<std::map<std::uint16_t, Entry>> sub;
    if (number(*ifd0, 254).value_or(0) != 0) {
        main = nullptr;
        if (auto it = ifd0->find(330); it != ifd0->end()) {
            Entry first = it->second;
            first.count = std::min<std::uint32_t>(first.count, 8);  // a hostile list could be huge
            for (double off : r.numbers(first)) {
                if (!(off >= 0 && off < 4294967296.0)) continue;  // an offset is an unsigned 32-bit value
                sub = r.ifd(std::uint64_t(off));
                if (sub && number(*sub, 254).value_or(0) == 0) {
                    main = &*sub;
                    break;
                }
            }
        }
    }
    if (main) {
        double w = number(*main, 256).value_or(0), hh = number(*main, 257).value_or(0);
        if (w > 0 && w < 1e9 && hh > 0 && hh < 1e9) {
            h.width = int(w);
            h.height = int(hh);
        }
    }

    if (auto o = number(*ifd0, 274); o && *o >= 1 && *o <= 8) h.orientation = int(*o);
    if (auto it = ifd0->find(272); it != ifd0->end()) h.model = r.text(it->second);
    if (auto it = ifd0->find(50728); it != ifd0->end()) {
        auto v = r.numbers(it->second);
        if (v.size() >= 3 && std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]))
            h.asShotNeutral = std::array<double, 3>{v[0], v[1], v[2]};
    }
    if (auto it = ifd0->find(50729); it != ifd0->end()) {
        auto v = r.numbers(it->second);
        if (v.size() >= 2 && std::isfinite(v[0]) && std::isfinite(v[1])) h.asShotWhiteXY = std::array<double, 2>{v[0], v[1]};
    }
    // The camera calibration belongs to the profile whose signature it carries; an unsigned one to any.
    auto textOf = [&](std::uint16_t tag) -> std::string {
        auto it = ifd0->find(tag);
        return it == ifd0->end() ? std::string() : r.text(it->second).value_or("");
    };
    const std::string cameraSignature = textOf(50931);
    const bool calibrationApplies = cameraSignature.empty() || cameraSignature == textOf(50932);
    auto matrixOf = [&](std::uint16_t tag) -> std::optional<Matrix3> {
        auto it = ifd0->find(tag);
        if (it == ifd0->end()) return std::nullopt;
        auto v = r.numbers(it->second);
        if (v.size() != 9) return std::nullopt;
        Matrix3 m;
        for (int i = 0; i < 9; ++i) {
            if (!std::isfinite(v[i])) return std::nullopt;
            m[i / 3][i % 3] = v[i];
        }
        return m;
    };
    struct Tags {
        std::uint16_t matrix, illuminant, calibration;
    };
    for (const Tags& t : {Tags{50721, 50778, 50723}, Tags{50722, 50779, 50724}}) {
        auto matrix = matrixOf(t.matrix);
        if (!matrix) continue;
        CalibratedMatrix m;
        m.xyzToCamera = *matrix;
        const double illuminant = number(*ifd0, t.illuminant).value_or(0);
        m.illuminant = illuminant >= 0 && illuminant <= 65535 ? int(illuminant) : 0;
        if (calibrationApplies) m.calibration = matrixOf(t.calibration).value_or(kIdentity3);
        h.colorMatrices.push_back(m);
    }
    if (auto it = ifd0->find(50727); it != ifd0->end()) {
        auto v = r.numbers(it->second);
        if (v.size() >= 3 && v[0] > 0 && v[1] > 0 && v[2] > 0 && std::isfinite(v[0]) && std::isfinite(v[1]) &&
            std::isfinite(v[2]))
            h.analogBalance = {v[0], v[1], v[2]};
    }

    if (auto ex = number(*ifd0, 34665); ex && *ex > 0 && *ex < 4294967296.0) {
        if (auto exif = r.ifd(std::uint64_t(*ex))) {
            if (auto iso = number(*exif, 34855)) h.iso = float(*iso);
            h.exposureTime = number(*exif, 33434);
            h.fNumber = number(*exif, 33437);
            h.focalLength = number(*exif, 37386);
        }
    }
    return h;
}

namespace {

constexpr const char* kOpcodesBeyondFile = "DNG deteriorat: lista de operații declară mai mult decât cuprinde fișierul";
constexpr const char* kImageBeyondFile = "DNG deteriorat: datele imaginii declarate depășesc fișierul";

// How many directories and sub-directories the check visits at most; real files have a handful.
constexpr int kMaxDirectories = 64;

[[noreturn]] void refuse(const char* why) { throw RawError(-2, why); }

std::uint32_t bigEndian32(const std::uint8_t* b) {
    return std::uint32_t(b[0]) << 24 | std::uint32_t(b[1]) << 16 | std::uint32_t(b[2]) << 8 | std::uint32_t(b[3]);
}

// An opcode list (always big-endian): a count, then each opcode's id, version, flags, parameter size
// and parameters. The decoder believes the count and steps over each opcode by its size, so both must
// stay within the list's own bytes: then the walk is at most one step per 16 bytes of the file.
void checkOpcodeList(Reader& r, std::uint64_t at, std::uint64_t length) {
    std::uint8_t b[16];
    if (length < 4 || !r.bytes(at, 4, b)) refuse(kOpcodesBeyondFile);
    const std::uint64_t count = bigEndian32(b);
    if (count > (length - 4) / 16) refuse(kOpcodesBeyondFile);
    std::uint64_t pos = 4;
    for (std::uint64_t i = 0; i < count; ++i) {
        if (length - pos < 16 || !r.bytes(at + pos, 16, b)) refuse(kOpcodesBeyondFile);
        pos += 16;
        const std::uint64_t parameters = bigEndian32(b + 12);
        if (parameters > length - pos) refuse(kOpcodesBeyondFile);
        pos += parameters;
    }
}

// The values of a strip or tile table (SHORT or LONG), read whole: the table already lies in the file.
std::vector<std::uint64_t> tableValues(Reader& r, const Reader::RawEntry& e) {
    const std::uint32_t size = typeSize(e.type);
    if (e.type != 3 && e.type != 4) refuse(kImageBeyondFile);
    std::vector<std::uint8_t> block(e.bytes);
    if (!block.empty() && !r.bytes(e.valueAt, block.size(), block.data())) refuse(kImageBeyondFile);
    std::vector<std::uint64_t> out(e.count);
    for (std::uint32_t i = 0; i < e.count; ++i)
        out[i] = size == 2 ? r.get16(block.data() + 2 * std::size_t(i)) : r.get32(block.data() + 4 * std::size_t(i));
    return out;
}

// Strips or tiles: both tables as long as each other, and every piece inside the file. A tiled image
// needs a table entry for each tile its size and tile size make, or the decoder reads entries past
// the table.
void checkPieces(Reader& r, const std::map<std::uint16_t, const Reader::RawEntry*>& tags, std::uint16_t offsetsTag,
                 std::uint16_t countsTag, bool tiled) {
    const auto offsetsAt = tags.find(offsetsTag), countsAt = tags.find(countsTag);
    if (offsetsAt == tags.end() && countsAt == tags.end()) return;
    if (offsetsAt == tags.end() || countsAt == tags.end()) refuse(kImageBeyondFile);
    const auto offsets = tableValues(r, *offsetsAt->second), counts = tableValues(r, *countsAt->second);
    if (offsets.size() != counts.size()) refuse(kImageBeyondFile);
    for (std::size_t i = 0; i < offsets.size(); ++i)
        if (offsets[i] > r.size() || counts[i] > r.size() - offsets[i]) refuse(kImageBeyondFile);
    if (!tiled) return;
    auto number = [&](std::uint16_t tag) -> std::uint64_t {
        const auto it = tags.find(tag);
        if (it == tags.end() || it->second->count != 1) refuse(kImageBeyondFile);
        const auto v = tableValues(r, *it->second);
        return v[0];
    };
    const std::uint64_t width = number(256), height = number(257), tileWidth = number(322), tileLength = number(323);
    if (tileWidth == 0 || tileLength == 0) refuse(kImageBeyondFile);
    const std::uint64_t across = (width + tileWidth - 1) / tileWidth, down = (height + tileLength - 1) / tileLength;
    if (across * down > offsets.size()) refuse(kImageBeyondFile);
}

}  // namespace

void requireDngBlocksWithinFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    Reader r(in);
    if (!r.ok()) return;
    const auto first = r.header();
    if (!first) return;
    const auto ifd0 = r.directory(*first);
    // Other raw formats keep their own rules; an unreadable file the decoder refuses by itself.
    if (!ifd0 || std::none_of(ifd0->entries.begin(), ifd0->entries.end(),
                              [](const Reader::RawEntry& e) { return e.tag == 50706; }))  // DNGVersion
        return;
    std::deque<std::uint64_t> pending{*first};
    std::set<std::uint64_t> seen;
    for (int visited = 0; !pending.empty() && visited < kMaxDirectories; ++visited) {
        const std::uint64_t at = pending.front();
        pending.pop_front();
        if (at == 0 || !seen.insert(at).second) continue;
        const auto dir = r.directory(at);
        if (!dir) continue;
        std::map<std::uint16_t, const Reader::RawEntry*> tags;
        for (const auto& e : dir->entries) tags.emplace(e.tag, &e);
        for (std::uint16_t list : {51008, 51009, 51022}) {  // OpcodeList1, 2, 3
            const auto it = tags.find(list);
            if (it == tags.end()) continue;
            if (!r.within(*it->second)) refuse(kOpcodesBeyondFile);
            checkOpcodeList(r, it->second->valueAt, it->second->bytes);
        }
        for (std::uint16_t table : {273, 279, 324, 325, 330})
            if (const auto it = tags.find(table); it != tags.end() && !r.within(*it->second)) refuse(kImageBeyondFile);
        checkPieces(r, tags, 273, 279, false);
        checkPieces(r, tags, 324, 325, true);
        if (const auto it = tags.find(330); it != tags.end() && (it->second->type == 4 || it->second->type == 13)) {
            Reader::RawEntry subs = *it->second;
            subs.type = 4;
            subs.count = std::min<std::uint32_t>(subs.count, kMaxDirectories);
            subs.bytes = 4ull * subs.count;
            for (std::uint64_t sub : tableValues(r, subs)) pending.push_back(sub);
        }
        pending.push_back(dir->next);
    }
}

std::optional<std::array<double, 2>> asShotWhite(const DngHeader& h) {
    if (h.asShotNeutral) {
        const auto& n = *h.asShotNeutral;
        if (n[0] > 0 && n[1] > 0 && n[2] > 0) return neutralChromaticity(n, h.colorMatrices, h.analogBalance);
        return std::nullopt;
    }
    if (h.asShotWhiteXY && (*h.asShotWhiteXY)[1] > 0) return h.asShotWhiteXY;
    return std::nullopt;
}

std::optional<AsShotWB> asShotOf(const DngHeader& h) {
    auto xy = asShotWhite(h);
    if (!xy) return std::nullopt;
    auto wb = temperatureAndTint((*xy)[0], (*xy)[1]);
    if (!wb || !(wb->kelvin > 0) || !std::isfinite(wb->tint)) return std::nullopt;
    return wb;
}

}  // namespace orvane

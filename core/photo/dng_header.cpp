#include "core/photo/dng_header.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <algorithm>
#include <map>

#include "core/photo/libraw_support.h"

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
    explicit Reader(const std::filesystem::path& file) : in_(file, std::ios::binary) {
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
    std::optional<std::uint32_t> u16(std::uint64_t at) {
        std::uint8_t b[2];
        if (!bytes(at, 2, b)) return std::nullopt;
        return little_ ? std::uint32_t(b[0] | b[1] << 8) : std::uint32_t(b[1] | b[0] << 8);
    }
    std::optional<std::uint32_t> u32(std::uint64_t at) {
        std::uint8_t b[4];
        if (!bytes(at, 4, b)) return std::nullopt;
        return little_ ? std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24
                       : std::uint32_t(b[3]) | std::uint32_t(b[2]) << 8 | std::uint32_t(b[1]) << 16 | std::uint32_t(b[0]) << 24;
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

    std::optional<std::map<std::uint16_t, Entry>> ifd(std::uint64_t at) {
        auto n = u16(at);
        if (!n || *n == 0 || *n > kMaxEntries) return std::nullopt;
        std::map<std::uint16_t, Entry> out;
        for (std::uint32_t i = 0; i < *n; ++i) {
            if (at > (std::uint64_t(1) << 40)) return std::nullopt;  // no file is that large: no wrap below
            std::uint64_t e = at + 2 + 12ull * i;
            auto tag = u16(e), type = u16(e + 2), count = u32(e + 4);
            if (!tag || !type || !count) return std::nullopt;
            std::uint32_t size = typeSize(std::uint16_t(*type));
            if (size == 0) continue;
            std::uint64_t total = std::uint64_t(size) * *count;
            if (total > kMaxValueBytes) continue;
            Entry entry{std::uint16_t(*type), *count, e + 8};
            if (total > 4) {
                auto off = u32(e + 8);
                if (!off || *off > size_ || total > size_ - *off) continue;
                entry.valueAt = *off;
            }
            out.emplace(std::uint16_t(*tag), entry);
        }
        return out;
    }

    // Numeric values of an entry as doubles; empty for text or unreadable entries.
    std::vector<double> numbers(const Entry& e) {
        std::vector<double> out;
        std::uint32_t size = typeSize(e.type);
        for (std::uint32_t i = 0; i < e.count; ++i) {
            std::uint64_t at = e.valueAt + std::uint64_t(i) * size;
            switch (e.type) {
            case 1: case 7: {
                std::uint8_t b;
                if (!bytes(at, 1, &b)) return {};
                out.push_back(b);
                break;
            }
            case 6: {
                std::uint8_t b;
                if (!bytes(at, 1, &b)) return {};
                out.push_back(std::int8_t(b));
                break;
            }
            case 3: case 8: {
                auto v = u16(at);
                if (!v) return {};
                out.push_back(e.type == 3 ? double(*v) : double(std::int16_t(*v)));
                break;
            }
            case 4: case 9: case 13: {
                auto v = u32(at);
                if (!v) return {};
                out.push_back(e.type == 9 ? double(std::int32_t(*v)) : double(*v));
                break;
            }
            case 5: case 10: {
                auto n = u32(at), d = u32(at + 4);
                if (!n || !d) return {};
                double num = e.type == 10 ? double(std::int32_t(*n)) : double(*n);
                double den = e.type == 10 ? double(std::int32_t(*d)) : double(*d);
                out.push_back(den == 0 ? std::nan("") : num / den);
                break;
            }
            case 11: {
                auto v = u32(at);
                if (!v) return {};
                float f;
                std::uint32_t bits = *v;
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
    std::ifstream in_;
    std::uint64_t size_ = 0;
    bool little_ = true;
};

std::optional<double> firstFinite(const std::vector<double>& v) {
    if (v.empty() || !std::isfinite(v[0])) return std::nullopt;
    return v[0];
}

}  // namespace

std::optional<DngHeader> readDngHeader(const std::filesystem::path& file) {
    Reader r(file);
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
    const std::pair<std::uint16_t, std::uint16_t> matrixTags[] = {{50721, 50778}, {50722, 50779}};
    for (auto [matrixTag, illuminantTag] : matrixTags) {
        auto it = ifd0->find(matrixTag);
        if (it == ifd0->end()) continue;
        auto v = r.numbers(it->second);
        if (v.size() != 9) continue;
        CalibratedMatrix m;
        const double illuminant = number(*ifd0, illuminantTag).value_or(0);
        m.illuminant = illuminant >= 0 && illuminant <= 65535 ? int(illuminant) : 0;
        bool finite = true;
        for (int i = 0; i < 9; ++i) {
            finite = finite && std::isfinite(v[i]);
            m.xyzToCamera[i / 3][i % 3] = v[i];
        }
        if (finite) h.colorMatrices.push_back(m);
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

}  // namespace orvane

#include "core/photo/dab_coding.h"

#include <cmath>
#include <cstdint>

#include "core/base/base64.h"

namespace orvane::DabCoding {

static std::uint16_t quantise(double v) {
    if (std::isnan(v) || v >= 1) return 65535;
    if (v < 0) return 0;
    return static_cast<std::uint16_t>(std::floor(v * 65535 + 0.5));
}

std::string encode(const DabList& dabs) {
    std::vector<unsigned char> bytes;
    bytes.reserve(dabs.size() * 4);
    for (const auto& d : dabs) {
        if (d.size() < 2) continue;
        for (int k = 0; k < 2; ++k) {
            std::uint16_t q = quantise(d[static_cast<std::size_t>(k)]);
            bytes.push_back(static_cast<unsigned char>(q & 0xFF));
            bytes.push_back(static_cast<unsigned char>(q >> 8));
        }
    }
    return Base64::encode(bytes);
}

DabList decode(const std::string& text) {
    auto bytes = Base64::decode(text);
    DabList out;
    if (!bytes) return out;
    out.reserve(bytes->size() / 4);
    for (std::size_t i = 0; i + 4 <= bytes->size(); i += 4) {
        const auto& b = *bytes;
        unsigned x = b[i] | (b[i + 1] << 8);
        unsigned y = b[i + 2] | (b[i + 3] << 8);
        out.push_back({x / 65535.0, y / 65535.0});
    }
    return out;
}

}  // namespace orvane::DabCoding

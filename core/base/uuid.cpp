#include "core/base/uuid.h"

#include <openssl/rand.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <stdexcept>

namespace orvane {

Uuid Uuid::random() {
    // Random bytes are drawn a block at a time: one generator call per UUID costs more than all the rest
    // of it, and a catalog write makes two for every photo. A forked child draws its own block.
    struct Block {
        std::array<std::uint8_t, 4096> bytes{};
        std::size_t used = 4096;
        pid_t owner = 0;
    };
    thread_local Block block;
    if (block.used + 16 > block.bytes.size() || block.owner != ::getpid()) {
        if (RAND_bytes(block.bytes.data(), static_cast<int>(block.bytes.size())) != 1) {
            // The OS generator is the fallback; a UUID needs uniqueness, not secrecy.
            std::random_device rd;
            for (auto& x : block.bytes) x = static_cast<std::uint8_t>(rd());
        }
        block.used = 0;
        block.owner = ::getpid();
    }
    std::array<std::uint8_t, 16> b{};
    std::copy_n(block.bytes.begin() + static_cast<std::ptrdiff_t>(block.used), b.size(), b.begin());
    block.used += b.size();
    b[6] = static_cast<std::uint8_t>((b[6] & 0x0F) | 0x40);
    b[8] = static_cast<std::uint8_t>((b[8] & 0x3F) | 0x80);
    return Uuid(b);
}

static int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<Uuid> Uuid::parse(std::string_view text) {
    if (text.size() != 36) return std::nullopt;
    std::array<std::uint8_t, 16> b{};
    std::size_t byte = 0;
    for (std::size_t i = 0; i < 36;) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != '-') return std::nullopt;
            ++i;
            continue;
        }
        int hi = hexValue(text[i]);
        int lo = hexValue(text[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        b[byte++] = static_cast<std::uint8_t>(hi * 16 + lo);
        i += 2;
    }
    return Uuid(b);
}

std::string Uuid::text() const {
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    s.reserve(36);
    for (std::size_t i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) s.push_back('-');
        s.push_back(digits[bytes_[i] >> 4]);
        s.push_back(digits[bytes_[i] & 0x0F]);
    }
    return s;
}

}  // namespace orvane

std::size_t std::hash<orvane::Uuid>::operator()(const orvane::Uuid& u) const noexcept {
    std::size_t h = 1469598103934665603ULL;
    for (auto b : u.bytes()) h = (h ^ b) * 1099511628211ULL;
    return h;
}

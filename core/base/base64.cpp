#include "core/base/base64.h"

namespace orvane::Base64 {

static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string encode(const unsigned char* data, std::size_t size) {
    std::string out;
    out.reserve((size + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= size; i += 3) {
        unsigned v = (data[i] << 16) | (data[i + 1] << 8) | data[i + 2];
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (size - i == 1) {
        unsigned v = data[i] << 16;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += "==";
    } else if (size - i == 2) {
        unsigned v = (data[i] << 16) | (data[i + 1] << 8);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

static int value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

std::optional<std::vector<unsigned char>> decode(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    std::vector<unsigned char> out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        int pad = 0;
        if (last) {
            if (text[i + 3] == '=') pad = text[i + 2] == '=' ? 2 : 1;
        }
        int v[4];
        for (int k = 0; k < 4 - pad; ++k) {
            v[k] = value(text[i + k]);
            if (v[k] < 0) return std::nullopt;
        }
        for (int k = 4 - pad; k < 4; ++k) v[k] = 0;
        unsigned n = (v[0] << 18) | (v[1] << 12) | (v[2] << 6) | v[3];
        out.push_back(static_cast<unsigned char>(n >> 16));
        if (pad < 2) out.push_back(static_cast<unsigned char>(n >> 8));
        if (pad < 1) out.push_back(static_cast<unsigned char>(n));
    }
    return out;
}

}  // namespace orvane::Base64

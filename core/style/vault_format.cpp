#include "core/style/vault_format.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/sha.h>

#include <algorithm>
#include <array>
#include <memory>
#include <stdexcept>

#include "core/base/atomic_file.h"

namespace orvane::VaultFormat {
namespace fs = std::filesystem;

namespace {

constexpr std::size_t nonceSize = 12;
constexpr std::size_t tagSize = 16;

// The key is never stored whole: it is the byte-wise XOR of these two tables, built for each use
// and wiped afterwards.
constexpr std::array<unsigned char, 32> tableA = {
    0x9a, 0xf7, 0xf0, 0x7f, 0x4b, 0xd5, 0x9e, 0x91, 0x37, 0xb9, 0x42, 0x54, 0xe6, 0x1d, 0x20, 0x7d,
    0xef, 0x36, 0xac, 0xc4, 0xf3, 0x03, 0xc6, 0xc5, 0xa4, 0xdb, 0x8e, 0xd3, 0xa5, 0xce, 0x11, 0xb3};
constexpr std::array<unsigned char, 32> tableB = {
    0xc0, 0x72, 0x65, 0x3b, 0xf1, 0x89, 0xb1, 0x34, 0x87, 0x4a, 0xe0, 0x08, 0xc9, 0xf1, 0xdd, 0xd2,
    0xec, 0x64, 0x5b, 0x09, 0x41, 0x49, 0xfc, 0x88, 0x33, 0xff, 0x3a, 0xa7, 0x1a, 0xf1, 0x1c, 0x2e};

struct Key {
    std::array<unsigned char, 32> bytes;
    Key() {
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = tableA[i] ^ tableB[i];
    }
    ~Key() { OPENSSL_cleanse(bytes.data(), bytes.size()); }
};

using Ctx = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

void putLE(std::string& out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

std::uint64_t getLE(std::string_view in, std::size_t at, int bytes) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= std::uint64_t(static_cast<unsigned char>(in[at + i])) << (8 * i);
    return v;
}

// Keeps valid UTF-8 sequences and replaces every invalid byte with U+FFFD.
std::string repairedUtf8(std::string_view s) {
    std::string out;
    std::size_t i = 0;
    auto cont = [&](std::size_t k) { return k < s.size() && (static_cast<unsigned char>(s[k]) & 0xc0) == 0x80; };
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t len = 0;
        std::uint32_t cp = 0;
        if (c < 0x80) {
            len = 1;
            cp = c;
        } else if (c >= 0xc2 && c <= 0xdf) {
            len = 2;
            cp = c & 0x1f;
        } else if (c >= 0xe0 && c <= 0xef) {
            len = 3;
            cp = c & 0x0f;
        } else if (c >= 0xf0 && c <= 0xf4) {
            len = 4;
            cp = c & 0x07;
        }
        bool ok = len > 0;
        for (std::size_t k = 1; ok && k < len; ++k) {
            ok = cont(i + k);
            if (ok) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3f);
        }
        if (ok) {
            ok = !(len == 3 && (cp < 0x800 || (cp >= 0xd800 && cp <= 0xdfff))) && !(len == 4 && (cp < 0x10000 || cp > 0x10ffff));
        }
        if (ok) {
            out.append(s.substr(i, len));
            i += len;
        } else {
            out.append("\xef\xbf\xbd");
            i += 1;
        }
    }
    return out;
}

}  // namespace

std::string pack(const std::vector<Entry>& entries) {
    std::string out;
    putLE(out, entries.size(), 4);
    for (const auto& e : entries) {
        if (e.name.size() > 0xffff) throw std::length_error("archive entry name too long: " + e.name);
        putLE(out, e.name.size(), 2);
        out += e.name;
        putLE(out, e.content.size(), 8);
        out += e.content;
    }
    return out;
}

std::vector<Entry> collect(const fs::path& folder) {
    std::vector<Entry> out;
    for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
        const auto status = it->symlink_status();
        if (fs::is_directory(status)) continue;
        if (!fs::is_regular_file(status)) {
            throw std::runtime_error("not a regular file: " + it->path().string());
        }
        out.push_back(Entry{fs::relative(it->path(), folder).generic_string(), readWholeFile(it->path())});
    }
    std::sort(out.begin(), out.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return out;
}

std::string seal(std::string_view archive) {
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(archive.data()), archive.size(), digest);
    Key key;
    Ctx ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    std::string out(magic);
    out.append(reinterpret_cast<const char*>(digest), nonceSize);
    std::string cipher(archive.size() + 16, '\0');
    int len = 0, fin = 0;
    unsigned char tag[tagSize];
    if (!ctx || EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, nonceSize, nullptr) != 1 ||
        EVP_EncryptInit_ex(ctx.get(), nullptr, nullptr, key.bytes.data(), digest) != 1 ||
        EVP_EncryptUpdate(ctx.get(), reinterpret_cast<unsigned char*>(cipher.data()), &len,
                          reinterpret_cast<const unsigned char*>(archive.data()), static_cast<int>(archive.size())) != 1 ||
        EVP_EncryptFinal_ex(ctx.get(), reinterpret_cast<unsigned char*>(cipher.data()) + len, &fin) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, tagSize, tag) != 1) {
        throw std::runtime_error("AES-GCM sealing failed");
    }
    cipher.resize(static_cast<std::size_t>(len + fin));
    out += cipher;
    out.append(reinterpret_cast<const char*>(tag), tagSize);
    return out;
}

std::optional<std::string> open(std::string_view file) {
    if (file.size() <= magic.size() || file.substr(0, magic.size()) != magic) return std::nullopt;
    std::string_view box = file.substr(magic.size());
    if (box.size() < nonceSize + tagSize) return std::nullopt;
    if (box.size() - nonceSize - tagSize > static_cast<std::size_t>(INT32_MAX)) return std::nullopt;
    const auto* nonce = reinterpret_cast<const unsigned char*>(box.data());
    std::string_view cipher = box.substr(nonceSize, box.size() - nonceSize - tagSize);
    std::string tag(box.substr(box.size() - tagSize));
    Key key;
    Ctx ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    std::string plain(cipher.size() + 16, '\0');
    int len = 0, fin = 0;
    if (!ctx || EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, nonceSize, nullptr) != 1 ||
        EVP_DecryptInit_ex(ctx.get(), nullptr, nullptr, key.bytes.data(), nonce) != 1 ||
        EVP_DecryptUpdate(ctx.get(), reinterpret_cast<unsigned char*>(plain.data()), &len,
                          reinterpret_cast<const unsigned char*>(cipher.data()), static_cast<int>(cipher.size())) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, tagSize, tag.data()) != 1 ||
        EVP_DecryptFinal_ex(ctx.get(), reinterpret_cast<unsigned char*>(plain.data()) + len, &fin) != 1) {
        OPENSSL_cleanse(plain.data(), plain.size());
        return std::nullopt;
    }
    plain.resize(static_cast<std::size_t>(len + fin));
    return plain;
}

std::optional<std::vector<Entry>> unpack(std::string_view archive) {
    std::size_t at = 0;
    auto need = [&](std::size_t n) { return archive.size() - at >= n; };
    if (!need(4)) return std::nullopt;
    const std::uint64_t count = getLE(archive, at, 4);
    at += 4;
    std::vector<Entry> out;
    for (std::uint64_t i = 0; i < count; ++i) {
        if (!need(2)) return std::nullopt;
        const std::size_t nameLen = getLE(archive, at, 2);
        at += 2;
        if (!need(nameLen)) return std::nullopt;
        std::string name = repairedUtf8(archive.substr(at, nameLen));
        at += nameLen;
        if (!need(8)) return std::nullopt;
        const std::uint64_t size = getLE(archive, at, 8);
        at += 8;
        if (!need(size)) return std::nullopt;  // compared without adding, so a huge size cannot wrap
        out.push_back(Entry{std::move(name), std::string(archive.substr(at, size))});
        at += size;
    }
    return out;
}

bool isSafeName(std::string_view name) {
    if (name.empty() || name.front() == '/') return false;
    if (name.find("..") != std::string_view::npos) return false;
    if (name.find('\\') != std::string_view::npos || name.find('\0') != std::string_view::npos) return false;
    std::size_t start = 0;
    while (true) {
        std::size_t end = name.find('/', start);
        std::string_view seg = name.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (seg.empty() || seg == ".") return false;
        if (end == std::string_view::npos) return true;
        start = end + 1;
    }
}

}  // namespace orvane::VaultFormat

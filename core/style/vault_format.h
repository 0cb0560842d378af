#pragma once
// The sealed form of a shipped base model: "VRV1", then an AES-256-GCM box (12-byte nonce,
// ciphertext, 16-byte tag, no associated data) around an archive of the model folder's files.
// Archive: u32 count, then per entry u16 name length, name (UTF-8, "/" between folders), u64 size,
// content; all little-endian. The build's sealing tool and the vault share this code and the key.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::VaultFormat {

inline constexpr std::string_view magic = "VRV1";

struct Entry {
    std::string name;
    std::string content;
    bool operator==(const Entry&) const = default;
};

std::string pack(const std::vector<Entry>& entries);
// Every regular file below `folder`, named relative to it, in name order; throws on a read failure
// or on anything that is neither a folder nor a regular file (a link would not survive unpacking).
std::vector<Entry> collect(const std::filesystem::path& folder);

// Seals an archive. The nonce is derived from the archive's SHA-256, so the same models give the same
// sealed bytes (a reproducible build) and different archives never share a nonce in practice.
std::string seal(std::string_view archive);
// Checks the magic and opens the box; nothing when the file is too short, the magic is wrong or the
// box fails authentication.
std::optional<std::string> open(std::string_view file);

// Reads an archive; nothing when it is truncated or declares a size that runs past its end. Bytes
// after the last entry are ignored. Names are returned as stored, invalid UTF-8 replaced by U+FFFD.
std::optional<std::vector<Entry>> unpack(std::string_view archive);

// An entry name that may be written below a model folder: relative, not empty, no "..", no empty,
// "." or ".." segment, no backslash and no NUL byte.
bool isSafeName(std::string_view name);

}  // namespace orvane::VaultFormat

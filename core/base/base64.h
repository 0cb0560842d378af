#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::Base64 {
// Standard alphabet with "=" padding, no line breaks.
std::string encode(const unsigned char* data, std::size_t size);
inline std::string encode(const std::vector<unsigned char>& bytes) { return encode(bytes.data(), bytes.size()); }
// Strict: length a multiple of four, padding only at the end; anything else gives nothing.
std::optional<std::vector<unsigned char>> decode(std::string_view text);
}  // namespace orvane::Base64

#pragma once
// Identifiers of projects, profiles, catalogs and versions: stored as canonical upper-case text.
#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

class Uuid {
public:
    Uuid() = default;  // all zero
    explicit Uuid(const std::array<std::uint8_t, 16>& bytes) : bytes_(bytes) {}

    // A new random (version 4) identifier.
    static Uuid random();
    // Canonical 8-4-4-4-12 hexadecimal form, either letter case; anything else gives nothing.
    static std::optional<Uuid> parse(std::string_view text);

    // Upper-case canonical text; also the name of a record's folder.
    std::string text() const;
    const std::array<std::uint8_t, 16>& bytes() const { return bytes_; }

    auto operator<=>(const Uuid&) const = default;

private:
    std::array<std::uint8_t, 16> bytes_{};
};

}  // namespace orvane

template <>
struct std::hash<orvane::Uuid> {
    std::size_t operator()(const orvane::Uuid& u) const noexcept;
};

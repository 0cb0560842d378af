#pragma once
// The colour vocabulary of the interface: named adaptive colours, the accent palette and the status
// colours. Nothing here draws; colours are resolved against the appearance when a view paints.
#include <QColor>

#include <array>
#include <cstdint>
#include <utility>

namespace orvane {
class Defaults;
}

namespace orvane::kit {

// A packed colour 0xRRGGBB as an opaque (or the given opacity) sRGB colour.
QColor packedColor(std::uint32_t rgb, double alpha = 1.0);

// `color` with its opacity replaced by `opacity` (limited to 0…1).
QColor withAlpha(QColor color, double opacity);

// A pair of packed colours resolved against the appearance at paint time; each side may carry an
// opacity (the translucent fills and the status backgrounds).
struct AdaptiveColor {
    std::uint32_t light = 0;
    std::uint32_t dark = 0;
    double lightAlpha = 1.0;
    double darkAlpha = 1.0;

    // Dark only when the appearance is dark; anything else resolves to the light value.
    QColor resolve(bool darkAppearance) const;
    // The same colour at `opacity` times its own opacity.
    AdaptiveColor opacity(double opacity) const;
    friend bool operator==(const AdaptiveColor&, const AdaptiveColor&) = default;
};

constexpr AdaptiveColor adaptiveColor(std::uint32_t dark, std::uint32_t light) { return {light, dark, 1.0, 1.0}; }

inline constexpr AdaptiveColor mutedColor = adaptiveColor(0x9A9BA5, 0x6E6E73);
inline constexpr AdaptiveColor okColor = adaptiveColor(0x4CD08A, 0x1F9D55);
inline constexpr AdaptiveColor warnColor = adaptiveColor(0xF0A35A, 0xB4540A);
inline constexpr AdaptiveColor badColor = adaptiveColor(0xFF7B80, 0xC0262D);
inline constexpr AdaptiveColor infoColor = adaptiveColor(0x5AA0FF, 0x0A64D8);
inline constexpr AdaptiveColor flatWindowColor = adaptiveColor(0x1C1C1E, 0xF0F0F3);
inline constexpr AdaptiveColor flatCardColor = adaptiveColor(0x2A2A2D, 0xFFFFFF);
inline constexpr AdaptiveColor raisedColor = adaptiveColor(0x2A2B31, 0xFFFFFF);
inline constexpr AdaptiveColor softFillColor{0xFFFFFF, 0xFFFFFF, 0.62, 0.09};
// Symbols and text on an accent fill: white in both appearances.
inline constexpr AdaptiveColor onAccentColor = adaptiveColor(0xFFFFFF, 0xFFFFFF);

// The desktop has no system label or window colours of its own kind; these stand in for them.
inline constexpr AdaptiveColor primaryLabelColor = adaptiveColor(0xFFFFFF, 0x000000);
inline constexpr AdaptiveColor windowBackgroundColor = adaptiveColor(0x323232, 0xECECEC);
// The fallback of the colour operations when a colour cannot be read.
inline constexpr AdaptiveColor systemBlueColor = adaptiveColor(0x0A84FF, 0x007AFF);

// One accent choice; each pair is one word, the dark value in the high 32 bits, the light value low.
struct AccentEntry {
    const char* name;
    std::uint64_t accent;
    std::uint64_t shade;
};

constexpr std::uint64_t colorPair(std::uint32_t dark, std::uint32_t light) {
    return (std::uint64_t(dark) << 32) | light;
}
constexpr AdaptiveColor adaptiveColor(std::uint64_t pair) {
    return adaptiveColor(std::uint32_t(pair >> 32), std::uint32_t(pair & 0xFFFFFFFFu));
}

// The position of an entry is its stored identity: the order never changes.
inline constexpr std::array<AccentEntry, 7> accentPalette{{
    {"Roșu", colorPair(0xFF453A, 0xFF3B30), colorPair(0xE5392F, 0xD1261D)},
    {"Portocaliu", colorPair(0xFF9F0A, 0xFF9500), colorPair(0xE08E00, 0xE08400)},
    {"Verde", colorPair(0x30D158, 0x34C759), colorPair(0x28B84E, 0x2BA84A)},
    {"Albastru", colorPair(0x0A84FF, 0x007AFF), colorPair(0x0071E3, 0x0062CC)},
    {"Violet", colorPair(0xBF5AF2, 0xAF52DE), colorPair(0xA44AD9, 0x8E3FBB)},
    {"Roz", colorPair(0xFF375F, 0xFF2D55), colorPair(0xE02A4E, 0xD91E45)},
    {"Grafit", colorPair(0x98989D, 0x8E8E93), colorPair(0x7C7C80, 0x6E6E73)},
}};

// The palette entry in effect: "accentIndex" when it is stored as a whole number from 0 to 6, else
// the entry named "Albastru". The stored value is never rewritten.
int selectedAccentIndex(const Defaults& defaults);
int selectedAccentIndex();  // from the process-wide store
// Read the setting on every call: a new selection shows in every view painted after it.
AdaptiveColor accentColor();
AdaptiveColor accentShade();

// The kinds of status a pill or dot shows, in this order.
enum class StatusKind { ok, warn, bad, accent, info, neutral };
// Foreground and background of a status kind.
std::pair<AdaptiveColor, AdaptiveColor> statusKindColor(StatusKind kind);

// Each of red, green and blue moved `amount` of the way towards `other`; opaque. An invalid colour
// reads as system blue, an invalid `other` as white.
QColor mixed(const QColor& color, const QColor& other, double amount);
// The hue turned by `offset` and wrapped into [0, 1); saturation, brightness and opacity kept.
QColor hueShifted(const QColor& color, double offset);

}  // namespace orvane::kit

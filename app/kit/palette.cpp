#include "app/kit/palette.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/base/defaults.h"

namespace orvane::kit {

QColor packedColor(std::uint32_t rgb, double alpha) {
    QColor c(int((rgb >> 16) & 0xFF), int((rgb >> 8) & 0xFF), int(rgb & 0xFF));
    c.setAlphaF(float(std::clamp(alpha, 0.0, 1.0)));
    return c;
}

QColor withAlpha(QColor color, double opacity) {
    color.setAlphaF(float(std::clamp(opacity, 0.0, 1.0)));
    return color;
}

QColor AdaptiveColor::resolve(bool darkAppearance) const {
    return darkAppearance ? packedColor(dark, darkAlpha) : packedColor(light, lightAlpha);
}

AdaptiveColor AdaptiveColor::opacity(double o) const {
    return {light, dark, lightAlpha * o, darkAlpha * o};
}

namespace {
int fallbackAccentIndex() {
    for (std::size_t i = 0; i < accentPalette.size(); ++i)
        if (std::strcmp(accentPalette[i].name, "Albastru") == 0) return int(i);
    return 0;
}
}  // namespace

int selectedAccentIndex(const Defaults& defaults) {
    // A text, a fraction or a value out of range falls back; only a stored whole number counts.
    if (auto stored = defaults.intValue("accentIndex"); stored && *stored >= 0 && *stored < std::int64_t(accentPalette.size()))
        return int(*stored);
    return fallbackAccentIndex();
}

int selectedAccentIndex() {
    auto defaults = userDefaults();
    return defaults ? selectedAccentIndex(*defaults) : fallbackAccentIndex();
}

AdaptiveColor accentColor() { return adaptiveColor(accentPalette[std::size_t(selectedAccentIndex())].accent); }
AdaptiveColor accentShade() { return adaptiveColor(accentPalette[std::size_t(selectedAccentIndex())].shade); }

std::pair<AdaptiveColor, AdaptiveColor> statusKindColor(StatusKind kind) {
    auto tinted = [](AdaptiveColor c) { return std::pair{c, c.opacity(0.16)}; };
    switch (kind) {
        case StatusKind::ok: return tinted(okColor);
        case StatusKind::warn: return tinted(warnColor);
        case StatusKind::bad: return tinted(badColor);
        case StatusKind::accent: return tinted(accentColor());
        case StatusKind::info: return tinted(infoColor);
        case StatusKind::neutral: break;
    }
    return {mutedColor, primaryLabelColor.opacity(0.09)};
}

QColor mixed(const QColor& color, const QColor& other, double amount) {
    const QColor a = color.isValid() ? color.toRgb() : systemBlueColor.resolve(false);
    const QColor b = other.isValid() ? other.toRgb() : QColor(Qt::white);
    auto channel = [amount](float x, float y) { return std::clamp(double(x) + amount * (double(y) - double(x)), 0.0, 1.0); };
    return QColor::fromRgbF(float(channel(a.redF(), b.redF())), float(channel(a.greenF(), b.greenF())),
                            float(channel(a.blueF(), b.blueF())), 1.0f);
}

QColor hueShifted(const QColor& color, double offset) {
    const QColor c = color.isValid() ? color.toHsv() : systemBlueColor.resolve(false).toHsv();
    float h = 0, s = 0, v = 0, a = 1;
    c.getHsvF(&h, &s, &v, &a);
    const double hue = h < 0 ? 0.0 : double(h);  // a grey has no hue: read it as 0
    double shifted = (hue + offset) - std::floor(hue + offset);
    if (shifted >= 1.0) shifted = 0.0;
    return QColor::fromHsvF(float(shifted), s, v, a);
}

}  // namespace orvane::kit

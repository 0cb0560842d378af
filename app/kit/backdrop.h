#pragma once
// The window backdrop: a soft base colour with four radial glows and a fine grain, and the blurred
// copies of it that glass surfaces show through.
#include <QColor>
#include <QImage>
#include <QRectF>

#include <array>
#include <cstdint>
#include <vector>

#include "app/kit/palette.h"

class QPainter;

namespace orvane::kit {

struct BackdropParams {
    bool dark = false;
    bool flat = false;
    double intensity = 1.0;  // as stored; limited to 0…1 when drawn
    AdaptiveColor accent = accentColor();
    AdaptiveColor shade = accentShade();
};

// The intensity limited to 0…1 (a value that is not a number counts as 0).
double limitedIntensity(double intensity);
// Opacities of the accent, shade, peach and blue glows.
std::array<double, 4> backdropGlowOpacities(bool dark, double intensity);
// The grain shows only above an intensity of 0.15.
bool backdropShowsGrain(double intensity);
double backdropGrainOpacity(bool dark);

// The grain tile: 256 × 256 pixels of red, green, blue, alpha from a fixed xorshift sequence.
inline constexpr int grainSize = 256;
const std::vector<std::uint8_t>& grainBytes();
// The tile as an image; a 1 × 1 transparent image if it cannot be made.
const QImage& grainTexture();

// Draws the whole backdrop into `area` (one flattened layer when painted into an image).
void paintAppBackdrop(QPainter& painter, const QRectF& area, const BackdropParams& params);

// The translucent materials glass shows: the backdrop blurred by different amounts.
enum class Material { ultraThin, thin, regular };
inline constexpr int materialCount = 3;
double materialBlurRadius(Material material);

// Relative luminance (0 black … 1 white) of an sRGB colour, as contrast ratios are computed.
double relativeLuminance(const QColor& color);
// WCAG contrast ratio of two opaque colours, from 1 (equal) to 21 (black on white).
double contrastRatio(const QColor& a, const QColor& b);

// Keeps every pixel's relative luminance at or above `floor` (mixing it towards white in linear light)
// and at or below `ceiling` (mixing it towards black); hue and opacity stay. The materials use it so
// text on glass stays readable over any part of the backdrop.
void limitLuminance(QImage& image, double floor, double ceiling);
// The luminance range the materials keep in each appearance.
struct LuminanceRange {
    double floor, ceiling;
};
LuminanceRange materialLuminance(bool dark);
// The range a sheet's whole glass background keeps, its corner glows and wash included.
LuminanceRange sheetLuminance(bool dark);

// A gaussian-like blur (three box passes) of `image` made at 1/`downscale` of its size; the result
// stays small and is drawn scaled up, which a blur this wide does not show.
QImage blurredImage(const QImage& image, double radius, int downscale);

}  // namespace orvane::kit

#include "app/kit/backdrop.h"

#include <QHash>
#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace orvane::kit {

double limitedIntensity(double intensity) {
    if (!(intensity > 0.0)) return 0.0;  // negative or not a number
    return std::min(intensity, 1.0);
}

std::array<double, 4> backdropGlowOpacities(bool dark, double intensity) {
    static constexpr std::array<double, 4> light{0.40, 0.24, 0.20, 0.24};
    static constexpr std::array<double, 4> darkBase{0.30, 0.18, 0.08, 0.18};
    const double d = limitedIntensity(intensity);
    std::array<double, 4> out{};
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = (dark ? darkBase : light)[i] * d;
    return out;
}

bool backdropShowsGrain(double intensity) { return limitedIntensity(intensity) > 0.15; }

double backdropGrainOpacity(bool dark) { return dark ? 0.05 : 0.025; }

const std::vector<std::uint8_t>& grainBytes() {
    static const std::vector<std::uint8_t> bytes = [] {
        std::vector<std::uint8_t> b(std::size_t(grainSize) * grainSize * 4, 0);
        std::uint64_t s = 0x9E3779B97F4A7C15ULL;
        for (std::size_t i = 0; i < b.size(); i += 4) {
            s ^= s << 13;
            s ^= s >> 7;
            s ^= s << 17;
            const auto g = std::uint8_t((s >> 24) & 0xFF);
            b[i] = b[i + 1] = b[i + 2] = g;
            b[i + 3] = 255;
        }
        return b;
    }();
    return bytes;
}

const QImage& grainTexture() {
    static const QImage image = [] {
        const auto& bytes = grainBytes();
        QImage tile(bytes.data(), grainSize, grainSize, grainSize * 4, QImage::Format_RGBA8888_Premultiplied);
        QImage copy = tile.copy();  // owns its pixels
        if (copy.isNull()) {
            QImage empty(1, 1, QImage::Format_ARGB32_Premultiplied);
            empty.fill(Qt::transparent);
            return empty;
        }
        return copy;
    }();
    return image;
}

namespace {
void radialGlow(QPainter& p, const QRectF& area, QPointF unitCentre, double radius, QColor color, double opacity) {
    if (opacity <= 0) return;
    const QPointF centre(area.left() + unitCentre.x() * area.width(), area.top() + unitCentre.y() * area.height());
    QRadialGradient g(centre, radius);
    QColor from = color;
    from.setAlphaF(float(opacity));
    QColor to = color;
    to.setAlphaF(0.0f);
    g.setColorAt(0.0, from);
    g.setColorAt(1.0, to);
    p.fillRect(area, g);
}
}  // namespace

void paintAppBackdrop(QPainter& p, const QRectF& area, const BackdropParams& params) {
    p.save();
    if (params.flat) {
        p.fillRect(area, flatWindowColor.resolve(params.dark));
        p.restore();
        return;
    }
    const bool dark = params.dark;
    p.fillRect(area, dark ? QColor::fromRgbF(0.10f, 0.10f, 0.12f) : QColor::fromRgbF(0.93f, 0.94f, 0.97f));
    const auto o = backdropGlowOpacities(dark, params.intensity);
    radialGlow(p, area, {1.0, 0.0}, 920, params.accent.resolve(dark), o[0]);
    radialGlow(p, area, {0.15, 1.0}, 820, params.shade.resolve(dark), o[1]);
    radialGlow(p, area, {0.72, 1.0}, 520, QColor::fromRgbF(1.0f, 0.8f, 0.6f), o[2]);
    radialGlow(p, area, {0.0, 0.55}, 640, QColor::fromRgbF(0.45f, 0.62f, 1.0f), o[3]);
    if (backdropShowsGrain(params.intensity)) {
        p.setCompositionMode(QPainter::CompositionMode_Overlay);
        p.setOpacity(backdropGrainOpacity(dark));
        p.setBrushOrigin(area.topLeft());
        p.fillRect(area, QBrush(grainTexture()));
    }
    p.restore();
}

double materialBlurRadius(Material material) {
    switch (material) {
        case Material::ultraThin: return 22.0;
        case Material::thin: return 30.0;
        case Material::regular: return 40.0;
    }
    return 30.0;
}

namespace {
// One box pass along rows (or columns) of premultiplied ARGB pixels, edges clamped.
void boxPass(const QImage& src, QImage& dst, int r, bool horizontal) {
    const int w = src.width(), h = src.height();
    const int lines = horizontal ? h : w, length = horizontal ? w : h;
    const int window = 2 * r + 1;
    for (int line = 0; line < lines; ++line) {
        auto at = [&](const QImage& img, int i) -> const QRgb& {
            i = std::clamp(i, 0, length - 1);
            return horizontal ? reinterpret_cast<const QRgb*>(img.constScanLine(line))[i]
                              : reinterpret_cast<const QRgb*>(img.constScanLine(i))[line];
        };
        int sum[4] = {0, 0, 0, 0};
        for (int i = -r; i <= r; ++i) {
            const QRgb px = at(src, i);
            sum[0] += qAlpha(px), sum[1] += qRed(px), sum[2] += qGreen(px), sum[3] += qBlue(px);
        }
        for (int i = 0; i < length; ++i) {
            const QRgb out = qRgba(sum[1] / window, sum[2] / window, sum[3] / window, sum[0] / window);
            if (horizontal)
                reinterpret_cast<QRgb*>(dst.scanLine(line))[i] = out;
            else
                reinterpret_cast<QRgb*>(dst.scanLine(i))[line] = out;
            const QRgb in = at(src, i + r + 1), gone = at(src, i - r);
            sum[0] += qAlpha(in) - qAlpha(gone);
            sum[1] += qRed(in) - qRed(gone);
            sum[2] += qGreen(in) - qGreen(gone);
            sum[3] += qBlue(in) - qBlue(gone);
        }
    }
}
}  // namespace

namespace {
double toLinear(double s) { return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4); }
double toEncoded(double l) { return l <= 0.0031308 ? l * 12.92 : 1.055 * std::pow(l, 1.0 / 2.4) - 0.055; }
double luminance(double r, double g, double b) { return 0.2126 * r + 0.7152 * g + 0.0722 * b; }
}  // namespace

double relativeLuminance(const QColor& color) {
    const QColor c = color.toRgb();
    return luminance(toLinear(c.redF()), toLinear(c.greenF()), toLinear(c.blueF()));
}

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = relativeLuminance(a), lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Muted text (#6E6E73, luminance 0.157) reads at 4.5:1 on a background of luminance 0.882 or more; in
// dark (#9A9BA5, 0.330) on one of 0.0344 or less.
LuminanceRange materialLuminance(bool dark) {
    // The white sheen and tint that cards lay over the material lift it the rest of the way.
    return dark ? LuminanceRange{0.0, 0.028} : LuminanceRange{0.86, 1.0};
}

LuminanceRange sheetLuminance(bool dark) { return dark ? LuminanceRange{0.0, 0.032} : LuminanceRange{0.89, 1.0}; }

void limitLuminance(QImage& image, double floor, double ceiling) {
    if (image.isNull()) return;
    if (image.format() != QImage::Format_ARGB32_Premultiplied)
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    // Few distinct colours: a blurred backdrop changes slowly, so results are cached per pixel value.
    QHash<QRgb, QRgb> done;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb px = line[x];
            const int a = qAlpha(px);
            if (a == 0) continue;
            if (auto it = done.constFind(px); it != done.constEnd()) {
                line[x] = *it;
                continue;
            }
            double r = toLinear(qRed(px) / double(a)), g = toLinear(qGreen(px) / double(a)), b = toLinear(qBlue(px) / double(a));
            const double l = luminance(r, g, b);
            if (l < floor) {
                const double f = (floor - l) / (1.0 - l);
                r += f * (1 - r);
                g += f * (1 - g);
                b += f * (1 - b);
            } else if (l > ceiling && l > 0) {
                const double f = ceiling / l;
                r *= f;
                g *= f;
                b *= f;
            }
            auto channel = [a](double lin) { return std::clamp(int(std::lround(toEncoded(lin) * a)), 0, a); };
            const QRgb out = qRgba(channel(r), channel(g), channel(b), a);
            done.insert(px, out);
            line[x] = out;
        }
    }
}

QImage blurredImage(const QImage& image, double radius, int downscale) {
    if (image.isNull()) return {};
    downscale = std::max(1, downscale);
    const QSize small(std::max(1, image.width() / downscale), std::max(1, image.height() / downscale));
    QImage a = image.scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                   .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const double sigma = radius / downscale;
    const int r = std::max(0, int(std::lround((std::sqrt(4.0 * sigma * sigma + 1.0) - 1.0) / 2.0)));
    if (r == 0) return a;
    QImage b(a.size(), a.format());
    for (int pass = 0; pass < 3; ++pass) {
        boxPass(a, b, r, true);
        boxPass(b, a, r, false);
    }
    return a;
}

}  // namespace orvane::kit

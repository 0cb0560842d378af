#include "core/vision/photo_preview.h"

#include <algorithm>
#include <cmath>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "core/photo/embedded_preview.h"
#include "core/photo/raw_image.h"
#include "core/vision/person_extent.h"

namespace orvane::PhotoPreview {

namespace {

std::optional<cv::Mat> uprightBgr(const RawImage& raw, int maxSide) {
    auto rgb = PersonExtent::uprightImage(raw, maxSide);
    if (!rgb) return std::nullopt;
    cv::Mat bgr;
    cv::cvtColor(*rgb, bgr, cv::COLOR_RGB2BGR);
    return bgr;
}

// Ordinary image files (JPEG, PNG, TIFF): OpenCV applies their EXIF orientation on reading.
std::optional<cv::Mat> readImageFile(const std::filesystem::path& file, int maxSide) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return std::nullopt;
    cv::Mat image;
    try {
        image = cv::imread(file.string(), cv::IMREAD_COLOR);
    } catch (const cv::Exception&) {
        return std::nullopt;
    }
    if (image.empty()) return std::nullopt;
    const int side = std::max(image.cols, image.rows);
    if (side > maxSide) {
        const double f = double(maxSide) / side;
        cv::Mat small;
        cv::resize(image, small, cv::Size(std::max(1, int(std::lround(image.cols * f))),
                                          std::max(1, int(std::lround(image.rows * f)))),
                   0, 0, cv::INTER_AREA);
        image = small;
    }
    return image;
}

float toLinear(float v) { return v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f); }
float toSrgb(float v) {
    v = std::clamp(v, 0.0f, 1.0f);
    return v <= 0.0031308f ? v * 12.92f : 1.055f * std::pow(v, 1 / 2.4f) - 0.055f;
}

// Highlights above this linear luminance are pulled down by the recovery step.
constexpr float kShoulder = 0.5f;

}  // namespace

std::optional<cv::Mat> base(const std::filesystem::path& file, int maxSide) {
    if (maxSide < 1) return std::nullopt;
    try {
        return uprightBgr(EmbeddedPreview::load(file, maxSide), maxSide);
    } catch (const std::exception&) {
        // No usable embedded preview, or not a raw file.
    }
    try {
        return uprightBgr(loadRaw(file, false), maxSide);
    } catch (const std::exception&) {
    }
    return readImageFile(file, maxSide);
}

std::array<double, 3> planckianWhite(double kelvin) {
    // Kim et al.'s cubic fit of the Planckian locus in CIE 1931 xy.
    const double t = std::clamp(kelvin, 1667.0, 25000.0);
    const double t2 = t * t, t3 = t2 * t;
    const double x = t <= 4000 ? -0.2661239e9 / t3 - 0.2343589e6 / t2 + 0.8776956e3 / t + 0.179910
                               : -3.0258469e9 / t3 + 2.1070379e6 / t2 + 0.2226347e3 / t + 0.240390;
    const double x2 = x * x, x3 = x2 * x;
    double y;
    if (t <= 2222)
        y = -1.1063814 * x3 - 1.34811020 * x2 + 2.18555832 * x - 0.20219683;
    else if (t <= 4000)
        y = -0.9549476 * x3 - 1.37418593 * x2 + 2.09137015 * x - 0.16748867;
    else
        y = 3.0817580 * x3 - 5.87338670 * x2 + 3.75112997 * x - 0.37001483;
    const double X = x / y, Y = 1.0, Z = (1 - x - y) / y;
    return {3.2404542 * X - 1.5371385 * Y - 0.4985314 * Z, -0.9692660 * X + 1.8760108 * Y + 0.0415560 * Z,
            0.0556434 * X - 0.2040259 * Y + 1.0572252 * Z};
}

Steps steps(double ev, std::optional<double> shotKelvin, std::optional<double> finalKelvin) {
    Steps s;
    if (shotKelvin && finalKelvin && std::fabs(*shotKelvin - *finalKelvin) > 5) {
        // A white lit at finalKelvin becomes neutral: the image warms as the temperature rises.
        const auto shot = planckianWhite(*shotKelvin), target = planckianWhite(*finalKelvin);
        std::array<double, 3> g{};
        for (int c = 0; c < 3; ++c) g[c] = (shot[c] / target[c]) / (shot[1] / target[1]);
        if (std::all_of(g.begin(), g.end(), [](double v) { return std::isfinite(v) && v > 0; })) s.whiteBalance = g;
    }
    if (std::fabs(ev) > 0.001) s.ev = ev;
    if (ev > 0.3) s.highlightAmount = 1 - std::min(0.25 * ev, 0.55);
    return s;
}

std::optional<cv::Mat> render(const cv::Mat& image, double ev, std::optional<double> shotKelvin,
                              std::optional<double> finalKelvin) {
    if (image.empty() || image.type() != CV_8UC3) return std::nullopt;
    const Steps s = steps(ev, shotKelvin, finalKelvin);
    if (s == Steps{}) return image.clone();

    std::array<float, 256> lut{};
    for (int i = 0; i < 256; ++i) lut[i] = toLinear(i / 255.0f);
    const float gain = s.ev ? float(std::exp2(*s.ev)) : 1.0f;
    // B, G, R order, as the image.
    std::array<float, 3> wb{1, 1, 1};
    if (s.whiteBalance) wb = {float((*s.whiteBalance)[2]), float((*s.whiteBalance)[1]), float((*s.whiteBalance)[0])};
    const float amount = float(s.highlightAmount.value_or(1.0));

    cv::Mat out(image.size(), CV_8UC3);
    for (int r = 0; r < image.rows; ++r) {
        const auto* in = image.ptr<cv::Vec3b>(r);
        auto* o = out.ptr<cv::Vec3b>(r);
        for (int c = 0; c < image.cols; ++c) {
            float v[3];
            for (int k = 0; k < 3; ++k) v[k] = lut[in[c][k]] * wb[k] * gain;
            if (amount < 1) {
                // Luminance above the shoulder is compressed by `amount`, the colour's ratios kept.
                const float y = 0.0722f * v[0] + 0.7152f * v[1] + 0.2126f * v[2];
                if (y > kShoulder) {
                    const float f = (kShoulder + (y - kShoulder) * amount) / y;
                    for (float& x : v) x *= f;
                }
            }
            for (int k = 0; k < 3; ++k) o[c][k] = cv::saturate_cast<uchar>(toSrgb(v[k]) * 255.0f);
        }
    }
    return out;
}

}  // namespace orvane::PhotoPreview

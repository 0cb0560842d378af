#pragma once
// Drawn test scenes for the line and straighten tests: a pattern in pixels about the image centre,
// turned counter-clockwise (as seen on screen) by a known angle and drawn with 4 x 4 supersampling.
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <random>
#include <vector>

#include <opencv2/core.hpp>

#include "core/photo/raw_image.h"

namespace orvane::scenes {

// Grey 0..255 of the unturned scene at (u, v): pixels from the centre, v growing downward.
using Pattern = std::function<float(double u, double v)>;

inline std::vector<float> draw(const Pattern& pattern, int width, int height, double ccwDegrees) {
    const double t = ccwDegrees * std::numbers::pi / 180, c = std::cos(t), s = std::sin(t);
    const double cx = width / 2.0, cy = height / 2.0;
    std::vector<float> out(std::size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            double sum = 0;
            for (int i = 0; i < 4; ++i)
                for (int j = 0; j < 4; ++j) {
                    const double px = x + (j + 0.5) / 4 - 0.5 - cx, py = y + (i + 0.5) / 4 - 0.5 - cy;
                    sum += pattern(px * c - py * s, px * s + py * c);
                }
            out[std::size_t(y) * width + x] = float(sum / 16);
        }
    return out;
}

// A facade with pilasters and floor ledges in front of the sky: long vertical and horizontal edges.
inline Pattern building(int width, int height) {
    return [=](double u, double v) -> float {
        if (std::fabs(u) > 0.38 * width || v < -0.35 * height) return 215;
        const double pu = width / 10.0, pv = height / 8.0;
        const double fu = std::fmod(u + 10 * pu, pu), fv = std::fmod(v + 10 * pv, pv);
        if (fv < 5) return 170;  // ledge
        if (fu < 6) return 50;   // pilaster
        return 110;
    };
}

// Bright sky over darker ground crossed by a few furrows parallel to the horizon.
inline Pattern landscape(int height) {
    return [=](double u, double v) -> float {
        (void)u;
        const double horizon = -0.1 * height;
        if (v < horizon) return float(200 + 20 * (v - horizon) / height);
        const double furrow = std::fmod(v - horizon, height / 9.0);
        return furrow > height / 18.0 && furrow < height / 18.0 + 4 ? 30.0f : 90.0f;
    };
}

// Seeded uniform noise 0..255.
inline std::vector<float> noise(int width, int height, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> d(0, 255);
    std::vector<float> out(std::size_t(width) * height);
    for (auto& v : out) v = d(rng);
    return out;
}

// A decoded photo twice the grey image's size whose analysis image is that grey image again.
inline RawImage rawOf(const std::vector<float>& gray, int width, int height, int flip = 0) {
    RawImage r;
    r.w = width * 2;
    r.h = height * 2;
    r.flip = flip;
    r.lin.resize(std::size_t(r.w) * r.h * 3);
    for (int y = 0; y < r.h; ++y)
        for (int x = 0; x < r.w; ++x) {
            const float g = gray[std::size_t(y / 2) * width + x / 2] / 255.0f;
            float* p = &r.lin[(std::size_t(y) * r.w + x) * 3];
            p[0] = p[1] = p[2] = g * g;
        }
    return r;
}

// The grey image as an 8-bit BGR photo, for the raw-file writer.
inline cv::Mat bgrOf(const std::vector<float>& gray, int width, int height) {
    cv::Mat photo(height, width, CV_8UC3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            photo.at<cv::Vec3b>(y, x) = cv::Vec3b::all(cv::saturate_cast<uchar>(gray[std::size_t(y) * width + x]));
    return photo;
}

}  // namespace orvane::scenes

#include "testing/photo_to_dng_people.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "testing/dng_writer.h"

namespace orvane::testing {
namespace {

std::optional<std::filesystem::path> existing(const char* path) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) return std::filesystem::path(path);
    return std::nullopt;
}

double linear(double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); }

}  // namespace

std::optional<std::filesystem::path> debianAstronautPhoto() {
    return existing("/usr/lib/python3/dist-packages/imageio/resources/images/astronaut.png");
}

std::optional<std::filesystem::path> debianFullBodyPhoto() {
    return existing("/usr/share/doc/opencv-doc/examples/data/messi5.jpg");
}

void writePhotoDng(const std::filesystem::path& photo, const std::filesystem::path& dng, int scale, int orientation) {
    cv::Mat bgr = cv::imread(photo.string(), cv::IMREAD_COLOR);
    if (bgr.empty()) throw std::runtime_error("cannot read " + photo.string());
    if (scale > 1) cv::resize(bgr, bgr, {}, scale, scale, cv::INTER_LINEAR);
    // Even sides keep the Bayer pattern whole.
    bgr = bgr(cv::Rect(0, 0, bgr.cols & ~1, bgr.rows & ~1)).clone();

    DngSpec spec;
    spec.width = bgr.cols;
    spec.height = bgr.rows;
    spec.orientation = orientation;
    const auto m = spec.colorMatrix;
    const auto neutral = neutralForXY(0.3127, 0.3290, m);  // D65, the white of sRGB
    spec.asShotNeutral = neutral;
    // sRGB primaries to XYZ (D65), then to the camera; white lands on the neutral, scaled below 1.
    static constexpr double toXYZ[3][3] = {{0.4124, 0.3576, 0.1805}, {0.2126, 0.7152, 0.0722}, {0.0193, 0.1192, 0.9505}};
    double whiteCam[3];
    for (int r = 0; r < 3; ++r) whiteCam[r] = m[r][0] * 0.9505 + m[r][1] * 1.0 + m[r][2] * 1.089;
    const double gain = 0.8 / *std::max_element(whiteCam, whiteCam + 3);
    spec.scene = [bgr, m, gain](int x, int y, int, int) {
        const auto& p = bgr.at<cv::Vec3b>(y, x);
        const double lin[3] = {linear(p[2] / 255.0), linear(p[1] / 255.0), linear(p[0] / 255.0)};
        double xyz[3];
        for (int r = 0; r < 3; ++r) xyz[r] = toXYZ[r][0] * lin[0] + toXYZ[r][1] * lin[1] + toXYZ[r][2] * lin[2];
        std::array<double, 3> cam{};
        for (int r = 0; r < 3; ++r) cam[r] = std::max(0.0, gain * (m[r][0] * xyz[0] + m[r][1] * xyz[1] + m[r][2] * xyz[2]));
        return cam;
    };
    writeDng(dng, spec);
}

}  // namespace orvane::testing

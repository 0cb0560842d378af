#include "testing/turned_photo.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <string>

#include <opencv2/imgproc.hpp>

#include "core/vision/straighten.h"
#include "testing/dng_writer.h"

namespace orvane::testing {

std::optional<std::filesystem::path> debianPhoto(std::string_view name) {
    static const char* const folders[] = {
        "/usr/lib/python3/dist-packages/skimage/data",
        // Unpacked by scripts/setup.sh without installing the package.
        "/usr/local/share/vendrel-test-data/skimage/usr/lib/python3/dist-packages/skimage/data",
        "/usr/share/doc/opencv-doc/examples/data",
    };
    for (const char* folder : folders) {
        const std::filesystem::path file = std::filesystem::path(folder) / name;
        std::error_code ec;
        if (std::filesystem::is_regular_file(file, ec)) return file;
    }
    return std::nullopt;
}

cv::Mat turnedPhoto(const cv::Mat& bgr, double degrees) {
    const cv::Point2f centre((bgr.cols - 1) / 2.0f, (bgr.rows - 1) / 2.0f);
    cv::Mat turned;
    // OpenCV turns counter-clockwise on screen for a positive angle.
    cv::warpAffine(bgr, turned, cv::getRotationMatrix2D(centre, degrees, 1.0), bgr.size(), cv::INTER_CUBIC,
                   cv::BORDER_REFLECT_101);
    const NormRect keep = Straighten::cropRect(degrees, double(bgr.cols) / bgr.rows);
    const int x0 = int(std::ceil(keep.left * bgr.cols)), y0 = int(std::ceil(keep.top * bgr.rows));
    const int x1 = int(std::floor(keep.right * bgr.cols)), y1 = int(std::floor(keep.bottom * bgr.rows));
    return turned(cv::Rect(x0, y0, x1 - x0, y1 - y0)).clone();
}

void writePhotoDng(const std::filesystem::path& file, const cv::Mat& bgr, int scale) {
    if (bgr.empty() || bgr.type() != CV_8UC3 || scale < 1) throw std::invalid_argument("writePhotoDng: 8-bit BGR");
    cv::Mat big;
    // Even sides keep the Bayer pattern whole.
    const int w = bgr.cols * scale / 2 * 2, h = bgr.rows * scale / 2 * 2;
    cv::resize(bgr, big, cv::Size(w, h), 0, 0, cv::INTER_LINEAR);
    std::array<double, 256> linear{};
    for (int i = 0; i < 256; ++i) {
        const double v = i / 255.0;
        linear[std::size_t(i)] = v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    }
    DngSpec spec;
    spec.width = w;
    spec.height = h;
    const auto n = spec.asShotNeutral.value_or(std::array<double, 3>{1, 1, 1});
    const double top = std::max({n[0], n[1], n[2]});
    spec.scene = [&big, &linear, n, top](int x, int y, int, int) {
        const auto& p = big.at<cv::Vec3b>(y, x);
        return std::array<double, 3>{linear[p[2]] * n[0] / top, linear[p[1]] * n[1] / top, linear[p[0]] * n[2] / top};
    };
    writeDng(file, spec);
}

}  // namespace orvane::testing

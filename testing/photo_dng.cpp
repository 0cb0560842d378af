#include "testing/photo_dng.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <stdexcept>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "core/photo/smart_preview.h"
#include "core/vision/crop_planner.h"
#include "core/vision/straighten.h"

namespace orvane::testing {

namespace {

// XYZ to linear sRGB (D65): a camera whose raw values are linear sRGB.
Matrix3d srgbCameraMatrix() {
    return {{{3.2404542, -1.5371385, -0.4985314}, {-0.9692660, 1.8760108, 0.0415560}, {0.0556434, -0.2040259, 1.0572252}}};
}

double linearOf(double encoded) {
    return encoded <= 0.04045 ? encoded / 12.92 : std::pow((encoded + 0.055) / 1.055, 2.4);
}

}  // namespace

DngSpec photoDng(const cv::Mat& photo, int width, int height, int orientation) {
    const int flip = SmartPreview::flipForOrientation(orientation);
    const bool quarter = flip == 5 || flip == 6;
    // The upright photo at the asked size, in linear light, as doubles.
    auto linear = std::make_shared<cv::Mat>();
    {
        cv::Mat sized;
        cv::resize(photo, sized, cv::Size(width, height), 0, 0, photo.cols > width ? cv::INTER_AREA : cv::INTER_LINEAR);
        std::array<float, 256> lut{};
        for (int i = 0; i < 256; ++i) lut[i] = float(linearOf(i / 255.0));
        linear->create(height, width, CV_32FC3);
        for (int y = 0; y < height; ++y) {
            const auto* src = sized.ptr<cv::Vec3b>(y);
            auto* dst = linear->ptr<cv::Vec3f>(y);
            for (int x = 0; x < width; ++x) dst[x] = {lut[src[x][2]], lut[src[x][1]], lut[src[x][0]]};  // to RGB
        }
    }
    DngSpec spec;
    spec.width = quarter ? height : width;
    spec.height = quarter ? width : height;
    spec.orientation = orientation;
    spec.model = "Photo Camera";
    spec.colorMatrix = srgbCameraMatrix();
    spec.asShotNeutral = std::array<double, 3>{1.0, 1.0, 1.0};
    spec.scene = [linear, flip, width, height](int x, int y, int w, int h) {
        const auto [ux, uy] = CropPlanner::uprightPoint((x + 0.5) / w, (y + 0.5) / h, flip);
        const int cx = std::clamp(int(ux * width), 0, width - 1), cy = std::clamp(int(uy * height), 0, height - 1);
        const auto& p = linear->at<cv::Vec3f>(cy, cx);
        return std::array<double, 3>{p[0], p[1], p[2]};
    };
    // The preview is stored like the mosaic: turned away from upright by the same orientation.
    auto small = std::make_shared<cv::Mat>();
    const int pw = std::min(width, 1024), ph = std::max(1, int(std::lround(double(pw) * height / width)));
    cv::resize(photo, *small, cv::Size(pw, ph), 0, 0, cv::INTER_AREA);
    if (flip == 3) cv::rotate(*small, *small, cv::ROTATE_180);
    if (flip == 6) cv::rotate(*small, *small, cv::ROTATE_90_COUNTERCLOCKWISE);
    if (flip == 5) cv::rotate(*small, *small, cv::ROTATE_90_CLOCKWISE);
    DngPreview preview;
    preview.width = small->cols;
    preview.height = small->rows;
    preview.pixel = [small](int x, int y) {
        const auto& p = small->at<cv::Vec3b>(y, x);
        return std::array<std::uint8_t, 3>{p[2], p[1], p[0]};
    };
    spec.preview = preview;
    return spec;
}

void writePhotoDng(const std::filesystem::path& file, const cv::Mat& bgr, int scale) {
    if (bgr.empty() || bgr.type() != CV_8UC3 || scale < 1) throw std::invalid_argument("writePhotoDng: 8-bit BGR");
    cv::Mat big;
    // Even sides keep the Bayer pattern whole.
    const int w = bgr.cols * scale / 2 * 2, h = bgr.rows * scale / 2 * 2;
    cv::resize(bgr, big, cv::Size(w, h), 0, 0, cv::INTER_LINEAR);
    std::array<double, 256> linear{};
    for (int i = 0; i < 256; ++i) linear[std::size_t(i)] = linearOf(i / 255.0);
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

std::optional<std::filesystem::path> debianPhoto(std::string_view name) {
    static const char* const folders[] = {
        "/usr/lib/python3/dist-packages/imageio/resources/images",
        "/usr/lib/python3/dist-packages/skimage/data",
        // Unpacked by scripts/setup.sh without installing the package.
        "/usr/local/share/vendrel-test-data/skimage/usr/lib/python3/dist-packages/skimage/data",
        "/usr/share/doc/opencv-doc/examples/data",
        "/usr/share/matplotlib/mpl-data/sample_data",
        // The few photos scripts/setup.sh takes out of opencv-doc and python-matplotlib-data.
        "/usr/local/share/vendrel-test-data/photos",
    };
    for (const char* folder : folders) {
        const std::filesystem::path file = std::filesystem::path(folder) / name;
        std::error_code ec;
        if (std::filesystem::is_regular_file(file, ec)) return file;
    }
    return std::nullopt;
}

std::optional<cv::Mat> astronautPhoto() {
    const auto file = debianPhoto("astronaut.png");
    if (!file) return std::nullopt;
    cv::Mat m = cv::imread(file->string(), cv::IMREAD_COLOR);
    if (m.empty()) return std::nullopt;
    return m;
}

std::optional<cv::Mat> astronautPortrait() {
    auto photo = astronautPhoto();
    if (!photo || photo->cols < 305 || photo->rows < 250) return std::nullopt;
    return (*photo)(cv::Rect(145, 50, 160, 200)).clone();
}

cv::Mat sceneWithoutPeople(int width, int height) {
    cv::Mat m(height, width, CV_8UC3);
    for (int y = 0; y < height; ++y) {
        const double t = double(y) / height;
        const cv::Vec3b sky(uchar(235 - 60 * t), uchar(200 - 50 * t), uchar(150 - 40 * t));
        for (int x = 0; x < width; ++x) m.at<cv::Vec3b>(y, x) = sky;
    }
    auto px = [&](double fx, double fy) { return cv::Point(int(fx * width), int(fy * height)); };
    std::vector<cv::Point> hills;
    for (int i = 0; i <= 20; ++i) hills.push_back(px(i / 20.0, 0.55 + 0.06 * std::sin(i * 0.9)));
    hills.push_back(px(1, 1));
    hills.push_back(px(0, 1));
    cv::fillPoly(m, std::vector<std::vector<cv::Point>>{hills}, cv::Scalar(60, 140, 80), cv::LINE_AA);
    cv::rectangle(m, px(0.55, 0.45), px(0.75, 0.70), cv::Scalar(170, 190, 215), cv::FILLED, cv::LINE_AA);
    cv::fillPoly(m, std::vector<std::vector<cv::Point>>{{px(0.53, 0.45), px(0.65, 0.33), px(0.77, 0.45)}},
                 cv::Scalar(40, 50, 150), cv::LINE_AA);
    cv::rectangle(m, px(0.62, 0.58), px(0.67, 0.70), cv::Scalar(40, 60, 90), cv::FILLED);
    for (int k = 0; k < 6; ++k) {
        const double x = 0.08 + 0.07 * k;
        cv::rectangle(m, px(x - 0.005, 0.55), px(x + 0.005, 0.66), cv::Scalar(30, 50, 70), cv::FILLED);
        cv::circle(m, px(x, 0.52), int(0.04 * width), cv::Scalar(40, 110 + 10 * k, 50), cv::FILLED, cv::LINE_AA);
    }
    cv::circle(m, px(0.85, 0.15), int(0.04 * width), cv::Scalar(180, 240, 255), cv::FILLED, cv::LINE_AA);
    return m;
}

}  // namespace orvane::testing

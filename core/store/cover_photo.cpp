#include "core/store/cover_photo.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numeric>

#include <opencv2/imgcodecs.hpp>

#include "core/base/atomic_file.h"
#include "core/vision/photo_preview.h"

namespace orvane::CoverPhoto {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxCandidates = 60;
constexpr int kPreviewSide = 640;
constexpr double kAspect = 1.6;

bool present(const fs::path& p) {
    std::error_code ec;
    return fs::exists(p, ec);
}

struct Scored {
    double score = 0;
    double x = 0, y = 0;  // the faces' centre, from the top-left
};

// Nothing when the faces do not qualify.
std::optional<Scored> scoreFaces(const std::vector<FaceCapture>& faces) {
    if (faces.empty()) return std::nullopt;
    const std::size_t n = faces.size();
    double minQuality = 1, sumQuality = 0, sumHeight = 0, sumX = 0, sumY = 0;
    for (const auto& f : faces) {
        const double q = f.quality.value_or(0);
        minQuality = std::min(minQuality, q);
        sumQuality += q;
        sumHeight += f.box.height();
        sumX += 0.5 * (f.box.left + f.box.right);
        sumY += 0.5 * (f.box.top + f.box.bottom);
    }
    if (!(minQuality > 0.25)) return std::nullopt;
    const double countWeight = n == 2 ? 1.0 : (n <= 3 ? 0.4 : 0.1);
    const double s = (sumHeight / double(n)) / 0.22;
    const double sizeScore = s < 1 ? 0.5 * s : 0.5;
    double pairBonus = 0;
    if (n == 2) {
        const auto& a = faces[0].box;
        const auto& b = faces[1].box;
        const double d = std::hypot(0.5 * (a.left + a.right - b.left - b.right), 0.5 * (a.top + a.bottom - b.top - b.bottom));
        const double w = (a.width() + b.width()) * 0.5;
        if (d < w * 3.5) pairBonus = 0.3;
    }
    Scored out;
    out.score = pairBonus + (sizeScore + (countWeight + sumQuality / double(n)));
    out.x = sumX / double(n);
    out.y = sumY / double(n);
    return out;
}

}  // namespace

fs::path url(const Project& project) { return project.dir() / kCoverFile; }

std::vector<std::size_t> candidates(std::size_t n) {
    const std::size_t m = std::min(n, kMaxCandidates);
    std::vector<std::size_t> out;
    for (std::size_t k = 0; k < m; ++k) out.push_back(k * n / m);
    return out;
}

std::optional<cv::Mat> best(const Project& project, const FaceQualityDetector& faces) {
    std::optional<cv::Mat> bestImage;
    Scored bestScore;
    for (std::size_t i : candidates(project.photos.size())) {
        const PhotoItem& photo = project.photos[i];
        fs::path file = photo.path;
        if (photo.previewPath && !present(file)) file = *photo.previewPath;
        auto image = PhotoPreview::base(file, kPreviewSide);
        if (!image || image->rows >= image->cols) continue;
        std::optional<std::vector<FaceCapture>> found;
        try {
            found = faces ? faces(*image) : std::nullopt;
        } catch (const std::exception&) {
            continue;
        }
        if (!found) continue;
        const auto scored = scoreFaces(*found);
        if (!scored || !(scored->score > 0)) continue;
        if (!bestImage || scored->score > bestScore.score) {
            bestImage = std::move(*image);
            bestScore = *scored;
        }
    }
    if (!bestImage) return std::nullopt;
    return crop(*bestImage, bestScore.x, bestScore.y);
}

std::optional<cv::Mat> crop(const cv::Mat& image, double x, double y) {
    const double W = image.cols, H = image.rows;
    if (W < 1 || H < 1) return std::nullopt;
    double left = 0, top = 0, width = W, height = H;
    if (W / H >= kAspect) {
        width = kAspect * H;
        left = std::min(std::max(x * W - 0.5 * width, 0.0), W - width);
    } else {
        height = W / kAspect;
        top = std::min(std::max(y * H - 0.4 * height, 0.0), H - height);
    }
    // Outwards to whole pixels, kept inside the image.
    const int x0 = std::max(0, int(std::floor(left))), y0 = std::max(0, int(std::floor(top)));
    const int x1 = std::min(image.cols, int(std::ceil(left + width))), y1 = std::min(image.rows, int(std::ceil(top + height)));
    if (x1 <= x0 || y1 <= y0) return std::nullopt;
    return image(cv::Rect(x0, y0, x1 - x0, y1 - y0)).clone();
}

bool write(const cv::Mat& image, const fs::path& to) {
    std::vector<uchar> bytes;
    try {
        if (image.empty() || !cv::imencode(".jpg", image, bytes, {cv::IMWRITE_JPEG_QUALITY, 85})) return false;
        fs::create_directories(to.parent_path());
        // Atomic: an interrupted write never leaves a broken cover that would be shown forever.
        writeFileAtomically(to, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

std::optional<fs::path> ensure(const Project& project, const FaceQualityDetector& faces) {
    const fs::path cover = url(project);
    if (present(cover)) return cover;
    if (project.photos.empty()) return std::nullopt;
    const fs::path marker = project.dir() / kNoCoverFile;
    if (present(marker)) return std::nullopt;
    if (auto image = best(project, faces); image && write(*image, cover)) return cover;
    // Failing to leave the marker only means the search runs again next time.
    std::error_code ec;
    fs::create_directories(marker.parent_path(), ec);
    std::ofstream(marker, std::ios::binary | std::ios::trunc);
    return std::nullopt;
}

}  // namespace orvane::CoverPhoto

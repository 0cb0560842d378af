#include "core/vision/face_quality.h"

#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

#include "core/vision/landmark_models.h"

namespace orvane::FaceQuality {

namespace {

double clamp01(double v) { return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0; }

// Height over width of an eye outline: about 0.3 open, below 0.15 closed.
double eyeOpening(const Outline& eye) {
    const NormRect b = Outlines::bounds(eye);
    if (eye.size() < 3 || b.width() <= 0) return -1;
    return b.height() / b.width();
}

}  // namespace

double score(const FaceObservation& face, const cv::Mat& gray) {
    if (gray.empty() || gray.type() != CV_8UC1) return 0;
    // A face a fifth of the frame high or more is large enough for a cover.
    const double size = clamp01(face.box.height() / 0.2);

    const cv::Rect whole(0, 0, gray.cols, gray.rows);
    const cv::Rect rect = cv::Rect(int(std::floor(face.box.left * gray.cols)), int(std::floor(face.box.top * gray.rows)),
                                   int(std::ceil(face.box.width() * gray.cols)),
                                   int(std::ceil(face.box.height() * gray.rows))) &
                          whole;
    double sharpness = 0, exposure = 0;
    if (rect.width >= 4 && rect.height >= 4) {
        // Measured at one face size so that large faces are not favoured twice.
        cv::Mat patch, lap;
        cv::resize(gray(rect), patch, cv::Size(64, 64), 0, 0, cv::INTER_AREA);
        cv::Laplacian(patch, lap, CV_32F);
        cv::Scalar mean, dev;
        cv::meanStdDev(lap, mean, dev);
        const double variance = dev[0] * dev[0];
        sharpness = variance / (variance + 60.0);
        const double m = cv::mean(patch)[0] / 255.0;
        exposure = clamp01(1.0 - std::fabs(m - 0.5) / 0.45);
    }

    double landmarks = 0.5, eyes = 0.5, facing = 0.5;
    if (face.landmarks) {
        landmarks = 1.0;
        const double l = eyeOpening(face.landmarks->leftEye), r = eyeOpening(face.landmarks->rightEye);
        if (l >= 0 && r >= 0) eyes = clamp01((std::min(l, r) - 0.12) / (0.25 - 0.12));
        const NormPoint le = Outlines::centroid(face.landmarks->leftEye), re = Outlines::centroid(face.landmarks->rightEye);
        const double eyeDistance = std::hypot(re.x - le.x, re.y - le.y);
        if (!face.landmarks->nose.empty() && eyeDistance > 0) {
            // The nose drifts from between the eyes as the head turns.
            const NormPoint nose = Outlines::centroid(face.landmarks->nose);
            const double offset = std::fabs(nose.x - 0.5 * (le.x + re.x)) / eyeDistance;
            facing = clamp01(1.0 - offset / 0.6);
        }
    }
    const double q = std::pow(std::max(size, 1e-6), 0.15) * std::pow(std::max(sharpness, 1e-6), 0.25) *
                     std::pow(std::max(exposure, 1e-6), 0.2) * std::pow(landmarks, 0.1) *
                     std::pow(std::max(eyes, 1e-6), 0.15) * std::pow(std::max(facing, 1e-6), 0.15);
    return clamp01(q);
}

const FaceQualityDetector& standard() {
    static const FaceQualityDetector detector = [](const cv::Mat& bgr) -> std::optional<std::vector<FaceCapture>> {
        if (bgr.empty() || bgr.type() != CV_8UC3) return std::nullopt;
        cv::Mat gray, rgb;
        cv::cvtColor(bgr, gray, cv::COLOR_BGR2GRAY);
        cv::cvtColor(bgr, rgb, cv::COLOR_BGR2RGB);
        // The same search as the photo analyses: the whole frame swept for faces down to 2 % of it.
        const auto faces = LandmarkModels::landmarker().detect(gray, rgb);
        if (!faces) return std::nullopt;
        std::vector<FaceCapture> out;
        for (const auto& face : *faces) out.push_back({face.box, score(face, gray)});
        return out;
    };
    return detector;
}

}  // namespace orvane::FaceQuality

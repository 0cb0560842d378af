#pragma once
// Small display-ready previews of a photo, and a quick approximation of a predicted edit on one
// (white-balance shift, exposure, highlight recovery) for the screens that show an edit before it is
// written.
#include <array>
#include <filesystem>
#include <optional>

#include <opencv2/core/mat.hpp>

namespace orvane::PhotoPreview {

// The photo upright as 8-bit sRGB (B, G, R) with its longer side at most maxSide: the raw file's
// embedded preview when it has one, else a half-size decode; any other image file is read whole.
// Nothing for an unreadable file.
std::optional<cv::Mat> base(const std::filesystem::path& file, int maxSide);

// What render does for one set of parameters; an absent step is skipped.
struct Steps {
    std::optional<std::array<double, 3>> whiteBalance;  // linear R, G, B gains, green 1
    std::optional<double> ev;                           // exposure change in stops
    std::optional<double> highlightAmount;              // 1 keeps highlights; lower pulls them down

    bool operator==(const Steps&) const = default;
};
// The white-balance shift when both temperatures are known and differ by more than 5 K; the exposure
// when |ev| > 0.001; the highlight recovery, 1 - min(0.25 ev, 0.55), when ev > 0.3.
Steps steps(double ev, std::optional<double> shotKelvin, std::optional<double> finalKelvin);

// The image (8-bit B, G, R) with the steps applied on its linear values; nothing for an empty image
// or one of another type.
std::optional<cv::Mat> render(const cv::Mat& image, double ev, std::optional<double> shotKelvin,
                              std::optional<double> finalKelvin);

// Linear sRGB of the black-body white at a temperature (1667 K to 25000 K, clamped), luminance 1.
std::array<double, 3> planckianWhite(double kelvin);

}  // namespace orvane::PhotoPreview

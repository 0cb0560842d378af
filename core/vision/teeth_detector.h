#pragma once
// Faces with their landmarks, and the teeth of open mouths as brush dabs, on the upright photo. Pure
// functions with no state: any number of worker threads may call them at once. Every coordinate is
// normalised to the upright image (x from the left, y from the top).
#include <array>
#include <functional>
#include <optional>
#include <vector>

#include "core/photo/analysis_records.h"
#include "core/photo/raw_image.h"
#include "core/vision/face_landmarker.h"

namespace orvane::TeethDetector {

struct Face {
    NormRect box;
    Outline lips;                   // inner lips, at least 4 points
    Outline contour;                // face contour; empty when the landmarker gave none
    std::vector<Outline> features;  // left eye, right eye, left brow, right brow, outer lips, nose (each 3+ points)
    Outline outer;                  // outer lips; may be empty

    bool operator==(const Face&) const = default;
};

// A single-precision plane, row-major, values 0..255.
struct GrayPlane {
    std::vector<float> values;
    int width = 0;
    int height = 0;
};

// Linear RGB at a normalised upright position, or nothing outside the image.
using RgbSampler = std::function<std::optional<std::array<float, 3>>(double x, double y)>;

// The luma plane as floats when the image has one, else sqrt(luminance) x 255 of the linear plane.
GrayPlane grayImage(const RawImage& raw);
// The plane turned upright by a LibRaw flip code (3, 5, 6); any other code returns it unchanged. A
// plane whose size does not match w x h gives an empty plane.
GrayPlane upright(const std::vector<float>& plane, int width, int height, int flip);
// Faces of the upright 8-bit grey image: the whole image, then six overlapping tiles, a face seen
// twice kept once. A landmarker that sweeps tiles itself is asked about the whole image alone.
// `colour` is the same frame in 8-bit RGB (any resolution) or empty.
std::vector<Face> faces(const cv::Mat& gray, const FaceLandmarker& landmarker, const cv::Mat& colour = {});
// The upright 8-bit grey image and colour image (RGB, the linear plane's resolution) the face search
// of a photo runs on.
struct SearchImages {
    cv::Mat gray;    // CV_8UC1, the grey plane's size
    cv::Mat colour;  // CV_8UC3 RGB; empty for an image without a linear plane
};
std::optional<SearchImages> searchImages(const RawImage& raw);

// Samples `lin` of the image at upright positions.
RgbSampler rgbSampler(const RawImage& raw);
// Otsu's threshold over 64 bins; nothing for fewer than 20 values or a spread of 0.01 or less.
std::optional<float> otsu(const std::vector<float>& values);
// Chamfer distance (1 and 1.414) of every mask pixel to the nearest non-mask pixel or the border.
std::vector<float> distance(const std::vector<bool>& mask, int width, int height);
// One dab per block of step x step pixels of the window: its eligible pixel farthest inside (first
// of equal maxima; distance above 0), at the pixel centre normalised by the plane's W x H.
struct Window {
    int x0 = 0, y0 = 0, cols = 0, rows = 0;
};
DabList placeBlocks(const std::vector<float>& dist, const Window& window, int W, int H,
                    const std::function<bool(float)>& eligible, int step);
// Dab counts a placement must stay below; the blocks grow one pixel at a time until it does.
inline constexpr std::size_t kCoarseDabLimit = 2501;
inline constexpr std::size_t kFineDabLimit = 1501;
// Places blocks, growing them one pixel at a time until fewer than `limit` dabs come out.
DabList placeBounded(const std::vector<float>& dist, const Window& window, int W, int H,
                     const std::function<bool(float)>& eligible, int step, std::size_t limit);
// The fine dab radius in pixels for a mouth `mouthWidth` (normalised) wide on a plane W pixels wide.
double fineRadius(double mouthWidth, int W);

// The teeth step: at most one region per face, in face order. `rgb` may be empty (brightness alone).
std::vector<TeethRegion> detect(const GrayPlane& gray, const std::vector<Face>& faces, const RgbSampler& rgb);

struct Analysis {
    std::vector<TeethRegion> teeth;
    std::vector<SkinRegion> skin;
};
// Finds the faces once and runs the teeth step and the skin regions as asked; an unasked list is empty.
Analysis analyze(const RawImage& raw, bool teeth, bool skin, const FaceLandmarker& landmarker);
// The same on faces already found in this photo.
Analysis analyze(const RawImage& raw, bool teeth, bool skin, const std::vector<Face>& faces);
// The same with this build's landmarker (nothing found when its model files are missing), sharing
// the photo's one face search (PhotoFaces).
Analysis analyze(const RawImage& raw, bool teeth, bool skin);
std::vector<TeethRegion> detect(const RawImage& raw);

}  // namespace orvane::TeethDetector

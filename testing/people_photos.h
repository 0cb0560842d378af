#pragma once
// Real faces and people of Debian's photos, and composites made of them in the tests (nothing made
// here is ever written into the repository). A source whose package is not installed is left out;
// callers skip when too few remain.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

#include "core/photo/raw_image.h"
#include "core/vision/norm_rect.h"

namespace orvane::testing {

// The decoded image loadRaw gives for a raw file of this 8-bit BGR photo taken at twice its size:
// the photo is the half-size plane, `lin` every second pixel of it in linear light, `luma` (with
// fullLuma) its gamma-encoded luminance at full size. Upright (flip 0).
RawImage decodedPhoto(const cv::Mat& bgr, bool fullLuma);

// A face of a real photo: the photo (BGR) and the face's box in it, in pixels.
struct RealFace {
    std::string name;
    cv::Mat bgr;
    cv::Rect face;
};
// The six faces: the astronaut (python3-imageio) and her mirror image, Grace Hopper
// (python-matplotlib-data), the basketball player of two frames and the footballer (opencv-doc).
std::vector<RealFace> realFaces();

// A person of a real photo standing at full length: the photo cut round the person, and the
// person's mask in that cut (255 person).
struct RealPerson {
    std::string name;
    cv::Mat bgr;
    cv::Mat mask;
    cv::Rect face;  // the face's box in the cut
};

// Two people standing at full length: the basketball player (opencv-doc's basketball1.png) and the
// footballer (its messi5.jpg), each cut with the mask the person-segmentation network of `model` gives
// on the cut at the network's own input size, the largest part kept. Empty when a photo or the
// network is missing.
std::vector<RealPerson> realPeople(const std::filesystem::path& model);

// A composite photo and what was put into it.
struct Composite {
    cv::Mat bgr;
    std::vector<NormRect> faces;  // each pasted face's box, normalised
    std::vector<cv::Mat> people;  // each pasted person's mask at the photo's size (255 person)
};

// A people-less outdoor scene of `size` with the faces pasted in a grid, each `fraction` of the
// scene's width wide (measured on the face's box), with soft edges.
Composite faceComposite(const std::vector<RealFace>& faces, cv::Size size, double fraction);

// A people-less outdoor scene of `size` with the people standing side by side, touching, their
// feet at 80 % of the height, each `fraction` of the scene's height tall, centred; a row wider than
// the scene is made smaller to fit it, so that every face shows.
Composite peopleComposite(const std::vector<RealPerson>& people, cv::Size size, double fraction);

// A print of smiling faces drawn as on a fabric (yellow disks, two eyes, a smile) over `size`.
cv::Mat smileyPrint(cv::Size size);

}  // namespace orvane::testing

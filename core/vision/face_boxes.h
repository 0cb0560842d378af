#pragma once
// Face boxes from the full-range BlazeFace network (192 x 192 RGB, run by OpenCV dnn), swept over the
// whole frame in tiles sized to its input, so that faces down to 2 % of the frame's width are found
// as well as faces filling it. Each thread runs its own copy of the network.
#include <filesystem>
#include <optional>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/dnn.hpp>

#include "core/vision/norm_rect.h"

namespace orvane::FaceBoxes {

// The network's square input side.
inline constexpr int inputSide = 192;
// The least sigmoid score a box needs.
inline constexpr float minScore = 0.5f;

// The converted network in the resources folder.
std::filesystem::path modelFile();

struct Found {
    NormRect box;  // normalised to the searched image, origin top-left
    float score = 0;
    bool operator==(const Found&) const = default;
};

// The regions every search covers in an image of `size`, in pixels: squares of the short side along
// the long one (large faces), then the sweep: square tiles edge to edge, as many as tiles of 0.384
// of the width need, each as small as that count allows with neighbours overlapping by 0.3 of a tile
// (a face of 2 % of the width is 11 to 12 pixels at the network's input there). Small or unsure
// boxes of these are looked at again in tiles half as large.
std::vector<cv::Rect> regions(cv::Size size);

// The boxes of one region of `image` (8-bit RGB or grey) in one pass, scored at least `least`,
// normalised to the image. Boxes cut by an edge of the region that is not the image's own edge are
// left out: a neighbouring region holds that face whole. Nothing when the network fails.
std::optional<std::vector<Found>> inRegion(cv::dnn::Net& net, const cv::Mat& image, const cv::Rect& region,
                                          float least = minScore);

// Boxes of the same face found in several regions become one: the one with the higher score.
std::vector<Found> merged(std::vector<Found> boxes);

// The faces of an 8-bit RGB (or grey) image over every region, best score first; nothing when the
// network file is missing or the network fails. `finer`, when given, is the same frame's 8-bit grey at
// a higher resolution (the raw's luma plane beside its smaller colour image): the closer looks at
// small faces take their detail from it. Tiles of the sweep lying wholly inside a large face that
// holds up are not searched: they can show no other face whole.
std::optional<std::vector<Found>> find(const cv::Mat& image, const cv::Mat& finer = cv::Mat());

}  // namespace orvane::FaceBoxes

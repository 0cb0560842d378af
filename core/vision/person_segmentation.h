#pragma once
// The model-backed people detector. People start from their faces: each face grows into a body
// region, and the person-segmentation network (ONNX, run by OpenCV dnn) looks at every region at its
// own input size, as it does at the whole frame and at a sweep of half-height tiles for people whose
// faces are too small to find. Connected components split the person probability into people; where
// faces show two or more people in one component, a watershed seeded at the faces separates them. A
// component with no face in it is a person only when it is a convincing body: large, sure, and
// standing or sitting upright. Body boxes are the people's boxes and boxes grown from faces that no
// person holds.
#include <cstdint>
#include <filesystem>

#include "core/vision/person_detector.h"

namespace orvane {

class PersonSegmentation final : public PersonDetector {
public:
    // The network file's name in the resources folder.
    static constexpr const char* modelFileName = "person_segmentation.onnx";
    // Side of the square image the network reads.
    static constexpr int inputSide = 256;

    // The network of `model` (each thread runs its own copy); a missing or unreadable file leaves a
    // detector that finds nothing (every call answers absent).
    explicit PersonSegmentation(std::filesystem::path model);

    bool loaded() const;

    std::optional<PersonDetection> detect(const cv::Mat& rgb, const std::vector<DetectedBox>& faces) override;
    std::optional<cv::Mat> personMask(const cv::Mat& rgb, const std::vector<DetectedBox>& faces) override;

    // The network's person probability (CV_32F, 0..1) of one region of the image, at the region's
    // size: the region squeezed into the input. Nothing when the network is absent or fails.
    std::optional<cv::Mat> probability(const cv::Mat& rgb, const cv::Rect& region);

    // The person probability of the whole image at its size: the highest answer of the whole frame, the
    // sweep and the body region of each face (pixels).
    std::optional<cv::Mat> peopleProbability(const cv::Mat& rgb, const std::vector<cv::Rect>& faces);

    // The regions the network looks at besides the whole frame: the sweep of square tiles half the
    // height of an image of `size`.
    static std::vector<cv::Rect> sweep(cv::Size size);
    // The square region (pixels) the network looks at for the person of one face.
    static cv::Rect regionOfFace(const cv::Rect& face, cv::Size size);

    // The split of a person probability (CV_32F) into people, seeded by face boxes in pixels: one
    // 8-bit mask (255 person, above 0.5) per person, largest first. Parts joined above 0.25 are one
    // person; a part without a face is kept only when it is a convincing body.
    static std::vector<cv::Mat> instances(const cv::Mat& probability, const cv::Mat& rgb,
                                          const std::vector<cv::Rect>& faces);
    // Whether a part with no face is still a person: at least 1.5 % of the frame, a mean probability
    // of 0.85 over it, and upright (taller than 0.9 of its width).
    static bool convincingBody(const cv::Mat& probability, const cv::Mat& part);
    // A whole-body box grown from a face box (pixels), clipped to an image of `size`.
    static cv::Rect bodyFromFace(const cv::Rect& face, cv::Size size);

private:
    std::filesystem::path model_;
    std::uint64_t id_;  // tells this detector's remembered answer from another's
};

}  // namespace orvane

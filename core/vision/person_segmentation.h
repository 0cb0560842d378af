#pragma once
// The model-backed people detector: a person-segmentation network (ONNX, run by OpenCV dnn) gives one
// person mask; connected components split it into people, and where faces show two or more people
// in one component, a watershed seeded at the faces separates them. Body boxes are the people's boxes
// and boxes grown from faces that no person mask holds; the HOG people detector stands in when the
// segmentation finds nobody.
#include <filesystem>
#include <memory>
#include <cstdint>
#include <mutex>

#include <opencv2/dnn.hpp>

#include "core/vision/person_detector.h"

namespace orvane {

class PersonSegmentation final : public PersonDetector {
public:
    // The network file's name in the resources folder.
    static constexpr const char* modelFileName = "person_segmentation.onnx";
    // Side of the square image the network reads.
    static constexpr int inputSide = 256;

    // Loads the network from `model`; a missing or unreadable file leaves a detector that finds
    // nothing (every call answers absent). `faces` may be empty.
    explicit PersonSegmentation(const std::filesystem::path& model, FaceBoxFinder faces = {});

    bool loaded() const { return loaded_; }

    std::optional<PersonDetection> detect(const cv::Mat& rgb) override;
    std::optional<cv::Mat> personMask(const cv::Mat& rgb) override;

    // The person probability (CV_32F, 0..1) at the image's own size; nothing when the network is absent
    // or fails.
    std::optional<cv::Mat> probability(const cv::Mat& rgb);

    // The split of a person probability (CV_32F) into people, seeded by face boxes in pixels: one
    // 8-bit mask (255 person, above 0.5) per person, largest first. Parts joined above 0.25 are one
    // person; components smaller than `minArea` of the image are noise and left out.
    static std::vector<cv::Mat> instances(const cv::Mat& probability, const cv::Mat& rgb,
                                          const std::vector<cv::Rect>& faces, double minArea = 0.0005);
    // A whole-body box grown from a face box (pixels), clipped to an image of `size`.
    static cv::Rect bodyFromFace(const cv::Rect& face, cv::Size size);

private:
    std::mutex lock_;  // one forward pass at a time: a dnn network is not reentrant
    cv::dnn::Net net_;
    // The last image's network output: the layout, subject and feet analyses of one photo ask about
    // the same upright image in turn, and the network is most of their cost.
    std::size_t lastKey_ = 0;
    cv::Mat lastOutput_;
    bool loaded_ = false;
    FaceBoxFinder faces_;
    std::uint64_t id_;  // tells this detector's cached face boxes from another's

    std::vector<DetectedBox> faceBoxes(const cv::Mat& rgb) const;
};

}  // namespace orvane

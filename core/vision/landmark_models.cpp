// The only file that includes dlib: its headers take long to compile.
#include "core/vision/landmark_models.h"

#include <dlib/image_processing.h>
#include <dlib/image_processing/frontal_face_detector.h>
#include <dlib/opencv/cv_image.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>

#include <opencv2/imgproc.hpp>

#include "core/vision/face_boxes.h"
#include "core/vision/thread_nets.h"

namespace orvane::LandmarkModels {
namespace fs = std::filesystem;

namespace {

constexpr int kHogMaxSide = 2000;     // HOG finds faces of ~80 px and up; larger images are reduced
// A BlazeFace box moved onto the frame of the HOG boxes the shape predictor was trained on.
constexpr double kBlazeScale = 0.84;
constexpr double kBlazeShiftY = 0.0;

// The landmark model, read once per process; shape_predictor is const-callable from any thread.
// Nothing when the file is missing or damaged.
const dlib::shape_predictor* predictor() {
    static std::unique_ptr<dlib::shape_predictor> model;
    static std::once_flag once;
    std::call_once(once, [] {
        std::error_code ec;
        if (!fs::is_regular_file(shapePredictorFile(), ec)) return;
        try {
            auto p = std::make_unique<dlib::shape_predictor>();
            dlib::deserialize(shapePredictorFile().string()) >> *p;
            model = std::move(p);
        } catch (const std::exception&) {
        }
    });
    return model.get();
}

// dlib's detector set-up initialises shared state lazily and without locks: one at a time.
std::mutex& buildLock() {
    static std::mutex m;
    return m;
}

bool blazeFaceReady() { return ThreadNets::of(FaceBoxes::modelFile()) != nullptr; }

std::vector<NormRect> hogBoxes(dlib::frontal_face_detector& hog, const cv::Mat& gray) {
    std::vector<NormRect> boxes;
    if (gray.empty()) return boxes;
    cv::Mat small = gray;
    const int side = std::max(gray.cols, gray.rows);
    if (side > kHogMaxSide) {
        const double s = double(kHogMaxSide) / side;
        cv::resize(gray, small, cv::Size(std::max(1, int(gray.cols * s)), std::max(1, int(gray.rows * s))), 0, 0,
                   cv::INTER_AREA);
    }
    if (!small.isContinuous()) small = small.clone();
    dlib::cv_image<unsigned char> image(small);
    for (const auto& r : hog(image)) {
        boxes.push_back({double(r.left()) / small.cols, double(r.top()) / small.rows,
                         double(r.right() + 1) / small.cols, double(r.bottom() + 1) / small.rows});
    }
    return boxes;
}

Outline points(const dlib::full_object_detection& shape, std::initializer_list<int> indices, const cv::Mat& gray) {
    Outline out;
    for (int i : indices) {
        const auto p = shape.part(i);
        out.push_back({(p.x() + 0.5) / gray.cols, (p.y() + 0.5) / gray.rows});
    }
    return out;
}

Outline range(const dlib::full_object_detection& shape, int first, int last, const cv::Mat& gray) {
    Outline out;
    for (int i = first; i <= last; ++i) {
        const auto p = shape.part(i);
        out.push_back({(p.x() + 0.5) / gray.cols, (p.y() + 0.5) / gray.rows});
    }
    return out;
}

// The shape predictor was trained on HOG boxes, which sit lower and tighter than BlazeFace's: move a
// BlazeFace box onto the HOG frame before asking for landmarks.
dlib::rectangle predictorBox(const NormRect& box, BoxSource source, const cv::Mat& gray) {
    double l = box.left * gray.cols, t = box.top * gray.rows, r = box.right * gray.cols, b = box.bottom * gray.rows;
    if (source == BoxSource::blazeFace) {
        const double w = r - l, h = b - t;
        const double cx = (l + r) / 2, cy = (t + b) / 2 + kBlazeShiftY * h;
        l = cx - kBlazeScale * w / 2;
        r = cx + kBlazeScale * w / 2;
        t = cy - kBlazeScale * h / 2;
        b = cy + kBlazeScale * h / 2;
    }
    return dlib::rectangle(long(std::lround(l)), long(std::lround(t)), long(std::lround(r)) - 1,
                           long(std::lround(b)) - 1);
}

class DlibLandmarker final : public FaceLandmarker {
public:
    BoxSource source() const { return blazeFaceReady() ? BoxSource::blazeFace : BoxSource::hog; }
    bool sweepsTiles() const override { return source() == BoxSource::blazeFace; }

    // Boxes normalised to the frame; BlazeFace looks at the colour image when there is one.
    std::vector<NormRect> boxes(const cv::Mat& gray, const cv::Mat& colour, BoxSource source) const {
        if (source == BoxSource::blazeFace) {
            std::vector<NormRect> out;
            if (const auto found = colour.empty() ? FaceBoxes::find(gray) : FaceBoxes::find(colour, gray))
                for (const auto& f : *found) out.push_back(f.box);
            return out;
        }
        if (!hog_) {
            std::lock_guard g(buildLock());
            hog_ = dlib::get_frontal_face_detector();
        }
        return hogBoxes(*hog_, gray);
    }

    std::optional<std::vector<FaceObservation>> detect(const cv::Mat& gray, const cv::Mat& colour) const override {
        const dlib::shape_predictor* model = predictor();
        if (!model || gray.empty() || gray.type() != CV_8UC1) return std::nullopt;
        const BoxSource source = this->source();
        cv::Mat plane = gray.isContinuous() ? gray : gray.clone();
        dlib::cv_image<unsigned char> image(plane);
        std::vector<FaceObservation> faces;
        for (const auto& box : boxes(plane, colour, source)) {
            const auto shape = (*model)(image, predictorBox(box, source, plane));
            if (shape.num_parts() != 68) continue;
            FaceObservation::Landmarks lm;
            // Left and right are the subject's own sides, as a portrait's sitter names them.
            lm.faceContour = range(shape, 0, 16, plane);
            lm.rightEyebrow = range(shape, 17, 21, plane);
            lm.leftEyebrow = range(shape, 22, 26, plane);
            lm.nose = points(shape, {27, 31, 32, 33, 34, 35}, plane);  // bridge top and the nostril base
            lm.rightEye = range(shape, 36, 41, plane);
            lm.leftEye = range(shape, 42, 47, plane);
            lm.outerLips = range(shape, 48, 59, plane);
            lm.innerLips = range(shape, 60, 67, plane);
            faces.push_back({box, std::move(lm)});
        }
        return faces;
    }

private:
    mutable std::optional<dlib::frontal_face_detector> hog_;
};

// One landmarker per thread: the HOG detector keeps scratch state, and the face-box network is the
// thread's own (ThreadNets).
DlibLandmarker& threadLandmarker() {
    thread_local DlibLandmarker instance;
    return instance;
}

}  // namespace

fs::path faceDetectorFile() { return FaceBoxes::modelFile(); }

fs::path shapePredictorFile() { return "/usr/share/dlib/shape_predictor_68_face_landmarks.dat"; }

std::optional<std::string> unavailableReason() {
    if (predictor()) return std::nullopt;
    return "the face landmark model " + shapePredictorFile().string() +
           " is missing or unreadable (install libdlib-data: scripts/setup.sh)";
}

const FaceLandmarker& landmarker() { return threadLandmarker(); }

std::vector<NormRect> faceBoxes(const cv::Mat& gray, BoxSource source) {
    return threadLandmarker().boxes(gray, cv::Mat(), source);
}

std::vector<NormRect> faceBoxes(const cv::Mat& gray) {
    const auto& detector = threadLandmarker();
    return detector.boxes(gray, cv::Mat(), detector.source());
}

}  // namespace orvane::LandmarkModels

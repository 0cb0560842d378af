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

#include <opencv2/dnn.hpp>
#include <opencv2/imgproc.hpp>

#include "core/base/resources.h"

namespace orvane::LandmarkModels {
namespace fs = std::filesystem;

namespace {

constexpr int kInput = 256;           // the model's square input side
constexpr float kMinScore = 0.75f;    // sigmoid score a box needs
constexpr double kOverlap = 0.3;      // boxes overlapping more than this (IoU) are one face
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

// The face-box model's bytes, read once per file; empty when the file is absent or unreadable.
std::shared_ptr<const std::vector<char>> detectorBytes(const fs::path& file) {
    static std::mutex lock;
    static std::map<fs::path, std::shared_ptr<const std::vector<char>>> read;
    std::lock_guard g(lock);
    auto& bytes = read[file];
    if (!bytes) {
        auto b = std::make_shared<std::vector<char>>();
        if (std::ifstream onnx{file, std::ios::binary}) b->assign(std::istreambuf_iterator<char>(onnx), {});
        bytes = std::move(b);
    }
    return bytes;
}

// OpenCV's layer registry and dlib's detector set-up initialise shared state lazily and without
// locks: detectors are built one at a time.
std::mutex& buildLock() {
    static std::mutex m;
    return m;
}

double iou(const NormRect& a, const NormRect& b) {
    const double w = std::min(a.right, b.right) - std::max(a.left, b.left);
    const double h = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    if (w <= 0 || h <= 0) return 0;
    const double inner = w * h;
    return inner / (a.width() * a.height() + b.width() * b.height() - inner);
}

// The anchors of the 256 x 256 model: a 16 x 16 grid with 2 per cell, then 8 x 8 with 6 per cell.
const std::vector<std::array<float, 2>>& anchors() {
    static const std::vector<std::array<float, 2>> list = [] {
        std::vector<std::array<float, 2>> a;
        for (auto [grid, perCell] : {std::pair{16, 2}, std::pair{8, 6}})
            for (int y = 0; y < grid; ++y)
                for (int x = 0; x < grid; ++x)
                    for (int k = 0; k < perCell; ++k) a.push_back({(x + 0.5f) / grid, (y + 0.5f) / grid});
        return a;
    }();
    return list;
}

class BlazeFace {
public:
    explicit BlazeFace(const std::vector<char>& bytes) {
        if (bytes.empty()) return;
        try {
            net_ = cv::dnn::readNetFromONNX(bytes.data(), bytes.size());
            outputs_ = net_.getUnconnectedOutLayersNames();
            ready_ = outputs_.size() == 4;
        } catch (const cv::Exception&) {
            ready_ = false;
        }
    }
    bool ready() const { return ready_; }

    std::vector<NormRect> detect(const cv::Mat& gray) {
        std::vector<NormRect> boxes;
        if (!ready_ || gray.empty()) return boxes;
        // Letterboxed into the square input, top-left aligned; RGB in -1..1.
        const int side = std::max(gray.cols, gray.rows);
        const double scale = double(kInput) / side;
        cv::Mat small;
        cv::resize(gray, small, cv::Size(std::max(1, int(std::lround(gray.cols * scale))),
                                         std::max(1, int(std::lround(gray.rows * scale)))),
                   0, 0, cv::INTER_AREA);
        const int blobSize[] = {1, kInput, kInput, 3};
        cv::Mat blob(4, blobSize, CV_32F, cv::Scalar(-1.0f));
        float* dst = blob.ptr<float>();
        for (int y = 0; y < std::min(kInput, small.rows); ++y) {
            const auto* row = small.ptr<std::uint8_t>(y);
            for (int x = 0; x < std::min(kInput, small.cols); ++x) {
                const float v = row[x] / 127.5f - 1.0f;
                float* p = dst + (std::size_t(y) * kInput + x) * 3;
                p[0] = p[1] = p[2] = v;
            }
        }
        std::vector<cv::Mat> out;
        try {
            net_.setInput(blob);
            net_.forward(out, outputs_);
        } catch (const cv::Exception&) {
            return boxes;
        }
        // Two score tensors (512 and 384 anchors) and two regressor tensors of 16 values per anchor.
        const cv::Mat *scores16 = nullptr, *scores8 = nullptr, *regs16 = nullptr, *regs8 = nullptr;
        for (const auto& m : out) {
            const std::size_t n = m.total();
            if (n == 512) scores16 = &m;
            if (n == 384) scores8 = &m;
            if (n == 512 * 16) regs16 = &m;
            if (n == 384 * 16) regs8 = &m;
        }
        if (!scores16 || !scores8 || !regs16 || !regs8) return boxes;
        struct Candidate {
            NormRect box;
            float score;
        };
        std::vector<Candidate> found;
        const auto& anchor = anchors();
        for (std::size_t i = 0; i < anchor.size(); ++i) {
            const bool first = i < 512;
            const std::size_t k = first ? i : i - 512;
            const float logit = (first ? scores16 : scores8)->ptr<float>()[k];
            const float score = 1.0f / (1.0f + std::exp(-logit));
            if (!(score > kMinScore)) continue;
            const float* r = (first ? regs16 : regs8)->ptr<float>() + k * 16;
            const double cx = anchor[i][0] + r[0] / kInput, cy = anchor[i][1] + r[1] / kInput;
            const double w = r[2] / kInput, h = r[3] / kInput;
            // Back from the letterbox square to the image.
            const double fx = double(side) / gray.cols, fy = double(side) / gray.rows;
            NormRect b{(cx - w / 2) * fx, (cy - h / 2) * fy, (cx + w / 2) * fx, (cy + h / 2) * fy};
            if (b.width() <= 0 || b.height() <= 0) continue;
            found.push_back({b, score});
        }
        std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.score > b.score; });
        for (const auto& c : found) {
            if (std::none_of(boxes.begin(), boxes.end(), [&](const NormRect& k) { return iou(k, c.box) > kOverlap; }))
                boxes.push_back(c.box);
        }
        return boxes;
    }

private:
    cv::dnn::Net net_;
    std::vector<std::string> outputs_;
    bool ready_ = false;
};

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
    explicit DlibLandmarker(const std::vector<char>& detector) : blaze_(detector) {
        if (!blaze_.ready()) hog_ = dlib::get_frontal_face_detector();
    }

    BoxSource source() const { return blaze_.ready() ? BoxSource::blazeFace : BoxSource::hog; }

    std::vector<NormRect> boxes(const cv::Mat& gray, BoxSource source) const {
        if (source == BoxSource::blazeFace) return blaze_.ready() ? blaze_.detect(gray) : std::vector<NormRect>{};
        if (!hog_) {
            std::lock_guard g(buildLock());
            hog_ = dlib::get_frontal_face_detector();
        }
        return hogBoxes(*hog_, gray);
    }

    std::optional<std::vector<FaceObservation>> detect(const cv::Mat& gray) const override {
        const dlib::shape_predictor* model = predictor();
        if (!model || gray.empty() || gray.type() != CV_8UC1) return std::nullopt;
        const BoxSource source = this->source();
        cv::Mat plane = gray.isContinuous() ? gray : gray.clone();
        dlib::cv_image<unsigned char> image(plane);
        std::vector<FaceObservation> faces;
        for (const auto& box : boxes(plane, source)) {
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
    mutable BlazeFace blaze_;
    mutable std::optional<dlib::frontal_face_detector> hog_;
};

// One landmarker per thread (OpenCV's network is not shared between threads) and per face-box file,
// so a changed resource folder is honoured.
DlibLandmarker& threadLandmarker() {
    thread_local std::map<fs::path, std::unique_ptr<DlibLandmarker>> instances;
    const fs::path file = faceDetectorFile();
    auto& instance = instances[file];
    if (!instance) {
        std::lock_guard g(buildLock());
        instance = std::make_unique<DlibLandmarker>(*detectorBytes(file));
    }
    return *instance;
}

}  // namespace

fs::path faceDetectorFile() { return Resources::directory() / "blazeface" / "face_detection_back_256x256_barracuda.onnx"; }

fs::path shapePredictorFile() { return "/usr/share/dlib/shape_predictor_68_face_landmarks.dat"; }

std::optional<std::string> unavailableReason() {
    if (predictor()) return std::nullopt;
    return "the face landmark model " + shapePredictorFile().string() +
           " is missing or unreadable (install libdlib-data: scripts/setup.sh)";
}

const FaceLandmarker& landmarker() { return threadLandmarker(); }

std::vector<NormRect> faceBoxes(const cv::Mat& gray, BoxSource source) { return threadLandmarker().boxes(gray, source); }

std::vector<NormRect> faceBoxes(const cv::Mat& gray) {
    const auto& detector = threadLandmarker();
    return detector.boxes(gray, detector.source());
}

}  // namespace orvane::LandmarkModels

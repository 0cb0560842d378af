#include "core/vision/person_segmentation.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <numeric>
#include <string_view>

#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>

namespace orvane {
namespace {

std::uint64_t nextId() {
    static std::atomic<std::uint64_t> next{1};
    return next++;
}

cv::Rect toPixels(const DetectedBox& b, cv::Size size) {
    // Top-left pixel box of a bottom-left normalised box.
    const int x0 = static_cast<int>(std::floor(b.minX * size.width));
    const int y0 = static_cast<int>(std::floor((1 - b.maxY) * size.height));
    const int x1 = static_cast<int>(std::ceil(b.maxX * size.width));
    const int y1 = static_cast<int>(std::ceil((1 - b.minY) * size.height));
    return cv::Rect(x0, y0, x1 - x0, y1 - y0) & cv::Rect({}, size);
}

DetectedBox normalised(const cv::Rect& r, cv::Size size, float confidence) {
    const NormRect n{static_cast<double>(r.x) / size.width, static_cast<double>(r.y) / size.height,
                     static_cast<double>(r.x + r.width) / size.width, static_cast<double>(r.y + r.height) / size.height};
    return DetectedBox::fromTopLeft(n, confidence);
}

cv::Point centre(const cv::Rect& r) { return {r.x + r.width / 2, r.y + r.height / 2}; }

// The upright pedestrian detector, only asked when the segmentation finds nobody.
std::vector<DetectedBox> hogBodies(const cv::Mat& rgb) {
    static const cv::HOGDescriptor hog = [] {
        cv::HOGDescriptor h;
        h.setSVMDetector(cv::HOGDescriptor::getDefaultPeopleDetector());
        return h;
    }();
    if (rgb.cols < hog.winSize.width || rgb.rows < hog.winSize.height) return {};
    cv::Mat gray;
    cv::cvtColor(rgb, gray, cv::COLOR_RGB2GRAY);
    std::vector<cv::Rect> found;
    std::vector<double> weights;
    hog.detectMultiScale(gray, found, weights);
    std::vector<DetectedBox> out;
    for (std::size_t i = 0; i < found.size(); ++i) {
        const cv::Rect r = found[i] & cv::Rect({}, rgb.size());
        if (r.area() == 0) continue;
        const float confidence = i < weights.size() ? static_cast<float>(std::clamp(weights[i], 0.0, 1.0)) : 0.f;
        out.push_back(normalised(r, rgb.size(), confidence));
    }
    return out;
}

// Pixels of the group that the watershed left on a border (-1) or gave to the background (where the
// mask's edge is no colour edge) go to the person they are nearest to within the group, so a
// person loses nothing of the mask to the split.
void claimNearest(cv::Mat& markers, const cv::Mat& group, int people) {
    std::deque<cv::Point> queue;
    for (int y = 0; y < markers.rows; ++y) {
        int* m = markers.ptr<int>(y);
        const auto* g = group.ptr<std::uint8_t>(y);
        for (int x = 0; x < markers.cols; ++x) {
            if (!g[x]) continue;
            if (m[x] >= 1 && m[x] <= people) queue.emplace_back(x, y);
            else m[x] = 0;
        }
    }
    const cv::Point steps[] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    while (!queue.empty()) {
        const cv::Point p = queue.front();
        queue.pop_front();
        for (const auto& d : steps) {
            const cv::Point q = p + d;
            if (q.x < 0 || q.y < 0 || q.x >= markers.cols || q.y >= markers.rows) continue;
            if (!group.at<std::uint8_t>(q) || markers.at<int>(q) != 0) continue;
            markers.at<int>(q) = markers.at<int>(p);
            queue.push_back(q);
        }
    }
}

}  // namespace

PersonSegmentation::PersonSegmentation(const std::filesystem::path& model, FaceBoxFinder faces)
    : faces_(std::move(faces)), id_(nextId()) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(model, ec)) return;
    try {
        net_ = cv::dnn::readNetFromONNX(model.string());
        loaded_ = !net_.empty();
    } catch (const cv::Exception&) {
        loaded_ = false;
    }
}

std::optional<cv::Mat> PersonSegmentation::probability(const cv::Mat& rgb) {
    if (!loaded_ || rgb.empty() || rgb.type() != CV_8UC3) return std::nullopt;
    // The network reads RGB in 0..1 at 256 × 256, the whole frame squeezed into it.
    const cv::Mat blob = cv::dnn::blobFromImage(rgb, 1.0 / 255, cv::Size(inputSide, inputSide), cv::Scalar(), false, false);
    // The network sees only the blob, so equal blobs give equal answers.
    const std::size_t key = std::hash<std::string_view>{}(
        std::string_view(reinterpret_cast<const char*>(blob.ptr()), blob.total() * blob.elemSize()));
    cv::Mat small;
    try {
        std::lock_guard g(lock_);
        if (lastOutput_.empty() || key != lastKey_) {
            net_.setInput(blob);
            const cv::Mat out = net_.forward();
            if (out.total() != static_cast<std::size_t>(inputSide) * inputSide) return std::nullopt;
            lastOutput_ = cv::Mat(inputSide, inputSide, CV_32F, const_cast<float*>(out.ptr<float>())).clone();
            lastKey_ = key;
        }
        small = lastOutput_.clone();
    } catch (const cv::Exception&) {
        return std::nullopt;
    }
    cv::Mat prob;
    cv::resize(small, prob, rgb.size(), 0, 0, cv::INTER_LINEAR);
    return prob;
}

std::optional<cv::Mat> PersonSegmentation::personMask(const cv::Mat& rgb) {
    const auto prob = probability(rgb);
    if (!prob) return std::nullopt;
    cv::Mat mask;
    prob->convertTo(mask, CV_8U, 255);
    return mask;
}

cv::Rect PersonSegmentation::bodyFromFace(const cv::Rect& face, cv::Size size) {
    // A standing adult is about seven and a half heads tall and three faces wide.
    const double fw = face.width, fh = face.height, cx = face.x + fw / 2;
    const int x0 = static_cast<int>(std::floor(cx - 1.5 * fw)), x1 = static_cast<int>(std::ceil(cx + 1.5 * fw));
    const int y0 = static_cast<int>(std::floor(face.y - 0.3 * fh)), y1 = static_cast<int>(std::ceil(face.y + 7.5 * fh));
    return cv::Rect(x0, y0, x1 - x0, y1 - y0) & cv::Rect({}, size);
}

std::vector<cv::Mat> PersonSegmentation::instances(const cv::Mat& probability, const cv::Mat& rgb,
                                                   const std::vector<cv::Rect>& faces, double minArea) {
    // Who belongs together is decided on a looser mask than who is a person: an arm or a leg the
    // network is less sure of still joins its body instead of standing as a person of its own.
    const cv::Mat person = probability > 0.5f, together = probability > 0.25f;
    cv::Mat labels, stats, centroids;
    const int n = cv::connectedComponentsWithStats(together, labels, stats, centroids, 8, CV_32S);
    const double minPixels = minArea * person.total();
    std::vector<cv::Mat> out;
    for (int label = 1; label < n; ++label) {
        if (stats.at<int>(label, cv::CC_STAT_AREA) < minPixels) continue;
        const cv::Mat component = (labels == label) & person;
        if (cv::countNonZero(component) < minPixels) continue;
        std::vector<cv::Rect> seeds;
        for (const auto& f : faces) {
            const cv::Point c = centre(f);
            if (c.inside(cv::Rect({}, labels.size())) && labels.at<int>(c) == label) seeds.push_back(f);
        }
        if (seeds.size() < 2 || rgb.type() != CV_8UC3 || rgb.size() != person.size()) {
            out.push_back(component);
            continue;
        }
        // Touching people: grow one region from each face over the image's edges; everything outside
        // this group is background.
        const int background = static_cast<int>(seeds.size()) + 1;
        cv::Mat markers(labels.size(), CV_32S, cv::Scalar(0));
        markers.setTo(background, labels != label);
        for (std::size_t i = 0; i < seeds.size(); ++i) {
            const cv::Rect& f = seeds[i];
            const cv::Rect core(f.x + f.width / 4, f.y + f.height / 4, std::max(1, f.width / 2), std::max(1, f.height / 2));
            cv::Mat seed(markers.size(), CV_8U, cv::Scalar(0));
            seed(core & cv::Rect({}, markers.size())).setTo(255);
            markers.setTo(static_cast<int>(i) + 1, seed & component);
        }
        cv::watershed(rgb, markers);
        claimNearest(markers, labels == label, static_cast<int>(seeds.size()));
        for (std::size_t i = 0; i < seeds.size(); ++i) {
            cv::Mat one = (markers == static_cast<int>(i) + 1) & component;
            if (cv::countNonZero(one) >= minPixels) out.push_back(one);
        }
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const cv::Mat& a, const cv::Mat& b) { return cv::countNonZero(a) > cv::countNonZero(b); });
    return out;
}

std::vector<DetectedBox> PersonSegmentation::faceBoxes(const cv::Mat& rgb) const {
    // The feet, layout and subject analyses of one photo run one after another on one worker and ask
    // about the same image: its face boxes are found once.
    struct Last {
        std::uint64_t owner = 0;
        std::size_t key = 0;
        std::vector<DetectedBox> faces;
    };
    thread_local Last last;
    const cv::Mat bytes = rgb.isContinuous() ? rgb : rgb.clone();
    const std::size_t key = std::hash<std::string_view>{}(
        std::string_view(reinterpret_cast<const char*>(bytes.ptr()), bytes.total() * bytes.elemSize()));
    if (last.owner != id_ || last.key != key) {
        last.faces = faces_(rgb);
        last.owner = id_;
        last.key = key;
    }
    return last.faces;
}

std::optional<PersonDetection> PersonSegmentation::detect(const cv::Mat& rgb) {
    const auto prob = probability(rgb);
    if (!prob) return std::nullopt;
    PersonDetection d;
    try {
        if (faces_) d.faces = faceBoxes(rgb);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    std::vector<cv::Rect> facePixels;
    std::vector<float> faceConfidence;
    for (const auto& f : d.faces) {
        if (!(f.confidence >= 0.4f)) continue;
        facePixels.push_back(toPixels(f, rgb.size()));
        faceConfidence.push_back(f.confidence);
    }

    auto people = instances(*prob, rgb, facePixels);
    // A person's box is as sure as the network is above its decision line: a mean of 0.5 gives 0, a
    // mean of 1 gives 1, so faint fragments do not count as bodies.
    for (const auto& p : people)
        d.bodies.push_back(normalised(cv::boundingRect(p), rgb.size(),
                                      static_cast<float>(std::clamp(2 * (cv::mean(*prob, p)[0] - 0.5), 0.0, 1.0))));
    for (std::size_t i = 0; i < facePixels.size(); ++i) {
        const cv::Point c = centre(facePixels[i]);
        if (!c.inside(cv::Rect({}, rgb.size()))) continue;
        const bool held = std::any_of(people.begin(), people.end(), [&](const cv::Mat& p) { return p.at<std::uint8_t>(c) != 0; });
        if (!held) {
            const cv::Rect body = bodyFromFace(facePixels[i], rgb.size());
            if (body.area() > 0) d.bodies.push_back(normalised(body, rgb.size(), faceConfidence[i]));
        }
    }
    if (people.empty()) {
        const auto hog = hogBodies(rgb);
        d.bodies.insert(d.bodies.end(), hog.begin(), hog.end());
    }
    d.instances = std::move(people);
    return d;
}

}  // namespace orvane

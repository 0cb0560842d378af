#include "core/vision/person_segmentation.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <numeric>
#include <string_view>

#include <limits>

#include <opencv2/imgproc.hpp>

#include "core/vision/thread_nets.h"

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

PersonSegmentation::PersonSegmentation(std::filesystem::path model) : model_(std::move(model)), id_(nextId()) {}

bool PersonSegmentation::loaded() const { return ThreadNets::of(model_) != nullptr; }

std::optional<cv::Mat> PersonSegmentation::probability(const cv::Mat& rgb, const cv::Rect& region) {
    cv::dnn::Net* net = ThreadNets::of(model_);
    const cv::Rect r = region & cv::Rect({}, rgb.size());
    if (!net || r.empty() || rgb.type() != CV_8UC3) return std::nullopt;
    // The network reads RGB in 0..1 at 256 x 256.
    const cv::Mat blob = cv::dnn::blobFromImage(rgb(r), 1.0 / 255, cv::Size(inputSide, inputSide), cv::Scalar(), false, false);
    cv::Mat small;
    try {
        net->setInput(blob);
        const cv::Mat out = net->forward();
        if (out.total() != static_cast<std::size_t>(inputSide) * inputSide || out.depth() != CV_32F) return std::nullopt;
        small = cv::Mat(inputSide, inputSide, CV_32F, const_cast<float*>(out.ptr<float>())).clone();
    } catch (const cv::Exception&) {
        return std::nullopt;
    }
    cv::Mat prob;
    cv::resize(small, prob, r.size(), 0, 0, cv::INTER_LINEAR);
    return prob;
}

std::vector<cv::Rect> PersonSegmentation::sweep(cv::Size size) {
    // Squares half the short side high, overlapping by half: a person from about 15 % of the height
    // stands in one of them at the size the network reads best.
    std::vector<cv::Rect> out;
    const int side = std::min(size.width, size.height) / 2;
    if (side < 16) return out;
    auto origins = [&](int length) {
        std::vector<int> o;
        const int n = std::max(1, static_cast<int>(std::ceil(double(length - side) / (side / 2.0)))) + 1;
        for (int i = 0; i < n; ++i) o.push_back(static_cast<int>(std::lround(double(i) * (length - side) / (n - 1))));
        return o;
    };
    for (int y : origins(size.height))
        for (int x : origins(size.width)) out.emplace_back(x, y, side, side);
    return out;
}

cv::Rect PersonSegmentation::regionOfFace(const cv::Rect& face, cv::Size size) {
    // The body's box made square about its middle, so the network sees the person unsqueezed.
    const cv::Rect body = bodyFromFace(face, cv::Size(std::numeric_limits<int>::max() / 4, std::numeric_limits<int>::max() / 4) );
    const int side = std::max(body.width, body.height);
    const int cx = body.x + body.width / 2;
    return cv::Rect(cx - side / 2, body.y, side, side) & cv::Rect({}, size);
}

std::optional<cv::Mat> PersonSegmentation::peopleProbability(const cv::Mat& rgb, const std::vector<cv::Rect>& faces) {
    auto whole = probability(rgb, cv::Rect({}, rgb.size()));
    if (!whole) return std::nullopt;
    cv::Mat prob = *whole;
    std::vector<cv::Rect> regions;
    for (const auto& f : faces) {
        const cv::Rect r = regionOfFace(f, rgb.size());
        // Faces side by side share their region when one holds the other's middle.
        const bool covered = std::any_of(regions.begin(), regions.end(), [&](const cv::Rect& k) {
            return (k & r).area() > 0.8 * r.area() && k.width <= 1.5 * r.width;
        });
        if (!covered && r.area() > 0) regions.push_back(r);
    }
    for (const auto& r : regions) {
        const auto part = probability(rgb, r);
        if (!part) return std::nullopt;
        cv::Mat into = prob(r);
        cv::max(into, *part, into);
    }
    return prob;
}

cv::Rect PersonSegmentation::bodyFromFace(const cv::Rect& face, cv::Size size) {
    // A standing adult is about seven and a half heads tall and three faces wide.
    const double fw = face.width, fh = face.height, cx = face.x + fw / 2;
    const int x0 = static_cast<int>(std::floor(cx - 1.5 * fw)), x1 = static_cast<int>(std::ceil(cx + 1.5 * fw));
    const int y0 = static_cast<int>(std::floor(face.y - 0.3 * fh)), y1 = static_cast<int>(std::ceil(face.y + 7.5 * fh));
    return cv::Rect(x0, y0, x1 - x0, y1 - y0) & cv::Rect({}, size);
}

bool PersonSegmentation::convincingBody(const cv::Mat& probability, const cv::Mat& part) {
    const double share = cv::countNonZero(part) / static_cast<double>(part.total());
    if (share < 0.03 || share > 0.5) return false;
    if (cv::mean(probability, part)[0] < 0.9) return false;
    const cv::Rect box = cv::boundingRect(part);
    const double tall = static_cast<double>(box.height) / box.width;
    return tall >= 1.3 && tall <= 4.5;
}

std::vector<cv::Mat> PersonSegmentation::instances(const cv::Mat& probability, const cv::Mat& rgb,
                                                   const std::vector<cv::Rect>& faces) {
    // Who belongs together is decided on a looser mask than who is a person: an arm or a leg the
    // network is less sure of still joins its body instead of standing as a person of its own.
    const cv::Mat person = probability > 0.5f, together = probability > 0.25f;
    cv::Mat labels, stats, centroids;
    const int n = cv::connectedComponentsWithStats(together, labels, stats, centroids, 8, CV_32S);
    // Specks a face could not be part of are noise.
    const double minPixels = 0.0005 * static_cast<double>(person.total());
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
        // A blob nobody's face is in, that does not look like a body, is not a person: the network
        // also answers for cats, rockets and coffee cups.
        if (seeds.empty() && !convincingBody(probability, component)) continue;
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

std::optional<PersonDetection> PersonSegmentation::detect(const cv::Mat& rgb, const std::vector<DetectedBox>& faces) {
    if (rgb.empty() || rgb.type() != CV_8UC3) return std::nullopt;
    // The layout, feet and subject analyses of one photo ask about the same image and faces in turn
    // on one worker: the worker keeps its last answer.
    struct Last {
        std::uint64_t owner = 0;
        std::size_t key = 0;
        std::optional<PersonDetection> detection;
    };
    thread_local Last last;
    const cv::Mat bytes = rgb.isContinuous() ? rgb : rgb.clone();
    std::size_t key = std::hash<std::string_view>{}(
        std::string_view(reinterpret_cast<const char*>(bytes.ptr()), bytes.total() * bytes.elemSize()));
    for (const auto& f : faces)
        for (double v : {f.minX, f.minY, f.maxX, f.maxY, static_cast<double>(f.confidence)})
            key = key * 1099511628211ULL ^ std::hash<double>{}(v);
    if (last.owner == id_ && last.key == key) return last.detection;

    PersonDetection d;
    d.faces = faces;
    std::vector<cv::Rect> facePixels;
    std::vector<float> faceConfidence;
    for (const auto& f : faces) {
        if (!(f.confidence >= 0.4f)) continue;
        const cv::Rect r = toPixels(f, rgb.size());
        if (r.empty()) continue;
        facePixels.push_back(r);
        faceConfidence.push_back(f.confidence);
    }
    const auto prob = peopleProbability(rgb, facePixels);
    if (!prob) return std::nullopt;
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
    // No face and no person: nothing to lay out, as when the platform's mask request has no answer.
    if (!people.empty() || !facePixels.empty()) d.instances = std::move(people);
    last = {id_, key, d};
    return d;
}

std::optional<cv::Mat> PersonSegmentation::personMask(const cv::Mat& rgb, const std::vector<DetectedBox>& faces) {
    const auto found = detect(rgb, faces);
    if (!found) return std::nullopt;
    // The people only: what the network answers for anything else is not a subject.
    cv::Mat mask(rgb.size(), CV_8U, cv::Scalar(0));
    if (found->instances)
        for (const auto& p : *found->instances) mask.setTo(255, p);
    return mask;
}

}  // namespace orvane

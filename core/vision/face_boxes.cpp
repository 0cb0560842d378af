#include "core/vision/face_boxes.h"

#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

#include "core/base/resources.h"
#include "core/vision/thread_nets.h"

namespace orvane::FaceBoxes {
namespace {

constexpr int kGrid = 48;      // one anchor per cell of a 48 x 48 grid (stride 4)
constexpr int kAnchors = kGrid * kGrid;
constexpr int kValues = 16;    // box centre and size, then six key points
// The sweep's tiles: 0.384 of the width, so that a face of 2 % of the width is about 10 pixels at
// the input, where the network still sees it, though not surely. Neighbours overlap by 0.3 of a
// tile, so any face up to 0.115 of the width lies whole in one of them; larger ones are found in the
// squares of the short side.
constexpr double kSweepSide = 0.384;
constexpr double kOverlap = 0.3;
// A small or unsure box of the sweep is looked at again in a tile half as large, where a face of
// 2 % of the width is about 20 pixels: boxes of the sweep smaller than this at the input, or less
// sure than minScore, down to kCandidateScore.
constexpr double kSureSide = 24;
constexpr float kCandidateScore = 0.1f;
constexpr double kCloseSide = 0.192;
constexpr std::size_t kMostCloseLooks = 24;
// The confirming look: the face this many pixels wide at the input, scored at least kConfirmScore.
// Faces found sure (kSureScore) and at least that large in some region need none.
constexpr double kConfirmWidth = 32;
constexpr float kConfirmScore = 0.6f;
constexpr float kSureScore = 0.75f;
// A box reaching this close to a tile edge inside the image is a face cut by the tile.
constexpr double kEdgeMargin = 0.01;

double area(const NormRect& r) { return std::max(0.0, r.width()) * std::max(0.0, r.height()); }

double intersection(const NormRect& a, const NormRect& b) {
    const double w = std::min(a.right, b.right) - std::max(a.left, b.left);
    const double h = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return w > 0 && h > 0 ? w * h : 0;
}

// Tile origins along one axis of `length` pixels, spread evenly from edge to edge.
std::vector<int> origins(int length, int side, int overlap) {
    if (length <= side) return {0};
    const int n = int(std::ceil(double(length - side) / double(side - overlap))) + 1;
    std::vector<int> out;
    for (int i = 0; i < n; ++i) out.push_back(int(std::lround(double(i) * (length - side) / (n - 1))));
    return out;
}

}  // namespace

std::filesystem::path modelFile() { return Resources::directory() / "blazeface" / "face_detection_full_range.onnx"; }

std::vector<cv::Rect> regions(cv::Size size) {
    std::vector<cv::Rect> out;
    if (size.width <= 0 || size.height <= 0) return out;
    // Squares of the short side along the long one, half overlapping: the large faces.
    const int shortSide = std::min(size.width, size.height);
    for (int y : origins(size.height, shortSide, shortSide / 2))
        for (int x : origins(size.width, shortSide, shortSide / 2)) out.emplace_back(x, y, shortSide, shortSide);
    // The sweep.
    const int side = std::min({int(std::lround(kSweepSide * size.width)), size.width, size.height});
    if (side >= 8 && side < shortSide) {
        const int overlap = int(kOverlap * side);
        for (int y : origins(size.height, side, overlap))
            for (int x : origins(size.width, side, overlap)) out.emplace_back(x, y, side, side);
    }
    return out;
}

std::optional<std::vector<Found>> inRegion(cv::dnn::Net& net, const cv::Mat& image, const cv::Rect& region,
                                          float least) {
    const cv::Rect r = region & cv::Rect(cv::Point(), image.size());
    if (r.empty() || image.depth() != CV_8U || (image.channels() != 1 && image.channels() != 3)) return std::nullopt;
    // Letterboxed into the square input from its top-left corner; RGB in -1..1.
    const double scale = double(inputSide) / std::max(r.width, r.height);
    const cv::Size fitted(std::clamp(int(std::lround(r.width * scale)), 1, inputSide),
                          std::clamp(int(std::lround(r.height * scale)), 1, inputSide));
    cv::Mat small, rgb;
    cv::resize(image(r), small, fitted, 0, 0, scale < 1 ? cv::INTER_AREA : cv::INTER_LINEAR);
    if (small.channels() == 1) cv::cvtColor(small, rgb, cv::COLOR_GRAY2RGB);
    else rgb = small;
    cv::Mat input(inputSide, inputSide, CV_8UC3, cv::Scalar::all(0));
    rgb.copyTo(input(cv::Rect(cv::Point(), fitted)));
    const cv::Mat blob = cv::dnn::blobFromImage(input, 1.0 / 127.5, cv::Size(), cv::Scalar::all(127.5), false, false);
    std::vector<cv::Mat> out;
    try {
        net.setInput(blob);
        net.forward(out, net.getUnconnectedOutLayersNames());
    } catch (const cv::Exception&) {
        return std::nullopt;
    }
    const cv::Mat *scores = nullptr, *boxes = nullptr;
    for (const auto& m : out) {
        if (m.total() == std::size_t(kAnchors)) scores = &m;
        if (m.total() == std::size_t(kAnchors) * kValues) boxes = &m;
    }
    if (!scores || !boxes || scores->depth() != CV_32F || boxes->depth() != CV_32F) return std::nullopt;

    const double W = image.cols, H = image.rows;
    const bool cutLeft = r.x > 0, cutTop = r.y > 0, cutRight = r.x + r.width < image.cols,
               cutBottom = r.y + r.height < image.rows;
    const double margin = kEdgeMargin * std::max(r.width, r.height);
    std::vector<Found> found;
    for (int i = 0; i < kAnchors; ++i) {
        const float logit = std::clamp(scores->ptr<float>()[i], -100.0f, 100.0f);
        const float score = 1.0f / (1.0f + std::exp(-logit));
        if (!(score >= least)) continue;
        const float* v = boxes->ptr<float>() + std::size_t(i) * kValues;
        // Offsets and sizes are in input pixels about the anchor at the cell's centre.
        const double cx = (i % kGrid + 0.5) * inputSide / kGrid + v[0], cy = (i / kGrid + 0.5) * inputSide / kGrid + v[1];
        const double w = v[2], h = v[3];
        if (!(w > 0 && h > 0)) continue;
        // Back to pixels of the image.
        const double x0 = r.x + (cx - w / 2) / scale, x1 = r.x + (cx + w / 2) / scale;
        const double y0 = r.y + (cy - h / 2) / scale, y1 = r.y + (cy + h / 2) / scale;
        if ((cutLeft && x0 < r.x + margin) || (cutRight && x1 > r.x + r.width - margin) ||
            (cutTop && y0 < r.y + margin) || (cutBottom && y1 > r.y + r.height - margin))
            continue;
        NormRect box{std::max(0.0, x0 / W), std::max(0.0, y0 / H), std::min(1.0, x1 / W), std::min(1.0, y1 / H)};
        if (box.width() <= 0 || box.height() <= 0) continue;
        found.push_back({box, score});
    }
    return merged(std::move(found));
}

std::vector<Found> merged(std::vector<Found> boxes) {
    std::stable_sort(boxes.begin(), boxes.end(), [](const Found& a, const Found& b) { return a.score > b.score; });
    std::vector<Found> kept;
    for (const auto& b : boxes) {
        // The same face: most of the smaller box lies in the other.
        const bool seen = std::any_of(kept.begin(), kept.end(), [&](const Found& k) {
            return intersection(k.box, b.box) > 0.5 * std::min(area(k.box), area(b.box));
        });
        if (!seen) kept.push_back(b);
    }
    return kept;
}

std::optional<std::vector<Found>> find(const cv::Mat& image) {
    cv::dnn::Net* net = ThreadNets::of(modelFile());
    if (!net || image.empty()) return std::nullopt;
    const double W = image.cols, H = image.rows;
    std::vector<Found> sure, candidates;
    // Boxes already seen large and sure enough that no confirming look is needed.
    std::vector<NormRect> confirmed;
    for (const auto& region : regions(image.size())) {
        auto found = inRegion(*net, image, region, kCandidateScore);
        if (!found) return std::nullopt;
        const double toInput = double(inputSide) / std::max(region.width, region.height);
        for (const auto& f : *found) {
            const double wide = f.box.width() * W * toInput;
            (wide >= kSureSide && f.score >= minScore ? sure : candidates).push_back(f);
            if (wide >= kConfirmWidth && f.score >= kSureScore) confirmed.push_back(f.box);
        }
    }
    // A closer look at each small or unsure box not already sure, best first; boxes lying well inside
    // a tile already looked at share it.
    std::vector<Found> looked = merged(std::move(candidates));
    // Never larger than the image shows it: an enlarged tile only blurs, and blur makes faces of
    // anything round.
    const int side = std::min({std::max(int(std::lround(kCloseSide * W)), inputSide), image.cols, image.rows});
    std::vector<cv::Rect> tiles;
    for (const auto& c : looked) {
        if (tiles.size() >= kMostCloseLooks || side < 8) break;
        const bool known = std::any_of(sure.begin(), sure.end(), [&](const Found& s) {
            return intersection(s.box, c.box) > 0.5 * std::min(area(s.box), area(c.box));
        });
        const double cx = (c.box.left + c.box.right) / 2 * W, cy = (c.box.top + c.box.bottom) / 2 * H;
        const bool covered = std::any_of(tiles.begin(), tiles.end(), [&](const cv::Rect& t) {
            return cx > t.x + 0.2 * t.width && cx < t.x + 0.8 * t.width && cy > t.y + 0.2 * t.height && cy < t.y + 0.8 * t.height;
        });
        if (known || covered) continue;
        const int x = std::clamp(int(std::lround(cx - side / 2.0)), 0, image.cols - side);
        const int y = std::clamp(int(std::lround(cy - side / 2.0)), 0, image.rows - side);
        tiles.emplace_back(x, y, side, side);
        auto found = inRegion(*net, image, tiles.back(), minScore);
        if (!found) return std::nullopt;
        sure.insert(sure.end(), found->begin(), found->end());
    }
    // Small or unsure faces are confirmed once more, centred and at 24 pixels wide at the input: a
    // face holds up, a pattern that only looked like one from one tile's corner does not.
    std::vector<Found> out;
    for (const auto& f : merged(std::move(sure))) {
        const double wide = f.box.width() * W;
        const int look = std::min({std::max(int(std::lround(wide * inputSide / kConfirmWidth)), inputSide), image.cols, image.rows});
        if (std::any_of(confirmed.begin(), confirmed.end(), [&](const NormRect& c) {
                return intersection(c, f.box) > 0.5 * std::min(area(c), area(f.box));
            })) {
            out.push_back(f);
            continue;
        }
        const double cx = (f.box.left + f.box.right) / 2 * W, cy = (f.box.top + f.box.bottom) / 2 * H;
        const cv::Rect tile(std::clamp(int(std::lround(cx - look / 2.0)), 0, image.cols - look),
                            std::clamp(int(std::lround(cy - look / 2.0)), 0, image.rows - look), look, look);
        auto again = inRegion(*net, image, tile, kConfirmScore);
        if (!again) return std::nullopt;
        for (const auto& a : *again)
            if (intersection(a.box, f.box) > 0.5 * std::min(area(a.box), area(f.box))) {
                out.push_back({f.box, std::max(f.score, a.score)});
                break;
            }
    }
    return merged(std::move(out));
}

}  // namespace orvane::FaceBoxes

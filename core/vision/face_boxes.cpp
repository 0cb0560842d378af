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
// The sweep's tiles: at most 0.384 of the width (0.32 to 0.34 once fitted, see regions()), so that
// a face of 2 % of the width is 11 to 12 pixels at the input, where the network still sees it,
// though not surely. Neighbours overlap by 0.3 of a tile, so any face up to about 0.1 of the width
// lies whole in one of them; larger ones are found in the squares of the short side.
constexpr double kSweepSide = 0.384;
constexpr double kOverlap = 0.3;
// A small or unsure box of the sweep is looked at again in a tile half as large, where a face of
// 2 % of the width is about 20 pixels: boxes of the sweep smaller than this at the input, or less
// sure than minScore, down to kCandidateScore.
constexpr double kSureSide = 24;
constexpr float kCandidateScore = 0.1f;
constexpr double kCloseSide = 0.192;
constexpr std::size_t kMostCloseLooks = 24;
// The confirming look: the face kConfirmLookWidth pixels wide at the input (or as large as the
// sharpest plane shows it), scored at least kConfirmScore. Faces found sure (kSureScore) and at least
// kConfirmWidth wide in some region need none. Shrunk to 32 pixels, a large face found at 0.7 can
// fall below the confirming score.
constexpr double kConfirmWidth = 32;
constexpr double kConfirmLookWidth = 48;
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
    // The sweep: as many tiles of kSweepSide as the frame needs, then each as small as that count
    // allows with neighbours still overlapping by kOverlap. Rounding the count up leaves the tiles
    // overlapping by far more than needed (over 0.4 in a 2:3 frame); the same tiles made smaller
    // show a face of 3 % of the width at 17 to 18 pixels rather than 15, where BlazeFace's score no
    // longer drops below the candidate score at some positions of the face on its anchor grid.
    int side = std::min({int(std::lround(kSweepSide * size.width)), size.width, size.height});
    if (side >= 8 && side < shortSide) {
        auto count = [&](int length) {
            return length <= side ? 1 : int(std::ceil((length - side) / ((1 - kOverlap) * side))) + 1;
        };
        auto least = [](int length, int n) { return length / (1 + (1 - kOverlap) * (n - 1)); };
        const double fitted = std::max(least(size.width, count(size.width)), least(size.height, count(size.height)));
        side = std::clamp(int(std::ceil(fitted)), 8, side);
    }
    if (side >= 8 && side < shortSide) {
        const int overlap = int(kOverlap * side);
        for (int y : origins(size.height, side, overlap))
            for (int x : origins(size.width, side, overlap)) out.emplace_back(x, y, side, side);
    }
    return out;
}

namespace {

// Where a tile lies in the searched image: its top-left corner in image pixels and how many tile
// pixels make one image pixel (above 1 for a tile taken from the finer plane).
struct Placement {
    double x = 0, y = 0;
    double scale = 1;
};

std::optional<std::vector<Found>> inTile(cv::dnn::Net& net, const cv::Mat& tile, const Placement& at,
                                         cv::Size imageSize, float least) {
    // Letterboxed into the square input from its top-left corner; RGB in -1..1.
    const double scale = double(inputSide) / std::max(tile.cols, tile.rows);
    const cv::Size fitted(std::clamp(int(std::lround(tile.cols * scale)), 1, inputSide),
                          std::clamp(int(std::lround(tile.rows * scale)), 1, inputSide));
    cv::Mat small, rgb;
    cv::resize(tile, small, fitted, 0, 0, scale < 1 ? cv::INTER_AREA : cv::INTER_LINEAR);
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

    const double W = imageSize.width, H = imageSize.height;
    // The tile in image pixels.
    const double left = at.x, top = at.y, right = at.x + tile.cols / at.scale, bottom = at.y + tile.rows / at.scale;
    const double edge = 0.5;  // a tile closer than this to the image's border reaches it
    const bool cutLeft = left > edge, cutTop = top > edge, cutRight = right < W - edge, cutBottom = bottom < H - edge;
    const double margin = kEdgeMargin * std::max(right - left, bottom - top);
    const double toImage = 1 / (scale * at.scale);
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
        const double x0 = left + (cx - w / 2) * toImage, x1 = left + (cx + w / 2) * toImage;
        const double y0 = top + (cy - h / 2) * toImage, y1 = top + (cy + h / 2) * toImage;
        if ((cutLeft && x0 < left + margin) || (cutRight && x1 > right - margin) || (cutTop && y0 < top + margin) ||
            (cutBottom && y1 > bottom - margin))
            continue;
        NormRect box{std::max(0.0, x0 / W), std::max(0.0, y0 / H), std::min(1.0, x1 / W), std::min(1.0, y1 / H)};
        if (box.width() <= 0 || box.height() <= 0) continue;
        found.push_back({box, score});
    }
    return merged(std::move(found));
}

// The image's colour with the finer plane's detail: the colour is only interpolated up, but the
// eyes, brows and mouth of a small face are drawn by the finer grey. Both are 8-bit, perceptually
// encoded; the detail is the finer plane less its own copy at the image's resolution.
cv::Mat detailedTile(const cv::Mat& image, const cv::Mat& finer, const cv::Rect& onFiner) {
    const double kx = double(finer.cols) / image.cols, ky = double(finer.rows) / image.rows;
    const cv::Mat grey = finer(onFiner);
    if (image.channels() == 1) return grey;
    // Tile pixel (u, v) samples the image at ((x + u) / kx, (y + v) / ky): every pixel of the image
    // stands where the finer plane's pixel of the same place does (both keep the same photosites).
    const cv::Mat map = (cv::Mat_<double>(2, 3) << 1 / kx, 0, onFiner.x / kx, 0, 1 / ky, onFiner.y / ky);
    cv::Mat colour;
    cv::warpAffine(image, colour, map, onFiner.size(), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP, cv::BORDER_REPLICATE);
    cv::Mat coarse, back;
    cv::resize(grey, coarse, cv::Size(std::max(1, int(std::lround(onFiner.width / kx))), std::max(1, int(std::lround(onFiner.height / ky)))),
               0, 0, cv::INTER_AREA);
    cv::resize(coarse, back, onFiner.size(), 0, 0, cv::INTER_LINEAR);
    cv::Mat detail;
    cv::subtract(grey, back, detail, cv::noArray(), CV_16S);
    cv::Mat wide, out;
    colour.convertTo(wide, CV_16SC3);
    cv::Mat detail3;
    cv::merge(std::vector<cv::Mat>{detail, detail, detail}, detail3);
    cv::add(wide, detail3, wide);
    wide.convertTo(out, CV_8UC3);  // saturating
    return out;
}

// A finer plane is used only when it shows the same frame at least half again as sharp.
double finerScale(const cv::Mat& image, const cv::Mat& finer) {
    if (finer.empty() || finer.type() != CV_8UC1 || image.empty()) return 1;
    const double kx = double(finer.cols) / image.cols, ky = double(finer.rows) / image.rows;
    if (kx < 1.5 || std::abs(kx - ky) > 0.02 * kx) return 1;
    return kx;
}

// A square look of `side` image pixels about a centre, inside the image. With a finer plane the look
// is taken from it, so that it may be smaller than the network's input in image pixels without
// enlarging anything; the side never goes below what the sharpest plane shows at the input. A look
// the image itself fills (as large as the input or larger) is taken from the image: shrunk to the
// input, the finer plane's detail would be lost anyway, and blending it in over a large look costs
// more than the network's pass.
std::optional<std::vector<Found>> lookAt(cv::dnn::Net& net, const cv::Mat& image, const cv::Mat& finer, double k,
                                         double cx, double cy, double side, float least) {
    const cv::Size size = image.size();
    if (k > 1 && side < inputSide) {
        const int f = std::min({int(std::lround(std::max(side * k, double(inputSide)))), finer.cols, finer.rows});
        const int x = std::clamp(int(std::lround(cx * k - f / 2.0)), 0, finer.cols - f);
        const int y = std::clamp(int(std::lround(cy * k - f / 2.0)), 0, finer.rows - f);
        const cv::Rect onFiner(x, y, f, f);
        return inTile(net, detailedTile(image, finer, onFiner), {x / k, y / k, k}, size, least);
    }
    const int s = std::min({int(std::lround(std::max(side, double(inputSide)))), size.width, size.height});
    const cv::Rect r(std::clamp(int(std::lround(cx - s / 2.0)), 0, size.width - s),
                     std::clamp(int(std::lround(cy - s / 2.0)), 0, size.height - s), s, s);
    return inTile(net, image(r), {double(r.x), double(r.y), 1}, size, least);
}

}  // namespace

std::optional<std::vector<Found>> inRegion(cv::dnn::Net& net, const cv::Mat& image, const cv::Rect& region,
                                          float least) {
    const cv::Rect r = region & cv::Rect(cv::Point(), image.size());
    if (r.empty() || image.depth() != CV_8U || (image.channels() != 1 && image.channels() != 3)) return std::nullopt;
    return inTile(net, image(r), {double(r.x), double(r.y), 1}, image.size(), least);
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

std::optional<std::vector<Found>> find(const cv::Mat& image, const cv::Mat& finer) {
    cv::dnn::Net* net = ThreadNets::of(modelFile());
    if (!net || image.empty() || image.depth() != CV_8U || (image.channels() != 1 && image.channels() != 3))
        return std::nullopt;
    const double W = image.cols, H = image.rows;
    const double k = finerScale(image, finer);
    std::vector<Found> sure, candidates;
    // Boxes already seen large and sure enough that no confirming look is needed.
    std::vector<NormRect> confirmed;
    // Large faces the confirming look has already held up, with the look's score.
    std::vector<Found> heldUp;
    // The confirming look at a box: the look's best score for the same face, or nothing when the
    // face does not hold up; false when the network fails.
    auto confirm = [&](const Found& f, std::optional<float>& score) {
        score.reset();
        const double look = f.box.width() * W * inputSide / kConfirmLookWidth;
        const double cx = (f.box.left + f.box.right) / 2 * W, cy = (f.box.top + f.box.bottom) / 2 * H;
        auto again = lookAt(*net, image, finer, k, cx, cy, look, kConfirmScore);
        if (!again) return false;
        for (const auto& a : *again)
            if (intersection(a.box, f.box) > 0.5 * std::min(area(a.box), area(f.box))) {
                score = a.score;
                break;
            }
        return true;
    };
    const int shortSide = std::min(image.cols, image.rows);
    // Faces the sweep's tiles cannot hold another face in: large faces of the squares that hold up.
    std::optional<std::vector<NormRect>> holders;
    const auto searched = regions(image.size());
    for (const auto& region : searched) {
        if (region.width < shortSide && !holders) {
            // The squares are done. A sweep tile lying wholly inside a face that holds up can show
            // no face whole but that one's features (a face in front of a face is not a photo's),
            // so it is left out; the face's confirming look is taken now rather than at the end.
            holders.emplace();
            const double least = double(searched.back().width);
            for (const auto& f : merged(sure)) {
                if (f.box.width() * W < least || f.box.height() * H < least) continue;
                const bool sureEnough = std::any_of(confirmed.begin(), confirmed.end(), [&](const NormRect& c) {
                    return intersection(c, f.box) > 0.5 * std::min(area(c), area(f.box));
                });
                std::optional<float> score;
                if (!sureEnough) {
                    if (!confirm(f, score)) return std::nullopt;
                    if (!score) continue;
                    heldUp.push_back({f.box, *score});
                }
                holders->push_back(f.box);
            }
        }
        if (holders && std::any_of(holders->begin(), holders->end(), [&](const NormRect& b) {
                return region.x >= b.left * W && region.x + region.width <= b.right * W && region.y >= b.top * H &&
                       region.y + region.height <= b.bottom * H;
            }))
            continue;
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
    // a tile already looked at share it. From the finer plane the look covers 1/k of the area, so
    // the face is k times larger at the input.
    std::vector<Found> looked = merged(std::move(candidates));
    const double side = std::max(kCloseSide * W, double(inputSide)) / k;
    std::vector<cv::Rect2d> tiles;
    for (const auto& c : looked) {
        if (tiles.size() >= kMostCloseLooks || std::min(W, H) < 8) break;
        const bool known = std::any_of(sure.begin(), sure.end(), [&](const Found& s) {
            return intersection(s.box, c.box) > 0.5 * std::min(area(s.box), area(c.box));
        });
        const double cx = (c.box.left + c.box.right) / 2 * W, cy = (c.box.top + c.box.bottom) / 2 * H;
        const bool covered = std::any_of(tiles.begin(), tiles.end(), [&](const cv::Rect2d& t) {
            return cx > t.x + 0.2 * t.width && cx < t.x + 0.8 * t.width && cy > t.y + 0.2 * t.height && cy < t.y + 0.8 * t.height;
        });
        if (known || covered) continue;
        tiles.emplace_back(cx - side / 2, cy - side / 2, side, side);
        auto found = lookAt(*net, image, finer, k, cx, cy, side, minScore);
        if (!found) return std::nullopt;
        sure.insert(sure.end(), found->begin(), found->end());
    }
    // Small or unsure faces are confirmed once more, centred and at most 48 pixels wide at the input: a face holds up, a pattern that only looked like one from one tile's corner does not.
    std::vector<Found> out;
    for (const auto& f : merged(std::move(sure))) {
        auto same = [&](const NormRect& c) { return intersection(c, f.box) > 0.5 * std::min(area(c), area(f.box)); };
        if (std::any_of(confirmed.begin(), confirmed.end(), same)) {
            out.push_back(f);
            continue;
        }
        auto held = std::find_if(heldUp.begin(), heldUp.end(), [&](const Found& h) { return same(h.box); });
        std::optional<float> score;
        if (held != heldUp.end()) score = held->score;
        else if (!confirm(f, score)) return std::nullopt;
        if (score) out.push_back({f.box, std::max(f.score, *score)});
    }
    return merged(std::move(out));
}

}  // namespace orvane::FaceBoxes

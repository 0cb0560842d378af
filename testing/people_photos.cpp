#include "testing/people_photos.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "core/vision/person_segmentation.h"
#include "testing/photo_dng.h"

namespace orvane::testing {
namespace {

std::optional<cv::Mat> photo(const char* name) {
    const auto file = debianPhoto(name);
    if (!file) return std::nullopt;
    cv::Mat m = cv::imread(file->string(), cv::IMREAD_COLOR);
    if (m.empty()) return std::nullopt;
    return m;
}

// `layer` pasted onto `into` at `at` (its top-left), weighted by `alpha` (CV_32F 0..1), clipped.
void blend(cv::Mat& into, const cv::Mat& layer, const cv::Mat& alpha, cv::Point at) {
    const cv::Rect whole(cv::Point(), into.size());
    const cv::Rect dst = cv::Rect(at, layer.size()) & whole;
    if (dst.empty()) return;
    const cv::Rect src(dst.tl() - at, dst.size());
    for (int y = 0; y < dst.height; ++y) {
        auto* d = into.ptr<cv::Vec3b>(dst.y + y) + dst.x;
        const auto* s = layer.ptr<cv::Vec3b>(src.y + y) + src.x;
        const float* a = alpha.ptr<float>(src.y + y) + src.x;
        for (int x = 0; x < dst.width; ++x)
            for (int c = 0; c < 3; ++c) d[x][c] = cv::saturate_cast<uchar>(a[x] * s[x][c] + (1 - a[x]) * d[x][c]);
    }
}

}  // namespace

RawImage decodedPhoto(const cv::Mat& bgr, bool fullLuma) {
    std::array<float, 256> linear{};
    for (int i = 0; i < 256; ++i) {
        const double e = i / 255.0;
        linear[std::size_t(i)] = float(e <= 0.04045 ? e / 12.92 : std::pow((e + 0.055) / 1.055, 2.4));
    }
    RawImage raw;
    raw.w = bgr.cols / 2;
    raw.h = bgr.rows / 2;
    raw.lin.resize(std::size_t(raw.w) * raw.h * 3);
    for (int y = 0; y < raw.h; ++y) {
        const auto* row = bgr.ptr<cv::Vec3b>(2 * y);
        for (int x = 0; x < raw.w; ++x) {
            float* p = &raw.lin[(std::size_t(y) * raw.w + x) * 3];
            for (int c = 0; c < 3; ++c) p[c] = linear[row[2 * x][2 - c]];
        }
    }
    raw.lumaW = bgr.cols;
    raw.lumaH = bgr.rows;
    if (fullLuma) {
        raw.luma.resize(std::size_t(bgr.cols) * bgr.rows);
        for (int y = 0; y < bgr.rows; ++y) {
            const auto* row = bgr.ptr<cv::Vec3b>(y);
            for (int x = 0; x < bgr.cols; ++x) {
                const float l = lumaWeights[0] * linear[row[x][2]] + lumaWeights[1] * linear[row[x][1]] +
                                lumaWeights[2] * linear[row[x][0]];
                raw.luma[std::size_t(y) * bgr.cols + x] = std::uint8_t(std::min(255.0f, 255.0f * std::sqrt(l)));
            }
        }
    }
    return raw;
}

std::vector<RealFace> realFaces() {
    struct Source {
        const char* name;
        const char* file;
        cv::Rect face;
    };
    // Boxes as the face detector draws them (brows to chin), read off each photo.
    static const Source sources[] = {
        {"astronaut", "astronaut.png", {173, 68, 107, 106}},
        {"Grace Hopper", "grace_hopper.jpg", {161, 123, 208, 208}},
        {"basketball player", "basketball1.png", {73, 98, 36, 35}},
        {"basketball player, next frame", "basketball2.png", {73, 97, 35, 35}},
        {"footballer", "messi5.jpg", {226, 95, 37, 37}},
    };
    std::vector<RealFace> out;
    for (const auto& s : sources)
        if (auto m = photo(s.file)) out.push_back({s.name, std::move(*m), s.face});
    // The sixth: the astronaut seen in a mirror. The cameraman (python3-skimage) hides an eye behind
    // his camera and turns away: no detector is expected to find him small.
    if (!out.empty() && out[0].name == "astronaut") {
        RealFace mirrored{"astronaut, mirrored", cv::Mat(), out[0].face};
        cv::flip(out[0].bgr, mirrored.bgr, 1);
        mirrored.face.x = mirrored.bgr.cols - out[0].face.x - out[0].face.width;
        out.push_back(std::move(mirrored));
    }
    return out;
}

std::vector<RealPerson> realPeople(const std::filesystem::path& model) {
    struct Source {
        const char* name;
        const char* file;
        cv::Rect cut, face;
    };
    static const Source sources[] = {
        {"basketball player", "basketball1.png", {15, 60, 175, 420}, {73, 98, 36, 35}},
        {"footballer", "messi5.jpg", {20, 30, 500, 312}, {226, 95, 37, 37}},
    };
    PersonSegmentation network(model);
    std::vector<RealPerson> out;
    for (const auto& s : sources) {
        auto m = photo(s.file);
        if (!m || !network.loaded()) return {};
        const cv::Mat cut = (*m)(s.cut & cv::Rect(cv::Point(), m->size())).clone();
        cv::Mat rgb;
        cv::cvtColor(cut, rgb, cv::COLOR_BGR2RGB);
        const auto prob = network.probability(rgb, cv::Rect(cv::Point(), rgb.size()));
        if (!prob) return {};
        cv::Mat labels, stats, centroids;
        const cv::Mat person = *prob > 0.5f;
        const int n = cv::connectedComponentsWithStats(person, labels, stats, centroids, 8, CV_32S);
        int largest = 0;
        for (int k = 1; k < n; ++k)
            if (!largest || stats.at<int>(k, cv::CC_STAT_AREA) > stats.at<int>(largest, cv::CC_STAT_AREA)) largest = k;
        if (!largest) return {};
        const cv::Mat mask = labels == largest;
        out.push_back({s.name, cut, mask, s.face - s.cut.tl()});
    }
    return out;
}

Composite faceComposite(const std::vector<RealFace>& faces, cv::Size size, double fraction) {
    Composite c;
    c.bgr = sceneWithoutPeople(size.width, size.height);
    const int columns = 3;
    for (std::size_t i = 0; i < faces.size(); ++i) {
        const auto& f = faces[i];
        // The head and a little of the shoulders round the face.
        const cv::Rect around = cv::Rect(f.face.x - int(0.6 * f.face.width), f.face.y - int(0.5 * f.face.height),
                                         int(2.2 * f.face.width), int(2.4 * f.face.height)) &
                                cv::Rect(cv::Point(), f.bgr.size());
        const double scale = fraction * size.width / f.face.width;
        cv::Mat part;
        cv::resize(f.bgr(around), part, cv::Size(), scale, scale, scale < 1 ? cv::INTER_AREA : cv::INTER_CUBIC);
        // An oval of full weight fading out towards the cut's edges.
        cv::Mat alpha(part.size(), CV_32F, cv::Scalar(0));
        cv::ellipse(alpha, cv::Point(part.cols / 2, part.rows / 2), cv::Size(int(part.cols * 0.42), int(part.rows * 0.42)), 0, 0,
                    360, cv::Scalar(1), cv::FILLED);
        const int blur = std::max(3, (part.cols / 8) | 1);
        cv::GaussianBlur(alpha, alpha, cv::Size(blur, blur), 0);
        const double cx = (0.2 + 0.3 * double(i % columns)) * size.width, cy = (i / columns == 0 ? 0.33 : 0.72) * size.height;
        const cv::Point2d faceCentre((f.face.x + f.face.width / 2.0 - around.x) * scale,
                                     (f.face.y + f.face.height / 2.0 - around.y) * scale);
        const cv::Point at(int(std::lround(cx - faceCentre.x)), int(std::lround(cy - faceCentre.y)));
        blend(c.bgr, part, alpha, at);
        const double fw = f.face.width * scale, fh = f.face.height * scale;
        c.faces.push_back({(cx - fw / 2) / size.width, (cy - fh / 2) / size.height, (cx + fw / 2) / size.width,
                           (cy + fh / 2) / size.height});
    }
    return c;
}

Composite peopleComposite(const std::vector<RealPerson>& people, cv::Size size, double fraction) {
    Composite c;
    c.bgr = sceneWithoutPeople(size.width, size.height);
    const double feet = 0.8 * size.height;
    double x = 0;
    std::vector<std::pair<cv::Mat, cv::Point>> placed;
    double total = 0, row = 0;
    for (std::size_t i = 0; i < people.size(); ++i) {
        const auto& p = people[i];
        total += double(p.bgr.cols) / p.bgr.rows * fraction * size.height;
        const cv::Rect box = cv::boundingRect(p.mask);
        row += double(box.width) / box.height * fraction * size.height * (i + 1 < people.size() ? 0.92 : 1.0);
    }
    // A row wider than the frame would leave a face outside it: such a couple is made smaller, as a
    // photographer would step back (the footballer's kick is wide: at 0.4 of an upright frame's
    // height the pair is wider than the frame), and every row stands inside the frame.
    const double fit = std::min(1.0, 0.96 * size.width / row);
    x = std::clamp((size.width - total * fit) / 2, 0.0, size.width - row * fit);
    for (const auto& p : people) {
        // Cropped to the person's own box so that the next one stands touching it.
        const cv::Rect box = cv::boundingRect(p.mask);
        const double scale = fit * fraction * size.height / box.height;
        cv::Mat part, mask;
        cv::resize(p.bgr(box), part, cv::Size(), scale, scale, scale < 1 ? cv::INTER_AREA : cv::INTER_CUBIC);
        cv::resize(p.mask(box), mask, part.size(), 0, 0, cv::INTER_LINEAR);
        cv::Mat alpha;
        mask.convertTo(alpha, CV_32F, 1.0 / 255);
        const cv::Point at(int(std::lround(x)), int(std::lround(feet - part.rows)));
        blend(c.bgr, part, alpha, at);
        cv::Mat full(size, CV_8U, cv::Scalar(0));
        const cv::Rect dst = cv::Rect(at, part.size()) & cv::Rect(cv::Point(), size);
        const cv::Mat inside = mask(cv::Rect(dst.tl() - at, dst.size())) > 127;
        inside.copyTo(full(dst));
        c.people.push_back(full);
        const cv::Rect f = p.face;
        c.faces.push_back({(at.x + (f.x - box.x) * scale) / size.width, (at.y + (f.y - box.y) * scale) / size.height,
                           (at.x + (f.x + f.width - box.x) * scale) / size.width,
                           (at.y + (f.y + f.height - box.y) * scale) / size.height});
        // The next person stands a little overlapping, as a couple does.
        x += part.cols * 0.92;
    }
    return c;
}

cv::Mat smileyPrint(cv::Size size) {
    cv::Mat m(size, CV_8UC3, cv::Scalar(200, 120, 40));
    const int step = std::max(16, size.width / 12), r = step * 3 / 8;
    for (int y = step / 2; y < size.height; y += step) {
        for (int x = (y / step % 2) * step / 2 + step / 2; x < size.width; x += step) {
            cv::circle(m, {x, y}, r, cv::Scalar(40, 220, 250), cv::FILLED, cv::LINE_AA);
            cv::circle(m, {x - r / 3, y - r / 4}, std::max(1, r / 8), cv::Scalar(20, 20, 20), cv::FILLED, cv::LINE_AA);
            cv::circle(m, {x + r / 3, y - r / 4}, std::max(1, r / 8), cv::Scalar(20, 20, 20), cv::FILLED, cv::LINE_AA);
            cv::ellipse(m, {x, y + r / 8}, {r / 2, r / 3}, 0, 20, 160, cv::Scalar(20, 20, 20), std::max(1, r / 10), cv::LINE_AA);
        }
    }
    return m;
}

}  // namespace orvane::testing

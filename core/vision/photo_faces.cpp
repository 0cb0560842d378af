#include "core/vision/photo_faces.h"

#include <string_view>

#include "core/vision/landmark_models.h"

namespace orvane::PhotoFaces {

std::size_t key(const RawImage& raw) {
    auto bytes = [](const auto& v) {
        return std::string_view(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(v[0]));
    };
    std::size_t k = std::hash<std::string_view>{}(bytes(raw.lin));
    for (std::size_t part : {std::hash<std::string_view>{}(bytes(raw.luma)), std::size_t(raw.w), std::size_t(raw.h),
                             std::size_t(raw.lumaW), std::size_t(raw.lumaH), std::size_t(raw.flip)})
        k = k * 1099511628211ULL ^ part;
    return k;
}

namespace {

struct Last {
    std::size_t key = 0;
    std::shared_ptr<const std::vector<TeethDetector::Face>> faces;
};

Last& lastOfThisWorker() {
    thread_local Last last;
    return last;
}

}  // namespace

void forgetLast() { lastOfThisWorker() = {}; }

std::shared_ptr<const std::vector<TeethDetector::Face>> of(const RawImage& raw) {
    Last& last = lastOfThisWorker();
    const std::size_t k = key(raw);
    if (last.faces && last.key == k) return last.faces;
    std::vector<TeethDetector::Face> found;
    if (const auto images = TeethDetector::searchImages(raw))
        found = TeethDetector::faces(images->gray, LandmarkModels::landmarker(), images->colour);
    last = {k, std::make_shared<const std::vector<TeethDetector::Face>>(std::move(found))};
    return last.faces;
}

std::vector<DetectedBox> boxesOf(const std::vector<TeethDetector::Face>& faces) {
    std::vector<DetectedBox> out;
    // Every face of the search passed the detector's own score: sure enough for the people rules.
    for (const auto& f : faces) out.push_back(DetectedBox::fromTopLeft(f.box, 1.0f));
    return out;
}

std::vector<DetectedBox> boxes(const RawImage& raw) { return boxesOf(*of(raw)); }

}  // namespace orvane::PhotoFaces

#include "core/vision/teeth_detector.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include <opencv2/core.hpp>

#include "core/base/numbers.h"
#include "core/vision/crop_planner.h"
#include "core/vision/landmark_models.h"
#include "core/vision/person_extent.h"
#include "core/vision/photo_faces.h"
#include "core/vision/skin_detector.h"

namespace orvane::TeethDetector {

namespace {

using Numbers::fixed;

void debugLine(const std::string& text) {
    std::fputs((text + "\n").c_str(), stdout);
    std::fflush(stdout);
}

// Pixel bounds of a normalised value along an axis of n pixels, clamped into the plane.
int firstIndex(double v, int n) { return std::max(0, int(std::trunc(v * n))); }
int lastIndex(double v, int n) { return std::min(n - 1, int(std::trunc(v * n))); }

struct TeethStep {
    const GrayPlane& g;
    const RgbSampler& rgb;
    bool debug;

    float gray(int x, int y) const { return g.values[std::size_t(y) * g.width + x]; }

    // Grey values of the inclusive pixel block under a normalised rectangle, row by row.
    std::vector<float> luminance(double x0, double y0, double x1, double y1) const {
        const int c0 = firstIndex(x0, g.width), c1 = lastIndex(x1, g.width);
        const int r0 = firstIndex(y0, g.height), r1 = lastIndex(y1, g.height);
        std::vector<float> out;
        if (c0 >= c1 || r0 >= r1) return out;
        out.reserve(std::size_t(c1 - c0 + 1) * (r1 - r0 + 1));
        for (int y = r0; y <= r1; ++y)
            for (int x = c0; x <= c1; ++x) out.push_back(gray(x, y));
        return out;
    }

    static std::optional<float> redness(const std::optional<std::array<float, 3>>& s) {
        if (!s) return std::nullopt;
        const float sum = (*s)[0] + (*s)[1] + (*s)[2];
        if (!(sum > 0)) return std::nullopt;
        return ((*s)[0] - (*s)[1]) / sum;
    }

    std::optional<TeethRegion> region(const Face& face) const {
        const int W = g.width, H = g.height;
        if (face.lips.empty()) return std::nullopt;
        const NormRect mouth = Outlines::bounds(face.lips);
        const double minX = mouth.left, maxX = mouth.right, minY = mouth.top, maxY = mouth.bottom;
        const double width = maxX - minX;
        const double opening = width > 0 ? (maxY - minY) * H / W / width : 0.0;
        if (debug) debugLine("TEETHDBG gură: lățime " + fixed(width, 3) + ", deschidere " + fixed(opening, 2));
        if (!(width >= 0.005 && opening >= 0.14 && opening <= 1.1)) return std::nullopt;

        const NormRect& box = face.box;
        const auto faceLum = luminance(box.left, box.top, box.right, box.bottom);
        const auto mouthLum = luminance(minX, minY, maxX, maxY);
        if (faceLum.empty() || mouthLum.empty()) return std::nullopt;
        double sum = 0;
        for (float v : faceLum) sum += v;
        const float mean = float(sum / double(faceLum.size()));
        const auto brightCount = std::count_if(mouthLum.begin(), mouthLum.end(), [&](float v) { return v >= 1.15f * mean; });
        const double bright = double(brightCount) / double(mouthLum.size());
        if (debug) debugLine("TEETHDBG luminoși: " + fixed(bright, 2));
        if (!(bright >= 0.2)) return std::nullopt;

        // Search polygon: the lips pulled in a little, so lip edges do not count as teeth.
        Outline poly;
        if (rgb) {
            const Outline& base = face.outer.size() >= 6 ? face.outer : face.lips;
            poly = Outlines::scaled(base, 0.97, 0.94);
        } else {
            poly = Outlines::scaled(face.lips, 0.92, 0.80);
        }

        // The redness of the face's own skin sets how red a tooth may be.
        float u = 0.12f, m = 0.12f;
        if (rgb) {
            std::vector<float> skin;
            for (int j = 0; j < 16; ++j) {
                for (int k = 0; k < 16; ++k) {
                    const double x = box.left + box.width() * (k * 0.6 / 15 + 0.2);
                    const double y = box.top + (j * 0.4 / 15 + 0.25) * box.height();
                    const auto sample = rgb(x, y);
                    if (!sample) continue;
                    const int gx = std::min(W - 1, int(std::trunc(x * W)));
                    const int gy = std::min(H - 1, int(std::trunc(y * H)));
                    if (gx < 0 || gy < 0) continue;  // above or left of the grey plane: no grey value
                    if (!(gray(gx, gy) > 0.6f * mean)) continue;
                    if (auto r = redness(sample)) skin.push_back(*r);
                }
            }
            std::sort(skin.begin(), skin.end());
            const float median = skin.empty() ? 0.0f : skin[skin.size() / 2];
            if (skin.size() >= 21) {
                m = median;
                u = std::min(0.55f * m, 0.12f);
            }
            if (debug) debugLine("TEETHDBG roșeață piele " + fixed(median, 3) + " → prag " + fixed(u, 3));
        }

        const NormRect search = Outlines::bounds(poly);
        const int x0 = firstIndex(search.left, W), x1 = lastIndex(search.right, W);
        const int y0 = firstIndex(search.top, H), y1 = lastIndex(search.bottom, H);
        if (!(x1 > x0 && y1 > y0)) return std::nullopt;
        const Window win{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
        const std::size_t cells = std::size_t(win.cols) * win.rows;
        const float inf = std::numeric_limits<float>::infinity();
        std::vector<float> red(cells, inf);
        auto at = [&](int x, int y) { return std::size_t(y - y0) * win.cols + (x - x0); };
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                const double cx = (x + 0.5) / W, cy = (y + 0.5) / H;
                if (!Outlines::contains(poly, cx, cy)) continue;
                if (rgb) {
                    if (!(gray(x, y) >= 0.6f * mean)) continue;
                    if (auto r = redness(rgb(cx, cy))) red[at(x, y)] = *r;
                } else if (gray(x, y) >= 1.05f * mean) {
                    red[at(x, y)] = 0;
                }
            }
        }

        float t = u;
        if (rgb) {
            std::vector<float> finite;
            for (float v : red)
                if (std::isfinite(v)) finite.push_back(v);
            if (auto o = otsu(finite)) t = std::max(u, std::min(0.75f * m, *o));
        }
        if (debug) debugLine("TEETHDBG prag roșeață " + fixed(t, 3));

        std::vector<bool> mask(cells, false);
        std::size_t count = 0;
        double graySum = 0;
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                const float r = red[at(x, y)];
                if (r <= t && (r <= u || gray(x, y) >= mean)) {
                    mask[at(x, y)] = true;
                    ++count;
                    graySum += gray(x, y);
                }
            }
        }
        if (count < 10 || !(float(graySum / double(count)) >= 1.05f * mean)) return std::nullopt;

        // 4-connected components; small ones and ones outside the lips leave the mask.
        std::vector<int> label(cells, -1);
        struct Component {
            std::size_t size = 0, inner = 0;
        };
        std::vector<Component> comps;
        std::vector<std::size_t> stack;
        for (std::size_t start = 0; start < cells; ++start) {
            if (!mask[start] || label[start] >= 0) continue;
            const int id = int(comps.size());
            comps.push_back({});
            label[start] = id;
            stack.push_back(start);
            while (!stack.empty()) {
                const std::size_t i = stack.back();
                stack.pop_back();
                const int cx = int(i % win.cols), cy = int(i / win.cols);
                auto& c = comps[id];
                ++c.size;
                if (Outlines::contains(face.lips, (x0 + cx + 0.5) / W, (y0 + cy + 0.5) / H)) ++c.inner;
                auto visit = [&](std::size_t n) {
                    if (mask[n] && label[n] < 0) {
                        label[n] = id;
                        stack.push_back(n);
                    }
                };
                if (cx > 0) visit(i - 1);
                if (cx + 1 < win.cols) visit(i + 1);
                if (cy > 0) visit(i - win.cols);
                if (cy + 1 < win.rows) visit(i + win.cols);
            }
        }
        std::size_t maxSize = 0;
        for (const auto& c : comps) maxSize = std::max(maxSize, c.size);
        const std::size_t minSize = maxSize < 80 ? 4 : maxSize / 20;
        std::vector<bool> keep(comps.size());
        std::size_t innerSum = 0, sizeSum = 0;
        for (std::size_t k = 0; k < comps.size(); ++k) {
            keep[k] = comps[k].size >= minSize && (comps[k].inner > 0 || comps[k].size >= maxSize / 5);
            if (keep[k]) {
                innerSum += comps[k].inner;
                sizeSum += comps[k].size;
            }
        }
        for (std::size_t i = 0; i < cells; ++i)
            if (mask[i] && !keep[label[i]]) mask[i] = false;
        if (4 * innerSum < sizeSum) return std::nullopt;

        const double r = fineRadius(width, W);
        const double R = 3 * r;
        const auto D = distance(mask, win.cols, win.rows);
        float maxD = 0;
        for (float d : D) maxD = std::max(maxD, d);
        const float f = maxD < 0.5 * r ? float(0.6 * maxD) : float(0.5 * r);

        DabList coarse;
        if (maxD >= 0.9 * R) {
            const float deep = float(0.9 * R);
            coarse = placeBounded(D, win, W, H, [&](float d) { return d >= deep; },
                                  std::max(1, int(std::trunc(0.125 * R))), kCoarseDabLimit);
        }
        const bool avoidDeep = !coarse.empty();
        const float deepest = float(1.2 * R);
        DabList fine = placeBounded(D, win, W, H, [&](float d) { return d >= f && (!avoidDeep || d <= deepest); },
                                    std::max(1, int(std::trunc(r / 6))), kFineDabLimit);
        if (fine.size() + coarse.size() < 3) return std::nullopt;

        TeethRegion out;
        out.left = minX;
        out.top = minY;
        out.right = maxX;
        out.bottom = maxY;
        for (const DabList* list : {&fine, &coarse}) {
            for (const auto& d : *list) {
                out.left = std::min(out.left, d[0]);
                out.top = std::min(out.top, d[1]);
                out.right = std::max(out.right, d[0]);
                out.bottom = std::max(out.bottom, d[1]);
            }
        }
        out.dabs = std::move(fine);
        out.radius = r / W;
        out.coarseRadius = coarse.empty() ? 0.0 : R / W;
        out.coarse = std::move(coarse);
        return out;
    }
};

}  // namespace

GrayPlane grayImage(const RawImage& raw) {
    GrayPlane out;
    if (!raw.luma.empty()) {
        out.width = raw.lumaW;
        out.height = raw.lumaH;
        out.values.assign(raw.luma.begin(), raw.luma.end());
        return out;
    }
    out.width = raw.w;
    out.height = raw.h;
    const std::size_t n = std::size_t(raw.w) * raw.h;
    out.values.resize(n);
    for (std::size_t i = 0; i < n && 3 * i + 2 < raw.lin.size(); ++i) {
        const float* p = &raw.lin[3 * i];
        const float g = std::sqrt(0.2126f * p[0] + 0.7152f * p[1] + 0.0722f * p[2]) * 255.0f;
        out.values[i] = std::isnan(g) ? 0.0f : std::clamp(g, 0.0f, 255.0f);
    }
    return out;
}

GrayPlane upright(const std::vector<float>& in, int w, int h, int flip) {
    GrayPlane out;
    if (w <= 0 || h <= 0 || in.size() != std::size_t(w) * h) return out;  // not a plane of that size
    if (flip != 3 && flip != 5 && flip != 6) return {in, w, h};
    const bool quarter = flip != 3;
    out.width = quarter ? h : w;
    out.height = quarter ? w : h;
    out.values.resize(in.size());
    for (int i = 0; i < out.height; ++i) {
        for (int j = 0; j < out.width; ++j) {
            std::size_t src;
            if (flip == 3)
                src = std::size_t(h - 1 - i) * w + (w - 1 - j);
            else if (flip == 6)
                src = std::size_t(h - 1 - j) * w + i;
            else
                src = std::size_t(j) * w + (w - 1 - i);
            out.values[std::size_t(i) * out.width + j] = in[src];
        }
    }
    return out;
}

std::vector<Face> faces(const cv::Mat& gray, const FaceLandmarker& landmarker, const cv::Mat& colour) {
    std::vector<Face> found;
    const double W = gray.cols, H = gray.rows;
    if (gray.empty()) return found;
    // A landmarker that sweeps the image in tiles itself finds the small faces the six tiles are for.
    const std::size_t searched = landmarker.sweepsTiles() ? 1 : 7;
    const double tw = W / 2.5, th = H / 1.75;
    const std::array<std::array<double, 4>, 7> regions{{{0, 0, W, H},
                                                        {0, 0, tw, th},
                                                        {0.75 * tw, 0, tw, th},
                                                        {1.5 * tw, 0, tw, th},
                                                        {0, 0.75 * th, tw, th},
                                                        {0.75 * tw, 0.75 * th, tw, th},
                                                        {1.5 * tw, 0.75 * th, tw, th}}};
    auto map = [&](const cv::Rect& t, const NormPoint& p) {
        return NormPoint{(t.x + p.x * t.width) / W, (t.y + p.y * t.height) / H};
    };
    auto mapAll = [&](const cv::Rect& t, const Outline& points) {
        Outline out;
        out.reserve(points.size());
        for (const auto& p : points) out.push_back(map(t, p));
        return out;
    };
    for (std::size_t k = 0; k < searched; ++k) {
        const auto& reg = regions[k];
        // Whole pixels (floor of the low corner, ceiling of the high one), inside the image.
        const int ix0 = std::max(0, int(std::floor(reg[0]))), iy0 = std::max(0, int(std::floor(reg[1])));
        const int ix1 = std::min(gray.cols, int(std::ceil(reg[0] + reg[2])));
        const int iy1 = std::min(gray.rows, int(std::ceil(reg[1] + reg[3])));
        if (ix1 <= ix0 || iy1 <= iy0) continue;
        const cv::Rect t(ix0, iy0, ix1 - ix0, iy1 - iy0);
        const bool whole = t.width == gray.cols && t.height == gray.rows;
        std::optional<std::vector<FaceObservation>> observed;
        try {
            observed = landmarker.detect(whole ? gray : gray(t), whole ? colour : cv::Mat());
        } catch (const std::exception&) {
            continue;  // a failed request leaves the other regions' faces standing
        }
        if (!observed) continue;
        for (const auto& obs : *observed) {
            if (!obs.landmarks || obs.landmarks->innerLips.size() < 4) continue;
            const auto& lm = *obs.landmarks;
            NormRect box;
            box.left = (t.x + obs.box.left * t.width) / W;
            box.top = (t.y + obs.box.top * t.height) / H;
            box.right = box.left + obs.box.width() * t.width / W;
            box.bottom = box.top + obs.box.height() * t.height / H;
            const double cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
            const bool seen = std::any_of(found.begin(), found.end(), [&](const Face& f) {
                const double gx = 0.1 * f.box.width(), gy = 0.1 * f.box.height();
                return cx >= f.box.left - gx && cx < f.box.right + gx && cy >= f.box.top - gy && cy < f.box.bottom + gy;
            });
            if (seen) continue;
            Face face;
            face.box = box;
            face.lips = mapAll(t, lm.innerLips);
            for (const Outline* o : {&lm.leftEye, &lm.rightEye, &lm.leftEyebrow, &lm.rightEyebrow, &lm.outerLips, &lm.nose})
                if (o->size() >= 3) face.features.push_back(mapAll(t, *o));
            face.contour = mapAll(t, lm.faceContour);
            face.outer = mapAll(t, lm.outerLips);
            found.push_back(std::move(face));
        }
    }
    return found;
}

RgbSampler rgbSampler(const RawImage& raw) {
    return [&raw](double x, double y) -> std::optional<std::array<float, 3>> {
        const auto [xr, yr] = CropPlanner::sensorPoint(x, y, raw.flip);
        const double cx = std::trunc(xr * raw.w), cy = std::trunc(yr * raw.h);
        if (!(cx >= 0 && cx < raw.w && cy >= 0 && cy < raw.h)) return std::nullopt;
        const std::size_t i = (std::size_t(cy) * raw.w + std::size_t(cx)) * 3;
        if (i + 2 >= raw.lin.size()) return std::nullopt;
        return std::array<float, 3>{raw.lin[i], raw.lin[i + 1], raw.lin[i + 2]};
    };
}

std::optional<float> otsu(const std::vector<float>& values) {
    if (values.size() < 20) return std::nullopt;
    const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
    const float low = *lo, d = *hi - *lo;
    if (!(d > 0.01f)) return std::nullopt;
    std::array<double, 64> bins{};
    for (float v : values) bins[std::min(63, int(std::trunc((v - low) / d * 64)))] += 1;
    const double N = double(values.size());
    double S = 0;
    for (int k = 0; k < 64; ++k) S += k * bins[k];
    double w0 = 0, s0 = 0, best = 0;
    int bestK = 0;
    for (int k = 0; k < 64; ++k) {
        w0 += bins[k];
        s0 += k * bins[k];
        if (w0 > 0 && N - w0 > 0) {
            const double between = s0 / w0 - (S - s0) / (N - w0);
            const double score = w0 * (N - w0) * between * between;
            if (score > best) {
                best = score;
                bestK = k;
            }
        }
    }
    return low + d * float(bestK + 1) / 64.0f;
}

std::vector<float> distance(const std::vector<bool>& mask, int w, int h) {
    std::vector<float> d(mask.size(), 0.0f);
    for (std::size_t i = 0; i < mask.size(); ++i)
        if (mask[i]) d[i] = std::numeric_limits<float>::max();
    auto at = [&](int x, int y) { return (x < 0 || y < 0 || x >= w || y >= h) ? 0.0f : d[std::size_t(y) * w + x]; };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            float& v = d[std::size_t(y) * w + x];
            if (!mask[std::size_t(y) * w + x]) continue;
            v = std::min({v, at(x - 1, y) + 1.0f, at(x, y - 1) + 1.0f, at(x - 1, y - 1) + 1.414f, at(x + 1, y - 1) + 1.414f});
        }
    }
    for (int y = h - 1; y >= 0; --y) {
        for (int x = w - 1; x >= 0; --x) {
            float& v = d[std::size_t(y) * w + x];
            if (!mask[std::size_t(y) * w + x]) continue;
            v = std::min({v, at(x + 1, y) + 1.0f, at(x, y + 1) + 1.0f, at(x + 1, y + 1) + 1.414f, at(x - 1, y + 1) + 1.414f});
        }
    }
    return d;
}

DabList placeBlocks(const std::vector<float>& dist, const Window& win, int W, int H,
                    const std::function<bool(float)>& eligible, int step) {
    DabList dabs;
    for (int by = 0; by < win.rows; by += step) {
        for (int bx = 0; bx < win.cols; bx += step) {
            float best = 0;
            int pickX = -1, pickY = -1;
            for (int y = by; y < std::min(win.rows, by + step); ++y) {
                for (int x = bx; x < std::min(win.cols, bx + step); ++x) {
                    const float d = dist[std::size_t(y) * win.cols + x];
                    if (eligible(d) && d > best) {
                        best = d;
                        pickX = x;
                        pickY = y;
                    }
                }
            }
            if (pickX >= 0) dabs.push_back({(win.x0 + pickX + 0.5) / W, (win.y0 + pickY + 0.5) / H});
        }
    }
    return dabs;
}

DabList placeBounded(const std::vector<float>& dist, const Window& win, int W, int H,
                     const std::function<bool(float)>& eligible, int step, std::size_t limit) {
    DabList dabs = placeBlocks(dist, win, W, H, eligible, step);
    while (dabs.size() >= limit) dabs = placeBlocks(dist, win, W, H, eligible, ++step);
    return dabs;
}

double fineRadius(double mouthWidth, int W) {
    const double r0 = mouthWidth * W * 0.04;
    return std::max(0.0012 * W, std::min(r0, 9.0));
}

std::vector<TeethRegion> detect(const GrayPlane& gray, const std::vector<Face>& faces, const RgbSampler& rgb) {
    // Looked up on every call, so a running program can be switched.
    const bool debug = std::getenv("ORVANE_TEETH_DEBUG") != nullptr;
    if (debug)
        debugLine("TEETHDBG fețe: " + std::to_string(faces.size()) + " pe " + std::to_string(gray.width) + "x" +
                  std::to_string(gray.height));
    std::vector<TeethRegion> out;
    if (faces.empty() || gray.width <= 0 || gray.height <= 0) return out;
    const TeethStep step{gray, rgb, debug};
    for (const auto& face : faces)
        if (auto r = step.region(face)) out.push_back(std::move(*r));
    return out;
}

std::optional<SearchImages> searchImages(const RawImage& raw) {
    SearchImages out;
    // The 8-bit luma plane turned upright as it stands: the same values as the float road below,
    // without two copies of a plane of the full half-size resolution.
    if (!raw.luma.empty() && raw.lumaW > 0 && raw.lumaH > 0 &&
        raw.luma.size() == std::size_t(raw.lumaW) * std::size_t(raw.lumaH)) {
        const cv::Mat stored(raw.lumaH, raw.lumaW, CV_8UC1, const_cast<std::uint8_t*>(raw.luma.data()));
        if (raw.flip == 3) cv::rotate(stored, out.gray, cv::ROTATE_180);
        else if (raw.flip == 6) cv::rotate(stored, out.gray, cv::ROTATE_90_CLOCKWISE);
        else if (raw.flip == 5) cv::rotate(stored, out.gray, cv::ROTATE_90_COUNTERCLOCKWISE);
        else out.gray = stored.clone();
        if (auto colour = PersonExtent::uprightImage(raw, std::max(raw.w, raw.h))) out.colour = std::move(*colour);
        return out;
    }
    const GrayPlane stored = grayImage(raw);
    const GrayPlane up = upright(stored.values, stored.width, stored.height, raw.flip);
    if (up.width <= 0 || up.height <= 0 || up.values.size() != std::size_t(up.width) * up.height) return std::nullopt;
    out.gray.create(up.height, up.width, CV_8UC1);
    for (int y = 0; y < up.height; ++y) {
        auto* row = out.gray.ptr<std::uint8_t>(y);
        for (int x = 0; x < up.width; ++x)
            row[x] = std::uint8_t(std::clamp(up.values[std::size_t(y) * up.width + x], 0.0f, 255.0f));
    }
    // Colour tells small faces from face-like patterns far better than grey does.
    if (auto colour = PersonExtent::uprightImage(raw, std::max(raw.w, raw.h))) out.colour = std::move(*colour);
    return out;
}

Analysis analyze(const RawImage& raw, bool teeth, bool skin, const FaceLandmarker& landmarker) {
    const auto images = searchImages(raw);
    if (!images) return {};
    return analyze(raw, teeth, skin, faces(images->gray, landmarker, images->colour));
}

Analysis analyze(const RawImage& raw, bool teeth, bool skin, const std::vector<Face>& found) {
    Analysis out;
    if (teeth) {
        const GrayPlane stored = grayImage(raw);
        out.teeth = detect(upright(stored.values, stored.width, stored.height, raw.flip), found, rgbSampler(raw));
    }
    if (skin) out.skin = SkinDetector::regions(found, raw);
    return out;
}

Analysis analyze(const RawImage& raw, bool teeth, bool skin) {
    return analyze(raw, teeth, skin, *PhotoFaces::of(raw));
}

std::vector<TeethRegion> detect(const RawImage& raw) { return analyze(raw, true, false).teeth; }

}  // namespace orvane::TeethDetector

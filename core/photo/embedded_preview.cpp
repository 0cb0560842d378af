#include "core/photo/embedded_preview.h"

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
#include <cmath>

#include "core/photo/libraw_support.h"

namespace orvane::EmbeddedPreview {
namespace {

using photo_detail::LibRawHandle;

const char* const kNoPreview = "fotografia nu are previzualizare încorporată";
const char* const kNoJpeg = "fără JPEG încorporat";
const char* const kBadJpeg = "JPEG încorporat ilizibil";

// Width and height from a JPEG's frame header; absent when the markers do not lead to one.
std::optional<std::pair<int, int>> jpegSize(const unsigned char* p, std::size_t n) {
    if (n < 4 || p[0] != 0xFF || p[1] != 0xD8) return std::nullopt;
    std::size_t i = 2;
    while (i + 4 <= n) {
        if (p[i] != 0xFF) return std::nullopt;
        unsigned char m = p[i + 1];
        if (m == 0xFF) {
            ++i;
            continue;
        }
        if (m == 0xD8 || m == 0x01 || (m >= 0xD0 && m <= 0xD7)) {
            i += 2;
            continue;
        }
        std::size_t len = std::size_t(p[i + 2]) << 8 | p[i + 3];
        if (len < 2 || i + 2 + len > n) return std::nullopt;
        bool sof = m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
        if (sof) {
            if (len < 7) return std::nullopt;
            int h = p[i + 5] << 8 | p[i + 6];
            int w = p[i + 7] << 8 | p[i + 8];
            if (w <= 0 || h <= 0) return std::nullopt;
            return std::pair{w, h};
        }
        i += 2 + len;
    }
    return std::nullopt;
}

// Size with the longer side at most maxSide, aspect kept, never enlarged.
cv::Size fitted(int w, int h, int maxSide) {
    int longer = std::max(w, h);
    if (longer <= maxSide) return {w, h};
    double s = double(maxSide) / longer;
    int tw = w >= h ? maxSide : std::clamp(int(std::lround(w * s)), 1, maxSide);
    int th = h > w ? maxSide : std::clamp(int(std::lround(h * s)), 1, maxSide);
    return {tw, th};
}

// Decodes a JPEG straight at the smallest libjpeg scale that still covers the target, in stored
// orientation (Exif orientation ignored), then scales to fit. Empty on failure.
cv::Mat decodeFitted(const unsigned char* data, std::size_t size, int maxSide) {
    auto dims = jpegSize(data, size);
    if (!dims) return {};
    cv::Size target = fitted(dims->first, dims->second, maxSide);
    int flags = cv::IMREAD_COLOR | cv::IMREAD_IGNORE_ORIENTATION;
    for (int k : {8, 4, 2}) {
        int rw = (dims->first + k - 1) / k, rh = (dims->second + k - 1) / k;
        if (rw >= target.width && rh >= target.height) {
            flags = (k == 8 ? cv::IMREAD_REDUCED_COLOR_8 : k == 4 ? cv::IMREAD_REDUCED_COLOR_4 : cv::IMREAD_REDUCED_COLOR_2) |
                    cv::IMREAD_IGNORE_ORIENTATION;
            break;
        }
    }
    cv::Mat bgr;
    try {
        bgr = cv::imdecode(cv::Mat(1, int(size), CV_8UC1, const_cast<unsigned char*>(data)), flags);
    } catch (const cv::Exception&) {
        return {};
    }
    if (bgr.empty() || bgr.type() != CV_8UC3) return {};
    if (bgr.size() != target) {
        cv::Mat scaled;
        cv::resize(bgr, scaled, target, 0, 0, cv::INTER_AREA);
        bgr = scaled;
    }
    return bgr;
}

const std::array<float, 256>& srgbTable() {
    static const std::array<float, 256> table = [] {
        std::array<float, 256> t{};
        for (int i = 0; i < 256; ++i) {
            float c = i / 255.0f;
            t[i] = c <= 0.04045f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f);
        }
        return t;
    }();
    return table;
}

}  // namespace

RawImage load(const std::filesystem::path& file, int maxSide) {
    LibRawHandle raw;
    raw.open(file);
    if (maxSide < 1) throw RawError(-2, kNoPreview);

    const int unpacked = libraw_unpack_thumb(raw.get());
    const libraw_thumbnail_t& t = raw->thumbnail;
    const auto* data = reinterpret_cast<const unsigned char*>(t.thumb);
    const bool jpeg = unpacked == 0 && t.tformat == LIBRAW_THUMBNAIL_JPEG && data && t.tlength > 0;
    cv::Mat bgr;
    if (maxSide < 1617) {
        // Any preview the file holds: a JPEG, or an 8-bit RGB bitmap.
        if (jpeg) {
            bgr = decodeFitted(data, t.tlength, maxSide);
        } else if (unpacked == 0 && t.tformat == LIBRAW_THUMBNAIL_BITMAP && data && t.twidth > 0 && t.theight > 0 &&
                   t.tlength >= std::size_t(t.twidth) * t.theight * 3) {
            cv::Mat rgb(t.theight, t.twidth, CV_8UC3, const_cast<unsigned char*>(data));
            cv::Mat full;
            cv::cvtColor(rgb, full, cv::COLOR_RGB2BGR);
            cv::Size target = fitted(full.cols, full.rows, maxSide);
            if (target != full.size())
                cv::resize(full, bgr, target, 0, 0, cv::INTER_AREA);
            else
                bgr = full;
        }
        if (bgr.empty()) throw RawError(-2, kNoPreview);
    } else {
        if (!jpeg) throw RawError(-2, kNoJpeg);
        bgr = decodeFitted(data, t.tlength, maxSide);
        if (bgr.empty()) throw RawError(-2, kBadJpeg);
    }

    const int W = bgr.cols, H = bgr.rows;
    const auto& table = srgbTable();
    RawImage out;
    out.w = W;
    out.h = H;
    out.lumaW = W;
    out.lumaH = H;
    out.lin.resize(std::size_t(W) * H * 3);
    out.luma.resize(std::size_t(W) * H);
    float* dst = out.lin.data();
    for (int y = 0; y < H; ++y) {
        const auto* row = bgr.ptr<unsigned char>(y);
        for (int x = 0; x < W; ++x, dst += 3) {
            dst[0] = table[row[3 * x + 2]];
            dst[1] = table[row[3 * x + 1]];
            dst[2] = table[row[3 * x]];
        }
    }
    photo_detail::fillLuma(out.lin.data(), out.luma.size(), 1.0f, out.luma.data());

    out.iso = raw->other.iso_speed;
    out.shutter = raw->other.shutter;
    out.aperture = raw->other.aperture;
    out.focal = raw->other.focal_len;
    out.model = photo_detail::fieldText(raw->idata.model, sizeof raw->idata.model);
    out.flip = raw->sizes.flip;
    // Open-time colour data: nothing was unpacked.
    out.wb = photo_detail::wbRatios(photo_detail::multipliers(raw->color));
    out.asShot = photo_detail::asShotOf(*raw.get(), raw->color, file);
    return out;
}

}  // namespace orvane::EmbeddedPreview

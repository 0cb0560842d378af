#include "core/photo/smart_preview.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/base/path_text.h"
#include "core/photo/dng_header.h"
#include "core/photo/libraw_support.h"

namespace orvane::SmartPreview {
namespace {

using photo_detail::LibRawHandle;
using photo_detail::MemImage;

// Upper-cased identifier split into user-perceived characters (grapheme clusters).
std::vector<std::string> upperCharacters(std::string_view id) {
    icu::UnicodeString text = icu::UnicodeString::fromUTF8(icu::StringPiece(id.data(), int32_t(id.size())));
    text.toUpper(icu::Locale::getRoot());
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    std::vector<std::string> out;
    if (U_FAILURE(status) || !it) return out;
    it->setText(text);
    int32_t start = it->first();
    for (int32_t end = it->next(); end != icu::BreakIterator::DONE; start = end, end = it->next()) {
        std::string part;
        text.tempSubStringBetween(start, end).toUTF8String(part);
        out.push_back(part);
    }
    return out;
}

}  // namespace

int flipForOrientation(int orientation) {
    switch (orientation) {
    case 3: return 3;
    case 6: return 6;
    case 8: return 5;
    default: return 0;
    }
}

std::optional<std::filesystem::path> path(const std::filesystem::path& catalog, std::string_view fileID) {
    auto chars = upperCharacters(fileID);
    if (chars.size() < 4) return std::nullopt;
    std::string upper, first4;
    for (std::size_t i = 0; i < chars.size(); ++i) {
        upper += chars[i];
        if (i < 4) first4 += chars[i];
    }
    std::filesystem::path file = catalog.parent_path() / (catalog.stem().string() + " Smart Previews.lrdata") /
                                 chars[0] / first4 / (upper + ".dng");
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return std::nullopt;
    return file;
}

bool isPreview(const std::filesystem::path& file) {
    return PathText::lowerExtension(file) == ".dng" && file.string().find(".lrdata/") != std::string::npos;
}

namespace {
std::optional<AsShotWB> clampedAsShot(const DngHeader& h) {
    auto wb = asShotOf(h);
    if (!wb) return std::nullopt;
    wb->tint = std::clamp(wb->tint, -150.0, 150.0);
    return wb;
}
}  // namespace

std::optional<AsShotWB> asShot(const std::filesystem::path& file) {
    auto h = readDngHeader(file);
    if (!h) return std::nullopt;
    return clampedAsShot(*h);
}

Header header(const std::filesystem::path& file) {
    Header out;
    auto h = readDngHeader(file);
    if (!h) return out;
    out.iso = h->iso;
    out.flip = flipForOrientation(h->orientation);
    if (h->width > 0 && h->height > 0)
        out.aspect = (out.flip == 5 || out.flip == 6) ? double(h->height) / h->width : double(h->width) / h->height;
    return out;
}

namespace {
RawImage decode(const std::filesystem::path& file, float exposure, bool withAsShot) {
    requireDngBlocksWithinFile(file);
    LibRawHandle raw;
    // The stage word stays ours; the cause is the decoder's (a missing file, a damaged one…).
    if (int opened = libraw_open_file(raw.get(), file.c_str()); opened != 0)
        throw RawError(-2, "Smart Preview nu se poate deschide", RawError::fromLibRaw(opened, file).cause());
    try {
        raw.unpack();
    } catch (const RawError& e) {
        throw RawError(-2, "Smart Preview nu se poate deschide", e.cause());
    }
    const std::optional<DngHeader> header = readDngHeader(file);
    const DngHeader h = header.value_or(DngHeader{});
    const int flip = flipForOrientation(h.orientation);
    const bool half = raw->sizes.width > 4000;

    photo_detail::setLinearOutput(raw->params, half);
    if (libraw_dcraw_process(raw.get()) != 0) throw RawError(-2, "Smart Preview: fără imagine", RawError::Cause::damaged);
    int error = 0;
    MemImage image(libraw_dcraw_make_mem_image(raw.get(), &error));
    if (!image.get() || image->type != LIBRAW_IMAGE_BITMAP || image->colors != 3 || image->bits != 16)
        throw RawError(-2, "Smart Preview: fără imagine", RawError::Cause::damaged);
    int W = image->width, H = image->height;
    if (W <= 0 || H <= 0 || image->data_size < std::size_t(W) * std::size_t(H) * 6)
        throw RawError(-2, "Smart Preview: dimensiuni", RawError::Cause::noImageData);

    cv::Mat full(H, W, CV_16UC3, image->data);
    cv::Mat pixels = full;
    // LibRaw's half size only skips demosaicing; a LinearRaw image has none, so it is scaled here.
    if (half && pixels.cols > 4000) {
        int w2 = W / 2, h2 = H / 2;
        if (w2 <= 0 || h2 <= 0) throw RawError(-2, "Smart Preview: dimensiuni", RawError::Cause::noImageData);
        cv::resize(full, pixels, cv::Size(w2, h2), 0, 0, cv::INTER_AREA);
        W = w2;
        H = h2;
    }

    RawImage out;
    out.w = W;
    out.h = H;
    out.lumaW = W;
    out.lumaH = H;
    out.lin.resize(std::size_t(W) * H * 3);
    out.luma.resize(std::size_t(W) * H);
    const float gain = std::exp2(exposure) / 65535.0f;
    float* dst = out.lin.data();
    for (int y = 0; y < H; ++y) {
        const auto* row = pixels.ptr<std::uint16_t>(y);
        for (int x = 0; x < W; ++x, dst += 3) {
            for (int c = 0; c < 3; ++c) {
                float v = row[3 * x + c] * gain;
                dst[c] = v > 0 ? (v > 1 ? 1.0f : v) : 0.0f;
            }
        }
    }
    photo_detail::fillLuma(out.lin.data(), out.luma.size(), 1.0f, out.luma.data());

    out.iso = h.iso.value_or(100.0f);
    out.aperture = float(h.fNumber.value_or(0));
    out.shutter = float(h.exposureTime.value_or(0));
    out.focal = float(h.focalLength.value_or(0));
    out.model = h.model.value_or("");
    if (auto xy = asShotWhite(h)) {
        double x = (*xy)[0], y = (*xy)[1];
        double d = y <= 0.05 ? 0.05 : y;
        out.wb = {float(x / d), 1.0f, float((1 - x - y) / d)};
    }
    out.flip = flip;
    if (withAsShot) {
        // As readAsShot answers: a smart preview from its header, any other file from its colour data.
        if (isPreview(file))
            out.asShot = header ? clampedAsShot(*header) : std::nullopt;
        else
            out.asShot = photo_detail::asShotOf(*raw.get(), raw->rawdata.color, file);
    }
    return out;
}
}  // namespace

RawImage load(const std::filesystem::path& file, float exposure) { return decode(file, exposure, false); }

RawImage loadWithAsShot(const std::filesystem::path& file, float exposure) { return decode(file, exposure, true); }

}  // namespace orvane::SmartPreview

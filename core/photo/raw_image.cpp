#include "core/photo/raw_image.h"

#include <algorithm>
#include <cmath>

#include "core/photo/dng_header.h"
#include "core/photo/libraw_support.h"
#include "core/photo/smart_preview.h"

namespace orvane {
using photo_detail::LibRawHandle;
using photo_detail::MemImage;

double RawImage::displayAspect() const {
    if (h <= 0 || w <= 0) return 0;
    return (flip == 5 || flip == 6) ? double(h) / double(w) : double(w) / double(h);
}

RawError::RawError(std::int32_t code, std::string message)
    : std::runtime_error("LibRaw " + std::to_string(code) + ": " + message), code_(code), message_(std::move(message)) {}

RawError RawError::fromLibRaw(int code) {
    const char* text = libraw_strerror(code);
    return RawError(code, text ? text : "");
}

RawImage loadRaw(const std::filesystem::path& file, bool fullLuma) {
    requireDngBlocksWithinFile(file);
    LibRawHandle raw;
    LibRawHandle::check(libraw_open_file(raw.get(), file.c_str()));
    LibRawHandle::check(libraw_unpack(raw.get()));
    // With user_flip 0 processing resets sizes.flip, so the file's orientation is taken first.
    const int flip = raw->sizes.flip;
    photo_detail::setLinearOutput(raw->params, true);
    LibRawHandle::check(libraw_dcraw_process(raw.get()));

    int error = 0;
    MemImage image(libraw_dcraw_make_mem_image(raw.get(), &error));
    if (!image.get()) throw RawError(error, "make_mem_image");
    const int W = image->width, H = image->height;
    // The layout is checked, not assumed: a short buffer would be read past its end.
    if (image->type != LIBRAW_IMAGE_BITMAP || image->colors != 3 || image->bits != 16 || W <= 0 || H <= 0 ||
        image->data_size < std::size_t(W) * std::size_t(H) * 6)
        throw RawError(-2, "make_mem_image");
    const auto* px = reinterpret_cast<const std::uint16_t*>(image->data);

    RawImage out;
    out.h = (H + 1) / 2;
    out.w = (W + 1) / 2;
    out.lin.resize(std::size_t(out.h) * out.w * 3);
    constexpr float kScale = 1.0f / 65535.0f;
    float* dst = out.lin.data();
    for (int i = 0; i < out.h; ++i) {
        const std::uint16_t* row = px + std::size_t(2 * i) * W * 3;
        for (int j = 0; j < out.w; ++j, dst += 3) {
            const std::uint16_t* s = row + std::size_t(2 * j) * 3;
            dst[0] = s[0] * kScale;
            dst[1] = s[1] * kScale;
            dst[2] = s[2] * kScale;
        }
    }

    out.lumaW = W;
    out.lumaH = H;
    if (fullLuma) {
        out.luma.resize(std::size_t(W) * H);
        photo_detail::fillLuma(px, out.luma.size(), 1.0f / 65535.0f, out.luma.data());
    }

    out.iso = raw->other.iso_speed;
    out.shutter = raw->other.shutter;
    out.aperture = raw->other.aperture;
    out.focal = raw->other.focal_len;
    out.model = photo_detail::fieldText(raw->idata.model, sizeof raw->idata.model);
    // The colour data kept with the raw data, not the processed copy.
    const libraw_colordata_t& color = raw->rawdata.color;
    out.wb = photo_detail::wbRatios(photo_detail::multipliers(color));
    out.asShot = photo_detail::asShotOf(*raw.get(), color, file);
    out.flip = flip;
    return out;
}

std::optional<float> readISO(const std::filesystem::path& file) {
    if (SmartPreview::isPreview(file)) return SmartPreview::header(file).iso;
    try {
        LibRawHandle raw;
        if (!raw.tryOpen(file)) return std::nullopt;
        float iso = raw->other.iso_speed;
        if (iso > 0) return iso;
    } catch (const RawError&) {
    }
    return std::nullopt;
}

int readFlip(const std::filesystem::path& file) {
    if (SmartPreview::isPreview(file)) return SmartPreview::header(file).flip;
    try {
        LibRawHandle raw;
        if (!raw.tryOpen(file)) return 0;
        return raw->sizes.flip;
    } catch (const RawError&) {
        return 0;
    }
}

double readDisplayAspect(const std::filesystem::path& file) {
    if (SmartPreview::isPreview(file)) {
        auto aspect = SmartPreview::header(file).aspect;
        if (!aspect) throw RawError(-2, "dimensiuni");
        return *aspect;
    }
    LibRawHandle raw;
    LibRawHandle::check(libraw_open_file(raw.get(), file.c_str()));
    const auto& s = raw->sizes;
    double W = s.iwidth ? s.iwidth : s.width;
    double H = s.iheight ? s.iheight : s.height;
    if (W == 0 || H == 0) throw RawError(-2, "dimensiuni");
    return (s.flip == 5 || s.flip == 6) ? H / W : W / H;
}

std::optional<AsShotWB> readAsShot(const std::filesystem::path& file) {
    if (SmartPreview::isPreview(file)) return SmartPreview::asShot(file);
    requireDngBlocksWithinFile(file);
    LibRawHandle raw;
    LibRawHandle::check(libraw_open_file(raw.get(), file.c_str()));
    LibRawHandle::check(libraw_unpack(raw.get()));
    return photo_detail::asShotOf(*raw.get(), raw->rawdata.color, file);
}

}  // namespace orvane

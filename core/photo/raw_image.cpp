#include "core/photo/raw_image.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string_view>

#include "core/photo/dng_header.h"
#include "core/photo/libraw_support.h"
#include "core/photo/smart_preview.h"

namespace orvane {
namespace fs = std::filesystem;
using photo_detail::LibRawHandle;
using photo_detail::MemImage;

double RawImage::displayAspect() const {
    if (h <= 0 || w <= 0) return 0;
    return (flip == 5 || flip == 6) ? double(h) / double(w) : double(w) / double(h);
}

namespace {

// The cause a LibRaw result code stands for, before looking at the file.
RawError::Cause causeOfCode(int code) {
    using C = RawError::Cause;
    switch (code) {
        case LIBRAW_FILE_UNSUPPORTED:
        case LIBRAW_NOT_IMPLEMENTED: return C::unsupportedFormat;
        case LIBRAW_REQUEST_FOR_NONEXISTENT_IMAGE: return C::noImageData;
        case LIBRAW_UNSUFFICIENT_MEMORY: return C::outOfMemory;
        case LIBRAW_IO_ERROR:  // a read past the end of a file that did open
        case LIBRAW_DATA_ERROR:
        case LIBRAW_BAD_CROP:
        case LIBRAW_TOO_BIG:
        case LIBRAW_MEMPOOL_OVERFLOW: return C::damaged;
        default: return C::failed;
    }
}

// True for the first bytes of a file that is plainly something else than a raw photo: a common image,
// video or document format, or text. Raw formats are TIFF-like or have their own signatures, none of
// these (the one ISO-media raw, Canon's CR3, says "crx ").
bool otherKindOfFile(std::string_view head) {
    auto starts = [&](std::string_view magic, std::size_t at = 0) { return head.substr(at, magic.size()) == magic; };
    if (starts("\xFF\xD8\xFF") || starts("\x89PNG") || starts("GIF8") || starts("BM") || starts("%PDF") ||
        starts("PK\x03\x04") || starts("8BPS") || (starts("RIFF") && starts("WEBP", 8)))
        return true;
    if (starts("ftyp", 4) && !starts("crx ", 8)) return true;  // HEIF, AVIF, MP4, MOV
    return std::all_of(head.begin(), head.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b >= 0x20 || b == '\t' || b == '\n' || b == '\r';
    });
}

// A TIFF-like file (as most raw formats are) whose first directory lies past its end: a file cut short.
bool tiffCutShort(std::string_view head, std::uintmax_t size) {
    if (head.size() < 8) return false;
    const auto b = [&](std::size_t i) { return std::uint32_t(static_cast<unsigned char>(head[i])); };
    std::uint32_t offset;
    if (head.substr(0, 4) == std::string_view("II*\0", 4))
        offset = b(4) | b(5) << 8 | b(6) << 16 | b(7) << 24;
    else if (head.substr(0, 4) == std::string_view("MM\0*", 4))
        offset = b(7) | b(6) << 8 | b(5) << 16 | b(4) << 24;
    else
        return false;
    return offset >= size;
}

}  // namespace

RawError::RawError(std::int32_t code, std::string message, Cause cause)
    : std::runtime_error(sentence(cause)), code_(code), message_(std::move(message)), cause_(cause) {}

std::string RawError::details() const { return "LibRaw " + std::to_string(code_) + ": " + message_; }

const char* RawError::sentence(Cause cause) {
    switch (cause) {
        case Cause::notRaw:
            return "Fișierul nu este o fotografie RAW, ci alt tip de fișier (de exemplu, un JPEG cu nume de fișier RAW).";
        case Cause::damaged: return "Fișierul RAW este incomplet sau deteriorat.";
        case Cause::unsupportedFormat:
            return "Formatul acestui fișier RAW nu poate fi citit de această versiune a aplicației.";
        case Cause::noImageData:
            return "Imaginea decodată nu are semnal (toți pixelii sunt negri): fișierul nu conține date de imagine";
        case Cause::unreadable: return "Fișierul nu există sau nu poate fi citit.";
        case Cause::outOfMemory: return "Nu este destulă memorie pentru a decoda fotografia.";
        case Cause::failed: break;
    }
    return "Fotografia nu a putut fi decodată.";
}

RawError RawError::fromLibRaw(int code) {
    const char* text = libraw_strerror(code);
    return RawError(code, text ? text : "", causeOfCode(code));
}

RawError RawError::fromLibRaw(int code, const std::filesystem::path& file) {
    RawError error = fromLibRaw(code);
    if (code != LIBRAW_IO_ERROR && code != LIBRAW_FILE_UNSUPPORTED) return error;
    std::error_code ec;
    std::ifstream in;
    if (fs::is_regular_file(file, ec)) in.open(file, std::ios::binary);
    if (!in.is_open()) return RawError(code, error.message(), Cause::unreadable);
    std::string head(512, '\0');
    in.read(head.data(), std::streamsize(head.size()));
    head.resize(std::size_t(in.gcount()));
    const std::uintmax_t size = fs::file_size(file, ec);
    Cause cause = error.cause();
    if (head.empty() || (code == LIBRAW_FILE_UNSUPPORTED && !ec && tiffCutShort(head, size)))
        cause = Cause::damaged;
    else if (otherKindOfFile(head))
        cause = Cause::notRaw;  // unsupported, or a short one read past its end
    return RawError(code, error.message(), cause);
}

RawImage loadRaw(const std::filesystem::path& file, bool fullLuma) {
    requireDngBlocksWithinFile(file);
    LibRawHandle raw;
    raw.open(file);
    raw.unpack();
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
        if (!aspect) throw RawError(-2, "dimensiuni", RawError::Cause::noImageData);
        return *aspect;
    }
    LibRawHandle raw;
    raw.open(file);
    const auto& s = raw->sizes;
    double W = s.iwidth ? s.iwidth : s.width;
    double H = s.iheight ? s.iheight : s.height;
    if (W == 0 || H == 0) throw RawError(-2, "dimensiuni", RawError::Cause::noImageData);
    return (s.flip == 5 || s.flip == 6) ? H / W : W / H;
}

std::optional<AsShotWB> readAsShot(const std::filesystem::path& file) {
    if (SmartPreview::isPreview(file)) return SmartPreview::asShot(file);
    requireDngBlocksWithinFile(file);
    LibRawHandle raw;
    raw.open(file);
    raw.unpack();
    return photo_detail::asShotOf(*raw.get(), raw->rawdata.color, file);
}

}  // namespace orvane

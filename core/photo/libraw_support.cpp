#include "core/photo/libraw_support.h"

#include "core/photo/dng_header.h"

#include <cmath>
#include <vector>

// LibRaw runs OpenMP loops; the OpenMP runtime comes in with libraw_r. Weak references keep the core
// free of a direct OpenMP dependency and still pin those loops to the calling thread.
extern "C" {
void omp_set_num_threads(int) __attribute__((weak));
int omp_get_max_threads() __attribute__((weak));
}

namespace orvane::photo_detail {

LibRawHandle::LibRawHandle() : raw_(libraw_init(0)), savedThreads_(0) {
    if (!raw_) throw RawError(-1, "init", RawError::Cause::outOfMemory);
    if (omp_set_num_threads && omp_get_max_threads) {
        savedThreads_ = omp_get_max_threads();
        omp_set_num_threads(1);
    }
}

LibRawHandle::~LibRawHandle() {
    libraw_close(raw_);
    if (savedThreads_ > 0 && omp_set_num_threads) omp_set_num_threads(savedThreads_);
}

void LibRawHandle::check(int result) {
    if (result != 0) throw RawError::fromLibRaw(result);
}

void LibRawHandle::open(const std::filesystem::path& file) {
    if (int result = libraw_open_file(raw_, file.c_str()); result != 0) throw RawError::fromLibRaw(result, file);
}

void LibRawHandle::unpack() {
    // Debian's LibRaw is built without zlib: its deflate decoder reports every deflate-compressed DNG
    // as corrupted data, though the file is one this build cannot read. (Named before unpacking, which
    // forgets the decoder when it fails.)
    const char* decoder = libraw_unpack_function_name(raw_);
    const bool deflate = decoder && std::string_view(decoder).starts_with("deflate_dng_load_raw");
    const int result = libraw_unpack(raw_);
    if (result == 0) return;
    RawError error = RawError::fromLibRaw(result);
    if (deflate) throw RawError(result, error.message(), RawError::Cause::unsupportedFormat);
    throw error;
}

bool LibRawHandle::tryOpen(const std::filesystem::path& file) { return libraw_open_file(raw_, file.c_str()) == 0; }

void setLinearOutput(libraw_output_params_t& p, bool halfSize) {
    p.half_size = halfSize ? 1 : 0;
    p.four_color_rgb = 0;
    p.highlight = 0;
    p.use_auto_wb = 0;
    p.use_camera_wb = 1;
    for (float& m : p.user_mul) m = 0;
    p.output_color = 1;
    p.output_bps = 16;
    p.gamm[0] = 1.0;
    p.gamm[1] = 1.0;
    p.no_auto_bright = 1;
    p.bright = 1.0f;
    p.threshold = 0;
    p.aber[0] = 1.0;
    p.aber[2] = 1.0;
    p.user_flip = 0;
    p.user_qual = -1;
    p.user_black = -1;
    p.user_sat = -1;
    p.med_passes = 0;
    p.auto_bright_thr = 0.01f;
    p.adjust_maximum_thr = 0.75f;
    p.bad_pixels = nullptr;
    p.dcb_iterations = 0;
    p.dcb_enhance_fl = 0;
    p.fbdd_noiserd = 0;
    p.exp_correc = -1;
    p.exp_shift = 1.0f;
    p.exp_preser = 0;
    p.no_auto_scale = 0;
}

std::string sanitizeUtf8(std::string_view s) {
    static const char kReplacement[] = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        auto b = static_cast<unsigned char>(s[i]);
        std::size_t len = b < 0x80 ? 1 : (b >= 0xC2 && b <= 0xDF) ? 2 : (b >= 0xE0 && b <= 0xEF) ? 3
                        : (b >= 0xF0 && b <= 0xF4) ? 4 : 0;
        bool ok = len > 0 && i + len <= s.size();
        for (std::size_t k = 1; ok && k < len; ++k) ok = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
        if (ok && len >= 3) {
            auto b1 = static_cast<unsigned char>(s[i + 1]);
            // No overlong forms, no surrogates, nothing past U+10FFFF.
            if (b == 0xE0 && b1 < 0xA0) ok = false;
            if (b == 0xED && b1 >= 0xA0) ok = false;
            if (b == 0xF0 && b1 < 0x90) ok = false;
            if (b == 0xF4 && b1 >= 0x90) ok = false;
        }
        if (ok) {
            out.append(s.substr(i, len));
            i += len;
        } else {
            out += kReplacement;
            ++i;
        }
    }
    return out;
}

std::string fieldText(const char* field, std::size_t size) {
    std::size_t n = 0;
    while (n < size && field[n] != 0) ++n;
    return sanitizeUtf8(std::string_view(field, n));
}

std::array<float, 3> multipliers(const libraw_colordata_t& color) {
    return {color.cam_mul[0], color.cam_mul[1], color.cam_mul[2]};
}

std::array<float, 3> wbRatios(const std::array<float, 3>& m) {
    for (float v : m)
        if (!(v > 0) || !std::isfinite(v)) return {1, 1, 1};
    return {m[0] / m[1], 1.0f, m[2] / m[1]};
}

std::optional<AsShotWB> asShotOf(const libraw_colordata_t& color) {
    auto mul = multipliers(color);
    if (!(mul[0] > 0) || !(mul[1] > 0) || !(mul[2] > 0)) return std::nullopt;
    Matrix3 camXyz;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) camXyz[r][c] = color.cam_xyz[r][c];
    if (invert3(camXyz)) return asShotFromCamera(mul, color.cam_xyz);

    std::vector<CalibratedMatrix> matrices;
    for (const auto& d : color.dng_color) {
        CalibratedMatrix m;
        m.illuminant = d.illuminant;
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) m.xyzToCamera[r][c] = d.colormatrix[r][c];
        if (invert3(m.xyzToCamera)) matrices.push_back(m);
    }
    auto xy = neutralChromaticity({1.0 / mul[0], 1.0 / mul[1], 1.0 / mul[2]}, matrices);
    if (!xy) return std::nullopt;
    return temperatureAndTint((*xy)[0], (*xy)[1]);
}

std::optional<AsShotWB> asShotOf(const libraw_data_t& raw, const libraw_colordata_t& color,
                                 const std::filesystem::path& file) {
    if (raw.idata.dng_version != 0)
        if (auto header = readDngHeader(file))
            if (auto wb = orvane::asShotOf(*header)) return wb;
    return asShotOf(color);
}

}  // namespace orvane::photo_detail

#pragma once
// Small shared pieces of the LibRaw readers: an owning handle, the decoder's error texts, the camera
// model text and the as-shot white balance from LibRaw's colour data. Internal to core/photo.
#include <libraw/libraw.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/photo/as_shot_wb.h"
#include "core/photo/raw_image.h"

namespace orvane::photo_detail {

// One LibRaw handle for one call, closed on every way out. Decoding inside runs on the calling thread
// only: parallelism comes from the callers' workers.
class LibRawHandle {
public:
    LibRawHandle();  // throws RawError(-1, "init", outOfMemory)
    ~LibRawHandle();
    LibRawHandle(const LibRawHandle&) = delete;
    LibRawHandle& operator=(const LibRawHandle&) = delete;

    libraw_data_t* get() const { return raw_; }
    libraw_data_t* operator->() const { return raw_; }
    // Throws RawError with LibRaw's code and text when `result` is not 0.
    static void check(int result);
    // Opens the file; throws RawError with LibRaw's code and text, the cause read from the file too.
    void open(const std::filesystem::path& file);
    // Unpacks the opened file; throws RawError with LibRaw's code and text and the cause.
    void unpack();
    // Opens the file; false on any failure (for the readers that never throw).
    bool tryOpen(const std::filesystem::path& file);

private:
    libraw_data_t* raw_;
    int savedThreads_;
};

// Processed memory image, freed with LibRaw's own call.
class MemImage {
public:
    explicit MemImage(libraw_processed_image_t* image) : image_(image) {}
    ~MemImage() {
        if (image_) libraw_dcraw_clear_mem(image_);
    }
    MemImage(const MemImage&) = delete;
    MemImage& operator=(const MemImage&) = delete;
    libraw_processed_image_t* operator->() const { return image_; }
    libraw_processed_image_t* get() const { return image_; }

private:
    libraw_processed_image_t* image_;
};

// The luma plane of every reader: for n pixels of 3 linear samples each (times `scale`), the square
// root of the weighted sum as a byte. Without errno semantics for sqrt GCC vectorises the loop (the
// argument is never negative, so nothing observable changes); it is the largest pass of a decode.
template <class Sample>
__attribute__((optimize("no-math-errno"))) void fillLuma(const Sample* rgb, std::size_t n, float scale,
                                                        std::uint8_t* out) {
    constexpr auto w = lumaWeights;
    for (std::size_t k = 0; k < n; ++k) {
        const Sample* s = rgb + k * 3;
        const float y = (w[0] * s[0] + w[1] * s[1] + w[2] * s[2]) * scale;
        out[k] = std::uint8_t(std::min(255.0f, 255.0f * std::sqrt(y)));
    }
}

// Output parameters of the linear half-size decode (camera white balance, sRGB primaries, linear
// 16-bit, no brightening, stored orientation).
void setLinearOutput(libraw_output_params_t& p, bool halfSize);

// Text of a fixed-size C field: up to the first zero byte (all bytes when none), invalid UTF-8 replaced
// with U+FFFD.
std::string fieldText(const char* field, std::size_t size);
// Valid UTF-8 with every invalid sequence replaced by U+FFFD.
std::string sanitizeUtf8(std::string_view bytes);

std::array<float, 3> multipliers(const libraw_colordata_t& color);
// [m0/m1, 1, m2/m1]; [1, 1, 1] when any multiplier is not positive or not finite: that is how the
// decoder says the camera recorded no white balance ([0, 1, 0], a negative first value).
std::array<float, 3> wbRatios(const std::array<float, 3>& mul);
// As-shot derivation on cam_mul and cam_xyz; with no usable cam_xyz, through the DNG colour matrices
// LibRaw keeps in dng_color.
std::optional<AsShotWB> asShotOf(const libraw_colordata_t& color);
// The as-shot white balance of an opened file. A DNG states its own colour model (analog balance,
// camera calibration, two colour matrices), which LibRaw does not fully keep, so it is read from the
// file's header exactly as the smart-preview reader does; other files use `color`.
std::optional<AsShotWB> asShotOf(const libraw_data_t& raw, const libraw_colordata_t& color,
                                 const std::filesystem::path& file);

}  // namespace orvane::photo_detail

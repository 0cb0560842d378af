#pragma once
// Raw camera files decoded into the one in-memory image every photo analysis works on, plus the small
// header questions (ISO, orientation, display aspect) asked without decoding.
//
// Every call makes its own LibRaw handle (thread-safe libraw_r) and closes it before returning, so the
// functions are safe to call from several worker threads at once.
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/photo/as_shot_wb.h"

namespace orvane {

// Weights of red, green and blue in the luma plane and the luma features.
inline constexpr std::array<float, 3> lumaWeights = {0.2126f, 0.7152f, 0.0722f};

// A decoded photo. The same record comes from the raw decoder, the embedded preview and the smart
// preview. Pixels are in the file's stored orientation; `flip` says how to turn them upright.
struct RawImage {
    std::vector<float> lin;             // linear RGB, 3 floats a pixel, row-major, top row first, 0..1
    int h = 0;                          // rows of lin
    int w = 0;                          // columns of lin
    std::array<float, 3> wb{1, 1, 1};   // white-balance ratios: red/green, 1, blue/green
    float iso = 0;                      // 0 when unknown
    float aperture = 0;                 // f-number
    float shutter = 0;                  // exposure time in seconds
    float focal = 0;                    // focal length in mm
    std::string model;                  // camera model
    std::vector<std::uint8_t> luma;     // gamma-encoded luminance; empty when not asked for
    int lumaW = 0;                      // columns of the luma plane
    int lumaH = 0;                      // rows of the luma plane
    std::optional<AsShotWB> asShot;     // camera's as-shot temperature and tint
    int flip = 0;                       // LibRaw orientation code: 0 none, 3 half turn, 5 ccw, 6 cw

    // Width over height as displayed: w/h, or h/w for flip 5 or 6.
    double displayAspect() const;

    bool operator==(const RawImage&) const = default;
};

// Failure of every raw, embedded-preview and smart-preview reader. `code` is LibRaw's error code, -1
// when no LibRaw handle could be made, -2 for a failure detected here; `message` is LibRaw's text for
// the code or a stage word of ours. Those two are for the log (details()); what the user reads,
// what(), is the one Romanian sentence of the refusal's cause.
class RawError : public std::runtime_error {
public:
    enum class Cause {
        notRaw,             // not a raw photo at all, for example a JPEG under a raw file's name
        damaged,            // cut short or corrupted
        unsupportedFormat,  // a raw format this build of the decoder cannot read
        noImageData,        // nothing to develop: no image in the file, or a black frame
        unreadable,         // missing, or not readable by this user
        outOfMemory,
        failed,             // the decoder failed for another reason
    };

    RawError(std::int32_t code, std::string message, Cause cause = Cause::failed);
    std::int32_t code() const { return code_; }
    const std::string& message() const { return message_; }
    Cause cause() const { return cause_; }
    std::string description() const { return what(); }
    // "LibRaw <code>: <message>", for the log and for anyone who asks for the details.
    std::string details() const;

    // The user's sentence for a cause.
    static const char* sentence(Cause cause);

    // LibRaw's code with its own text (libraw_strerror), the cause read from the code. With the file
    // (a failed open), the file is looked at too: missing or unreadable, or some other kind of file.
    static RawError fromLibRaw(int code);
    static RawError fromLibRaw(int code, const std::filesystem::path& file);

private:
    std::int32_t code_;
    std::string message_;
    Cause cause_;
};

// Decodes a raw file at half size with the camera's white balance, linear sRGB primaries, then keeps
// every second pixel of every second row in `lin`. With fullLuma the luma plane keeps the half-size
// resolution; lumaW and lumaH are set either way. No smart-preview branch: callers choose that reader.
RawImage loadRaw(const std::filesystem::path& file, bool fullLuma);

// ISO speed from the header; absent when unknown or the file cannot be opened. Never throws.
std::optional<float> readISO(const std::filesystem::path& file);
// LibRaw orientation code from the header; 0 when the file cannot be opened. Never throws.
int readFlip(const std::filesystem::path& file);
// Displayed width over height from the header; throws RawError.
double readDisplayAspect(const std::filesystem::path& file);

}  // namespace orvane

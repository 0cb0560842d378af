#pragma once
// Catalog smart previews: lossy-JPEG LinearRaw DNG files kept beside a catalog in
// "<catalog name> Smart Previews.lrdata", used when a photo's raw file is not on disk.
#include <filesystem>
#include <optional>
#include <string_view>

#include "core/photo/as_shot_wb.h"
#include "core/photo/raw_image.h"

namespace orvane::SmartPreview {

struct Header {
    std::optional<float> iso;
    int flip = 0;
    std::optional<double> aspect;  // displayed width over height

    bool operator==(const Header&) const = default;
};

// LibRaw flip code for an image orientation 1..8: 3 -> 3, 6 -> 6, 8 -> 5, anything else 0.
int flipForOrientation(int orientation);

// "<folder>/<name> Smart Previews.lrdata/<I'[0]>/<I'[0..4]>/<I'>.dng" with I' the identifier in upper
// case, when that file exists; absent for identifiers of fewer than four characters (disk not touched).
std::optional<std::filesystem::path> path(const std::filesystem::path& catalog, std::string_view fileID);

// Extension "dng" in any case and ".lrdata/" in the path.
bool isPreview(const std::filesystem::path& file);

// As-shot temperature and tint of the preview's neutral, tint clamped to -150..150; absent when the file
// has no usable neutral or colour matrix.
std::optional<AsShotWB> asShot(const std::filesystem::path& file);

// ISO, flip and aspect from the file's header; (absent, 0, absent) when it cannot be read.
Header header(const std::filesystem::path& file);

// Decodes the preview into linear sRGB with its as-shot white balance, the exposure offset (EV) applied
// and values clamped to 0..1, in stored orientation; half size above 4000 pixels of width. `asShot` is
// left absent. Throws RawError -2 with "Smart Preview nu se poate deschide", "Smart Preview: fără
// imagine" or "Smart Preview: dimensiuni".
RawImage load(const std::filesystem::path& file, float exposure);
// The same decode with `asShot` set to what readAsShot answers for the file, read from the same
// opening: a raw file decoded this way is unpacked once, not once more for its white balance.
RawImage loadWithAsShot(const std::filesystem::path& file, float exposure);

}  // namespace orvane::SmartPreview

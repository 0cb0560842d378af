#pragma once
// The camera's embedded JPEG preview of a raw file as a RawImage: the fast path that avoids raw decoding.
#include <filesystem>

#include "core/photo/raw_image.h"

namespace orvane::EmbeddedPreview {

// The preview scaled down (never up, aspect kept, not turned) so its longer side is at most maxSide,
// as linear sRGB with a luma plane of the same size, plus the camera metadata and as-shot white balance
// read at open time. Below 1617 any preview the file holds is used; from 1617 only a JPEG one.
// Throws RawError: -1 "init", LibRaw's code for the open, -2 "fotografia nu are previzualizare
// încorporată", "fără JPEG încorporat", "JPEG încorporat ilizibil" or "context".
RawImage load(const std::filesystem::path& file, int maxSide);

}  // namespace orvane::EmbeddedPreview

#pragma once
// Header values of a DNG (TIFF) file read without decoding: the main image's size, orientation, camera
// model, exposure data and the colour tags the white point needs. Every offset and count is checked
// against the file; a malformed file gives absent, never a read outside it.
#include <array>
#include <filesystem>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "core/photo/as_shot_wb.h"

namespace orvane {

struct DngHeader {
    int width = 0;        // main image (NewSubFileType 0): IFD0, else the first such SubIFD
    int height = 0;
    int orientation = 0;  // TIFF orientation 1..8; 0 when missing
    std::optional<std::string> model;
    std::optional<float> iso;           // first Exif ISO speed rating
    std::optional<double> fNumber;      // Exif
    std::optional<double> exposureTime; // Exif
    std::optional<double> focalLength;  // Exif
    std::optional<std::array<double, 3>> asShotNeutral;
    std::optional<std::array<double, 2>> asShotWhiteXY;
    // ColorMatrix1/2 with their illuminants and CameraCalibration1/2 (3-colour files); a calibration is
    // left at identity when its signature names another profile than the colour matrices'.
    std::vector<CalibratedMatrix> colorMatrices;
    std::array<double, 3> analogBalance{1, 1, 1};
};

std::optional<DngHeader> readDngHeader(const std::filesystem::path& file);
// The same from a seekable stream (the file's bytes from its start).
std::optional<DngHeader> readDngHeader(std::istream& in);

// Run before the decoder unpacks a file: refuses a DNG whose counted blocks declare more than the file
// holds. The decoder believes an opcode list's count and a tiled image's tile count and walks them one
// by one (an opcode count of 16 million held it for minutes), so every opcode list must hold the
// opcodes it declares, strip and tile tables must lie in the file and point inside it, and a tiled
// image must have a table entry per tile. Throws RawError(-2) with the reason; a file that is not a DNG
// (or not a TIFF at all) passes, as the decoder's own checks judge it.
void requireDngBlocksWithinFile(const std::filesystem::path& file);

// Chromaticity of the as-shot white: AsShotNeutral through the colour model, else AsShotWhiteXY.
// Absent when the file states neither usably.
std::optional<std::array<double, 2>> asShotWhite(const DngHeader& header);
// The as-shot white as temperature and tint (no clamping); absent as above or off the temperature scale.
std::optional<AsShotWB> asShotOf(const DngHeader& header);

}  // namespace orvane

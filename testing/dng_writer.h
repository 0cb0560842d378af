#pragma once
// Test support: small DNG files that LibRaw decodes, written by hand (little-endian TIFF).
//  - Bayer CFA (RGGB), uncompressed 16 bit or deflate (which Debian's LibRaw refuses), with camera
//    metadata, a colour matrix, AsShotNeutral and an optional embedded preview (JPEG or RGB bitmap).
//  - LinearRaw with lossy-JPEG tiles and a linearization table: the kind catalog smart previews are.
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace orvane::testing {

using Matrix3d = std::array<std::array<double, 3>, 3>;

// An XYZ-to-camera matrix (D65 calibration) of a made-up but plausible sensor.
Matrix3d defaultColorMatrix();

// Chromaticity (x, y) of the black-body light of that temperature (clamped to 1667–25000 K).
std::array<double, 2> planckianXY(double kelvin);

// Camera neutral (green 1) of the white point with chromaticity (x, y) under an XYZ-to-camera matrix.
std::array<double, 3> neutralForXY(double x, double y, const Matrix3d& colorMatrix = defaultColorMatrix());

// Linear scene value, 0..1 in camera space before white balance, for the pixel at (x, y) of the stored
// image of size (w, h). The default is a grey ramp times the neutral, so a decoder that applies the
// as-shot white balance gets neutral greys.
using SceneFn = std::function<std::array<double, 3>(int x, int y, int w, int h)>;

struct DngPreview {
    enum class Kind { jpeg, bitmap };
    Kind kind = Kind::jpeg;
    int width = 160;
    int height = 120;
    int quality = 90;
    // 8-bit sRGB colour of the preview pixel at (x, y); default a colour gradient.
    std::function<std::array<std::uint8_t, 3>(int x, int y)> pixel;
    // A JPEG that is not one (for decoders that must fail on it).
    bool corrupt = false;
};

struct DngSpec {
    int width = 64;
    int height = 48;
    int orientation = 1;  // TIFF orientation 1..8
    std::string make = "Orvane";
    std::string model = "Test Camera";
    std::optional<std::string> rawModelBytes;  // written as is into Model (no terminator when 64+ bytes)
    Matrix3d colorMatrix = defaultColorMatrix();
    std::optional<std::array<double, 3>> asShotNeutral = std::array<double, 3>{0.5, 1.0, 0.625};
    // What a raw converter writes besides: the light source of colorMatrix, a second matrix with its
    // own light source, camera calibrations for each and an analog balance.
    int illuminant1 = 21;
    std::optional<Matrix3d> colorMatrix2;
    int illuminant2 = 17;
    std::optional<Matrix3d> cameraCalibration1;
    std::optional<Matrix3d> cameraCalibration2;
    std::optional<std::array<double, 3>> analogBalance;
    std::optional<double> iso = 200;
    std::optional<double> exposureTime = 1.0 / 125;
    std::optional<double> fNumber = 5.6;
    std::optional<double> focalLength = 35;
    std::uint16_t blackLevel = 0;
    std::uint16_t whiteLevel = 65535;
    bool deflate = false;  // compression 8 instead of uncompressed
    std::optional<DngPreview> preview;
    SceneFn scene;  // default: grey ramp in camera space
};

// The DNG bytes; writeDng also creates the folder.
std::vector<std::uint8_t> dngBytes(const DngSpec& spec);
void writeDng(const std::filesystem::path& file, const DngSpec& spec);

struct SmartPreviewSpec {
    int width = 300;   // not a multiple of the 256-pixel tile, on purpose
    int height = 200;
    int orientation = 1;
    std::string make = "Orvane";
    std::string model = "Test Camera";
    Matrix3d colorMatrix = defaultColorMatrix();
    std::optional<std::array<double, 3>> asShotNeutral = std::array<double, 3>{0.5, 1.0, 0.625};
    std::optional<std::array<double, 2>> asShotWhiteXY;  // the other way a DNG states its white
    std::optional<double> iso = 400;  // absent: no ISO in the Exif IFD
    std::optional<double> exposureTime = 1.0 / 60;
    std::optional<double> fNumber = 2.8;
    std::optional<double> focalLength = 85;
    int quality = 92;
    SceneFn scene;  // default: grey ramp in camera space
    // Written as is as OpcodeList2 (big-endian, as the DNG format keeps opcode lists) when not empty.
    std::vector<std::uint8_t> opcodeList2;
};

// An opcode list of the given opcodes, each with its id and parameter bytes (version 1.3.0.0, no
// flags), in the byte order DNG files keep them.
struct DngOpcode {
    std::uint32_t id = 0;
    std::vector<std::uint8_t> parameters;
};
std::vector<std::uint8_t> dngOpcodeList(const std::vector<DngOpcode>& opcodes);

std::vector<std::uint8_t> smartPreviewBytes(const SmartPreviewSpec& spec);
void writeSmartPreview(const std::filesystem::path& file, const SmartPreviewSpec& spec);

// Where a catalog keeps the smart preview of a file record: "<name> Smart Previews.lrdata/<c>/<cccc>/<ID>.dng"
// beside the catalog, ID in upper case. Writes the preview there and returns the path.
std::filesystem::path writeCatalogSmartPreview(const std::filesystem::path& catalog, const std::string& fileID,
                                               const SmartPreviewSpec& spec);

}  // namespace orvane::testing

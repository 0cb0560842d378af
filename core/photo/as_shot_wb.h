#pragma once
// The camera's as-shot white balance as a colour temperature and a tint on the DNG scale, the form
// develop settings carry. The conversion is Robertson's method on the camera's colour matrix.
#include <array>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/base/strict_json.h"

namespace orvane {

struct AsShotWB {
    double kelvin = 0;  // correlated colour temperature
    double tint = 0;    // distance from the black-body locus in CIE 1960 (u, v), times -3000

    bool operator==(const AsShotWB&) const = default;
    template <class S, class V>
    static void describe(S& s, V& v) {
        v.req("kelvin", s.kelvin);
        v.req("tint", s.tint);
    }
};

using Matrix3 = std::array<std::array<double, 3>, 3>;

// Inverse of a 3x3 matrix given as rows; absent when |det| <= 1e-12 or det is not a number.
std::optional<Matrix3> invert3(const Matrix3& m);

// CIE 1931 chromaticity to temperature and tint; absent when 12y - 2x + 3 is 0.
std::optional<AsShotWB> temperatureAndTint(double x, double y);

// As-shot white balance from the camera multipliers (cam_mul[0..2]) and the camera-from-XYZ matrix
// (cam_xyz, first three rows and columns); absent for non-positive multipliers, a singular matrix or
// a white point whose XYZ sum is not positive.
std::optional<AsShotWB> asShotFromCamera(const std::array<float, 3>& mul, const float camXyz[][3]);

inline constexpr Matrix3 kIdentity3{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};

// A DNG colour matrix (XYZ to camera) with the EXIF light source it was calibrated under, and the
// camera calibration for that light source (identity when the file has none or it does not apply).
struct CalibratedMatrix {
    int illuminant = 0;
    Matrix3 xyzToCamera{};
    Matrix3 calibration = kIdentity3;
};

// CIE 1931 chromaticity (x, y) of a camera neutral (camera response to white) through the DNG colour
// model: XYZ to camera is AnalogBalance · CameraCalibration · ColorMatrix. With one matrix that product
// directly; with two, ColorMatrix and CameraCalibration are each interpolated in inverse temperature
// between their illuminants until the white point settles. Absent when no matrix inverts or the white
// point's XYZ sum is not positive.
std::optional<std::array<double, 2>> neutralChromaticity(const std::array<double, 3>& cameraNeutral,
                                                         const std::vector<CalibratedMatrix>& matrices,
                                                         const std::array<double, 3>& analogBalance = {1, 1, 1});

// A photo whose as-shot tint cannot be computed (its file records no white balance that converts to a
// temperature and tint) cannot be exported. The refusal names the file: "Nu pot calcula Tint-ul din
// cameră pentru <file name>", ended by whoever refuses (the export says that it stopped).
std::string noTintText(const std::string& fileName);

// Processing's refusal of such a photo: noTintText(fileName) and a full stop.
class NoTintError : public std::runtime_error {
public:
    explicit NoTintError(const std::string& fileName) : std::runtime_error(noTintText(fileName) + ".") {}
};

// Whole-file reader: opens and unpacks the file (no processing) and derives the as-shot white balance
// from the colour data kept with the raw data. Throws RawError when the file cannot be opened or
// unpacked. Smart previews are answered from their own header and never throw.
std::optional<AsShotWB> readAsShot(const std::filesystem::path& file);

}  // namespace orvane

#pragma once
// The synthetic scenes the base models learn from, shared by the generating tool and its test:
// raw files of varied brightness, contrast and light, taken with the colour responses of many real
// cameras, labelled by a neutral rule.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/photo/raw_image.h"
#include "testing/dng_writer.h"

namespace orvane::base_models {

// A camera's colour response: its XYZ-to-camera matrix (D65), as raw converters use it.
struct Camera {
    std::string name;  // maker and model, as LibRaw lists them
    testing::Matrix3d colorMatrix{};
};

// Every distinct colour matrix the installed LibRaw carries for a three-colour camera whose response
// to white stays plausible from 2,000 to 12,000 K, in LibRaw's camera-list order, each under the first
// camera that carries it. Several hundred; fixed for one LibRaw build.
const std::vector<Camera>& libRawCameras();

// Cameras no training scene uses, so a test can tell whether the models read cameras they never saw:
// well-known bodies of several makers (and the one real raw file Debian ships, a Canon EOS 30D).
const std::vector<Camera>& heldOutCameras();

// The cameras the training scenes draw from: libRawCameras() without the held-out ones and without
// any whose matrix is nearly the same as a held-out camera's (sibling bodies often share a sensor).
const std::vector<Camera>& trainingCameras();

struct Scene {
    double kelvin = 5500;      // colour temperature of the light
    double tint = 0;           // the light's distance from the black-body locus, on the DNG tint scale
    double brightness = 0.18;  // linear level of the scene's middle tones before clipping
    double contrast = 1.0;     // spread of the reflectances around the middle
    int pattern = 0;           // which arrangement of light and dark areas
    double iso = 200;
    double shutter = 1.0 / 125;
    double aperture = 5.6;
    testing::Matrix3d colorMatrix = testing::defaultColorMatrix();  // the camera's colour response
};

// Scene `index` of the fixed, seeded series, taken with one of the training cameras. The shipped
// models learn from the first `trainingScenes`; tests take theirs from beyond.
Scene scene(int index);
inline constexpr int trainingScenes = 1500;

// Chromaticity (x, y) of the scene's light: the black-body light of its temperature moved off the
// locus by its tint.
std::array<double, 2> lightXY(const Scene& s);

testing::DngSpec dngSpec(const Scene& s);
testing::SmartPreviewSpec previewSpec(const Scene& s);

// The neutral label of a decoded scene: the exposure (EV) that brings the median luminance to mid grey
// (0.18 linear), within -5…+5.
double neutralExposure(const RawImage& raw);

}  // namespace orvane::base_models

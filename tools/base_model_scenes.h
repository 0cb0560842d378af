#pragma once
// The synthetic scenes the base models learn from, shared by the generating tool and its test:
// raw files of varied brightness, contrast and light, labelled by a neutral rule.
#include <cstdint>
#include <filesystem>
#include <optional>

#include "core/photo/raw_image.h"
#include "testing/dng_writer.h"

namespace orvane::base_models {

struct Scene {
    double kelvin = 5500;      // colour temperature of the light
    double brightness = 0.18;  // linear level of the scene's middle tones before clipping
    double contrast = 1.0;     // spread of the reflectances around the middle
    int pattern = 0;           // which arrangement of light and dark areas
    double iso = 200;
    double shutter = 1.0 / 125;
    double aperture = 5.6;
};

// Scene `index` of the fixed, seeded series.
Scene scene(int index);

testing::DngSpec dngSpec(const Scene& s);
testing::SmartPreviewSpec previewSpec(const Scene& s);

// The neutral label of a decoded scene: the exposure (EV) that brings the median luminance to mid grey
// (0.18 linear), within -5…+5.
double neutralExposure(const RawImage& raw);

}  // namespace orvane::base_models

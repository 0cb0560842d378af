#pragma once
// Test support for the face analyses: drawn outlines.
#include <cmath>
#include <numbers>

#include "core/vision/outline.h"

namespace orvane::testing {

// n points round an ellipse, starting at its right end and turning towards +y.
inline Outline ring(double cx, double cy, double rx, double ry, int n) {
    Outline o;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * std::numbers::pi * i / n;
        o.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
    return o;
}

}  // namespace orvane::testing

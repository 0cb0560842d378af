#pragma once
// A rectangle in normalised photo coordinates: x to the right, y downwards, 0 to 1 on each axis.
namespace orvane {

struct NormRect {
    double left = 0, top = 0, right = 0, bottom = 0;

    double width() const { return right - left; }
    double height() const { return bottom - top; }

    bool operator==(const NormRect&) const = default;
};

}  // namespace orvane

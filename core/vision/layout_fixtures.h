#pragma once
// Person layouts built in code for the crop tests, and a check of a rect against the expected one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "core/photo/analysis_records.h"
#include "core/vision/norm_rect.h"

namespace orvane::testing {

// A person whose mask fills its box evenly: the column profile spreads over the strips it covers.
// The area defaults to 60 % of the box.
inline PersonInfo person(double l, double t, double r, double b, std::optional<double> area = std::nullopt) {
    PersonInfo p{l, t, r, b, area.value_or(0.6 * (r - l) * (b - t)), std::vector<float>(100, 0.0f)};
    const int first = static_cast<int>(std::floor(l * 100 + 1e-9));
    const int last = std::max(first, static_cast<int>(std::ceil(r * 100 - 1e-9)) - 1);
    for (int i = first; i <= last && i < 100; ++i) p.cols[i] = 1.0f / static_cast<float>(last - first + 1);
    return p;
}

inline PersonRegion region(double l, double t, double r, double b) { return PersonRegion{l, t, r, b}; }

// A current layout: faces and bodies present (empty unless given).
inline PersonLayout layoutOf(std::vector<PersonInfo> people, std::vector<PersonRegion> faces = {},
                             std::vector<PersonRegion> bodies = {}) {
    return PersonLayout::make(std::move(people), std::move(faces), std::move(bodies), true);
}

// The four scenes the crop tests share (photos of aspect 1.5).
// A single standing person in the middle of the frame.
inline PersonLayout singleStanding() { return layoutOf({person(0.4, 0.2, 0.55, 0.9, 0.06)}); }
// A person sitting: wider than a standing one, well inside the frame.
inline PersonLayout seated() { return layoutOf({person(0.3, 0.3, 0.7, 0.85, 0.15)}); }
// Two standing people side by side.
inline PersonLayout group() {
    return layoutOf({person(0.3, 0.2, 0.45, 0.9, 0.06), person(0.5, 0.2, 0.65, 0.9, 0.06)});
}
// Two wide subjects and a neighbour cut off at the right edge whose mask lies mostly near its left side.
inline PersonInfo edgeNeighbour() {
    PersonInfo n{0.81, 0.35, 1.0, 0.85, 0.04, std::vector<float>(100, 0.0f)};
    for (int i = 81; i <= 83; ++i) n.cols[i] = 0.2f;
    for (int i = 84; i <= 99; ++i) n.cols[i] = 0.025f;
    return n;
}
inline PersonLayout crowdWithIntruder() {
    return layoutOf({person(0.1, 0.3, 0.43, 0.85, 0.12), person(0.47, 0.3, 0.8, 0.85, 0.12), edgeNeighbour()});
}

inline void expectRect(const std::optional<NormRect>& got, const NormRect& want, double tol = 1e-9) {
    ASSERT_TRUE(got.has_value());
    EXPECT_NEAR(got->left, want.left, tol);
    EXPECT_NEAR(got->top, want.top, tol);
    EXPECT_NEAR(got->right, want.right, tol);
    EXPECT_NEAR(got->bottom, want.bottom, tol);
}

}  // namespace orvane::testing

#include "core/photo/as_shot_wb.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orvane {
namespace {

TEST(TemperatureAndTint, matchesTheReferenceWhitePoints) {
    struct Case {
        const char* name;
        double x, y, kelvin, kelvinTol, tint, tintTol;
    } cases[] = {
        {"D65", 0.3127, 0.3290, 6504, 3, 9.8, 0.3},
        {"illuminant A", 0.44757, 0.40745, 2856, 3, 0.0, 0.3},
        {"equal energy", 1 / 3.0, 1 / 3.0, 5454, 3, -13, 0.5},
        // Redder than the last line: stops at line 30 with no interpolation.
        {"beyond 600 mired", 0.6, 0.38, 1e6 / 600, 1e-9, NAN, 0},
        // Bluer than the 10-mired line: the first line already has dt <= 0.
        {"beyond 10 mired", 0.2, 0.2, 100000, 1e-6, NAN, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto wb = temperatureAndTint(c.x, c.y);
        ASSERT_TRUE(wb);
        EXPECT_NEAR(wb->kelvin, c.kelvin, c.kelvinTol);
        if (!std::isnan(c.tint)) { EXPECT_NEAR(wb->tint, c.tint, c.tintTol); }
        EXPECT_TRUE(std::isfinite(wb->tint));
    }
    EXPECT_FALSE(temperatureAndTint(1.5, 0.0));  // 12y - 2x + 3 == 0
}

TEST(Invert3, refusesNearlySingularMatrices) {
    Matrix3 tiny{{{1e-13, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    EXPECT_FALSE(invert3(tiny));
    Matrix3 small{{{2e-12, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    auto inv = invert3(small);
    ASSERT_TRUE(inv);
    EXPECT_DOUBLE_EQ((*inv)[0][0], 5e11);
    EXPECT_FALSE(invert3(Matrix3{{{NAN, 0, 0}, {0, 1, 0}, {0, 0, 1}}}));

    Matrix3 m{{{2, 1, 0}, {0, 3, 1}, {1, 0, 4}}};
    auto mi = invert3(m);
    ASSERT_TRUE(mi);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            double sum = 0;
            for (int k = 0; k < 3; ++k) sum += m[r][k] * (*mi)[k][c];
            EXPECT_NEAR(sum, r == c ? 1 : 0, 1e-12);
        }
}

TEST(AsShotFromCamera, derivesTheWhitePointOfTheMultipliers) {
    // Identity matrix: the camera space is XYZ, so the white is (1/m0, 1/m1, 1/m2).
    const float identity[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}};
    double X = 0.3127 / 0.3290, Z = (1 - 0.3127 - 0.3290) / 0.3290;
    auto wb = asShotFromCamera({float(1 / X), 1.0f, float(1 / Z)}, identity);
    ASSERT_TRUE(wb);
    EXPECT_NEAR(wb->kelvin, 6504, 3);

    EXPECT_FALSE(asShotFromCamera({2.0f, 1.0f, 0.0f}, identity));
    EXPECT_FALSE(asShotFromCamera({-1.0f, 1.0f, 1.0f}, identity));
    const float singular[4][3] = {{1, 0, 0}, {1, 0, 0}, {0, 0, 1}, {0, 0, 0}};
    EXPECT_FALSE(asShotFromCamera({1.0f, 1.0f, 1.0f}, singular));
    // White with a negative XYZ sum.
    const float negative[4][3] = {{-1, 0, 0}, {0, -1, 0}, {0, 0, -1}, {0, 0, 0}};
    EXPECT_FALSE(asShotFromCamera({1.0f, 1.0f, 1.0f}, negative));
}

TEST(NeutralChromaticity, interpolatesTwoMatricesAtTheWhitePointsTemperature) {
    Matrix3 a{{{0.70, -0.10, -0.05}, {-0.60, 1.40, 0.20}, {-0.05, 0.15, 0.50}}};
    Matrix3 d65{{{0.60, -0.05, -0.10}, {-0.75, 1.55, 0.22}, {-0.15, 0.20, 0.75}}};
    std::array<double, 3> neutral{0.55, 1.0, 0.7};

    auto one = neutralChromaticity(neutral, {{21, d65}});
    auto same = neutralChromaticity(neutral, {{17, d65}, {21, d65}});
    ASSERT_TRUE(one && same);
    EXPECT_NEAR((*one)[0], (*same)[0], 1e-9);

    auto xy = neutralChromaticity(neutral, {{17, a}, {21, d65}});
    ASSERT_TRUE(xy);
    // Self-consistent: the matrix taken at the result's temperature maps that white back to the neutral.
    double k = temperatureAndTint((*xy)[0], (*xy)[1])->kelvin;
    double g = k <= 2850 ? 1 : k >= 6500 ? 0 : (1 / k - 1 / 6500.0) / (1 / 2850.0 - 1 / 6500.0);
    std::array<double, 3> xyz{(*xy)[0] / (*xy)[1], 1, (1 - (*xy)[0] - (*xy)[1]) / (*xy)[1]};
    std::array<double, 3> cam{};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) cam[r] += (g * a[r][c] + (1 - g) * d65[r][c]) * xyz[c];
    EXPECT_NEAR(cam[0] / cam[1], neutral[0], 1e-5);
    EXPECT_NEAR(cam[2] / cam[1], neutral[2], 1e-5);

    EXPECT_FALSE(neutralChromaticity(neutral, {}));
}

TEST(AsShotWB, storesKelvinAndTint) {
    AsShotWB wb{5200.5, -12.25};
    Json j = json::encode(wb);
    EXPECT_EQ(j.dump(), R"({"kelvin":5200.5,"tint":-12.25})");
    EXPECT_EQ(json::decode<AsShotWB>(j), wb);
    EXPECT_THROW(json::decode<AsShotWB>(Json::parse(R"({"kelvin":5200})")), json::DecodeError);
    EXPECT_THROW(json::decode<AsShotWB>(Json::parse(R"({"kelvin":"5200","tint":1})")), json::DecodeError);
}

}  // namespace
}  // namespace orvane

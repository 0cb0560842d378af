#include "core/photo/features.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "testing/dng_writer.h"
#include "testing/temp_dir.h"

namespace orvane {
namespace {

RawImage uniform(int w, int h, float r, float g, float b) {
    RawImage img;
    img.w = w;
    img.h = h;
    img.lin.resize(static_cast<std::size_t>(w * h * 3));
    for (std::size_t i = 0; i < img.lin.size(); i += 3) {
        img.lin[i] = r;
        img.lin[i + 1] = g;
        img.lin[i + 2] = b;
    }
    img.wb = {2.0f, 1.0f, 1.5f};
    img.iso = 400;
    img.aperture = 4;
    img.shutter = 1.0f / 128;
    img.focal = 50;
    img.model = "ILCE-7M4";
    return img;
}

float srgb(float v) { return v <= 0.0031308f ? 12.92f * v : 1.055f * std::pow(v, 0.41666666f) - 0.055f; }

TEST(Features, namesArePinned) {
    const std::vector<std::string> expected = {
        "lin_mean", "lin_logmean", "lin_center", "y_mean", "y_std", "clip_lo", "clip_hi", "lin_p1", "lin_p5",
        "lin_p25", "lin_p50", "lin_p75", "lin_p90", "lin_p95", "lin_p99", "y_p1", "y_p5", "y_p25", "y_p50",
        "y_p75", "y_p90", "y_p95", "y_p99", "hist00", "hist01", "hist02", "hist03", "hist04", "hist05", "hist06",
        "hist07", "hist08", "hist09", "hist10", "hist11", "hist12", "hist13", "hist14", "hist15", "rg", "bg",
        "rg_mid", "bg_mid", "sat_mean", "zone00", "zone01", "zone02", "zone10", "zone11", "zone12", "zone20",
        "zone21", "zone22", "bv", "log2_iso", "av", "tv", "log_focala", "a7m4", "log_wb_r", "log_wb_b",
        "face_has", "face_nfront", "face_widest", "face_lum_med", "face_lum_min", "face_lum_max", "face_area"};
    EXPECT_EQ(Features::allNames(), expected);
    EXPECT_EQ(Features::names().size(), 61u);
    EXPECT_EQ(Features::names().size(), Features::imageCount);
    EXPECT_EQ(Features::allNames().size(), Features::count);
}

TEST(Features, allBlackImage) {
    auto f = Features::image(uniform(4, 4, 0, 0, 0));
    EXPECT_EQ(f["lin_mean"], 0);
    EXPECT_DOUBLE_EQ(f["lin_logmean"], std::log2(0.0001f));
    EXPECT_EQ(f["clip_lo"], 1);
    EXPECT_EQ(f["clip_hi"], 0);
    EXPECT_EQ(f["hist00"], 1);
    for (int k = 1; k < 16; ++k) EXPECT_EQ(f[Features::names()[23 + static_cast<std::size_t>(k)]], 0) << k;
    EXPECT_TRUE(std::isnan(f["rg"]));
    EXPECT_TRUE(std::isnan(f["bg"]));
    EXPECT_TRUE(std::isnan(f["rg_mid"]));  // no mid tones: repeats rg
    EXPECT_EQ(f["y_std"], 0);
    EXPECT_EQ(f["sat_mean"], 0);
}

TEST(Features, midGreyImage) {
    auto img = uniform(11, 11, 0.18f, 0.18f, 0.18f);  // 121 mid-tone pixels: more than 100
    auto f = Features::image(img);
    const float yl = 0.2126f * 0.18f + 0.7152f * 0.18f + 0.0722f * 0.18f;
    const float ys = 0.2126f * srgb(0.18f) + 0.7152f * srgb(0.18f) + 0.0722f * srgb(0.18f);
    EXPECT_NEAR(f["lin_mean"], yl, 1e-7);
    EXPECT_NEAR(f["y_mean"], ys, 1e-6);
    EXPECT_NEAR(f["lin_center"], yl, 1e-7);
    EXPECT_NEAR(f["zone11"], ys, 1e-6);
    EXPECT_NEAR(f["y_p50"], ys, 1e-7);
    EXPECT_EQ(f["hist07"], 1);  // 16 x 0.461 = 7.4
    EXPECT_DOUBLE_EQ(f["rg"], 1);
    EXPECT_DOUBLE_EQ(f["rg_mid"], 1);
    EXPECT_EQ(f["clip_lo"], 0);
}

TEST(Features, patternWithAClippedHighlight) {
    // 3 x 3: row-major luminances, one pixel above 1 (clipped for display, counted high through Yl).
    RawImage img = uniform(3, 3, 0, 0, 0);
    const float grey[9] = {0.0f, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 2.0f};
    for (int i = 0; i < 9; ++i) img.lin[3 * i] = img.lin[3 * i + 1] = img.lin[3 * i + 2] = grey[i];
    // Colour in one pixel, for the ratios and saturation.
    img.lin[3 * 4] = 0.8f;
    auto f = Features::image(img);
    EXPECT_NEAR(f["clip_hi"], 1.0 / 9, 1e-12);
    EXPECT_NEAR(f["hist15"], 1.0 / 9, 1e-12);  // clamped to 1: the top bin
    EXPECT_NEAR(f["clip_lo"], 1.0 / 9, 1e-12);
    // Each zone is a single pixel here; the centre box is rows 0..1 and columns 0..1.
    EXPECT_NEAR(f["zone00"], 0, 1e-7);
    EXPECT_NEAR(f["zone22"], 1.0, 1e-6);
    EXPECT_NEAR(f["zone01"], srgb(0.1f), 1e-6);
    const float l4 = 0.2126f * 0.8f + 0.7152f * 0.4f + 0.0722f * 0.4f;
    EXPECT_NEAR(f["lin_center"], (0.0 + 0.1 + 0.3 + l4) / 4, 1e-6);
    EXPECT_NEAR(f["rg"], (0.1 + 0.2 + 0.3 + 0.8 + 0.5 + 0.6 + 0.7 + 2.0) / (0.1 + 0.2 + 0.3 + 0.4 + 0.5 + 0.6 + 0.7 + 2.0), 1e-6);
    EXPECT_EQ(f["rg_mid"], f["rg"]);  // too few mid tones
    EXPECT_GT(f["sat_mean"], 0);
}

TEST(Features, percentilesInterpolateBetweenRanks) {
    EXPECT_EQ(Features::percentiles({0.7f}), std::vector<double>(8, static_cast<double>(0.7f)));
    auto two = Features::percentiles({1.0f, 0.0f});
    EXPECT_DOUBLE_EQ(two[2], 0.25);
    EXPECT_DOUBLE_EQ(two[0], 0.01);
    std::vector<float> hundred;
    for (int i = 100; i >= 0; --i) hundred.push_back(static_cast<float>(i));
    auto p = Features::percentiles(hundred);
    EXPECT_EQ(p, (std::vector<double>{1, 5, 25, 50, 75, 90, 95, 99}));
    // Selection must give exactly what a full sort gives, duplicates included.
    std::vector<float> dup = {3, 1, 3, 2, 2, 9, 0, 3, 3, 7, 1};
    auto sorted = dup;
    std::sort(sorted.begin(), sorted.end());
    auto q = Features::percentiles(dup);
    for (std::size_t k = 0; k < 8; ++k) {
        double c = Features::pct()[k] / 100 * 10;
        auto i = static_cast<std::size_t>(c);
        auto j = std::min<std::size_t>(10, i + 1);
        EXPECT_DOUBLE_EQ(q[k], sorted[i] + (c - static_cast<double>(i)) * (sorted[j] - sorted[i]));
    }
    EXPECT_THROW(Features::percentiles({}), FeatureError);

    // Large inputs: spread out, clustered in one narrow band, and signed; always what a sort gives.
    std::mt19937 rng(42);
    std::uniform_real_distribution<float> spread(-2.0f, 3.0f), narrow(0.5f, 0.5001f);
    for (int kind = 0; kind < 3; ++kind) {
        std::vector<float> values(100001);
        for (auto& v : values) v = kind == 0 ? spread(rng) : kind == 1 ? narrow(rng) : -narrow(rng);
        auto sortedValues = values;
        std::sort(sortedValues.begin(), sortedValues.end());
        auto got = Features::percentiles(values);
        for (std::size_t k = 0; k < 8; ++k) {
            double c = Features::pct()[k] / 100 * 100000;
            auto i = static_cast<std::size_t>(c);
            auto j = std::min<std::size_t>(100000, i + 1);
            EXPECT_DOUBLE_EQ(got[k], sortedValues[i] + (c - static_cast<double>(i)) * (sortedValues[j] - sortedValues[i]))
                << kind << " " << k;
        }
    }
}

TEST(Features, metadataTerms) {
    auto img = uniform(4, 4, 0.2f, 0.2f, 0.2f);
    auto v = Features::vector(img);
    ASSERT_EQ(v.size(), 61u);
    EXPECT_DOUBLE_EQ(v[53], 2 * 2 + 7 - 2);  // bv: f/4, 1/128 s, ISO 400
    EXPECT_DOUBLE_EQ(v[54], std::log2(400.0));
    EXPECT_DOUBLE_EQ(v[55], 4);
    EXPECT_DOUBLE_EQ(v[56], 7);
    EXPECT_DOUBLE_EQ(v[57], std::log(50.0));
    EXPECT_EQ(v[58], 1);
    EXPECT_DOUBLE_EQ(v[59], std::log(2.0));
    EXPECT_DOUBLE_EQ(v[60], std::log(1.5));
    for (const char* other : {"ILCE-7M4 ", "ILCE-7M4A", "ilce-7m4", ""}) {
        img.model = other;
        EXPECT_EQ(Features::vector(img)[58], 0) << other;
    }
    img.iso = 0;  // unguarded: an infinite logarithm, kept as is
    EXPECT_TRUE(std::isinf(Features::vector(img)[54]));
}

TEST(Features, faceVector) {
    auto face = [](double width, std::optional<double> lum) {
        return SkinRegion{0.1, 0.1, 0.1 + width, 0.3, {}, 0.004, lum, 2};
    };
    const std::vector<double> none = {0, 0, 0, -12, -12, -12, 0};
    EXPECT_EQ(Features::faceVector({}), none);
    EXPECT_EQ(Features::faceVector({face(0.2, std::nullopt), face(0.2, 0.001)}), none);

    auto one = Features::faceVector({face(0.2, 0.5)});
    const double w = (0.1 + 0.2) - 0.1, hgt = 0.3 - 0.1;
    EXPECT_EQ(one, (std::vector<double>{1, 1, w, -1, -1, -1, w * hgt}));

    // Widths 0.2 and 0.09: only the first is frontal, both count toward the area.
    auto two = Features::faceVector({face(0.2, 0.25), face(0.09, 0.9)});
    EXPECT_EQ(two[1], 1);
    EXPECT_DOUBLE_EQ(two[4], -2);
    EXPECT_NEAR(two[6], 0.2 * 0.2 + 0.09 * 0.2, 1e-12);
    EXPECT_NEAR(two[2], 0.2, 1e-12);

    // Four frontal faces: the median is the third smallest (position 2).
    auto four = Features::faceVector({face(0.2, 0.5), face(0.15, 0.125), face(0.11, 0.25), face(0.18, 1.0)});
    EXPECT_EQ(four[1], 4);
    EXPECT_DOUBLE_EQ(four[3], -1);
    EXPECT_DOUBLE_EQ(four[4], -3);
    EXPECT_DOUBLE_EQ(four[5], 0);
    // A tiny luminance is floored before the logarithm.
    EXPECT_DOUBLE_EQ(Features::faceVector({face(0.2, 0.00005 + 0.001)})[3], std::log2(0.00105));
}

TEST(Features, fullVectorHas68Values) {
    auto img = uniform(5, 4, 0.3f, 0.2f, 0.1f);
    EXPECT_EQ(Features::vector(img, {}).size(), 68u);
    EXPECT_EQ(Features::vector(img).size(), 61u);
}

TEST(Features, imagesTooSmallToMeasureFail) {
    struct Case {
        const char* name;
        int w, h;
        std::size_t values;
    };
    const Case cases[] = {{"empty", 0, 0, 0}, {"twoByTwo", 2, 2, 12}, {"oneRow", 9, 1, 27}, {"twoColumns", 2, 9, 54},
                          {"wrongValueCount", 4, 4, 47}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RawImage img;
        img.w = c.w;
        img.h = c.h;
        img.lin.assign(c.values, 0.5f);
        EXPECT_THROW(Features::vector(img), FeatureError);
    }
    EXPECT_NO_THROW(Features::vector(uniform(3, 3, 0.5f, 0.5f, 0.5f)));
}

TEST(Features, metadataTermsOfAGeneratedRawFile) {
    orvane::testing::TempDir dir;
    orvane::testing::DngSpec spec;
    spec.iso = 800;
    spec.exposureTime = 1.0 / 250;
    spec.fNumber = 2.8;
    spec.focalLength = 85;
    spec.model = "ILCE-7M4";
    orvane::testing::writeDng(dir / "a.dng", spec);
    const RawImage raw = loadRaw(dir / "a.dng", false);
    const auto v = Features::vector(raw);
    const double av = 2 * std::log2(static_cast<double>(raw.aperture));
    const double tv = -std::log2(static_cast<double>(raw.shutter));
    EXPECT_NEAR(v[54], std::log2(800.0), 1e-6);
    EXPECT_NEAR(v[55], av, 1e-12);
    EXPECT_NEAR(av, 2 * std::log2(2.8), 1e-5);
    EXPECT_NEAR(v[56], tv, 1e-12);
    EXPECT_NEAR(tv, std::log2(250.0), 1e-5);
    EXPECT_NEAR(v[53], av + tv - std::log2(8.0), 1e-6);
    EXPECT_NEAR(v[57], std::log(85.0), 1e-6);
    EXPECT_EQ(v[58], 1);
    EXPECT_NEAR(v[59], std::log(static_cast<double>(raw.wb[0])), 1e-12);
    EXPECT_NEAR(v[60], std::log(static_cast<double>(raw.wb[2])), 1e-12);
    // The generator's neutral is 0.5 : 1 : 0.625, so the ratios are its inverse.
    EXPECT_NEAR(v[59], std::log(2.0), 1e-3);
    EXPECT_NEAR(v[60], std::log(1.6), 1e-3);
}

}  // namespace
}  // namespace orvane

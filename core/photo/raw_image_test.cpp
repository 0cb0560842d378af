#include "core/photo/raw_image.h"

#include <gtest/gtest.h>
#include <libraw/libraw.h>

#include <cmath>
#include <set>
#include <string>
#include <thread>

#include <opencv2/imgcodecs.hpp>

#include "core/photo/dng_header.h"
#include "core/photo/embedded_preview.h"
#include "core/photo/libraw_support.h"
#include "core/photo/smart_preview.h"
#include "testing/debian_raw.h"
#include "testing/dng_writer.h"
#include "testing/temp_dir.h"

extern "C" {
void omp_set_num_threads(int) __attribute__((weak));
int omp_get_max_threads() __attribute__((weak));
}

namespace orvane {
namespace {

using testing::DngSpec;
using testing::TempDir;

std::array<double, 3> flatGrey(double level, const std::array<double, 3>& n, int, int) {
    double top = std::max({n[0], n[1], n[2]});
    return {level * n[0] / top, level * n[1] / top, level * n[2] / top};
}

TEST(LoadRaw, decodesGeneratedDngs) {
    struct Case {
        const char* name;
        int width, height, orientation, flip;
        double x, y;  // white point the neutral is made from
    } cases[] = {
        {"even, upright, daylight", 64, 48, 1, 0, 0.3324, 0.3474},
        {"odd, half turn, tungsten", 65, 49, 3, 3, 0.4476, 0.4074},
        {"odd width, clockwise, shade", 67, 48, 6, 6, 0.3000, 0.3150},
        {"odd height, counter-clockwise", 64, 51, 8, 5, 0.3457, 0.3585},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DngSpec spec;
        spec.width = c.width;
        spec.height = c.height;
        spec.orientation = c.orientation;
        spec.asShotNeutral = testing::neutralForXY(c.x, c.y);
        spec.model = "Probe X-1";
        spec.iso = 1600;
        spec.exposureTime = 1.0 / 250;
        spec.fNumber = 4;
        spec.focalLength = 50;
        auto file = dir / (std::string(c.name) + ".dng");
        testing::writeDng(file, spec);

        RawImage img = loadRaw(file, true);
        int halfW = (c.width + 1) / 2, halfH = (c.height + 1) / 2;
        EXPECT_EQ(img.lumaW, halfW);
        EXPECT_EQ(img.lumaH, halfH);
        EXPECT_EQ(img.w, (halfW + 1) / 2);
        EXPECT_EQ(img.h, (halfH + 1) / 2);
        ASSERT_EQ(img.lin.size(), std::size_t(img.w) * img.h * 3);
        ASSERT_EQ(img.luma.size(), std::size_t(img.lumaW) * img.lumaH);
        EXPECT_EQ(img.flip, c.flip);
        EXPECT_FLOAT_EQ(img.iso, 1600);
        EXPECT_NEAR(img.shutter, 1.0 / 250, 1e-7);
        EXPECT_NEAR(img.aperture, 4, 1e-5);
        EXPECT_NEAR(img.focal, 50, 1e-4);
        EXPECT_EQ(img.model, "Probe X-1");
        const auto& n = *spec.asShotNeutral;
        EXPECT_NEAR(img.wb[0], n[1] / n[0], 1e-4);
        EXPECT_EQ(img.wb[1], 1.0f);
        EXPECT_NEAR(img.wb[2], n[1] / n[2], 1e-4);

        auto expected = temperatureAndTint(c.x, c.y);
        ASSERT_TRUE(img.asShot);
        EXPECT_NEAR(img.asShot->kelvin, expected->kelvin, expected->kelvin * 0.002);
        EXPECT_NEAR(img.asShot->tint, expected->tint, 0.5);
        auto again = readAsShot(file);
        ASSERT_TRUE(again);
        EXPECT_EQ(*again, *img.asShot);

        // lin takes every second pixel of every second row of the half-size image, the last ones included:
        // each lin pixel must match the luma byte at twice its position.
        for (int i : {0, img.h / 2, img.h - 1})
            for (int j : {0, img.w / 2, img.w - 1}) {
                const float* p = &img.lin[(std::size_t(i) * img.w + j) * 3];
                double lum = 255 * std::sqrt(0.2126 * p[0] + 0.7152 * p[1] + 0.0722 * p[2]);
                int byte = img.luma[std::size_t(2 * i) * img.lumaW + 2 * j];
                EXPECT_NEAR(byte, std::min(255.0, lum), 1.0) << i << "," << j;
            }

        double upright = (c.flip == 5 || c.flip == 6) ? double(img.h) / img.w : double(img.w) / img.h;
        EXPECT_DOUBLE_EQ(img.displayAspect(), upright);
        EXPECT_DOUBLE_EQ(readDisplayAspect(file), (c.flip == 5 || c.flip == 6) ? double(c.height) / c.width
                                                                                : double(c.width) / c.height);
        EXPECT_EQ(readFlip(file), c.flip);
        EXPECT_EQ(readISO(file), 1600.0f);
    }
}

TEST(LoadRaw, appliesTheAsShotBalanceLinearly) {
    // A flat grey in camera space comes out neutral and linear: the camera balance is applied, no
    // brightening, no tone curve.
    TempDir dir;
    DngSpec spec;
    spec.asShotNeutral = testing::neutralForXY(0.4476, 0.4074);
    auto n = *spec.asShotNeutral;
    spec.scene = [n](int x, int y, int, int) { return flatGrey(0.25, n, x, y); };
    testing::writeDng(dir / "grey.dng", spec);
    RawImage img = loadRaw(dir / "grey.dng", false);
    const float* mid = &img.lin[(std::size_t(img.h / 2) * img.w + img.w / 2) * 3];
    EXPECT_NEAR(mid[0], mid[1], 0.002);
    EXPECT_NEAR(mid[2], mid[1], 0.002);
    // The brightest channel of the neutral is scaled by 1, the others up to it: 0.25 of white.
    EXPECT_NEAR(mid[1], 0.25, 0.01);
}

TEST(LoadRaw, keepsLumaSizeWithoutThePlane) {
    TempDir dir;
    testing::writeDng(dir / "a.dng", DngSpec{});
    RawImage img = loadRaw(dir / "a.dng", false);
    EXPECT_TRUE(img.luma.empty());
    EXPECT_EQ(img.lumaW, 32);
    EXPECT_EQ(img.lumaH, 24);
    EXPECT_EQ(img.w, 16);
    EXPECT_EQ(img.h, 12);
}

// Every refusal reaches the user as the one Romanian sentence of its cause; the decoder's code and
// text stay in the details for the log.
TEST(LoadRaw, refusesEachKindOfBadFileWithItsCausesSentence) {
    using Cause = RawError::Cause;
    TempDir dir;
    const auto dng = testing::dngBytes(DngSpec{});
    auto writeBytes = [&](const char* name, const std::vector<std::uint8_t>& bytes) {
        testing::writeText(dir / name, std::string(bytes.begin(), bytes.end()));
    };
    std::vector<std::uint8_t> jpeg;
    ASSERT_TRUE(cv::imencode(".jpg", cv::Mat(32, 48, CV_8UC3, cv::Scalar(40, 90, 200)), jpeg));
    std::vector<std::uint8_t> png;
    ASSERT_TRUE(cv::imencode(".png", cv::Mat(32, 48, CV_8UC3, cv::Scalar(40, 90, 200)), png));
    writeBytes("photo.nef", jpeg);
    writeBytes("photo.cr2", png);
    testing::writeText(dir / "notes.cr2", std::string(4096, 'x'));
    testing::writeText(dir / "empty.dng", "");
    std::filesystem::create_directories(dir / "folder.arw");
    writeBytes("cut.dng", std::vector<std::uint8_t>(dng.begin(), dng.begin() + std::ptrdiff_t(dng.size() / 2)));
    std::vector<std::uint8_t> unknown(4096);
    for (std::size_t i = 0; i < unknown.size(); ++i) unknown[i] = std::uint8_t((i * 7919) % 251);
    writeBytes("unknown.orf", unknown);
    DngSpec deflate;
    deflate.deflate = true;  // Debian's LibRaw is built without zlib
    testing::writeDng(dir / "deflate.dng", deflate);

    const struct {
        const char* file;
        Cause cause;
    } cases[] = {
        {"photo.nef", Cause::notRaw},             // a JPEG under a raw file's name
        {"photo.cr2", Cause::notRaw},             // a PNG
        {"notes.cr2", Cause::notRaw},             // text
        {"empty.dng", Cause::damaged},            // cut short before its first byte
        {"cut.dng", Cause::damaged},              // cut short in its image data
        {"unknown.orf", Cause::unsupportedFormat},
        {"deflate.dng", Cause::unsupportedFormat},
        {"missing.dng", Cause::unreadable},
        {"folder.arw", Cause::unreadable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        try {
            loadRaw(dir / c.file, true);
            ADD_FAILURE() << "decoded";
        } catch (const RawError& e) {
            EXPECT_EQ(e.cause(), c.cause) << e.details();
            EXPECT_STREQ(e.what(), RawError::sentence(c.cause));
            EXPECT_EQ(e.description(), e.what());
            EXPECT_LT(e.code(), 0);
            EXPECT_EQ(e.message(), libraw_strerror(e.code()));
            EXPECT_EQ(e.details(), "LibRaw " + std::to_string(e.code()) + ": " + e.message());
        }
    }
    // The other readers refuse the same way.
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        try {
            readAsShot(dir / c.file);
            ADD_FAILURE() << "read";
        } catch (const RawError& e) {
            EXPECT_EQ(e.cause(), c.cause) << e.details();
        }
    }
    // The header readers never unpack, so the deflate file still answers them.
    EXPECT_EQ(readISO(dir / "deflate.dng"), 200.0f);
    for (const char* name : {"missing.dng", "empty.dng", "notes.cr2"}) {
        EXPECT_EQ(readISO(dir / name), std::nullopt);
        EXPECT_EQ(readFlip(dir / name), 0);
        EXPECT_THROW(readDisplayAspect(dir / name), RawError);
    }
}

TEST(RawError, eachCauseHasItsOwnRomanianSentence) {
    using Cause = RawError::Cause;
    const Cause all[] = {Cause::notRaw,     Cause::damaged,     Cause::unsupportedFormat, Cause::noImageData,
                         Cause::unreadable, Cause::outOfMemory, Cause::failed};
    std::set<std::string> seen;
    for (Cause c : all) {
        const std::string text = RawError::sentence(c);
        SCOPED_TRACE(text);
        EXPECT_TRUE(seen.insert(text).second);
        EXPECT_EQ(text.find("LibRaw"), std::string::npos);
        EXPECT_EQ(text.find_first_of("0123456789"), std::string::npos);
        EXPECT_EQ(RawError(-2, "stage", c).what(), text);
    }
    EXPECT_STREQ(RawError::sentence(Cause::notRaw),
                 "Fișierul nu este o fotografie RAW, ci alt tip de fișier (de exemplu, un JPEG cu nume de fișier RAW).");
    EXPECT_STREQ(RawError::sentence(Cause::damaged), "Fișierul RAW este incomplet sau deteriorat.");
    EXPECT_STREQ(RawError::sentence(Cause::unsupportedFormat),
                 "Formatul acestui fișier RAW nu poate fi citit de această versiune a aplicației.");
    EXPECT_STREQ(RawError::sentence(Cause::noImageData),
                 "Imaginea decodată nu are semnal (toți pixelii sunt negri): fișierul nu conține date de imagine");
    // The system's own failures keep their stage word in the details.
    const RawError init(-1, "init", Cause::outOfMemory);
    EXPECT_EQ(init.details(), "LibRaw -1: init");
    EXPECT_STREQ(init.what(), "Nu este destulă memorie pentru a decoda fotografia.");
    EXPECT_STREQ(RawError(-2, "make_mem_image").what(), "Fotografia nu a putut fi decodată.");
    // LibRaw's codes alone, when there is no file to look at.
    EXPECT_EQ(RawError::fromLibRaw(LIBRAW_IO_ERROR).cause(), Cause::damaged);
    EXPECT_EQ(RawError::fromLibRaw(LIBRAW_UNSUFFICIENT_MEMORY).cause(), Cause::outOfMemory);
    EXPECT_EQ(RawError::fromLibRaw(LIBRAW_REQUEST_FOR_NONEXISTENT_IMAGE).cause(), Cause::noImageData);
    EXPECT_EQ(RawError::fromLibRaw(LIBRAW_OUT_OF_ORDER_CALL).cause(), Cause::failed);
}

TEST(LoadRaw, answersHeaderQuestionsWithoutTheOptionalTags) {
    TempDir dir;
    DngSpec spec;
    spec.iso.reset();
    spec.asShotNeutral.reset();
    testing::writeDng(dir / "bare.dng", spec);
    EXPECT_EQ(readISO(dir / "bare.dng"), std::nullopt);
    RawImage img = loadRaw(dir / "bare.dng", false);
    EXPECT_EQ(img.iso, 0.0f);
    // Without a neutral the camera multipliers stay zero: decoded all the same, without as-shot balance.
    EXPECT_FALSE(img.asShot);
    EXPECT_FALSE(readAsShot(dir / "bare.dng"));
}

TEST(LoadRaw, replacesInvalidUtf8InTheModel) {
    TempDir dir;
    DngSpec spec;
    spec.rawModelBytes = std::string("Cam\xFF\xC3(ra") + std::string(1, '\0');
    testing::writeDng(dir / "m.dng", spec);
    EXPECT_EQ(loadRaw(dir / "m.dng", false).model, "Cam\xEF\xBF\xBD\xEF\xBF\xBD(ra");

    std::string field(64, 'A');
    field[10] = char(0xE9);  // Latin-1, not UTF-8
    std::string expected = std::string(10, 'A') + "\xEF\xBF\xBD" + std::string(53, 'A');
    EXPECT_EQ(photo_detail::fieldText(field.data(), field.size()), expected);
    EXPECT_EQ(photo_detail::fieldText("EOS\0junk", 8), "EOS");
    EXPECT_EQ(photo_detail::sanitizeUtf8("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x93\xB7"), "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x93\xB7");
    EXPECT_EQ(photo_detail::sanitizeUtf8("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");  // surrogate
    EXPECT_EQ(photo_detail::sanitizeUtf8("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");                  // overlong
}

TEST(LoadRaw, multipliersWithoutACameraBalanceGiveNone) {
    EXPECT_EQ(photo_detail::wbRatios({2, 1, 1.5f}), (std::array<float, 3>{2, 1, 1.5f}));
    // What the decoder reports when the camera recorded no white balance: any non-positive or
    // non-finite multiplier means none, never an infinite or NaN logarithm later.
    const std::array<float, 3> none[] = {{0, 1, 0},  {-1, 1, 1.2f}, {2, 1, 0},          {2, 0, 1},
                                         {2, 1, -3}, {NAN, 1, 1},   {2, 1, INFINITY}, {1, INFINITY, 1}};
    for (const auto& m : none) {
        SCOPED_TRACE(::testing::PrintToString(m));
        const auto wb = photo_detail::wbRatios(m);
        EXPECT_EQ(wb, (std::array<float, 3>{1, 1, 1}));
        EXPECT_TRUE(std::isfinite(std::log(wb[0])) && std::isfinite(std::log(wb[2])));
    }
}

// CIE 1931 chromaticity of a black body (Kim et al.'s fit), for 4000 K and above.
std::array<double, 2> planckianXY(double t) {
    const double x = -3.0258469e9 / (t * t * t) + 2.1070379e6 / (t * t) + 0.2226347e3 / t + 0.240390;
    return {x, 3.0817580 * x * x * x - 5.87338670 * x * x + 3.75112997 * x - 0.37001483};
}

TEST(AsShot, convertedDngReadsItsOwnTemperatureInEveryReader) {
    // A file as a raw converter writes it: two colour matrices (A and D65), a camera calibration for
    // each, an analog balance. Its neutral is the camera's response to a 6200 K white under the colour
    // model AB · CC · CM, each interpolated at 6200 K in inverse temperature.
    DngSpec spec;
    spec.illuminant1 = 17;
    spec.colorMatrix = {{{0.7200, -0.1300, -0.0600}, {-0.5800, 1.3900, 0.2100}, {-0.0700, 0.1800, 0.5400}}};
    spec.illuminant2 = 21;
    spec.colorMatrix2 = testing::defaultColorMatrix();
    spec.cameraCalibration1 = testing::Matrix3d{{{1.1400, 0, 0}, {0, 1, 0}, {0, 0, 0.8800}}};
    spec.cameraCalibration2 = testing::Matrix3d{{{1.1200, 0.0100, 0}, {0, 1, 0}, {0, -0.0100, 0.9000}}};
    spec.analogBalance = std::array<double, 3>{1.0600, 1, 0.9500};
    spec.preview = testing::DngPreview{};

    const double kelvin = 6200;
    const auto xy = planckianXY(kelvin);
    const double g = (1 / kelvin - 1 / 6500.0) / (1 / 2850.0 - 1 / 6500.0);
    const std::array<double, 3> xyz{xy[0] / xy[1], 1, (1 - xy[0] - xy[1]) / xy[1]};
    std::array<double, 3> cmXyz{}, cam{};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) cmXyz[r] += (g * spec.colorMatrix[r][c] + (1 - g) * (*spec.colorMatrix2)[r][c]) * xyz[c];
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c)
            cam[r] += (g * (*spec.cameraCalibration1)[r][c] + (1 - g) * (*spec.cameraCalibration2)[r][c]) * cmXyz[c];
        cam[r] *= (*spec.analogBalance)[r];
    }
    spec.asShotNeutral = std::array<double, 3>{cam[0] / cam[1], 1, cam[2] / cam[1]};

    TempDir dir;
    testing::writeDng(dir / "converted.dng", spec);
    const auto raw = readAsShot(dir / "converted.dng");
    ASSERT_TRUE(raw);
    EXPECT_NEAR(raw->kelvin, kelvin, 100);
    EXPECT_NEAR(raw->tint, 0, 5);
    // The raw decoder, the embedded preview and the smart-preview header reader agree.
    const auto preview = SmartPreview::asShot(dir / "converted.dng");
    ASSERT_TRUE(preview);
    EXPECT_NEAR(preview->kelvin, raw->kelvin, 1e-6);
    EXPECT_NEAR(preview->tint, raw->tint, 1e-6);
    EXPECT_EQ(loadRaw(dir / "converted.dng", false).asShot, raw);
    EXPECT_EQ(EmbeddedPreview::load(dir / "converted.dng", 160).asShot, raw);

    auto header = readDngHeader(dir / "converted.dng");
    ASSERT_TRUE(header);
    ASSERT_EQ(header->colorMatrices.size(), 2u);
    EXPECT_NEAR(header->colorMatrices[0].calibration[0][0], 1.14, 1e-4);
    EXPECT_NEAR(header->analogBalance[0], 1.06, 1e-6);
}

TEST(LoadRaw, pinsLibRawToTheCallingThreadOnlyDuringTheCall) {
    // The OpenMP runtime arrives with LibRaw; the pinning must really reach it.
    ASSERT_NE(omp_set_num_threads, nullptr);
    ASSERT_NE(omp_get_max_threads, nullptr);
    TempDir dir;
    testing::writeDng(dir / "a.dng", DngSpec{});
    int before = omp_get_max_threads();
    omp_set_num_threads(3);
    (void)loadRaw(dir / "a.dng", false);
    EXPECT_EQ(omp_get_max_threads(), 3);
    omp_set_num_threads(before);
}

TEST(LoadRaw, decodesOnSeveralThreadsAtOnce) {
    TempDir dir;
    std::vector<std::filesystem::path> files;
    for (int k = 0; k < 4; ++k) {
        DngSpec spec;
        spec.width = 64 + 2 * k;
        spec.orientation = k % 2 ? 6 : 1;
        files.push_back(dir / ("t" + std::to_string(k) + ".dng"));
        testing::writeDng(files.back(), spec);
    }
    std::vector<RawImage> serial;
    for (const auto& f : files) serial.push_back(loadRaw(f, true));
    std::vector<RawImage> parallel(files.size());
    std::vector<std::thread> threads;
    for (std::size_t k = 0; k < files.size(); ++k)
        threads.emplace_back([&, k] {
            for (int round = 0; round < 5; ++round) parallel[k] = loadRaw(files[k], true);
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(parallel, serial);
}

TEST(LoadRaw, decodesTheDebianCameraRaw) {
    TempDir dir;
    auto file = testing::debianCameraRaw(dir);
    if (!file) GTEST_SKIP() << "rawtran-doc is not installed";
    RawImage img = loadRaw(*file, true);
    EXPECT_EQ(img.lumaW, 1761);
    EXPECT_EQ(img.lumaH, 1174);
    EXPECT_EQ(img.w, 881);
    EXPECT_EQ(img.h, 587);
    EXPECT_EQ(img.luma.size(), std::size_t(1761) * 1174);
    EXPECT_FLOAT_EQ(img.iso, 640);
    EXPECT_NEAR(img.aperture, 22, 0.01);
    EXPECT_NEAR(img.shutter, 1.0 / 400, 1e-6);
    EXPECT_NEAR(img.focal, 22, 0.01);
    EXPECT_EQ(img.flip, 0);
    EXPECT_EQ(img.model, "EOS 30D");
    ASSERT_TRUE(img.asShot);
    EXPECT_GT(img.asShot->kelvin, 4000);
    EXPECT_LT(img.asShot->kelvin, 7500);
    EXPECT_EQ(readISO(*file), 640.0f);
    EXPECT_EQ(readFlip(*file), 0);
    EXPECT_DOUBLE_EQ(readDisplayAspect(*file), 3522.0 / 2348.0);
    EXPECT_EQ(readAsShot(*file), img.asShot);
}

}  // namespace
}  // namespace orvane

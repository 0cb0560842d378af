#include "core/vision/teeth_detector.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <numbers>
#include <stdexcept>

#include "testing/romanian_locale.h"

#include "core/vision/face_fixtures.h"

namespace orvane {
namespace {

using TeethDetector::Face;
using TeethDetector::GrayPlane;

// ---- upright turn and the sampler ---------------------------------------------------------------

TEST(TeethDetectorUpright, turnsTheGreyPlaneByFlipCode) {
    // 3 wide, 2 high:  0 1 2 / 3 4 5
    const std::vector<float> in{0, 1, 2, 3, 4, 5};
    struct Case {
        int flip;
        int w, h;
        std::vector<float> out;
    };
    const Case cases[] = {
        {3, 3, 2, {5, 4, 3, 2, 1, 0}},
        {6, 2, 3, {3, 0, 4, 1, 5, 2}},  // quarter turn clockwise
        {5, 2, 3, {2, 5, 1, 4, 0, 3}},  // quarter turn counter-clockwise
        {0, 3, 2, {0, 1, 2, 3, 4, 5}},
        {8, 3, 2, {0, 1, 2, 3, 4, 5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flip);
        const auto out = TeethDetector::upright(in, 3, 2, c.flip);
        EXPECT_EQ(out.width, c.w);
        EXPECT_EQ(out.height, c.h);
        EXPECT_EQ(out.values, c.out);
    }
}

TEST(TeethDetectorUpright, searchImagesTurnTheLumaPlaneAsTheGreyPlaneIsTurned) {
    // A 3 x 2 luma plane of distinct values beside a 3 x 2 linear image: the search's grey image is
    // the plane turned upright, pixel for pixel, for every flip code.
    RawImage raw;
    raw.w = raw.lumaW = 3;
    raw.h = raw.lumaH = 2;
    raw.luma = {10, 20, 30, 40, 50, 250};
    raw.lin.assign(std::size_t(raw.w) * raw.h * 3, 0.5f);
    const std::vector<float> values(raw.luma.begin(), raw.luma.end());
    for (int flip : {0, 3, 5, 6, 8}) {
        SCOPED_TRACE(flip);
        raw.flip = flip;
        const auto images = TeethDetector::searchImages(raw);
        ASSERT_TRUE(images);
        const auto want = TeethDetector::upright(values, raw.lumaW, raw.lumaH, flip);
        ASSERT_EQ(images->gray.type(), CV_8UC1);
        ASSERT_EQ(images->gray.cols, want.width);
        ASSERT_EQ(images->gray.rows, want.height);
        for (int y = 0; y < want.height; ++y)
            for (int x = 0; x < want.width; ++x)
                EXPECT_EQ(images->gray.at<std::uint8_t>(y, x), want.values[std::size_t(y) * want.width + x]) << x << ", " << y;
    }
}

TEST(TeethDetectorUpright, refusesAPlaneOfAnotherSize) {
    const auto out = TeethDetector::upright({1, 2, 3}, 2, 2, 6);
    EXPECT_TRUE(out.values.empty());
    EXPECT_EQ(out.width, 0);
}

TEST(TeethDetectorUpright, samplerAnswersWithThePixelUnderTheUprightPosition) {
    RawImage raw;
    raw.w = 5;
    raw.h = 3;
    for (int i = 0; i < raw.w * raw.h; ++i) raw.lin.insert(raw.lin.end(), {float(i), 0.5f, 0.25f});
    std::vector<float> index(raw.w * raw.h);
    for (int i = 0; i < raw.w * raw.h; ++i) index[i] = float(i);
    for (int flip : {0, 3, 5, 6}) {
        SCOPED_TRACE(flip);
        raw.flip = flip;
        const auto up = TeethDetector::upright(index, raw.w, raw.h, flip);
        const auto sample = TeethDetector::rgbSampler(raw);
        for (int y = 0; y < up.height; ++y)
            for (int x = 0; x < up.width; ++x) {
                const auto s = sample((x + 0.5) / up.width, (y + 0.5) / up.height);
                ASSERT_TRUE(s);
                EXPECT_EQ((*s)[0], up.values[y * up.width + x]);
            }
        EXPECT_FALSE(sample(-0.5, 0.5));
        EXPECT_FALSE(sample(0.5, 1.5));
    }
}

TEST(TeethDetectorGray, usesTheLumaPlaneElseTheRootOfTheLinearLuminance) {
    RawImage raw;
    raw.w = 2;
    raw.h = 1;
    raw.lin = {1, 1, 1, 0.25f, 0.25f, 0.25f};
    auto g = TeethDetector::grayImage(raw);
    EXPECT_EQ(g.width, 2);
    EXPECT_EQ(g.height, 1);
    EXPECT_NEAR(g.values[0], 255, 1e-3);
    EXPECT_NEAR(g.values[1], 127.5, 1e-3);

    raw.lin[0] = std::nanf("");
    EXPECT_EQ(TeethDetector::grayImage(raw).values[0], 0);

    raw.luma = {10, 20, 30, 40, 50, 60};
    raw.lumaW = 3;
    raw.lumaH = 2;
    g = TeethDetector::grayImage(raw);
    EXPECT_EQ(g.width, 3);
    EXPECT_EQ(g.height, 2);
    EXPECT_EQ(g.values, (std::vector<float>{10, 20, 30, 40, 50, 60}));
}

// ---- face search over the whole image and six tiles ----------------------------------------------

using testing::ring;

// Answers per searched region (keyed by its pixel size and origin as the image's data pointer tells).
class FakeLandmarker : public FaceLandmarker {
public:
    mutable std::vector<cv::Rect> searched;
    std::function<std::optional<std::vector<FaceObservation>>(const cv::Rect&)> answer;
    cv::Mat whole;

    std::optional<std::vector<FaceObservation>> detect(const cv::Mat& gray, const cv::Mat&) const override {
        cv::Size size;
        cv::Point origin;
        gray.locateROI(size, origin);
        cv::Rect r(origin.x, origin.y, gray.cols, gray.rows);
        searched.push_back(r);
        return answer ? answer(r) : std::vector<FaceObservation>{};
    }
};

FaceObservation observation(NormRect box, int lipPoints = 8) {
    FaceObservation o;
    o.box = box;
    FaceObservation::Landmarks lm;
    const double cx = (box.left + box.right) / 2, w = box.width(), h = box.height();
    lm.innerLips = ring(cx, box.top + 0.75 * h, 0.15 * w, 0.05 * h, lipPoints);
    lm.outerLips = ring(cx, box.top + 0.75 * h, 0.2 * w, 0.08 * h, 12);
    lm.leftEye = ring(cx + 0.2 * w, box.top + 0.35 * h, 0.08 * w, 0.03 * h, 6);
    lm.rightEye = ring(cx - 0.2 * w, box.top + 0.35 * h, 0.08 * w, 0.03 * h, 6);
    lm.leftEyebrow = {{cx + 0.1 * w, box.top + 0.25 * h}, {cx + 0.3 * w, box.top + 0.22 * h}};  // too short: left out
    lm.nose = ring(cx, box.top + 0.55 * h, 0.06 * w, 0.08 * h, 6);
    lm.faceContour = ring(cx, box.top + 0.5 * h, 0.5 * w, 0.5 * h, 17);
    o.landmarks = lm;
    return o;
}

TEST(TeethDetectorFaces, searchesTheWholeImageThenSixWholePixelTiles) {
    cv::Mat gray(701, 1001, CV_8UC1, cv::Scalar(0));
    FakeLandmarker fake;
    TeethDetector::faces(gray, fake);
    // tw = 400.4, th = 400.571...: tiles grow to whole pixels and are cut at the image's edge.
    const std::vector<cv::Rect> expected{{0, 0, 1001, 701},    {0, 0, 401, 401},     {300, 0, 401, 401},
                                         {600, 0, 401, 401},   {0, 300, 401, 401},   {300, 300, 401, 401},
                                         {600, 300, 401, 401}};
    EXPECT_EQ(fake.searched, expected);
}

TEST(TeethDetectorFaces, mapsTilePointsToTheImageAndKeepsAFaceSeenTwiceOnce) {
    cv::Mat gray(700, 1000, CV_8UC1, cv::Scalar(0));
    FakeLandmarker fake;
    // A face at pixels (100..200, 100..200) of the image, seen by the whole search and by the first
    // tile; a second face only in the last tile; a box without landmarks and one with three lip
    // points; one tile whose search fails.
    fake.answer = [](const cv::Rect& r) -> std::optional<std::vector<FaceObservation>> {
        auto in = [&](double x0, double y0, double x1, double y1) {
            return NormRect{(x0 - r.x) / r.width, (y0 - r.y) / r.height, (x1 - r.x) / r.width, (y1 - r.y) / r.height};
        };
        std::vector<FaceObservation> out;
        if (r.x == 0 && r.y == 0) out.push_back(observation(in(100, 100, 200, 200)));
        if (r == cv::Rect(600, 300, 400, 400)) {
            FaceObservation bare;
            bare.box = in(610, 310, 650, 350);
            out.push_back(bare);
            out.push_back(observation(in(620, 320, 660, 360), 3));
            out.push_back(observation(in(700, 400, 800, 520)));
        }
        if (r == cv::Rect(300, 0, 400, 400)) return std::nullopt;
        // The tile (0, 0) sees the first face a few pixels off: still the same face.
        if (r == cv::Rect(0, 0, 400, 400)) out[0] = observation(in(104, 96, 206, 198));
        return out;
    };
    const auto faces = TeethDetector::faces(gray, fake);
    ASSERT_EQ(faces.size(), 2u);
    EXPECT_NEAR(faces[0].box.left, 0.1, 1e-12);
    EXPECT_NEAR(faces[0].box.top, 100.0 / 700, 1e-12);
    EXPECT_NEAR(faces[0].box.right, 0.2, 1e-12);
    EXPECT_NEAR(faces[0].box.bottom, 200.0 / 700, 1e-12);
    EXPECT_NEAR(faces[1].box.left, 0.7, 1e-12);
    EXPECT_NEAR(faces[1].box.top, 400.0 / 700, 1e-12);
    EXPECT_NEAR(faces[1].box.bottom, 520.0 / 700, 1e-12);
    // Points map the same way: the inner lips' first point is (cx + 0.15 w, top + 0.75 h).
    EXPECT_NEAR(faces[1].lips[0].x, (750 + 15) / 1000.0, 1e-12);
    EXPECT_NEAR(faces[1].lips[0].y, (400 + 90) / 700.0, 1e-12);
    EXPECT_EQ(faces[1].lips.size(), 8u);
    EXPECT_EQ(faces[1].outer.size(), 12u);
    EXPECT_EQ(faces[1].contour.size(), 17u);
    // Left eye, right eye and nose; the two-point brow is left out.
    EXPECT_EQ(faces[1].features.size(), 4u);
}

TEST(TeethDetectorFaces, keepsTwoFacesWhoseBoxesAreApart) {
    cv::Mat gray(400, 400, CV_8UC1, cv::Scalar(0));
    FakeLandmarker fake;
    fake.answer = [](const cv::Rect& r) -> std::optional<std::vector<FaceObservation>> {
        if (r.width != 400) return std::vector<FaceObservation>{};
        // The second box's centre (0.33, 0.15) lies just outside the first grown by 10 % (right edge 0.32).
        return std::vector<FaceObservation>{observation({0.1, 0.1, 0.3, 0.3}), observation({0.3, 0.05, 0.36, 0.25})};
    };
    EXPECT_EQ(TeethDetector::faces(gray, fake).size(), 2u);
    fake.answer = [](const cv::Rect& r) -> std::optional<std::vector<FaceObservation>> {
        if (r.width != 400) return std::vector<FaceObservation>{};
        // Centre (0.31, 0.15): inside the grown box.
        return std::vector<FaceObservation>{observation({0.1, 0.1, 0.3, 0.3}), observation({0.28, 0.05, 0.34, 0.25})};
    };
    EXPECT_EQ(TeethDetector::faces(gray, fake).size(), 1u);
}

TEST(TeethDetectorAnalyze, answersNothingWhenTheLandmarkerFailsOrFindsNoFace) {
    RawImage raw;
    raw.w = 40;
    raw.h = 30;
    raw.lin.assign(40 * 30 * 3, 0.3f);
    struct Failing : FaceLandmarker {
        std::optional<std::vector<FaceObservation>> detect(const cv::Mat&, const cv::Mat&) const override { return std::nullopt; }
    } failing;
    struct Throwing : FaceLandmarker {
        std::optional<std::vector<FaceObservation>> detect(const cv::Mat&, const cv::Mat&) const override {
            throw std::runtime_error("detector failed");
        }
    } throwing;
    FakeLandmarker none;
    for (const FaceLandmarker* l : {static_cast<const FaceLandmarker*>(&failing), static_cast<const FaceLandmarker*>(&throwing),
                                    static_cast<const FaceLandmarker*>(&none)}) {
        const auto found = TeethDetector::analyze(raw, true, true, *l);
        EXPECT_TRUE(found.teeth.empty());
        EXPECT_TRUE(found.skin.empty());
    }
    EXPECT_EQ(none.searched.size(), 7u);
    EXPECT_EQ(none.searched[0], cv::Rect(0, 0, 40, 30));
}

// ---- pure helpers ---------------------------------------------------------------------------------

TEST(TeethDetectorOtsu, needsTwentyValuesAndASpreadAndTakesTheFirstBestBin) {
    EXPECT_FALSE(TeethDetector::otsu(std::vector<float>(19, 0.5f)));
    std::vector<float> flat(30, 0.2f);
    flat[0] = 0.21f;  // spread 0.01: not above it
    EXPECT_FALSE(TeethDetector::otsu(flat));

    std::vector<float> twoGroups(10, 0.0f);
    twoGroups.insert(twoGroups.end(), 10, 1.0f);
    // Every split between the groups scores the same; the first bin wins: lo + d x 1 / 64.
    auto t = TeethDetector::otsu(twoGroups);
    ASSERT_TRUE(t);
    EXPECT_FLOAT_EQ(*t, 1.0f / 64);

    std::vector<float> skewed;
    for (int i = 0; i < 30; ++i) skewed.push_back(0.1f + 0.001f * i);
    for (int i = 0; i < 10; ++i) skewed.push_back(0.5f + 0.001f * i);
    t = TeethDetector::otsu(skewed);
    ASSERT_TRUE(t);
    EXPECT_GT(*t, 0.13f);
    EXPECT_LT(*t, 0.5f);
}

TEST(TeethDetectorDistance, chamferDistanceWithTheBorderAsOutside) {
    std::vector<bool> full(25, true);
    const auto d = TeethDetector::distance(full, 5, 5);
    const std::vector<float> expected{1, 1, 1, 1, 1, 1, 2, 2, 2, 1, 1, 2, 3, 2, 1, 1, 2, 2, 2, 1, 1, 1, 1, 1, 1};
    EXPECT_EQ(d, expected);

    // A hole in the middle of a 5 x 5 block: its neighbours are 1 away, its diagonals 1.414 capped by the border.
    std::vector<bool> holed(25, true);
    holed[12] = false;
    const auto h = TeethDetector::distance(holed, 5, 5);
    EXPECT_EQ(h[12], 0);
    EXPECT_EQ(h[7], 1);
    EXPECT_FLOAT_EQ(h[6], 1.414f);
    EXPECT_EQ(TeethDetector::distance({false, true, false}, 3, 1), (std::vector<float>{0, 1, 0}));
}

TEST(TeethDetectorBlocks, picksTheFirstDeepestEligiblePixelOfEachBlock) {
    // 4 x 2 window at (10, 20) of a 100 x 50 plane, blocks of 2.
    const std::vector<float> dist{1, 3, 0, 0,  //
                                  3, 2, 0, 0};
    const TeethDetector::Window win{10, 20, 4, 2};
    auto dabs = TeethDetector::placeBlocks(dist, win, 100, 50, [](float) { return true; }, 2);
    ASSERT_EQ(dabs.size(), 1u);  // the second block has no distance above 0
    EXPECT_EQ(dabs[0], (Dab{11.5 / 100, 20.5 / 50}));
    dabs = TeethDetector::placeBlocks(dist, win, 100, 50, [](float d) { return d < 3; }, 2);
    ASSERT_EQ(dabs.size(), 1u);
    EXPECT_EQ(dabs[0], (Dab{11.5 / 100, 21.5 / 50}));
}

TEST(TeethDetectorBlocks, growsTheBlocksWhileADabLimitIsReached) {
    struct Case {
        int cols, rows;
        std::size_t limit;
        std::size_t dabs;
    };
    const Case cases[] = {
        {41, 61, TeethDetector::kCoarseDabLimit, 21 * 31},  // 2501 at step 1: step 2
        {50, 50, TeethDetector::kCoarseDabLimit, 2500},     // 2500 stands
        {19, 79, TeethDetector::kFineDabLimit, 10 * 40},    // 1501: step 2
        {30, 50, TeethDetector::kFineDabLimit, 1500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cols * c.rows);
        const std::vector<float> dist(std::size_t(c.cols) * c.rows, 1.0f);
        const auto dabs = TeethDetector::placeBounded(dist, {0, 0, c.cols, c.rows}, 1000, 1000,
                                                      [](float) { return true; }, 1, c.limit);
        EXPECT_EQ(dabs.size(), c.dabs);
    }
}

TEST(TeethDetectorRadius, capsAtNinePixelsUnlessTheImageFloorIsLarger) {
    EXPECT_DOUBLE_EQ(TeethDetector::fineRadius(400.0 / 4000, 4000), 9.0);  // r0 = 16
    EXPECT_DOUBLE_EQ(TeethDetector::fineRadius(400.0 / 8000 * 2, 8000), 9.6);
    EXPECT_DOUBLE_EQ(TeethDetector::fineRadius(100.0 / 4000, 4000), 4.8);  // r0 = 4 below the floor 0.0012 W
    EXPECT_DOUBLE_EQ(TeethDetector::fineRadius(200.0 / 4000, 4000), 8.0);
}

// ---- the teeth step on a drawn mouth ---------------------------------------------------------------

// A 400 x 300 grey plane with a face: skin, red lips and a band of bright teeth in the open mouth,
// and an RGB sampler of the same drawing.
struct DrawnMouth {
    static constexpr int W = 400, H = 300;
    double cx = 0.5, cy = 0.65;
    double innerRx = 0.06, innerRy = 0.025;  // the inner lips
    float teethGray = 220;
    Face face;

    DrawnMouth() { refresh(); }
    void refresh() {
        face.box = {0.3, 0.2, 0.7, 0.85};
        face.lips = ring(cx, cy, innerRx, innerRy, 8);
        face.outer = ring(cx, cy, innerRx + 0.02, innerRy + 0.02, 12);
    }
    static bool inEllipse(double x, double y, double cx, double cy, double rx, double ry) {
        const double dx = (x - cx) / rx, dy = (y - cy) / ry;
        return dx * dx + dy * dy <= 1;
    }
    int zone(double x, double y) const {  // 0 background, 1 skin, 2 lips, 3 teeth
        if (inEllipse(x, y, cx, cy, innerRx, innerRy)) return 3;
        if (inEllipse(x, y, cx, cy, innerRx + 0.02, innerRy + 0.02)) return 2;
        if (x >= face.box.left && x <= face.box.right && y >= face.box.top && y <= face.box.bottom) return 1;
        return 0;
    }
    GrayPlane gray() const {
        GrayPlane g{std::vector<float>(W * H), W, H};
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const float v[] = {80, 120, 100, teethGray};
                g.values[y * W + x] = v[zone((x + 0.5) / W, (y + 0.5) / H)];
            }
        return g;
    }
    TeethDetector::RgbSampler rgb() const {
        return [this](double x, double y) -> std::optional<std::array<float, 3>> {
            if (x < 0 || y < 0 || x >= 1 || y >= 1) return std::nullopt;
            switch (zone(x, y)) {
                case 1: return std::array<float, 3>{0.5f, 0.35f, 0.28f};
                case 2: return std::array<float, 3>{0.5f, 0.15f, 0.15f};
                case 3: return std::array<float, 3>{0.8f, 0.78f, 0.75f};
                default: return std::array<float, 3>{0.2f, 0.2f, 0.3f};
            }
        };
    }
};

void expectDabsInMouth(const DabList& dabs, const DrawnMouth& m) {
    for (const auto& d : dabs) EXPECT_TRUE(DrawnMouth::inEllipse(d[0], d[1], m.cx, m.cy, m.innerRx, m.innerRy));
}

TEST(TeethDetectorStep, placesFineAndCoarseDabsOnTheTeethOfAnOpenMouth) {
    DrawnMouth m;
    const auto regions = TeethDetector::detect(m.gray(), {m.face}, m.rgb());
    ASSERT_EQ(regions.size(), 1u);
    const auto& r = regions[0];
    EXPECT_FALSE(r.dabs.empty());
    EXPECT_FALSE(r.coarse.empty());
    expectDabsInMouth(r.dabs, m);
    expectDabsInMouth(r.coarse, m);
    // r = 4 % of the mouth's 48 pixels; R = 3 r.
    EXPECT_NEAR(r.radius, 0.12 * 0.04, 1e-9);
    EXPECT_NEAR(r.coarseRadius, 3 * 0.12 * 0.04, 1e-9);
    EXPECT_LE(r.left, m.cx - m.innerRx + 1e-9);
    EXPECT_GE(r.right, m.cx + m.innerRx - 1e-9);

    // Brightness alone (no sampler) finds the same teeth.
    const auto plain = TeethDetector::detect(m.gray(), {m.face}, {});
    ASSERT_EQ(plain.size(), 1u);
    expectDabsInMouth(plain[0].dabs, m);
}

TEST(TeethDetectorStep, givesNoRegionForMouthsThatShowNoTeeth) {
    struct Case {
        const char* name;
        double innerRx, innerRy;
        float teethGray;
    };
    const Case cases[] = {
        {"closed: opening below 0.14", 0.06, 0.005, 220},
        {"yawning: opening above 1.1", 0.03, 0.06, 220},
        {"narrower than 0.005 of the width", 0.002, 0.002, 220},
        {"dark mouth: under 20 % bright", 0.06, 0.025, 125},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DrawnMouth m;
        m.innerRx = c.innerRx;
        m.innerRy = c.innerRy;
        m.teethGray = c.teethGray;
        m.refresh();
        EXPECT_TRUE(TeethDetector::detect(m.gray(), {m.face}, m.rgb()).empty());
    }
    EXPECT_TRUE(TeethDetector::detect(DrawnMouth().gray(), {}, {}).empty());
}

TEST(TeethDetectorStep, keepsOneRegionPerFaceInFaceOrderWithoutGaps) {
    DrawnMouth m;
    Face closed = m.face;
    for (auto& p : closed.lips) p.y = m.cy;  // opening 0
    const auto regions = TeethDetector::detect(m.gray(), {closed, m.face, closed}, m.rgb());
    EXPECT_EQ(regions.size(), 1u);
}

TEST(TeethDetectorStep, skipsSkinGridPointsAboveTheGreyPlane) {
    // The face box reaches above the image; the sampler still answers there.
    DrawnMouth m;
    m.face.box.top = -0.5;
    auto rgb = [&](double x, double y) -> std::optional<std::array<float, 3>> {
        return std::array<float, 3>{0.5f, 0.35f, 0.28f};
    };
    EXPECT_NO_FATAL_FAILURE(TeethDetector::detect(m.gray(), {m.face}, rgb));
}

TEST(TeethDetectorStep, printsDebugLinesOnlyWhenAskedAndWithDecimalPoints) {
    DrawnMouth m;
    ::testing::internal::CaptureStdout();
    TeethDetector::detect(m.gray(), {m.face}, m.rgb());
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");

    ::setenv("ORVANE_TEETH_DEBUG", "", 1);
    orvane::testing::RomanianLocale ro;
    ::testing::internal::CaptureStdout();
    TeethDetector::detect(m.gray(), {m.face}, m.rgb());
    TeethDetector::detect(m.gray(), {}, m.rgb());
    const std::string out = ::testing::internal::GetCapturedStdout();
    ::unsetenv("ORVANE_TEETH_DEBUG");
    EXPECT_THAT(out, ::testing::StartsWith("TEETHDBG fețe: 1 pe 400x300\nTEETHDBG gură: lățime 0.120, deschidere "));
    EXPECT_THAT(out, ::testing::HasSubstr("\nTEETHDBG luminoși: 0.71\n"));
    EXPECT_THAT(out, ::testing::HasSubstr("\nTEETHDBG roșeață piele 0.133 → prag 0.073\n"));
    EXPECT_THAT(out, ::testing::HasSubstr("\nTEETHDBG prag roșeață "));
    EXPECT_THAT(out, ::testing::EndsWith("\nTEETHDBG fețe: 0 pe 400x300\n"));
    EXPECT_EQ(out.find(','), out.find(", deschidere"));  // no decimal comma anywhere
}

}  // namespace
}  // namespace orvane

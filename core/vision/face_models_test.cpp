// The real detectors on a real face: astronaut.png (Debian's python3-imageio) made into a raw DNG.
// Each test executable loads the landmark model once (about a second), so the checks of one photo
// share a test.
#include "core/vision/landmark_models.h"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include "core/base/resources.h"
#include "core/photo/raw_image.h"
#include "core/vision/teeth_detector.h"
#include "testing/photo_dng.h"
#include "testing/temp_dir.h"

namespace orvane {
namespace {

bool inside(const NormRect& box, double x, double y) {
    return x >= box.left && x <= box.right && y >= box.top && y <= box.bottom;
}

TEST(FaceModels, findTheAstronautsFaceMouthTeethAndSkinOnTheRawRoad) {
    if (auto reason = LandmarkModels::unavailableReason()) GTEST_SKIP() << *reason;
    auto portrait = testing::astronautPortrait();
    if (!portrait) GTEST_SKIP() << "astronaut.png is missing (install python3-imageio: scripts/setup.sh)";
    testing::TempDir dir;
    // Upright, and stored a quarter turn away (orientation 6): the same face either way.
    for (int orientation : {1, 6}) {
        SCOPED_TRACE(orientation);
        const auto file = dir / ("astronaut-" + std::to_string(orientation) + ".dng");
        testing::writeDng(file, testing::photoDng(*portrait, 3200, 4000, orientation));
        const RawImage raw = loadRaw(file, true);

        const auto stored = TeethDetector::grayImage(raw);
        const auto up = TeethDetector::upright(stored.values, stored.width, stored.height, raw.flip);
        cv::Mat bytes(up.height, up.width, CV_32F, const_cast<float*>(up.values.data()));
        bytes.convertTo(bytes, CV_8U);
        const auto faces = TeethDetector::faces(bytes, LandmarkModels::landmarker());
        ASSERT_EQ(faces.size(), 1u);
        const auto& face = faces[0];
        // The face fills the upper middle of the portrait.
        EXPECT_TRUE(inside({0.2, 0.1, 0.8, 0.6}, (face.box.left + face.box.right) / 2, (face.box.top + face.box.bottom) / 2));
        EXPECT_GE(face.lips.size(), 4u);
        EXPECT_EQ(face.features.size(), 6u);
        EXPECT_EQ(face.contour.size(), 17u);
        for (const auto& p : face.lips) EXPECT_TRUE(inside(face.box, p.x, p.y));

        const auto found = TeethDetector::analyze(raw, true, true);
        ASSERT_EQ(found.teeth.size(), 1u);
        const auto& teeth = found.teeth[0];
        EXPECT_FALSE(teeth.dabs.empty());
        EXPECT_FALSE(teeth.coarse.empty());
        EXPECT_GT(teeth.coarseRadius, teeth.radius);
        for (const auto* list : {&teeth.dabs, &teeth.coarse})
            for (const auto& d : *list) EXPECT_TRUE(inside(face.box, d[0], d[1]));

        ASSERT_EQ(found.skin.size(), 1u);
        const auto& skin = found.skin[0];
        EXPECT_GE(skin.dabs.size(), 50u);
        NormRect grown{face.box.left - 0.02, face.box.top - 0.02, face.box.right + 0.02, face.box.bottom + 0.02};
        for (const auto& d : skin.dabs) EXPECT_TRUE(inside(grown, d[0], d[1]));
        ASSERT_TRUE(skin.lum);
        EXPECT_GT(*skin.lum, 0.01);

        // Asked for nothing, nothing is computed.
        const auto none = TeethDetector::analyze(raw, false, false);
        EXPECT_TRUE(none.teeth.empty());
        EXPECT_TRUE(none.skin.empty());
    }
}

TEST(FaceModels, findNothingInAPhotoWithoutPeople) {
    if (auto reason = LandmarkModels::unavailableReason()) GTEST_SKIP() << *reason;
    testing::TempDir dir;
    const auto file = dir / "landscape.dng";
    testing::writeDng(file, testing::photoDng(testing::sceneWithoutPeople(1200, 800), 2400, 1600));
    const auto found = TeethDetector::analyze(loadRaw(file, true), true, true);
    EXPECT_TRUE(found.teeth.empty());
    EXPECT_TRUE(found.skin.empty());
}

TEST(FaceModels, hogFallbackFindsTheSameFace) {
    auto photo = testing::astronautPhoto();
    if (!photo) GTEST_SKIP() << "astronaut.png is missing (install python3-imageio: scripts/setup.sh)";
    cv::Mat gray;
    cv::cvtColor(*photo, gray, cv::COLOR_BGR2GRAY);
    const auto hog = LandmarkModels::faceBoxes(gray, LandmarkModels::BoxSource::hog);
    ASSERT_EQ(hog.size(), 1u);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(LandmarkModels::faceDetectorFile(), ec))
        GTEST_SKIP() << "the BlazeFace model is not installed (" << LandmarkModels::faceDetectorFile().string()
                     << "; scripts/setup.sh fetches it)";
    const auto blaze = LandmarkModels::faceBoxes(gray, LandmarkModels::BoxSource::blazeFace);
    ASSERT_EQ(blaze.size(), 1u);
    const double bx = (blaze[0].left + blaze[0].right) / 2, by = (blaze[0].top + blaze[0].bottom) / 2;
    EXPECT_TRUE(inside(hog[0], bx, by));
}

TEST(FaceModels, fallBackToTheHogDetectorWithoutTheFaceBoxModel) {
    if (auto reason = LandmarkModels::unavailableReason()) GTEST_SKIP() << *reason;
    auto portrait = testing::astronautPortrait();
    if (!portrait) GTEST_SKIP() << "astronaut.png is missing (install python3-imageio: scripts/setup.sh)";
    testing::TempDir empty;
    Resources::setDirectory(empty.path());
    cv::Mat gray;
    cv::cvtColor(*portrait, gray, cv::COLOR_BGR2GRAY);
    cv::resize(gray, gray, cv::Size(800, 1000), 0, 0, cv::INTER_LINEAR);
    const auto faces = TeethDetector::faces(gray, LandmarkModels::landmarker());
    Resources::setDirectory(std::nullopt);
    ASSERT_EQ(faces.size(), 1u);
    EXPECT_EQ(faces[0].lips.size(), 8u);
    EXPECT_EQ(faces[0].contour.size(), 17u);
}

}  // namespace
}  // namespace orvane

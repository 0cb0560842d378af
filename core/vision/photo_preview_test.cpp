// Previews of a photo and the quick rendering of an edit on them.
#include "core/vision/photo_preview.h"

#include <gtest/gtest.h>

#include <fstream>

#include <opencv2/imgcodecs.hpp>

#include "testing/photo_dng.h"
#include "testing/temp_dir.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using PhotoPreview::Steps;

TEST(PhotoPreview, stepsFollowTheThresholds) {
    const auto wb = [](double shot, double final) { return PhotoPreview::steps(0, shot, final).whiteBalance.has_value(); };
    EXPECT_FALSE(wb(5500, 5504)) << "a difference of 5 K or less is no shift";
    EXPECT_FALSE(wb(5500, 5505));
    EXPECT_TRUE(wb(5500, 5506));
    EXPECT_FALSE(PhotoPreview::steps(0, std::nullopt, 6000).whiteBalance);
    EXPECT_FALSE(PhotoPreview::steps(0, 5000, std::nullopt).whiteBalance);

    EXPECT_EQ(PhotoPreview::steps(0.0005, 5500, 5504), Steps{});
    EXPECT_EQ(PhotoPreview::steps(-0.0005, std::nullopt, std::nullopt), Steps{});
    EXPECT_EQ(PhotoPreview::steps(0.2, std::nullopt, std::nullopt), (Steps{std::nullopt, 0.2, std::nullopt}));
    EXPECT_EQ(PhotoPreview::steps(0.3, std::nullopt, std::nullopt), (Steps{std::nullopt, 0.3, std::nullopt}));
    EXPECT_DOUBLE_EQ(*PhotoPreview::steps(0.4, std::nullopt, std::nullopt).highlightAmount, 0.9);
    const Steps all = PhotoPreview::steps(2.5, 5000, 6500);
    EXPECT_TRUE(all.whiteBalance);
    EXPECT_EQ(all.ev, 2.5);
    EXPECT_DOUBLE_EQ(*all.highlightAmount, 0.45) << "never below 0.45";
    EXPECT_FALSE(PhotoPreview::steps(-2.5, std::nullopt, std::nullopt).highlightAmount)
        << "a darkening edit recovers no highlights";
}

TEST(PhotoPreview, aHigherTemperatureWarmsTheImage) {
    const auto cool = PhotoPreview::planckianWhite(3200), warm = PhotoPreview::planckianWhite(9000);
    EXPECT_GT(cool[0] / cool[2], warm[0] / warm[2]) << "a low temperature light is redder";
    const auto gains = *PhotoPreview::steps(0, 5000, 7000).whiteBalance;
    EXPECT_EQ(gains[1], 1.0);
    EXPECT_GT(gains[0], 1.0);
    EXPECT_LT(gains[2], 1.0);

    const cv::Mat grey(4, 4, CV_8UC3, cv::Scalar(128, 128, 128));
    const cv::Vec3b warmed = PhotoPreview::render(grey, 0, 5000, 7000)->at<cv::Vec3b>(0, 0);
    EXPECT_GT(warmed[2], warmed[0]) << "red above blue (B, G, R order)";
    const cv::Vec3b cooled = PhotoPreview::render(grey, 0, 7000, 5000)->at<cv::Vec3b>(0, 0);
    EXPECT_LT(cooled[2], cooled[0]);
}

TEST(PhotoPreview, exposureAndHighlightRecoveryOnLinearValues) {
    cv::Mat image(1, 3, CV_8UC3);
    image.at<cv::Vec3b>(0, 0) = {50, 50, 50};
    image.at<cv::Vec3b>(0, 1) = {180, 180, 180};
    image.at<cv::Vec3b>(0, 2) = {240, 240, 240};
    EXPECT_EQ(cv::norm(*PhotoPreview::render(image, 0.0005, 5500, 5504), image, cv::NORM_INF), 0)
        << "below every threshold the image is unchanged";

    // One stop up doubles the linear value: sRGB 50 (linear 0.0319) becomes about 72 (0.0638).
    const cv::Mat up = *PhotoPreview::render(image, 1.0, std::nullopt, std::nullopt);
    EXPECT_NEAR(up.at<cv::Vec3b>(0, 0)[1], 72, 1);
    // sRGB 180 (linear 0.456) doubled would be 245; the recovery (ev 1: amount 0.75) pulls what lies
    // above the shoulder 0.5 down to 0.81, sRGB 232.
    EXPECT_NEAR(up.at<cv::Vec3b>(0, 1)[1], 232, 1);
    const cv::Mat down = *PhotoPreview::render(image, -1.0, std::nullopt, std::nullopt);
    EXPECT_LT(down.at<cv::Vec3b>(0, 2)[1], 240);

    EXPECT_FALSE(PhotoPreview::render(cv::Mat(), 1.0, std::nullopt, std::nullopt));
    EXPECT_FALSE(PhotoPreview::render(cv::Mat(2, 2, CV_32FC3), 1.0, std::nullopt, std::nullopt));
}

TEST(PhotoPreview, baseIsUprightAndWithinTheSize) {
    testing::TempDir dir;
    const cv::Mat scene = testing::sceneWithoutPeople(600, 400);
    // A raw file stored turned a quarter: its preview comes back upright, landscape.
    testing::writeDng(dir / "turned.dng", testing::photoDng(scene, 1200, 800, 6));
    const auto raw = PhotoPreview::base(dir / "turned.dng", 300);
    ASSERT_TRUE(raw);
    EXPECT_GT(raw->cols, raw->rows);
    EXPECT_LE(std::max(raw->cols, raw->rows), 300);
    EXPECT_EQ(raw->type(), CV_8UC3);

    // An ordinary image file.
    ASSERT_TRUE(cv::imwrite((dir / "scene.png").string(), scene));
    const auto png = PhotoPreview::base(dir / "scene.png", 150);
    ASSERT_TRUE(png);
    EXPECT_EQ(png->size(), cv::Size(150, 100));

    std::ofstream(dir / "junk.dng") << "not an image";
    EXPECT_FALSE(PhotoPreview::base(dir / "junk.dng", 300));
    EXPECT_FALSE(PhotoPreview::base(dir / "missing.dng", 300));
}

}  // namespace
}  // namespace orvane

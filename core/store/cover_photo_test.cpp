// The project cover: which photo is chosen, how it is cut, and that it is made only once.
#include "core/store/cover_photo.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "core/vision/landmark_models.h"
#include "testing/photo_dng.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;

FaceCapture face(double cx, double cy, double height, std::optional<double> quality) {
    return {NormRect{cx - height / 2, cy - height / 2, cx + height / 2, cy + height / 2}, quality};
}

// Photos as plain image files, each one flat colour whose blue value (20 x its number) names it, so a fake detector can
// answer per photo; it counts its calls.
struct CoverFixture {
    testing::TempDir dir;
    Project project = [] {
        (void)testing::freshDataDir();
        Project p;
        p.id = Uuid::random();
        return p;
    }();
    std::map<int, std::vector<FaceCapture>> faces;  // by photo number
    std::vector<int> asked;

    void add(int number, cv::Size size, std::vector<FaceCapture> found = {}) {
        const fs::path file = dir / ("photo" + std::to_string(number) + ".png");
        cv::imwrite(file.string(), cv::Mat(size, CV_8UC3, cv::Scalar(number * 20, 100, 100)));
        project.photos.emplace_back(file.string());
        faces[number] = std::move(found);
    }
    FaceQualityDetector detector() {
        return [this](const cv::Mat& image) -> std::optional<std::vector<FaceCapture>> {
            const int number = (image.at<cv::Vec3b>(0, 0)[0] + 10) / 20;
            asked.push_back(number);
            if (number == 9) return std::nullopt;  // a failing request
            return faces.at(number);
        };
    }
};

TEST(CoverPhoto, examinesAtMostSixtyPhotosEvenlySpread) {
    const auto picked = CoverPhoto::candidates(150);
    ASSERT_EQ(picked.size(), 60u);
    EXPECT_EQ(std::vector<std::size_t>(picked.begin(), picked.begin() + 5), (std::vector<std::size_t>{0, 2, 5, 7, 10}));
    EXPECT_EQ(picked.back(), 147u);
    EXPECT_EQ(CoverPhoto::candidates(3), (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_TRUE(CoverPhoto::candidates(0).empty());
}

TEST(CoverPhoto, cropsToSixteenByTenAroundTheFaces) {
    struct Case {
        const char* name;
        cv::Size size;
        double x, y;
        cv::Rect expected;  // within the source image
    };
    const std::vector<Case> cases = {
        {"3:2 is cut in height, the face 40 % down", {600, 400}, 0.5, 0.4, {0, 10, 600, 375}},
        {"faces near the top: from the top edge", {600, 400}, 0.5, 0.05, {0, 0, 600, 375}},
        {"faces near the bottom: to the bottom edge", {600, 400}, 0.5, 0.98, {0, 25, 600, 375}},
        {"16:9 is cut in width around the face", {640, 360}, 0.5, 0.5, {32, 0, 576, 360}},
        {"faces at the left edge", {640, 360}, 0.02, 0.5, {0, 0, 576, 360}},
        {"faces at the right edge", {640, 360}, 0.99, 0.5, {64, 0, 576, 360}},
    };
    for (const auto& c : cases) {
        // Every pixel tells its own position, so the cut can be located.
        cv::Mat image(c.size, CV_8UC3);
        for (int y = 0; y < image.rows; ++y)
            for (int x = 0; x < image.cols; ++x) image.at<cv::Vec3b>(y, x) = {uchar(x % 256), uchar(x / 256), uchar(y % 256)};
        const auto cut = CoverPhoto::crop(image, c.x, c.y);
        ASSERT_TRUE(cut) << c.name;
        EXPECT_EQ(cut->size(), c.expected.size()) << c.name;
        EXPECT_EQ(cv::norm(*cut, image(c.expected), cv::NORM_INF), 0) << c.name;
    }
}

TEST(CoverPhoto, theBestFacesWinAndTheCoverIsMadeOnce) {
    CoverFixture f;
    f.add(1, {640, 400}, {face(0.5, 0.5, 0.2, 0.9)});                                // one face: 0.4 + 0.45 + 0.9
    f.add(2, {400, 640}, {face(0.4, 0.5, 0.3, 0.9), face(0.6, 0.5, 0.3, 0.9)});     // portrait: never looked at
    f.add(3, {640, 400}, {face(0.4, 0.5, 0.3, 0.99), face(0.6, 0.5, 0.3, 0.2)});    // one poor face rules it out
    f.add(4, {640, 400}, {face(0.4, 0.5, 0.22, 0.6), face(0.55, 0.5, 0.22, 0.6)});  // a close pair: 0.3 + 0.5 + 1 + 0.6
    f.add(5, {640, 400}, {face(0.4, 0.5, 0.22, 0.6), face(0.55, 0.5, 0.22, 0.6)});  // as good, but later
    f.add(6, {640, 400}, {});                                                        // no face
    f.add(9, {640, 400});                                                            // the request fails

    const auto cover = CoverPhoto::ensure(f.project, f.detector());
    ASSERT_TRUE(cover);
    EXPECT_EQ(*cover, CoverPhoto::url(f.project));
    EXPECT_EQ(f.asked, (std::vector<int>{1, 3, 4, 5, 6, 9}));
    const cv::Mat written = cv::imread(cover->string());
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(written.size(), cv::Size(640, 400));  // 1.6 : 1 already
    EXPECT_NEAR(written.at<cv::Vec3b>(0, 0)[0], 80, 4) << "photo 4 was chosen";

    f.asked.clear();
    EXPECT_EQ(CoverPhoto::ensure(f.project, f.detector()), cover);
    EXPECT_TRUE(f.asked.empty()) << "an existing cover is only reported";
    EXPECT_FALSE(fs::exists(f.project.dir() / CoverPhoto::kNoCoverFile));
}

TEST(CoverPhoto, withoutAQualifyingPhotoAMarkerStopsTheSearch) {
    CoverFixture f;
    EXPECT_FALSE(CoverPhoto::ensure(f.project, f.detector()));
    EXPECT_FALSE(fs::exists(f.project.dir() / CoverPhoto::kNoCoverFile)) << "no photos: tried again later";

    f.add(1, {400, 640}, {face(0.5, 0.5, 0.3, 0.9)});
    f.add(2, {500, 500}, {face(0.5, 0.5, 0.3, 0.9)});  // square is not landscape
    EXPECT_FALSE(CoverPhoto::ensure(f.project, f.detector()));
    const fs::path marker = f.project.dir() / CoverPhoto::kNoCoverFile;
    EXPECT_TRUE(fs::exists(marker));
    EXPECT_FALSE(fs::exists(CoverPhoto::url(f.project)));

    f.add(3, {640, 400}, {face(0.5, 0.5, 0.3, 0.9)});
    EXPECT_FALSE(CoverPhoto::ensure(f.project, f.detector())) << "the marker stands while it exists";
    fs::remove(marker);
    EXPECT_TRUE(CoverPhoto::ensure(f.project, f.detector())) << "without it the search runs again";
}

TEST(CoverPhoto, aFailedWriteLeavesNoCover) {
    CoverFixture f;
    f.add(1, {640, 400}, {face(0.5, 0.5, 0.3, 0.9)});
    // The project's folder is a file: neither the cover nor the marker can be written.
    fs::create_directories(f.project.dir().parent_path());
    std::ofstream(f.project.dir()) << "in the way";
    EXPECT_FALSE(CoverPhoto::ensure(f.project, f.detector()));
    fs::remove(f.project.dir());
    EXPECT_TRUE(CoverPhoto::ensure(f.project, f.detector())) << "nothing recorded the failure";
}

TEST(CoverPhoto, aGeneratedProjectGetsACoverFromItsFaces) {
    const auto astronaut = testing::astronautPhoto();
    if (!astronaut) GTEST_SKIP() << "astronaut.png (python3-imageio) is not installed";
    if (auto reason = LandmarkModels::unavailableReason()) GTEST_SKIP() << *reason;
    testing::TempDir dir;
    (void)testing::freshDataDir();
    // The square portrait set in a wider frame, a scene without people beside it.
    cv::Mat wide;
    cv::copyMakeBorder(*astronaut, wide, 0, 0, 128, 128, cv::BORDER_REPLICATE);
    testing::writeDng(dir / "scene.dng", testing::photoDng(testing::sceneWithoutPeople(750, 500), 1500, 1000));
    testing::writeDng(dir / "astronaut.dng", testing::photoDng(wide, 1536, 1024));
    Project p;
    p.id = Uuid::random();
    p.photos = {PhotoItem((dir / "scene.dng").string()), PhotoItem((dir / "astronaut.dng").string())};
    const auto cover = CoverPhoto::ensure(p);
    ASSERT_TRUE(cover);
    const cv::Mat image = cv::imread(cover->string());
    ASSERT_FALSE(image.empty());
    EXPECT_NEAR(double(image.cols) / image.rows, 1.6, 0.01);
}

}  // namespace
}  // namespace orvane

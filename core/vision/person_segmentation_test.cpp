#include "core/vision/person_segmentation.h"

#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "core/photo/raw_image.h"
#include "core/vision/person_extent.h"
#include "core/vision/person_layout.h"
#include "core/vision/smart_crop.h"
#include "core/vision/subject_detector.h"
#include "testing/photo_dng.h"
#include "testing/temp_dir.h"

namespace orvane {
namespace {

// Two people side by side whose masks touch: different shirt colours, one component.
struct TouchingPair {
    cv::Mat rgb{200, 300, CV_8UC3, cv::Scalar(30, 30, 30)};
    cv::Mat prob{200, 300, CV_32F, cv::Scalar(0.05)};
    TouchingPair() {
        rgb(cv::Rect(60, 40, 90, 160)).setTo(cv::Scalar(200, 40, 40));
        rgb(cv::Rect(150, 40, 90, 160)).setTo(cv::Scalar(40, 40, 200));
        prob(cv::Rect(60, 40, 180, 160)).setTo(0.95);
        prob(cv::Rect(5, 5, 3, 3)).setTo(0.9);      // a speck of noise
        // An arm the network is less sure of, joined to its body below 0.5.
        prob(cv::Rect(250, 60, 20, 30)).setTo(0.7);
        prob(cv::Rect(240, 70, 10, 5)).setTo(0.4);
        rgb(cv::Rect(240, 60, 30, 30)).setTo(cv::Scalar(40, 40, 200));
    }
};

TEST(PersonSegmentation, facesSplitTouchingPeople) {
    const TouchingPair scene;
    const std::vector<cv::Rect> twoFaces = {{90, 45, 30, 30}, {180, 45, 30, 30}};
    struct Case {
        const char* label;
        std::vector<cv::Rect> faces;
        std::size_t people;
    };
    const std::vector<Case> cases = {
        {"no faces: the segmentation alone", {}, 1},
        {"one face", {twoFaces[0]}, 1},
        {"a face outside every person", {{10, 150, 20, 20}}, 1},
        {"two faces", twoFaces, 2},
    };
    for (const auto& c : cases) {
        const auto people = PersonSegmentation::instances(scene.prob, scene.rgb, c.faces);
        ASSERT_EQ(people.size(), c.people) << c.label;
        for (const auto& p : people) EXPECT_EQ(cv::countNonZero(p & (scene.prob <= 0.5f)), 0) << c.label << ": only person pixels";
    }
    const auto split = PersonSegmentation::instances(scene.prob, scene.rgb, twoFaces);
    ASSERT_EQ(split.size(), 2u);
    // Each part keeps its own shirt: the split follows the colour edge at x = 150; the arm stays with
    // the person on the right.
    const cv::Rect a = cv::boundingRect(split[0]), b = cv::boundingRect(split[1]);
    const cv::Rect left = a.x < b.x ? a : b, right = a.x < b.x ? b : a;
    EXPECT_NEAR(left.x, 60, 2) << left;
    EXPECT_NEAR(left.width, 90, 3) << left;
    EXPECT_NEAR(right.x, 150, 2) << right;
    EXPECT_EQ(right.x + right.width, 270) << right;
}

TEST(PersonSegmentation, bodiesGrowFromFacesInsideTheImage) {
    EXPECT_EQ(PersonSegmentation::bodyFromFace({100, 20, 20, 20}, {400, 300}), cv::Rect(80, 14, 60, 156));
    EXPECT_EQ(PersonSegmentation::bodyFromFace({0, 250, 20, 20}, {400, 300}), cv::Rect(0, 244, 40, 56));
}

TEST(PersonSegmentation, aMissingNetworkFindsNothing) {
    PersonSegmentation detector("/nonexistent/person_segmentation.onnx");
    EXPECT_FALSE(detector.loaded());
    const cv::Mat rgb(64, 64, CV_8UC3, cv::Scalar(1, 2, 3));
    EXPECT_FALSE(detector.detect(rgb));
    EXPECT_FALSE(detector.personMask(rgb));
}

// ---- the real network on real photos (optional) ----

struct RealPhoto {
    const char* label;
    std::optional<std::filesystem::path> file;
    NormRect person;  // measured by hand on the photo, upright, top-left origin
    cv::Point2d inside, outside;
    double tolerance;  // of the mask's box against the measured one
};

class PersonSegmentationOnPhotos : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef ORVANE_PERSON_MODEL
        detector = std::make_unique<PersonSegmentation>(ORVANE_PERSON_MODEL);
#endif
        if (!detector || !detector->loaded())
            GTEST_SKIP() << "the person-segmentation network is not built (run scripts/setup.sh, then build)";
    }
    // The photo as a camera raw file, decoded the way the pipeline decodes it.
    RawImage decoded(const std::filesystem::path& photo) {
        const cv::Mat bgr = cv::imread(photo.string(), cv::IMREAD_COLOR);
        testing::writeDng(dir / "photo.dng", testing::photoDng(bgr, bgr.cols * 4, bgr.rows * 4));
        return loadRaw(dir / "photo.dng", false);
    }
    testing::TempDir dir;
    std::unique_ptr<PersonSegmentation> detector;
};

TEST_F(PersonSegmentationOnPhotos, maskLayoutAndSubjectCoverThePerson) {
    const std::vector<RealPhoto> photos = {
        // Head and shoulders; the helmet she holds reaches the right edge.
        {"astronaut", testing::debianPhoto("astronaut.png"), {0.04, 0.03, 1.0, 1.0}, {0.43, 0.23}, {0.88, 0.2}, 0.05},
        // A footballer in full stride, arm to boot, in front of a blurred crowd. A portrait network: the
        // outstretched hand stays below 0.5 and the grass shadow at the boot joins the mask.
        {"footballer", testing::debianPhoto("messi5.jpg"), {0.124, 0.18, 0.834, 0.98}, {0.45, 0.45}, {0.2, 0.2}, 0.09},
    };
    int ran = 0;
    for (const auto& p : photos) {
        if (!p.file) continue;
        ++ran;
        const RawImage raw = decoded(*p.file);
        const auto image = PersonExtent::uprightImage(raw, PersonExtent::workingSide);
        ASSERT_TRUE(image) << p.label;

        const auto mask = detector->personMask(*image);
        ASSERT_TRUE(mask) << p.label;
        const cv::Rect box = cv::boundingRect(*mask > 128);
        const double W = mask->cols, H = mask->rows;
        EXPECT_NEAR(box.x / W, p.person.left, p.tolerance) << p.label;
        EXPECT_NEAR(box.y / H, p.person.top, p.tolerance) << p.label;
        EXPECT_NEAR((box.x + box.width) / W, p.person.right, p.tolerance) << p.label;
        EXPECT_NEAR((box.y + box.height) / H, p.person.bottom, p.tolerance) << p.label;
        EXPECT_GT(mask->at<std::uint8_t>(cv::Point(p.inside.x * W, p.inside.y * H)), 128) << p.label;
        EXPECT_LT(mask->at<std::uint8_t>(cv::Point(p.outside.x * W, p.outside.y * H)), 128) << p.label;

        const auto layout = SmartCrop::analyze(raw, *detector);
        ASSERT_TRUE(layout) << p.label;
        EXPECT_EQ(SmartCrop::classified(*layout).subjects.size(), 1u) << p.label;
        ASSERT_FALSE(layout->bodies->empty()) << p.label;

        const auto subject = SubjectDetector::region(raw, *detector);
        ASSERT_TRUE(subject) << p.label;
        EXPECT_GE(subject->dabs.size(), 6u) << p.label;
        EXPECT_NEAR(subject->left, p.person.left, p.tolerance) << p.label;
        EXPECT_NEAR(subject->top, p.person.top, p.tolerance) << p.label;
    }
    if (ran == 0) GTEST_SKIP() << "no photo with people installed (python3-imageio, opencv-doc)";
}

}  // namespace
}  // namespace orvane

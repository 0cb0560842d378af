#include "core/vision/person_segmentation.h"

#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "core/photo/raw_image.h"
#include "core/vision/person_extent.h"
#include "core/vision/landmark_models.h"
#include "core/vision/person_layout.h"
#include "core/vision/photo_faces.h"
#include "core/vision/smart_crop.h"
#include "core/vision/subject_detector.h"
#include "testing/people_photos.h"
#include "testing/photo_dng.h"

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
        // Wider than tall: without a face the blob is no convincing body.
        {"no faces: not a person", {}, 0},
        {"one face", {twoFaces[0]}, 1},
        {"a face outside every person", {{10, 150, 20, 20}}, 0},
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

TEST(PersonSegmentation, onlyALargeSureUprightBlobIsABodyWithoutAFace) {
    struct Case {
        const char* label;
        cv::Rect blob;
        float probability;
        bool body;
    };
    // Frame 200 x 100 (20 000 pixels).
    const std::vector<Case> cases = {
        {"standing, sure", {80, 10, 30, 80}, 0.95f, true},
        {"standing but unsure", {80, 10, 30, 80}, 0.8f, false},
        {"too small (2 %)", {80, 10, 10, 40}, 0.95f, false},
        {"wider than tall: a cat, a cup", {40, 20, 120, 60}, 0.95f, false},
        {"a pole: thinner than a body", {90, 0, 12, 100}, 0.95f, false},
        {"filling the frame", {0, 0, 200, 100}, 0.95f, false},
    };
    for (const auto& c : cases) {
        cv::Mat prob(100, 200, CV_32F, cv::Scalar(0.0f));
        prob(c.blob).setTo(c.probability);
        EXPECT_EQ(PersonSegmentation::convincingBody(prob, prob > 0.5f), c.body) << c.label;
        EXPECT_EQ(PersonSegmentation::instances(prob, cv::Mat(), {}).size(), c.body ? 1u : 0u) << c.label;
    }
}

TEST(PersonSegmentation, bodiesGrowFromFacesInsideTheImage) {
    EXPECT_EQ(PersonSegmentation::bodyFromFace({100, 20, 20, 20}, {400, 300}), cv::Rect(80, 14, 60, 156));
    EXPECT_EQ(PersonSegmentation::bodyFromFace({0, 250, 20, 20}, {400, 300}), cv::Rect(0, 244, 40, 56));
}

TEST(PersonSegmentation, aMissingNetworkFindsNothing) {
    PersonSegmentation detector("/nonexistent/person_segmentation.onnx");
    EXPECT_FALSE(detector.loaded());
    const cv::Mat rgb(64, 64, CV_8UC3, cv::Scalar(1, 2, 3));
    const std::vector<DetectedBox> face = {DetectedBox::fromTopLeft({0.4, 0.1, 0.6, 0.3}, 1.0f)};
    EXPECT_FALSE(detector.detect(rgb, face));
    EXPECT_FALSE(detector.personMask(rgb, face));
}

// ---- the real network on real photos (optional) ----

TEST(PersonSegmentationOnPhotos, maskLayoutAndSubjectCoverThePerson) {
#ifndef ORVANE_PERSON_MODEL
    GTEST_SKIP() << "the person-segmentation network is not built (run scripts/setup.sh, then build)";
#else
    PersonSegmentation detector(ORVANE_PERSON_MODEL);
    if (!detector.loaded()) GTEST_SKIP() << "the person-segmentation network is not built (run scripts/setup.sh, then build)";
    if (auto reason = LandmarkModels::unavailableReason()) GTEST_SKIP() << *reason;
    struct RealPhoto {
        const char* label;
        const char* file;
        NormRect person;  // measured by hand on the photo, upright, top-left origin
        cv::Point2d inside, outside;
        double tolerance;  // of the mask's box against the measured one
    };
    const std::vector<RealPhoto> photos = {
        // Head and shoulders; the helmet she holds reaches the right edge.
        {"astronaut (python3-imageio)", "astronaut.png", {0.04, 0.03, 1.0, 1.0}, {0.43, 0.23}, {0.88, 0.2}, 0.05},
        // A footballer in full stride, arm to boot, in front of a blurred crowd. A portrait network: the
        // outstretched hand stays below 0.5 and the grass shadow at the boot joins the mask.
        {"footballer (opencv-doc)", "messi5.jpg", {0.124, 0.18, 0.834, 0.98}, {0.45, 0.45}, {0.2, 0.2}, 0.09},
    };
    for (const auto& p : photos) {
        const auto file = testing::debianPhoto(p.file);
        if (!file) GTEST_SKIP() << p.label << " is not installed (scripts/setup.sh): no photo with a person to check";
    }
    for (const auto& p : photos) {
        SCOPED_TRACE(p.label);
        const cv::Mat bgr = cv::imread(testing::debianPhoto(p.file)->string(), cv::IMREAD_COLOR);
        cv::Mat big;
        cv::resize(bgr, big, cv::Size(), 2, 2, cv::INTER_LINEAR);
        const RawImage raw = testing::decodedPhoto(big, false);
        const auto image = PersonExtent::uprightImage(raw, PersonExtent::workingSide);
        ASSERT_TRUE(image);
        const auto faces = PhotoFaces::boxes(raw);
        ASSERT_EQ(faces.size(), 1u) << "one face";

        const auto mask = detector.personMask(*image, faces);
        ASSERT_TRUE(mask);
        const cv::Rect box = cv::boundingRect(*mask > 128);
        const double W = mask->cols, H = mask->rows;
        EXPECT_NEAR(box.x / W, p.person.left, p.tolerance);
        EXPECT_NEAR(box.y / H, p.person.top, p.tolerance);
        EXPECT_NEAR((box.x + box.width) / W, p.person.right, p.tolerance);
        EXPECT_NEAR((box.y + box.height) / H, p.person.bottom, p.tolerance);
        EXPECT_GT(mask->at<std::uint8_t>(cv::Point(p.inside.x * W, p.inside.y * H)), 128);
        EXPECT_LT(mask->at<std::uint8_t>(cv::Point(p.outside.x * W, p.outside.y * H)), 128);

        const auto layout = SmartCrop::analyze(raw, detector, faces);
        ASSERT_TRUE(layout);
        EXPECT_EQ(SmartCrop::classified(*layout).subjects.size(), 1u);
        ASSERT_FALSE(layout->bodies->empty());

        const auto subject = SubjectDetector::region(raw, detector, faces);
        ASSERT_TRUE(subject);
        EXPECT_GE(subject->dabs.size(), 6u);
        EXPECT_NEAR(subject->left, p.person.left, p.tolerance);
        EXPECT_NEAR(subject->top, p.person.top, p.tolerance);
    }
#endif
}

}  // namespace
}  // namespace orvane

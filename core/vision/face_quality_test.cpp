// The capture quality of one face from its box, pixels and landmarks.
#include "core/vision/face_quality.h"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

namespace orvane {
namespace {

// An eye outline centred at (cx, cy), w wide and h high.
Outline eye(double cx, double cy, double w, double h) {
    return {{cx - w / 2, cy}, {cx, cy - h / 2}, {cx + w / 2, cy}, {cx, cy + h / 2}};
}

FaceObservation faceWith(double eyeHeight, double noseX) {
    FaceObservation f;
    f.box = {0.3, 0.2, 0.7, 0.8};
    FaceObservation::Landmarks l;
    l.leftEye = eye(0.42, 0.4, 0.06, eyeHeight);
    l.rightEye = eye(0.58, 0.4, 0.06, eyeHeight);
    l.nose = {{noseX, 0.45}, {noseX - 0.02, 0.55}, {noseX + 0.02, 0.55}};
    f.landmarks = l;
    return f;
}

TEST(FaceQuality, prefersSharpWellExposedOpenFrontalFaces) {
    // A textured mid-grey face region: sharp and well exposed.
    cv::Mat sharp(400, 400, CV_8UC1);
    cv::randu(sharp, 60, 200);
    cv::Mat blurred;
    cv::GaussianBlur(sharp, blurred, cv::Size(0, 0), 6);
    cv::Mat dark = sharp / 8;

    const double best = FaceQuality::score(faceWith(0.02, 0.5), sharp);
    EXPECT_GT(best, 0.8);
    EXPECT_LT(FaceQuality::score(faceWith(0.02, 0.5), blurred), best - 0.2);
    EXPECT_LT(FaceQuality::score(faceWith(0.02, 0.5), dark), best - 0.2);
    EXPECT_LT(FaceQuality::score(faceWith(0.004, 0.5), sharp), best - 0.2) << "eyes closed";
    EXPECT_LT(FaceQuality::score(faceWith(0.02, 0.6), sharp), best - 0.2) << "head turned to the side";
    FaceObservation boxOnly = faceWith(0.02, 0.5);
    boxOnly.landmarks.reset();
    EXPECT_LT(FaceQuality::score(boxOnly, sharp), best);
    FaceObservation small = faceWith(0.02, 0.5);
    small.box = {0.45, 0.45, 0.5, 0.5};
    EXPECT_LT(FaceQuality::score(small, sharp), best);
    for (const double q : {best, FaceQuality::score(boxOnly, blurred)}) EXPECT_TRUE(q >= 0 && q <= 1);

    EXPECT_EQ(FaceQuality::score(faceWith(0.02, 0.5), cv::Mat()), 0);
    FaceObservation outside = faceWith(0.02, 0.5);
    outside.box = {1.2, 1.2, 1.4, 1.4};
    EXPECT_LT(FaceQuality::score(outside, sharp), 0.01) << "no pixels to judge";
}

}  // namespace
}  // namespace orvane

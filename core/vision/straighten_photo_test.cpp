// Real photos from Debian's python3-skimage package, turned by known angles and written as raw files.
// Both photos are level to begin with, so the truth is the turn undone. The estimator abstains often
// on real photos (its halves must agree); what it does answer must be within 0.3 degrees.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include <opencv2/imgcodecs.hpp>

#include "core/photo/raw_image.h"
#include "core/vision/straighten.h"
#include "testing/photo_dng.h"
#include "testing/temp_dir.h"

namespace orvane {
namespace {

TEST(StraightenOnRealPhotos, answersAreWithinAThirdOfADegreeOfTheTurn) {
    orvane::testing::TempDir dir;
    int answers = 0;
    for (const char* name : {"rocket.jpg", "camera.png"}) {
        const auto path = orvane::testing::debianPhoto(name);
        if (!path)
            GTEST_SKIP() << "python3-skimage's example photo " << name
                         << " is not on this machine (scripts/setup.sh unpacks it): no real photo to turn";
        const cv::Mat photo = cv::imread(path->string(), cv::IMREAD_COLOR);
        ASSERT_FALSE(photo.empty()) << *path;
        for (double turn : {-3.0, -2.0, -1.0, -0.5, 0.5, 1.0, 2.0, 3.0}) {
            SCOPED_TRACE(std::string(name) + " turned " + std::to_string(turn));
            const auto file = dir / "turned.dng";
            // Eight times larger: the decoded analysis image is about the photo's own size.
            orvane::testing::writePhotoDng(file, orvane::testing::turnedPhoto(photo, turn), 8);
            const auto r = Straighten::detect(loadRaw(file, false));
            if (!r) continue;
            ++answers;
            EXPECT_NEAR(r->angle, -turn, 0.3);
        }
    }
    // Three of the sixteen answer today; fewer than two would mean the estimator stopped seeing lines.
    EXPECT_GE(answers, 2);
}

}  // namespace
}  // namespace orvane

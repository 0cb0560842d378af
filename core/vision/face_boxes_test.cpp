#include "core/vision/face_boxes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include <opencv2/core.hpp>

namespace orvane {
namespace {

// The tiles of one size, by row and column of their top-left corners.
using Grid = std::map<int, std::map<int, cv::Rect>>;

TEST(FaceBoxesRegions, tilesLieInsideOverlapTheirNeighboursAndCoverTheFrame) {
    struct Case {
        cv::Size frame;
        bool sweep;  // a sweep of smaller tiles besides the squares of the short side
    };
    const Case cases[] = {
        {{6000, 4000}, true}, {{4000, 6000}, true}, {{1000, 1000}, true}, {{1000, 1500}, true},
        {{40, 25}, true},     {{8, 5}, false},       {{1, 1}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.frame.width) + " x " + std::to_string(c.frame.height));
        const auto tiles = FaceBoxes::regions(c.frame);
        ASSERT_FALSE(tiles.empty());
        const cv::Rect frame(cv::Point(), c.frame);
        std::map<int, Grid> bySide;
        for (const auto& t : tiles) {
            EXPECT_EQ(t & frame, t) << "a tile outside the frame: " << t;
            EXPECT_EQ(t.width, t.height) << "tiles are square, as the network's input";
            bySide[t.width][t.y][t.x] = t;
        }
        EXPECT_EQ(bySide.size(), c.sweep ? 2u : 1u);
        EXPECT_EQ(bySide.rbegin()->first, std::min(c.frame.width, c.frame.height)) << "squares of the short side";
        for (const auto& [side, grid] : bySide) {
            SCOPED_TRACE("tiles of " + std::to_string(side));
            // Neighbours share at least 0.3 of a tile along each axis; origins are whole pixels, so
            // spreading the tiles evenly may cost up to a pixel of that.
            const double least = 0.3 * side - 1;
            int previousY = -1;
            for (const auto& [y, row] : grid) {
                if (previousY >= 0) {
                    EXPECT_GE(previousY + side - y, least) << "rows at " << previousY << " and " << y;
                }
                previousY = y;
                EXPECT_EQ(row.size(), grid.begin()->second.size()) << "every row has as many tiles";
                int previousX = -1;
                for (const auto& [x, t] : row) {
                    if (previousX >= 0) {
                        EXPECT_GE(previousX + side - x, least) << "columns at " << previousX << " and " << x;
                    }
                    previousX = x;
                }
            }
            // The tiles of each size cover every pixel of the frame.
            cv::Mat covered(c.frame, CV_8U, cv::Scalar(0));
            for (const auto& [y, row] : grid)
                for (const auto& [x, t] : row) covered(t).setTo(1);
            EXPECT_EQ(cv::countNonZero(covered), c.frame.area());
        }
        if (c.sweep && c.frame.width >= 1000) {
            // The sweep's tiles are small enough that a face of 2 % of the width is 11 pixels wide
            // at the network's input, where the network still sees it.
            const int side = bySide.begin()->first;
            EXPECT_GE(0.02 * c.frame.width * FaceBoxes::inputSide / side, 11.0) << side;
        }
    }
}

TEST(FaceBoxesRegions, anEmptyFrameHasNone) {
    EXPECT_TRUE(FaceBoxes::regions({0, 0}).empty());
    EXPECT_TRUE(FaceBoxes::regions({100, 0}).empty());
    EXPECT_TRUE(FaceBoxes::regions({-5, 10}).empty());
}

}  // namespace
}  // namespace orvane

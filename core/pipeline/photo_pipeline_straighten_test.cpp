// The pipeline's own straighten analysis on a raw file: requested, it measures the photo; not
// requested, the field stays absent.
#include <gtest/gtest.h>

#include "core/pipeline/photo_pipeline.h"
#include "core/vision/straighten_scenes.h"
#include "testing/model_fixtures.h"
#include "testing/photo_dng.h"
#include "testing/temp_dir.h"

namespace orvane {
namespace {

TEST(PhotoPipelineStraighten, standardAnalyzersLevelATurnedFacade) {
    orvane::testing::TempDir dir;
    orvane::testing::writeConstantModel(dir / "model", "exp", 0.25f, 61);
    orvane::testing::writeConstantModel(dir / "model", "mired", 250.0f, 61);
    const auto predictor = Predictor::openModelDirectory(dir / "model");

    // Turned 1.5 degrees clockwise on screen: levelled by +1.5.
    const auto gray = scenes::draw(scenes::building(300, 200), 300, 200, -1.5);
    const auto file = dir / "facade.dng";
    orvane::testing::writePhotoDng(file, scenes::bgrOf(gray, 300, 200), 8);

    const auto measured = processPhoto(file, predictor, {.straighten = true}, false, false);
    ASSERT_TRUE(measured.straighten);
    EXPECT_NEAR(measured.straighten->angle, 1.5, 0.15);
    EXPECT_DOUBLE_EQ(measured.straighten->aspect, 1.5);
    EXPECT_FALSE(processPhoto(file, predictor, {}, false, false).straighten);
}

}  // namespace
}  // namespace orvane

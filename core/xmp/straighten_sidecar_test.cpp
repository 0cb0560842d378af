// A photo straightened end to end: a drawn facade turned on screen, written as a raw file, decoded,
// measured, and its crop written into a sidecar that exiftool reads back.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>

#include "core/base/numbers.h"
#include "core/photo/raw_image.h"
#include "core/vision/straighten.h"
#include "core/vision/straighten_scenes.h"
#include "core/xmp/photo_attributes.h"
#include "core/xmp/xmp_test_support.h"
#include "core/xmp/xmp_writer.h"
#include "testing/exiftool.h"
#include "testing/photo_dng.h"
#include "testing/temp_dir.h"

namespace orvane {
namespace {

TEST(StraightenSidecar, exiftoolReadsTheAngleAndTheCrop) {
    const auto exiftool = testing::exiftoolPath();
    if (!exiftool) GTEST_SKIP() << "exiftool is not installed";
    testing::TempDir dir;

    // Turned 2 degrees counter-clockwise: levelled by -2.
    const auto gray = scenes::draw(scenes::building(300, 200), 300, 200, 2);
    const auto raw = dir / "IMG_0001.dng";
    testing::writePhotoDng(raw, scenes::bgrOf(gray, 300, 200), 8);
    const auto result = Straighten::detect(loadRaw(raw, false));
    ASSERT_TRUE(result);
    EXPECT_NEAR(result->angle, -2, 0.15);
    EXPECT_DOUBLE_EQ(result->aspect, 1.5);

    Project project;
    project.straightenRequested = true;
    PhotoItem item;
    item.straighten = result;
    const auto preset = testing::neutralPreset();
    const auto pairs = cropAttributes(item, project, raw, preset, false);
    ASSERT_EQ(XMPWriter::writeMerged(preset, raw, dir.path(), 0, 5000, std::nullopt, {}, pairs, nullptr, {}),
              XMPWriter::Outcome::written());

    // exiftool types the values it knows: numbers for the crop, a Boolean for HasCrop.
    const auto record = testing::exiftool(*exiftool, dir / "IMG_0001.xmp", {"-XMP-crs:all"});
    ASSERT_TRUE(record.is_object()) << record.dump();
    ASSERT_TRUE(record.contains("CropAngle")) << record.dump();
    EXPECT_DOUBLE_EQ(record["CropAngle"].get<double>(), *Numbers::parseDouble(Numbers::fixed(result->angle, 2)));
    EXPECT_EQ(record["HasCrop"], true);
    // The same crop as the result's own settings, to the millionth they are written with.
    const auto own = Straighten::xmpAttributes(*result);
    ASSERT_EQ(own.size(), 6u);
    for (std::size_t i = 1; i < 5; ++i) {
        ASSERT_TRUE(record.contains(own[i].first)) << own[i].first;
        EXPECT_NEAR(record[own[i].first].get<double>(), *Numbers::parseDouble(own[i].second), 1.5e-6) << own[i].first;
    }
    EXPECT_GT(record["CropLeft"].get<double>(), 0.02);
}

}  // namespace
}  // namespace orvane

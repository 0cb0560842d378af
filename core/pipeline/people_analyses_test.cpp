// The people analyses as the pipeline runs them, on a real photo made into a camera raw file: the
// subject mask goes into a sidecar that an independent reader reads back.
#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>

#include "core/masks/teeth_mask.h"
#include "core/pipeline/photo_pipeline.h"
#include "core/style/model_vault.h"
#include "core/vision/landmark_models.h"
#include "core/vision/person_segmentation.h"
#include "core/xmp/xmp_test_support.h"
#include "core/xmp/xmp_writer.h"
#include "testing/exiftool.h"
#include "testing/photo_dng.h"
#include "testing/temp_dir.h"

namespace orvane {
namespace {

TEST(PeopleAnalyses, astronautGetsALayoutAndASubjectMaskThatExiftoolReads) {
    const auto photo = testing::debianPhoto("astronaut.png");
    if (!photo) GTEST_SKIP() << "astronaut.png (python3-imageio) is not installed";
    if (!std::filesystem::exists(ModelVault::resourceDirectory() / PersonSegmentation::modelFileName))
        GTEST_SKIP() << "the person-segmentation network is not built (run scripts/setup.sh, then build)";
    const auto exiftool = testing::exiftoolPath();
    if (!exiftool) GTEST_SKIP() << "exiftool is not installed";

    testing::TempDir dir;
    const cv::Mat bgr = cv::imread(photo->string(), cv::IMREAD_COLOR);
    testing::writeDng(dir / "astronaut.dng", testing::photoDng(bgr, bgr.cols * 4, bgr.rows * 4));
    const RawImage raw = loadRaw(dir / "astronaut.dng", false);
    const auto& analyzers = PhotoAnalyzers::standard();

    const auto layout = analyzers.layout(raw);
    ASSERT_TRUE(layout);
    EXPECT_TRUE(layout->isCurrent());
    EXPECT_EQ(layout->people.size(), 1u);
    // One person: no feet line for the group crop, which wants two.
    EXPECT_FALSE(analyzers.lowestEdge(raw, 2));
    const auto feet = analyzers.lowestEdge(raw, 1);
    ASSERT_TRUE(feet);
    EXPECT_EQ(*feet, 1.0) << "she reaches the bottom of the frame";

    const auto subject = analyzers.subject(raw);
    ASSERT_TRUE(subject);
    TeethMask::Spec spec;
    spec.subject = TeethMask::Spec::Part<SkinRegion>::set({*subject}, 100);
    ASSERT_EQ(XMPWriter::writeMerged(testing::neutralPreset(), dir / "astronaut.dng", dir.path(), 0, 5500, std::nullopt,
                                     {}, {}, &spec, {}),
              XMPWriter::Outcome::written());
    const auto record = testing::exiftool(*exiftool, dir / "astronaut.xmp", {"-XMP-crs:all"});
    ASSERT_FALSE(record.is_null());
    EXPECT_EQ(record["MaskGroupBasedCorrCorrectionName"], "Vendrel – Subiect") << record.dump();
    EXPECT_EQ(record["MaskGroupBasedCorrAmount"], 1) << record.dump();
}

TEST(PeopleAnalyses, everyAnalysisOnTheAstronautIsRecorded) {
    const auto photo = testing::astronautPhoto();
    if (!photo) GTEST_SKIP() << "astronaut.png (python3-imageio) is not installed";
    if (!std::filesystem::exists(ModelVault::resourceDirectory() / PersonSegmentation::modelFileName))
        GTEST_SKIP() << "the person-segmentation network is not built (run scripts/setup.sh, then build)";
    if (auto reason = LandmarkModels::unavailableReason()) GTEST_SKIP() << *reason;

    testing::TempDir dir;
    testing::writeDng(dir / "astronaut.dng", testing::photoDng(*photo, photo->cols * 4, photo->rows * 4));
    AnalysisRequest all;
    all.straighten = all.feet = all.teeth = all.layout = all.skin = all.subject = true;
    const auto a = analyzePhoto(dir / "astronaut.dng", all);
    ASSERT_TRUE(a);
    EXPECT_GT(a->aspect, 0);
    ASSERT_TRUE(a->teeth && a->skin);
    EXPECT_FALSE(a->teeth->empty()) << "she smiles with her teeth showing";
    EXPECT_EQ(a->skin->size(), 1u) << "one face";
    ASSERT_TRUE(a->layout);
    EXPECT_EQ(a->layout->people.size(), 1u);
    EXPECT_TRUE(a->subject);
    EXPECT_FALSE(a->feetBottom) << "one person: no group feet line";
    // The straighten estimate may find no horizon in a studio portrait; asking for it must not disturb the rest.

    EXPECT_FALSE(analyzePhoto(dir / "missing.dng", all)) << "an undecodable file gives nothing";
}

}  // namespace
}  // namespace orvane

// The per-photo pipeline with this build's face analysis on a real face, and the teeth mask it finds
// written into a sidecar that exiftool reads back.
#include <gtest/gtest.h>

#include "core/masks/teeth_mask.h"
#include "core/pipeline/photo_pipeline.h"
#include "core/vision/landmark_models.h"
#include "core/xmp/xmp_test_support.h"
#include "core/xmp/xmp_writer.h"
#include "testing/exiftool.h"
#include "testing/model_fixtures.h"
#include "testing/photo_dng.h"
#include "testing/temp_dir.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;

// The model loads once for the executable's process, so one test runs every check of the photo.
TEST(FacePipeline, recordsTeethAndSkinOfARealFaceOnlyWhenAsked) {
    if (auto reason = LandmarkModels::unavailableReason()) GTEST_SKIP() << *reason;
    auto portrait = testing::astronautPortrait();
    if (!portrait) GTEST_SKIP() << "astronaut.png is missing (install python3-imageio: scripts/setup.sh)";
    testing::TempDir dir;
    const fs::path photo = dir / "astronaut.dng";
    testing::writeDng(photo, testing::photoDng(*portrait, 3200, 4000));
    testing::writeConstantModel(dir / "plain", "exp", 0.25f, 61);
    testing::writeConstantModel(dir / "plain", "mired", 250.0f, 61);
    const Predictor predictor = Predictor::openModelDirectory(dir / "plain");
    ASSERT_FALSE(predictor.usesFaces());

    PhotoAnalyzers analyzers = PhotoAnalyzers::standard();
    ASSERT_TRUE(analyzers.faces);
    int runs = 0;
    analyzers.faces = [&, real = analyzers.faces](const RawImage& image, bool teeth, bool skin) {
        ++runs;
        return real(image, teeth, skin);
    };

    const auto asked = processPhoto(photo, predictor, {.teeth = true, .skin = true}, false, false,
                                    PhotoDecoders::standard(), analyzers);
    EXPECT_EQ(runs, 1);
    ASSERT_TRUE(asked.teeth);
    ASSERT_EQ(asked.teeth->size(), 1u);
    EXPECT_FALSE(asked.teeth->at(0).dabs.empty());
    EXPECT_FALSE(asked.teeth->at(0).coarse.empty());
    ASSERT_TRUE(asked.skin);
    ASSERT_EQ(asked.skin->size(), 1u);
    EXPECT_FALSE(asked.skin->at(0).dabs.empty());

    runs = 0;
    const auto notAsked = processPhoto(photo, predictor, {}, false, false, PhotoDecoders::standard(), analyzers);
    EXPECT_EQ(runs, 0);
    EXPECT_FALSE(notAsked.teeth);
    EXPECT_FALSE(notAsked.skin);

    // The teeth whitening goes into the sidecar as a brush mask; exiftool reads it back. (Skin masks
    // have no writer in this build yet.)
    const TeethMask::Spec spec = TeethMask::Spec::set(*asked.teeth, 60);
    XMPWriter::writeMerged(testing::neutralPreset(), photo, dir.path(), asked.exposure, asked.temperature,
                           std::nullopt, {}, {}, &spec, {});
    auto program = testing::exiftoolPath();
    if (!program) GTEST_SKIP() << "exiftool is not installed";
    const auto record = testing::exiftool(*program, dir / "astronaut.xmp", {"-struct", "-XMP-crs:all"});
    ASSERT_TRUE(record.contains("MaskGroupBasedCorrections")) << record.dump();
    const auto& corrections = record["MaskGroupBasedCorrections"];
    ASSERT_EQ(corrections.size(), 1u) << corrections.dump();
    EXPECT_EQ(corrections[0]["CorrectionName"], "Vendrel – Albire dinți");
    std::size_t dabs = 0;
    for (const auto& mask : corrections[0]["CorrectionMasks"])
        for (const auto& stroke : mask["Masks"]) dabs += stroke["Dabs"].size();
    const auto& teeth = asked.teeth->at(0);
    EXPECT_EQ(dabs, teeth.dabs.size() + teeth.coarse.size());
}

}  // namespace
}  // namespace orvane

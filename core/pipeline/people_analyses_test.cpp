// The people analyses as the pipeline runs them, on a real photo made into a camera raw file: the
// subject mask goes into a sidecar that an independent reader reads back.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>

#include <nlohmann/json.hpp>

#include "core/masks/teeth_mask.h"
#include "core/pipeline/photo_pipeline.h"
#include "core/style/model_vault.h"
#include "core/vision/landmark_models.h"
#include "core/vision/person_segmentation.h"
#include "core/xmp/xmp_test_support.h"
#include "core/xmp/xmp_writer.h"
#include "testing/photo_to_dng_people.h"
#include "testing/temp_dir.h"

namespace orvane {
namespace {

// exiftool's JSON record of a file's Camera Raw tags; null when exiftool is missing or fails.
nlohmann::json cameraRawTags(const std::filesystem::path& file) {
    const std::string command = "exiftool -j -XMP-crs:all '" + file.string() + "' 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe) return {};
    std::string out;
    std::array<char, 4096> buf{};
    while (std::size_t n = std::fread(buf.data(), 1, buf.size(), pipe.get())) out.append(buf.data(), n);
    auto j = nlohmann::json::parse(out, nullptr, false);
    return j.is_array() && !j.empty() ? j[0] : nlohmann::json();
}

TEST(PeopleAnalyses, astronautGetsALayoutAndASubjectMaskThatExiftoolReads) {
    const auto photo = testing::debianAstronautPhoto();
    if (!photo) GTEST_SKIP() << "astronaut.png (python3-imageio) is not installed";
    if (!std::filesystem::exists(ModelVault::resourceDirectory() / PersonSegmentation::modelFileName))
        GTEST_SKIP() << "the person-segmentation network is not built (run scripts/setup.sh, then build)";
    if (std::system("exiftool -ver >/dev/null 2>&1") != 0) GTEST_SKIP() << "exiftool is not installed";

    testing::TempDir dir;
    testing::writePhotoDng(*photo, dir / "astronaut.dng", 4);
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
    const auto record = cameraRawTags(dir / "astronaut.xmp");
    ASSERT_FALSE(record.is_null());
    EXPECT_EQ(record["MaskGroupBasedCorrCorrectionName"], "Vendrel – Subiect") << record.dump();
    EXPECT_EQ(record["MaskGroupBasedCorrAmount"], 1) << record.dump();
}

TEST(PeopleAnalyses, everyAnalysisOnTheAstronautIsRecorded) {
    const auto photo = testing::debianAstronautPhoto();
    if (!photo) GTEST_SKIP() << "astronaut.png (python3-imageio) is not installed";
    if (!std::filesystem::exists(ModelVault::resourceDirectory() / PersonSegmentation::modelFileName))
        GTEST_SKIP() << "the person-segmentation network is not built (run scripts/setup.sh, then build)";
    if (auto reason = LandmarkModels::unavailableReason()) GTEST_SKIP() << *reason;

    testing::TempDir dir;
    testing::writePhotoDng(*photo, dir / "astronaut.dng", 4);
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

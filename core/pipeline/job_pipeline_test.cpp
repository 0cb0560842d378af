// A job running the real per-photo pipeline over generated raw files, end to end to project.json.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "core/photo/as_shot_wb.h"
#include "core/pipeline/photo_pipeline.h"
#include "core/pipeline/predictor_cache.h"
#include "core/store/store.h"
#include "core/style/model.h"
#include "core/style/model_training.h"
#include "core/xmp/develop_preset.h"
#include "core/xmp/exporter.h"
#include "testing/debian_raw.h"
#include "testing/dng_writer.h"
#include "testing/job_fixtures.h"
#include "testing/model_fixtures.h"
#include "testing/temp_dir.h"
#include "tools/base_model_scenes.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;

// A job over the raw files of a shoot, with the real per-photo pipeline and the profile in a folder.
struct PipelineRun {
    PredictorCache cache;
    Uuid profile = Uuid::random();
    Project project;
    std::shared_ptr<ManualExecutor> main = std::make_shared<ManualExecutor>();
    std::shared_ptr<Job> job;

    PipelineRun(const fs::path& shoot, const fs::path& profileDir, int workers, bool persist)
        : project(Project::create("Nuntă", shoot, profile)) {
        job = Job::make(main, project, workers, persist, [this, profileDir](const fs::path& file, const AnalysisRequest& a) {
            return processPhoto(file, *cache.predictor(profile, profileDir), a, false, false);
        });
    }
    // Starts the job and runs the main loop until the run has ended.
    bool toTheEnd() {
        bool stopped = false;
        job->setOnStopped([&](Job&) { stopped = true; });
        job->start();
        return main->runUntil([&] { return stopped; }, std::chrono::seconds(120));
    }
};

TEST(JobWithPipeline, processesGeneratedRawFilesIntoTheProjectFile) {
    orvane::testing::TempDir shoot, profileDir;
    for (int i = 0; i < 20; ++i) {
        orvane::testing::DngSpec spec;
        spec.width = 64 + 2 * (i % 3);
        spec.height = 48;
        spec.orientation = i % 4 == 0 ? 6 : 1;
        spec.iso = 100 * (1 + i % 8);
        const double level = 0.05 + 0.04 * i;
        spec.scene = [level](int x, int, int w, int) {
            return std::array<double, 3>{level * (0.5 + 0.5 * x / w), level, level * 0.8};
        };
        orvane::testing::writeDng(shoot / ("IMG_" + std::to_string(100 + i) + ".dng"), spec);
    }
    orvane::testing::writeText(shoot / "IMG_999.dng", "truncated, not a raw file");

    Model::build(orvane::testing::syntheticSamples(200, 7), profileDir.path(), Model::extraKeys());
    PipelineRun run(shoot.path(), profileDir.path(), 4, true);
    const Project& project = run.project;
    ASSERT_EQ(project.photos.size(), 21u);
    auto& job = run.job;
    auto& main = run.main;
    ASSERT_TRUE(run.toTheEnd());
    bool flushed = false;
    job->flush([&](const std::optional<SaveError>& error) {
        EXPECT_FALSE(error);
        flushed = true;
    });
    ASSERT_TRUE(main->runUntil([&] { return flushed; }));

    const Project saved = Store::load<Project>(project.dir() / "project.json");
    std::size_t done = 0;
    for (const auto& photo : saved.photos) {
        SCOPED_TRACE(photo.path);
        if (photo.name() == "IMG_999.dng") {
            EXPECT_EQ(photo.status, PhotoItem::Status::failed);
            ASSERT_TRUE(photo.error);
            EXPECT_EQ(*photo.error, RawError::sentence(RawError::Cause::notRaw));
            continue;
        }
        ++done;
        EXPECT_EQ(photo.status, PhotoItem::Status::done);
        ASSERT_TRUE(photo.exposure && photo.temperature && photo.aspect && photo.asShotTint && photo.extras);
        EXPECT_TRUE(std::isfinite(*photo.exposure));
        EXPECT_GT(*photo.temperature, 1000);
        EXPECT_EQ(photo.extras->size(), Model::extraKeys().size());
        const bool turned = photo.name() == "IMG_100.dng" || photo.name() == "IMG_104.dng";
        if (turned) { EXPECT_LT(*photo.aspect, 1.0); }
    }
    EXPECT_EQ(done, 20u);
    EXPECT_EQ(saved.pending(), 0u);
    EXPECT_TRUE(saved.finishedAt);
}

// A photo whose as-shot tint cannot be computed fails at processing, shown among the failed photos;
// the export then writes every other photo instead of stopping at it.
TEST(JobWithPipeline, aPhotoWithoutAsShotWhiteBalanceFailsAtProcessingAndTheExportWritesTheOthers) {
    orvane::testing::TempDir shoot, profileDir, out;
    for (int i = 1; i <= 3; ++i) {
        orvane::testing::DngSpec spec;
        if (i == 2) spec.asShotNeutral.reset();  // an old camera that records no white balance
        orvane::testing::writeDng(shoot / ("IMG_" + std::to_string(i) + ".dng"), spec);
    }
    Model::build(orvane::testing::syntheticSamples(60, 3), profileDir.path(), {});
    PipelineRun run(shoot.path(), profileDir.path(), 2, false);
    ASSERT_EQ(run.project.photos.size(), 3u);
    ASSERT_TRUE(run.toTheEnd());

    const Project& processed = run.job->project();
    EXPECT_EQ(processed.done(), 2u);
    for (const auto& photo : processed.photos) {
        SCOPED_TRACE(photo.path);
        if (photo.name() == "IMG_2.dng") {
            EXPECT_EQ(photo.status, PhotoItem::Status::failed);
            EXPECT_EQ(photo.error, "Nu pot calcula Tint-ul din cameră pentru IMG_2.dng.");
        } else {
            EXPECT_EQ(photo.status, PhotoItem::Status::done);
            EXPECT_TRUE(photo.asShotTint);
        }
    }
    const auto preset = DevelopPreset::parse(DevelopPreset::neutralXMP(), "Neutru.xmp");
    EXPECT_EQ(Exporter::write(processed, preset, out.path()), (Exporter::SidecarCounts{2, 0, 0}));
    for (const char* name : {"IMG_1.xmp", "IMG_3.xmp"}) {
        bool found = false;
        for (const auto& entry : fs::recursive_directory_iterator(out.path()))
            found = found || entry.path().filename() == name;
        EXPECT_TRUE(found) << name;
    }
}

#ifdef ORVANE_BUILD_RESOURCES_DIR
// The number a sidecar gives a develop setting, as in crs:Temperature="5600"; absent without it.
std::optional<double> sidecarValue(const fs::path& sidecar, const std::string& key) {
    const std::string text = orvane::testing::readText(sidecar);
    const std::string attribute = "crs:" + key + "=\"";
    const auto at = text.find(attribute);
    if (at == std::string::npos) return std::nullopt;
    return std::stod(text.substr(at + attribute.size()));
}

// The instant road on cameras the base models never saw: an instant profile over raw files of the
// held-out cameras at as-shot temperatures across the range, and the real camera file Debian ships
// when it is installed, processed by the real pipeline and exported to sidecars. Each sidecar carries
// the file's as-shot temperature: a neutral starting point.
TEST(JobWithPipeline, anInstantProfileGivesEveryCameraItsAsShotTemperature) {
    orvane::testing::TempDir shoot, profileDir, out;
    orvane::testing::VaultSession vault{fs::path(ORVANE_BUILD_RESOURCES_DIR)};
    orvane::testing::writeText(profileDir / "profile.json", R"({"kind":"instant"})");
    std::map<std::string, double> asShot;  // sidecar name to the raw file's as-shot temperature
    int index = base_models::trainingScenes + 2000;
    for (std::size_t c = 0; c < base_models::heldOutCameras().size(); ++c) {
        for (double kelvin : {2900.0, 4300.0, 5600.0, 6600.0, 8500.0}) {
            base_models::Scene s = base_models::scene(index++);
            s.colorMatrix = base_models::heldOutCameras()[c].colorMatrix;
            s.kelvin = kelvin;
            const std::string stem = "C" + std::to_string(c) + "_" + std::to_string(int(kelvin));
            orvane::testing::writeDng(shoot / (stem + ".dng"), base_models::dngSpec(s));
            asShot[stem + ".xmp"] = readAsShot(shoot / (stem + ".dng"))->kelvin;
        }
    }
    orvane::testing::TempDir unpacked;
    if (const auto real = orvane::testing::debianCameraRaw(unpacked)) {
        fs::copy_file(*real, shoot / "IMG_5952.CR2");
        asShot["IMG_5952.xmp"] = readAsShot(shoot / "IMG_5952.CR2")->kelvin;
    }
    PipelineRun run(shoot.path(), profileDir.path(), 4, false);
    ASSERT_TRUE(run.toTheEnd());
    EXPECT_EQ(run.job->project().done(), asShot.size());
    const auto preset = DevelopPreset::parse(DevelopPreset::neutralXMP(), "Neutru.xmp");
    EXPECT_EQ(Exporter::write(run.job->project(), preset, out.path()).written, static_cast<std::int64_t>(asShot.size()));

    std::size_t checked = 0;
    for (const auto& entry : fs::recursive_directory_iterator(out.path())) {
        const auto it = asShot.find(entry.path().filename().string());
        if (it == asShot.end()) continue;
        SCOPED_TRACE(it->first);
        const auto temperature = sidecarValue(entry.path(), "Temperature");
        ASSERT_TRUE(temperature);
        EXPECT_NEAR(*temperature, it->second, 1.0);  // written as a whole number
        if (it->first == "IMG_5952.xmp")
            std::printf("Instant profile, Canon EOS 30D: as shot %.0f K, sidecar %.0f K\n", it->second, *temperature);
        ++checked;
    }
    EXPECT_EQ(checked, asShot.size());
}
#endif

}  // namespace
}  // namespace orvane

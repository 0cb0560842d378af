// From a photographer's catalogs to sidecars, headless: the catalogs are imported and a profile built
// through the application model, then new raws of the same photographer are processed with it and
// their sidecars written.
#include <gtest/gtest.h>

#include <cmath>

#include "app/model/app_model.h"
#include "core/base/atomic_file.h"
#include "core/catalog/catalog.h"
#include "core/pipeline/photo_pipeline.h"
#include "core/store/store.h"
#include "core/style/predictor.h"
#include "core/xmp/develop_preset.h"
#include "core/xmp/profile_presets.h"
#include "core/xmp/xmp_writer.h"
#include "testing/job_fixtures.h"
#include "testing/photographer.h"
#include "testing/temp_dir.h"

using namespace orvane;
using namespace orvane::model;
namespace fs = std::filesystem;

namespace {

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

TEST(LearningEndToEnd, aPhotographersCatalogsTeachAProfileThatDevelopsNewRawsIntoSidecars) {
    orvane::testing::freshDataDir();
    orvane::testing::TempDir work;
    orvane::testing::ScopedEnv trash("XDG_DATA_HOME", (work.path() / "xdg").string());

    // What the photographer shot and developed before, and a new shoot of the same kinds of events.
    const orvane::testing::Photographer before = orvane::testing::Photographer::standard();
    orvane::testing::Photographer after = before;
    after.seed = 2;
    after.photosPerEvent = 6;
    const auto events = orvane::testing::generatePhotographer(work.path() / "inainte", before);
    const auto shoot = orvane::testing::generatePhotographer(work.path() / "nou", after);
    fs::remove_all(Store::catalogs());  // the helper imported them; the application does it below

    auto main = std::make_shared<ManualExecutor>();
    auto defaults = std::make_shared<FileDefaults>();
    AppModel model(main, defaults, nullptr);
    // Generated scenes hold no faces: the build skips looking for them.
    auto services = AppModel::LearningServices::standard(defaults);
    services.build = [](const Profile& p, const std::vector<TrainingCatalog>& catalogs, int workers,
                        const ProfileBuilder::CancelToken* cancel, const ProfileBuilder::BuildProgress& progress) {
        return ProfileBuilder::build(p, catalogs, workers, cancel, progress, orvane::testing::facelessReaders());
    };
    model.setLearningServices(std::move(services));
    for (const auto& event : events) {
        bool done = false;
        model.importCatalog(event.userCatalog, [&] { done = true; });
        ASSERT_TRUE(main->runUntil([&] { return done; }));
    }
    ASSERT_FALSE(model.error());
    ASSERT_EQ(model.catalogs().size(), events.size());

    Profile profile = ProfilePresets::create("Stilul meu", model.neutralPresetURL());
    for (const auto& c : model.catalogs()) profile.catalogIDs.push_back(c.id);
    profile.save();
    model.reload();
    model.learnFromCatalogs(profile, model.catalogs());
    ASSERT_TRUE(main->runUntil([&] { return !model.profileBuild(); }, std::chrono::seconds(120)));
    ASSERT_FALSE(model.error()) << *model.error();
    ASSERT_TRUE(model.profileReady());
    const Profile built = *model.profileReady();
    EXPECT_TRUE(built.isBuilt());
    EXPECT_EQ(built.samples, static_cast<std::int64_t>(before.events.size()) * before.photosPerEvent);

    // The new raws, processed with the built profile and written as sidecars with its preset.
    const Predictor predictor = Predictor::openProfile(built.dir());
    const DevelopPreset preset = DevelopPreset::load(built.preset());
    std::vector<double> errors, baseline;
    std::vector<double> wanted;
    for (const auto& event : shoot) {
        for (const CatalogPhoto& photo : Catalog::read(event.userCatalog, true)) wanted.push_back(*photo.exposure);
    }
    const double typical = median(wanted);
    for (const auto& event : shoot) {
        for (const CatalogPhoto& photo : Catalog::read(event.userCatalog, true)) {
            const fs::path raw = photo.path;
            const PhotoResult result = processPhoto(raw, predictor, AnalysisRequest{}, false, false);
            errors.push_back(std::abs(result.exposure - *photo.exposure));
            baseline.push_back(std::abs(typical - *photo.exposure));
            XMPWriter::writeMerged(preset, raw, raw.parent_path(), result.exposure, result.temperature, std::nullopt,
                                   {}, {}, nullptr, {});
            const fs::path sidecar = XMPWriter::xmpURL(raw, raw.parent_path());
            ASSERT_TRUE(fs::exists(sidecar)) << sidecar;
            EXPECT_NE(readWholeFile(sidecar).find("crs:Exposure2012"), std::string::npos);
        }
    }
    ASSERT_EQ(errors.size(), after.events.size() * static_cast<std::size_t>(after.photosPerEvent));
    double mae = 0, baselineMae = 0;
    for (std::size_t i = 0; i < errors.size(); ++i) {
        mae += errors[i] / static_cast<double>(errors.size());
        baselineMae += baseline[i] / static_cast<double>(errors.size());
    }
    // The profile develops the new raws the photographer's way, far closer than one typical value.
    EXPECT_LT(mae, 0.5 * baselineMae) << "MAE " << mae << " EV, baseline " << baselineMae << " EV";
}

}  // namespace

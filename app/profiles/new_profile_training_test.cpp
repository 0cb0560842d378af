// A professional profile made in the sheet from a generated photographer's imported catalogs: the
// automatic style is built from them, the profile saved with its catalogs and engine, and its
// training runs to a built profile, all with the real services.
#include <QCoreApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/model/app_model.h"
#include "app/model/router.h"
#include "app/profiles/new_profile_model.h"
#include "core/store/store.h"
#include "core/xmp/develop_preset.h"
#include "testing/photographer.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

using namespace orvane;
using namespace orvane::profiles;
namespace fs = std::filesystem;

namespace {

class NoKeepAwake final : public platform::KeepAwake {
public:
    std::unique_ptr<Token> begin(const std::string&) override { return nullptr; }
};

TEST(NewProfileTraining, aProfessionalProfileTrainsOnThePhotographersCatalogs) {
    orvane::testing::freshDataDir();
    orvane::testing::TempDir work;
    orvane::testing::ScopedEnv trash("XDG_DATA_HOME", (work.path() / "xdg").string());
    orvane::testing::Photographer photographer = orvane::testing::Photographer::standard();
    photographer.events.resize(3);
    photographer.photosPerEvent = 12;
    const auto events = orvane::testing::generatePhotographer(work.path() / "foto", photographer);

    auto main = std::make_shared<ManualExecutor>();
    auto defaults = std::make_shared<FileDefaults>();
    model::AppModel app(main, defaults, std::make_unique<NoKeepAwake>());
    auto learning = model::AppModel::LearningServices::standard(defaults);
    learning.build = [](const Profile& p, const std::vector<TrainingCatalog>& catalogs, int workers,
                        const ProfileBuilder::CancelToken* cancel, const ProfileBuilder::BuildProgress& progress) {
        return ProfileBuilder::build(p, catalogs, workers, cancel, progress, orvane::testing::facelessReaders());
    };
    app.setLearningServices(std::move(learning));
    model::Router router(defaults);
    ASSERT_EQ(app.catalogs().size(), events.size());

    auto pump = [&](const std::function<bool()>& done) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(180);
        while (!done()) {
            if (std::chrono::steady_clock::now() > limit) return false;
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
            main->runReady();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    };

    router.setShowNewProfile(true);
    auto sheet = std::make_unique<NewProfileModel>(app, router);  // the real services
    sheet->prepareOnAppear();
    sheet->choosePro();
    sheet->setName(QString::fromUtf8("Stilul Anei"));
    ASSERT_TRUE(sheet->canCreatePro());
    EXPECT_EQ(sheet->chosenPhotoCount(), 36);
    sheet->createProfile();
    ASSERT_TRUE(pump([&] { return !router.showNewProfile() || app.error(); }));
    ASSERT_FALSE(app.error()) << *app.error();
    ASSERT_EQ(app.profiles().size(), 1u);
    const Profile made = app.profiles().front();
    EXPECT_EQ(made.presetName, "Stilul meu");
    EXPECT_EQ(made.engine, "fast");
    std::vector<Uuid> ids;
    for (const TrainingCatalog& c : app.catalogs()) ids.push_back(c.id);
    EXPECT_EQ(made.catalogIDs, ids);
    EXPECT_EQ(router.route(), model::Route::profile(made.id));
    EXPECT_NO_THROW(DevelopPreset::load(made.preset()));
    ASSERT_TRUE(app.profileBuild());
    EXPECT_EQ(app.profileBuild()->profileID, made.id);
    sheet.reset();  // the shell deletes the closed sheet; the training goes on

    ASSERT_TRUE(pump([&] { return !app.profileBuild(); }));
    ASSERT_FALSE(app.error()) << *app.error();
    ASSERT_TRUE(app.profileReady());
    EXPECT_EQ(app.profileReady()->id, made.id);
    EXPECT_TRUE(app.profileReady()->isBuilt());
    EXPECT_EQ(app.profileReady()->samples, 36);
}

}  // namespace

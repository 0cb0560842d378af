// A profile package carried from one data folder to another through the list's export and import:
// the profile installed on the other side predicts exactly what the original predicted for the same
// photo.
#include <gtest/gtest.h>

#include "app/profiles/profiles_list_fixture.h"
#include "app/profiles/profiles_list_model.h"
#include "core/photo/features.h"
#include "core/photo/raw_image.h"
#include "core/style/model_training.h"
#include "core/style/predictor.h"
#include "testing/photo_dng.h"

namespace orvane::profiles {
namespace {

using testing::ProfilesWorld;

struct Predicted {
    double exposure;
    double temperature;
    std::map<std::string, double> extras;
    bool operator==(const Predicted&) const = default;
};

Predicted predict(const Profile& profile, const std::vector<double>& features) {
    const Predictor predictor = Predictor::openProfile(profile.dir());
    const Prediction p = predictor.predict(features);
    return {p.exposure, p.temperature, predictor.predictExtras(features)};
}

class PackageTrip : public ProfilesWorld {};

TEST_F(PackageTrip, anExportedProfilePredictsTheSameInAnotherDataFolder) {
    orvane::testing::TempDir outside;
    // The photo: a raw file of a scene, measured the way processing measures it.
    const auto photo = outside / "IMG_0001.dng";
    orvane::testing::writePhotoDng(photo, orvane::testing::sceneWithoutPeople(160, 120), 2);
    const std::vector<double> features = Features::vector(loadRaw(photo, false), {});

    // A profile trained for real: boosted trees over synthetic photos with further settings.
    Profile original = built("Nunți/2024");
    const std::vector<std::string> extras{"Contrast2012", "Vibrance"};
    Model::build(orvane::testing::syntheticSamples(160, 11), original.dir(), extras);
    original.predictedExtras = extras;
    original.save();
    app->reload();
    const Predicted before = predict(original, features);
    ASSERT_EQ(before.extras.size(), 2u);

    ProfilesListModel list(*app, *router);
    const auto package = outside / "Nunti.orvaneprofile";
    dialogs.saveFiles = {QString::fromStdString(package.string())};
    list.exportProfile(original);
    ASSERT_FALSE(app->error()) << *app->error();
    EXPECT_EQ(dialogs.asked.at(0).informative, QString::fromUtf8("Nunți-2024.orvaneprofile"));

    // The other machine: a data folder without the original, and a model of its own.
    router.reset();
    app.reset();
    orvane::testing::freshDataDir();
    ASSERT_TRUE(Profile::all().empty());
    app = std::make_unique<model::AppModel>(main, defaults, std::make_unique<testing::NoKeepAwake>());
    router = std::make_unique<model::Router>(defaults);
    ProfilesListModel other(*app, *router);
    dialogs.files = {QStringList{QString::fromStdString(package.string())}};
    other.importProfile();
    ASSERT_FALSE(app->error()) << *app->error();
    ASSERT_EQ(app->profiles().size(), 1u);
    const Profile& imported = app->profiles()[0];
    EXPECT_EQ(imported.name, "Nunți/2024");
    EXPECT_NE(imported.id, original.id);
    EXPECT_EQ(router->route(), model::Route::profile(imported.id));
    EXPECT_TRUE(imported.isBuilt());
    EXPECT_EQ(imported.predictedExtras, original.predictedExtras);
    EXPECT_EQ(predict(imported, features), before);
}

}  // namespace
}  // namespace orvane::profiles

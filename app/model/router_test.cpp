#include "app/model/router.h"

#include <gtest/gtest.h>

#include <cctype>

#include "app/model/app_model.h"
#include "core/style/model.h"
#include "testing/test_data_dir.h"

using namespace orvane;
using namespace orvane::model;

namespace {

std::shared_ptr<FileDefaults> memoryDefaults() { return std::make_shared<FileDefaults>(); }

// A saved profile; a built one has a build date and the exposure and temperature models.
void saveProfile(const std::string& name, bool built) {
    Profile p;
    p.id = Uuid::random();
    p.name = name;
    p.presetName = "Neutru";
    if (built) {
        p.built = ManualExecutor::defaultStart();
        for (auto model : {Model::exposureName, Model::miredName})
            std::filesystem::create_directories(p.dir() / Model::compiledName(model));
    }
    p.save();
}

}  // namespace

TEST(Router, startsOnHomeWithNothingShown) {
    Router r(memoryDefaults());
    EXPECT_EQ(r.route(), Route::home());
    EXPECT_FALSE(r.showNewProject() || r.showNewProfile() || r.showQuickEdit() || r.importRequested() ||
                 r.newProfileAutoPro() || r.pendingAutoPreset() || r.showWelcome() || r.showGuide() ||
                 r.showFeedback());
    EXPECT_FALSE(r.autoStart() || r.pendingExport() || r.pendingPreset() || r.preferredProfile() || r.droppedItem() ||
                 r.guideDestination());
    EXPECT_EQ(r.pendingPresetTitle(), "");
    EXPECT_EQ(r.pendingProfileName(), "");
}

TEST(Router, readsThePreferredProfileAndKeepsAnUnparsableText) {
    const Uuid id = Uuid::random();
    std::string lower = id.text();
    for (auto& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    struct Case {
        const char* name;
        std::optional<Json> stored;
        std::optional<Uuid> expected;
    };
    const std::vector<Case> cases = {
        {"absent", std::nullopt, std::nullopt},
        {"upper-case text", Json(id.text()), id},
        {"lower-case text", Json(lower), id},
        {"not a UUID", Json("profilul meu"), std::nullopt},
        {"not a text", Json(42), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto defaults = memoryDefaults();
        if (c.stored) defaults->set(Router::defaultProfileKey, *c.stored);
        Router r(defaults);
        EXPECT_EQ(r.preferredProfile(), c.expected);
        EXPECT_EQ(defaults->value(Router::defaultProfileKey), c.stored);  // left as it was
    }
}

TEST(Router, savesThePreferredProfileUpperCaseAndRemovesItForNone) {
    auto defaults = memoryDefaults();
    defaults->set(Router::defaultProfileKey, "profilul meu");
    Router r(defaults);
    int told = 0;
    QObject::connect(&r, &Router::preferredProfileChanged, [&] { ++told; });
    const Uuid id = *Uuid::parse("0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d");
    r.setPreferredProfile(id);
    EXPECT_EQ(defaults->textValue(Router::defaultProfileKey), "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D");
    EXPECT_EQ(told, 1);
    r.setPreferredProfile(std::nullopt);
    EXPECT_FALSE(defaults->value(Router::defaultProfileKey).has_value());
    EXPECT_EQ(told, 2);
    // Also an assignment of the value it already has is saved.
    defaults->set(Router::defaultProfileKey, "altceva");
    r.setPreferredProfile(std::nullopt);
    EXPECT_FALSE(defaults->value(Router::defaultProfileKey).has_value());
    EXPECT_EQ(told, 2);
}

TEST(Router, sectionOfEveryRoute) {
    const Uuid a = Uuid::random();
    struct Case {
        Route route;
        Route section;
    };
    const std::vector<Case> cases = {
        {Route::home(), Route::home()},           {Route::library(), Route::profiles()},
        {Route::profiles(), Route::profiles()},   {Route::projects(), Route::projects()},
        {Route::settings(), Route::settings()},   {Route::profile(a), Route::profiles()},
        {Route::project(a), Route::projects()},   {Route::reedit(a), Route::projects()},
    };
    Router r(memoryDefaults());
    for (const auto& c : cases) {
        r.setRoute(c.route);
        EXPECT_EQ(r.section(), c.section) << static_cast<int>(c.route.kind);
    }
}

TEST(Router, routesAreEqualByCaseAndIdentifier) {
    const Uuid a = Uuid::random(), b = Uuid::random();
    EXPECT_EQ(Route::project(a), Route::project(a));
    EXPECT_NE(Route::project(a), Route::reedit(a));
    EXPECT_NE(Route::project(a), Route::project(b));
    EXPECT_NE(Route::profiles(), Route::projects());

    Router r(memoryDefaults());
    int told = 0;
    QObject::connect(&r, &Router::routeChanged, [&] { ++told; });
    r.setRoute(Route::project(a));
    r.setRoute(Route::project(a));
    r.setRoute(Route::reedit(a));
    EXPECT_EQ(told, 2);
}

TEST(Router, openQuickEditNeedsABuiltProfile) {
    struct Case {
        const char* name;
        std::vector<bool> built;
        bool quickEdit;
    };
    const std::vector<Case> cases = {
        {"no profile", {}, false},
        {"three unbuilt", {false, false, false}, false},
        {"one built, last", {false, false, true}, true},
        {"one built, first", {true, false}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        orvane::testing::freshDataDir();
        for (std::size_t i = 0; i < c.built.size(); ++i) saveProfile("P" + std::to_string(i), c.built[i]);
        AppModel model(std::make_shared<ManualExecutor>(), memoryDefaults(), nullptr);
        ASSERT_EQ(model.profiles().size(), c.built.size());
        Router r(memoryDefaults());
        r.openQuickEdit(model);
        EXPECT_EQ(r.showQuickEdit(), c.quickEdit);
        EXPECT_EQ(r.showNewProfile(), !c.quickEdit);  // left as it was when the quick edit opens
    }
}

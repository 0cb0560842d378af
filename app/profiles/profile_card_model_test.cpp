#include "app/profiles/profile_card_model.h"

#include <gtest/gtest.h>

#include <limits>

#include "app/profiles/profiles_list_fixture.h"

namespace orvane::profiles {
namespace {

using testing::ProfilesWorld;

TEST(ProfileColour, hashAndIndexVectors) {
    EXPECT_EQ(stableHash31("abc"), 96354);
    EXPECT_EQ(colorIndexOfHash(96354), 2);
    EXPECT_EQ(stableHash31(""), 0);
    // Negative hashes take the index of their magnitude, not of their low bits.
    EXPECT_EQ(colorIndexOfHash(-9), 1);
    EXPECT_EQ(colorIndexOfHash(-1), 1);
    // The most negative value's magnitude, 2^63, is a multiple of 8 (and must not overflow).
    EXPECT_EQ(colorIndexOfHash(std::numeric_limits<std::int64_t>::min()), 0);
    EXPECT_EQ(colorIndexOfHash(std::numeric_limits<std::int64_t>::max()), 7);

    const Uuid one = *Uuid::parse("00000000-0000-0000-0000-000000000001");
    EXPECT_LT(stableHash31(one.text()), 0) << "the long text wraps past the 64-bit range";
    EXPECT_EQ(profileColorIndex(one), 7);
    EXPECT_EQ(profileColor(one), QColor::fromRgbF(0.35f, 0.36f, 0.84f));
    EXPECT_EQ(profileColorIndex(*Uuid::parse("00000000-0000-0000-0000-000000000000")), 0);
    // The hash is taken on the upper-case text: a lower-case spelling names the same id.
    EXPECT_EQ(profileColorIndex(*Uuid::parse("abcdef00-0000-4000-8000-00000000000a")),
              colorIndexOfHash(stableHash31("ABCDEF00-0000-4000-8000-00000000000A")));
}

class CardModel : public ProfilesWorld {};

TEST_F(CardModel, subtitlesAndDatesInBothLanguages) {
    const Date day = *IsoDate::parse("2025-04-01T12:00:00Z");
    struct Case {
        const char* name;
        std::optional<std::string> language;
        std::optional<std::string> kind;
        std::optional<Date> built;
        std::int64_t samples;
        std::size_t catalogs;
        const char* expected;
    };
    const Case cases[] = {
        {"instant, built", std::nullopt, "instant", day, 0, 0, "Profil instant · model de bază · creat 1 apr. 2025"},
        {"instant, never built", "ro", "instant", std::nullopt, 0, 0, "Profil instant · model de bază"},
        {"never built, two catalogs", std::nullopt, std::nullopt, std::nullopt, 0, 2,
         "0 fotografii de antrenare · 2 cataloage"},
        {"built", "de", std::nullopt, day, 1240, 3, "1240 fotografii de antrenare · 3 cataloage · actualizat 1 apr. 2025"},
        {"english", "en", std::nullopt, day, 12, 1, "12 training photos · 1 catalogs · updated Apr 1, 2025"},
        {"english instant", "en", "instant", day, 0, 0, "Instant profile · base model · created Apr 1, 2025"},
    };
    for (const Case& c : cases) {
        if (c.language) defaults->set("language", *c.language);
        else defaults->remove("language");
        Profile p;
        p.id = Uuid::random();
        p.kind = c.kind;
        p.built = c.built;
        p.samples = c.samples;
        p.catalogIDs.assign(c.catalogs, Uuid::random());
        EXPECT_EQ(profileSubtitle(p).toStdString(), c.expected) << c.name;
    }
    defaults->remove("language");
}

TEST_F(CardModel, stateTable) {
    const Profile idle = unbuilt("A nou");
    const Profile upToDate = built("B gata");
    const Profile needsUpdate = stale("C vechi");
    const Profile other = unbuilt("D altul");
    app->reload();
    auto state = [&](const Profile& p) { return cardState(p, *app, *router); };

    auto s = state(idle);
    EXPECT_FALSE(s.built);
    EXPECT_EQ(s.pillText, "Neconstruit");
    EXPECT_EQ(s.pillKind, kit::StatusKind::warn);
    EXPECT_FALSE(s.colouredTile);
    EXPECT_EQ(s.trainText, QString::fromUtf8("Antrenează"));
    EXPECT_TRUE(s.trainEnabled);
    EXPECT_TRUE(s.deleteEnabled);
    EXPECT_FALSE(s.defaultButton);

    s = state(upToDate);
    EXPECT_EQ(s.pillText, "Construit");
    EXPECT_EQ(s.pillKind, kit::StatusKind::ok);
    EXPECT_TRUE(s.colouredTile);
    EXPECT_FALSE(s.trainText) << "built and up to date: no train button";
    EXPECT_TRUE(s.defaultButton);

    s = state(needsUpdate);
    EXPECT_TRUE(s.needsUpdate);
    EXPECT_EQ(s.trainText, QString::fromUtf8("Actualizează"));

    // An instant profile never needs an update, whatever its catalogs say.
    Profile instant = upToDate;
    instant.kind = "instant";
    instant.catalogIDs.clear();
    EXPECT_FALSE(state(instant).trainText);

    training(upToDate);
    s = state(upToDate);
    EXPECT_TRUE(s.training);
    EXPECT_EQ(s.trainText, QString::fromUtf8("Se antrenează…")) << "a built profile that trains shows the button";
    EXPECT_FALSE(s.trainEnabled);
    EXPECT_FALSE(s.deleteEnabled);
    EXPECT_EQ(s.pillText, "Construit");
    s = state(other);
    EXPECT_FALSE(s.trainEnabled) << "another build runs";
    EXPECT_TRUE(s.deleteEnabled);
}

TEST_F(CardModel, theDefaultIsThePreferredBuiltProfileElseTheFirstBuiltOne) {
    const Profile a = built("A");
    const Profile b = built("B");
    const Profile c = unbuilt("C");
    app->reload();
    auto isDefault = [&](const Profile& p) { return cardState(p, *app, *router).isDefault; };
    EXPECT_TRUE(isDefault(a)) << "nothing stored: the first built one";
    EXPECT_FALSE(isDefault(b));
    router->setPreferredProfile(c.id);
    EXPECT_TRUE(isDefault(a)) << "an unbuilt preference is not marked";
    EXPECT_FALSE(isDefault(c));
    makeDefaultProfile(*router, b);
    EXPECT_TRUE(isDefault(b));
    EXPECT_FALSE(isDefault(a));
    EXPECT_EQ(defaults->textValue("defaultProfile"), b.id.text());
}

TEST_F(CardModel, renameSavesOnlyANewName) {
    const Profile p = built("Nunta");
    app->reload();
    dialogs.names = {std::nullopt, QString("   "), QString("Nunta"), QString("  Botez  ")};
    EXPECT_FALSE(renameProfile(*app, p)) << "cancelled";
    EXPECT_FALSE(renameProfile(*app, p)) << "spaces";
    EXPECT_FALSE(renameProfile(*app, p)) << "unchanged";
    EXPECT_EQ(find("Nunta")->name, "Nunta");
    EXPECT_TRUE(renameProfile(*app, p));
    ASSERT_NE(find("Botez"), nullptr);
    EXPECT_EQ(find("Botez")->id, p.id);
    ASSERT_EQ(dialogs.asked.size(), 4u);
    EXPECT_EQ(dialogs.asked[0].message, "Redenumește profilul");
    EXPECT_EQ(dialogs.asked[0].informative,
              QString::fromUtf8("Numele este doar o etichetă; presetul și modelul nu se modifică."));
}

TEST_F(CardModel, deleteAsksThenTrashesAndAFailureIsReported) {
    const Profile p = built("Nunta");
    app->reload();
    deleteProfile(*app, p);  // no answer scripted: "Anulează"
    EXPECT_NE(find("Nunta"), nullptr);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].message, QString::fromUtf8("Ștergi profilul „Nunta”?"));
    EXPECT_EQ(dialogs.asked[0].buttons, (QStringList{QString::fromUtf8("Șterge"), QString::fromUtf8("Anulează")}));

    dialogs.alertAnswers = {kit::CenteredAlert::firstButton, kit::CenteredAlert::firstButton};
    deleteProfile(*app, p);
    EXPECT_EQ(find("Nunta"), nullptr);
    EXPECT_FALSE(app->error());
    deleteProfile(*app, p);  // its folder is gone now
    EXPECT_TRUE(app->error());
}

TEST_F(CardModel, trainUsesTheCatalogsStillInTheLibraryElseOpensTheProfile) {
    const TrainingCatalog kept = catalog("Nunti 2024");
    const Profile orphan = unbuilt("Fara cataloage", {Uuid::random()});
    const Profile p = unbuilt("Cu catalog", {Uuid::random(), kept.id});
    app->reload();
    auto seen = std::make_shared<std::vector<Uuid>>();
    auto services = model::AppModel::LearningServices::standard(defaults);
    services.build = [seen](const Profile& profile, const std::vector<TrainingCatalog>& catalogs, int,
                            const ProfileBuilder::CancelToken*, const ProfileBuilder::BuildProgress&) {
        for (const auto& c : catalogs) seen->push_back(c.id);
        return profile;
    };
    app->setLearningServices(services);

    trainProfile(*app, *router, orphan);
    EXPECT_FALSE(app->profileBuild()) << "nothing starts";
    EXPECT_EQ(router->route(), model::Route::profile(orphan.id));

    trainProfile(*app, *router, p);
    ASSERT_TRUE(app->profileBuild());
    EXPECT_EQ(app->profileBuild()->profileID, p.id);
    ASSERT_TRUE(main->runUntil([&] { return !app->profileBuild(); }));
    EXPECT_EQ(*seen, std::vector<Uuid>{kept.id});
}

}  // namespace
}  // namespace orvane::profiles

// The learn-from-project sheet: its subtitle, the start rules and the hand-over to the model.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
#include <QTest>

#include "app/kit/buttons.h"
#include "app/library/learn_sheet.h"
#include "app/library/library_world.h"
#include "app/testing/scripted_dialogs.h"

using namespace orvane;
using namespace orvane::library;
using namespace orvane::library::testing;

namespace {
Project projectFor(const Profile& p) {
    Project project;
    project.id = Uuid::random();
    project.name = "Nunta";
    project.profileID = p.id;
    return project;
}
}  // namespace

TEST(LearnSheet, returnHandsTheProjectToTheModelAndCloses) {
    const Profile p = profileNamed("Stil");
    LibraryWorld w({p});
    auto s = model::AppModel::LearningServices::standard(w.defaults);
    s.scan = [] { return std::vector<FoundCatalog>{}; };
    w.app->setLearningServices(std::move(s));
    LearnSheet sheet(*w.app, projectFor(p), std::filesystem::path("/u/Nunta.lrcat"), std::set<std::string>{"a", "b"});
    int dismissed = 0;
    QObject::connect(&sheet, &LearnSheet::dismissRequested, [&] { ++dismissed; });
    EXPECT_EQ(sheet.findChild<QLabel*>("subtitle")->text(),
              QString::fromUtf8("Profilul „Stil” se actualizează cu editările tale finale"));
    QTest::keyClick(&sheet, Qt::Key_Return);
    EXPECT_EQ(dismissed, 1);
    ASSERT_TRUE(w.app->profileBuild());
    EXPECT_EQ(w.app->profileBuild()->profileID, p.id);
    ASSERT_TRUE(w.main->runUntil([&] { return !w.app->profileBuild(); }));
    EXPECT_TRUE(w.app->error());  // the given catalog does not exist
}

TEST(LearnSheet, aDeletedProfileOrARunningBuildKeepsStartDisabled) {
    const Profile p = profileNamed("Stil");
    LibraryWorld w({p});
    Project orphan = projectFor(p);
    orphan.profileID = Uuid::random();
    {
        LearnSheet sheet(*w.app, orphan);
        int dismissed = 0;
        QObject::connect(&sheet, &LearnSheet::dismissRequested, [&] { ++dismissed; });
        EXPECT_TRUE(sheet.findChild<QLabel*>("subtitle")->text().isEmpty());
        EXPECT_FALSE(sheet.findChild<kit::KitButton*>("start")->isEnabled());
        QTest::keyClick(&sheet, Qt::Key_Return);
        EXPECT_EQ(dismissed, 0);
        QTest::keyClick(&sheet, Qt::Key_Escape);
        EXPECT_EQ(dismissed, 1);
    }
    model::ProfileBuildStatus running;
    running.profileID = Uuid::random();
    w.app->setProfileBuild(running);
    LearnSheet sheet(*w.app, projectFor(p));
    auto* note = sheet.findChild<QLabel*>("note");
    EXPECT_FALSE(sheet.findChild<kit::KitButton*>("start")->isEnabled());
    EXPECT_FALSE(note->text().isEmpty());
    w.app->setProfileBuild(std::nullopt);
    EXPECT_TRUE(sheet.findChild<kit::KitButton*>("start")->isEnabled());
    EXPECT_TRUE(note->text().isEmpty());
}

TEST(LearnSheet, aCatalogChosenByHandIsCheckedByTheModelAndACancelledPanelChangesNothing) {
    const Profile p = profileNamed("Stil");
    LibraryWorld w({p});
    orvane::testing::ScriptedDialogs dialogs;
    LearnSheet sheet(*w.app, projectFor(p));
    int dismissed = 0;
    QObject::connect(&sheet, &LearnSheet::dismissRequested, [&] { ++dismissed; });
    QTest::mouseClick(sheet.findChild<kit::KitButton*>("chooseCatalog"), Qt::LeftButton);
    EXPECT_EQ(dismissed, 0);
    EXPECT_FALSE(w.app->profileBuild());
    dialogs.files.push_back({QStringLiteral("/u/Ales.lrcat")});
    QTest::mouseClick(sheet.findChild<kit::KitButton*>("chooseCatalog"), Qt::LeftButton);
    EXPECT_EQ(dismissed, 1);
    ASSERT_TRUE(w.app->profileBuild());
    // The chosen file is checked against the project before anything is imported.
    EXPECT_TRUE(w.main->runUntil([&] {
        return !w.app->profileBuild() || w.app->profileBuild()->note == std::optional<std::string>("Verific catalogul…");
    }));
    ASSERT_TRUE(w.main->runUntil([&] { return !w.app->profileBuild(); }));
    EXPECT_TRUE(w.app->error());
}

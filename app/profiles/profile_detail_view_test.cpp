#include "app/profiles/profile_detail_view.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <latch>

#include "app/kit/app_backdrop.h"
#include "app/kit/app_style.h"
#include "app/kit/buttons.h"
#include "app/kit/fonts.h"
#include "app/kit/cards.h"
#include "app/kit/form.h"
#include "app/kit/page_header.h"
#include "app/kit/slider.h"
#include "app/kit/text.h"
#include "app/model/profile_build_status.h"
#include "app/profiles/profile_detail_world.h"
#include "app/profiles/profile_evaluation_view.h"
#include "app/profiles/profile_tuning_view.h"
#include "core/style/profile_builder.h"
#include "testing/model_fixtures.h"
#include "testing/photographer.h"
#include "testing/temp_dir.h"

namespace orvane::profiles {
namespace {

namespace fs = std::filesystem;
using Action = ProfileDetailPage::Action;

class ProfileScreen : public testing::ProfileScreenWorld {
protected:
    void TearDown() override {
        page.reset();
        window.reset();
        ProfileScreenWorld::TearDown();
    }
    // The page of `p` in a shown window of the given width.
    ProfileDetailPage& show(const Profile& p, int width = 1240) {
        if (!app) start();
        window = std::make_unique<QWidget>();
        window->resize(width, 820);
        page = std::make_unique<ProfileDetailPage>(*app, *router, p);
        page->setParent(window.get());
        page->resize(window->size());
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return *page;
    }
    // This profile training now, started a moment ago on the model's clock.
    void training(const Profile& p, ProfileBuilder::Phase phase) {
        model::ProfileBuildStatus status;
        status.profileID = p.id;
        status.name = p.name;
        status.phase = phase;
        status.started = main->now();
        app->setProfileBuild(status);
    }
    const Profile* stored(const Uuid& id) {
        for (const auto& p : app->profiles())
            if (p.id == id) return &p;
        return nullptr;
    }

    std::unique_ptr<QWidget> window;
    std::unique_ptr<ProfileDetailPage> page;
};

TEST_F(ProfileScreen, leavingTheNameFieldCommitsItAndEscapePutsItBack) {
    const Profile p = orvane::testing::builtProfile("Stil");
    auto& screen = show(p);
    QLineEdit* name = screen.nameField();
    name->setFocus();
    name->selectAll();
    QTest::keyClicks(name, " Vara ");
    EXPECT_TRUE(screen.saveNameButton()->isVisible());
    EXPECT_EQ(screen.header()->titleLabel()->text(), " Vara ") << "the title follows the typing";
    // A click elsewhere in the left column takes the focus away and saves.
    QTest::mouseClick(screen.catalogsCard(), Qt::LeftButton, {}, QPoint(5, 5));
    QApplication::processEvents();
    EXPECT_FALSE(name->hasFocus());
    EXPECT_EQ(stored(p.id)->name, "Vara");
    EXPECT_EQ(name->text(), "Vara");
    EXPECT_FALSE(screen.saveNameButton()->isVisible());

    name->setFocus();
    QTest::keyClicks(name, " iarna");
    QTest::keyClick(name, Qt::Key_Escape);
    EXPECT_EQ(name->text(), "Vara");
    EXPECT_FALSE(name->hasFocus());
    EXPECT_EQ(stored(p.id)->name, "Vara");
}

// Both columns scroll over the window's backdrop: around their cards the backdrop shows, not a flat fill.
TEST_F(ProfileScreen, theColumnsShowTheWindowsBackdropAroundTheirCards) {
    struct Backdrop : QWidget {
        void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Qt::magenta); }
    };
    const Profile p = orvane::testing::builtProfile("Stil");
    if (!app) start();
    Backdrop backdrop;
    backdrop.resize(1240, 820);
    ProfileDetailPage screen(*app, *router, p);
    screen.setParent(&backdrop);
    screen.resize(backdrop.size());
    backdrop.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&backdrop));
    const QImage image = backdrop.grab().toImage();
    for (const char* column : {"leftColumn", "rightColumn"}) {
        auto* scroll = screen.findChild<QWidget*>(column);
        ASSERT_TRUE(scroll) << column;
        // In the column's top margin, above its first card.
        const QPoint margin = scroll->mapTo(&backdrop, QPoint(scroll->width() / 2, 10));
        EXPECT_EQ(image.pixelColor(margin).name().toStdString(), "#ff00ff") << column;
    }
}

TEST_F(ProfileScreen, theHeaderShowsOnlySymbolsWhenNarrow) {
    const Profile p = orvane::testing::builtProfile("Stil");
    auto& screen = show(p, 1240);
    EXPECT_FALSE(screen.showsCompactActions());
    window->resize(720, 820);
    screen.resize(window->size());
    QApplication::processEvents();
    EXPECT_TRUE(screen.showsCompactActions());
    EXPECT_TRUE(screen.actionButton(Action::rename, true)->isVisible());
    EXPECT_FALSE(screen.actionButton(Action::rename, false)->isVisible());
}

TEST_F(ProfileScreen, whileThisProfileTrainsExportDeleteAndThePresetWait) {
    const Profile p = orvane::testing::builtProfile("Stil");
    const Profile other = orvane::testing::builtProfile("Altul");
    auto& screen = show(p);
    EXPECT_TRUE(screen.actionButton(Action::exportPackage, false)->isEnabled());
    EXPECT_TRUE(screen.changePresetButton()->isEnabled());

    training(other, ProfileBuilder::Phase::training());
    EXPECT_TRUE(screen.actionButton(Action::remove, false)->isEnabled()) << "another profile's build";
    EXPECT_FALSE(screen.buildButton()->isEnabled());
    app->setProfileBuild(std::nullopt);

    training(p, ProfileBuilder::Phase::features(3, 10));
    for (bool compact : {false, true}) {
        EXPECT_FALSE(screen.actionButton(Action::exportPackage, compact)->isEnabled());
        EXPECT_FALSE(screen.actionButton(Action::remove, compact)->isEnabled());
        EXPECT_TRUE(screen.actionButton(Action::rename, compact)->isEnabled());
        EXPECT_TRUE(screen.actionButton(Action::duplicate, compact)->isEnabled());
    }
    EXPECT_FALSE(screen.changePresetButton()->isEnabled());
    EXPECT_TRUE(screen.progressCard()->isVisible());
    screen.actionButton(Action::remove, false)->click();
    EXPECT_TRUE(dialogs.asked.empty());
}

TEST_F(ProfileScreen, theProgressCardTicksAndCancelTurnsIntoStopping) {
    const Profile p = orvane::testing::builtProfile("Stil");
    auto& screen = show(p);
    EXPECT_FALSE(screen.progressCard()->isVisible());
    training(p, ProfileBuilder::Phase::evaluation(3, 4));
    BuildProgressCard* card = screen.progressCard();
    ASSERT_TRUE(card->isVisible());
    EXPECT_DOUBLE_EQ(card->ring()->fraction(), 0.9125);
    EXPECT_EQ(card->pill()->text(), "Validare 3/4");
    EXPECT_EQ(card->elapsedLabel()->text(), "0 secunde");
    main->advance(std::chrono::seconds(2));
    EXPECT_EQ(card->elapsedLabel()->text(), "2 secunde");
    main->advance(std::chrono::seconds(1));
    EXPECT_EQ(card->elapsedLabel()->text(), "3 secunde");

    QApplication::processEvents();
    QTest::mouseClick(card->cancelButton(), Qt::LeftButton);
    ASSERT_TRUE(app->profileBuild());
    EXPECT_TRUE(app->profileBuild()->stopping);
    EXPECT_TRUE(app->profileBuild()->cancel->isCancelled());
    EXPECT_EQ(card->pill()->text(), "Se oprește…");
    EXPECT_FALSE(card->cancelButton()->isEnabled());

    // The build ends: the card goes and the screen takes the stored profile again.
    Profile renamed = p;
    renamed.name = "Stil din fișier";
    renamed.save();
    app->reload();
    app->setProfileBuild(std::nullopt);
    main->runReady();
    EXPECT_FALSE(screen.progressCard()->isVisible());
    EXPECT_EQ(screen.nameField()->text(), "Stil din fișier");

    // A page gone while its build runs: the later ticks find nothing.
    training(p, ProfileBuilder::Phase::training());
    page.reset();
    main->advance(std::chrono::seconds(3));
}

TEST_F(ProfileScreen, duplicateAddsACopyAndDeleteAsksFirst) {
    orvane::testing::TempDir xdg;
    orvane::testing::ScopedEnv trash("XDG_DATA_HOME", xdg.path().string());
    const Profile p = orvane::testing::builtProfile("Stil");
    auto& screen = show(p);
    QTest::mouseClick(screen.actionButton(Action::duplicate, false), Qt::LeftButton);
    ASSERT_EQ(app->profiles().size(), 2u);
    EXPECT_EQ(app->profiles()[1].name, "Stil copie");

    QTest::mouseClick(screen.actionButton(Action::remove, false), Qt::LeftButton);
    EXPECT_TRUE(stored(p.id)) << "Anulează";
    dialogs.alertAnswers = {kit::CenteredAlert::firstButton};
    QTest::mouseClick(screen.actionButton(Action::remove, false), Qt::LeftButton);
    EXPECT_FALSE(stored(p.id));
}

TEST_F(ProfileScreen, theEditorsShortcutsUndoRedoAndSave) {
    const Profile p = orvane::testing::builtProfile("Stil");
    auto& screen = show(p);
    ProfileTuningEditor* editor = screen.tuningEditor();
    kit::SliderRow* exposure = editor->exposureRow();
    EXPECT_DOUBLE_EQ(exposure->value(), 0.3) << "seeded with the stored tuning";
    EXPECT_TRUE(editor->savedStatus()->isVisible());
    // Two arrow steps on the hovered slider: two undo steps.
    QTest::mouseMove(exposure->slider());
    QApplication::processEvents();
    QTest::keyClick(window.get(), Qt::Key_Right);
    QTest::keyClick(window.get(), Qt::Key_Right);
    EXPECT_NEAR(editor->model().working().exposure, 0.4, 1e-9);
    EXPECT_EQ(editor->model().undoStack().size(), 2u);
    EXPECT_TRUE(editor->unsavedText()->isVisible());

    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_NEAR(editor->model().working().exposure, 0.35, 1e-9);
    EXPECT_NEAR(exposure->value(), 0.35, 1e-9);
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_NEAR(editor->model().working().exposure, 0.4, 1e-9);
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(stored(p.id)->tuning);
    EXPECT_NEAR(stored(p.id)->tuning->exposure, 0.4, 1e-9);
    EXPECT_FALSE(editor->unsavedText()->isVisible());
    EXPECT_TRUE(editor->savedStatus()->isVisible());
    EXPECT_FALSE(editor->saveButton()->isEnabled());
    EXPECT_FALSE(editor->detailGroup()->isOpen()) << "the detail group starts closed";
}

// The generated photographer's catalogs, trained from the screen with a real build; the profile is
// renamed in the name field while it trains.
TEST_F(ProfileScreen, aProfileTrainedFromTheScreenShowsItsEvaluationAndKeepsARenameMadeMeanwhile) {
    orvane::testing::TempDir work;
    const orvane::testing::Photographer photographer = orvane::testing::Photographer::standard();
    const auto events = orvane::testing::generatePhotographer(work.path(), photographer);
    Profile p;
    p.id = Uuid::random();
    p.name = "Stilul meu";
    p.presetName = "Neutru";
    for (const auto& e : events) p.catalogIDs.push_back(e.catalog.id);
    p.save();
    start();
    std::latch renamed(1);
    auto services = model::AppModel::LearningServices::standard(defaults);
    services.build = [&renamed](const Profile& profile, const std::vector<TrainingCatalog>& catalogs, int workers,
                                const ProfileBuilder::CancelToken* cancel, const ProfileBuilder::BuildProgress& progress) {
        renamed.wait();
        return ProfileBuilder::build(profile, catalogs, workers, cancel, progress, orvane::testing::facelessReaders());
    };
    app->setLearningServices(std::move(services));

    auto& screen = show(p);
    ASSERT_TRUE(screen.buildButton()->isEnabled()) << screen.model().selected().size() << " " << app->catalogs().size();
    EXPECT_EQ(screen.buildButton()->text(), "Construiește");
    screen.buildButton()->click();  // below the fold of the column
    ASSERT_TRUE(app->profileBuild());
    EXPECT_TRUE(screen.progressCard()->isVisible());
    screen.nameField()->setFocus();
    screen.nameField()->selectAll();
    QTest::keyClicks(screen.nameField(), "Stil de vara");
    QTest::keyClick(screen.nameField(), Qt::Key_Return);
    renamed.count_down();
    ASSERT_TRUE(main->runUntil([&] { return !app->profileBuild(); }, std::chrono::seconds(120)));
    main->runReady();
    ASSERT_FALSE(app->error()) << *app->error();

    const Profile* built = stored(p.id);
    ASSERT_TRUE(built);
    EXPECT_EQ(built->name, "Stil de vara");
    EXPECT_TRUE(built->isBuilt());
    EXPECT_EQ(screen.nameField()->text(), "Stil de vara");
    EXPECT_EQ(screen.buildButton()->text(), "Actualizează");
    ASSERT_TRUE(app->profileReady()) << "a first build announces the profile";
    EXPECT_EQ(app->profileReady()->name, "Stil de vara");
    EvaluationCard* card = screen.evaluationCard();
    ASSERT_TRUE(card);
    ASSERT_TRUE(built->evaluation);
    const EvaluationScore expected = scoreEvaluation(*built->evaluation, built->predictedExtras.value_or(std::vector<std::string>{}));
    EXPECT_EQ(card->score().form, EvaluationScore::Form::scored);
    EXPECT_EQ(card->score().overall, expected.overall);
    EXPECT_GT(expected.exposureGain, 30) << "the photographer's style is learned";
    auto* ring = card->findChild<ScoreRing*>("scoreRing");
    ASSERT_TRUE(ring);
    EXPECT_EQ(ring->score(), expected.overall);

    // The screenshots of a trained profile's screen, into docs/ when asked.
    if (qEnvironmentVariableIsSet("ORVANE_WRITE_SCREENSHOTS")) {
        kit::installUiFont();
        kit::installApplicationStyle();
        screen.nameField()->clearFocus();
        // Over the window's own backdrop, beside the rail's band, as the main window shows it.
        kit::AppBackdrop backdrop;
        backdrop.resize(1247 - 260, 837);
        page->setParent(&backdrop);
        page->resize(backdrop.size());
        backdrop.show();
        for (bool dark : {false, true}) {
            kit::Appearance::instance().setOverride(dark);
            QApplication::processEvents();
            const QImage image = backdrop.grab().toImage();
            EXPECT_TRUE(image.save(QString(ORVANE_SOURCE_DIR) + "/docs/profile-" + (dark ? "dark" : "light") + ".png"));
        }
        page.reset();
    }
}

}  // namespace
}  // namespace orvane::profiles

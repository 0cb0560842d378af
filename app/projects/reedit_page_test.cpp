#include "app/projects/reedit_page.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

#include "app/kit/app_backdrop.h"
#include "app/kit/app_style.h"
#include "app/kit/appearance.h"
#include "app/kit/form.h"
#include "app/kit/kit_settings.h"
#include "app/kit/page_header.h"
#include "app/kit/text.h"
#include "app/options/extra_options_panel.h"
#include "app/projects/preview_grid.h"
#include "app/projects/processing_world.h"
#include "app/projects/version_history_list.h"
#include "app/testing/scripted_dialogs.h"
#include "testing/dng_writer.h"
#include "testing/model_fixtures.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

using namespace orvane;
using namespace orvane::projects;
using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Xmp = model::LightroomExportResult::Xmp;

namespace {

// Generated photos, already processed, of a project with a built profile, and its re-edit page; the
// apply's roads are stand-ins unless a case gives its own.
struct Page : projects::testing::ProcessingWorld {
    orvane::testing::TempDir dir;
    orvane::testing::ScriptedDialogs dialogs;
    Profile profile;
    Project project;
    std::shared_ptr<Job> job;
    std::unique_ptr<kit::AppBackdrop> backdrop;
    ReeditPage* page = nullptr;
    std::vector<std::string> roads;
    std::optional<model::LightroomExportResult> outcome;

    explicit Page(int photos = 6, bool exported = false, bool withHistory = false) {
        orvane::testing::freshDataDir();
        setUserDefaults(defaults);
        kit::KitSettings::instance().rebind(defaults);
        profile = orvane::testing::builtProfile("Nunți calde");
        const fs::path folder = dir / "Nunta";
        project = Project{};
        project.id = Uuid::random();
        project.name = "Nuntă Ioana și Radu";
        project.folder = folder.string();
        project.profileID = profile.id;
        for (int i = 0; i < photos; ++i) {
            orvane::testing::DngSpec spec;
            orvane::testing::DngPreview preview;
            const bool portrait = i % 2 == 1;
            preview.width = portrait ? 120 : 180;
            preview.height = portrait ? 180 : 120;
            const int hue = i * 40;
            preview.pixel = [hue, portrait](int x, int y) {
                const int w = portrait ? 120 : 180;
                return std::array<std::uint8_t, 3>{std::uint8_t(std::min(255, 40 + hue + x * 120 / w)),
                                                   std::uint8_t(90 + y / 2), std::uint8_t(200 - hue / 2)};
            };
            spec.preview = preview;
            const fs::path file = folder / ("IMG_" + std::to_string(2000 + i) + ".dng");
            orvane::testing::writeDng(file, spec);
            PhotoItem item(file.string());
            item.status = PhotoItem::Status::done;
            item.exposure = -0.6 + 0.3 * i;
            item.temperature = 4800 + 150 * i;
            item.aspect = portrait ? 2.0 / 3 : 1.5;
            project.photos.push_back(item);
        }
        if (exported) project.exportedAt = Date(std::chrono::hours(24 * 400));
        if (withHistory) {
            EditVersion first = project.currentVersion();
            first.globalExposure = 0.3;
            first.profileCorrection = true;
            first.teethAmount = 42;
            first.straighten = true;
            first.name = "Prima livrare";
            EditVersion second = project.currentVersion();
            second.skinAmount = 100;
            EditVersion now = project.currentVersion();
            project.history = std::vector<EditVersion>{first, second, now};
        }
        project.save();
        app->reload();
        job = app->makeJob(project);
    }
    ~Page() { backdrop.reset(); }

    ReeditPageServices services() {
        ReeditServices s;
        s.prepareAnalysis = [this](const std::shared_ptr<Job>&, ReeditServices::Done done) {
            roads.push_back("analyse");
            done();
        };
        s.exportToLightroom = [this](const std::shared_ptr<Job>&, bool, ReeditServices::Delivered done) {
            roads.push_back("export");
            done(outcome);
        };
        s.lightroomRunning = [] { return false; };
        s.openLightroom = [this] { roads.push_back("open"); };
        s.readMetadata = [this](std::function<void(bool)> done) {
            roads.push_back("read");
            done(false);
        };
        s.accessibilityTrusted = [] { return true; };
        ReeditPageServices services;
        services.reedit = std::move(s);
        return services;
    }
    ReeditPage& open(QSize size = {1180, 900}) {
        router->setRoute(model::Route::reedit(project.id));
        backdrop = std::make_unique<kit::AppBackdrop>();
        backdrop->resize(size);
        page = new ReeditPage(*app, *router, job, services(), backdrop.get());
        page->setGeometry(QRect(QPoint(), size));
        backdrop->show();
        settle();
        return *page;
    }
    // The previews loaded and rendered, the page drawn.
    void settle() {
        runUntil([&] {
            for (int i = 0; i < 2; ++i)
                if (!page->grid(i)->model().loadedOnce() || page->grid(i)->model().isLoading()) return false;
            return true;
        });
        main->advance(200ms);
        turn();
    }
    QAbstractButton* control(const char* name) const { return page->control(QString::fromUtf8(name)); }
    void click(const char* name) {
        QAbstractButton* b = control(name);
        ASSERT_NE(b, nullptr) << name;
        ASSERT_TRUE(b->isEnabled()) << name;
        QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center());
        turn();
    }
};

}  // namespace

TEST(ReeditPage, stepsChangeTheProjectTheLabelsAndBothGridsAfterTheDelay) {
    Page s;
    ReeditPage& p = s.open();
    EXPECT_EQ(p.header()->subtitleLabel()->text(), QString::fromUtf8("Setările se aplică la toate cele 6 fotografii"));
    EXPECT_EQ(p.brightnessLabel(), "0");
    QWidget* panel = p.adjustmentsPanel();
    ASSERT_NE(panel, nullptr);
    const std::size_t before[2] = {p.grid(0)->model().renderStarts().size(), p.grid(1)->model().renderStarts().size()};
    for (int i = 0; i < 3; ++i) s.click("brighter");
    s.click("colder");
    EXPECT_EQ(p.brightnessLabel(), "+3");
    EXPECT_EQ(p.warmthLabel(), QString(QChar(0x2212)) + "1");
    EXPECT_DOUBLE_EQ(*s.job->project().globalExposure, 0.3);
    EXPECT_NE(p.adjustmentsPanel(), panel) << "the panel reads the project afresh";
    // Nothing renders before 0.12 s have passed since the last change; then both grids render once.
    s.main->advance(100ms);
    s.turn();
    for (int g = 0; g < 2; ++g) EXPECT_EQ(p.grid(g)->model().renderStarts().size(), before[g]);
    s.main->advance(30ms);
    s.runUntil([&] { return p.grid(0)->model().appliedGeneration() > 1 && p.grid(1)->model().appliedGeneration() > 1; });
    for (int g = 0; g < 2; ++g) {
        const auto& starts = p.grid(g)->model().renderStarts();
        ASSERT_EQ(starts.size(), before[g] + 1);
        const auto& exposures = starts.back().exposures;
        ASSERT_FALSE(exposures.empty());
        for (const auto& [path, ev] : exposures) {
            const auto photo = std::find_if(s.job->project().photos.begin(), s.job->project().photos.end(),
                                            [&](const PhotoItem& ph) { return ph.path == path; });
            // The photo's prediction, the profile's tuning and the three steps.
            EXPECT_NEAR(ev, *s.job->project().exposure(*photo), 1e-9);
            EXPECT_NEAR(ev, *photo->exposure + s.job->project().profileTuning.value_or(ProfileTuning{}).exposure + 0.3, 1e-9);
        }
    }
}

TEST(ReeditPage, theOriginalSwitchFlipsBothGrids) {
    Page s;
    ReeditPage& p = s.open();
    s.click("original");
    EXPECT_TRUE(p.grid(0)->showOriginal());
    EXPECT_TRUE(p.grid(1)->showOriginal());
    s.click("original");
    EXPECT_FALSE(p.grid(0)->showOriginal());
}

TEST(ReeditPage, backToTheProjectPutsTheOpeningSettingsBack) {
    Page s;
    s.open();
    s.click("warmer");
    s.click("brighter");
    ASSERT_TRUE(s.job->project().basic);
    s.click("back");
    EXPECT_FALSE(s.job->project().basic);
    EXPECT_EQ(s.job->project().globalExposure.value_or(0), 0);
    EXPECT_EQ(s.router->route(), model::Route::project(s.project.id));
}

TEST(ReeditPage, theHistoryPopoverRestoresAVersionAndCloses) {
    Page s(4, false, true);
    ReeditPage& p = s.open();
    EXPECT_EQ(s.control("profileMenu"), nullptr) << "one built profile";
    s.click("history");
    ASSERT_NE(p.historyList(), nullptr);
    VersionHistoryList* list = p.historyList();
    ASSERT_EQ(list->rowCount(), 3);
    EXPECT_EQ(list->rowTitle(0), "Prima livrare");
    EXPECT_EQ(list->rowDescription(0), QString::fromUtf8("Corecție de profil · Îndreptare · Albire dinți 42 · Ajustări globale"));
    EXPECT_TRUE(list->rowIsCurrent(2));
    QWidget* panel = p.adjustmentsPanel();
    QTest::mouseClick(list->restoreButton(0), Qt::LeftButton);
    s.turn();
    EXPECT_EQ(p.historyList(), nullptr);
    EXPECT_FALSE(p.model().historyOpen());
    EXPECT_NE(p.adjustmentsPanel(), panel);
    EXPECT_EQ(p.brightnessLabel(), "+3");
    EXPECT_TRUE(s.job->project().straightenRequested.value_or(false));
    // The editing options show the restored version's.
    EXPECT_TRUE(p.extraOptions()->row("option.straighten")->isOn());
}

TEST(ReeditPage, applyingDisablesWhatWouldUndoItAndShowsItsProgress) {
    Page s(4, true);
    s.outcome = model::LightroomExportResult{Xmp{4, 0, 0, 1}};
    ReeditPage& p = s.open();
    EXPECT_EQ(s.control("apply")->text(), "Reeditează toate (4)");
    EXPECT_EQ(s.control("done"), nullptr);
    p.model().startApply();
    p.refresh();
    EXPECT_TRUE(p.showsProgress());
    EXPECT_EQ(p.percentLabel(), "1%");
    EXPECT_EQ(p.statusLabel(), QString::fromUtf8("Se pregătește reeditarea…"));
    for (const char* name : {"back", "brighter", "darker", "colder", "warmer", "cancel", "apply", "optionsMenu"})
        EXPECT_FALSE(s.control(name)->isEnabled()) << name;
    EXPECT_FALSE(p.adjustmentsPanel()->parentWidget()->isEnabled());
    s.turn();
    // The sidecars were written, Lightroom could not be made to re-read them: the result stays.
    EXPECT_EQ(s.roads, (std::vector<std::string>{"analyse", "export", "open", "read"}));
    EXPECT_FALSE(p.showsProgress());
    EXPECT_TRUE(p.resultLabel().endsWith(
        QString::fromUtf8("Nu am putut comanda Lightroom; fă manual Metadata → Read Metadata from File.")));
    EXPECT_TRUE(p.showsReadHint());
    EXPECT_EQ(s.control("apply"), nullptr);
    EXPECT_EQ(s.control("cancel"), nullptr);
    s.click("done");
    EXPECT_EQ(s.router->route(), model::Route::project(s.project.id));
}

TEST(ReeditPage, aNeverExportedProjectIsAppliedAndTheProjectPageShows) {
    Page s(3);
    s.open();
    EXPECT_EQ(s.control("apply")->text(), QString::fromUtf8("Aplică la toate (3)"));
    s.click("brighter");
    s.click("apply");
    s.turn();
    EXPECT_EQ(s.roads, std::vector<std::string>{"analyse"});
    EXPECT_EQ(s.router->route(), model::Route::project(s.project.id));
}

TEST(ReeditPage, theProfileMenuShowsWithTwoBuiltProfilesAndMarksTheCurrentOne) {
    Page s(2);
    const Profile other = orvane::testing::builtProfile("Portrete");
    s.app->reload();
    ReeditPage& p = s.open();
    ASSERT_NE(s.control("profileMenu"), nullptr);
    auto menu = p.makeProfileMenu();
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_FALSE(menu->actions()[0]->icon().isNull() && menu->actions()[1]->icon().isNull());
    for (QAction* a : menu->actions())
        if (a->text() == "Portrete") a->trigger();
    EXPECT_EQ(p.model().chosenProfile(), other.id);
    EXPECT_EQ(p.model().currentProfileName(), "Portrete");
}

// Renders the page (with its settings open) and the history list, light and dark, into docs/ when
// ORVANE_SCREENSHOTS is set.
TEST(ReeditPage, screenshots) {
    if (!qEnvironmentVariableIsSet("ORVANE_SCREENSHOTS")) GTEST_SKIP() << "set ORVANE_SCREENSHOTS to write docs/";
    kit::installApplicationStyle();
    for (bool dark : {false, true}) {
        kit::Appearance::instance().setOverride(dark);
        Page s(6, true, true);
        const Profile other = orvane::testing::builtProfile("Portrete");
        s.app->reload();
        ReeditPage& p = s.open({1180, 1500});
        s.click("brighter");
        s.click("brighter");
        s.click("warmer");
        p.moreSettings()->setOpen(true);
        s.main->advance(200ms);
        s.settle();
        QTest::qWait(400);  // the group's opening spring
        s.turn();
        const QString suffix = dark ? "-dark.png" : "-light.png";
        ASSERT_TRUE(s.backdrop->grab().save(QString(ORVANE_SOURCE_DIR) + "/docs/reedit" + suffix));

        s.click("history");
        QWidget* popover = p.historyPopover();
        ASSERT_NE(popover, nullptr);
        s.turn();
        ASSERT_TRUE(popover->grab().save(QString(ORVANE_SOURCE_DIR) + "/docs/reedit-history" + suffix));
        p.model().setHistoryOpen(false);
        s.turn();
    }
    kit::Appearance::instance().setOverride(std::nullopt);
}

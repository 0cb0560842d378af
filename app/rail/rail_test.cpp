// The rail's widgets, offscreen, driven by real clicks, double clicks, context menus and keys.
#include "app/rail/rail.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/kit/appearance.h"
#include "app/kit/buttons.h"
#include "app/kit/fonts.h"
#include "app/kit/kit_settings.h"
#include "app/kit/kit_test_fixture.h"
#include "app/kit/tooltips.h"
#include "app/model/qt_main_executor.h"
#include "app/testing/fake_updater.h"
#include "app/testing/scripted_dialogs.h"
#include "app/testing/sheet_testing.h"
#include "testing/concurrency.h"
#include "testing/job_fixtures.h"
#include "testing/model_fixtures.h"
#include "testing/temp_dir.h"

using namespace orvane;
using namespace orvane::rail;
using namespace orvane::testing;
using model::Route;
using namespace std::chrono_literals;

namespace {

using orvane::testing::withMenu;

struct Screen {
    std::shared_ptr<model::QtMainExecutor> main = std::make_shared<model::QtMainExecutor>();
    std::shared_ptr<Defaults> defaults = std::make_shared<FileDefaults>();
    std::unique_ptr<model::AppModel> model;
    std::unique_ptr<model::Router> router;
    FakeUpdater updater;
    std::unique_ptr<QWidget> window;
    Rail* rail = nullptr;
    std::vector<std::shared_ptr<Gate>> gates;

    explicit Screen(int builtProfiles = 1, std::vector<Project> projects = {}) {
        freshDataDir();
        setUserDefaults(defaults);
        kit::KitSettings::instance().rebind(defaults);
        for (int i = 0; i < builtProfiles; ++i) builtProfile("Profil " + std::to_string(i));
        for (const Project& p : projects) p.save();
        model = std::make_unique<model::AppModel>(main, defaults, nullptr);
        router = std::make_unique<model::Router>(defaults);
        window = std::make_unique<QWidget>();
        window->resize(238, 837);
        rail = new Rail(*model, *router, &updater, window.get());
        rail->setGeometry(0, 0, 238, 837);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    ~Screen() {
        window.reset();
        // Runs end here, so no job (holding the Qt main executor) outlives the application object.
        for (const auto& [id, job] : model->jobs()) job->cancel();
        for (auto& g : gates) g->open();
        (void)QTest::qWaitFor([&] {
            return std::none_of(model->jobs().begin(), model->jobs().end(),
                                [](const auto& e) { return Job::isRunInProgress(e.second->state()); });
        }, 10000);
    }
    const Project& project(const std::string& name) const {
        for (const Project& p : model->projects())
            if (p.name == name) return p;
        throw std::runtime_error("no project " + name);
    }
    RecentRow* row(const std::string& name) const { return rail->recent()->row(project(name).id); }
    std::shared_ptr<Job> running(const Project& p, int workers = 1) {
        auto g = std::make_shared<Gate>();
        gates.push_back(g);
        auto j = Job::make(main, p, workers, false, Job::FileProcess([g](const std::filesystem::path& f) {
                               g->pass();
                               return resultFor(f);
                           }));
        model->registerJob(j);
        model->startJob(j);
        QTest::qWait(1);
        return j;
    }
    void hover(QWidget* w) {
        QEnterEvent enter(QPointF(5, 5), w->mapTo(window.get(), QPointF(5, 5)), w->mapToGlobal(QPointF(5, 5)));
        QCoreApplication::sendEvent(w, &enter);
    }
};

QAction* action(QMenu& menu, const QString& title) {
    for (QAction* a : menu.actions())
        if (a->text() == title) return a;
    return nullptr;
}

}  // namespace

TEST(RailWidget, rowsFollowTheModelAndAClickOnTheHeaderGoesHome) {
    Screen s(0);
    auto titles = [&] {
        QStringList out;
        for (RailRow* r : s.rail->rows()) out << r->entry().title;
        return out;
    };
    EXPECT_EQ(titles(), (QStringList{"Acasă", "Setări", "Ajutor"}));
    EXPECT_FALSE(s.rail->recent()->isVisible());
    EXPECT_FALSE(s.rail->activity()->isVisible()) << "nothing runs: the section takes no space";
    EXPECT_FALSE(s.rail->updateCard()->isVisible());

    builtProfile("Nou");
    s.model->reload();
    EXPECT_EQ(titles(), (QStringList{"Acasă", "Profiluri AI", "Proiecte", "Setări", "Ajutor"}));
    EXPECT_EQ(s.rail->row(NavItem::profiles)->entry().count, "1");

    QTest::mouseClick(s.rail->row(NavItem::settings), Qt::LeftButton);
    EXPECT_EQ(s.router->route(), Route::settings());
    EXPECT_TRUE(s.rail->row(NavItem::settings)->entry().selected);
    EXPECT_FALSE(s.rail->model().onPhoto());
    s.router->setRoute(Route::library());
    for (RailRow* r : s.rail->rows()) EXPECT_FALSE(r->entry().selected) << r->entry().title.toStdString();
    QTest::mouseClick(s.rail->header(), Qt::LeftButton);
    EXPECT_EQ(s.router->route(), Route::home());
}

TEST(RailWidget, aRowsTitleIsNeverCutShort) {
    RailRow row({NavItem::profiles, "Profiluri AI cu un titlu foarte lung", "slider.horizontal.3", "0", false});
    const int needed = QFontMetrics(kit::uiFont(15, QFont::DemiBold)).horizontalAdvance(row.entry().title);
    EXPECT_GE(row.minimumSizeHint().width(), needed + 2 + 3 + 12 + 22 + 12);
}

TEST(RailWidget, clickThenClickAgainRenamesWithReturnAndSpacesAreDropped) {
    Screen s(1, {projectWith(1, 0, 0, "Nuntă"), projectWith(1, 0, 0, "Botez")});
    int requests = 0;
    QObject::connect(&s.rail->model(), &RailModel::renameRequested, [&] { ++requests; });
    QTest::mouseClick(s.row("Nuntă"), Qt::LeftButton);
    EXPECT_EQ(s.router->route(), Route::project(s.project("Nuntă").id));
    EXPECT_EQ(s.row("Nuntă")->editor(), nullptr) << "the first click only opens";
    QTest::mouseClick(s.row("Nuntă"), Qt::LeftButton);
    QLineEdit* field = s.row("Nuntă")->editor();
    ASSERT_NE(field, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return field->hasFocus(); }));
    EXPECT_EQ(field->text(), "Nuntă");
    field->selectAll();
    QTest::keyClicks(field, "  Nunta Ioana  ");
    QTest::keyClick(field, Qt::Key_Return);  // and the focus loss that follows
    QTest::qWait(5);
    EXPECT_EQ(requests, 1);
    EXPECT_NO_THROW(s.project("Nunta Ioana"));
    EXPECT_FALSE(s.rail->model().renaming());
}

TEST(RailWidget, escapeNeverSavesAndFocusLossSavesOnce) {
    Screen s(1, {projectWith(1, 0, 0, "Nuntă"), projectWith(1, 0, 0, "Botez")});
    int requests = 0;
    QObject::connect(&s.rail->model(), &RailModel::renameRequested, [&] { ++requests; });

    QTest::mouseDClick(s.row("Nuntă"), Qt::LeftButton);
    QLineEdit* field = s.row("Nuntă")->editor();
    ASSERT_NE(field, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return field->hasFocus(); }));
    QTest::keyClicks(field, " X");
    QTest::keyClick(field, Qt::Key_Escape);
    QTest::qWait(5);
    EXPECT_EQ(requests, 0);
    EXPECT_NO_THROW(s.project("Nuntă"));

    QTest::mouseDClick(s.row("Nuntă"), Qt::LeftButton);
    field = s.row("Nuntă")->editor();
    ASSERT_NE(field, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return field->hasFocus(); }));
    EXPECT_EQ(field->text(), "Nuntă") << "a new rename starts from the name";
    QTest::keyClicks(field, " mare");
    QTest::mouseClick(field, Qt::LeftButton);  // a press inside the field keeps editing
    QTest::qWait(5);
    EXPECT_EQ(s.rail->model().renaming(), s.project("Nuntă").id);
    s.rail->header()->setFocus();  // the field loses focus
    QTest::qWait(5);
    EXPECT_EQ(requests, 1);
    EXPECT_NO_THROW(s.project("Nuntă mare"));
}

TEST(RailWidget, aClickOnAnotherRowCommitsTheRenameAndOpensThatProject) {
    Screen s(1, {projectWith(1, 0, 0, "Nuntă"), projectWith(1, 0, 0, "Botez")});
    QTest::mouseDClick(s.row("Nuntă"), Qt::LeftButton);
    QLineEdit* field = s.row("Nuntă")->editor();
    ASSERT_NE(field, nullptr);
    field->setText("Nuntă 2");
    emit field->textEdited("Nuntă 2");
    const Uuid botez = s.project("Botez").id;
    QTest::mouseClick(s.rail->recent()->row(botez), Qt::LeftButton);
    QTest::qWait(5);
    EXPECT_NO_THROW(s.project("Nuntă 2"));
    EXPECT_EQ(s.router->route(), Route::project(botez));
}

TEST(RailWidget, theContextMenuRenamesOpensAndIsLimitedWhileTheJobRuns) {
    Screen s(1, {projectWith(3, 0, 0, "Nuntă"), projectWith(1, 0, 0, "Botez")});
    withMenu(s.row("Botez"), [&](QMenu& menu) {
        QStringList titles;
        for (QAction* a : menu.actions()) titles << (a->isSeparator() ? QStringLiteral("—") : a->text());
        EXPECT_EQ(titles, (QStringList{"Deschide", "Redenumește", "—", "Șterge proiectul"}));
        action(menu, "Redenumește")->trigger();
    });
    QApplication::setActiveWindow(s.window.get());  // offscreen, the closed menu does not give it back
    QLineEdit* field = s.row("Botez")->editor();
    ASSERT_NE(field, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return field->hasFocus(); }));
    QTest::keyClicks(field, "!");
    QTest::keyClick(field, Qt::Key_Enter);
    QTest::qWait(5);
    EXPECT_NO_THROW(s.project("Botez!"));

    auto job = s.running(s.project("Nuntă"));
    ASSERT_TRUE(Job::isRunInProgress(job->state()));
    withMenu(s.row("Nuntă"), [&](QMenu& menu) {
        EXPECT_TRUE(action(menu, "Deschide")->isEnabled());
        EXPECT_FALSE(action(menu, "Redenumește")->isEnabled());
        EXPECT_FALSE(action(menu, "Șterge proiectul")->isEnabled());
        action(menu, "Deschide")->trigger();
    });
    EXPECT_EQ(s.router->route(), Route::project(s.project("Nuntă").id));
    QTest::mouseDClick(s.row("Nuntă"), Qt::LeftButton);
    QTest::mouseClick(s.row("Nuntă"), Qt::LeftButton);
    EXPECT_EQ(s.row("Nuntă")->editor(), nullptr) << "no rename while it runs";
    s.hover(s.row("Nuntă"));
    EXPECT_FALSE(s.row("Nuntă")->deleteButton()->isVisible()) << "no delete button while it runs";
}

TEST(RailWidget, theHoverDeleteButtonAsksFirstAndDeletes) {
    TempDir home;
    ScopedEnv xdg("XDG_DATA_HOME", (home / "share").string());
    ScriptedDialogs dialogs;
    Screen s(1, {projectWith(1, 0, 0, "Nuntă"), projectWith(1, 0, 0, "Botez")});
    RecentRow* row = s.row("Nuntă");
    EXPECT_FALSE(row->deleteButton()->isVisible());
    s.hover(row);
    ASSERT_TRUE(row->deleteButton()->isVisible());
    ASSERT_NE(kit::QuickTip::on(row->deleteButton()), nullptr);
    EXPECT_EQ(kit::QuickTip::on(row->deleteButton())->shownText(), "Șterge proiectul");

    QTest::mouseClick(row->deleteButton(), Qt::LeftButton);  // answered "Anulează"
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].message, "Ștergi proiectul „Nuntă”?");
    QTest::qWait(5);
    EXPECT_EQ(s.model->projects().size(), 2u);

    dialogs.alertAnswers = {kit::CenteredAlert::firstButton};
    QTest::mouseClick(s.row("Nuntă")->deleteButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return s.model->projects().size() == 1; }));
    EXPECT_EQ(s.rail->recent()->rows().size(), 1u);
}

TEST(RailWidget, thePlusButtonNeedsABuiltProfile) {
    Screen none(0, {projectWith(1)});
    EXPECT_FALSE(none.rail->recent()->addButton()->isEnabled());
    ASSERT_NE(kit::QuickTip::on(none.rail->recent()->addButton()), nullptr);
    EXPECT_EQ(kit::QuickTip::on(none.rail->recent()->addButton())->shownText(), "Proiect nou");
    QTest::mouseClick(none.rail->recent()->addButton(), Qt::LeftButton);
    EXPECT_FALSE(none.router->showQuickEdit());
    none.window.reset();

    Screen built(1, {projectWith(1)});
    QTest::mouseClick(built.rail->recent()->addButton(), Qt::LeftButton);
    EXPECT_TRUE(built.router->showQuickEdit());
}

TEST(RailWidget, theUpdateCardFollowsTheUpdaterThroughEveryState) {
    Screen s(0);
    RailRow* settings = s.rail->row(NavItem::settings);
    EXPECT_FALSE(settings->hasDot());
    s.updater.announce("1.5.0");
    UpdateCard* card = s.rail->updateCard();
    ASSERT_TRUE(card->isVisible());
    EXPECT_TRUE(settings->hasDot());
    EXPECT_EQ(kit::QuickTip::on(settings)->shownText(), "Versiune nouă disponibilă: 1.5.0");
    EXPECT_EQ(card->versionLabel()->text(), "Versiunea 1.5.0");
    EXPECT_EQ(card->updateButton()->text(), "Actualizează");
    EXPECT_FALSE(card->statusLabel()->isVisible());

    QTest::mouseClick(card->updateButton(), Qt::LeftButton);
    EXPECT_EQ(s.updater.downloads, 1);
    EXPECT_EQ(card->updateButton()->text(), "Se descarcă…");
    EXPECT_FALSE(card->updateButton()->isEnabled());
    EXPECT_FALSE(card->skipButton()->isEnabled());
    EXPECT_EQ(card->statusLabel()->text(), "Se descarcă versiunea 1.5.0…");
    QTest::mouseClick(card->skipButton(), Qt::LeftButton);
    EXPECT_EQ(s.updater.skips, 0);

    // A long failure text wraps and makes the card taller.
    const int before = card->sizeHint().height();
    s.updater.setBusy(false);
    s.updater.setStatus("Nu am putut verifica actualizările: serverul de actualizări nu a răspuns în timpul "
                        "alocat, încearcă din nou mai târziu");
    EXPECT_TRUE(card->updateButton()->isEnabled());
    EXPECT_TRUE(card->statusLabel()->wordWrap());
    EXPECT_GT(card->sizeHint().height(), before);

    QTest::mouseClick(card->skipButton(), Qt::LeftButton);
    EXPECT_EQ(s.updater.skips, 1);
    EXPECT_FALSE(card->isVisible());
    EXPECT_FALSE(settings->hasDot());
    EXPECT_TRUE(kit::QuickTip::on(settings)->shownText().startsWith("Setări · "));
}

TEST(RailWidget, theHelpMenuClosesAndItsSheetOpensAMomentLater) {
    Screen s(0);
    QTest::mouseClick(s.rail->row(NavItem::help), Qt::LeftButton);
    ASSERT_TRUE(s.rail->helpMenu()->isVisible());
    QStringList titles;
    for (QAbstractButton* e : s.rail->helpMenu()->entries()) titles << e->text();
    EXPECT_EQ(titles, (QStringList{"Prezentare rapidă", "Ghid de utilizare", "Spune-ne ce să îmbunătățim"}));
    QTest::mouseClick(s.rail->helpMenu()->entries()[0], Qt::LeftButton);
    EXPECT_FALSE(s.rail->helpMenu()->isVisible());
    EXPECT_FALSE(s.router->showWelcome()) << "not before the menu has gone";
    EXPECT_TRUE(QTest::qWaitFor([&] { return s.router->showWelcome(); }, 2000));
}

TEST(RailWidget, theActivityScrollStopsGrowingAt230) {
    std::vector<Project> many;
    for (int i = 0; i < 20; ++i) many.push_back(projectWith(2, 0, 0, "Proiect " + std::to_string(10 + i)));
    Screen s(1, many);
    s.running(s.project("Proiect 10"));
    for (int i = 1; i < 20; ++i) {
        auto j = Job::make(s.main, s.project("Proiect " + std::to_string(10 + i)), 1, false, Job::FileProcess(resultFor));
        s.model->registerJob(j);
        s.model->startJob(j);  // queued
    }
    ActivitySection* section = s.rail->activity();
    // The scroll range follows the layout, which settles on posted events: wait for it, not for a time.
    EXPECT_TRUE(QTest::qWaitFor([&] { return section->scroll()->verticalScrollBar()->maximum() > 0; }, 10000))
        << "the rest scrolls";
    ASSERT_TRUE(section->isVisible());
    EXPECT_EQ(section->cards().size(), 20u);
    EXPECT_EQ(section->scroll()->height(), activityMaxHeight);

    // The open project's card goes; a click on a card opens its project.
    QTest::mouseClick(section->cards()[0], Qt::LeftButton);
    EXPECT_EQ(s.router->route(), Route::project(s.project("Proiect 10").id));
    EXPECT_EQ(section->cards().size(), 19u);
    EXPECT_EQ(section->cards()[0]->data().subtitle, "Proiect 11");
}

// The rail's tips show after their delay on a virtual clock and are drawn in place beside the rail;
// leaving before the delay shows nothing, and a name being renamed has no tip.
TEST(RailWidget, tipsShowAfterTheirDelayInPlace) {
    ManualExecutor clock;
    kit::testing::VirtualHover virtualHover(clock);
    Screen s(1, {projectWith(1, 0, 0, "Nuntă la Sinaia"), projectWith(1, 0, 0, "Botez")});
    s.running(s.project("Nuntă la Sinaia"));
    QApplication::processEvents();  // the job's start redraws the rows on the next turn: take them after
    ASSERT_EQ(s.rail->activity()->cards().size(), 1u);
    ActivityCard* card = s.rail->activity()->cards()[0];
    QWidget* away = s.rail->row(NavItem::home);  // an entry without a tip
    auto point = [](QWidget* w) {
        QTest::mouseMove(w, w->rect().center());
        QApplication::processEvents();
    };
    auto text = [](const kit::QuickTip* tip) { return tip && tip->bubble() ? tip->bubble()->text() : QString(); };

    struct Case {
        const char* name;
        QWidget* view;
        std::chrono::milliseconds delay;
        std::function<QString()> expected;
    };
    const Case cases[] = {
        {"help row", s.rail->row(NavItem::help), 1000ms, [] { return QString("Ghid și feedback"); }},
        {"settings row", s.rail->row(NavItem::settings), 1000ms, [&] { return s.rail->model().settingsTip(); }},
        {"recent project", s.row("Botez"), 200ms, [] { return QString("Botez"); }},
        {"new project button", s.rail->recent()->addButton(), 200ms, [] { return QString("Proiect nou"); }},
        {"activity card", card, 200ms, [&] { return card->data().subtitle + " · " + card->data().detail; }},
    };
    for (const Case& c : cases) {
        const kit::QuickTip* tip = kit::QuickTip::on(c.view);
        ASSERT_NE(tip, nullptr) << c.name;
        point(c.view);
        clock.advance(c.delay - 10ms);
        EXPECT_EQ(tip->state(), kit::HoverDelay::State::waiting) << c.name;
        point(away);  // left before the delay: nothing shows, ever
        clock.advance(2000ms);
        EXPECT_FALSE(tip->isShown()) << c.name;

        point(c.view);  // a fresh, full wait
        clock.advance(c.delay - 10ms);
        EXPECT_FALSE(tip->isShown()) << c.name;
        clock.advance(10ms);
        ASSERT_TRUE(tip->isShown()) << c.name;
        EXPECT_FALSE(tip->isHosted()) << c.name << ": the rail draws its tips in place";
        EXPECT_EQ(text(tip), c.expected()) << c.name;
        point(away);
        EXPECT_EQ(tip->bubble(), nullptr) << c.name;
    }

    // The delete button of the hovered row explains itself after a second.
    RecentRow* row = s.row("Botez");
    point(row);
    ASSERT_TRUE(row->deleteButton()->isVisible());
    point(row->deleteButton());
    clock.advance(1000ms);
    EXPECT_EQ(text(kit::QuickTip::on(row->deleteButton())), "Șterge proiectul");
    point(away);

    // A name being renamed has no tip; it comes back with the name.
    QTest::mouseDClick(row, Qt::LeftButton);
    ASSERT_NE(row->editor(), nullptr);
    EXPECT_EQ(kit::QuickTip::on(row), nullptr);
    QTest::keyClick(row->editor(), Qt::Key_Escape);
    ASSERT_EQ(s.row("Botez")->editor(), nullptr);
    ASSERT_NE(kit::QuickTip::on(s.row("Botez")), nullptr);
    EXPECT_EQ(kit::QuickTip::on(s.row("Botez"))->options().text, "Botez");
}

TEST(RailWidget, theActivityRefreshStopsWhileTheWindowIsHidden) {
    Screen s(0);
    EXPECT_TRUE(s.rail->model().activityRefreshing());
    s.window->hide();
    EXPECT_FALSE(s.rail->model().activityRefreshing());
    s.window->show();
    EXPECT_TRUE(s.rail->model().activityRefreshing());
}

// The whole rail with two running jobs, a queued one and a profile build, in both appearances: written
// into docs/ when ORVANE_WRITE_SCREENSHOTS is set, else only rendered.
TEST(RailScreenshot, wholeRailLightAndDark) {
    Project exported = projectWith(0, 40, 0, "Botez Luca");
    exported.exportedAt = ManualExecutor::defaultStart();
    Screen s(1, {exported, projectWith(60, 20, 0, "Nuntă Ana și Mihai"), projectWith(80, 12, 0, "Cununie Ioana"),
                 projectWith(30, 0, 0, "Aniversare 50"), projectWith(0, 24, 0, "Portrete studio")});
    // Two jobs run side by side (the application runs one at a time; started here by hand).
    std::vector<std::shared_ptr<Job>> jobs;
    for (const char* name : {"Nuntă Ana și Mihai", "Cununie Ioana", "Aniversare 50"}) {
        auto g = std::make_shared<Gate>();
        s.gates.push_back(g);
        auto j = Job::make(s.main, s.project(name), 1, false, Job::FileProcess([g](const std::filesystem::path& f) {
                               g->pass();
                               return resultFor(f);
                           }));
        s.model->registerJob(j);
        jobs.push_back(j);
    }
    jobs[0]->start();
    jobs[1]->start();
    s.model->setQueued({jobs[2]->project().id});
    model::ProfileBuildStatus build;
    build.profileID = Uuid::random();
    build.name = "Nunți 2026";
    build.phase = ProfileBuilder::Phase::evaluation(2, 5);
    build.started = s.main->now() - std::chrono::seconds(96);
    s.model->setProfileBuild(build);
    s.updater.announce("0.2.0");
    s.router->setRoute(Route::project(s.project("Portrete studio").id));
    QCoreApplication::setApplicationVersion("0.1.0");
    s.window->resize(238, 1080);
    s.rail->setGeometry(0, 0, 238, 1080);
    QTest::qWait(20);
    EXPECT_EQ(s.rail->activity()->cards().size(), 4u);

    for (const bool darkLook : {false, true}) {
        kit::Appearance::instance().setOverride(darkLook);
        QImage image(s.window->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(darkLook ? QColor(26, 26, 30) : QColor(237, 239, 247));
        s.window->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        EXPECT_FALSE(image.isNull());
        if (qEnvironmentVariableIsSet("ORVANE_WRITE_SCREENSHOTS")) {
            const QString file = QString(ORVANE_SOURCE_DIR) + "/docs/rail-" + (darkLook ? "dark" : "light") + ".png";
            EXPECT_TRUE(image.save(file)) << file.toStdString();
        }
    }
    kit::Appearance::instance().setOverride(std::nullopt);
    QCoreApplication::setApplicationVersion({});
}

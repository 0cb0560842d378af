// The projects list's widgets, offscreen, driven by real clicks, keys, pointer and context-menu events.
#include "app/projects/projects_list.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <fstream>

#include "app/kit/app_backdrop.h"
#include "app/kit/app_style.h"
#include "app/kit/appearance.h"
#include "app/kit/kit_settings.h"
#include "app/kit/symbol_button.h"
#include "app/kit/tooltips.h"
#include "app/model/app_model.h"
#include "app/model/qt_main_executor.h"
#include "app/model/router.h"
#include "app/projects/project_cover.h"
#include "app/projects/project_row.h"
#include "app/testing/scripted_dialogs.h"
#include "app/testing/sheet_testing.h"
#include "core/base/iso_date.h"
#include "core/base/work_pool.h"
#include "core/store/cover_photo.h"
#include "testing/concurrency.h"
#include "testing/job_fixtures.h"
#include "testing/model_fixtures.h"
#include "testing/temp_dir.h"

using namespace orvane;
using namespace orvane::projects;
using namespace orvane::testing;
using model::Route;
namespace fs = std::filesystem;

namespace {

using orvane::testing::withMenu;

struct Screen {
    std::shared_ptr<model::QtMainExecutor> main = std::make_shared<model::QtMainExecutor>();
    std::shared_ptr<Defaults> defaults = std::make_shared<FileDefaults>();
    std::unique_ptr<model::AppModel> app;
    std::unique_ptr<model::Router> router;
    std::unique_ptr<QWidget> window;
    ProjectsListView* view = nullptr;
    std::vector<std::shared_ptr<Gate>> gates;
    ScriptedDialogs dialogs;

    explicit Screen(std::vector<Project> projects, int builtProfiles = 1) {
        freshDataDir();
        setUserDefaults(defaults);
        kit::KitSettings::instance().rebind(defaults);
        for (int i = 0; i < builtProfiles; ++i) builtProfile("Profil " + std::to_string(i));
        for (const Project& p : projects) p.save();
        app = std::make_unique<model::AppModel>(main, defaults, nullptr);
        router = std::make_unique<model::Router>(defaults);
        // No cover is made in these tests: the projects have no photo files.
        CoverLoader::of(*app).setEnsure([](const Project&) { return std::optional<fs::path>(); });
        window = std::make_unique<QWidget>();
        window->resize(980, 700);
        view = new ProjectsListView(*app, *router, window.get());
        view->setGeometry(0, 0, 980, 700);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        QApplication::setActiveWindow(window.get());
    }
    ~Screen() {
        window.reset();
        for (const auto& [id, job] : app->jobs()) job->cancel();
        for (auto& g : gates) g->open();
        // Runs end and debounced saves land here, not in the next test's data directory.
        (void)QTest::qWaitFor([&] {
            return std::none_of(app->jobs().begin(), app->jobs().end(), [](const auto& e) {
                const Job& j = *e.second;
                return Job::isRunInProgress(j.state()) || j.isSaving() || j.savedRevision() < j.saveRevision();
            });
        }, 10000);
    }
    const Project& project(const std::string& name) const {
        for (const Project& p : app->projects())
            if (p.name == name) return p;
        throw std::runtime_error("no project " + name);
    }
    bool has(const std::string& name) const {
        return std::any_of(app->projects().begin(), app->projects().end(), [&](const Project& p) { return p.name == name; });
    }
    ProjectRow* row(const std::string& name) const { return view->row(project(name).id); }
    std::shared_ptr<Job> running(const Project& p) {
        auto g = std::make_shared<Gate>();
        gates.push_back(g);
        auto j = Job::make(main, p, 1, false, Job::FileProcess([g](const fs::path& f) {
                               g->pass();
                               return resultFor(f);
                           }));
        app->registerJob(j);
        app->startJob(j);
        QTest::qWait(5);
        return j;
    }
    void click(QWidget* w) {
        ASSERT_NE(w, nullptr);
        QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
    }
    void enter(QWidget* w) {
        QEnterEvent event(QPointF(5, 5), w->mapTo(window.get(), QPointF(5, 5)), w->mapToGlobal(QPointF(5, 5)));
        QCoreApplication::sendEvent(w, &event);
    }
    void leave(QWidget* w) {
        QEvent event(QEvent::Leave);
        QCoreApplication::sendEvent(w, &event);
    }
    // The jobs' debounced saves have landed (a reload reads the disk).
    void saved() {
        EXPECT_TRUE(QTest::qWaitFor([&] {
            return std::none_of(app->jobs().begin(), app->jobs().end(), [](const auto& e) {
                return e.second->isSaving() || e.second->savedRevision() < e.second->saveRevision();
            });
        }));
    }
    QLineEdit* startRename(const std::string& name) {
        saved();
        click(row(name)->control("rename"));
        QLineEdit* field = row(name)->renameField();
        EXPECT_NE(field, nullptr);
        if (field) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return field->hasFocus(); }));
        }
        return field;
    }
};

Date at(const char* iso) { return *IsoDate::parse(iso); }

Project finishedProject(const std::string& name, const char* finished) {
    Project p = projectWith(0, 4, 0, name);
    p.startedAt = at("2026-02-01T09:00:00Z");
    p.finishedAt = at(finished);
    return p;
}

std::vector<std::string> rowNames(const ProjectsListView& view) {
    std::vector<std::string> out;
    for (ProjectRow* r : view.rows()) out.push_back(r->project().name);
    return out;
}

}  // namespace

TEST(ProjectsListView, sectionsRowsAndTheirTexts) {
    Project exported = finishedProject("Botez", "2026-02-03T10:00:00Z");
    exported.exportedAt = at("2026-02-04T10:00:00Z");
    Screen s({projectWith(6, 3, 1, "Nuntă"), finishedProject("Studio", "2026-02-02T10:00:00Z"), exported});
    using Header = std::pair<QString, QString>;
    EXPECT_EQ(s.view->sectionHeaders(), (std::vector<Header>{{"În lucru", "1"}, {"Terminate", "1"}, {"Exportate", "1"}}));
    EXPECT_EQ(rowNames(*s.view), (std::vector<std::string>{"Nuntă", "Studio", "Botez"}));

    ProjectRow* active = s.row("Nuntă");
    EXPECT_EQ(active->progressLabel(), "3/10");
    EXPECT_EQ(active->failedLabel(), "1");
    EXPECT_EQ(active->control("export"), nullptr) << "in work: no hand-over buttons";
    EXPECT_EQ(active->thumb()->symbol(), "photo.on.rectangle.angled");
    EXPECT_EQ(active->subtitleText(), QString::fromUtf8("10 fotografii · shoot"));

    ProjectRow* finished = s.row("Studio");
    EXPECT_EQ(finished->progressLabel(), QString());
    EXPECT_NE(finished->control("export"), nullptr);
    EXPECT_NE(finished->control("reedit"), nullptr);
    EXPECT_EQ(finished->thumb()->tint(), kit::infoColor);
    EXPECT_EQ(s.row("Botez")->thumb()->symbol(), "arrow.up.doc.fill");

    s.click(s.row("Botez")->control("reedit"));
    EXPECT_EQ(s.router->route(), Route::reedit(s.project("Botez").id));
    s.click(s.row("Studio"));
    EXPECT_EQ(s.router->route(), Route::project(s.project("Studio").id));
}

TEST(ProjectsListView, headerFollowsModeSearchAndProfiles) {
    {
        Screen empty({}, 0);
        EXPECT_EQ(empty.view->control("search"), nullptr) << "no project: only the title and \"Proiect nou\"";
        EXPECT_EQ(empty.view->control("select"), nullptr);
        auto* add = empty.view->control("newProject");
        ASSERT_NE(add, nullptr);
        EXPECT_FALSE(add->isEnabled());
        ASSERT_NE(kit::QuickTip::on(add), nullptr);
        EXPECT_EQ(kit::QuickTip::on(add)->options().text, QString::fromUtf8("Construiește mai întâi un profil"));
        ASSERT_NE(empty.view->emptyState(), nullptr);
        empty.click(empty.view->emptyState());
        EXPECT_TRUE(empty.router->showNewProfile()) << "the empty card still responds";
    }
    Screen s({projectWith(1, 0, 0, "Nuntă"), projectWith(1, 0, 0, "Botez")});
    EXPECT_TRUE(s.view->control("newProject")->isEnabled());
    EXPECT_EQ(kit::QuickTip::on(s.view->control("newProject")), nullptr);
    QTest::keyClicks(s.view->searchField(), "zzz");
    EXPECT_TRUE(s.view->showsNothingFound());
    EXPECT_NE(s.view->control("search"), nullptr) << "the search stays to be changed";
    s.view->searchField()->clear();
    s.view->searchField()->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(s.view->searchField(), "BOT");
    EXPECT_EQ(rowNames(*s.view), (std::vector<std::string>{"Botez"}));
    EXPECT_TRUE(s.view->searchField()->hasFocus()) << "typing keeps the focus in the field";

    s.click(s.view->control("select"));
    EXPECT_EQ(s.view->control("search"), nullptr);
    EXPECT_EQ(s.view->control("newProject"), nullptr);
    EXPECT_FALSE(s.view->control("rename")->isEnabled());
    EXPECT_FALSE(s.view->control("trash")->isEnabled());
    EXPECT_TRUE(s.row("Botez")->showsCheckMark());
    EXPECT_EQ(s.row("Botez")->control("trash"), nullptr) << "selecting hides the row's buttons";
    s.click(s.row("Botez"));
    EXPECT_EQ(s.router->route(), Route::home()) << "a click selects instead of opening";
    EXPECT_TRUE(s.view->control("rename")->isEnabled());
    s.click(s.view->control("selectAll"));
    EXPECT_EQ(s.view->listModel().selected().size(), 2u) << "the project the search hides too";
    s.click(s.view->control("done"));
    EXPECT_FALSE(s.view->listModel().selecting());
}

TEST(ProjectsListView, inlineRenameEndsByReturnFocusLossAndGataButNotEscapeOrTheCross) {
    Screen s({projectWith(1, 0, 0, "Nuntă"), projectWith(1, 0, 0, "Botez")});

    QLineEdit* field = s.startRename("Nuntă");
    ASSERT_NE(field, nullptr);
    field->selectAll();
    QTest::keyClicks(field, "Nunta Ana");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_TRUE(s.has("Nunta Ana")) << "Return";
    EXPECT_EQ(s.row("Nunta Ana")->renameField(), nullptr);

    field = s.startRename("Botez");
    ASSERT_NE(field, nullptr);
    QTest::keyClicks(field, " mic");
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_TRUE(s.has("Botez")) << "Escape saves nothing";
    EXPECT_EQ(s.row("Botez")->renameField(), nullptr);

    field = s.startRename("Botez");
    ASSERT_NE(field, nullptr);
    QTest::keyClicks(field, " 2");
    s.click(s.row("Botez")->control("renameCancel"));
    EXPECT_TRUE(s.has("Botez")) << "the cross saves nothing";
    EXPECT_EQ(s.view->listModel().renameText(), "Botez");

    field = s.startRename("Botez");
    ASSERT_NE(field, nullptr);
    QTest::keyClicks(field, " 3");
    s.click(s.row("Botez")->control("renameDone"));
    EXPECT_TRUE(s.has("Botez 3")) << "\"Gata\"";

    field = s.startRename("Botez 3");
    ASSERT_NE(field, nullptr);
    QTest::keyClicks(field, "!");
    s.view->searchField()->setFocus(Qt::MouseFocusReason);
    QTest::qWait(1);
    EXPECT_TRUE(s.has("Botez 3!")) << "focus loss";

    field = s.startRename("Botez 3!");
    ASSERT_NE(field, nullptr);
    QTest::keyClicks(field, "?");
    const Uuid other = s.project("Nunta Ana").id;
    s.click(s.view->row(other));
    EXPECT_TRUE(s.has("Botez 3!?")) << "a click elsewhere in the list applies it";
    EXPECT_EQ(s.router->route(), Route::project(other)) << "and the click does its own work";
}

TEST(ProjectsListView, hoverHighlightsOneRowAtATime) {
    Screen s({projectWith(1, 0, 0, "Nuntă"), projectWith(1, 0, 0, "Botez")});
    s.enter(s.row("Nuntă"));
    EXPECT_TRUE(s.row("Nuntă")->highlighted());
    s.enter(s.row("Botez"));
    s.leave(s.row("Nuntă"));  // the leave arrives late
    EXPECT_FALSE(s.row("Nuntă")->highlighted());
    EXPECT_TRUE(s.row("Botez")->highlighted());
    s.leave(s.row("Botez"));
    EXPECT_FALSE(s.row("Botez")->highlighted());
}

TEST(ProjectsListView, contextMenuOpensAndRenames) {
    Screen s({projectWith(1, 0, 0, "Nuntă"), projectWith(1, 0, 0, "Botez")});
    withMenu(s.row("Botez"), [&](QMenu& menu) {
        QStringList titles;
        for (QAction* a : menu.actions()) titles << a->text();
        EXPECT_EQ(titles, (QStringList{"Deschide", "Redenumește"}));
        menu.actions()[1]->trigger();
    });
    QApplication::setActiveWindow(s.window.get());  // offscreen, the closed menu does not give it back
    QLineEdit* field = s.row("Botez")->renameField();
    ASSERT_NE(field, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return field->hasFocus(); }));
    QTest::keyClicks(field, "!");
    QTest::keyClick(field, Qt::Key_Enter);
    EXPECT_TRUE(s.has("Botez!"));
    withMenu(s.row("Nuntă"), [&](QMenu& menu) { menu.actions()[0]->trigger(); });
    EXPECT_EQ(s.router->route(), Route::project(s.project("Nuntă").id));
}

TEST(ProjectsListView, trashFollowsTheJobAndDeletesAfterConfirmation) {
    Screen s({projectWith(3, 0, 0, "Nuntă"), projectWith(1, 0, 0, "Botez"), projectWith(1, 0, 0, "Studio")});
    EXPECT_TRUE(s.row("Nuntă")->control("trash")->isEnabled());
    auto job = s.running(s.project("Nuntă"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !s.row("Nuntă")->control("trash")->isEnabled(); }));
    EXPECT_TRUE(s.row("Botez")->control("trash")->isEnabled());

    s.click(s.row("Botez")->control("trash"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !s.dialogs.asked.empty(); }));
    EXPECT_EQ(s.dialogs.asked[0].message, QString::fromUtf8("Ștergi proiectul „Botez”?"));
    QTest::qWait(20);
    EXPECT_TRUE(s.has("Botez")) << "\"Anulează\"";

    // Bulk: the running project is left out and counted.
    s.click(s.view->control("select"));
    s.click(s.view->control("selectAll"));
    s.dialogs.alertAnswers = {kit::CenteredAlert::firstButton};
    s.click(s.view->control("trash"));
    ASSERT_EQ(s.dialogs.asked.size(), 2u);
    EXPECT_EQ(s.dialogs.asked[1].message, "Ștergi 2 proiecte?");
    EXPECT_TRUE(s.dialogs.asked[1].informative.endsWith(QString::fromUtf8("\n1 proiecte în lucru nu se șterg.")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !s.has("Botez") && !s.has("Studio"); }));
    EXPECT_TRUE(s.has("Nuntă"));
    EXPECT_FALSE(s.view->listModel().selecting());
    EXPECT_EQ(rowNames(*s.view), (std::vector<std::string>{"Nuntă"}));
}

TEST(ProjectsListView, exportButtonAsksTheProjectPageToExport) {
    Screen s({finishedProject("Studio", "2026-02-02T10:00:00Z")});
    s.click(s.row("Studio")->control("export"));
    EXPECT_EQ(s.router->pendingExport(), s.project("Studio").id);
    EXPECT_EQ(s.router->route(), Route::project(s.project("Studio").id));
}

// --- covers ---

TEST(ProjectCover, oneMakingPerProjectLaterRequestsJoinIt) {
    auto main = std::make_shared<ManualExecutor>();
    Gate gate;
    std::atomic<int> calls{0};
    TempDir dir;
    const fs::path file = dir / "cover.jpg";
    QImage picture(32, 20, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(QString::fromStdString(file.string())));
    WorkPool pool("covers-test", WorkPool::Priority::normal, 4);
    CoverLoader loader(main, [&](const Project&) {
        ++calls;
        gate.pass();
        return std::optional<fs::path>(file);
    }, pool);
    const Project p = projectWith(0, 2, 0, "Nuntă");
    QObject a, b;
    auto gone = std::make_unique<QObject>();
    std::vector<std::string> answers;
    auto answer = [&](const char* who) {
        return [&answers, who](std::optional<QImage> image) {
            answers.push_back(std::string(who) + (image && !image->isNull() ? ":image" : ":none"));
        };
    };
    loader.request(p, &a, answer("a"));
    loader.request(p, &b, answer("b"));
    loader.request(p, gone.get(), answer("gone"));
    EXPECT_EQ(loader.inFlight(), 1u);
    gone.reset();  // its view went away meanwhile
    gate.open();
    ASSERT_TRUE(main->runUntil([&] { return answers.size() == 2; }));
    EXPECT_EQ(calls.load(), 1);
    EXPECT_EQ(answers, (std::vector<std::string>{"a:image", "b:image"}));
    EXPECT_EQ(loader.inFlight(), 0u);

    loader.request(p, &a, answer("again"));
    ASSERT_TRUE(main->runUntil([&] { return answers.size() == 3; }));
    EXPECT_EQ(calls.load(), 2) << "a new request after the answer makes a new run";
}

TEST(ProjectCover, thumbShowsTheCoverKeepsItWithoutAnswerAndAsksAgainWhenDoneMoves) {
    auto main = std::make_shared<ManualExecutor>();
    TempDir dir;
    const fs::path file = dir / "cover.jpg";
    QImage picture(160, 100, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    ASSERT_TRUE(picture.save(QString::fromStdString(file.string())));
    std::optional<fs::path> answer = file;
    int calls = 0;
    CoverLoader loader(main, [&](const Project&) {
        ++calls;
        return answer;
    }, WorkPool::normal());
    Project p = projectWith(2, 1, 0, "Nuntă");
    ProjectThumb thumb(loader, p, "checkmark", kit::infoColor);
    EXPECT_TRUE(thumb.cover().isNull()) << "starts without a cover";
    ASSERT_TRUE(main->runUntil([&] { return !thumb.cover().isNull(); }));
    EXPECT_EQ(thumb.cover().size(), QSize(160, 100));

    answer.reset();
    thumb.setProject(p, "checkmark", kit::infoColor);
    EXPECT_EQ(calls, 1) << "the same done count asks nothing";
    p.photos[0].status = PhotoItem::Status::done;
    thumb.setProject(p, "checkmark", kit::infoColor);
    ASSERT_TRUE(main->runUntil([&] { return calls == 2 && loader.inFlight() == 0; }));
    EXPECT_FALSE(thumb.cover().isNull()) << "no cover this time: the one shown stays";

    std::ofstream(dir / "broken.jpg") << "not a picture";
    answer = dir / "broken.jpg";
    p.photos[1].status = PhotoItem::Status::done;
    thumb.setProject(p, "checkmark", kit::infoColor);
    ASSERT_TRUE(main->runUntil([&] { return calls == 3 && loader.inFlight() == 0; }));
    EXPECT_TRUE(thumb.cover().isNull()) << "a file that is no image clears it";
}

TEST(ProjectCover, aProjectMarkedWithoutCoverKeepsItsPlaceholder) {
    freshDataDir();
    auto main = std::make_shared<ManualExecutor>();
    Project p = projectWith(0, 3, 0, "Nuntă");
    p.save();
    std::ofstream(p.dir() / CoverPhoto::kNoCoverFile) << "";
    CoverLoader loader(main, [](const Project& project) { return CoverPhoto::ensure(project); }, WorkPool::normal());
    ProjectThumb thumb(loader, p, "checkmark", kit::infoColor);
    ASSERT_TRUE(main->runUntil([&] { return loader.inFlight() == 0; }));
    p.photos.emplace_back(photoPath(9));
    p.photos.back().status = PhotoItem::Status::done;
    thumb.setProject(p, "checkmark", kit::infoColor);
    ASSERT_TRUE(main->runUntil([&] { return loader.inFlight() == 0; }));
    EXPECT_TRUE(thumb.cover().isNull());
    EXPECT_FALSE(fs::exists(CoverPhoto::url(p))) << "no cover is tried once the marker is there";
}

// Renders the list with projects in every section, light and dark, into docs/ when ORVANE_SCREENSHOTS
// is set.
TEST(ProjectsListView, screenshots) {
    if (!qEnvironmentVariableIsSet("ORVANE_SCREENSHOTS")) GTEST_SKIP() << "set ORVANE_SCREENSHOTS to write docs/";
    kit::installApplicationStyle();
    TempDir covers;
    // Two covers: warm and cool gradients standing in for photos.
    std::vector<fs::path> files;
    for (int i = 0; i < 2; ++i) {
        QImage image(320, 200, QImage::Format_RGB32);
        QPainter p(&image);
        QLinearGradient g(0, 0, 320, 200);
        g.setColorAt(0, i == 0 ? QColor(236, 180, 140) : QColor(120, 160, 210));
        g.setColorAt(1, i == 0 ? QColor(120, 70, 60) : QColor(40, 60, 90));
        p.fillRect(image.rect(), g);
        p.end();
        files.push_back(covers / ("cover" + std::to_string(i) + ".jpg"));
        image.save(QString::fromStdString(files.back().string()));
    }
    for (bool dark : {false, true}) {
        Project running = projectWith(26, 14, 2, "Nuntă Ioana și Radu");
        running.folder = "/media/foto/2026/Nunta Ioana si Radu";
        running.startedAt = at("2026-06-14T16:00:00Z");
        Project fresh = projectWith(120, 0, 0, "Botez Sofia");
        fresh.folder = "/media/foto/2026/Botez Sofia";
        Project finished = projectWith(0, 312, 0, "Cununie civilă Maria și Andrei");
        finished.folder = "/media/foto/2026/Cununie Maria Andrei";
        finished.startedAt = at("2026-06-01T10:00:00Z");
        finished.finishedAt = at("2026-06-01T11:30:00Z");
        Project exported = projectWith(0, 86, 1, "Sesiune foto de familie");
        exported.folder = "/media/foto/2026/Familie Popescu";
        exported.startedAt = at("2026-05-20T10:00:00Z");
        exported.finishedAt = at("2026-05-20T10:40:00Z");
        exported.exportedAt = at("2026-05-21T09:00:00Z");
        Project older = projectWith(0, 54, 0, "Majorat Alex");
        older.folder = "/media/foto/2026/Majorat";
        older.startedAt = at("2026-04-02T10:00:00Z");
        older.finishedAt = at("2026-04-02T10:20:00Z");
        older.exportedAt = at("2026-04-03T09:00:00Z");
        Screen s({running, fresh, finished, exported, older});
        const std::map<std::string, fs::path> coverOf = {{finished.name, files[0]}, {exported.name, files[1]}};
        CoverLoader::of(*s.app).setEnsure([coverOf](const Project& p) {
            const auto it = coverOf.find(p.name);
            return it == coverOf.end() ? std::optional<fs::path>() : std::optional<fs::path>(it->second);
        });
        kit::Appearance::instance().setOverride(dark);
        kit::AppBackdrop backdrop;
        backdrop.resize(1000, 760);
        s.view->setParent(&backdrop);
        s.view->setGeometry(0, 0, 1000, 760);
        s.view->listModel().setQuery("x");  // rebuilt, so the thumbnails ask the loader above
        s.view->listModel().setQuery("");
        backdrop.show();
        ASSERT_TRUE(QTest::qWaitFor([&] {
            return !s.row(finished.name)->thumb()->cover().isNull() && !s.row(exported.name)->thumb()->cover().isNull();
        }));
        s.view->listModel().enterRow(s.project(finished.name).id);  // the pointer over one row
        QTest::qWait(50);
        const QString path = QString(ORVANE_SOURCE_DIR) + "/docs/projects-list" + (dark ? "-dark" : "-light") + ".png";
        ASSERT_TRUE(backdrop.grab().save(path));
        s.view->setParent(s.window.get());
    }
    kit::Appearance::instance().setOverride(std::nullopt);
}

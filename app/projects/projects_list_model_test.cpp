// The projects list without widgets: categories, order, search, row texts, selection, rename and delete.
#include "app/projects/projects_list_model.h"

#include <gtest/gtest.h>

#include "app/kit/kit_settings.h"
#include "app/model/app_model.h"
#include "app/model/router.h"
#include "app/testing/scripted_dialogs.h"
#include "core/base/iso_date.h"
#include "testing/concurrency.h"
#include "testing/job_fixtures.h"
#include "testing/model_fixtures.h"
#include "testing/temp_dir.h"

using namespace orvane;
using namespace orvane::projects;
using namespace orvane::testing;
using model::Route;

namespace {

Date at(const char* iso) { return *IsoDate::parse(iso); }

Project dated(Project p, std::optional<Date> started, std::optional<Date> finished = {},
              std::optional<Date> exported = {}) {
    p.startedAt = started;
    p.finishedAt = finished;
    p.exportedAt = exported;
    return p;
}

std::vector<std::string> names(const std::vector<const Project*>& list) {
    std::vector<std::string> out;
    for (const Project* p : list) out.push_back(p->name);
    return out;
}

struct Harness {
    std::shared_ptr<ManualExecutor> main = std::make_shared<ManualExecutor>();
    std::shared_ptr<FileDefaults> defaults = std::make_shared<FileDefaults>();
    std::unique_ptr<model::AppModel> app;
    std::unique_ptr<model::Router> router;
    std::unique_ptr<ProjectsListModel> list;
    std::vector<std::shared_ptr<Gate>> gates;
    ScriptedDialogs dialogs;

    explicit Harness(std::vector<Project> projects = {}, int builtProfiles = 1) {
        freshDataDir();
        setUserDefaults(defaults);
        kit::KitSettings::instance().rebind(defaults);
        for (int i = 0; i < builtProfiles; ++i) builtProfile("Profil " + std::to_string(i));
        for (const Project& p : projects) p.save();
        app = std::make_unique<model::AppModel>(main, defaults, nullptr);
        router = std::make_unique<model::Router>(defaults);
        list = std::make_unique<ProjectsListModel>(*app, *router);
    }
    ~Harness() {
        for (auto& g : gates) g->open();
        for (const auto& [id, job] : app->jobs()) job->cancel();
        main->runUntil([&] {
            return std::none_of(app->jobs().begin(), app->jobs().end(),
                                [](const auto& e) { return Job::isRunInProgress(e.second->state()); });
        });
    }
    const Project& project(const std::string& name) const {
        for (const Project& p : app->projects())
            if (p.name == name) return p;
        throw std::runtime_error("no project " + name);
    }
    bool has(const std::string& name) const {
        return std::any_of(app->projects().begin(), app->projects().end(), [&](const Project& p) { return p.name == name; });
    }
    // A started job whose photos wait at a gate.
    std::shared_ptr<Job> running(const Project& p) {
        auto g = std::make_shared<Gate>();
        gates.push_back(g);
        auto j = Job::make(main, p, 1, false, Job::FileProcess([g](const std::filesystem::path& f) {
                               g->pass();
                               return resultFor(f);
                           }));
        app->registerJob(j);
        app->startJob(j);
        main->runReady();
        return j;
    }
    // Lets the model's deferred deletions and saves run.
    void settle() { main->runUntil([&] { return false; }, std::chrono::milliseconds(300)); }
};

}  // namespace

TEST(ProjectsList, categoriesFollowTheProjectsFieldsAlone) {
    struct Case {
        const char* name;
        Project project;
        ProjectFilter expected;
    };
    Project exportedWithPending = projectWith(2, 3);
    exportedWithPending.exportedAt = at("2026-03-01T10:00:00Z");
    const Case cases[] = {
        {"no photos", projectWith(0), ProjectFilter::active},
        {"pending photos", projectWith(1, 3), ProjectFilter::active},
        {"all done", projectWith(0, 3), ProjectFilter::finished},
        {"done and failed", projectWith(0, 2, 2), ProjectFilter::finished},
        {"all failed", projectWith(0, 0, 2), ProjectFilter::finished},
        {"exported, pending again", exportedWithPending, ProjectFilter::exported},
    };
    for (const Case& c : cases) EXPECT_EQ(projectCategory(c.project), c.expected) << c.name;
}

TEST(ProjectsList, filterTitlesAreTheirRawValuesExactly) {
    for (ProjectFilter f : {ProjectFilter::all, ProjectFilter::active, ProjectFilter::finished, ProjectFilter::exported})
        EXPECT_EQ(filterFromTitle(filterTitle(f)), f);
    EXPECT_EQ(filterTitle(ProjectFilter::active), QString::fromUtf8("În lucru"));
    EXPECT_EQ(filterFromTitle(QString::fromUtf8("în lucru")), std::nullopt);
    EXPECT_EQ(filterFromTitle(QString::fromUtf8("Terminate ")), std::nullopt);
}

TEST(ProjectsList, newestFirstTiesInNameOrderUndatedLast) {
    // The model's order is by name; the list's by date, stable.
    const std::vector<Project> all = {
        dated(projectWith(1, 0, 0, "A fără dată"), std::nullopt),
        dated(projectWith(1, 0, 0, "B pornit"), at("2026-01-05T10:00:00Z")),
        dated(projectWith(0, 2, 0, "C terminat"), at("2026-01-01T10:00:00Z"), at("2026-01-10T10:00:00Z")),
        dated(projectWith(0, 2, 0, "D exportat"), at("2026-01-01T10:00:00Z"), at("2026-01-20T10:00:00Z"),
              at("2026-01-02T10:00:00Z")),
        dated(projectWith(1, 0, 0, "E pornit"), at("2026-01-05T10:00:00Z")),
        dated(projectWith(1, 0, 0, "F fără dată"), std::nullopt),
    };
    EXPECT_EQ(names(visibleProjects(all, ProjectFilter::all, "")),
              (std::vector<std::string>{"C terminat", "B pornit", "E pornit", "D exportat", "A fără dată",
                                        "F fără dată"}))
        << "the export date counts for an exported project even with a later finish";

    const auto sections = projectSections(visibleProjects(all, ProjectFilter::all, ""));
    ASSERT_EQ(sections.size(), 3u);
    EXPECT_EQ(sections[0].category, ProjectFilter::active);
    EXPECT_EQ(names(sections[0].projects), (std::vector<std::string>{"B pornit", "E pornit", "A fără dată", "F fără dată"}));
    EXPECT_EQ(sections[1].category, ProjectFilter::finished);
    EXPECT_EQ(sections[2].category, ProjectFilter::exported);

    const auto onlyActive = projectSections(visibleProjects({all[0], all[1]}, ProjectFilter::all, ""));
    ASSERT_EQ(onlyActive.size(), 1u) << "empty sections are not shown";
    EXPECT_EQ(names(visibleProjects(all, ProjectFilter::finished, "")), (std::vector<std::string>{"C terminat"}));
}

TEST(ProjectsList, searchMatchesNameOrFolderIgnoringCaseAsTyped) {
    Project a = projectWith(1, 0, 0, "Nuntă Ana");
    a.folder = "/media/Foto/2026/Botez Ilinca";
    Project b = projectWith(1, 0, 0, "Sesiune");
    b.folder = "/media/Foto/Studio";
    const std::vector<Project> all = {a, b};
    struct Case {
        const char* query;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"", {"Nuntă Ana", "Sesiune"}},
        {"nuntă", {"Nuntă Ana"}},
        {"NUNTĂ ANA", {"Nuntă Ana"}},
        {"botez", {"Nuntă Ana"}},       // by its folder
        {"studio", {"Sesiune"}},
        {"foto", {"Nuntă Ana", "Sesiune"}},
        {" ", {"Nuntă Ana"}},           // only those with a space somewhere
        {"  ", {}},
        {"nunta", {}},                  // letters are not folded to their base
    };
    for (const Case& c : cases)
        EXPECT_EQ(names(visibleProjects(all, ProjectFilter::all, QString::fromUtf8(c.query))), c.expected) << c.query;
}

TEST(ProjectsList, rowSubtitleAndProgressFollowTheProject) {
    Harness h;
    Project p = projectWith(6, 3, 1, "Nuntă");
    p.folder = "/media/Foto/Nunta Ana/";
    EXPECT_EQ(projectSubtitle(p), QString::fromUtf8("10 fotografii · Nunta Ana")) << "no date: count and folder";
    EXPECT_EQ(progressText(p, ProjectFilter::active), QString("3/10"));
    EXPECT_DOUBLE_EQ(progressFraction(p), 0.4) << "done and failed both count on the bar";
    EXPECT_EQ(progressText(p, ProjectFilter::exported), std::nullopt);
    EXPECT_EQ(progressText(projectWith(5), ProjectFilter::active), std::nullopt) << "nothing processed yet";
    EXPECT_DOUBLE_EQ(progressFraction(projectWith(0)), 0.0);

    p.startedAt = at("2026-03-04T09:00:00Z");
    p.finishedAt = at("2026-03-05T12:00:00Z");
    p.exportedAt = at("2026-03-07T12:00:00Z");
    const QString ro = projectSubtitle(p);
    EXPECT_TRUE(ro.startsWith(QString::fromUtf8("10 fotografii · 7 mar"))) << ro.toStdString();
    EXPECT_TRUE(ro.endsWith(QString::fromUtf8("2026 · Nunta Ana"))) << ro.toStdString();

    h.defaults->set("language", "en");
    EXPECT_EQ(projectSubtitle(p), QString::fromUtf8("10 photos · Mar 7, 2026 · Nunta Ana"));
    h.defaults->set("language", "EN");
    EXPECT_TRUE(listDateText(*p.exportedAt).startsWith("7 ")) << "any other value is Romanian";
}

// The model's list is reread only after some changes; a run's end and an export are not among them.
// The sections follow each project's job.
TEST(ProjectsList, aProjectMovesToItsSectionWhenItsRunEndsAndWhenItIsExported) {
    Harness h({projectWith(2, 0, 0, "Nuntă")});
    auto sectionOf = [&] {
        const auto sections = h.list->sections();
        return sections.size() == 1 ? std::optional(sections.front().category) : std::nullopt;
    };
    auto job = h.running(h.project("Nuntă"));
    EXPECT_EQ(sectionOf(), ProjectFilter::active);
    h.gates[0]->open();
    ASSERT_TRUE(runUntilState(*h.main, *job, Job::State::finished));
    ASSERT_GT(h.project("Nuntă").pending(), 0u) << "the list still holds the project as it was created";
    EXPECT_EQ(sectionOf(), ProjectFilter::finished);
    job->markExported();
    EXPECT_EQ(sectionOf(), ProjectFilter::exported);
    EXPECT_EQ(h.list->project(job->project().id)->exportedAt, job->project().exportedAt);
}

TEST(ProjectsList, sectionLooksComeFromTheSection) {
    EXPECT_EQ(sectionLook(ProjectFilter::finished).symbol, "checkmark");
    EXPECT_EQ(sectionLook(ProjectFilter::finished).tint, kit::infoColor);
    EXPECT_EQ(sectionLook(ProjectFilter::exported).symbol, "arrow.up.doc.fill");
    EXPECT_EQ(sectionLook(ProjectFilter::exported).tint, kit::okColor);
    EXPECT_EQ(sectionLook(ProjectFilter::active).symbol, "photo.on.rectangle.angled");
    EXPECT_EQ(sectionLook(ProjectFilter::active).tint, kit::warnColor);
}

TEST(ProjectsList, hoverBelongsToOneRowAndALateLeaveDoesNotClearAnother) {
    Harness h({projectWith(1, 0, 0, "A"), projectWith(1, 0, 0, "B")});
    const Uuid a = h.project("A").id, b = h.project("B").id;
    h.list->enterRow(a);
    h.list->enterRow(b);
    h.list->leaveRow(a);
    EXPECT_EQ(h.list->hovered(), b);
    h.list->leaveRow(b);
    EXPECT_EQ(h.list->hovered(), std::nullopt);
}

TEST(ProjectsList, selectAllTakesHiddenProjectsAndTheButtonTurnsToDeselect) {
    Harness h({projectWith(1, 0, 0, "Nuntă"), projectWith(1, 0, 0, "Botez"), projectWith(1, 0, 0, "Studio")});
    h.list->startSelecting();
    EXPECT_EQ(h.list->selectionText(), "Alege proiecte");
    h.list->setQuery("nun");
    ASSERT_EQ(h.list->visible().size(), 1u);
    EXPECT_EQ(h.list->selectAllTitle(), QString::fromUtf8("Selectează tot"));
    h.list->toggleAll();
    EXPECT_EQ(h.list->selected().size(), 3u) << "hidden by the search, selected all the same";
    EXPECT_EQ(h.list->selectionText(), "3 selectate");
    EXPECT_EQ(h.list->selectAllTitle(), QString::fromUtf8("Deselectează tot"));
    h.list->toggleAll();
    EXPECT_TRUE(h.list->selected().empty());

    h.list->toggleSelection(h.project("Botez").id);
    h.list->endSelecting();
    h.list->startSelecting();
    EXPECT_TRUE(h.list->selected().empty()) << "\"Gata\" clears the selection";
}

TEST(ProjectsList, bulkDeleteSkipsBusyProjectsAndSaysHowMany) {
    Harness h({projectWith(3, 0, 0, "Nuntă"), projectWith(1, 0, 0, "Botez"), projectWith(1, 0, 0, "Studio")});
    auto job = h.running(h.project("Nuntă"));
    ASSERT_TRUE(Job::isRunInProgress(job->state()));
    h.list->startSelecting();
    h.list->toggleAll();

    h.list->deleteSelected();  // no answer scripted: "Anulează"
    ASSERT_EQ(h.dialogs.asked.size(), 1u);
    EXPECT_EQ(h.dialogs.asked[0].message, "Ștergi 2 proiecte?");
    EXPECT_EQ(h.dialogs.asked[0].informative, QString::fromUtf8("Valorile calculate se mută în Coș. RAW-urile și "
                                                                "XMP-urile exportate nu sunt atinse.\n1 proiecte în "
                                                                "lucru nu se șterg."));
    EXPECT_EQ(h.dialogs.asked[0].buttons, (QStringList{"Șterge", "Anulează"}));
    EXPECT_TRUE(h.list->selecting()) << "a cancelled delete stays in selection mode";
    EXPECT_EQ(h.list->selected().size(), 3u);

    h.dialogs.alertAnswers = {kit::CenteredAlert::firstButton};
    h.list->deleteSelected();
    h.settle();
    EXPECT_FALSE(h.list->selecting());
    EXPECT_TRUE(h.list->selected().empty());
    EXPECT_TRUE(h.has("Nuntă")) << "the running project stays";
    EXPECT_FALSE(h.has("Botez"));
    EXPECT_FALSE(h.has("Studio"));
}

TEST(ProjectsList, bulkDeleteOfOneNamesItAndOfOnlyBusyOnesAsksNothing) {
    Harness h({projectWith(3, 0, 0, "Nuntă"), projectWith(1, 0, 0, "Botez")});
    h.running(h.project("Nuntă"));
    h.list->startSelecting();
    h.list->toggleSelection(h.project("Nuntă").id);
    h.list->deleteSelected();
    EXPECT_TRUE(h.dialogs.asked.empty()) << "only busy projects: no alert";
    EXPECT_TRUE(h.list->selecting());
    EXPECT_EQ(h.list->selected().size(), 1u);

    h.list->toggleSelection(h.project("Botez").id);
    h.list->deleteSelected();
    ASSERT_EQ(h.dialogs.asked.size(), 1u);
    EXPECT_EQ(h.dialogs.asked[0].message, QString::fromUtf8("Ștergi proiectul „Botez”?"));
}

TEST(ProjectsList, inlineRenameTrimsAndCallsTheModelOnlyForARealChange) {
    Harness h({projectWith(1, 0, 0, "Nuntă"), projectWith(1, 0, 0, "Botez")});
    struct Case {
        const char* typed;
        const char* expected;  // the name afterwards
    };
    const Case cases[] = {
        {"  Nuntă  ", "Nuntă"},
        {"   ", "Nuntă"},
        {"", "Nuntă"},
        {"  Nuntă Ana  ", "Nuntă Ana"},
    };
    for (const Case& c : cases) {
        const Project p = h.has("Nuntă") ? h.project("Nuntă") : h.project("Nuntă Ana");
        h.list->beginRename(p);
        EXPECT_EQ(h.list->renamingID(), p.id);
        EXPECT_EQ(h.list->renameText().toStdString(), p.name);
        h.list->setRenameText(QString::fromUtf8(c.typed));
        h.list->commitRename(p);
        EXPECT_EQ(h.list->renamingID(), std::nullopt);
        EXPECT_TRUE(h.has(c.expected)) << c.typed;
    }
    // Another project's commit does nothing while this one is being renamed.
    h.list->beginRename(h.project("Botez"));
    h.list->setRenameText("Botez mic");
    h.list->commitRename(h.project("Nuntă Ana"));
    EXPECT_EQ(h.list->renamingID(), h.project("Botez").id);
    h.list->dismissRename();
    EXPECT_EQ(h.list->renameText(), "Botez mic") << "Escape keeps the text";
    EXPECT_TRUE(h.has("Botez"));
    h.list->beginRename(h.project("Botez"));
    h.list->setRenameText("Altceva");
    h.list->cancelRename(h.project("Botez"));
    EXPECT_EQ(h.list->renameText(), "Botez") << "the cross puts the name back";
    EXPECT_TRUE(h.has("Botez"));

    h.list->beginRename(h.project("Botez"));
    h.list->setRenameText("Botez Ioana");
    h.list->commitPendingRename();
    EXPECT_TRUE(h.has("Botez Ioana")) << "a click on the list applies it";
}

TEST(ProjectsList, renameFromTheSelectionNeedsExactlyOne) {
    Harness h({projectWith(1, 0, 0, "Nuntă"), projectWith(1, 0, 0, "Botez")});
    h.list->startSelecting();
    EXPECT_FALSE(h.list->canRenameSelected());
    h.list->toggleAll();
    EXPECT_FALSE(h.list->canRenameSelected());
    h.list->renameSelected();
    EXPECT_TRUE(h.list->selecting());
    h.list->toggleSelection(h.project("Nuntă").id);
    ASSERT_TRUE(h.list->canRenameSelected());
    h.list->renameSelected();
    EXPECT_FALSE(h.list->selecting());
    EXPECT_TRUE(h.list->selected().empty());
    EXPECT_EQ(h.list->renamingID(), h.project("Botez").id);
}

TEST(ProjectsList, rowActionsNavigateAndExportAfterOpening) {
    Harness h({projectWith(0, 2, 0, "Nuntă")});
    const Uuid id = h.project("Nuntă").id;
    h.list->requestExport(id);
    EXPECT_EQ(h.router->pendingExport(), id);
    EXPECT_EQ(h.router->route(), Route::project(id));
    h.list->openReedit(id);
    EXPECT_EQ(h.router->route(), Route::reedit(id));
    h.list->openProject(id);
    EXPECT_EQ(h.router->route(), Route::project(id));
}

TEST(ProjectsList, newProjectNeedsABuiltProfile) {
    Harness none({}, 0);
    EXPECT_FALSE(none.list->canCreateProject());
    none.list->newProject();
    EXPECT_TRUE(none.router->showNewProfile()) << "the empty card leads to a profile first";
    Harness built({}, 1);
    EXPECT_TRUE(built.list->canCreateProject());
    built.list->newProject();
    EXPECT_TRUE(built.router->showQuickEdit());
}

TEST(ProjectsList, singleDeleteAsksWithTheProjectsName) {
    Harness h({projectWith(1, 0, 0, "Nuntă")});
    h.list->confirmDelete(h.project("Nuntă"));
    ASSERT_EQ(h.dialogs.asked.size(), 1u);
    EXPECT_EQ(h.dialogs.asked[0].message, QString::fromUtf8("Ștergi proiectul „Nuntă”?"));
    h.settle();
    EXPECT_TRUE(h.has("Nuntă"));
    h.dialogs.alertAnswers = {kit::CenteredAlert::firstButton};
    h.list->confirmDelete(h.project("Nuntă"));
    h.settle();
    EXPECT_FALSE(h.has("Nuntă"));
}

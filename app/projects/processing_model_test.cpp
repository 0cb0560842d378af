#include "app/projects/processing_model.h"

#include <gtest/gtest.h>

#include "app/options/option_settings.h"
#include "app/projects/processing_world.h"
#include "core/catalog/catalog_backups.h"
#include "testing/catalog_builder.h"
#include "testing/catalog_project.h"
#include "testing/job_fixtures.h"
#include "testing/temp_dir.h"
#include "testing/romanian_locale.h"

using namespace orvane;
using namespace orvane::projects;
using namespace std::chrono_literals;
using orvane::testing::projectWith;
using State = Job::State;
using K = kit::StatusKind;

namespace {

JobFacts facts(State s, int done, int failed, int pending, bool queued = false, bool extra = false) {
    JobFacts f;
    f.state = s;
    f.done = done;
    f.failed = failed;
    f.pending = pending;
    f.total = done + failed + pending;
    f.queued = queued;
    f.extra = extra;
    return f;
}

ProcessingServices quietServices(std::vector<std::function<void()>>* work = nullptr) {
    ProcessingServices s;
    s.background = [work](ProcessingServices::Work w) {
        if (work) work->push_back(std::move(w));
        else w();
    };
    s.exportedPaths = [](const std::filesystem::path&, const std::set<std::string>&) {
        return std::optional<std::set<std::string>>();
    };
    s.openFolder = [](const std::filesystem::path&) {};
    return s;
}

}  // namespace

TEST(ProcessingStatus, pillFollowsTheFirstRuleThatApplies) {
    struct Row {
        const char* name;
        JobFacts facts;
        PillSpec pill;
    };
    const Row rows[] = {
        {"extra status in any state", facts(State::paused, 3, 0, 2, true, true), {"Analizez", "wand.and.stars", K::accent}},
        {"queued", facts(State::idle, 3, 1, 2, true), {QString::fromUtf8("În așteptare"), "clock", K::accent}},
        {"idle, processed", facts(State::idle, 1, 0, 4), {QString::fromUtf8("Întrerupt"), "circle.dashed", K::neutral}},
        {"idle, only failed", facts(State::idle, 0, 1, 4), {QString::fromUtf8("Întrerupt"), "circle.dashed", K::neutral}},
        {"idle, new", facts(State::idle, 0, 0, 5), {QString::fromUtf8("Gata de procesare"), "circle.dashed", K::neutral}},
        {"running", facts(State::running, 1, 0, 4), {QString::fromUtf8("Se procesează"), "bolt.fill", K::accent}},
        {"pausing", facts(State::pausing, 1, 0, 4),
         {QString::fromUtf8("Se termină fotografiile începute"), "hourglass", K::warn}},
        {"cancelling", facts(State::cancelling, 1, 0, 4),
         {QString::fromUtf8("Se termină fotografiile începute"), "hourglass", K::warn}},
        {"paused", facts(State::paused, 1, 0, 4), {QString::fromUtf8("Pauză"), "pause.fill", K::warn}},
        {"cancelled", facts(State::cancelled, 1, 0, 4), {QString::fromUtf8("Anulat"), "xmark", K::bad}},
    };
    for (const Row& r : rows) EXPECT_EQ(statusPill(r.facts, "Analizez"), r.pill) << r.name;
}

TEST(ProcessingStatus, actionRowPerState) {
    using M = ActionRow::Main;
    struct Row {
        const char* name;
        JobFacts facts;
        ActionRow row;
    };
    const Row rows[] = {
        {"idle new", facts(State::idle, 0, 0, 5), {M::start, true, false, true, false}},
        {"idle new, nothing pending", facts(State::idle, 0, 0, 0), {M::start, false, false, true, false}},
        {"idle interrupted", facts(State::idle, 2, 0, 3), {M::resume, true, true, true, false}},
        {"idle interrupted, all done", facts(State::idle, 5, 0, 0), {M::resume, false, true, true, false}},
        {"interrupted with failures only", facts(State::idle, 0, 2, 3), {M::resume, true, false, true, true}},
        {"re-edit waits for the status line", facts(State::idle, 2, 0, 3, false, true), {M::resume, true, true, false, false}},
        {"running", facts(State::running, 2, 1, 3), {M::pauseCancel, true, false, true, false}},
        {"pausing", facts(State::pausing, 2, 1, 3), {M::spinner, true, false, true, false}},
        {"paused", facts(State::paused, 2, 1, 3), {M::resumeCancel, true, false, true, true}},
        {"cancelled", facts(State::cancelled, 2, 1, 3), {M::resume, true, true, true, true}},
        {"queued, failures too", facts(State::idle, 2, 1, 3, true), {M::dequeue, true, false, true, false}},
        {"queued while cancelled", facts(State::cancelled, 0, 0, 3, true), {M::dequeue, true, false, true, false}},
    };
    for (const Row& r : rows) EXPECT_EQ(actionRow(r.facts), r.row) << r.name;
}

TEST(ProcessingStatus, ringFractionDividesByOneBelowTwoPhotos) {
    EXPECT_DOUBLE_EQ(ringFraction(facts(State::idle, 0, 0, 0)), 0.0);
    EXPECT_DOUBLE_EQ(ringFraction(facts(State::idle, 1, 0, 0)), 1.0);
    EXPECT_DOUBLE_EQ(ringFraction(facts(State::idle, 0, 1, 0)), 1.0);
    EXPECT_DOUBLE_EQ(ringFraction(facts(State::running, 1, 1, 2)), 0.5);
}

TEST(ProcessingStatus, learnedExportsOfferNeedsTwoEqualCountsAndFiveNewOnes) {
    struct Row {
        std::size_t exported, lastSeen;
        std::int64_t learned;
        std::size_t dismissed;
        int offer;
    };
    const Row rows[] = {
        {7, 7, 0, 0, 7},  {7, 4, 0, 0, 0},  {4, 4, 0, 0, 0},  {11, 11, 0, 7, 0},
        {12, 12, 0, 7, 5}, {24, 24, 20, 0, 0}, {25, 25, 20, 0, 5}, {25, 25, 3, 21, 0},
    };
    for (const Row& r : rows)
        EXPECT_EQ(newExportCount(r.exported, r.lastSeen, r.learned, r.dismissed), r.offer)
            << r.exported << " " << r.lastSeen << " " << r.learned << " " << r.dismissed;
}

TEST(ProcessingStatus, intervalShowsADashForAMissingDate) {
    orvane::testing::RomanianLocale ro;
    const Date start = IsoDate::parse("2026-03-07T10:15:30Z").value();
    const QString both = intervalText(start, start + 90s, false);
    EXPECT_TRUE(both.contains(QString::fromUtf8(" → "))) << both.toStdString();
    EXPECT_FALSE(both.contains(QString::fromUtf8("—")));
    EXPECT_TRUE(intervalText(std::nullopt, start, false).startsWith(QString::fromUtf8("— → ")));
    EXPECT_TRUE(intervalText(start, std::nullopt, true).endsWith(QString::fromUtf8(" → —")));
}

TEST(ProcessingModel, startEditingStartsAtOnceWithOptionsOrWhenOptionsAreNotToBeAsked) {
    struct Case {
        const char* name;
        std::optional<Json> openOptionsOnStart;
        bool hasOptions;
        bool sheet;
    };
    const Case cases[] = {
        {"stored false", Json(false), false, false},
        {"absent", std::nullopt, false, true},
        {"true", Json(true), false, true},
        {"a text", Json("false"), false, true},
        {"options already in the project", Json(true), true, false},
    };
    for (const Case& c : cases) {
        projects::testing::ProcessingWorld w;
        if (c.openOptionsOnStart) w.defaults->set(options::keys::openOptionsOnStart, *c.openOptionsOnStart);
        w.defaults->set(options::keys::noise, true);
        w.defaults->set(options::keys::straighten, true);
        Project p = projectWith(3);
        if (c.hasOptions) p.straightenRequested = false;
        auto job = w.add(p, orvane::testing::resultFor);
        ProcessingModel m(*w.app, *w.router, job, quietServices());
        m.startEditing();
        EXPECT_EQ(m.showing(ProcessingModel::Sheet::start), c.sheet) << c.name;
        EXPECT_EQ(job->state() == State::running, !c.sheet) << c.name;
        if (!c.sheet && !c.hasOptions) {
            EXPECT_EQ(job->project().straightenRequested, std::optional<bool>(true)) << c.name;
            EXPECT_EQ(job->project().noiseReduction, std::optional<bool>(true)) << c.name;
        }
        if (c.hasOptions) {
            EXPECT_EQ(job->project().straightenRequested, std::optional<bool>(false)) << c.name;
        }
        job->cancel();
        w.runUntil([&] { return !Job::isRunInProgress(job->state()); });
    }
}

TEST(ProcessingModel, autoStartIsTakenOnceAndOnlyForAnUntouchedIdleJob) {
    projects::testing::ProcessingWorld w;
    w.defaults->set(options::keys::openOptionsOnStart, false);
    auto fresh = w.add(projectWith(2), orvane::testing::resultFor);
    auto touched = w.add(projectWith(2, 1), orvane::testing::resultFor);
    w.router->setAutoStart(touched->project().id);
    ProcessingModel other(*w.app, *w.router, fresh, quietServices());
    other.appeared();
    EXPECT_EQ(w.router->autoStart(), touched->project().id) << "another project's request is left alone";
    ProcessingModel m(*w.app, *w.router, touched, quietServices());
    m.appeared();
    EXPECT_FALSE(w.router->autoStart());
    EXPECT_EQ(touched->state(), State::idle) << "a processed project does not start by itself";
    w.router->setAutoStart(fresh->project().id);
    ProcessingModel again(*w.app, *w.router, fresh, quietServices());
    again.appeared();
    EXPECT_EQ(fresh->state(), State::running);
    w.runUntil([&] { return fresh->state() == State::finished; });
}

TEST(ProcessingModel, aPendingExportWaitsOnlyForAJobThatWillFinish) {
    struct Case {
        const char* name;
        Project project;
        bool start;
        bool queued;
        bool keeps;
    };
    projects::testing::ProcessingWorld w;
    const Case cases[] = {
        {"idle with pending photos", projectWith(2, 3), false, false, false},
        {"cancelled", projectWith(2, 3), false, false, false},
        {"running", projectWith(40, 3), true, false, true},
        {"queued", projectWith(2, 3), false, true, true},
    };
    for (const Case& c : cases) {
        auto job = w.add(c.project, orvane::testing::resultFor);
        if (std::string(c.name) == "cancelled") {
            job->start();
            job->cancel();
            w.runUntil([&] { return job->state() == State::cancelled; });
        }
        if (c.start) job->start();
        w.app->setQueued(c.queued ? model::UuidList{job->project().id} : model::UuidList{});
        w.router->setPendingExport(job->project().id);
        ProcessingModel m(*w.app, *w.router, job, quietServices());
        m.appeared();
        EXPECT_EQ(w.router->pendingExport().has_value(), c.keeps) << c.name;
        EXPECT_FALSE(job->extraStatus()) << c.name << ": nothing exported yet";
        job->cancel();
        w.runUntil([&] { return !Job::isRunInProgress(job->state()); });
        w.router->setPendingExport(std::nullopt);
        w.app->setQueued({});
    }
}

TEST(ProcessingModel, aPendingExportStartsOnceWhenTheRunFinishes) {
    projects::testing::ProcessingWorld w;
    int prepared = 0;
    w.app->setPrepareAnalysis([&](Job&, Job::Done done) {
        ++prepared;
        done();
    });
    auto job = w.add(projectWith(3), orvane::testing::resultFor);
    w.router->setPendingExport(job->project().id);
    ProcessingModel m(*w.app, *w.router, job, quietServices());
    job->start();
    m.appeared();
    ASSERT_TRUE(w.router->pendingExport());
    // The project has no profile: the delivery stops with its error, and the status line is cleared.
    w.runUntil([&] { return job->state() == State::finished && !job->extraStatus() && prepared >= 2; });
    EXPECT_FALSE(w.router->pendingExport());
    EXPECT_EQ(prepared, 2) << "once for the finished run, once for the export";
    EXPECT_FALSE(m.exportMessage());
    EXPECT_TRUE(w.app->error().has_value());
}

TEST(ProcessingModel, theExportStatusLineIsClearedAlsoWhenTheScreenWentAway) {
    projects::testing::ProcessingWorld w;
    Job::Done held;
    w.app->setPrepareAnalysis([&](Job&, Job::Done done) { held = std::move(done); });
    auto job = w.add(projectWith(0, 3));
    auto m = std::make_unique<ProcessingModel>(*w.app, *w.router, job, quietServices());
    m->startExport();
    w.turn();
    EXPECT_EQ(job->extraStatus(), std::optional<std::string>("Se pregătește exportul…"));
    EXPECT_FALSE(m->exportEnabled()) << "a second export cannot start";
    EXPECT_FALSE(m->learnEnabled());
    m.reset();
    ASSERT_TRUE(held);
    held();
    w.runUntil([&] { return !job->extraStatus(); });
    EXPECT_FALSE(job->extraStatus());
}

TEST(ProcessingModel, aSecondFailedSaveRaisesTheErrorAlert) {
    projects::testing::ProcessingWorld w;
    auto job = Job::make(w.main, projectWith(2, 1), 1, true, Job::FileProcess{});
    int writes = 0;
    job->setWriteSnapshot([&](std::string_view, const std::filesystem::path&) {
        ++writes;
        throw std::runtime_error("Discul e plin.");
    });
    w.app->registerJob(job);
    job->rename("Alt nume");
    w.runUntil([&] { return job->saveError().has_value(); });
    w.app->setError(std::nullopt);
    ProcessingModel m(*w.app, *w.router, job, quietServices());
    ASSERT_TRUE(m.saveError());
    const int before = writes;
    m.retrySave();
    w.runUntil([&] { return w.app->error().has_value(); });
    EXPECT_GT(writes, before);
    EXPECT_TRUE(m.saveError()) << "the card stays";
}

TEST(ProcessingModel, theLearnOfferFollowsTwoEqualRefreshesOnTheVirtualClock) {
    projects::testing::ProcessingWorld w;
    Project p = projectWith(0, 12);
    p.catalogPath = "/nonexistent/Nunta.lrcat";
    auto job = w.add(p);
    // Finish the job the ordinary way: a run over nothing pending ends finished.
    job->start();
    w.runUntil([&] { return job->state() == State::finished; });

    std::size_t exportedNow = 7;
    int reads = 0;
    ProcessingServices s = quietServices();
    s.exportedPaths = [&](const std::filesystem::path& catalog, const std::set<std::string>& among) {
        ++reads;
        EXPECT_EQ(catalog, "/nonexistent/Nunta.lrcat");
        std::set<std::string> out;
        for (const auto& path : among)
            if (out.size() < exportedNow) out.insert(path);
        return std::optional<std::set<std::string>>(out);
    };
    ProcessingModel m(*w.app, *w.router, job, s);
    w.turn();
    EXPECT_EQ(reads, 1) << "the first refresh follows at once";
    EXPECT_EQ(m.newExportCount(), 0) << "one refresh is not enough";
    w.main->advance(29s);
    EXPECT_EQ(reads, 1);
    w.main->advance(1s);
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(m.newExportCount(), 7);
    EXPECT_EQ(m.bannerText(), QString::fromUtf8("7 fotografii exportate din Lightroom. Învață din ele?"));
    m.dismissBanner();
    EXPECT_EQ(m.newExportCount(), 0);
    exportedNow = 11;
    w.main->advance(30s);
    w.main->advance(30s);
    EXPECT_EQ(m.newExportCount(), 0) << "four more are not worth asking";
    exportedNow = 12;
    w.main->advance(30s);
    EXPECT_EQ(m.newExportCount(), 0) << "the count moved";
    w.main->advance(30s);
    EXPECT_EQ(m.newExportCount(), 5) << "the new ones beyond the dismissed count";
    EXPECT_EQ(m.bannerText(), QString::fromUtf8("12 fotografii exportate din Lightroom. Învață din ele?"));
    m.learnedFromExports(12);
    EXPECT_EQ(m.newExportCount(), 0);
}

TEST(ProcessingModel, aFolderProjectNeverReadsExports) {
    projects::testing::ProcessingWorld w;
    auto job = w.add(projectWith(0, 9));
    job->start();
    w.runUntil([&] { return job->state() == State::finished; });
    int reads = 0;
    ProcessingServices s = quietServices();
    s.exportedPaths = [&](const std::filesystem::path&, const std::set<std::string>&) {
        ++reads;
        return std::optional<std::set<std::string>>();
    };
    ProcessingModel m(*w.app, *w.router, job, s);
    w.turn();
    w.main->advance(90s);
    m.refreshExports();
    EXPECT_EQ(reads, 0);
    EXPECT_EQ(m.newExportCount(), 0);
}

TEST(ProcessingModel, finishedResultTexts) {
    projects::testing::ProcessingWorld w;
    Project p = projectWith(0, 3, 2);
    p.photos[0].exposure = -1.0;
    p.photos[1].exposure = 0.99;
    p.photos[2].exposure = 1.4;
    auto job = w.add(p);
    ProcessingModel m(*w.app, *w.router, job, quietServices());
    EXPECT_EQ(m.elapsedText(), QString::fromUtf8("Terminat"));
    EXPECT_EQ(m.resultSubtitle(), QString::fromUtf8("3 fotografii editate · 2 erori"));
    EXPECT_EQ(m.bigCount(), 2) << "-1.0 counts, 0.99 does not";
    EXPECT_EQ(m.profileName(), QString::fromUtf8("lipsă"));
    const auto rows = m.failedRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].error, QString::fromUtf8("decodare eșuată"));
    auto clean = w.add(projectWith(0, 2));
    ProcessingModel c(*w.app, *w.router, clean, quietServices());
    EXPECT_EQ(c.resultSubtitle(), QString::fromUtf8("2 fotografii editate · fără erori"));
}

TEST(ProcessingModel, exportingACatalogProjectWritesTheCatalogAndShowsTheSummary) {
    projects::testing::ProcessingWorld w;
    orvane::testing::TempDir dir;
    const std::filesystem::path catalog = dir / "Nunta.lrcat";
    Project p = orvane::testing::catalogProject(catalog, 3);
    p.profileID = w.deliverableProfile().id;
    int prepared = 0;
    w.app->setPrepareAnalysis([&](Job&, Job::Done done) {
        ++prepared;
        done();
    });
    auto job = w.add(p);
    ProcessingModel m(*w.app, *w.router, job, quietServices());
    m.startExport();
    ASSERT_TRUE(w.runUntil([&] { return !job->extraStatus(); }));
    CatalogWriter::drainBackups();
    EXPECT_EQ(prepared, 1);
    EXPECT_FALSE(w.app->error()) << *w.app->error();
    ASSERT_TRUE(m.exportMessage());
    EXPECT_TRUE(m.exportMessage()->startsWith(QString::fromUtf8("3 fotografii scrise în catalog")))
        << m.exportMessage()->toStdString();
    EXPECT_TRUE(job->project().exportedAt.has_value());
    // The delivery reopened Lightroom on the catalog; the screen opens nothing more.
    ASSERT_EQ(w.host->opened.size(), 1u);
    EXPECT_EQ(w.host->opened[0], std::optional<std::filesystem::path>(catalog));
}

#include "app/model/app_model.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>

#include "app/model/qt_main_executor.h"
#include "core/store/store.h"
#include "testing/concurrency.h"
#include "testing/job_fixtures.h"

using namespace orvane;
using namespace orvane::model;
using namespace orvane::testing;
using namespace std::chrono_literals;
using State = Job::State;

namespace {

// Counts what the model asked of the keep-awake service; the counters outlive the fake.
struct KeepAwakeLog {
    int begun = 0;
    int held = 0;
    std::vector<std::string> reasons;
};

class FakeKeepAwake final : public platform::KeepAwake {
public:
    explicit FakeKeepAwake(std::shared_ptr<KeepAwakeLog> log) : log_(std::move(log)) {}
    std::unique_ptr<Token> begin(const std::string& reason) override {
        ++log_->begun;
        ++log_->held;
        log_->reasons.push_back(reason);
        return std::make_unique<FakeToken>(log_);
    }

private:
    struct FakeToken final : Token {
        explicit FakeToken(std::shared_ptr<KeepAwakeLog> log) : log(std::move(log)) {}
        ~FakeToken() override { --log->held; }
        std::shared_ptr<KeepAwakeLog> log;
    };
    std::shared_ptr<KeepAwakeLog> log_;
};

struct Harness {
    std::shared_ptr<ManualExecutor> main = std::make_shared<ManualExecutor>();
    std::shared_ptr<FileDefaults> defaults = std::make_shared<FileDefaults>();
    std::shared_ptr<KeepAwakeLog> log = std::make_shared<KeepAwakeLog>();
    std::shared_ptr<Gate> gate = std::make_shared<Gate>();  // for work a test holds by hand
    std::map<const Job*, std::shared_ptr<Gate>> gates;      // each job's photos wait at their own
    std::unique_ptr<AppModel> model;

    Harness() { model = std::make_unique<AppModel>(main, defaults, std::make_unique<FakeKeepAwake>(log)); }
    ~Harness() {
        gate->open();
        for (auto& [job, g] : gates) g->open();
    }

    // A registered job in the given state; the photos of its run stay at its gate.
    std::shared_ptr<Job> jobIn(State state, std::optional<Project> project = std::nullopt, std::string name = "Proiect") {
        if (!project) project = state == State::finished ? projectWith(0, 2, 0, name) : projectWith(2, 0, 0, name);
        auto g = std::make_shared<Gate>();
        auto j = Job::make(main, std::move(*project), 1, false, Job::FileProcess([g](const std::filesystem::path& f) {
                               g->pass();
                               return resultFor(f);
                           }));
        gates[j.get()] = g;
        model->registerJob(j);
        if (state == State::idle || state == State::finished) return j;
        j->start();
        main->runReady();
        if (state == State::pausing) j->pause();
        if (state == State::cancelling) j->cancel();
        if (state == State::paused || state == State::cancelled) {
            state == State::paused ? j->pause() : j->cancel();
            g->release(1);
            EXPECT_TRUE(main->runUntil([&] { return j->state() == state; }));
        }
        EXPECT_EQ(j->state(), state);
        return j;
    }
    std::shared_ptr<Job> jobIn(State state, std::string name) { return jobIn(state, std::nullopt, std::move(name)); }
    void tick() { main->advance(AppModel::keepAwakeInterval); }
};

std::vector<std::string> namesOf(const std::vector<std::shared_ptr<Job>>& jobs) {
    std::vector<std::string> out;
    for (auto& j : jobs) out.push_back(j->project().name);
    return out;
}

void saveCatalog(const std::string& name) {
    TrainingCatalog c;
    c.id = Uuid::random();
    c.name = name;
    c.source = "/nonexistent/" + name + ".lrcat";
    c.imported = ManualExecutor::defaultStart();
    Store::save(c, c.file());
}

Profile saveProfile(const std::string& name) {
    Profile p;
    p.id = Uuid::random();
    p.name = name;
    p.presetName = "Neutru";
    p.save();
    return p;
}

}  // namespace

TEST(AppModel, reloadReadsTheDataDirectoryInItsOrder) {
    freshDataDir();
    for (auto name : {"b", "A", "a"}) saveCatalog(name);
    saveProfile("Nunți");
    Project kept = projectWith(1, 0, 0, "Botez");
    kept.save();
    Project removed = projectWith(1, 0, 0, "Cununie");
    removed.save();

    Harness h;  // construction reads the directory once
    std::vector<std::string> catalogs;
    for (auto& c : h.model->catalogs()) catalogs.push_back(c.name);
    EXPECT_EQ(catalogs, (std::vector<std::string>{"A", "a", "b"}));
    ASSERT_EQ(h.model->profiles().size(), 1u);
    EXPECT_EQ(h.model->projects().size(), 2u);

    std::vector<std::string> told;
    QObject::connect(h.model.get(), &AppModel::catalogsChanged, [&] { told.push_back("catalogs"); });
    QObject::connect(h.model.get(), &AppModel::profilesChanged, [&] { told.push_back("profiles"); });
    QObject::connect(h.model.get(), &AppModel::projectsChanged, [&] { told.push_back("projects"); });
    std::filesystem::remove_all(removed.dir());
    h.model->reload();
    EXPECT_EQ(told, (std::vector<std::string>{"catalogs", "profiles", "projects"}));
    ASSERT_EQ(h.model->projects().size(), 1u);
    EXPECT_EQ(h.model->projects()[0].id, kept.id);
}

TEST(AppModel, reloadReplacesTheSnapshotsButNotTheJobs) {
    freshDataDir();
    Project p = projectWith(2, 0, 0, "Nuntă");
    p.save();
    Harness h;
    auto job = h.jobIn(State::running, p);
    h.model->setQueued({p.id});
    h.model->setError("Eroare veche");

    Project renamed = p;
    renamed.name = "Nuntă redenumită";
    renamed.save();
    h.model->reload();
    EXPECT_EQ(h.model->projects().at(0).name, "Nuntă redenumită");
    EXPECT_EQ(h.model->jobs().size(), 1u);
    EXPECT_EQ(h.model->jobs().begin()->second, job);
    EXPECT_EQ(job->state(), State::running);
    EXPECT_EQ(job->project().name, "Nuntă");  // the job's own copy
    EXPECT_EQ(h.model->queued(), (UuidList{p.id}));
    EXPECT_EQ(h.model->error(), "Eroare veche");
}

TEST(AppModel, activeJobsAndHasActiveJobFollowTheJobsState) {
    freshDataDir();
    struct Case {
        const char* name;
        State state;
        bool queued;
        bool status;
        bool listed;
        bool active;
    };
    const std::vector<Case> cases = {
        {"idle", State::idle, false, false, false, false},
        {"idle and queued", State::idle, true, false, true, false},
        {"running", State::running, false, false, true, true},
        {"pausing", State::pausing, false, false, true, true},
        {"paused", State::paused, false, false, true, false},
        {"cancelling", State::cancelling, false, false, true, true},
        {"cancelled", State::cancelled, false, false, false, false},
        {"finished", State::finished, false, false, false, false},
        {"finished with a status line", State::finished, false, true, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        auto job = h.jobIn(c.state);
        if (c.queued) h.model->setQueued({job->project().id});
        if (c.status) job->setExtraStatus("Analizez fotografiile", 0.5);
        EXPECT_EQ(h.model->activeJobs().size(), c.listed ? 1u : 0u);
        EXPECT_EQ(h.model->hasActiveJob(), c.active);
    }
}

TEST(AppModel, activeJobsAreSortedByProjectNameInByteOrder) {
    freshDataDir();
    Harness h;
    h.jobIn(State::paused, "b");
    h.jobIn(State::running, "A");
    h.jobIn(State::paused, "a");
    h.jobIn(State::idle, "Z");  // not listed
    EXPECT_EQ(namesOf(h.model->activeJobs()), (std::vector<std::string>{"A", "a", "b"}));
}

TEST(AppModel, keepAwakeIsHeldOnceWhileBusyAndReleasedWithinOneTick) {
    freshDataDir();
    Harness h;
    auto job = h.jobIn(State::running);
    EXPECT_EQ(h.log->begun, 0);  // nothing before the first check
    h.tick();
    EXPECT_EQ(h.log->held, 1);
    EXPECT_TRUE(h.model->isKeepingAwake());
    EXPECT_EQ(h.log->reasons, std::vector<std::string>{"Vendrel procesează fotografii"});
    h.tick();
    EXPECT_EQ(h.log->begun, 1);  // two busy checks, one activity

    job->pause();
    h.gates[job.get()]->open();
    ASSERT_TRUE(h.main->runUntil([&] { return job->state() == State::paused; }, 20s, false));
    h.tick();
    EXPECT_EQ(h.log->held, 0);
    EXPECT_FALSE(h.model->isKeepingAwake());
}

TEST(AppModel, keepAwakeFollowsTheSettingEvenWhileAJobRuns) {
    freshDataDir();
    Harness h;
    h.jobIn(State::running);
    h.defaults->set("keepAwake", false);
    h.tick();
    h.tick();
    EXPECT_EQ(h.log->begun, 0);

    h.defaults->set("keepAwake", "false");  // not a boolean: the default, on
    h.tick();
    EXPECT_EQ(h.log->held, 1);
    h.defaults->set("keepAwake", false);
    h.tick();
    EXPECT_EQ(h.log->held, 0);
}

TEST(AppModel, keepAwakeCountsBuildsAndSecondPassesAsWork) {
    freshDataDir();
    struct Case {
        const char* name;
        std::function<void(Harness&)> setUp;
        bool awake;
    };
    const std::vector<Case> cases = {
        {"nothing", [](Harness&) {}, false},
        {"paused job", [](Harness& h) { h.jobIn(State::paused); }, false},
        {"queued idle job",
         [](Harness& h) {
             auto j = h.jobIn(State::idle);
             h.model->setQueued({j->project().id});
         },
         false},
        {"profile build", [](Harness& h) { h.model->setProfileBuild(ProfileBuildStatus{}); }, true},
        {"finished job showing its analysis status",
         [](Harness& h) { h.jobIn(State::finished)->setExtraStatus("Analizez 1/2", 0.5); }, true},
        {"finished job in its analysis pass",
         [](Harness& h) {
             auto j = h.jobIn(State::finished);
             AnalysisRequest r;
             r.straighten = true;
             j->runAnalysis(r, 1, [gate = h.gate](const std::filesystem::path&) -> std::optional<PhotoAnalysis> {
                 gate->pass();
                 return std::nullopt;
             }, nullptr, nullptr);
         },
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        c.setUp(h);
        h.tick();
        EXPECT_EQ(h.model->isKeepingAwake(), c.awake);
        EXPECT_EQ(h.log->held, c.awake ? 1 : 0);
    }

    // The build's end lets the computer sleep at the next check.
    Harness h;
    h.model->setProfileBuild(ProfileBuildStatus{});
    h.tick();
    h.model->setProfileBuild(std::nullopt);
    h.main->advance(AppModel::keepAwakeInterval - 1ms);
    EXPECT_EQ(h.log->held, 1);
    h.main->advance(1ms);
    EXPECT_EQ(h.log->held, 0);
}

TEST(AppModel, projectChangesAreRefusedWhileTheJobWritesTheProject) {
    freshDataDir();
    Harness h;
    EXPECT_FALSE(AppModel::refusesProjectChange(*h.jobIn(State::paused)));
    EXPECT_TRUE(AppModel::refusesProjectChange(*h.jobIn(State::running)));
    auto finished = h.jobIn(State::finished);
    EXPECT_FALSE(AppModel::refusesProjectChange(*finished));
    finished->setExtraStatus("Analizez");
    EXPECT_TRUE(AppModel::refusesProjectChange(*finished));
    finished->setExtraStatus(std::nullopt);
    finished->runAnalysis(AnalysisRequest{}, 1, [gate = h.gate](const std::filesystem::path&) {
        gate->pass();
        return std::optional<PhotoAnalysis>();
    }, nullptr, nullptr);
    EXPECT_TRUE(AppModel::refusesProjectChange(*finished));  // in flight, before any status line
}

TEST(AppModel, currentIsTheLiveModelAndItsTimerDoesNotKeepItAlive) {
    freshDataDir();
    auto main = std::make_shared<ManualExecutor>();
    auto log = std::make_shared<KeepAwakeLog>();
    {
        AppModel model(main, std::make_shared<FileDefaults>(), std::make_unique<FakeKeepAwake>(log));
        EXPECT_EQ(AppModel::current(), &model);
        model.setProfileBuild(ProfileBuildStatus{});
    }
    EXPECT_EQ(AppModel::current(), nullptr);
    EXPECT_EQ(main->pendingTimers(), 1u);
    main->advance(AppModel::keepAwakeInterval * 2);  // the check finds no model and stops
    EXPECT_EQ(main->pendingTimers(), 0u);
    EXPECT_EQ(log->begun, 0);
}

TEST(ProfileBuildStatus, phaseTextsAndEqualityWithoutNameAndToken) {
    using Phase = ProfileBuilder::Phase;
    EXPECT_EQ(phaseText(Phase::features(3, 120)), QString::fromUtf8("Trăsături 3/120"));
    EXPECT_EQ(phaseText(Phase::evaluation(2, 4)), QString::fromUtf8("Validare 2/4"));
    EXPECT_EQ(phaseText(Phase::training()), QString::fromUtf8("Antrenare model final"));

    ProfileBuildStatus a;
    a.profileID = Uuid::random();
    a.name = "Nunți";
    ProfileBuildStatus b = a;
    b.name = "Alt nume";
    b.cancel = std::make_shared<ProfileBuilder::CancelToken>();
    EXPECT_EQ(a, b);
    for (auto change : std::vector<std::function<void(ProfileBuildStatus&)>>{
             [](auto& s) { s.phase = Phase::training(); }, [](auto& s) { s.stopping = true; },
             [](auto& s) { s.note = "Caut catalogul…"; }, [](auto& s) { s.started += 1s; },
             [](auto& s) { s.profileID = Uuid::random(); }}) {
        ProfileBuildStatus c = a;
        change(c);
        EXPECT_NE(a, c);
    }
}

TEST(QtMainExecutor, runsPostsAndDelaysOnTheApplicationThread) {
    QtMainExecutor main;
    EXPECT_TRUE(main.isMainThread());
    std::atomic<bool> fromWorker{false};
    bool onMain = false;
    int order = 0, delayedAt = 0, postedAt = 0;
    std::thread worker([&] {
        EXPECT_FALSE(main.isMainThread());
        main.postAfter(30ms, [&] { delayedAt = ++order; });
        main.post([&] {
            onMain = main.isMainThread();
            postedAt = ++order;
            fromWorker = true;
        });
    });
    worker.join();
    QElapsedTimer timer;
    timer.start();
    while (delayedAt == 0 && timer.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_TRUE(fromWorker);
    EXPECT_TRUE(onMain);
    EXPECT_EQ(postedAt, 1);
    EXPECT_EQ(delayedAt, 2);
    EXPECT_GE(timer.elapsed(), 25);
}

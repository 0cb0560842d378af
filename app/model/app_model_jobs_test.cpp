#include <gtest/gtest.h>

#include <mutex>
#include <stdexcept>

#include "app/model/app_model.h"
#include "app/model/list_order.h"
#include "core/store/store.h"
#include "testing/concurrency.h"
#include "testing/job_fixtures.h"
#include "testing/temp_dir.h"

using namespace orvane;
using namespace orvane::model;
using namespace orvane::testing;
using namespace std::chrono_literals;
using State = Job::State;
using Authorization = platform::NotificationCenter::Authorization;

namespace {

// What the fake centre and attention saw; shared, since answers may come on other threads.
struct NotificationLog {
    std::mutex mutex;
    Authorization authorization = Authorization::authorized;
    int asked = 0;
    std::vector<platform::NotificationCenter::Request> posted;
    int beeps = 0;
    int attentions = 0;
};

class FakeCenter final : public platform::NotificationCenter {
public:
    explicit FakeCenter(std::shared_ptr<NotificationLog> log) : log_(std::move(log)) {}
    void authorization(std::function<void(Authorization)> done) override {
        Authorization a;
        {
            std::lock_guard lock(log_->mutex);
            ++log_->asked;
            a = log_->authorization;
        }
        done(a);
    }
    void add(const Request& request) override {
        std::lock_guard lock(log_->mutex);
        log_->posted.push_back(request);
    }

private:
    std::shared_ptr<NotificationLog> log_;
};

class FakeAttention final : public platform::Attention {
public:
    explicit FakeAttention(std::shared_ptr<NotificationLog> log) : log_(std::move(log)) {}
    void beep() override { ++log_->beeps; }
    void requestAttention() override { ++log_->attentions; }

private:
    std::shared_ptr<NotificationLog> log_;
};

struct FakeMachine final : platform::MachineInfo {
    std::uint64_t memory = 16ull << 30;
    int performance = 8;
    int efficiency = 2;
    int usable = 64;
    Thermal thermal = Thermal::nominal;
    bool lowPower = false;
    std::uint64_t physicalMemory() const override { return memory; }
    int performanceCores() const override { return performance; }
    int efficiencyCores() const override { return efficiency; }
    int usableProcessors() const override { return usable; }
    Thermal thermalState() const override { return thermal; }
    bool lowPowerMode() const override { return lowPower; }
};

struct Harness {
    std::shared_ptr<ManualExecutor> main = std::make_shared<ManualExecutor>();
    std::shared_ptr<FileDefaults> defaults = std::make_shared<FileDefaults>();
    std::shared_ptr<NotificationLog> log = std::make_shared<NotificationLog>();
    std::shared_ptr<FakeMachine> machine = std::make_shared<FakeMachine>();
    std::map<const Job*, std::shared_ptr<Gate>> gates;  // each job's photos wait at their own
    std::vector<Job::Done> preparing;                   // second passes the test ends by hand
    std::vector<std::string> prepared;
    std::unique_ptr<AppModel> model;

    // With `realSecondPass` the model keeps its own second analysis pass; otherwise the test ends each
    // pass by hand.
    explicit Harness(bool realSecondPass = false) {
        model = std::make_unique<AppModel>(main, defaults, nullptr);
        model->setMachineInfo(machine);
        model->setNotifications(std::make_shared<FakeCenter>(log), std::make_shared<FakeAttention>(log));
        if (realSecondPass) return;
        model->setPrepareAnalysis([this](Job& job, Job::Done done) {
            prepared.push_back(job.project().name);
            preparing.push_back(std::move(done));
        });
    }
    std::size_t postedCount() {
        std::lock_guard lock(log->mutex);
        return log->posted.size();
    }
    ~Harness() {
        for (auto& [job, g] : gates) g->open();
    }

    // A registered job whose photos wait at its own gate; a persistent one writes its project file.
    std::shared_ptr<Job> job(Project project, bool persist = false) {
        auto g = std::make_shared<Gate>();
        auto j = Job::make(main, std::move(project), 1, persist, Job::FileProcess([g](const std::filesystem::path& f) {
                               g->pass();
                               return resultFor(f);
                           }));
        gates[j.get()] = g;
        model->registerJob(j);
        return j;
    }
    std::shared_ptr<Job> job(const std::string& name, int pending = 2, int done = 0) {
        return job(projectWith(pending, done, 0, name));
    }
    std::shared_ptr<Job> running(const std::string& name) {
        auto j = job(name);
        model->startJob(j);
        main->runReady();
        EXPECT_EQ(j->state(), State::running);
        return j;
    }
    // Lets every photo of the job through and runs until its run has ended (its follow-up may still wait).
    void finish(const std::shared_ptr<Job>& j) {
        gates[j.get()]->open();
        EXPECT_TRUE(main->runUntil([&] { return !Job::isRunInProgress(j->state()); }));
    }
    void endPreparing() {
        auto waiting = std::move(preparing);
        preparing.clear();
        for (auto& done : waiting) done();
        main->runReady();
    }
};

}  // namespace

TEST(AppModelJobs, startWhileAnotherRunsQueuesOnceAndTheRunningJobNever) {
    freshDataDir();
    Harness h;
    auto a = h.running("A");
    auto b = h.job("B");
    for (int i = 0; i < 3; ++i) h.model->startJob(b);
    EXPECT_EQ(h.model->queued(), (UuidList{b->project().id}));
    EXPECT_EQ(b->state(), State::idle);
    h.model->startJob(a);
    EXPECT_EQ(h.model->queued(), (UuidList{b->project().id}));
    EXPECT_EQ(h.model->activeJobs().size(), 2u);  // the queued idle job is shown as activity

    h.model->dequeue(*b);
    EXPECT_TRUE(h.model->queued().empty());
}

TEST(AppModelJobs, theNextQueuedJobStartsOnlyAfterTheFinishedJobsFollowUp) {
    freshDataDir();
    Harness h;
    auto a = h.running("Nuntă");
    auto b = h.job("Botez");
    h.model->startJob(b);
    h.finish(a);
    EXPECT_EQ(a->state(), State::finished);
    ASSERT_EQ(h.prepared, std::vector<std::string>{"Nuntă"});
    h.main->runReady();
    EXPECT_EQ(b->state(), State::idle);  // the second pass still runs
    EXPECT_TRUE(h.log->posted.empty());

    h.endPreparing();
    EXPECT_EQ(b->state(), State::running);
    EXPECT_TRUE(h.model->queued().empty());
    ASSERT_EQ(h.log->posted.size(), 1u);
    EXPECT_EQ(h.log->posted[0].title, "Nuntă");
    EXPECT_EQ(h.log->posted[0].body, "Editarea s-a terminat: 2 fotografii.");
    EXPECT_TRUE(h.log->posted[0].sound);

    h.finish(b);
    h.endPreparing();
    ASSERT_EQ(h.log->posted.size(), 2u);
    EXPECT_NE(h.log->posted[0].identifier, h.log->posted[1].identifier);
}

TEST(AppModelJobs, theQueueSkipsDeletedFinishedAndEmptyProjects) {
    freshDataDir();
    TempDir home;
    ScopedEnv xdg("XDG_DATA_HOME", (home / "share").string());
    Harness h;
    auto a = h.running("A");
    Project gone = projectWith(2, 0, 0, "Șters");
    gone.save();
    auto deleted = h.job(gone);
    auto finished = h.job("Terminat", 0, 2);
    auto empty = h.job(projectWith(0, 0, 1, "Doar eșuate"));
    auto next = h.job("Următor");
    for (auto& j : {deleted, finished, empty, next}) h.model->startJob(j);
    ASSERT_EQ(h.model->queued().size(), 4u);

    h.model->deleteProject(gone);
    h.main->runReady();
    EXPECT_EQ(h.model->jobs().count(gone.id), 0u);
    EXPECT_EQ(h.model->queued().size(), 4u);  // its entry stays until its turn

    a->pause();  // a paused job stops too, and lets the queue go on
    h.gates[a.get()]->open();
    ASSERT_TRUE(h.main->runUntil([&] { return a->state() == State::paused; }));
    EXPECT_EQ(next->state(), State::running);
    EXPECT_EQ(finished->state(), State::finished);
    EXPECT_EQ(empty->state(), State::finished);
    EXPECT_TRUE(h.model->queued().empty());

    // Started again while the other job runs, the paused job waits in the queue.
    h.model->startJob(a);
    EXPECT_EQ(a->state(), State::paused);
    EXPECT_EQ(h.model->queued(), (UuidList{a->project().id}));
}

TEST(AppModelJobs, aJobWithoutABuiltProfileFailsEveryPhotoWithTheProfileText) {
    freshDataDir();
    TempDir empty;
    PredictorCache cache;
    const std::optional<std::filesystem::path> none;
    for (const auto& dir : {none, std::optional<std::filesystem::path>(empty.path())}) {
        try {
            AppModel::processForJob("/nonexistent/a.dng", AnalysisRequest{}, dir, cache, Uuid::random(), false, false);
            ADD_FAILURE() << "no error";
        } catch (const AppModel::NoProfileModelError& e) {
            EXPECT_STREQ(e.what(), "Profilul proiectului nu are model construit.");
            EXPECT_EQ(AppModel::NoProfileModelError::code, 260);
        }
    }

    Harness h;
    Project p = projectWith(3, 0, 0, "Fără profil");  // its profile is not among the profiles
    auto job = h.model->makeJob(p);
    EXPECT_EQ(h.model->makeJob(p), job);
    h.model->startJob(job);
    ASSERT_TRUE(h.main->runUntil([&] { return !Job::isRunInProgress(job->state()); }));
    for (const auto& photo : job->project().photos) {
        EXPECT_EQ(photo.status, PhotoItem::Status::failed);
        EXPECT_EQ(photo.error, "Profilul proiectului nu are model construit.");
    }
}

TEST(AppModelJobs, smartPreviewsAreTheDngFilesInsideACatalogsPreviewFolder) {
    struct Case {
        const char* path;
        bool preview;
    };
    for (const Case& c : std::vector<Case>{
             {"/p/Catalog Smart Previews.lrdata/0/01/IMG_1.dng", true},
             {"/p/Catalog Smart Previews.lrdata/0/01/IMG_1.DNG", true},
             {"/p/Catalog Smart Previews.lrdata/0/01/IMG_1.Dng", true},
             {"/p/shoot/IMG_1.DNG", false},
             {"/p/Catalog Smart Previews.lrdata/0/01/IMG_1.jpg", false},
             {"/p/Catalog.lrdata", false},
         }) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(AppModel::isSmartPreview(c.path), c.preview);
    }
}

TEST(AppModelJobs, renameTrimsIgnoresBlanksAndTheListShowsTheNameBeforeTheSaveLands) {
    freshDataDir();
    Project withJob = projectWith(1, 0, 0, "Cu job");
    Project without = projectWith(1, 0, 0, "Fără job");
    withJob.save();
    without.save();
    Harness h;
    h.model->reload();
    auto job = h.model->makeJob(withJob);

    auto nameIn = [&](const Uuid& id) {
        for (const auto& p : h.model->projects())
            if (p.id == id) return p.name;
        return std::string("?");
    };
    h.model->renameProject(without, " \n ");
    EXPECT_EQ(nameIn(without.id), "Fără job");
    h.model->renameProject(without, "  Botez\n");
    EXPECT_EQ(nameIn(without.id), "Botez");
    EXPECT_EQ(Store::load<Project>(without.dir() / "project.json").name, "Botez");

    h.model->renameProject(withJob, "\tNuntă  ");
    EXPECT_EQ(job->project().name, "Nuntă");
    EXPECT_EQ(nameIn(withJob.id), "Nuntă");  // before the debounced save
    EXPECT_EQ(Store::load<Project>(withJob.dir() / "project.json").name, "Cu job");
    h.model->reload();  // another change reloads the list before the save lands
    EXPECT_EQ(nameIn(withJob.id), "Nuntă") << "the job's unsaved name, not the disk's";
    h.main->advance(Job::saveDebounce);
    ASSERT_TRUE(h.main->runUntil([&] { return !job->isSaving(); }));
    EXPECT_EQ(Store::load<Project>(withJob.dir() / "project.json").name, "Nuntă");
    EXPECT_FALSE(h.model->error());
}

TEST(AppModelJobs, deleteTakesAPausedJobRefusesARunningOneAndKeepsAProjectItCannotFlush) {
    freshDataDir();
    TempDir home;
    ScopedEnv xdg("XDG_DATA_HOME", (home / "share").string());
    Harness h;
    Project pausedProject = projectWith(2, 0, 0, "Pauză");
    Project runningProject = projectWith(2, 0, 0, "Rulează");
    Project stuckProject = projectWith(2, 0, 0, "Blocat");
    for (auto* p : {&pausedProject, &runningProject, &stuckProject}) p->save();
    h.model->reload();

    auto paused = h.job(pausedProject);
    h.model->startJob(paused);
    h.main->runReady();
    paused->pause();
    h.gates[paused.get()]->open();
    ASSERT_TRUE(h.main->runUntil([&] { return paused->state() == State::paused; }));
    h.model->deleteProject(pausedProject);
    h.main->runReady();
    EXPECT_FALSE(std::filesystem::exists(pausedProject.dir()));
    EXPECT_EQ(h.model->jobs().count(pausedProject.id), 0u);
    EXPECT_EQ(h.model->projects().size(), 2u);

    auto running = h.running("Rulează");
    h.model->deleteProject(running->project());
    h.main->runReady();
    EXPECT_TRUE(h.model->jobs().count(running->project().id));

    auto stuck = h.model->makeJob(stuckProject);
    stuck->setWriteSnapshot(
        [](std::string_view, const std::filesystem::path&) { throw std::runtime_error("disc plin"); });
    stuck->rename("Blocat tot");
    h.model->deleteProject(stuckProject);
    ASSERT_TRUE(h.main->runUntil([&] { return h.model->error().has_value(); }));
    EXPECT_NE(h.model->error()->find("disc plin"), std::string::npos) << *h.model->error();
    EXPECT_TRUE(std::filesystem::exists(stuckProject.dir()));
    EXPECT_EQ(h.model->jobs().count(stuckProject.id), 1u);
}

TEST(AppModelJobs, setProfileOnlyReplacesAnUntouchedIdleJob) {
    freshDataDir();
    Harness h;
    const Uuid other = Uuid::random();
    auto withResult = h.job("Cu rezultat", 1, 1);
    h.model->setProfile(other, withResult);
    auto running = h.running("Rulează");
    h.model->setProfile(other, running);
    h.main->runReady();
    EXPECT_EQ(h.model->jobs().at(withResult->project().id), withResult);
    EXPECT_NE(withResult->project().profileID, other);
    EXPECT_NE(running->project().profileID, other);

    Project fresh = projectWith(2, 0, 0, "Nou");
    fresh.save();
    h.model->reload();
    auto job = h.model->makeJob(fresh);
    h.model->startJob(job);  // queued behind the running job
    ASSERT_EQ(h.model->queued().size(), 1u);
    h.model->setProfile(other, job);
    ASSERT_TRUE(h.main->runUntil([&] { return h.model->jobs().count(fresh.id) == 0; }));
    EXPECT_TRUE(h.model->queued().empty());
    auto remade = h.model->makeJob(h.model->projects().at(0));
    EXPECT_NE(remade, job);
    EXPECT_EQ(remade->project().profileID, other);
}

TEST(AppModelJobs, switchProfileRemakesTheJobAndRefusesWhileItWrites) {
    freshDataDir();
    Harness h;
    const Uuid other = Uuid::random();
    auto running = h.running("Rulează");
    h.model->switchProfile(other, running);
    h.main->runReady();
    EXPECT_EQ(h.model->jobs().at(running->project().id), running);
    EXPECT_NE(running->project().profileID, other);

    Project done = projectWith(0, 2, 0, "Gata");
    done.save();
    h.model->reload();
    auto old = h.model->makeJob(done);
    old->setExtraStatus("Analizez 1/2", 0.5);  // a second pass still writes the project
    h.model->switchProfile(other, old);
    EXPECT_NE(old->project().profileID, other);
    old->setExtraStatus(std::nullopt);

    h.model->switchProfile(other, old);
    ASSERT_TRUE(h.main->runUntil([&] { return h.model->jobs().at(done.id) != old; }));
    auto remade = h.model->jobs().at(done.id);
    EXPECT_EQ(remade->project().profileID, other);
    EXPECT_EQ(remade->project().pending(), 2u);
    EXPECT_EQ(remade->state(), State::idle);
    EXPECT_EQ(h.model->queued(), (UuidList{done.id}));  // the other job still runs
}

// Whether a job ever entered a run, told by its own state changes.
struct RunWatch {
    std::shared_ptr<bool> ran = std::make_shared<bool>(false);
    explicit RunWatch(Job& job) {
        job.observe([ran = ran, &job](Job::Property p) {
            if (p == Job::Property::state && Job::isRunInProgress(job.state())) *ran = true;
        });
    }
};

// The profile change waits for the job's save (150 ms and the write). Neither the queue nor the user
// may start the job meanwhile: the job would run on, dropped from the table, beside the one made for
// the new profile.
TEST(AppModelJobs, aJobWhoseProfileChangeIsBeingWrittenCannotBeStartedMeanwhile) {
    freshDataDir();
    const Uuid other = Uuid::random();
    for (const bool switchProfile : {false, true}) {
        SCOPED_TRACE(switchProfile ? "switchProfile of a processed project" : "setProfile of a queued project");
        Harness h;
        auto a = h.running("Rulează");
        Project project = switchProfile ? projectWith(0, 2, 0, "Gata") : projectWith(2, 0, 0, "Nou");
        project.save();
        h.model->reload();
        auto old = h.job(project, true);
        RunWatch watch(*old);
        if (switchProfile) {
            h.model->switchProfile(other, old);
        } else {
            h.model->startJob(old);  // queued behind the running job
            h.model->setProfile(other, old);
        }
        ASSERT_TRUE(old->isSaving());  // the change is on its way to the disk

        // Before the write lands the running job stops, which moves the queue, and the user presses start.
        a->pause();
        h.gates[a.get()]->open();
        ASSERT_TRUE(h.main->runUntil([&] { return a->state() == State::paused; }, 20s, false));
        h.model->startJob(old);
        h.main->runReady();
        EXPECT_FALSE(*watch.ran);
        EXPECT_FALSE(h.model->hasActiveJob());

        h.main->advance(Job::saveDebounce);
        ASSERT_TRUE(h.main->runUntil([&] {
            const auto found = h.model->jobs().find(project.id);
            return found == h.model->jobs().end() || found->second != old;
        }));
        EXPECT_FALSE(*watch.ran);
        EXPECT_EQ(old->state(), State::idle);
        EXPECT_EQ(Store::load<Project>(project.dir() / "project.json").profileID, other);
        const auto remade = h.model->jobs().find(project.id);
        if (switchProfile) {
            // The project's only job is the new one, started now that nothing else runs.
            ASSERT_NE(remade, h.model->jobs().end());
            EXPECT_EQ(remade->second->project().profileID, other);
            EXPECT_NE(remade->second->state(), State::idle);
        } else {
            EXPECT_EQ(remade, h.model->jobs().end());
            EXPECT_TRUE(h.model->queued().empty());
        }
    }
}

// A delivery that began while the change was written keeps the job until it ends: the change takes
// effect in the step that finds the job idle.
TEST(AppModelJobs, aProfileChangeWaitsForADeliveryThatBeganMeanwhile) {
    freshDataDir();
    Harness h;
    const Uuid other = Uuid::random();
    Project project = projectWith(0, 2, 0, "Gata");
    project.save();
    h.model->reload();
    auto old = h.job(project, true);
    h.model->switchProfile(other, old);
    old->setExtraStatus("Se pregătește exportul…", 0.01);
    h.main->advance(Job::saveDebounce);
    ASSERT_TRUE(h.main->runUntil([&] { return !old->isSaving(); }, 20s, false));
    h.main->advance(4 * Job::saveDebounce);
    EXPECT_EQ(h.model->jobs().at(project.id), old);
    EXPECT_TRUE(h.model->isChanging(project.id));

    old->setExtraStatus(std::nullopt);
    ASSERT_TRUE(h.main->runUntil([&] { return h.model->jobs().at(project.id) != old; }));
    EXPECT_FALSE(h.model->isChanging(project.id));
    EXPECT_EQ(h.model->jobs().at(project.id)->project().profileID, other);
}

// Deleting a queued project waits for its job's save. Started meanwhile by the queue (or, without a
// job yet, made and started by the user), a job would write the project's folder back after it went
// to the trash, and the project would return to the list.
TEST(AppModelJobs, aProjectBeingDeletedCannotBeStartedMeanwhileAndStaysDeleted) {
    freshDataDir();
    TempDir home;
    ScopedEnv xdg("XDG_DATA_HOME", (home / "share").string());
    for (const bool hasJob : {true, false}) {
        SCOPED_TRACE(hasJob ? "a queued job with an unsaved rename" : "no job until the user starts one");
        Harness h;
        auto a = h.running("Rulează");
        Project project = projectWith(2, 0, 0, "Șters");
        project.save();
        h.model->reload();
        std::shared_ptr<Job> job;
        std::optional<RunWatch> watch;
        if (hasJob) {
            job = h.job(project, true);
            watch.emplace(*job);
            h.model->startJob(job);  // queued behind the running job
            job->rename("Șters azi");
            h.model->deleteProject(project);
            a->pause();  // the queue moves on before the rename is written
            h.gates[a.get()]->open();
            ASSERT_TRUE(h.main->runUntil([&] { return a->state() == State::paused; }, 20s, false));
        } else {
            a->pause();
            h.gates[a.get()]->open();
            ASSERT_TRUE(h.main->runUntil([&] { return a->state() == State::paused; }, 20s, false));
            h.model->deleteProject(project);
            job = h.job(project, true);
            watch.emplace(*job);
            h.model->startJob(job);
        }
        h.main->runReady();
        EXPECT_FALSE(*watch->ran);
        EXPECT_FALSE(h.model->hasActiveJob());

        h.main->advance(Job::saveDebounce);
        ASSERT_TRUE(h.main->runUntil([&] { return h.model->jobs().count(project.id) == 0; }));
        // Everything the job could still do happens after the deletion: its photos pass, its saves are written.
        h.gates[job.get()]->open();
        ASSERT_TRUE(h.main->runUntil([&] { return !Job::isRunInProgress(job->state()) && !job->isSaving(); }));
        h.main->advance(Job::saveDebounce);
        ASSERT_TRUE(h.main->runUntil([&] { return !job->isSaving(); }));
        EXPECT_FALSE(*watch->ran);
        EXPECT_FALSE(std::filesystem::exists(project.dir()));
        h.model->reload();
        for (const Project& p : h.model->projects()) EXPECT_NE(p.id, project.id);
        EXPECT_FALSE(h.model->error()) << *h.model->error();
    }
}

TEST(AppModelJobs, theFinishedNotificationFollowsTheSettingAndThePermission) {
    freshDataDir();
    struct Case {
        const char* name;
        std::optional<bool> notifyDone;
        Authorization authorization;
        std::size_t posted;
        int beeps;
    };
    const std::vector<Case> cases = {
        {"absent setting, authorized", std::nullopt, Authorization::authorized, 1, 0},
        {"provisional", true, Authorization::provisional, 1, 0},
        {"denied", true, Authorization::denied, 0, 1},
        {"not determined", std::nullopt, Authorization::notDetermined, 0, 1},
        {"ephemeral", true, Authorization::ephemeral, 0, 1},
        {"switched off", false, Authorization::authorized, 0, 0},
        {"switched off and denied", false, Authorization::denied, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        if (c.notifyDone) h.defaults->set("notifyDone", *c.notifyDone);
        h.log->authorization = c.authorization;
        auto j = h.running("Nuntă");
        h.finish(j);
        h.endPreparing();
        EXPECT_EQ(h.prepared.size(), 1u);  // the second pass runs whatever the setting
        EXPECT_EQ(h.log->posted.size(), c.posted);
        EXPECT_EQ(h.log->beeps, c.beeps);
        EXPECT_EQ(h.log->attentions, c.beeps);
        EXPECT_EQ(h.log->asked, c.notifyDone == false ? 0 : 1);
    }
}

// The application's own second pass: the straightening the project asks for and its photos lack runs
// after the run, with its status line, and the notification follows once the status is cleared.
TEST(AppModelJobs, aFinishedJobRunsTheAnalysesItsProjectStillNeedsBeforeItsNotification) {
    freshDataDir();
    Harness h(true);
    Project project = projectWith(2, 0, 0, "Nuntă");
    project.straightenRequested = true;
    auto j = h.job(project);
    std::vector<std::pair<std::string, std::size_t>> statuses;  // with the notifications posted by then
    j->observe([&](Job::Property p) {
        if (p == Job::Property::extraStatus) statuses.emplace_back(j->extraStatus().value_or("-"), h.postedCount());
    });
    h.model->startJob(j);
    h.finish(j);
    ASSERT_TRUE(h.main->runUntil([&] { return h.postedCount() == 1; }));

    EXPECT_EQ(statuses, (std::vector<std::pair<std::string, std::size_t>>{
                            {"Pregătesc analiza fotografiilor…", 0},
                            {"Analizez fotografiile 1 din 2", 0},
                            {"Analizez fotografiile 2 din 2", 0},
                            {"-", 0},
                        }));
    EXPECT_TRUE(j->project().straightenedAt);
    EXPECT_TRUE(j->project().layoutAnalyzedAt);
    EXPECT_FALSE(j->isAnalysing());
    EXPECT_EQ(h.log->posted[0].title, "Nuntă");
    EXPECT_EQ(h.log->posted[0].body, "Editarea s-a terminat: 2 fotografii.");
}

TEST(AppModelJobs, workerPolicyIsWrittenAtEveryStartAndQueuedJobsKeepIt) {
    freshDataDir();
    Harness h;  // 16 GiB, 8 + 2 cores: fast 10, automatic 9
    auto a = h.job("A");
    EXPECT_EQ(a->workers(), 1);  // made by hand
    Project p = projectWith(1, 0, 0, "B");
    h.defaults->set("workers", 0);
    EXPECT_EQ(h.model->makeJob(p)->workers(), 9);

    struct Case {
        const char* name;
        std::optional<bool> prioritize;
        std::optional<int> workers;
        int expected;
        bool high;
    };
    for (const Case& c : std::vector<Case>{
             {"nothing set", std::nullopt, std::nullopt, 9, false},
             {"negative workers", false, -3, 9, false},
             {"forty workers", false, 40, 40, false},
             {"beyond the cap", false, 1000, 64, false},
             {"editing first", true, 40, 10, true},
         }) {
        SCOPED_TRACE(c.name);
        h.defaults->remove("prioritizeEditing");
        h.defaults->remove("workers");
        if (c.prioritize) h.defaults->set("prioritizeEditing", *c.prioritize);
        if (c.workers) h.defaults->set("workers", *c.workers);
        a->setHighPriority(!c.high);
        h.model->applyWorkerPolicy(*a);
        EXPECT_EQ(a->workers(), c.expected);
        EXPECT_EQ(a->highPriority(), c.high);
        EXPECT_EQ(h.model->configuredWorkerCount(), c.expected);
    }

    h.defaults->remove("prioritizeEditing");
    h.defaults->remove("workers");
    auto running = h.running("C");
    auto queued = h.job("D");
    h.model->startJob(queued);
    EXPECT_EQ(queued->workers(), 9);
    h.defaults->set("workers", 3);
    running->pause();
    h.finish(running);
    EXPECT_EQ(queued->state(), State::running);
    EXPECT_EQ(queued->workers(), 9);
}

TEST(ListOrder, namesAndRecentActivity) {
    freshDataDir();
    for (const char* name : {"b", "z", "Ș", "B"}) {
        TrainingCatalog c;
        c.id = Uuid::random();
        c.name = name;
        c.source = std::string("/nonexistent/") + name + ".lrcat";
        c.imported = ManualExecutor::defaultStart();
        Store::save(c, c.file());
    }
    Harness h;
    std::vector<std::string> names;
    for (const auto& c : h.model->catalogs()) names.push_back(c.name);
    EXPECT_EQ(names, (std::vector<std::string>{"B", "b", "z", "Ș"}));

    h.running("Nuntă");
    h.model->startJob(h.job("Botez"));  // queued behind the first
    std::vector<std::string> active;
    for (const auto& j : h.model->activeJobs()) active.push_back(j->project().name);
    EXPECT_EQ(active, (std::vector<std::string>{"Botez", "Nuntă"}));

    const Date today = ManualExecutor::defaultStart();
    const Date yesterday = today - 24h;
    auto project = [](std::string name, std::optional<Date> exported, std::optional<Date> finished,
                      std::optional<Date> started) {
        Project p = projectWith(0, 0, 0, std::move(name));
        p.exportedAt = exported;
        p.finishedAt = finished;
        p.startedAt = started;
        return p;
    };
    std::vector<std::string> order;
    for (const auto& p : byRecentActivity({
             project("fără date 1", std::nullopt, std::nullopt, std::nullopt),
             project("exportat ieri, terminat azi", yesterday, today, std::nullopt),
             project("început azi", std::nullopt, std::nullopt, today),
             project("fără date 2", std::nullopt, std::nullopt, std::nullopt),
             project("terminat ieri", std::nullopt, yesterday, std::nullopt),
         }))
        order.push_back(p.name);
    EXPECT_EQ(order, (std::vector<std::string>{"început azi", "exportat ieri, terminat azi", "terminat ieri",
                                               "fără date 1", "fără date 2"}));
}

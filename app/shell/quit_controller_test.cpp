#include "app/shell/quit_controller.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <mutex>

#include "app/shell/content_view.h"
#include "app/shell/shell_fixtures.h"
#include "core/base/atomic_file.h"
#include "core/catalog/catalog_backups.h"
#include "testing/concurrency.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

using namespace orvane;
using namespace orvane::shell;
using namespace orvane::testing;
using State = Job::State;

namespace {

// What the jobs wrote, in order; a job's writes fail while its switch is on.
struct WriteLog {
    std::mutex mutex;
    std::vector<std::string> writers;
};

struct FakeJob {
    std::shared_ptr<Job> job;
    std::shared_ptr<Gate> gate = std::make_shared<Gate>();
    std::shared_ptr<std::atomic<bool>> failing = std::make_shared<std::atomic<bool>>(false);
};

struct QuitHarness : shell::testing::App {
    std::shared_ptr<WriteLog> log = std::make_shared<WriteLog>();
    int finished = 0;
    QuitController quit{[this] { ++finished; }};

    // A registered job running its first photo, which waits at the job's gate.
    FakeJob runningJob(const std::string& name) {
        FakeJob f;
        auto gate = f.gate;
        f.job = Job::make(main, projectWith(4, 0, 0, name), 1, true, Job::FileProcess([gate](const std::filesystem::path& p) {
                              gate->pass();
                              return resultFor(p);
                          }));
        f.job->setWriteSnapshot([log = log, failing = f.failing, name](std::string_view, const std::filesystem::path&) {
            if (*failing) throw std::runtime_error("discul este plin");
            std::lock_guard lock(log->mutex);
            log->writers.push_back(name);
        });
        model->registerJob(f.job);
        gates.push_back(f.gate);
        f.job->start();
        EXPECT_TRUE(QTest::qWaitFor([&] { return f.gate->entered() >= 1; }, 10000));
        return f;
    }
    std::vector<std::string> writers() {
        std::lock_guard lock(log->mutex);
        return log->writers;
    }
    // The two jobs in the order the quit handles them.
    std::pair<FakeJob, FakeJob> twoJobs() {
        FakeJob a = runningJob("Nuntă A");
        FakeJob b = runningJob("Nuntă B");
        if (model->jobs().begin()->second != a.job) std::swap(a, b);
        return {a, b};
    }
    std::vector<std::shared_ptr<Gate>> gates;
    ~QuitHarness() {
        for (auto& gate : gates) gate->open();
        for (auto& [id, job] : model->jobs()) job->cancel();
        (void)QTest::qWaitFor([&] {
            for (auto& [id, job] : model->jobs())
                if (Job::isRunInProgress(job->state()) || job->isSaving()) return false;
            return true;
        }, 10000);
    }
};

int donePhotos(const Job& job) {
    int n = 0;
    for (const auto& p : job.project().photos) n += p.status == PhotoItem::Status::done;
    return n;
}

TEST(QuitController, pausesAndSavesEveryJobOneAfterAnotherBeforeTheProcessEnds) {
    QuitHarness h;
    auto [first, second] = h.twoJobs();
    h.quit.requestQuit();
    h.quit.requestQuit();  // a second request while the first is prepared adds nothing
    EXPECT_TRUE(h.quit.terminating());

    // The second job is asked to pause only once the first is paused and saved.
    std::optional<bool> firstDoneWhenSecondAsked;
    second.job->observe([&, first = first.job, second = second.job](Job::Property p) {
        if (p == Job::Property::state && second->state() == State::pausing && !firstDoneWhenSecondAsked)
            firstDoneWhenSecondAsked = first->state() == State::paused && !first->isSaving() &&
                                       first->savedRevision() == first->saveRevision();
    });
    first.gate->release(1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return firstDoneWhenSecondAsked.has_value(); }, 10000));
    EXPECT_TRUE(*firstDoneWhenSecondAsked);
    EXPECT_EQ(h.finished, 0) << "the second job's photo in flight is still out";

    second.gate->release(1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return h.finished > 0; }, 10000));
    QTest::qWait(50);
    EXPECT_EQ(h.finished, 1);
    for (const FakeJob* f : {&first, &second}) {
        EXPECT_EQ(f->job->state(), State::paused);
        EXPECT_EQ(donePhotos(*f->job), 1) << "the photo in flight is applied before the save";
        EXPECT_EQ(f->job->savedRevision(), f->job->saveRevision());
    }
    const auto writers = h.writers();
    ASSERT_FALSE(writers.empty());
    EXPECT_EQ(writers.front(), first.job->project().name);
    EXPECT_EQ(writers.back(), second.job->project().name);
}

TEST(QuitController, aFailedSaveCancelsTheQuitShowsTheErrorAndARetryWorks) {
    QuitHarness h;
    ContentView content(*h.model, *h.router);
    std::vector<std::pair<QString, QString>> alerts;
    content.setAlertRunner([&](kit::CenteredAlert& alert) {
        alerts.emplace_back(alert.text(), alert.informativeText());
        return kit::CenteredAlert::firstButton;
    });
    auto [first, second] = h.twoJobs();
    QString failure;
    QObject::connect(&h.quit, &QuitController::quitFailed, [&](const QString& m) { failure = m; });
    *first.failing = true;

    h.quit.requestQuit();
    first.gate->release(1);
    const bool failed = QTest::qWaitFor([&] { return !failure.isEmpty(); }, 10000);
    ASSERT_TRUE(failed);
    EXPECT_FALSE(h.quit.terminating());
    EXPECT_EQ(h.finished, 0);
    EXPECT_TRUE(failure.contains("discul este plin")) << failure.toStdString();
    EXPECT_EQ(first.job->state(), State::paused) << "a job paused before the failure stays paused";
    EXPECT_EQ(second.job->state(), State::running) << "the job after the failure is left alone";
    EXPECT_TRUE(h.writers().empty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !alerts.empty(); }, 5000));
    EXPECT_EQ(alerts.front().first, "Eroare");
    EXPECT_EQ(alerts.front().second, failure);

    *first.failing = false;
    h.quit.requestQuit();
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.job->state() == State::pausing; }, 10000));
    second.gate->release(1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return h.finished > 0; }, 10000));
    EXPECT_EQ(second.job->state(), State::paused);
    EXPECT_EQ(first.job->savedRevision(), first.job->saveRevision());
    EXPECT_EQ(second.job->savedRevision(), second.job->saveRevision());
}

// A profile build whose step is past its last look at the cancel flag: it waits at its gate, then
// tries to write the profile as a finished build does.
struct TrainingBuild {
    std::shared_ptr<Gate> gate = std::make_shared<Gate>();
    std::shared_ptr<std::atomic<bool>> ended = std::make_shared<std::atomic<bool>>(false);
    Profile profile;
    std::string record;

    explicit TrainingBuild(QuitHarness& h) {
        profile.id = Uuid::random();
        profile.name = "Nunți";
        profile.presetName = "Neutru";
        profile.save();
        record = readWholeFile(profile.dir() / "profile.json");
        h.model->reload();
        auto services = model::AppModel::LearningServices::standard(h.defaults);
        services.build = [gate = gate, ended = ended](const Profile& p, const std::vector<TrainingCatalog>&, int,
                                                      const ProfileBuilder::CancelToken* cancel,
                                                      const ProfileBuilder::BuildProgress&) {
            gate->pass();
            Profile built = p;
            built.built = std::chrono::system_clock::now();
            const bool written = cancel->commit([&] { built.save(); });
            *ended = true;
            if (!written) throw Cancelled();
            return built;
        };
        h.model->setLearningServices(std::move(services));
        h.model->learnFromCatalogs(profile, {});
        EXPECT_TRUE(gate->waitEntered(1));
    }
    ~TrainingBuild() { gate->open(); }
    bool recordUnchanged() const { return readWholeFile(profile.dir() / "profile.json") == record; }
};

TEST(QuitController, aProfileBuildIsClosedAndWaitedForAndWritesNothingAfterTheQuit) {
    QuitHarness h;
    TrainingBuild build(h);
    h.quit.requestQuit();
    ASSERT_TRUE(QTest::qWaitFor([&] { return h.model->profileBuild()->cancel->isClosed(); }, 10000));
    QTest::qWait(20);
    EXPECT_EQ(h.finished, 0) << "the build's step is still out";

    build.gate->open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return h.finished == 1; }, 10000));
    EXPECT_TRUE(*build.ended);
    EXPECT_TRUE(build.recordUnchanged());
}

TEST(QuitController, aBuildStepThatOutlastsTheWaitDoesNotHoldTheQuitAndWritesNothingLater) {
    QuitHarness h;
    h.quit.setBuildWait(std::chrono::milliseconds(50));
    TrainingBuild build(h);
    h.quit.requestQuit();
    ASSERT_TRUE(QTest::qWaitFor([&] { return h.finished == 1; }, 10000));
    EXPECT_EQ(build.gate->passed(), 0);

    build.gate->open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return build.ended->load(); }, 10000));
    EXPECT_TRUE(build.recordUnchanged());
    EXPECT_EQ(h.finished, 1);
}

TEST(QuitController, quitsAtOnceWithoutJobsOrWithoutAModel) {
    {
        QuitHarness h;
        h.quit.requestQuit();
        ASSERT_TRUE(QTest::qWaitFor([&] { return h.finished == 1; }, 5000));
    }
    ASSERT_EQ(model::AppModel::current(), nullptr);
    int finished = 0;
    QuitController quit([&] { ++finished; });
    quit.requestQuit();
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished == 1; }, 5000));
}

TEST(QuitController, waitsForCatalogBackupsStillBeingCompressed) {
    freshDataDir();
    QuitHarness h;
    namespace fs = std::filesystem;
    const fs::path copy = CatalogWriter::backupDirectory() / "Foto-20240101-101010.lrcat";
    writeText(copy, "catalog");
    auto gate = std::make_shared<Gate>();
    CatalogWriter::compressBackupInBackground(copy, "Foto", [gate](const fs::path& archive, const std::string& folder,
                                                                   const std::vector<std::pair<fs::path, std::string>>& files) {
        gate->pass();
        return CatalogWriter::zipFolder(archive, folder, files);
    });
    ASSERT_TRUE(gate->waitEntered(1));
    std::optional<bool> zippedAtFinish;
    QuitController quit([&] { zippedAtFinish = fs::exists(CatalogWriter::backupDirectory() / "Foto-20240101-101010.zip"); });
    quit.requestQuit();
    QTest::qWait(200);
    EXPECT_FALSE(zippedAtFinish.has_value()) << "the quit ended with the backup half compressed";
    gate->open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return zippedAtFinish.has_value(); }, 10000));
    EXPECT_TRUE(*zippedAtFinish);
}

TEST(TerminationSignals, sigtermAndSigintReachTheMainThreadAsQuitRequests) {
    TerminationSignals watcher;
    ASSERT_TRUE(watcher.installed());
    std::vector<int> received;
    QObject::connect(&watcher, &TerminationSignals::received, [&](int s) { received.push_back(s); });
    std::raise(SIGTERM);
    std::raise(SIGINT);
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() == 2; }, 5000));
    EXPECT_EQ(received, (std::vector<int>{SIGTERM, SIGINT}));
}

}  // namespace

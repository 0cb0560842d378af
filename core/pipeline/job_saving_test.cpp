#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <mutex>
#include <stdexcept>

#include "core/base/atomic_file.h"
#include "core/pipeline/job.h"
#include "core/store/store.h"
#include "testing/concurrency.h"
#include "testing/job_fixtures.h"

using namespace orvane;
using namespace orvane::testing;
using namespace std::chrono_literals;
using State = Job::State;

namespace {

// Records every write with the virtual time it started at; can fail or hold writes on request.
struct Writes {
    struct Write {
        Date at;
        std::string bytes;
    };
    std::mutex mutex;
    std::vector<Write> done;
    int attempts = 0;
    int failuresLeft = 0;  // the next n writes throw
    std::shared_ptr<Gate> gate;

    int count() {
        std::lock_guard lock(mutex);
        return static_cast<int>(done.size());
    }
    int tries() {
        std::lock_guard lock(mutex);
        return attempts;
    }
};

Job::SnapshotWriter writerFor(std::shared_ptr<Writes> w, std::shared_ptr<MainExecutor> main) {
    return [w, main](std::string_view bytes, const std::filesystem::path&) {
        const Date at = main->now();
        if (w->gate) w->gate->pass();
        std::lock_guard lock(w->mutex);
        ++w->attempts;
        if (w->failuresLeft > 0) {
            --w->failuresLeft;
            throw std::runtime_error("disc plin");
        }
        w->done.push_back({at, std::string(bytes)});
    };
}

struct Harness {
    std::shared_ptr<ManualExecutor> main = std::make_shared<ManualExecutor>();
    std::shared_ptr<Writes> writes = std::make_shared<Writes>();
    std::vector<std::string> reported;
    int stopped = 0;

    std::shared_ptr<Job> make(Project p, Job::Process process = nullptr, int workers = 1) {
        if (!process) {
            process = [](const std::filesystem::path& f, const AnalysisRequest&) { return resultFor(f); };
        }
        auto job = Job::make(main, std::move(p), workers, /*persist=*/true, std::move(process));
        job->setWriteSnapshot(writerFor(writes, main));
        job->setOnSaveError([this](const std::string& m) { reported.push_back(m); });
        job->setOnStopped([this](Job&) { ++stopped; });
        return job;
    }
};

struct FlushResult {
    bool called = false;
    std::optional<SaveError> error;
    Job::FlushDone callback() {
        return [this](const std::optional<SaveError>& e) {
            called = true;
            error = e;
        };
    }
};

const std::string message = "Proiectul „Nuntă Ana și Mihai” nu a putut fi salvat: disc plin";

}  // namespace

TEST(JobSaving, tenSavesWithin50msGiveOneWrite150msAfterTheFirst) {
    Harness h;
    auto job = h.make(projectWith(2));
    const Date start = h.main->now();
    for (int i = 0; i < 10; ++i) {
        job->save();
        h.main->advance(5ms);  // the tenth request comes at 45 ms
    }
    EXPECT_EQ(job->saveRevision(), 10);
    h.main->advance(149ms - 50ms);
    EXPECT_EQ(h.writes->tries(), 0);
    EXPECT_TRUE(job->isSaving());
    h.main->advance(1ms);
    ASSERT_TRUE(h.main->runUntil([&] { return !job->isSaving(); }, 10s, /*moveClock=*/false));
    ASSERT_EQ(h.writes->count(), 1);
    EXPECT_EQ(h.writes->done[0].at - start, 150ms);
    EXPECT_EQ(h.writes->done[0].bytes, Store::encode(job->project()));
    EXPECT_EQ(job->savedRevision(), 10);
    EXPECT_FALSE(job->saveError());
}

TEST(JobSaving, aSaveDuringAWriteGivesOneMoreWriteWithoutASecondWait) {
    Harness h;
    h.writes->gate = std::make_shared<Gate>();
    auto job = h.make(projectWith(2));
    const Date start = h.main->now();
    job->save();
    h.main->advance(150ms);
    ASSERT_TRUE(h.writes->gate->waitEntered(1));
    job->save();
    job->save();
    h.writes->gate->open();
    // The clock stays put: a second 150 ms wait would never end here.
    ASSERT_TRUE(h.main->runUntil([&] { return !job->isSaving(); }, 10s, /*moveClock=*/false));
    ASSERT_EQ(h.writes->count(), 2);
    EXPECT_EQ(h.writes->done[1].at - start, 150ms);
    EXPECT_EQ(job->savedRevision(), 3);
}

TEST(JobSaving, withoutPersistNothingIsSavedAndFlushReturnsAtOnce) {
    auto main = std::make_shared<ManualExecutor>();
    auto writes = std::make_shared<Writes>();
    auto job = Job::make(main, projectWith(1), 1, /*persist=*/false,
                         [](const std::filesystem::path& f, const AnalysisRequest&) { return resultFor(f); });
    job->setWriteSnapshot(writerFor(writes, main));
    job->save();
    EXPECT_EQ(job->saveRevision(), 0);
    EXPECT_EQ(main->pendingTimers(), 0u);
    FlushResult flushed;
    job->flush(flushed.callback());
    EXPECT_TRUE(flushed.called);
    EXPECT_FALSE(flushed.error);
    job->start();
    ASSERT_TRUE(runUntilState(*main, *job, State::finished));
    main->advance(1s);
    EXPECT_EQ(writes->tries(), 0);
}

TEST(JobSaving, flushWithNothingToWriteReturnsAtOnce) {
    Harness h;
    auto job = h.make(projectWith(1));
    FlushResult flushed;
    job->flush(flushed.callback());
    EXPECT_TRUE(flushed.called);
    EXPECT_FALSE(flushed.error);
    EXPECT_EQ(h.writes->tries(), 0);
}

TEST(JobSaving, aFailedWriteReportsPausesTheRunAndFlushWritesAgain) {
    Harness h;
    h.writes->failuresLeft = 1;
    auto gate = std::make_shared<Gate>();
    auto job = h.make(projectWith(3), [gate](const std::filesystem::path& f, const AnalysisRequest&) {
        gate->pass();
        return resultFor(f);
    });
    job->start();
    h.main->runReady();
    ASSERT_TRUE(gate->waitEntered(1));
    job->save();
    h.main->advance(150ms);
    ASSERT_TRUE(h.main->runUntil([&] { return job->saveError().has_value(); }, 10s, false));
    EXPECT_EQ(*job->saveError(), message);
    EXPECT_EQ(h.reported, std::vector<std::string>{message});
    EXPECT_EQ(job->state(), State::pausing);
    // A failed write starts nothing by itself.
    EXPECT_FALSE(job->isSaving());
    EXPECT_EQ(h.main->pendingTimers(), 0u);
    EXPECT_LT(job->savedRevision(), job->saveRevision());

    FlushResult flushed;
    job->flush(flushed.callback());
    ASSERT_TRUE(h.main->runUntil([&] { return flushed.called; }, 10s, false));
    EXPECT_FALSE(flushed.error);
    EXPECT_FALSE(job->saveError());
    EXPECT_EQ(h.writes->tries(), 2);

    gate->open();
    ASSERT_TRUE(h.main->runUntil([&] { return h.stopped == 1; }));
    EXPECT_EQ(job->state(), State::paused);
    EXPECT_EQ(job->project().pending(), 2u);
}

TEST(JobSaving, aWriterThatAlwaysFailsMakesFlushFailAfterOneRetry) {
    Harness h;
    h.writes->failuresLeft = 1000;
    auto job = h.make(projectWith(0, 1));
    job->save();
    h.main->advance(150ms);
    ASSERT_TRUE(h.main->runUntil([&] { return job->saveError().has_value(); }, 10s, false));
    EXPECT_EQ(job->state(), State::finished);  // a job that is not running keeps its state
    EXPECT_EQ(h.writes->tries(), 1);

    FlushResult flushed;
    job->flush(flushed.callback());
    ASSERT_TRUE(h.main->runUntil([&] { return flushed.called; }, 10s, false));
    EXPECT_EQ(h.writes->tries(), 2);
    ASSERT_TRUE(flushed.error);
    EXPECT_EQ(SaveError::domain, "OrvaneStudio.Save");
    EXPECT_EQ(SaveError::code, 1);
    EXPECT_EQ(std::string(flushed.error->what()), message);
    EXPECT_EQ(h.reported, (std::vector<std::string>{message, message}));
}

TEST(JobSaving, aRunWhoseFinalFlushFailsSkipsAfterFinishButStops) {
    Harness h;
    h.writes->failuresLeft = 1000;
    auto job = h.make(projectWith(2), nullptr, 2);
    bool afterFinish = false;
    job->setAfterFinish([&](Job&, Job::Done done) {
        afterFinish = true;
        done();
    });
    job->start();
    ASSERT_TRUE(h.main->runUntil([&] { return h.stopped == 1; }));
    EXPECT_FALSE(afterFinish);
    EXPECT_TRUE(job->saveError());
    // The project in memory is kept whole.
    EXPECT_EQ(job->project().done(), 2u);
}

TEST(JobSaving, pauseAndFlushOnAnIdleJobOnlyFlushes) {
    Harness h;
    auto job = h.make(projectWith(2), nullptr, 2);
    job->start();
    ASSERT_TRUE(h.main->runUntil([&] { return h.stopped == 1; }));
    const int writes = h.writes->count();
    job->retryFailed();  // idle again, one save asked for
    FlushResult flushed;
    job->pauseAndFlush(flushed.callback());
    ASSERT_TRUE(h.main->runUntil([&] { return flushed.called; }));
    EXPECT_FALSE(flushed.error);
    EXPECT_EQ(job->state(), State::idle);
    EXPECT_EQ(h.writes->count(), writes + 1);
    EXPECT_EQ(job->savedRevision(), job->saveRevision());
}

TEST(JobSaving, pauseAndFlushOnARunningJobWaitsForThePhotosInFlightAndWritesTheFile) {
    auto main = std::make_shared<ManualExecutor>();
    auto gate = std::make_shared<Gate>();
    auto job = Job::make(main, projectWith(5), 2, /*persist=*/true,
                         [gate](const std::filesystem::path& f, const AnalysisRequest&) {
                             gate->pass();
                             return resultFor(f);
                         });
    std::vector<std::string> order;
    job->setOnStopped([&](Job&) { order.push_back("stopped"); });
    job->start();
    main->runReady();
    ASSERT_TRUE(gate->waitEntered(2));
    FlushResult flushed;
    job->pauseAndFlush(flushed.callback());
    EXPECT_EQ(job->state(), State::pausing);
    main->runReady();
    EXPECT_FALSE(flushed.called);
    gate->open();
    ASSERT_TRUE(main->runUntil([&] { return flushed.called; }));
    order.push_back("flushed");
    EXPECT_FALSE(flushed.error);
    EXPECT_EQ(order, (std::vector<std::string>{"stopped", "flushed"}));
    EXPECT_EQ(job->state(), State::paused);
    EXPECT_EQ(job->project().done(), 2u);
    EXPECT_EQ(gate->entered(), 2);
    // The file on disk holds the job's project.
    const Project onDisk = Store::load<Project>(job->projectFile());
    EXPECT_EQ(Store::encode(onDisk), Store::encode(job->project()));
}

TEST(JobSaving, aResultWithNonFiniteValuesFailsItsPhotoInsteadOfTheProjectFile) {
    auto main = std::make_shared<ManualExecutor>();
    auto job = Job::make(main, projectWith(2), 1, /*persist=*/true, [](const std::filesystem::path& f, const AnalysisRequest&) {
        PhotoResult r = resultFor(f);
        if (f == photoPath(0)) r.exposure = std::numeric_limits<double>::quiet_NaN();  // a predictor gone wrong
        return r;
    });
    job->start();
    ASSERT_TRUE(main->runUntil([&] { return job->state() == State::finished && !job->isSaving(); }));
    EXPECT_FALSE(job->saveError());
    const Project saved = Store::load<Project>(job->projectFile());
    EXPECT_EQ(saved.photos[0].status, PhotoItem::Status::failed);
    EXPECT_EQ(saved.photos[0].error, "Rezultatul calculat pentru fotografie nu este valid.");
    EXPECT_FALSE(saved.photos[0].exposure);
    EXPECT_EQ(saved.photos[1].status, PhotoItem::Status::done);
}

TEST(JobSaving, aSaveThatCannotBeEncodedLeavesThePreviousFileWhole) {
    auto main = std::make_shared<ManualExecutor>();
    // One photo, so no good write of a half-done run can come between.
    auto job = Job::make(main, projectWith(1), 1, /*persist=*/true, [](const std::filesystem::path& f, const AnalysisRequest&) {
        PhotoResult r = resultFor(f);
        r.extras = std::map<std::string, double>{{"Contrast\xE9", 1}};  // a key that is not UTF-8 cannot be stored
        return r;
    });
    std::vector<std::string> reported;
    job->setOnSaveError([&](const std::string& m) { reported.push_back(m); });
    FlushResult first;
    job->retryFailed();  // asks for a save of the untouched project
    job->flush(first.callback());
    ASSERT_TRUE(main->runUntil([&] { return first.called; }));
    ASSERT_FALSE(first.error);
    const std::string before = readWholeFile(job->projectFile());

    job->start();
    ASSERT_TRUE(main->runUntil([&] { return job->state() == State::finished && !job->isSaving(); }));
    ASSERT_TRUE(job->saveError());
    EXPECT_EQ(job->saveError()->rfind("Proiectul „Nuntă Ana și Mihai” nu a putut fi salvat: ", 0), 0u);
    EXPECT_FALSE(reported.empty());
    EXPECT_EQ(readWholeFile(job->projectFile()), before);
    std::vector<std::string> names;
    for (auto& entry : std::filesystem::directory_iterator(job->projectFile().parent_path())) {
        names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{"project.json"});  // no temporary file left behind
}

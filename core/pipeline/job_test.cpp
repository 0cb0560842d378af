#include "core/pipeline/job.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <mutex>
#include <set>
#include <stdexcept>

#include "testing/concurrency.h"
#include "testing/job_fixtures.h"
#include "testing/temp_dir.h"

using namespace orvane;
using namespace orvane::testing;
using namespace std::chrono_literals;
using State = Job::State;

namespace {

struct Harness {
    std::shared_ptr<ManualExecutor> main = std::make_shared<ManualExecutor>();
    int stopped = 0;

    std::shared_ptr<Job> make(Project p, int workers, Job::Process process, bool persist = false) {
        auto job = Job::make(main, std::move(p), workers, persist, std::move(process));
        job->setOnStopped([this](Job&) { ++stopped; });
        return job;
    }
    // Runs the loop until the run that is going on has ended completely (its callbacks called).
    bool untilStopped(int count = 1) {
        return main->runUntil([&] { return stopped >= count; });
    }
};

Job::Process quick() {
    return [](const std::filesystem::path& file, const AnalysisRequest&) { return resultFor(file); };
}

// Holds every photo at a shared gate until the test lets it through.
Job::Process gated(std::shared_ptr<Gate> gate) {
    return [gate](const std::filesystem::path& file, const AnalysisRequest&) {
        gate->pass();
        return resultFor(file);
    };
}

std::size_t countStatus(const Project& p, PhotoItem::Status s) {
    std::size_t n = 0;
    for (auto& photo : p.photos) n += photo.status == s;
    return n;
}

}  // namespace

TEST(Job, initialStateFollowsThePendingPhotos) {
    struct Case {
        const char* name;
        int pending, done, failed;
        State expected;
    };
    for (Case c : {Case{"no photos", 0, 0, 0, State::idle}, Case{"two done one failed", 0, 2, 1, State::finished},
                   Case{"one pending", 1, 2, 0, State::idle}}) {
        SCOPED_TRACE(c.name);
        Harness h;
        auto job = h.make(projectWith(c.pending, c.done, c.failed), 2, quick());
        EXPECT_EQ(job->state(), c.expected);
    }
}

TEST(Job, startIsRefusedWithoutPendingPhotosAndOutsideIdlePausedCancelled) {
    {
        Harness h;
        auto empty = h.make(projectWith(0), 2, quick());
        empty->start();
        EXPECT_EQ(empty->state(), State::idle);
        auto finished = h.make(projectWith(0, 2, 1), 2, quick());
        finished->start();
        EXPECT_EQ(finished->state(), State::finished);
        h.main->runReady();
        EXPECT_EQ(h.stopped, 0);
    }
    // running, pausing and cancelling: a second start launches nothing more.
    for (State target : {State::running, State::pausing, State::cancelling}) {
        SCOPED_TRACE(toText(target));
        Harness h;
        auto gate = std::make_shared<Gate>();
        auto job = h.make(projectWith(4), 1, gated(gate));
        job->start();
        h.main->runReady();
        ASSERT_TRUE(gate->waitEntered(1));
        if (target == State::pausing) job->pause();
        if (target == State::cancelling) job->cancel();
        ASSERT_EQ(job->state(), target);
        job->start();
        h.main->runReady();
        EXPECT_EQ(job->state(), target);
        gate->open();
        ASSERT_TRUE(h.untilStopped());
        EXPECT_EQ(gate->entered(), target == State::running ? 4 : 1);
        EXPECT_EQ(h.stopped, 1);
    }
    // paused with nothing pending: the only photo was in flight when the pause came.
    {
        Harness h;
        auto gate = std::make_shared<Gate>();
        auto job = h.make(projectWith(1), 1, gated(gate));
        job->start();
        h.main->runReady();
        ASSERT_TRUE(gate->waitEntered(1));
        job->pause();
        gate->open();
        ASSERT_TRUE(h.untilStopped());
        EXPECT_EQ(job->state(), State::paused);
        EXPECT_EQ(job->project().pending(), 0u);
        job->start();
        EXPECT_EQ(job->state(), State::paused);
    }
}

TEST(Job, neverMoreThanWorkersPhotosInFlight) {
    struct Case {
        const char* name;
        int workers;
        int photos;
        int bound;
    };
    for (Case c : {Case{"two of five", 2, 5, 2}, Case{"four of twelve", 4, 12, 4}, Case{"zero runs one", 0, 5, 1},
                   Case{"negative runs one", -3, 4, 1}}) {
        SCOPED_TRACE(c.name);
        Harness h;
        auto hw = std::make_shared<HighWater>();
        // Each photo lingers until the bound has been reached once, so a run that keeps fewer photos in
        // flight shows, and a slow machine cannot hide the bound. The one deadline, far off, only ends
        // the wait of such a faulty run.
        const int bound = c.bound;
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        auto job = h.make(projectWith(c.photos), c.workers, [hw, bound, deadline](const std::filesystem::path& file, const AnalysisRequest&) {
            hw->enter();
            while (hw->most() < bound && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
            std::this_thread::sleep_for(1ms);
            hw->leave();
            return resultFor(file);
        });
        job->start();
        ASSERT_TRUE(h.untilStopped());
        EXPECT_EQ(job->state(), State::finished);
        EXPECT_EQ(countStatus(job->project(), PhotoItem::Status::done), static_cast<std::size_t>(c.photos));
        EXPECT_LE(hw->most(), c.bound);
        if (c.bound > 1) {
            EXPECT_EQ(hw->most(), c.bound);  // and the bound is actually used
        }
    }
}

TEST(Job, workerCountIsReadAtEveryDecision) {
    Harness h;
    auto gate = std::make_shared<Gate>();
    auto job = h.make(projectWith(8), 1, gated(gate));
    job->start();
    h.main->runReady();
    ASSERT_TRUE(gate->waitEntered(1));
    // Raising it takes effect at the next result, which then launches several photos.
    job->setWorkers(3);
    gate->release(1);
    ASSERT_TRUE(h.main->runUntil([&] { return gate->entered() >= 4; }));
    // Lowering it does not shrink what is in flight: each result still launches one photo.
    job->setWorkers(1);
    gate->release(1);
    ASSERT_TRUE(h.main->runUntil([&] { return gate->entered() >= 5; }));
    std::this_thread::sleep_for(20ms);
    h.main->runReady();
    EXPECT_EQ(gate->entered(), 5);
    EXPECT_EQ(gate->entered() - gate->passed(), 3);
    gate->open();
    ASSERT_TRUE(h.untilStopped());
    EXPECT_EQ(job->state(), State::finished);
}

TEST(Job, pauseLetsPhotosInFlightFinishAndApplyThenPauses) {
    Harness h;
    auto gate = std::make_shared<Gate>();
    auto job = h.make(projectWith(7), 3, gated(gate));
    std::vector<State> seen;
    job->observe([&](Job::Property p) {
        if (p == Job::Property::state) seen.push_back(job->state());
    });
    job->start();
    h.main->runReady();
    ASSERT_TRUE(gate->waitEntered(3));
    job->pause();
    EXPECT_EQ(job->state(), State::pausing);
    gate->open();
    ASSERT_TRUE(h.untilStopped());
    EXPECT_EQ(job->state(), State::paused);
    EXPECT_EQ(gate->entered(), 3);
    EXPECT_EQ(countStatus(job->project(), PhotoItem::Status::done), 3u);
    EXPECT_EQ(job->project().pending(), 4u);
    EXPECT_EQ(seen, (std::vector<State>{State::running, State::pausing, State::paused}));
    EXPECT_FALSE(job->project().finishedAt);

    // A paused job continues with the photos left.
    job->start();
    ASSERT_TRUE(h.untilStopped(2));
    EXPECT_EQ(job->state(), State::finished);
    EXPECT_EQ(gate->entered(), 7);
}

TEST(Job, cancelEndsCancelledAndCanBeStartedAgain) {
    Harness h;
    auto gate = std::make_shared<Gate>();
    auto job = h.make(projectWith(5), 2, gated(gate));
    job->start();
    h.main->runReady();
    ASSERT_TRUE(gate->waitEntered(2));
    job->pause();
    job->cancel();  // pausing -> cancelling
    EXPECT_EQ(job->state(), State::cancelling);
    gate->open();
    ASSERT_TRUE(h.untilStopped());
    EXPECT_EQ(job->state(), State::cancelled);
    EXPECT_EQ(countStatus(job->project(), PhotoItem::Status::done), 2u);  // results in flight were kept

    job->start();
    ASSERT_TRUE(h.untilStopped(2));
    EXPECT_EQ(job->state(), State::finished);
    EXPECT_EQ(job->project().pending(), 0u);
}

TEST(Job, cancelFromPausedAndIgnoredWhenIdleOrFinished) {
    Harness h;
    auto gate = std::make_shared<Gate>();
    auto job = h.make(projectWith(3), 1, gated(gate));
    job->start();
    h.main->runReady();
    ASSERT_TRUE(gate->waitEntered(1));
    job->pause();
    gate->open();
    ASSERT_TRUE(h.untilStopped());
    ASSERT_EQ(job->state(), State::paused);
    job->cancel();
    EXPECT_EQ(job->state(), State::cancelled);
    h.main->runReady();
    EXPECT_EQ(gate->entered(), 1);  // nothing was started

    auto idle = h.make(projectWith(2), 1, quick());
    idle->cancel();
    idle->pause();
    EXPECT_EQ(idle->state(), State::idle);
    auto finished = h.make(projectWith(0, 1), 1, quick());
    finished->cancel();
    EXPECT_EQ(finished->state(), State::finished);
}

TEST(Job, aThrowingPhotoFailsWithItsTextAndTheRunFinishes) {
    Harness h;
    auto job = h.make(projectWith(4), 2, [](const std::filesystem::path& file, const AnalysisRequest&) {
        if (file.filename() == "IMG_1002.dng") throw std::runtime_error("Fișierul nu poate fi decodat.");
        if (file.filename() == "IMG_1003.dng") throw 7;  // not even an exception type
        return resultFor(file);
    });
    job->start();
    ASSERT_TRUE(h.untilStopped());
    EXPECT_EQ(job->state(), State::finished);
    const auto& photos = job->project().photos;
    EXPECT_EQ(photos[0].status, PhotoItem::Status::done);
    EXPECT_EQ(photos[1].status, PhotoItem::Status::done);
    EXPECT_EQ(photos[2].status, PhotoItem::Status::failed);
    EXPECT_EQ(photos[2].error, "Fișierul nu poate fi decodat.");
    EXPECT_EQ(photos[3].status, PhotoItem::Status::failed);
    EXPECT_EQ(photos[3].error, "Eroare necunoscută.");
    EXPECT_TRUE(job->project().finishedAt);  // failed photos are not pending
}

TEST(Job, retryFailedMakesFailedPhotosPendingAndARunRedoesThem) {
    Harness h;
    auto failOnce = std::make_shared<std::atomic<bool>>(true);
    auto job = h.make(
        projectWith(3), 2,
        [failOnce](const std::filesystem::path& file, const AnalysisRequest&) {
            if (file.filename() == "IMG_1001.dng" && failOnce->exchange(false)) throw std::runtime_error("disc ocupat");
            return resultFor(file);
        },
        /*persist=*/true);
    job->setWriteSnapshot([](std::string_view, const std::filesystem::path&) {});
    job->start();
    ASSERT_TRUE(h.untilStopped());
    ASSERT_EQ(job->project().photos[1].status, PhotoItem::Status::failed);

    const auto revisions = job->saveRevision();
    job->retryFailed();
    EXPECT_EQ(job->state(), State::idle);
    EXPECT_EQ(job->project().photos[1].status, PhotoItem::Status::pending);
    EXPECT_FALSE(job->project().photos[1].error);
    EXPECT_EQ(job->saveRevision(), revisions + 1);

    job->start();
    ASSERT_TRUE(h.untilStopped(2));
    EXPECT_EQ(job->state(), State::finished);
    EXPECT_EQ(job->project().photos[1].status, PhotoItem::Status::done);

    // From finished with nothing failed it still saves and goes idle.
    const auto again = job->saveRevision();
    job->retryFailed();
    EXPECT_EQ(job->state(), State::idle);
    EXPECT_EQ(job->saveRevision(), again + 1);
}

TEST(Job, retryFailedIsRefusedWhileARunIsInProgress) {
    for (State target : {State::running, State::pausing, State::cancelling}) {
        SCOPED_TRACE(toText(target));
        Harness h;
        auto gate = std::make_shared<Gate>();
        Project p = projectWith(3, 0, 1);
        auto job = h.make(p, 1, gated(gate));
        job->start();
        h.main->runReady();
        ASSERT_TRUE(gate->waitEntered(1));
        if (target != State::running) job->pause();
        if (target == State::cancelling) job->cancel();
        job->retryFailed();
        EXPECT_EQ(job->state(), target);
        EXPECT_EQ(job->project().photos[3].status, PhotoItem::Status::failed);
        // A start now must not begin a second run beside the one finishing.
        job->start();
        gate->open();
        ASSERT_TRUE(h.untilStopped());
        h.main->runReady();
        EXPECT_EQ(h.stopped, 1);
    }
}

TEST(Job, appliesTheResultAndOnlyTheRequestedAnalyses) {
    Harness h;
    Project p = projectWith(2);
    p.subjectMaskAmount = 40;  // subject and skin requested, straighten not
    p.skinAmount = 30;
    StraightenResult old;
    old.angle = 1.5;
    p.photos[0].straighten = old;
    p.photos[0].error = "o eroare veche";
    auto job = h.make(p, 2, [](const std::filesystem::path& file, const AnalysisRequest& analysis) {
        EXPECT_TRUE(analysis.subject);
        EXPECT_TRUE(analysis.skin);
        EXPECT_FALSE(analysis.straighten);
        PhotoResult r = resultFor(file);
        r.asShot.reset();
        r.straighten = StraightenResult{};  // not requested: must not reach the photo
        if (file.filename() == "IMG_1001.dng") {
            r.subject = SkinRegion{};
            r.subject->left = 0.25;
            r.skin = std::vector<SkinRegion>{SkinRegion{}};
        }
        return r;
    });
    job->start();
    ASSERT_TRUE(h.untilStopped());
    const PhotoItem& first = job->project().photos[0];
    EXPECT_EQ(first.status, PhotoItem::Status::done);
    EXPECT_DOUBLE_EQ(*first.exposure, 1.0);
    EXPECT_DOUBLE_EQ(*first.temperature, 6000);
    EXPECT_EQ(first.extras, (std::map<std::string, double>{{"Contrast2012", 12}}));
    EXPECT_FALSE(first.asShotTint);
    EXPECT_DOUBLE_EQ(*first.aspect, 1.5);
    EXPECT_EQ(first.error, "o eroare veche");  // left as it was
    EXPECT_EQ(first.straighten, old);
    EXPECT_EQ(first.subject, SkinRegion{});  // analysed, nothing found: the empty region
    EXPECT_FALSE(first.skin);                // requested and absent: absent
    const PhotoItem& second = job->project().photos[1];
    ASSERT_TRUE(second.subject);
    EXPECT_DOUBLE_EQ(second.subject->left, 0.25);
    ASSERT_TRUE(second.skin);
    EXPECT_EQ(second.skin->size(), 1u);
}

TEST(Job, asShotTintComesFromTheResult) {
    Harness h;
    auto job = h.make(projectWith(1), 1, quick());
    job->start();
    ASSERT_TRUE(h.untilStopped());
    EXPECT_EQ(job->project().photos[0].asShotTint, 7);
}

TEST(Job, activeAnalysisFollowsTheProjectOptions) {
    struct Case {
        const char* name;
        std::function<void(Project&)> set;
        AnalysisRequest expected;
    };
    auto crop = [](CropSettings::Mode m) {
        CropSettings c;
        c.mode = m;
        return c;
    };
    const std::vector<Case> cases = {
        {"nothing", [](Project&) {}, {}},
        {"straighten", [](Project& p) { p.straightenRequested = true; },
         {.straighten = true, .layout = true}},
        {"straighten false", [](Project& p) { p.straightenRequested = false; }, {}},
        {"bottom crop", [&](Project& p) { p.crop = crop(CropSettings::Mode::bottom); },
         {.feet = true, .layout = true}},
        {"no-crop mode", [&](Project& p) { p.crop = crop(CropSettings::Mode::none); }, {}},
        {"ratio crop", [&](Project& p) { p.crop = crop(CropSettings::Mode::ratio); }, {.layout = true}},
        {"smart reframe", [](Project& p) { p.smartReframe = true; }, {.layout = true}},
        {"teeth 1", [](Project& p) { p.teethAmount = 1; }, {.teeth = true}},
        {"teeth 0", [](Project& p) { p.teethAmount = 0; }, {}},
        {"skin", [](Project& p) { p.skinAmount = 5; }, {.skin = true}},
        {"face level", [](Project& p) { p.faceLevelAmount = 1; }, {.skin = true}},
        {"subject", [](Project& p) { p.subjectMaskAmount = 100; }, {.subject = true}},
        {"subject 0", [](Project& p) { p.subjectMaskAmount = 0; }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        Project p = projectWith(1);
        c.set(p);
        auto job = h.make(p, 1, quick());
        EXPECT_EQ(job->activeAnalysis(), c.expected);
    }
}

TEST(Job, freshRunStampsTheAnalysesAndTimes) {
    Harness h;
    Project p = projectWith(3);
    p.straightenRequested = true;
    p.teethAmount = 10;
    p.elapsed = 12;
    auto job = h.make(p, 2, quick());
    const Date start = h.main->now();
    job->start();
    ASSERT_TRUE(h.untilStopped());
    const Project& after = job->project();
    EXPECT_EQ(after.straightenVersion, 4);
    ASSERT_TRUE(after.straightenedAt);
    EXPECT_GE(*after.straightenedAt, start);
    EXPECT_TRUE(after.teethAnalyzedAt);
    EXPECT_TRUE(after.layoutAnalyzedAt);
    EXPECT_FALSE(after.feetAnalyzedAt);
    EXPECT_FALSE(after.skinAnalyzedAt);
    EXPECT_EQ(after.startedAt, start);
    EXPECT_TRUE(after.finishedAt);
    ASSERT_TRUE(after.elapsed);
    EXPECT_GE(*after.elapsed, 12);
}

TEST(Job, runStartedWithAPhotoDoneStampsNothingAndKeepsStartedAt) {
    Harness h;
    Project p = projectWith(2, 1);
    p.straightenRequested = true;
    const Date earlier = h.main->now() - std::chrono::hours(24);
    p.startedAt = earlier;
    p.finishedAt = earlier;
    auto gate = std::make_shared<Gate>();
    auto job = h.make(p, 2, gated(gate));
    job->start();
    h.main->runReady();
    ASSERT_TRUE(gate->waitEntered(2));
    EXPECT_FALSE(job->project().finishedAt);  // cleared while the run goes on
    gate->open();
    ASSERT_TRUE(h.untilStopped());
    EXPECT_FALSE(job->project().straightenedAt);
    EXPECT_FALSE(job->project().straightenVersion);
    EXPECT_EQ(job->project().startedAt, earlier);
    EXPECT_TRUE(job->project().finishedAt);
}

TEST(Job, freshRunThatEndsWithPhotosPendingStampsNothing) {
    Harness h;
    Project p = projectWith(4);
    p.straightenRequested = true;
    auto gate = std::make_shared<Gate>();
    auto job = h.make(p, 1, gated(gate));
    job->start();
    h.main->runReady();
    ASSERT_TRUE(gate->waitEntered(1));
    job->pause();
    gate->open();
    ASSERT_TRUE(h.untilStopped());
    EXPECT_FALSE(job->project().straightenedAt);
    EXPECT_FALSE(job->project().finishedAt);
    EXPECT_TRUE(job->project().elapsed);
}

TEST(Job, readsThePreviewOnlyWhenTheRawFileIsGone) {
    TempDir dir;
    writeText(dir / "raw.dng", "raw");
    writeText(dir / "preview.dng", "preview");
    Project p = projectWith(0);
    PhotoItem both((dir / "raw.dng").string());
    both.previewPath = (dir / "preview.dng").string();
    PhotoItem rawGone((dir / "gone.dng").string());
    rawGone.previewPath = (dir / "preview.dng").string();
    p.photos = {both, rawGone};

    Harness h;
    auto seen = std::make_shared<std::mutex>();
    auto files = std::make_shared<std::multiset<std::string>>();
    auto job = h.make(p, 2, [seen, files](const std::filesystem::path& file, const AnalysisRequest&) {
        std::lock_guard lock(*seen);
        files->insert(file.filename().string());
        return PhotoResult(0, 5000, std::nullopt, 1.5);
    });
    job->start();
    ASSERT_TRUE(h.untilStopped());
    EXPECT_EQ(*files, (std::multiset<std::string>{"preview.dng", "raw.dng"}));
}

TEST(Job, remainingSecondsAndTotalElapsedFollowTheRunClock) {
    Harness h;
    Project p = projectWith(10);
    p.elapsed = 100;
    auto gate = std::make_shared<Gate>();
    auto job = h.make(p, 4, gated(gate));
    EXPECT_FALSE(job->remainingSeconds());
    EXPECT_EQ(job->totalElapsed(h.main->now()), 100);  // idle, with time from earlier runs
    job->start();
    h.main->runReady();
    const Date runStart = job->runStart();
    ASSERT_TRUE(gate->waitEntered(4));
    EXPECT_FALSE(job->remainingSeconds());
    EXPECT_EQ(job->totalElapsed(runStart + 30s), 130);
    EXPECT_EQ(job->totalElapsed(runStart - 30s), 100);

    h.main->advance(20s);
    gate->release(4);
    ASSERT_TRUE(h.main->runUntil([&] { return job->runFinished() == 4; }, 10s, /*moveClock=*/false));
    ASSERT_TRUE(job->secondsPerPhoto());
    EXPECT_DOUBLE_EQ(*job->secondsPerPhoto(), 5);
    EXPECT_DOUBLE_EQ(*job->remainingSeconds(), 30);

    job->pause();
    gate->open();
    ASSERT_TRUE(h.untilStopped());
    EXPECT_EQ(job->state(), State::paused);
    const double total = *job->project().elapsed;
    EXPECT_GE(total, 120);
    EXPECT_EQ(job->totalElapsed(h.main->now() + 1000s), total);  // paused: no running time added
}

TEST(Job, highPriorityChoosesTheQueuePerLaunch) {
    Harness h;
    auto names = std::make_shared<std::vector<std::string>>();
    auto lock = std::make_shared<std::mutex>();
    auto gate = std::make_shared<Gate>();
    auto job = h.make(projectWith(2), 1, [names, lock, gate](const std::filesystem::path& file, const AnalysisRequest&) {
        char name[32] = {};
        pthread_getname_np(pthread_self(), name, sizeof name);
        {
            std::lock_guard guard(*lock);
            names->push_back(name);
        }
        gate->pass();
        return resultFor(file);
    });
    job->setHighPriority(true);
    job->start();
    h.main->runReady();
    ASSERT_TRUE(gate->waitEntered(1));
    job->setHighPriority(false);  // affects the photos launched from now on
    gate->open();
    ASSERT_TRUE(h.untilStopped());
    EXPECT_EQ(*names, (std::vector<std::string>{"orvane.work.hig", "orvane.work"}));
}

TEST(Job, afterFinishIsAwaitedBeforeOnStoppedOnlyWhenFinished) {
    for (bool pauseIt : {false, true}) {
        SCOPED_TRACE(pauseIt ? "paused" : "finished");
        Harness h;
        auto gate = std::make_shared<Gate>();
        auto job = h.make(projectWith(2), 1, gated(gate));
        std::vector<std::string> order;
        Job::Done finishAfter;
        job->setAfterFinish([&](Job&, Job::Done done) {
            order.push_back("afterFinish");
            finishAfter = std::move(done);
        });
        job->setOnStopped([&](Job&) { order.push_back("stopped"); });
        job->start();
        h.main->runReady();
        ASSERT_TRUE(gate->waitEntered(1));
        if (pauseIt) job->pause();
        gate->open();
        ASSERT_TRUE(h.main->runUntil([&] { return !order.empty(); }));
        if (pauseIt) {
            EXPECT_EQ(order, (std::vector<std::string>{"stopped"}));
            continue;
        }
        EXPECT_EQ(order, (std::vector<std::string>{"afterFinish"}));
        h.main->advance(1s);
        EXPECT_EQ(order.size(), 1u);  // still awaiting afterFinish
        finishAfter();
        EXPECT_EQ(order, (std::vector<std::string>{"afterFinish", "stopped"}));
    }
}

TEST(Job, observersHearEveryPublishedChange) {
    Harness h;
    auto job = h.make(projectWith(2), 1, quick());
    std::map<Job::Property, int> heard;
    auto id = job->observe([&](Job::Property p) { ++heard[p]; });
    job->start();
    ASSERT_TRUE(h.untilStopped());
    EXPECT_EQ(heard[Job::Property::state], 2);  // running, finished
    EXPECT_GE(heard[Job::Property::project], 4);
    EXPECT_EQ(heard[Job::Property::secondsPerPhoto], 2);
    job->unobserve(id);
    job->retryFailed();
    EXPECT_EQ(heard[Job::Property::state], 2);
}

TEST(Job, fileProcessIgnoresTheRequest) {
    auto main = std::make_shared<ManualExecutor>();
    Project p = projectWith(2);
    p.straightenRequested = true;
    auto job = Job::make(main, p, 2, false, Job::FileProcess([](const std::filesystem::path& f) { return resultFor(f); }));
    job->start();
    ASSERT_TRUE(runUntilState(*main, *job, State::finished));
    EXPECT_EQ(job->project().pending(), 0u);
}

TEST(Job, aReleasedJobLivesUntilItsRunAndSaveHaveEnded) {
    auto main = std::make_shared<ManualExecutor>();
    auto gate = std::make_shared<Gate>();
    auto writes = std::make_shared<std::atomic<int>>(0);
    auto stopped = std::make_shared<int>(0);
    std::weak_ptr<Job> weak;
    {
        auto job = Job::make(main, projectWith(3), 2, /*persist=*/true, gated(gate));
        job->setWriteSnapshot([writes](std::string_view, const std::filesystem::path&) { writes->fetch_add(1); });
        job->setOnStopped([stopped](Job&) { ++*stopped; });
        job->start();
        weak = job;
    }
    main->runReady();
    ASSERT_TRUE(gate->waitEntered(2));
    EXPECT_FALSE(weak.expired());  // photos in flight hold it
    gate->open();
    ASSERT_TRUE(main->runUntil([&] { return weak.expired(); }));
    EXPECT_EQ(*stopped, 1);
    EXPECT_GE(writes->load(), 1);
}

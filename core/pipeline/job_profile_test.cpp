#include <gtest/gtest.h>

#include "core/pipeline/job.h"
#include "testing/concurrency.h"
#include "testing/job_fixtures.h"

using namespace orvane;
using namespace orvane::testing;
using State = Job::State;

namespace {

// The executor is shared: a worker still posting a result keeps it alive past the test's end.
std::shared_ptr<Job> quickJob(const std::shared_ptr<ManualExecutor>& main, Project p, std::shared_ptr<Gate> gate = nullptr) {
    return Job::make(main, std::move(p), 1, false, Job::FileProcess([gate](const std::filesystem::path& f) {
                         if (gate) gate->pass();
                         return resultFor(f);
                     }));
}

}  // namespace

TEST(JobProfile, setProfileOnlyBeforeAnyPhotoIsDone) {
    auto main = std::make_shared<ManualExecutor>();
    const Uuid other = Uuid::random();
    auto fresh = quickJob(main, projectWith(2, 0, 1));
    fresh->setProfile(other);
    EXPECT_EQ(fresh->project().profileID, other);
    EXPECT_EQ(fresh->state(), State::idle);

    auto withResults = quickJob(main, projectWith(1, 1));
    const Uuid before = withResults->project().profileID;
    withResults->setProfile(other);
    EXPECT_EQ(withResults->project().profileID, before);
}

TEST(JobProfile, switchProfileMakesDonePhotosPendingAndLeavesTheJobIdle) {
    auto main = std::make_shared<ManualExecutor>();
    Project p = projectWith(1, 2, 1);
    p.finishedAt = ManualExecutor::defaultStart();
    auto job = quickJob(main, p);
    const Uuid other = Uuid::random();
    job->switchProfile(other);
    EXPECT_EQ(job->project().profileID, other);
    EXPECT_EQ(job->project().pending(), 3u);
    EXPECT_EQ(job->project().done(), 0u);
    EXPECT_EQ(job->project().photos.back().status, PhotoItem::Status::failed);
    EXPECT_FALSE(job->project().finishedAt.has_value());
    EXPECT_EQ(job->state(), State::idle);
}

TEST(JobProfile, switchProfileIsRefusedWhileARunIsInProgress) {
    for (State state : {State::running, State::pausing, State::cancelling}) {
        SCOPED_TRACE(std::string(toText(state)));
        auto main = std::make_shared<ManualExecutor>();
        auto gate = std::make_shared<Gate>();
        auto job = quickJob(main, projectWith(2, 1), gate);
        const Uuid before = job->project().profileID;
        job->start();
        main->runReady();
        if (state == State::pausing) job->pause();
        if (state == State::cancelling) job->cancel();
        ASSERT_EQ(job->state(), state);
        job->switchProfile(Uuid::random());
        EXPECT_EQ(job->project().profileID, before);
        EXPECT_EQ(job->project().done(), 1u);
        EXPECT_EQ(job->state(), state);
        gate->open();
        EXPECT_TRUE(main->runUntil([&] { return !Job::isRunInProgress(job->state()); }));
    }
}

TEST(JobProfile, renameTrimsAndIgnoresABlankName) {
    auto main = std::make_shared<ManualExecutor>();
    auto job = quickJob(main, projectWith(1, 0, 0, "Vechi"));
    int told = 0;
    job->observe([&](Job::Property p) { told += p == Job::Property::project; });
    job->rename(" \n\t ");
    EXPECT_EQ(job->project().name, "Vechi");
    EXPECT_EQ(told, 0);
    job->rename("  Nuntă Ana\n");
    EXPECT_EQ(job->project().name, "Nuntă Ana");
    EXPECT_EQ(told, 1);
}

#include "app/model/prepare_analysis.h"

#include <gtest/gtest.h>

#include <atomic>

#include "app/model/app_model.h"
#include "app/options/option_settings.h"
#include "core/pipeline/photo_pipeline.h"
#include "testing/dng_writer.h"
#include "testing/job_fixtures.h"
#include "testing/temp_dir.h"

using namespace orvane;
using namespace orvane::options;
using namespace orvane::testing;
using namespace std::chrono_literals;

namespace {

struct Steps {
    std::shared_ptr<ManualExecutor> main = std::make_shared<ManualExecutor>();
    std::shared_ptr<FileDefaults> defaults = std::make_shared<FileDefaults>();
    std::atomic<int> analysed{0};
    std::function<void(Job&, Job::Done)> step = model::prepareAnalysisStep(
        main, defaults, [this](const std::filesystem::path&, const AnalysisRequest&) -> std::optional<PhotoAnalysis> {
            ++analysed;
            PhotoAnalysis a;
            a.aspect = 1.5;
            return a;
        });
};

TEST(PreAnalysis, nothingNeededReturnsAtOnceAndLeavesTheStatusLine) {
    Steps s;
    auto job = Job::make(s.main, projectWith(0, 3), 1, false, Job::FileProcess{});
    job->setExtraStatus("Export în Lightroom…", 0.5);
    bool done = false;
    s.step(*job, [&] { done = true; });
    EXPECT_TRUE(done);
    EXPECT_EQ(job->extraStatus(), "Export în Lightroom…");
    EXPECT_EQ(job->extraProgress(), 0.5);
    EXPECT_EQ(s.analysed, 0);
}

TEST(PreAnalysis, aSecondCallWaitsForTheFirstAndFindsNothingLeft) {
    Steps s;
    Project p = projectWith(0, 4);
    p.teethAmount = 40;
    auto job = Job::make(s.main, p, 1, false, Job::FileProcess{});
    std::vector<std::string> order;
    s.step(*job, [&] { order.push_back("first"); });
    s.step(*job, [&] { order.push_back("second"); });
    EXPECT_EQ(job->extraStatus(), model::preparingAnalysisText);
    ASSERT_TRUE(s.main->runUntil([&] { return order.size() == 2; }));
    EXPECT_EQ(order, (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(s.analysed, 4);  // once per photo, not twice
    EXPECT_FALSE(job->extraStatus());
    EXPECT_FALSE(job->extraProgress());
    EXPECT_TRUE(job->project().teethAnalyzedAt);
}

TEST(PreAnalysis, theStatusLineIsClearedWhenThePassEnds) {
    Steps s;
    Project p = projectWith(0, 2);
    p.teethAmount = 40;
    auto job = Job::make(s.main, p, 1, false, Job::FileProcess{});
    bool done = false;
    s.step(*job, [&] { done = true; });
    job->setExtraStatus("Export în Lightroom…");
    ASSERT_TRUE(s.main->runUntil([&] { return done; }));
    // The last progress report of this pass replaced the other text; it is cleared with it.
    EXPECT_FALSE(job->extraStatus());
}

// A real job over generated DNG photos: the run finishes, the application model's follow-up runs the
// feet analysis the crop at the feet asks for, with its progress in the status line, then announces.
TEST(PreAnalysis, aFinishedJobWithACropAtTheFeetRunsTheFeetAnalysisFirst) {
    TempDir dir;
    Project p;
    p.id = Uuid::random();
    p.name = "Grup";
    p.folder = dir.path().string();
    p.profileID = Uuid::random();
    for (int i = 0; i < 10; ++i) {
        const auto file = dir.path() / ("IMG_" + std::to_string(1000 + i) + ".dng");
        writeDng(file, DngSpec{});
        p.photos.emplace_back(file.string());
    }

    auto main = std::make_shared<ManualExecutor>();
    auto defaults = std::make_shared<FileDefaults>();
    defaults->set("notifyDone", false);
    model::AppModel appModel(main, defaults, nullptr);
    // The real analyses, counted by kind: a second call must not ask for the feet again.
    std::atomic<int> feetCalls{0};
    const auto step = model::prepareAnalysisStep(main, defaults, [&](const std::filesystem::path& f, const AnalysisRequest& r) {
        if (r.feet) ++feetCalls;
        return analyzePhoto(f, r);
    });
    appModel.setPrepareAnalysis(step);
    auto job = Job::make(main, p, 2, false, Job::FileProcess([](const std::filesystem::path& f) { return resultFor(f); }));
    appModel.registerJob(job);

    // The photos are edited without a crop; the follow-up of that run finds nothing to analyse.
    appModel.startJob(job);
    ASSERT_TRUE(main->runUntil([&] { return job->state() == Job::State::finished && !job->isAnalysing(); }, 60s));
    main->runReady();
    EXPECT_FALSE(job->project().feetAnalyzedAt);

    // Then the crop at the feet is chosen and handed to the job, and the job finishes again.
    defaults->set("option.crop.mode", "bottom");
    applyOptionSettings(*defaults, *job);
    std::vector<std::string> statuses;
    job->observe([&](Job::Property prop) {
        if (prop == Job::Property::extraStatus) statuses.push_back(job->extraStatus().value_or(""));
    });
    bool finished = false;
    appModel.afterFinish(*job, [&] { finished = true; });
    ASSERT_TRUE(main->runUntil([&] { return finished; }, 60s));

    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.front(), model::preparingAnalysisText);
    const auto fourth = std::find_if(statuses.begin(), statuses.end(), [](const std::string& t) {
        return t.rfind("Analizez fotografiile 4 din 10", 0) == 0;
    });
    ASSERT_NE(fourth, statuses.end());
    EXPECT_EQ(fourth->rfind("Analizez fotografiile 4 din 10 · Timp rămas: ", 0), 0u) << *fourth;
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), "Analizez fotografiile 2 din 10"), statuses.end());
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), "Analizez fotografiile 10 din 10"), statuses.end());
    EXPECT_EQ(statuses.back(), "");
    EXPECT_FALSE(job->extraStatus());
    EXPECT_FALSE(job->extraProgress());
    EXPECT_TRUE(job->project().feetAnalyzedAt);

    EXPECT_EQ(feetCalls, 10);

    // Called again, it asks for nothing it has done. (Without the people network the layout finds
    // nothing on these photos, so only the layout may be asked for again.)
    bool again = false;
    step(*job, [&] { again = true; });
    ASSERT_TRUE(main->runUntil([&] { return again; }, 60s));
    EXPECT_EQ(feetCalls, 10);
    EXPECT_FALSE(job->extraStatus());
}

}  // namespace

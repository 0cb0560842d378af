#include "app/model/prepare_analysis.h"

#include <gtest/gtest.h>

#include <mutex>

#include "testing/concurrency.h"
#include "testing/job_fixtures.h"

using namespace orvane;
using namespace orvane::model;
using namespace orvane::testing;
using namespace std::chrono_literals;

namespace {

AnalysisRequest request(std::initializer_list<bool AnalysisRequest::*> kinds) {
    AnalysisRequest r;
    for (auto kind : kinds) r.*kind = true;
    return r;
}

}  // namespace

TEST(PrepareAnalysis, asksOnlyForWhatTheOptionsNeedAndThePhotosLack) {
    const Date earlier = ManualExecutor::defaultStart();
    CropSettings bottom;
    bottom.mode = CropSettings::Mode::bottom;
    struct Case {
        const char* name;
        std::function<void(Project&)> set;
        AnalysisRequest want;
    };
    const std::vector<Case> cases = {
        {"no option", [](Project&) {}, {}},
        {"straightening never run", [](Project& p) { p.straightenRequested = true; },
         request({&AnalysisRequest::straighten, &AnalysisRequest::layout})},
        {"crop at the feet, never analysed", [&](Project& p) { p.crop = bottom; },
         request({&AnalysisRequest::feet, &AnalysisRequest::layout})},
        {"crop at the feet, feet and layout analysed",
         [&](Project& p) {
             p.crop = bottom;
             p.feetAnalyzedAt = earlier;
             p.layoutAnalyzedAt = earlier;
             p.photos.clear();
         },
         {}},
        {"teeth 0", [](Project& p) { p.teethAmount = 0; }, {}},
        {"teeth 1, never analysed", [](Project& p) { p.teethAmount = 1; }, request({&AnalysisRequest::teeth})},
        {"teeth 1, analysed", [&](Project& p) {
             p.teethAmount = 1;
             p.teethAnalyzedAt = earlier;
         }, {}},
        {"teeth 0 whatever the stamp", [&](Project& p) {
             p.teethAmount = 0;
             p.teethAnalyzedAt.reset();
         }, {}},
        {"face levelling, skin never analysed", [](Project& p) { p.faceLevelAmount = 2; },
         request({&AnalysisRequest::skin})},
        {"subject mask, photos without a subject", [](Project& p) { p.subjectMaskAmount = 1; },
         request({&AnalysisRequest::subject})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Project p = projectWith(0, 2);
        c.set(p);
        EXPECT_EQ(neededAnalyses(p), c.want);
    }
}

TEST(PrepareAnalysis, progressTextCarriesTheEstimateFromTheThirdPhotoUntilTheLast) {
    FileDefaults defaults;
    struct Case {
        int done;
        int total;
        double elapsed;
        const char* text;
    };
    for (const Case& c : std::vector<Case>{
             {1, 10, 5, "Analizez fotografiile 1 din 10"},
             {2, 10, 10, "Analizez fotografiile 2 din 10"},
             {3, 10, 3, "Analizez fotografiile 3 din 10 · Timp rămas: 7 secunde"},
             {4, 10, 20, "Analizez fotografiile 4 din 10 · Timp rămas: 30 de secunde"},
             {9, 10, 90, "Analizez fotografiile 9 din 10 · Timp rămas: 10 secunde"},
             {10, 10, 100, "Analizez fotografiile 10 din 10"},
             {0, 0, 0, "Analizez fotografiile 0 din 0"},
         }) {
        EXPECT_EQ(analysisProgressText(c.done, c.total, c.elapsed, defaults), c.text) << c.done << "/" << c.total;
    }
    defaults.set("language", "en");
    EXPECT_EQ(analysisProgressText(4, 10, 20, defaults), "Analizez fotografiile 4 din 10 · Timp rămas: 30 seconds");
}

// Ten photos whose analyses end one by one, five (virtual) seconds apart.
TEST(PrepareAnalysis, runsTheMissingAnalysesThroughTheJobWithItsProgressAndClearsTheStatus) {
    freshDataDir();
    auto main = std::make_shared<ManualExecutor>();
    auto defaults = std::make_shared<FileDefaults>();
    Project project = projectWith(0, 10);
    project.skinAmount = 1;
    auto job = Job::make(main, project, 1, false, Job::FileProcess([](const std::filesystem::path& f) {
                             return resultFor(f);
                         }));
    std::vector<std::optional<std::string>> statuses;
    std::vector<std::optional<double>> progress;
    job->observe([&](Job::Property p) {
        if (p == Job::Property::extraStatus) statuses.push_back(job->extraStatus());
        if (p == Job::Property::extraProgress) progress.push_back(job->extraProgress());
    });

    auto gate = std::make_shared<Gate>();
    auto inFlight = std::make_shared<HighWater>();
    auto asked = std::make_shared<std::vector<AnalysisRequest>>();
    auto mutex = std::make_shared<std::mutex>();
    auto step = prepareAnalysisStep(main, defaults, [=](const std::filesystem::path&, const AnalysisRequest& r) {
        {
            std::lock_guard lock(*mutex);
            asked->push_back(r);
        }
        inFlight->enter();
        gate->pass();
        inFlight->leave();
        PhotoAnalysis a;
        a.aspect = 1.5;
        a.skin = std::vector<SkinRegion>{};
        return std::optional<PhotoAnalysis>(a);
    });
    int done = 0;
    step(*job, [&] {
        EXPECT_FALSE(job->extraStatus());  // cleared before the caller goes on
        ++done;
    });
    ASSERT_EQ(statuses.size(), 1u);
    EXPECT_EQ(statuses[0], std::string(preparingAnalysisText));
    EXPECT_TRUE(job->isAnalysing());

    ASSERT_TRUE(gate->waitEntered(preAnalysisWorkers));  // six photos at once, no more
    for (int photo = 1; photo <= 10; ++photo) {
        main->advance(5s);
        gate->release(1);
        ASSERT_TRUE(main->runUntil([&] { return statuses.size() == std::size_t(photo) + 1 || done; }, 20s, false));
    }
    ASSERT_TRUE(main->runUntil([&] { return done == 1; }, 20s, false));
    ASSERT_EQ(statuses.size(), 12u);
    EXPECT_EQ(statuses[2], "Analizez fotografiile 2 din 10");
    EXPECT_EQ(statuses[3], "Analizez fotografiile 3 din 10 · Timp rămas: 35 de secunde");
    EXPECT_EQ(statuses[4], "Analizez fotografiile 4 din 10 · Timp rămas: 30 de secunde");
    EXPECT_EQ(statuses[10], "Analizez fotografiile 10 din 10");
    EXPECT_EQ(statuses[11], std::nullopt);
    ASSERT_EQ(progress.size(), 11u);
    EXPECT_EQ(progress[3], 0.4);
    EXPECT_EQ(progress.back(), std::nullopt);
    EXPECT_EQ(asked->size(), 10u);
    for (const auto& r : *asked) EXPECT_EQ(r, request({&AnalysisRequest::skin}));
    EXPECT_EQ(inFlight->most(), preAnalysisWorkers);
    EXPECT_TRUE(job->project().skinAnalyzedAt);
    EXPECT_FALSE(neededAnalyses(job->project()).any());

    // A second call finds nothing to do: `done` at once, and the caller's own status stays.
    job->setExtraStatus("Se pregătește exportul…", 0.01);
    step(*job, [&] { ++done; });
    EXPECT_EQ(done, 2);
    EXPECT_EQ(job->extraStatus(), "Se pregătește exportul…");
}

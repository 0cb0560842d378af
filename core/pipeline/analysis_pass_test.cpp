#include <gtest/gtest.h>
#include <pthread.h>

#include <mutex>
#include <set>
#include <stdexcept>

#include "core/pipeline/job.h"
#include "core/pipeline/photo_pipeline.h"
#include "core/vision/subject_detector.h"
#include "testing/concurrency.h"
#include "testing/job_fixtures.h"
#include "testing/temp_dir.h"

using namespace orvane;
using namespace orvane::testing;
using namespace std::chrono_literals;
using Counts = Job::AnalysisCounts;

namespace {

AnalysisRequest request(std::initializer_list<const char*> flags) {
    AnalysisRequest r;
    for (std::string f : flags) {
        if (f == "straighten") r.straighten = true;
        if (f == "feet") r.feet = true;
        if (f == "teeth") r.teeth = true;
        if (f == "layout") r.layout = true;
        if (f == "skin") r.skin = true;
        if (f == "subject") r.subject = true;
    }
    return r;
}

PersonLayout layoutOfVersion(std::int64_t version) {
    PersonLayout l = PersonLayout::make({}, std::vector<PersonRegion>{}, std::vector<PersonRegion>{}, true);
    l.version = version;
    return l;
}

// Every call is recorded (thread-safe); the answer comes from `answer`.
struct Recorder {
    std::mutex mutex;
    std::vector<std::string> files;
    std::set<std::string> threads;

    Job::Analyze analyze(std::function<std::optional<PhotoAnalysis>(const std::filesystem::path&)> answer) {
        return [this, answer](const std::filesystem::path& file) {
            char name[32] = {};
            pthread_getname_np(pthread_self(), name, sizeof name);
            {
                std::lock_guard lock(mutex);
                files.push_back(file.string());
                threads.insert(name);
            }
            return answer(file);
        };
    }
};

std::optional<PhotoAnalysis> plain(const std::filesystem::path&) {
    PhotoAnalysis a;
    a.aspect = 1.5;
    return a;
}

struct Pass {
    std::shared_ptr<ManualExecutor> main = std::make_shared<ManualExecutor>();
    std::vector<std::pair<int, int>> progress;
    std::optional<Counts> counts;

    std::shared_ptr<Job> job(Project p) { return Job::make(main, std::move(p), 1, false, Job::FileProcess{}); }

    Counts run(Job& job, AnalysisRequest r, int workers, Job::Analyze analyze) {
        counts.reset();
        job.runAnalysis(r, workers, std::move(analyze), [this](int done, int of) { progress.emplace_back(done, of); },
                        [this](const Counts& c) { counts = c; });
        EXPECT_TRUE(main->runUntil([&] { return counts.has_value(); }));
        return counts.value_or(Counts{-1, -1, -1});
    }
};

}  // namespace

TEST(AnalysisPass, selectsDonePhotosAndSkipsCurrentLayoutsOnlyForAStampedLayoutPass) {
    // Photos: 0 pending, 1 done with a current layout, 2 done with an old layout, 3 done without one,
    // 4 failed.
    Project base = projectWith(1, 3, 1);
    base.photos[1].layout = layoutOfVersion(2);
    base.photos[2].layout = layoutOfVersion(1);
    struct Case {
        const char* name;
        AnalysisRequest request;
        bool stamped;
        std::vector<int> selected;
    };
    const std::vector<Case> cases = {
        {"layout only, stamped", request({"layout"}), true, {2, 3}},
        {"layout only, never stamped", request({"layout"}), false, {1, 2, 3}},
        {"layout with straighten", request({"layout", "straighten"}), true, {1, 2, 3}},
        {"layout with subject", request({"layout", "subject"}), true, {1, 2, 3}},
        {"straighten only", request({"straighten"}), true, {1, 2, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Project p = base;
        if (c.stamped) p.layoutAnalyzedAt = ManualExecutor::defaultStart() - 24h;
        Pass pass;
        auto job = pass.job(p);
        Recorder rec;
        pass.run(*job, c.request, 1, rec.analyze(plain));
        std::vector<std::string> expected;
        for (int i : c.selected) expected.push_back(p.photos[i].path);
        EXPECT_EQ(rec.files, expected);  // one worker: photo order
    }
}

TEST(AnalysisPass, analysesTheSmartPreviewWhenTheRawFileIsGone) {
    TempDir dir;
    writeText(dir / "IMG_2.dng", "raw");
    Project p = projectWith(0, 2);
    p.photos[0].previewPath = (dir / "gone-preview.dng").string();  // raw gone: the preview
    p.photos[1].path = (dir / "IMG_2.dng").string();
    p.photos[1].previewPath = (dir / "kept-preview.dng").string();  // raw present: the raw
    Pass pass;
    auto job = pass.job(p);
    Recorder rec;
    pass.run(*job, request({"straighten"}), 1, rec.analyze(plain));
    EXPECT_EQ(rec.files, (std::vector<std::string>{(dir / "gone-preview.dng").string(), (dir / "IMG_2.dng").string()}));
}

TEST(AnalysisPass, writesRequestedFieldsAndTheAspectAndKeepsTheRest) {
    Project p = projectWith(0, 2);
    for (auto& photo : p.photos) {
        photo.aspect = 0.75;
        photo.straighten = StraightenResult{1.0, 0.9, 1.5};
        photo.skin = std::vector<SkinRegion>{SkinRegion{}};
        photo.feetBottom = 0.9;
    }
    Pass pass;
    auto job = pass.job(p);
    Recorder rec;
    // First photo: nothing found by any analysis. Second photo: cannot be analysed.
    const Counts counts = pass.run(*job, request({"teeth", "subject", "layout"}), 2,
                                   rec.analyze([&](const std::filesystem::path& f) -> std::optional<PhotoAnalysis> {
                                       if (f == p.photos[1].path) return std::nullopt;
                                       return plain(f);
                                   }));
    const PhotoItem& found = job->project().photos[0];
    EXPECT_EQ(found.aspect, 1.5);                                    // always written
    EXPECT_EQ(found.teeth, std::vector<TeethRegion>{});              // an empty list, not absent
    EXPECT_EQ(found.subject, SubjectDetector::none());               // the placeholder, not absent
    EXPECT_FALSE(found.layout.has_value());                          // requested: replaced by absent
    EXPECT_EQ(found.straighten, (StraightenResult{1.0, 0.9, 1.5}));  // not requested: kept
    EXPECT_EQ(found.feetBottom, 0.9);
    EXPECT_EQ(found.skin, std::vector<SkinRegion>{SkinRegion{}});
    EXPECT_EQ(job->project().photos[1], p.photos[1]);  // no analysis: unchanged
    EXPECT_EQ(counts, (Counts{0, 2, 0}));
}

TEST(AnalysisPass, countsStraightenedSkippedAndGroups) {
    // Ten done photos: seven get an angle (three of them a feet line), two none, one fails to decode.
    Project p = projectWith(0, 10);
    auto answer = [&](const std::filesystem::path& f) -> std::optional<PhotoAnalysis> {
        int i = 0;
        while (p.photos[i].path != f) ++i;
        if (i == 9) return std::nullopt;
        PhotoAnalysis a;
        a.aspect = 1.5;
        if (i < 7) a.straighten = StraightenResult{0.5 * i, 0.8, 1.5};
        if (i < 3) a.feetBottom = 0.8;
        return a;
    };
    struct Case {
        const char* name;
        AnalysisRequest request;
        Counts expected;
    };
    const std::vector<Case> cases = {
        {"straighten and feet", request({"straighten", "feet"}), {7, 3, 3}},
        {"straighten only", request({"straighten"}), {7, 3, 0}},
        {"no straighten", request({"feet", "teeth"}), {0, 10, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Pass pass;
        auto job = pass.job(p);
        Recorder rec;
        EXPECT_EQ(pass.run(*job, c.request, 3, rec.analyze(answer)), c.expected);
        EXPECT_EQ(job->project().photos[9], p.photos[9]);
    }
}

TEST(AnalysisPass, reportsProgressForEveryPhotoIncludingFailures) {
    Project p = projectWith(1, 5);
    Pass pass;
    auto job = pass.job(p);
    Recorder rec;
    pass.run(*job, request({"straighten"}), 2, rec.analyze([](const std::filesystem::path& f) -> std::optional<PhotoAnalysis> {
        if (f.string().find("1002") != std::string::npos) return std::nullopt;
        if (f.string().find("1004") != std::string::npos) throw std::runtime_error("decoder");
        return plain(f);
    }));
    EXPECT_EQ(pass.progress, (std::vector<std::pair<int, int>>{{1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5}}));
}

TEST(AnalysisPass, stampsTheRequestedAnalysesEvenWithoutADonePhoto) {
    Project p = projectWith(2, 0, 1);
    Pass pass;
    auto job = Job::make(pass.main, p, 1, true, Job::FileProcess{});
    job->setWriteSnapshot([](std::string_view, const std::filesystem::path&) {});
    Recorder rec;
    const Counts counts = pass.run(*job, request({"straighten", "feet", "teeth", "layout", "skin", "subject"}), 4,
                                   rec.analyze(plain));
    EXPECT_EQ(counts, (Counts{0, 0, 0}));
    EXPECT_TRUE(pass.progress.empty());
    EXPECT_TRUE(rec.files.empty());
    const Project& q = job->project();
    const Date now = pass.main->now();
    EXPECT_EQ(q.straightenedAt, now);
    EXPECT_EQ(q.straightenVersion, 4);
    EXPECT_EQ(q.feetAnalyzedAt, now);
    EXPECT_EQ(q.teethAnalyzedAt, now);
    EXPECT_EQ(q.layoutAnalyzedAt, now);
    EXPECT_EQ(q.skinAnalyzedAt, now);
    EXPECT_GT(job->saveRevision(), 0);  // a save was asked for
    EXPECT_FALSE(job->isAnalysing());

    // Only what was requested is stamped.
    Pass other;
    auto second = other.job(projectWith(0, 1));
    other.run(*second, request({"subject"}), 1, rec.analyze(plain));
    EXPECT_FALSE(second->project().straightenedAt || second->project().feetAnalyzedAt ||
                 second->project().teethAnalyzedAt || second->project().layoutAnalyzedAt ||
                 second->project().skinAnalyzedAt);
}

TEST(AnalysisPass, zeroWorkersStillAnalysesEveryPhoto) {
    Pass pass;
    auto job = pass.job(projectWith(0, 3));
    Recorder rec;
    EXPECT_EQ(pass.run(*job, request({"straighten"}), 0, rec.analyze(plain)), (Counts{0, 3, 0}));
    EXPECT_EQ(rec.files.size(), 3u);
}

TEST(AnalysisPass, runsAtMostWorkersAtOnceAlwaysOnTheHighPriorityPool) {
    Pass pass;
    auto job = pass.job(projectWith(0, 8));
    job->setHighPriority(false);  // the job's own choice does not matter to the pass
    auto gate = std::make_shared<Gate>();
    auto water = std::make_shared<HighWater>();
    Recorder rec;
    Job::AnalysisCounts counts{-1, -1, -1};
    bool ended = false;
    job->runAnalysis(request({"layout"}), 3, rec.analyze([gate, water](const std::filesystem::path& f) {
        water->enter();
        gate->pass();
        water->leave();
        return plain(f);
    }),
                     nullptr, [&](const Counts& c) {
                         counts = c;
                         ended = true;
                     });
    ASSERT_TRUE(gate->waitEntered(3));
    EXPECT_TRUE(job->isAnalysing());
    EXPECT_EQ(job->state(), Job::State::finished);  // the run's state is not touched
    gate->open();
    ASSERT_TRUE(pass.main->runUntil([&] { return ended; }));
    EXPECT_LE(water->most(), 3);
    EXPECT_EQ(rec.threads, (std::set<std::string>{"orvane.work.hig"}));
    EXPECT_EQ(counts, (Counts{0, 8, 0}));
}

TEST(AnalysisPass, extraStatusKeepsItsProgressOnlyWithAText) {
    Pass pass;
    auto job = pass.job(projectWith(1));
    std::vector<Job::Property> told;
    job->observe([&](Job::Property p) { told.push_back(p); });
    job->setExtraStatus("Analizez 1/4", 0.25);
    EXPECT_EQ(job->extraStatus(), "Analizez 1/4");
    EXPECT_EQ(job->extraProgress(), 0.25);
    job->setExtraStatus(std::nullopt, 0.5);
    EXPECT_FALSE(job->extraStatus() || job->extraProgress());
    EXPECT_EQ(told.size(), 4u);
    EXPECT_EQ(job->saveRevision(), 0);
}

TEST(AnalyzePhoto, decodesOnceAndRunsOnlyTheRequestedAnalyses) {
    int decodes = 0;
    bool fullLuma = false;
    PhotoDecoders decoders;
    decoders.loadRaw = [&](const std::filesystem::path& f, bool luma) {
        ++decodes;
        fullLuma = luma;
        if (f.filename() == "broken.dng") throw std::runtime_error("LibRaw: corrupt");
        RawImage image;
        image.w = 300;
        image.h = 200;
        return image;
    };
    PhotoAnalyzers analyzers;
    analyzers.straighten = [](const RawImage&) { return std::optional<StraightenResult>({1.0, 0.7, 1.5}); };
    analyzers.faces = [](const RawImage&, bool, bool) {
        FaceRegions r;
        r.teeth.resize(1);
        r.skin.resize(2);
        return r;
    };
    analyzers.subject = [](const RawImage&) -> std::optional<SkinRegion> { throw std::runtime_error("model"); };

    EXPECT_FALSE(analyzePhoto("/x/broken.dng", request({"straighten"}), decoders, analyzers).has_value());
    decodes = 0;
    auto a = analyzePhoto("/x/IMG_1.dng", request({"teeth", "subject"}), decoders, analyzers);
    ASSERT_TRUE(a.has_value());
    EXPECT_EQ(decodes, 1);
    EXPECT_TRUE(fullLuma);
    EXPECT_DOUBLE_EQ(a->aspect, 1.5);
    ASSERT_TRUE(a->teeth.has_value());
    EXPECT_EQ(a->teeth->size(), 1u);
    EXPECT_FALSE(a->skin.has_value());       // not requested: absent, not empty
    EXPECT_FALSE(a->straighten.has_value());  // not requested
    EXPECT_FALSE(a->subject.has_value());     // a failing analysis finds nothing
    a = analyzePhoto("/x/IMG_1.dng", request({"straighten"}), decoders, analyzers);
    EXPECT_FALSE(fullLuma);
    EXPECT_EQ(a->straighten, (StraightenResult{1.0, 0.7, 1.5}));
    EXPECT_FALSE(a->teeth || a->skin || a->feetBottom || a->subject || a->layout);

    // Teeth asked for and no face found: an empty list, not absent.
    analyzers.faces = [](const RawImage&, bool, bool) { return FaceRegions{}; };
    a = analyzePhoto("/x/IMG_1.dng", request({"teeth"}), decoders, analyzers);
    EXPECT_EQ(a->teeth, std::vector<TeethRegion>{});
    EXPECT_FALSE(a->skin.has_value());
}

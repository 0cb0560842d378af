#include <gtest/gtest.h>

#include <atomic>

#include "core/pipeline/job.h"
#include "testing/concurrency.h"
#include "testing/job_fixtures.h"

using namespace orvane;
using namespace orvane::testing;
using State = Job::State;

namespace {

struct Harness {
    std::shared_ptr<ManualExecutor> main = std::make_shared<ManualExecutor>();
    std::shared_ptr<std::atomic<int>> writes = std::make_shared<std::atomic<int>>(0);

    // A persisting job whose writes go nowhere, so that every asked-for save shows in saveRevision().
    std::shared_ptr<Job> make(Project p, Job::Process process = nullptr) {
        if (!process)
            process = [](const std::filesystem::path& file, const AnalysisRequest&) { return resultFor(file); };
        auto job = Job::make(main, std::move(p), 1, true, std::move(process));
        job->setWriteSnapshot([writes = writes](std::string_view, const std::filesystem::path&) { ++*writes; });
        return job;
    }
};

EditVersion named(std::string name, std::int64_t teeth) {
    EditVersion v;
    v.name = std::move(name);
    v.teethAmount = teeth;
    return v;
}

}  // namespace

TEST(JobEditing, settersStoreNeutralValuesAsAbsent) {
    struct Case {
        const char* name;
        std::function<void(Project&)> before;
        std::function<void(Job&)> edit;
        std::function<void(const Project&)> check;
    };
    const Case cases[] = {
        {"teeth 0 on an absent amount stays absent", [](Project&) {}, [](Job& j) { j.setTeethAmount(0); },
         [](const Project& p) { EXPECT_EQ(p.teethAmount, std::nullopt); }},
        {"teeth 0 after 42 is stored", [](Project& p) { p.teethAmount = 42; }, [](Job& j) { j.setTeethAmount(0); },
         [](const Project& p) { EXPECT_EQ(p.teethAmount, 0); }},
        {"skin, face level and subject like teeth", [](Project& p) { p.skinAmount = 5; },
         [](Job& j) {
             j.setSkinAmount(0);
             j.setFaceLevelAmount(0);
             j.setSubjectMaskAmount(30);
         },
         [](const Project& p) {
             EXPECT_EQ(p.skinAmount, 0);
             EXPECT_EQ(p.faceLevelAmount, std::nullopt);
             EXPECT_EQ(p.subjectMaskAmount, 30);
         }},
        {"noise false on an absent value stays absent", [](Project&) {}, [](Job& j) { j.setNoiseReduction(false); },
         [](const Project& p) { EXPECT_EQ(p.noiseReduction, std::nullopt); }},
        {"noise false after true is stored", [](Project& p) { p.noiseReduction = true; },
         [](Job& j) { j.setNoiseReduction(false); }, [](const Project& p) { EXPECT_EQ(p.noiseReduction, false); }},
        {"smart reframe like noise", [](Project&) {},
         [](Job& j) {
             j.setSmartReframe(false);
             j.setProfileCorrection(false);
             j.setStraightenRequested(false);
         },
         [](const Project& p) {
             EXPECT_EQ(p.smartReframe, std::nullopt);
             EXPECT_EQ(p.profileCorrection, false);  // stored as given
             EXPECT_EQ(p.straightenRequested, false);
         }},
        {"skin params at the defaults are removed", [](Project& p) { p.skinParams = SkinParams{1, 2, 3}; },
         [](Job& j) { j.setSkinParams(SkinParams{10, 10, 10}); },
         [](const Project& p) { EXPECT_EQ(p.skinParams, std::nullopt); }},
        {"skin params 10, 10, 11 are stored", [](Project&) {}, [](Job& j) { j.setSkinParams(SkinParams{10, 10, 11}); },
         [](const Project& p) { EXPECT_EQ(p.skinParams, (SkinParams{10, 10, 11})); }},
        {"crop mode none is removed with its ratio and sizes",
         [](Project& p) {
             p.crop = CropSettings{};
             p.crop->mode = CropSettings::Mode::ratio;
         },
         [](Job& j) {
             CropSettings none;
             none.ratio = "4:5";
             none.customW = 7;
             j.setCrop(none);
         },
         [](const Project& p) { EXPECT_EQ(p.crop, std::nullopt); }},
        {"untouched keys are sorted; an empty list removes them", [](Project&) {},
         [](Job& j) { j.setUntouched({"Vibrance", "Clarity2012"}); },
         [](const Project& p) { EXPECT_EQ(p.untouchedKeys, (std::vector<std::string>{"Clarity2012", "Vibrance"})); }},
        {"an empty untouched list", [](Project& p) { p.untouchedKeys = std::vector<std::string>{"Dehaze"}; },
         [](Job& j) { j.setUntouched({}); }, [](const Project& p) { EXPECT_EQ(p.untouchedKeys, std::nullopt); }},
        {"empty preset overrides", [](Project& p) { p.presetOverrides = std::map<std::string, std::int64_t>{{"Dehaze", 3}}; },
         [](Job& j) { j.setPresetOverrides({}); }, [](const Project& p) { EXPECT_EQ(p.presetOverrides, std::nullopt); }},
        {"basic 0, 0 is removed", [](Project& p) { p.basic = BasicAdjustments{100, 0}; },
         [](Job& j) { j.setBasic({0, 0}); }, [](const Project& p) { EXPECT_EQ(p.basic, std::nullopt); }},
        {"basic 0, 4 is stored", [](Project&) {}, [](Job& j) { j.setBasic({0, 4}); },
         [](const Project& p) { EXPECT_EQ(p.basic, (BasicAdjustments{0, 4})); }},
        {"global exposure 0.004 is stored as 0", [](Project&) {}, [](Job& j) { j.setGlobalExposure(0.004); },
         [](const Project& p) {
             ASSERT_TRUE(p.globalExposure);
             EXPECT_EQ(*p.globalExposure, 0.0);
             EXPECT_FALSE(std::signbit(*p.globalExposure));
         }},
        {"fixed 5437 K and 0.456", [](Project&) {}, [](Job& j) { j.setFixed(5437, 0.456); },
         [](const Project& p) {
             EXPECT_EQ(p.fixedTemperature, 5440);
             EXPECT_DOUBLE_EQ(*p.fixedExposure, 0.46);
         }},
        {"fixed 5435 K and -0.125: halves away from zero", [](Project&) {}, [](Job& j) { j.setFixed(5435, -0.125); },
         [](const Project& p) {
             EXPECT_EQ(p.fixedTemperature, 5440);
             EXPECT_DOUBLE_EQ(*p.fixedExposure, -0.13);
         }},
        {"absent fixed values clear the fields",
         [](Project& p) {
             p.fixedTemperature = 6000;
             p.fixedExposure = 1;
         },
         [](Job& j) { j.setFixed(std::nullopt, std::nullopt); },
         [](const Project& p) {
             EXPECT_EQ(p.fixedTemperature, std::nullopt);
             EXPECT_EQ(p.fixedExposure, std::nullopt);
         }},
        {"export folder and learned exports", [](Project&) {},
         [](Job& j) {
             j.setExportFolder("/home/ana/Export");
             j.setLearnedExports(0);
         },
         [](const Project& p) {
             EXPECT_EQ(p.exportFolder, "/home/ana/Export");
             EXPECT_EQ(p.learnedExports, 0);
         }},
        {"zero tuning over a tuning removes it", [](Project& p) { p.profileTuning = ProfileTuning{{0, 0}, 0.3, {}}; },
         [](Job& j) { j.setProfileTuning({}); }, [](const Project& p) { EXPECT_EQ(p.profileTuning, std::nullopt); }},
        {"a rename is trimmed", [](Project&) {}, [](Job& j) { j.rename("  Botez Ioana\n"); },
         [](const Project& p) { EXPECT_EQ(p.name, "Botez Ioana"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        Project p = projectWith(1, 1);
        c.before(p);
        auto job = h.make(p);
        int told = 0;
        job->observe([&](Job::Property changed) { told += changed == Job::Property::project; });
        c.edit(*job);
        c.check(job->project());
        EXPECT_GE(job->saveRevision(), 1);
        EXPECT_GE(told, 1);
        EXPECT_EQ(job->state(), State::idle);  // no edit starts a run
    }
}

TEST(JobEditing, ignoredEditsDoNotSave) {
    struct Case {
        const char* name;
        bool tuned;  // the project has a tuning
        std::function<void(Job&)> edit;
    };
    const Case cases[] = {
        {"zero tuning on a project without one", false, [](Job& j) { j.setProfileTuning({}); }},
        {"the same tuning again", true,
         [](Job& j) { j.setProfileTuning(ProfileTuning{{100, 0}, 0, {{"Dehaze", 2}}}); }},
        {"a name of spaces", true, [](Job& j) { j.rename(" \t\n "); }},
        {"an unknown version", true, [](Job& j) { j.renameVersion(Uuid::random(), "Final"); }},
        {"a profile after results", true, [](Job& j) { j.setProfile(Uuid::random()); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        Project p = projectWith(1, 1);
        if (c.tuned) p.profileTuning = ProfileTuning{{100, 0}, 0, {{"Dehaze", 2}}};
        p.history = std::vector<EditVersion>{EditVersion{}};
        auto job = h.make(p);
        c.edit(*job);
        EXPECT_EQ(job->project(), p);
        EXPECT_EQ(job->saveRevision(), 0);
    }
}

TEST(JobEditing, setProfileOnlyBeforeAnyResult) {
    Harness h;
    auto job = h.make(projectWith(2, 0, 1));
    const auto profile = Uuid::random();
    job->setProfile(profile);
    EXPECT_EQ(job->project().profileID, profile);
    EXPECT_EQ(job->saveRevision(), 1);
    EXPECT_EQ(job->state(), State::idle);
}

TEST(JobEditing, switchProfileMakesDonePhotosPendingAgain) {
    Harness h;
    Project p = projectWith(1, 2, 1);
    p.finishedAt = std::chrono::system_clock::now();
    auto job = h.make(p);
    job->start();
    ASSERT_TRUE(runUntilState(*h.main, *job, State::finished));
    const auto profile = Uuid::random();
    const auto revision = job->saveRevision();
    job->switchProfile(profile);
    const auto& after = job->project();
    EXPECT_EQ(after.profileID, profile);
    EXPECT_EQ(after.finishedAt, std::nullopt);
    EXPECT_EQ(after.pending(), 3u);  // the three done ones
    EXPECT_EQ(after.failed(), 1u);
    EXPECT_EQ(after.photos[1].exposure, 0.5);  // earlier values stay until processed again
    EXPECT_EQ(job->state(), State::idle);
    EXPECT_EQ(job->saveRevision(), revision + 1);
}

TEST(JobEditing, switchProfileAndRetryAreRefusedWhileResultsMayStillArrive) {
    auto gatedProcess = [](std::shared_ptr<Gate> gate) -> Job::Process {
        return [gate](const std::filesystem::path& file, const AnalysisRequest&) {
            gate->pass();
            return resultFor(file);
        };
    };
    for (State target : {State::running, State::pausing, State::cancelling}) {
        SCOPED_TRACE(toText(target));
        Harness h;
        auto gate = std::make_shared<Gate>();
        const Project p = projectWith(2, 1, 1);
        auto job = h.make(p, gatedProcess(gate));
        job->start();
        h.main->runReady();
        ASSERT_TRUE(gate->waitEntered(1));
        if (target != State::running) job->pause();
        if (target == State::cancelling) job->cancel();
        job->switchProfile(Uuid::random());
        EXPECT_EQ(job->project().profileID, p.profileID);
        EXPECT_EQ(job->state(), target);
        gate->open();
        ASSERT_TRUE(h.main->runUntil([&] { return !Job::isRunInProgress(job->state()); }));
    }

    // An analysis pass writes into the done photos: neither a switch nor a retry while it runs.
    Harness h;
    const Project p = projectWith(0, 2, 1);
    auto job = h.make(p);
    auto gate = std::make_shared<Gate>();
    bool ended = false;
    AnalysisRequest layout;
    layout.layout = true;
    job->runAnalysis(
        layout, 1,
        [gate](const std::filesystem::path&) -> std::optional<PhotoAnalysis> {
            gate->pass();
            return std::nullopt;
        },
        nullptr, [&](const Job::AnalysisCounts&) { ended = true; });
    ASSERT_TRUE(gate->waitEntered(1));
    ASSERT_TRUE(job->isAnalysing());
    job->switchProfile(Uuid::random());
    job->retryFailed();
    EXPECT_EQ(job->project().profileID, p.profileID);
    EXPECT_EQ(job->project().failed(), 1u);
    EXPECT_EQ(job->state(), State::finished);
    gate->open();
    ASSERT_TRUE(h.main->runUntil([&] { return ended; }));
    job->switchProfile(Uuid::random());
    EXPECT_EQ(job->state(), State::idle);
}

TEST(JobEditing, recordVersionSkipsRepeatsAndKeepsTwentyVersions) {
    auto unnamed = [](std::int64_t teeth) {
        EditVersion v;
        v.teethAmount = teeth;
        return v;
    };
    struct Case {
        const char* name;
        std::vector<EditVersion> history;
        std::vector<std::int64_t> expectedTeeth;  // of the history afterwards; -1 for the new version (teeth 99)
    };
    std::vector<EditVersion> twentyUnnamed, twentyNamed, nineteenNamedOneUnnamed;
    std::vector<std::int64_t> twentyTeeth;
    for (int i = 0; i < 20; ++i) {
        twentyUnnamed.push_back(unnamed(i + 1));
        twentyNamed.push_back(named("V" + std::to_string(i), i + 1));
        nineteenNamedOneUnnamed.push_back(i == 4 ? unnamed(i + 1) : named("V" + std::to_string(i), i + 1));
        twentyTeeth.push_back(i + 1);
    }
    auto without = [&](std::size_t index) {
        auto t = twentyTeeth;
        t.erase(t.begin() + static_cast<std::ptrdiff_t>(index));
        t.push_back(99);
        return t;
    };
    std::vector<std::int64_t> withNew = twentyTeeth;
    withNew.push_back(99);
    const Case cases[] = {
        {"no history", {}, {99}},
        {"the same settings as the last version", {unnamed(5), unnamed(99)}, {5, 99}},
        {"20 unnamed: the oldest goes", twentyUnnamed, without(0)},
        {"20 named: the new one goes again", twentyNamed, twentyTeeth},
        {"19 named and one unnamed: the unnamed one goes", nineteenNamedOneUnnamed, without(4)},
        {"19 versions: 20 after", std::vector<EditVersion>(twentyUnnamed.begin() + 1, twentyUnnamed.end()),
         std::vector<std::int64_t>(withNew.begin() + 1, withNew.end())},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        Project p = projectWith(0, 1);
        p.teethAmount = 99;
        if (!c.history.empty()) p.history = c.history;
        auto job = h.make(p);
        job->recordVersion();
        job->recordVersion();  // nothing changed in between: no second version
        std::vector<std::int64_t> teeth;
        for (const auto& v : *job->project().history) teeth.push_back(v.teethAmount.value_or(-1));
        EXPECT_EQ(teeth, c.expectedTeeth);
        EXPECT_EQ(job->saveRevision(), 0);  // the caller saves
    }
}

TEST(JobEditing, restoreAndRenameVersions) {
    Harness h;
    Project p = projectWith(0, 1);
    p.teethAmount = 30;
    p.noiseReduction = true;
    p.fixedExposure = 0.4;
    p.profileTuning = ProfileTuning{{50, 0}, 0, {}};
    EditVersion old;
    old.name = "Prima";
    old.straighten = true;
    old.skinAmount = 20;
    old.crop = CropSettings{};
    old.crop->mode = CropSettings::Mode::original;
    old.globalExposure = -0.3;
    old.untouchedKeys = std::vector<std::string>{"Dehaze"};
    p.history = std::vector<EditVersion>{old, EditVersion{}};
    auto job = h.make(p);
    job->restoreVersion(old);
    const auto& r = job->project();
    EXPECT_TRUE(r.currentVersion().sameSettings(old));
    EXPECT_EQ(r.teethAmount, std::nullopt);  // absent in the version: cleared
    EXPECT_EQ(r.noiseReduction, std::nullopt);
    EXPECT_EQ(r.fixedExposure, std::nullopt);
    EXPECT_EQ(r.straightenRequested, true);
    EXPECT_EQ(r.profileTuning, p.profileTuning);  // not part of a version
    EXPECT_EQ(r.history, p.history);              // restoring records nothing
    EXPECT_EQ(job->saveRevision(), 1);

    job->renameVersion(old.id, "\n  Varianta finală  ");
    EXPECT_EQ((*job->project().history)[0].name, "Varianta finală");
    job->renameVersion(old.id, "   ");
    EXPECT_EQ((*job->project().history)[0].name, std::nullopt);
    EXPECT_EQ(job->saveRevision(), 3);
}

TEST(JobEditing, markExportedDatesRemembersTheCropAndRecordsOnlyChangedSettings) {
    struct Case {
        const char* name;
        std::function<void(Project&)> set;
        std::optional<bool> cropWritten;
    };
    const Case cases[] = {
        {"nothing asked", [](Project&) {}, std::nullopt},
        {"only the subject mask", [](Project& p) { p.subjectMaskAmount = 40; }, std::nullopt},
        {"straighten", [](Project& p) { p.straightenRequested = true; }, true},
        {"smart reframe", [](Project& p) { p.smartReframe = true; }, true},
        {"a crop",
         [](Project& p) {
             p.crop = CropSettings{};
             p.crop->mode = CropSettings::Mode::bottom;
         },
         true},
        {"an earlier crop is never taken back", [](Project& p) { p.cropWritten = true; }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        Project p = projectWith(0, 1);
        c.set(p);
        auto job = h.make(p);
        job->markExported();
        EXPECT_EQ(job->project().exportedAt, h.main->now());
        EXPECT_EQ(job->project().cropWritten, c.cropWritten);
        ASSERT_TRUE(job->project().history);
        EXPECT_EQ(job->project().history->size(), 1u);
        EXPECT_EQ(job->saveRevision(), 1);
    }

    // Two exports with the same settings make one version; a change in between makes a second.
    Harness h;
    auto job = h.make(projectWith(0, 1));
    job->markExported();
    job->markExported();
    EXPECT_EQ(job->project().history->size(), 1u);
    job->setTeethAmount(0);  // absent stays absent: still the same settings
    job->markExported();
    EXPECT_EQ(job->project().history->size(), 1u);
    job->setGlobalExposure(0.2);
    job->markExported();
    EXPECT_EQ(job->project().history->size(), 2u);
}

TEST(JobEditing, resetAnalysesForgetsTheDatesAndSubjectsButKeepsTheResults) {
    Harness h;
    Project p = projectWith(0, 2);
    p.subjectMaskAmount = 40;
    const Date at = std::chrono::system_clock::now();
    p.layoutAnalyzedAt = p.straightenedAt = p.feetAnalyzedAt = p.teethAnalyzedAt = p.skinAnalyzedAt = at;
    p.straightenVersion = 4;
    for (auto& photo : p.photos) {
        photo.subject = SkinRegion{};
        photo.straighten = StraightenResult{1.5, 0.9, 1.5};
        photo.skin = std::vector<SkinRegion>{SkinRegion{}};
    }
    auto job = h.make(p);
    job->resetAnalyses();
    const auto& r = job->project();
    EXPECT_EQ(r.layoutAnalyzedAt, std::nullopt);
    EXPECT_EQ(r.straightenedAt, std::nullopt);
    EXPECT_EQ(r.feetAnalyzedAt, std::nullopt);
    EXPECT_EQ(r.teethAnalyzedAt, std::nullopt);
    EXPECT_EQ(r.skinAnalyzedAt, std::nullopt);
    EXPECT_EQ(r.straightenVersion, 4);
    for (const auto& photo : r.photos) {
        EXPECT_EQ(photo.subject, std::nullopt);
        EXPECT_TRUE(photo.straighten && photo.skin);
    }
    EXPECT_TRUE(r.needsSubjectAnalysis());
    EXPECT_EQ(job->saveRevision(), 1);

    // A profile's tuning reaches the project through the job.
    applyTuning(ProfileTuning{{0, 0}, 0.5, {}}, *job);
    EXPECT_EQ(job->project().profileTuning, (ProfileTuning{{0, 0}, 0.5, {}}));
    EXPECT_EQ(job->saveRevision(), 2);
}

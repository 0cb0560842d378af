#include "app/options/option_settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>

#include "core/base/executor.h"
#include "core/pipeline/job.h"
#include "testing/job_fixtures.h"

using namespace orvane;
using namespace orvane::options;

namespace {

// A store that holds anything, as a settings import might: non-finite numbers included.
struct LooseDefaults final : Defaults {
    std::map<std::string, Json> values;
    std::optional<Json> value(const std::string& key) const override {
        const auto it = values.find(key);
        return it == values.end() ? std::nullopt : std::optional<Json>(it->second);
    }
    void set(const std::string& key, const Json& v) override { values[key] = v; }
    void remove(const std::string& key) override { values.erase(key); }
    ObserverId observe(const std::string&, Observer) override { return 0; }
    void unobserve(ObserverId) override {}
};

// Records every setter call, in order.
struct RecordingTarget final : OptionsTarget {
    std::vector<std::string> calls;
    CropSettings crop;
    SkinParams skin;
    std::int64_t teeth = -1, skinAmount = -1, face = -1, subject = -1;
    bool straighten = false, profile = false, noise = false, smart = false;

    void setStraightenRequested(bool on) override { calls.push_back("straighten"); straighten = on; }
    void setProfileCorrection(bool on) override { calls.push_back("profile"); profile = on; }
    void setNoiseReduction(bool on) override { calls.push_back("noise"); noise = on; }
    void setCrop(const CropSettings& c) override { calls.push_back("crop"); crop = c; }
    void setTeethAmount(std::int64_t a) override { calls.push_back("teeth"); teeth = a; }
    void setSkinAmount(std::int64_t a) override { calls.push_back("skin"); skinAmount = a; }
    void setFaceLevelAmount(std::int64_t a) override { calls.push_back("facelevel"); face = a; }
    void setSubjectMaskAmount(std::int64_t a) override { calls.push_back("subject"); subject = a; }
    void setSkinParams(const SkinParams& p) override { calls.push_back("skinParams"); skin = p; }
    void setSmartReframe(bool on) override { calls.push_back("smart"); smart = on; }
};

TEST(OptionSettings, anEmptyStoreReadsTheDefaults) {
    FileDefaults d;
    EXPECT_FALSE(straightenOption(d));
    EXPECT_FALSE(profileCorrectionOption(d));
    EXPECT_FALSE(noiseReductionOption(d));
    EXPECT_EQ(cropOption(d), CropSettings{});
    EXPECT_EQ(cropOption(d).ratio, "3:2");
    EXPECT_EQ(teethAmountOption(d), 0);
    EXPECT_EQ(faceLevelAmountOption(d), 0);
    EXPECT_EQ(skinAmountOption(d), 0);
    EXPECT_EQ(subjectMaskAmountOption(d), 0);
    EXPECT_FALSE(smartReframeOption(d));
    EXPECT_EQ(skinParamsOption(d), (SkinParams{10, 10, 10}));
    EXPECT_EQ(currentOptionLevel(d), Level::none);
    EXPECT_EQ(optionsSummary(d), "Doar editarea de bază: expunere și temperatură");
}

TEST(OptionSettings, booleansReadOnlyAStoredBoolean) {
    FileDefaults d;
    for (const Json& v : {Json("true"), Json(1), Json(1.0), Json::array()}) {
        d.set("option.profile", v);
        EXPECT_FALSE(profileCorrectionOption(d)) << v.dump();
    }
    d.set("option.profile", true);
    EXPECT_TRUE(profileCorrectionOption(d));
}

TEST(OptionSettings, gatedAmountsRoundClampAndFollowTheBetaGate) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* name;
        std::optional<Json> amount;
        bool beta;
        bool on;
        std::int64_t teeth;
        std::int64_t face;
    };
    const Case cases[] = {
        {"absent amount is the base", std::nullopt, true, true, 42, 70},
        {"0.4 becomes 1", 0.4, true, true, 1, 1},
        {"0 becomes 1", 0.0, true, true, 1, 1},
        {"negative becomes 1", -30.0, true, true, 1, 1},
        {"100.5 becomes 100", 100.5, true, true, 100, 100},
        {"half rounds away from zero", 54.5, true, true, 55, 55},
        {"a text reads as the base", Json("60"), true, true, 42, 70},
        {"NaN reads as the base", nan, true, true, 42, 70},
        {"infinity reads as the base", inf, true, true, 42, 70},
        {"minus infinity reads as the base", -inf, true, true, 42, 70},
        {"huge clamps to 100", 1e300, true, true, 100, 100},
        {"beta off reads 0", 80.0, false, true, 0, 0},
        {"option off reads 0", 80.0, true, false, 0, 0},
    };
    for (const auto& c : cases) {
        LooseDefaults d;
        d.set("showBeta", c.beta);
        d.set("option.teeth", c.on);
        d.set("option.facelevel", c.on);
        if (c.amount) {
            d.set("option.teeth.amount", *c.amount);
            d.set("option.facelevel.amount", *c.amount);
        }
        EXPECT_EQ(teethAmountOption(d), c.teeth) << c.name;
        EXPECT_EQ(faceLevelAmountOption(d), c.face) << c.name;
    }
    FileDefaults d;
    d.set("showBeta", true);
    d.set("option.facelevel", true);
    d.set("option.facelevel.amount", 69.5);
    EXPECT_EQ(faceLevelAmountOption(d), 70);
    d.set("option.facelevel.amount", 69.49);
    EXPECT_EQ(faceLevelAmountOption(d), 69);
    d.set("option.smart", true);
    EXPECT_TRUE(smartReframeOption(d));
    d.set("showBeta", false);
    EXPECT_FALSE(smartReframeOption(d));
}

TEST(OptionSettings, skinParamsRoundButDoNotClamp) {
    LooseDefaults d;
    d.set("option.skin.texture", 150.0);
    d.set("option.skin.clarity", -2.5);
    d.set("option.skin.sharpness", std::numeric_limits<double>::infinity());
    EXPECT_EQ(skinParamsOption(d).texture, 150);
    EXPECT_EQ(skinParamsOption(d).clarity, -3);
    EXPECT_EQ(skinParamsOption(d).sharpness, 10);  // not finite: the default
    d.set("option.skin.sharpness", 1e300);
    EXPECT_GT(skinParamsOption(d).sharpness, 1'000'000'000'000'000'000);  // clamped before conversion
    d.set("option.skin.sharpness", std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(skinParamsOption(d).sharpness, 10);
    EXPECT_EQ(intOption(d, "missing", 10.5), 11);
    EXPECT_EQ(intOption(d, "missing", -10.5), -11);
}

TEST(OptionSettings, cropModeMatchesTheRawValuesExactly) {
    const std::pair<Json, CropSettings::Mode> cases[] = {
        {"bottom", CropSettings::Mode::bottom}, {"Bottom", CropSettings::Mode::none},
        {"", CropSettings::Mode::none},         {"square", CropSettings::Mode::none},
        {3, CropSettings::Mode::none},          {"ratio", CropSettings::Mode::ratio},
    };
    for (const auto& [stored, mode] : cases) {
        LooseDefaults d;
        d.set("option.crop.mode", stored);
        EXPECT_EQ(cropOption(d).mode, mode) << stored.dump();
    }
    LooseDefaults d;
    d.set("option.crop.ratio", "21:9");
    d.set("option.crop.w", -4.0);
    d.set("option.crop.h", std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(cropOption(d).ratio, "21:9");
    EXPECT_EQ(cropOption(d).customW, -4.0);  // taken as stored
    EXPECT_EQ(cropOption(d).customH, 2.0);   // not a finite number: the default
}

TEST(OptionSettings, levelsClassifyTheFiveOptions) {
    struct Case {
        LevelOptions o;
        Level level;
    };
    const Case cases[] = {
        {{false, false, false, false, false}, Level::none},
        {{true, true, false, false, false}, Level::recommended},
        {{true, true, true, true, true}, Level::complete},
        {{true, true, false, true, false}, Level::custom},
        {{false, true, true, true, true}, Level::custom},
        {{false, false, false, false, true}, Level::custom},
        {{true, false, false, false, false}, Level::custom},
    };
    for (const auto& c : cases) EXPECT_EQ(classify(c.o), c.level);
    EXPECT_EQ(levelFromText("complete"), Level::complete);
    EXPECT_EQ(levelFromText("Complete"), std::nullopt);
}

TEST(OptionSettings, applyingALevelWritesOnlyTheFiveOptions) {
    FileDefaults d;
    applyOptionLevel(d, Level::complete);
    EXPECT_EQ(currentOptionLevel(d), Level::complete);
    d.set("option.teeth", true);
    d.set("option.crop.mode", "bottom");
    applyOptionLevel(d, Level::recommended);
    EXPECT_EQ(currentOptionLevel(d), Level::recommended);
    EXPECT_EQ(d.boolValue("option.teeth"), true);
    EXPECT_EQ(d.textValue("option.crop.mode"), "bottom");
    applyOptionLevel(d, Level::custom);
    EXPECT_EQ(currentOptionLevel(d), Level::recommended);
    applyOptionLevel(d, Level::none);
    EXPECT_EQ(currentOptionLevel(d), Level::none);
}

TEST(OptionSettings, summaryListsZeroToThreePhrases) {
    struct Case {
        LevelOptions o;
        const char* text;
    };
    const Case cases[] = {
        {{}, "Doar editarea de bază: expunere și temperatură"},
        {{false, false, false, true, false}, "Pe lângă editarea de bază, include netezirea pielii"},
        {{true, true, false, false, false},
         "Pe lângă editarea de bază, include corecția obiectivului și reducerea zgomotului"},
        {{true, true, false, false, true},
         "Pe lângă editarea de bază, include corecția obiectivului, reducerea zgomotului și masca subiectului"},
    };
    for (const auto& c : cases) {
        FileDefaults d;
        d.set("option.profile", c.o.profile);
        d.set("option.noise", c.o.noise);
        d.set("option.straighten", c.o.straighten);
        d.set("option.skin", c.o.skin);
        d.set("option.subject", c.o.subject);
        EXPECT_EQ(optionsSummary(d), c.text);
    }
}

TEST(OptionSettings, resetGoesBackToRecommendedUnlessRemembered) {
    FileDefaults d;
    applyOptionLevel(d, Level::complete);
    d.set("showBeta", true);
    d.set("option.teeth", true);
    d.set("option.teeth.amount", 80.0);
    d.set("option.crop.mode", "ratio");
    d.set("option.crop.ratio", "16:9");
    d.set("option.crop.w", 5.0);
    d.set("option.skin.texture", 30.0);

    d.set("rememberOptions", true);
    resetOptionsUnlessRemembered(d);
    EXPECT_EQ(currentOptionLevel(d), Level::complete);
    EXPECT_EQ(d.boolValue("showBeta"), true);
    EXPECT_EQ(d.numberValue("option.teeth.amount"), 80.0);

    d.set("rememberOptions", false);
    resetOptionsUnlessRemembered(d);
    EXPECT_EQ(currentOptionLevel(d), Level::recommended);
    EXPECT_EQ(d.boolValue("showBeta"), false);
    EXPECT_EQ(d.boolValue("option.teeth"), false);
    EXPECT_EQ(d.numberValue("option.teeth.amount"), 42.0);
    EXPECT_EQ(d.numberValue("option.facelevel.amount"), 70.0);
    EXPECT_EQ(d.numberValue("option.skin.texture"), 10.0);
    EXPECT_EQ(d.textValue("option.crop.mode"), "none");
    EXPECT_EQ(d.textValue("option.crop.ratio"), "16:9");  // untouched
    EXPECT_EQ(d.numberValue("option.crop.w"), 5.0);
    EXPECT_EQ(optionsSummary(d),
              "Pe lângă editarea de bază, include corecția obiectivului și reducerea zgomotului");
}

TEST(OptionSettings, storeOptionsCopiesAProjectBack) {
    FileDefaults d;
    d.set("showBeta", true);
    Project p;
    storeOptions(d, p);
    EXPECT_EQ(d.boolValue("option.teeth"), false);
    EXPECT_EQ(d.numberValue("option.teeth.amount"), 42.0);
    EXPECT_EQ(d.numberValue("option.facelevel.amount"), 70.0);
    EXPECT_EQ(d.textValue("option.crop.mode"), "none");
    EXPECT_EQ(d.textValue("option.crop.ratio"), "3:2");
    EXPECT_EQ(d.numberValue("option.crop.w"), 3.0);
    EXPECT_EQ(d.numberValue("option.crop.h"), 2.0);
    EXPECT_EQ(d.numberValue("option.skin.clarity"), 10.0);
    EXPECT_EQ(d.boolValue("showBeta"), true);  // never written

    p.teethAmount = 55;
    p.faceLevelAmount = 0;
    p.skinAmount = 100;
    p.subjectMaskAmount = 100;
    p.straightenRequested = true;
    p.noiseReduction = true;
    p.smartReframe = true;
    p.skinParams = SkinParams{20, 30, 40};
    p.crop = CropSettings{CropSettings::Mode::custom, "16:9", 4.5, 1.5};
    storeOptions(d, p);
    EXPECT_EQ(d.boolValue("option.teeth"), true);
    EXPECT_EQ(d.numberValue("option.teeth.amount"), 55.0);
    EXPECT_EQ(d.boolValue("option.facelevel"), false);
    EXPECT_EQ(d.numberValue("option.facelevel.amount"), 70.0);
    EXPECT_EQ(d.boolValue("option.skin"), true);
    EXPECT_EQ(d.boolValue("option.subject"), true);
    EXPECT_EQ(d.boolValue("option.straighten"), true);
    EXPECT_EQ(d.boolValue("option.profile"), false);
    EXPECT_EQ(d.boolValue("option.smart"), true);
    EXPECT_EQ(skinParamsOption(d), (SkinParams{20, 30, 40}));
    EXPECT_EQ(cropOption(d), *p.crop);
}

void storeEverything(Defaults& d) {
    d.set("showBeta", true);
    applyOptionLevel(d, Level::complete);
    d.set("option.teeth", true);
    d.set("option.teeth.amount", 55.0);
    d.set("option.facelevel", true);
    d.set("option.facelevel.amount", 64.6);
    d.set("option.smart", true);
    d.set("option.skin.texture", 20.0);
    d.set("option.skin.clarity", 30.0);
    d.set("option.skin.sharpness", 40.0);
    d.set("option.crop.mode", "bottom");
}

TEST(OptionSettings, theTenSettersRunInTheirOneOrder) {
    FileDefaults d;
    storeEverything(d);
    RecordingTarget t;
    applyOptionSettings(d, t);
    EXPECT_EQ(t.calls, (std::vector<std::string>{"straighten", "profile", "noise", "crop", "teeth", "skin",
                                                 "facelevel", "subject", "skinParams", "smart"}));
    EXPECT_TRUE(t.straighten && t.profile && t.noise && t.smart);
    EXPECT_EQ(t.crop.mode, CropSettings::Mode::bottom);
    EXPECT_EQ(t.teeth, 55);
    EXPECT_EQ(t.skinAmount, 100);
    EXPECT_EQ(t.face, 65);
    EXPECT_EQ(t.subject, 100);
    EXPECT_EQ(t.skin, (SkinParams{20, 30, 40}));
}

TEST(OptionSettings, theOptionsReachARealJobsProject) {
    FileDefaults d;
    storeEverything(d);
    auto main = std::make_shared<ManualExecutor>();
    auto job = Job::make(main, orvane::testing::projectWith(2), 1, false, Job::FileProcess{});
    std::vector<Job::Property> seen;
    job->observe([&](Job::Property p) { seen.push_back(p); });
    applyOptionSettings(d, *job);
    const Project& p = job->project();
    EXPECT_EQ(p.straightenRequested, true);
    EXPECT_EQ(p.profileCorrection, true);
    EXPECT_EQ(p.noiseReduction, true);
    ASSERT_TRUE(p.crop);
    EXPECT_EQ(p.crop->mode, CropSettings::Mode::bottom);
    EXPECT_EQ(p.teethAmount, 55);
    EXPECT_EQ(p.skinAmount, 100);
    EXPECT_EQ(p.faceLevelAmount, 65);
    EXPECT_EQ(p.subjectMaskAmount, 100);
    EXPECT_EQ(p.skinParams, (SkinParams{20, 30, 40}));
    EXPECT_EQ(p.smartReframe, true);
    EXPECT_FALSE(seen.empty());

    // The beta gate off: the beta options reach the job as off, the others as they are.
    d.set("showBeta", false);
    applyOptionSettings(d, *job);
    EXPECT_EQ(job->project().teethAmount.value_or(0), 0);
    EXPECT_EQ(job->project().faceLevelAmount.value_or(0), 0);
    EXPECT_EQ(job->project().smartReframe.value_or(false), false);
    EXPECT_EQ(job->project().skinAmount, 100);
}

}  // namespace

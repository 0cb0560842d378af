#include "app/projects/global_adjustments_model.h"

#include <gtest/gtest.h>

#include "app/projects/global_adjustments_world.h"
#include "core/store/preset_keys.h"
#include "testing/temp_dir.h"

namespace orvane::projects {
namespace {

using testing::RecordingTarget;
using Calls = std::vector<std::string>;
using Mode = GlobalAdjustmentsModel::Mode;

struct Panel {
    std::shared_ptr<RecordingTarget> target = std::make_shared<RecordingTarget>();
    std::unique_ptr<GlobalAdjustmentsModel> model;
    explicit Panel(std::optional<std::filesystem::path> preset = std::nullopt, Project project = {}) {
        target->p = std::move(project);
        model = std::make_unique<GlobalAdjustmentsModel>(target, std::move(preset));
        model->load();
    }
    GlobalAdjustmentsModel& operator*() { return *model; }
    GlobalAdjustmentsModel* operator->() { return model.get(); }
    Calls take() { return target->take(); }
};

TEST(GlobalAdjustmentsModel, loadsTheProjectsSettings) {
    Project p;
    p.basic = BasicAdjustments{200, -4};
    p.globalExposure = 0.35;
    p.presetOverrides = std::map<std::string, std::int64_t>{{"Contrast2012", 12}};
    p.untouchedKeys = std::vector<std::string>{"Dehaze"};
    p.fixedTemperature = 6100;
    p.teethAmount = 30;
    p.faceLevelAmount = 55;
    p.subjectMaskAmount = 100;
    p.skinAmount = 100;
    p.skinParams = SkinParams{20, 5, 0};
    Panel panel(std::nullopt, p);
    EXPECT_EQ(panel->basic(), (BasicAdjustments{200, -4}));
    EXPECT_EQ(panel->exposure(), 0.35);
    EXPECT_EQ(panel->toneValue("Contrast2012"), 12);
    EXPECT_TRUE(panel->isLocked("Dehaze"));
    EXPECT_EQ(panel->temperatureMode(), Mode::fixed);
    EXPECT_EQ(panel->exposureMode(), Mode::computed);
    EXPECT_EQ(panel->shownFixedExposure(), 0);
    EXPECT_EQ(panel->teeth(), 30);
    EXPECT_EQ(panel->faceLevel(), 55);
    EXPECT_TRUE(panel->subjectOn());
    EXPECT_EQ(panel->skinTexture(), 20);
    EXPECT_EQ(panel->skinClarity(), 5);
    EXPECT_EQ(panel->skinSharpness(), 0);
    EXPECT_EQ(panel->last(), panel->current());
    EXPECT_TRUE(panel.take().empty()) << "loading writes nothing";

    // Skin smoothing switched on without stored parameters: the defaults 10.
    Project defaults;
    defaults.skinAmount = 100;
    Panel on(std::nullopt, defaults);
    EXPECT_EQ(on->skinTexture(), 10);
    EXPECT_EQ(on->skinSharpness(), 10);

    // Skin smoothing off: stored parameters do not show.
    for (std::optional<std::int64_t> amount : {std::optional<std::int64_t>(), std::optional<std::int64_t>(0)}) {
        Project off;
        off.skinAmount = amount;
        off.skinParams = SkinParams{40, 40, 40};
        Panel panelOff(std::nullopt, off);
        EXPECT_EQ(panelOff->skinTexture(), 0);
        EXPECT_EQ(panelOff->skinClarity(), 0);
        EXPECT_FALSE(panelOff->canReset());
    }
}

TEST(GlobalAdjustmentsModel, toneBaseComesFromTheTuningThenThePreset) {
    orvane::testing::TempDir dir;
    const auto preset = testing::writePreset(
        dir.path(), "crs:Contrast2012=\"+25\" crs:Texture=\"12.5\" crs:Dehaze=\"-7\" crs:Clarity2012=\"30\"");
    Project p;
    p.profileTuning = ProfileTuning{{}, 0, {{"Clarity2012", 5}, {"Texture", 9}}};
    Panel panel(preset, p);
    ASSERT_TRUE(panel->hasPreset());
    struct Case {
        const char* key;
        std::int64_t base;
    };
    for (const Case& c : std::vector<Case>{{"Contrast2012", 25},  // the preset's integer
                                           {"Texture", 9},        // the tuning wins over a fraction
                                           {"Dehaze", -7},
                                           {"Clarity2012", 5},    // the tuning wins over the preset
                                           {"Saturation", 0}})    // neither
        EXPECT_EQ(panel->toneBase(c.key), c.base) << c.key;

    // A fraction without a tuning override is 0; a missing preset file leaves no preset.
    Panel untuned(preset);
    EXPECT_EQ(untuned->toneBase("Texture"), 0);
    Panel missing(dir.path() / "gone.xmp");
    EXPECT_FALSE(missing->hasPreset());
    EXPECT_EQ(missing->toneBase("Contrast2012"), 0);
}

TEST(GlobalAdjustmentsModel, movingAToneKeyBackToItsBaseRemovesTheOverride) {
    orvane::testing::TempDir dir;
    Panel panel(testing::writePreset(dir.path(), "crs:Contrast2012=\"+25\""));
    panel->setToneKey("Contrast2012", 39.5);  // halves away from zero
    EXPECT_EQ(panel->overrides().at("Contrast2012"), 40);
    EXPECT_EQ(panel->toneHint("Contrast2012"), QString("preset: +25"));
    EXPECT_TRUE(panel.take().empty()) << "a move reaches the job only on commit";
    panel->commitBasic();
    EXPECT_EQ(panel.take(), (Calls{"basic 0 0", "exposure 0", "overrides Contrast2012=40"}));

    panel->setToneKey("Contrast2012", 24.6);
    EXPECT_FALSE(panel->hasOverride("Contrast2012"));
    EXPECT_FALSE(panel->toneHint("Contrast2012"));
    panel->commitBasic();
    EXPECT_EQ(panel.take(), (Calls{"basic 0 0", "exposure 0", "overrides"}));
    EXPECT_EQ(panel->undoStack().size(), 2u);
}

TEST(GlobalAdjustmentsModel, eachCommitCallsItsSettersInOrder) {
    struct Case {
        const char* name;
        std::function<void(GlobalAdjustmentsModel&)> act;
        Calls calls;
        bool recordsStep;
    };
    const std::vector<Case> cases = {
        {"offsets",
         [](auto& m) {
             m.setTemperatureOffset(150);
             m.setTint(-3);
             m.setExposureOffset(0.25);
             m.commitBasic();
         },
         {"basic 150 -3", "exposure 0.25", "overrides"}, true},
        {"fixed rows",
         [](auto& m) {
             m.setFixedTemperature(6500);
             m.setFixedExposure(-0.5);
             m.commitFixed();
         },
         {"fixed 6500 -0.5"}, false},
        {"teeth", [](auto& m) { m.setTeeth(42.9); m.commitTeeth(); }, {"teeth 42"}, true},
        {"face level", [](auto& m) { m.setFaceLevel(70); m.commitFaceLevel(); }, {"face 70"}, true},
        {"subject on", [](auto& m) { m.setSubject(true); }, {"subject 100"}, true},
        {"skin on",
         [](auto& m) {
             m.setSkinClarity(15);
             m.commitSkin();
         },
         {"skin 0 15 0", "skinAmount 100"}, true},
        {"lock", [](auto& m) { m.toggleLock("Whites2012"); }, {"untouched Whites2012"}, false},
        {"temperature fixed without temperatures", [](auto& m) { m.chooseTemperatureMode(Mode::fixed); },
         {"fixed 5500 -"}, false},
        {"exposure fixed without exposures", [](auto& m) { m.chooseExposureMode(Mode::fixed); }, {"fixed - 0"},
         false},
    };
    for (const Case& c : cases) {
        Panel panel;
        c.act(*panel);
        EXPECT_EQ(panel.take(), c.calls) << c.name;
        EXPECT_EQ(panel->canUndo(), c.recordsStep) << c.name;
    }
}

TEST(GlobalAdjustmentsModel, skinAmountFollowsTheThreeSkinRows) {
    Project p;
    p.skinAmount = 100;
    Panel panel(std::nullopt, p);
    panel->setSkinTexture(0);
    panel->setSkinClarity(0);
    panel->commitSkin();
    EXPECT_EQ(panel.take(), (Calls{"skin 0 0 10", "skinAmount 100"}));
    panel->setSkinSharpness(0);
    panel->commitSkin();
    EXPECT_EQ(panel.take(), (Calls{"skin 0 0 0", "skinAmount 0"}));
}

TEST(GlobalAdjustmentsModel, fixedModesTakeTheMedianOfTheComputedValues) {
    Project p;
    p.basic = BasicAdjustments{100, 0};
    p.globalExposure = 0.5;
    const std::vector<std::pair<double, double>> predicted = {{4900, -0.25}, {5300, 0.25}, {5100, 0}, {5900, 1}};
    for (const auto& [k, ev] : predicted)
        p.photos.push_back(testing::predictedPhoto("/r/" + std::to_string(int(k)) + ".cr2", k, ev));
    p.photos.push_back(testing::predictedPhoto("/r/none.cr2", std::nullopt, std::nullopt));
    Panel panel(std::nullopt, p);

    // 5000, 5200, 5400 and 6000 with the offset: the upper middle value.
    panel->chooseTemperatureMode(Mode::fixed);
    EXPECT_EQ(panel->fixedTemperature(), 5400);
    EXPECT_EQ(panel.take(), (Calls{"fixed 5400 -"}));
    // Exposures 0.25, 0.5, 0.75 and 1.5 with the offset.
    panel->chooseExposureMode(Mode::fixed);
    EXPECT_EQ(panel->fixedExposure(), 0.75);

    // The user moves the fixed temperature; choosing "Fix" again takes the median again.
    panel->setFixedTemperature(7000);
    panel->commitFixed();
    panel.target->p.fixedTemperature = 7000;
    panel.take();
    panel->chooseTemperatureMode(Mode::fixed);
    EXPECT_EQ(panel->fixedTemperature(), 5400);

    // Back to computed clears only that value; choosing it again writes the unchanged state.
    panel->chooseTemperatureMode(Mode::computed);
    panel->chooseTemperatureMode(Mode::computed);
    EXPECT_FALSE(panel->fixedTemperature());
    EXPECT_EQ(panel.take(), (Calls{"fixed 5400 0.75", "fixed - 0.75", "fixed - 0.75"}));
    EXPECT_FALSE(panel->canUndo()) << "modes record no undo step";

    EXPECT_EQ(GlobalAdjustmentsModel::median({}), std::nullopt);
    EXPECT_EQ(GlobalAdjustmentsModel::median({3}), 3);
}

TEST(GlobalAdjustmentsModel, undoAndRedoRestoreOffsetsOverridesAndMasksOnly) {
    Panel panel;
    panel->setTemperatureOffset(300);
    panel->commitBasic();
    panel->setToneKey("Shadows2012", 20);
    panel->commitBasic();
    panel->setTeeth(50);
    panel->commitTeeth();
    panel->setFixedExposure(1.0);
    panel->commitFixed();
    panel->toggleLock("Vibrance");
    panel.take();

    panel->undo();  // the teeth step
    EXPECT_EQ(panel->teeth(), 0);
    EXPECT_EQ(panel.take(), (Calls{"basic 300 0", "exposure 0", "overrides Shadows2012=20", "teeth 0", "face 0",
                                   "subject 0", "skin 0 0 0", "skinAmount 0"}));
    panel->undo();
    EXPECT_FALSE(panel->hasOverride("Shadows2012"));
    EXPECT_EQ(panel->basic().temperature, 300);
    EXPECT_EQ(panel->fixedExposure(), 1.0) << "undo never touches a fixed value";
    EXPECT_TRUE(panel->isLocked("Vibrance")) << "nor a lock";
    EXPECT_EQ(panel->redoStack().size(), 2u);

    panel->redo();
    EXPECT_EQ(panel->toneValue("Shadows2012"), 20);
    EXPECT_EQ(panel->redoStack().size(), 1u);

    // A committed change after an undo empties the redo stack.
    panel->setTint(5);
    panel->commitBasic();
    EXPECT_FALSE(panel->canRedo());
    panel.take();
    panel->redo();
    EXPECT_TRUE(panel.take().empty()) << "redo with an empty stack does nothing";
}

TEST(GlobalAdjustmentsModel, undoRecordsAChangeNotYetCommittedBeforeItStepsBack) {
    Panel panel;
    panel->setExposureOffset(0.5);
    panel->commitBasic();
    panel->setExposureOffset(1.0);  // moved, never committed
    panel->undo();
    EXPECT_EQ(panel->exposure(), 0.5) << "steps back from the uncommitted value to the last committed one";
    ASSERT_EQ(panel->redoStack().size(), 1u);
    EXPECT_EQ(panel->redoStack().back().exposure, 1.0);
    panel->undo();
    EXPECT_EQ(panel->exposure(), 0);
    panel->redo();
    panel->redo();
    EXPECT_EQ(panel->exposure(), 1.0);
}

TEST(GlobalAdjustmentsModel, theHundredAndFirstStepDropsTheOldest) {
    Panel panel;
    for (int i = 1; i <= 101; ++i) {
        panel->setTint(i % 50);
        panel->setTemperatureOffset(i * 10);
        panel->commitBasic();
    }
    ASSERT_EQ(panel->undoStack().size(), 100u);
    EXPECT_EQ(panel->undoStack().front().b.temperature, 10) << "the zero state was dropped";
    while (panel->canUndo()) panel->undo();
    EXPECT_EQ(panel->basic().temperature, 10);
    panel.take();
    panel->undo();
    EXPECT_TRUE(panel.take().empty()) << "undo with an empty stack does nothing";
}

TEST(GlobalAdjustmentsModel, lockAllLocksTheRestUnlessAllAreLocked) {
    Panel panel;
    const auto& keys = PresetKeys::all();
    for (std::size_t i = 0; i + 1 < keys.size(); ++i) panel->toggleLock(keys[i].key);
    panel->setToneKey("Saturation", 33);
    EXPECT_FALSE(panel->allLocked());
    panel.take();
    panel->toggleAllLocks();
    EXPECT_TRUE(panel->allLocked());
    EXPECT_EQ(panel.take(), (Calls{"untouched Blacks2012 Clarity2012 Contrast2012 Dehaze Highlights2012 Saturation "
                                   "Shadows2012 Texture Vibrance Whites2012"}));
    EXPECT_EQ(panel->toneValue("Saturation"), 33) << "a lock keeps the override";
    panel->toggleAllLocks();
    EXPECT_TRUE(panel->untouched().empty());
    EXPECT_EQ(panel.take(), (Calls{"untouched"}));
    panel->toggleLock("Texture");
    panel->toggleLock("Texture");
    EXPECT_EQ(panel.take(), (Calls{"untouched Texture", "untouched"}));
}

TEST(GlobalAdjustmentsModel, resetClearsAllButTheLocksAndUndoBringsAllButFixedBack) {
    Project p;
    p.untouchedKeys = std::vector<std::string>{"Texture"};
    Panel panel(std::nullopt, p);
    EXPECT_FALSE(panel->canReset()) << "locks do not count";

    panel->setExposureOffset(-0.4);
    panel->setToneKey("Whites2012", 15);
    panel->commitBasic();
    panel->setSubject(true);
    panel->setSkinTexture(30);
    panel->commitSkin();
    panel->chooseTemperatureMode(Mode::fixed);
    EXPECT_TRUE(panel->canReset());
    panel.take();

    panel->reset();
    EXPECT_EQ(panel.take(), (Calls{"fixed - -", "subject 0", "face 0", "basic 0 0", "exposure 0", "overrides",
                                   "teeth 0", "skin 0 0 0", "skinAmount 0"}));
    EXPECT_FALSE(panel->canReset());
    EXPECT_TRUE(panel->isLocked("Texture"));

    panel->undo();
    EXPECT_EQ(panel->exposure(), -0.4);
    EXPECT_EQ(panel->toneValue("Whites2012"), 15);
    EXPECT_TRUE(panel->subjectOn());
    EXPECT_EQ(panel->skinTexture(), 30);
    EXPECT_FALSE(panel->fixedTemperature());
}

TEST(GlobalAdjustmentsModel, labels) {
    EXPECT_EQ(GlobalAdjustmentsModel::temperatureOffsetLabel(-150), "-150 K");
    EXPECT_EQ(GlobalAdjustmentsModel::fixedTemperatureLabel(5500), "5500 K");
    EXPECT_EQ(GlobalAdjustmentsModel::tintLabel(3), "+3");
    EXPECT_EQ(GlobalAdjustmentsModel::exposureLabel(0.25), "+0.25 EV");
    EXPECT_EQ(GlobalAdjustmentsModel::toneLabel(0), "0");
    EXPECT_EQ(GlobalAdjustmentsModel::toneLabel(-12), "-12");
    EXPECT_EQ(GlobalAdjustmentsModel::amountLabel(0, true), "oprit");
    EXPECT_EQ(GlobalAdjustmentsModel::amountLabel(0, false), "0");
    EXPECT_EQ(GlobalAdjustmentsModel::amountLabel(42.7, true), "42");
}

}  // namespace
}  // namespace orvane::projects

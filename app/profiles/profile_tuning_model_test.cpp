#include "app/profiles/profile_tuning_model.h"

#include <gtest/gtest.h>

#include "core/base/atomic_file.h"
#include "testing/temp_dir.h"

namespace orvane::profiles {
namespace {

namespace fs = std::filesystem;

fs::path presetWith(const fs::path& dir, const std::string& attributes) {
    const fs::path file = dir / "preset.xmp";
    writeFileAtomically(file, "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/"
                              "22-rdf-syntax-ns#\"><rdf:Description xmlns:crs=\"http://ns.adobe.com/camera-raw-settings/"
                              "1.0/\" " +
                                  attributes + "/></rdf:RDF></x:xmpmeta>");
    return file;
}

struct Editor {
    std::vector<ProfileTuning> saves;
    ProfileTuningModel model;
    Editor(const fs::path& preset, ProfileTuning initial = {})
        : model(preset, initial, [this](const ProfileTuning& t) { saves.push_back(t); }) {
        model.loadPreset();
    }
};

TEST(ProfileTuningModel, presetValuesAreWholeNumbersWithAnOptionalSign) {
    const ProfileTuningModel::Attributes attrs = {{"Contrast2012", "+25"}, {"Texture", "12.5"}, {"Clarity2012", ""},
                                                  {"Dehaze", "-7"},        {"Vibrance", "+-3"}, {"Contrast2012", "9"}};
    struct Case {
        const char* key;
        std::int64_t value;
    };
    for (const Case& c : std::vector<Case>{{"Contrast2012", 25}, {"Texture", 0}, {"Clarity2012", 0}, {"Dehaze", -7},
                                           {"Vibrance", 0}, {"Saturation", 0}})
        EXPECT_EQ(ProfileTuningModel::presetValueIn(attrs, c.key), c.value) << c.key;
}

TEST(ProfileTuningModel, anOverrideNeverEqualsThePresetsOwnValue) {
    orvane::testing::TempDir dir;
    Editor e(presetWith(dir.path(), "crs:Contrast2012=\"+25\""));
    EXPECT_EQ(e.model.currentValue("Contrast2012"), 25);
    e.model.setPresetKey("Contrast2012", 39.6);
    EXPECT_EQ(e.model.working().overrides.at("Contrast2012"), 40);
    EXPECT_EQ(e.model.presetHint("Contrast2012"), QString("preset: +25"));
    e.model.setPresetKey("Contrast2012", 25);
    EXPECT_FALSE(e.model.hasOverride("Contrast2012"));
    EXPECT_FALSE(e.model.presetHint("Contrast2012"));

    // Without a preset every base is 0: moving a row to 0 removes its override.
    Editor none(dir.path() / "missing.xmp");
    EXPECT_FALSE(none.model.hasPreset());
    none.model.setPresetKey("Texture", 30);
    none.model.setPresetKey("Texture", 0);
    EXPECT_TRUE(none.model.working().overrides.empty());
    EXPECT_EQ(ProfileTuningModel::presetLabel(none.model.currentValue("Texture")), "0");
}

TEST(ProfileTuningModel, oneDragIsOneStepAndAChangeBackRecordsNothing) {
    Editor e("/nonexistent.xmp");
    for (double v : {50.0, 100.0, 150.0, 200.0}) e.model.setTemperature(v);
    e.model.commit();
    EXPECT_EQ(e.model.undoStack().size(), 1u);
    e.model.setTint(5);
    e.model.setTint(0);
    e.model.commit();
    EXPECT_EQ(e.model.undoStack().size(), 1u);
    for (int step = 1; step <= 3; ++step) {  // three arrow-key steps: three steps
        e.model.setExposure(0.05 * step);
        e.model.commit();
    }
    EXPECT_EQ(e.model.undoStack().size(), 4u);
}

TEST(ProfileTuningModel, theUndoStackKeepsTheHundredNewestSteps) {
    Editor e("/nonexistent.xmp");
    for (int i = 1; i <= 101; ++i) {
        e.model.setTemperature(50.0 * i);
        e.model.commit();
    }
    ASSERT_EQ(e.model.undoStack().size(), 100u);
    EXPECT_EQ(e.model.undoStack().front().basic.temperature, 50.0) << "the zero tuning is gone";
    while (e.model.canUndo()) e.model.undo();
    EXPECT_EQ(e.model.working().basic.temperature, 50.0);
}

TEST(ProfileTuningModel, aNewChangeAfterUndoEmptiesRedo) {
    Editor e("/nonexistent.xmp");
    e.model.setTint(3);
    e.model.commit();
    e.model.undo();
    EXPECT_TRUE(e.model.canRedo());
    e.model.setTint(7);
    e.model.commit();
    EXPECT_FALSE(e.model.canRedo());
    e.model.undo();
    e.model.redo();
    EXPECT_EQ(e.model.working().basic.tint, 7);
}

TEST(ProfileTuningModel, undoRecordsAPendingChangeBeforeItGoesBack) {
    Editor e("/nonexistent.xmp");
    e.model.setTint(3);
    e.model.commit();
    e.model.setTint(9);  // not yet recorded
    e.model.undo();
    EXPECT_EQ(e.model.working().basic.tint, 3);
    EXPECT_EQ(e.model.undoStack().size(), 1u);
    ASSERT_EQ(e.model.redoStack().size(), 1u);
    EXPECT_EQ(e.model.redoStack().back().basic.tint, 9);
    e.model.undo();
    EXPECT_TRUE(e.model.working().isZero());
    e.model.redo();
    e.model.redo();
    EXPECT_EQ(e.model.working().basic.tint, 9);
}

TEST(ProfileTuningModel, resetIsOneStepAndLeavesTheSavedTuning) {
    Editor zero("/nonexistent.xmp");
    EXPECT_FALSE(zero.model.canReset());

    ProfileTuning stored;
    stored.exposure = 0.5;
    Editor e("/nonexistent.xmp", stored);
    EXPECT_TRUE(e.model.showsSaved());
    e.model.reset();
    EXPECT_TRUE(e.model.working().isZero());
    EXPECT_TRUE(e.model.isUnsaved());
    e.model.undo();
    EXPECT_EQ(e.model.working(), stored);
    EXPECT_FALSE(e.model.isUnsaved());
    EXPECT_TRUE(e.saves.empty()) << "only saving hands the tuning over";
}

TEST(ProfileTuningModel, savingHandsOverTheWorkingTuningAndUndoMakesItUnsavedAgain) {
    ProfileTuning stored;
    stored.basic.temperature = 100;
    Editor e("/nonexistent.xmp", stored);
    e.model.reset();
    e.model.save();
    ASSERT_EQ(e.saves.size(), 1u);
    EXPECT_TRUE(e.saves[0].isZero());
    EXPECT_FALSE(e.model.showsSaved()) << "a saved zero tuning shows no status";
    EXPECT_FALSE(e.model.isUnsaved());

    e.model.undo();
    EXPECT_TRUE(e.model.isUnsaved());
    e.model.save();
    ASSERT_EQ(e.saves.size(), 2u);
    EXPECT_EQ(e.saves[1], stored);
    EXPECT_TRUE(e.model.showsSaved());
    EXPECT_EQ(e.model.undoStack().size(), 0u);
    EXPECT_EQ(e.model.redoStack().size(), 1u) << "saving leaves both stacks";
}

TEST(ProfileTuningModel, valueLabels) {
    EXPECT_EQ(ProfileTuningModel::temperatureLabel(0), "+0 K");
    EXPECT_EQ(ProfileTuningModel::temperatureLabel(-0.0), "+0 K");
    EXPECT_EQ(ProfileTuningModel::temperatureLabel(-150), "-150 K");
    EXPECT_EQ(ProfileTuningModel::tintLabel(3), "+3");
    EXPECT_EQ(ProfileTuningModel::exposureLabel(0), "+0.00 EV");
    EXPECT_EQ(ProfileTuningModel::exposureLabel(-0.35000000000000003), "-0.35 EV");
    EXPECT_EQ(ProfileTuningModel::presetLabel(0), "0");
    EXPECT_EQ(ProfileTuningModel::presetLabel(25), "+25");
}

}  // namespace
}  // namespace orvane::profiles

#include "app/projects/global_adjustments_panel.h"

#include <QApplication>
#include <QScrollArea>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include "app/kit/app_backdrop.h"
#include "app/kit/app_style.h"
#include "app/kit/buttons.h"
#include "app/kit/fonts.h"
#include "app/kit/form.h"
#include "app/kit/kit_test_fixture.h"
#include "app/kit/pill_picker.h"
#include "app/kit/slider.h"
#include "app/kit/symbol_button.h"
#include "app/kit/text.h"
#include "app/kit/tooltips.h"
#include "app/projects/global_adjustments_world.h"
#include "app/projects/priority_toggle.h"
#include "core/pipeline/job.h"
#include "core/store/preset_keys.h"
#include "testing/temp_dir.h"

namespace orvane::projects {
namespace {

using testing::RecordingTarget;
using Calls = std::vector<std::string>;

class AdjustmentsPanel : public kit::testing::KitFixture {
protected:
    GlobalAdjustmentsPanel& show(bool wide = false, bool collapsed = false,
                                 std::optional<std::filesystem::path> preset = std::nullopt) {
        panel = new GlobalAdjustmentsPanel(target, std::move(preset), wide, collapsed);
        auto* column = new QVBoxLayout(window.get());
        column->addWidget(panel);
        window->resize(wide ? 1000 : 520, wide ? 900 : 1600);
        showWindow();
        target->take();
        return *panel;
    }
    // A click on the slider at `value`: one write and one commit, as a short drag would make.
    static void clickAt(kit::SliderRow* row, double value) {
        kit::ModernSlider* slider = row->slider();
        const QPoint at(int(std::lround(slider->geometry().x(value))), slider->height() / 2);
        QTest::mousePress(slider, Qt::LeftButton, {}, at);
        QTest::mouseRelease(slider, Qt::LeftButton, {}, at);
    }
    static void pick(kit::PillPicker* picker, int index) {
        const QPoint at = picker->pillRect(index).center().toPoint();
        QTest::mouseClick(picker, Qt::LeftButton, {}, at);
    }

    std::shared_ptr<RecordingTarget> target = std::make_shared<RecordingTarget>();
    GlobalAdjustmentsPanel* panel = nullptr;
};

TEST_F(AdjustmentsPanel, rowsHaveTheirRangesStepsAndBaseValues) {
    orvane::testing::TempDir dir;
    auto& p = show(false, false, testing::writePreset(dir.path(), "crs:Highlights2012=\"-30\""));
    struct Case {
        const char* name;
        kit::SliderRow* row;
        double lower, upper, step, neutral;
        const char* label;
    };
    const std::vector<Case> cases = {
        {"temperature offset", p.temperatureOffsetRow(), -1500, 1500, 50, 0, "+0 K"},
        {"fixed temperature", p.fixedTemperatureRow(), 2000, 12000, 50, 5500, "5500 K"},
        {"tint", p.tintRow(), -50, 50, 1, 0, "+0"},
        {"exposure offset", p.exposureOffsetRow(), -3, 3, 0.05, 0, "+0.00 EV"},
        {"fixed exposure", p.fixedExposureRow(), -3, 3, 0.05, 0, "+0.00 EV"},
        {"highlights", p.toneRow("Highlights2012"), -100, 100, 1, -30, "-30"},
        {"dehaze", p.toneRow("Dehaze"), -100, 100, 1, 0, "0"},
        {"teeth", p.teethRow(), 0, 100, 1, 42, "oprit"},
        {"face level", p.faceLevelRow(), 0, 100, 1, 70, "oprit"},
        {"skin texture", p.skinTextureRow(), 0, 100, 1, 10, "0"},
        {"skin clarity", p.skinClarityRow(), 0, 100, 1, 10, "0"},
        {"skin sharpness", p.skinSharpnessRow(), 0, 100, 1, 10, "0"},
    };
    for (const Case& c : cases) {
        const kit::SliderGeometry g = c.row->slider()->geometry();
        EXPECT_EQ(g.lower, c.lower) << c.name;
        EXPECT_EQ(g.upper, c.upper) << c.name;
        EXPECT_EQ(g.step, c.step) << c.name;
        EXPECT_EQ(c.row->neutral(), c.neutral) << c.name;
        EXPECT_EQ(c.row->valueLabel()->text(), QString::fromUtf8(c.label)) << c.name;
    }
    EXPECT_TRUE(p.temperatureOffsetRow()->isVisible());
    EXPECT_FALSE(p.fixedTemperatureRow()->isVisible());
    EXPECT_FALSE(p.toneRow("Highlights2012")->isChanged());

    // Stacked: four groups; the first two open unless collapsed, the last two always closed.
    ASSERT_EQ(p.groups().size(), 4u);
    EXPECT_TRUE(p.groups()[0]->isOpen());
    EXPECT_TRUE(p.groups()[1]->isOpen());
    EXPECT_FALSE(p.groups()[2]->isOpen());
    EXPECT_FALSE(p.groups()[3]->isOpen());
    GlobalAdjustmentsPanel collapsed(target, std::nullopt, false, true);
    for (auto* group : collapsed.groups()) EXPECT_FALSE(group->isOpen());
    GlobalAdjustmentsPanel wide(target, std::nullopt, true, true);
    EXPECT_TRUE(wide.groups().empty());
}

TEST_F(AdjustmentsPanel, aSliderReachesTheJobOnlyWhenTheChangeEnds) {
    auto main = std::make_shared<ManualExecutor>();
    auto job = Job::make(main, Project{}, 1, false, Job::FileProcess{});
    auto* jobPanel = new GlobalAdjustmentsPanel(job, std::nullopt, true, false);
    auto* column = new QVBoxLayout(window.get());
    column->addWidget(jobPanel);
    window->resize(1000, 900);
    showWindow();

    kit::ModernSlider* slider = jobPanel->exposureOffsetRow()->slider();
    const auto x = [&](double v) { return QPoint(int(std::lround(slider->geometry().x(v))), slider->height() / 2); };
    QTest::mousePress(slider, Qt::LeftButton, {}, x(1.0));
    QTest::mouseMove(slider, x(1.5));
    EXPECT_GT(jobPanel->model().exposure(), 0.9);
    EXPECT_FALSE(job->project().globalExposure) << "nothing reaches the job while dragging";
    QTest::mouseRelease(slider, Qt::LeftButton, {}, x(1.5));
    ASSERT_TRUE(job->project().globalExposure);
    EXPECT_NEAR(*job->project().globalExposure, jobPanel->model().exposure(), 0.006);
    EXPECT_TRUE(jobPanel->undoButton()->isEnabled());
}

TEST_F(AdjustmentsPanel, locksDimTheirRowAndLockAllFollowsTheTenKeys) {
    auto& p = show(true);
    kit::SymbolButton* lock = p.lockButton("Contrast2012");
    EXPECT_EQ(lock->symbol(), "lock.open");
    EXPECT_EQ(kit::QuickTip::on(lock)->options().text,
              QString::fromUtf8("Blochează acest ton: valoarea rămâne exact cum este acum în Lightroom, aplicația nu o "
                                "modifică."));
    QTest::mouseClick(lock, Qt::LeftButton);
    EXPECT_EQ(target->take(), (Calls{"untouched Contrast2012"}));
    EXPECT_EQ(p.lockButton("Contrast2012")->symbol(), "lock.fill");
    EXPECT_TRUE(kit::QuickTip::on(lock)->options().text.startsWith(QString::fromUtf8("Blocat: ")));
    EXPECT_DOUBLE_EQ(p.toneRowOpacity("Contrast2012"), 0.4);
    EXPECT_FALSE(p.toneRow("Contrast2012")->isEnabled());
    EXPECT_DOUBLE_EQ(p.toneRowOpacity("Texture"), 1.0);
    EXPECT_EQ(p.lockAllButton()->text(), QString::fromUtf8("Blochează toate"));
    EXPECT_FALSE(p.resetButton()->isEnabled()) << "locks do not count for reset";

    QTest::mouseClick(p.lockAllButton(), Qt::LeftButton);
    for (const auto& entry : PresetKeys::all()) EXPECT_DOUBLE_EQ(p.toneRowOpacity(entry.key), 0.4) << entry.key;
    EXPECT_EQ(p.lockAllButton()->text(), QString::fromUtf8("Deblochează toate"));
    EXPECT_EQ(p.lockAllButton()->symbol(), "lock.open");
    QTest::mouseClick(p.lockAllButton(), Qt::LeftButton);
    EXPECT_TRUE(p.model().untouched().empty());
    EXPECT_TRUE(p.toneRow("Contrast2012")->isEnabled());
}

TEST_F(AdjustmentsPanel, shortcutsUndoAndRedoAndResetNeedSomethingSet) {
    auto& p = show(true);
    EXPECT_FALSE(p.undoButton()->isEnabled());
    EXPECT_FALSE(p.redoButton()->isEnabled());
    EXPECT_FALSE(p.resetButton()->isEnabled());
    clickAt(p.toneRow("Vibrance"), 40);
    EXPECT_EQ(target->take(), (Calls{"basic 0 0", "exposure 0", "overrides Vibrance=40"}));
    EXPECT_TRUE(p.toneRow("Vibrance")->isChanged());
    EXPECT_EQ(p.toneRow("Vibrance")->hintLabel()->text(), "preset: 0");
    EXPECT_TRUE(p.resetButton()->isEnabled());

    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(p.model().hasOverride("Vibrance"));
    EXPECT_EQ(p.toneRow("Vibrance")->value(), 0);
    EXPECT_TRUE(p.redoButton()->isEnabled());
    EXPECT_FALSE(p.undoButton()->isEnabled());
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(p.toneRow("Vibrance")->value(), 40);

    QTest::mouseClick(p.resetButton(), Qt::LeftButton);
    EXPECT_FALSE(p.resetButton()->isEnabled());
    EXPECT_EQ(p.toneRow("Vibrance")->value(), 0);
    EXPECT_TRUE(p.undoButton()->isEnabled());
}

TEST_F(AdjustmentsPanel, returnToBaseSetsTheRowsReferenceAndCommits) {
    target->p.teethAmount = 10;
    target->p.faceLevelAmount = 5;
    auto& p = show(true);
    struct Case {
        const char* name;
        kit::SliderRow* row;
        Calls calls;
    };
    clickAt(p.skinClarityRow(), 60);
    clickAt(p.toneRow("Dehaze"), 25);
    target->take();
    for (const Case& c : std::vector<Case>{{"teeth", p.teethRow(), {"teeth 42"}},
                                           {"face level", p.faceLevelRow(), {"face 70"}},
                                           {"skin clarity", p.skinClarityRow(), {"skin 0 10 0", "skinAmount 100"}},
                                           {"tone key", p.toneRow("Dehaze"), {"basic 0 0", "exposure 0", "overrides"}}}) {
        ASSERT_TRUE(c.row->resetButton()->isEnabled()) << c.name;
        QTest::mouseClick(c.row->resetButton(), Qt::LeftButton);
        EXPECT_EQ(target->take(), c.calls) << c.name;
    }
    EXPECT_FALSE(p.toneRow("Dehaze")->isChanged());
    EXPECT_FALSE(p.toneRow("Dehaze")->hintLabel()->isVisible());
}

TEST_F(AdjustmentsPanel, theModePickersSwapTheRowsAndTheSubjectSwitchCommits) {
    target->p.photos.push_back(testing::predictedPhoto("/r/a.cr2", 5000, 0.5));
    target->p.photos.push_back(testing::predictedPhoto("/r/b.cr2", 6000, -0.5));
    auto& p = show(true);
    pick(p.temperatureModePicker(), 1);
    EXPECT_EQ(target->take(), (Calls{"fixed 6000 -"}));
    EXPECT_TRUE(p.fixedTemperatureRow()->isVisible());
    EXPECT_FALSE(p.temperatureOffsetRow()->isVisible());
    EXPECT_EQ(p.fixedTemperatureRow()->valueLabel()->text(), "6000 K");
    clickAt(p.fixedTemperatureRow(), 4000);
    EXPECT_EQ(target->take(), (Calls{"fixed 4000 -"}));
    EXPECT_FALSE(p.undoButton()->isEnabled()) << "fixed values are not undo steps";
    pick(p.temperatureModePicker(), 0);
    EXPECT_EQ(target->take(), (Calls{"fixed - -"}));
    EXPECT_TRUE(p.temperatureOffsetRow()->isVisible());

    QTest::mouseClick(p.subjectSwitch(), Qt::LeftButton);
    EXPECT_EQ(target->take(), (Calls{"subject 100"}));
    EXPECT_TRUE(p.subjectSwitch()->isChecked());
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(p.subjectSwitch()->isChecked());
}

// The panel in both layouts, light and dark, into docs/.
TEST(AdjustmentsPanelScreenshots, wideAndStackedLightAndDark) {
    if (!qEnvironmentVariableIsSet("ORVANE_SCREENSHOTS")) GTEST_SKIP() << "set ORVANE_SCREENSHOTS to write docs/";
    kit::installUiFont();
    kit::installApplicationStyle();
    orvane::testing::TempDir dir;
    const auto preset = testing::writePreset(dir.path(), "crs:Contrast2012=\"+10\" crs:Highlights2012=\"-35\" "
                                                         "crs:Shadows2012=\"+25\" crs:Clarity2012=\"+8\"");
    auto target = std::make_shared<RecordingTarget>();
    target->p.basic = BasicAdjustments{-200, 4};
    target->p.fixedExposure = 0.4;
    target->p.presetOverrides = std::map<std::string, std::int64_t>{{"Whites2012", 18}, {"Vibrance", 12}, {"Texture", -15}};
    target->p.untouchedKeys = std::vector<std::string>{"Blacks2012", "Saturation"};
    target->p.teethAmount = 42;
    target->p.subjectMaskAmount = 100;
    target->p.skinAmount = 100;
    for (bool dark : {false, true}) {
        kit::Appearance::instance().setOverride(dark);
        for (bool wide : {true, false}) {
            kit::AppBackdrop window;
            const int width = wide ? 980 : 460;
            auto* column = new QVBoxLayout(&window);
            column->setContentsMargins(24, 22, 24, 22);
            auto* p = new GlobalAdjustmentsPanel(target, preset, wide, false);
            column->addWidget(p);
            column->addStretch(1);
            if (!wide)
                for (auto* group : p->groups()) group->setOpen(true);
            // The height the wrapped texts need at this width.
            window.resize(width, std::max(600, window.layout()->totalHeightForWidth(width)));
            window.show();
            QApplication::processEvents();
            QTest::qWait(400);
            const QImage image = window.grab().toImage();
            ASSERT_FALSE(image.isNull());
            const QString file = QStringLiteral(ORVANE_SOURCE_DIR "/docs/adjustments-panel%1-%2.png")
                                     .arg(wide ? QString() : QStringLiteral("-stacked"),
                                          dark ? QStringLiteral("dark") : QStringLiteral("light"));
            EXPECT_TRUE(image.save(file));
        }
    }
    kit::Appearance::instance().setOverride(std::nullopt);
}

}  // namespace
}  // namespace orvane::projects

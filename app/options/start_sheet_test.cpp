#include "app/options/start_sheet.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QScrollArea>
#include <QTest>

#include "app/kit/app_style.h"
#include "app/kit/appearance.h"
#include "app/kit/fonts.h"
#include "app/kit/kit_settings.h"
#include "app/kit/pill_picker.h"
#include "app/options/extra_options_panel.h"
#include "app/options/option_settings.h"
#include "core/base/executor.h"
#include "testing/job_fixtures.h"

using namespace orvane;
using namespace orvane::options;

namespace {

// A real click on a level's pill.
void clickLevel(StartSheet& sheet, Level level) {
    const auto at = sheet.levelPoint(level);
    ASSERT_TRUE(at.has_value());
    QTest::mouseClick(sheet.levelPicker(), Qt::LeftButton, {}, *at);
}

struct SheetFixture {
    std::shared_ptr<FileDefaults> defaults = std::make_shared<FileDefaults>();
    OptionsBinding binding{defaults};
    std::shared_ptr<ManualExecutor> main = std::make_shared<ManualExecutor>();
    std::shared_ptr<Job> job = Job::make(main, orvane::testing::projectWith(7, 2, 1), 1, false, Job::FileProcess{});
    int closed = 0;
    std::vector<std::shared_ptr<Job>> started;
    std::unique_ptr<StartSheet> sheet;

    SheetFixture() {
        sheet = std::make_unique<StartSheet>(
            binding, job, [this](const std::shared_ptr<Job>& j) { started.push_back(j); }, [this] { ++closed; });
        sheet->show();
        QApplication::processEvents();
    }
};

TEST(StartSheet, isSizedAfterTheTallestMainWindow) {
    SheetFixture f;
    const std::pair<int, int> cases[] = {{837, 600}, {500, 440}, {400, 420}};
    for (const auto& [window, height] : cases) {
        f.sheet->fitTo({{true, false, true, window}}, 1000);
        EXPECT_EQ(f.sheet->size(), QSize(560, height)) << window;
    }
    f.sheet->fitTo({}, std::nullopt);
    EXPECT_EQ(f.sheet->size(), QSize(560, 600));
}

TEST(StartSheet, opensAtRecommendedAndCompleteTouchesOnlyTheFiveOptions) {
    auto defaults = std::make_shared<FileDefaults>();
    defaults->set("option.crop.mode", "bottom");
    defaults->set("rememberOptions", true);
    defaults->set("option.teeth", true);
    defaults->set("option.facelevel.amount", 55.0);
    defaults->set("option.smart", true);
    defaults->set("option.skin.texture", 30.0);
    applyOptionLevel(*defaults, Level::recommended);
    OptionsBinding binding(defaults);
    auto main = std::make_shared<ManualExecutor>();
    auto job = Job::make(main, orvane::testing::projectWith(2), 1, false, Job::FileProcess{});
    StartSheet sheet(binding, job, {}, {});
    sheet.show();
    EXPECT_FALSE(sheet.levelPoint(Level::custom).has_value());
    EXPECT_EQ(sheet.levelPicker()->selection().toInt(), int(Level::recommended));
    EXPECT_EQ(sheet.summaryText(), "Corecție obiectiv, Reducere zgomot");
    clickLevel(sheet, Level::complete);
    EXPECT_EQ(currentOptionLevel(*defaults), Level::complete);
    EXPECT_EQ(sheet.summaryText(), "Corecție obiectiv, Reducere zgomot, Îndreptare, Netezire piele, Mască subiect");
    EXPECT_EQ(defaults->textValue("option.crop.mode"), "bottom");
    EXPECT_EQ(defaults->boolValue("option.teeth"), true);
    EXPECT_EQ(defaults->numberValue("option.facelevel.amount"), 55.0);
    EXPECT_EQ(defaults->boolValue("option.smart"), true);
    EXPECT_EQ(defaults->numberValue("option.skin.texture"), 30.0);
    // A change made elsewhere shows at once: a fourth pill for the custom level.
    defaults->set("option.subject", false);
    ASSERT_TRUE(sheet.levelPoint(Level::custom).has_value());
    EXPECT_EQ(sheet.levelPicker()->selection().toInt(), int(Level::custom));
}

TEST(StartSheet, escapeClosesAndLeavesTheJobUntouched) {
    SheetFixture f;
    const Project before = f.job->project();
    clickLevel(*f.sheet, Level::complete);
    QTest::keyClick(f.sheet.get(), Qt::Key_Escape);
    EXPECT_EQ(f.closed, 1);
    EXPECT_TRUE(f.started.empty());
    EXPECT_EQ(f.job->project().straightenRequested, before.straightenRequested);
    EXPECT_EQ(f.job->project().skinAmount, before.skinAmount);
    EXPECT_EQ(currentOptionLevel(*f.defaults), Level::complete);  // the keys stay as the user left them
}

TEST(StartSheet, startWritesTheOptionsThenStartsTheJob) {
    SheetFixture f;
    EXPECT_EQ(currentOptionLevel(*f.defaults), Level::recommended);  // reset on creation
    clickLevel(*f.sheet, Level::complete);
    QTest::mouseClick(f.sheet->startButton(), Qt::LeftButton);
    EXPECT_EQ(f.closed, 1);
    ASSERT_EQ(f.started.size(), 1u);
    EXPECT_EQ(f.started.front(), f.job);
    EXPECT_EQ(f.job->project().straightenRequested, true);
    EXPECT_EQ(f.job->project().profileCorrection, true);
    EXPECT_EQ(f.job->project().subjectMaskAmount, 100);
}

TEST(StartSheet, theCustomizeLinkShowsThePanelBelowTheLevelsAndKeepsItsValues) {
    SheetFixture f;
    EXPECT_FALSE(f.sheet->panelArea()->isVisible());
    QTest::mouseClick(f.sheet->customizeLink(), Qt::LeftButton);
    ASSERT_TRUE(f.sheet->panelArea()->isVisible());
    EXPECT_EQ(f.sheet->panelArea()->widget(), f.sheet->panel());
    EXPECT_GT(f.sheet->panelArea()->y(), f.sheet->levelPicker()->y());
    // The panel and the level pills agree live: a row switched in the panel moves the pill.
    QTest::mouseClick(f.sheet->panel()->row(keys::straighten), Qt::LeftButton);
    EXPECT_EQ(f.sheet->levelPicker()->selection().toInt(), int(Level::custom));
    clickLevel(*f.sheet, Level::none);
    EXPECT_FALSE(f.sheet->panel()->row(keys::profile)->isOn());
    QTest::mouseClick(f.sheet->customizeLink(), Qt::LeftButton);
    EXPECT_FALSE(f.sheet->panelArea()->isVisible());
    EXPECT_EQ(currentOptionLevel(*f.defaults), Level::none);
}

// The sheet closed and open on its panel, and the whole panel, in both appearances, into docs/.
TEST(StartSheet, screenshotsLightAndDark) {
    kit::installUiFont();
    kit::installApplicationStyle();
    const auto save = [](const QImage& image, const QString& name, bool dark) {
        ASSERT_FALSE(image.isNull());
        const QString file = QStringLiteral(ORVANE_SOURCE_DIR "/docs/%1-%2.png").arg(name, dark ? "dark" : "light");
        EXPECT_TRUE(image.save(file)) << file.toStdString();
    };
    for (bool dark : {false, true}) {
        kit::Appearance::instance().setOverride(dark);
        SheetFixture f;
        f.sheet->fitTo({{true, false, true, 837}}, 1000);
        QApplication::processEvents();
        save(f.sheet->grab().toImage(), "options-start-sheet", dark);
        QTest::mouseClick(f.sheet->customizeLink(), Qt::LeftButton);
        QApplication::processEvents();
        save(f.sheet->grab().toImage(), "options-start-sheet-open", dark);

        // The whole panel, with a few options on and their controls showing.
        f.defaults->set(keys::showBeta, true);
        f.defaults->set(keys::skin, true);
        f.defaults->set(keys::teeth, true);
        f.defaults->set(keys::skinTexture, 24.0);
        f.defaults->set(keys::cropMode, "ratio");
        ExtraOptionsPanel panel(f.binding, false, false, false);
        panel.resize(512, panel.sizeHint().height());
        panel.show();
        QApplication::processEvents();
        panel.resize(512, panel.sizeHint().height());
        QApplication::processEvents();
        QImage image(panel.size() * 2, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(2);
        image.fill(dark ? QColor(0x26, 0x27, 0x2c) : QColor(0xf4, 0xf5, 0xf8));
        panel.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        save(image, "options-panel", dark);
    }
    kit::Appearance::instance().setOverride(std::nullopt);
}

}  // namespace

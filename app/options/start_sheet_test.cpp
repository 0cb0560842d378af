#include "app/options/start_sheet.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTest>

#include "app/kit/app_style.h"
#include "app/kit/appearance.h"
#include "app/kit/fonts.h"
#include "app/kit/kit_settings.h"
#include "app/options/option_settings.h"
#include "core/base/executor.h"
#include "testing/job_fixtures.h"

using namespace orvane;
using namespace orvane::options;

namespace {

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
    EXPECT_EQ(sheet.levelButton(Level::custom), nullptr);
    EXPECT_EQ(sheet.summaryText(), "Corecție obiectiv, Reducere zgomot");
    QTest::mouseClick(sheet.levelButton(Level::complete), Qt::LeftButton);
    EXPECT_EQ(currentOptionLevel(*defaults), Level::complete);
    EXPECT_EQ(sheet.summaryText(), "Corecție obiectiv, Reducere zgomot, Îndreptare, Netezire piele, Mască subiect");
    EXPECT_EQ(defaults->textValue("option.crop.mode"), "bottom");
    EXPECT_EQ(defaults->boolValue("option.teeth"), true);
    EXPECT_EQ(defaults->numberValue("option.facelevel.amount"), 55.0);
    EXPECT_EQ(defaults->boolValue("option.smart"), true);
    EXPECT_EQ(defaults->numberValue("option.skin.texture"), 30.0);
    // A change made elsewhere shows at once: a fourth pill for the custom level.
    defaults->set("option.subject", false);
    ASSERT_NE(sheet.levelButton(Level::custom), nullptr);
    EXPECT_TRUE(sheet.levelButton(Level::custom)->isVisible());
}

TEST(StartSheet, escapeClosesAndLeavesTheJobUntouched) {
    SheetFixture f;
    const Project before = f.job->project();
    QTest::mouseClick(f.sheet->levelButton(Level::complete), Qt::LeftButton);
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
    QTest::mouseClick(f.sheet->levelButton(Level::complete), Qt::LeftButton);
    QTest::mouseClick(f.sheet->startButton(), Qt::LeftButton);
    EXPECT_EQ(f.closed, 1);
    ASSERT_EQ(f.started.size(), 1u);
    EXPECT_EQ(f.started.front(), f.job);
    EXPECT_EQ(f.job->project().straightenRequested, true);
    EXPECT_EQ(f.job->project().profileCorrection, true);
    EXPECT_EQ(f.job->project().subjectMaskAmount, 100);
}

TEST(StartSheet, screenshotsLightAndDark) {
    kit::installUiFont();
    kit::installApplicationStyle();
    for (bool dark : {false, true}) {
        kit::Appearance::instance().setOverride(dark);
        SheetFixture f;
        f.sheet->fitTo({{true, false, true, 837}}, 1000);
        QApplication::processEvents();
        const QImage image = f.sheet->grab().toImage();
        ASSERT_FALSE(image.isNull());
        const QString file = QStringLiteral(ORVANE_SOURCE_DIR "/docs/options-start-sheet-%1.png")
                                 .arg(dark ? QStringLiteral("dark") : QStringLiteral("light"));
        EXPECT_TRUE(image.save(file));
    }
    kit::Appearance::instance().setOverride(std::nullopt);
}

}  // namespace

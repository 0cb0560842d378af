#include "app/shell/main_window.h"

#include <QCloseEvent>

#include <gtest/gtest.h>

#include "app/shell/quit_controller.h"
#include "app/shell/shell_fixtures.h"
#include "app/testing/scripted_dialogs.h"

using namespace orvane;
using namespace orvane::shell;

namespace {

struct WindowHarness : shell::testing::App {
    int quits = 0;
    bool reachable = true;
    QuitController quit{[this] { ++quits; }};
    MainWindow window{*model, *router, quit, [this] { return reachable; }};
};

TEST(MainWindow, opensAsVendrelAtItsDefaultSizeAndCannotShrinkBelowTheMinimum) {
    WindowHarness h;
    EXPECT_EQ(h.window.windowTitle(), "Vendrel");
    EXPECT_EQ(h.window.size(), QSize(1247, 837));
    EXPECT_EQ(h.window.minimumSize(), QSize(1040, 640));
    h.window.resize(600, 400);
    EXPECT_EQ(h.window.size(), QSize(1040, 640));
    EXPECT_EQ(h.window.showAction()->text(), "Arată fereastra principală");
    EXPECT_EQ(h.window.showAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_0));
    EXPECT_EQ(h.window.quitAction()->shortcut(), QKeySequence(QKeySequence::Quit));
}

TEST(MainWindow, theStartingFrameIsCentredInTheAvailableAreaAndAtMostTheDefaultSize) {
    struct Case {
        const char* name;
        QRect available;
        QRect expected;
    };
    const Case cases[] = {
        {"a large screen", {0, 0, 1440, 875}, {96, 19, 1247, 837}},
        {"a short screen", {0, 0, 1280, 775}, {16, 0, 1247, 775}},
        {"a panel on the left", {64, 0, 1856, 1080}, {64 + 304, 121, 1247, 837}},
    };
    for (const auto& c : cases) EXPECT_EQ(MainWindow::startingFrame(c.available), c.expected) << c.name;
}

TEST(MainWindow, theStartingFrameIsAppliedOncePerSettingsDomain) {
    WindowHarness h;
    h.window.placeOnScreen();
    EXPECT_EQ(h.defaults->boolValue("window.sizedV1"), true);
    const QRect expected = MainWindow::startingFrame(h.window.screen()->availableGeometry());
    EXPECT_EQ(h.window.geometry().topLeft(), expected.topLeft());

    h.window.move(5, 7);
    h.window.placeOnScreen();
    EXPECT_EQ(h.window.pos(), QPoint(5, 7)) << "a later launch does not move the window";
}

TEST(MainWindow, closingHidesWhileALaterLaunchCanReachItElseItQuits) {
    WindowHarness h;
    h.window.showMainWindow();
    ASSERT_TRUE(h.window.isVisible());
    h.window.close();
    EXPECT_FALSE(h.window.isVisible());
    QTest::qWait(10);
    EXPECT_EQ(h.quits, 0);
    h.window.showAction()->trigger();
    EXPECT_TRUE(h.window.isVisible()) << "Ctrl+0 brings it back";

    h.reachable = false;
    h.window.close();
    EXPECT_TRUE(h.window.isVisible()) << "the window stays until the quit has saved everything";
    ASSERT_TRUE(QTest::qWaitFor([&] { return h.quits == 1; }, 5000));
}

TEST(MainWindow, theLaunchCheckShowsAWindowNothingElseShowed) {
    WindowHarness h;
    h.window.scheduleLaunchCheck();
    EXPECT_FALSE(h.window.isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return h.window.isVisible(); }, 3000));
}

TEST(MainWindow, theDeliveryAsksThroughTheDialogServiceWithCancelFirst) {
    orvane::testing::ScriptedDialogs dialogs;
    QWidget window;
    const auto ask = deliveryQuestions(&window);
    dialogs.alertAnswers = {kit::CenteredAlert::firstButton + 1, kit::CenteredAlert::firstButton};
    EXPECT_TRUE(ask("Închid Lightroom?", "Catalogul e deschis.", "Închide Lightroom"));
    EXPECT_FALSE(ask("Închid Lightroom?", "Catalogul e deschis.", "Închide Lightroom"));
    ASSERT_EQ(dialogs.asked.size(), 2u);
    EXPECT_EQ(dialogs.asked[0].message, QString::fromUtf8("Închid Lightroom?"));
    EXPECT_EQ(dialogs.asked[0].informative, QString::fromUtf8("Catalogul e deschis."));
    EXPECT_EQ(dialogs.asked[0].buttons, QStringList({QString::fromUtf8("Anulează"), QString::fromUtf8("Închide Lightroom")}));
}

}  // namespace

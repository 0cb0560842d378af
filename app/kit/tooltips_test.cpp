// Tooltips and hints: placement and wrapping as plain rules, the hover timing on a virtual clock, and the
// real widgets under real pointer moves (hosted or in place, on a disabled control, never outliving
// their view).
#include "app/kit/tooltips.h"

#include <QPushButton>

#include <gtest/gtest.h>

#include "app/kit/kit_test_fixture.h"
#include "app/kit/localization.h"

using namespace orvane::kit;
using namespace std::chrono_literals;
using orvane::kit::testing::KitFixture;

TEST(TipRules, wrapFromSixtyOneUserPerceivedCharacters) {
    const QString sixty = QString(59, u'a') + QString::fromUtf8("ă");                   // 60, the last composed
    const QString decomposed = QString(59, u'a') + QString::fromUtf8("a\xCC\x86");      // 60, "ă" as a + breve
    const QString sixtyOne = QString::fromUtf8("Păstrează setările alese pentru toate proiectele care urmează ș");
    EXPECT_EQ(graphemeCount(sixty), 60);
    EXPECT_EQ(graphemeCount(decomposed), 60);
    EXPECT_FALSE(explanatoryWrapWidth(sixty));
    EXPECT_FALSE(explanatoryWrapWidth(decomposed));
    EXPECT_EQ(explanatoryWrapWidth(sixtyOne), 280.0);
    // The bubbles: a wrapped one is exactly 280 wide; a one-line one as wide as its text, at most 360.
    EXPECT_EQ(tipBubbleSize(sixtyOne, 280.0).width(), 280.0);
    EXPECT_GT(tipBubbleSize(sixtyOne, 280.0).height(), tipBubbleSize("Închide", std::nullopt).height());
    EXPECT_LT(tipBubbleSize("Închide", std::nullopt).width(), 100.0);
    EXPECT_EQ(tipBubbleSize(QString(200, u'm'), std::nullopt).width(), 360.0);
}

TEST(TipRules, placementExamples) {
    struct Row {
        const char* name;
        double hostWidth;
        QRectF anchor;
        QSizeF bubble;
        bool below;
        QPointF expected;
    };
    const Row rows[] = {
        {"near the right edge", 1000, QRectF(940, 100, 20, 20), {200, 30}, true, {792, 126}},
        {"near the left edge", 1000, QRectF(40, 100, 20, 20), {200, 30}, true, {8, 126}},
        {"above, 40 high, view top at 100", 1000, QRectF(400, 100, 100, 20), {200, 40}, false, {350, 54}},
        {"wider than the window less 16", 300, QRectF(100, 10, 20, 20), {290, 30}, true, {8, 36}},
    };
    for (const Row& r : rows) EXPECT_EQ(hostedTipOrigin(r.hostWidth, r.anchor, r.bubble, r.below), r.expected) << r.name;

    // In place: a 280-wide bubble in an 800-wide window over a view centred at 760 moves left by 112.
    EXPECT_DOUBLE_EQ(inPlaceTipShift(760, 280.0, 800.0), -112.0);
    EXPECT_DOUBLE_EQ(inPlaceTipShift(40, 280.0, 800.0), 112.0);
    EXPECT_DOUBLE_EQ(inPlaceTipShift(400, 280.0, 800.0), 0.0);
    EXPECT_DOUBLE_EQ(inPlaceTipShift(760, std::nullopt, 800.0), 0.0);  // one line: no correction
    EXPECT_DOUBLE_EQ(inPlaceTipShift(760, 280.0, std::nullopt), 0.0);  // no window
    // Below: centred, 6 under the view; above: left edges aligned, 6 over it.
    EXPECT_EQ(inPlaceTipOrigin(QRectF(100, 100, 40, 20), {80, 30}, true, 0), QPointF(80, 126));
    EXPECT_EQ(inPlaceTipOrigin(QRectF(100, 100, 40, 20), {80, 30}, false, 0), QPointF(100, 64));
    EXPECT_EQ(hintOrigin(QRectF(100, 100, 40, 20), {304, 60}), QPointF(-32, 30));
}

class HoverTiming : public KitFixture {};

TEST_F(HoverTiming, showsAfterItsDelayAndLeavingCancels) {
    struct Row {
        const char* name;
        double delay;
        std::chrono::milliseconds justBefore;
    };
    const Row rows[] = {{"explanatory tip", quickTipDelay, 900ms}, {"label tip", labelTipDelay, 190ms}, {"hint", hintDelay, 440ms}};
    for (const Row& r : rows) {
        HoverDelay d(r.delay);
        d.enter();
        wait(r.justBefore);
        EXPECT_EQ(d.state(), HoverDelay::State::waiting) << r.name;
        d.leave();  // leaving before the delay: nothing shows, ever
        EXPECT_EQ(d.state(), HoverDelay::State::hidden) << r.name;
        wait(1000ms);
        EXPECT_FALSE(d.isShown()) << r.name;

        d.enter();  // a fresh, full wait
        wait(r.justBefore);
        EXPECT_FALSE(d.isShown()) << r.name;
        wait(std::chrono::milliseconds(std::llround(r.delay * 1000)) - r.justBefore);
        EXPECT_TRUE(d.isShown()) << r.name;
        d.leave();
        EXPECT_EQ(d.state(), HoverDelay::State::hidden) << r.name;
    }
}

TEST_F(HoverTiming, reenteringRestartsTheWait) {
    HoverDelay d(quickTipDelay);
    d.enter();
    wait(900ms);
    d.leave();
    d.enter();
    wait(500ms);  // the first wait would have ended here
    EXPECT_FALSE(d.isShown());
    wait(500ms);
    EXPECT_TRUE(d.isShown());
}

class QuickTips : public KitFixture {};

TEST_F(QuickTips, anEmptyTextAddsNothing) {
    QWidget view;
    QuickTip* tip = quickTip(&view, "Explicație");
    EXPECT_EQ(tip, QuickTip::on(&view));
    EXPECT_EQ(quickTip(&view, QString()), nullptr);
    EXPECT_EQ(QuickTip::on(&view), nullptr);  // and the earlier tip is gone
}

TEST_F(QuickTips, inPlaceBubbleShowsBelowAfterOneSecond) {
    auto* button = new QPushButton("Anulează", window.get());
    button->setGeometry(100, 100, 120, 30);
    QuickTip* tip = quickTip(button, "Renunță la ce ai ales");
    showWindow();
    pointAt(button);
    wait(900ms);
    EXPECT_EQ(tip->state(), HoverDelay::State::waiting);
    EXPECT_EQ(tip->bubble(), nullptr);
    wait(100ms);
    ASSERT_NE(tip->bubble(), nullptr);
    EXPECT_FALSE(tip->isHosted());
    EXPECT_EQ(tip->bubble()->text(), "Renunță la ce ai ales");
    const QRect body = tip->bubble()->geometry().adjusted(tipShadowRoom, tipShadowRoom, -tipShadowRoom, -tipShadowRoom);
    EXPECT_EQ(body.top(), 136);  // 6 below the button
    EXPECT_NEAR(body.center().x(), 160, 1);
    pointAway();
    EXPECT_EQ(tip->bubble(), nullptr);
}

TEST_F(QuickTips, showsOnADisabledControl) {
    auto* button = new QPushButton("Revino", window.get());
    button->setGeometry(100, 100, 120, 30);
    button->setEnabled(false);
    QuickTip* tip = quickTip(button, "Revino la valoarea de bază");
    showWindow();
    pointAt(button);
    wait(1000ms);
    EXPECT_TRUE(tip->isShown());
    EXPECT_NE(tip->bubble(), nullptr);
}

TEST_F(QuickTips, hostedTipsStayInsideTheWindowAndTheRailDrawsInPlace) {
    auto* page = new QWidget(window.get());
    page->setGeometry(238, 0, 562, 600);
    setTipsHosted(page, true);
    auto* rail = new QWidget(window.get());
    rail->setGeometry(0, 0, 238, 600);
    auto* host = new TipHost(window.get());
    auto* edge = new QPushButton("Export", page);
    edge->setGeometry(530, 20, 30, 24);  // its centre 15 from the window's right edge
    QuickTip* pageTip = quickTip(edge, "Exportă proiectul în catalog");
    auto* railRow = new QPushButton("Proiecte", rail);
    railRow->setGeometry(20, 100, 180, 30);
    QuickTip* railTip = quickTip(railRow, "Lista proiectelor");
    showWindow();

    pointAt(edge);
    wait(1000ms);
    ASSERT_TRUE(pageTip->isShown());
    EXPECT_TRUE(pageTip->isHosted());
    EXPECT_EQ(pageTip->bubble(), nullptr);
    ASSERT_EQ(host->tips().size(), 1u);
    const QRectF drawn = host->bubbleRect(0);
    EXPECT_DOUBLE_EQ(drawn.right(), 800 - 8);  // clamped 8 inside the window
    EXPECT_DOUBLE_EQ(drawn.top(), 20 + 24 + 6);
    pointAway();
    EXPECT_TRUE(host->tips().empty());

    pointAt(railRow);
    wait(1000ms);
    ASSERT_TRUE(railTip->isShown());
    EXPECT_FALSE(railTip->isHosted());  // the rail is not marked: in place, even with a host
    EXPECT_NE(railTip->bubble(), nullptr);
    EXPECT_TRUE(host->tips().empty());
}

TEST_F(QuickTips, neverOutliveTheirView) {
    auto* page = new QWidget(window.get());
    page->setGeometry(0, 0, 800, 600);
    auto* host = new TipHost(window.get());
    auto* hosted = new QPushButton("Gazduit", page);
    hosted->setGeometry(10, 10, 100, 30);
    setTipsHosted(hosted, true);
    auto* inPlace = new QPushButton("Pe loc", page);
    inPlace->setGeometry(10, 200, 100, 30);
    quickTip(hosted, "Un sfat publicat gazdei");
    quickTip(inPlace, "Un sfat desenat pe loc");
    showWindow();

    pointAt(hosted);
    wait(1000ms);
    ASSERT_EQ(host->tips().size(), 1u);
    delete hosted;  // gone while its tip shows
    EXPECT_TRUE(host->tips().empty());

    pointAt(inPlace);
    wait(1000ms);
    QPointer<TipBubble> bubble = QuickTip::on(inPlace)->bubble();
    ASSERT_TRUE(bubble);
    inPlace->hide();  // hidden: the bubble goes at once
    EXPECT_TRUE(!bubble || !bubble->isVisible());
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(bubble);
    inPlace->show();
    pointAt(inPlace);
    wait(1000ms);
    bubble = QuickTip::on(inPlace)->bubble();
    ASSERT_TRUE(bubble);
    delete inPlace;
    EXPECT_FALSE(bubble);

    // A show still pending for a view that is gone runs into nothing.
    auto* late = new QPushButton("Târziu", page);
    late->setGeometry(300, 300, 100, 30);
    late->show();
    quickTip(late, "Prea târziu");
    pointAt(late);
    delete late;
    wait(1000ms);
    EXPECT_TRUE(host->tips().empty());
}

TEST_F(QuickTips, labelPresetShowsTheFullTextAboveAfterAFifthOfASecond) {
    auto* label = new QWidget(window.get());
    label->setGeometry(100, 100, 60, 20);
    QuickTip* tip = labelTip(label, "Nuntă la Sinaia, septembrie 2024", false);
    showWindow();
    pointAt(label);
    wait(190ms);
    EXPECT_FALSE(tip->isShown());
    wait(10ms);
    ASSERT_NE(tip->bubble(), nullptr);
    const QRect body = tip->bubble()->geometry().adjusted(tipShadowRoom, tipShadowRoom, -tipShadowRoom, -tipShadowRoom);
    EXPECT_EQ(body.left(), 100);
    EXPECT_EQ(body.bottom() + 1, 100 - 6);
    EXPECT_EQ(tip->bubble()->text(), "Nuntă la Sinaia, septembrie 2024");
}

TEST_F(QuickTips, followTheLanguage) {
    auto* button = new QPushButton("x", window.get());
    button->setGeometry(10, 10, 40, 20);
    quickTip(button, "Închide");
    store->set("language", "en");
    showWindow();
    pointAt(button);
    wait(1000ms);
    ASSERT_NE(QuickTip::on(button)->bubble(), nullptr);
    EXPECT_EQ(QuickTip::on(button)->bubble()->text(), "Close");
}

TEST_F(QuickTips, hintShowsAboveAfterItsDelayAndGoesWithItsView) {
    auto* button = new QPushButton("Învață", window.get());
    button->setGeometry(300, 400, 120, 30);
    QuickHint* hint = QuickHint::attach(button, "Profilul învață din corecturile tale.", 280);
    showWindow();
    pointAt(button);
    wait(440ms);
    EXPECT_EQ(hint->bubble(), nullptr);
    wait(10ms);
    ASSERT_NE(hint->bubble(), nullptr);
    const QRect body = hint->bubble()->geometry().adjusted(tipShadowRoom, tipShadowRoom, -tipShadowRoom, -tipShadowRoom);
    EXPECT_EQ(body.width(), 280 + 24);
    EXPECT_EQ(body.bottom() + 1, 400 - 10);
    QPointer<HintBubble> bubble = hint->bubble();
    delete button;
    EXPECT_FALSE(bubble);
}

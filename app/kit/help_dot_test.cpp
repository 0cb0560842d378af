// The help dot and its popover under real clicks, the options frame and the source tabs.
#include "app/kit/help_dot.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "app/kit/cards.h"
#include "app/kit/kit_test_fixture.h"
#include "app/kit/localization.h"

using namespace orvane::kit;
using orvane::kit::testing::KitFixture;

class HelpDots : public KitFixture {
protected:
    // A click through the window system, as a user's: a click outside an open pop-up reaches the pop-up.
    void clickInWindow(QPoint at) {
        QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, at);
        QApplication::processEvents();
    }
};

TEST_F(HelpDots, opensOnAClickAndClosesOnAClickElsewhere) {
    auto* dot = new HelpDot(QString::fromUtf8("Îndreaptă orizontul după liniile din fotografie."), 13, window.get());
    dot->move(100, 100);
    auto* other = new QPushButton("Altceva", window.get());
    other->setGeometry(400, 400, 100, 30);
    showWindow();
    EXPECT_FALSE(dot->isOpen());
    clickInWindow(dot->geometry().center());
    ASSERT_TRUE(dot->isOpen());
    EXPECT_TRUE(dot->popover()->isVisible());
    EXPECT_EQ(dot->popover()->textLabel()->text(), QString::fromUtf8("Îndreaptă orizontul după liniile din fotografie."));
    // Its arrow points at the dot: the pop-up starts at the dot's bottom edge.
    EXPECT_EQ(dot->popover()->geometry().top(), dot->mapToGlobal(QPoint(0, dot->height())).y());
    EXPECT_TRUE(dot->popover()->textLabel()->textInteractionFlags().testFlag(Qt::TextSelectableByMouse));

    clickInWindow(QPoint(600, 550));  // elsewhere
    EXPECT_FALSE(dot->isOpen());

    clickInWindow(dot->geometry().center());
    ASSERT_TRUE(dot->isOpen());
    clickInWindow(dot->geometry().center());  // the dot again: closes, does not reopen
    EXPECT_FALSE(dot->isOpen());
}

TEST_F(HelpDots, showsTheEnglishTextWhenTheLanguageIsEnglish) {
    addEnglishTexts({{"Îndreaptă orizontul.", "Levels the horizon."}});
    auto* translated = new HelpDot(QString::fromUtf8("Îndreaptă orizontul."), 13, window.get());
    auto* untranslated = new HelpDot(QString::fromUtf8("Un text fără traducere."), 13, window.get());
    translated->move(100, 100);
    untranslated->move(200, 100);
    store->set("language", "en");
    showWindow();
    clickInWindow(translated->geometry().center());
    ASSERT_TRUE(translated->isOpen());
    EXPECT_EQ(translated->popover()->textLabel()->text(), "Levels the horizon.");
    clickInWindow(QPoint(600, 550));
    clickInWindow(untranslated->geometry().center());
    ASSERT_TRUE(untranslated->isOpen());
    EXPECT_EQ(untranslated->popover()->textLabel()->text(), QString::fromUtf8("Un text fără traducere."));
}

TEST_F(HelpDots, longTextsWrapInTheColumnAndTheInkFollowsHoverAndOpen) {
    auto* dot = new HelpDot(QString(40, u'x').replace(u'x', QStringLiteral("cuvânt ")), 13, window.get());
    dot->move(100, 100);
    showWindow();
    const QColor muted = mutedColor.opacity(0.8).resolve(false);
    EXPECT_EQ(dot->currentInk(), muted);
    pointAt(dot);
    EXPECT_EQ(dot->currentInk(), accentColor().resolve(false));
    pointAway();
    EXPECT_EQ(dot->currentInk(), muted);
    clickInWindow(dot->geometry().center());
    ASSERT_TRUE(dot->isOpen());
    EXPECT_EQ(dot->currentInk(), accentColor().resolve(false));  // open: accent, wherever the pointer is
    EXPECT_EQ(dot->popover()->textLabel()->width(), HelpPopover::columnWidth);
    EXPECT_GT(dot->popover()->textLabel()->height(), 3 * dot->popover()->textLabel()->fontMetrics().height());
}

class OptionComponents : public KitFixture {};

TEST_F(OptionComponents, anUnframedFrameAddsNothing) {
    auto* bare = new QLabel("conținut");
    auto* unframedFrame = new OptionsFrame(false, bare, window.get());
    OptionsFrame& unframed = *unframedFrame;
    unframed.setGeometry(0, 0, 300, 100);
    showWindow();
    EXPECT_EQ(bare->parentWidget(), &unframed);
    EXPECT_EQ(bare->geometry(), unframed.rect());
    auto* inner = new QLabel("conținut");
    OptionsFrame framed(true, inner);
    EXPECT_NE(qobject_cast<Card*>(inner->parentWidget()), nullptr);
}

TEST_F(OptionComponents, sourceTabsCallOnlyForTheOtherSource) {
    auto* tabs = new ProjectSourceTabs(ProjectSourceTabs::Source::folder, window.get());
    tabs->setGeometry(20, 20, 460, 44);
    QSignalSpy picked(tabs, &ProjectSourceTabs::picked);
    showWindow();
    EXPECT_EQ(tabs->tab(ProjectSourceTabs::Source::catalog)->width(), tabs->tab(ProjectSourceTabs::Source::folder)->width());
    QTest::mouseClick(tabs->tab(ProjectSourceTabs::Source::folder), Qt::LeftButton);
    EXPECT_EQ(picked.count(), 0);
    QTest::mouseClick(tabs->tab(ProjectSourceTabs::Source::catalog), Qt::LeftButton);
    QTest::mouseClick(tabs->tab(ProjectSourceTabs::Source::catalog), Qt::LeftButton);
    ASSERT_EQ(picked.count(), 2);
    EXPECT_EQ(picked.front().front().value<ProjectSourceTabs::Source>(), ProjectSourceTabs::Source::catalog);
    EXPECT_EQ(tabs->current(), ProjectSourceTabs::Source::folder);  // the sheet decides what a pick does
}

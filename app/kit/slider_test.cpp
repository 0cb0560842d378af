// Sliders: the geometry and snapping rules as plain functions, then the widget under real pointer and key
// events: one commit per adjustment, arrow keys only under the pointer and never while a text field is
// being edited, and an unusable range that writes nothing.
#include "app/kit/slider.h"

#include <QAccessible>
#include <QLineEdit>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>

#include "app/kit/kit_test_fixture.h"
#include "app/kit/symbol_button.h"
#include "app/kit/text.h"

using namespace orvane::kit;
using namespace std::chrono_literals;
using orvane::kit::testing::KitFixture;

using orvane::kit::testing::infinite;
using orvane::kit::testing::notANumber;

TEST(SliderRules, snappingCountsMultiplesFromZeroAndHalvesGoAway) {
    const SliderGeometry g{218, 1, 100, 5};  // a travel of 200 points
    EXPECT_EQ(g.valueAt(0), 1);              // far left: 0 snapped, clamped up to 1
    EXPECT_EQ(g.valueAt(9 + 6), 5);          // a little right of it: 6.9 → 5
    EXPECT_EQ(g.valueAt(500), 100);
    struct Row {
        double value, step, expected;
    };
    const Row rows[] = {{2.5, 1, 3}, {-2.5, 1, -3}, {0.55, 0.25, 0.5}, {7.4, 5, 5}, {7.5, 5, 10}, {-7.5, 5, -10}};
    for (const Row& r : rows) EXPECT_DOUBLE_EQ(snapToStep(r.value, r.step), r.expected) << r.value << " by " << r.step;
}

TEST(SliderRules, positionsFillFromTheOrigin) {
    const SliderGeometry g{218, -100, 100, 1};
    EXPECT_DOUBLE_EQ(g.x(-100), 9);
    EXPECT_DOUBLE_EQ(g.x(0), 109);
    EXPECT_DOUBLE_EQ(g.x(30), 139);
    EXPECT_DOUBLE_EQ(g.x(100), 209);
}

TEST(SliderRules, keyAndAssistiveSteps) {
    struct Row {
        const char* name;
        SliderGeometry g;
        double value;
        int direction;
        bool shift;
        double expected;
    };
    const Row keys[] = {
        {"step 0.25 from 0.3: snapped", {218, 0, 1, 0.25}, 0.3, 1, false, 0.5},
        {"Shift up from 0", {218, 0, 100, 1}, 0, 1, true, 10},
        {"Shift left from 5: clamped", {218, 0, 100, 1}, 5, -1, true, 0},
        {"right at the upper end: the same value", {218, 0, 100, 1}, 100, 1, false, 100},
    };
    for (const Row& r : keys) EXPECT_DOUBLE_EQ(r.g.keyStep(r.value, r.direction, r.shift), r.expected) << r.name;
    const SliderGeometry g{218, 0, 1, 0.25};
    EXPECT_DOUBLE_EQ(g.accessibilityStep(0.3, 1), 0.55);  // not snapped
    EXPECT_DOUBLE_EQ(g.accessibilityStep(0.9, 1), 1.0);   // clamped
}

TEST(SliderRules, anEmptyRangeOrABadStepIsUnusable) {
    const SliderGeometry unusable[] = {{218, 5, 5, 1}, {218, 10, 0, 1}, {218, 0, 10, 0}, {218, 0, 10, -1},
                                       {218, 0, 10, notANumber}, {218, notANumber, 10, 1}, {218, 0, infinite, 1}};
    for (const SliderGeometry& g : unusable) {
        EXPECT_FALSE(g.usable());
        EXPECT_DOUBLE_EQ(g.x(3), 9);  // the thumb stands at the left
    }
    EXPECT_TRUE((SliderGeometry{218, 0, 10, 1}.usable()));
    EXPECT_DOUBLE_EQ((SliderGeometry{218, 0, 10, 1}.clamped(notANumber)), 0);  // never a NaN written
}

class Sliders : public KitFixture {
protected:
    ModernSlider* slider(double value, double lower, double upper, double step, double origin = 0) {
        auto* s = new ModernSlider(value, lower, upper, step, origin, window.get());
        s->setGeometry(100, 100, 218, 24);
        return s;
    }
};

TEST_F(Sliders, aDragWritesManyValuesAndCommitsOnceAtRelease) {
    ModernSlider* s = slider(50, 0, 100, 1);
    QSignalSpy edited(s, &ModernSlider::valueEdited), committed(s, &ModernSlider::committed);
    showWindow();
    QTest::mousePress(s, Qt::LeftButton, {}, QPoint(109, 12));
    EXPECT_TRUE(s->isDragging());
    for (int x = 110; x <= 160; x += 10) QTest::mouseMove(s, QPoint(x, 12));
    EXPECT_EQ(committed.count(), 0);
    QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(160, 12));
    EXPECT_GE(edited.count(), 5);
    EXPECT_EQ(committed.count(), 1);
    EXPECT_FALSE(s->isDragging());
    EXPECT_DOUBLE_EQ(s->value(), 76);  // (160 − 9) / 200 × 100 = 75.5 → 76

    // A click without movement jumps to the place: one value, one commit.
    edited.clear();
    committed.clear();
    QTest::mouseClick(s, Qt::LeftButton, {}, QPoint(9, 12));
    EXPECT_EQ(edited.count(), 1);
    EXPECT_EQ(committed.count(), 1);
    EXPECT_DOUBLE_EQ(s->value(), 0);
}

TEST_F(Sliders, arrowKeysStepOnlyUnderThePointerAndYieldToATextField) {
    ModernSlider* s = slider(50, 0, 100, 1);
    auto* field = new QLineEdit(window.get());
    field->setGeometry(100, 200, 200, 24);
    QSignalSpy edited(s, &ModernSlider::valueEdited), committed(s, &ModernSlider::committed);
    showWindow();
    field->clearFocus();  // it took the focus as the window showed

    QTest::keyClick(window.get(), Qt::Key_Right);  // the pointer is elsewhere
    EXPECT_EQ(edited.count(), 0);
    EXPECT_FALSE(s->listensToKeys());

    pointAt(s);
    ASSERT_TRUE(s->listensToKeys());
    QTest::keyClick(window.get(), Qt::Key_Right);
    QTest::keyClick(window.get(), Qt::Key_Up, Qt::ShiftModifier);
    QTest::keyClick(window.get(), Qt::Key_Down);
    EXPECT_DOUBLE_EQ(s->value(), 60);  // 50 + 1 + 10 − 1
    EXPECT_EQ(edited.count(), 3);
    EXPECT_EQ(committed.count(), 3);
    QTest::keyClick(window.get(), Qt::Key_A);  // not an arrow: passed on
    EXPECT_EQ(edited.count(), 3);

    // A text field being edited keeps its arrows, even with the pointer on the slider.
    field->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), field);
    field->setText("abc");
    field->setCursorPosition(3);
    QTest::keyClick(field, Qt::Key_Left);
    EXPECT_EQ(field->cursorPosition(), 2);
    EXPECT_DOUBLE_EQ(s->value(), 60);
    field->clearFocus();

    pointAway();
    EXPECT_FALSE(s->listensToKeys());
    QTest::keyClick(window.get(), Qt::Key_Right);
    EXPECT_DOUBLE_EQ(s->value(), 60);

    // A slider that goes away under the pointer leaves no monitor behind.
    pointAt(s);
    ASSERT_TRUE(s->listensToKeys());
    delete s;
    QTest::keyClick(window.get(), Qt::Key_Right);  // reaches nothing that is gone
}

TEST_F(Sliders, theUpperEndStillWritesAndCommits) {
    ModernSlider* s = slider(100, 0, 100, 1);
    QSignalSpy edited(s, &ModernSlider::valueEdited), committed(s, &ModernSlider::committed);
    showWindow();
    pointAt(s);
    QTest::keyClick(window.get(), Qt::Key_Right);
    ASSERT_EQ(edited.count(), 1);
    EXPECT_DOUBLE_EQ(edited.front().front().toDouble(), 100);
    EXPECT_EQ(committed.count(), 1);
}

TEST_F(Sliders, assistiveStepsAreClampedNotSnapped) {
    ModernSlider* s = slider(0.3, 0, 1, 0.25);
    QSignalSpy committed(s, &ModernSlider::committed);
    showWindow();
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(s);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::Slider);
    EXPECT_EQ(a->text(QAccessible::Value), "0.3");
    ASSERT_NE(a->actionInterface(), nullptr);
    a->actionInterface()->doAction(QAccessibleActionInterface::increaseAction());
    EXPECT_DOUBLE_EQ(s->value(), 0.55);
    EXPECT_EQ(committed.count(), 1);
    ASSERT_NE(a->valueInterface(), nullptr);
    EXPECT_DOUBLE_EQ(a->valueInterface()->maximumValue().toDouble(), 1.0);
}

TEST_F(Sliders, anUnusableRangeTakesNoInputAndWritesNothing) {
    ModernSlider* empty = slider(5, 5, 5, 1);
    ModernSlider* stepless = slider(5, 0, 10, 0);
    stepless->move(100, 150);
    showWindow();
    for (ModernSlider* s : {empty, stepless}) {
        QSignalSpy edited(s, &ModernSlider::valueEdited), committed(s, &ModernSlider::committed);
        QTest::mouseClick(s, Qt::LeftButton, {}, QPoint(150, 12));
        pointAt(s);
        QTest::keyClick(window.get(), Qt::Key_Right);
        s->accessibilityAdjust(1);
        EXPECT_EQ(edited.count(), 0);
        EXPECT_EQ(committed.count(), 0);
        EXPECT_DOUBLE_EQ(s->value(), 5);
    }
}

TEST_F(Sliders, fillRunsFromTheOriginToTheThumb) {
    ModernSlider* s = slider(30, -100, 100, 1, 0);
    showWindow();
    const QColor accent = accentColor().resolve(false);
    auto filled = [&](int x) {
        const QColor c = s->grab().toImage().pixelColor(x, 12);
        return std::abs(c.red() - accent.red()) < 40 && std::abs(c.blue() - accent.blue()) < 40;
    };
    EXPECT_TRUE(filled(120));    // between the origin (109) and the thumb (139)
    EXPECT_FALSE(filled(90));    // left of the origin
    s->setValue(-30);
    EXPECT_TRUE(filled(95));     // to the left of the centre now
    EXPECT_FALSE(filled(125));
    s->setTrack({okColor, badColor});
    EXPECT_FALSE(filled(95));    // a gradient track: no fill whatever `active` says
}

class SliderRows : public KitFixture {};

TEST_F(SliderRows, changedRuleResetAndItsTooltipWhileDisabled) {
    auto* row = new SliderRow("Temperatură", QString("thermometer"), 30, -100, 100, 1, 0, window.get());
    row->setGeometry(20, 20, 300, 60);
    QSignalSpy edited(row, &SliderRow::valueEdited), committed(row, &SliderRow::committed);
    showWindow();
    EXPECT_TRUE(row->isChanged());
    EXPECT_TRUE(row->resetButton()->isEnabled());
    EXPECT_TRUE(row->slider()->isActive());

    row->setChanged(false);  // the caller's word wins over value ≠ neutral
    EXPECT_FALSE(row->isChanged());
    EXPECT_FALSE(row->resetButton()->isEnabled());
    EXPECT_DOUBLE_EQ(row->resetButton()->opacity(), 0.25);
    EXPECT_FALSE(row->slider()->isActive());
    EXPECT_EQ(row->valueLabel()->color(), mutedColor);

    // The reset button explains itself while disabled too.
    pointAt(row->resetButton());
    wait(1000ms);
    ASSERT_NE(QuickTip::on(row->resetButton()), nullptr);
    EXPECT_TRUE(QuickTip::on(row->resetButton())->isShown());
    pointAway();

    row->setChanged(std::nullopt);
    QTest::mouseClick(row->resetButton(), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(row->value(), 0);  // exactly the neutral value
    EXPECT_EQ(edited.count(), 1);
    EXPECT_EQ(committed.count(), 1);
    EXPECT_FALSE(row->isChanged());  // value = neutral, no word from the caller
    EXPECT_FALSE(row->resetButton()->isEnabled());
}

TEST_F(SliderRows, resetWritesTheNeutralValueUnsnapped) {
    auto* row = new SliderRow("Expunere", std::nullopt, 2, -5, 5, 1, 0.37, window.get());
    row->setGeometry(20, 20, 300, 60);
    showWindow();
    QTest::mouseClick(row->resetButton(), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(row->value(), 0.37);
}

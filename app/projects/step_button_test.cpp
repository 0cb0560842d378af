#include "app/projects/step_button.h"

#include <QTest>

#include <gtest/gtest.h>

#include "app/kit/palette.h"
#include "app/kit/symbol_button.h"
#include "app/projects/priority_toggle.h"

using namespace orvane;
using namespace orvane::projects;

TEST(StepHalf, styleTable) {
    EXPECT_EQ(stepLook(false, false), (StepLook{0, 0, 4, 0})) << "flat at rest: only its label";
    EXPECT_EQ(stepLook(false, true), (StepLook{1.0, 0.08, 4, 0})) << "flat under the pointer: no border";
    EXPECT_EQ(stepLook(true, false), (StepLook{0.75, 0.05, 2, 0.06}));
    EXPECT_EQ(stepLook(true, true), (StepLook{1.0, 0.1, 2, 0.1}));
}

TEST(StepHalf, theWholeCapsuleTakesTheClickAndOnlyRaisedShowsTheHand) {
    int clicks = 0;
    StepHalf flat(QString::fromUtf8("Scoate din coadă"), "xmark", kit::mutedColor, false);
    StepHalf raised(QString::fromUtf8("Mai luminos"), "sun.max", kit::accentColor(), true);
    QObject::connect(&flat, &QAbstractButton::clicked, [&] { ++clicks; });
    flat.resize(flat.sizeHint());
    flat.show();
    QTest::mouseClick(&flat, Qt::LeftButton, {}, QPoint(flat.width() / 2, 3));
    EXPECT_EQ(clicks, 1) << "a click in the padding";
    EXPECT_EQ(flat.cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(raised.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(flat.sizeHint().height(), raised.sizeHint().height()) << "one line whatever the title";
}

TEST(PriorityToggle, writesTheStoreAtOnceAndFollowsIt) {
    auto defaults = std::make_shared<FileDefaults>();
    PriorityToggle a(defaults, prioritizeEditingKey, false, QString::fromUtf8("Prioritizează editarea"), "ajutor");
    PriorityToggle b(defaults, prioritizeEditingKey, false, QString::fromUtf8("Prioritizează editarea"), "ajutor");
    EXPECT_FALSE(a.isOn());
    EXPECT_EQ(a.bolt()->ink(), kit::mutedColor) << "absent reads off, the bolt grey";
    a.show();
    QTest::mouseClick(a.switchButton(), Qt::LeftButton);
    EXPECT_EQ(defaults->boolValue(prioritizeEditingKey), std::optional<bool>(true));
    EXPECT_TRUE(b.switchButton()->isChecked()) << "two toggles on one key agree";
    EXPECT_EQ(a.bolt()->ink(), kit::accentColor());
    defaults->set(prioritizeEditingKey, false);
    EXPECT_FALSE(a.switchButton()->isChecked());
}

// The pill picker: equal pills, the thumb on the selected one only, and a press that writes its value.
#include "app/kit/pill_picker.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include "app/kit/kit_test_fixture.h"

using namespace orvane::kit;
using orvane::kit::testing::KitFixture;

TEST(PillRules, pillsShareTheWidthEqually) {
    const auto rects = pillRects(300, 40, 3);
    ASSERT_EQ(rects.size(), 3u);
    const double w = (300.0 - 6 - 4) / 3;
    for (int i = 0; i < 3; ++i) {
        EXPECT_DOUBLE_EQ(rects[std::size_t(i)].width(), w);
        EXPECT_DOUBLE_EQ(rects[std::size_t(i)].left(), 3 + i * (w + 2));
        EXPECT_DOUBLE_EQ(rects[std::size_t(i)].height(), 34);
    }
    EXPECT_TRUE(pillRects(300, 40, 0).empty());
}

class PillPickers : public KitFixture {
protected:
    PillPicker* picker(const QVariant& selection) {
        auto* p = new PillPicker({{0, "Fără", std::nullopt}, {1, "Recomandat", QString("sparkles")}, {2, "Complet", std::nullopt}},
                                 selection, window.get());
        p->setGeometry(20, 20, 300, p->sizeHint().height());
        return p;
    }
};

TEST_F(PillPickers, anUnknownSelectionShowsNoThumb) {
    PillPicker* p = picker(7);
    showWindow();
    EXPECT_EQ(p->selectedIndex(), -1);
    EXPECT_FALSE(p->thumbRect());
    p->setSelection(1);
    ASSERT_TRUE(p->thumbRect());
    EXPECT_EQ(*p->thumbRect(), p->pillRect(1));
}

TEST_F(PillPickers, aPressWritesItsValueAndTheThumbGoesThere) {
    PillPicker* p = picker(0);
    QSignalSpy written(p, &PillPicker::selectionWritten);
    showWindow();
    QTest::mouseClick(p, Qt::LeftButton, {}, p->pillRect(2).center().toPoint());
    ASSERT_EQ(written.count(), 1);
    EXPECT_EQ(written.front().front().toInt(), 2);
    EXPECT_EQ(p->selection().toInt(), 2);
    EXPECT_EQ(*p->thumbRect(), p->pillRect(2));  // animations are off in tests: it lands at once
    QTest::mouseClick(p, Qt::LeftButton, {}, p->pillRect(2).center().toPoint());
    EXPECT_EQ(written.count(), 2);  // the selected pill writes its value again
    QTest::mouseClick(p, Qt::LeftButton, {}, QPoint(1, 1));  // the well's corner, outside every pill
    EXPECT_EQ(written.count(), 2);
}

TEST_F(PillPickers, theThumbSlidesAlongTheSpring) {
    setAnimationsEnabled(true);
    PillPicker* p = picker(0);
    showWindow();
    QTest::mouseClick(p, Qt::LeftButton, {}, p->pillRect(2).center().toPoint());
    EXPECT_LT(p->thumbRect()->left(), p->pillRect(2).left());  // still on its way
    EXPECT_TRUE(QTest::qWaitFor([&] { return *p->thumbRect() == p->pillRect(2); }, 3000));
    setAnimationsEnabled(false);
}

TEST_F(PillPickers, wellAndThumbFollowTheAppearance) {
    PillPicker* p = picker(0);
    showWindow();
    const QPoint thumb(int(p->pillRect(0).left()) + 10, int(p->pillRect(0).center().y()));
    const QImage light = p->grab().toImage();
    EXPECT_EQ(light.pixelColor(thumb), QColor(Qt::white));
    Appearance::instance().setOverride(true);
    const QImage dark = p->grab().toImage();
    EXPECT_EQ(dark.pixelColor(thumb).rgb(), QColor::fromRgbF(0.34f, 0.34f, 0.34f).rgb());
}

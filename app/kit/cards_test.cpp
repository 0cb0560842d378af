// Cards, tiles and status indicators: the percentage and bar rules as plain functions, the ring's layout,
// and the views' sizes and colours as drawn.
#include "app/kit/cards.h"

#include <QVBoxLayout>

#include <gtest/gtest.h>


#include "app/kit/kit_test_fixture.h"
#include "app/kit/text.h"

using namespace orvane::kit;
using orvane::kit::testing::KitFixture;

using orvane::kit::testing::infinite;
using orvane::kit::testing::notANumber;

TEST(CardRules, percentagesRoundHalfAwayAndNeverFail) {
    struct Row {
        double fraction;
        const char* expected;
    };
    const Row rows[] = {
        {0.125, "13%"}, {0.004, "0%"},   {1.5, "150%"},  {0.0, "0%"},  {-0.005, "-1%"},
        {notANumber, "—%"}, {infinite, "—%"}, {-infinite, "—%"},
        {1e300, "1000000000000000%"},  // huge values are limited before they become an integer
    };
    for (const Row& r : rows) EXPECT_EQ(percentText(r.fraction), QString::fromUtf8(r.expected)) << r.fraction;
}

TEST(CardRules, pillBarIsNeverNarrowerThanEight) {
    EXPECT_DOUBLE_EQ(pillBarWidth(200, 0), 8);
    EXPECT_DOUBLE_EQ(pillBarWidth(200, -0.3), 8);
    EXPECT_DOUBLE_EQ(pillBarWidth(200, notANumber), 8);
    EXPECT_DOUBLE_EQ(pillBarWidth(200, 0.5), 100);
    EXPECT_DOUBLE_EQ(pillBarWidth(200, 1.2), 200);
    EXPECT_EQ(pillBarColor(StatusKind::ok), okColor);
    EXPECT_EQ(pillBarColor(StatusKind::bad), badColor);
    for (StatusKind k : {StatusKind::warn, StatusKind::info, StatusKind::neutral, StatusKind::accent})
        EXPECT_EQ(pillBarColor(k), accentColor());
}

TEST(CardRules, ringLayoutInTheLargestSquare) {
    const RingLayout r = progressRingLayout({120, 80}, 8, 0.5);
    EXPECT_DOUBLE_EQ(r.side, 80);
    EXPECT_EQ(r.square, QRectF(20, 0, 80, 80));
    EXPECT_DOUBLE_EQ(r.percentFontSize, 20.48);
    EXPECT_DOUBLE_EQ(r.centreMaxWidth, 60);
    EXPECT_DOUBLE_EQ(r.captionFontSize, 9);  // 80 × 0.085 = 6.8, raised to 9
    EXPECT_DOUBLE_EQ(r.centreSpacing, 2);
    EXPECT_DOUBLE_EQ(progressRingLayout({80, 80}, 8, 0).arc, 0.001);  // a dot at the top
    EXPECT_DOUBLE_EQ(progressRingLayout({80, 80}, 8, notANumber).arc, 1);
    EXPECT_DOUBLE_EQ(progressRingLayout({80, 80}, 8, infinite).arc, 1);
    EXPECT_DOUBLE_EQ(progressRingLayout({80, 80}, 8, -infinite).arc, 0.001);
    EXPECT_DOUBLE_EQ(progressRingLayout({20, 20}, 8, 0.5).centreMaxWidth, 0);
}

class Cards : public KitFixture {};

TEST_F(Cards, cardHeaderOnlyWithATitleAndAsWideAsItsContainer) {
    auto* layout = new QVBoxLayout(window.get());
    auto* plain = new Card(std::nullopt, QString("sparkles"), new QWidget);
    auto* titled = new Card(QString("Opțiuni"), QString("sparkles"), new QWidget);
    auto* narrow = new QWidget;
    narrow->setFixedSize(40, 20);
    auto* content = new Card(QString("Titlu"), std::nullopt, narrow);
    layout->addWidget(plain);
    layout->addWidget(titled);
    layout->addWidget(content);
    showWindow();
    EXPECT_EQ(plain->header(), nullptr);  // a symbol without a title shows nothing
    ASSERT_NE(titled->header(), nullptr);
    ASSERT_NE(titled->headerTile(), nullptr);
    EXPECT_EQ(titled->headerTile()->tileSize(), 26);
    EXPECT_EQ(content->headerTile(), nullptr);
    EXPECT_EQ(content->width(), window->width() - layout->contentsMargins().left() - layout->contentsMargins().right());
    EXPECT_EQ(narrow->width(), 40);
    EXPECT_EQ(narrow->x(), 16);  // the padding
}

TEST_F(Cards, tilePillBarAndRingAsDrawn) {
    IconTile tile("sparkles", 40, true);
    EXPECT_EQ(tile.size(), QSize(40, 40));
    EXPECT_EQ(tile.glyphSize(), 20);
    EXPECT_EQ(tile.cornerRadius(), 12);

    StatusPill shortPill("Gata", std::nullopt, StatusKind::ok);
    StatusPill longPill("Exportat în catalogul de nuntă de sâmbătă", QString("checkmark"), StatusKind::ok);
    EXPECT_GT(longPill.sizeHint().width(), 2 * shortPill.sizeHint().width());  // it grows, never cut
    EXPECT_EQ(longPill.minimumSizeHint(), longPill.sizeHint());
    longPill.resize(longPill.sizeHint());
    const QColor neutralBack = longPill.grab().toImage().pixelColor(longPill.width() / 2, 1);
    EXPECT_NE(neutralBack, QColor(Qt::transparent));

    PillBar bar(0.5, StatusKind::bad);
    bar.resize(200, 8);
    EXPECT_DOUBLE_EQ(bar.barWidth(), 100);
    const QImage drawn = bar.grab().toImage();
    const QColor red = badColor.resolve(false);
    EXPECT_LT(std::abs(drawn.pixelColor(50, 4).red() - red.red()), 8);
    EXPECT_NE(drawn.pixelColor(150, 4), drawn.pixelColor(50, 4));
    bar.setFraction(notANumber);
    EXPECT_DOUBLE_EQ(bar.barWidth(), 8);

    ProgressRing ring(0.125, 8, QString("3/24"));
    ring.resize(120, 80);
    EXPECT_EQ(ring.percent(), "13%");
    EXPECT_EQ(ring.ringLayout().side, 80);
    ring.setFraction(notANumber);
    EXPECT_EQ(ring.percent(), QString::fromUtf8("—%"));
    ring.grab();  // draws without failing
}

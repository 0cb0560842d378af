// The page header, the dropdown label and the badges, as laid out and under the pointer.
#include "app/kit/page_header.h"

#include <QHBoxLayout>
#include <QPushButton>

#include <gtest/gtest.h>

#include "app/kit/badges.h"
#include "app/kit/kit_test_fixture.h"
#include "app/kit/text.h"

using namespace orvane::kit;
using namespace std::chrono_literals;
using orvane::kit::testing::KitFixture;

class PageHeaders : public KitFixture {};

TEST_F(PageHeaders, startsWithTheTitleWithoutABackLink) {
    PageHeader header("Proiecte");
    EXPECT_EQ(header.backButton(), nullptr);
    EXPECT_TRUE(header.subtitleLabel()->isHidden());  // a one-line title block
    const auto* row = static_cast<QHBoxLayout*>(header.layout());
    EXPECT_EQ(row->itemAt(0)->widget(), header.titleLabel()->parentWidget());
    EXPECT_EQ(row->contentsMargins(), QMargins(24, 22, 24, 12));
}

TEST_F(PageHeaders, backButtonActsAndNamesWhereItLeadsInItsTip) {
    int back = 0;
    auto* layout = new QHBoxLayout(window.get());
    auto* header = new PageHeader("Nuntă Ana și Mihai", QString("312 fotografii"), BackLink{"Proiecte", [&] { ++back; }},
                                  nullptr, {new QPushButton("Exportă")});
    layout->addWidget(header);
    showWindow();
    ASSERT_NE(header->backButton(), nullptr);
    EXPECT_EQ(header->backButton()->size(), QSize(38, 38));
    QTest::mouseClick(header->backButton(), Qt::LeftButton);
    EXPECT_EQ(back, 1);
    QuickTip* tip = QuickTip::on(header->backButton());
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(tip->shownText(), QString::fromUtf8("Înapoi la Proiecte"));
    EXPECT_DOUBLE_EQ(tip->options().delaySeconds, 1.0);
    store->set("language", "en");
    EXPECT_EQ(QuickTip::on(header->backButton())->shownText(), "Back to Proiecte");
}

TEST_F(PageHeaders, aLongTitleStaysOnOneLineAndShowsWholeAfterAFifthOfASecond) {
    auto* layout = new QHBoxLayout(window.get());
    const QString title = QString::fromUtf8("Nunta lui Andrei și a Ioanei la Castelul Peleș, septembrie 2024, toate fotografiile");
    auto* header = new PageHeader(title);
    layout->addWidget(header);
    window->resize(420, 120);
    showWindow();
    EXPECT_TRUE(header->titleLabel()->isElided());
    EXPECT_EQ(header->titleLabel()->lineCount(), 1);
    pointAt(header->titleLabel());
    wait(200ms);
    QuickTip* tip = QuickTip::on(header->titleLabel());
    ASSERT_NE(tip, nullptr);
    ASSERT_NE(tip->bubble(), nullptr);
    EXPECT_EQ(tip->bubble()->text(), title);
    EXPECT_LT(tip->bubble()->geometry().top(), header->titleLabel()->mapTo(window.get(), QPoint(0, 0)).y());  // above
}

TEST_F(PageHeaders, dropdownLabelKeepsItsWidthAndCutsLongTexts) {
    auto* label = new DropdownLabel(QString::fromUtf8("Sortare: după data importului în bibliotecă"), 210, window.get());
    showWindow();
    EXPECT_EQ(label->width(), 210);
    EXPECT_TRUE(label->textLabel()->isElided());
    label->setText("Scurt");
    EXPECT_EQ(label->width(), 210);
    EXPECT_FALSE(label->textLabel()->isElided());
    EXPECT_EQ(QuickTip::on(label->textLabel())->shownText(), "Scurt");
}

TEST_F(PageHeaders, badgeProportions) {
    LrBadge badge(20);
    EXPECT_DOUBLE_EQ(badge.fontSize(), 10.4);
    EXPECT_DOUBLE_EQ(badge.padding(), 4);
    EXPECT_DOUBLE_EQ(badge.cornerRadius(), 5.6);
    EXPECT_DOUBLE_EQ(LrBadge::borderWidth, 1.5);
    EXPECT_GE(badge.sizeHint().width(), 20);
    EXPECT_EQ(badge.sizeHint().height(), 20);
    AppIconView icon(48);
    EXPECT_EQ(icon.sizeHint(), QSize(48, 48));
    icon.resize(48, 48);
    const QImage drawn = icon.grab().toImage();
    EXPECT_NE(drawn.pixelColor(24, 24).alpha(), 0);  // something stands in for a missing icon
}

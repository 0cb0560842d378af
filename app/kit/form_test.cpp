// Tool groups and form layout: opening a group, its header's fills, capitals in headings, rows with and
// without help, detail and divider.
#include "app/kit/form.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include "app/kit/help_dot.h"
#include "app/kit/kit_test_fixture.h"
#include "app/kit/text.h"

using namespace orvane::kit;
using orvane::kit::testing::KitFixture;

TEST(FormRules, toolGroupFill) {
    EXPECT_DOUBLE_EQ(toolGroupFillOpacity(false, false), 0.05);
    EXPECT_DOUBLE_EQ(toolGroupFillOpacity(false, true), 0.08);
    EXPECT_DOUBLE_EQ(toolGroupFillOpacity(true, true), 0.10);
    EXPECT_DOUBLE_EQ(toolGroupFillOpacity(true, false), 0.10);
}

class Forms : public KitFixture {};

TEST_F(Forms, aClosedGroupOpensOnAPressOfItsHeader) {
    auto* layout = new QVBoxLayout(window.get());
    auto* group = new ToolGroup("Ton", QString("sun.max"), false);
    auto* tool = new QLabel("unealtă");
    group->addTool(tool);
    layout->addWidget(group);
    layout->addStretch(1);
    showWindow();
    EXPECT_FALSE(group->isOpen());
    EXPECT_TRUE(group->body()->isHidden());
    EXPECT_DOUBLE_EQ(group->chevronTurn(), 0);
    QTest::mouseClick(group->header(), Qt::LeftButton);
    EXPECT_TRUE(group->isOpen());
    EXPECT_TRUE(group->body()->isVisible());
    EXPECT_DOUBLE_EQ(group->chevronTurn(), 1);
    const int below = tool->mapTo(group, QPoint(0, 0)).y() - (group->header()->y() + group->header()->height());
    EXPECT_EQ(below, 16);
    QTest::mouseClick(group->header(), Qt::LeftButton);
    EXPECT_FALSE(group->isOpen());
}

TEST_F(Forms, aTrailingViewKeepsItsClicksAndTheGroupOpensWhenAsked) {
    auto* layout = new QVBoxLayout(window.get());
    auto* group = new ToolGroup("Retușare", std::nullopt, false);
    auto* button = new QPushButton("Selectează");
    int pressed = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++pressed; });
    group->setTrailing(button);
    group->addTool(new QLabel("unealtă"));
    layout->addWidget(group);
    layout->addStretch(1);
    showWindow();
    int toggles = 0;
    QObject::connect(group, &ToolGroup::toggled, [&] { ++toggles; });
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(pressed, 1);
    EXPECT_FALSE(group->isOpen()) << "the trailing view's click is its own";
    EXPECT_LT(button->geometry().right(), group->header()->width() - 14 - 11) << "before the chevron";
    group->setOpen(true);
    EXPECT_TRUE(group->isOpen());
    EXPECT_TRUE(group->body()->isVisible());
    group->setOpen(true);
    EXPECT_EQ(toggles, 1) << "asking for the state it has changes nothing";
}

TEST_F(Forms, aLongGroupTitleIsCutAndTheChevronStays) {
    auto* group = new ToolGroup(QString::fromUtf8("Reducerea zgomotului de luminanță și de culoare pentru ISO mare"),
                                std::nullopt, true, window.get());
    group->setGeometry(10, 10, 220, 200);
    showWindow();
    EXPECT_TRUE(group->titleLabel()->isElided());
    EXPECT_EQ(group->titleLabel()->lineCount(), 1);
    EXPECT_LE(group->titleLabel()->geometry().right(), group->header()->width() - 14 - 11);
}

TEST_F(Forms, sectionTitleInCapitalsRowsWithOrWithoutHelpDetailAndDivider) {
    auto* layout = new QVBoxLayout(window.get());
    auto* section = new FormSection(QString::fromUtf8("opțiuni de ștergere"));
    layout->addWidget(section);
    EXPECT_EQ(section->titleLabel()->shownText(), QString::fromUtf8("OPȚIUNI DE ȘTERGERE"));
    EXPECT_EQ(section->titleLabel()->text(), QString::fromUtf8("opțiuni de ștergere"));

    auto* plain = new FormRow("Catalog", std::nullopt, std::nullopt, false, new QPushButton("Alege"));
    const QString fiveLines = QString::fromUtf8(
        "Prima linie a explicației este lungă și continuă. A doua linie spune mai mult despre opțiune. "
        "A treia linie adaugă un exemplu concret. A patra linie încheie aproape totul. A cincea linie nu mai "
        "încape deloc în rând și trebuie tăiată cu puncte de suspensie la capăt. O a șasea linie, ca să fie "
        "sigur că textul nu încape în patru rânduri oricât de lat ar fi panoul în care stă rândul acesta.");
    auto* rich = new FormRow("Copie de siguranță", fiveLines, QString("Se face înainte de fiecare scriere."), true,
                             new QPushButton("Pornit"));
    section->addRow(plain);
    section->addRow(rich);
    window->resize(520, 400);
    showWindow();
    EXPECT_EQ(plain->helpDot(), nullptr);
    EXPECT_EQ(plain->detail(), nullptr);
    EXPECT_NEAR(plain->label()->mapTo(plain, QPoint(0, plain->label()->height() / 2)).y(),
                plain->control()->geometry().center().y(), 2);  // centred against the control
    ASSERT_NE(rich->helpDot(), nullptr);
    EXPECT_EQ(rich->detail()->lineCount(), 4);
    EXPECT_GE(rich->detail()->height(), rich->detail()->heightForWidth(rich->detail()->width()));  // grows, not cut
    EXPECT_LE(rich->detail()->geometry().bottom(), rich->height());
    EXPECT_TRUE(rich->detail()->isElided());
    EXPECT_TRUE(plain->dividerRect().isEmpty());
    EXPECT_EQ(rich->dividerRect().left(), 16);
    EXPECT_EQ(rich->dividerRect().right(), rich->width());
}

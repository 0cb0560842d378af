// The guide's steps and their navigation, headless, then the sheet offscreen with real clicks.
#include "app/guide/guide_sheet.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include "app/kit/app_style.h"
#include "app/kit/appearance.h"
#include "app/kit/buttons.h"
#include "app/kit/fonts.h"
#include "app/kit/pill_picker.h"
#include "app/kit/sheet_host.h"
#include "app/kit/text.h"

namespace orvane::guide {
namespace {

using D = GuideDestination;

TEST(GuideSteps, onlySteps2And3And5DifferBetweenTheSources) {
    const auto& catalog = guideSteps(true);
    const auto& folder = guideSteps(false);
    ASSERT_EQ(catalog.size(), 7u);
    ASSERT_EQ(folder.size(), 7u);
    for (std::size_t i = 0; i < 7; ++i) {
        const GuideStep& c = catalog[i];
        const GuideStep& f = folder[i];
        EXPECT_EQ(c.title, f.title) << i;
        const bool summaryDiffers = i == 1 || i == 4;
        const bool instructionsDiffer = i == 1 || i == 2 || i == 4;
        const bool outcomeDiffers = i == 1 || i == 4;
        const bool actionDiffers = i == 1;
        EXPECT_EQ(c.summary != f.summary, summaryDiffers) << i;
        EXPECT_EQ(c.instructions != f.instructions, instructionsDiffer) << i;
        EXPECT_EQ(c.outcome != f.outcome, outcomeDiffers) << i;
        EXPECT_EQ(c.action != f.action, actionDiffers) << i;
        EXPECT_EQ(c.destination != f.destination, actionDiffers) << i;
        for (const QString& line : c.instructions) EXPECT_FALSE(line.isEmpty()) << i;
    }
    EXPECT_EQ(catalog[1].action, QString::fromUtf8("Deschide Lightroom"));
    EXPECT_EQ(catalog[1].destination, D::lightroom);
    EXPECT_EQ(folder[1].action, QString::fromUtf8("Deschide Proiect nou"));
    EXPECT_EQ(folder[1].destination, D::newProject);
    const D destinations[] = {D::profiles, D::lightroom, D::newProject, D::projects, D::projects, D::projects, D::projects};
    for (std::size_t i = 0; i < 7; ++i) EXPECT_EQ(catalog[i].destination, destinations[i]) << i;
    EXPECT_EQ(guideReference().size(), 8u);
    EXPECT_TRUE(guideReference()[3].cards);
}

TEST(GuideWorkflowModel, backStopsAtTheFirstStepNextWrapsAndTheSourceKeepsTheStep) {
    std::vector<D> calls;
    GuideWorkflowModel m([&](D d) { calls.push_back(d); });
    EXPECT_EQ(m.selectedStep(), 0);
    EXPECT_TRUE(m.fromCatalog());
    EXPECT_FALSE(m.canGoBack());
    EXPECT_EQ(m.positionText(), QString::fromUtf8("Pasul 1 din 7"));
    m.back();
    EXPECT_EQ(m.selectedStep(), 0);
    for (int i = 0; i < 5; ++i) m.next();
    EXPECT_EQ(m.selectedStep(), 5);
    EXPECT_EQ(m.nextTitle(), QString::fromUtf8("Continuă"));
    m.next();
    EXPECT_EQ(m.nextTitle(), QString::fromUtf8("Reia ghidul"));
    EXPECT_EQ(m.nextSymbol(), QStringLiteral("arrow.counterclockwise"));
    EXPECT_EQ(m.positionText(), QString::fromUtf8("Pasul 7 din 7"));
    m.next();
    EXPECT_EQ(m.selectedStep(), 0);
    m.select(4);
    m.setFromCatalog(false);
    EXPECT_EQ(m.selectedStep(), 4);
    EXPECT_EQ(m.step().summary, QString::fromUtf8("Pentru un proiect din folder, exportul scrie fișiere XMP."));
    m.select(7);
    m.select(-1);
    EXPECT_EQ(m.selectedStep(), 4) << "only existing steps";
    m.select(1);
    m.runAction();
    EXPECT_EQ(calls, std::vector<D>{D::newProject});
    GuideWorkflowModel readOnly(nullptr);
    EXPECT_FALSE(readOnly.hasAction());
}

// Presses the pill at `index` of a picker.
void pressPill(kit::PillPicker* picker, int index) {
    QTest::mouseClick(picker, Qt::LeftButton, {}, picker->pillRect(index).center().toPoint());
}

struct Opened {
    std::vector<std::string> calls;
    std::unique_ptr<GuideSheet> sheet;
    explicit Opened(bool withHandler) {
        NavigationHandler handler;
        if (withHandler) handler = [this](D d) { calls.push_back("navigate " + std::to_string(int(d))); };
        sheet = std::make_unique<GuideSheet>(handler, [this] { calls.push_back("dismiss"); });
        sheet->show();
        QApplication::processEvents();
    }
    GuideWorkflowView* workflow() const { return sheet->workflow(); }
};

TEST(GuideSheet, theFooterAndTheListMoveThroughTheSteps) {
    Opened o(true);
    auto* w = o.workflow();
    EXPECT_FALSE(w->backButton()->isEnabled());
    EXPECT_EQ(w->positionLabel()->text(), QString::fromUtf8("Pasul 1 din 7"));
    EXPECT_EQ(w->rows()[0]->tag(), QString::fromUtf8("La prima utilizare"));
    EXPECT_EQ(w->rows()[6]->tag(), QString::fromUtf8("Opțional, după livrare"));
    for (int i = 1; i < 6; ++i) EXPECT_TRUE(w->rows()[i]->tag().isEmpty()) << i;
    EXPECT_EQ(w->rows()[0]->accessibleName(), QString::fromUtf8("Pasul 1: Pregătește profilul"));

    QTest::mouseClick(w->rows()[6], Qt::LeftButton);
    EXPECT_EQ(w->titleLabel()->text(), QString::fromUtf8("Învață din rezultat"));
    EXPECT_TRUE(w->rows()[6]->isSelected());
    EXPECT_EQ(w->nextButton()->text(), QString::fromUtf8("Reia ghidul"));
    QTest::mouseClick(w->nextButton(), Qt::LeftButton);
    EXPECT_EQ(w->positionLabel()->text(), QString::fromUtf8("Pasul 1 din 7"));
    QTest::mouseClick(w->nextButton(), Qt::LeftButton);
    EXPECT_TRUE(w->backButton()->isEnabled());
    QTest::mouseClick(w->backButton(), Qt::LeftButton);
    EXPECT_EQ(w->model().selectedStep(), 0);
    EXPECT_TRUE(o.calls.empty());
}

TEST(GuideSheet, switchingTheSourceReplacesTheTextsAndKeepsTheStep) {
    Opened o(true);
    auto* w = o.workflow();
    QTest::mouseClick(w->rows()[2], Qt::LeftButton);
    const QString catalogFirst = w->instructionLabels()[0]->text();
    const QString summary = w->summaryLabel()->text();
    pressPill(w->sourcePicker(), 1);
    EXPECT_FALSE(w->model().fromCatalog());
    EXPECT_EQ(w->model().selectedStep(), 2);
    EXPECT_NE(w->instructionLabels()[0]->text(), catalogFirst);
    EXPECT_EQ(w->summaryLabel()->text(), summary) << "step 3 changes its instructions only";
    QTest::mouseClick(w->rows()[1], Qt::LeftButton);
    EXPECT_EQ(w->actionButton()->text(), QString::fromUtf8("Deschide Proiect nou"));
    pressPill(w->sourcePicker(), 0);
    EXPECT_EQ(w->actionButton()->text(), QString::fromUtf8("Deschide Lightroom"));
}

TEST(GuideSheet, anActionCallsTheHandlerOnceThenCloses) {
    Opened o(true);
    auto* w = o.workflow();
    QTest::mouseClick(w->rows()[3], Qt::LeftButton);
    ASSERT_TRUE(w->actionButton());
    EXPECT_EQ(w->actionButton()->text(), QString::fromUtf8("Deschide Proiecte"));
    QTest::mouseClick(w->actionButton(), Qt::LeftButton);
    EXPECT_EQ(o.calls, (std::vector<std::string>{"navigate " + std::to_string(int(D::projects)), "dismiss"}));

    Opened closing(true);
    closing.sheet->closeButton()->button()->click();
    EXPECT_EQ(closing.calls, std::vector<std::string>{"dismiss"}) << "closing navigates nowhere";
}

TEST(GuideSheet, withoutAHandlerNoStepOffersAnAction) {
    Opened o(false);
    auto* w = o.workflow();
    for (int i = 0; i < 7; ++i) {
        QTest::mouseClick(w->rows()[i], Qt::LeftButton);
        EXPECT_FALSE(w->actionButton()) << i;
    }
    QTest::mouseClick(w->nextButton(), Qt::LeftButton);
    EXPECT_EQ(w->model().selectedStep(), 0);
}

TEST(GuideSheet, theReferenceStartsClosedOnEveryVisitAndTheStepsKeepTheirPlace) {
    Opened o(true);
    auto* w = o.workflow();
    QTest::mouseClick(w->rows()[4], Qt::LeftButton);
    pressPill(w->sourcePicker(), 1);
    EXPECT_TRUE(o.sheet->adviceSections().isEmpty());
    pressPill(o.sheet->sectionPicker(), 1);
    ASSERT_TRUE(o.sheet->showsReference());
    EXPECT_FALSE(w->isVisible()) << "hidden steps take no clicks";
    auto sections = o.sheet->adviceSections();
    ASSERT_EQ(sections.size(), 8);
    for (auto* s : sections) {
        EXPECT_FALSE(s->isExpanded());
        EXPECT_EQ(s->accessibilityValue(), QString::fromUtf8("Restrâns"));
    }
    QTest::mouseClick(sections[0]->header(), Qt::LeftButton);
    QTest::mouseClick(sections[3]->header(), Qt::LeftButton);
    EXPECT_TRUE(sections[0]->isExpanded());
    EXPECT_TRUE(sections[0]->body()->isVisible());
    EXPECT_EQ(sections[3]->accessibilityValue(), QString::fromUtf8("Extins"));
    EXPECT_EQ(sections[3]->header()->accessibleDescription(), QString::fromUtf8("Extins"));
    QTest::mouseClick(sections[0]->header(), Qt::LeftButton);
    EXPECT_FALSE(sections[0]->isExpanded());

    pressPill(o.sheet->sectionPicker(), 0);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->model().selectedStep(), 4);
    EXPECT_FALSE(w->model().fromCatalog());
    EXPECT_EQ(w->summaryLabel()->text(), QString::fromUtf8("Pentru un proiect din folder, exportul scrie fișiere XMP."));
    pressPill(o.sheet->sectionPicker(), 1);
    QApplication::processEvents();
    for (auto* s : o.sheet->adviceSections()) EXPECT_FALSE(s->isExpanded());
}

TEST(GuideSheet, screenshotsLightAndDark) {
    if (!qEnvironmentVariableIsSet("ORVANE_WRITE_SCREENSHOTS")) GTEST_SKIP() << "set ORVANE_WRITE_SCREENSHOTS to write docs/";
    kit::installUiFont();
    kit::installApplicationStyle();
    for (bool dark : {false, true}) {
        kit::Appearance::instance().setOverride(dark);
        for (bool reference : {false, true}) {
            GuideSheet sheet([](D) {}, {});
            sheet.show();
            QTest::mouseClick(sheet.workflow()->rows()[1], Qt::LeftButton);
            if (reference) {
                sheet.setShowReference(true);
                auto sections = sheet.adviceSections();
                sections[0]->toggle();
                sections[3]->toggle();
            }
            QApplication::processEvents();
            const QString name = reference ? "guide-reference-" : "guide-";
            EXPECT_TRUE(sheet.grab().toImage().save(QString(ORVANE_SOURCE_DIR) + "/docs/" + name + (dark ? "dark" : "light") + ".png"));
        }
    }
    kit::Appearance::instance().setOverride(std::nullopt);
}

}  // namespace
}  // namespace orvane::guide

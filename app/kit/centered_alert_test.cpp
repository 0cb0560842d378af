#include "app/kit/centered_alert.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include "app/kit/appearance.h"
#include "app/kit/palette.h"
#include "app/kit/sheet_host.h"

using namespace orvane::kit;

namespace {

struct PlacementCase {
    const char* name;
    QRect reference;
    QSize alert;
    QRect available;
    QPoint expected;
};

TEST(CenteredAlert, originSitsRightOfTheRailBandAboveTheMiddleAndInsideTheScreen) {
    const QRect screen(0, 0, 1920, 1080);
    const PlacementCase cases[] = {
        {"the worked example", {100, 100, 800, 600}, {420, 180}, {}, {409, 262}},
        {"the example on a large screen is unchanged", {100, 100, 800, 600}, {420, 180}, screen, {409, 262}},
        // Wider than the window minus the band: it overhangs the band to the left, which is kept.
        {"a wide alert overhangs the band", {100, 100, 800, 600}, {700, 180}, screen, {269, 262}},
        {"near the right edge", {1500, 100, 800, 600}, {420, 180}, screen, {1500, 262}},
        {"near the bottom edge", {100, 900, 800, 600}, {420, 180}, screen, {409, 900}},
        {"above and left of the screen", {-700, -500, 800, 600}, {420, 180}, screen, {0, 0}},
        {"larger than the screen keeps its top-left corner on it", {100, 100, 800, 600}, {2000, 1200}, screen, {0, 0}},
        {"a screen that does not start at zero", {1500, 0, 800, 600}, {420, 180}, {1920, 0, 1280, 1024}, {1920, 162}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(centeredAlertOrigin(c.reference, c.alert, c.available), c.expected) << c.name;
}

TEST(CenteredAlert, referenceIsAVisibleOrdinaryWindow) {
    for (QWidget* w : QApplication::topLevelWidgets()) w->hide();
    EXPECT_EQ(alertReferenceWindow(), nullptr);

    QWidget tool(nullptr, Qt::Tool);
    tool.show();
    QWidget hidden;
    EXPECT_EQ(alertReferenceWindow(), nullptr) << "a tool window and a hidden window do not count";

    QWidget main;
    main.show();
    EXPECT_EQ(alertReferenceWindow(), &main);
}

TEST(CenteredAlert, answersFollowTheOrderOfTheButtonsAndEscapeTakesTheFirst) {
    CenteredAlert alert("Eroare", "Textul");
    QAbstractButton* close = alert.addChoice("Închide");
    QAbstractButton* copy = alert.addChoice("Copiază");
    EXPECT_EQ(alert.answerOf(close), 1000);
    EXPECT_EQ(alert.answerOf(copy), 1001);
    EXPECT_EQ(alert.answerOf(nullptr), -1);
    EXPECT_EQ(alert.escapeButton(), close);
    EXPECT_EQ(static_cast<QAbstractButton*>(alert.defaultButton()), close);
}

TEST(CenteredAlert, runsModallyOverTheReferenceWindowAndReturnsTheChosenButton) {
    for (QWidget* w : QApplication::topLevelWidgets()) w->hide();
    QWidget main;
    main.setGeometry(100, 100, 700, 500);
    main.show();
    CenteredAlert alert("Eroare", "Discul este plin");
    alert.addChoice("Închide");
    QAbstractButton* copy = alert.addChoice("Copiază");
    QPoint shownAt;
    bool selectable = false;
    QTimer::singleShot(0, &alert, [&] {
        shownAt = alert.pos();
        for (QLabel* label : alert.findChildren<QLabel*>())
            if (label->text() == "Discul este plin") selectable = label->textInteractionFlags() & Qt::TextSelectableByMouse;
        copy->click();
    });
    EXPECT_EQ(alert.runCentered(), 1001);
    EXPECT_EQ(shownAt, centeredAlertOrigin(main.frameGeometry(), alert.frameGeometry().size(),
                                           main.screen()->availableGeometry()));
    EXPECT_TRUE(selectable);
}

TEST(CenteredAlert, makesLabelsSelectableAndLeavesFieldsEditable) {
    QWidget root;
    auto* label = new QLabel("Mesaj", &root);
    auto* field = new QLineEdit("Nume", &root);
    makeTextSelectable(&root);
    EXPECT_TRUE(label->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_FALSE(field->isReadOnly());
    EXPECT_EQ(field->text(), "Nume");
}

TEST(SheetHost, sheetsAreCentredOverThePageAreaWhenTheyFitBesideTheRail) {
    EXPECT_EQ(SheetHost::sheetFrame({1200, 800}, {600, 400}), QRect(238 + (1200 - 238 - 600) / 2, 200, 600, 400));
    EXPECT_EQ(SheetHost::sheetFrame({1200, 800}, {962, 400}).x(), (1200 - 962) / 2) << "too wide for the page area";
    EXPECT_EQ(SheetHost::sheetFrame({500, 300}, {600, 400}), QRect(0, 0, 500, 300)) << "never larger than the window";
}

TEST(SheetHost, aSheetOfFixedSizeIsCentredAtThatSize) {
    QWidget window;
    window.resize(1247, 837);
    auto* host = new SheetHost(&window);
    window.show();
    // Its content asks for less than the size it is fixed at (the start sheet's 560 × 600).
    auto* sheet = new QWidget;
    auto* column = new QVBoxLayout(sheet);
    column->addWidget(new QLabel(QStringLiteral("Pornește editarea")));
    sheet->setFixedSize(560, 600);
    ASSERT_LT(sheet->sizeHint().height(), 600);
    host->present(sheet);
    EXPECT_EQ(sheet->geometry(), SheetHost::sheetFrame(window.size(), {560, 600}));
    EXPECT_TRUE(window.rect().contains(sheet->geometry()));
}

TEST(SheetHost, showsOneSheetAtATimeInTheOrderTheyCame) {
    QWidget window;
    window.resize(1200, 800);
    auto* host = new SheetHost(&window);
    window.show();
    EXPECT_FALSE(host->isVisible());

    auto* first = new QWidget;
    auto* second = new QWidget;
    auto* third = new QWidget;
    host->present(first);
    host->present(second);
    host->present(third);
    EXPECT_TRUE(host->isVisible());
    EXPECT_EQ(host->geometry(), window.rect()) << "the scrim covers the whole window";
    EXPECT_EQ(host->current(), first);
    EXPECT_EQ(host->waiting(), 2);
    EXPECT_FALSE(second->isVisible());

    host->dismiss(second);  // a waiting sheet leaves the queue without ever showing
    EXPECT_EQ(host->current(), first);
    EXPECT_EQ(host->waiting(), 1);
    host->dismiss(first);
    EXPECT_EQ(host->current(), third);
    EXPECT_TRUE(third->isVisible());
    host->dismiss(third);
    EXPECT_EQ(host->current(), nullptr);
    EXPECT_FALSE(host->isVisible());
}

TEST(SheetCloseButton, isAPaddedCircleThatFadesAndIgnoresClicksWhenDisabled) {
    SheetCloseButton close;
    EXPECT_EQ(close.size(), QSize(58, 58));
    EXPECT_EQ(close.toolTip(), "Închide");
    int clicks = 0;
    QObject::connect(&close, &SheetCloseButton::clicked, [&] { ++clicks; });
    close.button()->click();
    EXPECT_EQ(clicks, 1);
    close.setDisabledLook(true);
    close.button()->click();
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(close.button()->isEnabled());
}

TEST(SheetCloseButton, sitsInTheTopTrailingCornerWithItsBoldGlyphCentred29PointsIn) {
    Appearance::instance().setOverride(false);
    QWidget sheet;
    sheet.resize(560, 360);
    SheetCloseButton* close = SheetCloseButton::overlay(&sheet);
    sheet.show();
    EXPECT_EQ(close->geometry(), QRect(560 - 58, 0, 58, 58));
    sheet.resize(640, 400);
    EXPECT_EQ(close->geometry(), QRect(640 - 58, 0, 58, 58)) << "it follows the corner";

    // The glyph: muted strokes through the centre, about 10 points across and 2 thick.
    const QImage image = close->grab().toImage();
    const QColor muted = mutedColor.resolve(false);
    const auto isGlyph = [&](int x, int y) {
        const QColor c = image.pixelColor(x, y);
        return std::abs(c.red() - muted.red()) < 24 && std::abs(c.green() - muted.green()) < 24 &&
               std::abs(c.blue() - muted.blue()) < 24;
    };
    EXPECT_TRUE(isGlyph(29, 29)) << "the centre";
    int across = 0;
    for (int x = 0; x < 58; ++x) across += isGlyph(x, x) ? 1 : 0;
    EXPECT_GE(across, 8);
    EXPECT_LE(across, 12);
    // Through the centre, vertically, only the crossing is glyph: as tall as a stroke is thick.
    int stroke = 0;
    for (int y = 20; y < 40; ++y) stroke += isGlyph(29, y) ? 1 : 0;
    EXPECT_GE(stroke, 2) << "bold, not a hairline";
    EXPECT_LE(stroke, 4);
    Appearance::instance().setOverride(std::nullopt);
}

}  // namespace

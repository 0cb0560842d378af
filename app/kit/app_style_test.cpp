// The application-wide style: the palette follows the appearance and the accent, plain widgets take
// the kit's shapes, alerts fit their text.
#include "app/kit/app_style.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTimer>
#include <QToolTip>

#include <gtest/gtest.h>

#include "app/kit/appearance.h"
#include "app/kit/backdrop.h"
#include "app/kit/centered_alert.h"
#include "app/kit/kit_test_fixture.h"
#include "app/kit/kit_settings.h"
#include "app/kit/palette.h"

using namespace orvane;
using namespace orvane::kit;

namespace {

class AppStyle : public orvane::kit::testing::KitFixture {
protected:
    void SetUp() override {
        orvane::kit::testing::KitFixture::SetUp();
        installApplicationStyle();
    }
};

// Widgets that exist take a new application palette through posted events.
void settle() { QCoreApplication::processEvents(); }

QColor accentOf(int index, bool dark) { return adaptiveColor(accentPalette[std::size_t(index)].accent).resolve(dark); }

TEST_F(AppStyle, theApplicationPaletteFollowsTheAppearanceAndTheAccent) {
    EXPECT_TRUE(qobject_cast<KitStyle*>(QApplication::style()));
    struct Step {
        const char* name;
        bool dark;
        int accent;
    };
    const Step steps[] = {
        {"light, blue", false, 3},
        {"dark, blue", true, 3},
        {"dark, pink", true, 5},
        {"light, pink", false, 5},
        {"light, graphite", false, 6},
    };
    for (const Step& s : steps) {
        Appearance::instance().setOverride(s.dark);
        store->set("accentIndex", s.accent);
        const QPalette p = QApplication::palette();
        EXPECT_EQ(p.color(QPalette::Window), windowBackgroundColor.resolve(s.dark)) << s.name;
        EXPECT_EQ(p.color(QPalette::WindowText), primaryLabelColor.resolve(s.dark)) << s.name;
        EXPECT_EQ(p.color(QPalette::Text), primaryLabelColor.resolve(s.dark)) << s.name;
        EXPECT_EQ(p.color(QPalette::Highlight), accentOf(s.accent, s.dark)) << s.name;
        EXPECT_EQ(p.color(QPalette::Inactive, QPalette::Highlight), accentOf(s.accent, s.dark))
            << s.name << ": a selection keeps the accent when the window is not active";
        EXPECT_EQ(p.color(QPalette::HighlightedText), QColor(Qt::white)) << s.name;
        EXPECT_EQ(p.color(QPalette::PlaceholderText), mutedColor.resolve(s.dark)) << s.name;
        // Tooltips keep a palette of their own: it follows too.
        EXPECT_EQ(QToolTip::palette().color(QPalette::ToolTipText), primaryLabelColor.resolve(s.dark)) << s.name;
        EXPECT_EQ(QToolTip::palette().color(QPalette::ToolTipBase), raisedColor.resolve(s.dark)) << s.name;
        // A widget made now, and one made before, both see it.
        QLineEdit field;
        EXPECT_EQ(field.palette().color(QPalette::Highlight), accentOf(s.accent, s.dark)) << s.name;
    }
    EXPECT_EQ(applicationPalette(true, 99).color(QPalette::Highlight), accentOf(6, true)) << "an index is limited";
}

TEST_F(AppStyle, mutedTextStaysMutedInWidgetsMadeAfterAChange) {
    QLabel before("înainte");
    setMutedText(&before);
    Appearance::instance().setOverride(true);
    settle();
    QLabel after("după");
    setMutedText(&after);
    for (QLabel* label : {&before, &after})
        EXPECT_EQ(label->palette().color(label->foregroundRole()), mutedColor.resolve(true)) << label->text().toStdString();
    Appearance::instance().setOverride(false);
    settle();
    EXPECT_EQ(after.palette().color(after.foregroundRole()), mutedColor.resolve(false));
    // Drawn in that colour: the darkest pixel of the text is the muted grey, not black.
    after.setFont(QFont(after.font().family(), 30));
    after.adjustSize();
    const QImage image = after.grab().toImage();
    int darkest = 255;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) darkest = std::min(darkest, qGray(image.pixel(x, y)));
    EXPECT_NEAR(darkest, qGray(mutedColor.resolve(false).rgb()), 6);
}

TEST_F(AppStyle, theDefaultPushButtonIsAnAccentCapsuleAndTheOthersOutlined) {
    store->set("accentIndex", 0);  // red: unmistakable
    QWidget host;
    auto* primary = new QPushButton("Continuă", &host);
    auto* secondary = new QPushButton("Anulează", &host);
    primary->setDefault(true);
    for (QPushButton* b : {primary, secondary}) b->resize(b->sizeHint());
    EXPECT_EQ(primary->sizeHint().height(), secondary->sizeHint().height()) << "becoming the default changes no size";
    const auto sample = [](QPushButton* b) {
        const QImage image = b->grab().toImage();
        return QColor(image.pixel(3, b->height() / 2));  // inside the rounded end, off the text
    };
    EXPECT_EQ(sample(primary), accentOf(0, false));
    EXPECT_NE(sample(secondary), accentOf(0, false));
    // The capsule fills the frame: the corner is outside it, the middle of the left end inside.
    const QImage image = primary->grab().toImage();
    EXPECT_NE(QColor(image.pixel(0, 0)), accentOf(0, false));
}

// An unticked box must be seen on the window in both appearances (Fusion's rim vanished in dark); a
// ticked one is the accent's.
TEST_F(AppStyle, checkBoxesAreSeenInBothAppearancesAndTickedInTheAccent) {
    store->set("accentIndex", 0);
    for (const bool dark : {false, true}) {
        for (const bool ticked : {false, true}) {
            SCOPED_TRACE(std::string(dark ? "dark" : "light") + (ticked ? ", ticked" : ", unticked"));
            Appearance::instance().setOverride(dark);
            settle();
            QCheckBox box(QStringLiteral("Prioritizează antrenarea"));
            box.setChecked(ticked);
            box.resize(box.sizeHint());
            QStyleOptionButton option;
            option.initFrom(&box);
            const QRect indicator = box.style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, &box);
            const QImage image = box.grab().toImage();
            const QColor window = windowBackgroundColor.resolve(dark);
            double strongest = 1.0;
            bool accent = false;
            for (int y = indicator.top(); y <= indicator.bottom(); ++y)
                for (int x = indicator.left(); x <= indicator.right(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    strongest = std::max(strongest, contrastRatio(c, window));
                    accent = accent || c == accentOf(0, dark);
                }
            EXPECT_GE(strongest, 3.0);
            EXPECT_EQ(accent, ticked);
        }
    }
}

TEST_F(AppStyle, scrollBarsHaveNoArrowsAndAThumbInProportion) {
    QScrollBar bar(Qt::Vertical);
    bar.setRange(0, 100);
    bar.setPageStep(100);
    bar.resize(bar.sizeHint().width(), 200);
    QStyleOptionSlider option;
    option.initFrom(&bar);
    option.orientation = Qt::Vertical;
    option.minimum = 0;
    option.maximum = 100;
    option.pageStep = 100;
    option.rect = QRect(0, 0, 12, 200);
    QStyle* style = QApplication::style();
    EXPECT_TRUE(style->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarAddLine).isEmpty());
    EXPECT_TRUE(style->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSubLine).isEmpty());
    struct Case {
        int position;
        QRect thumb;
    };
    for (const Case& c : {Case{0, {0, 0, 12, 100}}, Case{50, {0, 50, 12, 100}}, Case{100, {0, 100, 12, 100}}}) {
        option.sliderPosition = c.position;
        EXPECT_EQ(style->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider), c.thumb)
            << c.position;
    }
    // A long list keeps a thumb that can be caught.
    option.maximum = 100000;
    option.pageStep = 10;
    EXPECT_EQ(style->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider).height(), 32);
}

TEST_F(AppStyle, alertsFitTheirTextWithABoldTitle) {
    struct Case {
        const char* name;
        QString title, message;
        int expected;  // text width; 0 for "between the limits"
    };
    const Case cases[] = {
        {"short", "Eroare", "Gata.", alertMinTextWidth},
        {"one line that fits", "Închid Lightroom?", "Catalogul se scrie după ce Lightroom se închide.", 0},
        {"a long paragraph wraps at the maximum", "Eroare", QString("Un text foarte lung. ").repeated(20),
         alertMaxTextWidth},
    };
    for (const Case& c : cases) {
        const int width = alertTextWidth(alertTitleFont(), c.title, alertMessageFont(), c.message);
        if (c.expected) {
            EXPECT_EQ(width, c.expected) << c.name;
        } else {
            EXPECT_GT(width, alertMinTextWidth) << c.name;
            EXPECT_LT(width, alertMaxTextWidth) << c.name;
        }
    }

    QWidget main;
    main.setGeometry(100, 100, 1000, 700);
    main.show();
    CenteredAlert alert("Închid Lightroom?", "Catalogul se scrie după ce Lightroom se închide.");
    alert.addChoice("Anulează");
    alert.addChoice("Închide și scrie");
    QFont titleFont;
    int messageHeight = 0;
    QTimer::singleShot(0, &alert, [&] {
        titleFont = alert.findChild<QLabel*>("qt_msgbox_label")->font();
        messageHeight = alert.findChild<QLabel*>("qt_msgbox_informativelabel")->height();
        alert.choices().first()->click();
    });
    EXPECT_EQ(alert.runCentered(), CenteredAlert::firstButton);
    EXPECT_EQ(titleFont.weight(), QFont::Bold);
    EXPECT_LT(messageHeight, QFontMetrics(alertMessageFont()).lineSpacing() * 2) << "one line, not wrapped";
    EXPECT_GT(alert.width(), alert.textWidth());
}

}  // namespace

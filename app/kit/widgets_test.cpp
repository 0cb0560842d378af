// Kit widgets rendered offscreen: hover and press change the paint only while enabled, settings and
// appearance restyle live, icons and the pinned font are there.
#include <QApplication>
#include <QEnterEvent>
#include <QPainter>
#include <QSvgRenderer>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

#include "app/kit/app_backdrop.h"
#include "app/kit/appearance.h"
#include "app/kit/buttons.h"
#include "app/kit/fonts.h"
#include "app/kit/glass.h"
#include "app/kit/icons.h"
#include "app/kit/kit_fixture.h"
#include "app/kit/kit_settings.h"
#include "app/kit/palette.h"
#include "app/kit/sheet_background.h"

using namespace orvane;
using namespace orvane::kit;

namespace {
class KitWidgets : public KitFixture {
protected:
    static void enter(QWidget* w) {
        QEnterEvent e(QPointF(4, 4), w->mapToGlobal(QPointF(4, 4)), w->mapToGlobal(QPointF(4, 4)));
        QApplication::sendEvent(w, &e);
    }
    static void leave(QWidget* w) {
        QEvent e(QEvent::Leave);
        QApplication::sendEvent(w, &e);
    }
};

QImage render(QWidget* w) { return w->grab().toImage().convertToFormat(QImage::Format_ARGB32); }
}  // namespace

TEST_F(KitWidgets, hoverAndPressChangeThePaintOnlyWhileEnabled) {
    for (ButtonLook look : {ButtonLook::accent, ButtonLook::hero, ButtonLook::outline}) {
        QWidget host;
        auto* button = new KitButton("Începe", look, &host);
        button->resize(button->sizeHint());
        const QImage rest = render(button);
        enter(button);
        ASSERT_TRUE(button->isHovering());
        const QImage hovered = render(button);
        EXPECT_NE(hovered, rest) << int(look);
        leave(button);
        EXPECT_EQ(render(button), rest) << int(look);

        QTest::mousePress(button, Qt::LeftButton, {}, button->rect().center());
        EXPECT_NE(render(button), rest) << int(look);
        QTest::mouseRelease(button, Qt::LeftButton, {}, button->rect().center());
        EXPECT_EQ(render(button), rest) << int(look);

        // Disabled through its container: the pointer changes nothing, and no press arrives.
        host.setEnabled(false);
        const QImage disabled = render(button);
        EXPECT_NE(disabled, rest);
        enter(button);
        EXPECT_EQ(render(button), disabled) << int(look);
        QTest::mousePress(button, Qt::LeftButton, {}, button->rect().center());
        EXPECT_EQ(render(button), disabled) << int(look);
        QTest::mouseRelease(button, Qt::LeftButton, {}, button->rect().center());
    }
}

TEST_F(KitWidgets, outlineFollowsTheControlSizeOfItsSurroundings) {
    QWidget regular, small;
    small.setProperty("controlSize", "small");
    KitButton a("Anulează", ButtonLook::outline, &regular), b("Anulează", ButtonLook::outline, &small);
    EXPECT_LT(b.sizeHint().height(), a.sizeHint().height());
    EXPECT_LT(b.sizeHint().width(), a.sizeHint().width());
    small.setProperty("controlSize", "large");
    EXPECT_EQ(b.sizeHint(), a.sizeHint());
}

TEST_F(KitWidgets, heroButtonIsAtLeast54High) {
    KitButton hero("Pornește editarea", ButtonLook::hero);
    EXPECT_GE(hero.sizeHint().height(), 54);
}

// A button's frame is its capsule: it starts where the text above it starts and takes no clicks
// outside; the hover growth of the hero look is drawn beyond the frame, not cut by it.
TEST_F(KitWidgets, aButtonIsItsCapsuleAndItsHoverGrowthIsNotCut) {
    QWidget host;
    host.resize(400, 120);
    auto* layout = new QVBoxLayout(&host);
    layout->setContentsMargins(40, 20, 40, 20);
    auto* text = new QWidget;
    text->setFixedHeight(10);
    layout->addWidget(text);
    auto* hero = new KitButton("Pornește", ButtonLook::hero);
    layout->addWidget(hero, 0, Qt::AlignLeft);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    EXPECT_EQ(hero->x(), text->x()) << "aligned with the text above";
    EXPECT_EQ(hero->size(), hero->sizeHint());
    int clicks = 0;
    QObject::connect(hero, &QAbstractButton::clicked, [&] { ++clicks; });
    QTest::mouseClick(&host, Qt::LeftButton, {}, hero->geometry().topLeft() - QPoint(2, 0));
    EXPECT_EQ(clicks, 0) << "just left of the capsule is not the button";
    QTest::mouseClick(hero, Qt::LeftButton, {}, QPoint(4, hero->height() / 2));
    EXPECT_EQ(clicks, 1);

    const QPoint middleLeft = hero->geometry().topLeft() + QPoint(0, hero->height() / 2);
    const QPoint outside = middleLeft - QPoint(1, 0);
    const QColor before = host.grab().toImage().pixelColor(outside);
    enter(hero);
    const QImage hovered = host.grab().toImage();
    EXPECT_NE(hovered.pixelColor(outside), before) << "the grown capsule reaches past the frame";
    EXPECT_GT(hovered.pixelColor(outside).blue(), hovered.pixelColor(outside).red()) << "in the accent";
}

TEST_F(KitWidgets, hoverEffectsLiftAndFill) {
    auto* label = new QWidget;
    label->setMinimumSize(40, 20);
    HoverLift lift(label);
    lift.resize(lift.sizeHint());
    EXPECT_EQ(label->y(), HoverLift::lift);
    enter(&lift);
    EXPECT_EQ(label->y(), 0);
    leave(&lift);
    EXPECT_EQ(label->y(), HoverLift::lift);

    auto* inner = new QWidget;
    inner->setMinimumSize(40, 20);
    HoverFill fill(12, inner);
    fill.resize(80, 30);
    const QImage rest = render(&fill);
    enter(&fill);
    EXPECT_NE(render(&fill), rest);
    leave(&fill);
    EXPECT_EQ(render(&fill), rest);
}

TEST_F(KitWidgets, styleSwitchRepaintsLive) {
    AppBackdrop root;
    root.resize(300, 200);
    auto* card = new GlassFrame(GlassTreatment::airy, KitShape::rounded(20), &root);
    card->setGeometry(40, 40, 200, 120);
    root.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&root));
    QTest::qWait(20);

    const QPoint centre(140, 100);
    const QRgb glass = root.grab().toImage().pixel(centre);
    const int before = card->paintCount();
    store->set("style", "flat");
    // The change alone repaints the card: no one calls update().
    EXPECT_TRUE(QTest::qWaitFor([&] { return card->paintCount() > before; }, 2000));
    const QRgb flat = root.grab().toImage().pixel(centre);
    EXPECT_EQ(QColor(flat), flatCardColor.resolve(false));
    EXPECT_NE(flat, glass);

    // "Flat" with a capital is not the flat style.
    store->set("style", "Flat");
    EXPECT_EQ(root.grab().toImage().pixel(centre), glass);

    const int beforeDark = card->paintCount();
    store->set("style", "flat");
    Appearance::instance().setOverride(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return card->paintCount() > beforeDark; }, 2000));
    EXPECT_EQ(QColor(root.grab().toImage().pixel(centre)), flatCardColor.resolve(true));
}

TEST_F(KitWidgets, transparencyOfTheAppearanceInEffectTints) {
    AppBackdrop root;
    root.resize(300, 200);
    auto* card = new GlassFrame(GlassTreatment::clear, KitShape::rounded(20), &root);
    card->setGeometry(40, 40, 200, 120);
    const QPoint centre(140, 100);
    const QColor seeThrough = root.grab().toImage().pixel(centre);
    store->set("cardTransparency.dark", 0.0);  // the other appearance: nothing changes
    EXPECT_EQ(QColor(root.grab().toImage().pixel(centre)), seeThrough);
    store->set("cardTransparency.light", 0.0);  // nearly opaque white
    const QColor opaque = root.grab().toImage().pixel(centre);
    EXPECT_GT(opaque.lightness(), seeThrough.lightness());
    EXPECT_GE(opaque.lightness(), 245);
}

TEST_F(KitWidgets, backdropResizeIsDebounced) {
    AppBackdrop root;
    root.resize(200, 150);
    root.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&root));
    QTest::qWait(10);
    const int renders = root.renderCount();
    EXPECT_EQ(renders, 1);
    root.resize(260, 180);
    QTest::qWait(10);
    root.resize(300, 200);
    QTest::qWait(10);
    EXPECT_TRUE(root.renderPending());
    EXPECT_EQ(root.renderCount(), renders);  // the old render is stretched meanwhile
    EXPECT_TRUE(QTest::qWaitFor([&] { return root.renderCount() == renders + 1; }, 2000));
    EXPECT_FALSE(root.renderPending());
    // A setting shows at once, without waiting for anything.
    store->set("backdropIntensity.light", 0.0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return root.renderCount() == renders + 2; }, 100));
}

TEST_F(KitWidgets, sheetLooks) {
    AppBackdrop root;
    root.resize(400, 300);
    auto* sheet = new GlassSheet(false, &root);
    sheet->setGeometry(50, 50, 300, 200);
    auto* clear = new GlassSheet(true, &root);
    clear->setGeometry(0, 0, 40, 40);
    const QImage glass = root.grab().toImage();
    const QImage behind = [&] {
        sheet->hide();
        clear->hide();
        QImage i = root.grab().toImage();
        sheet->show();
        clear->show();
        return i;
    }();
    EXPECT_NE(glass.pixel(200, 150), behind.pixel(200, 150));
    EXPECT_EQ(glass.pixel(20, 20), behind.pixel(20, 20));  // very clear: nothing drawn
    store->set("style", "flat");
    const QImage flat = root.grab().toImage();
    EXPECT_EQ(QColor(flat.pixel(200, 150)), windowBackgroundColor.resolve(false));
    EXPECT_EQ(QColor(flat.pixel(20, 20)), windowBackgroundColor.resolve(false));  // even when very clear
}

TEST(KitAssets, everyIconNameDrawsABundledFile) {
    ASSERT_FALSE(icons::names().isEmpty());
    for (const QString& name : icons::names()) {
        QSvgRenderer svg(icons::fileFor(name));
        EXPECT_TRUE(svg.isValid()) << name.toStdString();
        const QImage drawn = icons::pixmap(name, QSize(64, 64), QColor(0x0A84FF)).toImage();
        bool coloured = false;
        for (int y = 0; y < drawn.height() && !coloured; ++y)
            for (int x = 0; x < drawn.width() && !coloured; ++x)
                coloured = qAlpha(drawn.pixel(x, y)) == 255 && (drawn.pixel(x, y) & 0xFFFFFF) == 0x0A84FF;
        EXPECT_TRUE(coloured) << name.toStdString();
    }
    EXPECT_TRUE(icons::fileFor("no.such.symbol").isEmpty());
    EXPECT_TRUE(icons::licenceText().contains("MIT License"));
}

TEST(KitAssets, interfaceFontHasTabularDigits) {
    ASSERT_TRUE(hasUiFont()) << "run scripts/setup.sh: the interface font is missing";
    const QFontMetricsF fm(uiFont(13));
    EXPECT_EQ(QFontInfo(uiFont(13)).family(), QString(uiFontFamily));
    const double zero = fm.horizontalAdvance(QChar(u'0'));
    for (char16_t digit = u'1'; digit <= u'9'; ++digit) EXPECT_DOUBLE_EQ(fm.horizontalAdvance(QChar(digit)), zero);
}

// The extra options panel offscreen, under real clicks: the groups' status and buttons, the beta gate,
// the sliders' ranges and resets, the crop section, writes made elsewhere, and a disabled panel.
#include "app/options/extra_options_panel.h"

#include <QGraphicsOpacityEffect>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include "app/guide/guide_sheet.h"
#include "app/kit/form.h"
#include "app/kit/help_dot.h"
#include "app/kit/kit_test_fixture.h"
#include "app/kit/motion.h"
#include "app/kit/sheet_host.h"
#include "app/kit/slider.h"
#include "app/kit/symbol_button.h"
#include "app/kit/text.h"
#include "app/options/option_settings.h"

using namespace orvane;
using namespace orvane::options;
using orvane::kit::testing::KitFixture;

namespace {

class Panel : public KitFixture {
protected:
    void make(bool disabled = false, bool merge = false) {
        binding = std::make_unique<OptionsBinding>(store);
        auto* layout = new QVBoxLayout(window.get());
        panel = new ExtraOptionsPanel(*binding, disabled, merge, false);
        layout->addWidget(panel);
        window->resize(560, 1500);
        showWindow();
    }
    bool shown(QWidget* w) const { return w->isVisibleTo(window.get()); }
    bool on(const char* key) const { return store->boolValue(key).value_or(false); }
    // Every key the panel can write, with what it holds.
    std::vector<std::optional<Json>> snapshot() const {
        std::vector<std::optional<Json>> values;
        for (const char* key : {keys::profile, keys::noise, keys::straighten, keys::skin, keys::subject, keys::teeth,
                                keys::faceLevel, keys::smart, keys::showBeta, keys::skinTexture, keys::skinClarity,
                                keys::skinSharpness, keys::faceLevelAmount, keys::teethAmount, keys::cropMode,
                                keys::cropRatio, keys::cropW, keys::cropH})
            values.push_back(store->value(key));
        return values;
    }
    static void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center()); }

    std::unique_ptr<OptionsBinding> binding;
    ExtraOptionsPanel* panel = nullptr;
};

TEST_F(Panel, groupStatusAndButtonsSwitchOnlyTheirShownOptions) {
    store->set(keys::skin, true);
    store->set(keys::teeth, true);  // beta and hidden: neither counted nor changed
    make();
    ASSERT_TRUE(panel->retouchGroup()->isOpen()) << "opened as it came on screen";
    GroupStatusView* retouch = panel->retouchStatus();
    EXPECT_EQ(retouch->text(), "1 din 2 active");
    EXPECT_EQ(retouch->button()->text(), "Selectează grupul");
    click(retouch->button());
    EXPECT_TRUE(on(keys::subject));
    EXPECT_EQ(retouch->text(), "2 din 2 active");
    EXPECT_EQ(retouch->button()->text(), "Deselectează grupul");
    EXPECT_TRUE(on(keys::teeth));
    EXPECT_TRUE(panel->retouchGroup()->isOpen()) << "the button does not close the group";
    click(retouch->button());
    EXPECT_FALSE(on(keys::skin));
    EXPECT_FALSE(on(keys::subject));
    EXPECT_TRUE(on(keys::teeth));

    // The first group: a tap on a row flips it; the button fills the group in order.
    GroupStatusView* first = panel->firstGroupStatus();
    EXPECT_EQ(first->text(), "0 din 3 active");
    click(panel->row(keys::noise));
    EXPECT_TRUE(on(keys::noise));
    EXPECT_EQ(first->text(), "1 din 3 active");
    click(first->button());
    EXPECT_TRUE(on(keys::profile) && on(keys::noise) && on(keys::straighten));
    EXPECT_EQ(first->button()->text(), "Deselectează grupul");

    // A tap elsewhere on the header closes the group.
    QTest::mouseClick(panel->retouchGroup()->header(), Qt::LeftButton, {}, QPoint(30, 10));
    EXPECT_FALSE(panel->retouchGroup()->isOpen());
    EXPECT_FALSE(panel->retouchGroup()->body()->isVisible());
}

TEST_F(Panel, theBetaGateHidesThreeRowsAndKeepsTheirValues) {
    store->set(keys::faceLevel, true);
    store->set(keys::faceLevelAmount, 55.0);
    store->set(keys::smart, true);
    make();
    const char* beta[] = {keys::faceLevel, keys::teeth, keys::smart};
    for (const char* key : beta) EXPECT_FALSE(shown(panel->row(key))) << key;
    EXPECT_EQ(panel->retouchStatus()->text(), "0 din 2 active");

    click(panel->betaSwitch());
    EXPECT_TRUE(on(keys::showBeta));
    for (const char* key : beta) EXPECT_TRUE(shown(panel->row(key))) << key;
    EXPECT_TRUE(panel->row(keys::faceLevel)->isOn());
    ASSERT_EQ(panel->sliders(keys::faceLevel).size(), 1u);
    EXPECT_TRUE(shown(panel->sliders(keys::faceLevel)[0]));
    EXPECT_EQ(panel->sliders(keys::faceLevel)[0]->value(), 55.0);
    EXPECT_EQ(panel->retouchStatus()->text(), "2 din 5 active");

    click(panel->betaSwitch());
    for (const char* key : beta) EXPECT_FALSE(shown(panel->row(key))) << key;
    EXPECT_TRUE(on(keys::faceLevel)) << "hidden, not switched off";
    EXPECT_EQ(store->numberValue(keys::faceLevelAmount), 55.0);
    EXPECT_TRUE(on(keys::smart));
}

TEST_F(Panel, slidersKeepTheirRangesAndResetToTheirBase) {
    store->set(keys::showBeta, true);
    store->set(keys::skin, true);
    store->set(keys::faceLevel, true);
    store->set(keys::teeth, true);
    make();
    struct Case {
        const char* row;
        std::size_t index;
        const char* key;
        double lower, base;
    };
    const Case cases[] = {
        {keys::skin, 0, keys::skinTexture, 0, 10},  {keys::skin, 1, keys::skinClarity, 0, 10},
        {keys::skin, 2, keys::skinSharpness, 0, 10}, {keys::faceLevel, 0, keys::faceLevelAmount, 1, 70},
        {keys::teeth, 0, keys::teethAmount, 1, 42},
    };
    for (const Case& c : cases) {
        ASSERT_GT(panel->sliders(c.row).size(), c.index) << c.key;
        kit::SliderRow* row = panel->sliders(c.row)[c.index];
        ASSERT_TRUE(shown(row)) << c.key;
        EXPECT_EQ(row->value(), c.base) << c.key;
        EXPECT_FALSE(row->resetButton()->isEnabled()) << c.key << ": nothing to reset at the base";
        kit::ModernSlider* slider = row->slider();
        EXPECT_EQ(slider->geometry().lower, c.lower) << c.key;
        EXPECT_EQ(slider->geometry().upper, 100) << c.key;
        // Dragged to the far left: the range's lower end, never below.
        QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(slider->width() / 2, slider->height() / 2));
        QTest::mouseMove(slider, QPoint(-40, slider->height() / 2));
        QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(-40, slider->height() / 2));
        EXPECT_EQ(store->numberValue(c.key), c.lower) << c.key;
        EXPECT_EQ(row->valueLabel()->text(), QString::number(c.lower)) << c.key;
        ASSERT_TRUE(row->resetButton()->isEnabled()) << c.key;
        click(row->resetButton());
        EXPECT_EQ(store->numberValue(c.key), c.base) << c.key;
        EXPECT_FALSE(row->resetButton()->isEnabled()) << c.key;
    }
    // A stored value shows its integer part, and follows a write made elsewhere.
    store->set(keys::skinTexture, 10.7);
    EXPECT_EQ(panel->sliders(keys::skin)[0]->valueLabel()->text(), "10");
    store->set(keys::skinTexture, -3.7);
    EXPECT_EQ(panel->sliders(keys::skin)[0]->valueLabel()->text(), "-3");
    // Switching skin smoothing off hides its sliders and keeps their values.
    click(panel->row(keys::skin));
    EXPECT_FALSE(shown(panel->sliders(keys::skin)[0]));
    EXPECT_EQ(store->numberValue(keys::skinTexture), -3.7);
}

TEST_F(Panel, followsWritesMadeElsewhere) {
    make();
    EXPECT_FALSE(panel->row(keys::noise)->isOn());
    applyOptionLevel(*store, Level::complete);  // the level picker, say
    for (const char* key : {keys::profile, keys::noise, keys::straighten, keys::skin, keys::subject})
        EXPECT_TRUE(panel->row(key)->isOn()) << key;
    EXPECT_EQ(panel->firstGroupStatus()->text(), "3 din 3 active");
}

TEST_F(Panel, theCropSectionShowsTheChipsOrTheSidesOfItsMode) {
    store->set(keys::cropMode, "square");  // no mode: shows as none until one is picked
    make();
    CropSectionView* crop = panel->crop();
    EXPECT_EQ(crop->modeButton()->text(), "Fără decupare");
    EXPECT_EQ(crop->helpDot()->text(), "Fotografiile nu se decupează.");
    EXPECT_FALSE(shown(crop->chipArea()));
    EXPECT_FALSE(shown(crop->customArea()));
    EXPECT_EQ(store->textValue(keys::cropMode), "square");

    auto menu = crop->makeModeMenu();
    ASSERT_EQ(menu->actions().size(), 5);
    EXPECT_TRUE(menu->actions()[0]->isChecked());
    menu->actions()[2]->trigger();  // "Raport fix"
    EXPECT_EQ(store->textValue(keys::cropMode), "ratio");
    ASSERT_TRUE(shown(crop->chipArea()));
    ASSERT_EQ(crop->chips().size(), 9u);
    EXPECT_TRUE(crop->chips()[4]->isChecked()) << "3:2, the default";
    store->set(keys::cropW, 5.0);
    click(crop->chips()[7]);  // 16:9
    EXPECT_EQ(store->textValue(keys::cropRatio), "16:9");
    EXPECT_EQ(store->numberValue(keys::cropW), 5.0);
    EXPECT_FALSE(store->value(keys::cropH).has_value());
    for (std::size_t i = 0; i < crop->chips().size(); ++i) EXPECT_EQ(crop->chips()[i]->isChecked(), i == 7);

    crop->makeModeMenu()->actions()[3]->trigger();  // "Raport personalizat"
    ASSERT_TRUE(shown(crop->customArea()));
    EXPECT_FALSE(shown(crop->chipArea()));
    QLineEdit* width = crop->sideField(true);
    EXPECT_EQ(width->text(), QLocale().toString(5.0));
    width->setFocus();
    width->selectAll();
    QTest::keyClicks(width, "abc");
    QTest::keyClick(width, Qt::Key_Return);
    EXPECT_EQ(store->numberValue(keys::cropW), 5.0) << "not a number: refused";
    EXPECT_EQ(width->text(), QLocale().toString(5.0));
    width->selectAll();
    QTest::keyClicks(width, QLocale().toString(1.5));
    QTest::keyClick(width, Qt::Key_Return);
    EXPECT_EQ(store->numberValue(keys::cropW), 1.5);
}

TEST_F(Panel, aDisabledPanelTakesNoInputAndKeepsItsValues) {
    store->set(keys::showBeta, true);
    store->set(keys::skin, true);
    store->set(keys::skinTexture, 30.0);
    make(true);
    auto* faint = qobject_cast<QGraphicsOpacityEffect*>(panel->graphicsEffect());
    ASSERT_NE(faint, nullptr);
    EXPECT_DOUBLE_EQ(faint->opacity(), 0.5);
    const auto before = snapshot();
    kit::SliderRow* texture = panel->sliders(keys::skin)[0];
    QWidget* targets[] = {panel->row(keys::noise), panel->row(keys::skin), panel->retouchStatus()->button(),
                          panel->firstGroupStatus()->button(), panel->betaSwitch(), texture->resetButton(),
                          panel->retouchGroup()->header(), panel->crop()->modeButton()};
    for (QWidget* w : targets) click(w);
    QTest::mouseClick(texture->slider(), Qt::LeftButton, {}, QPoint(2, texture->slider()->height() / 2));
    EXPECT_EQ(snapshot(), before);
    EXPECT_TRUE(panel->retouchGroup()->isOpen());

    panel->setDisabled(false);  // and once enabled, the same taps take effect
    EXPECT_EQ(panel->graphicsEffect(), nullptr);
    click(panel->row(keys::noise));
    EXPECT_TRUE(on(keys::noise));
}

TEST_F(Panel, mergedFirstGroupStandsInThePanelHeaderWithTheNote) {
    store->set(keys::profile, true);
    store->set(keys::noise, true);
    make(false, true);
    EXPECT_EQ(panel->editingHeader(), nullptr);
    ASSERT_NE(panel->note(), nullptr);
    EXPECT_TRUE(shown(panel->note()));
    EXPECT_EQ(panel->firstGroupStatus()->text(), "2 din 3 active");
    EXPECT_EQ(panel->firstGroupStatus()->button()->text(), "Selectează grupul");
    EXPECT_TRUE(shown(panel->crop())) << "the crop stays in the first group";
}

}  // namespace

// "Cum se combină?" lays the usage guide over the whole window, without step actions and with the
// reference closed; closing it (its button or Escape) only takes it away; a panel that goes while the
// guide shows takes the guide with it.
TEST_F(Panel, howTheyCombineShowsTheGuideToReadOnly) {
    make();
    const auto before = snapshot();
    ASSERT_NE(panel->guideButton(), nullptr);
    EXPECT_EQ(panel->guideButton()->text(), "Cum se combină?");
    for (const bool byEscape : {false, true}) {
        SCOPED_TRACE(byEscape ? "Escape" : "close button");
        click(panel->guideButton());
        auto* guide = qobject_cast<guide::GuideSheet*>(panel->guide());
        ASSERT_NE(guide, nullptr);
        ASSERT_TRUE(QTest::qWaitFor([&] { return guide->isVisible(); }));
        EXPECT_EQ(guide->window(), window.get()) << "over the window, not inside the panel";
        EXPECT_FALSE(guide->showsReference());
        EXPECT_EQ(guide->workflow()->actionButton(), nullptr) << "read only: no step leads anywhere";
        QPointer<QWidget> shownGuide = guide;
        if (byEscape) QTest::keyClick(guide, Qt::Key_Escape);
        else click(guide->closeButton()->button());
        EXPECT_TRUE(QTest::qWaitFor([&] { return shownGuide.isNull(); }));
        EXPECT_FALSE(panel->model().showGuide());
    }
    EXPECT_EQ(snapshot(), before) << "the guide writes no option";

    click(panel->guideButton());
    QPointer<QWidget> guide = panel->guide();
    ASSERT_FALSE(guide.isNull());
    delete panel;
    panel = nullptr;
    EXPECT_TRUE(guide.isNull());
}

TEST_F(Panel, aDisabledPanelOpensNoGuide) {
    make(/*disabled=*/true);
    click(panel->guideButton());
    EXPECT_FALSE(panel->model().showGuide());
    EXPECT_EQ(panel->guide(), nullptr);
}

// With motion on, a row's controls fade and slide in as it turns on and out as it turns off, then
// stand plain (no effect, no height bound) or hidden; the stored values never wait for the motion.
TEST_F(Panel, aRowsControlsFadeAndSlideInAndOut) {
    store->set(keys::showBeta, true);
    make();
    kit::setAnimationsEnabled(true);
    QWidget* controls = panel->sliders(keys::skin)[0]->parentWidget();
    while (controls && controls->parentWidget() != panel->row(keys::skin)->parentWidget()) controls = controls->parentWidget();
    ASSERT_NE(controls, nullptr);
    ASSERT_FALSE(controls->isVisible());

    click(panel->row(keys::skin));
    EXPECT_TRUE(on(keys::skin));
    EXPECT_TRUE(controls->isVisible()) << "shown at once, growing in";
    auto* fade = qobject_cast<QGraphicsOpacityEffect*>(controls->graphicsEffect());
    ASSERT_NE(fade, nullptr);
    EXPECT_LT(fade->opacity(), 1.0);
    EXPECT_LT(controls->maximumHeight(), controls->sizeHint().height());
    EXPECT_TRUE(QTest::qWaitFor([&] { return controls->graphicsEffect() == nullptr; }));
    EXPECT_EQ(controls->maximumHeight(), QWIDGETSIZE_MAX);
    EXPECT_TRUE(controls->isVisible());

    click(panel->row(keys::skin));
    EXPECT_FALSE(on(keys::skin));
    EXPECT_TRUE(controls->isVisible()) << "still shrinking out";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !controls->isVisible(); }));
    EXPECT_EQ(controls->graphicsEffect(), nullptr);
    kit::setAnimationsEnabled(false);
}

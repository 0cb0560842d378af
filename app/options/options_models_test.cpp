#include <gtest/gtest.h>

#include <QLocale>
#include <QSignalSpy>

#include "app/options/extra_options_model.h"
#include "app/options/option_levels_model.h"
#include "app/options/option_settings.h"
#include "app/options/start_sheet_model.h"
#include "core/base/executor.h"
#include "testing/job_fixtures.h"

using namespace orvane;
using namespace orvane::options;

namespace {

struct Fixture {
    std::shared_ptr<FileDefaults> defaults = std::make_shared<FileDefaults>();
    OptionsBinding binding{defaults};
};

TEST(ExtraOptionsModel, retouchGroupCountsOnlyWhatIsShownAndSelectsIt) {
    Fixture f;
    ExtraOptionsModel m(f.binding, false, false, false);
    f.defaults->set("option.skin", true);
    f.defaults->set("option.teeth", true);
    auto s = m.status(m.retouchGroup());
    EXPECT_EQ(s.text(), "1 din 2 active");
    EXPECT_EQ(s.buttonTitle(), "Selectează grupul");
    m.pressGroupButton(m.retouchGroup());
    s = m.status(m.retouchGroup());
    EXPECT_EQ(s.text(), "2 din 2 active");
    EXPECT_EQ(s.buttonTitle(), "Deselectează grupul");
    EXPECT_EQ(f.defaults->boolValue("option.subject"), true);
    EXPECT_EQ(f.defaults->boolValue("option.teeth"), true);  // hidden: neither counted nor changed

    m.setShowBeta(true);
    EXPECT_EQ(m.retouchRows().size(), 5u);
    EXPECT_EQ(m.status(m.retouchGroup()).text(), "3 din 5 active");
    m.pressGroupButton(m.retouchGroup());
    EXPECT_EQ(m.status(m.retouchGroup()).text(), "5 din 5 active");
    m.pressGroupButton(m.retouchGroup());
    EXPECT_EQ(m.status(m.retouchGroup()).on, 0);

    // Turning the beta rows off keeps their values.
    f.defaults->set("option.facelevel", true);
    f.defaults->set("option.facelevel.amount", 33.0);
    m.setShowBeta(false);
    EXPECT_EQ(m.retouchRows().size(), 2u);
    EXPECT_EQ(f.defaults->boolValue("option.facelevel"), true);
    m.setShowBeta(true);
    EXPECT_TRUE(m.isOn("option.facelevel"));
    EXPECT_EQ(m.sliderValue(ExtraOptionsModel::faceLevelSlider()), 33.0);
}

TEST(ExtraOptionsModel, firstGroupStatusIgnoresTheCrop) {
    Fixture f;
    ExtraOptionsModel m(f.binding, false, true, true);
    f.defaults->set("option.profile", true);
    f.defaults->set("option.noise", true);
    f.defaults->set("option.crop.mode", "ratio");
    EXPECT_EQ(m.status(m.firstGroup()).text(), "2 din 3 active");
    EXPECT_EQ(m.status(m.firstGroup()).buttonTitle(), "Selectează grupul");
}

TEST(ExtraOptionsModel, slidersClampRoundAndReset) {
    Fixture f;
    ExtraOptionsModel m(f.binding, false, false, false);
    const auto& texture = ExtraOptionsModel::skinSliders()[0];
    EXPECT_FALSE(m.canReset(texture));
    m.setSlider(texture, 37.2);
    EXPECT_EQ(m.sliderValue(texture), 37.0);
    EXPECT_TRUE(m.canReset(texture));
    m.resetSlider(texture);
    EXPECT_EQ(f.defaults->numberValue("option.skin.texture"), 10.0);
    EXPECT_FALSE(m.canReset(texture));
    m.setSlider(ExtraOptionsModel::teethSlider(), -5);
    EXPECT_EQ(f.defaults->numberValue("option.teeth.amount"), 1.0);
    m.setSlider(texture, -5);
    EXPECT_EQ(f.defaults->numberValue("option.skin.texture"), 0.0);
    EXPECT_EQ(ExtraOptionsModel::faceLevelSlider().base, 70);
    EXPECT_EQ(ExtraOptionsModel::teethSlider().base, 42);

    const std::pair<double, const char*> texts[] = {
        {10.7, "10"}, {-3.7, "-3"}, {150.2, "150"}, {std::numeric_limits<double>::infinity(), "100"},
        {std::numeric_limits<double>::quiet_NaN(), "10"}, {1e300, "100"}, {55, "55"}};
    for (const auto& [value, text] : texts) EXPECT_EQ(ExtraOptionsModel::sliderText(value, texture), text) << value;
}

TEST(ExtraOptionsModel, disabledWritesNothing) {
    Fixture f;
    ExtraOptionsModel m(f.binding, true, true, true);
    m.toggle("option.profile");
    m.pressGroupButton(m.firstGroup());
    m.setShowBeta(true);
    m.setSlider(ExtraOptionsModel::skinSliders()[0], 50);
    m.resetSlider(ExtraOptionsModel::skinSliders()[0]);
    m.setCropMode(CropSettings::Mode::bottom);
    m.setCropRatio("16:9");
    EXPECT_FALSE(m.commitCustomSide(true, "4", QLocale::c()));
    for (const auto& key : allOptionKeys()) EXPECT_FALSE(f.defaults->value(key)) << key;
}

TEST(ExtraOptionsModel, retouchOpensEachTimeThePanelAppears) {
    Fixture f;
    ExtraOptionsModel m(f.binding, false, false, false);
    EXPECT_FALSE(m.retouchOpen());
    m.appeared();
    EXPECT_TRUE(m.retouchOpen());
    m.toggleRetouch();
    EXPECT_FALSE(m.retouchOpen());
    ExtraOptionsModel again(f.binding, false, false, false);
    again.appeared();
    EXPECT_TRUE(again.retouchOpen());
}

TEST(ExtraOptionsModel, cropSectionFollowsTheStoredMode) {
    Fixture f;
    ExtraOptionsModel m(f.binding, false, false, false);
    f.defaults->set("option.crop.mode", "square");
    EXPECT_EQ(m.cropMode(), CropSettings::Mode::none);
    EXPECT_STREQ(m.cropEntry().title, "Fără decupare");
    EXPECT_STREQ(m.cropEntry().help, "Fotografiile nu se decupează.");
    EXPECT_FALSE(m.cropHighlighted());
    EXPECT_EQ(f.defaults->textValue("option.crop.mode"), "square");  // kept until a mode is picked
    m.setCropMode(CropSettings::Mode::ratio);
    EXPECT_EQ(m.cropRatio(), "3:2");
    m.setCropRatio("16:9");
    EXPECT_EQ(f.defaults->textValue("option.crop.ratio"), "16:9");
    EXPECT_FALSE(f.defaults->value("option.crop.w"));
    m.setCropMode(CropSettings::Mode::bottom);
    EXPECT_STREQ(m.cropEntry().title, "Decupare jos (grupuri)");
    EXPECT_TRUE(m.cropHighlighted());
}

TEST(ExtraOptionsModel, customSidesParseInTheLocaleAndRefuseNonPositive) {
    Fixture f;
    ExtraOptionsModel m(f.binding, false, false, false);
    const QLocale ro(QLocale::Romanian, QLocale::Romania);
    const QLocale en(QLocale::English, QLocale::UnitedStates);
    EXPECT_TRUE(m.commitCustomSide(true, "1,5", ro));
    EXPECT_EQ(f.defaults->numberValue("option.crop.w"), 1.5);
    EXPECT_EQ(m.customSideText(true, ro), "1,5");
    EXPECT_TRUE(m.commitCustomSide(false, "2.5", en));
    EXPECT_EQ(f.defaults->numberValue("option.crop.h"), 2.5);
    for (const char* bad : {"0", "-2", "abc", "", "inf", "nan", "1e999"}) {
        EXPECT_FALSE(m.commitCustomSide(true, bad, en)) << bad;
        EXPECT_EQ(f.defaults->numberValue("option.crop.w"), 1.5) << bad;
    }
}

TEST(OptionLevelsModel, pillsAndSummaryFollowTheStore) {
    Fixture f;
    OptionLevelsModel m(f.binding, true);
    QSignalSpy spy(&m, &OptionLevelsModel::changed);
    EXPECT_EQ(m.level(), Level::none);
    EXPECT_EQ(m.summary(), "Nicio funcție suplimentară");
    EXPECT_EQ(m.pills().size(), 3u);
    m.setLevel(Level::recommended);
    EXPECT_EQ(m.summary(), "Corecție obiectiv, Reducere zgomot");
    f.defaults->set("option.skin", true);  // written elsewhere
    EXPECT_GT(spy.count(), 0);
    EXPECT_EQ(m.level(), Level::custom);
    ASSERT_EQ(m.pills().size(), 4u);
    EXPECT_EQ(m.pills().back().title, "Personalizat");
    EXPECT_EQ(m.summary(), "Corecție obiectiv, Reducere zgomot, Netezire piele");

    f.defaults->set("option.teeth", true);
    f.defaults->set("option.crop.mode", "bottom");
    f.defaults->set("option.skin.texture", 33.0);
    m.setLevel(Level::complete);
    EXPECT_EQ(m.pills().size(), 3u);
    m.setLevel(Level::none);
    EXPECT_EQ(f.defaults->boolValue("option.teeth"), true);
    EXPECT_EQ(f.defaults->textValue("option.crop.mode"), "bottom");
    EXPECT_EQ(f.defaults->numberValue("option.skin.texture"), 33.0);
    EXPECT_FALSE(m.customize());
    m.toggleCustomize();
    EXPECT_TRUE(m.customize());
}

TEST(StartSheetModel, sizeRule) {
    using W = WindowInfo;
    const struct {
        std::vector<W> windows;
        std::optional<int> screen;
        int height;
    } cases[] = {
        {{{true, false, true, 837}}, 1000, 600},
        {{{true, false, true, 500}}, 1000, 440},
        {{{true, false, true, 400}}, 1000, 420},
        {{}, 700, 600},
        {{}, std::nullopt, 600},
        {{{true, false, true, 500}, {true, false, true, 560}}, 1000, 500},
        {{{true, false, true, 500}, {true, true, true, 900}, {true, false, false, 900}, {false, false, true, 900}},
         1000, 440},
    };
    for (const auto& c : cases) EXPECT_EQ(startSheetHeight(sheetMaxHeight(c.windows, c.screen)), c.height);
}

TEST(StartSheetModel, resetsOnCreationUnlessRememberedAndStartsWithTheOptions) {
    Fixture f;
    auto main = std::make_shared<ManualExecutor>();
    auto job = Job::make(main, orvane::testing::projectWith(3, 2, 1), 1, false, Job::FileProcess{});
    applyOptionLevel(*f.defaults, Level::complete);
    {
        StartSheetModel sheet(f.binding, job);
        EXPECT_EQ(currentOptionLevel(*f.defaults), Level::recommended);
        EXPECT_EQ(sheet.subtitle(), "6 fotografii vor fi editate cu profilul proiectului");
    }
    applyOptionLevel(*f.defaults, Level::complete);
    f.defaults->set("rememberOptions", true);
    StartSheetModel sheet(f.binding, job);
    EXPECT_EQ(currentOptionLevel(*f.defaults), Level::complete);
    EXPECT_FALSE(job->project().straightenRequested);
    std::vector<std::string> order;
    sheet.startEditing([&] { order.push_back("dismiss"); },
                       [&](const std::shared_ptr<Job>& j) { order.push_back(j == job ? "start" : "other"); });
    EXPECT_EQ(order, (std::vector<std::string>{"dismiss", "start"}));
    EXPECT_EQ(job->project().straightenRequested, true);
    EXPECT_EQ(job->project().skinAmount, 100);
}

}  // namespace

#include "app/profiles/profile_ready_sheet.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include "app/kit/app_style.h"
#include "app/kit/appearance.h"
#include "app/kit/buttons.h"
#include "app/kit/fonts.h"
#include "app/kit/text.h"

namespace orvane::profiles {
namespace {

Profile readyProfile(std::optional<std::string> kind) {
    Profile p;
    p.id = Uuid::random();
    p.name = "Nunți";
    p.samples = 240;
    p.kind = std::move(kind);
    return p;
}

TEST(ProfileReadySheet, theSubtitleSaysWhatTheProfileLearnedFrom) {
    EXPECT_EQ(ProfileReadySheet::subtitle(readyProfile(std::nullopt)),
              QString::fromUtf8("„Nunți” a învățat stilul tău din 240 de fotografii."));
    EXPECT_EQ(ProfileReadySheet::subtitle(readyProfile("fast")),
              QString::fromUtf8("„Nunți” a învățat stilul tău din 240 de fotografii."))
        << "a kind other than instant is learned";
    EXPECT_EQ(ProfileReadySheet::subtitle(readyProfile("instant")),
              QString::fromUtf8("„Nunți” e pregătit: presetul tău, cu corecția automată de expunere și culoare."));
}

TEST(ProfileReadySheet, returnStartsEditingAndEscapeOnlyCloses) {
    std::vector<std::string> calls;
    auto make = [&] {
        return std::make_unique<ProfileReadySheet>(
            readyProfile(std::nullopt), [&] { calls.push_back("start"); }, [&] { calls.push_back("dismiss"); });
    };
    auto sheet = make();
    EXPECT_EQ(sheet->subtitleLabel()->text(), ProfileReadySheet::subtitle(readyProfile(std::nullopt)));
    QTest::keyClick(sheet.get(), Qt::Key_Return);
    EXPECT_EQ(calls, (std::vector<std::string>{"dismiss", "start"}));
    calls.clear();
    QTest::keyClick(sheet.get(), Qt::Key_Escape);
    EXPECT_EQ(calls, std::vector<std::string>{"dismiss"});
    calls.clear();
    QTest::mouseClick(sheet->laterButton(), Qt::LeftButton);
    EXPECT_EQ(calls, std::vector<std::string>{"dismiss"});
}

TEST(ProfileReadySheet, screenshotsLightAndDark) {
    if (!qEnvironmentVariableIsSet("ORVANE_WRITE_SCREENSHOTS")) GTEST_SKIP() << "set ORVANE_WRITE_SCREENSHOTS to write docs/";
    kit::installUiFont();
    kit::installApplicationStyle();
    for (bool dark : {false, true}) {
        kit::Appearance::instance().setOverride(dark);
        ProfileReadySheet sheet(readyProfile(std::nullopt), {}, {});
        sheet.show();
        QApplication::processEvents();
        const QImage image = sheet.grab().toImage();
        EXPECT_TRUE(image.save(QString(ORVANE_SOURCE_DIR) + "/docs/profile-ready-" + (dark ? "dark" : "light") + ".png"));
    }
    kit::Appearance::instance().setOverride(std::nullopt);
}

}  // namespace
}  // namespace orvane::profiles

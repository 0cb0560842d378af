#include "app/profiles/new_profile_sheet.h"

#include <QApplication>
#include <QCheckBox>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollArea>
#include <QTest>

#include <fstream>

#include <gtest/gtest.h>

#include "app/kit/app_backdrop.h"
#include "app/kit/app_style.h"
#include "app/kit/appearance.h"
#include "app/kit/form.h"
#include "app/kit/kit_settings.h"
#include "app/kit/sheet_host.h"
#include "app/kit/text.h"
#include "app/profiles/new_profile_world.h"
#include "app/testing/scripted_dialogs.h"
#include "app/testing/sheet_testing.h"

using namespace orvane;
using namespace orvane::profiles;
using orvane::profiles::testing::found;
using orvane::profiles::testing::saveCatalog;
using Mode = NewProfileModel::Mode;
namespace fs = std::filesystem;

namespace {

// The sheet widget in a window with a sheet host, as the shell shows it.
struct Harness : orvane::profiles::testing::ProfileWorld {
    std::unique_ptr<QWidget> window;
    kit::SheetHost* host = nullptr;
    QPointer<NewProfileSheet> sheet;
    orvane::testing::ScriptedDialogs dialogs;

    Harness() {
        setUserDefaults(defaults);
        kit::KitSettings::instance().rebind(defaults);
    }
    ~Harness() {
        delete sheet.data();
        window.reset();
    }
    NewProfileSheet& open() {
        if (!app) start();
        router->setShowNewProfile(true);
        window = std::make_unique<QWidget>();
        window->resize(1200, 900);
        host = new kit::SheetHost(window.get());
        sheet = new NewProfileSheet(*app, *router, services());
        host->present(sheet);
        window->show();
        QCoreApplication::processEvents();
        return *sheet;
    }
    template <class W = QWidget>
    W* find(const char* name) const {
        return orvane::testing::shownChild<W>(sheet, name);
    }
    QList<QWidget*> all(const char* name) const { return orvane::testing::shownChildren(sheet, name); }
    void click(QWidget* w) {
        ASSERT_NE(w, nullptr);
        QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, w->rect().center());
        QCoreApplication::processEvents();
    }
};

class NewProfileSheetWidget : public ::testing::Test {};

TEST_F(NewProfileSheetWidget, theSheetTakesEachModesSizeAndStaysCentred) {
    Harness h;
    NewProfileSheet& sheet = h.open();
    EXPECT_EQ(sheet.size(), QSize(720, 470));
    EXPECT_EQ(sheet.geometry(), kit::SheetHost::sheetFrame(h.host->size(), {720, 470}));
    EXPECT_EQ(h.find("back"), nullptr);
    h.click(h.find("proCard"));
    EXPECT_EQ(sheet.model().mode(), Mode::pro);
    EXPECT_EQ(sheet.size(), QSize(560, 480));
    EXPECT_EQ(sheet.geometry(), kit::SheetHost::sheetFrame(h.host->size(), {560, 480}));
    EXPECT_NE(h.find("importHint"), nullptr);
    h.click(h.find("back"));
    EXPECT_EQ(sheet.model().mode(), Mode::choose);
    EXPECT_EQ(sheet.size(), QSize(720, 470));
    // The instant card's button.
    auto* instantCard = h.find("instantCard");
    ASSERT_NE(instantCard, nullptr);
    h.click(instantCard->findChild<QWidget*>("create"));
    EXPECT_EQ(sheet.model().mode(), Mode::instant);
    EXPECT_EQ(sheet.geometry(), kit::SheetHost::sheetFrame(h.host->size(), {560, 500}));
    // The name the professional card filled in stays.
    EXPECT_EQ(h.find<QLineEdit>("name")->text(), QString::fromUtf8("Profil profesional"));
    EXPECT_TRUE(h.find<QAbstractButton>("createInstant")->isEnabled());
    h.find<QLineEdit>("name")->clear();
    QTest::keyClicks(h.find<QLineEdit>("name"), "  ");
    EXPECT_FALSE(h.find<QAbstractButton>("createInstant")->isEnabled());
}

TEST_F(NewProfileSheetWidget, thePresetZoneTakesDropsAndTheFilePicker) {
    Harness h;
    NewProfileSheet& sheet = h.open();
    h.click(h.find("instantCard"));
    auto* advanced = h.find<kit::ToolGroup>("advanced");
    ASSERT_NE(advanced, nullptr);
    EXPECT_FALSE(advanced->isOpen());
    h.click(advanced->header());
    auto* zone = h.find("presetDropZone");
    ASSERT_NE(zone, nullptr);
    const fs::path jpg = h.temp.path() / "poza.jpg";
    std::ofstream(jpg) << "x";
    EXPECT_FALSE(orvane::testing::dropFiles(zone, {QString::fromStdString(jpg.string())}));
    EXPECT_EQ(h.app->error(), std::optional<std::string>("Trage un fișier preset Lightroom (.xmp)."));
    EXPECT_FALSE(sheet.model().dropTargeted());

    const fs::path xmp = h.writePreset();
    EXPECT_TRUE(orvane::testing::dropFiles(zone, {QString::fromStdString(jpg.string()), QString::fromStdString(xmp.string())}));
    EXPECT_EQ(sheet.model().presetURL(), xmp);
    EXPECT_EQ(h.find<kit::KitLabel>("dropTitle")->text(), QString::fromUtf8("Neutru"));
    EXPECT_EQ(h.find<kit::KitLabel>("styleCaption")->text(), QString::fromUtf8("Presetul tău: Neutru"));

    const fs::path other = h.temp.path() / "Portret.xmp";
    fs::copy_file(xmp, other);
    h.dialogs.files.push_back({QString::fromStdString(other.string())});
    h.click(h.find("choosePreset"));
    ASSERT_EQ(h.dialogs.asked.size(), 1u);
    EXPECT_EQ(h.dialogs.asked[0].message, QString::fromUtf8("Alege presetul Lightroom (.xmp)"));
    EXPECT_EQ(sheet.model().presetURL(), other);
    ASSERT_NE(h.find("returnToAutomatic"), nullptr);
}

TEST_F(NewProfileSheetWidget, theCatalogStepListsChoosesAndCounts) {
    Harness h;
    const TrainingCatalog a = saveCatalog("Botez", 120, 0, 10);
    const TrainingCatalog b = saveCatalog("Nuntă", 300, 4, 5);
    h.stats[b.source] = CatalogStats{400, 300, 296, 390};
    NewProfileSheet& sheet = h.open();
    h.click(h.find("proCard"));
    EXPECT_EQ(sheet.size(), QSize(560, 760));
    EXPECT_EQ(h.find<QScrollArea>("catalogList")->height(), 108);
    EXPECT_NE(h.find("catalogSort"), nullptr);
    auto rows = h.all("catalogRow");
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0]->property("catalogID").toString().toStdString(), b.id.text());  // newest first
    auto* previews = h.find<QCheckBox>("fromPreviews");
    ASSERT_NE(previews, nullptr);
    EXPECT_TRUE(previews->isChecked());
    h.finishAll();
    EXPECT_EQ(h.find<kit::KitLabel>("countLine")->text(), QString::fromUtf8("510 fotografii de antrenare"));
    h.click(rows[0]);
    EXPECT_FALSE(rows[0]->property("chosen").toBool());
    EXPECT_EQ(h.find<kit::KitLabel>("countLine")->text(),
              QString::fromUtf8("120 fotografii. Pentru rezultate bune: minim 500, din cel puțin 3 evenimente diferite."));
    previews->click();
    EXPECT_FALSE(sheet.model().fromPreviews());
    EXPECT_EQ(h.find("trainingBusy"), nullptr);
    model::ProfileBuildStatus other;
    h.app->setProfileBuild(other);
    EXPECT_NE(h.find("trainingBusy"), nullptr);
    EXPECT_FALSE(h.find<QAbstractButton>("createPro")->isEnabled());
    QTest::keyClick(h.find<QLineEdit>("name"), Qt::Key_Return);
    h.finishAll();
    EXPECT_EQ(h.profileFolders(), 0u);
    h.app->setProfileBuild(std::nullopt);
    EXPECT_TRUE(h.find<QAbstractButton>("createPro")->isEnabled());
    QTest::keyClick(h.find<QLineEdit>("name"), Qt::Key_Return);  // the step's default action
    EXPECT_TRUE(sheet.model().creating());
    EXPECT_FALSE(h.find<QAbstractButton>("createPro")->isEnabled());
}

TEST_F(NewProfileSheetWidget, anImportWhileOpenSwitchesTheProfessionalFace) {
    Harness h;
    NewProfileSheet& sheet = h.open();
    h.click(h.find("proCard"));
    EXPECT_EQ(sheet.size(), QSize(560, 480));
    saveCatalog("Nuntă", 300);
    h.app->reload();
    QCoreApplication::processEvents();
    EXPECT_EQ(sheet.size(), QSize(560, 760));
    EXPECT_NE(h.find("catalogStep"), nullptr);
}

TEST_F(NewProfileSheetWidget, closingTheSheetDuringItsWorkIsSafe) {
    for (int step = 0; step < 3; ++step) {
        Harness h;
        const TrainingCatalog a = saveCatalog("Nuntă", 300, 1);
        NewProfileSheet& sheet = h.open();
        if (step >= 1) h.click(h.find("proCard"));  // a count
        if (step == 2) {
            h.finishAll();
            h.click(h.find("createPro"));  // a creation
            ASSERT_EQ(h.work.size(), 1u);
        }
        if (step == 0) {
            QTest::keyClick(&sheet, Qt::Key_Escape);
        } else {
            h.click(sheet.closeButton()->button());
        }
        EXPECT_FALSE(h.router->showNewProfile());
        delete h.sheet.data();
        h.finishAll();
        EXPECT_EQ(h.profileFolders(), 0u);
        EXPECT_EQ(h.router->route(), model::Route::home());
        EXPECT_FALSE(h.app->error());
        EXPECT_FALSE(h.app->profileBuild());
    }
}

// Renders the three modes, light and dark, into docs/ when ORVANE_SCREENSHOTS is set.
TEST_F(NewProfileSheetWidget, screenshots) {
    if (!qEnvironmentVariableIsSet("ORVANE_SCREENSHOTS")) GTEST_SKIP() << "set ORVANE_SCREENSHOTS to write docs/";
    kit::installApplicationStyle();
    for (bool dark : {false, true}) {
        for (Mode mode : {Mode::choose, Mode::pro, Mode::instant}) {
            Harness h;
            if (mode == Mode::pro) {
                saveCatalog("Nunta Ana și Mihai", 412, 0, 30);
                saveCatalog("Botez Ilinca", 186, 12, 20);
                saveCatalog("Portrete de toamnă", 0, 0, 10);
            }
            h.onDisk = {found("/home/ana/Lightroom/Nunți 2026.lrcat", 10)};
            kit::Appearance::instance().setOverride(dark);
            kit::AppBackdrop backdrop;
            h.start();
            h.sheet = new NewProfileSheet(*h.app, *h.router, h.services());
            NewProfileSheet& sheet = *h.sheet;
            h.finishAll();
            if (mode == Mode::pro) sheet.model().choosePro();
            if (mode == Mode::instant) sheet.model().chooseInstant();
            h.finishAll();
            sheet.setParent(&backdrop);
            backdrop.resize(sheet.width() + 80, sheet.height() + 80);
            sheet.move(40, 40);
            backdrop.show();
            QCoreApplication::processEvents();
            if (mode == Mode::instant) {
                // The preset drop zone shows in the open "Avansat" group.
                for (auto* group : sheet.findChildren<kit::ToolGroup*>("advanced"))
                    if (group->isVisibleTo(&sheet)) group->header()->click();
                QCoreApplication::processEvents();
            }
            const char* name = mode == Mode::choose ? "choose" : mode == Mode::pro ? "pro" : "instant";
            const QString path = QString(ORVANE_SOURCE_DIR) + "/docs/new-profile-" + name + (dark ? "-dark" : "-light") +
                                 ".png";
            EXPECT_TRUE(backdrop.grab().save(path)) << path.toStdString();
            sheet.setParent(nullptr);
        }
    }
    kit::Appearance::instance().setOverride(std::nullopt);
}

}  // namespace

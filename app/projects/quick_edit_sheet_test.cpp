#include "app/projects/quick_edit_sheet.h"

#include <QApplication>
#include <QLineEdit>
#include <QScrollArea>
#include <QTest>

#include <gtest/gtest.h>

#include "app/kit/app_backdrop.h"
#include "app/kit/app_style.h"
#include "app/kit/appearance.h"
#include "app/kit/catalog_sort.h"
#include "app/kit/centered_alert.h"
#include "app/kit/form.h"
#include "app/kit/sheet_host.h"
#include "app/kit/help_dot.h"
#include "app/kit/kit_settings.h"
#include "app/kit/page_header.h"
#include "app/kit/pill_picker.h"
#include "app/kit/text.h"
#include "app/model/app_model.h"
#include "app/model/router.h"
#include "app/options/extra_options_panel.h"
#include "app/options/option_settings.h"
#include "app/projects/priority_toggle.h"
#include "app/projects/quick_edit_world.h"
#include "app/testing/scripted_dialogs.h"
#include "app/testing/sheet_testing.h"
#include "core/base/atomic_file.h"
#include "testing/model_fixtures.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

using namespace orvane;
using namespace orvane::projects;
using projects::testing::catalogFolder;
using projects::testing::foundCatalog;
namespace fs = std::filesystem;

namespace {

const fs::path nunti = "/home/ana/Lightroom/Nunti 2025.lrcat";

struct Harness : projects::testing::QuickEditWorld {
    QPointer<QuickEditSheet> sheet;
    platform::VolumeWatcher* volumes = nullptr;
    orvane::testing::ScriptedDialogs dialogs;

    explicit Harness(std::vector<Profile> profiles) : QuickEditWorld(profiles) {
        setUserDefaults(defaults);
        kit::KitSettings::instance().rebind(defaults);
    }
    ~Harness() { delete sheet.data(); }
    QuickEditSheet& open() {
        router->setShowQuickEdit(true);
        auto watcher = std::make_unique<platform::VolumeWatcher>();
        volumes = watcher.get();
        sheet = new QuickEditSheet(*app, *router, quickServices(), std::move(watcher));
        sheet->show();
        return *sheet;
    }
    template <class W = QWidget>
    W* find(const char* name) const {
        return orvane::testing::shownChild<W>(sheet, name);
    }
    template <class W = QWidget>
    QList<W*> all(const char* name) const {
        return orvane::testing::shownChildren<W>(sheet, name);
    }
    QStringList texts(const char* name) const {
        QStringList out;
        for (auto* l : all<kit::KitLabel>(name)) out << l->text();
        return out;
    }
    // Clicks the shown catalog row of `path`.
    void clickCatalog(const fs::path& path) {
        for (auto* row : all<QAbstractButton>("catalogRow"))
            if (row->property("path").toString().toStdString() == path.string()) {
                QTest::mouseClick(row, Qt::LeftButton);
                return;
            }
        ADD_FAILURE() << "no row for " << path;
    }
    void clickFolder(const std::string& path) {
        for (auto* row : all<QAbstractButton>("folderRow"))
            if (row->property("path").toString().toStdString() == path) {
                QTest::mouseClick(row, Qt::LeftButton);
                return;
            }
        ADD_FAILURE() << "no row for " << path;
    }
    QStringList catalogRows() const {
        QStringList out;
        for (auto* row : all<QAbstractButton>("catalogRow")) out << row->property("path").toString();
        return out;
    }
};

class QuickEditSheetWidget : public ::testing::Test {
protected:
    void SetUp() override { orvane::testing::freshDataDir(); }
    void TearDown() override { kit::Appearance::instance().setOverride(std::nullopt); }
};

TEST_F(QuickEditSheetWidget, theCatalogStepSearchesListsSortsAndFilters) {
    const Profile a = orvane::testing::builtProfile("A"), b = orvane::testing::builtProfile("B");
    Harness h({a, b});
    h.router->setPreferredProfile(b.id);
    h.onDisk = {foundCatalog("/home/ana/Lightroom/Nunta 10.lrcat", 3), foundCatalog("/home/ana/Lightroom/Nunta 2.lrcat", 1),
                foundCatalog("/media/disc/Arhiva.lrcat", 9),
                foundCatalog("/home/ana/.local/share/Vendrel/Catalogs/X/catalog.lrcat", 0)};
    QuickEditSheet& sheet = h.open();
    EXPECT_EQ(sheet.subtitleText(), QString::fromUtf8("Alege catalogul Lightroom"));
    EXPECT_TRUE(h.find("scanning")) << "the progress line while searching";
    EXPECT_TRUE(h.catalogRows().isEmpty());
    EXPECT_FALSE(h.find("back"));
    h.finish();
    EXPECT_FALSE(h.find("scanning"));
    EXPECT_EQ(h.catalogRows(), (QStringList{"/home/ana/Lightroom/Nunta 2.lrcat", "/home/ana/Lightroom/Nunta 10.lrcat",
                                            "/media/disc/Arhiva.lrcat"}));
    EXPECT_EQ(sheet.model().profileID(), b.id) << "the default profile once the search ended";

    kit::storeCatalogSort(*h.defaults, kit::CatalogSort::name);
    EXPECT_EQ(h.catalogRows().first(), "/media/disc/Arhiva.lrcat");
    QTest::keyClicks(sheet.searchField(), "disc");
    EXPECT_EQ(h.catalogRows(), QStringList{"/media/disc/Arhiva.lrcat"}) << "a piece of the folder";
    QTest::keyClicks(sheet.searchField(), "x");
    EXPECT_TRUE(h.catalogRows().isEmpty());
    EXPECT_TRUE(h.find("noCatalogs")) << "the empty-list text, not an empty area";

    sheet.searchField()->clear();
    QTest::keyClicks(sheet.searchField(), "10");
    h.folderTable["/home/ana/Lightroom/Nunta 10.lrcat"] = std::vector{catalogFolder("/foto/a", 3, 3)};
    h.clickCatalog("/home/ana/Lightroom/Nunta 10.lrcat");
    EXPECT_EQ(sheet.subtitleText(), QString::fromUtf8("Bifează folderele pe care vrei să le editezi"));
    EXPECT_TRUE(h.find("loadingFolders"));
    EXPECT_TRUE(h.find("back"));
    EXPECT_FALSE(h.find("sourceTabs"));
}

TEST_F(QuickEditSheetWidget, anotherCatalogComesThroughTheFilePanelAndTheUsableRule) {
    orvane::testing::TempDir dir;
    Harness h({orvane::testing::builtProfile("A")});
    QuickEditSheet& sheet = h.open();
    h.dialogs.files.push_back({"/home/ana/.local/share/Vendrel/Catalogs/X/catalog.lrcat"});
    QTest::mouseClick(sheet.otherCatalogButton(), Qt::LeftButton);
    ASSERT_EQ(h.dialogs.asked.size(), 2u);
    EXPECT_EQ(h.dialogs.asked[0].kind, "files");
    EXPECT_EQ(h.dialogs.asked[0].buttons, QStringList{"lrcat"});
    EXPECT_EQ(h.dialogs.asked[1].message, QString::fromUtf8("Catalogul nu poate fi folosit"));
    EXPECT_FALSE(sheet.model().catalog());

    const fs::path own = dir / "Portrete.lrcat";
    writeFileAtomically(own, "x");
    h.dialogs.files.push_back({QString::fromStdString(own.string())});
    QTest::mouseClick(sheet.otherCatalogButton(), Qt::LeftButton);
    ASSERT_TRUE(sheet.model().catalog());
    EXPECT_EQ(sheet.model().catalog()->url, own);
    h.finishAll();
    EXPECT_TRUE(h.find("unreadable"));
}

TEST_F(QuickEditSheetWidget, theFolderTabClosesTheSheetAndTheNewProjectSheetFollows) {
    Harness h({orvane::testing::builtProfile("A")});
    QuickEditSheet& sheet = h.open();
    auto* tabs = h.find<kit::ProjectSourceTabs>("sourceTabs");
    ASSERT_TRUE(tabs);
    QTest::mouseClick(tabs->tab(kit::ProjectSourceTabs::Source::catalog), Qt::LeftButton);
    EXPECT_TRUE(h.router->showQuickEdit()) << "the current tab does nothing";
    QTest::mouseClick(tabs->tab(kit::ProjectSourceTabs::Source::folder), Qt::LeftButton);
    EXPECT_FALSE(h.router->showQuickEdit());
    EXPECT_TRUE(sheet.model().closed());
    h.main->advance(std::chrono::milliseconds(400));
    EXPECT_TRUE(h.router->showNewProject());
}

TEST_F(QuickEditSheetWidget, theFoldersPageTicksCountsNamesAndLevels) {
    Harness h({orvane::testing::builtProfile("Stil")});
    h.onDisk = {foundCatalog(nunti.string(), 1)};
    h.folderTable[nunti] = std::vector{catalogFolder("/foto/Ceremonie", 10, 4, 4), catalogFolder("/foto/Petrecere", 20, 20),
                                       catalogFolder("/foto/Arhiva", 0, 0)};
    QuickEditSheet& sheet = h.open();
    h.finish();
    h.clickCatalog(nunti);
    h.finish();
    EXPECT_EQ(sheet.nameField()->placeholderText(), "Nunti 2025");
    EXPECT_EQ(h.all("folderRow").size(), 3);
    EXPECT_EQ(h.texts("availability"),
              (QStringList{QString::fromUtf8("RAW și Smart Preview-uri"), "RAW pe disc", "Nu sunt pe disc"}));
    EXPECT_FALSE(h.all<QAbstractButton>("folderRow")[2]->isEnabled());
    EXPECT_FALSE(sheet.startButton()->isEnabled());

    h.clickFolder("/foto/Petrecere");
    EXPECT_EQ(sheet.nameField()->placeholderText(), "Petrecere");
    EXPECT_EQ(h.find<kit::KitLabel>("photoCount")->text(), "20 fotografii");
    EXPECT_TRUE(sheet.startButton()->isEnabled());
    EXPECT_FALSE(h.find("previewNote"));
    h.clickFolder("/foto/Ceremonie");
    EXPECT_EQ(sheet.nameField()->placeholderText(), QString::fromUtf8("Nunti 2025 · 2 foldere"));
    EXPECT_EQ(h.find<kit::KitLabel>("photoCount")->text(), "24 fotografii");
    EXPECT_TRUE(h.find("previewNote"));
    EXPECT_EQ(h.find<QAbstractButton>("selectAll")->text(), QString::fromUtf8("Deselectează tot"));

    // "Toate": the count takes every photo on disk and the note on existing edits shows.
    kit::PillPicker* pills = sheet.uneditedPicker();
    EXPECT_EQ(pills->items()[0].title, QString::fromUtf8("Toate · 30"));
    QTest::mouseClick(pills, Qt::LeftButton, {}, pills->pillRect(0).center().toPoint());
    EXPECT_EQ(h.find<kit::KitLabel>("photoCount")->text(), "30 fotografii");
    EXPECT_TRUE(h.find("editedNote"));

    // The typed name and its clear button.
    QTest::keyClicks(sheet.nameField(), "Nunta Ana");
    EXPECT_EQ(sheet.model().projectName(), "Nunta Ana");
    QTest::mouseClick(h.find<QAbstractButton>("clearName"), Qt::LeftButton);
    EXPECT_TRUE(sheet.nameField()->text().isEmpty());
    EXPECT_FALSE(h.find("clearName"));

    // The level pills: "Personalizat" only while the options make no level.
    options::applyOptionLevel(*h.defaults, options::Level::recommended);
    EXPECT_EQ(sheet.levelPicker()->items().size(), 3u);
    EXPECT_EQ(sheet.levelPicker()->width(), 300);
    h.defaults->set(options::keys::straighten, Json(true));
    EXPECT_EQ(sheet.levelPicker()->items().size(), 4u);
    EXPECT_EQ(sheet.levelPicker()->width(), 380);
    QApplication::processEvents();  // the new pills take their place
    kit::PillPicker* levels = sheet.levelPicker();
    QTest::mouseClick(levels, Qt::LeftButton, {}, levels->pillRect(2).center().toPoint());
    EXPECT_EQ(options::currentOptionLevel(*h.defaults), options::Level::complete);
    EXPECT_EQ(sheet.levelPicker()->items().size(), 3u);

    // "Alege" opens the options page; "Gata" comes back with everything as it was.
    QTest::mouseClick(h.find<QAbstractButton>("chooseFunctions"), Qt::LeftButton);
    EXPECT_EQ(sheet.subtitleText(), QString::fromUtf8("Alege ce funcții vrei să se aplice"));
    EXPECT_TRUE(sheet.optionsPanel()->isVisible());
    QTest::mouseClick(h.find<QAbstractButton>("done"), Qt::LeftButton);
    EXPECT_EQ(sheet.model().page(), QuickEditModel::Page::folders);
    EXPECT_EQ(sheet.model().picked().size(), 2u);
}

TEST_F(QuickEditSheetWidget, theStartAsksAboutSmartPreviewsShowsErrorsAndMakesOneProject) {
    Harness h({orvane::testing::builtProfile("Stil")});
    h.defaults->set(prioritizeEditingKey, Json(true));
    h.onDisk = {foundCatalog(nunti.string(), 1)};
    h.folderTable[nunti] = std::vector{catalogFolder("/foto/Ceremonie", 10, 10, 3)};
    QuickEditSheet& sheet = h.open();
    EXPECT_FALSE(h.find<QAbstractButton>("boost") && h.find<QAbstractButton>("boost")->isChecked());
    h.finish();
    h.clickCatalog(nunti);
    h.finish();
    ASSERT_TRUE(sheet.startButton()->isEnabled());
    EXPECT_FALSE(h.find<QAbstractButton>("boost")->isChecked()) << "priority starts off";

    // "Conectez discul": nothing is made.
    h.dialogs.alertAnswers.push_back(kit::CenteredAlert::firstButton);
    QTest::mouseClick(sheet.startButton(), Qt::LeftButton);
    EXPECT_FALSE(sheet.startButton()->isEnabled()) << "disabled from the first press";
    h.finish();
    ASSERT_EQ(h.dialogs.asked.size(), 1u);
    EXPECT_EQ(h.dialogs.asked[0].message, "RAW-urile nu sunt pe disc");
    EXPECT_EQ(h.dialogs.asked[0].buttons, (QStringList{"Conectez discul", QString::fromUtf8("Continuă oricum")}));
    EXPECT_TRUE(h.made.empty());
    EXPECT_TRUE(sheet.startButton()->isEnabled());

    // "Continuă oricum", then a creation error: shown, the sheet stays.
    h.createError = "Catalogul nu are fotografii RAW potrivite pe disc.";
    h.dialogs.alertAnswers.push_back(kit::CenteredAlert::firstButton + 1);
    QTest::mouseClick(sheet.startButton(), Qt::LeftButton);
    QTest::mouseClick(sheet.startButton(), Qt::LeftButton);  // a second press does nothing
    h.finishAll();
    EXPECT_EQ(h.made.size(), 1u);
    EXPECT_EQ(h.app->error(), h.createError);
    EXPECT_TRUE(h.router->showQuickEdit());
    EXPECT_TRUE(sheet.startButton()->isEnabled());

    // Success: the project page.
    h.createError.reset();
    h.dialogs.alertAnswers.push_back(kit::CenteredAlert::firstButton + 1);
    QTest::keyClick(&sheet, Qt::Key_Return);
    QTest::keyClick(&sheet, Qt::Key_Return);
    h.finishAll();
    EXPECT_EQ(h.made.size(), 2u) << "one press, one project";
    EXPECT_FALSE(h.router->showQuickEdit());
    ASSERT_EQ(h.app->projects().size(), 1u);
    EXPECT_EQ(h.router->route(), model::Route::project(h.app->projects().front().id));
}

TEST_F(QuickEditSheetWidget, aMountedDiskUpdatesTheCountsAndClosingWhileWorkRunsIsSafe) {
    Harness h({orvane::testing::builtProfile("Stil")});
    h.onDisk = {foundCatalog(nunti.string(), 1)};
    h.folderTable[nunti] = std::vector{catalogFolder("/foto/a", 4, 4, 0), catalogFolder("/foto/b", 2, 2)};
    QuickEditSheet& sheet = h.open();
    h.finish();
    h.clickCatalog(nunti);
    h.finish();
    h.clickFolder("/foto/a");
    h.folderTable[nunti] = std::vector{catalogFolder("/foto/a", 4, 4, 4), catalogFolder("/foto/b", 2, 2)};
    emit h.volumes->mounted();
    h.finish();
    EXPECT_EQ(h.texts("availability").first(), "RAW pe disc");
    EXPECT_EQ(sheet.model().picked(), (std::set<std::string>{"/foto/a"}));

    // Closed while a refresh and a folder read run: nothing arrives later.
    emit h.volumes->mounted();
    QTest::mouseClick(h.find<QAbstractButton>("back"), Qt::LeftButton);
    h.clickCatalog(nunti);
    QTest::mouseClick(sheet.closeButton()->button(), Qt::LeftButton);
    EXPECT_FALSE(h.router->showQuickEdit());
    delete h.sheet.data();
    h.finishAll();
    EXPECT_TRUE(h.work.empty());
}

// The two pages of the sheet, light and dark, into docs/ when ORVANE_SCREENSHOTS is set.
TEST_F(QuickEditSheetWidget, screenshots) {
    if (!qEnvironmentVariableIsSet("ORVANE_SCREENSHOTS")) GTEST_SKIP() << "set ORVANE_SCREENSHOTS to write docs/";
    kit::installApplicationStyle();
    for (bool dark : {false, true}) {
        for (bool folders : {false, true}) {
            orvane::testing::freshDataDir();
            Harness h({orvane::testing::builtProfile("Nunți calde"), orvane::testing::builtProfile("Portrete")});
            kit::Appearance::instance().setOverride(dark);
            const Date t0 = *IsoDate::parse("2026-11-20T10:00:00Z");
            h.onDisk = {{"/home/ana/Pictures/Lightroom/Nunți 2026.lrcat", 1, t0},
                        {"/home/ana/Pictures/Lightroom/Botezuri.lrcat", 1, t0 - std::chrono::hours(24 * 12)},
                        {"/media/ana/Arhiva/Lightroom/Nunți 2025.lrcat", 1, t0 - std::chrono::hours(24 * 300)},
                        {"/home/ana/Pictures/Lightroom/Portrete studio.lrcat", 1, t0 - std::chrono::hours(24 * 40)}};
            const fs::path cat = "/home/ana/Pictures/Lightroom/Nunți 2026.lrcat";
            h.folderTable[cat] = std::vector{catalogFolder("/home/ana/Pictures/2026/Ioana și Radu/Pregătiri", 146, 146),
                                             catalogFolder("/home/ana/Pictures/2026/Ioana și Radu/Ceremonie", 312, 290, 120),
                                             catalogFolder("/media/ana/Arhiva/2026/Ioana și Radu/Petrecere", 0, 0)};
            kit::AppBackdrop backdrop;
            QuickEditSheet& sheet = h.open();
            sheet.setParent(&backdrop);
            h.finish();
            if (folders) {
                h.clickCatalog(cat);
                h.finish();
                h.clickFolder("/home/ana/Pictures/2026/Ioana și Radu/Pregătiri");
                h.clickFolder("/home/ana/Pictures/2026/Ioana și Radu/Ceremonie");
            }
            backdrop.resize(sheet.width() + 80, sheet.height() + 80);
            sheet.move(40, 40);
            backdrop.show();
            sheet.show();
            QCoreApplication::processEvents();
            QTest::qWait(300);
            const QString path = QString(ORVANE_SOURCE_DIR) + "/docs/quick-edit-" + (folders ? "folders" : "catalogs") +
                                 (dark ? "-dark" : "-light") + ".png";
            EXPECT_TRUE(backdrop.grab().save(path)) << path.toStdString();
            sheet.setParent(nullptr);
        }
    }
}

}  // namespace

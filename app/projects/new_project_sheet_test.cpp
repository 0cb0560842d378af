#include "app/projects/new_project_sheet.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

#include <fstream>

#include <gtest/gtest.h>

#include "app/kit/app_backdrop.h"
#include "app/kit/app_style.h"
#include "app/kit/appearance.h"
#include "app/kit/help_dot.h"
#include "app/kit/path_bar.h"
#include "app/kit/kit_settings.h"
#include "app/kit/sheet_host.h"
#include "app/model/app_model.h"
#include "app/model/router.h"
#include "app/projects/new_project_world.h"
#include "app/testing/scripted_dialogs.h"
#include "app/testing/sheet_testing.h"
#include "core/store/store.h"
#include "testing/model_fixtures.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

using namespace orvane;
using namespace orvane::projects;
namespace fs = std::filesystem;

namespace {

// The sheet widget in a world of its own.
struct Harness : projects::testing::SheetWorld {
    QPointer<NewProjectSheet> sheet;
    orvane::testing::ScriptedDialogs dialogs;

    explicit Harness(std::vector<Profile> profiles) : SheetWorld(profiles) {
        // The kit reads the same store as the model, as in the application.
        setUserDefaults(defaults);
        kit::KitSettings::instance().rebind(defaults);
    }
    ~Harness() { delete sheet.data(); }
    NewProjectSheet& open() {
        router->setShowNewProject(true);
        sheet = new NewProjectSheet(*app, *router, recordCreated(), services());
        sheet->show();
        return *sheet;
    }
    template <class W = QWidget>
    W* find(const char* name) const {
        return orvane::testing::shownChild<W>(sheet, name);
    }
    QString pillText() const {
        auto* p = find<QWidget>("pill");
        return p ? p->property("pillText").toString() : QString();
    }
};

fs::path rawFolder(const orvane::testing::TempDir& dir, const std::string& name, int raws) {
    fs::create_directories(dir / name);
    for (int i = 0; i < raws; ++i) std::ofstream(dir / name / ("IMG_" + std::to_string(i) + ".NEF")) << "x";
    return dir / name;
}

class NewProjectSheetWidget : public ::testing::Test {
protected:
    void SetUp() override { orvane::testing::freshDataDir(); }
};

TEST_F(NewProjectSheetWidget, theFolderBoxTakesAClickedOrDroppedFolderAndCountsIt) {
    orvane::testing::TempDir dir;
    const Profile a = orvane::testing::builtProfile("Nunți"), b = orvane::testing::builtProfile("Botezuri");
    Harness h({a, b});
    const fs::path picked = rawFolder(dir, "Nunta Ana", 3), dropped = rawFolder(dir, "Botez", 0);
    std::ofstream(dir / "Foto.lrcat") << "x";
    h.dialogs.folders.push_back(QString::fromStdString(picked.string()));
    NewProjectSheet& sheet = h.open();
    auto* create = h.find<QAbstractButton>("create");
    ASSERT_NE(create, nullptr);
    EXPECT_FALSE(create->isEnabled());

    QTest::mouseClick(h.find("folderBox"), Qt::LeftButton);
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(h.dialogs.asked.size(), 1u);
    EXPECT_EQ(h.dialogs.asked[0].message, QString::fromUtf8("Folderul cu RAW-uri (se citesc, nu se modifică)"));
    EXPECT_EQ(sheet.model().folder(), picked);
    EXPECT_NE(h.find("spinner"), nullptr);
    EXPECT_EQ(h.find<QLineEdit>("name")->text(), "Nunta Ana");
    h.finishAll();
    EXPECT_EQ(h.pillText(), QString("3 RAW"));
    EXPECT_TRUE(create->isEnabled());

    // A drag over the box turns its border to the accent colour, and back when it leaves.
    auto* box = h.find<FolderBox>("folderBox");
    ASSERT_NE(box, nullptr);
    {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(dropped.string()))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(box, &enter);
        EXPECT_TRUE(box->isTargeted());
        EXPECT_TRUE(QTest::qWaitFor([&] { return box->targetedProgress() == 1.0; }));
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(box, &leave);
        EXPECT_FALSE(box->isTargeted());
        EXPECT_TRUE(QTest::qWaitFor([&] { return box->targetedProgress() == 0.0; }));
    }
    // The chosen folder: its name over the kit's path bar of the whole path.
    auto* path = h.find<kit::PathBar>("pathBar");
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(path->path(), QString::fromStdString(picked.string()));
    EXPECT_EQ(path->entries().shown.back().name, "Nunta Ana");

    orvane::testing::dropFiles(h.find("folderBox"), {QString::fromStdString((dir / "Foto.lrcat").string())});
    EXPECT_EQ(sheet.model().folder(), picked) << "a catalog is refused by the folder box";
    orvane::testing::dropFiles(h.find("folderBox"), {QString::fromStdString(dropped.string())});
    EXPECT_EQ(sheet.model().folder(), dropped);
    h.finishAll();
    EXPECT_EQ(h.pillText(), QString::fromUtf8("fără RAW"));
    EXPECT_FALSE(h.find<QAbstractButton>("create")->isEnabled());

    // Pressing the other chip chooses its profile; the same chips move to their new looks.
    QList<ProfileChip*> chips;
    for (ProfileChip* chip : sheet.findChildren<ProfileChip*>("profileChip"))
        if (chip->isVisibleTo(&sheet)) chips << chip;
    ASSERT_EQ(chips.size(), 2);
    EXPECT_TRUE(chips[0]->isSelected());
    EXPECT_EQ(chips[0]->selectionProgress(), 1.0) << "chosen on open, without a move";
    QPointer<ProfileChip> first = chips[0], second = chips[1];
    QTest::mouseClick(chips[1], Qt::LeftButton);
    ASSERT_TRUE(sheet.model().profileID().has_value());
    EXPECT_EQ(*sheet.model().profileID(), second->profileID());
    ASSERT_TRUE(first && second) << "a new choice keeps the chips";
    EXPECT_TRUE(second->isSelected());
    EXPECT_FALSE(first->isSelected());
    EXPECT_TRUE(QTest::qWaitFor([&] { return second->selectionProgress() == 1.0 && first->selectionProgress() == 0.0; }));
}

TEST_F(NewProjectSheetWidget, theCatalogTabClosesTheSheetAndTheFolderTabDoesNothing) {
    Harness h({orvane::testing::builtProfile("Nunți")});
    NewProjectSheet& sheet = h.open();
    auto* tabs = sheet.findChild<kit::ProjectSourceTabs*>("sourceTabs");
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->current(), kit::ProjectSourceTabs::Source::folder);
    QTest::mouseClick(tabs->tab(kit::ProjectSourceTabs::Source::folder), Qt::LeftButton);
    EXPECT_TRUE(h.router->showNewProject());
    QTest::mouseClick(tabs->tab(kit::ProjectSourceTabs::Source::catalog), Qt::LeftButton);
    EXPECT_FALSE(h.router->showNewProject());
}

TEST_F(NewProjectSheetWidget, createAndEscapeCloseTheSheet) {
    orvane::testing::TempDir dir;
    const Profile a = orvane::testing::builtProfile("Nunți");
    {
        Harness h({a});
        h.router->setDroppedItem(rawFolder(dir, "Nunta", 2));
        h.open();
        h.finishAll();
        QTest::mouseClick(h.find("create"), Qt::LeftButton);
        QTest::mouseClick(h.find("create"), Qt::LeftButton);
        h.finishAll();
        ASSERT_EQ(h.created.size(), 1u);
        EXPECT_FALSE(h.router->showNewProject());
        EXPECT_EQ(h.app->projects().size(), 1u);
    }
    {
        Harness h({a});
        NewProjectSheet& sheet = h.open();
        QTest::keyClick(&sheet, Qt::Key_Escape);
        EXPECT_FALSE(h.router->showNewProject());
    }
}

TEST_F(NewProjectSheetWidget, theCatalogSourceListsChoosesRefusesAndChanges) {
    Harness h({orvane::testing::builtProfile("Nunți")});
    const Date t0 = *IsoDate::parse("2026-03-01T00:00:00Z");
    h.onDisk = {{"/home/ana/LR/Nunta Ioana.lrcat", 1, t0}, {"/home/ana/LR/Botez.lrcat", 1, t0 + std::chrono::hours(5)}};
    h.catalogs["/home/ana/LR/Dropped.lrcat"] = Project::CatalogCounts{120, 0, 150};
    h.catalogs["/home/ana/LR/Botez.lrcat"] = Project::CatalogCounts{40, 12, 40};
    h.router->setDroppedItem(fs::path("/home/ana/LR/Dropped.lrcat"));
    NewProjectSheet& sheet = h.open();
    ASSERT_NE(sheet.findChild<QWidget*>("sourceTabs"), nullptr);
    EXPECT_FALSE(sheet.findChild<QWidget*>("sourceTabs")->isVisible());
    h.finishAll();
    EXPECT_EQ(h.pillText(), QString("0 needitate din 120"));
    EXPECT_FALSE(h.find<QAbstractButton>("create")->isEnabled());
    h.find<QCheckBox>("onlyUnedited")->click();
    EXPECT_TRUE(h.find<QAbstractButton>("create")->isEnabled());

    QTest::mouseClick(h.find("changeCatalog"), Qt::LeftButton);
    QList<QPushButton*> rows;
    for (QPushButton* row : sheet.findChildren<QPushButton*>("foundCatalog"))
        if (row->isVisibleTo(&sheet)) rows << row;
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0]->property("path").toString(), "/home/ana/LR/Botez.lrcat") << "the newest first";

    h.dialogs.files.push_back({QString::fromStdString((Store::root() / "Catalogs" / "c.lrcat").string())});
    QTest::mouseClick(h.find("otherCatalog"), Qt::LeftButton);
    ASSERT_EQ(h.dialogs.asked.size(), 2u);
    EXPECT_EQ(h.dialogs.asked[0].kind, "files");
    EXPECT_EQ(h.dialogs.asked[1].kind, "alert");
    EXPECT_FALSE(sheet.model().catalog().has_value()) << "the sheet keeps its state";

    QTest::mouseClick(h.find<QPushButton>("foundCatalog"), Qt::LeftButton);
    h.finishAll();
    EXPECT_EQ(h.pillText(), QString("12 needitate din 40"));
}

TEST_F(NewProjectSheetWidget, closingWhileACountRunsChangesNothingLater) {
    orvane::testing::TempDir dir;
    Harness h({orvane::testing::builtProfile("Nunți")});
    h.router->setDroppedItem(rawFolder(dir, "Nunta", 2));
    h.open();
    QTest::mouseClick(h.sheet->closeButton()->button(), Qt::LeftButton);
    EXPECT_FALSE(h.router->showNewProject());
    delete h.sheet.data();
    h.finishAll();
    EXPECT_TRUE(h.created.empty());
}

// Renders the sheet in both sources, light and dark, into docs/ when ORVANE_SCREENSHOTS is set.
TEST_F(NewProjectSheetWidget, screenshots) {
    if (!qEnvironmentVariableIsSet("ORVANE_SCREENSHOTS")) GTEST_SKIP() << "set ORVANE_SCREENSHOTS to write docs/";
    orvane::testing::TempDir dir;
    kit::installApplicationStyle();
    for (bool dark : {false, true}) {
        for (bool catalog : {false, true}) {
            orvane::testing::freshDataDir();
            Profile a = orvane::testing::builtProfile("Nunți calde");
            Profile b = orvane::testing::builtProfile("Botezuri luminoase");
            b.presetName = "Lumină moale";
            Profile c = orvane::testing::builtProfile("Portrete de studio");
            c.presetName = "Neutru";
            Harness h({a, b, c});
            kit::Appearance::instance().setOverride(dark);
            const Date t0 = *IsoDate::parse("2026-03-01T00:00:00Z");
            h.onDisk = {{"/home/ana/Lightroom/Nunți 2026.lrcat", 1, t0 + std::chrono::hours(30)},
                        {"/home/ana/Lightroom/Botezuri.lrcat", 1, t0}};
            const fs::path cat = "/home/ana/Lightroom/Nunta Ioana și Radu.lrcat";
            h.catalogs[cat] = Project::CatalogCounts{812, 640, 830};
            h.router->setDroppedItem(catalog ? cat : rawFolder(dir, "Nunta Ioana și Radu", 412));
            kit::AppBackdrop backdrop;
            NewProjectSheet& sheet = h.open();
            sheet.setParent(&backdrop);
            h.finishAll();
            sheet.adjustSize();
            backdrop.resize(sheet.width() + 80, sheet.height() + 80);
            sheet.move(40, 40);
            backdrop.show();
            QCoreApplication::processEvents();
            const QString path = QString(ORVANE_SOURCE_DIR) + "/docs/new-project-" + (catalog ? "catalog" : "folder") +
                                 (dark ? "-dark" : "-light") + ".png";
            EXPECT_TRUE(backdrop.grab().save(path)) << path.toStdString();
            sheet.setParent(nullptr);
        }
    }
    kit::Appearance::instance().setOverride(std::nullopt);
}

}  // namespace

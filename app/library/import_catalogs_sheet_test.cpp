// The import sheet's widget with real events: the search's status line, the list from a fake finder,
// the footer's rules, and closing the sheet while its analysis runs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScrollArea>
#include <QTest>

#include "app/kit/buttons.h"
#include "app/kit/sheet_host.h"
#include "app/library/import_catalogs_sheet.h"
#include "app/library/library_world.h"
#include "app/testing/scripted_dialogs.h"

using namespace orvane;
using namespace orvane::library;
using namespace orvane::library::testing;

namespace {

QStringList rowPaths(QWidget* sheet) {
    QStringList out;
    for (QWidget* row : sheet->findChildren<QWidget*>("catalogRow"))
        if (row->isVisibleTo(sheet)) out << row->property("path").toString();
    return out;
}

QWidget* rowFor(QWidget* sheet, const QString& path) {
    for (QWidget* row : sheet->findChildren<QWidget*>("catalogRow"))
        if (row->isVisibleTo(sheet) && row->property("path").toString() == path) return row;
    return nullptr;
}

}  // namespace

TEST(ImportCatalogsSheet, showsTheSearchThenTheFoundCatalogsAndReturnNeedsATick) {
    LibraryWorld w;
    w.onDisk = {found("/d/Nunta.lrcat", 1), found("/d/Botez.lrcat", 2)};
    w.analyses["/d/Nunta.lrcat"] = {10, 4, 4, 0};
    w.analyses["/d/Botez.lrcat"] = {10, 4, 4, 0};
    QPointer<ImportCatalogsSheet> sheet = new ImportCatalogsSheet(*w.app, *w.router, w.services());
    sheet->show();
    auto* status = sheet->findChild<QLabel*>("status");
    EXPECT_EQ(status->text(), QString::fromUtf8("Caut cataloagele Lightroom de pe calculator…"));
    EXPECT_TRUE(rowPaths(sheet).isEmpty());
    EXPECT_EQ(w.scans, 0);
    w.finish();  // the scan returns
    EXPECT_EQ(w.scans, 1);
    EXPECT_EQ(rowPaths(sheet), (QStringList{"/d/Nunta.lrcat", "/d/Botez.lrcat"}));
    EXPECT_EQ(status->text(), QString::fromUtf8("Analizez cataloagele: 0 din 2…"));
    w.finishAll();
    EXPECT_EQ(status->text(), QString::fromUtf8("2 cu fotografii valide de antrenare, din 2 găsite."));

    auto* import = sheet->findChild<kit::KitButton*>("import");
    EXPECT_FALSE(import->isEnabled());
    QTest::keyClick(sheet, Qt::Key_Return);
    EXPECT_FALSE(w.app->catalogImport());

    QTest::mouseClick(rowFor(sheet, "/d/Botez.lrcat"), Qt::LeftButton);
    EXPECT_TRUE(import->isEnabled());
    EXPECT_EQ(import->text(), QString::fromUtf8("Importă (1)"));
    EXPECT_EQ(rowFor(sheet, "/d/Botez.lrcat")->property("mark").toString(), QStringLiteral("checkmark.circle.fill"));

    // The search field filters by typing.
    QTest::keyClicks(sheet->findChild<QLineEdit*>("search"), QStringLiteral("nun"));
    EXPECT_EQ(rowPaths(sheet), (QStringList{"/d/Nunta.lrcat"}));
    delete sheet.data();
}

// A catalog deep in the home folder: its row cuts the folder shorter and keeps its status and date in
// sight; the sheet keeps its width.
TEST(ImportCatalogsSheet, aLongFolderIsCutAndTheRowKeepsItsDateInSight) {
    LibraryWorld w;
    const std::string deep =
        "/home/fotograf/Documente/Arhiva foto 2026/Clienți/Fotografii de eveniment/Cataloage Lightroom/Piață la prânz.lrcat";
    w.onDisk = {found(deep, 1), found("/d/Botez.lrcat", 2)};
    w.analyses[deep] = {640, 296, 296, 0};
    w.analyses["/d/Botez.lrcat"] = {10, 4, 4, 0};
    QPointer<ImportCatalogsSheet> sheet = new ImportCatalogsSheet(*w.app, *w.router, w.services());
    sheet->show();
    w.finish();
    w.finishAll();
    QApplication::processEvents();
    EXPECT_EQ(sheet->width(), ImportCatalogsSheet::sheetWidth);
    auto* list = sheet->findChild<QScrollArea*>("list");
    ASSERT_TRUE(list);
    for (const QString& path : {QString::fromStdString(deep), QStringLiteral("/d/Botez.lrcat")}) {
        QWidget* row = rowFor(sheet, path);
        ASSERT_TRUE(row);
        for (QLabel* label : row->findChildren<QLabel*>()) {
            if (!label->isVisibleTo(row) || label->text().isEmpty()) continue;
            const QRect shown(label->mapTo(list->viewport(), QPoint(0, 0)), label->size());
            EXPECT_TRUE(list->viewport()->rect().contains(shown))
                << label->text().toStdString() << " of " << path.toStdString();
        }
    }
    QLabel* folder = nullptr;
    for (QLabel* label : rowFor(sheet, QString::fromStdString(deep))->findChildren<QLabel*>())
        if (label->property("fullText").toString().startsWith("/home")) folder = label;
    ASSERT_TRUE(folder);
    EXPECT_TRUE(folder->text().contains(QString::fromUtf8("…"))) << folder->text().toStdString();
    delete sheet.data();
}

TEST(ImportCatalogsSheet, nothingFoundSaysSoAndClosingMidAnalysisDropsLateResults) {
    {
        LibraryWorld w;
        auto* sheet = new ImportCatalogsSheet(*w.app, *w.router, w.services());
        w.finish();
        auto* empty = sheet->findChild<QLabel*>("emptyText");
        ASSERT_TRUE(empty);
        EXPECT_EQ(empty->text(), QString::fromUtf8("Nu am găsit niciun catalog. Folosește „Alege manual…”."));
        EXPECT_EQ(sheet->findChild<QLabel*>("status")->text(),
                  QString::fromUtf8("0 cu fotografii valide de antrenare, din 0 găsite."));
        delete sheet;
    }
    LibraryWorld w;
    for (int i = 0; i < 6; ++i) {
        w.onDisk.push_back(found("/d/C" + std::to_string(i) + ".lrcat", i));
        w.analyses[w.onDisk.back().url] = CatalogStats{5, 2, 2, 0};
    }
    kit::SheetHost host(nullptr);
    host.resize(1000, 800);
    QPointer<ImportCatalogsSheet> sheet = new ImportCatalogsSheet(*w.app, *w.router, w.services());
    QObject::connect(sheet, &ImportCatalogsSheet::dismissRequested, &host, [&] { host.dismiss(sheet); });
    host.present(sheet);
    w.finish();  // scan; four analyses start
    w.finish();  // one lands
    ASSERT_EQ(w.work.size(), 4u);
    const int analysed = w.analysed;
    QPointer<ImportSheetModel> model = &sheet->model();
    // The close button returns at once; the analyses still on their way change nothing.
    QTest::mouseClick(sheet->closeButton()->button(), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(sheet);
    EXPECT_FALSE(model);
    w.finishAll();
    EXPECT_EQ(w.analysed, analysed + 4);  // the ones in flight finished; none started after the close
    EXPECT_FALSE(w.app->catalogImport());
}

TEST(ImportCatalogsSheet, duringAnImportTheFooterWaitsAndEscapeDoesNotClose) {
    LibraryWorld w;
    auto s = model::AppModel::LearningServices::standard(w.defaults);
    auto gate = std::make_shared<std::atomic<bool>>(false);
    s.importCatalog = [gate](const std::filesystem::path& file, const std::optional<std::set<std::string>>&) {
        while (!*gate) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        TrainingCatalog c;
        c.id = Uuid::random();
        c.name = file.stem().string();
        c.source = file.string();
        std::filesystem::create_directories(c.dir());
        return c;
    };
    w.app->setLearningServices(std::move(s));
    orvane::testing::ScriptedDialogs dialogs;
    dialogs.files.push_back({QStringLiteral("/d/Ales.lrcat")});
    QPointer<ImportCatalogsSheet> sheet = new ImportCatalogsSheet(*w.app, *w.router, w.services());
    int dismissed = 0;
    QObject::connect(sheet, &ImportCatalogsSheet::dismissRequested, [&] { ++dismissed; });
    sheet->show();
    // Chosen by hand while the scan still runs: the import starts at once.
    QTest::mouseClick(sheet->findChild<kit::KitButton*>("chooseManually"), Qt::LeftButton);
    ASSERT_TRUE(w.app->catalogImport());
    EXPECT_FALSE(sheet->findChild<kit::KitButton*>("cancel")->isEnabled());
    EXPECT_FALSE(sheet->findChild<kit::KitButton*>("chooseManually")->isEnabled());
    EXPECT_EQ(sheet->findChild<QLabel*>("progressText")->text(), QString::fromUtf8("0 din 1"));
    QTest::keyClick(sheet, Qt::Key_Escape);
    QTest::mouseClick(sheet->closeButton()->button(), Qt::LeftButton);
    EXPECT_EQ(dismissed, 0);
    *gate = true;
    ASSERT_TRUE(w.main->runUntil([&] { return !w.app->catalogImport(); }));
    EXPECT_EQ(dismissed, 1);
    EXPECT_EQ(w.app->catalogs().size(), 1u);
    delete sheet.data();
}

// Screenshots of the library screen and the import sheet, light and dark, on the window's backdrop,
// written into docs/.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHBoxLayout>
#include <QTest>

#include "app/kit/app_backdrop.h"
#include "app/kit/app_style.h"
#include "app/kit/appearance.h"
#include "app/kit/fonts.h"
#include "app/kit/sheet_host.h"
#include "app/library/import_catalogs_sheet.h"
#include "app/library/library_view.h"
#include "app/library/library_world.h"

using namespace orvane;
using namespace orvane::library;
using namespace orvane::library::testing;

namespace {

void save(QWidget& window, const char* name, bool dark) {
    QApplication::processEvents();
    QTest::qWait(50);
    const QImage image = window.grab().toImage();
    ASSERT_FALSE(image.isNull());
    const QString file = QStringLiteral(ORVANE_SOURCE_DIR "/docs/%1-%2.png")
                             .arg(QString::fromUtf8(name), dark ? QStringLiteral("dark") : QStringLiteral("light"));
    EXPECT_TRUE(image.save(file));
}

}  // namespace

TEST(LibraryScreenshots, libraryAndImportSheetLightAndDark) {
    if (!qEnvironmentVariableIsSet("ORVANE_SCREENSHOTS")) GTEST_SKIP() << "set ORVANE_SCREENSHOTS to write docs/";
    kit::installUiFont();
    kit::installApplicationStyle();
    for (bool dark : {false, true}) {
        TrainingCatalog a = libraryCatalog("Nunta Ana și Mihai", 212, 0, 2), b = libraryCatalog("Botez Luca", 96, 0, 9),
                        c = libraryCatalog("Portrete studio 2025", 143, 0, 30),
                        d = libraryCatalog("Cununie civilă", 58, 11, 45);
        const Profile p = profileNamed("Stilul meu", {a.id, c.id}), q = profileNamed("Evenimente de iarnă");
        LibraryWorld w({p, q}, {a, b, c, d});
        w.defaults->set(ImportSheetModel::profileKeySetting, Json(p.id.text()));
        kit::Appearance::instance().setOverride(dark);
        {
            kit::AppBackdrop window;
            window.resize(1080, 640);
            auto* row = new QHBoxLayout(&window);
            row->setContentsMargins(0, 0, 0, 0);
            auto* view = new LibraryView(*w.app, *w.router, nullptr, w.services());
            row->addWidget(view);
            view->model().toggleSelection(b.id);
            window.show();
            save(window, "library", dark);
        }
        {
            w.onDisk = {found("/home/ana/Pictures/Lightroom/Nunti 2025.lrcat", 1),
                        found("/home/ana/Pictures/Lightroom/Botezuri.lrcat", 3),
                        found("/media/ana/Arhiva/Lightroom/Nunti 2025.lrcat", 20),
                        found("/home/ana/Pictures/Vechi/Catalog vechi.lrcat", 60),
                        found("/home/ana/Pictures/Lightroom/Portrete.lrcat", 90),
                        found(a.source, 100)};
            w.analyses[w.onDisk[0].url] = CatalogStats{640, 310, 296, 0};
            w.analyses[w.onDisk[1].url] = CatalogStats{220, 118, 0, 118};
            w.analyses[w.onDisk[2].url] = CatalogStats{400, 120, 120, 0};
            w.analyses[w.onDisk[3].url] = CatalogStats{80, 0, 0, 0};
            w.analyses[w.onDisk[5].url] = CatalogStats{300, 212, 212, 0};
            kit::AppBackdrop window;
            window.resize(1080, 800);
            auto* host = new kit::SheetHost(&window);
            auto* sheet = new ImportCatalogsSheet(*w.app, *w.router, w.services());
            host->present(sheet);
            window.show();
            w.finish();  // the scan
            w.finish();  // the first analyses
            w.finish();
            w.finish();
            w.finish();
            sheet->model().toggle(w.onDisk[0].id());
            save(window, "library-import-sheet", dark);
        }
    }
    kit::Appearance::instance().setOverride(std::nullopt);
}

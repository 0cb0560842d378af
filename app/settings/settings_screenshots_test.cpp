// Screenshots of the whole settings page, light and dark: the window is made as tall as the page's
// column, so nothing is left below the fold. Written into docs/ only with ORVANE_WRITE_SCREENSHOTS=1
// (the data folder's path in them changes with every run); otherwise the page is only drawn.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QTest>

#include <filesystem>
#include <fstream>

#include "app/kit/app_backdrop.h"
#include "app/kit/app_style.h"
#include "app/kit/appearance.h"
#include "app/kit/fonts.h"
#include "app/kit/page_header.h"
#include "app/settings/settings_page.h"
#include "app/settings/settings_world.h"
#include "core/catalog/catalog_backups.h"
#include "core/store/store.h"

using namespace orvane;
using namespace orvane::settings;
using namespace orvane::settings::testing;

TEST(SettingsScreenshots, theWholePageLightAndDark) {
    kit::installUiFont();
    kit::installApplicationStyle();
    QCoreApplication::setApplicationVersion(QStringLiteral("1.3.0"));
    for (bool dark : {false, true}) {
        SettingsWorld w;
        w.center->answer = platform::NotificationCenter::Authorization::authorized;
        w.defaults->set("workers", 4);
        w.defaults->set("backupLimitGB", 20);
        w.updater.announce("1.4.0");
        // Data of some size: sparse files, so nothing large is written.
        const auto sized = [](const std::filesystem::path& file, std::uintmax_t bytes) {
            std::filesystem::create_directories(file.parent_path());
            std::ofstream(file).put('x');
            std::filesystem::resize_file(file, bytes);
        };
        sized(Store::catalogs() / "a" / "catalog.lrcat", 1'480'000'000);
        sized(CatalogWriter::backupDirectory() / "Nunta-20261211-101010.zip", 212'000'000);
        sized(Store::projects() / "p" / "cover-2.jpg", 38'600'000);
        sized(Store::profiles() / "s" / "Models" / "1" / "exp.ubj", 4'200'000);
        kit::Appearance::instance().setOverride(dark);
        kit::AppBackdrop window;
        auto* row = new QHBoxLayout(&window);
        row->setContentsMargins(0, 0, 0, 0);
        auto* page = new SettingsPage(*w.app, *w.router, &w.updater, w.services());
        row->addWidget(page);
        window.resize(900, 800);
        window.show();
        w.finishWork();
        QApplication::processEvents();
        // As tall as the header and the whole column.
        const int height = page->header()->sizeHint().height() + page->column()->sizeHint().height() + 40;
        window.resize(900, height);
        QApplication::processEvents();
        QTest::qWait(50);
        const QImage image = window.grab().toImage();
        ASSERT_FALSE(image.isNull());
        const QString file = QStringLiteral(ORVANE_SOURCE_DIR "/docs/settings-%1.png").arg(dark ? "dark" : "light");
        if (qgetenv("ORVANE_WRITE_SCREENSHOTS") == "1") {
            EXPECT_TRUE(image.save(file));
        }
        // Slices at full size, for looking at the details.
        if (const QByteArray slices = qgetenv("ORVANE_SCREENSHOT_SLICES"); !slices.isEmpty())
            for (int y = 0, i = 0; y < image.height(); y += 1100, ++i)
                image.copy(0, y, image.width(), 1100).save(QStringLiteral("%1/settings-%2-%3.png")
                                                               .arg(QString::fromUtf8(slices), dark ? "dark" : "light")
                                                               .arg(i));
    }
    QCoreApplication::setApplicationVersion({});
}

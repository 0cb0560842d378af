// A generated photographer through the library screens, with the real finder's place taken by a list
// of their catalogs and everything else real: two catalogs imported through the import sheet, the
// profile built from the library screen, then taught by a finished project through the learn sheet.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include "app/kit/buttons.h"
#include "app/library/import_catalogs_sheet.h"
#include "app/library/learn_sheet.h"
#include "app/library/library_view.h"
#include "app/library/library_world.h"
#include "core/catalog/catalog_import.h"
#include "core/store/store.h"
#include "core/xmp/profile_presets.h"
#include "testing/photographer.h"

using namespace orvane;
using namespace orvane::library;
using namespace orvane::library::testing;
namespace fs = std::filesystem;

TEST(LibraryEndToEnd, importBuildAndLearnFromAFinishedProjectChangeTheProfilesEvaluation) {
    LibraryWorld w;
    orvane::testing::TempDir work;
    orvane::testing::Photographer photographer = orvane::testing::Photographer::standard();
    photographer.events.resize(3);
    photographer.photosPerEvent = 12;
    const auto events = orvane::testing::generatePhotographer(work.path() / "evenimente", photographer);
    fs::remove_all(Store::catalogs());  // the helper imported them; the sheet does it below
    w.app->reload();
    ASSERT_TRUE(w.app->catalogs().empty());

    auto services = model::AppModel::LearningServices::standard(w.defaults);
    services.build = [](const Profile& p, const std::vector<TrainingCatalog>& catalogs, int workers,
                        const ProfileBuilder::CancelToken* cancel, const ProfileBuilder::BuildProgress& progress) {
        return ProfileBuilder::build(p, catalogs, workers, cancel, progress, orvane::testing::facelessReaders());
    };
    w.app->setLearningServices(std::move(services));
    const Profile created = ProfilePresets::create("Stilul meu", w.app->neutralPresetURL());
    w.app->reload();

    // 1. The import sheet finds the first two events' catalogs, analyses them for real, imports both.
    for (int i = 0; i < 2; ++i) w.onDisk.push_back(FoundCatalog{events[i].userCatalog, 1, Date{} + std::chrono::hours(i)});
    ImportSheetServices sheetServices = w.services();
    sheetServices.analyze = [](const fs::path& file) { return Catalog::analyze(file); };
    QWidget window;
    window.resize(1100, 760);
    auto* layout = new QVBoxLayout(&window);
    auto* view = new LibraryView(*w.app, *w.router, nullptr, sheetServices);
    layout->addWidget(view);
    window.show();
    QTest::mouseClick(view->findChild<QWidget*>("emptyCard"), Qt::LeftButton);
    QPointer<ImportCatalogsSheet> sheet = view->importSheet();
    ASSERT_TRUE(sheet);
    w.finishAll();
    // Each tick draws the list again: the row is looked up afresh every time.
    for (const FoundCatalog& c : w.onDisk) {
        for (QWidget* row : sheet->findChildren<QWidget*>("catalogRow")) {
            if (row->isVisibleTo(sheet) && row->property("path").toString() == QString::fromStdString(c.id())) {
                QTest::mouseClick(row, Qt::LeftButton);
                break;
            }
        }
    }
    QTest::mouseClick(sheet->findChild<kit::KitButton*>("import"), Qt::LeftButton);
    ASSERT_TRUE(w.main->runUntil([&] { return !w.app->catalogImport(); }, std::chrono::seconds(60)));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(sheet);
    ASSERT_FALSE(w.app->error()) << *w.app->error();
    ASSERT_EQ(w.app->catalogs().size(), 2u);
    ASSERT_EQ(w.app->profiles().front().catalogIDs.size(), 2u);

    // 2. "Actualizează profilul" builds it through the application model.
    auto* build = view->findChild<kit::KitButton*>("build");
    ASSERT_TRUE(build->isEnabled());
    QTest::mouseClick(build, Qt::LeftButton);
    ASSERT_TRUE(w.app->profileBuild());
    ASSERT_TRUE(w.main->runUntil([&] { return !w.app->profileBuild(); }, std::chrono::seconds(180)));
    ASSERT_FALSE(w.app->error()) << *w.app->error();
    EXPECT_FALSE(w.app->profileReady());
    const Profile built = w.app->profiles().front();
    ASSERT_TRUE(built.isBuilt());
    ASSERT_TRUE(built.evaluation);
    EXPECT_EQ(built.evaluation->rows.size(), 2u);

    // 3. A finished project of the third event teaches the profile through the learn sheet.
    Project project;
    project.id = Uuid::random();
    project.name = "Al treilea eveniment";
    project.folder = events[2].raws.front().parent_path();
    project.profileID = created.id;
    for (const fs::path& raw : events[2].raws) {
        PhotoItem item(raw.string());
        item.status = PhotoItem::Status::done;
        item.exposure = 0.0;
        item.temperature = 5000;
        project.photos.push_back(item);
    }
    LearnSheet learn(*w.app, project, events[2].userCatalog);
    QTest::mouseClick(learn.findChild<kit::KitButton*>("start"), Qt::LeftButton);
    ASSERT_TRUE(w.app->profileBuild());
    ASSERT_TRUE(w.main->runUntil([&] { return !w.app->profileBuild(); }, std::chrono::seconds(180)));
    ASSERT_FALSE(w.app->error()) << *w.app->error();
    const Profile taught = w.app->profiles().front();
    ASSERT_TRUE(taught.evaluation);
    EXPECT_EQ(taught.catalogIDs.size(), 3u);
    EXPECT_EQ(taught.evaluation->rows.size(), 3u);
    EXPECT_NE(taught.evaluation->exposureMAE, built.evaluation->exposureMAE);
    EXPECT_GT(taught.samples, built.samples);
}

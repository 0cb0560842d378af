// The library screen's widget with real clicks: the use button writes the profile's list, "Elimină"
// moves the copy to the trash after its question, the build slot is one for the application, and the
// empty card opens the import sheet.
#include <gtest/gtest.h>

#include <QPointer>
#include <QVBoxLayout>

#include <fstream>
#include <QPushButton>
#include <QTest>

#include "app/kit/buttons.h"
#include "app/kit/sheet_host.h"
#include "app/library/import_catalogs_sheet.h"
#include "app/library/library_view.h"
#include "app/library/library_world.h"
#include "app/testing/scripted_dialogs.h"
#include "core/base/trash.h"
#include "core/store/store.h"

using namespace orvane;
using namespace orvane::library;
using namespace orvane::library::testing;
namespace fs = std::filesystem;

namespace {

QWidget* entryFor(QWidget* view, const Uuid& id) {
    for (QWidget* e : view->findChildren<QWidget*>("entry"))
        if (e->isVisibleTo(view) && e->property("catalogID").toString() == QString::fromStdString(id.text())) return e;
    return nullptr;
}

std::string storedProfileText(const Profile& p) {
    std::ifstream in(p.dir() / "profile.json");
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Screen {
    QWidget window;
    QPointer<LibraryView> view;
    Screen(LibraryWorld& w) {
        window.resize(1100, 760);
        auto* layout = new QVBoxLayout(&window);
        view = new LibraryView(*w.app, *w.router, nullptr, w.services());
        layout->addWidget(view);
        window.show();
    }
};

}  // namespace

TEST(LibraryView, theUseButtonTogglesTheCatalogInTheProfileFile) {
    const TrainingCatalog a = libraryCatalog("Nuntă", 10), b = libraryCatalog("Botez", 10);
    const Profile p = profileNamed("Stil", {a.id});
    LibraryWorld w({p}, {a, b});
    Screen s(w);
    auto* use = entryFor(s.view, b.id)->findChild<QPushButton*>("useButton");
    EXPECT_FALSE(use->property("used").toBool());
    EXPECT_EQ(use->toolTip(), QString::fromUtf8("Folosit la antrenarea profilului ales"));
    QTest::mouseClick(use, Qt::LeftButton);
    EXPECT_NE(storedProfileText(p).find(b.id.text()), std::string::npos);
    // The table was drawn again: the new button shows the catalog as used, and a click takes it back.
    use = entryFor(s.view, b.id)->findChild<QPushButton*>("useButton");
    EXPECT_TRUE(use->property("used").toBool());
    QTest::mouseClick(use, Qt::LeftButton);
    EXPECT_EQ(storedProfileText(p).find(b.id.text()), std::string::npos);
    EXPECT_NE(storedProfileText(p).find(a.id.text()), std::string::npos);
}

TEST(LibraryView, removeMovesTheSelectedCopyToTheTrashAfterTheQuestion) {
    const TrainingCatalog a = libraryCatalog("Nuntă", 10), b = libraryCatalog("Botez", 10);
    LibraryWorld w({}, {a, b});
    Screen s(w);
    orvane::testing::ScriptedDialogs dialogs;
    auto* remove = s.view->findChild<kit::KitButton*>("remove");
    EXPECT_FALSE(remove->isEnabled());
    QTest::mouseClick(entryFor(s.view, a.id)->findChild<QWidget*>("catalogRow"), Qt::LeftButton);
    EXPECT_TRUE(remove->isEnabled());
    dialogs.alertAnswers.push_back(kit::CenteredAlert::firstButton);
    QTest::mouseClick(remove, Qt::LeftButton);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].message, QString::fromUtf8("Elimini „Nuntă” din Bibliotecă?"));
    EXPECT_FALSE(fs::exists(a.dir()));
    EXPECT_TRUE(fs::exists(Trash::homeTrash() / "files" / a.dir().filename()));
    EXPECT_EQ(w.app->catalogs().size(), 1u);
    EXPECT_FALSE(entryFor(s.view, a.id));
    EXPECT_FALSE(remove->isEnabled());
}

TEST(LibraryView, aSecondBuildCannotStartAndRemovalWaitsWhileOneRuns) {
    const TrainingCatalog a = libraryCatalog("Nuntă", 10);
    const Profile p = profileNamed("Stil", {a.id});
    LibraryWorld w({p}, {a});
    auto release = std::make_shared<std::atomic<bool>>(false);
    auto calls = std::make_shared<std::atomic<int>>(0);
    auto services = model::AppModel::LearningServices::standard(w.defaults);
    services.build = [release, calls](const Profile& profile, const std::vector<TrainingCatalog>&, int,
                                      const ProfileBuilder::CancelToken*, const ProfileBuilder::BuildProgress&) {
        ++*calls;
        while (!*release) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return profile;
    };
    w.app->setLearningServices(std::move(services));
    auto screen = std::make_unique<Screen>(w);
    auto* build = screen->view->findChild<kit::KitButton*>("build");
    ASSERT_TRUE(build->isEnabled());
    QTest::mouseClick(build, Qt::LeftButton);
    ASSERT_TRUE(w.app->profileBuild());
    EXPECT_FALSE(build->isEnabled());
    EXPECT_TRUE(screen->view->findChild<QWidget*>("buildBar"));
    QTest::mouseClick(entryFor(screen->view, a.id)->findChild<QWidget*>("catalogRow"), Qt::LeftButton);
    EXPECT_FALSE(screen->view->findChild<kit::KitButton*>("remove")->isEnabled());
    EXPECT_FALSE(entryFor(screen->view, a.id)->findChild<QPushButton*>("useButton")->isEnabled());

    // The screen made again still sees the build and offers no second one.
    screen = std::make_unique<Screen>(w);
    build = screen->view->findChild<kit::KitButton*>("build");
    EXPECT_FALSE(build->isEnabled());
    QTest::mouseClick(build, Qt::LeftButton);
    *release = true;
    ASSERT_TRUE(w.main->runUntil([&] { return !w.app->profileBuild(); }));
    EXPECT_EQ(*calls, 1);
    EXPECT_TRUE(build->isEnabled());
    EXPECT_FALSE(w.app->profileReady());
}

TEST(LibraryView, theEmptyCardOpensTheImportSheetAndItsCloseLeavesTheScreen) {
    LibraryWorld w;
    Screen s(w);
    EXPECT_FALSE(s.view->findChild<QWidget*>("table")->isVisibleTo(s.view));
    QTest::mouseClick(s.view->findChild<QWidget*>("emptyCard"), Qt::LeftButton);
    ASSERT_TRUE(s.view->importSheet());
    QPointer<ImportCatalogsSheet> sheet = s.view->importSheet();
    EXPECT_TRUE(sheet->isVisible());
    w.finish();  // the scan: nothing found
    QTest::mouseClick(sheet->findChild<kit::KitButton*>("cancel"), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(sheet);
    EXPECT_FALSE(s.view->model().showImport());
    // A request of the router opens it again when the screen is shown.
    w.router->setImportRequested(true);
    EXPECT_TRUE(s.view->importSheet());
    EXPECT_FALSE(w.router->importRequested());
}

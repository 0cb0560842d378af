// The settings page as the user meets it, offscreen with real clicks and keys.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QScrollArea>
#include <QTest>
#include <QVBoxLayout>

#include "app/kit/appearance.h"
#include "app/kit/page_header.h"
#include "app/kit/pill_picker.h"
#include "app/kit/slider.h"
#include "app/kit/text.h"
#include "app/model/app_version.h"
#include "app/projects/priority_toggle.h"
#include "app/settings/settings_file.h"
#include "app/settings/settings_page.h"
#include "app/settings/settings_world.h"

using namespace orvane;
using namespace orvane::settings;
using namespace orvane::settings::testing;

namespace {

struct PageFixture : ::testing::Test {
    SettingsWorld w;
    std::unique_ptr<QWidget> window;
    SettingsPage* page = nullptr;

    void open() {
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        page = new SettingsPage(*w.app, *w.router, &w.updater, w.services());
        layout->addWidget(page);
        window->resize(900, 5000);  // every card on screen, so real clicks reach them
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        settle();
    }
    void settle() {
        w.finishWork();
        QApplication::processEvents();
    }
    void click(QWidget* widget, std::optional<QPoint> at = std::nullopt) {
        ASSERT_NE(widget, nullptr);
        ASSERT_TRUE(widget->isVisibleTo(window.get()));
        QTest::mouseClick(widget, Qt::LeftButton, {}, at.value_or(widget->rect().center()));
        settle();
    }
    void clickPill(kit::PillPicker* picker, int index) { click(picker, picker->pillRect(index).center().toPoint()); }
    std::string text(const char* key) const { return w.defaults->textValue(key).value_or("<absent>"); }
};

}  // namespace

TEST_F(PageFixture, theHeaderNamesThePageAndLeadsHome) {
    QCoreApplication::setApplicationVersion(QStringLiteral("1.3.0"));
    w.router->setRoute(model::Route::settings());
    open();
    EXPECT_EQ(page->header()->titleLabel()->text(), QString::fromUtf8("Setări"));
    EXPECT_EQ(page->header()->subtitleLabel()->text(), model::appVersionText());
    EXPECT_EQ(page->header()->subtitleLabel()->text(), "Versiunea 1.3.0");
    click(page->header()->backButton());
    EXPECT_EQ(w.router->route().kind, model::Route::Kind::home);
    QCoreApplication::setApplicationVersion({});
}

TEST_F(PageFixture, theItemsStandInOrderAndOpeningWritesNoKey) {
    open();
    const QStringList expected = {
        "# Aspect și limbă", "Aspect", "Stil vizual", "Fundal și transparență", "Culoare de accent", "Limbă",
        "# Editare", "Editare", "Valori implicite la editare", "Performanță", "Funcții în testare",
        "# Lightroom și catalog", "Scriere în catalog", "Import și export", "Copii de siguranță ale catalogului",
        "# Date și spațiu", "Spațiu pe disc", "Date", "Setările mele", "Resetare", "# Aplicație", "Notificări",
        "Actualizări", "Diagnostic", "# Despre", "Despre"};
    EXPECT_EQ(page->visibleItems(), expected);
    EXPECT_EQ(exportSettings(*w.defaults), "{}\n");
    EXPECT_FALSE(w.defaults->value("AppleLanguages"));
    // Defaults shown for absent keys.
    EXPECT_TRUE(page->switchRow(QString::fromUtf8("Arată opțiunile înainte de a porni editarea"))->isOn());
    EXPECT_FALSE(page->switchRow(QString::fromUtf8("Arată funcțiile marcate Beta (Egalizează fețele, Albire dinți, "
                                                   "Reîncadrare inteligentă)"))->isOn());
    EXPECT_EQ(page->stepperLabel()->text(), QString::fromUtf8("Copii de siguranță păstrate per catalog: 3"));
    EXPECT_EQ(page->limitField()->text(), "");
    EXPECT_EQ(page->limitField()->placeholderText(), QString::fromUtf8("fără limită"));
    EXPECT_EQ(page->appearancePicker()->selectedIndex(), 0);
    EXPECT_EQ(page->stylePicker()->selectedIndex(), 0);
    EXPECT_EQ(page->languagePicker()->selectedIndex(), 0);
    EXPECT_TRUE(page->swatches()[3]->isSelected());
}

TEST_F(PageFixture, theBannerFollowsTheUpdater) {
    open();
    EXPECT_EQ(page->visibleItems().first(), QString::fromUtf8("# Aspect și limbă"));
    w.updater.announce("1.4");
    ASSERT_EQ(page->visibleItems().first(), QString::fromUtf8("Actualizare disponibilă"));
    EXPECT_EQ(page->bannerText()->text(), QString::fromUtf8("Versiunea 1.4 este disponibilă"));
    click(page->bannerDownloadButton());
    EXPECT_EQ(w.updater.downloads, 1);
    EXPECT_EQ(page->bannerDownloadButton()->text(), QString::fromUtf8("Se descarcă…"));
    EXPECT_FALSE(page->bannerDownloadButton()->isEnabled());
    EXPECT_TRUE(page->updateBusyIndicator()->isVisibleTo(window.get()));
    EXPECT_EQ(page->updateStatusLabel()->text(), QString::fromUtf8("Se descarcă versiunea 1.4…"));
    click(page->button(QString::fromUtf8("Omite versiunea")));
    EXPECT_EQ(w.updater.skips, 1);
    EXPECT_EQ(page->visibleItems().first(), QString::fromUtf8("# Aspect și limbă"));

    QAbstractButton* install = page->button(QString::fromUtf8("Instalează și repornește"));
    EXPECT_FALSE(install->isVisibleTo(window.get()));
    w.updater.setReadyToInstall(std::filesystem::path("/tmp/staged"));
    click(install);
    EXPECT_EQ(w.updater.installs, 1);
    click(page->button(QString::fromUtf8("Caută actualizări")));
    click(page->button(QString::fromUtf8("Alege fișier…")));
    EXPECT_EQ(w.updater.manualChecks.size(), 1u);
    EXPECT_EQ(w.updater.fileChoices, 1);
}

TEST_F(PageFixture, thePerformanceCardShowsTheAutomaticCountAndStoresChoices) {
    open();
    QComboBox* workers = page->workersPicker();
    EXPECT_EQ(workers->itemText(0), "Automat (10)");
    EXPECT_EQ(workers->currentIndex(), 0);
    workers->setFocus();
    QTest::keyClick(workers, Qt::Key_Down);  // a combo box steps and activates with the arrow keys
    settle();
    EXPECT_EQ(w.defaults->intValue("workers"), 2);
    w.defaults->set("workers", 3);
    settle();
    EXPECT_EQ(workers->currentIndex(), -1);
    auto* keepAwake = page->switchRow(QString::fromUtf8("Nu lăsa calculatorul să adoarmă cât editează"));
    EXPECT_TRUE(keepAwake->isOn());
    click(keepAwake->switchButton());
    EXPECT_EQ(w.defaults->boolValue("keepAwake"), false);
}

TEST_F(PageFixture, thePillTraysStoreExactValuesAndShowNoSelectionForUnknownText) {
    open();
    clickPill(page->appearancePicker(), 2);
    EXPECT_EQ(text("appearance"), "dark");
    clickPill(page->stylePicker(), 1);
    EXPECT_EQ(text("style"), "flat");
    EXPECT_FALSE(page->visibleItems().contains(QString::fromUtf8("Fundal și transparență")));
    clickPill(page->stylePicker(), 0);
    EXPECT_EQ(text("style"), "glass");
    EXPECT_TRUE(page->visibleItems().contains(QString::fromUtf8("Fundal și transparență")));
    w.defaults->set("appearance", "sepia");
    w.defaults->set("style", "Glass");
    settle();
    EXPECT_EQ(page->appearancePicker()->selectedIndex(), -1);
    EXPECT_EQ(page->stylePicker()->selectedIndex(), -1);
    EXPECT_TRUE(page->visibleItems().contains(QString::fromUtf8("Fundal și transparență")));
}

TEST_F(PageFixture, theSlidersEditThePairOfTheCurrentScheme) {
    open();
    kit::ModernSlider* backdrop = page->backdropRow()->slider();
    kit::ModernSlider* cards = page->transparencyRow()->slider();
    EXPECT_EQ(page->backdropRow()->percentLabel()->text(), "100%");
    EXPECT_TRUE(page->backdropNote()->text().startsWith("Modul zi."));
    click(backdrop, QPoint(9, backdrop->height() / 2));  // the track's start
    EXPECT_DOUBLE_EQ(*w.defaults->numberValue("backdropIntensity.light"), 0.0);
    EXPECT_FALSE(w.defaults->value("backdropIntensity.dark"));
    EXPECT_EQ(page->backdropRow()->percentLabel()->text(), "0%");

    kit::Appearance::instance().setOverride(true);
    settle();
    EXPECT_TRUE(page->backdropNote()->text().startsWith("Modul noapte."));
    EXPECT_EQ(page->backdropRow()->percentLabel()->text(), "0%");  // the night default
    click(cards, QPoint(cards->width() / 2, cards->height() / 2));
    EXPECT_NEAR(*w.defaults->numberValue("cardTransparency.dark"), 0.5, 0.01);
    EXPECT_FALSE(w.defaults->value("cardTransparency.light"));
    kit::Appearance::instance().setOverride(false);
    settle();
    EXPECT_EQ(page->transparencyRow()->percentLabel()->text(), "100%") << "each pair keeps its own values";
}

TEST_F(PageFixture, sevenSwatchesAndTheRingFollowsTheAccent) {
    open();
    ASSERT_EQ(page->swatches().size(), 7u);
    EXPECT_EQ(page->swatches()[6]->text(), "Grafit");
    click(page->swatches()[5]);
    EXPECT_EQ(w.defaults->intValue("accentIndex"), 5);
    EXPECT_TRUE(page->swatches()[5]->isSelected());
    EXPECT_FALSE(page->swatches()[3]->isSelected());
    w.defaults->set("accentIndex", 9);
    settle();
    for (auto* s : page->swatches()) EXPECT_FALSE(s->isSelected());
}

TEST_F(PageFixture, theLanguagePillWritesTheLanguageAndOffersARestart) {
    open();
    EXPECT_FALSE(page->restartRow()->isVisibleTo(window.get()));
    clickPill(page->languagePicker(), 1);
    EXPECT_EQ(text("language"), "en");
    EXPECT_EQ(w.defaults->value("AppleLanguages"), Json::array({"en"}));
    EXPECT_TRUE(page->restartRow()->isVisibleTo(window.get()));
    click(page->restartButton());
    EXPECT_EQ(w.relaunches, 1);
    clickPill(page->languagePicker(), 0);
    EXPECT_EQ(text("language"), "ro");
    EXPECT_FALSE(page->restartRow()->isVisibleTo(window.get()));
}

TEST_F(PageFixture, theStepperStaysWithinOneToTen) {
    open();
    for (int i = 0; i < 12; ++i)
        if (page->stepperUp()->isEnabled()) click(page->stepperUp());
    EXPECT_EQ(w.defaults->intValue("backupKeep"), 10);
    EXPECT_FALSE(page->stepperUp()->isEnabled());
    EXPECT_EQ(page->stepperLabel()->text(), QString::fromUtf8("Copii de siguranță păstrate per catalog: 10"));
    EXPECT_TRUE(page->backupNoteLabel()->text().contains("ultimele 10 per"));
    for (int i = 0; i < 12; ++i)
        if (page->stepperDown()->isEnabled()) click(page->stepperDown());
    EXPECT_EQ(w.defaults->intValue("backupKeep"), 1);
    EXPECT_FALSE(page->stepperDown()->isEnabled());
}

TEST_F(PageFixture, theSizeLimitFieldTurnsANegativeNumberIntoZero) {
    open();
    QLineEdit* field = page->limitField();
    field->setFocus();
    QTest::keyClicks(field, "1");
    w.defaults->set("showBeta", true);  // another setting changes while the user types
    settle();
    EXPECT_EQ(field->text(), "1");
    field->clear();
    QTest::keyClicks(field, "-5");
    QTest::keyClick(field, Qt::Key_Return);
    settle();
    EXPECT_EQ(w.defaults->intValue("backupLimitGB"), 0);
    EXPECT_EQ(field->text(), "0");
    EXPECT_EQ(page->backupSizeLabel()->text().left(12), "Dimensiune: ");
    EXPECT_FALSE(page->deleteBackupsButton()->isEnabled()) << "no backups to delete";
}

TEST_F(PageFixture, theLightroomPathIsAutomaticUntilOneIsChosen) {
    open();
    EXPECT_EQ(page->lightroomPathLabel()->text(), "Automat");
    EXPECT_FALSE(page->lightroomAutoButton()->isVisibleTo(window.get()));
    w.dialogs.files = {QStringList{"/opt/lightroom/Lightroom.sh"}};
    click(page->lightroomChangeButton());
    EXPECT_EQ(text("lightroomPath"), "/opt/lightroom/Lightroom.sh");
    EXPECT_EQ(page->lightroomPathLabel()->text(), "/opt/lightroom/Lightroom.sh");
    click(page->lightroomAutoButton());
    EXPECT_EQ(text("lightroomPath"), "");
    EXPECT_EQ(page->lightroomPathLabel()->text(), "Automat");
    EXPECT_FALSE(page->lightroomAutoButton()->isVisibleTo(window.get()));
}

TEST_F(PageFixture, theNotificationWarningNamesThePermission) {
    w.center->answer = platform::NotificationCenter::Authorization::denied;
    open();
    ASSERT_TRUE(page->notificationWarning()->isVisibleTo(window.get()));
    EXPECT_EQ(page->notificationWarningText()->text(),
              QString::fromUtf8("Notificările sunt oprite pentru aplicație în Setările sistemului."));
    click(page->notificationWarningButton());
    EXPECT_EQ(w.settingsOpened, 1);
    w.center->answer = platform::NotificationCenter::Authorization::notDetermined;
    page->model().refreshPermission();
    settle();
    EXPECT_EQ(page->notificationWarningText()->text(), QString::fromUtf8("Notificările nu au fost încă permise."));
    EXPECT_EQ(page->notificationWarningButton()->text(), QString::fromUtf8("Permite notificările"));
    click(page->switchRow(QString::fromUtf8("Notificare când se termină editarea unui proiect"))->switchButton());
    EXPECT_EQ(w.defaults->boolValue("notifyDone"), false);
    EXPECT_FALSE(page->notificationWarning()->isVisibleTo(window.get()));
}

TEST_F(PageFixture, theDiskCardShowsOnlyTheNoteUntilTheSizesArrive) {
    w.finishWork();
    window = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(window.get());
    page = new SettingsPage(*w.app, *w.router, &w.updater, w.services());
    layout->addWidget(page);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    EXPECT_FALSE(page->diskRows()->isVisibleTo(window.get()));
    ASSERT_FALSE(w.work.empty());
    w.finishWork();
    EXPECT_TRUE(page->diskRows()->isVisibleTo(window.get()));
    EXPECT_EQ(page->diskRows()->findChildren<kit::KitLabel*>().size(), 10);  // four rows and the total
    // Closing the page while the walk runs: nothing arrives and nothing crashes.
    page->model().computeSizes();
    window.reset();
    w.finishWork();
}

TEST_F(PageFixture, theSettingsFileButtonsAndTheReportGoThroughTheDialogs) {
    open();
    click(page->button(QString::fromUtf8("Exportă setările")));
    click(page->button(QString::fromUtf8("Importă setările")));
    click(page->button(QString::fromUtf8("Salvează raportul de diagnostic")));
    click(page->button(QString::fromUtf8("Resetează setările")));
    ASSERT_EQ(w.dialogs.asked.size(), 4u);
    EXPECT_EQ(w.dialogs.asked[0].kind, "save");
    EXPECT_EQ(w.dialogs.asked[1].kind, "files");
    EXPECT_EQ(w.dialogs.asked[2].informative, QString::fromUtf8("Vendrel – diagnostic.txt"));
    EXPECT_EQ(w.dialogs.asked[3].message, QString::fromUtf8("Resetezi setările?"));
    EXPECT_EQ(w.relaunches, 0) << "the reset was cancelled";
}

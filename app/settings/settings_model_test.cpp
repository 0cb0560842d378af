// The settings page's state and actions without drawing it: what opening reads, what each action
// writes, asks and reports, and the background size walk.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLocale>

#include <filesystem>
#include <fstream>

#include "app/settings/settings_file.h"
#include "app/settings/settings_model.h"
#include "app/settings/settings_world.h"
#include "core/base/atomic_file.h"
#include "core/catalog/catalog_backups.h"
#include "core/store/store.h"
#include "testing/temp_dir.h"

using namespace orvane;
using namespace orvane::settings;
using namespace orvane::settings::testing;
namespace fs = std::filesystem;

namespace {

struct ModelFixture : ::testing::Test {
    SettingsWorld w;
    std::unique_ptr<SettingsModel> model;
    void open() { model = std::make_unique<SettingsModel>(*w.app, &w.updater, w.services()); }
    std::string error() const { return w.app->error().value_or(""); }
};

void makeBackup(std::size_t bytes) {
    fs::create_directories(CatalogWriter::backupDirectory());
    std::ofstream(CatalogWriter::backupDirectory() / "Nunta-20261211-101010.zip") << std::string(bytes, 'z');
}

}  // namespace

TEST_F(ModelFixture, openingReadsThePageStateAndWritesNothing) {
    makeBackup(1234);
    open();
    EXPECT_EQ(exportSettings(*w.defaults), "{}\n");
    EXPECT_FALSE(w.defaults->value("AppleLanguages"));
    EXPECT_EQ(model->languageAtOpen(), "ro");
    EXPECT_EQ(model->backupBytes(), 1234);
    EXPECT_EQ(model->appearance(), "auto");
    EXPECT_EQ(model->style(), "glass");
    EXPECT_EQ(model->accentIndex(), 3);
    EXPECT_DOUBLE_EQ(model->backdropIntensity(false), 1.0);
    EXPECT_DOUBLE_EQ(model->backdropIntensity(true), 0.0);
    EXPECT_DOUBLE_EQ(model->cardTransparency(true), 1.0);
    EXPECT_EQ(model->backupKeep(), 3);
    EXPECT_EQ(model->backupLimitText(), "") << "no limit is enforced while the key is absent";
    EXPECT_EQ(model->lightroomPathText(), "Automat");
    EXPECT_FALSE(model->notificationsAllowed());
}

TEST_F(ModelFixture, theWorkersPickerOffersAutomaticAndEvenCounts) {
    open();
    EXPECT_EQ(model->workerItemText(0), "Automat (10)");
    EXPECT_EQ(model->workerItemText(3), "6");
    EXPECT_EQ(model->workersIndex(), 0);
    model->setWorkers(8);
    EXPECT_EQ(w.defaults->intValue("workers"), 8);
    EXPECT_EQ(model->workersIndex(), 4);
    w.defaults->set("workers", 3);
    EXPECT_EQ(model->workersIndex(), -1) << "a value the picker does not offer selects nothing";
    w.defaults->set("workers", "many");
    EXPECT_EQ(model->workersIndex(), -1);
    w.machine->lowPower = true;
    EXPECT_EQ(model->workerItemText(0), "Automat (5)") << "worked out again each time";
    EXPECT_TRUE(model->performanceExplanation().startsWith(
        QString::fromUtf8("Automat: 8 nuclee de performanță + jumătate din cele 4 de eficiență, limitat de cei 16 GB")));
    EXPECT_TRUE(model->performanceExplanation().contains(QString::fromUtf8("cei 16 GB de memorie")));
}

TEST_F(ModelFixture, theBackupNoteNamesTheNumberReallyKept) {
    open();
    struct Row {
        Json stored;
        int kept;
        int stepper;
    };
    for (const Row& r : {Row{Json(), 3, 3}, Row{7, 7, 7}, Row{0, 3, 3}, Row{15, 10, 3}}) {
        if (r.stored.is_null()) w.defaults->remove("backupKeep");
        else w.defaults->set("backupKeep", r.stored);
        EXPECT_EQ(model->backupsKept(), r.kept);
        EXPECT_EQ(model->backupKeep(), r.stepper);
        EXPECT_TRUE(model->backupNote().contains(QStringLiteral("ultimele %1 per").arg(r.kept)));
    }
    model->setBackupKeep(11);
    EXPECT_EQ(w.defaults->intValue("backupKeep"), 10);
    model->setBackupKeep(0);
    EXPECT_EQ(w.defaults->intValue("backupKeep"), 1);
}

TEST_F(ModelFixture, theSizeLimitFieldStoresWhatTheHousekeepingCanUse) {
    open();
    struct Row {
        const char* typed;
        bool taken;
        std::int64_t stored;
        const char* shown;
    };
    const std::vector<Row> rows = {
        {"-5", true, 0, "0"},
        {"12", true, 12, "12"},
        {"99999999999999999999", true, SettingsModel::maxBackupLimitGB, "8589934591"},
        {"8589934592", true, SettingsModel::maxBackupLimitGB, "8589934591"},
        {"abc", false, SettingsModel::maxBackupLimitGB, "8589934591"},
        {"", false, SettingsModel::maxBackupLimitGB, "8589934591"},
    };
    QLocale::setDefault(QLocale::c());
    for (const Row& r : rows) {
        SCOPED_TRACE(r.typed);
        EXPECT_EQ(model->submitBackupLimit(QString::fromUtf8(r.typed)), r.taken);
        EXPECT_EQ(w.defaults->intValue("backupLimitGB"), r.stored);
        EXPECT_EQ(model->backupLimitText().remove(u','), QString::fromUtf8(r.shown));
    }
    w.defaults->set("backupLimitGB", -3);
    EXPECT_EQ(model->backupLimitText(), "") << "no limit is enforced";
    QLocale::setDefault(QLocale::system());
}

TEST_F(ModelFixture, theSizeLimitIsAppliedAtOnce) {
    makeBackup(3000);
    open();
    EXPECT_EQ(model->backupBytes(), 3000);
    ASSERT_TRUE(model->submitBackupLimit("0"));
    EXPECT_EQ(model->backupBytes(), 3000) << "0: no limit";
}

TEST_F(ModelFixture, deletingTheBackupsAsksFirst) {
    makeBackup(2000);
    open();
    w.dialogs.alertAnswers = {kit::CenteredAlert::firstButton + 1};  // "Anulează"
    model->deleteBackups();
    ASSERT_EQ(w.dialogs.asked.size(), 1u);
    EXPECT_EQ(w.dialogs.asked[0].message, QString::fromUtf8("Ștergi copiile de siguranță?"));
    EXPECT_TRUE(fs::exists(CatalogWriter::backupDirectory()));
    EXPECT_EQ(model->backupBytes(), 2000);
    w.dialogs.alertAnswers = {kit::CenteredAlert::firstButton};
    model->deleteBackups();
    EXPECT_FALSE(fs::exists(CatalogWriter::backupDirectory()));
    EXPECT_EQ(model->backupBytes(), 0);
    EXPECT_EQ(error(), "");
}

TEST_F(ModelFixture, revealingTheFoldersMakesTheBackupFolderFirst) {
    open();
    model->revealBackups();
    model->revealDataFolder();
    ASSERT_EQ(w.revealed.size(), 2u);
    EXPECT_EQ(w.revealed[0], CatalogWriter::backupDirectory());
    EXPECT_TRUE(fs::is_directory(CatalogWriter::backupDirectory()));
    EXPECT_EQ(w.revealed[1], Store::root());
}

TEST_F(ModelFixture, theLightroomPathIsChosenOrFoundAutomatically) {
    open();
    w.dialogs.files = {QStringList{"/opt/lightroom/Lightroom.sh"}};
    model->chooseLightroom();
    EXPECT_EQ(w.defaults->textValue("lightroomPath"), "/opt/lightroom/Lightroom.sh");
    EXPECT_EQ(model->lightroomPathText(), "/opt/lightroom/Lightroom.sh");
    model->chooseLightroom();  // cancelled
    EXPECT_EQ(w.defaults->textValue("lightroomPath"), "/opt/lightroom/Lightroom.sh");
    model->clearLightroomPath();
    EXPECT_EQ(model->lightroomPathText(), "Automat");
}

TEST_F(ModelFixture, exportWritesTheFileOrShowsWhyNot) {
    orvane::testing::TempDir dir;
    w.defaults->set("appearance", "dark");
    open();
    const fs::path file = dir.path() / "setari.json";
    w.dialogs.saveFiles = {QString::fromStdString(file.string())};
    model->exportSettings();
    ASSERT_EQ(w.dialogs.asked.size(), 1u);
    EXPECT_EQ(w.dialogs.asked[0].informative, QString::fromUtf8("Vendrel – setări.json"));
    EXPECT_EQ(readWholeFile(file), "{\n  \"appearance\": \"dark\"\n}\n");
    EXPECT_EQ(error(), "");
    w.dialogs.saveFiles = {QString::fromStdString((dir.path() / "missing" / "setari.json").string())};
    model->exportSettings();
    EXPECT_NE(error().find("Setările nu au putut fi exportate"), std::string::npos);
}

TEST_F(ModelFixture, importAppliesTheFileAndReportsWhatItCouldNotTake) {
    orvane::testing::TempDir dir;
    open();
    const auto write = [&](const char* name, const std::string& text) {
        const fs::path file = dir.path() / name;
        std::ofstream(file) << text;
        return QString::fromStdString(file.string());
    };
    w.dialogs.files = {QStringList{write("good.json", R"({"accentIndex": 1, "language": "ro"})")}};
    model->importSettings();
    EXPECT_EQ(w.defaults->intValue("accentIndex"), 1);
    EXPECT_EQ(w.defaults->value("AppleLanguages"), Json::array({"ro"}));
    EXPECT_EQ(error(), "");

    w.dialogs.files = {QStringList{write("harm.json", R"({"workers": 1000, "showBeta": true})")}};
    model->importSettings();
    EXPECT_EQ(w.defaults->boolValue("showBeta"), true);
    EXPECT_FALSE(w.defaults->value("workers"));
    EXPECT_NE(error().find("workers"), std::string::npos);
    w.app->setError(std::nullopt);

    w.dialogs.files = {QStringList{write("list.json", "[1]")}};
    model->importSettings();
    EXPECT_NE(error().find("nu conține setări"), std::string::npos);
    w.app->setError(std::nullopt);

    w.dialogs.files = {QStringList{QString::fromStdString((dir.path() / "gone.json").string())}};
    model->importSettings();
    EXPECT_NE(error().find("nu poate fi citit"), std::string::npos);
}

TEST_F(ModelFixture, theReportIsRevealedOnlyAfterItWasWritten) {
    orvane::testing::TempDir dir;
    open();
    const fs::path file = dir.path() / "raport.txt";
    w.dialogs.saveFiles = {QString::fromStdString(file.string())};
    model->saveDiagnosticReport();
    const std::string text = readWholeFile(file);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 11);
    EXPECT_EQ(w.revealed, std::vector<fs::path>{file});

    w.dialogs.saveFiles = {QString::fromStdString((dir.path() / "missing" / "raport.txt").string())};
    model->saveDiagnosticReport();
    EXPECT_EQ(w.revealed.size(), 1u) << "nothing to reveal after a failed write";
    EXPECT_NE(error().find("Raportul de diagnostic nu a putut fi salvat"), std::string::npos);

    model->saveDiagnosticReport();  // cancelled: nothing happens
    EXPECT_EQ(w.revealed.size(), 1u);
}

TEST_F(ModelFixture, resetAsksThenRemovesTheSettingsAndRestarts) {
    w.defaults->set("appearance", "dark");
    w.defaults->set("window.sizedV1", true);
    w.defaults->set("skippedUpdateVersion", "2.0.0.0");
    open();
    model->resetSettings();  // no answer scripted: "Anulează"
    EXPECT_EQ(w.defaults->textValue("appearance"), "dark");
    EXPECT_EQ(w.relaunches, 0);
    ASSERT_EQ(w.dialogs.asked.size(), 1u);
    EXPECT_EQ(w.dialogs.asked[0].message, QString::fromUtf8("Resetezi setările?"));
    w.dialogs.alertAnswers = {kit::CenteredAlert::firstButton};
    model->resetSettings();
    EXPECT_FALSE(w.defaults->value("appearance"));
    EXPECT_FALSE(w.defaults->value("window.sizedV1"));
    EXPECT_EQ(w.defaults->textValue("skippedUpdateVersion"), "2.0.0.0");
    EXPECT_EQ(w.relaunches, 1);
}

TEST_F(ModelFixture, withoutARestartServiceTheUserIsToldToRestart) {
    w.withRelaunch = false;
    open();
    model->restartNow();
    EXPECT_NE(error().find("nu poate reporni singură"), std::string::npos);
}

TEST_F(ModelFixture, theLanguageOffersARestartOnlyWhileItDiffersFromTheOpeningOne) {
    open();
    model->chooseLanguage("en");
    EXPECT_EQ(w.defaults->textValue("language"), "en");
    EXPECT_EQ(w.defaults->value("AppleLanguages"), Json::array({"en"}));
    EXPECT_TRUE(model->offersRestart());
    model->chooseLanguage("ro");
    EXPECT_FALSE(model->offersRestart());
    EXPECT_EQ(w.defaults->value("AppleLanguages"), Json::array({"ro"}));
    w.defaults->set("language", "en");
    w.defaults->remove("AppleLanguages");
    model->restartNow();
    EXPECT_EQ(w.defaults->value("AppleLanguages"), Json::array({"en"})) << "written again before restarting";
    EXPECT_EQ(w.relaunches, 1);
    // A new opening compares with the new language.
    open();
    EXPECT_EQ(model->languageAtOpen(), "en");
}

TEST_F(ModelFixture, thePermissionFollowsTheNotificationCentre) {
    open();
    using A = platform::NotificationCenter::Authorization;
    for (auto [answer, expected] : std::vector<std::pair<A, std::optional<bool>>>{
             {A::denied, false}, {A::authorized, true}, {A::provisional, true}, {A::notDetermined, std::nullopt}}) {
        w.center->answer = answer;
        model->refreshPermission();
        QCoreApplication::processEvents();
        EXPECT_EQ(model->notificationsAllowed(), expected);
    }
    w.defaults->set("notifyDone", false);
    const int asked = w.center->asked;
    model->setNotifyDone(true);
    EXPECT_EQ(w.center->asked, asked + 1) << "turning notifications on reads the permission";
    model->setNotifyDone(false);
    EXPECT_EQ(w.center->asked, asked + 1);
}

TEST_F(ModelFixture, aPermissionAnswerAfterThePageClosedChangesNothing) {
    struct LateCenter final : platform::NotificationCenter {
        std::function<void(Authorization)> pending;
        void authorization(std::function<void(Authorization)> done) override { pending = std::move(done); }
        void add(const Request&) override {}
    };
    auto late = std::make_shared<LateCenter>();
    auto services = w.services();
    services.notifications = late;
    model = std::make_unique<SettingsModel>(*w.app, &w.updater, services);
    model->refreshPermission();
    model.reset();
    late->pending(platform::NotificationCenter::Authorization::authorized);
    QCoreApplication::processEvents();  // nothing to crash on
}

TEST_F(ModelFixture, theDiskSizesArriveFromTheBackgroundWalk) {
    fs::create_directories(Store::projects() / "p");
    std::ofstream(Store::projects() / "p" / "project.json") << std::string(700, '{');
    makeBackup(300);
    open();
    EXPECT_TRUE(model->sizes().empty());
    model->computeSizes();
    EXPECT_TRUE(model->sizes().empty()) << "nothing until the walk has ended";
    w.finishWork();
    const std::vector<DiskSize> expected = {{QString::fromUtf8("Cataloage importate"), 0},
                                            {QString::fromUtf8("Copii de siguranță ale catalogului"), 300},
                                            {QString::fromUtf8("Proiecte"), 700},
                                            {QString::fromUtf8("Profiluri"), 0}};
    EXPECT_EQ(model->sizes(), expected);
    // A walk that ends after the page closed delivers nothing.
    model->computeSizes();
    model.reset();
    w.finishWork();
}

TEST_F(ModelFixture, theUpdateActionsGoToTheUpdater) {
    open();
    model->checkForUpdates();
    model->chooseUpdateFile();
    model->installReadyUpdate();
    w.updater.announce("1.4");
    model->downloadUpdate();
    model->skipUpdate();
    EXPECT_EQ(w.updater.manualChecks.size(), 1u);
    EXPECT_EQ(w.updater.fileChoices, 1);
    EXPECT_EQ(w.updater.installs, 1);
    EXPECT_EQ(w.updater.downloads, 1);
    EXPECT_EQ(w.updater.skips, 1);
    EXPECT_FALSE(w.updater.available());
}

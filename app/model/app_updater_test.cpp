#include "app/model/app_updater.h"

#include <QTest>

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <deque>
#include <map>
#include <thread>

#include "core/update/update_download.h"
#include "core/update/update_safety.h"
#include "testing/loopback_https.h"
#include "testing/temp_dir.h"
#include "testing/update_fixtures.h"
#include "testing/update_pki.h"

namespace orvane::model {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::TempDir;

constexpr const char* feedAddress = "https://updates.example/vendrel/feed.json";

// The certificates the test copy of the helper trusts.
const testing::TestPki& helperPki() {
    static const testing::TestPki p = testing::readTestPki(ORVANE_UPDATE_TEST_PKI);
    return p;
}

// An updater over fake transport: feed bodies by address, a download that writes a given file, and a
// background that runs only when the test says so.
struct Harness {
    TempDir dir;
    std::shared_ptr<FileDefaults> defaults = std::make_shared<FileDefaults>();
    std::map<std::string, std::string> feeds;
    int fetches = 0;
    std::vector<std::string> downloaded;
    std::string downloadBody = "zip bytes";
    std::optional<std::string> downloadFailure;
    std::deque<std::function<void()>> pending;
    std::vector<fs::path> revealed;
    std::vector<QString> informed;
    std::vector<std::string> events;  // flush, helper and quit, in order
    std::optional<std::string> flushFailure;
    fs::path downloads = dir / "Downloads";
    std::unique_ptr<AppUpdater> updater;

    explicit Harness(UpdateStaging::InstalledApp installed = {{}, "", "1.0", "5"},
                     std::function<void(AppUpdater::Services&)> adjust = {}) {
        fs::create_directories(downloads);
        fs::create_directories(dir / "tmp");
        AppUpdater::Services s;
        s.defaults = defaults;
        s.defaultFeed = feedAddress;
        s.installed = std::move(installed);
        s.anchors = TrustAnchors::fromPem(helperPki().rootPem);
        s.fetch = [this](const std::string& url) {
            ++fetches;
            const auto it = feeds.find(url);
            if (it == feeds.end()) throw TransportError(7, "serverul nu răspunde");
            return it->second;
        };
        s.download = [this](const std::string& url) {
            downloaded.push_back(url);
            if (downloadFailure) throw TransportError(28, *downloadFailure);
            const fs::path file = dir / ("download-" + std::to_string(downloaded.size()));
            testing::writeText(file, downloadBody);
            return file;
        };
        s.temporaryFolder = dir / "tmp";
        s.downloadsFolder = [this] { return downloads; };
        s.reveal = [this](const fs::path& p) { revealed.push_back(p); };
        s.inform = [this](const QString& title, const QString&) { informed.push_back(title); };
        s.flushJobs = [this](AppUpdater::FlushDone done) {
            events.push_back("flush");
            done(flushFailure);
        };
        s.terminate = [this] { events.push_back("quit"); };
        s.background = [this](std::function<void()> work) { pending.push_back(std::move(work)); };
        if (adjust) adjust(s);
        updater = std::make_unique<AppUpdater>(std::move(s));
    }

    // Runs the background work (and what it leads to) until nothing is left.
    void settle() {
        for (int round = 0; round < 50; ++round) {
            QCoreApplication::processEvents();
            if (pending.empty()) {
                QCoreApplication::processEvents();
                if (pending.empty()) return;
            }
            while (!pending.empty()) {
                auto work = std::move(pending.front());
                pending.pop_front();
                work();
            }
        }
    }
    void publish(const std::string& body, const std::string& at = feedAddress) { feeds[at] = body; }
    std::string status() const { return updater->status().toStdString(); }
};

std::string feed(const std::string& version, const std::string& build = "", const std::string& url = "Vendrel.zip") {
    return R"({"version":")" + version + "\"" + (build.empty() ? "" : R"(,"build":")" + build + "\"") +
           R"(,"url":")" + url + "\"}";
}

TEST(AppUpdater, QuietCheckAnnouncesOnlyANewerReleaseNotSkipped) {
    struct Case {
        const char* name;
        std::optional<std::string> body;  // none: the request fails
        std::optional<std::string> skipped;
        bool announced;
    };
    const Case cases[] = {
        {"newer version", feed("1.1"), std::nullopt, true},
        {"same version, higher build", feed("1.0", "6"), std::nullopt, true},
        {"same version, no build", feed("1.0"), std::nullopt, false},
        {"same version, lower build", feed("1.0", "4"), std::nullopt, false},
        {"older", feed("0.9", "99"), std::nullopt, false},
        {"skipped exactly", feed("1.1"), "1.1.0", false},
        {"a later build than the skipped one", feed("1.1", "2"), "1.1.0", true},
        {"numeric build", R"({"version":"1.1","build":2,"url":"x"})", std::nullopt, false},
        {"request fails", std::nullopt, std::nullopt, false},
    };
    for (const auto& c : cases) {
        Harness h;
        if (c.body) h.publish(*c.body);
        if (c.skipped) h.defaults->set(DefaultsKeys::skippedUpdateVersion, Json(*c.skipped));
        int statusChanges = 0;
        QObject::connect(h.updater.get(), &Updater::statusChanged, [&] { ++statusChanges; });
        h.updater->checkForUpdatesQuietly();
        h.settle();
        EXPECT_EQ(h.updater->available().has_value(), c.announced) << c.name;
        EXPECT_EQ(h.updater->feedURL().has_value(), c.announced) << c.name;
        EXPECT_EQ(statusChanges, 0) << c.name;
        EXPECT_FALSE(h.updater->busy()) << c.name;
    }
}

TEST(AppUpdater, QuietCheckUsesTheStoredFeedAndNeverPlainHttp) {
    Harness h;
    h.publish(feed("2.0"), "https://mine.example/feed.json");
    h.defaults->set("updateFeed", Json(" \thttps://mine.example/feed.json\t"));
    EXPECT_EQ(h.updater->feedAddress().toStdString(), "https://mine.example/feed.json");
    h.updater->checkForUpdatesQuietly();
    h.settle();
    ASSERT_TRUE(h.updater->available());
    EXPECT_EQ(h.updater->available()->version, "2.0");

    Harness plain;
    plain.defaults->set("updateFeed", Json("http://mine.example/feed.json"));
    plain.updater->checkForUpdatesQuietly();
    plain.settle();
    EXPECT_EQ(plain.fetches, 0);
    EXPECT_FALSE(plain.updater->available());
}

TEST(AppUpdater, ManualCheckSaysWhatHappened) {
    struct Case {
        const char* name;
        const char* address;
        std::optional<std::string> body;
        std::optional<std::string> downloadFailure;
        std::string status;
    };
    const std::string common = "Nu am putut verifica actualizările: ";
    const Case cases[] = {
        {"plain http", "http://updates.example/feed.json", feed("2.0"), std::nullopt,
         "Adaugă o adresă HTTPS validă de actualizări, sau alege manual un fișier."},
        {"no address", " \t", feed("2.0"), std::nullopt,
         "Adaugă o adresă HTTPS validă de actualizări, sau alege manual un fișier."},
        {"request fails", feedAddress, std::nullopt, std::nullopt, common + "serverul nu răspunde"},
        {"undecodable", feedAddress, R"({"version":"2.0","build":3,"url":"x"})", std::nullopt,
         common + "Cheia „build” din documentul de actualizări nu este un text."},
        {"not newer", feedAddress, feed("1.0", "5"), std::nullopt, "Ai deja ultima versiune (1.0)."},
        {"address does not resolve", feedAddress, feed("2.0", "", "https://"), std::nullopt,
         "Adresa de descărcare nu e validă."},
        {"download fails", feedAddress, feed("2.0"), "timpul a expirat", common + "timpul a expirat"},
        {"manual road", feedAddress, feed("2.0"), std::nullopt,
         AppUpdater::manualInstallStatus("2.0").toStdString()},
    };
    for (const auto& c : cases) {
        Harness h;
        if (c.body) h.publish(*c.body);
        h.downloadFailure = c.downloadFailure;
        h.defaults->set(DefaultsKeys::skippedUpdateVersion, Json("2.0.0"));
        h.updater->checkForUpdatesNow(QString::fromUtf8(c.address));
        h.settle();
        EXPECT_EQ(h.status(), c.status) << c.name;
        EXPECT_FALSE(h.updater->busy()) << c.name;
        EXPECT_FALSE(h.defaults->value(DefaultsKeys::skippedUpdateVersion)) << c.name << ": the skip is forgotten";
    }
}

TEST(AppUpdater, TheManualRoadSavesUnderACleanNameAndOnlyRevealsIt) {
    Harness h;
    h.publish(feed("2.0", "", "../..%2F.bashrc"));
    testing::writeText(h.downloads / "Vendrel-2.0.zip", "an older download");
    h.updater->checkForUpdatesQuietly();
    h.settle();
    ASSERT_TRUE(h.updater->available());
    h.updater->downloadAvailableUpdate();
    EXPECT_TRUE(h.updater->busy());
    EXPECT_EQ(h.status(), "Se descarcă versiunea 2.0…");
    h.settle();
    ASSERT_EQ(h.revealed.size(), 1u);
    EXPECT_EQ(h.revealed[0], h.downloads / "Vendrel-2.0 (2).zip");
    EXPECT_EQ(testing::readText(h.revealed[0]), "zip bytes");
    EXPECT_EQ(testing::readText(h.downloads / "Vendrel-2.0.zip"), "an older download");
    ASSERT_EQ(h.informed.size(), 1u);
    EXPECT_EQ(h.informed[0].toStdString(), "Versiunea 2.0 a fost descărcată");
    EXPECT_FALSE(h.updater->available()) << "the announced version was taken";
    EXPECT_FALSE(h.updater->busy());
}

TEST(AppUpdater, SkipStoresTheReleaseKey) {
    for (const auto& [build, key] : std::vector<std::pair<std::string, std::string>>{{"", "1.5.0.0"}, {"57", "1.5.0.57"}}) {
        Harness h;
        h.publish(feed("1.5.0", build));
        h.updater->checkForUpdatesQuietly();
        h.settle();
        ASSERT_TRUE(h.updater->available());
        h.updater->skipAvailableVersion();
        EXPECT_FALSE(h.updater->available());
        EXPECT_EQ(h.defaults->textValue(DefaultsKeys::skippedUpdateVersion), key);
        h.updater->checkForUpdatesQuietly();
        h.settle();
        EXPECT_FALSE(h.updater->available()) << "the skipped release is not announced again";
    }
}

TEST(AppUpdater, BusyAndInstallingExcludeEachOther) {
    Harness h;
    h.publish(feed("2.0"));
    h.updater->checkForUpdatesQuietly();
    h.settle();
    // A double click: one download.
    h.updater->downloadAvailableUpdate();
    h.updater->downloadAvailableUpdate();
    h.updater->checkForUpdatesNow(feedAddress);
    EXPECT_EQ(h.pending.size(), 1u);
    // A skip during the download takes effect at once; the download goes on.
    h.updater->skipAvailableVersion();
    EXPECT_FALSE(h.updater->available());
    EXPECT_EQ(h.defaults->textValue(DefaultsKeys::skippedUpdateVersion), "2.0.0");
    h.settle();
    EXPECT_EQ(h.downloaded.size(), 1u);
    EXPECT_EQ(h.fetches, 1) << "the manual check during the download did nothing";
    EXPECT_FALSE(h.updater->busy());

    // Without an announcement, a download does nothing; an unresolvable address says so.
    Harness bad;
    bad.publish(feed("2.0", "", "https://"));
    bad.updater->checkForUpdatesQuietly();
    bad.settle();
    ASSERT_TRUE(bad.updater->available());
    bad.updater->downloadAvailableUpdate();
    EXPECT_EQ(bad.status(), "Adresa de descărcare nu e validă.");
    EXPECT_FALSE(bad.updater->busy());
    EXPECT_TRUE(bad.downloaded.empty());
}

// The signed road, with an installed folder signed by the test team.
class SignedUpdater : public ::testing::Test {
protected:
    TempDir dir;
    fs::path apps = dir / "apps";
    fs::path installedFolder = apps / "Vendrel.app";
    fs::path marker = dir / "started.txt";

    SignedUpdater() { testing::makeAppFolder(installedFolder, helperPki().team, "1.0+5", marker); }

    UpdateStaging::InstalledApp installed() const { return {installedFolder, testing::testAppIdentifier, "1.0", "5"}; }

    std::string releaseZip(const std::string& version, const std::string& tail = "exec sleep 5") {
        const fs::path built = dir / "release" / "Vendrel.app";
        testing::makeAppFolder(built, helperPki().team, version, marker, tail);
        const fs::path zip = dir / "release.zip";
        testing::writeZip(zip, testing::entriesOf(built));
        return testing::readText(zip);
    }
    std::string versionAt(const fs::path& folder) const { return testing::versionAt(folder); }
};

TEST_F(SignedUpdater, ManualCheckStagesAndWaitsForTheInstallButton) {
    Harness h(installed(), [&](AppUpdater::Services& s) { s.helper = dir / "no-such-helper"; });
    h.publish(feed("1.1", "7"));
    h.downloadBody = releaseZip("1.1+7");
    h.updater->checkForUpdatesNow(feedAddress);
    h.settle();
    EXPECT_EQ(h.status(), "Versiunea 1.1 (7) este pregătită pentru instalare.");
    ASSERT_TRUE(h.updater->readyToInstall());
    EXPECT_EQ(versionAt(*h.updater->readyToInstall()), "1.1+7");
    EXPECT_TRUE(h.events.empty()) << "nothing installs before the button";
    EXPECT_FALSE(fs::exists(dir / "download-1")) << "the download is removed after staging";
    EXPECT_TRUE(fs::is_empty(h.dir / "tmp"));

    // The install button: jobs first, then the helper, which is missing here.
    h.updater->installReadyUpdate();
    EXPECT_TRUE(h.updater->installing());
    h.updater->installReadyUpdate();
    h.settle();
    EXPECT_EQ(h.events, std::vector<std::string>{"flush"});
    EXPECT_TRUE(h.status().starts_with("Actualizarea nu a fost instalată: Programul de actualizare nu poate porni"))
        << h.status();
    EXPECT_FALSE(h.updater->installing());
    EXPECT_TRUE(h.updater->readyToInstall()) << "kept for another try";
}

TEST_F(SignedUpdater, HandOverRefusesATamperedFolderAndAFailedFlush) {
    Harness h(installed(), [&](AppUpdater::Services& s) { s.helper = "/bin/true"; });
    h.publish(feed("1.1"));
    h.downloadBody = releaseZip("1.1");
    h.updater->checkForUpdatesNow(feedAddress);
    h.settle();
    ASSERT_TRUE(h.updater->readyToInstall());

    h.flushFailure = "Proiectul „Nuntă” nu a putut fi salvat.";
    h.updater->installReadyUpdate();
    h.settle();
    EXPECT_EQ(h.status(), "Actualizarea nu a fost instalată: Proiectul „Nuntă” nu a putut fi salvat.");
    EXPECT_EQ(h.events, std::vector<std::string>{"flush"});

    h.flushFailure.reset();
    testing::writeText(*h.updater->readyToInstall() / "Contents/Resources/version.txt", "changed");
    h.updater->installReadyUpdate();
    h.settle();
    EXPECT_EQ(h.status(), "Actualizarea nu a fost instalată: " +
                              std::string(UpdateSafety::description(UpdateSafety::Failure::untrustedSigner)));
    EXPECT_EQ(h.events, (std::vector<std::string>{"flush", "flush"})) << "no quit";
    EXPECT_FALSE(h.updater->installing());
}

TEST_F(SignedUpdater, StagingRefusalsAreCommonFailures) {
    Harness h(installed());
    h.publish(feed("1.1"));
    h.downloadBody = "not a zip";
    h.updater->checkForUpdatesNow(feedAddress);
    h.settle();
    EXPECT_EQ(h.status(), "Nu am putut verifica actualizările: Arhiva actualizării nu poate fi folosită.");

    h.publish(feed("1.0", "5"));
    h.updater->checkForUpdatesNow(feedAddress);
    h.settle();
    EXPECT_EQ(h.status(), "Ai deja ultima versiune (1.0).");

    // A release whose feed says newer but whose folder is not.
    h.publish(feed("1.1"));
    h.downloadBody = releaseZip("1.0+5");
    h.updater->checkForUpdatesNow(feedAddress);
    h.settle();
    EXPECT_EQ(h.status(), "Versiunea 1.0 (5) nu e mai nouă decât cea instalată.");
    EXPECT_FALSE(h.updater->readyToInstall());
    std::vector<std::string> beside;
    for (const auto& e : fs::directory_iterator(apps)) beside.push_back(e.path().filename().string());
    EXPECT_EQ(beside, std::vector<std::string>{"Vendrel.app"});
}

TEST_F(SignedUpdater, AnEarlierFailureIsShownOnceAndStaleCopiesGo) {
    const std::string stale = std::string(UpdateStaging::stagedPrefix) + "11111111-1111-4111-8111-111111111111";
    fs::create_directories(apps / (stale + ".app"));
    testing::writeText(apps / (stale + ".update-error.txt"), "Actualizarea nu a reușit: semnătura\n");
    std::vector<std::string> reported;
    Harness h(installed(), [&](AppUpdater::Services& s) {
        s.reportError = [&](const std::string& e) { reported.push_back(e); };
    });
    h.updater->cleanUpEarlierUpdates();
    h.settle();
    EXPECT_EQ(reported, std::vector<std::string>{"Actualizarea nu a reușit: semnătura"});
    EXPECT_FALSE(fs::exists(apps / (stale + ".app")));
    EXPECT_FALSE(fs::exists(apps / (stale + ".update-error.txt")));
    h.updater->cleanUpEarlierUpdates();
    h.settle();
    EXPECT_EQ(reported.size(), 1u);
}

TEST(AppUpdater, AutoCheckSetting) {
    FileDefaults d;
    EXPECT_TRUE(autoUpdateCheckEnabled(d));
    d.set("autoUpdateCheck", Json("false"));
    EXPECT_TRUE(autoUpdateCheckEnabled(d)) << "only a stored Boolean false turns it off";
    d.set("autoUpdateCheck", Json(false));
    EXPECT_FALSE(autoUpdateCheckEnabled(d));
}

// The whole road over loopback HTTPS: feed, download, staging, the real helper, the new version running.
class LoopbackRoad : public SignedUpdater {
protected:
    std::string zip;
    testing::LoopbackServer server{[this](const std::string& path, const testing::LoopbackServer::Send& send,
                                          const std::atomic<bool>&) {
        if (path == "/feed.json")
            send(testing::httpAnswer(200, feed("1.1", "7", "releases/Vendrel-1.1.zip")));
        else if (path == "/releases/Vendrel-1.1.zip")
            send(testing::httpAnswer(200, zip));
        else
            send(testing::httpAnswer(404, ""));
    }};
    pid_t app = -1;

    ~LoopbackRoad() override {
        if (app > 0) {
            ::kill(app, SIGKILL);
            ::waitpid(app, nullptr, 0);
        }
    }

    // Runs the updater with the real client and helper; `terminate` ends the stand-in application.
    void run() {
        testing::writeText(dir / "root.pem", testing::testPki().rootPem);
        app = ::fork();
        if (app == 0) {
            ::execl("/bin/sleep", "sleep", "30", nullptr);
            ::_exit(127);
        }
        UpdateDownload::Options o;
        o.caFile = dir / "root.pem";
        o.temporaryFolder = dir / "downloads";
        fs::create_directories(o.temporaryFolder);
        fs::create_directories(dir / "tmp");
        AppUpdater::Services s;
        s.defaults = std::make_shared<FileDefaults>();
        s.defaultFeed = server.url("/feed.json");
        s.installed = installed();
        s.anchors = TrustAnchors::fromPem(helperPki().rootPem);
        s.fetch = [o](const std::string& url) { return UpdateDownload(o).data(url); };
        s.download = [o](const std::string& url) { return UpdateDownload(o).download(url); };
        s.temporaryFolder = dir / "tmp";
        s.processId = app;
        s.helper = ORVANE_UPDATE_HELPER;
        bool quit = false;
        s.terminate = [&] {
            quit = true;
            ::kill(app, SIGTERM);
            ::waitpid(app, nullptr, 0);
            app = -1;
        };
        AppUpdater updater(std::move(s));
        updater.checkForUpdatesQuietly();
        ASSERT_TRUE(QTest::qWaitFor([&] { return updater.available().has_value(); }, 20000));
        updater.downloadAvailableUpdate();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !updater.busy() && !updater.installing(); }, 30000));
        EXPECT_TRUE(quit) << updater.status().toStdString();
        EXPECT_FALSE(updater.readyToInstall());
    }

    std::string started(std::size_t lines) const { return testing::markerLines(marker, lines); }
    std::optional<fs::path> previous() const {
        for (const auto& e : fs::directory_iterator(apps))
            if (UpdateStaging::isStagedName(e.path().filename().string())) return e.path();
        return std::nullopt;
    }
};

TEST_F(LoopbackRoad, EndsWithTheNewVersionRunningAndTheOldOneKept) {
    zip = releaseZip("1.1+7");
    run();
    EXPECT_EQ(started(1), "1.1+7\n");
    // The helper has swapped: the new version is installed, the old one kept as the rollback copy.
    ASSERT_TRUE(QTest::qWaitFor([&] { return versionAt(installedFolder) == "1.1+7"; }, 10000));
    const auto old = previous();
    ASSERT_TRUE(old);
    EXPECT_EQ(versionAt(*old), "1.0+5");
}

TEST_F(LoopbackRoad, AVersionThatExitsAtOnceIsRolledBack) {
    zip = releaseZip("1.1+7", "exit 3");
    run();
    // The new version ran and failed; the helper swapped back and started the old one again.
    EXPECT_EQ(started(2), "1.1+7\n1.0+5\n");
    EXPECT_EQ(versionAt(installedFolder), "1.0+5");
    const auto staged = previous();
    ASSERT_TRUE(staged);
    EXPECT_EQ(versionAt(*staged), "1.1+7");
    auto errorFile = *staged;
    errorFile.replace_extension("update-error.txt");
    EXPECT_TRUE(QTest::qWaitFor([&] { return fs::exists(errorFile); }, 10000));
}

}  // namespace
}  // namespace orvane::model

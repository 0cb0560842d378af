#include <gtest/gtest.h>

#include <fstream>

#include "app/model/app_model.h"
#include <QProcess>

#include <thread>

#include "core/catalog/catalog_backups.h"
#include "core/catalog/catalog_writer.h"
#include "core/catalog/sqlite.h"
#include "testing/catalog_builder.h"
#include "testing/catalog_project.h"
#include "testing/dng_writer.h"
#include "testing/job_fixtures.h"
#include "testing/romanian_locale.h"
#include "testing/temp_dir.h"

using namespace orvane;
using namespace orvane::model;
using namespace orvane::testing;
using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Instance = platform::LightroomHost::Instance;

namespace {

// Lightroom as the road sees it: instances that quit after `quitAfter` checks (never when negative).
struct FakeHost final : platform::LightroomHost {
    std::vector<Instance> instances;
    int quitAfter = 0;
    mutable int checks = 0;
    int quitRequests = 0;
    std::vector<std::optional<fs::path>> opened;
    bool quitAsked = false;

    std::optional<fs::path> locate() const override { return fs::path("/opt/lightroom/Lightroom"); }
    void open(const std::optional<fs::path>& catalog) override { opened.push_back(catalog); }
    std::vector<Instance> runningInstances() const override { return quitAsked && quitAfter >= 0 ? std::vector<Instance>{} : instances; }
    std::optional<Instance> lockHolder(const fs::path&) const override { return std::nullopt; }
    void requestQuit(const Instance&) override {
        ++quitRequests;
        quitAsked = true;
    }
    bool terminated(const Instance&) const override {
        ++checks;
        return quitAfter >= 0 && checks > quitAfter;
    }
};

struct DeliveryHarness {
    std::shared_ptr<ManualExecutor> main = std::make_shared<ManualExecutor>();
    std::shared_ptr<FileDefaults> defaults = std::make_shared<FileDefaults>();
    std::unique_ptr<AppModel> model;
    std::shared_ptr<FakeHost> host = std::make_shared<FakeHost>();
    std::vector<std::string> questions;
    std::vector<bool> answers;  // taken in order; a question beyond them is declined
    std::vector<std::chrono::nanoseconds> pauses;
    std::function<void()> onPause;  // runs at each pause, before the road resumes
    TempDir dir;
    fs::path catalog = dir / "Nuntă.lrcat";
    Profile profile;

    DeliveryHarness() {
        freshDataDir();
        model = std::make_unique<AppModel>(main, defaults, nullptr);
        AppModel::DeliveryServices services;
        services.host = host;
        services.confirm = [this](const std::string& title, const std::string&, const std::string&) {
            const std::size_t i = questions.size();
            questions.push_back(title);
            return i < answers.size() && answers[i];
        };
        services.sleep = [this](std::chrono::nanoseconds d, std::function<void()> resume) {
            pauses.push_back(d);
            if (onPause) onPause();
            main->post(std::move(resume));
        };
        model->setDeliveryServices(std::move(services));
        profile.id = Uuid::random();
        profile.name = "Nunți";
        profile.presetName = "Neutru";
        profile.save();
        model->reload();
        std::ofstream(catalog) << "catalog";
    }

    std::shared_ptr<Job> job(int done = 2) {
        Project p = projectWith(0, done);
        p.profileID = profile.id;
        p.catalogPath = catalog.string();
        auto j = Job::make(main, std::move(p), 1, false, Job::FileProcess(resultFor));
        model->registerJob(j);
        return j;
    }

    // Runs the delivery to its end; true when `done` was called.
    bool deliver(const std::shared_ptr<Job>& j, std::optional<LightroomExportResult>& result) {
        bool called = false;
        model->exportToLightroom(j, true, [&](std::optional<LightroomExportResult> r) {
            called = true;
            result = std::move(r);
        });
        main->runUntil([&] { return called; }, 20s, false);
        return called;
    }
    void lock() { std::ofstream(catalog.string() + ".lock") << ""; }
    void unlock() { fs::remove(catalog.string() + ".lock"); }
};

}  // namespace

TEST(Delivery, summaryLinesPrintCountsAndOneDecimalWithAPointUnderTheRomanianLocale) {
    RomanianLocale ro;
    using C = LightroomExportResult::Catalog;
    using X = LightroomExportResult::Xmp;
    const std::vector<std::pair<LightroomExportResult, std::string>> cases = {
        {{C{120, 3, 4.26}},
         "120 fotografii scrise în catalog, 3 negăsite în catalog în 4.3 s. Copie de siguranță făcută (Setări → "
         "Copii de siguranță)."},
        {{C{5, 0, 12}}, "5 fotografii scrise în catalog în 12.0 s. Copie de siguranță făcută (Setări → Copii de siguranță)."},
        {{X{10, 5, 2, 1.04}}, "10 XMP noi, 5 actualizate, 2 backup-uri în 1.0 s."},
        {{X{10, 0, 0, 2.25}}, "10 XMP-uri scrise în 2.2 s."},
        {{X{0, 4, 1, 0.3}}, "4 XMP-uri actualizate, 1 backup-uri în 0.3 s."},
        {{X{0, 0, 0, 0.3}}, "0 XMP-uri actualizate în 0.3 s."},
        {{X{1234, 0, 0, 1234.56}}, "1234 XMP-uri scrise în 1234.6 s."},
    };
    for (const auto& [result, text] : cases) EXPECT_EQ(exportSummaryText(result), text);
}

TEST(Delivery, stopsOfTheCatalogRoadPublishTheirTextAndReopenOnlyAfterTheQuestions) {
    struct Case {
        const char* name;
        bool running;
        int quitAfter;
        std::vector<bool> answers;
        bool deleteProfile;
        bool deleteCatalog;
        bool staleLock;
        std::string error;  // "" : nothing published; "CATALOG": the missing-catalog text
        std::vector<std::string> questions;
        std::size_t pauses;
        bool reopened;
    };
    const std::vector<Case> cases = {
        {"profile gone", true, 0, {}, true, false, false, "Profilul proiectului nu mai există.", {}, 0, false},
        {"catalog gone", true, 0, {}, false, true, false, "CATALOG", {}, 0, false},
        {"quit declined", true, 0, {false}, false, false, false, "", {"Închid Lightroom?"}, 0, false},
        {"never quits", true, -1, {true}, false, false, false,
         "Lightroom nu s-a închis. Închide-l manual și încearcă din nou.", {"Închid Lightroom?"}, 180, false},
        {"stale lock declined", false, 0, {false}, false, false, true, "", {"Catalogul pare blocat"}, 20, false},
        // The profile has no preset file: the read fails after the waits and Lightroom is reopened.
        {"preset unreadable", true, 2, {true}, false, false, false, "?", {"Închid Lightroom?"}, 2, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DeliveryHarness h;
        h.defaults->set("reopenLightroom", Json(false));
        if (c.running) h.host->instances = {{100, 1}};
        h.host->quitAfter = c.quitAfter;
        h.answers = c.answers;
        auto j = h.job();
        if (c.deleteProfile) {
            fs::remove_all(h.profile.dir());
            h.model->reload();
        }
        if (c.deleteCatalog) fs::remove(h.catalog);
        if (c.staleLock) h.lock();
        std::optional<LightroomExportResult> result;
        ASSERT_TRUE(h.deliver(j, result));
        EXPECT_FALSE(result);
        const std::string expected =
            c.error == "CATALOG" ? "Catalogul nu mai există la locul lui: " + h.catalog.string() : c.error;
        if (c.error == "?") {
            EXPECT_TRUE(h.model->error());
        } else {
            EXPECT_EQ(h.model->error().value_or(""), expected);
        }
        EXPECT_EQ(h.questions, c.questions);
        EXPECT_EQ(h.pauses.size(), c.pauses);
        for (auto p : h.pauses) EXPECT_EQ(p, 500ms);
        EXPECT_EQ(h.host->opened.size(), c.reopened ? 1u : 0u);
        if (c.reopened) {
            EXPECT_EQ(h.host->opened[0], h.catalog);
        }
        EXPECT_FALSE(j->project().exportedAt);
        EXPECT_FALSE(j->isDelivering());
    }
}

TEST(Delivery, lockWaitPausesOnlyWhileTheLockIsThere) {
    struct Case {
        int unlockAfter;  // pauses after which the lock goes; -1 never, 0 no lock at all
        std::size_t pauses;
    };
    for (const auto& c : std::vector<Case>{{0, 0}, {6, 6}}) {
        DeliveryHarness h;
        if (c.unlockAfter != 0) h.lock();
        h.onPause = [&] {
            if (static_cast<int>(h.pauses.size()) == c.unlockAfter) h.unlock();
        };
        auto j = h.job();
        std::optional<LightroomExportResult> result;
        ASSERT_TRUE(h.deliver(j, result));
        EXPECT_EQ(h.pauses.size(), c.pauses);
        EXPECT_TRUE(h.questions.empty());
    }
}

TEST(Delivery, aSecondDeliveryWhileOneRunsEndsAtOnceAndEditsWait) {
    DeliveryHarness h;
    h.host->instances = {{100, 1}};
    h.host->quitAfter = 3;
    h.answers = {true};
    auto j = h.job();
    bool firstEnded = false;
    h.model->exportToLightroom(j, true, [&](auto) { firstEnded = true; });
    EXPECT_EQ(j->extraStatus(), "Se închide Lightroom…");
    EXPECT_EQ(j->extraProgress(), 0.02);
    bool secondEnded = false;
    std::optional<LightroomExportResult> second{LightroomExportResult{LightroomExportResult::Catalog{}}};
    h.model->exportToLightroom(j, true, [&](auto r) {
        secondEnded = true;
        second = r;
    });
    EXPECT_TRUE(secondEnded);
    EXPECT_FALSE(second);
    j->setTeethAmount(40);
    EXPECT_FALSE(j->project().teethAmount);
    h.main->runUntil([&] { return firstEnded; }, 20s, false);
    EXPECT_FALSE(j->isDelivering());
    j->setTeethAmount(40);
    EXPECT_EQ(j->project().teethAmount, 40);
}

TEST(Delivery, aProjectWithoutDonePhotosDeliversNothing) {
    DeliveryHarness h;
    auto j = h.job(0);
    std::optional<LightroomExportResult> result;
    ASSERT_TRUE(h.deliver(j, result));
    EXPECT_FALSE(result);
    EXPECT_EQ(h.model->error(), "Nu există fotografii editate de exportat.");
    EXPECT_TRUE(h.questions.empty());
    EXPECT_FALSE(j->project().exportedAt);
}

#ifdef FAKE_LIGHTROOM_EXE
namespace {
bool waitFor(const std::function<bool()>& ok) {
    for (int i = 0; i < 500; ++i) {
        if (ok()) return true;
        std::this_thread::sleep_for(10ms);
    }
    return ok();
}
}  // namespace

// A catalog of `photos` done photos, the stand-in Lightroom as "lightroomPath" and a model whose
// every question is answered yes; the delivery's services use the real Linux host.
struct RealRoad {
    TempDir dir;
    fs::path exe = dir / "Lightroom";
    fs::path catalog = dir / "Nunta.lrcat";
    Project project = projectWith(0, 0);
    std::shared_ptr<ManualExecutor> main = std::make_shared<ManualExecutor>();
    std::shared_ptr<FileDefaults> defaults;
    std::unique_ptr<AppModel> model;
    std::shared_ptr<platform::LightroomHost> host;
    std::vector<std::string> questions;
    int pauses = 0;

    explicit RealRoad(int photos) {
        freshDataDir();
        setUserDefaults(std::make_shared<FileDefaults>());
        fs::copy_file(FAKE_LIGHTROOM_EXE, exe);
        project = catalogProject(catalog, photos);
        defaults = std::make_shared<FileDefaults>(dir / "defaults.json");
        defaults->set("lightroomPath", Json(exe.string()));
        model = std::make_unique<AppModel>(main, defaults, nullptr);
        Profile profile;
        profile.id = Uuid::random();
        profile.name = "Nunți";
        profile.presetName = "Neutru";
        profile.save();
        fs::copy_file(model->neutralPresetURL(), profile.preset());
        model->reload();
        project.profileID = profile.id;
        project.catalogPath = catalog.string();
        host = platform::makeLinuxLightroomHost(defaults);
    }
    ~RealRoad() { CatalogWriter::drainBackups(); }

    // `pause` is the sleeper's own work; the pauses are counted here.
    std::shared_ptr<Job> job(std::function<void(std::chrono::nanoseconds, std::function<void()>)> pause) {
        AppModel::DeliveryServices services;
        services.host = host;
        services.confirm = [this](const std::string& title, const std::string&, const std::string&) {
            questions.push_back(title);
            return true;
        };
        services.sleep = [this, pause](std::chrono::nanoseconds d, std::function<void()> resume) {
            ++pauses;
            pause(d, std::move(resume));
        };
        model->setDeliveryServices(std::move(services));
        auto j = Job::make(main, project, 1, false, Job::FileProcess(resultFor));
        model->registerJob(j);
        return j;
    }
    std::optional<LightroomExportResult> deliver(const std::shared_ptr<Job>& j, bool moveClock) {
        std::optional<LightroomExportResult> result;
        bool ended = false;
        model->exportToLightroom(j, true, [&](std::optional<LightroomExportResult> r) {
            ended = true;
            result = std::move(r);
        });
        EXPECT_TRUE(main->runUntil([&] { return ended; }, 30s, moveClock));
        return result;
    }
};

// The whole road with a real process: the stand-in holds the lock, is quit, the catalog is written
// and the stand-in is started again on it.
TEST(Delivery, theRealRoadQuitsWaitsWritesReopensAndMarksTheProjectExported) {
    RealRoad r(3);
    const auto before = settingsTexts(r.catalog);
    r.host->open(r.catalog);
    ASSERT_TRUE(waitFor([&] { return CatalogWriter::isLocked(r.catalog) && r.host->runningInstances().size() == 1; }));
    auto job = r.job([&](std::chrono::nanoseconds, std::function<void()> resume) {
        std::this_thread::sleep_for(20ms);  // the stand-in ends in real time
        r.main->post(std::move(resume));
    });
    std::vector<std::pair<std::string, double>> statuses;
    job->observe([&](Job::Property changed) {
        if (changed == Job::Property::extraProgress && job->extraStatus())
            statuses.emplace_back(*job->extraStatus(), job->extraProgress().value_or(-1));
    });

    const auto result = r.deliver(job, false);
    EXPECT_EQ(r.model->error(), std::nullopt);
    ASSERT_TRUE(result);
    const auto& written = std::get<LightroomExportResult::Catalog>(result->value);
    EXPECT_EQ(written.written, 3);
    EXPECT_EQ(written.notFound, 0);
    EXPECT_EQ(r.questions, std::vector<std::string>{"Închid Lightroom?"});
    EXPECT_EQ(job->extraStatus(), "Se redeschide Lightroom…");
    // Quitting first, then the core's reports in the order made, then the reopening.
    ASSERT_GE(statuses.size(), 4u);
    EXPECT_EQ(statuses.front(), std::make_pair(std::string("Se închide Lightroom…"), 0.02));
    EXPECT_EQ(statuses[1].first, "Se pregătesc setările fotografiilor…");
    EXPECT_EQ(statuses.back(), std::make_pair(std::string("Se redeschide Lightroom…"), 0.98));
    EXPECT_TRUE(std::is_sorted(statuses.begin(), statuses.end(),
                               [](const auto& a, const auto& b) { return a.second < b.second; }));
    EXPECT_TRUE(job->project().exportedAt);
    const auto after = settingsTexts(r.catalog);
    ASSERT_EQ(after.size(), 3u);
    for (std::size_t i = 0; i < after.size(); ++i) EXPECT_NE(after[i], before[i]);

    // Reopened on the catalog: the stand-in holds the lock again; then it is sent away.
    EXPECT_TRUE(waitFor([&] { return CatalogWriter::isLocked(r.catalog) && r.host->runningInstances().size() == 1; }));
    bool quit = false;
    platform::quitLightroom(
        r.host,
        [](std::chrono::nanoseconds, std::function<void()> resume) {
            std::this_thread::sleep_for(20ms);
            resume();
        },
        [&](bool ok) { quit = ok; });
    EXPECT_TRUE(quit);
}

// Lightroom that the host cannot find by itself (no configured program, not under its Windows name)
// but whose lock names it, running: the road asks to quit it rather than calling the lock stale.
TEST(Delivery, aLockNamingALiveProcessIsAskedToQuitNotCalledStale) {
    RealRoad r(1);
    r.defaults->set("lightroomPath", Json(""));
    QProcess lightroom;
    lightroom.start(QString::fromStdString(r.exe.string()), {QString::fromStdString(r.catalog.string())});
    ASSERT_TRUE(lightroom.waitForStarted(5000));
    ASSERT_TRUE(waitFor([&] { return r.host->lockHolder(r.catalog).has_value(); }));
    EXPECT_TRUE(r.host->runningInstances().empty()) << "found only through the lock";
    EXPECT_EQ(r.host->lockHolder(r.catalog)->pid, int(lightroom.processId()));
    auto job = r.job([&](std::chrono::nanoseconds, std::function<void()> resume) {
        std::this_thread::sleep_for(20ms);  // the stand-in ends in real time
        r.main->post(std::move(resume));
    });

    const auto result = r.deliver(job, false);
    EXPECT_EQ(r.questions, std::vector<std::string>{"Închid Lightroom?"});
    ASSERT_TRUE(result) << r.model->error().value_or("");
    EXPECT_EQ(std::get<LightroomExportResult::Catalog>(result->value).written, 1);
    EXPECT_TRUE(lightroom.waitForFinished(5000)) << "it was asked to quit";
    EXPECT_FALSE(CatalogWriter::isLocked(r.catalog));

    // Declining the question leaves the catalog alone: it is never written under a live lock.
    QProcess again;
    again.start(QString::fromStdString(r.exe.string()), {QString::fromStdString(r.catalog.string())});
    ASSERT_TRUE(again.waitForStarted(5000));
    ASSERT_TRUE(waitFor([&] { return r.host->lockHolder(r.catalog).has_value(); }));
    const auto before = settingsTexts(r.catalog);
    r.questions.clear();
    AppModel::DeliveryServices declining;
    declining.host = r.host;
    declining.confirm = [&](const std::string& title, const std::string&, const std::string&) {
        r.questions.push_back(title);
        return false;
    };
    declining.sleep = [&](std::chrono::nanoseconds, std::function<void()> resume) { r.main->post(std::move(resume)); };
    r.model->setDeliveryServices(std::move(declining));
    EXPECT_FALSE(r.deliver(job, false));
    EXPECT_EQ(r.questions, std::vector<std::string>{"Închid Lightroom?"});
    EXPECT_EQ(settingsTexts(r.catalog), before);
    again.terminate();
    again.waitForFinished(5000);
}

// A lock left by a Lightroom that was killed: after the full wait the user is asked, and "Continuă"
// writes over it. The waits (10 s on the model's clock) are not counted in the seconds.
TEST(Delivery, aStaleLockIsWrittenOverAfterTheQuestionAndTheWaitIsNotTimed) {
    RealRoad r(1);
    r.defaults->set("reopenLightroom", Json(false));
    QProcess::execute(QString::fromStdString(r.exe.string()), {"--stale", QString::fromStdString(r.catalog.string())});
    ASSERT_TRUE(CatalogWriter::isLocked(r.catalog));
    ASSERT_TRUE(r.host->runningInstances().empty());
    auto job = r.job([&](std::chrono::nanoseconds d, std::function<void()> resume) {
        r.main->postAfter(d, std::move(resume));
    });

    const auto start = r.main->now();
    const auto result = r.deliver(job, true);
    ASSERT_TRUE(result) << r.model->error().value_or("");
    EXPECT_EQ(r.pauses, 20);
    EXPECT_EQ(r.questions, std::vector<std::string>{"Catalogul pare blocat"});
    EXPECT_EQ(std::get<LightroomExportResult::Catalog>(result->value).written, 1);
    // The clock also jumps to unrelated timers while the write runs; the ten seconds of waits are
    // what the result must leave out.
    const double elapsed = std::chrono::duration<double>(r.main->now() - start).count();
    EXPECT_GE(elapsed, 10.0);
    EXPECT_LE(std::get<LightroomExportResult::Catalog>(result->value).seconds, elapsed - 10.0);
    // "reopenLightroom" is off: nothing was started.
    EXPECT_TRUE(r.host->runningInstances().empty());
}
#endif

// The sidecar road: the first export sets the export folder; existing sidecars are merged after the
// question, or without one when the caller asks for none.
TEST(Delivery, sidecarsGoBesideThePhotosAndExistingOnesAreMergedAfterTheQuestion) {
    DeliveryHarness h;
    fs::copy_file(h.model->neutralPresetURL(), h.profile.preset());
    const fs::path folder = h.dir / "Nunta";
    Project p;
    p.name = "Nuntă";
    p.folder = folder.string();
    p.profileID = h.profile.id;
    for (int i = 0; i < 12; ++i) {
        const fs::path file = folder / ("IMG_" + std::to_string(i) + ".dng");
        writeDng(file, DngSpec{});
        PhotoItem item(file.string());
        item.status = PhotoItem::Status::done;
        item.exposure = 0.2;
        item.temperature = 5200;
        p.photos.push_back(item);
    }
    auto j = Job::make(h.main, std::move(p), 1, false, Job::FileProcess(resultFor));
    h.model->registerJob(j);

    std::optional<LightroomExportResult> result;
    ASSERT_TRUE(h.deliver(j, result));
    ASSERT_TRUE(result) << h.model->error().value_or("");
    EXPECT_EQ(j->project().exportFolder, folder.string());
    EXPECT_TRUE(h.questions.empty());
    const auto first = std::get<LightroomExportResult::Xmp>(result->value);
    EXPECT_EQ(first.created, 12);
    EXPECT_EQ(first.updated, 0);
    EXPECT_TRUE(j->project().exportedAt);
    EXPECT_TRUE(h.host->opened.empty());

    h.answers = {false};
    ASSERT_TRUE(h.deliver(j, result));
    EXPECT_FALSE(result);
    EXPECT_EQ(h.questions, std::vector<std::string>{"12 XMP-uri există deja"});

    bool ended = false;
    h.model->exportToLightroom(j, false, [&](std::optional<LightroomExportResult> r) {
        ended = true;
        result = std::move(r);
    });
    ASSERT_TRUE(h.main->runUntil([&] { return ended; }, 20s, false));
    ASSERT_TRUE(result);
    EXPECT_EQ(std::get<LightroomExportResult::Xmp>(result->value).updated, 12);
    EXPECT_EQ(h.questions.size(), 1u);
}

TEST(Delivery, openingLightroomGoesThroughTheHostWithOrWithoutACatalog) {
    DeliveryHarness h;
    h.model->openLightroom(std::nullopt);
    h.model->openLightroom(h.catalog);
    EXPECT_EQ(h.host->opened, (std::vector<std::optional<fs::path>>{std::nullopt, h.catalog}));
}

// Delivering a project to Lightroom. The roads run on the main thread as chains of posted steps:
// questions are modal, pauses go through the injected sleeper, the writes run on the high-priority
// pool and their progress comes back as posted tasks, in the order reported.
#include <QPointer>

#include <algorithm>

#include "app/model/app_model.h"
#include "app/model/decoder_log.h"
#include "core/base/error_text.h"
#include "core/base/work_pool.h"
#include "core/catalog/catalog_writer.h"
#include "core/xmp/exporter.h"

namespace fs = std::filesystem;

namespace orvane::model {

namespace {

constexpr const char* noProfileText = "Profilul proiectului nu mai există.";
constexpr const char* nothingDoneText = "Nu există fotografii editate de exportat.";

// The elapsed time reported to the user, in seconds.
double elapsed(Date from, Date to) { return std::chrono::duration<double>(to - from).count(); }

}  // namespace

struct AppModel::CatalogRun {
    std::shared_ptr<Job> job;
    fs::path catalog;
    fs::path preset;
    DeliveryDone done;
    bool ignoreStaleLock = false;
    Date start;
};

void AppModel::setDeliveryServices(DeliveryServices services) { delivery_ = std::move(services); }

const AppModel::DeliveryServices& AppModel::delivery() {
    if (!delivery_) delivery_.emplace();
    auto& d = *delivery_;
    if (!d.host) d.host = platform::makeLinuxLightroomHost(defaults_);
    if (!d.confirm) d.confirm = [](const std::string&, const std::string&, const std::string&) { return false; };
    if (!d.sleep) {
        d.sleep = [main = main_](std::chrono::nanoseconds delay, std::function<void()> resume) {
            main->postAfter(delay, std::move(resume));
        };
    }
    return d;
}

void AppModel::openLightroom(const std::optional<fs::path>& catalog) { delivery().host->open(catalog); }

const Profile* AppModel::deliveryProfile(const Job& job) {
    const auto profile = std::find_if(profiles_.begin(), profiles_.end(),
                                      [&](const Profile& p) { return p.id == job.project().profileID; });
    if (profile != profiles_.end()) return &*profile;
    setError(std::string(noProfileText));
    return nullptr;
}

void AppModel::endDelivery(const std::shared_ptr<Job>& job, const DeliveryDone& done,
                           std::optional<LightroomExportResult> result) {
    job->setDelivering(false);
    if (done) done(std::move(result));
}

void AppModel::exportToLightroom(const std::shared_ptr<Job>& job, bool confirmMerge, DeliveryDone done) {
    if (job->isDelivering()) {
        if (done) done(std::nullopt);
        return;
    }
    if (job->project().done() == 0) {
        setError(std::string(nothingDoneText));
        if (done) done(std::nullopt);
        return;
    }
    if (job->project().catalogPath) return writeProjectToCatalog(job, fs::path(*job->project().catalogPath), done);

    const Profile* profile = deliveryProfile(*job);
    if (!profile) {
        if (done) done(std::nullopt);
        return;
    }
    if (!job->project().exportFolder) job->setExportFolder(fs::path(job->project().folder));
    if (!job->project().exportFolder) {
        if (done) done(std::nullopt);
        return;
    }
    const fs::path folder(*job->project().exportFolder);
    const auto existing = Exporter::conflicts(job->project(), folder);
    if (confirmMerge && !existing.empty()) {
        const bool merge = delivery().confirm(
            std::to_string(existing.size()) + " XMP-uri există deja",
            "Se îmbină: ratingul, culorile, pick-urile și celelalte date (Photo Mechanic, Cullibrate etc.) rămân; "
            "se actualizează doar setările Develop. Un XMP care nu e al aplicației primește o singură dată o "
            "copie .xmp.bak-original.",
            "Îmbină");
        if (!merge) {
            if (done) done(std::nullopt);
            return;
        }
    }
    const Date start = main_->now();
    job->setDelivering(true);
    offload(
        main_, WorkPool::high(),
        [project = job->project(), preset = profile->preset(), folder] {
            return Exporter::write(project, DevelopPreset::load(preset), folder);
        },
        [self = QPointer<AppModel>(this), job, done, start](Outcome<Exporter::SidecarCounts> outcome) {
            if (!self) return;
            if (!outcome.ok()) {
                logDecoderDetails(outcome.error());
                self->setError(orvane::errorText(outcome.error()));
                return self->endDelivery(job, done, std::nullopt);
            }
            const auto counts = outcome.value();
            job->markExported();
            job->flush([self, job, done, start, counts](const std::optional<SaveError>& error) {
                if (!self) return;
                if (error) {
                    self->setError(std::string(error->what()));
                    return self->endDelivery(job, done, std::nullopt);
                }
                LightroomExportResult::Xmp xmp{counts.written, counts.merged, counts.backups,
                                               elapsed(start, self->main_->now())};
                self->endDelivery(job, done, LightroomExportResult{xmp});
            });
        });
}

void AppModel::writeProjectToCatalog(const std::shared_ptr<Job>& job, const fs::path& catalog, DeliveryDone done) {
    if (job->isDelivering()) {
        if (done) done(std::nullopt);
        return;
    }
    const Profile* profile = deliveryProfile(*job);
    if (!profile) {
        if (done) done(std::nullopt);
        return;
    }
    std::error_code ec;
    if (!fs::exists(catalog, ec)) {
        setError("Catalogul nu mai există la locul lui: " + catalog.string());
        if (done) done(std::nullopt);
        return;
    }
    auto run = std::make_shared<CatalogRun>();
    run->job = job;
    run->catalog = catalog;
    run->preset = profile->preset();
    run->done = std::move(done);
    const auto& services = delivery();
    // Lightroom found among the processes, or named by the catalog's lock: either is asked to quit.
    if (!platform::lightroomInstances(*services.host, catalog).empty()) {
        const bool close = services.confirm(
            "Închid Lightroom?",
            "Pentru a scrie în catalog, Lightroom trebuie să fie închis. Se închide acum și se redeschide singur la "
            "final; din catalog se face înainte o copie de siguranță.",
            "Închide și scrie");
        if (!close) {
            if (run->done) run->done(std::nullopt);
            return;
        }
        job->setDelivering(true);
        job->setExtraStatus("Se închide Lightroom…", 0.02);
        platform::quitLightroom(
            services.host, services.sleep,
            [self = QPointer<AppModel>(this), run](bool quit) {
                if (!self) return;
                if (!quit) {
                    self->setError(std::string("Lightroom nu s-a închis. Închide-l manual și încearcă din nou."));
                    return self->endDelivery(run->job, run->done, std::nullopt);
                }
                self->catalogAfterQuit(run);
            },
            catalog);
        return;
    }
    job->setDelivering(true);
    catalogAfterQuit(std::move(run));
}

void AppModel::catalogAfterQuit(std::shared_ptr<CatalogRun> run) { catalogLockPass(std::move(run), 0); }

void AppModel::catalogLockPass(std::shared_ptr<CatalogRun> run, int pass) {
    // Every pass runs even when the lock went away: a lock that comes back is waited for again.
    if (pass < lockPasses) {
        if (CatalogWriter::isLocked(run->catalog)) {
            delivery().sleep(lockPause, [self = QPointer<AppModel>(this), run, pass] {
                if (self) self->catalogLockPass(run, pass + 1);
            });
        } else {
            catalogLockPass(std::move(run), pass + 1);
        }
        return;
    }
    if (CatalogWriter::isLocked(run->catalog)) {
        // A lock whose process still runs Lightroom is never called stale.
        if (platform::lightroomInstances(*delivery().host, run->catalog).empty()) {
            const bool go = delivery().confirm(
                "Catalogul pare blocat",
                "Lightroom nu rulează, dar catalogul are încă fișierul de blocare (de obicei după o închidere "
                "forțată). Continui scrierea? Se face întâi o copie de siguranță.",
                "Continuă");
            if (!go) return endDelivery(run->job, run->done, std::nullopt);
            run->ignoreStaleLock = true;
        }
        // With Lightroom running again the core's own lock test refuses the write.
    }
    catalogWrite(std::move(run));
}

void AppModel::catalogWrite(std::shared_ptr<CatalogRun> run) {
    run->start = main_->now();
    auto weakJob = std::weak_ptr<Job>(run->job);
    // Each report hops to the main thread as a task of its own; posted tasks run in order.
    CatalogWriter::Progress progress = [main = main_, weakJob](const std::string& text, double fraction) {
        main->post([weakJob, text, fraction] {
            if (auto job = weakJob.lock()) job->setExtraStatus(text, fraction);
        });
    };
    offload(
        main_, WorkPool::high(),
        [project = run->job->project(), preset = run->preset, catalog = run->catalog,
         ignore = run->ignoreStaleLock, progress] {
            const DevelopPreset loaded = DevelopPreset::load(preset);
            return Exporter::writeToCatalog(project, loaded, catalog, ignore, progress);
        },
        [self = QPointer<AppModel>(this), run](Outcome<CatalogWriter::Outcome> outcome) {
            if (!self) return;
            if (!outcome.ok()) {
                logDecoderDetails(outcome.error());
                return self->catalogFailed(run, outcome.error());
            }
            const auto written = outcome.value();
            run->job->setExtraStatus("Se redeschide Lightroom…", 0.98);
            if (written.written == 0) {
                // Nothing reached the catalog: no delivery to record.
                return self->catalogFinish(run, written);
            }
            run->job->markExported();
            run->job->flush([self, run, written](const std::optional<SaveError>& error) {
                if (!self) return;
                if (error) {
                    self->setError(std::string(error->what()));
                    self->delivery().host->open(run->catalog);
                    return self->endDelivery(run->job, run->done, std::nullopt);
                }
                self->catalogFinish(run, written);
            });
        });
}

void AppModel::catalogFinish(const std::shared_ptr<CatalogRun>& run, const CatalogWriter::Outcome& outcome) {
    if (defaults_->boolValue("reopenLightroom").value_or(true)) delivery().host->open(run->catalog);
    LightroomExportResult::Catalog result{outcome.written, outcome.notFound, elapsed(run->start, main_->now())};
    endDelivery(run->job, run->done, LightroomExportResult{result});
}

void AppModel::catalogFailed(std::shared_ptr<CatalogRun> run, std::exception_ptr error) {
    setError(orvane::errorText(error));
    delivery().host->open(run->catalog);
    endDelivery(run->job, run->done, std::nullopt);
}

}  // namespace orvane::model

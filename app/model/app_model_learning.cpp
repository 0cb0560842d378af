// The application model's learning operations: training profiles from imported catalogs or from the
// catalog in which a finished project was corrected, importing catalogs, and the small profile
// helpers. Every slow step runs on a work pool; its outcome comes back to the main thread, where all
// of the model's state changes.
#include <QPointer>

#include <algorithm>
#include <limits>
#include <mutex>
#include <thread>

#include "app/model/app_model.h"
#include "app/model/worker_policy.h"
#include "app/platform/linux_machine_info.h"
#include "core/base/atomic_file.h"
#include "core/base/trash.h"
#include "core/base/work_pool.h"
#include "core/catalog/catalog_import.h"
#include "core/catalog/corrections.h"
#include "core/store/store.h"
#include "core/style/learning.h"
#include "core/style/model_vault.h"
#include "core/style/profile_builder.h"
#include "core/xmp/develop_preset.h"
#include "core/xmp/profile_presets.h"

namespace orvane::model {

namespace fs = std::filesystem;
using Phase = ProfileBuilder::Phase;
using Token = std::shared_ptr<ProfileBuilder::CancelToken>;

namespace {

const char* const noMatchText =
    "Nu am găsit un catalog Lightroom cu fotografiile acestui proiect. Alege-l manual, din „Învață din proiect”.";
const char* const missingBaseModelText = "Modelul de bază lipsește din aplicație.";
const char* const searchingNote = "Caut catalogul…";
const char* const checkingNote = "Verific catalogul…";
const char* const importingNote = "Import catalogul…";

// A picked catalog must hold at least this share of the project; so must a found one.
constexpr double minimumOverlap = 0.5;

// One catalog reached through a link or another spelling is the same catalog.
fs::path canonicalSource(const fs::path& path) {
    std::error_code ec;
    fs::path canonical = fs::weakly_canonical(path, ec);
    return ec ? path.lexically_normal() : canonical;
}

// An imported copy whose record could not be saved: removed, so no unlisted copy stays on disk.
void discardCopy(const TrainingCatalog& catalog) {
    std::error_code ec;
    fs::remove_all(catalog.dir(), ec);
}

std::int64_t trainableTotal(const Profile& profile, const std::vector<TrainingCatalog>& catalogs) {
    std::int64_t total = 0;
    for (const TrainingCatalog& c : catalogs) total += c.trainable(&profile);
    return total;
}

int clampToInt(std::int64_t n) { return static_cast<int>(std::min<std::int64_t>(n, std::numeric_limits<int>::max())); }

}  // namespace

// Background steps in flight, so the quit path can wait for them and stop further ones.
struct AppModel::LearningSteps {
    std::mutex mutex;
    int running = 0;
    bool closing = false;
    std::function<void()> onIdle;  // the quit's wait, told from the thread of the last step to end
};

// What a learning run from a project carries from step to step.
struct AppModel::ProjectRun {
    Project project;
    Uuid profileID;
    Token token;
    std::optional<std::set<std::string>> only;
    std::function<void(int)> onDone;
    fs::path chosen;
};

AppModel::LearnFailure::LearnFailure(Case c) : std::runtime_error(noMatchText), which(c) {}

AppModel::MissingBaseModel::MissingBaseModel() : std::runtime_error(missingBaseModelText) {}

AppModel::LearningServices AppModel::LearningServices::standard(std::shared_ptr<const Defaults> defaults) {
    LearningServices s;
    s.scan = [] { return CatalogFinder::scan(); };
    s.importCatalog = [](const fs::path& file, const std::optional<std::set<std::string>>& only) {
        return Catalog::importCatalog(file, only);
    };
    s.build = [](const Profile& profile, const std::vector<TrainingCatalog>& catalogs, int workers,
                 const ProfileBuilder::CancelToken* cancel, const ProfileBuilder::BuildProgress& progress) {
        return ProfileBuilder::build(profile, catalogs, workers, cancel, progress);
    };
    s.workers = [defaults = std::move(defaults)] {
        return model::configuredWorkerCount(platform::LinuxMachineInfo::shared(), *defaults);
    };
    return s;
}

void AppModel::setLearningServices(LearningServices services) {
    learning_ = std::make_shared<const LearningServices>(std::move(services));
}

const AppModel::LearningServices& AppModel::learning() {
    if (!learning_) learning_ = std::make_shared<const LearningServices>(LearningServices::standard(defaults_));
    return *learning_;
}

template <class Work, class Done>
void AppModel::runLearningStep(bool highPriority, Work work, Done done) {
    if (!learningSteps_) learningSteps_ = std::make_shared<LearningSteps>();
    auto steps = learningSteps_;
    {
        std::lock_guard lock(steps->mutex);
        if (steps->closing) return;  // quitting: the run stops where it is
        ++steps->running;
    }
    offload(
        main_, WorkPool::of(highPriority),
        [steps, work = std::move(work)]() mutable {
            struct Leave {
                LearningSteps& steps;
                ~Leave() {
                    std::lock_guard lock(steps.mutex);
                    if (--steps.running == 0 && steps.onIdle) steps.onIdle();
                }
            } leave{*steps};
            return work();
        },
        [self = QPointer<AppModel>(this), steps, done = std::move(done)](auto outcome) mutable {
            if (!self) return;
            {
                std::lock_guard lock(steps->mutex);
                if (steps->closing) return;
            }
            done(std::move(outcome));
        });
}

bool AppModel::isCurrentBuild(const Token& token) const { return profileBuild_ && profileBuild_->cancel == token; }

void AppModel::setBuildNote(const Token& token, std::optional<std::string> note) {
    if (!isCurrentBuild(token)) return;
    ProfileBuildStatus status = *profileBuild_;
    status.note = std::move(note);
    setProfileBuild(std::move(status));
}

ProfileBuilder::BuildProgress AppModel::progressHop(const Token& token) {
    // Called from the build's threads: only posts. A report is dropped once its build has ended, so a
    // late phase never lands on the next build's status.
    return [main = main_, self = QPointer<AppModel>(this), weak = std::weak_ptr(token)](const Phase& phase) {
        main->post([self, weak, phase] {
            const Token token = weak.lock();
            if (!self || !token || !self->isCurrentBuild(token)) return;
            ProfileBuildStatus status = *self->profileBuild_;
            status.phase = phase;
            self->setProfileBuild(std::move(status));
        });
    };
}

void AppModel::endBuild(std::exception_ptr error) {
    if (error) {
        try {
            std::rethrow_exception(error);
        } catch (const Cancelled&) {
            // The user stopped it: nothing to say.
        } catch (const std::exception& e) {
            setError(std::string(e.what()));
        }
    }
    setProfileBuild(std::nullopt);
    reload();
}

void AppModel::learnFromCatalogs(const Profile& profile, const std::vector<TrainingCatalog>& catalogs,
                                 bool announceReady) {
    if (profileBuild_) return;
    ProfileBuildStatus status;
    status.profileID = profile.id;
    status.name = profile.name;
    status.phase = Phase::features(0, clampToInt(trainableTotal(profile, catalogs)));
    status.started = main_->now();
    const Token token = status.cancel;
    setProfileBuild(std::move(status));

    const int workers = learning().workers();
    const bool firstBuild = announceReady && !profile.isBuilt();
    runLearningStep(
        true,
        [build = learning().build, profile, catalogs, workers, token, progress = progressHop(token)] {
            return build(profile, catalogs, workers, token.get(), progress);
        },
        [this, firstBuild](Outcome<Profile> outcome) {
            if (!outcome.ok()) return endBuild(outcome.error());
            if (firstBuild) setProfileReady(outcome.value());
            endBuild(nullptr);
        });
}

void AppModel::learnFromProject(const Project& project, const std::optional<fs::path>& catalog,
                                const std::optional<fs::path>& picked,
                                const std::optional<std::set<std::string>>& only, std::function<void(int)> onDone) {
    if (profileBuild_) return;
    const auto profile = std::find_if(profiles_.begin(), profiles_.end(),
                                      [&](const Profile& p) { return p.id == project.profileID; });
    if (profile == profiles_.end()) return;
    ProfileBuildStatus status;
    status.profileID = profile->id;
    status.name = profile->name;
    status.phase = Phase::features(0, 1);
    status.started = main_->now();
    status.note = searchingNote;
    auto run = std::make_shared<ProjectRun>(ProjectRun{project, profile->id, status.cancel, only, std::move(onDone), {}});
    setProfileBuild(std::move(status));
    main_->post([self = QPointer<AppModel>(this), run, catalog, picked] {
        if (self) self->chooseCatalog(run, catalog, picked);
    });
}

void AppModel::chooseCatalog(std::shared_ptr<ProjectRun> run, std::optional<fs::path> catalog,
                             std::optional<fs::path> picked) {
    if (picked) {
        // A picked file is checked even when the sheet also knew a catalog.
        setBuildNote(run->token, checkingNote);
        runLearningStep(
            true, [project = run->project, file = *picked] { return Learning::overlap(project, file); },
            [this, run, file = *picked](Outcome<double> outcome) {
                const double share = outcome.ok() ? outcome.value() : 0;
                if (share >= minimumOverlap) return importForProject(run, file);
                endBuild(std::make_exception_ptr(LearnFailure(LearnFailure::Case::noMatch)));
            });
        return;
    }
    if (catalog) return importForProject(run, *catalog);
    runLearningStep(
        true,
        [scan = learning().scan, project = run->project] {
            return Learning::matches(project, scan(), minimumOverlap);
        },
        [this, run](Outcome<std::vector<Learning::Match>> outcome) {
            if (!outcome.ok()) return endBuild(outcome.error());
            if (outcome.value().empty())
                return endBuild(std::make_exception_ptr(LearnFailure(LearnFailure::Case::noMatch)));
            importForProject(run, outcome.value().front().catalog.url);
        });
}

void AppModel::importForProject(std::shared_ptr<ProjectRun> run, fs::path chosen) {
    setBuildNote(run->token, importingNote);
    run->chosen = chosen;
    runLearningStep(
        true, [importer = learning().importCatalog, chosen, only = run->only] { return importer(chosen, only); },
        [this, run](Outcome<TrainingCatalog> outcome) {
            if (!outcome.ok()) return endBuild(outcome.error());
            TrainingCatalog imported = outcome.value();
            try {
                Store::save(imported, imported.file());
            } catch (...) {
                discardCopy(imported);
                return endBuild(std::current_exception());
            }
            // Corrections are a bonus: without them the run goes on.
            runLearningStep(
                false,
                [project = run->project, lrcat = imported.lrcat(), token = run->token] {
                    try {
                        const auto [summary, photos] = Corrections::compute(project, lrcat);
                        bool saved = false;
                        // Not once the application is quitting: the run ends there.
                        if (!photos.empty()) token->commit([&] { saved = Corrections::save(photos, summary, project); });
                        return saved;
                    } catch (...) {
                    }
                    return false;
                },
                [this, run, imported](Outcome<bool>) { trainForProject(run, imported); });
        });
}

void AppModel::trainForProject(std::shared_ptr<ProjectRun> run, TrainingCatalog imported) {
    const auto current = std::find_if(profiles_.begin(), profiles_.end(),
                                      [&](const Profile& p) { return p.id == run->profileID; });
    if (current == profiles_.end()) return endBuild(nullptr);  // deleted meanwhile: nothing to train
    Profile profile = *current;

    const fs::path source = canonicalSource(run->chosen);
    std::vector<TrainingCatalog> older;
    for (const TrainingCatalog& c : catalogs_) {
        if (c.id != imported.id && canonicalSource(c.source) == source) older.push_back(c);
    }
    auto& ids = profile.catalogIDs;
    for (const TrainingCatalog& old : older) ids.erase(std::remove(ids.begin(), ids.end(), old.id), ids.end());
    ids.push_back(imported.id);

    // The profile names its new copy on disk before an older copy goes: a failed save leaves them all.
    bool saved = true;
    try {
        profile.save();
    } catch (...) {
        saved = false;
    }
    if (saved) {
        for (const TrainingCatalog& old : older) {
            const bool namedElsewhere = std::any_of(profiles_.begin(), profiles_.end(), [&](const Profile& p) {
                return p.id != profile.id &&
                       std::find(p.catalogIDs.begin(), p.catalogIDs.end(), old.id) != p.catalogIDs.end();
            });
            if (namedElsewhere) continue;
            try {
                Trash::moveToTrash(old.dir());
            } catch (...) {
                // It stays in the library, no longer attached to this profile.
            }
        }
    }
    reload();

    std::vector<TrainingCatalog> chosen;
    for (const TrainingCatalog& c : catalogs_) {
        if (std::find(ids.begin(), ids.end(), c.id) != ids.end()) chosen.push_back(c);
    }
    if (isCurrentBuild(run->token)) {
        ProfileBuildStatus status = *profileBuild_;
        status.note.reset();
        status.phase = Phase::features(0, clampToInt(trainableTotal(profile, chosen)));
        setProfileBuild(std::move(status));
    }
    runLearningStep(
        true,
        [build = learning().build, profile, chosen, workers = learning().workers(), token = run->token,
         progress = progressHop(run->token)] { return build(profile, chosen, workers, token.get(), progress); },
        [this, run](Outcome<Profile> outcome) {
            if (!outcome.ok()) return endBuild(outcome.error());
            if (run->only && run->onDone) run->onDone(clampToInt(static_cast<std::int64_t>(run->only->size())));
            endBuild(nullptr);
        });
}

void AppModel::cancelProfileBuild() {
    if (!profileBuild_) return;
    ProfileBuildStatus status = *profileBuild_;
    status.cancel->cancel();
    status.stopping = true;
    setProfileBuild(std::move(status));
}

void AppModel::importOne(const fs::path& catalog, std::function<void(std::optional<std::string>)> done) {
    runLearningStep(
        true, [importer = learning().importCatalog, catalog] { return importer(catalog, std::nullopt); },
        [this, done = std::move(done)](Outcome<TrainingCatalog> outcome) {
            std::optional<std::string> failure;
            try {
                const TrainingCatalog imported = outcome.value();
                try {
                    Store::save(imported, imported.file());
                } catch (...) {
                    discardCopy(imported);
                    throw;
                }
                reload();
            } catch (const std::exception& e) {
                failure = std::string(e.what());
            }
            if (done) done(std::move(failure));
        });
}

void AppModel::importCatalog(const fs::path& catalog, std::function<void()> done) {
    importOne(catalog, [this, done = std::move(done)](std::optional<std::string> failure) {
        if (failure) setError(std::move(failure));
        if (done) done();
    });
}

// What one import run carries from file to file.
struct AppModel::ImportRun {
    std::vector<fs::path> files;
    std::set<Uuid> existing;  // the library when the run began
    std::optional<Uuid> attachTo;
    std::function<void()> done;
    std::size_t next = 0;
    std::vector<std::pair<std::string, std::string>> failures;  // file name, message
};

void AppModel::setCatalogImport(std::optional<CatalogImportProgress> progress) {
    if (catalogImport_ == progress) return;
    catalogImport_ = progress;
    emit catalogImportChanged();
}

bool AppModel::importCatalogs(std::vector<fs::path> files, std::optional<Uuid> attachTo, std::function<void()> done) {
    if (catalogImport_) return false;
    auto run = std::make_shared<ImportRun>();
    for (const TrainingCatalog& c : catalogs_) run->existing.insert(c.id);
    run->attachTo = attachTo;
    run->done = std::move(done);
    run->files = std::move(files);
    setCatalogImport(CatalogImportProgress{0, clampToInt(static_cast<std::int64_t>(run->files.size()))});
    importNext(std::move(run));
    return true;
}

void AppModel::importNext(std::shared_ptr<ImportRun> run) {
    if (run->next >= run->files.size()) return finishImportRun(run);
    const fs::path file = run->files[run->next];
    importOne(file, [this, run, file](std::optional<std::string> failure) {
        if (failure) run->failures.emplace_back(file.filename().string(), *failure);
        ++run->next;
        setCatalogImport(CatalogImportProgress{clampToInt(static_cast<std::int64_t>(run->next)),
                                               clampToInt(static_cast<std::int64_t>(run->files.size()))});
        importNext(run);
    });
}

void AppModel::finishImportRun(const std::shared_ptr<ImportRun>& run) {
    if (run->attachTo) {
        // The profile as it is now: a build or rename during the imports is kept, a deletion too.
        reload();
        const auto current = std::find_if(profiles_.begin(), profiles_.end(),
                                          [&](const Profile& p) { return p.id == *run->attachTo; });
        if (current != profiles_.end()) {
            Profile profile = *current;
            const bool previews = profile.usesPreviews();
            bool added = false;
            for (const TrainingCatalog& c : catalogs_) {
                if (run->existing.count(c.id) || (c.rawMissing != 0 && !previews)) continue;
                auto& ids = profile.catalogIDs;
                if (std::find(ids.begin(), ids.end(), c.id) != ids.end()) continue;
                ids.push_back(c.id);
                added = true;
            }
            if (added) {
                try {
                    profile.save();
                    reload();
                } catch (const std::exception& e) {
                    run->failures.emplace_back(std::string(), e.what());
                }
            }
        }
    }
    if (run->failures.size() == 1) {
        setError(run->failures.front().second);
    } else if (!run->failures.empty()) {
        std::string text = "Unele cataloage nu s-au importat:";
        for (const auto& [name, message] : run->failures) {
            text += "\n• ";
            if (!name.empty()) text += name + ": ";
            text += message;
        }
        setError(std::move(text));
    }
    setCatalogImport(std::nullopt);
    if (run->done) run->done();
}

std::optional<Uuid> AppModel::usableProfileID(const std::optional<Uuid>& preferred) const {
    if (preferred) {
        const auto it = std::find_if(profiles_.begin(), profiles_.end(), [&](const Profile& p) { return p.id == *preferred; });
        if (it != profiles_.end() && it->isBuilt()) return preferred;
    }
    const auto built = std::find_if(profiles_.begin(), profiles_.end(), [](const Profile& p) { return p.isBuilt(); });
    if (built != profiles_.end()) return built->id;
    return std::nullopt;
}

Profile AppModel::makeInstantProfile(const std::string& name, const fs::path& preset) {
    const auto baseModel = ModelVault::directory("BaseModel");
    if (!baseModel) throw MissingBaseModel();
    return ProfilePresets::createInstant(name, preset, *baseModel);
}

Profile AppModel::createInstantProfile(const std::string& name, const fs::path& preset) {
    Profile profile = makeInstantProfile(name, preset);
    reload();
    return profile;
}

fs::path AppModel::neutralPresetURL() {
    fs::create_directories(Store::root());
    const fs::path file = Store::root() / "Neutru.xmp";
    writeFileAtomically(file, DevelopPreset::neutralXMP());
    return file;
}

void AppModel::stopLearningForQuit(std::chrono::milliseconds limit, std::function<void(bool stopped)> done) {
    if (profileBuild_) profileBuild_->cancel->close();
    if (!learningSteps_) learningSteps_ = std::make_shared<LearningSteps>();
    // Answered once, on the main thread: by the last step's end or by the limit, whichever comes first.
    auto pending = std::make_shared<std::function<void(bool)>>(std::move(done));
    auto answer = [pending](bool stopped) {
        if (!*pending) return;
        const auto reply = std::move(*pending);
        *pending = nullptr;
        reply(stopped);
    };
    {
        std::lock_guard lock(learningSteps_->mutex);
        learningSteps_->closing = true;
        if (learningSteps_->running > 0) {
            learningSteps_->onIdle = [main = main_, answer] { main->post([answer] { answer(true); }); };
            main_->postAfter(limit, [answer] { answer(false); });
            return;
        }
    }
    answer(true);
}

}  // namespace orvane::model

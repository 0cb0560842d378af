#include "app/profiles/new_profile_model.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>

#include <algorithm>
#include <chrono>
#include <memory>

#include "app/kit/catalog_sort.h"
#include "app/kit/localization.h"
#include "app/kit/text.h"
#include "app/model/app_model.h"
#include "app/model/router.h"
#include "core/base/error_text.h"
#include "core/base/work_pool.h"
#include "core/catalog/catalog_import.h"
#include "core/catalog/catalog_writer.h"
#include "core/style/style_preset.h"
#include "core/xmp/profile_presets.h"

namespace orvane::profiles {

namespace fs = std::filesystem;

namespace {

const char* const invalidPresetText = "Fișierul ales nu este un preset Lightroom valid.";
const char* const notAPresetDropText = "Trage un fișier preset Lightroom (.xmp).";
const char* const trainingBusyText = "Un profil se antrenează acum. Încearcă după ce se termină.";

std::string automaticStyleName() { return kit::localized("Stilul meu").toStdString(); }

// A temporary preset or a profile made for a sheet that is gone: nothing of it may stay behind.
void removeQuietly(const fs::path& path) {
    std::error_code ec;
    fs::remove_all(path, ec);
}

}  // namespace

NewProfileServices NewProfileServices::standard() {
    NewProfileServices s;
    s.scan = [] { return CatalogFinder::scan(); };
    s.analyze = [](const Path& catalog) { return Catalog::analyze(catalog); };
    s.buildFromCatalogs = [](const std::vector<TrainingCatalog>& catalogs, const std::string& name) {
        return StylePreset::build(catalogs, name);
    };
    s.buildFromFiles = [](const std::vector<Path>& files, const std::string& name) {
        return StylePreset::buildFromCatalogFiles(files, name);
    };
    s.presetName = [](const Path& preset) { return ProfilePresets::name(preset); };
    s.createProfile = [](const std::string& name, const Path& preset, const std::optional<std::string>& presetName) {
        return ProfilePresets::create(name, preset, presetName);
    };
    s.saveProfile = [](const Profile& profile) { profile.save(); };
    s.createInstant = [](const std::string& name, const Path& preset) {
        return model::AppModel::makeInstantProfile(name, preset);
    };
    s.background = [](Work work) { WorkPool::high().submit(std::move(work)); };
    return s;
}

NewProfileModel::NewProfileModel(model::AppModel& app, model::Router& router, NewProfileServices services,
                                 QObject* parent)
    : QObject(parent), app_(app), router_(router), services_(std::move(services)) {
    // An import while the sheet is open switches the professional step's face; a training that starts
    // or ends changes whether a professional profile can be made now.
    connect(&app_, &model::AppModel::catalogsChanged, this, [this] {
        if (mode_ == Mode::pro) countSmartPreviews();
        emit changed();
    });
    connect(&app_, &model::AppModel::profileBuildChanged, this, &NewProfileModel::changed);
}

NewProfileModel::~NewProfileModel() {
    if (!closed_) {
        closed_ = true;
        clearHandOver();
    }
}

template <class R>
void NewProfileModel::offload(std::function<R()> work, std::function<void(R)> done) {
    QPointer<NewProfileModel> self(this);
    services_.background([self, work = std::move(work), done = std::move(done)] {
        auto result = std::make_shared<R>(work());
        // Posted to the application object, which outlives the sheet; `done` asks for the sheet itself.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [self, done, result] { done(std::move(*result)); }, Qt::QueuedConnection);
    });
}

// ---- derived ----

bool NewProfileModel::nameIsValid() const { return !kit::trimSpacesAndTabs(name_).isEmpty(); }

bool NewProfileModel::anyCatalogMissingRaws() const {
    const auto& catalogs = app_.catalogs();
    return std::any_of(catalogs.begin(), catalogs.end(), [](const TrainingCatalog& c) { return c.rawMissing > 0; });
}

bool NewProfileModel::hasCatalogs() const { return !app_.catalogs().empty(); }

QSize NewProfileModel::sheetSize() const {
    switch (mode_) {
        case Mode::choose: return {720, 470};
        case Mode::instant: return {560, 500};
        case Mode::pro: return {560, hasCatalogs() ? 760 : 480};
    }
    return {};
}

QString NewProfileModel::subtitle() const {
    switch (mode_) {
        case Mode::choose: return kit::localized("Alege cum vrei să construiești profilul");
        case Mode::pro: return kit::localized("Aplicația învață stilul tău din cataloagele importate");
        case Mode::instant: return kit::localized("Pornește imediat dintr-un preset Lightroom");
    }
    return {};
}

std::int64_t NewProfileModel::trainableCount(const TrainingCatalog& catalog) const {
    if (!fromPreviews_) return catalog.usable;
    const auto it = previewCounts_.find(catalog.id);
    return std::max(it == previewCounts_.end() ? std::int64_t(0) : it->second, catalog.usable);
}

std::int64_t NewProfileModel::chosenPhotoCount() const {
    std::int64_t total = 0;
    for (const TrainingCatalog& c : app_.catalogs())
        if (chosen_.count(c.id)) total += trainableCount(c);
    return total;
}

std::vector<TrainingCatalog> NewProfileModel::listedCatalogs() const {
    return kit::sortTrainingCatalogs(app_.catalogs(), kit::catalogSortSetting(app_.defaults()));
}

int NewProfileModel::catalogListHeight() const {
    const int n = std::max<int>(int(app_.catalogs().size()), 1);
    return std::min(n * 52 + 4, 320);
}

bool NewProfileModel::showsSortPicker() const { return app_.catalogs().size() >= 2; }

QString NewProfileModel::countLineText() const {
    if (!countLineWarns()) return kit::localized(" fotografii de antrenare");
    return kit::localized(" fotografii. Pentru rezultate bune: minim 500, din cel puțin 3 evenimente diferite.");
}

bool NewProfileModel::countLineWarns() const { return chosenPhotoCount() < goodPhotoCount; }

bool NewProfileModel::otherTrainingRuns() const { return app_.profileBuild().has_value(); }

bool NewProfileModel::canContinue() const { return !closed_ && nameIsValid() && hasStyleSource(); }

bool NewProfileModel::canCreatePro() const {
    return !closed_ && !creating_ && nameIsValid() && !chosen_.empty() && hasStyleSource() && !otherTrainingRuns();
}

bool NewProfileModel::canCreateInstant() const { return !closed_ && !creating_ && nameIsValid() && hasStyleSource(); }

QString NewProfileModel::styleSymbol() const {
    return autoPreset_ ? QStringLiteral("wand.and.stars") : QStringLiteral("doc.text");
}

QString NewProfileModel::styleCaption() const {
    if (customPreset_) return kit::localized("Presetul tău: ") + presetTitle_;
    if (autoPreset_) return kit::localized("Se creează automat din editările tale din Lightroom.");
    return kit::localized(
        "Neutru: aplicația corectează doar expunerea și culoarea. Cu cataloage Lightroom, stilul se creează din "
        "editările tale.");
}

// ---- state changes ----

void NewProfileModel::setName(const QString& name) {
    if (name == name_) return;
    name_ = name;
    emit changed();
}

void NewProfileModel::setDropTargeted(bool targeted) {
    if (targeted == dropTargeted_) return;
    dropTargeted_ = targeted;
    emit changed();
}

void NewProfileModel::setFromPreviews(bool on) {
    if (on == fromPreviews_) return;
    fromPreviews_ = on;
    emit changed();
    if (mode_ == Mode::pro) countSmartPreviews();
}

void NewProfileModel::setMode(Mode mode) {
    if (mode == mode_) return;
    mode_ = mode;
    emit modeChanged();
    emit changed();
}

void NewProfileModel::prepareOnAppear() {
    scanning_ = true;
    auto scan = services_.scan;
    offload<std::vector<FoundCatalog>>([scan] { return scan(); },
                                       [self = QPointer<NewProfileModel>(this)](std::vector<FoundCatalog> found) {
                                           if (self && !self->closed_) self->scanEnded(std::move(found));
                                       });

    chosen_.clear();
    for (const TrainingCatalog& c : app_.catalogs()) chosen_.insert(c.id);

    if (router_.pendingAutoPreset()) {
        autoPreset_ = true;
        handOverUsed_ = true;
    }
    if (const auto& preset = router_.pendingPreset()) {
        presetURL_ = *preset;
        presetTitle_ = QString::fromStdString(router_.pendingPresetTitle());
        handOverUsed_ = true;
    }
    // The name typed before importing comes back with the automatic style too, which hands over no preset.
    if (!router_.pendingProfileName().empty()) name_ = QString::fromStdString(router_.pendingProfileName());
    if (anyCatalogMissingRaws()) fromPreviews_ = true;
    if (router_.newProfileAutoPro() && hasCatalogs()) {
        router_.setNewProfileAutoPro(false);
        choosePro();
    }
    emit changed();
}

void NewProfileModel::scanEnded(std::vector<FoundCatalog> found) {
    scanning_ = false;
    std::vector<FoundCatalog> usable;
    for (FoundCatalog& c : found)
        if (CatalogWriter::isUsableSource(c.url)) usable.push_back(std::move(c));
    std::stable_sort(usable.begin(), usable.end(),
                     [](const FoundCatalog& a, const FoundCatalog& b) { return a.modified > b.modified; });
    if (usable.size() > std::size_t(maxFoundCatalogs)) usable.resize(maxFoundCatalogs);
    foundCatalogs_.clear();
    for (const FoundCatalog& c : usable) foundCatalogs_.push_back(c.url);
    // A preset file the user loaded meanwhile stays; otherwise the style follows what was found.
    if (!customPreset_) useAutomaticStyle();
    emit changed();
    if (instantWaitsForScan_) {
        instantWaitsForScan_ = false;
        buildAutomaticThenCreateInstant();
    }
}

void NewProfileModel::choosePro() {
    if (name_.isEmpty()) name_ = kit::localized("Profil profesional");
    if (!hasStyleSource()) autoPreset_ = true;
    setMode(Mode::pro);
    countSmartPreviews();
    emit changed();
}

void NewProfileModel::chooseInstant() {
    if (name_.isEmpty()) name_ = kit::localized("Profil instant");
    useAutomaticStyle();
    setMode(Mode::instant);
    emit changed();
}

void NewProfileModel::goBack() { setMode(Mode::choose); }

void NewProfileModel::useAutomaticStyle() {
    if (app_.catalogs().empty() && foundCatalogs_.empty()) {
        useNeutralStyle();
        return;
    }
    autoPreset_ = true;
    presetURL_.reset();
    presetTitle_.clear();
    emit changed();
}

void NewProfileModel::useNeutralStyle() {
    try {
        const fs::path neutral = app_.neutralPresetURL();
        presetURL_ = neutral;
        autoPreset_ = false;
        customPreset_ = false;
        presetTitle_ = kit::localized("Neutru (doar expunere și culoare)");
        emit changed();
    } catch (...) {
        app_.setError(errorText(std::current_exception()));
    }
}

bool NewProfileModel::loadPresetFile(const fs::path& file) {
    std::string title;
    try {
        title = services_.presetName(file);
    } catch (...) {
        app_.setError(std::string(kit::localized(invalidPresetText).toStdString()));
        return false;
    }
    presetURL_ = file;
    autoPreset_ = false;
    customPreset_ = true;
    presetTitle_ = QString::fromStdString(title);
    emit changed();
    return true;
}

bool NewProfileModel::dropPresetFiles(const QStringList& paths) {
    for (const QString& path : paths)
        if (QFileInfo(path).suffix().toLower() == QLatin1String("xmp")) return loadPresetFile(path.toStdString());
    app_.setError(kit::localized(notAPresetDropText).toStdString());
    return false;
}

void NewProfileModel::returnToAutomatic() {
    customPreset_ = false;
    useAutomaticStyle();
    emit changed();
}

void NewProfileModel::toggleCatalog(const Uuid& id) {
    const auto& catalogs = app_.catalogs();
    const auto it = std::find_if(catalogs.begin(), catalogs.end(), [&](const TrainingCatalog& c) { return c.id == id; });
    if (it == catalogs.end()) return;
    if (chosen_.erase(id) == 0) {
        if (trainableCount(*it) < 1) return;
        chosen_.insert(id);
    }
    emit changed();
}

void NewProfileModel::countSmartPreviews() {
    if (!fromPreviews_ || app_.catalogs().empty()) return;
    using Counts = std::map<Uuid, std::int64_t>;
    ++counting_;
    emit changed();
    auto analyze = services_.analyze;
    offload<Counts>(
        [analyze, catalogs = app_.catalogs()] {
            Counts counts;
            for (const TrainingCatalog& c : catalogs) {
                const auto stats = analyze(fs::path(c.source));
                counts[c.id] = stats ? stats->previews : 0;
            }
            return counts;
        },
        [self = QPointer<NewProfileModel>(this)](Counts counts) {
            if (!self || self->closed_) return;
            // A count is never stopped: a late one still stores what it found and prunes the choice.
            --self->counting_;
            self->previewCounts_ = std::move(counts);
            std::set<Uuid> kept;
            for (const TrainingCatalog& c : self->app_.catalogs())
                if (self->chosen_.count(c.id) && self->trainableCount(c) > 0) kept.insert(c.id);
            self->chosen_ = std::move(kept);
            emit self->changed();
        });
}

std::vector<TrainingCatalog> NewProfileModel::chosenCatalogs() const {
    std::vector<TrainingCatalog> out;
    for (const TrainingCatalog& c : app_.catalogs())
        if (chosen_.count(c.id)) out.push_back(c);
    return out;
}

void NewProfileModel::creationFailed(const std::string& message) {
    creating_ = false;
    emit changed();
    app_.setError(message);
}

struct NewProfileModel::Made {
    std::optional<Profile> profile;
    std::string error;
};

bool NewProfileModel::arrived(const QPointer<NewProfileModel>& self, const Made& made) {
    if (!self || self->closed_) {
        // The sheet closed while the profile was being made: it is not kept.
        if (made.profile) removeQuietly(made.profile->dir());
        return false;
    }
    if (!made.profile) {
        self->creationFailed(made.error);
        return false;
    }
    return true;
}

// ---- the professional profile ----

void NewProfileModel::createProfile() {
    if (!canCreatePro()) return;
    if (!autoPreset_ && !presetURL_) return;
    const std::string name = kit::trimSpacesAndTabs(name_).toStdString();
    const bool automatic = autoPreset_;
    const std::optional<fs::path> chosenPreset = presetURL_;
    const std::vector<TrainingCatalog> catalogs = chosenCatalogs();
    std::vector<Uuid> ids;
    for (const TrainingCatalog& c : catalogs) ids.push_back(c.id);
    const std::string engine = fromPreviews_ ? "preview" : "fast";
    const std::string styleName = automaticStyleName();
    creating_ = true;
    emit changed();

    offload<Made>(
        [s = services_, name, automatic, chosenPreset, catalogs, ids, engine, styleName] {
            Made made;
            std::optional<fs::path> temporary;
            try {
                fs::path preset;
                if (automatic) {
                    preset = s.buildFromCatalogs(catalogs, styleName);
                    temporary = preset;
                } else {
                    preset = *chosenPreset;
                }
                Profile profile =
                    s.createProfile(name, preset, automatic ? std::optional<std::string>(styleName) : std::nullopt);
                profile.catalogIDs = ids;
                profile.engine = engine;
                try {
                    s.saveProfile(profile);
                } catch (...) {
                    // A profile without its catalogs would never train: none is left rather than half of one.
                    removeQuietly(profile.dir());
                    throw;
                }
                made.profile = std::move(profile);
            } catch (...) {
                made.error = errorText(std::current_exception());
            }
            // The profile has its own copy by now (or there is no profile).
            if (temporary) removeQuietly(*temporary);
            return made;
        },
        [self = QPointer<NewProfileModel>(this)](Made made) {
            if (!arrived(self, made)) return;
            model::AppModel& app = self->app_;
            model::Router& router = self->router_;
            if (app.profileBuild()) {
                // Another training began meanwhile: this profile could not start its own.
                removeQuietly(made.profile->dir());
                return self->creationFailed(kit::localized(trainingBusyText).toStdString());
            }
            const std::set<Uuid> chosen = self->chosen_;
            app.reload();
            self->creating_ = false;
            self->handOverSpent_ = true;
            self->dismiss();  // may delete the sheet: only locals below
            router.setPendingPreset(std::nullopt);
            router.setPendingProfileName("");
            router.setPendingAutoPreset(false);
            router.setRoute(model::Route::profile(made.profile->id));
            std::vector<TrainingCatalog> training;
            for (const TrainingCatalog& c : app.catalogs())
                if (chosen.count(c.id)) training.push_back(c);
            app.learnFromCatalogs(*made.profile, training);
        });
}

void NewProfileModel::continueToLibrary() {
    if (!canContinue()) return;
    router_.setPendingPreset(presetURL_);
    router_.setPendingPresetTitle(presetTitle_.toStdString());
    router_.setPendingAutoPreset(autoPreset_);
    router_.setPendingProfileName(kit::trimSpacesAndTabs(name_).toStdString());
    handOverSpent_ = true;
    model::Router& router = router_;
    dismiss();  // may delete the sheet
    router.setImportRequested(true);
    router.setRoute(model::Route::library());
}

// ---- the instant profile ----

void NewProfileModel::createInstantProfile() {
    if (!canCreateInstant()) return;
    creating_ = true;
    emit changed();
    if (!autoPreset_) return createInstantWith(*presetURL_, false);
    // The automatic style needs the scan's answer first.
    if (scanning_) {
        instantWaitsForScan_ = true;
        return;
    }
    buildAutomaticThenCreateInstant();
}

void NewProfileModel::buildAutomaticThenCreateInstant() {
    struct Built {
        std::optional<fs::path> preset;
        bool tooFew = false;
        std::string error;
    };
    std::function<fs::path()> build;
    const std::string styleName = automaticStyleName();
    if (!app_.catalogs().empty()) {
        // Imported catalogs win; what was found on disk is not read then.
        build = [b = services_.buildFromCatalogs, catalogs = app_.catalogs(), styleName] { return b(catalogs, styleName); };
    } else if (!foundCatalogs_.empty()) {
        build = [b = services_.buildFromFiles, files = foundCatalogs_, styleName] { return b(files, styleName); };
    }
    auto neutral = [this] {
        try {
            createInstantWith(app_.neutralPresetURL(), false);
        } catch (...) {
            creationFailed(errorText(std::current_exception()));
        }
    };
    if (!build) return neutral();
    offload<Built>(
        [build] {
            Built built;
            try {
                built.preset = build();
            } catch (const StylePreset::BuildError&) {
                built.tooFew = true;
            } catch (...) {
                built.error = errorText(std::current_exception());
            }
            return built;
        },
        [self = QPointer<NewProfileModel>(this), neutral](Built built) {
            if (!self || self->closed_) {
                if (built.preset) removeQuietly(*built.preset);
                return;
            }
            if (built.tooFew) return neutral();
            if (!built.preset) return self->creationFailed(built.error);
            self->createInstantWith(*built.preset, true);
        });
}

void NewProfileModel::createInstantWith(const fs::path& preset, bool temporary) {
    const std::string name = kit::trimSpacesAndTabs(name_).toStdString();
    offload<Made>(
        [create = services_.createInstant, name, preset, temporary] {
            Made made;
            try {
                made.profile = create(name, preset);
            } catch (...) {
                made.error = errorText(std::current_exception());
            }
            if (temporary) removeQuietly(preset);
            return made;
        },
        [self = QPointer<NewProfileModel>(this)](Made made) {
            if (!arrived(self, made)) return;
            model::AppModel& app = self->app_;
            model::Router& router = self->router_;
            app.reload();
            self->creating_ = false;
            self->dismiss();  // may delete the sheet: only locals below
            router.setRoute(model::Route::profile(made.profile->id));
            app.mainExecutor().postAfter(std::chrono::milliseconds(readyDelayMs),
                                         [app = QPointer<model::AppModel>(&app), profile = *made.profile] {
                                             if (app) app->setProfileReady(profile);
                                         });
        });
}

// ---- closing ----

void NewProfileModel::clearHandOver() {
    if (!handOverUsed_ || handOverSpent_) return;
    // The sheet that took the hand-over closed without creating: a later sheet starts afresh.
    router_.setPendingPreset(std::nullopt);
    router_.setPendingAutoPreset(false);
    router_.setPendingProfileName("");
}

void NewProfileModel::dismiss() {
    if (closed_) return;
    closed_ = true;
    clearHandOver();
    emit changed();
    router_.setShowNewProfile(false);
}

}  // namespace orvane::profiles

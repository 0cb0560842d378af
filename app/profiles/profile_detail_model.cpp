#include "app/profiles/profile_detail_model.h"

#include <QDateTime>
#include <QDir>
#include <QLocale>
#include <QPointer>

#include <algorithm>

#include "app/kit/catalog_sort.h"
#include "app/kit/centered_alert.h"
#include "app/kit/dialogs.h"
#include "app/kit/localization.h"
#include "app/model/app_model.h"
#include "app/model/router.h"
#include "core/base/atomic_file.h"
#include "core/xmp/develop_preset.h"

namespace orvane::profiles {

namespace fs = std::filesystem;

namespace {
std::string trimmedOfBlanks(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::set<Uuid> idSet(const std::vector<Uuid>& ids) { return {ids.begin(), ids.end()}; }

bool samePath(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec) && !ec;
}
}  // namespace

ProfileDetailServices ProfileDetailServices::standard() {
    ProfileDetailServices s;
    s.writePreset = [](const fs::path& target, std::string_view bytes) { writeFileAtomically(target, bytes); };
    return s;
}

QString profileDateText(const Date& date) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(date.time_since_epoch()).count();
    const QLocale locale(kit::englishInterface() ? QStringLiteral("en_US") : QStringLiteral("ro_RO"));
    return locale.toString(QDateTime::fromMSecsSinceEpoch(ms), QStringLiteral("d MMM yyyy, HH:mm"));
}

ProfileDetailModel::ProfileDetailModel(model::AppModel& app, model::Router& router, Profile profile,
                                       ProfileDetailServices services, QObject* parent)
    : QObject(parent), app_(app), router_(router), services_(std::move(services)) {
    setProfile(std::move(profile));
    savedName_ = profile_.name;
    selected_ = idSet(profile_.catalogIDs);
    hadBuild_ = app_.profileBuild().has_value();
    wasTraining_ = isTraining();
    connect(&app_, &model::AppModel::profileBuildChanged, this, [this] {
        const bool has = app_.profileBuild().has_value();
        const bool training = isTraining();
        const bool ended = hadBuild_ && !has;
        const bool flipped = has != hadBuild_ || training != wasTraining_;
        hadBuild_ = has;
        wasTraining_ = training;
        // The end of any build: the stored profile may have new results. The model rereads its lists
        // right after it clears the build, so the copy is taken once that step is over.
        if (ended) {
            app_.mainExecutor().post([self = QPointer<ProfileDetailModel>(this)] {
                if (self) self->refreshProfile();
            });
        }
        if (flipped) {
            emit changed();
        }
        emit buildProgressed();
    });
    connect(&app_, &model::AppModel::profilesChanged, this, &ProfileDetailModel::changed);
    connect(&app_, &model::AppModel::catalogsChanged, this, &ProfileDetailModel::changed);
    connect(&router_, &model::Router::preferredProfileChanged, this, &ProfileDetailModel::changed);
}

void ProfileDetailModel::setProfile(Profile profile) {
    profile_ = std::move(profile);
    built_ = profile_.isBuilt();
}

bool ProfileDetailModel::isTraining() const {
    const auto& build = app_.profileBuild();
    return build && build->profileID == profile_.id;
}

bool ProfileDetailModel::buildRuns() const { return app_.profileBuild().has_value(); }

bool ProfileDetailModel::isDefault() const { return app_.usableProfileID(router_.preferredProfile()) == profile_.id; }

bool ProfileDetailModel::nameChanged() const {
    const std::string trimmed = trimmedOfBlanks(profile_.name);
    return !trimmed.empty() && trimmed != savedName_;
}

std::vector<TrainingCatalog> ProfileDetailModel::visibleCatalogs() const {
    std::vector<TrainingCatalog> kept;
    for (const TrainingCatalog& c : app_.catalogs()) {
        if (c.rawMissing == 0 || profile_.usesPreviews() || selected_.count(c.id)) kept.push_back(c);
    }
    return kit::sortTrainingCatalogs(std::move(kept), kit::catalogSortSetting(app_.defaults()));
}

std::vector<TrainingCatalog> ProfileDetailModel::selectedCatalogs() const {
    std::vector<TrainingCatalog> out;
    for (const TrainingCatalog& c : app_.catalogs()) {
        if (selected_.count(c.id)) out.push_back(c);
    }
    return out;
}

std::int64_t ProfileDetailModel::selectionSize() const {
    std::int64_t total = 0;
    for (const TrainingCatalog& c : selectedCatalogs()) total += c.trainable(&profile_);
    return total;
}

QString ProfileDetailModel::buildButtonText() const {
    return kit::localized(built_ ? "Actualizează" : "Construiește");
}

std::vector<ProfileDetailModel::InfoRow> ProfileDetailModel::infoRows() const {
    std::vector<InfoRow> rows;
    rows.push_back({QStringLiteral("doc.text"), kit::localized("Preset Lightroom"),
                    QString::fromStdString(profile_.presetName), false});
    if (built_) {
        const bool instant = profile_.isInstant();
        rows.push_back({QStringLiteral("checkmark.seal.fill"), kit::localized(instant ? "Creat" : "Antrenat"),
                        profile_.built ? profileDateText(*profile_.built) : QString(), false});
        rows.push_back({instant ? QStringLiteral("bolt.fill") : QStringLiteral("photo.stack"),
                        kit::localized(instant ? "Model" : "Fotografii"),
                        instant ? kit::localized("de bază") : QString::number(profile_.samples), false});
    } else {
        rows.push_back({QStringLiteral("exclamationmark.triangle.fill"), kit::localized("Stare"),
                        kit::localized("Neconstruit"), true});
    }
    return rows;
}

double ProfileDetailModel::buildSeconds() const {
    const auto& build = app_.profileBuild();
    if (!build || build->profileID != profile_.id) return 0;
    return std::chrono::duration<double>(app_.mainExecutor().now() - build->started).count();
}

void ProfileDetailModel::setName(const QString& name) {
    const std::string text = name.toStdString();
    if (text == profile_.name) return;
    profile_.name = text;
    emit changed();
}

bool ProfileDetailModel::saveProfile() {
    try {
        profile_.save();
    } catch (const std::exception& e) {
        app_.setError(std::string(e.what()));
        return false;
    }
    app_.reload();
    return true;
}

void ProfileDetailModel::makeDefault() {
    router_.setPreferredProfile(profile_.id);
    emit changed();
}

void ProfileDetailModel::rename() {
    const auto answer = kit::dialogs().askForName(QString::fromStdString(profile_.name),
                                                  kit::localized("Redenumește profilul"),
                                                  kit::localized("Numele este doar o etichetă; presetul și modelul nu se modifică."));
    if (!answer) return;
    profile_.name = answer->toStdString();
    savedName_ = profile_.name;
    saveProfile();
    emit nameReset();
    emit changed();
}

void ProfileDetailModel::exportPackage() {
    if (isTraining() || !built_) return;
    const QString extension = QString::fromUtf8(Profile::packageExtension.data(), qsizetype(Profile::packageExtension.size()));
    const auto file = kit::dialogs().chooseSaveFile(kit::localized("Exportă profilul într-un singur fișier"),
                                                    QString::fromStdString(profile_.name) + "." + extension, extension);
    if (!file || file->isEmpty()) return;
    try {
        profile_.exportPackage(fs::path(file->toStdString()));
    } catch (const std::exception& e) {
        app_.setError(std::string(e.what()));
    }
}

void ProfileDetailModel::duplicate() {
    try {
        profile_.duplicate();
    } catch (const std::exception& e) {
        app_.setError(std::string(e.what()));
        return;
    }
    app_.reload();
}

void ProfileDetailModel::confirmDelete() {
    if (isTraining()) return;
    const QString title = kit::localized("Ștergi profilul „") + QString::fromStdString(profile_.name) + QString::fromUtf8("”?");
    if (!kit::dialogs().confirm(title,
                                kit::localized("Profilul (presetul copiat și modelul) se mută în Coș. Proiectele care îl "
                                               "folosesc nu mai pot procesa fotografii noi."),
                                kit::localized("Șterge")))
        return;
    try {
        profile_.remove();
    } catch (const std::exception& e) {
        app_.setError(std::string(e.what()));
        return;
    }
    app_.reload();
}

void ProfileDetailModel::choosePreset() {
    if (isTraining()) return;
    const QStringList files = kit::dialogs().chooseFiles(kit::localized("Alege presetul Lightroom (.xmp)"),
                                                         {QStringLiteral("xmp")}, false);
    if (files.isEmpty()) return;
    replacePreset(fs::path(files.first().toStdString()));
}

void ProfileDetailModel::replacePreset(const fs::path& chosen) {
    // The bytes read are the bytes checked and the bytes copied.
    std::string bytes;
    std::optional<DevelopPreset> preset;
    try {
        bytes = readWholeFile(chosen);
        preset = DevelopPreset::parse(bytes, chosen);
    } catch (const std::exception&) {
        app_.setError(kit::localized("Fișierul ales nu este un preset Lightroom valid.").toStdString());
        return;
    }
    // The profile's own preset chosen again: only its name is taken afresh.
    if (!samePath(chosen, profile_.preset())) {
        try {
            services_.writePreset(profile_.preset(), bytes);
        } catch (const std::exception& e) {
            app_.setError(std::string(e.what()));
            return;
        }
    }
    profile_.presetName = preset->name();
    saveProfile();
    emit changed();
}

void ProfileDetailModel::commitName() {
    const std::string trimmed = trimmedOfBlanks(profile_.name);
    if (trimmed.empty()) {
        profile_.name = savedName_;
    } else {
        profile_.name = trimmed;
        savedName_ = trimmed;
        saveProfile();
    }
    emit nameReset();
    emit changed();
}

void ProfileDetailModel::revertName() {
    profile_.name = savedName_;
    emit nameReset();
    emit changed();
}

const Profile* ProfileDetailModel::storedProfile() const {
    const auto& list = app_.profiles();
    const auto it = std::find_if(list.begin(), list.end(), [&](const Profile& p) { return p.id == profile_.id; });
    return it == list.end() ? nullptr : &*it;
}

void ProfileDetailModel::refreshProfile() {
    if (const Profile* stored = storedProfile()) {
        setProfile(*stored);
        savedName_ = profile_.name;
        emit nameReset();
    }
    emit changed();
}

void ProfileDetailModel::setCatalogSelected(const Uuid& catalog, bool on) {
    if (isTraining()) return;
    if (on ? !selected_.insert(catalog).second : selected_.erase(catalog) == 0) return;
    emit changed();
}

void ProfileDetailModel::openCatalogImport() {
    app_.defaults().set(libraryProfileKey, Json(profile_.id.text()));
    if (services_.openImport) {
        services_.openImport([self = QPointer<ProfileDetailModel>(this)] {
            if (self) self->importClosed();
        });
        return;
    }
    router_.setImportRequested(true);
    router_.setRoute(model::Route::library());
}

void ProfileDetailModel::importClosed() {
    if (const Profile* stored = storedProfile()) {
        setProfile(*stored);
        selected_ = idSet(profile_.catalogIDs);
    }
    emit changed();
}

void ProfileDetailModel::startBuild() {
    if (!canBuild()) return;
    app_.learnFromCatalogs(profile_, selectedCatalogs());
}

void ProfileDetailModel::cancelBuild() { app_.cancelProfileBuild(); }

void ProfileDetailModel::saveTuning(const ProfileTuning& tuning) {
    if (tuning.isZero()) {
        profile_.tuning.reset();
    } else {
        profile_.tuning = tuning;
    }
    emit changed();
    if (!saveProfile()) return;
    // Every project of this profile edits with the new corrections from its next run.
    const std::vector<Project> projects = app_.projects();
    for (const Project& p : projects) {
        if (p.profileID == profile_.id) app_.makeJob(p)->setProfileTuning(tuning);
    }
}

}  // namespace orvane::profiles

#include "app/profiles/profiles_list_model.h"

#include <algorithm>
#include <exception>

#include "app/kit/dialogs.h"
#include "app/kit/localization.h"
#include "app/profiles/profile_card_model.h"
#include "app/profiles/profiles_texts.h"
#include "core/base/error_text.h"
#include "core/style/profile_package.h"

namespace orvane::profiles {

namespace {
const QString packageExtension = QString::fromUtf8(Profile::packageExtension.data(), qsizetype(Profile::packageExtension.size()));
}

ProfilesListModel::ProfilesListModel(model::AppModel& model, model::Router& router, QObject* parent)
    : QObject(parent), model_(model), router_(router) {
    registerProfilesTexts();
}

std::vector<Profile> ProfilesListModel::builtProfiles() const {
    std::vector<Profile> out;
    for (const Profile& p : profiles())
        if (p.isBuilt()) out.push_back(p);
    return out;
}

void ProfilesListModel::startSelecting() {
    if (selecting_) return;
    selecting_ = true;
    emit selectionChanged();
}

void ProfilesListModel::endSelecting() {
    selecting_ = false;
    selected_.clear();
    emit selectionChanged();
}

void ProfilesListModel::toggle(const Uuid& id) {
    if (!selected_.erase(id)) selected_.insert(id);
    emit selectionChanged();
}

void ProfilesListModel::toggleAll() {
    if (allSelected()) {
        selected_.clear();
    } else {
        selected_.clear();
        for (const Profile& p : profiles()) selected_.insert(p.id);
    }
    emit selectionChanged();
}

QString ProfilesListModel::selectionText() const {
    if (selected_.empty()) return kit::localized("Alege profiluri");
    return kit::localized("%1 selectate").arg(QString::number(selected_.size()));
}

QString ProfilesListModel::selectAllTitle() const {
    return allSelected() ? kit::localized("Deselectează tot") : kit::localized("Selectează tot");
}

std::vector<Profile> ProfilesListModel::deleteTargets() const {
    // Read once, now: the build that runs when the trash button is pressed.
    std::optional<Uuid> training;
    if (model_.profileBuild()) training = model_.profileBuild()->profileID;
    std::vector<Profile> out;
    for (const Profile& p : profiles())
        if (isSelected(p.id) && p.id != training) out.push_back(p);
    return out;
}

void ProfilesListModel::deleteSelected() {
    const std::vector<Profile> targets = deleteTargets();
    if (targets.empty()) return;
    const QString question = targets.size() == 1
                                 ? deleteOneQuestion(targets.front().name)
                                 : kit::localized("Ștergi %1 profiluri?").arg(QString::number(targets.size()));
    if (!kit::dialogs().confirm(question, deleteInformative(), kit::localized("Șterge"))) return;
    QStringList failed;
    std::string firstReason;
    for (const Profile& p : targets) {
        try {
            p.remove();
        } catch (...) {
            failed << QString::fromUtf8("„%1”").arg(QString::fromStdString(p.name));
            if (firstReason.empty()) firstReason = errorText(std::current_exception());
        }
    }
    model_.reload();
    endSelecting();
    // Profiles left behind are named, so a failure is never mistaken for a deletion.
    if (!failed.isEmpty()) {
        QString text = kit::localized("Nu am putut muta în Coș: %1").arg(failed.join(QStringLiteral(", ")));
        if (!firstReason.empty()) text += QStringLiteral("\n") + QString::fromStdString(firstReason);
        model_.setError(text.toStdString());
    }
}

void ProfilesListModel::renameSelected() {
    if (!canRename()) return;
    auto it = std::find_if(profiles().begin(), profiles().end(), [&](const Profile& p) { return isSelected(p.id); });
    if (it == profiles().end()) return;
    const Profile profile = *it;
    if (renameProfile(model_, profile)) endSelecting();
}

void ProfilesListModel::importProfile() {
    const QStringList chosen =
        kit::dialogs().chooseFiles(kit::localized("Alege un profil exportat (.orvaneprofile)"), {packageExtension}, false);
    if (chosen.isEmpty()) return;
    std::set<std::string> names;
    for (const Profile& p : profiles()) names.insert(p.name);
    Profile imported;
    try {
        imported = Profile::importPackage(chosen.front().toStdString(), names);
    } catch (...) {
        model_.setError(errorText(std::current_exception()));
        return;
    }
    model_.reload();
    router_.setRoute(model::Route::profile(imported.id));
}

void ProfilesListModel::exportProfile(const Profile& profile) {
    const std::optional<QString> destination = kit::dialogs().chooseSaveFile(
        kit::localized("Exportă profilul într-un singur fișier"), suggestedExportName(profile.name), packageExtension);
    if (!destination) return;
    try {
        profile.exportPackage(destination->toStdString());
    } catch (...) {
        model_.setError(errorText(std::current_exception()));
    }
}

QString ProfilesListModel::suggestedExportName(const std::string& profileName) {
    return QString::fromStdString(ProfilePackage::folderName(profileName)) + QStringLiteral(".") + packageExtension;
}

}  // namespace orvane::profiles

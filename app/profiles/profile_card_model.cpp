#include "app/profiles/profile_card_model.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>

#include <algorithm>
#include <array>
#include <exception>
#include <vector>

#include "app/kit/dialogs.h"
#include "app/kit/localization.h"
#include "app/profiles/profiles_texts.h"
#include "core/base/error_text.h"

namespace orvane::profiles {

std::int64_t stableHash31(std::string_view text) {
    // Unsigned arithmetic wraps by definition; the result is the two's-complement value.
    std::uint64_t h = 0;
    for (unsigned char b : text) h = h * 31u + b;
    return static_cast<std::int64_t>(h);
}

int colorIndexOfHash(std::int64_t hash) {
    const std::uint64_t magnitude = hash < 0 ? 0u - static_cast<std::uint64_t>(hash) : static_cast<std::uint64_t>(hash);
    return static_cast<int>(magnitude % 8u);
}

int profileColorIndex(const Uuid& id) { return colorIndexOfHash(stableHash31(id.text())); }

QColor profileColor(const Uuid& id) {
    static constexpr std::array<std::array<double, 3>, 8> table{{
        {0.25, 0.52, 1.0},
        {1.0, 0.58, 0.2},
        {0.2, 0.72, 0.45},
        {0.62, 0.38, 0.92},
        {0.95, 0.35, 0.55},
        {0.12, 0.7, 0.75},
        {0.93, 0.3, 0.28},
        {0.35, 0.36, 0.84},
    }};
    const auto& c = table[std::size_t(profileColorIndex(id))];
    return QColor::fromRgbF(float(c[0]), float(c[1]), float(c[2]));
}

QString profileDateText(Date date) { return kit::abbreviatedDateText(date); }

QString profileSubtitle(const Profile& profile) {
    registerProfilesTexts();
    QStringList pieces;
    if (profile.isInstant()) {
        pieces << kit::localized("Profil instant · model de bază");
        if (profile.built) pieces << kit::localized("creat %1").arg(profileDateText(*profile.built));
    } else {
        pieces << kit::localized("%1 fotografii de antrenare").arg(QString::number(profile.samples));
        pieces << kit::localized("%1 cataloage").arg(QString::number(profile.catalogIDs.size()));
        if (profile.built) pieces << kit::localized("actualizat %1").arg(profileDateText(*profile.built));
    }
    return pieces.join(QString::fromUtf8(" · "));
}

ProfileCardState cardState(const Profile& profile, const model::AppModel& model, const model::Router& router) {
    ProfileCardState s;
    s.built = profile.isBuilt();
    s.needsUpdate = profile.needsUpdate();
    s.anyBuild = model.profileBuild().has_value();
    s.training = s.anyBuild && model.profileBuild()->profileID == profile.id;
    s.isDefault = model.usableProfileID(router.preferredProfile()) == std::optional<Uuid>(profile.id);
    s.pillText = s.built ? QString::fromUtf8("Construit") : QString::fromUtf8("Neconstruit");
    s.pillSymbol = s.built ? QStringLiteral("checkmark") : QStringLiteral("exclamationmark.triangle");
    s.pillKind = s.built ? kit::StatusKind::ok : kit::StatusKind::warn;
    s.colouredTile = s.built;
    if (!(s.built && !s.needsUpdate && !s.training)) {
        s.trainText = s.training      ? QString::fromUtf8("Se antrenează…")
                      : s.needsUpdate ? QString::fromUtf8("Actualizează")
                                      : QString::fromUtf8("Antrenează");
    }
    s.trainEnabled = !s.anyBuild;
    s.deleteEnabled = !s.training;
    s.defaultButton = s.built;
    return s;
}

QString deleteOneQuestion(const std::string& name) {
    return kit::localized("Ștergi profilul „%1”?").arg(QString::fromStdString(name));
}

QString deleteInformative() {
    return kit::localized(
        "Profilul (presetul copiat și modelul) se mută în Coș. Proiectele care îl folosesc nu mai pot procesa "
        "fotografii noi.");
}

void openProfile(model::Router& router, const Profile& profile) { router.setRoute(model::Route::profile(profile.id)); }

bool renameProfile(model::AppModel& model, const Profile& profile) {
    registerProfilesTexts();
    const std::optional<QString> name =
        kit::dialogs().askForName(QString::fromStdString(profile.name), kit::localized("Redenumește profilul"),
                                  kit::localized("Numele este doar o etichetă; presetul și modelul nu se modifică."));
    if (!name) return false;
    Profile renamed = profile;
    renamed.name = name->toStdString();
    try {
        renamed.save();
    } catch (...) {
        model.setError(errorText(std::current_exception()));
        return true;
    }
    model.reload();
    return true;
}

void deleteProfile(model::AppModel& model, const Profile& profile) {
    registerProfilesTexts();
    if (!kit::dialogs().confirm(deleteOneQuestion(profile.name), deleteInformative(), kit::localized("Șterge"))) return;
    try {
        profile.remove();
    } catch (...) {
        model.setError(errorText(std::current_exception()));
        return;
    }
    model.reload();
}

void makeDefaultProfile(model::Router& router, const Profile& profile) { router.setPreferredProfile(profile.id); }

void trainProfile(model::AppModel& model, model::Router& router, const Profile& profile) {
    std::vector<TrainingCatalog> catalogs;
    for (const TrainingCatalog& c : model.catalogs())
        if (std::find(profile.catalogIDs.begin(), profile.catalogIDs.end(), c.id) != profile.catalogIDs.end())
            catalogs.push_back(c);
    if (catalogs.empty()) {
        openProfile(router, profile);
        return;
    }
    model.learnFromCatalogs(profile, catalogs);
}

}  // namespace orvane::profiles

#include "app/library/library_texts.h"

#include <QDateTime>
#include <QLocale>

#include <algorithm>
#include <cmath>

#include "app/kit/localization.h"
#include "app/model/duration_text.h"

namespace orvane::library {

namespace {
// The English of the library's texts; the Romanian is the key.
const bool englishRegistered = [] {
    kit::addEnglishTexts({
        {"Importă cataloage", "Import catalogs"},
        {"Caut cataloagele Lightroom de pe calculator…", "Looking for Lightroom catalogs on this computer…"},
        {"Analizez cataloagele: %1 din %2…", "Analysing catalogs: %1 of %2…"},
        {"%1 cu fotografii valide de antrenare, din %2 găsite.", "%1 with valid training photos, of %2 found."},
        {"Cu cataloagele importate antrenezi profilul", "The imported catalogs train the profile"},
        {"Alege profilul din meniu", "Choose the profile from the menu"},
        {"Doar importă, fără profil", "Only import, no profile"},
        {"Caută după nume sau folder", "Search by name or folder"},
        {"Bifează toate", "Tick all"},
        {"Debifează toate", "Untick all"},
        {"Nu am găsit niciun catalog. Folosește „Alege manual…”.", "No catalog found. Use “Choose manually…”."},
        {"Niciun rezultat pentru căutare.", "Nothing matches the search."},
        {"Arată și cataloagele fără fotografii valide (%1)", "Also show catalogs without valid photos (%1)"},
        {"Alege manual…", "Choose manually…"},
        {"Anulează", "Cancel"},
        {"Importă (%1)", "Import (%1)"},
        {"Importă", "Import"},
        {"%1 din %2", "%1 of %2"},
        {"Cataloagele se copiază în aplicație (verificat SHA-256); originalele nu se modifică. Lightroom trebuie să fie închis.",
         "Catalogs are copied into the application (SHA-256 checked); the originals are not changed. Lightroom must be closed."},
        {"importat", "imported"},
        {"nu se poate citi", "cannot be read"},
        {"%1 fotografii valide", "%1 valid photos"},
        {"fără fotografii valide", "no valid photos"},
        {"din %1 · Smart Preview", "of %1 · Smart Preview"},
        {"din %1 RAW", "of %1 RAW"},
        {"%1 fără RAW pe disc", "%1 without RAW on disk"},
        {"%1 editate, fără RAW pe disc", "%1 edited, no RAW on disk"},
        {"%1 RAW, needitate", "%1 RAW, unedited"},
        {"același nume", "same name"},
        {"Alt catalog cu același nume există în alt folder", "Another catalog with the same name is in another folder"},
        {"Îmbunătățește profilul", "Improve the profile"},
        {"%1 cataloage · %2 fotografii utilizabile", "%1 catalogs · %2 usable photos"},
        {"Elimină", "Remove"},
        {"Actualizează profilul", "Update the profile"},
        {"Importă catalog Lightroom", "Import a Lightroom catalog"},
        {"Pentru rezultate bune: minim 500 de fotografii editate, din cel puțin 3 evenimente diferite.",
         "For good results: at least 500 edited photos from at least 3 different events."},
        {"Profilul pe care îl îmbunătățești", "The profile you are improving"},
        {"Schimbă profilul", "Change profile"},
        {"fotografii din %1 cataloage", "photos from %1 catalogs"},
        {"Caută catalog", "Search catalogs"},
        {"Arată și cataloagele cu fișiere lipsă (%1)", "Also show catalogs with missing files (%1)"},
        {"Folosit", "Used"},
        {"Catalog", "Catalog"},
        {"Importat", "Imported"},
        {"Utilizabile", "Usable"},
        {"Stare", "Status"},
        {"complet", "complete"},
        {"%1 lipsă", "%1 missing"},
        {"Utilizabil = RAW pe disc, cu Exposure și Temperature în catalog.", "Usable = RAW on disk, with Exposure and Temperature in the catalog."},
        {"Un catalog = un eveniment la evaluare", "One catalog = one event in the evaluation"},
        {"Importă un catalog Lightroom ca să poți construi un profil.", "Import a Lightroom catalog to build a profile."},
        {"Recomandat: minim 500 de fotografii editate, din cel puțin 3 evenimente diferite.",
         "Recommended: at least 500 edited photos from at least 3 different events."},
        {"Apasă aici", "Click here"},
        {"Creează întâi un profil", "Create a profile first"},
        {"Folosit la antrenarea profilului ales", "Used to train the chosen profile"},
        {"Trăsături %1/%2", "Features %1/%2"},
        {"Validare %1/%2", "Validation %1/%2"},
        {"Antrenare model final", "Training the final model"},
        {"Învață din acest proiect", "Learn from this project"},
        {"Pornește", "Start"},
        {"Alege catalogul…", "Choose the catalog…"},
    });
    return true;
}();
}  // namespace

QString catalogDateText(const Date& date) {
    const bool english = kit::englishInterface();
    const QLocale locale(english ? QStringLiteral("en_US") : QStringLiteral("ro_RO"));
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(date.time_since_epoch()).count();
    const QDate day = QDateTime::fromMSecsSinceEpoch(ms).date();
    return locale.toString(day, english ? QStringLiteral("MMM d, yyyy") : QStringLiteral("d MMM yyyy"));
}

QString withNumbers(const char* romanian, std::initializer_list<long long> numbers) {
    (void)englishRegistered;
    QString text = kit::localized(romanian);
    int index = 1;
    for (long long n : numbers) text.replace(QStringLiteral("%%1").arg(index++), QString::number(n));
    return text;
}

BuildProgress buildProgress(const ProfileBuilder::Phase& phase, const std::optional<double>& elapsedSeconds,
                            bool english) {
    using Kind = ProfileBuilder::Phase::Kind;
    BuildProgress p;
    switch (phase.kind) {
        case Kind::features:
            p.text = withNumbers("Trăsături %1/%2", {phase.first, phase.second});
            p.fraction = phase.second > 0 ? 0.8 * double(phase.first) / double(phase.second) : 1.0;
            break;
        case Kind::evaluation:
            p.text = withNumbers("Validare %1/%2", {phase.first, phase.second});
            p.fraction = phase.second > 0 ? 0.8 + 0.15 * double(phase.first) / double(phase.second) : 0.95;
            break;
        case Kind::training:
            p.text = kit::localized("Antrenare model final");
            p.fraction = 0.97;
            break;
    }
    if (!std::isfinite(p.fraction)) p.fraction = 0;
    p.fraction = std::clamp(p.fraction, 0.0, 1.0);
    if (elapsedSeconds)
        p.text += QStringLiteral(" · ") + QString::fromStdString(model::durationText(*elapsedSeconds, english));
    return p;
}

}  // namespace orvane::library

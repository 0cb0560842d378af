#include "app/profiles/profiles_texts.h"

#include "app/kit/localization.h"

namespace orvane::profiles {

void registerProfilesTexts() {
    static const bool done = [] {
        kit::addEnglishTexts({
            {"Profiluri", "Profiles"},
            {"Îmbunătățește profilul", "Improve the profile"},
            {"Profiluri AI", "AI profiles"},
            {"Selectează", "Select"},
            {"Importă profil", "Import profile"},
            {"Exportă profil", "Export profile"},
            {"Profil nou", "New profile"},
            {"%1 selectate", "%1 selected"},
            {"Alege profiluri", "Choose profiles"},
            {"Deselectează tot", "Deselect all"},
            {"Selectează tot", "Select all"},
            {"Redenumește", "Rename"},
            {"Șterge", "Delete"},
            {"Gata", "Done"},
            {"Ștergi profilul „%1”?", "Delete the profile “%1”?"},
            {"Ștergi %1 profiluri?", "Delete %1 profiles?"},
            {"Profilul (presetul copiat și modelul) se mută în Coș. Proiectele care îl folosesc nu mai pot procesa "
             "fotografii noi.",
             "The profile (the copied preset and the model) moves to the Trash. Projects that use it can no longer "
             "process new photos."},
            {"Nu am putut muta în Coș: %1", "Could not move to the Trash: %1"},
            {"Redenumește profilul", "Rename the profile"},
            {"Numele este doar o etichetă; presetul și modelul nu se modifică.",
             "The name is only a label; the preset and the model do not change."},
            {"Alege un profil exportat (.orvaneprofile)", "Choose an exported profile (.orvaneprofile)"},
            {"Exportă profilul într-un singur fișier", "Export the profile as a single file"},
            {"Profil instant · model de bază", "Instant profile · base model"},
            {"creat %1", "created %1"},
            {"%1 fotografii de antrenare", "%1 training photos"},
            {"%1 cataloage", "%1 catalogs"},
            {"actualizat %1", "updated %1"},
            {"Construit", "Built"},
            {"Neconstruit", "Not built"},
            {"Implicit", "Default"},
            {"Setează ca implicit", "Set as default"},
            {"Profilul folosit implicit la editare", "The profile used by default for editing"},
            {"Folosește acest profil implicit la editare", "Use this profile by default for editing"},
            {"Se antrenează…", "Training…"},
            {"Actualizează", "Update"},
            {"Antrenează", "Train"},
            {"Deschide", "Open"},
            {"Redenumește…", "Rename…"},
            {"Niciun profil încă", "No profile yet"},
            {"Un profil = presetul tău Lightroom + modelul antrenat pe cataloagele tale.",
             "A profile = your Lightroom preset + the model trained on your catalogs."},
            {"Apasă aici ca să creezi primul profil.", "Click here to create your first profile."},
            {"Apasă aici: întâi imporți un catalog Lightroom, apoi poți crea profilul.",
             "Click here: first import a Lightroom catalog, then you can create the profile."},
        });
        return true;
    }();
    (void)done;
}

}  // namespace orvane::profiles

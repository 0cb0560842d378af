#include "app/guide/guide_steps.h"

namespace orvane::guide {

namespace {

QString u(const char* text) { return QString::fromUtf8(text); }

std::vector<GuideStep> makeSteps(bool catalog) {
    using D = GuideDestination;
    const QString openProjects = u("Deschide Proiecte");
    std::vector<GuideStep> steps;
    steps.push_back({u("Pregătește profilul"),
                     u("O singură dată, apoi îl refolosești la fiecare eveniment."),
                     {u("În Profiluri AI, apasă Profil nou. Un profil Instant e gata imediat, cu stil neutru sau cu un "
                        "preset al tău, fără nimic de antrenat."),
                      u("Pentru stilul tău, alege Profil AI și importă cataloagele Lightroom cu fotografii editate de "
                        "tine; din ele învață aplicația cum editezi."),
                      u("Dacă ai deja un profil gata, treci mai departe.")},
                     u("Ai un profil construit, disponibil la crearea proiectului."),
                     u("Deschide Profiluri AI"),
                     D::profiles});
    if (catalog)
        steps.push_back({u("Pregătește fotografiile"),
                         u("Pornești de la catalogul în care lucrezi deja în Lightroom."),
                         {u("Importă fotografiile evenimentului în Lightroom, ca de obicei."),
                          u("Verifică dacă RAW-urile originale sunt disponibile și discul este conectat."),
                          u("Reține catalogul acestui eveniment: îl vei selecta la Proiect nou. Nu este catalogul "
                            "folosit pentru antrenare.")},
                         u("Fotografiile evenimentului sunt în catalog și RAW-urile sunt accesibile."),
                         u("Deschide Lightroom"),
                         D::lightroom});
    else
        steps.push_back({u("Pregătește fotografiile"),
                         u("Pornești direct de la un folder cu fotografii RAW."),
                         {u("Pune fotografiile evenimentului într-un folder ușor de identificat. Sunt incluse și "
                            "subfolderele."),
                          u("Conectează discul și păstrează RAW-urile în aceeași locație cât lucrezi la proiect."),
                          u("La Proiect nou, selectează Folder cu RAW-uri. Nu este necesar să imporți mai întâi "
                            "fotografiile într-un catalog.")},
                         u("Ai un folder accesibil, gata de ales ca sursă a proiectului."),
                         u("Deschide Proiect nou"),
                         D::newProject});
    const std::array<QString, 3> chooseCatalog{
        u("Apasă Proiect nou și alege catalogul Lightroom al evenimentului. Dă proiectului un nume, dacă vrei altul "
          "decât cel propus."),
        u("Bifează folderele de editat și alege Toate sau Doar fără editări."),
        u("Alege profilul și Nivelul de automatizare (Fără, Recomandat sau Complet). La Funcții suplimentare găsești "
          "îndreptarea, decuparea și retușul pielii.")};
    const std::array<QString, 3> chooseFolder{
        u("Trage folderul evenimentului pe fereastra aplicației, sau alege Folder cu RAW-uri în Proiect nou. Verifică "
          "numărul fotografiilor găsite."),
        u("Dă proiectului un nume, dacă vrei altul decât cel propus."),
        u("Alege profilul și Nivelul de automatizare (Fără, Recomandat sau Complet).")};
    steps.push_back({u("Alege fotografiile și setările"),
                     u("Totul într-o singură fereastră: Proiect nou."),
                     catalog ? chooseCatalog : chooseFolder,
                     u("Ai ales fotografiile, profilul și cât de mult se face automat."),
                     u("Deschide Proiect nou"),
                     D::newProject});
    steps.push_back({u("Pornește editarea"),
                     u("Un singur buton creează proiectul și începe procesarea."),
                     {u("Apasă Pornește editarea. Proiectul se creează și procesarea începe imediat."),
                      u("Dacă vrei să se termine mai repede, activează Prioritizează editarea: folosește mai multe "
                        "resurse ale calculatorului, iar celelalte programe pot merge mai greu cât durează."),
                      u("Urmărești progresul în proiect. Poți pune pauză și relua; dacă apar fotografii eșuate, "
                        "verifică discul și reîncearcă-le.")},
                     u("Procesarea este terminată. Editările sunt pregătite pentru export."),
                     openProjects,
                     D::projects});
    if (catalog)
        steps.push_back({u("Exportă în Lightroom"),
                         u("Acest pas face vizibile editările calculate în catalog."),
                         {u("După procesare, apasă Export în Lightroom din proiect."),
                          u("Dacă Lightroom este deschis, confirmă închiderea lui. Aplicația face mai întâi o copie de "
                            "siguranță a catalogului."),
                          u("Ajustările se scriu în catalog, apoi Lightroom se redeschide pe același catalog.")},
                         u("Lightroom afișează editările. Poți trece la verificare."),
                         openProjects,
                         D::projects});
    else
        steps.push_back({u("Exportă în Lightroom"),
                         u("Pentru un proiect din folder, exportul scrie fișiere XMP."),
                         {u("După procesare, apasă Export în Lightroom și verifică folderul de ieșire."),
                          u("Lightroom citește XMP-ul când este lângă RAW și are același nume. Alege acel folder la "
                            "export; XMP-urile existente se îmbină."),
                          u("Importă RAW-urile în Lightroom sau, dacă sunt deja în catalog, selectează fotografiile "
                            "proiectului și folosește Metadata → Read Metadata from Files.")},
                         u("Lightroom a citit XMP-urile și afișează editările proiectului."),
                         openProjects,
                         D::projects});
    steps.push_back({u("Verifică și ajustează"),
                     u("Acum verifici în Lightroom rezultatul exportat."),
                     {u("În Lightroom, verifică fotografii din mai multe momente ale evenimentului: interior, exterior "
                        "și lumină dificilă."),
                      u("Dacă întregul proiect este prea întunecat sau prea cald, revino la Ajustări globale în "
                        "Vendrel."),
                      u("Apasă Reeditează pentru a aplica noile valori. Pentru schimbări pe o singură fotografie, "
                        "lucrează direct în Lightroom. Versiunile anterioare sunt în Istoric.")},
                     u("Ai verificat rezultatul și ai făcut corecturile finale."),
                     openProjects,
                     D::projects});
    steps.push_back({u("Învață din rezultat"),
                     u("Opțional, după corecturile finale și livrare."),
                     {u("Finalizează corecturile în Lightroom și exportă fotografiile pe care le livrezi."),
                      u("În proiect, folosește Învață din acest proiect sau bannerul care anunță fotografiile "
                        "exportate din Lightroom."),
                      u("Verifică profilul ales înainte de antrenare. Pentru proiectele din folder, alege catalogul "
                        "Lightroom în care ai făcut corecturile.")},
                     u("Profilul poate folosi editările tale finale la antrenare."),
                     openProjects,
                     D::projects});
    return steps;
}

std::vector<GuideSection> makeReference() {
    return {
        {u("Editare"),
         u("slider.horizontal.3"),
         {{u("Nivel de automatizare"),
           u("Fără: doar editarea de bază (expunere și temperatură). Recomandat: adaugă corecția obiectivului și "
             "reducerea zgomotului. Complet: activează toate funcțiile automate. Le poți alege una câte una la "
             "Funcții suplimentare.")},
          {u("Corecție profil obiectiv"),
           u("Corectează distorsiunea și vignetarea obiectivului. În Lightroom se vede ca „Enable Profile "
             "Corrections”.")},
          {u("Reducere zgomot"),
           u("Reduce automat zgomotul la fotografiile făcute în lumină slabă, fără să atingă fotografiile curate.")},
          {u("Îndreptare"), u("Îndreaptă fotografiile înclinate, doar când e clar că sunt strâmbe; restul rămân neatinse.")},
          {u("Decupare"),
           u("Alegi raportul dorit. „Raport original” păstrează formatul fotografiei; „Decupare jos” e potrivită pentru "
             "grupuri.")}}},
        {u("Retușare inteligentă · AI"),
         u("wand.and.stars"),
         {{u("Netezire piele"),
           u("Netezește discret pielea feței. Intensitatea se reglează, iar în Lightroom o poți modifica ulterior.")},
          {u("Egalizează fețele"),
           u("Echilibrează luminozitatea fotografiilor după fețele din prim-plan, pentru un ten uniform în toată "
             "galeria.")},
          {u("Albire dinți"), u("Albește discret dinții la fotografiile cu zâmbet, cu intensitate reglabilă.")},
          {u("Reîncadrare inteligentă"),
           u("Reîncadrează fotografiile pentru o compoziție mai echilibrată, fără să taie persoanele din cadru.")}}},
        {u("Cum se combină îndreptarea, reîncadrarea și decuparea"),
         u("square.on.square.dashed"),
         {{u("Împreună"),
           u("Se pot folosi toate trei. Reîncadrarea inteligentă are prioritate față de decuparea standard.")},
          {u("Fără surprize"),
           u("Aplicația evită să taie persoanele din cadru; dacă o modificare ar afecta compoziția, fotografia rămâne "
             "cum ai făcut-o.")}}},
        {u("Ce să alegi, în trei situații"),
         u("lightbulb"),
         {{u("Galerie de nuntă, mod general"),
           u("Îndreptare da · Reîncadrare inteligentă da · Decupare „Raport original”.")},
          {u("Livrare cu raport fix (album, rețele sociale)"),
           u("Îndreptare da · Reîncadrare inteligentă nu · Decupare cu raportul dorit.")},
          {u("Portrete cu pielea de retușat"), u("Netezire piele da · Egalizează fețele da · Albire dinți după gust.")}},
         true},
        {u("Ajustări globale, Reeditează și istoric"),
         u("slider.horizontal.below.rectangle"),
         {{u("Ajustări globale"),
           u("Se deblochează după prima editare: mai luminos, mai cald, contrast și altele. Se aplică la tot "
             "proiectul.")},
          {u("Reeditează"),
           u("Aplică din nou ajustările la toate fotografiile și actualizează Lightroom, fără să procesezi iar "
             "fotografiile.")},
          {u("Istoric"),
           u("La fiecare export se salvează setările proiectului. În Reeditează poți reveni la oricare versiune.")}}},
        {u("Îmbunătățește profilul"),
         u("brain.head.profile"),
         {{u("Cum se construiește"),
           u("Imporți cataloage Lightroom cu fotografii editate de tine, iar aplicația învață stilul tău din ele.")},
          {u("Câte fotografii"),
           u("Pentru rezultate bune: minim 500 de fotografii editate, din cel puțin 3 evenimente diferite.")},
          {u("Actualizare"), u("Poți actualiza profilul oricând, cu cataloage noi, ca să rămână la zi cu stilul tău.")}}},
        {u("Siguranța catalogului"),
         u("externaldrive.badge.timemachine"),
         {{u("Copie de siguranță"),
           u("Înainte de fiecare scriere se face o copie a catalogului. O găsești în Setări → Copii de siguranță.")},
          {u("Lightroom închis"),
           u("Catalogul se scrie cât Lightroom e închis; aplicația îl închide cu confirmarea ta și îl redeschide la "
             "final.")}}},
        {u("Ajutor și feedback"),
         u("questionmark.circle"),
         {{u("Spune-ne ce să îmbunătățim"),
           u("Din butonul Ajutor din bara laterală poți scrie oricând ce ți-ar fi util sau ce nu merge.")},
          {u("Timp scutit"), u("Pe pagina Acasă vezi o estimare a timpului scutit față de editarea manuală.")}}},
    };
}

}  // namespace

const std::vector<GuideStep>& guideSteps(bool fromCatalog) {
    static const std::vector<GuideStep> catalog = makeSteps(true);
    static const std::vector<GuideStep> folder = makeSteps(false);
    return fromCatalog ? catalog : folder;
}

QString guideReferenceIntro() { return u("Deschide subiectul care te interesează."); }

const std::vector<GuideSection>& guideReference() {
    static const std::vector<GuideSection> sections = makeReference();
    return sections;
}

}  // namespace orvane::guide

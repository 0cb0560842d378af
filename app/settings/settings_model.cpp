#include "app/settings/settings_model.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QApplication>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

#include "app/kit/dialogs.h"
#include "app/kit/localization.h"
#include "app/kit/palette.h"
#include "app/model/relaunch.h"
#include "app/model/app_model.h"
#include "app/model/user_notifications.h"
#include "app/model/worker_policy.h"
#include "app/platform/dbus_notifications.h"
#include "app/platform/linux_machine_info.h"
#include "app/settings/settings_file.h"
#include "core/base/atomic_file.h"
#include "core/base/work_pool.h"
#include "core/catalog/catalog_backups.h"
#include "core/store/store.h"

namespace orvane::settings {

namespace fs = std::filesystem;

namespace {


// The English of the settings page's texts; the Romanian is the key.
const bool englishRegistered = [] {
    kit::addEnglishTexts({
        {"Setări", "Settings"},
        {"Acasă", "Home"},
        {"Actualizare disponibilă", "Update available"},
        {"Versiunea %1 este disponibilă", "Version %1 is available"},
        {"Omite versiunea", "Skip this version"},
        {"Actualizează acum", "Update now"},
        {"Se descarcă…", "Downloading…"},
        {"Aspect și limbă", "Appearance and language"},
        {"Aspect", "Appearance"},
        {"Automat", "Automatic"},
        {"Zi", "Day"},
        {"Noapte", "Night"},
        {"Stil vizual", "Visual style"},
        {"Fundal și transparență", "Background and transparency"},
        {"Intensitatea gradientului din fundal", "Background gradient strength"},
        {"Transparența cardurilor", "Card transparency"},
        {"Modul zi. Valorile pentru zi și pentru noapte se rețin separat; cu cât cardurile sunt mai transparente, cu atât se vede mai mult fundalul prin ele.",
         "Day mode. Day and night values are kept apart; the more transparent the cards, the more of the background shows through."},
        {"Modul noapte. Valorile pentru zi și pentru noapte se rețin separat; cu cât cardurile sunt mai transparente, cu atât se vede mai mult fundalul prin ele.",
         "Night mode. Day and night values are kept apart; the more transparent the cards, the more of the background shows through."},
        {"Culoare de accent", "Accent colour"},
        {"Limbă", "Language"},
        {"Repornește aplicația ca să aplici limba.", "Restart the application to apply the language."},
        {"Repornește acum", "Restart now"},
        {"Editare", "Editing"},
        {"Arată opțiunile înainte de a porni editarea", "Show the options before editing starts"},
        {"Valori implicite la editare", "Editing defaults"},
        {"Ține minte opțiunile alese la „Pornește editarea”", "Remember the options chosen at “Start editing”"},
        {"Când e oprit, fiecare editare nouă începe cu opțiunile oprite. Când e pornit, rămân ultimele alese, inclusiv intensitățile pentru piele și dinți.",
         "When off, every new edit starts with the options off. When on, the last ones chosen stay, skin and teeth strengths included."},
        {"Performanță", "Performance"},
        {"Fotografii procesate în paralel", "Photos processed in parallel"},
        {"Automat (%1)", "Automatic (%1)"},
        {"Automat: %1 nuclee de performanță + jumătate din cele %2 de eficiență, limitat de cei %3 GB de memorie (câte ~1 GB pe fotografie, 4 GB rămân sistemului). Scade la economisire de energie sau când calculatorul se încălzește. Se aplică la următoarea procesare.",
         "Automatic: %1 performance cores + half of the %2 efficiency ones, limited by the %3 GB of memory (about 1 GB per photo, 4 GB left to the system). Lower in power-saving mode or when the computer is hot. Applies from the next run."},
        {"Nu lăsa calculatorul să adoarmă cât editează", "Keep the computer awake while editing"},
        {"Funcții în testare", "Features in testing"},
        {"Arată funcțiile marcate Beta (Egalizează fețele, Albire dinți, Reîncadrare inteligentă)",
         "Show the features marked Beta (Level faces, Teeth whitening, Smart reframing)"},
        {"Lightroom și catalog", "Lightroom and catalog"},
        {"Scriere în catalog", "Writing into the catalog"},
        {"Redeschide Lightroom după scrierea în catalog", "Reopen Lightroom after writing into the catalog"},
        {"Copii de siguranță păstrate per catalog: %1", "Backups kept per catalog: %1"},
        {"Import și export", "Import and export"},
        {"Include subfolderele la import", "Include subfolders when importing"},
        {"Da", "Yes"},
        {"Nu", "No"},
        {"Calea către Lightroom Classic", "Path to Lightroom Classic"},
        {"Schimbă", "Change"},
        {"Alege programul Lightroom Classic", "Choose the Lightroom Classic program"},
        {"Copii de siguranță ale catalogului", "Catalog backups"},
        {"Înainte de a scrie în catalogul Lightroom, aplicația face o copie. Se păstrează ultimele %1 per catalog; după ce ai verificat editările, le poți șterge.",
         "Before writing into the Lightroom catalog the application makes a copy. The last %1 per catalog are kept; once you have checked the edits you can delete them."},
        {"Limită de spațiu (GB)", "Space limit (GB)"},
        {"0 = fără limită", "0 = no limit"},
        {"fără limită", "no limit"},
        {"Dimensiune: %1", "Size: %1"},
        {"Arată în managerul de fișiere", "Show in the file manager"},
        {"Șterge copiile", "Delete the backups"},
        {"Ștergi copiile de siguranță?", "Delete the backups?"},
        {"Copiile catalogului făcute înainte de scrieri se șterg definitiv.",
         "The catalog copies made before writes are deleted for good."},
        {"Copiile de siguranță nu au putut fi șterse: %1", "The backups could not be deleted: %1"},
        {"Date și spațiu", "Data and space"},
        {"Spațiu pe disc", "Disk space"},
        {"Cataloage importate", "Imported catalogs"},
        {"Proiecte", "Projects"},
        {"Profiluri", "Profiles"},
        {"Cataloagele importate și proiectele se șterg din secțiunile lor (Îmbunătățește profilul, Proiecte). Copiile de siguranță le ștergi mai sus.",
         "Imported catalogs and projects are deleted in their own sections (Improve the profile, Projects). Delete the backups above."},
        {"Date", "Data"},
        {"Setările mele", "My settings"},
        {"Salvează setările într-un fișier și folosește-le pe alt calculator.", "Save the settings to a file and use them on another computer."},
        {"Exportă setările", "Export settings"},
        {"Importă setările", "Import settings"},
        {"Setările nu au putut fi exportate: %1", "The settings could not be exported: %1"},
        {"Fișierul de setări nu poate fi citit: %1", "The settings file cannot be read: %1"},
        {"Fișierul ales nu conține setări Vendrel.", "The chosen file holds no Vendrel settings."},
        {"Unele valori din fișier nu sunt valide și nu au fost importate: %1", "Some values of the file are not valid and were not imported: %1"},
        {"Resetare", "Reset"},
        {"Setările aplicației revin la valorile implicite. Proiectele, profilurile și cataloagele importate nu se șterg.",
         "The application's settings return to their defaults. Projects, profiles and imported catalogs are not deleted."},
        {"Resetează setările", "Reset settings"},
        {"Resetezi setările?", "Reset the settings?"},
        {"Aplicația repornește și revine la aspectul, limba și opțiunile implicite.",
         "The application restarts with the default appearance, language and options."},
        {"Resetează", "Reset"},
        {"Aplicația nu poate reporni singură: închide-o și deschide-o din nou.",
         "The application cannot restart itself: close it and open it again."},
        {"Aplicație", "Application"},
        {"Notificări", "Notifications"},
        {"Notificare când se termină editarea unui proiect", "Notify when a project's editing finishes"},
        {"Notificările sunt oprite pentru aplicație în Setările sistemului.", "Notifications are turned off for the application in the system settings."},
        {"Notificările nu au fost încă permise.", "Notifications have not been allowed yet."},
        {"Deschide Setările sistemului", "Open the system settings"},
        {"Permite notificările", "Allow notifications"},
        {"Nu am găsit setările de notificări ale sistemului. Deschide-le din setările mediului tău de lucru.",
         "The system's notification settings were not found. Open them from your desktop's settings."},
        {"Actualizări", "Updates"},
        {"Verifică automat actualizările la pornire", "Check for updates automatically at start"},
        {"Caută actualizări", "Check for updates"},
        {"Alege fișier…", "Choose file…"},
        {"Instalează și repornește", "Install and restart"},
        {"Diagnostic", "Diagnostics"},
        {"Salvează un raport tehnic scurt (versiune, calculator, număr de proiecte). Nu conține fotografii, nume de proiecte, căi sau chei.",
         "Saves a short technical report (version, computer, number of projects). It holds no photos, project names, paths or keys."},
        {"Salvează raportul de diagnostic", "Save the diagnostic report"},
        {"Raportul de diagnostic nu a putut fi salvat: %1", "The diagnostic report could not be saved: %1"},
        {"Despre", "About"},
        {"Versiune", "Version"},
        {"Dezvoltator", "Developer"},
        {"Licența LibRaw (CDDL 1.0)", "LibRaw licence (CDDL 1.0)"},
    });
    return true;
}();

QString tr8(const char* text) {
    (void)englishRegistered;
    return kit::localized(text);
}

// The freedesktop file manager selects the item; without one the folder holding it opens. The call is
// not waited for: the answer decides the fallback later.
void revealInFileManager(const fs::path& path) {
    const QString target = QString::fromStdString(path.string());
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                                                       "org.freedesktop.FileManager1", "ShowItems");
    call << QStringList{QUrl::fromLocalFile(target).toString()} << QString();
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call, 3000), qApp);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, qApp, [watcher, target] {
        watcher->deleteLater();
        if (!watcher->isError()) return;
        const QFileInfo info(target);
        QDesktopServices::openUrl(QUrl::fromLocalFile(info.isDir() ? target : info.absolutePath()));
    });
}

bool openDesktopNotificationSettings() {
    // The notification pages of the common desktops' settings programs.
    const std::pair<const char*, QStringList> programs[] = {
        {"gnome-control-center", {"notifications"}},
        {"systemsettings", {"kcm_notifications"}},
        {"xfce4-notifyd-config", {}},
    };
    for (const auto& [program, args] : programs) {
        const QString found = QStandardPaths::findExecutable(QString::fromUtf8(program));
        if (!found.isEmpty() && QProcess::startDetached(found, args)) return true;
    }
    return false;
}

std::string errorText(const std::exception& e) { return e.what(); }

}  // namespace

SettingsServices SettingsServices::standard(model::AppModel& app) {
    SettingsServices s;
    s.machine = std::shared_ptr<const platform::MachineInfo>(&platform::LinuxMachineInfo::shared(),
                                                             [](const platform::MachineInfo*) {});
    s.notifications = std::make_shared<platform::DBusNotificationCenter>();
    s.reveal = revealInFileManager;
    s.openNotificationSettings = openDesktopNotificationSettings;
    s.background = [](std::function<void()> work) { WorkPool::normal().submit(std::move(work)); };
    s.diagnostics = DiagnosticServices::standard(app);
    // The new instance waits for this one to end before it reads any data.
    s.relaunch = [] { model::relaunchApplication(); };
    return s;
}

const std::vector<int>& SettingsModel::workerChoices() {
    static const std::vector<int> choices{0, 2, 4, 6, 8, 10, 12};
    return choices;
}

SettingsModel::SettingsModel(model::AppModel& app, model::Updater* updater, SettingsServices services, QObject* parent)
    : QObject(parent), app_(app), updater_(updater), services_(std::move(services)),
      defaults_(app.sharedDefaults()) {
    // The page's state as it opens: the language to compare with and the backups' size. Nothing is written.
    languageAtOpen_ = text("language", "ro");
    backupBytes_ = CatalogWriter::backupSize();
    for (const auto& entry : DefaultsKeys::settings()) observe(entry.key);
    if (updater_) {
        for (auto signal : {&model::Updater::availableChanged, &model::Updater::busyChanged,
                            &model::Updater::statusChanged, &model::Updater::readyToInstallChanged,
                            &model::Updater::installingChanged})
            connect(updater_, signal, this, &SettingsModel::updaterChanged);
    }
}

SettingsModel::~SettingsModel() {
    for (auto id : observers_) defaults_->unobserve(id);
}

void SettingsModel::observe(const std::string& key) {
    QPointer<SettingsModel> self(this);
    observers_.push_back(defaults_->observe(key, [self](const std::string&) {
        // A change may be reported from any thread that writes the store.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [self] { if (self) emit self->changed(); }, Qt::QueuedConnection);
    }));
}

QString SettingsModel::text(const char* key, const char* absent) const {
    auto v = defaults_->textValue(key);
    return v ? QString::fromStdString(*v) : QString::fromUtf8(absent);
}

bool SettingsModel::flag(const char* key, bool absent) const { return defaults_->boolValue(key).value_or(absent); }

void SettingsModel::setText(const char* key, const QString& value) {
    defaults_->set(key, value.toStdString());
    emit changed();
}

void SettingsModel::setFlag(const char* key, bool value) {
    defaults_->set(key, value);
    emit changed();
}

std::int64_t SettingsModel::accentIndex() const {
    if (auto v = defaults_->intValue("accentIndex")) return *v;
    for (std::size_t i = 0; i < kit::accentPalette.size(); ++i)
        if (QString::fromUtf8(kit::accentPalette[i].name) == QLatin1String("Albastru")) return std::int64_t(i);
    return 0;
}

void SettingsModel::setAccentIndex(int index) {
    defaults_->set("accentIndex", index);
    emit changed();
}

double SettingsModel::backdropIntensity(bool dark) const {
    return defaults_->numberValue(dark ? "backdropIntensity.dark" : "backdropIntensity.light").value_or(dark ? 0.0 : 1.0);
}

double SettingsModel::cardTransparency(bool dark) const {
    return defaults_->numberValue(dark ? "cardTransparency.dark" : "cardTransparency.light").value_or(1.0);
}

void SettingsModel::setBackdropIntensity(bool dark, double value) {
    defaults_->set(dark ? "backdropIntensity.dark" : "backdropIntensity.light", value);
    emit changed();
}

void SettingsModel::setCardTransparency(bool dark, double value) {
    defaults_->set(dark ? "cardTransparency.dark" : "cardTransparency.light", value);
    emit changed();
}

QString SettingsModel::backdropNote(bool dark) {
    return tr8(dark ? "Modul noapte. Valorile pentru zi și pentru noapte se rețin separat; cu cât cardurile sunt mai "
                      "transparente, cu atât se vede mai mult fundalul prin ele."
                    : "Modul zi. Valorile pentru zi și pentru noapte se rețin separat; cu cât cardurile sunt mai "
                      "transparente, cu atât se vede mai mult fundalul prin ele.");
}

void SettingsModel::chooseLanguage(const QString& code) {
    defaults_->set("language", code.toStdString());
    setAppLanguage(*defaults_, code.toStdString());
    emit changed();
}

void SettingsModel::restartNow() {
    setAppLanguage(*defaults_, language().toStdString());
    relaunch();
}

void SettingsModel::relaunch() {
    if (services_.relaunch) {
        services_.relaunch();
        return;
    }
    report(tr8("Aplicația nu poate reporni singură: închide-o și deschide-o din nou."));
}

void SettingsModel::report(const QString& message) { app_.setError(message.toStdString()); }

// ---- Performance ----

std::int64_t SettingsModel::workers() const { return defaults_->intValue("workers").value_or(0); }

void SettingsModel::setWorkers(int workers) {
    defaults_->set("workers", workers);
    emit changed();
}

int SettingsModel::workersIndex() const {
    const auto v = defaults_->intValue("workers");
    const std::int64_t stored = v.value_or(0);
    // A stored value of another type reads as automatic for the policy, but is no item of the picker.
    if (!v && defaults_->value("workers")) return -1;
    const auto& choices = workerChoices();
    for (std::size_t i = 0; i < choices.size(); ++i)
        if (choices[i] == stored) return int(i);
    return -1;
}

int SettingsModel::automaticWorkers() const { return model::automaticWorkerCount(*services_.machine); }

QString SettingsModel::workerItemText(int index) const {
    const int value = workerChoices().at(std::size_t(index));
    if (value == 0) return tr8("Automat (%1)").arg(automaticWorkers());
    return QString::number(value);
}

QString SettingsModel::performanceExplanation() const {
    const auto& m = *services_.machine;
    return tr8("Automat: %1 nuclee de performanță + jumătate din cele %2 de eficiență, limitat de cei %3 GB de memorie "
               "(câte ~1 GB pe fotografie, 4 GB rămân sistemului). Scade la economisire de energie sau când "
               "calculatorul se încălzește. Se aplică la următoarea procesare.")
        .arg(m.performanceCores())
        .arg(m.efficiencyCores())
        .arg(qulonglong(m.physicalMemory() >> 30));
}

// ---- Lightroom and backups ----

int SettingsModel::backupKeep() const {
    const auto v = defaults_->intValue("backupKeep");
    if (!v || *v < 1 || *v > 10) return 3;
    return int(*v);
}

void SettingsModel::setBackupKeep(int keep) {
    defaults_->set("backupKeep", std::clamp(keep, 1, 10));
    emit changed();
}

int SettingsModel::backupsKept() const {
    const auto v = defaults_->intValue("backupKeep").value_or(0);
    if (v < 1) return 3;
    return v > 10 ? 10 : int(v);
}

QString SettingsModel::backupNote() const {
    return tr8("Înainte de a scrie în catalogul Lightroom, aplicația face o copie. Se păstrează ultimele %1 per "
               "catalog; după ce ai verificat editările, le poți șterge.")
        .arg(backupsKept());
}

std::optional<std::int64_t> SettingsModel::enforcedBackupLimit() const {
    const auto v = defaults_->intValue("backupLimitGB");
    if (!v || *v <= 0 || *v > maxBackupLimitGB) return std::nullopt;
    return *v;
}

QString SettingsModel::backupLimitText() const {
    if (auto limit = enforcedBackupLimit()) return QLocale().toString(qlonglong(*limit));
    const auto v = defaults_->intValue("backupLimitGB");
    if (v && *v == 0) return QLocale().toString(0);
    return {};
}

bool SettingsModel::submitBackupLimit(const QString& text) {
    const QString typed = text.trimmed().replace(QChar(0x2212), u'-');
    bool ok = false;
    qlonglong value = QLocale().toLongLong(typed, &ok);
    if (!ok) value = QLocale::c().toLongLong(typed, &ok);
    if (!ok) {
        // A number too long for the field's type is beyond the housekeeping's range too.
        static const QRegularExpression digits(QStringLiteral("^[+-]?[0-9]+$"));
        if (!digits.match(typed).hasMatch()) {
            emit changed();  // the field shows the stored value again
            return false;
        }
        value = typed.startsWith(u'-') ? 0 : maxBackupLimitGB;
    }
    value = std::clamp<qlonglong>(value, 0, maxBackupLimitGB);
    defaults_->set("backupLimitGB", std::int64_t(value));
    CatalogWriter::enforceBackupLimit();
    backupBytes_ = CatalogWriter::backupSize();
    emit changed();
    return true;
}

void SettingsModel::deleteBackups() {
    if (!kit::dialogs().confirm(tr8("Ștergi copiile de siguranță?"),
                                tr8("Copiile catalogului făcute înainte de scrieri se șterg definitiv."),
                                tr8("Șterge copiile")))
        return;
    try {
        CatalogWriter::deleteBackups();
    } catch (const std::exception& e) {
        report(tr8("Copiile de siguranță nu au putut fi șterse: %1").arg(QString::fromStdString(errorText(e))));
    }
    backupBytes_ = CatalogWriter::backupSize();
    emit changed();
}

void SettingsModel::revealBackups() {
    const fs::path folder = CatalogWriter::backupDirectory();
    std::error_code ec;
    fs::create_directories(folder, ec);  // a failure is ignored: the reveal is asked for anyway
    if (services_.reveal) services_.reveal(folder);
}

void SettingsModel::revealDataFolder() {
    if (services_.reveal) services_.reveal(Store::root());
}

QString SettingsModel::lightroomPathText() const {
    const QString path = text("lightroomPath", "");
    return path.isEmpty() ? tr8("Automat") : path;
}

void SettingsModel::chooseLightroom() {
    const QStringList chosen = kit::dialogs().chooseFiles(tr8("Alege programul Lightroom Classic"), {}, false);
    if (chosen.isEmpty()) return;
    setText("lightroomPath", QFileInfo(chosen.front()).absoluteFilePath());
}

void SettingsModel::clearLightroomPath() { setText("lightroomPath", QString()); }

// ---- Settings file, report, reset ----

void SettingsModel::exportSettings() {
    const auto path = kit::dialogs().chooseSaveFile(tr8("Exportă setările"), QString::fromUtf8(settingsFileName),
                                                    QStringLiteral("json"));
    if (!path) return;
    try {
        writeFileAtomically(fs::path(path->toStdString()), settings::exportSettings(*defaults_));
    } catch (const std::exception& e) {
        report(tr8("Setările nu au putut fi exportate: %1").arg(QString::fromStdString(errorText(e))));
    }
}

void SettingsModel::importSettings() {
    const QStringList chosen = kit::dialogs().chooseFiles(tr8("Importă setările"), {QStringLiteral("json")}, false);
    if (chosen.isEmpty()) return;
    std::string text;
    try {
        text = readWholeFile(fs::path(chosen.front().toStdString()));
    } catch (const std::exception& e) {
        report(tr8("Fișierul de setări nu poate fi citit: %1").arg(QString::fromStdString(errorText(e))));
        return;
    }
    const ImportOutcome outcome = settings::importSettings(*defaults_, text);
    if (!outcome.readable) {
        report(tr8("Fișierul ales nu conține setări Vendrel."));
        return;
    }
    emit changed();
    if (!outcome.refused.empty()) {
        QStringList keys;
        for (const auto& k : outcome.refused) keys << QString::fromStdString(k);
        report(tr8("Unele valori din fișier nu sunt valide și nu au fost importate: %1").arg(keys.join(QStringLiteral(", "))));
    }
}

void SettingsModel::resetSettings() {
    if (!kit::dialogs().confirm(tr8("Resetezi setările?"),
                                tr8("Aplicația repornește și revine la aspectul, limba și opțiunile implicite."),
                                tr8("Resetează")))
        return;
    settings::resetSettings(*defaults_);
    emit changed();
    relaunch();
}

void SettingsModel::saveDiagnosticReport() {
    const auto path = kit::dialogs().chooseSaveFile(tr8("Salvează raportul de diagnostic"),
                                                    QString::fromUtf8(diagnosticFileName), QStringLiteral("txt"));
    if (!path) return;
    // Made after the panel has closed, so it says how things are now.
    const QString text = diagnosticReport(gatherDiagnosticFacts(app_, *services_.machine, services_.diagnostics), *defaults_);
    const fs::path file(path->toStdString());
    try {
        writeFileAtomically(file, text.toStdString());
    } catch (const std::exception& e) {
        report(tr8("Raportul de diagnostic nu a putut fi salvat: %1").arg(QString::fromStdString(errorText(e))));
        return;
    }
    if (services_.reveal) services_.reveal(file);
}

// ---- Notifications ----

void SettingsModel::setNotifyDone(bool on) {
    const bool was = flag("notifyDone", true);
    setFlag("notifyDone", on);
    // A desktop notification service asks no permission of its own: reading its answer is the request.
    if (on && !was) refreshPermission();
}

void SettingsModel::refreshPermission() {
    if (!services_.notifications) return;
    // The answer may come on any thread, and after the page has gone.
    QPointer<SettingsModel> self(this);
    services_.notifications->authorization([self](platform::NotificationCenter::Authorization a) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, a] {
                if (!self) return;
                const auto allowed = model::notificationPermission(a);
                if (allowed == self->notifAllowed_) return;
                self->notifAllowed_ = allowed;
                emit self->changed();
            },
            Qt::QueuedConnection);
    });
}

void SettingsModel::allowNotifications() { refreshPermission(); }

void SettingsModel::openNotificationSettings() {
    if (services_.openNotificationSettings && services_.openNotificationSettings()) return;
    report(tr8("Nu am găsit setările de notificări ale sistemului. Deschide-le din setările mediului tău de lucru."));
}

// ---- Disk ----

void SettingsModel::computeSizes() {
    std::function<std::vector<DiskSize>()> work = [] {
        return std::vector<DiskSize>{
            {QString::fromUtf8("Cataloage importate"), directorySize(Store::catalogs())},
            {QString::fromUtf8("Copii de siguranță ale catalogului"), CatalogWriter::backupSize()},
            {QString::fromUtf8("Proiecte"), directorySize(Store::projects())},
            {QString::fromUtf8("Profiluri"), directorySize(Store::profiles())},
        };
    };
    model::deliverLater<std::vector<DiskSize>>(
        services_.background, this, std::move(work),
        [this](std::vector<DiskSize> sizes) {
            sizes_ = std::move(sizes);
            emit sizesChanged();
        },
        [](SettingsModel*) { return true; });
}

// ---- Updates ----

void SettingsModel::checkForUpdates() {
    if (updater_) updater_->checkForUpdatesNow(updater_->feedAddress());
}
void SettingsModel::chooseUpdateFile() {
    if (updater_) updater_->chooseUpdateFile();
}
void SettingsModel::installReadyUpdate() {
    if (updater_) updater_->installReadyUpdate();
}
void SettingsModel::downloadUpdate() {
    if (updater_) updater_->downloadAvailableUpdate();
}
void SettingsModel::skipUpdate() {
    if (updater_) updater_->skipAvailableVersion();
}

}  // namespace orvane::settings

#include "app/settings/settings_model.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDBusConnection>
#include <QDBusMessage>
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
#include "app/model/app_model.h"
#include "app/model/router.h"
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

QString tr8(const char* text) { return kit::localized(text); }

// The freedesktop file manager selects the item; without one the folder holding it opens.
void revealInFileManager(const fs::path& path) {
    const QString target = QString::fromStdString(path.string());
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                                                       "org.freedesktop.FileManager1", "ShowItems");
    call << QStringList{QUrl::fromLocalFile(target).toString()} << QString();
    const QDBusMessage answer = QDBusConnection::sessionBus().call(call, QDBus::Block, 3000);
    if (answer.type() == QDBusMessage::ReplyMessage) return;
    const QFileInfo info(target);
    QDesktopServices::openUrl(QUrl::fromLocalFile(info.isDir() ? target : info.absolutePath()));
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
    return s;
}

const std::vector<int>& SettingsModel::workerChoices() {
    static const std::vector<int> choices{0, 2, 4, 6, 8, 10, 12};
    return choices;
}

SettingsModel::SettingsModel(model::AppModel& app, model::Router& router, model::Updater* updater,
                             SettingsServices services, QObject* parent)
    : QObject(parent), app_(app), router_(router), updater_(updater), services_(std::move(services)),
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
    QPointer<SettingsModel> self(this);
    std::weak_ptr<int> alive = alive_;
    services_.notifications->authorization([self, alive](platform::NotificationCenter::Authorization a) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, alive, a] {
                if (!self || alive.expired()) return;
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
    if (updater_) updater_->checkForUpdatesNow();
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

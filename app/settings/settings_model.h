#pragma once
// The settings page's state and actions: live reads and writes of the stored settings with the
// defaults the page shows, the three pieces of page state (the notification permission, the language
// at opening, the size of the catalog backups), the disk sizes computed in the background, and every
// action of the page's cards. Main thread only; the widget only draws it.
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/model/deliver_later.h"
#include "app/model/updater.h"
#include "app/platform/machine_info.h"
#include "app/platform/notifications.h"
#include "app/settings/diagnostic_report.h"
#include "core/base/defaults.h"

namespace orvane::model {
class AppModel;
}  // namespace orvane::model

namespace orvane::settings {

// What the page asks of the world; standard() holds the real services.
struct SettingsServices {
    std::shared_ptr<const platform::MachineInfo> machine;
    std::shared_ptr<platform::NotificationCenter> notifications;
    // Shows a file or folder selected in the file manager.
    std::function<void(const std::filesystem::path&)> reveal;
    // Opens the desktop's notification settings; false when there is none to open.
    std::function<bool()> openNotificationSettings;
    // Restarts the application (jobs saved first); empty when this build cannot restart itself.
    std::function<void()> relaunch;
    // Runs the folder-size walk off the interface thread.
    model::BackgroundRunner background;
    DiagnosticServices diagnostics;
    static SettingsServices standard(model::AppModel& app);
};

// One row of the disk card.
struct DiskSize {
    QString label;
    std::int64_t bytes = 0;
    bool operator==(const DiskSize&) const = default;
};

class SettingsModel final : public QObject {
    Q_OBJECT
public:
    // The stored value that the workers picker offers, in order (0: automatic).
    static const std::vector<int>& workerChoices();
    // The largest size limit the backup housekeeping can count in bytes.
    static constexpr std::int64_t maxBackupLimitGB = (std::int64_t{1} << 33) - 1;

    SettingsModel(model::AppModel& app, model::Updater* updater, SettingsServices services, QObject* parent = nullptr);
    ~SettingsModel() override;

    Defaults& defaults() const { return *defaults_; }
    model::Updater* updater() const { return updater_; }

    // ---- Stored settings, with the defaults the page shows for an absent key ----
    QString text(const char* key, const char* absent) const;
    bool flag(const char* key, bool absent) const;
    void setText(const char* key, const QString& value);
    void setFlag(const char* key, bool value);

    QString appearance() const { return text("appearance", "auto"); }
    QString style() const { return text("style", "glass"); }
    bool isFlat() const { return style() == QLatin1String("flat"); }
    // The stored whole number, else the position of "Albastru" in the palette.
    std::int64_t accentIndex() const;
    void setAccentIndex(int index);
    // The backdrop and card pair of the given scheme.
    double backdropIntensity(bool dark) const;
    double cardTransparency(bool dark) const;
    void setBackdropIntensity(bool dark, double value);
    void setCardTransparency(bool dark, double value);
    // "Modul zi. …" or "Modul noapte. …".
    static QString backdropNote(bool dark);

    QString language() const { return text("language", "ro"); }
    const QString& languageAtOpen() const { return languageAtOpen_; }
    // Stores the code and the preferred-languages list.
    void chooseLanguage(const QString& code);
    bool offersRestart() const { return language() != languageAtOpen_; }
    // Writes the language again, then restarts.
    void restartNow();

    // ---- Performance ----
    std::int64_t workers() const;  // as stored, 0 when absent or not a whole number
    void setWorkers(int workers);
    // The picker's position of the stored value; -1 for a value the picker does not offer.
    int workersIndex() const;
    int automaticWorkers() const;
    QString workerItemText(int index) const;
    QString performanceExplanation() const;

    // ---- Lightroom and backups ----
    int backupKeep() const;  // the stepper's value: stored 1…10, else 3
    void setBackupKeep(int keep);
    // The number of backups the pruning really keeps, which the note names.
    int backupsKept() const;
    QString backupNote() const;
    // The limit the housekeeping enforces in GiB; none for no limit (absent, 0 or less, too large).
    std::optional<std::int64_t> enforcedBackupLimit() const;
    // The field's text: the stored limit while one is enforced or 0 is stored, else empty ("fără limită").
    QString backupLimitText() const;
    // Return in the size-limit field: a negative number becomes 0, one beyond the housekeeping's range its
    // largest value; the limit is applied at once and the size read again. False for text that is no
    // whole number (nothing changes).
    bool submitBackupLimit(const QString& text);
    std::int64_t backupBytes() const { return backupBytes_; }
    // Asks first; a failure shows an error.
    void deleteBackups();
    void revealBackups();
    void revealDataFolder();
    QString lightroomPathText() const;  // "Automat" when empty
    void chooseLightroom();
    void clearLightroomPath();

    // ---- Settings file, report, reset ----
    void exportSettings();
    void importSettings();
    // Asks first, then removes the settings and restarts.
    void resetSettings();
    void saveDiagnosticReport();

    // ---- Notifications ----
    std::optional<bool> notificationsAllowed() const { return notifAllowed_; }
    void setNotifyDone(bool on);
    // Reads the permission again; the answer arrives later on the main thread.
    void refreshPermission();
    void allowNotifications();
    void openNotificationSettings();

    // ---- Disk ----
    const std::vector<DiskSize>& sizes() const { return sizes_; }
    // Starts the walk of the data folders; the sizes arrive later.
    void computeSizes();

    // ---- Updates ----
    void checkForUpdates();
    void chooseUpdateFile();
    void installReadyUpdate();
    void downloadUpdate();
    void skipUpdate();

signals:
    // A setting or a piece of page state changed: the page redraws from the model.
    void changed();
    void sizesChanged();
    void updaterChanged();

private:
    void observe(const std::string& key);
    void report(const QString& message);
    void relaunch();

    model::AppModel& app_;
    QPointer<model::Updater> updater_;
    SettingsServices services_;
    std::shared_ptr<Defaults> defaults_;
    std::vector<Defaults::ObserverId> observers_;
    QString languageAtOpen_;
    std::int64_t backupBytes_ = 0;
    std::optional<bool> notifAllowed_;
    std::vector<DiskSize> sizes_;
};

}  // namespace orvane::settings

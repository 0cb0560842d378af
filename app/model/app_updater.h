#pragma once
// The application's updater: reads the update feed, downloads a newer release over HTTPS, stages it
// beside the installed folder (or, for a build that cannot check signatures, saves it in the Downloads
// folder for a manual install), and hands the staged version to the update helper. Main thread only;
// the network, the signature checks and the unpacking run in the background and come back through
// deliverLater, so a late result never reaches a destroyed updater.
#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/model/deliver_later.h"
#include "app/model/updater.h"
#include "core/base/defaults.h"
#include "core/update/code_signature.h"
#include "core/update/update_staging.h"

namespace orvane::model {

class AppUpdater final : public Updater {
    Q_OBJECT
public:
    using FlushDone = std::function<void(std::optional<std::string> error)>;

    struct Services {
        std::shared_ptr<Defaults> defaults;
        // The feed used while "updateFeed" holds nothing.
        std::string defaultFeed;
        // The running application: its folder (empty for a development build, which only saves
        // downloads for a manual install), identifier and version.
        UpdateStaging::InstalledApp installed;
        TrustAnchors anchors = TrustAnchors::vendor();
        // The feed body and the update file (UpdateDownload::shared() unless replaced); both block.
        std::function<std::string(const std::string& url)> fetch;
        std::function<std::filesystem::path(const std::string& url)> download;
        // Where archives are unpacked; the system's temporary folder when empty.
        std::filesystem::path temporaryFolder;
        // The user's Downloads folder (manual installs).
        std::function<std::filesystem::path()> downloadsFolder;
        // Shows a saved download in the file manager.
        std::function<void(const std::filesystem::path&)> reveal;
        // The manual-install instructions, as a modal alert.
        std::function<void(const QString& title, const QString& text)> inform;
        // Pauses and saves every job; `done` gets the first failure. Absent: nothing to save.
        std::function<void(FlushDone done)> flushJobs;
        // Asks the application to quit (through its own quit path, which saves the jobs again).
        std::function<void()> terminate;
        // The file dialog of chooseUpdateFile; none when cancelled.
        std::function<std::optional<std::filesystem::path>()> chooseFile;
        // A failure the user must see now (an earlier update that did not install).
        std::function<void(const std::string&)> reportError;
        BackgroundRunner background;
        pid_t processId = 0;  // this process unless set
        std::filesystem::path helper;  // the installed folder's helper unless set
    };

    explicit AppUpdater(Services services, QObject* parent = nullptr);
    ~AppUpdater() override;

    const std::optional<Feed>& available() const override { return available_; }
    bool busy() const override { return busy_; }
    bool installing() const override { return installing_; }
    QString status() const override { return status_; }
    const std::optional<std::filesystem::path>& readyToInstall() const override { return ready_; }
    const std::optional<std::string>& feedURL() const { return feedURL_; }

    // The start-up check: announces a newer, not skipped release through available() and says nothing
    // else, ever. Runs even while busy.
    void checkForUpdatesQuietly();
    void checkForUpdatesNow(const QString& feedAddress) override;
    void downloadAvailableUpdate() override;
    void skipAvailableVersion() override;
    void installReadyUpdate() override;
    void chooseUpdateFile() override;
    QString feedAddress() const override;

    // At start: shows the error an earlier update left (once) and removes staged folders nobody uses.
    void cleanUpEarlierUpdates();

    // The version key of the running application ("short.build").
    std::string installedKey() const { return services_.installed.key(); }

    // The texts of the manual install.
    static QString manualInstallTitle(const QString& version);
    static QString manualInstallText();
    static QString manualInstallStatus(const QString& version);

private:
    struct Outcome;
    void setStatus(const QString& status);
    void setBusy(bool busy);
    void setInstalling(bool installing);
    void setReady(std::optional<std::filesystem::path> ready);
    void setAvailable(std::optional<Feed> feed);
    void fail(const std::string& description);
    void startDownload(const Feed& feed, const std::string& url, bool installNow);
    void finishDownload(Outcome outcome, const Feed& feed, bool installNow);
    void installAndRelaunch(const std::filesystem::path& staged);

    Services services_;
    std::optional<Feed> available_;
    bool busy_ = false;
    bool installing_ = false;
    QString status_;
    std::optional<std::filesystem::path> ready_;
    std::optional<std::string> feedURL_;
};

// Whether the start-up check runs: unless "autoUpdateCheck" is stored as the Boolean false.
bool autoUpdateCheckEnabled(const Defaults& defaults);

}  // namespace orvane::model

#pragma once
// What the screens see of the in-app updater: the version announced by the feed, whether a check or a
// download is at work, the one-line status text, the staged update waiting for installation, and the
// operations the screens start. The application has one updater (`current()`); the side rail and the
// settings page observe it. Main thread only.
#include <QObject>
#include <QString>

#include <filesystem>
#include <optional>
#include <string>

#include "core/update/update_staging.h"

namespace orvane::model {

class Updater : public QObject {
    Q_OBJECT
public:
    // The release the feed announces.
    using Feed = UpdateStaging::Feed;

    explicit Updater(QObject* parent = nullptr) : QObject(parent) {}
    ~Updater() override;

    // The newer, not skipped release found by the quiet check; cleared by skipAvailableVersion().
    virtual const std::optional<Feed>& available() const = 0;
    // True while a manual check or a download (with its staging) runs.
    virtual bool busy() const = 0;
    // True from the hand-over to the update helper until it ends.
    virtual bool installing() const = 0;
    // One line of progress or failure text; empty when there is nothing to say.
    virtual QString status() const = 0;
    // The staged application waiting for installation.
    virtual const std::optional<std::filesystem::path>& readyToInstall() const = 0;

    // Downloads the announced release; returns at once, the work goes on in the background and reports
    // through busy() and status(). Nothing while busy, installing or without an announcement.
    virtual void downloadAvailableUpdate() = 0;
    // Remembers the announced release as skipped ("skippedUpdateVersion") and clears available().
    virtual void skipAvailableVersion() = 0;
    // The manual check of the settings page with the feed address it shows: reports every outcome in
    // status() and stages a newer release without installing it. Nothing while busy or installing.
    virtual void checkForUpdatesNow(const QString& feedAddress) = 0;
    // Hands the staged update to the update helper and quits; nothing without one or while installing.
    virtual void installReadyUpdate() = 0;
    // Lets the user pick a release archive or an application folder and stages it. Nothing while busy
    // or installing.
    virtual void chooseUpdateFile() = 0;
    // The feed address in use: the stored "updateFeed" without surrounding spaces and tabs, else the
    // build's default feed.
    virtual QString feedAddress() const = 0;

    // The application's updater; null until the application has made one.
    static Updater* current();
    static void setCurrent(Updater* updater);

signals:
    void availableChanged();
    void busyChanged();
    void installingChanged();
    void statusChanged();
    void readyToInstallChanged();
};

}  // namespace orvane::model

#pragma once
// An updater for tests: every state is set by hand, and the operations are counted. A download marks
// it busy with the progress line until the test ends it.
#include <QString>

#include <vector>

#include "app/model/updater.h"

namespace orvane::testing {

class FakeUpdater final : public model::Updater {
public:
    int downloads = 0;
    int skips = 0;
    int installs = 0;
    int fileChoices = 0;
    std::vector<QString> manualChecks;  // the feed addresses passed, in order
    QString feed = QStringLiteral("https://vendrel.example/update.json");

    const std::optional<Feed>& available() const override { return available_; }
    bool busy() const override { return busy_; }
    bool installing() const override { return installing_; }
    QString status() const override { return status_; }
    const std::optional<std::filesystem::path>& readyToInstall() const override { return ready_; }

    void downloadAvailableUpdate() override {
        ++downloads;
        if (busy_ || installing_ || !available_) return;
        setBusy(true);
        setStatus(QStringLiteral("Se descarcă versiunea %1…").arg(QString::fromStdString(available_->version)));
    }
    void skipAvailableVersion() override {
        ++skips;
        setAvailable(std::nullopt);
    }

    void checkForUpdatesNow(const QString& feedAddress) override {
        manualChecks.push_back(feedAddress);
        if (busy_ || installing_) return;
        ready_.reset();
        emit readyToInstallChanged();
        setBusy(true);
    }
    void installReadyUpdate() override {
        ++installs;
        if (!ready_ || installing_) return;
        installing_ = true;
        emit installingChanged();
    }
    void chooseUpdateFile() override { ++fileChoices; }
    QString feedAddress() const override { return feed; }

    void setReadyToInstall(std::optional<std::filesystem::path> staged) {
        ready_ = std::move(staged);
        emit readyToInstallChanged();
    }
    void setInstalling(bool installing) {
        installing_ = installing;
        emit installingChanged();
    }

    void announce(const std::string& version) { setAvailable(Feed{version, std::nullopt, "Vendrel.zip"}); }
    void setAvailable(std::optional<Feed> feed) {
        available_ = std::move(feed);
        emit availableChanged();
    }
    void setBusy(bool busy) {
        busy_ = busy;
        emit busyChanged();
    }
    void setStatus(const QString& status) {
        status_ = status;
        emit statusChanged();
    }

private:
    std::optional<Feed> available_;
    bool busy_ = false;
    bool installing_ = false;
    QString status_;
    std::optional<std::filesystem::path> ready_;
};

}  // namespace orvane::testing

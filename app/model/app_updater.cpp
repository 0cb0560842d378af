#include "app/model/app_updater.h"

#include <QPointer>
#include <QThreadPool>

#include <unistd.h>

#include "core/base/error_text.h"
#include "core/update/update_download.h"
#include "core/update/update_safety.h"

namespace orvane::model {

namespace fs = std::filesystem;

namespace {

QString text(const std::string& s) { return QString::fromStdString(s); }

constexpr const char* commonFailure = "Nu am putut verifica actualizările: ";
constexpr const char* handOverFailure = "Actualizarea nu a fost instalată: ";

// The background result of a feed request.
struct FeedResult {
    std::optional<Updater::Feed> feed;
    std::string error;
};

FeedResult readFeed(const std::function<std::string(const std::string&)>& fetch, const std::string& url) {
    try {
        return {UpdateStaging::decodeFeed(fetch(url)), {}};
    } catch (...) {
        return {std::nullopt, errorText(std::current_exception())};
    }
}

bool acceptable(const std::string& url) {
    try {
        UpdateSafety::requireHTTPS(url);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

struct AppUpdater::Outcome {
    std::optional<std::string> error;
    std::optional<UpdateStaging::Staged> staged;  // the signed road
    std::optional<fs::path> saved;                // the manual road
};

bool autoUpdateCheckEnabled(const Defaults& defaults) {
    const auto v = defaults.value("autoUpdateCheck");
    return !(v && v->is_boolean() && !v->get<bool>());
}

AppUpdater::AppUpdater(Services services, QObject* parent) : Updater(parent), services_(std::move(services)) {
    if (!services_.fetch) services_.fetch = [](const std::string& url) { return UpdateDownload::shared().data(url); };
    if (!services_.download)
        services_.download = [](const std::string& url) { return UpdateDownload::shared().download(url); };
    if (!services_.background)
        services_.background = [](std::function<void()> work) { QThreadPool::globalInstance()->start(std::move(work)); };
    if (services_.processId == 0) services_.processId = ::getpid();
    if (services_.helper.empty() && !services_.installed.folder.empty())
        services_.helper = UpdateStaging::helperPath(services_.installed.folder);
}

AppUpdater::~AppUpdater() = default;

QString AppUpdater::feedAddress() const {
    const std::string stored =
        services_.defaults ? UpdateStaging::trimmed(services_.defaults->textValue("updateFeed").value_or("")) : "";
    return text(stored.empty() ? services_.defaultFeed : stored);
}

void AppUpdater::setStatus(const QString& status) {
    status_ = status;
    emit statusChanged();
}

void AppUpdater::setBusy(bool busy) {
    if (busy_ == busy) return;
    busy_ = busy;
    emit busyChanged();
}

void AppUpdater::setInstalling(bool installing) {
    if (installing_ == installing) return;
    installing_ = installing;
    emit installingChanged();
}

void AppUpdater::setReady(std::optional<fs::path> ready) {
    if (ready_ == ready) return;
    ready_ = std::move(ready);
    emit readyToInstallChanged();
}

void AppUpdater::setAvailable(std::optional<Feed> feed) {
    if (available_ == feed) return;
    available_ = std::move(feed);
    emit availableChanged();
}

void AppUpdater::fail(const std::string& description) {
    setStatus(tr(commonFailure) + text(description));
    setBusy(false);
}

void AppUpdater::checkForUpdatesQuietly() {
    const std::string address = feedAddress().toStdString();
    if (!acceptable(address)) return;
    deliverLater<FeedResult>(
        services_.background, this, [fetch = services_.fetch, address] { return readFeed(fetch, address); },
        [this, address](FeedResult r) {
            if (!r.feed) return;
            const std::string key = UpdateStaging::releaseKey(*r.feed);
            if (!UpdateStaging::isNewer(key, installedKey())) return;
            const auto skipped = services_.defaults ? services_.defaults->textValue(DefaultsKeys::skippedUpdateVersion)
                                                    : std::nullopt;
            if (skipped && *skipped == key) return;
            feedURL_ = address;
            setAvailable(*r.feed);
        },
        [](AppUpdater*) { return true; });
}

void AppUpdater::checkForUpdatesNow(const QString& feedAddressText) {
    if (busy_ || installing_) return;
    setReady(std::nullopt);
    if (services_.defaults) services_.defaults->remove(DefaultsKeys::skippedUpdateVersion);
    const std::string address = UpdateStaging::trimmed(feedAddressText.toStdString());
    if (!acceptable(address)) {
        setStatus(tr("Adaugă o adresă HTTPS validă de actualizări, sau alege manual un fișier."));
        return;
    }
    setBusy(true);
    deliverLater<FeedResult>(
        services_.background, this, [fetch = services_.fetch, address] { return readFeed(fetch, address); },
        [this, address](FeedResult r) {
            if (!r.feed) return fail(r.error);
            if (!UpdateStaging::isNewer(UpdateStaging::releaseKey(*r.feed), installedKey())) {
                setStatus(tr("Ai deja ultima versiune (%1).").arg(text(services_.installed.shortVersion)));
                setBusy(false);
                return;
            }
            const auto url = UpdateStaging::resolve(address, r.feed->url);
            if (!url) {
                setStatus(tr("Adresa de descărcare nu e validă."));
                setBusy(false);
                return;
            }
            startDownload(*r.feed, *url, false);
        },
        [](AppUpdater*) { return true; });
}

void AppUpdater::downloadAvailableUpdate() {
    if (busy_ || installing_ || !available_ || !feedURL_) return;
    const auto url = UpdateStaging::resolve(*feedURL_, available_->url);
    if (!url) {
        // Said rather than nothing: the user pressed a button.
        setStatus(tr("Adresa de descărcare nu e validă."));
        return;
    }
    setBusy(true);
    startDownload(*available_, *url, true);
}

void AppUpdater::startDownload(const Feed& feed, const std::string& url, bool installNow) {
    setStatus(tr("Se descarcă versiunea %1…").arg(text(feed.version)));
    const fs::path downloads = services_.downloadsFolder ? services_.downloadsFolder() : fs::path();
    deliverLater<Outcome>(
        services_.background, this,
        [download = services_.download, installed = services_.installed, anchors = services_.anchors,
         temp = services_.temporaryFolder, downloads, url, version = feed.version]() -> Outcome {
            Outcome o;
            std::optional<fs::path> file;
            try {
                file = download(url);
                if (!installed.folder.empty() && UpdateStaging::isTeamSigned(installed.folder, anchors)) {
                    // The file is a private one of the download; staging copies what it needs out of it.
                    try {
                        o.staged = UpdateStaging::stage(*file, installed, anchors, temp);
                    } catch (...) {
                        o.error = errorText(std::current_exception());
                    }
                    std::error_code ec;
                    fs::remove(*file, ec);
                    return o;
                }
                if (downloads.empty()) throw std::runtime_error("Nu găsesc dosarul Descărcări.");
                o.saved = UpdateStaging::saveWithoutClobbering(*file, downloads,
                                                               UpdateStaging::manualInstallName(url, version));
            } catch (...) {
                o.error = errorText(std::current_exception());
            }
            return o;
        },
        [this, feed, installNow](Outcome o) { finishDownload(std::move(o), feed, installNow); },
        [](AppUpdater*) { return true; });
}

void AppUpdater::finishDownload(Outcome o, const Feed& feed, bool installNow) {
    if (o.error) return fail(*o.error);
    if (o.staged) {
        setReady(o.staged->folder);
        setStatus(text(o.staged->status));
        if (installNow && ready_) installReadyUpdate();
        setBusy(false);
        return;
    }
    // The manual road: the file is shown, never opened.
    if (services_.reveal) services_.reveal(*o.saved);
    const QString version = text(feed.version);
    if (services_.inform) services_.inform(manualInstallTitle(version), manualInstallText());
    setStatus(manualInstallStatus(version));
    if (installNow) setAvailable(std::nullopt);
    setBusy(false);
}

void AppUpdater::skipAvailableVersion() {
    if (!available_) return;
    if (services_.defaults)
        services_.defaults->set(DefaultsKeys::skippedUpdateVersion, Json(UpdateStaging::releaseKey(*available_)));
    setAvailable(std::nullopt);
}

void AppUpdater::installReadyUpdate() {
    if (!ready_ || installing_) return;
    setInstalling(true);
    installAndRelaunch(*ready_);
}

void AppUpdater::installAndRelaunch(const fs::path& staged) {
    QPointer<AppUpdater> self(this);
    auto afterFlush = [self, staged](std::optional<std::string> error) {
        if (!self) return;
        AppUpdater& u = *self;
        if (error) {
            u.setStatus(tr(handOverFailure) + text(*error));
            u.setInstalling(false);
            return;
        }
        deliverLater<std::optional<std::string>>(
            u.services_.background, &u,
            [helper = u.services_.helper, pid = u.services_.processId, staged,
             installed = u.services_.installed.folder, anchors = u.services_.anchors]() -> std::optional<std::string> {
                try {
                    if (installed.empty()) throw std::runtime_error("Aplicația nu rulează dintr-un dosar semnat.");
                    UpdateStaging::startHelper(helper, pid, staged, installed, anchors);
                    return std::nullopt;
                } catch (...) {
                    return errorText(std::current_exception());
                }
            },
            [self](std::optional<std::string> failure) {
                if (!self) return;
                AppUpdater& u = *self;
                if (failure) {
                    u.setStatus(tr(handOverFailure) + text(*failure));
                } else {
                    u.setReady(std::nullopt);
                    if (u.services_.terminate) u.services_.terminate();
                }
                u.setInstalling(false);
            },
            [](AppUpdater*) { return true; });
    };
    if (services_.flushJobs)
        services_.flushJobs(afterFlush);
    else
        afterFlush(std::nullopt);
}

void AppUpdater::chooseUpdateFile() {
    if (busy_ || installing_ || !services_.chooseFile) return;
    const auto chosen = services_.chooseFile();
    if (!chosen) return;
    setBusy(true);
    setReady(std::nullopt);
    deliverLater<Outcome>(
        services_.background, this,
        [installed = services_.installed, anchors = services_.anchors, temp = services_.temporaryFolder,
         source = *chosen]() -> Outcome {
            Outcome o;
            try {
                o.staged = UpdateStaging::stage(source, installed, anchors, temp);
            } catch (...) {
                o.error = errorText(std::current_exception());
            }
            return o;
        },
        [this](Outcome o) {
            if (o.error) {
                setStatus(tr("Fișierul nu poate fi folosit: ") + text(*o.error));
            } else {
                setReady(o.staged->folder);
                setStatus(text(o.staged->status));
            }
            setBusy(false);
        },
        [](AppUpdater*) { return true; });
}

void AppUpdater::cleanUpEarlierUpdates() {
    if (services_.installed.folder.empty()) return;
    deliverLater<std::optional<std::string>>(
        services_.background, this,
        [folder = services_.installed.folder, keep = ready_] {
            auto error = UpdateStaging::takeLeftoverError(folder);
            UpdateStaging::removeStalePrevious(folder, keep);
            return error;
        },
        [this](std::optional<std::string> error) {
            if (!error) return;
            setStatus(text(*error));
            if (services_.reportError) services_.reportError(*error);
        },
        [](AppUpdater*) { return true; });
}

QString AppUpdater::manualInstallTitle(const QString& version) {
    return tr("Versiunea %1 a fost descărcată").arg(version);
}

QString AppUpdater::manualInstallText() {
    return tr("Cum o instalezi:\n\n"
              "1. În dosarul care s-a deschis, dezarhivează fișierul descărcat.\n"
              "2. Înlocuiește dosarul aplicației cu cel nou, „Vendrel.app”.\n"
              "3. Închide această aplicație și pornește-o din nou.\n\n"
              "Proiectele și profilurile tale rămân.");
}

QString AppUpdater::manualInstallStatus(const QString& version) {
    return tr("Am descărcat versiunea %1 în Descărcări și am deschis dosarul. Dezarhiveaz-o, înlocuiește dosarul "
              "aplicației, apoi pornește din nou aplicația.")
        .arg(version);
}

}  // namespace orvane::model

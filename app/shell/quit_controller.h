#pragma once
// The one way out of the application: every quit request (the quit command, closing the window when
// nothing could bring it back, SIGTERM or SIGINT, the session manager) pauses and saves every job
// first, one after another; the first failure cancels the quit and shows its message. Then a profile
// build under way is closed and waited for, up to a limit (a build that outlives it writes nothing),
// and catalog backups still being compressed are given a while to finish.
#include <QObject>
#include <QSocketNotifier>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/model/app_model.h"
#include "app/model/relaunch.h"

namespace orvane::shell {

class QuitController final : public QObject {
    Q_OBJECT
public:
    // `finish` ends the process once everything is saved (QCoreApplication::quit by default).
    explicit QuitController(std::function<void()> finish = {}, QObject* parent = nullptr);

    // How long the quit waits, once every job is saved, for catalog backups still being compressed.
    static constexpr std::chrono::seconds backupDrainLimit{10};
    static constexpr std::chrono::milliseconds defaultBuildWait{5000};

    // Starts the quit unless one is being prepared; that one answers for both requests.
    void requestQuit();
    bool terminating() const { return terminating_; }
    // How long the quit waits for a profile build's background step to end.
    void setBuildWait(std::chrono::milliseconds wait) { buildWait_ = wait; }

signals:
    // The quit was cancelled by this error (already handed to the model's error).
    void quitFailed(const QString& message);

private:
    std::function<void()> finish_;
    bool terminating_ = false;
    std::chrono::milliseconds buildWait_ = defaultBuildWait;
};

// SIGTERM and SIGINT turned into a signal on the main thread through a self-pipe (a handler may only
// write to a descriptor). One per process.
class TerminationSignals final : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;
    bool installed() const { return notifier_ != nullptr; }

signals:
    void received(int signal);

private:
    void drain();
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace orvane::shell

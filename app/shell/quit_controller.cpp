#include "app/shell/quit_controller.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

#include <thread>
#include <vector>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "core/catalog/catalog_backups.h"

namespace orvane::shell {

namespace {
// Waits off the interface thread, for a while at most, for catalog backups still being compressed,
// then runs `then` on the main thread.
void afterBackupsDrained(std::function<void()> then) {
    std::thread([then = std::move(then)]() mutable {
        CatalogWriter::drainBackups(QuitController::backupDrainLimit);
        QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(then), Qt::QueuedConnection);
    }).detach();
}

}  // namespace

QuitController::QuitController(std::function<void()> finish, QObject* parent)
    : QObject(parent), finish_(finish ? std::move(finish) : [] { QCoreApplication::quit(); }) {}

void QuitController::requestQuit() {
    if (terminating_) return;
    terminating_ = true;
    QTimer::singleShot(0, this, [this] {
        model::AppModel* model = model::AppModel::current();
        if (!model) {
            finish_();
            return;
        }
        QPointer<QuitController> self(this);
        model::pauseAndFlushAll(model->jobs(), [self](std::optional<std::string> error) {
            if (!self) return;
            if (!error) {
                model::AppModel* live = model::AppModel::current();
                if (!live) {
                    afterBackupsDrained([self] {
                        if (self) self->finish_();
                    });
                    return;
                }
                // Whether the build's step ended or the wait ran out, the build can no longer write;
                // then catalog backups still being compressed get a while to finish.
                live->stopLearningForQuit(self->buildWait_, [self](bool) {
                    if (!self) return;
                    afterBackupsDrained([self] {
                        if (self) self->finish_();  // terminating stays set: the process is ending
                    });
                });
                return;
            }
            if (model::AppModel* live = model::AppModel::current()) live->setError(*error);
            self->terminating_ = false;
            emit self->quitFailed(QString::fromStdString(*error));
        });
    });
}

namespace {
int signalPipe[2] = {-1, -1};

extern "C" void onTerminationSignal(int signal) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}
}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0)
        return;
    notifier_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &TerminationSignals::drain);
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    if (!notifier_) return;
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

void TerminationSignals::drain() {
    unsigned char byte = 0;
    while (::read(signalPipe[0], &byte, 1) == 1) emit received(int(byte));
}

}  // namespace orvane::shell

#include "app/model/relaunch.h"

#include <QCoreApplication>
#include <QProcess>

#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <vector>

#include "core/base/process_control.h"

namespace orvane::model {

namespace {
struct FlushRun {
    std::vector<std::shared_ptr<Job>> jobs;
    std::size_t next = 0;
    std::function<void(std::optional<std::string>)> done;
};

void flushNext(std::shared_ptr<FlushRun> run) {
    if (run->next == run->jobs.size()) {
        run->done(std::nullopt);
        return;
    }
    const std::shared_ptr<Job> job = run->jobs[run->next++];
    job->pauseAndFlush([run](const std::optional<SaveError>& error) {
        if (error) {
            run->done(std::string(error->what()));
            return;
        }
        flushNext(run);
    });
}
}  // namespace

void pauseAndFlushAll(const AppModel::JobTable& jobs, std::function<void(std::optional<std::string>)> done) {
    auto run = std::make_shared<FlushRun>();
    for (const auto& [id, job] : jobs) run->jobs.push_back(job);
    run->done = std::move(done);
    flushNext(std::move(run));
}

std::optional<pid_t> previousInstance(const QStringList& arguments) {
    for (const QString& a : arguments) {
        if (!a.startsWith(QLatin1String(afterExitOption))) continue;
        bool ok = false;
        const int pid = a.mid(static_cast<int>(std::strlen(afterExitOption))).toInt(&ok);
        if (ok && pid > 1) return pid;
    }
    return std::nullopt;
}

bool waitForPreviousInstance(pid_t pid, std::chrono::milliseconds deadline) {
    try {
        waitForProcessExit(pid, deadline);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void relaunchApplication(std::function<bool(const QString&, const QStringList&)> start, std::function<void()> terminate) {
    if (!start) start = [](const QString& program, const QStringList& args) { return QProcess::startDetached(program, args); };
    if (!terminate) terminate = [] { ::kill(::getpid(), SIGTERM); };
    auto go = [start, terminate](std::optional<std::string> error) {
        AppModel* m = AppModel::current();
        if (error) {
            if (m) m->setError(*error);
            return;
        }
        const QString program = QCoreApplication::applicationFilePath();
        const QStringList args{QLatin1String(afterExitOption) + QString::number(::getpid())};
        if (!start(program, args)) {
            if (m) m->setError("Aplicația nu a putut reporni: " + program.toStdString());
            return;
        }
        terminate();
    };
    if (AppModel* m = AppModel::current())
        pauseAndFlushAll(m->jobs(), go);
    else
        go(std::nullopt);
}

}  // namespace orvane::model

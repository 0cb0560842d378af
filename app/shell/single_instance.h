#pragma once
// One running application per user and data folder: a lock file in the data folder says who runs,
// and a local socket in a folder only this user can enter lets a later launch ask that instance to
// show its main window.
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <chrono>
#include <filesystem>
#include <memory>

namespace orvane::shell {

class SingleInstance final : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        primary,     // this process runs the application
        handedOver,  // another instance runs and was asked to show its window: exit quietly
        failed,      // neither: see errorText(); exit without running a second instance
    };

    // `dataDir` holds the lock file; `serverName` is the socket's path (defaultServerName() in the
    // application). The socket's folder is made private (0700) when the data folder holds it.
    SingleInstance(std::filesystem::path dataDir, QString serverName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The socket of this user and data folder: "vendrel-<hash of the folder>.sock" in the runtime folder
    // `runtimeDir` ($XDG_RUNTIME_DIR) when it is a folder of this user that only they can enter (0700),
    // else "instance.sock" in the private folder "run" of the data folder. Never a shared folder
    // like /tmp, where another user could take the name first.
    static QString defaultServerName(const std::filesystem::path& dataDir);
    static QString defaultServerName(const std::filesystem::path& dataDir, const char* runtimeDir);
    // Whether `dir` is a folder (not a link) of this user with no access for anyone else.
    static bool isPrivateFolder(const std::filesystem::path& dir);

    // Takes the lock and listens, or hands over to the running instance. A running instance that has
    // not started listening yet is given `patience` to do so.
    Outcome start(std::chrono::milliseconds patience = std::chrono::seconds(5));
    // Whether a later launch can reach this instance (and bring its window back).
    bool canReopen() const { return server_.isListening(); }
    const QString& errorText() const { return error_; }

    static constexpr const char* showRequest = "show\n";
    static constexpr const char* showAnswer = "shown\n";

signals:
    // A later launch asked for the main window.
    void showRequested();

private:
    bool prepareSocketFolder();
    bool handOver(std::chrono::milliseconds patience);
    void serve();

    std::filesystem::path dataDir_;
    QString serverName_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
    QString error_;
};

}  // namespace orvane::shell

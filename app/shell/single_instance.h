#pragma once
// One running application per user and data folder: a lock file in the data folder says who runs,
// and a local socket lets a later launch ask that instance to show its main window.
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

    // `dataDir` holds the lock file; `serverName` names the socket (defaultServerName() in the application).
    SingleInstance(std::filesystem::path dataDir, QString serverName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The socket name of this user and data folder.
    static QString defaultServerName(const std::filesystem::path& dataDir);

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
    bool handOver(std::chrono::milliseconds patience);
    void serve();

    std::filesystem::path dataDir_;
    QString serverName_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
    QString error_;
};

}  // namespace orvane::shell

#include "app/shell/single_instance.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QThread>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace orvane::shell {

SingleInstance::SingleInstance(std::filesystem::path dataDir, QString serverName, QObject* parent)
    : QObject(parent), dataDir_(std::move(dataDir)), serverName_(std::move(serverName)) {
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::serve);
}

SingleInstance::~SingleInstance() {
    server_.close();
    if (lock_) lock_->unlock();
}

namespace {
constexpr const char* socketFolderName = "run";

QString quoted(const fs::path& path) { return QStringLiteral("„%1”").arg(QString::fromStdString(path.string())); }
QString systemMessage(int error) { return QString::fromLocal8Bit(std::strerror(error)); }
}  // namespace

bool SingleInstance::isPrivateFolder(const fs::path& dir) {
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0) return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

QString SingleInstance::defaultServerName(const fs::path& dataDir) {
    return defaultServerName(dataDir, std::getenv("XDG_RUNTIME_DIR"));
}

QString SingleInstance::defaultServerName(const fs::path& dataDir, const char* runtimeDir) {
    const fs::path folder = fs::absolute(dataDir).lexically_normal();
    if (runtimeDir && *runtimeDir && fs::path(runtimeDir).is_absolute() && isPrivateFolder(runtimeDir)) {
        const QByteArray key = QByteArray::fromStdString(folder.string());
        const QByteArray hash = QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(16);
        return QString::fromStdString((fs::path(runtimeDir) / ("vendrel-" + hash.toStdString() + ".sock")).string());
    }
    return QString::fromStdString((folder / socketFolderName / "instance.sock").string());
}

bool SingleInstance::prepareSocketFolder() {
    const fs::path socket = serverName_.toStdString();
    if (!socket.is_absolute()) return true;  // a plain name: Qt's own location
    const fs::path folder = socket.parent_path();
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        const int error = errno;
        error_ = QStringLiteral("Dosarul %1 nu poate fi creat: %2").arg(quoted(folder), systemMessage(error));
        return false;
    }
    if (isPrivateFolder(folder)) return true;
    struct stat st {};
    // Our own folder with too wide a mode is closed; anything else is not used.
    if (::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
        ::chmod(folder.c_str(), 0700) == 0 && isPrivateFolder(folder))
        return true;
    error_ = QStringLiteral("Dosarul %1 nu este privat; fereastra nu va putea fi readusă de o nouă lansare.")
                 .arg(quoted(folder));
    return false;
}

SingleInstance::Outcome SingleInstance::start(std::chrono::milliseconds patience) {
    std::error_code ec;
    if (fs::exists(dataDir_, ec) && !fs::is_directory(dataDir_, ec)) {
        error_ = QStringLiteral("Dosarul de date %1 nu este un dosar.").arg(quoted(dataDir_));
        return Outcome::failed;
    }
    fs::create_directories(dataDir_, ec);
    if (ec || !fs::is_directory(dataDir_, ec)) {
        error_ = QStringLiteral("Dosarul de date %1 nu poate fi creat: %2")
                     .arg(quoted(dataDir_), QString::fromStdString(ec.message()));
        return Outcome::failed;
    }
    // The real cause first: an unreadable folder is not a problem of the lock file inside it.
    if (::access(dataDir_.c_str(), R_OK | W_OK | X_OK) != 0) {
        const int error = errno;
        error_ = QStringLiteral("Dosarul de date %1 nu poate fi citit sau scris: %2")
                     .arg(quoted(dataDir_), systemMessage(error));
        return Outcome::failed;
    }
    lock_ = std::make_unique<QLockFile>(QString::fromStdString((dataDir_ / "instance.lock").string()));
    // Only a lock whose process is gone is stale, however old it is.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0)) {
        // The instance still runs when it cannot listen; it only cannot be reached again once its
        // window is closed.
        if (!prepareSocketFolder()) return Outcome::primary;
        // A socket left by a crashed instance would refuse the name.
        QLocalServer::removeServer(serverName_);
        server_.setSocketOptions(QLocalServer::UserAccessOption);
        if (!server_.listen(serverName_)) error_ = server_.errorString();
        return Outcome::primary;
    }
    if (lock_->error() != QLockFile::LockFailedError) {
        const fs::path lockFile = dataDir_ / "instance.lock";
        error_ = QStringLiteral("Fișierul de blocare %1 nu poate fi scris: %2")
                     .arg(quoted(lockFile),
                          lock_->error() == QLockFile::PermissionError ? systemMessage(EACCES)
                                                                       : QStringLiteral("eroare necunoscută"));
        lock_.reset();
        return Outcome::failed;
    }
    lock_.reset();
    if (handOver(patience)) return Outcome::handedOver;
    error_ = QStringLiteral("Vendrel rulează deja, dar nu răspunde.");
    return Outcome::failed;
}

bool SingleInstance::handOver(std::chrono::milliseconds patience) {
    QElapsedTimer clock;
    clock.start();
    do {
        QLocalSocket socket;
        socket.connectToServer(serverName_);
        if (socket.waitForConnected(500)) {
            socket.write(showRequest);
            if (socket.waitForBytesWritten(1000)) {
                while (socket.bytesAvailable() < qint64(std::strlen(showAnswer)) && socket.waitForReadyRead(2000)) {
                }
                if (socket.readAll() == showAnswer) return true;
            }
        }
        // The running instance may still be starting: its socket comes up shortly.
        QThread::msleep(100);
    } while (clock.elapsed() < patience.count());
    return false;
}

void SingleInstance::serve() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) return;
            const QByteArray line = socket->readLine();
            if (line == showRequest) {
                emit showRequested();
                socket->write(showAnswer);
                socket->flush();
            }
            socket->disconnectFromServer();
        });
    }
}

}  // namespace orvane::shell

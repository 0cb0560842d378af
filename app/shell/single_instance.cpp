#include "app/shell/single_instance.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QThread>

#include <cstring>
#include <system_error>

#include <unistd.h>

namespace orvane::shell {

SingleInstance::SingleInstance(std::filesystem::path dataDir, QString serverName, QObject* parent)
    : QObject(parent), dataDir_(std::move(dataDir)), serverName_(std::move(serverName)) {
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::serve);
}

SingleInstance::~SingleInstance() {
    server_.close();
    if (lock_) lock_->unlock();
}

QString SingleInstance::defaultServerName(const std::filesystem::path& dataDir) {
    const QByteArray folder = QByteArray::fromStdString(std::filesystem::absolute(dataDir).lexically_normal().string());
    const QByteArray hash = QCryptographicHash::hash(folder, QCryptographicHash::Sha256).toHex().left(16);
    return QStringLiteral("vendrel-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash));
}

SingleInstance::Outcome SingleInstance::start(std::chrono::milliseconds patience) {
    std::error_code ec;
    std::filesystem::create_directories(dataDir_, ec);
    if (ec) {
        error_ = QStringLiteral("Dosarul de date nu poate fi creat: %1").arg(QString::fromStdString(ec.message()));
        return Outcome::failed;
    }
    lock_ = std::make_unique<QLockFile>(QString::fromStdString((dataDir_ / "instance.lock").string()));
    // Only a lock whose process is gone is stale, however old it is.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0)) {
        // A socket left by a crashed instance would refuse the name.
        QLocalServer::removeServer(serverName_);
        server_.setSocketOptions(QLocalServer::UserAccessOption);
        if (!server_.listen(serverName_)) {
            // The instance still runs; it only cannot be reached again once its window is closed.
            error_ = server_.errorString();
        }
        return Outcome::primary;
    }
    if (lock_->error() != QLockFile::LockFailedError) {
        error_ = QStringLiteral("Fișierul de blocare nu poate fi scris în %1").arg(QString::fromStdString(dataDir_.string()));
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

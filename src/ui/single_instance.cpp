#include "ui/single_instance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QThread>

#include "ui/qt_text.h"

namespace nolvetta::ui {

SingleInstance::SingleInstance(const std::filesystem::path& dataDirectory)
    : lockPath_(toQtPath(dataDirectory / ".nolvetta.lock")), lock_(lockPath_) {
    // The same directory gives the same name; the home directory keeps
    // users apart.
    const QByteArray key =
        (toQtPath(dataDirectory) + QLatin1Char('\n') + QDir::homePath()).toUtf8();
    serverName_ = QStringLiteral("nolvetta-") +
                  QString::fromLatin1(
                      QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(24));
    locking_ = std::async(std::launch::async, [this, directory = toQtPath(dataDirectory)] {
        QDir().mkpath(directory);
        // Never stale by age, only when the copy that holds it is gone.
        lock_.setStaleLockTime(0);
        return lock_.tryLock(0);
    });
}

bool SingleInstance::anotherIsRunning() {
    if (!locking_.valid()) {
        return anotherIsRunning_;
    }
    if (!locking_.get()) {
        // Where no lock can be made, nothing can be saved either: no guard is needed.
        anotherIsRunning_ = lock_.error() == QLockFile::LockFailedError;
        return anotherIsRunning_;
    }
    listen();
    return false;
}

bool SingleInstance::takeOver() {
    // With the lock goes the note that QLockFile keeps beside it while it
    // takes over a stale lock, when the copy doing that was killed.
    QFile::remove(lockPath_ + QLatin1String(".rmlock"));
    if (!lock_.removeStaleLockFile() || !lock_.tryLock(0)) {
        return false;
    }
    anotherIsRunning_ = false;
    listen();
    return true;
}

void SingleInstance::listen() {
    QLocalServer::removeServer(serverName_);  // a killed copy's
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    server_.listen(serverName_);
    // A later copy writes its file's path, if any, and hangs up.
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
                socket->deleteLater();
                emit anotherStarted(QString::fromUtf8(socket->readAll()));
            });
        }
    });
}

bool SingleInstance::bringAnotherToFront(const QString& file) {
    // The running copy may still be starting: it is given a moment to listen.
    QDeadlineTimer deadline(3000);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(serverName_);
        if (socket.waitForConnected(200)) {
            if (!file.isEmpty()) {
                socket.write(file.toUtf8());
                socket.waitForBytesWritten(1000);
            }
            socket.disconnectFromServer();
            return true;
        }
        QThread::msleep(100);
    }
    return false;
}

}  // namespace nolvetta::ui

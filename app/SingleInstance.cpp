#include "app/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>

namespace veltro {

namespace {
const QByteArray kActivate = QByteArrayLiteral("activate\n");
const QByteArray kDone = QByteArrayLiteral("ok\n");
}  // namespace

SingleInstance::SingleInstance(const QString& name, const QString& directory)
    : lockPath_(directory + '/' + name + QStringLiteral(".lock")),
      socketPath_(directory + '/' + name + QStringLiteral(".socket")) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
}

SingleInstance::~SingleInstance() {
    StopListening();
    if (lockFd_ >= 0) {
        ::close(lockFd_);
    }
}

QString SingleInstance::ApplicationName() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QString SingleInstance::RuntimeDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

bool SingleInstance::Claim() {
    if (lockFd_ >= 0) {
        return true;
    }
    QDir().mkpath(QFileInfo(lockPath_).path());
    const QByteArray path = QFile::encodeName(lockPath_);
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    // A lock file that cannot be made leaves this copy a first copy.
    if (fd < 0) {
        return true;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    lockFd_ = fd;
    return true;
}

bool SingleInstance::ActivateFirstCopy(int limitMs) {
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(limitMs)) {
        return false;
    }
    socket.write(kActivate);
    if (!socket.waitForBytesWritten(limitMs)) {
        return false;
    }
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(limitMs)) {
            return false;
        }
    }
    return socket.readLine() == kDone;
}

bool SingleInstance::Listen() {
    if (server_.isListening()) {
        return true;
    }
    // Only the lock holder gets here, so a socket file left by a crashed copy is stale.
    QLocalServer::removeServer(socketPath_);
    return server_.listen(socketPath_);
}

void SingleInstance::StopListening() {
    if (server_.isListening()) {
        server_.close();
    }
}

void SingleInstance::OnConnection() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                return;
            }
            if (socket->readLine() == kActivate) {
                emit activationRequested();
                socket->write(kDone);
                socket->flush();
            }
            socket->disconnectFromServer();
        });
    }
}

}  // namespace veltro

#include "platform/SingleInstance.h"

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

using namespace Qt::Literals::StringLiterals;

namespace {

const QByteArray kActivate = "activate\n";
// How long a second launch keeps trying to reach a first one that holds the
// lock but may still be starting its server.
constexpr int kReachMilliseconds = 3000;
// Without a lock there is no first copy still starting: one try will do.
constexpr int kLocklessReachMilliseconds = 200;

bool tell(const QString &socketPath, int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(socketPath);
        if (socket.waitForConnected(int(deadline.remainingTime()))) {
            socket.write(kActivate);
            const bool written = socket.waitForBytesWritten(int(deadline.remainingTime()));
            socket.disconnectFromServer();
            return written;
        }
        QThread::msleep(50);
    }
    return false;
}

} // namespace

SingleInstance::SingleInstance(QString socketPath, QObject *parent)
    : QObject(parent)
    , m_socketPath(std::move(socketPath))
    , m_lock(m_socketPath + u".lock"_s)
{
    // The lock is held for the whole run: never give it up for its age. A copy
    // that died leaves a lock whose process is gone, and that one is taken.
    m_lock.setStaleLockTime(0);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::readRequests);
}

QString SingleInstance::userSocketPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)
        + u"/brisvane.socket"_s;
}

SingleInstance::Role SingleInstance::claim()
{
    if (!m_lock.tryLock(0)) {
        if (m_lock.error() == QLockFile::LockFailedError) {
            // Whether or not the other copy could be reached, it is running:
            // this one must not.
            tell(m_socketPath, kReachMilliseconds);
            return Role::Secondary;
        }
        // No lock can be made in that folder at all. A copy that answers
        // still wins; otherwise run, since alarms that never ring because
        // the program would not start help nobody.
        if (tell(m_socketPath, kLocklessReachMilliseconds))
            return Role::Secondary;
    }
    // A socket left by a copy that died would refuse to be listened on.
    QLocalServer::removeServer(m_socketPath);
    m_server.listen(m_socketPath);
    return Role::Primary;
}

void SingleInstance::readRequests()
{
    while (QLocalSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        // The request may have arrived with the connection.
        readFrom(socket);
    }
}

void SingleInstance::readFrom(QLocalSocket *socket)
{
    while (socket->canReadLine()) {
        if (socket->readLine() == kActivate)
            Q_EMIT activationRequested();
    }
}

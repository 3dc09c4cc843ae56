#include "platform/SingleInstance.h"

#include "store/AtomicFile.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QThread>

#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kSocketName = u"/brisvane.socket"_s;
const QByteArray kActivate = "activate\n";
// How long a second launch keeps trying to reach a first one that holds the
// lock but may still be starting its server.
constexpr int kReachMilliseconds = 3000;
// Without a lock there is no first copy still starting: one try will do.
constexpr int kLocklessReachMilliseconds = 200;

// Reaches the copy at `socketPath` and sends it `request`, if any.
bool tell(const QString &socketPath, const QByteArray &request, int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(socketPath);
        if (socket.waitForConnected(int(deadline.remainingTime()))) {
            socket.write(request);
            const bool written
                = request.isEmpty() || socket.waitForBytesWritten(int(deadline.remainingTime()));
            socket.disconnectFromServer();
            return written;
        }
        QThread::msleep(50);
    }
    return false;
}

// A folder, not a link to one, that this user owns; `mode` gets its bits.
bool isOwnFolder(const QString &folder, mode_t &mode)
{
    struct stat status = {};
    if (!QDir::isAbsolutePath(folder)
        || ::lstat(QFile::encodeName(folder).constData(), &status) != 0 || !S_ISDIR(status.st_mode)
        || status.st_uid != ::geteuid())
        return false;
    mode = status.st_mode;
    return true;
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
    // Never a folder that another user may have made first, as Qt's fallback
    // /tmp/runtime-<name> may be: the lock there would be theirs to hold.
    // Only this user may enter it, and no one else can put another in its
    // place; a socket's path holds at most 107 bytes.
    const QString runtime = QDir::cleanPath(qEnvironmentVariable("XDG_RUNTIME_DIR"));
    const qsizetype maxPath = qsizetype(sizeof(sockaddr_un::sun_path)) - 1;
    mode_t mode = 0;
    if (isOwnFolder(runtime, mode) && (mode & 077) == 0
        && QFile::encodeName(runtime + kSocketName).size() <= maxPath)
        return runtime + kSocketName;
    // Under the user's own home, and closed again if it was opened to others.
    // A path too long for a socket still holds the lock, so a second copy never
    // runs; a second launch then only cannot open the window.
    const QString own = QDir::homePath() + u"/.cache/brisvane"_s;
    QString error;
    if (AtomicFile::makeFolders(own, &error) && isOwnFolder(own, mode)
        && ((mode & 077) == 0 || ::chmod(QFile::encodeName(own).constData(), 0700) == 0))
        return own + kSocketName;
    qWarning("Brisvane cannot tell whether it runs already: %s is no folder of this user's "
             "alone (%s), nor is $XDG_RUNTIME_DIR; running without that check",
        qUtf8Printable(own),
        qUtf8Printable(error.isEmpty() ? u"another user's, or open to others"_s : error));
    return {};
}

SingleInstance::Role SingleInstance::claim(Launch launch)
{
    if (m_socketPath.isEmpty())
        return Role::Primary;
    const QByteArray request = launch == Launch::ByUser ? kActivate : QByteArray();
    if (!m_lock.tryLock(0)) {
        if (m_lock.error() == QLockFile::LockFailedError) {
            // Whether or not the other copy could be reached, it is running:
            // this one must not.
            tell(m_socketPath, request, kReachMilliseconds);
            return Role::Secondary;
        }
        // No lock can be made in that folder at all. A copy that answers
        // still wins; otherwise run, since alarms that never ring because
        // the program would not start help nobody.
        if (tell(m_socketPath, request, kLocklessReachMilliseconds))
            return Role::Secondary;
        qWarning("Brisvane cannot lock %s, so cannot tell whether it runs already; running",
            qUtf8Printable(m_lock.fileName()));
    }
    // A socket left by a copy that died would refuse to be listened on.
    QLocalServer::removeServer(m_socketPath);
    if (!m_server.listen(m_socketPath))
        qWarning("A second launch of Brisvane cannot reach this one: %s",
            qUtf8Printable(m_server.errorString()));
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
